// The layer's one clock source: every timer, counter, sleep and wait of the
// stand-in reads and waits through here.
//
// Two modes:
//  - real: CLOCK_MONOTONIC; sleeps and waits take real time.
//  - virtual (tests, VESSAMIRE_VIRTUAL_CLOCK=1): time moves only when the
//    program sleeps or waits, so pacing and countdowns are exact and runs go
//    at full speed.
//
// The virtual clock's rule. The layer counts "participant" threads: the
// process's main thread, every thread made by CreateThread (from its creation
// to its end) and every thread that calls CreateThread. Threads started by
// libraries (audio callbacks and such) are not counted: they neither hold the
// clock back nor count as blocked, but their sleeps still wait their turn. A
// participant is "blocked" while it sleeps or waits in the layer (also while
// parked by SuspendThread or waiting for a taken critical section). Each
// sleep and each timed wait has a deadline (now + its time). Then:
//  * the clock moves only to the EARLIEST pending deadline, and only when
//    every participant is blocked and no thread that another made ready is
//    still on its way out of its wait (see "Handing a thread its way on"
//    below); the sleeper or waiter that owns that deadline moves it and
//    goes on (a wait: WAIT_TIMEOUT);
//  * a deadline already passed ends its sleep or wait at once;
//  * a wait that is satisfied (signalled) returns at once, clock unchanged;
//  * a participant that stays busy outside the layer (computing, reading a
//    file) holds the clock back at most kVirtualWaitSliceMs of real time per
//    step: after that the earliest deadline is taken anyway, so a thread
//    stuck elsewhere slows the clock to about real speed but never stops it;
//    in strict mode there is no such slice: the clock stands until every
//    participant is blocked, however slow a frame is (a spin that waits for
//    a sleeping thread then never ends: such a wait must block);
//  * each performance-counter read moves the clock one counter tick (100 ns),
//    so a busy-wait on the counter ends; Sleep(0) only yields.
// With one thread, Sleep(1000) returns at once with the clock 1000 ms on. With
// a busy main thread and a worker that sleeps in a loop, the worker does not
// run the clock ahead: it waits until the main thread sleeps or waits too.
// A signal that another running thread gives "soon" ends a timed wait, since
// the clock does not pass the wait's deadline while that thread runs.
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

// Real time for which a busy participant may hold the virtual clock back.
constexpr int kVirtualWaitSliceMs = 20;

// Performance-counter ticks per second (one tick = 100 ns).
constexpr int64_t kCounterFrequency = 10'000'000;

bool ClockIsVirtual();
void ClockSetVirtual(bool on);
// Strict mode of the virtual clock (see the rule above); off by default.
// The virtual clock (switched on if need be) reads `nanoseconds` from now on;
// deadlines already taken keep their values. For a program's start.
void ClockSetVirtualReading(int64_t nanoseconds);
// Moves the virtual clock forward to `nanoseconds`; false when it is not on
// or already stands past it.
bool ClockMoveVirtualTo(int64_t nanoseconds);
bool ClockIsStrict();
void ClockSetStrict(bool on);

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
// the virtual-clock rule above. `ready` is evaluated with `lock` held. Whoever
// makes `ready` true must notify `cv`. Returns true when ready, false on
// time-out. Lock order: `lock` is taken before the clock's own lock.
bool ClockWaitFor(std::unique_lock<std::mutex>& lock, std::condition_variable& cv, DWORD timeoutMs,
                  const std::function<bool()>& ready);

// The same until a clock reading (nanoseconds) instead of for a time.
bool ClockWaitUntil(std::unique_lock<std::mutex>& lock, std::condition_variable& cv,
                    int64_t deadline, const std::function<bool()>& ready);

// Participants (see above). A thread's creator joins (it is a running thread
// of the program) and adds the new thread before it starts; the new thread
// adopts that count as its own and removes it when it ends.
void ClockParticipantJoin();
void ClockParticipantAdd();
void ClockParticipantAdopt();
void ClockParticipantRemove();
// Takes back a ClockParticipantAdd whose thread never started.
void ClockParticipantRemoveCreated();

// Handing a thread its way on. A thread that another one makes ready (an
// object signalled, a lock left) still counts as blocked until it has run,
// so a giver that sleeps at once would find everyone blocked and move the
// clock past a thread that only needed a moment of real time; runs would
// then differ by how soon the machine scheduled it. Two guards:
//  - the layer's waits (waitable.h) report how many waiters a wake reached
//    that have not looked at their condition again; the clock stands still
//    while any have not (ClockSetStaleWaiters, under WaitLock());
//  - a lock left while others wait for it gives a wake (ClockWakeGiven):
//    the clock stands still until a waiter has taken the lock (or the giver
//    took it back first) and said so (ClockWakeTaken).
void ClockSetStaleWaiters(int count);
void ClockWakeGiven();
void ClockWakeTaken();

// Marks the calling thread blocked for the scope: for blocking calls that do
// not go through ClockWaitFor (a contended critical section).
class ClockBlockedScope {
  public:
    ClockBlockedScope();
    ~ClockBlockedScope();
    ClockBlockedScope(const ClockBlockedScope&) = delete;
    ClockBlockedScope& operator=(const ClockBlockedScope&) = delete;

  private:
    bool counted_ = false;
};

}  // namespace platform
