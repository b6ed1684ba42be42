// Threads, synchronisation objects and waits.
#pragma once

#include "win_types.h"

// --- threads ----------------------------------------------------------------
typedef DWORD(WINAPI* LPTHREAD_START_ROUTINE)(LPVOID parameter);
typedef LPTHREAD_START_ROUTINE PTHREAD_START_ROUTINE;

#define CREATE_SUSPENDED 0x00000004u
#define STACK_SIZE_PARAM_IS_A_RESERVATION 0x00010000u
#define STILL_ACTIVE 259u
#define MAXIMUM_SUSPEND_COUNT 127

#define THREAD_PRIORITY_IDLE (-15)
#define THREAD_PRIORITY_LOWEST (-2)
#define THREAD_PRIORITY_BELOW_NORMAL (-1)
#define THREAD_PRIORITY_NORMAL 0
#define THREAD_PRIORITY_ABOVE_NORMAL 1
#define THREAD_PRIORITY_HIGHEST 2
#define THREAD_PRIORITY_TIME_CRITICAL 15
#define THREAD_PRIORITY_ERROR_RETURN 0x7FFFFFFF

// Creates a thread running `start(parameter)`. CREATE_SUSPENDED keeps it from
// running until ResumeThread brings its suspend count to 0. A stack size of 0
// takes the default. Null on failure (GetLastError tells why).
HANDLE WINAPI CreateThread(LPSECURITY_ATTRIBUTES attributes, SIZE_T stackSize,
                           LPTHREAD_START_ROUTINE start, LPVOID parameter, DWORD creationFlags,
                           LPDWORD threadId);
// Previous suspend count; (DWORD)-1 on failure. A resume of a running thread
// returns 0 and has no later effect.
DWORD WINAPI ResumeThread(HANDLE thread);
// Suspends the calling thread (its own handle or GetCurrentThread()) until
// resumed, or adds a count to a thread that is already parked. A running
// thread other than the caller cannot be stopped here: (DWORD)-1 with
// ERROR_NOT_SUPPORTED.
DWORD WINAPI SuspendThread(HANDLE thread);
// Ends the calling thread with `exitCode`; the thread's stack is unwound.
[[noreturn]] void WINAPI ExitThread(DWORD exitCode);
BOOL WINAPI GetExitCodeThread(HANDLE thread, LPDWORD exitCode);
// The level is kept and reported; the Linux scheduler is not changed.
BOOL WINAPI SetThreadPriority(HANDLE thread, int priority);
int WINAPI GetThreadPriority(HANDLE thread);
// The pseudo handle (HANDLE)-2 that names the calling thread.
HANDLE WINAPI GetCurrentThread();
DWORD WINAPI GetCurrentThreadId();
DWORD WINAPI GetThreadId(HANDLE thread);
// Sleeps on the layer's clock (virtual clock: returns at once, clock moved).
void WINAPI Sleep(DWORD milliseconds);

// --- critical sections -------------------------------------------------------
// Laid out as on 64-bit Windows. DebugInfo points to the lock kept by the
// layer; SpinCount carries a check value so an uninitialised or deleted
// section is caught.
struct CRITICAL_SECTION {
    void* DebugInfo;
    LONG LockCount;
    LONG RecursionCount;
    HANDLE OwningThread;
    HANDLE LockSemaphore;
    ULONG_PTR SpinCount;
};
typedef CRITICAL_SECTION* LPCRITICAL_SECTION;
typedef CRITICAL_SECTION* PCRITICAL_SECTION;
static_assert(sizeof(CRITICAL_SECTION) == 40);

void WINAPI InitializeCriticalSection(LPCRITICAL_SECTION section);
BOOL WINAPI InitializeCriticalSectionAndSpinCount(LPCRITICAL_SECTION section, DWORD spinCount);
void WINAPI DeleteCriticalSection(LPCRITICAL_SECTION section);
// Recursive for the owner. Using a section that was never initialised (or
// was deleted) stops the program with a message: there is no error result.
void WINAPI EnterCriticalSection(LPCRITICAL_SECTION section);
BOOL WINAPI TryEnterCriticalSection(LPCRITICAL_SECTION section);
// A leave by a thread that does not own the section is ignored.
void WINAPI LeaveCriticalSection(LPCRITICAL_SECTION section);

// --- events and waits --------------------------------------------------------
#define WAIT_OBJECT_0 0x00000000u
#define WAIT_ABANDONED 0x00000080u
#define WAIT_ABANDONED_0 0x00000080u
#define WAIT_TIMEOUT 258u
#define WAIT_FAILED 0xFFFFFFFFu
#define MAXIMUM_WAIT_OBJECTS 64

// A named event is shared: a second creation with the same name opens the
// same event (ERROR_ALREADY_EXISTS) and ignores the other arguments.
HANDLE WINAPI CreateEventA(LPSECURITY_ATTRIBUTES attributes, BOOL manualReset, BOOL initialState,
                           LPCSTR name);
BOOL WINAPI SetEvent(HANDLE event);
BOOL WINAPI ResetEvent(HANDLE event);

// Threads and events are waitable. WAIT_OBJECT_0 (+ index), WAIT_TIMEOUT, or
// WAIT_FAILED with ERROR_INVALID_HANDLE (stale, made-up, not waitable) or
// ERROR_INVALID_PARAMETER.
DWORD WINAPI WaitForSingleObject(HANDLE handle, DWORD milliseconds);
DWORD WINAPI WaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll,
                                    DWORD milliseconds);
