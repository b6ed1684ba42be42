// Threads: creation (also suspended), suspend counts, exit codes, priority
// levels, the current thread, Sleep.
//
// A thread owns a shared reference to its object until it ends, so closing
// the handle early neither frees the object under the running thread nor
// leaks it: whichever lets go last frees it. Threads run detached; waiting on
// the handle is how one learns that a thread has finished.
#include <pthread.h>
#include <limits.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>

#include "clock.h"
#include "thread_objects.h"
#include "win_kernel.h"

namespace platform {
namespace {

// Thread ids: multiples of four as on Windows, never 0.
std::atomic<DWORD> nextThreadId{0x1000};
DWORD newThreadId() {
    return nextThreadId.fetch_add(4);
}

thread_local std::shared_ptr<ThreadObject> currentThread;

// Thrown by ExitThread on a thread the layer started; caught by its entry.
struct ThreadExitUnwind {
    DWORD code;
};

void finishThread(ThreadObject& self, DWORD code) {
    std::lock_guard<std::mutex> g(WaitLock());
    self.exitCode = code;
    self.finished = true;
    WaitWakeAll(true);
}

void* threadEntry(void* arg) {
    auto* holder = static_cast<std::shared_ptr<ThreadObject>*>(arg);
    std::shared_ptr<ThreadObject> self = std::move(*holder);
    delete holder;
    ClockParticipantAdopt();
    currentThread = self;
    // A thread created suspended waits here until its count reaches 0.
    WaitForCondition([&] { return self->suspendCount == 0; }, INFINITE);
    DWORD code;
    try {
        code = self->start(self->parameter);
    } catch (const ThreadExitUnwind& e) {
        code = e.code;
    }
    // Marked finished while it still counts: had it left the clock's count
    // first, the clock could move on in between without its waiters.
    finishThread(*self, code);
    ClockParticipantRemove();
    currentThread.reset();
    return nullptr;
}

std::shared_ptr<ThreadObject> threadFromHandle(HANDLE handle) {
    if (handle == GetCurrentThread()) return CurrentThreadObject();
    auto t = KernelHandleGetAs<ThreadObject>(handle);
    if (!t) SetLastError(ERROR_INVALID_HANDLE);
    return t;
}

bool validPriority(int p) {
    switch (p) {
        case THREAD_PRIORITY_IDLE:
        case THREAD_PRIORITY_LOWEST:
        case THREAD_PRIORITY_BELOW_NORMAL:
        case THREAD_PRIORITY_NORMAL:
        case THREAD_PRIORITY_ABOVE_NORMAL:
        case THREAD_PRIORITY_HIGHEST:
        case THREAD_PRIORITY_TIME_CRITICAL:
            return true;
        default:
            return false;
    }
}

}  // namespace

std::shared_ptr<ThreadObject> CurrentThreadObject() {
    if (!currentThread) currentThread = std::make_shared<ThreadObject>(newThreadId());
    return currentThread;
}

}  // namespace platform

using platform::ThreadObject;

