// The command line: joining arguments with the Windows quoting rules in code
// page 932, and GetCommandLineA.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "win32/process_services.h"
#include "windows.h"

namespace {

std::string join(std::vector<const char*> args) {
    return platform::JoinCommandLine(static_cast<int>(args.size()), args.data());
}

TEST(CommandLine, PlainArgumentsAreJoinedWithSpaces) {
    EXPECT_EQ(join({}), "");
    EXPECT_EQ(join({"game"}), "game");
    EXPECT_EQ(join({"-w", "x.txt", "C:\\dir\\"}), "-w x.txt C:\\dir\\");
}

TEST(CommandLine, SpacesQuotesAndEmptyArgumentsAreQuoted) {
    EXPECT_EQ(join({"a b", ""}), "\"a b\" \"\"");
    EXPECT_EQ(join({"tab\there"}), "\"tab\there\"");
    // A quote inside is escaped, and so are the backslashes right before it
    // or before the closing quote; other backslashes stay single.
    EXPECT_EQ(join({"say \"hi\""}), "\"say \\\"hi\\\"\"");
    EXPECT_EQ(join({"a\\\"b"}), "\"a\\\\\\\"b\"");
    EXPECT_EQ(join({"dir with space\\"}), "\"dir with space\\\\\"");
    EXPECT_EQ(join({"x\\y z"}), "\"x\\y z\"");
    EXPECT_EQ(join({nullptr}), "\"\"");
}

TEST(CommandLine, Utf8ArgumentsBecomeCodePage932) {
    // "表示" is 95 5C 8E A6: its 0x5C trail byte is no backslash and is not
    // doubled before the closing quote.
    EXPECT_EQ(join({"\xE8\xA1\xA8\xE7\xA4\xBA"}), "\x95\x5C\x8E\xA6");
    EXPECT_EQ(join({"a \xE8\xA1\xA8"}), "\"a \x95\x5C\"");
    // No code page 932 form: a question mark for the whole character.
    EXPECT_EQ(join({"x\xF0\x9F\x98\x80y"}), "x?y");
    // Bytes that are not UTF-8 are replaced one by one.
    EXPECT_EQ(join({"a\xFFz"}), "a?z");
}

TEST(CommandLine, GetCommandLineNamesThisProgram) {
    std::string line = GetCommandLineA();
    EXPECT_NE(line.find("test_platform_process"), std::string::npos) << line;
    EXPECT_EQ(GetCommandLineA(), GetCommandLineA());  // one lasting string
}

}  // namespace
