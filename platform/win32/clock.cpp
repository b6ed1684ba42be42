// The one clock source: real (CLOCK_MONOTONIC) or virtual, and the virtual
// clock's scheduler (earliest deadline first, once every participant is
// blocked; see clock.h).
#include "clock.h"

#include <algorithm>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <set>
#include <thread>

namespace platform {
namespace {

// 100 ns intervals from 1601-01-01 to 1970-01-01.
constexpr int64_t kUnixEpochAsFileTime = 116444736000000000LL;
// How often a virtual sleeper or waiter looks at the clock again.
constexpr auto kPoll = std::chrono::milliseconds(1);
constexpr auto kSlice = std::chrono::milliseconds(kVirtualWaitSliceMs);

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
std::atomic<bool> strictOn{false};     // no real-time slice for busy participants
std::atomic<int64_t> virtualNow{0};    // nanoseconds, valid while virtualOn
std::atomic<int64_t> virtualStart{0};  // virtual clock value at the switch
std::atomic<int64_t> wallAtSwitch{0};  // real wall time at the switch

// Moves the virtual clock forward to at least `target`; never backwards.
void advanceTo(int64_t target) {
    int64_t cur = virtualNow.load();
    while (cur < target && !virtualNow.compare_exchange_weak(cur, target)) {
    }
}

struct Scheduler {
    std::mutex lock;
    std::condition_variable changed;  // a deadline, the blocked count or the clock changed
    int participants = 1;             // the process's main thread, from the start
    int blocked = 0;
    int waking = 0;             // wakes given and not yet taken (see ClockWakeGiven)
    std::atomic<int> stale{0};  // waiters a wake reached that have not looked again
    std::multiset<int64_t> deadlines;
    // When a thread last fell asleep, woke or the clock last moved. A busy
    // thread's real-time slice counts from here, so a thread that has just
    // woken gets a whole slice to act before others' deadlines pass it by.
    std::chrono::steady_clock::time_point lastChange{};
};

Scheduler& scheduler() {
    static Scheduler* s = new Scheduler;  // used by threads that outlive static destruction
    return *s;
}

// Whether the calling thread counts as a participant: the main thread from
// the start, threads made by or making CreateThread from then on.
struct Registration {
    Registration() : counted(gettid() == getpid()) {}
    bool counted;
    ~Registration() {
        if (!counted) return;
        Scheduler& s = scheduler();
        std::lock_guard<std::mutex> g(s.lock);
        --s.participants;
        s.changed.notify_all();
    }
};
thread_local Registration registration;

// With the scheduler lock held: counts the calling thread blocked when it is
// a participant. Returns whether it did.
bool countBlockedLocked(Scheduler& s) {
    if (!registration.counted) return false;
    ++s.blocked;
    return true;
}

// One blocked stretch of the calling thread, with or without a deadline.
class Blocked {
  public:
    explicit Blocked(int64_t deadline = -1) {
        Scheduler& s = scheduler();
        std::lock_guard<std::mutex> g(s.lock);
        counted_ = countBlockedLocked(s);
        if (deadline >= 0) {
            entry_ = s.deadlines.insert(deadline);
            hasDeadline_ = true;
        }
        s.lastChange = std::chrono::steady_clock::now();
        s.changed.notify_all();
    }
    ~Blocked() {
        Scheduler& s = scheduler();
        std::lock_guard<std::mutex> g(s.lock);
        if (counted_) --s.blocked;
        if (hasDeadline_) s.deadlines.erase(entry_);
        s.lastChange = std::chrono::steady_clock::now();
        s.changed.notify_all();
    }

    // With the scheduler lock held: true when the deadline has come, moving
    // the clock to it when the rule allows.
    bool dueLocked(int64_t deadline, std::chrono::steady_clock::time_point since) {
        Scheduler& s = scheduler();
        if (!virtualOn.load() || virtualNow.load() >= deadline) return true;
        if (*s.deadlines.begin() < deadline) return false;  // an earlier one goes first
        const auto from = std::max(since, s.lastChange);
        const bool inSlice = strictOn.load() || std::chrono::steady_clock::now() - from < kSlice;
        if ((s.waking > 0 || s.stale.load() > 0) && inSlice)
            return false;  // a thread made ready has yet to run
        if (s.blocked < s.participants && inSlice)
            return false;  // somebody still runs: give it its chance
        advanceTo(deadline);
        s.lastChange = std::chrono::steady_clock::now();
        s.changed.notify_all();
        return true;
    }

  private:
    std::multiset<int64_t>::iterator entry_;
    bool hasDeadline_ = false;
    bool counted_ = false;
};

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
        std::lock_guard<std::mutex> g(scheduler().lock);
        scheduler().changed.notify_all();  // virtual sleepers end
    }
}

