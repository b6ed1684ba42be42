// The handle manager's per-type tables. Modules that check their handles
// inline (graphics, fonts, sound, movies, files) read these records, so the
// layout is shared; everything else goes through the functions in DuRud.h.
#pragma once

#include <atomic>
#include <cstdint>

#include "DuRud.h"
#include "core/threads_and_locks.h"

namespace DuRud {

struct HandleTypeRecord {
    int32_t initialised;
    HandleHeader** slots;  // maximumCount entries; null = free slot
    HandleListNode head;   // live records, newest first
    HandleListNode tail;
    uint32_t typeBits;  // type << 26
    int32_t recordSize;
    int32_t maximumCount;
    int32_t count;
    int32_t lowestIndex;
    int32_t highestIndex;
    int32_t checkCounter;  // kept across EndHandleType and a new registration
    TracedLock lock;
    HandleInitCallback initCallback;
    HandleDeleteCallback deleteCallback;
    const char* typeName;
};

// The record of a type (0-31), or null for another type.
HandleTypeRecord* GetHandleTypeRecord(int type);

// The type number of a handle (bits 26-30).
inline int HandleTypeOf(Handle handle) {
    return static_cast<int>((static_cast<uint32_t>(handle) & kHandleTypeMask) >> 26);
}

// The pending-load count is changed by the loader that owns the request while
// other threads read it without the type's lock.
inline int32_t ReadPendingCount(const HandleHeader* record) {
    return std::atomic_ref<int32_t>(const_cast<int32_t&>(record->asyncPendingCount))
        .load(std::memory_order_acquire);
}

// Visits every live record of a registered type in slot order (main thread,
// while no loader changes the table).
template <typename Visit>
void ForEachHandleRecord(int type, Visit visit) {
    HandleTypeRecord* t = GetHandleTypeRecord(type);
    if (!t || !t->initialised || t->count == 0) return;
    for (int32_t i = t->lowestIndex; i <= t->highestIndex; ++i)
        if (t->slots[i]) visit(t->slots[i]);
}

// The record of a live handle of the type, or null; a record with a load
// pending only with allowPending.
HandleHeader* TypedHandleRecord(Handle handle, int type, int allowPending);

// Forgets every type's check counter (tests that count issued check numbers
// from a fresh program). Only while the type is not registered.
int ResetHandleCheckCounterForTest(int type);

struct AsyncRequest;
// Queues a handle's load request under its type's lock and marks the handle
// pending; -1 (the request freed) when the loader cannot take it.
int EnqueueHandleLoad(int type, Handle handle, AsyncRequest* request);

}  // namespace DuRud
