// Global memory. A moveable block lives in the kernel handle table (its
// HGLOBAL is a kernel handle, locked to reach the bytes); a fixed block's
// HGLOBAL is its address, found through a registry of addresses. The same
// registry maps a moveable block's address back to its handle.
#include <cstring>
#include <map>
#include <memory>
#include <mutex>

#include "kernel_objects.h"
#include "win_kernel.h"

namespace platform {
namespace {

constexpr SIZE_T kLargestBlock = SIZE_T{1} << 39;
constexpr UINT kKnownFlags = GMEM_MOVEABLE | GMEM_NOCOMPACT | GMEM_NODISCARD | GMEM_ZEROINIT |
                             GMEM_DISCARDABLE | GMEM_NOT_BANKED | GMEM_SHARE;

class GlobalBlock;

struct Entry {
    GlobalBlock* block;
    HGLOBAL handle;
    std::shared_ptr<GlobalBlock> fixedOwner;  // fixed blocks only: the registry owns them
};

struct Registry {
    std::mutex lock;
    std::map<const void*, Entry> byAddress;
};

Registry& registry() {
    static Registry* r = new Registry;
    return *r;
}

class GlobalBlock : public KernelObject {
  public:
    GlobalBlock(std::unique_ptr<BYTE[]> bytes, SIZE_T size, bool moveable)
        : bytes(std::move(bytes)), size(size), moveable(moveable) {}
    ~GlobalBlock() override {
        // Forget the address, whichever way the block went (GlobalFree or
        // CloseHandle on a moveable handle).
        std::lock_guard<std::mutex> g(registry().lock);
        auto it = registry().byAddress.find(bytes.get());
        if (it != registry().byAddress.end() && it->second.block == this)
            registry().byAddress.erase(it);
    }
    std::unique_ptr<BYTE[]> bytes;
    const SIZE_T size;
    const bool moveable;
    std::mutex lock;
    int lockCount = 0;  // moveable blocks only
};

// The block behind a handle; null with ERROR_INVALID_HANDLE when none.
std::shared_ptr<GlobalBlock> blockOf(HGLOBAL handle) {
    if (handle == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    {
        std::lock_guard<std::mutex> g(registry().lock);
        auto it = registry().byAddress.find(handle);
        if (it != registry().byAddress.end() && it->second.fixedOwner) return it->second.fixedOwner;
    }
    auto block = KernelHandleGetAs<GlobalBlock>(handle);
    if (!block) SetLastError(ERROR_INVALID_HANDLE);
    return block;
}

}  // namespace
}  // namespace platform

using platform::GlobalBlock;

HGLOBAL WINAPI GlobalAlloc(UINT flags, SIZE_T bytes) {
    if ((flags & ~platform::kKnownFlags) != 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (bytes > platform::kLargestBlock) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    std::unique_ptr<BYTE[]> data(new (std::nothrow) BYTE[bytes ? bytes : 1]);
    if (!data) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    if (flags & GMEM_ZEROINIT) std::memset(data.get(), 0, bytes ? bytes : 1);
    bool moveable = (flags & GMEM_MOVEABLE) != 0;
    auto block = std::make_shared<GlobalBlock>(std::move(data), bytes, moveable);
    const void* address = block->bytes.get();
    HGLOBAL handle;
    if (moveable) {
        handle = platform::KernelHandleAdd(block);
        if (!handle) {
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return nullptr;
        }
    } else {
        handle = const_cast<void*>(address);
    }
    std::lock_guard<std::mutex> g(platform::registry().lock);
    platform::registry().byAddress[address] = {block.get(), handle, moveable ? nullptr : block};
    return handle;
}

LPVOID WINAPI GlobalLock(HGLOBAL memory) {
    auto block = platform::blockOf(memory);
    if (!block) return nullptr;
    if (block->moveable) {
        std::lock_guard<std::mutex> g(block->lock);
        ++block->lockCount;
    }
    return block->bytes.get();
}

BOOL WINAPI GlobalUnlock(HGLOBAL memory) {
    auto block = platform::blockOf(memory);
    if (!block) return FALSE;
    if (!block->moveable) {
        SetLastError(NO_ERROR);
        return FALSE;
    }
    std::lock_guard<std::mutex> g(block->lock);
    if (block->lockCount == 0) {
        SetLastError(ERROR_NOT_LOCKED);
        return FALSE;
    }
    if (--block->lockCount > 0) return TRUE;
    SetLastError(NO_ERROR);
    return FALSE;
}

SIZE_T WINAPI GlobalSize(HGLOBAL memory) {
    auto block = platform::blockOf(memory);
    return block ? block->size : 0;
}

UINT WINAPI GlobalFlags(HGLOBAL memory) {
    auto block = platform::blockOf(memory);
    if (!block) return GMEM_INVALID_HANDLE;
    std::lock_guard<std::mutex> g(block->lock);
    return static_cast<UINT>(block->lockCount) & GMEM_LOCKCOUNT;
}

HGLOBAL WINAPI GlobalFree(HGLOBAL memory) {
    if (memory == nullptr) return nullptr;
    auto block = platform::blockOf(memory);
    if (!block) return memory;
    if (block->moveable) {
        platform::KernelHandleRemove(memory);
        return nullptr;
    }
    std::shared_ptr<GlobalBlock> owner;  // released outside the registry lock
    {
        std::lock_guard<std::mutex> g(platform::registry().lock);
        auto it = platform::registry().byAddress.find(memory);
        if (it == platform::registry().byAddress.end() || !it->second.fixedOwner) {
            SetLastError(ERROR_INVALID_HANDLE);  // freed by another thread meanwhile
            return memory;
        }
        owner = std::move(it->second.fixedOwner);
        platform::registry().byAddress.erase(it);
    }
    return nullptr;
}

HGLOBAL WINAPI GlobalHandle(LPCVOID memory) {
    HGLOBAL handle = nullptr;
    {
        std::lock_guard<std::mutex> g(platform::registry().lock);
        auto it = platform::registry().byAddress.find(memory);
        if (it != platform::registry().byAddress.end()) handle = it->second.handle;
    }
    if (!handle) SetLastError(ERROR_INVALID_HANDLE);
    return handle;
}
