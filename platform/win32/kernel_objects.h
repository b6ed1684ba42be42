// The kernel's handle table: every HANDLE the kernel stand-in gives out
// (threads, events, files, find searches, global memory) names one entry.
// Handles carry a generation, so a stale or made-up value fails cleanly
// instead of reaching a freed object.
#pragma once

#include <memory>

#include "win_types.h"

namespace platform {

// Base of every object behind a kernel HANDLE.
class KernelObject {
public:
    virtual ~KernelObject() = default;
};

// Adds an object; returns its new handle (never null, never INVALID_HANDLE_VALUE).
HANDLE KernelHandleAdd(std::shared_ptr<KernelObject> object);

// The object behind a handle, or null (with ERROR_INVALID_HANDLE set) when
// the handle is not live.
std::shared_ptr<KernelObject> KernelHandleGet(HANDLE handle);

template <class T>
std::shared_ptr<T> KernelHandleGetAs(HANDLE handle) {
    return std::dynamic_pointer_cast<T>(KernelHandleGet(handle));
}

// Drops the table's reference; false when the handle is not live.
bool KernelHandleRemove(HANDLE handle);

// Number of live handles (tests count leaks with it).
size_t KernelHandleCount();

}  // namespace platform
