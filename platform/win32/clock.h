// The layer's one clock source: every timer, counter, sleep and wait of the
// stand-in reads and waits through here.
//
// Two modes:
//  - real: CLOCK_MONOTONIC; sleeps and waits take real time.
//  - virtual (tests, VESSAMIRE_VIRTUAL_CLOCK=1): time moves only when the
//    program sleeps or waits, so pacing and countdowns are exact and runs go
//    at full speed:
//      * a sleep of n ms moves the clock to (now + n) and returns at once;
//        with several threads sleeping, the clock never moves backwards: it
//        becomes the latest deadline any sleeper asked for;
//      * each performance-counter read moves the clock one counter tick
//        (100 ns), so a busy-wait on the counter ends;
//      * a wait with a time-out first waits a short real slice
//        (kVirtualWaitSliceMs) for another thread to satisfy it; satisfied:
//        it returns at once with the clock unchanged; not: the clock moves to
//        the wait's deadline and the wait times out. An INFINITE wait is a real
//        wait. So a signal that another thread gives "soon" (within the slice)
//        is seen; work that really takes longer shows as a virtual time-out.
//
// Clock values are nanoseconds on one monotonic scale; switching modes keeps
// the value continuous (virtual time starts where real time stood).
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>

#include "win_types.h"

namespace platform {

// Real time a virtual-clock wait gives other threads before it times out.
constexpr int kVirtualWaitSliceMs = 20;

// Performance-counter ticks per second (one tick = 100 ns).
constexpr int64_t kCounterFrequency = 10'000'000;

bool ClockIsVirtual();
void ClockSetVirtual(bool on);

// Now, in nanoseconds / microseconds / milliseconds on the monotonic scale.
int64_t ClockNowNanoseconds();
int64_t ClockNowMicroseconds();
int64_t ClockNowMilliseconds();

// Performance-counter value (100 ns ticks); under the virtual clock each read
// moves the clock one tick.
int64_t ClockReadCounter();

// Wall-clock time as 100 ns intervals since 1601-01-01 UTC. Under the virtual
// clock it runs on from the real wall time at the switch, moving with the
// virtual clock.
int64_t ClockWallFileTime();

// Sleep for a duration / until a clock value (nanoseconds). Sleep of 0 yields.
void ClockSleepMilliseconds(DWORD ms);
void ClockSleepUntilNanoseconds(int64_t deadline);

// Waits on `cv` (`lock` held, as for std::condition_variable) until `ready()`
// holds or `timeoutMs` of clock time pass (INFINITE: no time-out), following
// the virtual-clock rule above. `ready` is evaluated with `lock` held.
// Returns true when ready, false on time-out.
bool ClockWaitFor(std::unique_lock<std::mutex>& lock, std::condition_variable& cv, DWORD timeoutMs,
                  const std::function<bool()>& ready);

}  // namespace platform
