// The asynchronous loader: a queue of load requests run by 32 parked worker
// threads, and a queue of calls the workers hand to the main thread.
#pragma once

#include <cstdint>

#include <windows.h>

#include "DuRud.h"

namespace DuRud {

struct AsyncRequest;
typedef void (*AsyncWorkerFunction)(AsyncRequest* request);

// One tracked allocation: these fields, then the packed parameter bytes.
struct AsyncRequest {
    int32_t queueSlot;   // set when queued
    int32_t running;     // 1 once a worker has taken it
    int32_t timeQueued;  // millisecond counter when queued
    AsyncWorkerFunction worker;
    int32_t parameterBytes;
};

constexpr int kAsyncWorkerCount = 32;
// Loads in flight (taken by a worker and not finished) are at most the
// workers allowed to run plus this many, which wait for the main thread
// meanwhile.
constexpr int kAsyncExtraLoadsInFlight = 16;
constexpr int kAsyncQueueSize = 32768;
// The longest block or string (NUL included) the u16 length can carry.
constexpr int kAsyncParamMaxBytes = 65533;

inline uint8_t* AsyncRequestParams(AsyncRequest* request) {
    return reinterpret_cast<uint8_t*>(request + 1);
}

// Start and end of the module (window creation and window shutdown).
int AsyncLoadInit(DWORD mainThreadId);  // -1 when already initialised
int AsyncLoadTerm();                    // -1 when not initialised
// Creates the 32 workers, parked; allowed to run at once: processors - 1, at
// least 1. -1 (and no thread left) when a thread cannot be created.
int AsyncLoadStartThreads(int processorCount);
// Ends every worker (serving the main-thread queue meanwhile) and joins it.
int AsyncLoadStopThreads();

// A request with room for the packed parameters; null (and a log line) when
// memory runs out. Free one that was never queued with TrackedFree.
AsyncRequest* AsyncRequestAlloc(int parameterBytes);

// Packing: a size pass with buffer null (only the offset moves), then a fill
// pass into AsyncRequestParams. Put: 0, or -1 (offset unchanged) for a block
// or string longer than kAsyncParamMaxBytes or a negative size.
int AsyncParamPutBlock(uint8_t* buffer, int* offset, const void* data, int size);
int AsyncParamPutInt(uint8_t* buffer, int* offset, int32_t value);
int AsyncParamPutString(uint8_t* buffer, int* offset, const char* text);  // null allowed
int AsyncParamPutPointer(uint8_t* buffer, int* offset, const void* pointer);
// Get: in the order put; blocks and strings point into the buffer.
const void* AsyncParamGetBlock(const uint8_t* buffer, int* offset, int* size);  // size may be null
int32_t AsyncParamGetInt(const uint8_t* buffer, int* offset);
const char* AsyncParamGetString(const uint8_t* buffer, int* offset);  // null when put as null
void* AsyncParamGetPointer(const uint8_t* buffer, int* offset);

// Queues the request and wakes a worker; 0, or -1 when the loader is not
// initialised. A full queue ends the program.
int AsyncRequestEnqueue(AsyncRequest* request);
// -1 empty slot, -2 running while onlyIfNotRunning is set, else removes and
// frees the request: 0.
int AsyncRequestDelete(int queueSlot, int onlyIfNotRunning);
int AsyncRequestCount();

// A call a worker hands to the main thread; the caller's own arguments follow
// in a record that starts with this one.
struct MainThreadRequest;
typedef int32_t (*MainThreadFunction)(MainThreadRequest* request);
struct MainThreadRequest {
    MainThreadFunction function;
    int32_t workerSlot;
    int32_t result;
};

// From a worker only (any other thread ends the program): the function's
// result once the main thread has run it.
int32_t PostToMainThread(MainThreadRequest* request);
// Main thread only (-1 elsewhere or before AsyncLoadInit): runs posted calls
// for about 2 ms and wakes workers for queued requests. 0.
int ServeMainThreadRequests();

// Run on the main thread by ServeMainThreadRequests once after the last
// queued load has finished, to free what loading kept for reuse; null for
// none. The heap's free pages are handed back after it.
typedef void (*AsyncDrainedFunction)();
void AsyncSetDrainedHook(AsyncDrainedFunction hook);

// Observation for tests and the life cycle.
int AsyncLoadIsInitialised();
int AsyncAllowedWorkers();
int AsyncRunningWorkers();
int AsyncLiveWorkerThreads();      // workers created and not yet joined
int AsyncMainQueueCount();         // posted calls not served yet
int64_t AsyncWorkerResumeCount();  // resumes since AsyncLoadInit
int AsyncLoadsInFlight();
int AsyncLoadsInFlightLimit();

}  // namespace DuRud
