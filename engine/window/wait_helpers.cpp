// Waiting that keeps the window alive: parking while inactive, timed waits
// that pump, and waiting for any input.
#include "DuRud.h"
#include "core/engine_lifecycle.h"
#include "window/main_window.h"
#include "window/window_calls.h"
#include "window/window_state.h"

namespace DuRud {

namespace {
// Counter time between two yields of the closing spin of a timed wait.
constexpr int64_t kSpinYieldMicroseconds = 100;
}  // namespace

int IsWaitWhileInactiveNeeded() {
    const WindowSystemState& s = WindowState();
    if (s.settings.alwaysRun) return 0;
    if (s.active && !s.minimised) return 0;
    if (s.inPaint || WindowCalls().IsFlipInProgress()) return 0;
    if (!s.window || IsUserWindowMode()) return 0;
    return 1;
}

int WaitWhileInactive() {
    WindowSystemState& s = WindowState();
    if (!IsWaitWhileInactiveNeeded() || s.quit || !s.window) return 0;
    s.inactiveSince = GetMillisecondCounter();
    int result = 0;
    do {
        result = PumpWindowMessages();
    } while (result == 0 && !(s.active && !s.minimised));
    return result;
}

int WaitMilliseconds(uint32_t milliseconds) {
    const int64_t now = GetMicrosecondCounter();
    // Without a clock the target can never be reached.
    if (now < 0) return 0;
    const int64_t target = now + static_cast<int64_t>(milliseconds) * 1000;
    if (milliseconds > 4) {
        while (GetMicrosecondCounter() < target - 4000) {
            if (PumpWindowMessages() != 0) break;
            Sleep(1);
        }
    }
    // The last stretch without pumping: whole milliseconds asleep while more
    // than a sleep's overshoot remains, then a spin on the counter to the
    // target that yields its turn every 100 us, so loader threads sharing the
    // core go on instead of watching it. A yield on each read would cost a
    // whole time slice per read on a busy core: thousands a wait.
    for (int64_t t = GetMicrosecondCounter(); t >= 0 && t < target - 1500;
         t = GetMicrosecondCounter())
        Sleep(1);
    int64_t yielded = GetMicrosecondCounter();
    for (int64_t t = yielded; t >= 0 && t < target; t = GetMicrosecondCounter()) {
        if (t - yielded < kSpinYieldMicroseconds) continue;
        Sleep(0);
        yielded = t;
    }
    return 0;
}

int WaitForAnyInput() {
    const WindowModuleCalls& calls = WindowCalls();
    while (calls.GetAnyInputBits() != 0) {
        if (PumpWindowMessages() != 0) return 0;
        Sleep(1);
    }
    for (;;) {
        if (PumpWindowMessages() != 0) return 0;
        const int bits = calls.GetAnyInputBits();
        if (bits != 0) return bits;
        Sleep(1);
    }
}

}  // namespace DuRud
