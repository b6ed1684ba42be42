// Traced locks and engine threads: nothing runs before the resume, every
// resume after creation starts the routine once, parked threads wake.
#include "core/threads_and_locks.h"

#include <atomic>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include "support/test_support.h"

namespace DuRud {
namespace {

struct Probe {
    ThreadContext context{};
    std::atomic<int> runs{0};
    HANDLE release = nullptr;  // the routine waits for it when set
    uintptr_t seenArgument = 0;
};

void CountingRoutine(ThreadContext* context, uintptr_t argument) {
    auto* probe = reinterpret_cast<Probe*>(argument);
    probe->seenArgument = argument;
    probe->runs += 1;
    if (probe->release) WaitForSingleObject(probe->release, INFINITE);
}

TEST(EngineThreads, RoutineWaitsForTheResume) {
    Probe probe;
    ASSERT_EQ(
        CreateEngineThread(&probe.context, CountingRoutine, reinterpret_cast<uintptr_t>(&probe)),
        0);
    EXPECT_EQ(IsThreadCreated(&probe.context), 1);
    EXPECT_NE(GetEngineThreadId(&probe.context), 0u);
    // The thread exists but has not started its routine.
    EXPECT_EQ(WaitForSingleObject(probe.context.handle, 50), WAIT_TIMEOUT);
    EXPECT_EQ(probe.runs.load(), 0);
    EXPECT_EQ(ResumeEngineThread(&probe.context), 1);
    EXPECT_EQ(WaitForSingleObject(probe.context.handle, INFINITE), WAIT_OBJECT_0);
    EXPECT_EQ(probe.runs.load(), 1);
    EXPECT_EQ(probe.seenArgument, reinterpret_cast<uintptr_t>(&probe));
    DWORD code = 99;
    GetExitCodeThread(probe.context.handle, &code);
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(CloseThreadHandle(&probe.context), TRUE);
    EXPECT_EQ(IsThreadCreated(&probe.context), 0);
}

TEST(EngineThreads, SecondResumeOfARunningThreadReturnsZero) {
    Probe probe;
    probe.release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ASSERT_EQ(
        CreateEngineThread(&probe.context, CountingRoutine, reinterpret_cast<uintptr_t>(&probe)),
        0);
    EXPECT_EQ(ResumeEngineThread(&probe.context), 1);
    EXPECT_EQ(ResumeEngineThread(&probe.context), 0);
    SetEvent(probe.release);
    WaitForSingleObject(probe.context.handle, INFINITE);
    EXPECT_EQ(probe.runs.load(), 1);
    CloseThreadHandle(&probe.context);
    CloseHandle(probe.release);
}

TEST(EngineThreads, ResumeRightAfterCreationNeverLosesTheStart) {
    constexpr int kThreads = 1000;
    std::vector<Probe> probes(kThreads);
    for (Probe& p : probes) {
        ASSERT_EQ(CreateEngineThread(&p.context, CountingRoutine, reinterpret_cast<uintptr_t>(&p)),
                  0);
        ASSERT_EQ(ResumeEngineThread(&p.context), 1);
        ASSERT_EQ(WaitForSingleObject(p.context.handle, INFINITE), WAIT_OBJECT_0);
        CloseThreadHandle(&p.context);
    }
    for (const Probe& p : probes) ASSERT_EQ(p.runs.load(), 1);
}

void ParkingRoutine(ThreadContext* context, uintptr_t argument) {
    auto* probe = reinterpret_cast<Probe*>(argument);
    probe->runs += 1;
    SuspendCurrentThread();  // parked until resumed
    probe->runs += 1;
}

TEST(EngineThreads, ParkedThreadContinuesOnResume) {
    Probe probe;
    ASSERT_EQ(
        CreateEngineThread(&probe.context, ParkingRoutine, reinterpret_cast<uintptr_t>(&probe)), 0);
    ResumeEngineThread(&probe.context);
    // A resume that arrives before the thread parks does nothing (0): retry,
    // as the loader does, until one finds it parked.
    int result = 0;
    testsupport::WaitUntil([&] { return (result = ResumeEngineThread(&probe.context)) != 0; },
                           testsupport::kWaitLimit, "a resume that finds the thread parked",
                           testsupport::PollStep::kYield);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(WaitForSingleObject(probe.context.handle, INFINITE), WAIT_OBJECT_0);
    EXPECT_EQ(probe.runs.load(), 2);
    CloseThreadHandle(&probe.context);
}

TEST(EngineThreads, PriorityLevels) {
    Probe probe;
    probe.release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ASSERT_EQ(
        CreateEngineThread(&probe.context, CountingRoutine, reinterpret_cast<uintptr_t>(&probe)),
        0);
    EXPECT_EQ(SetEngineThreadPriority(&probe.context, 7), 7);
    EXPECT_EQ(SetEngineThreadPriority(&probe.context, -1), -1);
    EXPECT_EQ(GetThreadPriority(probe.context.handle), THREAD_PRIORITY_NORMAL);
    for (auto [level, priority] :
         {std::pair{0, THREAD_PRIORITY_LOWEST}, std::pair{3, THREAD_PRIORITY_HIGHEST},
          std::pair{1, THREAD_PRIORITY_BELOW_NORMAL}}) {
        EXPECT_EQ(SetEngineThreadPriority(&probe.context, level), TRUE);
        EXPECT_EQ(GetThreadPriority(probe.context.handle), priority) << level;
    }
    ResumeEngineThread(&probe.context);
    SetEvent(probe.release);
    WaitForSingleObject(probe.context.handle, INFINITE);
    CloseThreadHandle(&probe.context);
    CloseHandle(probe.release);
}

TEST(EngineThreads, ClosingAStaleHandleFailsCleanly) {
    ThreadContext context{};
    context.handle = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(0x7777));
    EXPECT_EQ(CloseThreadHandle(&context), FALSE);
    EXPECT_EQ(context.handle, nullptr);
    EXPECT_EQ(ResumeEngineThread(&context), 1);  // the platform call failed
}

TEST(TracedLocks, RecordTheLastTaker) {
    TracedLock lock;
    InitLock(&lock);
    EXPECT_STREQ(lock.file, "");
    const std::string longName(300, 'f');
    LockWithSource(&lock, (longName + "tail").c_str(), 42);
    EXPECT_EQ(std::string(lock.file), std::string(255, 'f'));
    EXPECT_EQ(lock.line, 42u);
    EXPECT_EQ(lock.thread, GetCurrentThreadId());
    // Recursive for the holder.
    LockWithSource(&lock, "inner.cpp", 7);
    EXPECT_STREQ(lock.file, "inner.cpp");
    LeaveLock(&lock);
    LeaveLock(&lock);
    // The record survives the release: it names the last taker.
    EXPECT_STREQ(lock.file, "inner.cpp");
    DeleteLock(&lock);
}

struct Shared {
    TracedLock lock;
    long counter = 0;
};

void AddUnderLock(ThreadContext* context, uintptr_t argument) {
    auto* shared = reinterpret_cast<Shared*>(argument);
    for (int i = 0; i < 20000; ++i) {
        LockWithSource(&shared->lock, __FILE__, __LINE__);
        shared->counter = shared->counter + 1;
        LeaveLock(&shared->lock);
    }
}

TEST(TracedLocksThreads, ExcludeOtherThreads) {
    Shared shared;
    InitLock(&shared.lock);
    ThreadContext contexts[4]{};
    for (auto& c : contexts) {
        ASSERT_EQ(CreateEngineThread(&c, AddUnderLock, reinterpret_cast<uintptr_t>(&shared)), 0);
    }
    for (auto& c : contexts) ResumeEngineThread(&c);
    for (auto& c : contexts) {
        WaitForSingleObject(c.handle, INFINITE);
        CloseThreadHandle(&c);
    }
    EXPECT_EQ(shared.counter, 80000);
    DeleteLock(&shared.lock);
}

}  // namespace
}  // namespace DuRud
