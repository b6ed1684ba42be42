// Traced locks and engine threads over the platform's critical sections and
// threads. Threads are created suspended, so that the first resume always
// starts the routine: a stub that suspended itself could miss a resume that
// arrived before it parked.
#include "core/threads_and_locks.h"

#include <cstring>

namespace DuRud {
namespace {

DWORD WINAPI ThreadEntryStub(LPVOID parameter) {
    auto* context = static_cast<ThreadContext*>(parameter);
    context->routine(context, context->argument);
    return 0;
}

}  // namespace

int InitLock(TracedLock* lock) {
    InitializeCriticalSection(&lock->section);
    lock->file[0] = 0;
    lock->line = 0;
    lock->thread = 0;
    return 0;
}

int DeleteLock(TracedLock* lock) {
    DeleteCriticalSection(&lock->section);
    return 0;
}

int LockWithSource(TracedLock* lock, const char* file, uint32_t line) {
    EnterCriticalSection(&lock->section);
    size_t n = file ? std::strlen(file) : 0;
    if (n > sizeof(lock->file) - 1) n = sizeof(lock->file) - 1;
    if (n > 0) std::memcpy(lock->file, file, n);
    lock->file[n] = 0;
    lock->line = line;
    lock->thread = GetCurrentThreadId();
    return 0;
}

int LeaveLock(TracedLock* lock) {
    LeaveCriticalSection(&lock->section);
    return 0;
}

int CreateEngineThread(ThreadContext* context, ThreadRoutine routine, uintptr_t argument) {
    context->routine = routine;
    context->argument = argument;
    DWORD id = 0;
    HANDLE thread = CreateThread(nullptr, 0, ThreadEntryStub, context, CREATE_SUSPENDED, &id);
    if (!thread) {
        context->handle = nullptr;
        context->threadId = 0;
        return -1;
    }
    context->handle = thread;
    context->threadId = id;
    return 0;
}

int ResumeEngineThread(ThreadContext* context) {
    const DWORD previous = ResumeThread(context->handle);
    return previous != 0 ? 1 : 0;
}

int SuspendCurrentThread() {
    return static_cast<int>(SuspendThread(GetCurrentThread()));
}

int SetEngineThreadPriority(ThreadContext* context, int level) {
    static const int kPriorities[4] = {THREAD_PRIORITY_LOWEST, THREAD_PRIORITY_BELOW_NORMAL,
                                       THREAD_PRIORITY_NORMAL, THREAD_PRIORITY_HIGHEST};
    if (level < 0 || level > 3) return level;
    return SetThreadPriority(context->handle, kPriorities[level]);
}

DWORD GetEngineThreadId(ThreadContext* context) {
    return context->threadId;
}

int IsThreadCreated(ThreadContext* context) {
    return context->handle != nullptr ? 1 : 0;
}

int CloseThreadHandle(ThreadContext* context) {
    const BOOL result = CloseHandle(context->handle);
    context->handle = nullptr;
    return result;
}

void SleepMilliseconds(uint32_t milliseconds) {
    Sleep(milliseconds);
}

void WaitTurn(int turn) {
    constexpr int kYieldingTurns = 64;
    Sleep(turn < kYieldingTurns ? 0 : 1);
}

}  // namespace DuRud
