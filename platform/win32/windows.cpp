// Windows: creation as SDL windows, destruction, show state, caption, window
// longs and the default window procedure. A window's SDL calls run on the
// thread that started SDL video, so windows are made on that thread only.
#include <SDL.h>

#include <algorithm>
#include <cstring>

#include "test_knobs.h"
#include "user_state.h"
#include "win_gdi.h"
#include "win_kernel.h"

namespace platform::user {

namespace {

bool refuseCreateWindow = false;

constexpr uintptr_t kLocalHandleBase = 0x10000;

HWND MakeHandle(uintptr_t serial) {
    return reinterpret_cast<HWND>(kLocalHandleBase + serial * 2);
}

std::shared_ptr<WindowClass> FindClass(LPCSTR name) {
    UserGlobals& g = Globals();
    std::lock_guard<std::mutex> lock(g.mutex);
    auto it = g.classes.find(LowerName(name));
    return it == g.classes.end() ? nullptr : it->second;
}

void SendSize(const std::shared_ptr<Window>& window, WPARAM kind) {
    LPARAM size = 0;
    if (kind != SIZE_MINIMIZED) {
        size = MAKELPARAM(window->client.right - window->client.left,
                          window->client.bottom - window->client.top);
    }
    SendMessageA(window->handle, WM_SIZE, kind, size);
}

bool Activates(int command) {
    return command != SW_SHOWNA && command != SW_SHOWNOACTIVATE && command != SW_SHOWMINNOACTIVE &&
           command != SW_HIDE && command != SW_MINIMIZE;
}

}  // namespace

void ResetWindowKnobs() {
    refuseCreateWindow = false;
}

std::shared_ptr<Window> GetWindow(HWND handle) {
    UserGlobals& g = Globals();
    std::lock_guard<std::mutex> lock(g.mutex);
    // A window being destroyed stays reachable until its WM_NCDESTROY is done.
    auto it = g.windows.find(reinterpret_cast<uintptr_t>(handle));
    if (it == g.windows.end()) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    return it->second;
}

std::vector<std::shared_ptr<Window>> AllWindows() {
    UserGlobals& g = Globals();
    std::lock_guard<std::mutex> lock(g.mutex);
    std::vector<std::shared_ptr<Window>> out;
    for (auto& [key, window] : g.windows) out.push_back(window);
    return out;
}

void SetMinimized(const std::shared_ptr<Window>& window) {
    if (window->minimized) return;
    window->minimized = true;
    window->maximized = false;
    SendSize(window, SIZE_MINIMIZED);
    DeactivateWindow(window, true);
}

void SetMaximized(const std::shared_ptr<Window>& window) {
    if (window->maximized && !window->minimized) return;  // SDL's own event after ours
    bool wasMinimized = window->minimized;
    window->minimized = false;
    window->maximized = true;
    SendSize(window, SIZE_MAXIMIZED);
    if (wasMinimized) ActivateWindow(window, false);
}

void SetRestored(const std::shared_ptr<Window>& window) {
    if (!window->minimized && !window->maximized) return;
    window->minimized = false;
    window->maximized = false;
    SendSize(window, SIZE_RESTORED);
    InvalidateRect(window->handle, nullptr, TRUE);
    ActivateWindow(window, false);
}

}  // namespace platform::user

using namespace platform::user;

void KnobRefuseCreateWindow(bool refuse) {
    refuseCreateWindow = refuse;
}

