// The kernel object behind a thread handle, shared by the thread functions
// and the waits.
#pragma once

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
};

// The calling thread's object, made on first use for threads the layer did
// not start (the main thread).
std::shared_ptr<ThreadObject> CurrentThreadObject();

}  // namespace platform
