// Painting: each window keeps the bounding rectangle of its invalid client
// area; WM_PAINT is made for it only when its queue has nothing posted, and
// BeginPaint hands out that rectangle and validates it.
#include "user_state.h"
#include "win_gdi.h"
#include "win_kernel.h"

namespace platform::user {

namespace {

RECT ClientBounds(const Window& window) {
    return RECT{0, 0, window.client.right - window.client.left,
                window.client.bottom - window.client.top};
}

RECT Intersect(const RECT& a, const RECT& b) {
    return RECT{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                std::min(a.bottom, b.bottom)};
}

bool Empty(const RECT& r) {
    return r.left >= r.right || r.top >= r.bottom;
}

void Invalidate(const std::shared_ptr<Window>& window, const RECT* rect, bool erase) {
    {
        std::lock_guard<std::mutex> lock(Globals().mutex);
        RECT area = Intersect(rect ? *rect : ClientBounds(*window), ClientBounds(*window));
        if (Empty(area)) return;
        if (window->hasInvalid) {
            area = RECT{std::min(area.left, window->invalid.left),
                        std::min(area.top, window->invalid.top),
                        std::max(area.right, window->invalid.right),
                        std::max(area.bottom, window->invalid.bottom)};
        }
        window->invalid = area;
        window->hasInvalid = true;
        window->erase = window->erase || erase;
    }
    WakeQueue(window->queue);
}

void Validate(const std::shared_ptr<Window>& window, const RECT* rect) {
    std::lock_guard<std::mutex> lock(Globals().mutex);
    if (!window->hasInvalid) return;
    if (!rect) {
        window->hasInvalid = false;
        window->erase = false;
        return;
    }
    // The invalid area is one rectangle: it shrinks only when a whole band of it
    // is validated.
    RECT& inv = window->invalid;
    const RECT& v = *rect;
    if (v.left <= inv.left && v.right >= inv.right) {
        if (v.top <= inv.top && v.bottom >= inv.bottom) {
            window->hasInvalid = false;
            window->erase = false;
        } else if (v.top <= inv.top && v.bottom > inv.top) {
            inv.top = v.bottom;
        } else if (v.bottom >= inv.bottom && v.top < inv.bottom) {
            inv.bottom = v.top;
        }
    } else if (v.top <= inv.top && v.bottom >= inv.bottom) {
        if (v.left <= inv.left && v.right > inv.left) {
            inv.left = v.right;
        } else if (v.right >= inv.right && v.left < inv.right) {
            inv.right = v.left;
        }
    }
    if (Empty(inv)) window->hasInvalid = false;
}

}  // namespace

bool TakePaintMessage(DWORD threadId, HWND filter, UINT min, UINT max, MSG* out) {
    if (!MessageInFilter(WM_PAINT, min, max)) return false;
    std::lock_guard<std::mutex> lock(Globals().mutex);
    for (auto& [key, window] : Globals().windows) {
        if (window->threadId != threadId || !window->hasInvalid || !window->visible ||
            window->minimized || window->destroying || !WindowInFilter(window->handle, filter)) {
            continue;
        }
        *out = MSG{window->handle, WM_PAINT, 0, 0, static_cast<DWORD>(NowMs()), {}};
        return true;
    }
    return false;
}

}  // namespace platform::user

using namespace platform::user;

BOOL WINAPI InvalidateRect(HWND handle, const RECT* rect, BOOL erase) {
    if (!handle) {
        for (auto& window : AllWindows()) Invalidate(window, nullptr, erase);
        return TRUE;
    }
    auto window = GetWindow(handle);
    if (!window) return FALSE;
    Invalidate(window, rect, erase);
    return TRUE;
}

BOOL WINAPI ValidateRect(HWND handle, const RECT* rect) {
    if (!handle) {
        for (auto& window : AllWindows()) Validate(window, nullptr);
        return TRUE;
    }
    auto window = GetWindow(handle);
    if (!window) return FALSE;
    Validate(window, rect);
    return TRUE;
}

BOOL WINAPI GetUpdateRect(HWND handle, LPRECT rect, BOOL erase) {
    auto window = GetWindow(handle);
    if (!window) return FALSE;
    std::lock_guard<std::mutex> lock(Globals().mutex);
    if (rect) *rect = window->hasInvalid ? window->invalid : RECT{0, 0, 0, 0};
    return window->hasInvalid ? TRUE : FALSE;
}

HDC WINAPI BeginPaint(HWND handle, LPPAINTSTRUCT paint) {
    auto window = GetWindow(handle);
    if (!window) return nullptr;
    if (!paint) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    *paint = PAINTSTRUCT{};
    bool erase;
    {
        std::lock_guard<std::mutex> lock(Globals().mutex);
        paint->rcPaint = window->hasInvalid ? window->invalid : RECT{0, 0, 0, 0};
        erase = window->erase;
        window->hasInvalid = false;
        window->erase = false;
    }
    HDC dc = GetDC(handle);
    paint->hdc = dc;
    paint->fErase = FALSE;
    if (erase && dc) {
        paint->fErase =
            SendMessageA(handle, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0) ? FALSE : TRUE;
    }
    return dc;
}

BOOL WINAPI EndPaint(HWND handle, const PAINTSTRUCT* paint) {
    if (!paint) return FALSE;
    if (paint->hdc) ReleaseDC(handle, paint->hdc);
    return TRUE;
}
