// The virtual clock: time moves only when the program sleeps or waits.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>

#include <gtest/gtest.h>

#include "test_knobs.h"
#include "win32/clock.h"
#include "windows.h"

namespace {

using RealClock = std::chrono::steady_clock;

class VirtualClock : public testing::Test {
  protected:
    void SetUp() override { KnobSetVirtualClock(true); }
};

using VirtualClockThreads = VirtualClock;

TEST_F(VirtualClockThreads, SleepReturnsAtOnceWithTheClockMovedExactly) {
    LARGE_INTEGER q0, q1, f;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&q0);
    DWORD t0 = timeGetTime();
    DWORD k0 = GetTickCount();
    auto real0 = RealClock::now();
    Sleep(1000);
    EXPECT_LT(RealClock::now() - real0, std::chrono::milliseconds(1000));
    EXPECT_EQ(timeGetTime() - t0, 1000u);
    EXPECT_EQ(GetTickCount() - k0, 1000u);
    QueryPerformanceCounter(&q1);
    // 1000 ms plus the one tick each counter read adds.
    EXPECT_EQ(q1.QuadPart - q0.QuadPart, f.QuadPart + 1);
}

TEST_F(VirtualClockThreads, BusyWaitOnTheCounterEnds) {
    LARGE_INTEGER f, start, now;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&start);
    long reads = 0;
    do {
        QueryPerformanceCounter(&now);
        ++reads;
    } while (now.QuadPart - start.QuadPart < f.QuadPart / 1000);  // 1 ms
    EXPECT_EQ(reads, f.QuadPart / 1000);                          // one tick per read
}

TEST_F(VirtualClockThreads, UnsignalledWaitTimesOutWithTheClockMovedSignalledReturnsAtOnce) {
    HANDLE e = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    DWORD t0 = timeGetTime();
    EXPECT_EQ(WaitForSingleObject(e, 100), WAIT_TIMEOUT);
    EXPECT_EQ(timeGetTime() - t0, 100u);
    SetEvent(e);
    DWORD t1 = timeGetTime();
    EXPECT_EQ(WaitForSingleObject(e, 100), WAIT_OBJECT_0);
    EXPECT_EQ(timeGetTime(), t1);
    EXPECT_EQ(WaitForSingleObject(e, 0), WAIT_OBJECT_0);
    CloseHandle(e);
}

TEST_F(VirtualClockThreads, SixHundredFramesAtSixtyPerSecondEndAtExactlyTenSeconds) {
    auto real0 = RealClock::now();
    const DWORD start = timeGetTime();
    // A frame keeper: frame n is due at start + n * 1000 / 60 ms.
    for (DWORD frame = 1; frame <= 600; ++frame) {
        DWORD due = start + frame * 1000 / 60;
        for (DWORD now = timeGetTime(); static_cast<LONG>(due - now) > 0; now = timeGetTime())
            Sleep(due - now);
    }
    EXPECT_EQ(timeGetTime() - start, 10000u);
    // Sleeping in real time would take the whole ten seconds; half of that
    // leaves a loaded machine room.
    EXPECT_LT(RealClock::now() - real0, std::chrono::seconds(5));
}

TEST_F(VirtualClockThreads, AnotherThreadsSignalEndsAWaitWithoutMovingTheClock) {
    HANDLE e = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    HANDLE t = CreateThread(
        nullptr, 0,
        [](LPVOID p) -> DWORD {
            SetEvent(static_cast<HANDLE>(p));
            return 0;
        },
        e, 0, nullptr);
    DWORD t0 = timeGetTime();
    EXPECT_EQ(WaitForSingleObject(e, INFINITE), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(t, INFINITE), WAIT_OBJECT_0);
    EXPECT_EQ(timeGetTime(), t0);
    CloseHandle(t);
    CloseHandle(e);
}

TEST_F(VirtualClockThreads, CalendarTimeMovesWithTheVirtualClock) {
    FILETIME a, b;
    GetSystemTimeAsFileTime(&a);
    Sleep(5000);
    GetSystemTimeAsFileTime(&b);
    auto v = [](FILETIME f) { return (uint64_t{f.dwHighDateTime} << 32) | f.dwLowDateTime; };
    EXPECT_EQ(v(b) - v(a), 50'000'000u);
}

TEST(ClockKnob, EnvironmentSwitchesTheVirtualClockOn) {
    setenv("VESSAMIRE_VIRTUAL_CLOCK", "1", 1);
    KnobApplyEnvironment();
    unsetenv("VESSAMIRE_VIRTUAL_CLOCK");
    EXPECT_TRUE(KnobVirtualClock());
}

TEST(RealClock, CountersAgreeAndSleepTakesAtLeastItsTime) {
    EXPECT_FALSE(KnobVirtualClock());
    DWORD t1 = timeGetTime();
    DWORD k = GetTickCount();
    DWORD t2 = timeGetTime();
    EXPECT_LE(t1, k);
    EXPECT_LE(k, t2);
    LARGE_INTEGER q0, q1;
    QueryPerformanceCounter(&q0);
    DWORD before = timeGetTime();
    Sleep(20);
    EXPECT_GE(timeGetTime() - before, 20u);
    QueryPerformanceCounter(&q1);
    EXPECT_GE(q1.QuadPart - q0.QuadPart, 20 * 10'000);
}

}  // namespace

