// The handle manager: one table per handle type, records allocated zeroed
// and linked into the type's list, handles checked by type bits, slot index
// and check number, and deletion that waits for a running load.
#include "core/handle_manager.h"

#include <cstring>

#include "core/async_loading.h"
#include "core/text_literals.h"

namespace DuRud {
namespace {

HandleTypeRecord g_types[kHandleTypeCount];

void LockType(HandleTypeRecord* t) {
    LockWithSource(&t->lock, "VaRevize", __LINE__);
}
void UnlockType(HandleTypeRecord* t) {
    LeaveLock(&t->lock);
}

// The registered record of a type, or null.
HandleTypeRecord* RegisteredType(int type) {
    if (type < 0 || type >= kHandleTypeCount) return nullptr;
    HandleTypeRecord* t = &g_types[type];
    return t->initialised ? t : nullptr;
}

// The live record a handle names in its type's table, or null.
HandleHeader* FindRecord(const HandleTypeRecord* t, Handle handle) {
    if (!t->initialised || handle < 0) return nullptr;
    const uint32_t h = static_cast<uint32_t>(handle);
    if ((h & kHandleTypeMask) != t->typeBits) return nullptr;
    const int32_t index = static_cast<int32_t>(h & kHandleIndexMask);
    if (index >= t->maximumCount) return nullptr;
    HandleHeader* record = t->slots[index];
    if (!record) return nullptr;
    if ((static_cast<uint32_t>(record->checkNumber) << 16) != (h & kHandleCheckMask))
        return nullptr;
    return record;
}

HandleHeader* FindRecord(Handle handle) {
    if (handle < 0) return nullptr;
    const HandleTypeRecord* t = RegisteredType(HandleTypeOf(handle));
    return t ? FindRecord(t, handle) : nullptr;
}

int ChooseIndex(const HandleTypeRecord* t, Handle wanted) {
    if (wanted >= 0) {
        const int32_t index =
            static_cast<int32_t>(static_cast<uint32_t>(wanted) & kHandleIndexMask);
        if (index < t->maximumCount && !t->slots[index]) return index;
    }
    if (t->count == 0) return 0;
    if (t->highestIndex + 1 < t->maximumCount) return t->highestIndex + 1;
    if (t->lowestIndex - 1 >= 1) return t->lowestIndex - 1;
    for (int32_t i = 0; i < t->maximumCount; ++i) {
        if (!t->slots[i]) return i;
    }
    return -1;
}

// A wish names a slot below the maximum; any other value is no wish.
bool IsUsableWish(const HandleTypeRecord* t, Handle wanted) {
    return wanted >= 0 &&
           static_cast<int32_t>(static_cast<uint32_t>(wanted) & kHandleIndexMask) < t->maximumCount;
}

// Unlinks and frees a record and updates the bookkeeping; the lock is held.
void RemoveRecordLocked(HandleTypeRecord* t, HandleHeader* record) {
    const int32_t index =
        static_cast<int32_t>(static_cast<uint32_t>(record->handle) & kHandleIndexMask);
    RemoveHandleListNode(&record->node);
    t->slots[index] = nullptr;
    TrackedFree(record);
    t->count -= 1;
    if (t->count == 0) {
        t->lowestIndex = 0;
        t->highestIndex = 0;
    } else if (index == t->highestIndex) {
        int32_t i = index - 1;
        while (i > 0 && !t->slots[i]) --i;
        t->highestIndex = i;
    } else if (index == t->lowestIndex) {
        int32_t i = index + 1;
        while (i < t->highestIndex && !t->slots[i]) ++i;
        t->lowestIndex = i;
    }
}

bool Keeps(HandleKeepFilter keep, HandleHeader* record) {
    return keep != nullptr && keep(record) != 0;
}

}  // namespace

HandleTypeRecord* GetHandleTypeRecord(int type) {
    if (type < 0 || type >= kHandleTypeCount) return nullptr;
    return &g_types[type];
}

int ResetHandleCheckCounterForTest(int type) {
    if (type < 0 || type >= kHandleTypeCount || g_types[type].initialised) return -1;
    g_types[type].checkCounter = 0;
    return 0;
}

int InitHandleList(HandleListNode* head, HandleListNode* tail) {
    head->value = -1;
    head->data = nullptr;
    head->prev = nullptr;
    head->next = tail;
    tail->value = -1;
    tail->data = nullptr;
    tail->prev = head;
    tail->next = nullptr;
    return 0;
}

int AddHandleListNode(HandleListNode* head, HandleListNode* node, int32_t value, void* data) {
    node->value = value;
    node->data = data;
    node->prev = head;
    node->next = head->next;
    if (head->next) head->next->prev = node;
    head->next = node;
    return 0;
}

int RemoveHandleListNode(HandleListNode* node) {
    if (node->prev) node->prev->next = node->next;
    if (node->next) node->next->prev = node->prev;
    node->prev = nullptr;
    node->next = nullptr;
    return 0;
}

int RegisterHandleType(int type, int recordSize, int maximumCount, HandleInitCallback init,
                       HandleDeleteCallback release, const char* typeName) {
    if (type < 0 || type >= kHandleTypeCount) return -1;
    if (recordSize < static_cast<int>(sizeof(HandleHeader))) return -1;
    if (maximumCount < 1 || maximumCount > 65536) return -1;
    HandleTypeRecord* t = &g_types[type];
    if (t->initialised) return -1;
    const int32_t counter = t->checkCounter;
    std::memset(static_cast<void*>(t), 0, sizeof(*t));
    t->checkCounter = counter;
    t->typeBits = static_cast<uint32_t>(type) << 26;
    t->recordSize = recordSize;
    t->maximumCount = maximumCount;
    t->initCallback = init;
    t->deleteCallback = release;
    t->typeName = typeName ? typeName : "";
    t->slots = static_cast<HandleHeader**>(TrackedCalloc(
        static_cast<uint32_t>(maximumCount * sizeof(HandleHeader*)), __FILE__, __LINE__));
    if (!t->slots) return -1;
    InitHandleList(&t->head, &t->tail);
    InitLock(&t->lock);
    t->initialised = 1;
    return 0;
}

Handle AddHandle(int type, Handle wanted) {
    HandleTypeRecord* t = RegisteredType(type);
    if (!t) return -1;
    LockType(t);
    if (t->count >= t->maximumCount) {
        UnlockType(t);
        LogFormatLine(
            Cp932Text("%sハンドルの数が限界数( %d )に達していて新たなハンドルを作成できません"),
            t->typeName, t->maximumCount);
        return -1;
    }
    const int32_t index = ChooseIndex(t, wanted);
    auto* record = index < 0 ? nullptr
                             : static_cast<HandleHeader*>(TrackedCalloc(
                                   static_cast<uint32_t>(t->recordSize), __FILE__, __LINE__));
    if (!record) {
        UnlockType(t);
        LogFormatLine(Cp932Text("%sハンドルのデータを格納するメモリ領域の確保に失敗しました"),
                      t->typeName);
        return -1;
    }
    int32_t check;
    if (IsUsableWish(t, wanted)) {
        check = static_cast<int32_t>((static_cast<uint32_t>(wanted) >> 16) & 0x3FF);
    } else {
        t->checkCounter += 1;
        if (t->checkCounter >= 1023) t->checkCounter = 0;
        check = t->checkCounter;
    }
    const Handle handle = static_cast<Handle>((static_cast<uint32_t>(check) << 16) | t->typeBits |
                                              static_cast<uint32_t>(index));
    record->checkNumber = check;
    record->handle = handle;
    record->recordSize = t->recordSize;
    t->slots[index] = record;
    t->count += 1;
    if (t->count == 1) {
        t->lowestIndex = index;
        t->highestIndex = index;
    } else {
        if (index > t->highestIndex) t->highestIndex = index;
        if (index < t->lowestIndex) t->lowestIndex = index;
    }
    AddHandleListNode(&t->head, &record->node, handle, record);
    if (t->initCallback) t->initCallback(record);
    UnlockType(t);
    return handle;
}

int DeleteHandle(Handle handle) {
    if (handle < 0) return -1;
    HandleTypeRecord* t = RegisteredType(HandleTypeOf(handle));
    if (!t) return -1;
    LockType(t);
    HandleHeader* record = FindRecord(t, handle);
    if (!record) {
        UnlockType(t);
        return -1;
    }
    // A running loader polls the flag from its own thread.
    if (record->deletedFlag) std::atomic_ref<int32_t>(*record->deletedFlag).store(-1);
    // Only a positive count names a request: a loader that finished before
    // its caller recorded the request leaves the count at -1 for a moment.
    if (ReadPendingCount(record) > 0 && AsyncRequestDelete(record->asyncRequestId, 1) == -2) {
        // The load is running: its worker ends it (and may delete the handle
        // itself), so wait without the lock and look the handle up afresh.
        for (int turn = 0;; ++turn) {
            UnlockType(t);
            ServeMainThreadRequests();
            WaitTurn(turn);
            LockType(t);
            record = FindRecord(t, handle);
            if (!record) {
                UnlockType(t);
                return 0;
            }
            if (ReadPendingCount(record) <= 0) break;
        }
    }
    if (t->deleteCallback && t->deleteCallback(record) == 1) {
        UnlockType(t);
        return 0;
    }
    RemoveRecordLocked(t, record);
    UnlockType(t);
    return 0;
}

int DeleteTypedHandle(Handle handle) {
    return DeleteHandle(handle);
}

int DeleteAllHandles(int type, HandleKeepFilter keep) {
    HandleTypeRecord* t = RegisteredType(type);
    if (!t) return -1;
    LockType(t);
    if (t->count > 0) {
        for (int32_t i = t->lowestIndex; i <= t->highestIndex; ++i) {
            HandleHeader* record = t->slots[i];
            if (!record || Keeps(keep, record) || ReadPendingCount(record) <= 0) continue;
            // A request still queued is dropped, so the deletion below need
            // not wait for a load nobody will run.
            if (AsyncRequestDelete(record->asyncRequestId, 1) != -2) {
                std::atomic_ref<int32_t>(record->asyncPendingCount).store(0);
            }
        }
    }
    UnlockType(t);
    for (int32_t i = 0;; ++i) {
        LockType(t);
        if (t->count == 0 || i > t->highestIndex) {
            UnlockType(t);
            break;
        }
        if (i < t->lowestIndex) i = t->lowestIndex;
        HandleHeader* record = t->slots[i];
        const Handle h = (record && !Keeps(keep, record)) ? record->handle : -1;
        UnlockType(t);
        if (h != -1) DeleteHandle(h);
    }
    return 0;
}

int EndHandleType(int type) {
    HandleTypeRecord* t = RegisteredType(type);
    if (!t) return -1;
    DeleteAllHandles(type, nullptr);
    // Records whose delete callback refused stay until here; the type ends
    // with them, so they are freed rather than lost.
    LockType(t);
    for (int32_t i = 0; i < t->maximumCount && t->count > 0; ++i) {
        if (t->slots[i]) RemoveRecordLocked(t, t->slots[i]);
    }
    TrackedFree(t->slots);
    t->slots = nullptr;
    t->initialised = 0;
    UnlockType(t);
    DeleteLock(&t->lock);
    const int32_t counter = t->checkCounter;
    std::memset(static_cast<void*>(t), 0, sizeof(*t));
    t->checkCounter = counter;
    return 0;
}

int ResizeHandleRecord(Handle handle, int recordSize) {
    if (handle < 0 || recordSize < static_cast<int>(sizeof(HandleHeader))) return -1;
    HandleTypeRecord* t = RegisteredType(HandleTypeOf(handle));
    if (!t) return -1;
    LockType(t);
    HandleHeader* record = FindRecord(t, handle);
    if (!record) {
        UnlockType(t);
        return -1;
    }
    if (record->recordSize == recordSize) {
        UnlockType(t);
        return 0;
    }
    auto* moved = static_cast<HandleHeader*>(
        TrackedRealloc(record, static_cast<uint32_t>(recordSize), __FILE__, __LINE__));
    if (!moved) {
        UnlockType(t);
        return -1;
    }
    if (moved != record) {
        const int32_t index =
            static_cast<int32_t>(static_cast<uint32_t>(handle) & kHandleIndexMask);
        t->slots[index] = moved;
        moved->node.data = moved;
        if (moved->node.prev) moved->node.prev->next = &moved->node;
        if (moved->node.next) moved->node.next->prev = &moved->node;
    }
    moved->recordSize = recordSize;
    UnlockType(t);
    return 0;
}

HandleHeader* GetHandleRecord(Handle handle) {
    return FindRecord(handle);
}

HandleHeader* TypedHandleRecord(Handle handle, int type, int allowPending) {
    if (handle < 0 || HandleTypeOf(handle) != type) return nullptr;
    HandleHeader* record = FindRecord(handle);
    if (!record || (!allowPending && ReadPendingCount(record) != 0)) return nullptr;
    return record;
}

namespace {

// Runs use(record) with the handle's record found under its type's lock: a
// loader worker may delete the handle meanwhile, freeing the record.
template <typename Use>
int WithLockedRecord(Handle handle, Use use) {
    HandleTypeRecord* t = handle < 0 ? nullptr : RegisteredType(HandleTypeOf(handle));
    if (!t) return -1;
    LockType(t);
    HandleHeader* record = FindRecord(t, handle);
    const int result = record ? use(record) : -1;
    UnlockType(t);
    return result;
}

}  // namespace

int IsHandleAsyncPending(Handle handle) {
    return WithLockedRecord(
        handle, [](HandleHeader* record) { return ReadPendingCount(record) != 0 ? 1 : 0; });
}

int BeginHandleAsyncLoad(Handle handle, int requestId) {
    return WithLockedRecord(handle, [requestId](HandleHeader* record) {
        record->asyncRequestId = requestId;
        std::atomic_ref<int32_t>(record->asyncPendingCount).fetch_add(1);
        return 0;
    });
}

int EndHandleAsyncLoad(Handle handle) {
    return WithLockedRecord(handle, [](HandleHeader* record) {
        std::atomic_ref<int32_t>(record->asyncPendingCount).fetch_sub(1);
        return 0;
    });
}

int SetHandleDeletedFlagPointer(Handle handle, int32_t* flag) {
    return WithLockedRecord(handle, [flag](HandleHeader* record) {
        record->deletedFlag = flag;
        return 0;
    });
}

int EnqueueHandleLoad(int type, Handle handle, AsyncRequest* request) {
    HandleTypeRecord* record = GetHandleTypeRecord(type);
    LockWithSource(&record->lock, __FILE__, __LINE__);
    if (AsyncRequestEnqueue(request) != 0) {
        LeaveLock(&record->lock);
        TrackedFree(request);
        return -1;
    }
    BeginHandleAsyncLoad(handle, request->queueSlot);
    LeaveLock(&record->lock);
    return 0;
}

}  // namespace DuRud
