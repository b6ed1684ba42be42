// Double-byte rules, byte-wise strings and IntToString.
#include "core/string_helpers.h"

#include <climits>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

namespace DuRud {
namespace {

class StringHelpers : public testing::Test {
  protected:
    void SetUp() override { SetEngineCharSet(kCharSetShiftJis); }
    void TearDown() override { SetEngineCharSet(kCharSetShiftJis); }
};

TEST_F(StringHelpers, LeadBytesOfShiftJisAndTheOtherSets) {
    for (int b = 0; b < 256; ++b) {
        const auto byte = static_cast<unsigned char>(b);
        const bool sjis = (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
        EXPECT_EQ(IsLeadByte(byte, kCharSetShiftJis), sjis ? 1 : 0) << b;
        EXPECT_EQ(IsLeadByte(byte, 0), sjis ? 1 : 0) << b;  // unknown sets use Shift-JIS
        EXPECT_EQ(IsLeadByte(byte, kCharSetKorean), b >= 0x80 ? 1 : 0) << b;
        EXPECT_EQ(IsLeadByte(byte, kCharSetSimplifiedChinese), b >= 0x80 ? 1 : 0) << b;
    }
}

TEST_F(StringHelpers, TrailByte5CIsNeverASeparator) {
    const char path[] = "\x95\x5C\\x";  // one double-byte character, then a real '\'
    EXPECT_EQ(FindChar(path, '\\'), path + 2);
    const char only[] = "\x95\x5C";
    EXPECT_EQ(FindChar(only, '\\'), nullptr);
    EXPECT_EQ(FindChar("", 'a'), nullptr);

    char text[] =
        "a\x95\x5C"
        "b\x82"
        "a";  // 0x82 0x61 is a character too
    UpperCaseString(text);
    EXPECT_EQ(std::string(text), std::string("A\x95\x5C"
                                             "B\x82"
                                             "a"));

    EXPECT_TRUE(EndsWithBackslash("dir\\", kCharSetShiftJis));
    EXPECT_FALSE(EndsWithBackslash("dir\x95\x5C", kCharSetShiftJis));
    EXPECT_FALSE(EndsWithBackslash("", kCharSetShiftJis));
}

TEST_F(StringHelpers, CharKindWalksFromTheStart) {
    EXPECT_EQ(GetCharKindAt("\x82\xA0", 1, kCharSetShiftJis), 2);
    EXPECT_EQ(GetCharKindAt("\x82\xA0", 0, kCharSetShiftJis), 1);
    EXPECT_EQ(GetCharKindAt("abc", 5, kCharSetShiftJis), -1);
    EXPECT_EQ(GetCharKindAt("abc", 3, kCharSetShiftJis), -1);
    EXPECT_EQ(GetCharKindAt("", 0, kCharSetShiftJis), -1);
    EXPECT_EQ(GetCharKindAt("abc", -1, kCharSetShiftJis), -1);
    // A lead byte cut off by the NUL: its "trail" is the end.
    EXPECT_EQ(GetCharKindAt("a\x82", 1, kCharSetShiftJis), 1);
    EXPECT_EQ(GetCharKindAt("a\x82", 2, kCharSetShiftJis), -1);
    // Korean: every high byte leads.
    EXPECT_EQ(GetCharKindAt("\xB0\xA1z", 2, kCharSetKorean), 0);
    EXPECT_EQ(GetCharKindAt("\xB0\xA1z", 1, kCharSetKorean), 2);
}

TEST_F(StringHelpers, CharSetAndCodePageFromTheOemCodePage) {
    EXPECT_EQ(CharSetFromCodePage(932), kCharSetShiftJis);
    EXPECT_EQ(CharSetFromCodePage(949), kCharSetKorean);
    EXPECT_EQ(CharSetFromCodePage(950), kCharSetTraditionalChinese);
    EXPECT_EQ(CharSetFromCodePage(936), kCharSetSimplifiedChinese);
    EXPECT_EQ(CharSetFromCodePage(437), kCharSetShiftJis);
    EXPECT_EQ(EngineCodePageFromCodePage(437), 0);
    EXPECT_EQ(EngineCodePageFromCodePage(950), 950);
    SetEngineCodePage(949);
    EXPECT_EQ(GetEngineCodePage(), 949);
    SetEngineCodePage(932);
}

TEST_F(StringHelpers, CopyAppendFindCompare) {
    char dst[16];
    std::memset(dst, 'x', sizeof(dst));
    CopyStringN(dst, "abcdef", 3);
    EXPECT_STREQ(dst, "abc");
    CopyStringN(dst, "ab", -4);
    EXPECT_STREQ(dst, "");
    CopyString(dst, "ab");
    AppendString(dst, "cd");
    EXPECT_STREQ(dst, "abcd");
    EXPECT_EQ(StringLength(dst), 4);
    char16_t wide[8] = u"ab";
    AppendWideString(wide, u"cd");
    EXPECT_EQ(std::u16string(wide), u"abcd");

    const char* hay = "hello world";
    EXPECT_EQ(FindString(hay, "world"), hay + 6);
    EXPECT_EQ(FindString(hay, ""), hay);
    EXPECT_EQ(FindString(hay, "xyz"), nullptr);
    // Only equal (0) or not (1): no ordering.
    EXPECT_EQ(CompareStrings("abc", "abc") * 10 + CompareStrings("ab", "abc"), 1);
    EXPECT_EQ(CompareStrings("abc", "ab"), 1);
    EXPECT_EQ(CompareStringsN("abcx", "abcy", 3) * 10 + CompareStringsN("abcx", "abcy", 4), 1);
    EXPECT_EQ(CompareStringsN("ab", "ab", 100), 0);  // stops at the shared NUL
}

TEST_F(StringHelpers, FormatStringIsBoundedAndTerminated) {
    char small[8];
    EXPECT_EQ(FormatString(small, sizeof(small), "%s-%d", "abcdef", 12345), 0);
    EXPECT_STREQ(small, "abcdef-");
    char buf[32];
    EXPECT_EQ(FormatString(buf, sizeof(buf), "%05d|%x", 42, 255), 0);
    EXPECT_STREQ(buf, "00042|ff");
    EXPECT_EQ(FormatString(nullptr, 0, "x"), 0);  // nothing to write into: no crash
}

TEST_F(StringHelpers, IntToStringRadixesAndExtremes) {
    char buf[40];
    EXPECT_STREQ(IntToString(255, buf, 16), "ff");
    EXPECT_STREQ(IntToString(-10, buf, 10), "-10");
    EXPECT_STREQ(IntToString(0, buf, 10), "0");
    EXPECT_STREQ(IntToString(5, buf, 2), "101");
    EXPECT_STREQ(IntToString(35, buf, 36), "z");
    EXPECT_STREQ(IntToString(36 * 36 - 1, buf, 36), "zz");
    EXPECT_STREQ(IntToString(INT_MIN, buf, 10), "-2147483648");
    EXPECT_STREQ(IntToString(INT_MIN, buf, 2), "-10000000000000000000000000000000");
    EXPECT_STREQ(IntToString(INT_MIN, buf, 16), "-80000000");
    EXPECT_STREQ(IntToString(INT_MAX, buf, 36), "zik0zj");
    std::strcpy(buf, "junk");
    EXPECT_STREQ(IntToString(12, buf, 1), "");
    std::strcpy(buf, "junk");
    EXPECT_STREQ(IntToString(12, buf, 37), "");
}

}  // namespace
}  // namespace DuRud
