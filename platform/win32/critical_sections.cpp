// Critical sections: recursive locks in a record the caller owns. The record
// points to a lock kept by the layer; a check value beside the pointer tells
// an initialised section from garbage or a deleted one.
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "clock.h"
#include "win_kernel.h"

namespace {

constexpr ULONG_PTR kCheck = 0x5EC7105EC7105EC7ull;

struct SectionLock {
    std::recursive_mutex mutex;
    // Threads waiting to enter, and whether a leave has handed the virtual
    // clock a wake that no enter has taken yet (see platform::ClockWakeGiven).
    std::atomic<int> waiting{0};
    std::atomic<bool> wakeGiven{false};
};

// Whoever enters takes a wake a leave gave: a waiter that got the lock, or
// a thread that took it back first (the waiters then still wait, blocked).
void takeWake(SectionLock* lock) {
    if (lock->wakeGiven.exchange(false)) platform::ClockWakeTaken();
}

SectionLock* lockOf(LPCRITICAL_SECTION section, const char* caller) {
    if (section != nullptr && section->DebugInfo != nullptr &&
        section->SpinCount == (reinterpret_cast<ULONG_PTR>(section->DebugInfo) ^ kCheck))
        return static_cast<SectionLock*>(section->DebugInfo);
    // No error result exists for these calls; running on would corrupt memory.
    std::fprintf(stderr, "%s: critical section %p is not initialised\n", caller,
                 static_cast<void*>(section));
    std::fflush(stderr);
    std::abort();
}

HANDLE ownerValue() {
    return reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(GetCurrentThreadId()));
}

// The owner field is read by threads that do not hold the lock (to tell the
// owner's leave from a stray one), so it is accessed atomically.
HANDLE owner(LPCRITICAL_SECTION section) {
    return std::atomic_ref<HANDLE>(section->OwningThread).load(std::memory_order_relaxed);
}
void setOwner(LPCRITICAL_SECTION section, HANDLE value) {
    std::atomic_ref<HANDLE>(section->OwningThread).store(value, std::memory_order_relaxed);
}

// Bookkeeping fields, written only by the owner while it holds the lock.
void noteEntered(LPCRITICAL_SECTION section) {
    setOwner(section, ownerValue());
    ++section->RecursionCount;
}

}  // namespace

void WINAPI InitializeCriticalSection(LPCRITICAL_SECTION section) {
    InitializeCriticalSectionAndSpinCount(section, 0);
}

BOOL WINAPI InitializeCriticalSectionAndSpinCount(LPCRITICAL_SECTION section, DWORD) {
    if (section == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    auto* lock = new SectionLock;
    section->DebugInfo = lock;
    section->LockCount = -1;
    section->RecursionCount = 0;
    section->OwningThread = nullptr;
    section->LockSemaphore = nullptr;
    section->SpinCount = reinterpret_cast<ULONG_PTR>(lock) ^ kCheck;
    return TRUE;
}

void WINAPI DeleteCriticalSection(LPCRITICAL_SECTION section) {
    SectionLock* lock = lockOf(section, "DeleteCriticalSection");
    // A section still held by its caller is released first. One held by
    // another thread cannot be freed under it: its lock is left allocated and
    // the record marked deleted, so the holder's next use stops the program
    // with the message below instead of touching freed memory.
    if (owner(section) != nullptr) {
        if (owner(section) != ownerValue()) {
            section->DebugInfo = nullptr;
            section->SpinCount = 0;
            return;
        }
        while (section->RecursionCount > 0) {
            --section->RecursionCount;
            lock->mutex.unlock();
        }
    }
    section->DebugInfo = nullptr;
    section->SpinCount = 0;
    setOwner(section, nullptr);
    takeWake(lock);
    delete lock;
}

void WINAPI EnterCriticalSection(LPCRITICAL_SECTION section) {
    SectionLock* lock = lockOf(section, "EnterCriticalSection");
    if (!lock->mutex.try_lock()) {
        ++lock->waiting;
        {
            platform::ClockBlockedScope blocked;  // the virtual clock may move meanwhile
            lock->mutex.lock();
        }
        --lock->waiting;
    }
    takeWake(lock);
    noteEntered(section);
}

BOOL WINAPI TryEnterCriticalSection(LPCRITICAL_SECTION section) {
    SectionLock* lock = lockOf(section, "TryEnterCriticalSection");
    if (!lock->mutex.try_lock()) return FALSE;
    takeWake(lock);
    noteEntered(section);
    return TRUE;
}

void WINAPI LeaveCriticalSection(LPCRITICAL_SECTION section) {
    SectionLock* lock = lockOf(section, "LeaveCriticalSection");
    // Only the owner's leave counts (std::recursive_mutex must not be
    // unlocked by another thread). The owner field is only ever equal to the
    // caller's id when the caller wrote it while holding the lock.
    if (owner(section) != ownerValue() || section->RecursionCount <= 0) return;
    const bool last = --section->RecursionCount == 0;
    if (last) setOwner(section, nullptr);
    // A waiter about to get the lock counts as running from now on.
    if (last && lock->waiting.load() > 0 && !lock->wakeGiven.exchange(true))
        platform::ClockWakeGiven();
    lock->mutex.unlock();
}
