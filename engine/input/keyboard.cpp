// The keyboard and mouse through the window system's key state, in
// DirectInput key codes, and the any-input question.
#include <windows.h>

#include <cstring>

#include "input/input_state.h"

namespace DuRud {

namespace {

struct VirtualKeyRow {
    uint16_t virtualKey;
    uint16_t keyCode;
};

// Virtual key -> key code; return (0x0D) stands twice, for the main return
// key and the keypad enter key.
constexpr VirtualKeyRow kVirtualKeyTable[] = {
    {0x41, 0x1E}, {0x42, 0x30}, {0x43, 0x2E}, {0x44, 0x20}, {0x45, 0x12}, {0x46, 0x21},
    {0x47, 0x22}, {0x48, 0x23}, {0x49, 0x17}, {0x4A, 0x24}, {0x4B, 0x25}, {0x4C, 0x26},
    {0x4D, 0x32}, {0x4E, 0x31}, {0x4F, 0x18}, {0x50, 0x19}, {0x51, 0x10}, {0x52, 0x13},
    {0x53, 0x1F}, {0x54, 0x14}, {0x55, 0x16}, {0x56, 0x2F}, {0x57, 0x11}, {0x58, 0x2D},
    {0x59, 0x15}, {0x5A, 0x2C}, {0x30, 0x0B}, {0x31, 0x02}, {0x32, 0x03}, {0x33, 0x04},
    {0x34, 0x05}, {0x35, 0x06}, {0x36, 0x07}, {0x37, 0x08}, {0x38, 0x09}, {0x39, 0x0A},
    {0x25, 0xCB}, {0x26, 0xC8}, {0x27, 0xCD}, {0x28, 0xD0}, {0xBB, 0x27}, {0xBA, 0x92},
    {0xDB, 0x1A}, {0xDD, 0x1B}, {0xC0, 0x91}, {0xE2, 0x2B}, {0xBC, 0x33}, {0xDE, 0x90},
    {0xBD, 0x0C}, {0xDC, 0x7D}, {0xBE, 0x34}, {0xBF, 0x35}, {0x2E, 0xD3}, {0x1B, 0x01},
    {0x20, 0x39}, {0x08, 0x0E}, {0x09, 0x0F}, {0x0D, 0x1C}, {0x60, 0x52}, {0x61, 0x4F},
    {0x62, 0x50}, {0x63, 0x51}, {0x64, 0x4B}, {0x65, 0x4C}, {0x66, 0x4D}, {0x67, 0x47},
    {0x68, 0x48}, {0x69, 0x49}, {0x6A, 0x37}, {0x6B, 0x4E}, {0x6D, 0x4A}, {0x6E, 0x53},
    {0x6F, 0xB5}, {0x0D, 0x9C}, {0xA0, 0x2A}, {0xA1, 0x36}, {0xA2, 0x1D}, {0xA3, 0x9D},
    {0x21, 0xC9}, {0x22, 0xD1}, {0x23, 0xCF}, {0x24, 0xC7}, {0x2D, 0xD2}, {0xA4, 0x38},
    {0xA5, 0xB8}, {0x91, 0x46}, {0x14, 0x3A}, {0x13, 0xC5}, {0x70, 0x3B}, {0x71, 0x3C},
    {0x72, 0x3D}, {0x73, 0x3E}, {0x74, 0x3F}, {0x75, 0x40}, {0x76, 0x41}, {0x77, 0x42},
    {0x78, 0x43}, {0x79, 0x44}, {0x7A, 0x57}, {0x7B, 0x58}, {0xFFFF, 0},
};
static_assert(sizeof(kVirtualKeyTable) / sizeof(kVirtualKeyTable[0]) == 101);

struct BusyGuard {
    InputState& in;
    explicit BusyGuard(InputState& s) : in(s) { in.refreshBusy = 1; }
    ~BusyGuard() { in.refreshBusy = 0; }
};

bool Signalled(HANDLE event) {
    return event && WaitForSingleObject(event, 0) == WAIT_OBJECT_0;
}

// The DirectInput keyboard: read at most once per millisecond unless its
// event says new data arrived.
int RefreshThroughDirectInput(int pump) {
    InputState& in = Input();
    uint32_t t = timeGetTime();
    if (t == in.keyboardRefreshTime && !Signalled(in.keyboardEvent)) return 0;
    if (pump && GetInputWindowLink().pump() != 0) return 0;
    // The pump may have ended input.
    if (!DirectInputObject() || !in.keyboardDevice) return 0;
    auto* keyboard = static_cast<IDirectInputDevice8A*>(in.keyboardDevice);
    BYTE keys[256];
    if (FAILED(keyboard->GetDeviceState(sizeof keys, keys))) {
        if (FAILED(keyboard->Acquire()) || FAILED(keyboard->GetDeviceState(sizeof keys, keys))) {
            return 0;
        }
    }
    std::memcpy(in.keyState, keys, sizeof keys);
    in.keyboardRefreshTime = t;
    if (Signalled(in.keyboardEvent)) ResetEvent(in.keyboardEvent);
    // Right shift as the window system saw it.
    BYTE state[256];
    if (GetKeyboardState(state)) in.keyState[0x36] = state[VK_RSHIFT];
    return 1;
}

int MouseButtonsThroughDirectInput() {
    auto* mouse = static_cast<IDirectInputDevice8A*>(Input().mouseDevice);
    DIMOUSESTATE2 state{};
    if (FAILED(mouse->GetDeviceState(sizeof state, &state))) {
        if (FAILED(mouse->Acquire()) || FAILED(mouse->GetDeviceState(sizeof state, &state))) {
            return 0;
        }
    }
    int bits = 0;
    for (int k = 0; k < 8; ++k) {
        if (state.rgbButtons[k] & 0x80) bits |= 1 << k;
    }
    return bits;
}

}  // namespace

int RefreshKeyboardState(int pump) {
    InputState& in = Input();
    if (in.refreshBusy) return 0;
    BusyGuard busy(in);
    const InputWindowLink& link = GetInputWindowLink();
    if (KeyboardThroughDirectInput()) return RefreshThroughDirectInput(pump);
    if (GetCurrentThreadId() != link.mainThreadId()) return 0;
    uint32_t t = timeGetTime();
    if (t == in.keyboardRefreshTime) return 0;
    in.keyboardRefreshTime = t;
    if (pump && link.pump() != 0) return 0;
    BYTE state[256];
    if (!GetKeyboardState(state)) return 0;
    std::memset(in.keyState, 0, sizeof(in.keyState));
    for (const VirtualKeyRow* row = kVirtualKeyTable; row->virtualKey != 0xFFFF; ++row) {
        in.keyState[row->keyCode] = state[row->virtualKey];
    }
    in.mouseButtons[0] = (state[VK_LBUTTON] & 0x80) ? 1 : 0;
    in.mouseButtons[1] = (state[VK_RBUTTON] & 0x80) ? 1 : 0;
    in.mouseButtons[2] = (state[VK_MBUTTON] & 0x80) ? 1 : 0;
    in.mouseBytesValid = 1;
    return 1;
}

int CheckKeyDown(int keyCode) {
    int started;
    if (InputQueryPrologue(&started)) return started;
    if (keyCode < 0 || keyCode > 255) return 0;
    RefreshKeyboardState(1);
    return (Input().keyState[keyCode] & 0x80) ? 1 : 0;
}

int GetAllKeyStates(unsigned char* buffer) {
    int started;
    if (InputQueryPrologue(&started)) return started;
    if (!buffer) return -1;
    RefreshKeyboardState(1);
    for (int i = 0; i < 256; ++i) buffer[i] = (Input().keyState[i] & 0x80) ? 1 : 0;
    return 0;
}

int GetMouseButtons() {
    InputState& in = Input();
    if (MouseThroughDirectInput()) return MouseButtonsThroughDirectInput();
    RefreshKeyboardState(1);
    if (in.mouseBytesValid) {
        return (in.mouseButtons[0] ? 1 : 0) | (in.mouseButtons[1] ? 2 : 0) |
               (in.mouseButtons[2] ? 4 : 0);
    }
    BYTE state[256];
    if (!GetKeyboardState(state)) return 0;
    return ((state[VK_LBUTTON] & 0x80) ? 1 : 0) | ((state[VK_RBUTTON] & 0x80) ? 2 : 0) |
           ((state[VK_MBUTTON] & 0x80) ? 4 : 0);
}

int CheckAnyInput(int kinds) {
    const InputWindowLink& link = GetInputWindowLink();
    if (!link.mainWindow()) return -1;
    int started;
    if (InputQueryPrologue(&started)) return started;
    InputState& in = Input();
    if (kinds & 1) {
        RefreshKeyboardState(1);
        for (int code = 0; code < 256; ++code) {
            // Lock keys stay "down" while toggled on some keyboards.
            if (code == 0x3A || code == 0x70 || code == 0x94) continue;
            if (in.keyState[code] & 0x80) return code;
        }
        if (in.f10Down) return 0x44;
    }
    if (kinds & 2) {
        for (int pad = 1; pad <= in.joypadCount; ++pad) {
            if (GetJoypadInputState(pad) != 0) return -1;
        }
    }
    if (kinds & 4) {
        int x = -1, y = -1, width = 0, height = 0;
        if (link.mousePosition(&x, &y) == 0 && link.clientSize(&width, &height) == 0 && x >= 0 &&
            y >= 0 && link.isActive() && x <= width && y <= height && GetMouseButtons() != 0) {
            return -1;
        }
    }
    return 0;
}

}  // namespace DuRud
