// One lock and one condition variable for every wait of the layer.
#include "waitable.h"

#include <condition_variable>
#include <vector>

#include "clock.h"
#include "thread_objects.h"
#include "win_kernel.h"

namespace platform {
namespace {

struct WaitState {
    std::mutex lock;
    std::condition_variable cv;
};

WaitState& state() {
    static WaitState* s = new WaitState;  // used by threads that outlive static destruction
    return *s;
}

}  // namespace

std::mutex& WaitLock() {
    return state().lock;
}

void WaitWakeAll(bool lockHeld) {
    if (!lockHeld) {
        // Taking the lock orders this wake after any waiter's last check.
        std::lock_guard<std::mutex> g(state().lock);
    }
    state().cv.notify_all();
}

std::shared_ptr<Waitable> WaitableFromHandle(HANDLE handle) {
    if (handle == GetCurrentThread()) return CurrentThreadObject();
    auto object = KernelHandleGet(handle);
    auto waitable = std::dynamic_pointer_cast<Waitable>(object);
    if (!waitable) SetLastError(ERROR_INVALID_HANDLE);
    return waitable;
}

DWORD WaitForObjects(DWORD count, const HANDLE* handles, bool waitAll, DWORD timeoutMs,
                     const std::function<bool()>& extraReady) {
    if (count > MAXIMUM_WAIT_OBJECTS || (count > 0 && handles == nullptr)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return WAIT_FAILED;
    }
    std::vector<std::shared_ptr<Waitable>> objects;
    objects.reserve(count);
    for (DWORD i = 0; i < count; ++i) {
        auto w = WaitableFromHandle(handles[i]);
        if (!w) return WAIT_FAILED;
        if (waitAll)
            for (auto& other : objects)
                if (other == w) {
                    SetLastError(ERROR_INVALID_PARAMETER);
                    return WAIT_FAILED;
                }
        objects.push_back(std::move(w));
    }

    DWORD result = WAIT_TIMEOUT;
    auto ready = [&]() -> bool {
        if (waitAll) {
            for (auto& o : objects)
                if (!o->IsSignalled()) return false;
            if (extraReady && !extraReady()) return false;
            for (auto& o : objects) o->Consume();
            result = WAIT_OBJECT_0;
            return true;
        }
        for (DWORD i = 0; i < count; ++i)
            if (objects[i]->IsSignalled()) {
                objects[i]->Consume();
                result = WAIT_OBJECT_0 + i;
                return true;
            }
        if (extraReady && extraReady()) {
            result = WAIT_OBJECT_0 + count;
            return true;
        }
        return false;
    };
    std::unique_lock<std::mutex> l(state().lock);
    if (!ClockWaitFor(l, state().cv, timeoutMs, ready)) return WAIT_TIMEOUT;
    return result;
}

bool WaitForCondition(const std::function<bool()>& ready, DWORD timeoutMs) {
    std::unique_lock<std::mutex> l(state().lock);
    return ClockWaitFor(l, state().cv, timeoutMs, ready);
}

}  // namespace platform

DWORD WINAPI WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
    return platform::WaitForObjects(1, &handle, false, milliseconds);
}

DWORD WINAPI WaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll,
                                    DWORD milliseconds) {
    if (count == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return WAIT_FAILED;
    }
    return platform::WaitForObjects(count, handles, waitAll != FALSE, milliseconds);
}
