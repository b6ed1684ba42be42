// The main window's procedure: turns window messages into engine state
// (quit, activation, paint, the Alt+Enter request, input forwarding).
#include <cstring>

#include "DuRud.h"
#include "core/async_loading.h"
#include "core/engine_lifecycle.h"
#include "core/module_calls.h"
#include "core/system_services.h"
#include "core/text_literals.h"
#include "graphics/screen_state.h"
#include "window/main_window.h"
#include "window/window_calls.h"
#include "window/window_state.h"

namespace DuRud {
namespace {

// WM_SIZING edges.
constexpr WPARAM kSizingLeft = 1, kSizingRight = 2, kSizingTop = 3, kSizingTopLeft = 4,
                 kSizingTopRight = 5, kSizingBottom = 6, kSizingBottomLeft = 7,
                 kSizingBottomRight = 8;
constexpr int kMinimumClient = 128;
constexpr UINT kKeyboardFlagOn = WM_USER + 111;
constexpr UINT kKeyboardFlagOff = WM_USER + 112;
// IME message ranges and the MCI notification (documented values).
constexpr UINT kImeStartComposition = 0x010D, kImeKeyLast = 0x010F;
constexpr UINT kImeSetContext = 0x0281, kImeKeyUp = 0x0291;
constexpr UINT kMciNotify = 0x03B9;

void Log(const char* utf8) {
    LogWrite(Cp932Text(utf8));
}

void StoreWindowRect(WindowSystemState& s) {
    GetWindowRect(s.window, &s.windowRect);
}

void PostCloseOnce(WindowSystemState& s) {
    if (s.closing) return;
    s.closing = 1;
    PostMessageA(s.window, WM_CLOSE, 0, 0);
}

void RepaintIfDue(WindowSystemState& s, const PAINTSTRUCT& paint) {
    const WindowModuleCalls& calls = WindowCalls();
    if (calls.GetDrawTarget() != -2) return;
    const int oldVSync = calls.SetVSyncWait(0);
    RECT client{};
    GetClientRect(s.window, &client);
    const int32_t now = GetMillisecondCounter();
    const RECT& r = paint.rcPaint;
    if (r.left <= 0 && r.top <= 0 && r.right >= client.right && r.bottom >= client.bottom) {
        calls.RepaintScreen();
    } else if (!s.repaintPending) {
        s.repaintPending = 1;
        s.lastRepaintTime = now;
    } else if (now - s.lastRepaintTime > 64) {
        calls.RepaintScreen();
        s.lastRepaintTime = now;
    }
    calls.SetVSyncWait(oldVSync);
}

void FillBackground(HDC dc, HWND window) {
    int red = 0, green = 0, blue = 0;
    if (!WindowCalls().GetBackgroundColor(&red, &green, &blue)) red = green = blue = 0;
    HBRUSH brush = CreateSolidBrush(RGB(red, green, blue));
    if (!brush) return;
    RECT client{};
    GetClientRect(window, &client);
    FillRect(dc, &client, brush);
    DeleteObject(brush);
}

void OnPaint(WindowSystemState& s, HWND window) {
    s.painted = 1;
    PAINTSTRUCT paint{};
    HDC dc = BeginPaint(window, &paint);
    if (s.settings.windowMode) {
        s.inPaint = 1;
        if (GetEngineFlags().initialising || !GetEngineFlags().initialised) {
            if (dc) FillBackground(dc, window);
        } else {
            RepaintIfDue(s, paint);
        }
        s.inPaint = 0;
    }
    EndPaint(window, &paint);
}

// Keeps the client area's aspect ratio while the user drags an edge, and
// derives the new window scale from it.
void OnSizing(WindowSystemState& s, WPARAM edge, RECT* rect) {
    if (!rect || !s.settings.windowMode) return;
    int drawWidth = 640, drawHeight = 480;
    Calls().QueryDrawSize(&drawWidth, &drawHeight);
    if (drawWidth <= 0 || drawHeight <= 0) return;
    DWORD style = static_cast<DWORD>(GetWindowLongA(s.window, GWL_STYLE));
    DWORD exStyle = static_cast<DWORD>(GetWindowLongA(s.window, GWL_EXSTYLE));
    RECT frame = {0, 0, 0, 0};
    AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    const int frameWidth = frame.right - frame.left, frameHeight = frame.bottom - frame.top;
    int width = (rect->right - rect->left) - frameWidth;
    int height = (rect->bottom - rect->top) - frameHeight;
    const bool byHeight = edge == kSizingTop || edge == kSizingBottom;
    if (byHeight) {
        if (height < kMinimumClient) height = kMinimumClient;
        width = height * drawWidth / drawHeight;
    } else {
        if (width < kMinimumClient) width = kMinimumClient;
        height = width * drawHeight / drawWidth;
    }
    if (width < kMinimumClient || height < kMinimumClient) {
        // The smaller side holds the minimum.
        if (drawWidth < drawHeight) {
            width = kMinimumClient;
            height = width * drawHeight / drawWidth;
        } else {
            height = kMinimumClient;
            width = height * drawWidth / drawHeight;
        }
    }
    const int outerWidth = width + frameWidth, outerHeight = height + frameHeight;
    if (edge == kSizingLeft || edge == kSizingTopLeft || edge == kSizingBottomLeft) {
        rect->left = rect->right - outerWidth;
    } else {
        rect->right = rect->left + outerWidth;
    }
    if (edge == kSizingTop || edge == kSizingTopLeft || edge == kSizingTopRight) {
        rect->top = rect->bottom - outerHeight;
    } else {
        rect->bottom = rect->top + outerHeight;
    }
    s.settings.scaleX = static_cast<double>(width) / drawWidth;
    s.settings.scaleY = static_cast<double>(height) / drawHeight;
    (void)kSizingRight;
    (void)kSizingBottomRight;
}

void OnDropFiles(WindowSystemState& s, HDROP drop) {
    const UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count && s.droppedCount < kMaxDroppedFiles; ++i) {
        const UINT length = DragQueryFileA(drop, i, nullptr, 0);
        char* name = static_cast<char*>(TrackedAlloc(length + 1, nullptr, -1));
        if (!name) break;
        DragQueryFileA(drop, i, name, length + 1);
        s.droppedFiles[s.droppedCount++] = name;
    }
    DragFinish(drop);
}

void OnDisplayChange(WindowSystemState& s, WPARAM bits, LPARAM size) {
    const WindowModuleCalls& calls = WindowCalls();
    if (!s.settings.windowMode || calls.IsModeChangeRunning()) return;
    const int newBits = static_cast<int>(bits);
    const int newWidth = LOWORD(size), newHeight = HIWORD(size);
    // The screen graphics runs in; before graphics started, the desktop as
    // it was last seen.
    const ScreenState& screen = GetScreenState();
    const bool started = screen.started != 0;
    const int screenBits = started ? screen.colorBits : s.desktopBits;
    const int screenWidth = started ? screen.screenWidth : s.desktopWidth;
    const int screenHeight = started ? screen.screenHeight : s.desktopHeight;
    if (newBits == screenBits && newWidth == screenWidth && newHeight == screenHeight) return;
    int drawWidth = 640, drawHeight = 480;
    Calls().QueryDrawSize(&drawWidth, &drawHeight);
    const int smallestWidth = started ? screenWidth : drawWidth;
    const int smallestHeight = started ? screenHeight : drawHeight;
    if (!calls.HasRestoreCallback() || newBits == 24 || (newBits == 8 && screenBits != 8) ||
        newWidth < smallestWidth || newHeight < smallestHeight) {
        Log("復元関数が登録されていないためか画面が２４ビットカラーに変更されたため終了します\n");
        Log("またはスクリーンが小さすぎるためか色ビット数の違いが大きいためか終了します\n");
        PostCloseOnce(s);
        return;
    }
    s.desktopBits = newBits;
    s.desktopWidth = newWidth;
    s.desktopHeight = newHeight;
    calls.ResumeAllMovies();
}

}  // namespace

