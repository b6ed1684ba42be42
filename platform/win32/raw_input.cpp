// Mouse motion totals and the listener that DirectInput devices use to learn
// that keys or the mouse changed (to signal their notification events).
#include <atomic>
#include <mutex>

#include "user_state.h"

namespace platform::user {

namespace {

std::mutex totalsMutex;
MouseTotals totals;
std::atomic<RawInputListener> listener{nullptr};

}  // namespace

void AddMouseMotion(int dx, int dy) {
    if (dx == 0 && dy == 0) return;
    {
        std::lock_guard<std::mutex> lock(totalsMutex);
        totals.x += dx;
        totals.y += dy;
    }
    NotifyRawInput(RawInputKind::Mouse);
}

void AddMouseWheel(int delta) {
    if (delta == 0) return;
    {
        std::lock_guard<std::mutex> lock(totalsMutex);
        totals.wheel += delta;
    }
    NotifyRawInput(RawInputKind::Mouse);
}

MouseTotals GetMouseTotals() {
    std::lock_guard<std::mutex> lock(totalsMutex);
    return totals;
}

void SetRawInputListener(RawInputListener l) {
    listener.store(l);
}

void NotifyRawInput(RawInputKind kind) {
    if (RawInputListener l = listener.load()) l(kind);
}

}  // namespace platform::user
