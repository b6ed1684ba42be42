// SDL events become window messages here, on the video thread. Activation,
// size, move and close are sent (the window procedure runs before the pump
// goes on); keys, mouse and drops are posted in the order SDL saw them.
// Committed text becomes WM_CHAR bytes (text_input.cpp). Events that other
// areas read (pads, audio devices) go to their sinks.
#include <SDL.h>

#include "sdl_event_sinks.h"
#include "ime_state.h"
#include "user_state.h"
#include "win_kernel.h"
#include "win_shell.h"

namespace platform::user {

namespace {

struct Sink {
    uint32_t first;
    uint32_t last;
    SdlEventSink sink;
};
std::mutex sinkMutex;
std::vector<Sink> sinks;

SdlEventSink SinkFor(uint32_t type) {
    std::lock_guard<std::mutex> lock(sinkMutex);
    for (const Sink& s : sinks) {
        if (type >= s.first && type <= s.last) return s.sink;
    }
    return nullptr;
}

struct DropInProgress {
    uint32_t windowId = 0;
    std::vector<std::string> paths;
};
DropInProgress drop;

std::shared_ptr<Window> WindowOfSdlId(uint32_t id) {
    for (auto& window : AllWindows()) {
        if (window->sdlId == id && !window->destroying) return window;
    }
    return nullptr;
}

std::shared_ptr<Window> FocusOrSdlWindow(uint32_t id) {
    if (auto window = WindowOfSdlId(id)) return window;
    HWND focus = GetFocus();
    return focus ? GetWindow(focus) : nullptr;
}

WPARAM MouseKeyFlags() {
    WPARAM flags = 0;
    if (IsKeyDown(VK_LBUTTON)) flags |= MK_LBUTTON;
    if (IsKeyDown(VK_RBUTTON)) flags |= MK_RBUTTON;
    if (IsKeyDown(VK_MBUTTON)) flags |= MK_MBUTTON;
    if (IsKeyDown(VK_SHIFT)) flags |= MK_SHIFT;
    if (IsKeyDown(VK_CONTROL)) flags |= MK_CONTROL;
    return flags;
}

void Post(const std::shared_ptr<Window>& window, UINT message, WPARAM wParam, LPARAM lParam,
          POINT screen) {
    MSG msg{window->handle, message, wParam, lParam, static_cast<DWORD>(NowMs()), screen};
    PostToQueue(window->queue, msg);
}

POINT ClientPointOf(const std::shared_ptr<Window>& window, int x, int y, POINT* screen) {
    POINT client = SdlToClient(*window, x, y);
    POINT s{client.x + window->client.left, client.y + window->client.top};
    s = TrackCursor(s);
    *screen = s;
    return POINT{s.x - window->client.left, s.y - window->client.top};
}

void OnWindowEvent(const SDL_WindowEvent& e) {
    auto window = WindowOfSdlId(e.windowID);
    if (!window) return;
    switch (e.event) {
        case SDL_WINDOWEVENT_EXPOSED:
            // A real display lost what the area showed: the kept picture goes
            // out again, and the program is asked to paint as Windows asks it.
            FlushPicture(window);
            InvalidateRect(window->handle, nullptr, TRUE);
            break;
        case SDL_WINDOWEVENT_MOVED:
            if (!window->fullscreen) {
                SetClientGeometry(window, e.data1, e.data2,
                                  window->client.right - window->client.left,
                                  window->client.bottom - window->client.top, true);
            }
            break;
        case SDL_WINDOWEVENT_RESIZED:
        case SDL_WINDOWEVENT_SIZE_CHANGED:
            if (!window->fullscreen && !window->minimized) {
                SetClientGeometry(window, window->client.left, window->client.top, e.data1, e.data2,
                                  true);
            }
            break;
        case SDL_WINDOWEVENT_MINIMIZED:
            SetMinimized(window);
            break;
        case SDL_WINDOWEVENT_MAXIMIZED:
            SetMaximized(window);
            break;
        case SDL_WINDOWEVENT_RESTORED:
            SetRestored(window);
            break;
        case SDL_WINDOWEVENT_FOCUS_GAINED:
            if (!window->minimized) ActivateWindow(window, false);
            break;
        case SDL_WINDOWEVENT_FOCUS_LOST:
            DeactivateWindow(window, window->minimized);
            break;
        case SDL_WINDOWEVENT_CLOSE:
            SendMessageA(window->handle, WM_SYSCOMMAND, SC_CLOSE, 0);
            break;
        default:
            break;
    }
}

void OnKey(const SDL_KeyboardEvent& e) {
    KeyInfo key = KeyFromScancode(e.keysym.scancode);
    if (!key.virtualKey) return;
    const bool down = e.type == SDL_KEYDOWN;
    const bool altBefore = IsKeyDown(VK_MENU);
    const bool wasDown = RecordKey(key, down);
    const bool altNow = IsKeyDown(VK_MENU);
    auto window = FocusOrSdlWindow(e.windowID);
    if (!window) return;
    UINT message;
    if (down) {
        message = (altNow || key.virtualKey == VK_F10) ? WM_SYSKEYDOWN : WM_KEYDOWN;
    } else {
        message = (altBefore || key.virtualKey == VK_F10) ? WM_SYSKEYUP : WM_KEYUP;
    }
    DWORD lParam = 1u | (static_cast<DWORD>(key.scanCode) << 16);
    if (key.extended) lParam |= 1u << 24;
    if (altNow) lParam |= 1u << 29;
    if (down ? (wasDown || e.repeat) : true) lParam |= 1u << 30;
    if (!down) lParam |= 1u << 31;
    POINT screen{};
    GetCursorPos(&screen);
    Post(window, message, key.virtualKey, static_cast<LPARAM>(lParam), screen);
}

// Windows asks the window under the cursor for its cursor shape before each
// mouse move and button press.
void SetCursorShape(const std::shared_ptr<Window>& window, UINT mouseMessage) {
    SendMessageA(window->handle, WM_SETCURSOR, reinterpret_cast<WPARAM>(window->handle),
                 MAKELPARAM(HTCLIENT, mouseMessage));
}

void OnMouseMotion(const SDL_MouseMotionEvent& e) {
    AddMouseMotion(e.xrel, e.yrel);
    auto window = WindowOfSdlId(e.windowID);
    if (!window) return;
    POINT screen;
    POINT p = ClientPointOf(window, e.x, e.y, &screen);
    SetCursorShape(window, WM_MOUSEMOVE);
    Post(window, WM_MOUSEMOVE, MouseKeyFlags(), MAKELPARAM(p.x, p.y), screen);
}

void OnMouseButton(const SDL_MouseButtonEvent& e) {
    auto window = WindowOfSdlId(e.windowID);
    if (!window) return;
    const bool down = e.type == SDL_MOUSEBUTTONDOWN;
    BYTE vk;
    UINT message;
    WPARAM extra = 0;
    switch (e.button) {
        case SDL_BUTTON_LEFT:
            vk = VK_LBUTTON;
            message = down ? WM_LBUTTONDOWN : WM_LBUTTONUP;
            break;
        case SDL_BUTTON_RIGHT:
            vk = VK_RBUTTON;
            message = down ? WM_RBUTTONDOWN : WM_RBUTTONUP;
            break;
        case SDL_BUTTON_MIDDLE:
            vk = VK_MBUTTON;
            message = down ? WM_MBUTTONDOWN : WM_MBUTTONUP;
            break;
        case SDL_BUTTON_X1:
            vk = 0x05;
            message = down ? WM_XBUTTONDOWN : WM_XBUTTONUP;
            extra = 1;
            break;
        case SDL_BUTTON_X2:
            vk = 0x06;
            message = down ? WM_XBUTTONDOWN : WM_XBUTTONUP;
            extra = 2;
            break;
        default:
            return;
    }
    RecordKey(KeyInfo{vk, 0, 0, false}, down);
    if (down && e.clicks == 2 && (window->windowClass->style & CS_DBLCLKS) && extra == 0) {
        message += 2;  // the DBLCLK message follows each button's UP
    }
    POINT screen;
    POINT p = ClientPointOf(window, e.x, e.y, &screen);
    if (down) SetCursorShape(window, message);
    Post(window, message, MouseKeyFlags() | (extra << 16), MAKELPARAM(p.x, p.y), screen);
}

void OnWheel(const SDL_MouseWheelEvent& e) {
    int sign = e.direction == SDL_MOUSEWHEEL_FLIPPED ? -1 : 1;
    if (e.y != 0) AddMouseWheel(sign * e.y * WHEEL_DELTA);
    auto window = FocusOrSdlWindow(e.windowID);
    if (!window) return;
    POINT screen{};
    GetCursorPos(&screen);
    // Wheel messages carry screen coordinates.
    LPARAM where = MAKELPARAM(screen.x, screen.y);
    if (e.y != 0) {
        WPARAM w = MouseKeyFlags() |
                   (static_cast<WPARAM>(static_cast<WORD>(sign * e.y * WHEEL_DELTA)) << 16);
        Post(window, WM_MOUSEWHEEL, w, where, screen);
    }
    if (e.x != 0) {
        WPARAM w = MouseKeyFlags() |
                   (static_cast<WPARAM>(static_cast<WORD>(sign * e.x * WHEEL_DELTA)) << 16);
        Post(window, WM_MOUSEHWHEEL, w, where, screen);
    }
}

void OnDrop(const SDL_DropEvent& e) {
    switch (e.type) {
        case SDL_DROPBEGIN:
            drop = DropInProgress{e.windowID, {}};
            break;
        case SDL_DROPFILE:
            if (e.file) drop.paths.emplace_back(e.file);
            if (!drop.windowId) drop.windowId = e.windowID;
            break;
        case SDL_DROPCOMPLETE: {
            auto window = WindowOfSdlId(drop.windowId ? drop.windowId : e.windowID);
            std::vector<std::string> paths;
            paths.swap(drop.paths);
            drop = DropInProgress{};
            if (!window || !window->acceptFiles || paths.empty()) break;
            POINT cursor{};
            GetCursorPos(&cursor);
            POINT client{cursor.x - window->client.left, cursor.y - window->client.top};
            HDROP handle = MakeDrop(paths, client);
            if (!handle) break;
            MSG msg{window->handle,
                    WM_DROPFILES,
                    reinterpret_cast<WPARAM>(handle),
                    0,
                    static_cast<DWORD>(NowMs()),
                    cursor};
            if (!PostToQueue(window->queue, msg)) DragFinish(handle);
            break;
        }
        default:
            break;
    }
}

}  // namespace

void PumpSdlEvents() {
    if (!OnVideoThread()) return;
    // Pictures presented by other threads reach their windows here.
    for (auto& window : AllWindows()) {
        bool dirty;
        {
            std::lock_guard<std::mutex> lock(Globals().mutex);
            dirty = window->pictureDirty;
        }
        if (dirty) FlushPicture(window);
    }
    SDL_PumpEvents();
    DeliverTerminationRequest();
    SDL_Event events[64];
    for (;;) {
        int n = SDL_PeepEvents(events, 64, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT);
        if (n <= 0) break;
        for (int i = 0; i < n; ++i) {
            SDL_Event& e = events[i];
            switch (e.type) {
                case SDL_WINDOWEVENT:
                    OnWindowEvent(e.window);
                    break;
                case SDL_KEYDOWN:
                case SDL_KEYUP:
                    OnKey(e.key);
                    break;
                case SDL_MOUSEMOTION:
                    OnMouseMotion(e.motion);
                    break;
                case SDL_MOUSEBUTTONDOWN:
                case SDL_MOUSEBUTTONUP:
                    OnMouseButton(e.button);
                    break;
                case SDL_MOUSEWHEEL:
                    OnWheel(e.wheel);
                    break;
                case SDL_DROPBEGIN:
                case SDL_DROPFILE:
                case SDL_DROPTEXT:
                case SDL_DROPCOMPLETE:
                    OnDrop(e.drop);
                    if (e.type == SDL_DROPFILE || e.type == SDL_DROPTEXT) SDL_free(e.drop.file);
                    break;
                case SDL_TEXTINPUT:
                    // With the IME disabled the window takes no typed text.
                    if (!platform::ime::TextInputEnabled()) break;
                    if (auto window = FocusOrSdlWindow(e.text.windowID))
                        PostTypedText(window, e.text.text);
                    break;
                case SDL_TEXTEDITING:
                    break;  // only committed text is typed; compositions are the IME's
                case SDL_QUIT:
                    break;  // windows close through their own close events, signals through
                            // termination_requests.cpp
                default:
                    if (SdlEventSink sink = SinkFor(e.type)) sink(e);
                    break;
            }
        }
    }
}

}  // namespace platform::user

void platform::SetSdlEventSink(uint32_t firstType, uint32_t lastType, SdlEventSink sink) {
    using namespace platform::user;
    std::lock_guard<std::mutex> lock(sinkMutex);
    std::erase_if(sinks, [&](const Sink& s) { return s.first == firstType && s.last == lastType; });
    if (sink) sinks.push_back(Sink{firstType, lastType, sink});
}
