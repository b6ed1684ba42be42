// Scripted window input for tests: each call pushes the SDL events a desktop
// would send, so the messages come from the same translation as real input.
#include <SDL.h>

#include <cstring>
#include <map>

#include "test_knobs.h"
#include "user_state.h"

namespace platform::user {

namespace {

bool Push(SDL_Event& event) {
    return SDL_PushEvent(&event) == 1;
}

uint32_t SdlIdOf(HWND handle) {
    auto window = GetWindow(handle);
    return window && window->sdl ? window->sdlId : 0;
}

// Where each window's scripted pointer was last put, so that a move carries
// its relative motion as a real one does.
std::mutex pointerMutex;
std::map<uint32_t, POINT> scriptedPointer;

}  // namespace

void ResetScriptedState() {
    ResetKeyState();
    std::lock_guard<std::mutex> lock(pointerMutex);
    scriptedPointer.clear();
}

}  // namespace platform::user

using namespace platform::user;

bool KnobWindowEvent(HWND window, KnobWindowEventKind kind, int data1, int data2) {
    uint32_t id = SdlIdOf(window);
    if (!id) return false;
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.windowID = id;
    e.window.data1 = data1;
    e.window.data2 = data2;
    switch (kind) {
        case KnobWindowEventKind::FocusGained:
            e.window.event = SDL_WINDOWEVENT_FOCUS_GAINED;
            break;
        case KnobWindowEventKind::FocusLost:
            e.window.event = SDL_WINDOWEVENT_FOCUS_LOST;
            break;
        case KnobWindowEventKind::Minimise:
            e.window.event = SDL_WINDOWEVENT_MINIMIZED;
            break;
        case KnobWindowEventKind::Restore:
            e.window.event = SDL_WINDOWEVENT_RESTORED;
            break;
        case KnobWindowEventKind::Maximise:
            e.window.event = SDL_WINDOWEVENT_MAXIMIZED;
            break;
        case KnobWindowEventKind::Close:
            e.window.event = SDL_WINDOWEVENT_CLOSE;
            break;
        case KnobWindowEventKind::Expose:
            e.window.event = SDL_WINDOWEVENT_EXPOSED;
            break;
        case KnobWindowEventKind::Move:
            e.window.event = SDL_WINDOWEVENT_MOVED;
            break;
        case KnobWindowEventKind::Resize:
            e.window.event = SDL_WINDOWEVENT_RESIZED;
            break;
    }
    return Push(e);
}

bool KnobWindowKey(HWND window, int sdlScancode, bool down, bool repeat) {
    uint32_t id = SdlIdOf(window);
    if (!id) return false;
    SDL_Event e{};
    e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    e.key.windowID = id;
    e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.key.repeat = repeat ? 1 : 0;
    e.key.keysym.scancode = static_cast<SDL_Scancode>(sdlScancode);
    e.key.keysym.sym = SDL_GetKeyFromScancode(static_cast<SDL_Scancode>(sdlScancode));
    return Push(e);
}

bool KnobWindowText(HWND window, const char* utf8) {
    uint32_t id = SdlIdOf(window);
    if (!id || !utf8) return false;
    // SDL carries text in pieces of at most 31 bytes, split between characters.
    size_t length = std::strlen(utf8), at = 0;
    while (at < length) {
        size_t n = std::min<size_t>(length - at, SDL_TEXTINPUTEVENT_TEXT_SIZE - 1);
        while (n > 0 && at + n < length &&
               (static_cast<unsigned char>(utf8[at + n]) & 0xC0) == 0x80)
            --n;
        SDL_Event e{};
        e.type = SDL_TEXTINPUT;
        e.text.windowID = id;
        std::memcpy(e.text.text, utf8 + at, n);
        if (!Push(e)) return false;
        at += n;
    }
    return true;
}

bool KnobWindowMouseMove(HWND window, int x, int y) {
    uint32_t id = SdlIdOf(window);
    if (!id) return false;
    SDL_Event e{};
    e.type = SDL_MOUSEMOTION;
    e.motion.windowID = id;
    e.motion.x = x;
    e.motion.y = y;
    {
        std::lock_guard<std::mutex> lock(pointerMutex);
        auto last = scriptedPointer.find(id);
        if (last == scriptedPointer.end()) {
            POINT cursor{};
            GetCursorPos(&cursor);
            ScreenToClient(window, &cursor);
            last = scriptedPointer.emplace(id, cursor).first;
        }
        e.motion.xrel = x - last->second.x;
        e.motion.yrel = y - last->second.y;
        last->second = POINT{x, y};
    }
    return Push(e);
}

bool KnobWindowMouseButton(HWND window, int sdlButton, bool down, int x, int y, int clicks) {
    uint32_t id = SdlIdOf(window);
    if (!id) return false;
    SDL_Event e{};
    e.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
    e.button.windowID = id;
    e.button.button = static_cast<Uint8>(sdlButton);
    e.button.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.button.clicks = static_cast<Uint8>(clicks);
    e.button.x = x;
    e.button.y = y;
    return Push(e);
}

bool KnobWindowWheel(HWND window, int x, int y) {
    uint32_t id = SdlIdOf(window);
    if (!id) return false;
    SDL_Event e{};
    e.type = SDL_MOUSEWHEEL;
    e.wheel.windowID = id;
    e.wheel.x = x;
    e.wheel.y = y;
    e.wheel.direction = SDL_MOUSEWHEEL_NORMAL;
    return Push(e);
}

bool KnobWindowDrop(HWND window, const char* const* utf8Paths, int count) {
    uint32_t id = SdlIdOf(window);
    if (!id || count < 0 || (count > 0 && !utf8Paths)) return false;
    SDL_Event e{};
    e.type = SDL_DROPBEGIN;
    e.drop.windowID = id;
    if (!Push(e)) return false;
    for (int i = 0; i < count; ++i) {
        SDL_Event f{};
        f.type = SDL_DROPFILE;
        f.drop.windowID = id;
        f.drop.file = SDL_strdup(utf8Paths[i]);
        if (!Push(f)) {
            SDL_free(f.drop.file);
            return false;
        }
    }
    SDL_Event c{};
    c.type = SDL_DROPCOMPLETE;
    c.drop.windowID = id;
    return Push(c);
}
