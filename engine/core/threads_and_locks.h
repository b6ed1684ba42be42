// Traced locks (recursive critical sections that remember their last taker,
// so a hang can be traced to the holder) and engine threads, which never run
// their routine until somebody resumes them.
#pragma once

#include <cstdint>

#include <windows.h>

namespace DuRud {

struct TracedLock {
    CRITICAL_SECTION section;
    char file[256];  // source of the last LockWithSource, at most 255 characters
    uint32_t line;
    uint32_t thread;
};

struct ThreadContext;
typedef void (*ThreadRoutine)(ThreadContext* context, uintptr_t argument);

// Usually part of a larger record owned by the module that starts the thread.
struct ThreadContext {
    ThreadRoutine routine;
    uintptr_t argument;  // pointer-sized: owners pass record addresses
    HANDLE handle;       // null when no thread exists
    DWORD threadId;
};

int InitLock(TracedLock* lock);
int DeleteLock(TracedLock* lock);
int LockWithSource(TracedLock* lock, const char* file, uint32_t line);
int LeaveLock(TracedLock* lock);

// Creates the thread suspended; its routine runs after ResumeEngineThread.
// 0, or -1 when the platform refuses the thread.
int CreateEngineThread(ThreadContext* context, ThreadRoutine routine, uintptr_t argument);
// 1 when the thread was suspended (it now runs) or the call failed, 0 when it
// was already running (nothing happens then).
int ResumeEngineThread(ThreadContext* context);
// Parks the calling thread until another resumes it; the previous count.
int SuspendCurrentThread();
// Levels 0 lowest, 1 below normal, 2 normal, 3 highest; another level is
// returned as it is with nothing changed. Otherwise the platform's result.
int SetEngineThreadPriority(ThreadContext* context, int level);
DWORD GetEngineThreadId(ThreadContext* context);
int IsThreadCreated(ThreadContext* context);
// Closes the handle (the thread itself goes on) and clears it.
int CloseThreadHandle(ThreadContext* context);
void SleepMilliseconds(uint32_t milliseconds);
// One turn of a wait for another thread to finish something: the first turns
// only yield, later ones sleep 1 ms, so a wait for a thread that is itself
// sleeping ends even on a clock that moves only while every thread waits.
void WaitTurn(int turn);

}  // namespace DuRud
