// OutputDebugStringA: the test capture and the UTF-8 copy on stderr.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "test_knobs.h"
#include "windows.h"

namespace {

TEST(DebugOutput, ReachesTheCaptureOnlyWhileOn) {
    OutputDebugStringA("before\n");
    KnobCaptureDebugOutput(true);
    OutputDebugStringA("one ");
    OutputDebugStringA(nullptr);               // ignored, as on Windows
    OutputDebugStringA("\x83\x5C\x95\x5C\n");  // code page 932 bytes kept as they are
    EXPECT_EQ(KnobDebugOutput(), "one \x83\x5C\x95\x5C\n");
    KnobCaptureDebugOutput(false);
    OutputDebugStringA("after\n");
    EXPECT_EQ(KnobDebugOutput(), "");
}

TEST(DebugOutputThreads, WholeLinesFromManyThreads) {
    KnobCaptureDebugOutput(true);
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t)
        threads.emplace_back([t] {
            std::string line = "thread " + std::to_string(t) + " line\n";
            for (int i = 0; i < 100; ++i) OutputDebugStringA(line.c_str());
        });
    for (auto& t : threads) t.join();
    std::string all = KnobDebugOutput();
    // Every piece arrives whole: 800 lines, each one of the eight texts.
    size_t lines = 0, start = 0;
    while (start < all.size()) {
        size_t end = all.find('\n', start);
        ASSERT_NE(end, std::string::npos);
        std::string line = all.substr(start, end - start);
        EXPECT_EQ(line.size(), std::string("thread 0 line").size()) << line;
        EXPECT_EQ(line.rfind("thread ", 0), 0u) << line;
        ++lines;
        start = end + 1;
    }
    EXPECT_EQ(lines, 800u);
}

TEST(DebugOutput, StderrCopyIsUtf8) {
    testing::internal::CaptureStderr();
    setenv("VESSAMIRE_DEBUG_OUTPUT", "1", 1);
    KnobApplyEnvironment();
    unsetenv("VESSAMIRE_DEBUG_OUTPUT");
    // "ソ表～" in code page 932, then a cut-off lead byte (shown as the
    // code page's default character U+30FB).
    OutputDebugStringA("\x83\x5C\x95\x5C\x81\x60|\x81");
    KnobDebugOutputToStderr(false);
    OutputDebugStringA("not copied");
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(err, "\xE3\x82\xBD\xE8\xA1\xA8\xEF\xBD\x9E|\xE3\x83\xBB");
}

TEST(DebugOutput, EnvironmentOtherThanOneLeavesStderrAlone) {
    testing::internal::CaptureStderr();
    setenv("VESSAMIRE_DEBUG_OUTPUT", "0", 1);
    KnobApplyEnvironment();
    unsetenv("VESSAMIRE_DEBUG_OUTPUT");
    OutputDebugStringA("quiet");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

}  // namespace