void ClockSetVirtualReading(int64_t nanoseconds) {
    if (!virtualOn.load()) ClockSetVirtual(true);
    // The wall clock stays where it was: only the monotonic scale moves.
    wallAtSwitch.store(wallAtSwitch.load() + (virtualNow.load() - virtualStart.load()) / 100);
    virtualNow.store(nanoseconds);
    virtualStart.store(nanoseconds);
    std::lock_guard<std::mutex> g(scheduler().lock);
    scheduler().changed.notify_all();
}

bool ClockMoveVirtualTo(int64_t nanoseconds) {
    if (!virtualOn.load() || virtualNow.load() > nanoseconds) return false;
    advanceTo(nanoseconds);
    std::lock_guard<std::mutex> g(scheduler().lock);
    scheduler().lastChange = std::chrono::steady_clock::now();
    scheduler().changed.notify_all();  // sleepers whose deadline passed go on
    return true;
}

bool ClockIsStrict() {
    return strictOn.load();
}

void ClockSetStrict(bool on) {
    strictOn.store(on);
    std::lock_guard<std::mutex> g(scheduler().lock);
    scheduler().changed.notify_all();
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
        Blocked blocked(deadline);
        auto since = std::chrono::steady_clock::now();
        Scheduler& s = scheduler();
        std::unique_lock<std::mutex> l(s.lock);
        while (!blocked.dueLocked(deadline, since)) s.changed.wait_for(l, kPoll);
        return;
    }
    if (deadline <= realMonotonic()) return;
    Blocked blocked;
    timespec ts;
    ts.tv_sec = deadline / 1'000'000'000;
    ts.tv_nsec = deadline % 1'000'000'000;
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
        Blocked blocked;
        cv.wait(lock, ready);
        return true;
    }
    return ClockWaitUntil(lock, cv, ClockNowNanoseconds() + int64_t{timeoutMs} * 1'000'000, ready);
}

bool ClockWaitUntil(std::unique_lock<std::mutex>& lock, std::condition_variable& cv,
                    int64_t deadline, const std::function<bool()>& ready) {
    if (ready()) return true;
    if (virtualOn.load()) {
        Blocked blocked(deadline);
        auto since = std::chrono::steady_clock::now();
        for (;;) {
            if (ready()) return true;
            {
                std::lock_guard<std::mutex> g(scheduler().lock);
                if (blocked.dueLocked(deadline, since)) break;
            }
            cv.wait_for(lock, kPoll);
        }
        return ready();  // a signal that came with the deadline still counts
    }
    if (deadline <= realMonotonic()) return false;
    Blocked blocked;
    // The real clock is CLOCK_MONOTONIC, which is what steady_clock reads.
    const std::chrono::steady_clock::time_point until{std::chrono::nanoseconds(deadline)};
    return cv.wait_until(lock, until, ready);
}

void ClockParticipantJoin() {
    if (registration.counted) return;
    std::lock_guard<std::mutex> g(scheduler().lock);
    registration.counted = true;
    ++scheduler().participants;
}

void ClockParticipantAdd() {
    std::lock_guard<std::mutex> g(scheduler().lock);
    ++scheduler().participants;
}

void ClockParticipantAdopt() {
    registration.counted = true;
}

void ClockParticipantRemove() {
    if (!registration.counted) return;
    registration.counted = false;
    std::lock_guard<std::mutex> g(scheduler().lock);
    --scheduler().participants;
    scheduler().changed.notify_all();
}

void ClockParticipantRemoveCreated() {
    std::lock_guard<std::mutex> g(scheduler().lock);
    --scheduler().participants;
    scheduler().changed.notify_all();
}

void ClockSetStaleWaiters(int count) {
    Scheduler& s = scheduler();
    if (s.stale.exchange(count) == count || count != 0) return;
    std::lock_guard<std::mutex> g(s.lock);
    s.lastChange = std::chrono::steady_clock::now();
    s.changed.notify_all();  // the clock may move again
}

void ClockWakeGiven() {
    std::lock_guard<std::mutex> g(scheduler().lock);
    ++scheduler().waking;
}

void ClockWakeTaken() {
    Scheduler& s = scheduler();
    std::lock_guard<std::mutex> g(s.lock);
    --s.waking;
    s.lastChange = std::chrono::steady_clock::now();
    s.changed.notify_all();
}

ClockBlockedScope::ClockBlockedScope() {
    Scheduler& s = scheduler();
    std::lock_guard<std::mutex> g(s.lock);
    counted_ = countBlockedLocked(s);
    if (!counted_) return;
    s.lastChange = std::chrono::steady_clock::now();
    s.changed.notify_all();
}

ClockBlockedScope::~ClockBlockedScope() {
    if (!counted_) return;
    Scheduler& s = scheduler();
    std::lock_guard<std::mutex> g(s.lock);
    --s.blocked;
    s.lastChange = std::chrono::steady_clock::now();
    s.changed.notify_all();
}

}  // namespace platform
