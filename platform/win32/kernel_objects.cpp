// The generation-checked table behind every kernel HANDLE, and CloseHandle.
#include "kernel_objects.h"

#include <mutex>
#include <vector>

#include "win_kernel.h"

namespace platform {
namespace {

struct Slot {
    std::shared_ptr<KernelObject> object;
    uint32_t generation = 1;
};

struct Table {
    std::mutex lock;
    std::vector<Slot> slots;
    std::vector<uint32_t> freeList;
    size_t live = 0;
};

Table& table() {
    static Table* t = new Table;  // outlives every thread; never destroyed at exit
    return *t;
}

// Handle value: (generation << 20 | index + 1) << 2, so values are multiples
// of four like Windows handles, never 0 and never -1 or the pseudo handles.
constexpr uintptr_t kIndexBits = 20;
constexpr uintptr_t kIndexMask = (uintptr_t{1} << kIndexBits) - 1;

HANDLE encode(uint32_t index, uint32_t generation) {
    uintptr_t v = ((uintptr_t{generation} << kIndexBits) | (index + 1)) << 2;
    return reinterpret_cast<HANDLE>(v);
}

bool decode(HANDLE h, uint32_t& index, uint32_t& generation) {
    uintptr_t v = reinterpret_cast<uintptr_t>(h);
    if (v == 0 || (v & 3) != 0 || v >= (uintptr_t{1} << 62)) return false;
    v >>= 2;
    uintptr_t i = v & kIndexMask;
    if (i == 0) return false;
    index = static_cast<uint32_t>(i - 1);
    generation = static_cast<uint32_t>(v >> kIndexBits);
    return true;
}

}  // namespace

HANDLE KernelHandleAdd(std::shared_ptr<KernelObject> object) {
    Table& t = table();
    std::lock_guard<std::mutex> g(t.lock);
    uint32_t index;
    if (!t.freeList.empty()) {
        index = t.freeList.back();
        t.freeList.pop_back();
    } else {
        if (t.slots.size() >= kIndexMask - 1) return nullptr;
        index = static_cast<uint32_t>(t.slots.size());
        t.slots.emplace_back();
    }
    Slot& s = t.slots[index];
    s.object = std::move(object);
    ++t.live;
    return encode(index, s.generation);
}

std::shared_ptr<KernelObject> KernelHandleGet(HANDLE handle) {
    uint32_t index, generation;
    Table& t = table();
    {
        std::lock_guard<std::mutex> g(t.lock);
        if (decode(handle, index, generation) && index < t.slots.size() &&
            t.slots[index].generation == generation && t.slots[index].object)
            return t.slots[index].object;
    }
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
}

bool KernelHandleRemove(HANDLE handle) {
    uint32_t index, generation;
    std::shared_ptr<KernelObject> dropped;  // released outside the lock
    Table& t = table();
    {
        std::lock_guard<std::mutex> g(t.lock);
        if (!decode(handle, index, generation) || index >= t.slots.size()) return false;
        Slot& s = t.slots[index];
        if (s.generation != generation || !s.object) return false;
        dropped = std::move(s.object);
        s.generation = (s.generation + 1) & 0x3FFFFFFF;
        if (s.generation == 0) s.generation = 1;
        t.freeList.push_back(index);
        --t.live;
    }
    return true;
}

size_t KernelHandleCount() {
    Table& t = table();
    std::lock_guard<std::mutex> g(t.lock);
    return t.live;
}

}  // namespace platform

namespace {
thread_local DWORD lastError = 0;
}

DWORD WINAPI GetLastError() {
    return lastError;
}
void WINAPI SetLastError(DWORD code) {
    lastError = code;
}

BOOL WINAPI CloseHandle(HANDLE handle) {
    if (platform::KernelHandleRemove(handle)) return TRUE;
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
}
