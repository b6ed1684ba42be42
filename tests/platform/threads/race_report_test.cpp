// Proof that the ThreadSanitizer run sees races: a child copy of this binary
// runs two threads that write one variable without a lock, and its report
// must name the race. Only a ThreadSanitizer build holds these tests.
#include <gtest/gtest.h>

#if defined(__SANITIZE_THREAD__)
#define RACE_REPORT_BUILD 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define RACE_REPORT_BUILD 1
#endif
#endif

#ifdef RACE_REPORT_BUILD
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <climits>
#include <cstdio>
#include <string>
#include <thread>

// Both threads write it, neither holds a lock. Outside any unnamed namespace
// so that the compiler keeps the stores nothing reads.
int g_raceReportUnguarded;

namespace {

std::atomic<int> g_arrived{0};

// Both threads are alive before either writes, and the relaxed count orders
// nothing: whatever the layer does at a thread's start or end, the writes race.
__attribute__((noinline)) void WriteUnguarded(int value) {
    g_arrived.fetch_add(1, std::memory_order_relaxed);
    while (g_arrived.load(std::memory_order_relaxed) < 2) {
    }
    g_raceReportUnguarded = value;
}

}  // namespace

// The child's part; ctest never runs it on its own.
TEST(RaceReportChildProcess, TwoThreadsWriteOneVariable) {
    std::thread first(WriteUnguarded, 1);
    std::thread second(WriteUnguarded, 2);
    first.join();
    second.join();
}

TEST(RaceReportThreads, TheChildsReportNamesTheRace) {
    char program[PATH_MAX] = {};
    ASSERT_GT(readlink("/proc/self/exe", program, sizeof program - 1), 0);
    const std::string command =
        std::string("'") + program + "' --gtest_filter=RaceReportChildProcess.* 2>&1 >/dev/null";
    // The detector keeps a bounded history of accesses, so one run of the
    // child may miss the pair; a few runs make the proof certain, and any
    // report proves the run is live.
    std::string report;
    int status = 0;
    for (int attempt = 0; attempt < 8; ++attempt) {
        std::FILE* child = popen(command.c_str(), "r");
        ASSERT_NE(child, nullptr);
        report.clear();
        char chunk[4096];
        for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, child)) > 0;)
            report.append(chunk, n);
        status = pclose(child);
        if (report.find("WARNING: ThreadSanitizer: data race") != std::string::npos) break;
    }
    EXPECT_NE(report.find("WARNING: ThreadSanitizer: data race"), std::string::npos) << report;
    EXPECT_NE(report.find("WriteUnguarded"), std::string::npos) << report;
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_NE(WEXITSTATUS(status), 0);  // a report fails the run
}
#endif
