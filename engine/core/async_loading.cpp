// The asynchronous loader. Workers park themselves (suspend) when there is
// nothing for them and are resumed one at a time, so the number running is
// exact and never above the allowed number (plus one that hands its run on).
// One lock guards the queue, the worker slots and the main-thread queue; it is
// not held while a request's worker function runs.
#include "core/async_loading.h"

#include <atomic>
#include <cstring>

#include "core/text_literals.h"
#include "core/threads_and_locks.h"

namespace DuRud {
namespace {

struct WorkerSlot {
    ThreadContext thread;
    int32_t finished;
    int32_t busy;
    int32_t waitingForMain;
    int32_t asleep;
    int32_t sleepTime;
    AsyncRequest* request;
    int32_t starting;  // woken to take a new request, not taken yet
};

struct AsyncState {
    int32_t initialised;
    DWORD mainThreadId;
    std::atomic<int32_t> endFlag;
    int32_t allowed;
    int32_t running;
    int32_t inFlight;  // requests taken and not finished, plus workers starting one
    int32_t serving;   // ServeMainThreadRequests is running posted calls
    int32_t drained;   // the last queued load has finished since the main thread looked
    AsyncDrainedFunction drainedHook;
    TracedLock lock;
    AsyncRequest* queue[kAsyncQueueSize];
    int32_t queued;
    int32_t highWater;  // one past the highest slot in use
    MainThreadRequest* mainQueue[kAsyncWorkerCount];
    int32_t mainCount;
    WorkerSlot workers[kAsyncWorkerCount];
    int64_t resumes;  // workers resumed since AsyncLoadInit
};

AsyncState g_async;

void Lock() {
    LockWithSource(&g_async.lock, "RuRIridErer", __LINE__);
}
void Unlock() {
    LeaveLock(&g_async.lock);
}

void PutU16(uint8_t* at, uint16_t value) {
    std::memcpy(at, &value, sizeof(value));
}
uint16_t GetU16(const uint8_t* at) {
    uint16_t value;
    std::memcpy(&value, at, sizeof(value));
    return value;
}

// A worker may start another request: fewer loads are in flight than the
// allowed workers plus a few that wait for the main thread. Each load in
// flight holds its pictures and the textures it writes; without a bound a
// worker that posts to the main thread hands its run to one that starts the
// next load, and every queued load ends up half done at once. Nothing a load
// waits for is a load not yet started, so the bound only delays them. When
// the loader ends, every worker must be able to run to its end.
bool MayStartLoadLocked() {
    return g_async.endFlag.load() || g_async.inFlight < g_async.allowed + kAsyncExtraLoadsInFlight;
}

// Resumes at most one parked worker; the lock is held. With servedOnly only
// a worker whose main-thread call was served is taken: a worker with nothing
// to do hands its run on to one that can go on, never to an idle worker
// (which would find nothing either and hand on again, without end).
void WakeWorkersLocked(int callerIsRunning, bool servedOnly = false) {
    AsyncState& s = g_async;
    if (s.running >= s.allowed + callerIsRunning) return;
    for (int turn = 0;; ++turn) {
        int best = -1;
        // A worker whose main-thread call was served goes on first.
        for (int i = 0; i < kAsyncWorkerCount; ++i) {
            const WorkerSlot& w = s.workers[i];
            if (!w.thread.handle || !w.asleep || !w.busy || w.waitingForMain || w.finished)
                continue;
            if (best < 0 || w.request->timeQueued < s.workers[best].request->timeQueued) best = i;
        }
        if (best < 0 && !servedOnly && MayStartLoadLocked()) {
            for (int i = 0; i < kAsyncWorkerCount; ++i) {
                const WorkerSlot& w = s.workers[i];
                if (!w.thread.handle || !w.asleep || w.waitingForMain || w.finished) continue;
                if (best < 0 || w.sleepTime < s.workers[best].sleepTime) best = i;
            }
        }
        if (best < 0) return;
        WorkerSlot& w = s.workers[best];
        const DWORD previous = ResumeThread(w.thread.handle);
        if (previous == static_cast<DWORD>(-1)) return;
        if (previous == 0) {
            // Flagged asleep but not parked yet: a resume now would be lost.
            WaitTurn(turn);
            continue;
        }
        w.asleep = 0;
        if (!w.busy && !w.finished) {
            w.starting = 1;
            s.inFlight += 1;
        }
        s.running += 1;
        s.resumes += 1;
        return;
    }
}

// Parks the calling worker; the lock is held on entry and released.
void ParkLocked(WorkerSlot& w) {
    w.asleep = 1;
    w.sleepTime = GetMillisecondCounter();
    g_async.running -= 1;
    Unlock();
    SuspendCurrentThread();
}

// The waiting request queued earliest (equal times: the higher slot); the
// lock is held.
AsyncRequest* PickRequestLocked() {
    AsyncRequest* pick = nullptr;
    for (int32_t i = 0; i < g_async.highWater; ++i) {
        AsyncRequest* r = g_async.queue[i];
        if (!r || r->running) continue;
        if (!pick || r->timeQueued <= pick->timeQueued) pick = r;
    }
    return pick;
}

void WorkerLoop(ThreadContext*, uintptr_t argument) {
    WorkerSlot& w = g_async.workers[argument];
    Lock();
    while (!g_async.endFlag.load()) {
        // A worker woken to start a load counts as one in flight until it
        // takes a request or finds none.
        if (w.starting) {
            w.starting = 0;
            g_async.inFlight -= 1;
        }
        if (g_async.highWater != 0) {
            AsyncRequest* request = MayStartLoadLocked() ? PickRequestLocked() : nullptr;
            if (request) {
                request->running = 1;
                w.busy = 1;
                w.request = request;
                g_async.inFlight += 1;
                Unlock();
                request->worker(request);
                Lock();
                AsyncRequestDelete(request->queueSlot, 0);
                w.busy = 0;
                w.request = nullptr;
                g_async.inFlight -= 1;
                if (g_async.queued == 0) g_async.drained = 1;
                continue;
            }
            WakeWorkersLocked(1, true);
        }
        ParkLocked(w);
        Lock();
    }
    if (w.starting) {
        w.starting = 0;
        g_async.inFlight -= 1;
    }
    w.finished = 1;
    g_async.running -= 1;
    Unlock();
}

int FindWorkerSlotLocked(DWORD threadId) {
    for (int i = 0; i < kAsyncWorkerCount; ++i) {
        if (g_async.workers[i].thread.handle && g_async.workers[i].thread.threadId == threadId) {
            return i;
        }
    }
    return -1;
}

}  // namespace

int AsyncLoadInit(DWORD mainThreadId) {
    AsyncState& s = g_async;
    if (s.initialised) return -1;
    std::memset(s.queue, 0, sizeof(s.queue));
    std::memset(s.mainQueue, 0, sizeof(s.mainQueue));
    std::memset(static_cast<void*>(s.workers), 0, sizeof(s.workers));
    s.endFlag.store(0);
    s.allowed = 1;
    s.running = 0;
    s.inFlight = 0;
    s.serving = 0;
    s.drained = 0;
    s.queued = 0;
    s.highWater = 0;
    s.mainCount = 0;
    s.resumes = 0;
    s.mainThreadId = mainThreadId;
    InitLock(&s.lock);
    s.initialised = 1;
    return 0;
}

int AsyncLoadTerm() {
    AsyncState& s = g_async;
    if (!s.initialised) return -1;
    AsyncLoadStopThreads();
    // Requests nobody will run any more.
    Lock();
    for (int32_t i = 0; i < s.highWater; ++i) {
        if (s.queue[i]) AsyncRequestDelete(i, 0);
    }
    Unlock();
    s.initialised = 0;
    DeleteLock(&s.lock);
    return 0;
}

int AsyncLoadStartThreads(int processorCount) {
    AsyncState& s = g_async;
    if (!s.initialised) return -1;
    Lock();
    s.allowed = processorCount - 1 < 1 ? 1 : processorCount - 1;
    s.endFlag.store(0);
    Unlock();
    for (int i = 0; i < kAsyncWorkerCount; ++i) {
        WorkerSlot& w = s.workers[i];
        if (w.thread.handle) continue;
        Lock();
        w.finished = 0;
        w.busy = 0;
        w.waitingForMain = 0;
        w.request = nullptr;
        // Created parked: the first resume starts the loop.
        const int created = CreateEngineThread(&w.thread, WorkerLoop, static_cast<uintptr_t>(i));
        if (created == 0) {
            SetEngineThreadPriority(&w.thread, 0);
            w.asleep = 1;
            w.sleepTime = GetMillisecondCounter();
        }
        Unlock();
        if (created != 0) {
            AsyncLoadStopThreads();
            return -1;
        }
    }
    return 0;
}

int AsyncLoadStopThreads() {
    AsyncState& s = g_async;
    if (!s.initialised) return -1;
    s.endFlag.store(1);
    for (int i = 0; i < kAsyncWorkerCount; ++i) {
        WorkerSlot& w = s.workers[i];
        if (!w.thread.handle) continue;
        for (;;) {
            Lock();
            const bool finished = w.finished != 0;
            Unlock();
            if (finished) break;
            ServeMainThreadRequests();
            Lock();
            if (s.running == 0) WakeWorkersLocked(0);
            Unlock();
            Sleep(1);
        }
        WaitForSingleObject(w.thread.handle, INFINITE);
        CloseThreadHandle(&w.thread);
        w.thread.threadId = 0;
    }
    s.endFlag.store(0);
    return 0;
}

AsyncRequest* AsyncRequestAlloc(int parameterBytes) {
    if (parameterBytes < 0) return nullptr;
    const uint32_t size =
        static_cast<uint32_t>(sizeof(AsyncRequest)) + static_cast<uint32_t>(parameterBytes);
    auto* request = static_cast<AsyncRequest*>(TrackedCalloc(size, __FILE__, __LINE__));
    if (!request) {
        LogFormatLine(
            Cp932Text("非同期読み込みデータを格納するメモリ領域 %dByte の確保に失敗しました"),
            static_cast<int>(size));
        return nullptr;
    }
    request->parameterBytes = parameterBytes;
    request->queueSlot = -1;
    return request;
}

int AsyncParamPutBlock(uint8_t* buffer, int* offset, const void* data, int size) {
    if (size < 0 || size > kAsyncParamMaxBytes || (size > 0 && !data)) return -1;
    if (buffer) {
        PutU16(buffer + *offset, static_cast<uint16_t>(size + 2));
        if (size > 0) std::memcpy(buffer + *offset + 2, data, static_cast<size_t>(size));
    }
    *offset += size + 2;
    return 0;
}

int AsyncParamPutInt(uint8_t* buffer, int* offset, int32_t value) {
    if (buffer) std::memcpy(buffer + *offset, &value, sizeof(value));
    *offset += static_cast<int>(sizeof(value));
    return 0;
}

int AsyncParamPutString(uint8_t* buffer, int* offset, const char* text) {
    if (!text) {
        if (buffer) PutU16(buffer + *offset, 2);
        *offset += 2;
        return 0;
    }
    const size_t length = std::strlen(text) + 1;
    if (length > static_cast<size_t>(kAsyncParamMaxBytes)) return -1;
    return AsyncParamPutBlock(buffer, offset, text, static_cast<int>(length));
}

int AsyncParamPutPointer(uint8_t* buffer, int* offset, const void* pointer) {
    if (buffer) std::memcpy(buffer + *offset, &pointer, sizeof(pointer));
    *offset += static_cast<int>(sizeof(pointer));
    return 0;
}

const void* AsyncParamGetBlock(const uint8_t* buffer, int* offset, int* size) {
    uint16_t stored = GetU16(buffer + *offset);
    if (stored < 2) stored = 2;
    const uint8_t* data = buffer + *offset + 2;
    if (size) *size = stored - 2;
    *offset += stored;
    return data;
}

int32_t AsyncParamGetInt(const uint8_t* buffer, int* offset) {
    int32_t value;
    std::memcpy(&value, buffer + *offset, sizeof(value));
    *offset += static_cast<int>(sizeof(value));
    return value;
}

const char* AsyncParamGetString(const uint8_t* buffer, int* offset) {
    if (GetU16(buffer + *offset) <= 2) {
        *offset += 2;
        return nullptr;
    }
    return static_cast<const char*>(AsyncParamGetBlock(buffer, offset, nullptr));
}

void* AsyncParamGetPointer(const uint8_t* buffer, int* offset) {
    void* pointer;
    std::memcpy(&pointer, buffer + *offset, sizeof(pointer));
    *offset += static_cast<int>(sizeof(pointer));
    return pointer;
}

int AsyncRequestEnqueue(AsyncRequest* request) {
    AsyncState& s = g_async;
    if (!s.initialised || !request) return -1;
    Lock();
    if (s.queued >= kAsyncQueueSize) {
        Unlock();
        FatalExit(Cp932Text("非同期読み込みデータの数が許容量を越えました終了します"));
    }
    int32_t slot = s.highWater;
    if (slot >= kAsyncQueueSize) {
        slot = 0;
        while (s.queue[slot]) ++slot;
    }
    request->queueSlot = slot;
    request->running = 0;
    request->timeQueued = GetMillisecondCounter();
    s.queue[slot] = request;
    s.queued += 1;
    if (slot == s.highWater) s.highWater += 1;
    WakeWorkersLocked(0);
    Unlock();
    return 0;
}

int AsyncRequestDelete(int queueSlot, int onlyIfNotRunning) {
    AsyncState& s = g_async;
    if (!s.initialised || queueSlot < 0 || queueSlot >= kAsyncQueueSize) return -1;
    Lock();
    AsyncRequest* request = s.queue[queueSlot];
    if (!request) {
        Unlock();
        return -1;
    }
    if (onlyIfNotRunning && request->running) {
        Unlock();
        return -2;
    }
    s.queued -= 1;
    s.queue[queueSlot] = nullptr;
    if (queueSlot == s.highWater - 1) {
        int32_t level = queueSlot;
        while (level > 0 && !s.queue[level - 1]) --level;
        s.highWater = level;
    }
    TrackedFree(request);
    Unlock();
    return 0;
}

int AsyncRequestCount() {
    if (!g_async.initialised) return 0;
    Lock();
    const int count = g_async.queued;
    Unlock();
    return count;
}

int32_t PostToMainThread(MainThreadRequest* request) {
    AsyncState& s = g_async;
    if (!s.initialised) {
        FatalExit(
            Cp932Text("非同期読み込みスレッド以外からメインスレッドへの処理依頼が行われました"));
    }
    Lock();
    const int slot = FindWorkerSlotLocked(GetCurrentThreadId());
    if (slot < 0) {
        Unlock();
        FatalExit(
            Cp932Text("非同期読み込みスレッド以外からメインスレッドへの処理依頼が行われました"));
    }
    if (s.mainCount >= kAsyncWorkerCount) {
        Unlock();
        FatalExit(
            Cp932Text("非同期読み込みスレッドからメインスレッドへの処理依頼数が許容量を越えました終"
                      "了します"));
    }
    WorkerSlot& w = s.workers[slot];
    request->result = 0;
    request->workerSlot = slot;
    s.mainQueue[s.mainCount++] = request;
    w.waitingForMain = 1;
    WakeWorkersLocked(1);
    ParkLocked(w);
    return request->result;
}

int ServeMainThreadRequests() {
    AsyncState& s = g_async;
    if (!s.initialised || GetCurrentThreadId() != s.mainThreadId) return -1;
    Lock();
    if (s.mainCount > 0 && !s.serving) {
        s.serving = 1;
        const int64_t start = GetMicrosecondCounter();
        int served = 0;
        while (served < s.mainCount) {
            if (served > 0 && GetMicrosecondCounter() - start > 2000) break;
            MainThreadRequest* r = s.mainQueue[served];
            const int32_t result = r->function(r);
            const int32_t slot = r->workerSlot;
            r->result = result;
            s.workers[slot].waitingForMain = 0;
            ++served;
            WakeWorkersLocked(0);
        }
        for (int i = served; i < s.mainCount; ++i) s.mainQueue[i - served] = s.mainQueue[i];
        for (int i = s.mainCount - served; i < s.mainCount; ++i) s.mainQueue[i] = nullptr;
        s.mainCount -= served;
        s.serving = 0;
    }
    // Once every load is done, what they left behind goes: first what the
    // hook frees, then the heap's free pages go back to the system.
    const bool drained = s.drained && s.queued == 0 && !s.serving;
    if (drained) s.drained = 0;
    const AsyncDrainedFunction hook = s.drainedHook;
    if (s.queued > 0) {
        int32_t target = s.allowed - 1;
        if (target == 0) target = 1;
        if (target > s.queued) target = s.queued;
        while (s.running < target) {
            const int32_t before = s.running;
            WakeWorkersLocked(0);
            if (s.running == before) break;
        }
    }
    Unlock();
    if (drained) {
        if (hook) hook();
        HeapCompact(GetProcessHeap(), 0);
    }
    return 0;
}

void AsyncSetDrainedHook(AsyncDrainedFunction hook) {
    g_async.drainedHook = hook;
}

int AsyncLoadIsInitialised() {
    return g_async.initialised;
}
int AsyncAllowedWorkers() {
    return g_async.allowed;
}

int AsyncRunningWorkers() {
    if (!g_async.initialised) return 0;
    Lock();
    const int running = g_async.running;
    Unlock();
    return running;
}

int AsyncLoadsInFlight() {
    if (!g_async.initialised) return 0;
    Lock();
    const int count = g_async.inFlight;
    Unlock();
    return count;
}

int AsyncLoadsInFlightLimit() {
    return g_async.allowed + kAsyncExtraLoadsInFlight;
}

int64_t AsyncWorkerResumeCount() {
    if (!g_async.initialised) return 0;
    Lock();
    const int64_t count = g_async.resumes;
    Unlock();
    return count;
}

int AsyncMainQueueCount() {
    if (!g_async.initialised) return 0;
    Lock();
    const int count = g_async.mainCount;
    Unlock();
    return count;
}

int AsyncLiveWorkerThreads() {
    int count = 0;
    for (const WorkerSlot& w : g_async.workers) count += w.thread.handle ? 1 : 0;
    return count;
}

}  // namespace DuRud
