// Scripted input for whole-program runs: keys by DirectInput code, and keys
// and window events held back until a clock time, then delivered by the
// first message pump at or after it (so a run on the virtual clock gets them
// at the same point every time).
#include <SDL.h>

#include <cstdlib>
#include <mutex>
#include <vector>

#include "clock.h"
#include "test_knobs.h"
#include "user_state.h"

namespace platform::user {

namespace {

struct scheduled {
    int64_t atMs;
    bool isKey;
    KnobWindowEventKind kind;
    int code;
    bool down;
};

std::mutex scheduleMutex;
std::vector<scheduled> schedule;  // in the order given

}  // namespace

HWND PumpingWindow() {
    const DWORD self = CurrentThreadId();
    for (const auto& w : AllWindows())
        if (w->threadId == self && w->sdl && !w->gone) return w->handle;
    return nullptr;
}

void DeliverScheduledInput() {
    std::vector<scheduled> due;
    {
        std::lock_guard<std::mutex> lock(scheduleMutex);
        if (schedule.empty()) return;
        const int64_t now = ClockNowMilliseconds();
        const HWND window = PumpingWindow();
        if (!window) return;  // kept until the program has a window
        for (auto it = schedule.begin(); it != schedule.end();) {
            if (it->atMs <= now) {
                due.push_back(*it);
                it = schedule.erase(it);
            } else {
                ++it;
            }
        }
    }
    const HWND window = PumpingWindow();
    for (const scheduled& s : due) {
        if (s.isKey)
            KnobWindowKeyCode(window, s.code, s.down);
        else
            KnobWindowEvent(window, s.kind);
    }
}

void ResetScheduledInput() {
    std::lock_guard<std::mutex> lock(scheduleMutex);
    schedule.clear();
}

void ApplyScheduledInputEnvironment() {
    if (const char* at = std::getenv("VESSAMIRE_CLOSE_AT_MS"))
        KnobScheduleWindowEvent(std::atoll(at), KnobWindowEventKind::Close);
}

}  // namespace platform::user

using namespace platform::user;

bool KnobWindowKeyCode(HWND window, int directInputCode, bool down) {
    const int scancode = ScancodeFromPosition(directInputCode);
    return scancode >= 0 && KnobWindowKey(window, scancode, down);
}

void KnobScheduleWindowEvent(int64_t atMs, KnobWindowEventKind kind) {
    std::lock_guard<std::mutex> lock(scheduleMutex);
    schedule.push_back({atMs, false, kind, 0, false});
}

bool KnobScheduleKeyCode(int64_t atMs, int directInputCode, bool down) {
    if (ScancodeFromPosition(directInputCode) < 0) return false;
    std::lock_guard<std::mutex> lock(scheduleMutex);
    schedule.push_back({atMs, true, KnobWindowEventKind::Close, directInputCode, down});
    return true;
}
