#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "../../../platform/win32/code_pages.h"
#include "windows.h"
#include "support/error_checks.h"
#include "support/test_support.h"

namespace {

std::u16string toWide(UINT cp, const std::string& bytes, DWORD flags = 0) {
    int n =
        MultiByteToWideChar(cp, flags, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::u16string out(static_cast<size_t>(n), u'\0');
    if (n > 0) {
        EXPECT_EQ(MultiByteToWideChar(cp, flags, bytes.data(), static_cast<int>(bytes.size()),
                                      out.data(), n),
                  n);
    }
    return out;
}

std::string toBytes(UINT cp, const std::u16string& text, LPCSTR defaultChar = nullptr,
                    BOOL* used = nullptr) {
    int n = WideCharToMultiByte(cp, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                defaultChar, used);
    std::string out(static_cast<size_t>(n), '\0');
    if (n > 0) {
        EXPECT_EQ(WideCharToMultiByte(cp, 0, text.data(), static_cast<int>(text.size()), out.data(),
                                      n, defaultChar, used),
                  n);
    }
    return out;
}

const std::string kSjis = "\x83\x5C\x95\x5C\x81\x60";  // "ソ表～": 0x5C trail bytes, the wave dash
const std::u16string kSjisWide = u"\u30BD\u8868\uFF5E";

TEST(CodePages, ShiftJisWithBackslashTrailBytesRoundTrips) {
    for (UINT cp : {932u, UINT(CP_ACP), UINT(CP_OEMCP), UINT(CP_THREAD_ACP)}) {
        EXPECT_EQ(toWide(cp, kSjis), kSjisWide) << cp;
        EXPECT_EQ(toBytes(cp, kSjisWide), kSjis) << cp;
    }
    EXPECT_EQ(GetACP(), 932u);
    EXPECT_EQ(GetOEMCP(), 932u);
}

TEST(CodePages, OtherDoubleByteCodePagesAndUtf8) {
    EXPECT_EQ(toWide(936, "\xD6\xD0"), u"\u4E2D");
    EXPECT_EQ(toWide(950, "\xA4\xA4"), u"\u4E2D");
    EXPECT_EQ(toWide(949, "\xC7\xD1"), u"\uD55C");
    EXPECT_EQ(toBytes(936, u"\u4E2D"), "\xD6\xD0");
    EXPECT_EQ(toBytes(950, u"\u4E2D"), "\xA4\xA4");
    EXPECT_EQ(toBytes(949, u"\uD55C"), "\xC7\xD1");
    EXPECT_EQ(toWide(CP_UTF8, "\xE8\xA1\xA8"), u"\u8868");
    EXPECT_EQ(toBytes(CP_UTF8, u"\u8868"), "\xE8\xA1\xA8");
    // Code page 1252: the euro sign at 0x80, Latin 1 above 0xA0.
    EXPECT_EQ(toWide(1252, "\x80\xE9"), u"\u20AC\u00E9");
    EXPECT_EQ(toBytes(1252, u"\u20AC\u00E9"), "\x80\xE9");
}

TEST(CodePages, SizeQueriesAndTerminator) {
    // -1: the terminator is converted and counted.
    EXPECT_EQ(MultiByteToWideChar(932, 0, kSjis.c_str(), -1, nullptr, 0), 4);
    EXPECT_EQ(MultiByteToWideChar(932, 0, kSjis.c_str(), 6, nullptr, 0), 3);
    WCHAR wide[8];
    std::fill(std::begin(wide), std::end(wide), u'#');
    ASSERT_EQ(MultiByteToWideChar(932, 0, kSjis.c_str(), -1, wide, 8), 4);
    EXPECT_EQ(std::u16string(wide, 4), kSjisWide + u'\0');
    EXPECT_EQ(wide[4], u'#');

    EXPECT_EQ(WideCharToMultiByte(932, 0, kSjisWide.c_str(), -1, nullptr, 0, nullptr, nullptr), 7);
    char bytes[16];
    ASSERT_EQ(WideCharToMultiByte(932, 0, kSjisWide.c_str(), -1, bytes, 16, nullptr, nullptr), 7);
    EXPECT_EQ(std::string(bytes), kSjis);
}

TEST(CodePages, TooSmallBufferFailsAndWritesNothing) {
    WCHAR wide[3] = {u'#', u'#', u'#'};
    EXPECT_ERROR(MultiByteToWideChar(932, 0, kSjis.c_str(), -1, wide, 3), 0,
                 ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(wide[0], u'#');

    char bytes[6];
    std::fill(std::begin(bytes), std::end(bytes), '#');
    EXPECT_ERROR(WideCharToMultiByte(932, 0, kSjisWide.c_str(), -1, bytes, 6, nullptr, nullptr), 0,
                 ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(bytes[0], '#');
}

TEST(CodePages, CharactersBeyondTheBasicPlane) {
    // U+1F600 is a surrogate pair in UTF-16 and four bytes in UTF-8.
    EXPECT_EQ(toWide(CP_UTF8, "\xF0\x9F\x98\x80"), u"\xD83D\xDE00");
    EXPECT_EQ(toBytes(CP_UTF8, u"\xD83D\xDE00"), "\xF0\x9F\x98\x80");
    // Code page 932 has no such character: one default character for the pair.
    BOOL used = FALSE;
    EXPECT_EQ(toBytes(932, u"a\xD83D\xDE00z", nullptr, &used), "a?z");
    EXPECT_TRUE(used);
}

TEST(CodePages, InvalidBytesAreReplacedOrRefused) {
    // Windows' default character for 932 is U+30FB; a lead byte keeps a
    // following byte only when it can be a trail byte.
    EXPECT_EQ(toWide(932,
                     "A\x85\x40"
                     "B"),
              u"A\u30FB"
              u"B");
    EXPECT_EQ(toWide(932, "\x81 x"), u"\u30FB x");
    EXPECT_EQ(toWide(932, "ab\x81"), u"ab\u30FB");
    EXPECT_EQ(toWide(CP_UTF8, "\xC3(\xFF"), u"\uFFFD(\uFFFD");
    // A cut-off character is one replacement; a surrogate encoded in UTF-8 is
    // no character at all (each byte replaced).
    EXPECT_EQ(toWide(CP_UTF8, "\xE3\x81z"), u"\uFFFDz");
    EXPECT_EQ(toWide(CP_UTF8, "a\xF0\x9F\x98"), u"a\uFFFD");
    EXPECT_EQ(toWide(CP_UTF8, "\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD");

    EXPECT_ERROR(MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, "A\x85\x40", 3, nullptr, 0), 0,
                 ERROR_NO_UNICODE_TRANSLATION);
    EXPECT_ERROR(MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, "\xC3", 1, nullptr, 0), 0,
                 ERROR_NO_UNICODE_TRANSLATION);

    // An unpaired surrogate: U+FFFD in UTF-8, or a refusal when asked.
    EXPECT_EQ(toBytes(CP_UTF8, u"x\xD800y"), "x\xEF\xBF\xBDy");
    const char16_t lone[] = u"\xDC00";
    EXPECT_ERROR(
        WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, lone, 1, nullptr, 0, nullptr, nullptr),
        0, ERROR_NO_UNICODE_TRANSLATION);
}

// Single bytes of 932 outside the system's table map as Windows maps them,
// and come back.
TEST(CodePages, Cp932SingleBytesRoundTrip) {
    struct Row {
        char byte;
        char16_t unicode;
    };
    const Row rows[] = {
        {'\x80', u'\u0080'}, {'\xA0', u'\uF8F0'}, {'\xFD', u'\uF8F1'},
        {'\xFE', u'\uF8F2'}, {'\xFF', u'\uF8F3'},
    };
    for (const Row& row : rows) {
        const std::string bytes{'a', row.byte};
        const std::u16string wide{u'a', row.unicode};
        EXPECT_EQ(toWide(932, bytes, MB_ERR_INVALID_CHARS), wide) << int(row.unicode);
        BOOL used = TRUE;
        EXPECT_EQ(toBytes(932, wide, nullptr, &used), bytes) << int(row.unicode);
        EXPECT_FALSE(used);
    }
}

TEST(CodePages, DefaultCharacterForUnmappableText) {
    BOOL used = TRUE;
    EXPECT_EQ(toBytes(932, u"abc", nullptr, &used), "abc");
    EXPECT_FALSE(used);
    // Thai has no place in code page 932.
    EXPECT_EQ(toBytes(932, u"a\u0E01b", "*", &used), "a*b");
    EXPECT_TRUE(used);
    // A double-byte default character is used whole.
    EXPECT_EQ(toBytes(932, u"\u0E01", "\x81\x48", &used), "\x81\x48");

    // UTF-8 takes no default character.
    char out[8];
    EXPECT_ERROR(WideCharToMultiByte(CP_UTF8, 0, u"a", 1, out, 8, "?", nullptr), 0,
                 ERROR_INVALID_PARAMETER);
    EXPECT_ERROR(WideCharToMultiByte(CP_UTF8, 0, u"a", 1, out, 8, nullptr, &used), 0,
                 ERROR_INVALID_PARAMETER);
}

TEST(CodePages, BadArgumentsGiveErrors) {
    WCHAR wide[4];
    char bytes[4];
    EXPECT_ERROR(MultiByteToWideChar(932, 0, nullptr, -1, wide, 4), 0, ERROR_INVALID_PARAMETER);
    EXPECT_ERROR(MultiByteToWideChar(932, 0, "a", 0, wide, 4), 0, ERROR_INVALID_PARAMETER);
    EXPECT_ERROR(MultiByteToWideChar(932, 0, "a", -2, wide, 4), 0, ERROR_INVALID_PARAMETER);
    EXPECT_ERROR(MultiByteToWideChar(932, 0, "a", 1, nullptr, 4), 0, ERROR_INVALID_PARAMETER);
    EXPECT_ERROR(MultiByteToWideChar(932, 0, "a", 1, wide, -1), 0, ERROR_INVALID_PARAMETER);
    EXPECT_ERROR(MultiByteToWideChar(1234, 0, "a", 1, wide, 4), 0, ERROR_INVALID_PARAMETER);
    EXPECT_ERROR(MultiByteToWideChar(CP_UTF8, MB_PRECOMPOSED, "a", 1, wide, 4), 0,
                 ERROR_INVALID_FLAGS);
    EXPECT_ERROR(WideCharToMultiByte(932, 0, nullptr, -1, bytes, 4, nullptr, nullptr), 0,
                 ERROR_INVALID_PARAMETER);
    EXPECT_ERROR(WideCharToMultiByte(932, 0, u"a", 0, bytes, 4, nullptr, nullptr), 0,
                 ERROR_INVALID_PARAMETER);
    EXPECT_ERROR(WideCharToMultiByte(932, 0, u"a", 1, nullptr, 4, nullptr, nullptr), 0,
                 ERROR_INVALID_PARAMETER);
    EXPECT_ERROR(WideCharToMultiByte(932, 0, u"a", 1, bytes, -3, nullptr, nullptr), 0,
                 ERROR_INVALID_PARAMETER);
    EXPECT_ERROR(WideCharToMultiByte(20, 0, u"a", 1, bytes, 4, nullptr, nullptr), 0,
                 ERROR_INVALID_PARAMETER);
    EXPECT_ERROR(
        WideCharToMultiByte(932, WC_ERR_INVALID_CHARS, u"a", 1, bytes, 4, nullptr, nullptr), 0,
        ERROR_INVALID_FLAGS);
}

TEST(CodePages, LeadBytes) {
    EXPECT_TRUE(IsDBCSLeadByte(0x81));
    EXPECT_TRUE(IsDBCSLeadByte(0xFC));
    EXPECT_FALSE(IsDBCSLeadByte(0x5C));
    EXPECT_FALSE(IsDBCSLeadByte(0xA0));  // half-width katakana area is single-byte
    EXPECT_FALSE(IsDBCSLeadByte(0xB1));
    EXPECT_TRUE(IsDBCSLeadByteEx(936, 0xA0));
    EXPECT_FALSE(IsDBCSLeadByteEx(CP_UTF8, 0xE3));
    EXPECT_ERROR(IsDBCSLeadByteEx(4321, 0x81), FALSE, ERROR_INVALID_PARAMETER);
}

TEST(CodePages, Utf8HelpersForOtherAreas) {
    EXPECT_EQ(platform::Cp932ToUtf8(kSjis), "\xE3\x82\xBD\xE8\xA1\xA8\xEF\xBD\x9E");
    EXPECT_EQ(platform::Utf8ToCp932("\xE3\x82\xBD\xE8\xA1\xA8\xEF\xBD\x9E"), kSjis);
    EXPECT_EQ(platform::Utf8ToCp932("x\xE0\xB8\x81y"), "x?y");
    EXPECT_EQ(platform::Cp932ToUtf8("\xB1"), "\xEF\xBD\xB1");  // half-width katakana
}

TEST(CodePagesThreads, ConvertersAreSafeAcrossThreads) {
    std::vector<std::thread> threads;
    std::vector<int> failures(8, 0);
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([t, &failures] {
            for (int i = 0; i < 500; ++i) {
                WCHAR wide[8];
                char bytes[16];
                int n = MultiByteToWideChar(932, 0, kSjis.c_str(), -1, wide, 8);
                int m = WideCharToMultiByte(t % 2 ? CP_UTF8 : 932, 0, wide, -1, bytes, 16, nullptr,
                                            nullptr);
                if (n != 4 || std::u16string(wide, 3) != kSjisWide || m != (t % 2 ? 10 : 7))
                    ++failures[t];
            }
        });
    }
    for (auto& thread : threads) thread.join();
    for (int f : failures) EXPECT_EQ(f, 0);
}

// Threads that stay alive after converting (as the loader's do) share the
// converters: converting one after another they need one per direction, not
// one per thread.
TEST(CodePagesThreads, LiveThreadsShareConverters) {
    auto convert = [] {
        const std::string utf8 = platform::Cp932ToUtf8(kSjis);
        return platform::Utf8ToCp932(utf8) == kSjis;
    };
    ASSERT_TRUE(convert());
    const size_t before = platform::CodePageConvertersOpen();
    std::mutex turn;
    std::condition_variable cv;
    int converted = 0;
    bool release = false;
    std::vector<int> ok(16, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < 16; ++t) {
        threads.emplace_back([&, t] {
            std::unique_lock<std::mutex> lock(turn);
            ok[t] = convert();
            ++converted;
            cv.notify_all();
            cv.wait_for(lock, testsupport::kWaitLimit, [&] { return release; });
        });
    }
    {
        std::unique_lock<std::mutex> lock(turn);
        cv.wait_for(lock, testsupport::kWaitLimit, [&] { return converted == 16; });
        EXPECT_EQ(converted, 16);
        EXPECT_EQ(platform::CodePageConvertersOpen(), before);
        release = true;
        cv.notify_all();
    }
    for (auto& thread : threads) thread.join();
    for (int t = 0; t < 16; ++t) EXPECT_EQ(ok[t], 1) << t;
}

}  // namespace
