// The engine API lock: recursive for its holder, first come first served for
// everybody else (a newcomer queues behind the waiters even when the lock is
// free); each waiter sleeps on an event of its own.
#pragma once

namespace DuRud {

int LockEngineApi();    // returns once the calling thread holds the lock
int UnlockEngineApi();  // one level
// Closes the events and deletes the guard; the next LockEngineApi creates
// them again. While a thread holds or waits for the lock, the last one out
// destroys it instead.
int DestroyEngineApiLock();
int IsEngineApiLockCreated();
int EngineApiLockWaiterCount();  // threads queued for the lock

}  // namespace DuRud