HANDLE WINAPI CreateThread(LPSECURITY_ATTRIBUTES, SIZE_T stackSize, LPTHREAD_START_ROUTINE start,
                           LPVOID parameter, DWORD creationFlags, LPDWORD threadId) {
    if (start == nullptr ||
        (creationFlags & ~(CREATE_SUSPENDED | STACK_SIZE_PARAM_IS_A_RESERVATION)) != 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto self = std::make_shared<ThreadObject>(platform::newThreadId());
    self->start = start;
    self->parameter = parameter;
    self->createdHere = true;
    self->suspendCount = (creationFlags & CREATE_SUSPENDED) ? 1 : 0;
    HANDLE handle = platform::KernelHandleAdd(self);
    if (handle == nullptr) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }

    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setdetachstate(&attr, PTHREAD_CREATE_DETACHED);
    if (stackSize != 0) {
        SIZE_T size = stackSize < SIZE_T{PTHREAD_STACK_MIN} ? SIZE_T{PTHREAD_STACK_MIN} : stackSize;
        size = (size + 65535) & ~SIZE_T{65535};
        if (pthread_attr_setstacksize(&attr, size) != 0) {
            pthread_attr_destroy(&attr);
            platform::KernelHandleRemove(handle);
            SetLastError(ERROR_INVALID_PARAMETER);
            return nullptr;
        }
    }
    if (threadId) *threadId = self->id;
    auto* holder = new std::shared_ptr<ThreadObject>(self);
    platform::ClockParticipantJoin();
    platform::ClockParticipantAdd();  // counts from now: the clock waits for it to start
    pthread_t tid;
    int rc = pthread_create(&tid, &attr, platform::threadEntry, holder);
    pthread_attr_destroy(&attr);
    if (rc != 0) {
        delete holder;
        platform::ClockParticipantRemoveCreated();
        platform::KernelHandleRemove(handle);
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    return handle;
}

DWORD WINAPI ResumeThread(HANDLE thread) {
    auto t = platform::threadFromHandle(thread);
    if (!t) return static_cast<DWORD>(-1);
    std::lock_guard<std::mutex> g(platform::WaitLock());
    int previous = t->suspendCount;
    if (previous > 0 && --t->suspendCount == 0) {
        if (t->parked && !t->wakeGiven) {
            // The clock stands until the parked thread has run again.
            t->wakeGiven = true;
            platform::ClockWakeGiven();
            t->resumed.notify_one();
        } else {
            platform::WaitWakeAll(true);  // created suspended: it waits at its start
        }
    }
    return static_cast<DWORD>(previous);
}

DWORD WINAPI SuspendThread(HANDLE thread) {
    auto t = platform::threadFromHandle(thread);
    if (!t) return static_cast<DWORD>(-1);
    bool self = t == platform::CurrentThreadObject();
    int previous;
    {
        std::unique_lock<std::mutex> g(platform::WaitLock());
        if (t->finished) {
            SetLastError(ERROR_ACCESS_DENIED);
            return static_cast<DWORD>(-1);
        }
        // Another thread can only be held while it is already parked (created
        // suspended, or suspended by itself): then it runs no code, and one
        // more count keeps it so. A running one cannot be stopped here.
        if (!self && t->suspendCount == 0) {
            SetLastError(ERROR_NOT_SUPPORTED);
            return static_cast<DWORD>(-1);
        }
        if (t->suspendCount >= MAXIMUM_SUSPEND_COUNT) {
            SetLastError(ERROR_SIGNAL_REFUSED);
            return static_cast<DWORD>(-1);
        }
        previous = t->suspendCount++;
        if (self) {
            t->parked = true;
            platform::ClockWaitFor(g, t->resumed, INFINITE, [&] { return t->suspendCount == 0; });
            t->parked = false;
            if (t->wakeGiven) {
                t->wakeGiven = false;
                platform::ClockWakeTaken();
            }
        }
    }
    return static_cast<DWORD>(previous);
}

void WINAPI ExitThread(DWORD exitCode) {
    auto self = platform::CurrentThreadObject();
    if (self->createdHere) throw platform::ThreadExitUnwind{exitCode};
    // A thread the layer did not start (the main thread): mark it finished
    // for anyone who waits on it and end it the POSIX way.
    platform::finishThread(*self, exitCode);
    pthread_exit(nullptr);
}

BOOL WINAPI GetExitCodeThread(HANDLE thread, LPDWORD exitCode) {
    if (exitCode == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    auto t = platform::threadFromHandle(thread);
    if (!t) return FALSE;
    std::lock_guard<std::mutex> g(platform::WaitLock());
    *exitCode = t->exitCode;
    return TRUE;
}

BOOL WINAPI SetThreadPriority(HANDLE thread, int priority) {
    if (!platform::validPriority(priority)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    auto t = platform::threadFromHandle(thread);
    if (!t) return FALSE;
    std::lock_guard<std::mutex> g(platform::WaitLock());
    t->priority = priority;
    return TRUE;
}

int WINAPI GetThreadPriority(HANDLE thread) {
    auto t = platform::threadFromHandle(thread);
    if (!t) return THREAD_PRIORITY_ERROR_RETURN;
    std::lock_guard<std::mutex> g(platform::WaitLock());
    return t->priority;
}

HANDLE WINAPI GetCurrentThread() {
    return reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-2));
}

DWORD WINAPI GetCurrentThreadId() {
    return platform::CurrentThreadObject()->id;
}

DWORD WINAPI GetThreadId(HANDLE thread) {
    auto t = platform::threadFromHandle(thread);
    return t ? t->id : 0;
}

void WINAPI Sleep(DWORD milliseconds) {
    platform::ClockSleepMilliseconds(milliseconds);
}
