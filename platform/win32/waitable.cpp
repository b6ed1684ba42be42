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
    // Guarded by `lock`: the waits under way, the wakes so far, and how many
    // waits have not re-checked their condition since the last wake.
    int waiters = 0;
    uint64_t wakes = 0;
    int stale = 0;
};

WaitState& state() {
    static WaitState* s = new WaitState;  // used by threads that outlive static destruction
    return *s;
}

// One wait under way, with the wakes it has seen (see ClockSetStaleWaiters):
// a wait that finds its condition false has looked again and is caught up
// at once; one that ends is caught up only once it no longer counts as
// blocked, so the clock cannot move between the two. `lock` is held.
class Registration {
  public:
    Registration() : seen_(state().wakes) { ++state().waiters; }
    ~Registration() {
        catchUp();
        --state().waiters;
    }
    Registration(const Registration&) = delete;
    Registration& operator=(const Registration&) = delete;

    void catchUp() {
        WaitState& s = state();
        if (seen_ == s.wakes) return;
        seen_ = s.wakes;
        platform::ClockSetStaleWaiters(--s.stale);
    }

  private:
    uint64_t seen_;
};

// Waits on the one condition variable until `ready` or the time-out.
bool waitRegistered(std::unique_lock<std::mutex>& l, DWORD timeoutMs,
                    const std::function<bool()>& ready) {
    Registration r;
    return ClockWaitFor(l, state().cv, timeoutMs, [&] {
        if (ready()) return true;
        r.catchUp();
        return false;
    });
}

}  // namespace

std::mutex& WaitLock() {
    return state().lock;
}

void WaitWakeAll(bool lockHeld) {
    WaitState& s = state();
    // Taking the lock orders this wake after any waiter's last check.
    std::unique_lock<std::mutex> g(s.lock, std::defer_lock);
    if (!lockHeld) g.lock();
    // Every wait under way has yet to look again.
    ++s.wakes;
    if (s.stale != s.waiters) ClockSetStaleWaiters(s.stale = s.waiters);
    s.cv.notify_all();
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
    if (!waitRegistered(l, timeoutMs, ready)) return WAIT_TIMEOUT;
    return result;
}

bool WaitForCondition(const std::function<bool()>& ready, DWORD timeoutMs) {
    std::unique_lock<std::mutex> l(state().lock);
    return waitRegistered(l, timeoutMs, ready);
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