namespace {

struct Stamp {
    DWORD sleep;
    std::atomic<DWORD> start{0};
    std::atomic<DWORD> woke{0};
};

DWORD WINAPI sleepAndStamp(LPVOID p) {
    auto* s = static_cast<Stamp*>(p);
    s->start = timeGetTime();
    Sleep(s->sleep);
    s->woke = timeGetTime();
    return 0;
}

TEST_F(VirtualClockThreads, SleepersWakeInDeadlineOrderAtTheirExactTimes) {
    Stamp a{30}, b{10};
    HANDLE ta = CreateThread(nullptr, 0, sleepAndStamp, &a, 0, nullptr);
    HANDLE tb = CreateThread(nullptr, 0, sleepAndStamp, &b, 0, nullptr);
    HANDLE both[2] = {ta, tb};
    EXPECT_EQ(WaitForMultipleObjects(2, both, TRUE, INFINITE), WAIT_OBJECT_0);
    // Each sleeper wakes exactly its own time after it fell asleep. (Under a
    // heavily loaded machine the second may start after the clock has moved,
    // so the order is only checked when both fell asleep at the same time.)
    EXPECT_EQ(a.woke.load() - a.start.load(), 30u);
    EXPECT_EQ(b.woke.load() - b.start.load(), 10u);
    if (a.start.load() == b.start.load()) {
        EXPECT_LT(b.woke.load(), a.woke.load());
    }
    EXPECT_EQ(timeGetTime(), std::max(a.woke.load(), b.woke.load()));
    CloseHandle(ta);
    CloseHandle(tb);
}

struct Looper {
    std::atomic<int> rounds{0};
};

DWORD WINAPI sleepInALoop(LPVOID p) {
    auto* l = static_cast<Looper*>(p);
    for (int i = 0; i < 100; ++i) {
        Sleep(10);
        ++l->rounds;
    }
    return 0;
}

TEST_F(VirtualClockThreads, ASleepingWorkerDoesNotRunTheClockAheadOfABusyThread) {
    const DWORD t0 = timeGetTime();
    Looper looper;
    HANDLE t = CreateThread(nullptr, 0, sleepInALoop, &looper, 0, nullptr);
    // Busy outside the layer for 60 ms of real time: the worker may take a
    // step only each time the busy thread has held the clock for a whole
    // real slice, so it cannot have run its 100 steps.
    auto until = RealClock::now() + std::chrono::milliseconds(60);
    while (RealClock::now() < until) {
    }
    EXPECT_LT(looper.rounds.load(), 10);
    EXPECT_LT(timeGetTime() - t0, 100u);
    // Once this thread waits, the worker's sleeps run through.
    EXPECT_EQ(WaitForSingleObject(t, INFINITE), WAIT_OBJECT_0);
    EXPECT_EQ(looper.rounds.load(), 100);
    EXPECT_EQ(timeGetTime() - t0, 1000u);
    CloseHandle(t);
}

struct Waiter {
    HANDLE event;
    std::atomic<DWORD> result{0xDEAD};
    std::atomic<DWORD> at{0};
};

TEST_F(VirtualClockThreads, ATimedWaitSeesASignalGivenBeforeItsDeadline) {
    const DWORD t0 = timeGetTime();
    Waiter w;
    w.event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    HANDLE t = CreateThread(
        nullptr, 0,
        [](LPVOID p) -> DWORD {
            auto* wt = static_cast<Waiter*>(p);
            wt->result = WaitForSingleObject(wt->event, 100);
            wt->at = timeGetTime();
            return 0;
        },
        &w, 0, nullptr);
    Sleep(50);
    SetEvent(w.event);
    EXPECT_EQ(WaitForSingleObject(t, INFINITE), WAIT_OBJECT_0);
    EXPECT_EQ(w.result.load(), WAIT_OBJECT_0);
    EXPECT_EQ(w.at.load() - t0, 50u);
    CloseHandle(t);
    CloseHandle(w.event);
}

}  // namespace

namespace {

TEST_F(VirtualClockThreads, ThreadsStartedOutsideTheLayerWaitTheirTurnButDoNotHoldTheClock) {
    const DWORD t0 = timeGetTime();
    HANDLE done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::atomic<int> rounds{0};
    std::thread outsider([&] {
        for (int i = 0; i < 100; ++i) {
            Sleep(10);
            ++rounds;
        }
        SetEvent(done);
    });
    // The main thread is busy: the outsider's sleeps wait for it.
    auto until = RealClock::now() + std::chrono::milliseconds(60);
    while (RealClock::now() < until) {
    }
    EXPECT_LT(rounds.load(), 10);
    EXPECT_EQ(WaitForSingleObject(done, INFINITE), WAIT_OBJECT_0);
    outsider.join();
    EXPECT_EQ(rounds.load(), 100);
    EXPECT_EQ(timeGetTime() - t0, 1000u);
    CloseHandle(done);
}

}  // namespace