HWND WINAPI CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x,
                            int y, int width, int height, HWND parent, HMENU menu,
                            HINSTANCE instance, LPVOID param) {
    if (!className || IS_INTRESOURCE(className)) {
        SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
        return nullptr;
    }
    auto windowClass = FindClass(className);
    if (!windowClass) {
        SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
        return nullptr;
    }
    if ((style & WS_CHILD) || parent || menu) {
        // Only top-level windows without menus exist in this layer.
        SetLastError(ERROR_NOT_SUPPORTED);
        return nullptr;
    }
    if (refuseCreateWindow) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    if (!EnsureVideo()) {
        SetLastError(ERROR_NOT_READY);
        return nullptr;
    }
    if (!OnVideoThread()) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return nullptr;
    }

    // The given rectangle is the outer window; the SDL window is its client area.
    RECT frame{0, 0, 0, 0};
    AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    if (width == CW_USEDEFAULT) {
        width = 640 + (frame.right - frame.left);
        height = 480 + (frame.bottom - frame.top);
    }
    if (x == CW_USEDEFAULT) x = y = 0;
    int clientWidth = std::clamp(width - (frame.right - frame.left), 0, kMaxClientSize);
    int clientHeight = std::clamp(height - (frame.bottom - frame.top), 0, kMaxClientSize);
    int clientX = x - frame.left;
    int clientY = y - frame.top;

    std::string title = windowName ? windowName : "";
    Uint32 flags = SDL_WINDOW_HIDDEN;
    if (style & WS_THICKFRAME) flags |= SDL_WINDOW_RESIZABLE;
    if ((style & WS_CAPTION) != WS_CAPTION) flags |= SDL_WINDOW_BORDERLESS;
    if (exStyle & WS_EX_TOPMOST) flags |= SDL_WINDOW_ALWAYS_ON_TOP;
    SDL_Window* sdl = SDL_CreateWindow(Cp932ToUtf8(title).c_str(), clientX, clientY,
                                       std::max(1, clientWidth), std::max(1, clientHeight), flags);
    if (!sdl) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }

    auto window = std::make_shared<Window>();
    window->threadId = CurrentThreadId();
    window->queue = CurrentQueue();
    window->windowClass = windowClass;
    window->proc = windowClass->proc;
    window->title = title;
    window->style = style & ~(WS_VISIBLE | WS_MINIMIZE | WS_MAXIMIZE);
    window->exStyle = exStyle;
    window->instance = instance;
    window->client = RECT{clientX, clientY, clientX + clientWidth, clientY + clientHeight};
    window->sdl = sdl;
    window->sdlId = SDL_GetWindowID(sdl);
    ResizePicture(*window, clientWidth, clientHeight);
    {
        UserGlobals& g = Globals();
        std::lock_guard<std::mutex> lock(g.mutex);
        window->handle = MakeHandle(g.nextSerial++);
        g.windows[reinterpret_cast<uintptr_t>(window->handle)] = window;
        ++windowClass->windowCount;
    }
    window->registrySerial = RegistryAdd(windowClass->name, title);
    HWND handle = window->handle;

    CREATESTRUCTA create{
        param,      instance,  menu,   parent, height, width, y, x, static_cast<LONG>(style),
        windowName, className, exStyle};
    if (!SendMessageA(handle, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&create)) ||
        SendMessageA(handle, WM_CREATE, 0, reinterpret_cast<LPARAM>(&create)) == -1) {
        if (IsWindow(handle)) DestroyWindow(handle);
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    if (!IsWindow(handle)) return nullptr;  // destroyed by its own WM_CREATE
    SendSize(window, SIZE_RESTORED);
    SendMessageA(handle, WM_MOVE, 0, MAKELPARAM(window->client.left, window->client.top));
    if (style & WS_MINIMIZE) {
        ShowWindow(handle, SW_SHOWMINIMIZED);
    } else if (style & WS_MAXIMIZE) {
        ShowWindow(handle, SW_SHOWMAXIMIZED);
    } else if (style & WS_VISIBLE) {
        ShowWindow(handle, SW_SHOW);
    }
    return handle;
}

