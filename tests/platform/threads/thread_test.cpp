// Threads: suspended start, self-suspension, exit codes, handles that outlive
// their thread, priorities and refusals.
#include <atomic>
#include <string>

#include <gtest/gtest.h>

#include "../../../platform/win32/kernel_objects.h"
#include "windows.h"
#include "support/error_checks.h"
#include "support/test_support.h"

namespace {

DWORD WINAPI setFlag(LPVOID p) {
    static_cast<std::atomic<int>*>(p)->store(1);
    return 5;
}

TEST(ThreadStartThreads, SuspendedThreadRunsOnlyAfterItsLastResume) {
    std::atomic<int> ran{0};
    DWORD id = 0;
    HANDLE h = CreateThread(nullptr, 0, setFlag, &ran, CREATE_SUSPENDED, &id);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(GetThreadId(h), id);
    DWORD code = 0;
    ASSERT_TRUE(GetExitCodeThread(h, &code));
    EXPECT_EQ(code, STILL_ACTIVE);
    EXPECT_EQ(SuspendThread(h), 1u);  // previous counts: 1, then 2
    EXPECT_EQ(ResumeThread(h), 2u);
    EXPECT_EQ(WaitForSingleObject(h, 50), WAIT_TIMEOUT);
    EXPECT_EQ(ran.load(), 0);
    EXPECT_EQ(ResumeThread(h), 1u);
    EXPECT_EQ(WaitForSingleObject(h, INFINITE), WAIT_OBJECT_0);
    EXPECT_EQ(ran.load(), 1);
    EXPECT_EQ(ResumeThread(h), 0u);  // not suspended any more
    ASSERT_TRUE(GetExitCodeThread(h, &code));
    EXPECT_EQ(code, 5u);
    EXPECT_TRUE(CloseHandle(h));
}

TEST(ThreadStartThreads, RunningThreadStartsAndOwnIdIsReported) {
    struct Shared {
        std::atomic<DWORD> seenId{0};
    } s;
    DWORD id = 0;
    HANDLE h = CreateThread(
        nullptr, 256 * 1024,
        [](LPVOID p) -> DWORD {
            static_cast<Shared*>(p)->seenId = GetCurrentThreadId();
            return 0;
        },
        &s, 0, &id);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(WaitForSingleObject(h, INFINITE), WAIT_OBJECT_0);
    EXPECT_EQ(s.seenId.load(), id);
    EXPECT_NE(id, GetCurrentThreadId());
    CloseHandle(h);
}

TEST(ThreadStart, BadArgumentsAreRefused) {
    EXPECT_ERROR(CreateThread(nullptr, 0, nullptr, nullptr, 0, nullptr), nullptr,
                 ERROR_INVALID_PARAMETER);
    std::atomic<int> ran{0};
    EXPECT_ERROR(CreateThread(nullptr, 0, setFlag, &ran, 0x80000000u, nullptr), nullptr,
                 ERROR_INVALID_PARAMETER);
    EXPECT_EQ(ran.load(), 0);
}

struct ParkShared {
    std::atomic<int> stage{0};
    std::atomic<DWORD> suspendResult{0xDEAD};
    HANDLE go = nullptr;
};

DWORD WINAPI parkSelf(LPVOID p) {
    auto* s = static_cast<ParkShared*>(p);
    if (s->go) WaitForSingleObject(s->go, INFINITE);
    s->stage = 1;
    s->suspendResult = SuspendThread(GetCurrentThread());
    s->stage = 2;
    return 0;
}

// Resumes until a resume finds the thread suspended (a resume that comes
// before the thread parks itself is lost, as on Windows).
void resumeParked(HANDLE h) {
    testsupport::WaitUntil([&] { return ResumeThread(h) != 0; }, testsupport::kWaitLimit,
                           "a resume that finds the thread parked");
}

TEST(ThreadSuspendThreads, SelfSuspendedThreadStaysParkedUntilResumed) {
    ParkShared s;
    HANDLE h = CreateThread(nullptr, 0, parkSelf, &s, 0, nullptr);
    ASSERT_NE(h, nullptr);
    testsupport::WaitUntil([&] { return s.stage.load() == 1; }, testsupport::kWaitLimit,
                           "the thread parking itself");
    EXPECT_EQ(WaitForSingleObject(h, 50), WAIT_TIMEOUT);
    EXPECT_EQ(s.stage.load(), 1);
    resumeParked(h);
    EXPECT_EQ(WaitForSingleObject(h, INFINITE), WAIT_OBJECT_0);
    EXPECT_EQ(s.stage.load(), 2);
    EXPECT_EQ(s.suspendResult.load(), 0u);
    CloseHandle(h);
}

TEST(ThreadSuspendThreads, ResumeBeforeTheSelfSuspendIsLost) {
    ParkShared s;
    s.go = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE h = CreateThread(nullptr, 0, parkSelf, &s, 0, nullptr);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(ResumeThread(h), 0u);  // running (blocked in a wait): nothing to resume
    SetEvent(s.go);
    testsupport::WaitUntil([&] { return s.stage.load() == 1; }, testsupport::kWaitLimit,
                           "the thread parking itself");
    EXPECT_EQ(WaitForSingleObject(h, 50), WAIT_TIMEOUT);  // the early resume did not count
    EXPECT_EQ(s.stage.load(), 1);
    resumeParked(h);
    EXPECT_EQ(WaitForSingleObject(h, INFINITE), WAIT_OBJECT_0);
    CloseHandle(h);
    CloseHandle(s.go);
}

TEST(ThreadSuspendThreads, RunningOtherThreadCannotBeSuspended) {
    HANDLE go = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE h = CreateThread(
        nullptr, 0,
        [](LPVOID p) -> DWORD { return WaitForSingleObject(static_cast<HANDLE>(p), INFINITE); }, go,
        0, nullptr);
    ASSERT_NE(h, nullptr);
    EXPECT_ERROR(SuspendThread(h), static_cast<DWORD>(-1), ERROR_NOT_SUPPORTED);
    SetEvent(go);
    EXPECT_EQ(WaitForSingleObject(h, INFINITE), WAIT_OBJECT_0);
    CloseHandle(h);
    CloseHandle(go);
}

struct Unwound {
    std::atomic<int>* count;
    ~Unwound() { ++*count; }
};

void exitFromDeepInside(std::atomic<int>* count) {
    Unwound u{count};
    ExitThread(77);
}

TEST(ThreadExitThreads, ExitThreadSetsCodeAndUnwinds) {
    std::atomic<int> destroyed{0};
    HANDLE h = CreateThread(
        nullptr, 0,
        [](LPVOID p) -> DWORD {
            exitFromDeepInside(static_cast<std::atomic<int>*>(p));
            return 1;  // not reached
        },
        &destroyed, 0, nullptr);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(WaitForSingleObject(h, INFINITE), WAIT_OBJECT_0);
    DWORD code = 0;
    ASSERT_TRUE(GetExitCodeThread(h, &code));
    EXPECT_EQ(code, 77u);
    EXPECT_EQ(destroyed.load(), 1);
    CloseHandle(h);
}

TEST(ThreadExitThreads, WaitEndsWithTheThreadAndHandleStaysValidUntilClosed) {
    HANDLE go = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    HANDLE h = CreateThread(
        nullptr, 0,
        [](LPVOID p) -> DWORD {
            WaitForSingleObject(static_cast<HANDLE>(p), INFINITE);
            return 42;
        },
        go, 0, nullptr);
    ASSERT_NE(h, nullptr);
    DWORD code = 0;
    ASSERT_TRUE(GetExitCodeThread(h, &code));
    EXPECT_EQ(code, STILL_ACTIVE);
    EXPECT_EQ(WaitForSingleObject(h, 0), WAIT_TIMEOUT);
    SetEvent(go);
    EXPECT_EQ(WaitForSingleObject(h, INFINITE), WAIT_OBJECT_0);
    // Finished threads stay signalled and readable until the handle is closed.
    EXPECT_EQ(WaitForSingleObject(h, 0), WAIT_OBJECT_0);
    ASSERT_TRUE(GetExitCodeThread(h, &code));
    EXPECT_EQ(code, 42u);
    EXPECT_TRUE(CloseHandle(h));
    EXPECT_ERROR(GetExitCodeThread(h, &code), FALSE, ERROR_INVALID_HANDLE);
    EXPECT_ERROR(WaitForSingleObject(h, 0), WAIT_FAILED, ERROR_INVALID_HANDLE);
    CloseHandle(go);
}

TEST(ThreadExitThreads, ClosingTheHandleOfARunningThreadLeavesItRunningAndLeaksNothing) {
    size_t before = platform::KernelHandleCount();
    HANDLE go = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    struct Pair {
        HANDLE go, done;
    } pair{go, done};
    HANDLE h = CreateThread(
        nullptr, 0,
        [](LPVOID p) -> DWORD {
            auto* pr = static_cast<Pair*>(p);
            WaitForSingleObject(pr->go, INFINITE);
            SetEvent(pr->done);
            return 0;
        },
        &pair, 0, nullptr);
    ASSERT_NE(h, nullptr);
    EXPECT_TRUE(CloseHandle(h));
    SetEvent(go);
    EXPECT_EQ(WaitForSingleObject(done, INFINITE), WAIT_OBJECT_0);
    CloseHandle(go);
    CloseHandle(done);
    EXPECT_EQ(platform::KernelHandleCount(), before);
}

TEST(ThreadPriorityThreads, LevelsAreKeptAndBadOnesRefused) {
    std::atomic<int> ran{0};
    HANDLE h = CreateThread(nullptr, 0, setFlag, &ran, CREATE_SUSPENDED, nullptr);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(GetThreadPriority(h), THREAD_PRIORITY_NORMAL);
    EXPECT_TRUE(SetThreadPriority(h, THREAD_PRIORITY_LOWEST));
    EXPECT_EQ(GetThreadPriority(h), THREAD_PRIORITY_LOWEST);
    EXPECT_TRUE(SetThreadPriority(h, THREAD_PRIORITY_TIME_CRITICAL));
    EXPECT_ERROR(SetThreadPriority(h, 7), FALSE, ERROR_INVALID_PARAMETER);
    EXPECT_EQ(GetThreadPriority(h), THREAD_PRIORITY_TIME_CRITICAL);
    EXPECT_TRUE(SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL));
    EXPECT_EQ(GetThreadPriority(GetCurrentThread()), THREAD_PRIORITY_BELOW_NORMAL);
    ResumeThread(h);
    WaitForSingleObject(h, INFINITE);
    CloseHandle(h);
}

TEST(ThreadHandles, MadeUpAndWrongKindHandlesAreRefused) {
    HANDLE madeUp = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(0x12340));
    DWORD code;
    for (HANDLE bad : {madeUp, static_cast<HANDLE>(nullptr), INVALID_HANDLE_VALUE}) {
        EXPECT_ERROR(ResumeThread(bad), static_cast<DWORD>(-1), ERROR_INVALID_HANDLE);
        EXPECT_ERROR(SuspendThread(bad), static_cast<DWORD>(-1), ERROR_INVALID_HANDLE);
        EXPECT_FALSE(GetExitCodeThread(bad, &code));
        EXPECT_EQ(GetThreadPriority(bad), THREAD_PRIORITY_ERROR_RETURN);
    }
    HANDLE event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    SetLastError(0);
    EXPECT_EQ(ResumeThread(event), static_cast<DWORD>(-1));  // an event is no thread
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_FALSE(GetExitCodeThread(GetCurrentThread(), nullptr));
    CloseHandle(event);
}

}  // namespace