namespace {

TEST(StrictClockThreads, ABusyThreadHoldsTheStrictClockUntilItBlocks) {
    for (bool strict : {true, false}) {
        KnobSetVirtualClock(true);
        KnobVirtualClockStrict(strict);
        const DWORD t0 = timeGetTime();
        Looper sleeper;  // 100 sleeps of 10 ms
        HANDLE t = CreateThread(nullptr, 0, sleepInALoop, &sleeper, 0, nullptr);
        auto until = RealClock::now() + std::chrono::milliseconds(100);
        while (RealClock::now() < until) {
        }
        // Strict: not one step while this thread is busy; else a step per slice.
        EXPECT_EQ(timeGetTime() == t0, strict) << strict;
        EXPECT_EQ(sleeper.rounds.load() == 0, strict) << strict;
        EXPECT_EQ(WaitForSingleObject(t, INFINITE), WAIT_OBJECT_0);
        EXPECT_EQ(timeGetTime() - t0, 1000u) << strict;
        CloseHandle(t);
    }
}

TEST(ClockKnob, StrictFromTheEnvironmentAndBackToRealOnReset) {
    setenv("VESSAMIRE_VIRTUAL_CLOCK", "strict", 1);
    KnobApplyEnvironment();
    unsetenv("VESSAMIRE_VIRTUAL_CLOCK");
    EXPECT_TRUE(KnobVirtualClock());
    EXPECT_TRUE(platform::ClockIsStrict());
    KnobResetAll();
    EXPECT_FALSE(KnobVirtualClock());
    EXPECT_FALSE(platform::ClockIsStrict());
}

}  // namespace

namespace {

// A thread blocked on something another thread hands on: it must run before
// the strict clock moves, however long the machine takes to schedule it,
// even when the giver sleeps at once.
struct HandOff {
    HANDLE event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    CRITICAL_SECTION section;
    HANDLE thread = nullptr;
    std::atomic<DWORD> at{0};
    HandOff() { InitializeCriticalSection(&section); }
    ~HandOff() {
        DeleteCriticalSection(&section);
        CloseHandle(event);
        CloseHandle(thread);
    }
};

DWORD WINAPI noteTheTime(LPVOID p) {
    static_cast<HandOff*>(p)->at = timeGetTime();
    return 0;
}

struct HandOffRow {
    const char* name;
    void (*block)(HandOff&);  // starts the thread, which blocks
    void (*give)(HandOff&);
};

const HandOffRow handOffRows[] = {
    {"an event set",
     [](HandOff& h) {
         h.thread = CreateThread(
             nullptr, 0,
             [](LPVOID p) -> DWORD {
                 WaitForSingleObject(static_cast<HandOff*>(p)->event, INFINITE);
                 return noteTheTime(p);
             },
             &h, 0, nullptr);
     },
     [](HandOff& h) { SetEvent(h.event); }},
    {"a critical section left",
     [](HandOff& h) {
         EnterCriticalSection(&h.section);
         h.thread = CreateThread(
             nullptr, 0,
             [](LPVOID p) -> DWORD {
                 auto* h = static_cast<HandOff*>(p);
                 EnterCriticalSection(&h->section);
                 noteTheTime(p);
                 LeaveCriticalSection(&h->section);
                 return 0;
             },
             &h, 0, nullptr);
     },
     [](HandOff& h) { LeaveCriticalSection(&h.section); }},
    {"a thread created suspended resumed",
     [](HandOff& h) {
         h.thread = CreateThread(nullptr, 0, noteTheTime, &h, CREATE_SUSPENDED, nullptr);
     },
     [](HandOff& h) { ResumeThread(h.thread); }},
    {"a thread that parked itself resumed",
     [](HandOff& h) {
         h.thread = CreateThread(
             nullptr, 0,
             [](LPVOID p) -> DWORD {
                 SuspendThread(GetCurrentThread());
                 return noteTheTime(p);
             },
             &h, 0, nullptr);
     },
     [](HandOff& h) { EXPECT_EQ(ResumeThread(h.thread), 1u) << "parked when resumed"; }},
};

TEST(StrictClockThreads, AThreadHandedItsWayOnRunsBeforeTheClockMoves) {
    KnobVirtualClockStrict(true);
    for (const HandOffRow& row : handOffRows) {
        HandOff h;
        row.block(h);
        Sleep(1);  // returns once the new thread is blocked
        const DWORD given = timeGetTime();
        row.give(h);
        for (int k = 0; k < 20; ++k) Sleep(1);
        // A thread that never runs fails the row instead of holding the test.
        EXPECT_EQ(WaitForSingleObject(h.thread, 10000), WAIT_OBJECT_0) << row.name;
        EXPECT_EQ(h.at.load(), given) << row.name;
    }
}

}  // namespace
