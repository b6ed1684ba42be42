#include <gtest/gtest.h>

#include <cstring>

#include "windows.h"

namespace {

TEST(StringFunctions, LengthsAndNullPointers) {
    EXPECT_EQ(lstrlenA("abc"), 3);
    EXPECT_EQ(lstrlenA(""), 0);
    EXPECT_EQ(lstrlenA(nullptr), 0);
    char buffer[8] = "x";
    EXPECT_EQ(lstrcpyA(nullptr, "a"), nullptr);
    EXPECT_EQ(lstrcpyA(buffer, nullptr), nullptr);
    EXPECT_EQ(lstrcatA(buffer, nullptr), nullptr);
    EXPECT_STREQ(buffer, "x");
}

TEST(StringFunctions, CopyAndConcatenate) {
    char buffer[16];
    EXPECT_EQ(lstrcpyA(buffer, "DATAS"), buffer);
    EXPECT_EQ(lstrcatA(buffer, ".ZAV"), buffer);
    EXPECT_STREQ(buffer, "DATAS.ZAV");
    // lstrcpynA copies at most n - 1 bytes and always terminates.
    std::memset(buffer, '#', sizeof buffer);
    lstrcpynA(buffer, "hello", 3);
    EXPECT_STREQ(buffer, "he");
    lstrcpynA(buffer, "hi", 10);
    EXPECT_STREQ(buffer, "hi");
    std::memset(buffer, '#', sizeof buffer);
    lstrcpynA(buffer, "hello", 0);
    EXPECT_EQ(buffer[0], '#');
}

TEST(StringFunctions, Comparisons) {
    EXPECT_EQ(lstrcmpA("C:\\GAME\\DATAS.ZAV", "C:\\GAME\\DATAS.ZAV"), 0);
    EXPECT_LT(lstrcmpA("abc", "abd"), 0);
    EXPECT_GT(lstrcmpA("abd", "abc"), 0);
    EXPECT_LT(lstrcmpA("ab", "abc"), 0);
    EXPECT_NE(lstrcmpA("abc", "ABC"), 0);
    EXPECT_LT(lstrcmpA("a", "B"), 0);  // letters compare without regard to case first
    EXPECT_LT(lstrcmpA(nullptr, "a"), 0);
    EXPECT_EQ(lstrcmpA(nullptr, nullptr), 0);

    EXPECT_EQ(lstrcmpiA("datas\\Lists", "DATAS\\LISTS"), 0);
    EXPECT_LT(lstrcmpiA("apple", "BANANA"), 0);
    // A trail byte that looks like a letter is not folded: 0x83 0x41 and
    // 0x83 0x61 are two different katakana.
    EXPECT_NE(lstrcmpiA("\x83\x41", "\x83\x61"), 0);
}

}  // namespace
