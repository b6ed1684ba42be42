// The process heap: blocks from the C heap, with a registry of live blocks
// so that sizes are exact and a foreign or freed pointer is refused instead
// of corrupting memory.
#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <unordered_map>

#include "test_knobs.h"
#include "win32/large_blocks.h"
#include "win_kernel.h"

namespace {

// Larger requests are refused outright (no C heap can give them, and some
// allocators stop the program instead of failing).
constexpr SIZE_T kLargestBlock = SIZE_T{1} << 39;
constexpr DWORD kAllocFlags = HEAP_NO_SERIALIZE | HEAP_GENERATE_EXCEPTIONS | HEAP_ZERO_MEMORY;

struct ProcessHeap {
    std::mutex lock;
    std::unordered_map<void*, SIZE_T> sizes;
};

ProcessHeap& heap() {
    static ProcessHeap* h = new ProcessHeap;  // blocks may be freed during exit
    return *h;
}

// Large blocks (pictures, decoded sounds, textures) are mapped from the
// system and handed back when freed; from 2 MB on they are our own huge-page
// mappings (large_blocks.h), below that the C heap's. The C heap's own rule raises its
// threshold after the first such free and then keeps every later large block
// in its arenas, so the memory of loads long finished stayed with the process.
[[maybe_unused]] const int largeBlocksMapped = mallopt(M_MMAP_THRESHOLD, 256 * 1024);
// Two arenas: every loader thread with an arena of its own kept the freed
// pieces of its loads in it, megabytes resident across the idle workers.
[[maybe_unused]] const int fewArenas = mallopt(M_ARENA_MAX, 2);

// HeapAlloc calls left until the one that fails (knob); 0: none fails.
std::atomic<int> allocsUntilFailure{0};

// A block of the C heap, or a huge-page mapping when it is that large (a
// mapping is zeroed already). The engine fills such blocks whole (pictures,
// decoded sounds), so all of it is advised. A zeroed block of the C heap
// comes from calloc, which leaves a fresh mapping as the system zeroed it
// instead of touching every page before the caller writes it again.
void* takeBlock(SIZE_T bytes, bool zero, bool* zeroed) {
    if (void* mapped = platform::MapLargeBlock(bytes, true)) {
        *zeroed = true;
        return mapped;
    }
    *zeroed = zero;
    return zero ? std::calloc(1, bytes ? bytes : 1) : std::malloc(bytes ? bytes : 1);
}

void giveBack(void* block) {
    if (!platform::UnmapLargeBlock(block)) std::free(block);
}

// True for the call the knob picked; counts down otherwise.
bool injectedFailure() {
    int left = allocsUntilFailure.load();
    while (left > 0) {
        if (allocsUntilFailure.compare_exchange_weak(left, left - 1)) return left == 1;
    }
    return false;
}

bool checkHeap(HANDLE h) {
    if (h == GetProcessHeap()) return true;
    SetLastError(ERROR_INVALID_HANDLE);
    return false;
}

}  // namespace

HANDLE WINAPI GetProcessHeap() {
    return static_cast<HANDLE>(&heap());
}

LPVOID WINAPI HeapAlloc(HANDLE h, DWORD flags, SIZE_T bytes) {
    if (!checkHeap(h)) return nullptr;
    if ((flags & ~kAllocFlags) != 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    bool zeroed = false;
    void* p = bytes <= kLargestBlock && !injectedFailure()
                  ? takeBlock(bytes, (flags & HEAP_ZERO_MEMORY) != 0, &zeroed)
                  : nullptr;
    if (!p) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    if ((flags & HEAP_ZERO_MEMORY) && !zeroed) std::memset(p, 0, bytes);
    std::lock_guard<std::mutex> g(heap().lock);
    heap().sizes[p] = bytes;
    return p;
}

LPVOID WINAPI HeapReAlloc(HANDLE h, DWORD flags, LPVOID memory, SIZE_T bytes) {
    if (!checkHeap(h)) return nullptr;
    if ((flags & ~(kAllocFlags | HEAP_REALLOC_IN_PLACE_ONLY)) != 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    ProcessHeap& hp = heap();
    std::lock_guard<std::mutex> g(hp.lock);
    auto it = hp.sizes.find(memory);
    if (it == hp.sizes.end()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    SIZE_T old = it->second;
    if (flags & HEAP_REALLOC_IN_PLACE_ONLY) {
        // A block can only shrink where it stands.
        if (bytes > old) {
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return nullptr;
        }
        it->second = bytes;
        return memory;
    }
    bool zeroed = false;
    void* p = bytes <= kLargestBlock ? takeBlock(bytes, false, &zeroed) : nullptr;
    if (!p) {  // the old block stays valid
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    std::memcpy(p, memory, old < bytes ? old : bytes);
    if ((flags & HEAP_ZERO_MEMORY) && bytes > old && !zeroed)
        std::memset(static_cast<char*>(p) + old, 0, bytes - old);
    hp.sizes.erase(it);
    giveBack(memory);
    hp.sizes[p] = bytes;
    return p;
}

BOOL WINAPI HeapFree(HANDLE h, DWORD, LPVOID memory) {
    if (!checkHeap(h)) return FALSE;
    if (memory == nullptr) return TRUE;
    {
        std::lock_guard<std::mutex> g(heap().lock);
        if (heap().sizes.erase(memory) == 0) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
    }
    giveBack(memory);
    return TRUE;
}

SIZE_T WINAPI HeapSize(HANDLE h, DWORD, LPCVOID memory) {
    if (!checkHeap(h)) return static_cast<SIZE_T>(-1);
    std::lock_guard<std::mutex> g(heap().lock);
    auto it = heap().sizes.find(const_cast<void*>(memory));
    if (it == heap().sizes.end()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return static_cast<SIZE_T>(-1);
    }
    return it->second;
}

SIZE_T WINAPI HeapCompact(HANDLE h, DWORD) {
    if (!checkHeap(h)) return 0;
    // Free pages inside the arenas go back to the system, not only the top.
    malloc_trim(0);
    const struct mallinfo2 info = mallinfo2();
    // The largest free block is not known; the free bytes bound it.
    return info.fordblks;
}

// --- memory (kernel) knobs ------------------------------------------------------
void KnobFailHeapAlloc(int n) {
    allocsUntilFailure.store(n > 0 ? n : 0);
}
size_t KnobHeapBlockCount() {
    std::lock_guard<std::mutex> g(heap().lock);
    return heap().sizes.size();
}