BOOL WINAPI DestroyWindow(HWND handle) {
    auto window = GetWindow(handle);
    if (!window || window->destroying) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    if (window->threadId != CurrentThreadId()) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (window->visible) {
        SDL_HideWindow(window->sdl);
        window->visible = false;
    }
    DeactivateWindow(window, false);
    {
        UserGlobals& g = Globals();
        std::lock_guard<std::mutex> lock(g.mutex);
        window->destroying = true;
        if (g.focus == handle) g.focus = nullptr;
    }
    SendMessageA(handle, WM_DESTROY, 0, 0);
    SendMessageA(handle, WM_NCDESTROY, 0, 0);
    KillWindowTimers(handle);
    // Posted messages for the window go; senders still waiting for it get 0
    // rather than waiting for a window that no longer exists.
    std::vector<std::shared_ptr<SentMessage>> orphans;
    {
        std::lock_guard<std::mutex> lock(window->queue->mutex);
        window->gone = true;
        auto& posted = window->queue->posted;
        std::erase_if(posted, [&](const MSG& m) { return m.hwnd == handle; });
        auto& sent = window->queue->sent;
        for (auto& s : sent) {
            if (s->window == handle) orphans.push_back(s);
        }
        std::erase_if(sent,
                      [&](const std::shared_ptr<SentMessage>& s) { return s->window == handle; });
    }
    for (auto& s : orphans) {
        std::lock_guard<std::mutex> lock(s->sender->mutex);
        s->result = 0;
        s->done = true;
        s->sender->wake.notify_all();
    }
    RegistryRemove(window->registrySerial);
    {
        UserGlobals& g = Globals();
        std::lock_guard<std::mutex> lock(g.mutex);
        g.windows.erase(reinterpret_cast<uintptr_t>(handle));
        --window->windowClass->windowCount;
        if (g.active == handle) g.active = nullptr;
        MaterialisePicture(*window);  // the surface goes with the SDL window
    }
    SDL_DestroyWindow(window->sdl);
    window->sdl = nullptr;
    return TRUE;
}

HWND WINAPI GetDesktopWindow() {
    // Odd, so it never equals a made window's handle.
    return reinterpret_cast<HWND>(kLocalHandleBase + 1);
}

BOOL WINAPI IsWindow(HWND handle) {
    if (handle == GetDesktopWindow()) return TRUE;
    UserGlobals& g = Globals();
    std::lock_guard<std::mutex> lock(g.mutex);
    auto it = g.windows.find(reinterpret_cast<uintptr_t>(handle));
    return it != g.windows.end() && !it->second->destroying;
}

BOOL WINAPI IsWindowVisible(HWND handle) {
    auto window = GetWindow(handle);
    return window && window->visible ? TRUE : FALSE;
}

BOOL WINAPI IsIconic(HWND handle) {
    auto window = GetWindow(handle);
    return window && window->minimized ? TRUE : FALSE;
}

BOOL WINAPI ShowWindow(HWND handle, int command) {
    auto window = GetWindow(handle);
    if (!window) return FALSE;
    if (window->threadId != CurrentThreadId()) {
        SetLastError(ERROR_WINDOW_OF_OTHER_THREAD);
        return FALSE;
    }
    const BOOL wasVisible = window->visible ? TRUE : FALSE;
    if (command == SW_HIDE) {
        if (window->visible) {
            SDL_HideWindow(window->sdl);
            window->visible = false;
            SendMessageA(handle, WM_SHOWWINDOW, FALSE, 0);
            DeactivateWindow(window, false);
        }
        return wasVisible;
    }
    if (command < 0 || command > 11) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return wasVisible;
    }
    if (!window->visible) {
        SendMessageA(handle, WM_SHOWWINDOW, TRUE, 0);
        SDL_ShowWindow(window->sdl);
        window->visible = true;
        window->shownOnce = true;
        InvalidateRect(handle, nullptr, TRUE);
    }
    switch (command) {
        case SW_MINIMIZE:
        case SW_SHOWMINIMIZED:
        case SW_SHOWMINNOACTIVE:
            SDL_MinimizeWindow(window->sdl);
            SetMinimized(window);
            return wasVisible;
        case SW_SHOWMAXIMIZED:
            SDL_MaximizeWindow(window->sdl);
            SetMaximized(window);
            break;
        case SW_RESTORE:
        case SW_SHOWNORMAL:
            if (window->minimized || window->maximized) {
                SDL_RestoreWindow(window->sdl);
                SetRestored(window);
            }
            break;
        default:
            break;
    }
    // A shown window is the active one, as Windows makes it; SDL's later focus
    // event then changes nothing (and the dummy driver sends none).
    if (Activates(command) && !window->minimized) ActivateWindow(window, false);
    return wasVisible;
}

