// Window geometry and activation: the frame arithmetic of AdjustWindowRectEx
// (the SDL window is the client area, the frame is added around it), window
// and client rectangles, placement, focus and the sent activation messages.
#include <SDL.h>
#include <unistd.h>

#include <algorithm>

#include "user_state.h"
#include "win_kernel.h"

namespace platform::user {

RECT WindowRectOf(const Window& window) {
    RECT rect = window.client;
    AdjustWindowRectEx(&rect, window.style, FALSE, window.exStyle);
    return rect;
}

void SetClientGeometry(const std::shared_ptr<Window>& window, int x, int y, int width, int height,
                       bool sendMessages) {
    width = std::clamp(width, 0, kMaxClientSize);
    height = std::clamp(height, 0, kMaxClientSize);
    const RECT old = window->client;
    const bool moved = old.left != x || old.top != y;
    const bool sized = old.right - old.left != width || old.bottom - old.top != height;
    {
        std::lock_guard<std::mutex> lock(Globals().mutex);
        window->client = RECT{x, y, x + width, y + height};
        if (sized) ResizePicture(*window, width, height);
    }
    if (window->sdl && OnVideoThread()) {
        int sx, sy, sw, sh;
        SDL_GetWindowPosition(window->sdl, &sx, &sy);
        SDL_GetWindowSize(window->sdl, &sw, &sh);
        if (sx != x || sy != y) SDL_SetWindowPosition(window->sdl, x, y);
        if (sw != std::max(1, width) || sh != std::max(1, height)) {
            SDL_SetWindowSize(window->sdl, std::max(1, width), std::max(1, height));
        }
    }
    if (sized || moved) RefreshFullscreenWindows();
    if (!sendMessages) return;
    if (moved) SendMessageA(window->handle, WM_MOVE, 0, MAKELPARAM(x, y));
    if (sized) {
        SendMessageA(window->handle, WM_SIZE, window->maximized ? SIZE_MAXIMIZED : SIZE_RESTORED,
                     MAKELPARAM(width, height));
        InvalidateRect(window->handle, nullptr, TRUE);
    }
}

void ActivateWindow(const std::shared_ptr<Window>& window, bool minimizedFlag) {
    UserGlobals& g = Globals();
    HWND previous;
    bool appWasActive;
    {
        std::lock_guard<std::mutex> lock(g.mutex);
        if (window->destroying) return;
        if (g.active == window->handle && g.appActive) return;
        previous = g.active;
        appWasActive = g.appActive;
        g.active = window->handle;
        g.appActive = true;
        g.focus = window->handle;
    }
    if (previous && previous != window->handle && IsWindow(previous)) {
        SendMessageA(previous, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 0),
                     reinterpret_cast<LPARAM>(window->handle));
    }
    if (!appWasActive) {
        SendMessageA(window->handle, WM_ACTIVATEAPP, TRUE, 0);
    }
    SendMessageA(window->handle, WM_NCACTIVATE, TRUE, 0);
    SendMessageA(window->handle, WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, minimizedFlag ? 1 : 0),
                 reinterpret_cast<LPARAM>(previous));
    SendMessageA(window->handle, WM_SETFOCUS, reinterpret_cast<WPARAM>(previous), 0);
    FollowTextInputFocus(true);
}

void DeactivateWindow(const std::shared_ptr<Window>& window, bool minimizedFlag) {
    UserGlobals& g = Globals();
    {
        std::lock_guard<std::mutex> lock(g.mutex);
        if (g.active != window->handle || !g.appActive) return;
        g.appActive = false;
        g.active = nullptr;
        if (g.focus == window->handle) g.focus = nullptr;
    }
    SendMessageA(window->handle, WM_NCACTIVATE, FALSE, 0);
    SendMessageA(window->handle, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, minimizedFlag ? 1 : 0), 0);
    SendMessageA(window->handle, WM_ACTIVATEAPP, FALSE, 0);
    SendMessageA(window->handle, WM_KILLFOCUS, 0, 0);
    FollowTextInputFocus(false);
}

}  // namespace platform::user

using namespace platform::user;

BOOL WINAPI AdjustWindowRectEx(LPRECT rect, DWORD style, BOOL menu, DWORD exStyle) {
    if (!rect) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if ((style & WS_CAPTION) == WS_CAPTION) {
        rect->top -= GetSystemMetrics((exStyle & WS_EX_TOOLWINDOW) ? SM_CYSMCAPTION : SM_CYCAPTION);
    }
    if (menu) rect->top -= GetSystemMetrics(SM_CYMENU);
    int frame = 0;
    if (style & WS_THICKFRAME) {
        frame = GetSystemMetrics(SM_CXFRAME);
    } else if ((style & WS_DLGFRAME) || (exStyle & WS_EX_DLGMODALFRAME)) {
        frame = GetSystemMetrics(SM_CXDLGFRAME);
    } else if (style & WS_BORDER) {
        frame = GetSystemMetrics(SM_CXBORDER);
    }
    if (exStyle & WS_EX_CLIENTEDGE) frame += GetSystemMetrics(SM_CXEDGE);
    rect->left -= frame;
    rect->top -= frame;
    rect->right += frame;
    rect->bottom += frame;
    return TRUE;
}

BOOL WINAPI AdjustWindowRect(LPRECT rect, DWORD style, BOOL menu) {
    return AdjustWindowRectEx(rect, style, menu, 0);
}

BOOL WINAPI GetWindowRect(HWND handle, LPRECT rect) {
    auto window = GetWindow(handle);
    if (!window) return FALSE;
    if (!rect) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::lock_guard<std::mutex> lock(Globals().mutex);
    *rect = WindowRectOf(*window);
    return TRUE;
}

