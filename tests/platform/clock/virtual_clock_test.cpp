// The virtual clock: time moves only when the program sleeps or waits.
#include <chrono>
#include <cstdlib>

#include <gtest/gtest.h>

#include "test_knobs.h"
#include "windows.h"

namespace {

using RealClock = std::chrono::steady_clock;

class VirtualClock : public testing::Test {
  protected:
    void SetUp() override { KnobSetVirtualClock(true); }
};

TEST_F(VirtualClock, SleepReturnsAtOnceWithTheClockMovedExactly) {
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

TEST_F(VirtualClock, BusyWaitOnTheCounterEnds) {
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

TEST_F(VirtualClock, UnsignalledWaitTimesOutWithTheClockMovedSignalledReturnsAtOnce) {
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

TEST_F(VirtualClock, SixHundredFramesAtSixtyPerSecondEndAtExactlyTenSeconds) {
    auto real0 = RealClock::now();
    const DWORD start = timeGetTime();
    // A frame keeper: frame n is due at start + n * 1000 / 60 ms.
    for (DWORD frame = 1; frame <= 600; ++frame) {
        DWORD due = start + frame * 1000 / 60;
        for (DWORD now = timeGetTime(); static_cast<LONG>(due - now) > 0; now = timeGetTime())
            Sleep(due - now);
    }
    EXPECT_EQ(timeGetTime() - start, 10000u);
    EXPECT_LT(RealClock::now() - real0, std::chrono::seconds(1));
}

TEST_F(VirtualClock, AnotherThreadsSignalEndsAWaitWithoutMovingTheClock) {
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

TEST_F(VirtualClock, CalendarTimeMovesWithTheVirtualClock) {
    FILETIME a, b;
    GetSystemTimeAsFileTime(&a);
    Sleep(5000);
    GetSystemTimeAsFileTime(&b);
    auto v = [](FILETIME f) { return (uint64_t{f.dwHighDateTime} << 32) | f.dwLowDateTime; };
    EXPECT_EQ(v(b) - v(a), 50'000'000u);
}

TEST(ClockKnob, ResetPutsTheClockBackToRealTime) {
    KnobSetVirtualClock(true);
    EXPECT_TRUE(KnobVirtualClock());
    KnobResetAll();
    EXPECT_FALSE(KnobVirtualClock());
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