BOOL WINAPI UpdateWindow(HWND handle) {
    auto window = GetWindow(handle);
    if (!window) return FALSE;
    if (window->threadId == CurrentThreadId() && window->hasInvalid && window->visible) {
        SendMessageA(handle, WM_PAINT, 0, 0);
    }
    return TRUE;
}

BOOL WINAPI SetWindowTextA(HWND handle, LPCSTR text) {
    auto window = GetWindow(handle);
    if (!window) return FALSE;
    return SendMessageA(handle, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text ? text : "")) ? TRUE
                                                                                           : FALSE;
}

int WINAPI GetWindowTextA(HWND handle, LPSTR buffer, int size) {
    auto window = GetWindow(handle);
    if (!window || !buffer || size <= 0) return 0;
    return static_cast<int>(SendMessageA(handle, WM_GETTEXT, static_cast<WPARAM>(size),
                                         reinterpret_cast<LPARAM>(buffer)));
}

LONG WINAPI GetWindowLongA(HWND handle, int index) {
    auto window = GetWindow(handle);
    if (!window) return 0;
    std::lock_guard<std::mutex> lock(Globals().mutex);
    switch (index) {
        case GWL_STYLE: {
            DWORD style = window->style;
            if (window->visible) style |= WS_VISIBLE;
            if (window->minimized) style |= WS_MINIMIZE;
            if (window->maximized) style |= WS_MAXIMIZE;
            return static_cast<LONG>(style);
        }
        case GWL_EXSTYLE:
            return static_cast<LONG>(window->exStyle);
        case GWL_ID:
            return static_cast<LONG>(window->id);
        default:
            // Pointer-sized values go through GetWindowLongPtrA.
            SetLastError(ERROR_INVALID_PARAMETER);
            return 0;
    }
}

LONG WINAPI SetWindowLongA(HWND handle, int index, LONG value) {
    auto window = GetWindow(handle);
    if (!window) return 0;
    LONG old = GetWindowLongA(handle, index);
    switch (index) {
        case GWL_STYLE: {
            DWORD style = static_cast<DWORD>(value);
            {
                std::lock_guard<std::mutex> lock(Globals().mutex);
                window->style = style & ~(WS_VISIBLE | WS_MINIMIZE | WS_MAXIMIZE);
            }
            if (window->sdl && OnVideoThread()) {
                SDL_SetWindowBordered(window->sdl,
                                      (style & WS_CAPTION) == WS_CAPTION ? SDL_TRUE : SDL_FALSE);
                SDL_SetWindowResizable(window->sdl, (style & WS_THICKFRAME) ? SDL_TRUE : SDL_FALSE);
            }
            // Only the style bits change: showing and hiding stay with
            // ShowWindow and SetWindowPos, so a style without WS_VISIBLE
            // leaves a shown window on the screen.
            return old;
        }
        case GWL_EXSTYLE: {
            std::lock_guard<std::mutex> lock(Globals().mutex);
            window->exStyle = static_cast<DWORD>(value);
            return old;
        }
        case GWL_ID: {
            std::lock_guard<std::mutex> lock(Globals().mutex);
            window->id = value;
            return old;
        }
        default:
            SetLastError(ERROR_INVALID_PARAMETER);
            return 0;
    }
}

LONG_PTR WINAPI GetWindowLongPtrA(HWND handle, int index) {
    auto window = GetWindow(handle);
    if (!window) return 0;
    switch (index) {
        case GWLP_WNDPROC: {
            std::lock_guard<std::mutex> lock(Globals().mutex);
            return reinterpret_cast<LONG_PTR>(window->proc);
        }
        case GWLP_HINSTANCE:
            return reinterpret_cast<LONG_PTR>(window->instance);
        case GWLP_USERDATA: {
            std::lock_guard<std::mutex> lock(Globals().mutex);
            return window->userData;
        }
        default:
            return GetWindowLongA(handle, index);
    }
}

