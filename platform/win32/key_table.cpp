// The one table from SDL scancodes to Windows virtual keys and scan codes, and
// the key state that key messages and GetKeyboardState share. Keys map by
// their physical position on a Japanese 106/109 keyboard, as Windows maps
// them with the Japanese layout (the engine's key tables expect these codes).
#include <SDL.h>

#include <array>
#include <atomic>

#include "user_state.h"
#include "win_kernel.h"

namespace platform::user {

namespace {

struct Row {
    SDL_Scancode sdl;
    BYTE vk;
    BYTE side;
    BYTE scan;
    bool extended;
};

constexpr Row kRows[] = {
    {SDL_SCANCODE_A, 'A', 0, 0x1E, false},
    {SDL_SCANCODE_B, 'B', 0, 0x30, false},
    {SDL_SCANCODE_C, 'C', 0, 0x2E, false},
    {SDL_SCANCODE_D, 'D', 0, 0x20, false},
    {SDL_SCANCODE_E, 'E', 0, 0x12, false},
    {SDL_SCANCODE_F, 'F', 0, 0x21, false},
    {SDL_SCANCODE_G, 'G', 0, 0x22, false},
    {SDL_SCANCODE_H, 'H', 0, 0x23, false},
    {SDL_SCANCODE_I, 'I', 0, 0x17, false},
    {SDL_SCANCODE_J, 'J', 0, 0x24, false},
    {SDL_SCANCODE_K, 'K', 0, 0x25, false},
    {SDL_SCANCODE_L, 'L', 0, 0x26, false},
    {SDL_SCANCODE_M, 'M', 0, 0x32, false},
    {SDL_SCANCODE_N, 'N', 0, 0x31, false},
    {SDL_SCANCODE_O, 'O', 0, 0x18, false},
    {SDL_SCANCODE_P, 'P', 0, 0x19, false},
    {SDL_SCANCODE_Q, 'Q', 0, 0x10, false},
    {SDL_SCANCODE_R, 'R', 0, 0x13, false},
    {SDL_SCANCODE_S, 'S', 0, 0x1F, false},
    {SDL_SCANCODE_T, 'T', 0, 0x14, false},
    {SDL_SCANCODE_U, 'U', 0, 0x16, false},
    {SDL_SCANCODE_V, 'V', 0, 0x2F, false},
    {SDL_SCANCODE_W, 'W', 0, 0x11, false},
    {SDL_SCANCODE_X, 'X', 0, 0x2D, false},
    {SDL_SCANCODE_Y, 'Y', 0, 0x15, false},
    {SDL_SCANCODE_Z, 'Z', 0, 0x2C, false},
    {SDL_SCANCODE_1, '1', 0, 0x02, false},
    {SDL_SCANCODE_2, '2', 0, 0x03, false},
    {SDL_SCANCODE_3, '3', 0, 0x04, false},
    {SDL_SCANCODE_4, '4', 0, 0x05, false},
    {SDL_SCANCODE_5, '5', 0, 0x06, false},
    {SDL_SCANCODE_6, '6', 0, 0x07, false},
    {SDL_SCANCODE_7, '7', 0, 0x08, false},
    {SDL_SCANCODE_8, '8', 0, 0x09, false},
    {SDL_SCANCODE_9, '9', 0, 0x0A, false},
    {SDL_SCANCODE_0, '0', 0, 0x0B, false},
    {SDL_SCANCODE_RETURN, VK_RETURN, 0, 0x1C, false},
    {SDL_SCANCODE_ESCAPE, VK_ESCAPE, 0, 0x01, false},
    {SDL_SCANCODE_BACKSPACE, VK_BACK, 0, 0x0E, false},
    {SDL_SCANCODE_TAB, VK_TAB, 0, 0x0F, false},
    {SDL_SCANCODE_SPACE, VK_SPACE, 0, 0x39, false},
    // Japanese positions: - ^ yen / @ [ / ; : ] / , . / ro
    {SDL_SCANCODE_MINUS, VK_OEM_MINUS, 0, 0x0C, false},
    {SDL_SCANCODE_EQUALS, VK_OEM_7, 0, 0x0D, false},
    {SDL_SCANCODE_INTERNATIONAL3, VK_OEM_5, 0, 0x7D, false},
    {SDL_SCANCODE_LEFTBRACKET, VK_OEM_3, 0, 0x1A, false},
    {SDL_SCANCODE_RIGHTBRACKET, VK_OEM_4, 0, 0x1B, false},
    {SDL_SCANCODE_SEMICOLON, VK_OEM_PLUS, 0, 0x27, false},
    {SDL_SCANCODE_APOSTROPHE, VK_OEM_1, 0, 0x28, false},
    {SDL_SCANCODE_BACKSLASH, VK_OEM_6, 0, 0x2B, false},
    {SDL_SCANCODE_NONUSHASH, VK_OEM_6, 0, 0x2B, false},
    {SDL_SCANCODE_COMMA, VK_OEM_COMMA, 0, 0x33, false},
    {SDL_SCANCODE_PERIOD, VK_OEM_PERIOD, 0, 0x34, false},
    {SDL_SCANCODE_SLASH, VK_OEM_2, 0, 0x35, false},
    {SDL_SCANCODE_INTERNATIONAL1, VK_OEM_102, 0, 0x73, false},
    {SDL_SCANCODE_NONUSBACKSLASH, VK_OEM_102, 0, 0x56, false},
    {SDL_SCANCODE_GRAVE, VK_KANJI, 0, 0x29, false},
    {SDL_SCANCODE_INTERNATIONAL2, VK_KANA, 0, 0x70, false},
    {SDL_SCANCODE_INTERNATIONAL4, VK_CONVERT, 0, 0x79, false},
    {SDL_SCANCODE_INTERNATIONAL5, VK_NONCONVERT, 0, 0x7B, false},
    {SDL_SCANCODE_CAPSLOCK, VK_CAPITAL, 0, 0x3A, false},
    {SDL_SCANCODE_F1, VK_F1, 0, 0x3B, false},
    {SDL_SCANCODE_F2, VK_F2, 0, 0x3C, false},
    {SDL_SCANCODE_F3, VK_F3, 0, 0x3D, false},
    {SDL_SCANCODE_F4, VK_F4, 0, 0x3E, false},
    {SDL_SCANCODE_F5, VK_F5, 0, 0x3F, false},
    {SDL_SCANCODE_F6, VK_F6, 0, 0x40, false},
    {SDL_SCANCODE_F7, VK_F7, 0, 0x41, false},
    {SDL_SCANCODE_F8, VK_F8, 0, 0x42, false},
    {SDL_SCANCODE_F9, VK_F9, 0, 0x43, false},
    {SDL_SCANCODE_F10, VK_F10, 0, 0x44, false},
    {SDL_SCANCODE_F11, VK_F11, 0, 0x57, false},
    {SDL_SCANCODE_F12, VK_F12, 0, 0x58, false},
    {SDL_SCANCODE_PRINTSCREEN, VK_SNAPSHOT, 0, 0x37, true},
    {SDL_SCANCODE_SCROLLLOCK, VK_SCROLL, 0, 0x46, false},
    {SDL_SCANCODE_PAUSE, VK_PAUSE, 0, 0x45, false},
    {SDL_SCANCODE_INSERT, VK_INSERT, 0, 0x52, true},
    {SDL_SCANCODE_HOME, VK_HOME, 0, 0x47, true},
    {SDL_SCANCODE_PAGEUP, VK_PRIOR, 0, 0x49, true},
    {SDL_SCANCODE_DELETE, VK_DELETE, 0, 0x53, true},
    {SDL_SCANCODE_END, VK_END, 0, 0x4F, true},
    {SDL_SCANCODE_PAGEDOWN, VK_NEXT, 0, 0x51, true},
    {SDL_SCANCODE_RIGHT, VK_RIGHT, 0, 0x4D, true},
    {SDL_SCANCODE_LEFT, VK_LEFT, 0, 0x4B, true},
    {SDL_SCANCODE_DOWN, VK_DOWN, 0, 0x50, true},
    {SDL_SCANCODE_UP, VK_UP, 0, 0x48, true},
    {SDL_SCANCODE_NUMLOCKCLEAR, VK_NUMLOCK, 0, 0x45, true},
    {SDL_SCANCODE_KP_DIVIDE, VK_DIVIDE, 0, 0x35, true},
    {SDL_SCANCODE_KP_MULTIPLY, VK_MULTIPLY, 0, 0x37, false},
    {SDL_SCANCODE_KP_MINUS, VK_SUBTRACT, 0, 0x4A, false},
    {SDL_SCANCODE_KP_PLUS, VK_ADD, 0, 0x4E, false},
    {SDL_SCANCODE_KP_ENTER, VK_RETURN, 0, 0x1C, true},
    {SDL_SCANCODE_KP_1, VK_NUMPAD0 + 1, 0, 0x4F, false},
    {SDL_SCANCODE_KP_2, VK_NUMPAD0 + 2, 0, 0x50, false},
    {SDL_SCANCODE_KP_3, VK_NUMPAD0 + 3, 0, 0x51, false},
    {SDL_SCANCODE_KP_4, VK_NUMPAD0 + 4, 0, 0x4B, false},
    {SDL_SCANCODE_KP_5, VK_NUMPAD0 + 5, 0, 0x4C, false},
    {SDL_SCANCODE_KP_6, VK_NUMPAD0 + 6, 0, 0x4D, false},
    {SDL_SCANCODE_KP_7, VK_NUMPAD0 + 7, 0, 0x47, false},
    {SDL_SCANCODE_KP_8, VK_NUMPAD0 + 8, 0, 0x48, false},
    {SDL_SCANCODE_KP_9, VK_NUMPAD0 + 9, 0, 0x49, false},
    {SDL_SCANCODE_KP_0, VK_NUMPAD0, 0, 0x52, false},
    {SDL_SCANCODE_KP_PERIOD, VK_DECIMAL, 0, 0x53, false},
    {SDL_SCANCODE_APPLICATION, VK_APPS, 0, 0x5D, true},
    {SDL_SCANCODE_LCTRL, VK_CONTROL, VK_LCONTROL, 0x1D, false},
    {SDL_SCANCODE_LSHIFT, VK_SHIFT, VK_LSHIFT, 0x2A, false},
    {SDL_SCANCODE_LALT, VK_MENU, VK_LMENU, 0x38, false},
    {SDL_SCANCODE_LGUI, VK_LWIN, 0, 0x5B, true},
    {SDL_SCANCODE_RCTRL, VK_CONTROL, VK_RCONTROL, 0x1D, true},
    {SDL_SCANCODE_RSHIFT, VK_SHIFT, VK_RSHIFT, 0x36, false},
    {SDL_SCANCODE_RALT, VK_MENU, VK_RMENU, 0x38, true},
    {SDL_SCANCODE_RGUI, VK_RWIN, 0, 0x5C, true},
};

std::mutex keyMutex;
std::array<BYTE, 256> keyState{};       // bit 7 down, bit 0 toggled
std::array<BYTE, 256> positionState{};  // by scan code | 0x80 extended; bit 7 down

BYTE PairKey(BYTE side) {
    switch (side) {
        case VK_LSHIFT:
            return VK_RSHIFT;
        case VK_RSHIFT:
            return VK_LSHIFT;
        case VK_LCONTROL:
            return VK_RCONTROL;
        case VK_RCONTROL:
            return VK_LCONTROL;
        case VK_LMENU:
            return VK_RMENU;
        case VK_RMENU:
            return VK_LMENU;
        default:
            return 0;
    }
}

void SetDown(BYTE vk, bool down) {
    if (down) {
        if (!(keyState[vk] & 0x80)) keyState[vk] ^= 0x01;
        keyState[vk] |= 0x80;
    } else {
        keyState[vk] &= 0x7F;
    }
}

}  // namespace

KeyInfo KeyFromScancode(int sdlScancode) {
    for (const Row& row : kRows) {
        if (row.sdl == sdlScancode) return KeyInfo{row.vk, row.side, row.scan, row.extended};
    }
    return KeyInfo{0, 0, 0, false};
}

int ScancodeFromPosition(int position) {
    for (const Row& row : kRows) {
        if ((row.scan | (row.extended ? 0x80 : 0)) == position) return row.sdl;
    }
    return -1;
}

namespace {

bool RecordKeyLocked(const KeyInfo& key, bool down) {
    if (key.scanCode) {
        positionState[key.scanCode | (key.extended ? 0x80 : 0)] = down ? 0x80 : 0;
    }
    if (key.sideKey) {
        bool was = (keyState[key.sideKey] & 0x80) != 0;
        SetDown(key.sideKey, down);
        bool other = (keyState[PairKey(key.sideKey)] & 0x80) != 0;
        SetDown(key.virtualKey, down || other);
        return was;
    }
    bool was = (keyState[key.virtualKey] & 0x80) != 0;
    SetDown(key.virtualKey, down);
    return was;
}

}  // namespace

bool RecordKey(const KeyInfo& key, bool down) {
    bool was;
    {
        std::lock_guard<std::mutex> lock(keyMutex);
        was = RecordKeyLocked(key, down);
    }
    // Mouse buttons are recorded here too, without a scan code.
    NotifyRawInput(key.scanCode ? RawInputKind::Keyboard : RawInputKind::Mouse);
    return was;
}

void CopyKeyPositions(BYTE out[256]) {
    std::lock_guard<std::mutex> lock(keyMutex);
    std::copy(positionState.begin(), positionState.end(), out);
}

bool IsKeyDown(BYTE virtualKey) {
    std::lock_guard<std::mutex> lock(keyMutex);
    return (keyState[virtualKey] & 0x80) != 0;
}

void ResetKeyState() {
    std::lock_guard<std::mutex> lock(keyMutex);
    keyState.fill(0);
    positionState.fill(0);
}

}  // namespace platform::user

using namespace platform::user;

BOOL WINAPI GetKeyboardState(PBYTE state) {
    if (!state) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    // The state as of the messages made so far: SDL is pumped by message
    // retrieval, never here, so no window procedure runs inside this call.
    std::lock_guard<std::mutex> lock(keyMutex);
    std::copy(keyState.begin(), keyState.end(), state);
    return TRUE;
}

SHORT WINAPI GetKeyState(int virtualKey) {
    if (virtualKey < 0 || virtualKey > 255) return 0;
    std::lock_guard<std::mutex> lock(keyMutex);
    BYTE b = keyState[virtualKey];
    return static_cast<SHORT>(((b & 0x80) ? 0x8000 : 0) | (b & 0x01));
}

SHORT WINAPI GetAsyncKeyState(int virtualKey) {
    if (virtualKey < 0 || virtualKey > 255) return 0;
    std::lock_guard<std::mutex> lock(keyMutex);
    return static_cast<SHORT>((keyState[virtualKey] & 0x80) ? 0x8000 : 0);
}
