// The mouse cursor: the show counter (shown at 0 or more), the current cursor
// shape, the confinement rectangle and the position in screen coordinates
// (tracked from the mouse events, so it agrees with the messages).
#include <SDL.h>

#include <algorithm>

#include "user_state.h"
#include "win_kernel.h"

namespace platform::user {

namespace {
std::mutex cursorMutex;
int showCount = 0;
HCURSOR current = nullptr;
bool cursorSet = false;
POINT position{0, 0};
bool clipped = false;
RECT clip{};

void ApplyVisibility() {
    if (!OnVideoThread()) return;
    const bool visible = showCount >= 0 && (!cursorSet || current != nullptr);
    SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE);
}

bool PtInClient(const Window& window, POINT p) {
    return p.x >= window.client.left && p.x < window.client.right && p.y >= window.client.top &&
           p.y < window.client.bottom;
}

POINT Clamp(POINT p) {
    if (!clipped) return p;
    p.x = std::clamp<LONG>(p.x, clip.left, std::max(clip.left, clip.right - 1));
    p.y = std::clamp<LONG>(p.y, clip.top, std::max(clip.top, clip.bottom - 1));
    return p;
}

// Confines SDL's pointer to the part of the clip rectangle inside the window.
void ApplyClip() {
    if (!OnVideoThread()) return;
    for (auto& window : AllWindows()) {
        if (!window->sdl) continue;
        if (!clipped) {
            SDL_SetWindowMouseRect(window->sdl, nullptr);
            continue;
        }
        SDL_Rect r{clip.left - window->client.left, clip.top - window->client.top,
                   clip.right - clip.left, clip.bottom - clip.top};
        SDL_SetWindowMouseRect(window->sdl, &r);
    }
}
}  // namespace

POINT TrackCursor(POINT screen) {
    std::lock_guard<std::mutex> lock(cursorMutex);
    position = Clamp(screen);
    return position;
}

void ResetCursorState() {
    std::lock_guard<std::mutex> lock(cursorMutex);
    showCount = 0;
    current = nullptr;
    cursorSet = false;
    position = POINT{0, 0};
    clipped = false;
}

}  // namespace platform::user

using namespace platform::user;

int WINAPI ShowCursor(BOOL show) {
    std::lock_guard<std::mutex> lock(cursorMutex);
    showCount += show ? 1 : -1;
    ApplyVisibility();
    return showCount;
}

HCURSOR WINAPI SetCursor(HCURSOR cursor) {
    std::lock_guard<std::mutex> lock(cursorMutex);
    HCURSOR previous = current;
    current = cursor;
    cursorSet = true;
    ApplyVisibility();
    return previous;
}

BOOL WINAPI ClipCursor(const RECT* rect) {
    {
        std::lock_guard<std::mutex> lock(cursorMutex);
        if (rect) {
            if (rect->left > rect->right || rect->top > rect->bottom) {
                SetLastError(ERROR_INVALID_PARAMETER);
                return FALSE;
            }
            clip = *rect;
            clipped = true;
            position = Clamp(position);
        } else {
            clipped = false;
        }
    }
    ApplyClip();
    return TRUE;
}

BOOL WINAPI GetClipCursor(LPRECT rect) {
    if (!rect) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::lock_guard<std::mutex> lock(cursorMutex);
    if (clipped) {
        *rect = clip;
    } else {
        int w, h, bits, freq;
        CurrentDisplayMode(&w, &h, &bits, &freq);
        *rect = RECT{0, 0, w, h};
    }
    return TRUE;
}

BOOL WINAPI GetCursorPos(LPPOINT point) {
    if (!point) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::lock_guard<std::mutex> lock(cursorMutex);
    *point = position;
    return TRUE;
}

BOOL WINAPI SetCursorPos(int x, int y) {
    POINT p = TrackCursor(POINT{x, y});
    if (OnVideoThread()) {
        for (auto& window : AllWindows()) {
            if (window->sdl && window->visible && PtInClient(*window, p)) {
                SDL_WarpMouseInWindow(window->sdl, p.x - window->client.left,
                                      p.y - window->client.top);
                break;
            }
        }
    }
    return TRUE;
}
