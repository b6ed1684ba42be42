// The one clock source: real (CLOCK_MONOTONIC) or virtual.
#include "clock.h"

#include <time.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

namespace platform {
namespace {

// 100 ns intervals from 1601-01-01 to 1970-01-01.
constexpr int64_t kUnixEpochAsFileTime = 116444736000000000LL;

int64_t realMonotonic() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return int64_t{ts.tv_sec} * 1'000'000'000 + ts.tv_nsec;
}

int64_t realWallFileTime() {
    timespec ts;
    clock_gettime(CLOCK_REALTIME, &ts);
    return kUnixEpochAsFileTime + int64_t{ts.tv_sec} * 10'000'000 + ts.tv_nsec / 100;
}

std::atomic<bool> virtualOn{false};
std::atomic<int64_t> virtualNow{0};    // nanoseconds, valid while virtualOn
std::atomic<int64_t> virtualStart{0};  // virtual clock value at the switch
std::atomic<int64_t> wallAtSwitch{0};  // real wall time at the switch

// Moves the virtual clock forward to at least `target`; never backwards.
void advanceTo(int64_t target) {
    int64_t cur = virtualNow.load();
    while (cur < target && !virtualNow.compare_exchange_weak(cur, target)) {
    }
}

}  // namespace

bool ClockIsVirtual() {
    return virtualOn.load();
}

void ClockSetVirtual(bool on) {
    if (on == virtualOn.load()) return;
    if (on) {
        int64_t now = realMonotonic();
        now -= now % 1'000'000;  // a whole millisecond, so sleeps give whole counts
        virtualNow.store(now);
        virtualStart.store(now);
        wallAtSwitch.store(realWallFileTime());
        virtualOn.store(true);
    } else {
        virtualOn.store(false);
    }
}

int64_t ClockNowNanoseconds() {
    return virtualOn.load() ? virtualNow.load() : realMonotonic();
}
int64_t ClockNowMicroseconds() {
    return ClockNowNanoseconds() / 1000;
}
int64_t ClockNowMilliseconds() {
    return ClockNowNanoseconds() / 1'000'000;
}

int64_t ClockReadCounter() {
    if (virtualOn.load()) return virtualNow.fetch_add(100) / 100 + 1;
    return realMonotonic() / 100;
}

int64_t ClockWallFileTime() {
    if (virtualOn.load())
        return wallAtSwitch.load() + (virtualNow.load() - virtualStart.load()) / 100;
    return realWallFileTime();
}

void ClockSleepUntilNanoseconds(int64_t deadline) {
    if (virtualOn.load()) {
        advanceTo(deadline);
        std::this_thread::yield();
        return;
    }
    timespec ts;
    ts.tv_sec = deadline / 1'000'000'000;
    ts.tv_nsec = deadline % 1'000'000'000;
    if (deadline <= 0) return;
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) != 0) {
    }
}

void ClockSleepMilliseconds(DWORD ms) {
    if (ms == 0) {
        std::this_thread::yield();
        return;
    }
    ClockSleepUntilNanoseconds(ClockNowNanoseconds() + int64_t{ms} * 1'000'000);
}

bool ClockWaitFor(std::unique_lock<std::mutex>& lock, std::condition_variable& cv, DWORD timeoutMs,
                  const std::function<bool()>& ready) {
    if (ready()) return true;
    if (timeoutMs == 0) return false;
    if (timeoutMs == INFINITE) {
        cv.wait(lock, ready);
        return true;
    }
    if (virtualOn.load()) {
        int64_t deadline = virtualNow.load() + int64_t{timeoutMs} * 1'000'000;
        auto slice = std::chrono::milliseconds(std::min<DWORD>(timeoutMs, kVirtualWaitSliceMs));
        if (cv.wait_for(lock, slice, ready)) return true;
        advanceTo(deadline);
        return false;
    }
    auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    return cv.wait_until(lock, until, ready);
}

}  // namespace platform
