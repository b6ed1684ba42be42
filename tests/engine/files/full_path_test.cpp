// The full-path builder: drive letters, "\\" prefixes, "." and "..",
// double-byte names whose trail byte is 0x5C, and inputs too long to hold.
#include "files/full_path.h"

#include "DuRud.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include <windows.h>

namespace DuRud {
namespace {

#define HYO "\x95\x5C"  // a code page 932 character whose trail byte is '\'

struct Case {
    const char* path;
    const char* base;
    const char* expected;  // null: refused
};

const Case kCases[] = {
    {"a\\b\\..\\c", "C:\\X", "C:\\X\\a\\c"},
    {"C:\\..\\a", "C:\\X", "C:\\a"},
    {"a\\..", "C:\\X", "C:\\X\\a\\.."},
    {"\\\\server\\x", "C:\\X", "\\\\server\\x"},
    {"//server/x", "C:\\X", "\\\\server\\x"},
    {"\\x", "C:\\X", "C:\\x"},
    {"/x/y", "C:\\X", "C:\\x\\y"},
    {"a/./b/", "C:\\X", "C:\\X\\a\\b"},
    {"a\\\\b", "C:\\X", "C:\\X\\a\\b"},
    {"..\\..\\..\\a", "C:\\X\\Y", "C:\\a"},
    {".", "C:\\X", "C:\\X\\."},
    {"D:foo", "C:\\X", "D:\\foo"},
    {"D:\\foo\\..\\..", "C:\\X", "D:\\.."},
    {"", "C:\\X", "C:\\X"},
    {"a", "C:\\X\\", "C:\\X\\a"},
    {"..\\a", "C:\\", "C:\\a"},
    {HYO "\\b", "C:\\X", "C:\\X\\" HYO "\\b"},
    {HYO "\\..\\c", "C:\\X", "C:\\X\\c"},
    {"..\\a", "C:\\" HYO, "C:\\a"},
    {"a", "C:\\" HYO, "C:\\" HYO "\\a"},
    {"x" HYO, "C:\\X", "C:\\X\\x" HYO},
    {"ab\x95", "C:\\X", "C:\\X\\ab\x95"},  // a lead byte without its trail
};

TEST(FullPath, Cases) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.path);
        char out[MAX_PATH] = "junk";
        int result = ConvertToFullPath(c.path, out, sizeof out, c.base);
        if (c.expected == nullptr) {
            EXPECT_EQ(result, -1);
            EXPECT_STREQ(out, "");
        } else {
            EXPECT_EQ(result, 0);
            EXPECT_STREQ(out, c.expected);
        }
    }
}

TEST(FullPath, NullPathGivesTheBaseAndNullBaseTheCurrentDirectory) {
    char out[MAX_PATH];
    EXPECT_EQ(ConvertToFullPath(nullptr, out, sizeof out, "C:\\X\\"), 0);
    EXPECT_STREQ(out, "C:\\X\\");
    char current[MAX_PATH];
    ASSERT_GT(GetCurrentDirectoryA(MAX_PATH, current), 0u);
    EXPECT_EQ(ConvertToFullPath("a\\b", out, sizeof out, nullptr), 0);
    EXPECT_EQ(std::string(out), std::string(current) + "\\a\\b");
    EXPECT_EQ(MakeFullPath("q", out, nullptr), 0);
    EXPECT_EQ(std::string(out), std::string(current) + "\\q");
}

TEST(FullPath, TooLongIsRefusedNeverCut) {
    char out[MAX_PATH];
    // Components: 255 bytes pass, 256 do not.
    std::string c255(255, 'n'), c256(256, 'n');
    EXPECT_EQ(ConvertToFullPath(c255.c_str(), out, sizeof out, "C:"), 0);
    EXPECT_EQ(std::string(out), "C:\\" + c255);
    EXPECT_EQ(ConvertToFullPath((c256 + "\\..\\a").c_str(), out, sizeof out, "C:"), -1);
    EXPECT_STREQ(out, "");
    EXPECT_EQ(ConvertToFullPath(c256.c_str(), out, sizeof out, "C:"), -1);
    // Results: 259 bytes pass, 260 do not.
    std::string base = "C:\\" + std::string(200, 'b');  // 203 bytes
    std::string fits(259 - 204, 'f');
    EXPECT_EQ(ConvertToFullPath(fits.c_str(), out, sizeof out, base.c_str()), 0);
    EXPECT_EQ(std::strlen(out), 259u);
    EXPECT_EQ(ConvertToFullPath((fits + "g").c_str(), out, sizeof out, base.c_str()), -1);
    EXPECT_STREQ(out, "");
    // A long detour that ends short is fine.
    std::string detour = c255 + "\\..\\" + c255 + "\\..\\z";
    EXPECT_EQ(ConvertToFullPath(detour.c_str(), out, sizeof out, "C:\\X"), 0);
    EXPECT_STREQ(out, "C:\\X\\z");
    // The caller's buffer bounds the result too.
    char small[8];
    EXPECT_EQ(ConvertToFullPath("abcdef", small, sizeof small, "C:\\X"), -1);
    EXPECT_STREQ(small, "");
    EXPECT_EQ(ConvertToFullPath("ab", small, sizeof small, "C:\\X"), 0);
    EXPECT_STREQ(small, "C:\\X\\ab");
    // A base of 260 bytes or more is refused.
    std::string longBase = "C:\\" + std::string(257, 'b');
    EXPECT_EQ(ConvertToFullPath("a", out, sizeof out, longBase.c_str()), -1);
    EXPECT_EQ(ConvertToFullPath("a", nullptr, 10, "C:\\X"), -1);
    EXPECT_EQ(ConvertToFullPath("a", out, 0, "C:\\X"), -1);
}

}  // namespace
}  // namespace DuRud
