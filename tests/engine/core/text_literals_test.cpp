// Japanese literals become code page 932 once.
#include "core/text_literals.h"

#include <cstring>
#include <string>

#include <gtest/gtest.h>

namespace DuRud {
namespace {

TEST(TextLiterals, ConvertOnceToCodePage932) {
    const char* a = Cp932Text("あ表ソ\\");
    EXPECT_EQ(std::string(a), "\x82\xA0\x95\x5C\x83\x5C\\");  // 0x5C trail bytes kept
    EXPECT_EQ(Cp932Text("あ表ソ\\"), a);                      // the same literal: the same text
    EXPECT_STREQ(Cp932Text("plain"), "plain");
    EXPECT_STREQ(Cp932Text(nullptr), "");
    // A reused buffer with new text gets the new text's conversion.
    char buffer[16] = "あ";
    EXPECT_STREQ(Cp932Text(buffer), "\x82\xA0");
    std::strcpy(buffer, "い");
    EXPECT_STREQ(Cp932Text(buffer), "\x82\xA2");
    // Full-width letters and the wave dash as code page 932 has them.
    EXPECT_EQ(std::string(Cp932Text("ＣＯＭ～")), "\x82\x62\x82\x6E\x82\x6C\x81\x60");
}

TEST(TextLiterals, UnknownCharactersAndBadInput) {
    std::string out;
    EXPECT_TRUE(
        ConvertUtf8ToCp932("a\xF0\x9F\x98\x80"
                           "b",
                           6, &out));  // an emoji
    EXPECT_EQ(out, "a?b");
    EXPECT_TRUE(
        ConvertUtf8ToCp932("\xFF"
                           "c",
                           2, &out));  // not UTF-8
    EXPECT_EQ(out, "?c");
    EXPECT_FALSE(ConvertUtf8ToCp932("x\xE3\x81", 3, &out));  // cut in the middle
    EXPECT_EQ(out, "x");
}

}  // namespace
}  // namespace DuRud
