// The per-frame message pump: a bounded dispatch, parking while the window
// is inactive (still serving sound, network and the loader's requests), and
// the activation changes that arrived meanwhile, applied in message order.
#include "DuRud.h"
#include "core/async_loading.h"
#include "core/engine_lifecycle.h"
#include "core/system_services.h"
#include "core/text_literals.h"
#include "window/main_window.h"
#include "window/window_calls.h"
#include "window/window_state.h"

namespace DuRud {
namespace {

constexpr int kMessageBudget = 5;
constexpr int kEndingPasses = 10;

bool MustWait(const WindowSystemState& s) {
    return s.closing == 0 && s.ringCount == 0 && !s.settings.alwaysRun &&
           (!s.active || s.minimised);
}

void RefillSoundsOnSingleProcessor() {
    if (GetSystemState().processorCount == 1) {
        WindowCalls().RefillStreamSounds();
        WindowCalls().RefillSoftSoundPlayers();
    }
}

void ClipCursorIfWanted(WindowSystemState& s) {
    if (!s.settings.cursorClip || !s.active || s.minimised || !s.settings.windowMode ||
        s.cursorClipped) {
        return;
    }
    POINT p{};
    if (!GetCursorPos(&p)) return;
    const RECT& r = s.clientRect;
    if (p.x > r.left && p.y > r.top && p.x <= r.right && p.y <= r.bottom) {
        ClipCursor(&r);
        s.cursorClipped = 1;
    }
}

bool TakeMessage(const WindowSystemState& s, MSG* msg) {
    if (PeekMessageA(msg, nullptr, 0, 0, PM_NOREMOVE)) {
        return PeekMessageA(msg, nullptr, 0, 0, PM_REMOVE) != 0;
    }
    if (PeekMessageA(msg, reinterpret_cast<HWND>(-1), 0, 0, PM_REMOVE)) return true;
    return s.window && PeekMessageA(msg, s.window, 0, 0, PM_REMOVE) != 0;
}

// Dispatches up to the budget; false when quit stopped the loop.
bool DispatchPass(WindowSystemState& s) {
    MSG msg{};
    for (int budget = 0; budget < kMessageBudget && TakeMessage(s, &msg);) {
        if (msg.message == WM_ACTIVATEAPP && s.settings.windowMode) {
            s.active = LOWORD(msg.wParam);
        }
        if (s.quit) return false;
        if (msg.message == WM_QUIT) {
            s.quit = 1;
            SetEndRequestFlag();
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
        ++budget;
    }
    return true;
}

void MessageLoop(WindowSystemState& s) {
    const bool mainThread = IsEngineMainThread();
    bool waitBegun = false;
    for (int passes = 1;; ++passes) {
        const bool waiting = MustWait(s);
        if (waiting && !waitBegun) {
            waitBegun = true;
            s.inactiveSince = GetMillisecondCounter();
        }
        if (waiting) {
            Sleep(1);
            const int32_t now = GetMillisecondCounter();
            if (s.repaintPending && now - s.lastRepaintTime > 64) {
                WindowCalls().RepaintScreen();
                s.lastRepaintTime = now;
                s.repaintPending = 0;
            }
        }
        if (!DispatchPass(s)) break;
        if (waiting) {
            WindowCalls().ProcessNetworkMessages();
            RefillSoundsOnSingleProcessor();
            if (mainThread) ServeMainThreadRequests();
            Sleep(24);
        }
        if (s.quit || !mainThread || (s.ending != 0 && passes >= kEndingPasses)) break;
        if (!MustWait(s)) break;
    }
}

void HandleAltEnter(WindowSystemState& s) {
    if (!s.altEnterRequest || !s.settings.modeChangeAllowed || !IsEngineMainThread()) return;
    s.altEnterRequest = 0;
    ChangeWindowMode(s.settings.windowMode ? 0 : 1);
    if (s.modeChangeCallback) s.modeChangeCallback(s.modeChangeData);
}

void DrainActivationRing(WindowSystemState& s) {
    while (s.ringCount > 0 && !s.closing) {
        const ActivationEntry entry = s.ring[s.ringRead];
        s.ringRead = (s.ringRead + 1) % kActivationRingSize;
        --s.ringCount;
        WindowActivate(entry.wParam, static_cast<int>(entry.fromActivateApp));
    }
}

}  // namespace

int PumpWindowMessages() {
    WindowSystemState& s = WindowState();
    if (s.textInputGuard) return 0;
    s.inPump = 1;
    ClipCursorIfWanted(s);
    if (!GetEngineFlags().noWindow && s.window) {
        HandleAltEnter(s);
        MessageLoop(s);
    }
    DrainActivationRing(s);
    RefillSoundsOnSingleProcessor();
    if (!s.quit && IsEngineMainThread() && AsyncLoadIsInitialised()) ServeMainThreadRequests();
    const WindowModuleCalls& calls = WindowCalls();
    calls.PollMusicPlayState();
    calls.RefreshKeyboardState();
    calls.UpdateJoypadVibration();
    calls.ProcessNetworkMessages();
    s.textInputGuard = 1;
    calls.ProcessKeyInput();
    s.textInputGuard = 0;
    s.inPump = 0;
    return s.quit == 1 ? -1 : 0;
}

int QueueWindowActivation(WPARAM wParam, int fromActivateApp) {
    WindowSystemState& s = WindowState();
    if (s.inPump == 1 && s.creating == 0 && s.ringCount < kActivationRingSize) {
        s.ring[s.ringWrite] = {static_cast<uint32_t>(wParam),
                               static_cast<uint32_t>(fromActivateApp ? 1 : 0)};
        s.ringWrite = (s.ringWrite + 1) % kActivationRingSize;
        ++s.ringCount;
        return 0;
    }
    WindowActivate(wParam, fromActivateApp);
    return 0;
}

int WindowActivate(WPARAM wParam, int fromActivateApp) {
    WindowSystemState& s = WindowState();
    const WindowModuleCalls& calls = WindowCalls();
    uint32_t active = LOWORD(wParam) != 0 ? 1 : 0;
    if (s.creating) {
        s.active = active;
        return 0;
    }
    if (HIWORD(wParam) != 0) active = 0;
    if (active == s.active) return 0;
    s.active = active;
    const bool alwaysRun = s.settings.alwaysRun != 0;
    if (!active) {
        if (!s.settings.windowMode) {
            calls.ReleaseDeviceResources();
            ChangeDisplaySettingsA(nullptr, 0);
            if (s.window) ShowWindow(s.window, SW_MINIMIZE);
            if (calls.HasDirectDrawWindow() && !calls.HasRestoreCallback()) {
                LogWrite(Cp932Text("復元関数が登録されていないため終了します\n"));
                if (!s.closing && s.window) {
                    s.closing = 1;
                    PostMessageA(s.window, WM_CLOSE, 0, 0);
                }
                return -1;
            }
            calls.PauseAllMovies();
            calls.PauseAllSounds(1);
            calls.PauseSoftSoundPlayers(1);
        } else if (!alwaysRun) {
            calls.PauseAllMovies();
            calls.PauseAllSounds(1);
            calls.PauseSoftSoundPlayers(1);
        }
        calls.ReacquireInputDevices();
        if (s.cursorClipped) {
            ClipCursor(nullptr);
            s.cursorClipped = 0;
        }
    } else {
        if (s.settings.windowMode && calls.HasDirectDrawWindow() && calls.IsDeviceLost()) {
            calls.RestartDevice();
        }
        const bool fullScreenRunning = !s.settings.windowMode && GetEngineFlags().initialised;
        if (fullScreenRunning) calls.RestartDevice();
        if (fullScreenRunning || (s.settings.windowMode && !alwaysRun)) {
            calls.ResumeAllMovies();
            calls.PauseAllSounds(0);
            calls.PauseSoftSoundPlayers(0);
        }
        calls.ReacquireInputDevices();
        calls.StartImeReset();
    }
    calls.ApplyJoypadVibration();
    if (s.activationCallback && !fromActivateApp) {
        s.activationCallback(static_cast<int>(s.active), s.activationData);
    }
    return 0;
}

int ForceForegroundWindow(void* window, int topmost) {
    HWND target = static_cast<HWND>(window);
    HWND foreground = GetForegroundWindow();
    const DWORD own = GetCurrentThreadId();
    const DWORD other = foreground ? GetWindowThreadProcessId(foreground, nullptr) : own;
    const bool attach = other != own && other != 0;
    if (attach) AttachThreadInput(own, other, TRUE);
    DWORD timeout = 0;
    SystemParametersInfoA(SPI_GETFOREGROUNDLOCKTIMEOUT, 0, &timeout, 0);
    SystemParametersInfoA(SPI_SETFOREGROUNDLOCKTIMEOUT, 0, nullptr, 0);
    const BOOL result = SetForegroundWindow(target);
    SystemParametersInfoA(SPI_SETFOREGROUNDLOCKTIMEOUT, 0,
                          reinterpret_cast<void*>(static_cast<uintptr_t>(timeout)), 0);
    if (attach) AttachThreadInput(own, other, FALSE);
    if (topmost == 1 && WindowState().window) {
        SetWindowPos(WindowState().window, HWND_TOPMOST, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOREDRAW);
    }
    return result;
}

}  // namespace DuRud
