// The engine API lock. A guard (traced lock) protects the bookkeeping only;
// nobody sleeps while holding it. The queue's head is entry 0; an entry's
// event moves with it, so a waiter always sleeps on its own entry's event.
#include "core/api_lock.h"

#include <atomic>
#include <cstring>
#include <mutex>
#include <shared_mutex>

#include "core/threads_and_locks.h"

namespace DuRud {
namespace {

constexpr int kWaiterSlots = 4096;

struct Waiter {
    DWORD threadId;
    HANDLE event;
};

struct EngineApiLock {
    std::atomic<int32_t> created;
    int32_t depth;
    int32_t locked;
    DWORD owner;  // -1 after a release, 0 before the first acquire
    Waiter waiters[kWaiterSlots];
    int32_t waiterCount;
    TracedLock guard;
};

EngineApiLock g_apiLock;
// Creation and destruction hold this exclusively, every use shared, so the
// lock's events and guard never vanish under a thread that is using them.
std::shared_mutex g_life;
// Set by a destruction that found the lock held or waited on: the last
// thread out destroys it instead.
std::atomic<bool> g_destroyPending{false};

void TakeGuard() {
    LockWithSource(&g_apiLock.guard, "RoZadiru", __LINE__);
}
void DropGuard() {
    LeaveLock(&g_apiLock.guard);
}

void CreateExclusive(EngineApiLock& l) {
    l.depth = 0;
    l.locked = 0;
    l.owner = 0;
    l.waiterCount = 0;
    for (Waiter& w : l.waiters) {
        w.threadId = 0;
        w.event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    }
    InitLock(&l.guard);
    l.created.store(1, std::memory_order_release);
}

// Destroys the lock when destruction was asked for and nobody holds or waits.
void DestroyIfIdle() {
    EngineApiLock& l = g_apiLock;
    std::unique_lock<std::shared_mutex> exclusive(g_life);
    if (!g_destroyPending.load()) return;
    // A lock never made (or destroyed already) has nothing to destroy; the
    // request must not outlive it and take down the next one made.
    if (!l.created.load()) {
        g_destroyPending.store(false);
        return;
    }
    if (l.locked || l.waiterCount != 0) return;
    g_destroyPending.store(false);
    l.created.store(0);
    for (Waiter& w : l.waiters) {
        if (w.event) CloseHandle(w.event);
        w.event = nullptr;
        w.threadId = 0;
    }
    l.waiterCount = 0;
    l.depth = 0;
    l.locked = 0;
    l.owner = 0;
    DeleteLock(&l.guard);
}

}  // namespace

int LockEngineApi() {
    EngineApiLock& l = g_apiLock;
    const DWORD self = GetCurrentThreadId();
    for (;;) {
        std::shared_lock<std::shared_mutex> life(g_life);
        if (!l.created.load(std::memory_order_acquire)) {
            life.unlock();
            std::unique_lock<std::shared_mutex> exclusive(g_life);
            if (!l.created.load(std::memory_order_relaxed)) CreateExclusive(l);
            continue;
        }
        TakeGuard();
        bool acquire = false;
        if (l.locked) {
            acquire = l.owner == self;
        } else if (l.waiterCount == 0 || l.owner == self) {
            acquire = true;
        } else if (l.waiters[0].threadId == self) {
            const HANDLE headEvent = l.waiters[0].event;
            if (l.waiterCount > 1) {
                std::memmove(&l.waiters[0], &l.waiters[1],
                             static_cast<size_t>(l.waiterCount - 1) * sizeof(Waiter));
            }
            l.waiters[l.waiterCount - 1].threadId = 0;
            l.waiters[l.waiterCount - 1].event = headEvent;
            l.waiterCount -= 1;
            acquire = true;
        }
        if (acquire) {
            l.depth += 1;
            l.locked = 1;
            l.owner = self;
            DropGuard();
            return 0;
        }
        if (l.waiterCount < kWaiterSlots) {
            // A queued waiter keeps the lock alive, so its event stays valid
            // after the shared hold ends.
            Waiter& entry = l.waiters[l.waiterCount];
            entry.threadId = self;
            const HANDLE event = entry.event;
            l.waiterCount += 1;
            DropGuard();
            life.unlock();
            WaitForSingleObject(event, INFINITE);
            ResetEvent(event);
        } else {
            DropGuard();
            life.unlock();
            Sleep(1);
        }
    }
}

int UnlockEngineApi() {
    EngineApiLock& l = g_apiLock;
    bool idle = false, woke = false;
    {
        std::shared_lock<std::shared_mutex> life(g_life);
        if (!l.created) return -1;
        TakeGuard();
        HANDLE wake = nullptr;
        if (l.depth == 1) {
            l.locked = 0;
            l.owner = static_cast<DWORD>(-1);
            if (l.waiterCount >= 1) wake = l.waiters[0].event;
        }
        if (l.depth > 0) l.depth -= 1;
        idle = !l.locked && l.waiterCount == 0;
        DropGuard();
        if (wake) woke = SetEvent(wake) != FALSE;
    }
    if (idle && g_destroyPending.load()) DestroyIfIdle();
    if (woke) Sleep(0);
    return 0;
}

int DestroyEngineApiLock() {
    g_destroyPending.store(true);
    DestroyIfIdle();
    return 0;
}

int IsEngineApiLockCreated() {
    return g_apiLock.created;
}

int EngineApiLockWaiterCount() {
    std::shared_lock<std::shared_mutex> life(g_life);
    if (!g_apiLock.created) return 0;
    TakeGuard();
    const int count = g_apiLock.waiterCount;
    DropGuard();
    return count;
}

}  // namespace DuRud