LRESULT CALLBACK EngineWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    WindowSystemState& s = WindowState();
    const WindowModuleCalls& calls = WindowCalls();
    LRESULT own = 0;
    switch (message) {
        case WM_DESTROY:
            Log("ウインドウが破棄されようとしています\n");
            s.destroyed = 1;
            PostQuitMessage(0);
            s.quit = 1;
            SetEndRequestFlag();
            Log("ソフトを終了する準備が整いました\n");
            break;
        case WM_CLOSE:
            Log("ウインドウを閉じようとしています\n");
            DestroyWindow(window);
            if (s.ending == 0) s.ending = 4;
            return 0;
        case WM_MOVE:
            if (window == s.window) {
                StoreWindowRect(s);
                if (s.settings.windowMode) StoreClientRect();
            }
            break;
        case WM_SIZE:
            if (window != s.window) break;
            StoreWindowRect(s);
            s.minimised = wParam == SIZE_MINIMIZED ? 1 : 0;
            if (wParam == SIZE_MAXIMIZED) {
                if (s.settings.windowMode && s.settings.modeChangeAllowed && !s.creating) {
                    s.altEnterRequest = 1;
                }
            } else if (wParam != SIZE_MINIMIZED) {
                FitWindowToScreen();
            }
            break;
        case WM_ACTIVATE:
        case WM_ACTIVATEAPP:
            if (!s.quit && !s.closing) {
                const int sleep = GetSystemState().processorCount == 1 ? 2 : 0;
                while (AsyncMainQueueCount() > 0 && IsEngineMainThread()) {
                    ServeMainThreadRequests();
                    Sleep(sleep);
                }
                QueueWindowActivation(wParam, message == WM_ACTIVATEAPP ? 1 : 0);
            }
            break;
        case WM_PAINT:
            OnPaint(s, window);
            return 0;
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
        case WM_SETCURSOR:
        case WM_MOUSEMOVE:
        case WM_LBUTTONUP:
        case WM_RBUTTONUP:
        case WM_MBUTTONUP:
            if (message == WM_LBUTTONDOWN) RecordMouseClick(1);
            if (message == WM_RBUTTONDOWN) RecordMouseClick(2);
            if (message == WM_MBUTTONDOWN) RecordMouseClick(4);
            if (!s.cursorShown) {
                SetCursor(nullptr);
                for (int turn = 0; turn < 64 && ShowCursor(FALSE) >= 0; ++turn) {
                }
            }
            break;
        case WM_SYSCHAR:
            if (wParam == '\r' && s.settings.modeChangeAllowed) {
                s.altEnterRequest = 1;
                return 0;
            }
            break;
        case WM_SYSCOMMAND:
            if ((wParam & 0xFFF0) == SC_SCREENSAVE || (wParam & 0xFFF0) == SC_MONITORPOWER)
                return 1;
            if ((wParam & 0xFFF0) == SC_MOVE) {
                s.menuLoopMarked = 1;
                WindowActivate(0, 0);
            }
            break;
        case WM_ENTERMENULOOP:
        case WM_ENTERSIZEMOVE:
            s.menuLoopMarked = 1;
            WindowActivate(0, 0);
            break;
        case WM_EXITMENULOOP:
        case WM_EXITSIZEMOVE:
            if (s.menuLoopMarked) {
                s.menuLoopMarked = 0;
                QueueWindowActivation(1, 0);
            }
            break;
        case WM_SIZING:
            OnSizing(s, wParam, reinterpret_cast<RECT*>(lParam));
            break;
        case WM_KEYDOWN:
        case WM_CHAR:
            calls.FeedCharMessage(message, wParam, lParam);
            break;
        case WM_MOUSEWHEEL:
            s.wheelVertical += static_cast<short>(HIWORD(wParam));
            break;
        case WM_MOUSEHWHEEL:
            s.wheelHorizontal += static_cast<short>(HIWORD(wParam));
            break;
        case WM_DROPFILES:
            OnDropFiles(s, reinterpret_cast<HDROP>(wParam));
            return 0;
        case WM_DISPLAYCHANGE:
            OnDisplayChange(s, wParam, lParam);
            break;
        case WM_MOVING:
            if (!s.settings.windowMode && lParam) {
                *reinterpret_cast<RECT*>(lParam) = s.windowRect;
            }
            break;
        case kKeyboardFlagOn:
            calls.SetKeyboardFlag(0, wParam == 1 ? 1 : 0);
            break;
        case kKeyboardFlagOff:
            calls.SetKeyboardFlag(1, wParam == 1 ? 1 : 0);
            break;
        default:
            if (message >= kImeStartComposition && message <= kImeKeyLast) {
                if (calls.HandleImeMessage(window, message, wParam, lParam, &own)) return own;
            } else if (message >= kImeSetContext && message <= kImeKeyUp) {
                if (calls.HandleImeMessage(window, message, wParam, lParam, &own)) return own;
            } else if (calls.NetworkWindowMessage(window, message, wParam, lParam, &own)) {
                return own;
            } else if (message == kMciNotify) {
                calls.HandleMidiNotify();
            }
            break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace DuRud
