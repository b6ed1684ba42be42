// The log file's exact bytes on the virtual clock: stamps, line ends,
// indents, long texts, code page 932, switches, and many threads at once.
#include "core/log.h"

#include <map>
#include <regex>
#include <string>

#include "core/text_literals.h"
#include "core/threads_and_locks.h"
#include "log_test_support.h"

namespace DuRud {
namespace {

class LogFile : public StartedLog {};

TEST_F(LogFile, LineGetsElapsedMillisecondsAndCrLf) {
    EXPECT_EQ(LogWrite("abc\n"), -1);  // -1 always
    Sleep(1234);
    LogWrite("def\n");
    EXPECT_EQ(LogBytes(), "0:abc\r\n1234:def\r\n");
}

TEST_F(LogFile, PiecesOfOneLineGetOneStamp) {
    LogWrite("abc");
    Sleep(3);
    LogWrite("");  // nothing: no stamp, mid-line kept
    LogWrite("\n");
    LogText("x\n");
    EXPECT_EQ(LogBytes(), "0:abc\r\n3:x\r\n");
}

TEST_F(LogFile, IndentTabsFollowTheStamp) {
    LogIndent();
    LogIndent();
    EXPECT_EQ(GetLogIndent(), 2);
    LogWrite("one\n");
    LogWrite("two");
    LogWrite(" more\n");
    LogUnindent();
    LogUnindent();
    LogUnindent();  // stays at 0
    EXPECT_EQ(GetLogIndent(), 0);
    LogWrite("three\n");
    EXPECT_EQ(LogBytes(), "0:\t\tone\r\n0:\t\ttwo more\r\n0:three\r\n");
}

TEST_F(LogFile, LineEndsConvertUntilTheFirstCrLf) {
    LogWrite("a\nb\r\nc\nd\n");
    LogWrite("\nx\n");  // a line feed at the very start counts as bare
    LogWrite("\r\n");
    EXPECT_EQ(LogBytes(), "0:a\r\nb\r\nc\nd\n0:\r\nx\r\n0:\r\n");
}

TEST_F(LogFile, LongTextsArriveWhole) {
    std::string t300(300, 'a');
    t300[150] = '\n';
    t300 += "\n";
    LogWrite(t300.c_str());
    std::string t5000;
    for (int i = 0; i < 500; ++i) t5000 += "123456789\n";
    LogWrite(t5000.c_str());
    std::string expected = "0:" + std::string(150, 'a') + "\r\n" + std::string(149, 'a') + "\r\n0:";
    for (int i = 0; i < 500; ++i) expected += "123456789\r\n";
    EXPECT_EQ(LogBytes(), expected);
}

TEST_F(LogFile, OutputOffWritesNothing) {
    SetLogOutput(0);
    KnobCaptureDebugOutput(true);
    LogWrite("hidden\n");
    EXPECT_EQ(KnobDebugOutput(), "");
    SetLogOutput(1);
    LogWrite("shown\n");
    EXPECT_EQ(LogBytes(), "0:shown\r\n");
    EXPECT_EQ(KnobDebugOutput(), "0:shown\r\n");
    // A start with the output off creates no file.
    SetLogOutput(0);
    std::remove("Log.txt");
    EXPECT_EQ(LogStart(), 0);
    LogWrite("x\n");
    EXPECT_EQ(GetFileAttributesA("Log.txt"), INVALID_FILE_ATTRIBUTES);
}

TEST_F(LogFile, NothingWithoutTheTimerLibrary) {
    UnloadWinApis();
    LogWrite("after unload\n");
    EXPECT_EQ(LogBytes(), "");
    KnobHideModule("winmm.dll", true);
    LoadWinApis();
    LogWrite("hidden winmm\n");
    EXPECT_EQ(LogBytes(), "");
}

TEST_F(LogFile, RestartRecreatesTheFileEmpty) {
    LogWrite("old\n");
    LogIndent();
    LogWrite("half");
    Sleep(50);
    ASSERT_EQ(LogStart(), 0);  // indent and mid-line back to 0, new start time
    LogWrite("new\n");
    EXPECT_EQ(LogBytes(), "0:new\r\n");
}

TEST_F(LogFile, FolderAndNameChoices) {
    // A folder without a trailing separator gets one; with one, none more.
    const std::string folder = testsupport::TestDirectory() + "\\";
    ASSERT_EQ(SetLogFolder(folder.c_str()), 0);
    ASSERT_EQ(LogOpen(), 0);
    EXPECT_EQ(std::string(GetLogFilePath()), folder + "Log.txt");
    SetLogDatedName(1);
    ASSERT_EQ(LogOpen(), 0);
    const std::string path = GetLogFilePath();
    EXPECT_TRUE(std::regex_search(
        path, std::regex(R"(\\Log\d{4}_\d{1,2}_\d{1,2}_\d{1,2}_\d{1,2}_\d{1,2}\.txt$)")))
        << path;
    LogWrite("dated\n");
    const std::string name = path.substr(path.rfind('\\') + 1);
    EXPECT_EQ(testsupport::ReadFile(name), "0:dated\r\n");
    // No folder, a folder that does not exist, an over-long folder: no file.
    EXPECT_EQ(SetLogFolder(std::string(300, 'x').c_str()), -1);
    SetLogFolder("");
    EXPECT_EQ(LogOpen(), -1);
    SetLogFolder((testsupport::TestDirectory() + "/missing/folder").c_str());
    EXPECT_EQ(LogOpen(), -1);
    LogWrite("lost\n");  // the open fails: nothing, no crash
}

TEST_F(LogFile, FormattedLinesAreBounded) {
    LogFormatLine("%d-%s", 42, "x");
    std::string huge(3000, 'z');
    LogFormatLine("%s", huge.c_str());
    // 1022 bytes of text: the line feed and the NUL still fit.
    EXPECT_EQ(LogBytes(), "0:42-x\r\n0:" + std::string(1022, 'z') + "\r\n");
}

TEST_F(LogFile, FormattedLineNeverEndsOnHalfACharacter) {
    std::string text = "a";
    for (int i = 0; i < 600; ++i) text += "\x82\xA0";  // 1 + 1200 bytes
    LogFormatLine("%s", text.c_str());
    // 1022 bytes would end on a lead byte: the line keeps 1021.
    std::string expected = "0:a";
    for (int i = 0; i < 510; ++i) expected += "\x82\xA0";
    EXPECT_EQ(LogBytes(), expected + "\r\n");
}

TEST_F(LogFile, WideLinesConvertToCodePage932) {
    LogFormatLineWide(u"%s=%d [%5s]", u"\u5024", 5, u"ab");
    std::u16string huge(3000, u'\u3042');
    LogFormatLineWide(u"%s", huge.c_str());
    std::string expected = "0:\x92\x6C=5 [   ab]\r\n0:";
    for (int i = 0; i < 1022; ++i) expected += "\x82\xA0";
    EXPECT_EQ(LogBytes(), expected + "\r\n");
}

struct Writer {
    ThreadContext context{};
    int index = 0;
};

void WriteThousandLines(ThreadContext* context, uintptr_t argument) {
    auto* writer = reinterpret_cast<Writer*>(argument);
    for (int i = 0; i < 1000; ++i) {
        if (i % 2 == 0) {
            LogFormatLine("thread %d line %d", writer->index, i);
        } else {
            LogFormatLine("thread %d line %d with a longer tail %s", writer->index, i,
                          "0123456789abcdefghijklmnopqrstuvwxyz");
        }
    }
}

using LogFileThreads = LogFile;

TEST_F(LogFileThreads, EightThreadsGiveEightThousandIntactLines) {
    Writer writers[8];
    for (int i = 0; i < 8; ++i) {
        writers[i].index = i;
        ASSERT_EQ(CreateEngineThread(&writers[i].context, WriteThousandLines,
                                     reinterpret_cast<uintptr_t>(&writers[i])),
                  0);
    }
    for (Writer& w : writers) ResumeEngineThread(&w.context);
    for (Writer& w : writers) {
        WaitForSingleObject(w.context.handle, INFINITE);
        CloseThreadHandle(&w.context);
    }
    const std::string bytes = LogBytes();
    const std::regex line(
        R"(^0:thread (\d) line (\d+)( with a longer tail 0123456789abcdefghijklmnopqrstuvwxyz)?$)");
    std::map<int, int> next;  // per thread, the next line number expected
    size_t start = 0, count = 0;
    while (start < bytes.size()) {
        const size_t end = bytes.find("\r\n", start);
        ASSERT_NE(end, std::string::npos);
        const std::string text = bytes.substr(start, end - start);
        std::smatch m;
        ASSERT_TRUE(std::regex_match(text, m, line)) << text;
        const int thread = std::stoi(m[1]);
        const int number = std::stoi(m[2]);
        ASSERT_EQ(number, next[thread]) << text;
        ASSERT_EQ(m[3].matched, number % 2 == 1);
        next[thread] += 1;
        ++count;
        start = end + 2;
    }
    EXPECT_EQ(count, 8000u);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(next[i], 1000);
}

}  // namespace
}  // namespace DuRud
