// Events and waits: automatic and manual reset under eight threads, waits on
// several objects, and refusals of bad handles and arguments.
#include <atomic>
#include <vector>

#include <gtest/gtest.h>

#include "windows.h"
#include "support/error_checks.h"
#include "support/test_support.h"

namespace {

constexpr int kThreads = 8;

struct Gate {
    HANDLE event = nullptr;
    std::atomic<int> passed{0};
};

DWORD WINAPI passGate(LPVOID p) {
    auto* g = static_cast<Gate*>(p);
    if (WaitForSingleObject(g->event, INFINITE) != WAIT_OBJECT_0) return 1;
    ++g->passed;
    return 0;
}

std::vector<HANDLE> startThreads(LPTHREAD_START_ROUTINE routine, void* arg, int n) {
    std::vector<HANDLE> threads;
    for (int i = 0; i < n; ++i) {
        HANDLE h = CreateThread(nullptr, 0, routine, arg, 0, nullptr);
        EXPECT_NE(h, nullptr);
        threads.push_back(h);
    }
    return threads;
}

void joinAll(std::vector<HANDLE>& threads) {
    EXPECT_EQ(
        WaitForMultipleObjects(static_cast<DWORD>(threads.size()), threads.data(), TRUE, INFINITE),
        WAIT_OBJECT_0);
    for (HANDLE h : threads) {
        DWORD code = 1;
        EXPECT_TRUE(GetExitCodeThread(h, &code));
        EXPECT_EQ(code, 0u);
        CloseHandle(h);
    }
}

TEST(EventsUnderThreads, AutoResetReleasesExactlyOneWaiterPerSet) {
    Gate gate;
    gate.event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    ASSERT_NE(gate.event, nullptr);
    auto threads = startThreads(passGate, &gate, kThreads);
    for (int i = 1; i <= kThreads; ++i) {
        ASSERT_TRUE(SetEvent(gate.event));
        testsupport::WaitUntil([&] { return gate.passed.load() >= i; }, testsupport::kWaitLimit,
                               "a waiter passing the gate");
        // The one set was used up by one waiter: nobody else passes.
        EXPECT_EQ(WaitForSingleObject(gate.event, 20), WAIT_TIMEOUT);
        EXPECT_EQ(gate.passed.load(), i);
    }
    joinAll(threads);
    CloseHandle(gate.event);
}

TEST(EventsUnderThreads, ManualResetReleasesAllWaitersAndStaysSet) {
    Gate gate;
    gate.event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    auto threads = startThreads(passGate, &gate, kThreads);
    ASSERT_TRUE(SetEvent(gate.event));
    joinAll(threads);
    EXPECT_EQ(gate.passed.load(), kThreads);
    EXPECT_EQ(WaitForSingleObject(gate.event, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(gate.event, 0), WAIT_OBJECT_0);
    ASSERT_TRUE(ResetEvent(gate.event));
    EXPECT_EQ(WaitForSingleObject(gate.event, 0), WAIT_TIMEOUT);
    CloseHandle(gate.event);
}

// A baton passed round eight threads through their own auto-reset events:
// a lost or doubled wake-up shows as a wrong count or a hang.
struct Ring {
    HANDLE events[kThreads];
    int counter = 0;  // touched only by the baton holder
    std::atomic<int> next{0};
};
constexpr int kRounds = 500;

DWORD WINAPI ringMember(LPVOID p) {
    auto* r = static_cast<Ring*>(p);
    int me = r->next++;
    for (int round = 0; round < kRounds; ++round) {
        if (WaitForSingleObject(r->events[me], INFINITE) != WAIT_OBJECT_0) return 1;
        ++r->counter;
        SetEvent(r->events[(me + 1) % kThreads]);
    }
    return 0;
}

TEST(EventsUnderThreads, BatonRingCountsExactly) {
    Ring ring;
    for (auto& e : ring.events) e = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    auto threads = startThreads(ringMember, &ring, kThreads);
    SetEvent(ring.events[0]);
    joinAll(threads);
    EXPECT_EQ(ring.counter, kThreads * kRounds);
    for (auto e : ring.events) CloseHandle(e);
}

TEST(Events, InitialStateAndNames) {
    HANDLE set = CreateEventA(nullptr, FALSE, TRUE, nullptr);
    EXPECT_EQ(WaitForSingleObject(set, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(set, 0), WAIT_TIMEOUT);  // auto reset used it up

    HANDLE a = CreateEventA(nullptr, TRUE, FALSE, "VessamireTestEvent");
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
    HANDLE b = CreateEventA(nullptr, FALSE, TRUE, "VessamireTestEvent");
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    ASSERT_NE(b, nullptr);
    EXPECT_NE(a, b);
    EXPECT_EQ(WaitForSingleObject(b, 0), WAIT_TIMEOUT);  // the first creation's state holds
    SetEvent(b);
    EXPECT_EQ(WaitForSingleObject(a, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(a, 0), WAIT_OBJECT_0);  // manual reset, as first created
    CloseHandle(a);
    CloseHandle(b);
    HANDLE c = CreateEventA(nullptr, FALSE, FALSE, "VessamireTestEvent");
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));  // the old one is gone
    CloseHandle(c);
    CloseHandle(set);
}

TEST(WaitMultiple, AnyReportsTheLowestSignalledIndexAndConsumesOnlyIt) {
    HANDLE e[3];
    for (auto& h : e) h = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    EXPECT_EQ(WaitForMultipleObjects(3, e, FALSE, 0), WAIT_TIMEOUT);
    SetEvent(e[2]);
    SetEvent(e[1]);
    EXPECT_EQ(WaitForMultipleObjects(3, e, FALSE, 0), WAIT_OBJECT_0 + 1);
    EXPECT_EQ(WaitForMultipleObjects(3, e, FALSE, 0), WAIT_OBJECT_0 + 2);
    EXPECT_EQ(WaitForMultipleObjects(3, e, FALSE, 0), WAIT_TIMEOUT);
    for (auto h : e) CloseHandle(h);
}

TEST(WaitMultiple, AllTakesEveryObjectTogetherOrNone) {
    HANDLE e[2];
    for (auto& h : e) h = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    SetEvent(e[0]);
    EXPECT_EQ(WaitForMultipleObjects(2, e, TRUE, 10), WAIT_TIMEOUT);
    EXPECT_EQ(WaitForSingleObject(e[0], 0), WAIT_OBJECT_0);  // the failed wait-all left it set
    SetEvent(e[0]);
    SetEvent(e[1]);
    EXPECT_EQ(WaitForMultipleObjects(2, e, TRUE, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForMultipleObjects(2, e, FALSE, 0), WAIT_TIMEOUT);  // both used up
    for (auto h : e) CloseHandle(h);
}

TEST(WaitRefusals, StaleAndMadeUpHandlesFailWithInvalidHandle) {
    HANDLE e = CreateEventA(nullptr, TRUE, TRUE, nullptr);
    ASSERT_TRUE(CloseHandle(e));
    HANDLE madeUp = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(0x7770));
    for (HANDLE bad : {e, madeUp, static_cast<HANDLE>(nullptr), INVALID_HANDLE_VALUE}) {
        EXPECT_ERROR(WaitForSingleObject(bad, INFINITE), WAIT_FAILED, ERROR_INVALID_HANDLE);
    }
    EXPECT_ERROR(SetEvent(e), FALSE, ERROR_INVALID_HANDLE);
    EXPECT_FALSE(ResetEvent(madeUp));
    EXPECT_FALSE(CloseHandle(e));

    // One bad handle among good ones fails the whole wait.
    HANDLE good = CreateEventA(nullptr, TRUE, TRUE, nullptr);
    HANDLE mixed[2] = {good, e};
    EXPECT_ERROR(WaitForMultipleObjects(2, mixed, FALSE, INFINITE), WAIT_FAILED,
                 ERROR_INVALID_HANDLE);
    CloseHandle(good);
}

TEST(WaitRefusals, BadCountsArraysAndDuplicatesFailWithInvalidParameter) {
    HANDLE e = CreateEventA(nullptr, TRUE, TRUE, nullptr);
    std::vector<HANDLE> many(MAXIMUM_WAIT_OBJECTS + 1, e);
    HANDLE twice[2] = {e, e};
    auto expectInvalid = [](DWORD result) {
        EXPECT_EQ(result, WAIT_FAILED);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    };
    expectInvalid(WaitForMultipleObjects(0, &e, FALSE, 0));
    expectInvalid(WaitForMultipleObjects(static_cast<DWORD>(many.size()), many.data(), FALSE, 0));
    expectInvalid(WaitForMultipleObjects(2, nullptr, FALSE, 0));
    expectInvalid(WaitForMultipleObjects(2, twice, TRUE, 0));
    EXPECT_EQ(WaitForMultipleObjects(2, twice, FALSE, 0), WAIT_OBJECT_0);  // wait-any allows it
    CloseHandle(e);
}

}  // namespace
