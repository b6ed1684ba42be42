// ExitProcess: the exit status is the code's low 8 bits, buffered output is
// flushed, and running threads neither block nor outlive the exit.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <thread>
#include <vector>

#include "windows.h"
#include "support/test_support.h"

namespace {

TEST(ProcessExitDeathTest, MinusOneFromAWorkerWhileOthersRunEndsWith255) {
    EXPECT_EXIT(
        {
            std::atomic<bool> stop{false};
            std::vector<std::thread> busy;
            for (int i = 0; i < 4; ++i)
                busy.emplace_back([&stop] {
                    while (!stop.load()) std::this_thread::yield();
                });
            std::thread exiter([] { ExitProcess(static_cast<UINT>(-1)); });
            exiter.join();  // never returns: the process ends first
            stop = true;
            for (auto& t : busy) t.join();
        },
        testing::ExitedWithCode(255), "");
}

TEST(ProcessExitDeathTest, StatusIsTheLowEightBits) {
    EXPECT_EXIT(ExitProcess(0), testing::ExitedWithCode(0), "");
    EXPECT_EXIT(ExitProcess(3), testing::ExitedWithCode(3), "");
    EXPECT_EXIT(ExitProcess(0x1234), testing::ExitedWithCode(0x34), "");
}

TEST(ProcessExitDeathTest, BufferedOutputIsFlushed) {
    EXPECT_EXIT(
        {
            static char buffer[4096];
            std::setvbuf(stderr, buffer, _IOFBF, sizeof buffer);
            std::fputs("last words before the exit", stderr);
            ExitProcess(1);
        },
        testing::ExitedWithCode(1), "last words before the exit");
}

TEST(ProcessExitDeathTest, AStreamHeldByAnotherThreadDoesNotBlockTheExit) {
    EXPECT_EXIT(
        {
            std::atomic<bool> held{false};
            std::thread holder([&held] {
                flockfile(stdout);  // held until the process ends
                held = true;
                for (;;) std::this_thread::yield();
            });
            testsupport::WaitUntil([&held] { return held.load(); }, testsupport::kWaitLimit,
                                   "the stream held", testsupport::PollStep::kYield);
            ExitProcess(9);
        },
        testing::ExitedWithCode(9), "");
}

}  // namespace
