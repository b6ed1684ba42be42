// The waiting machinery behind WaitForSingleObject / WaitForMultipleObjects,
// for every area that needs to wait on kernel objects or on something of its
// own (for example "an object or a message in my queue").
//
// How it works: the state of every waitable object is read and changed under
// ONE lock, WaitLock(). Waiters sleep on one condition variable and re-check
// their condition whenever WaitWakeAll() is called. Time-outs run on the
// layer's clock (see clock.h for the virtual-clock rule).
//
// Rules for other areas:
//  - A new kind of waitable kernel object derives from Waitable and reads or
//    changes its signalled state only while holding WaitLock().
//  - After making anything true that a waiter's condition checks, call
//    WaitWakeAll() (with or without WaitLock() held; it takes the lock
//    briefly itself when not held, so no wake-up is lost). If you keep your
//    own lock (a message queue, say), a condition may take it while WaitLock()
//    is held: the order is always WaitLock() first, then yours.
//  - To wait for "objects or something else", pass `extraReady` to
//    WaitForObjects (a message wait: extraReady = "my queue has input").
#pragma once

#include <functional>
#include <memory>
#include <mutex>

#include "kernel_objects.h"

namespace platform {

class Waitable : public KernelObject {
  public:
    // Both are called with WaitLock() held.
    virtual bool IsSignalled() const = 0;
    // The effect of a satisfied wait on the object (an auto-reset event resets).
    virtual void Consume() {}
};

std::mutex& WaitLock();

// Wakes every waiter to re-check its condition. `lockHeld`: the caller holds WaitLock().
void WaitWakeAll(bool lockHeld = false);

// Resolves a handle to a waitable object (GetCurrentThread()'s pseudo handle
// included); null with ERROR_INVALID_HANDLE when it is not one.
std::shared_ptr<Waitable> WaitableFromHandle(HANDLE handle);

// Waits until the objects are signalled (any one, or all together) or
// `extraReady()` holds, or the time-out passes on the layer's clock.
// `extraReady` may be empty; it is evaluated with WaitLock() held.
// Returns WAIT_OBJECT_0 + index (any), WAIT_OBJECT_0 (all), WAIT_OBJECT_0 +
// count when `extraReady` made a wait-any end (a wait-all needs all objects
// AND extraReady, and gives WAIT_OBJECT_0), WAIT_TIMEOUT, or WAIT_FAILED with
// ERROR_INVALID_PARAMETER (more than MAXIMUM_WAIT_OBJECTS, null array, one
// object twice in a wait-all) or ERROR_INVALID_HANDLE.
DWORD WaitForObjects(DWORD count, const HANDLE* handles, bool waitAll, DWORD timeoutMs,
                     const std::function<bool()>& extraReady = {});

// Waits until `ready()` (evaluated with WaitLock() held) or the time-out.
// True when ready.
bool WaitForCondition(const std::function<bool()>& ready, DWORD timeoutMs);

}  // namespace platform