LONG_PTR WINAPI SetWindowLongPtrA(HWND handle, int index, LONG_PTR value) {
    auto window = GetWindow(handle);
    if (!window) return 0;
    std::unique_lock<std::mutex> lock(Globals().mutex);
    LONG_PTR old = 0;
    switch (index) {
        case GWLP_WNDPROC:
            if (!value) {
                SetLastError(ERROR_INVALID_PARAMETER);
                return 0;
            }
            old = reinterpret_cast<LONG_PTR>(window->proc);
            window->proc = reinterpret_cast<WNDPROC>(value);
            return old;
        case GWLP_HINSTANCE:
            old = reinterpret_cast<LONG_PTR>(window->instance);
            window->instance = reinterpret_cast<HINSTANCE>(value);
            return old;
        case GWLP_USERDATA:
            old = window->userData;
            window->userData = value;
            return old;
        default:
            lock.unlock();
            return SetWindowLongA(handle, index, static_cast<LONG>(value));
    }
}

LRESULT WINAPI CallWindowProcA(WNDPROC proc, HWND window, UINT message, WPARAM wParam,
                               LPARAM lParam) {
    if (!proc) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return proc(window, message, wParam, lParam);
}

LRESULT WINAPI DefWindowProcA(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
    auto window = GetWindow(handle);
    if (!window) return 0;
    switch (message) {
        case WM_NCCREATE:
            return TRUE;
        case WM_CLOSE:
            DestroyWindow(handle);
            return 0;
        case WM_SYSCOMMAND:
            switch (wParam & 0xFFF0) {
                case SC_CLOSE:
                    SendMessageA(handle, WM_CLOSE, 0, 0);
                    return 0;
                case SC_MINIMIZE:
                    ShowWindow(handle, SW_MINIMIZE);
                    return 0;
                case SC_MAXIMIZE:
                    ShowWindow(handle, SW_MAXIMIZE);
                    return 0;
                case SC_RESTORE:
                    ShowWindow(handle, SW_RESTORE);
                    return 0;
                default:
                    return 0;
            }
        case WM_SYSKEYDOWN:
            if (wParam == VK_F4 && (lParam & (1 << 29))) {
                PostMessageA(handle, WM_SYSCOMMAND, SC_CLOSE, 0);
            }
            return 0;
        case WM_PAINT: {
            PAINTSTRUCT paint;
            BeginPaint(handle, &paint);
            EndPaint(handle, &paint);
            return 0;
        }
        case WM_ERASEBKGND: {
            HBRUSH brush = window->windowClass->background;
            if (!brush) return 0;
            RECT client;
            GetClientRect(handle, &client);
            FillRect(reinterpret_cast<HDC>(wParam), &client, brush);
            return 1;
        }
        case WM_SETTEXT: {
            const char* text = lParam ? reinterpret_cast<const char*>(lParam) : "";
            {
                std::lock_guard<std::mutex> lock(Globals().mutex);
                window->title = text;
            }
            if (window->sdl && OnVideoThread()) {
                SDL_SetWindowTitle(window->sdl, Cp932ToUtf8(text).c_str());
            }
            RegistryUpdateTitle(window->registrySerial, window->windowClass->name, text);
            return TRUE;
        }
        case WM_GETTEXTLENGTH: {
            std::lock_guard<std::mutex> lock(Globals().mutex);
            return static_cast<LRESULT>(window->title.size());
        }
        case WM_GETTEXT: {
            if (wParam == 0 || !lParam) return 0;
            std::lock_guard<std::mutex> lock(Globals().mutex);
            size_t n = std::min<size_t>(window->title.size(), wParam - 1);
            std::memcpy(reinterpret_cast<char*>(lParam), window->title.data(), n);
            reinterpret_cast<char*>(lParam)[n] = 0;
            return static_cast<LRESULT>(n);
        }
        case WM_SETCURSOR:
            if (LOWORD(lParam) == HTCLIENT && window->windowClass->cursor) {
                SetCursor(window->windowClass->cursor);
                return TRUE;
            }
            return FALSE;
        case WM_NCHITTEST:
            return HTCLIENT;
        case WM_MOUSEACTIVATE:
            return 1;  // MA_ACTIVATE
        case WM_NCACTIVATE:
            return TRUE;
        default:
            return 0;
    }
}
