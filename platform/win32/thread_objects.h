// The kernel object behind a thread handle, shared by the thread functions
// and the waits.
#pragma once

#include <condition_variable>
#include <memory>

#include "waitable.h"
#include "win_threads.h"

namespace platform {

class ThreadObject : public Waitable {
  public:
    explicit ThreadObject(DWORD id) : id(id) {}
    bool IsSignalled() const override { return finished; }

    const DWORD id;
    LPTHREAD_START_ROUTINE start = nullptr;
    LPVOID parameter = nullptr;
    bool createdHere = false;  // started by CreateThread (false: main or foreign thread)
    // The fields below are guarded by WaitLock().
    bool finished = false;
    DWORD exitCode = STILL_ACTIVE;
    int suspendCount = 0;
    int priority = THREAD_PRIORITY_NORMAL;
    // A thread parked by its own SuspendThread waits on a condition of its
    // own, woken by the ResumeThread that ends its count, rather than on the
    // layer's shared one: parked threads (a pool of loader threads) would
    // otherwise all wake to look again at every signal of the process.
    bool parked = false;
    bool wakeGiven = false;  // its resume's wake, not yet taken (see ClockWakeGiven)
    std::condition_variable resumed;
};

// The calling thread's object, made on first use for threads the layer did
// not start (the main thread).
std::shared_ptr<ThreadObject> CurrentThreadObject();

}  // namespace platform