BOOL WINAPI GetClientRect(HWND handle, LPRECT rect) {
    auto window = GetWindow(handle);
    if (!window) return FALSE;
    if (!rect) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::lock_guard<std::mutex> lock(Globals().mutex);
    *rect = RECT{0, 0, window->client.right - window->client.left,
                 window->client.bottom - window->client.top};
    return TRUE;
}

BOOL WINAPI ClientToScreen(HWND handle, LPPOINT point) {
    auto window = GetWindow(handle);
    if (!window || !point) return FALSE;
    std::lock_guard<std::mutex> lock(Globals().mutex);
    point->x += window->client.left;
    point->y += window->client.top;
    return TRUE;
}

BOOL WINAPI ScreenToClient(HWND handle, LPPOINT point) {
    auto window = GetWindow(handle);
    if (!window || !point) return FALSE;
    std::lock_guard<std::mutex> lock(Globals().mutex);
    point->x -= window->client.left;
    point->y -= window->client.top;
    return TRUE;
}

BOOL WINAPI SetWindowPos(HWND handle, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
    auto window = GetWindow(handle);
    if (!window) return FALSE;
    if (window->threadId != CurrentThreadId()) {
        SetLastError(ERROR_WINDOW_OF_OTHER_THREAD);
        return FALSE;
    }
    RECT outer;
    {
        std::lock_guard<std::mutex> lock(Globals().mutex);
        outer = WindowRectOf(*window);
    }
    RECT frame{0, 0, 0, 0};
    AdjustWindowRectEx(&frame, window->style, FALSE, window->exStyle);
    if (flags & SWP_NOMOVE) {
        x = outer.left;
        y = outer.top;
    }
    if (flags & SWP_NOSIZE) {
        cx = outer.right - outer.left;
        cy = outer.bottom - outer.top;
    }
    SetClientGeometry(window, x - frame.left, y - frame.top, cx - (frame.right - frame.left),
                      cy - (frame.bottom - frame.top), true);
    if (!(flags & SWP_NOZORDER) && window->sdl) {
        if (insertAfter == HWND_TOPMOST) {
            window->exStyle |= WS_EX_TOPMOST;
            SDL_SetWindowAlwaysOnTop(window->sdl, SDL_TRUE);
        } else if (insertAfter == HWND_NOTOPMOST) {
            window->exStyle &= ~static_cast<DWORD>(WS_EX_TOPMOST);
            SDL_SetWindowAlwaysOnTop(window->sdl, SDL_FALSE);
        }
        if (!(flags & SWP_NOACTIVATE)) SDL_RaiseWindow(window->sdl);
    }
    if (flags & SWP_SHOWWINDOW) ShowWindow(handle, (flags & SWP_NOACTIVATE) ? SW_SHOWNA : SW_SHOW);
    if (flags & SWP_HIDEWINDOW) ShowWindow(handle, SW_HIDE);
    return TRUE;
}

BOOL WINAPI MoveWindow(HWND handle, int x, int y, int width, int height, BOOL repaint) {
    return SetWindowPos(handle, nullptr, x, y, width, height,
                        SWP_NOZORDER | SWP_NOACTIVATE | (repaint ? 0 : SWP_NOREDRAW));
}

HWND WINAPI SetActiveWindow(HWND handle) {
    auto window = GetWindow(handle);
    if (!window) return nullptr;
    HWND previous = GetActiveWindow();
    if (window->threadId != CurrentThreadId()) {
        SetLastError(ERROR_WINDOW_OF_OTHER_THREAD);
        return nullptr;
    }
    ActivateWindow(window, window->minimized);
    return previous;
}

HWND WINAPI GetActiveWindow() {
    UserGlobals& g = Globals();
    std::lock_guard<std::mutex> lock(g.mutex);
    return g.appActive ? g.active : nullptr;
}

BOOL WINAPI SetForegroundWindow(HWND handle) {
    auto window = GetWindow(handle);
    if (!window) return FALSE;
    if (window->sdl && OnVideoThread()) SDL_RaiseWindow(window->sdl);
    if (window->threadId == CurrentThreadId()) ActivateWindow(window, window->minimized);
    return TRUE;
}

HWND WINAPI GetForegroundWindow() {
    return GetActiveWindow();
}

HWND WINAPI SetFocus(HWND handle) {
    UserGlobals& g = Globals();
    HWND previous;
    {
        std::lock_guard<std::mutex> lock(g.mutex);
        previous = g.focus;
    }
    if (handle == nullptr) {
        std::lock_guard<std::mutex> lock(g.mutex);
        g.focus = nullptr;
        return previous;
    }
    auto window = GetWindow(handle);
    if (!window) return nullptr;
    ActivateWindow(window, window->minimized);
    std::lock_guard<std::mutex> lock(g.mutex);
    g.focus = handle;
    return previous;
}

HWND WINAPI GetFocus() {
    UserGlobals& g = Globals();
    std::lock_guard<std::mutex> lock(g.mutex);
    return g.focus;
}

DWORD WINAPI GetWindowThreadProcessId(HWND handle, LPDWORD processId) {
    auto window = GetWindow(handle);
    if (!window) return 0;
    if (processId) *processId = static_cast<DWORD>(getpid());
    return window->threadId;
}

BOOL WINAPI AttachThreadInput(DWORD attach, DWORD attachTo, BOOL doAttach) {
    // All windows of this process share one input state already; the call only
    // checks that both threads have message queues, as Windows requires.
    if (attach == attachTo || !QueueOfThread(attach) || !QueueOfThread(attachTo)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return TRUE;
}
