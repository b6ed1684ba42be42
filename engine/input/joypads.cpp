// Joypads: the joystick-function pads, the pad sources' conversions, the
// keyboard map and the public pad queries.
#include <windows.h>
#include <xinput.h>

#include <cstring>

#include "core/system_services.h"
#include "input/input_state.h"

namespace DuRud {

namespace {

// XInput button masks in the order of the converted button bytes 0..9.
constexpr uint16_t kXInputButtons[10] = {0x1000, 0x2000, 0x4000, 0x8000, 0x0100,
                                         0x0200, 0x0020, 0x0010, 0x0040, 0x0080};

int32_t ConvertXInputAxis(int32_t v, int32_t s) {
    if (v == -32768) return -1000;
    if (v == 32767) return 1000;
    if (v < -s) return (v + s) * 1000 / (32767 - s);
    if (v > s) return (v - s) * 1000 / (32767 - s);
    return 0;
}

// Y is up on the stick, down in the converted state.
int32_t ConvertXInputAxisInverted(int32_t v, int32_t s) {
    if (v == -32768) return 1000;
    if (v == 32767) return -1000;
    if (v < -s) return (v + s) * -1000 / (32767 - s);
    if (v > s) return (s - v) * 1000 / (32767 - s);
    return 0;
}

uint32_t XInputPov(uint16_t buttons) {
    bool up = buttons & 1, down = buttons & 2, left = buttons & 4, right = buttons & 8;
    if (up && !left && !right) return 0;
    if (up && right) return 4500;
    if (right && !up && !down) return 9000;
    if (right && down) return 13500;
    if (down && !right && !left) return 18000;
    if (down && left) return 22500;
    if (left && !down && !up) return 27000;
    if (left && up) return 31500;
    return 0xFFFFFFFFu;
}

void PollJoystickFunctionPad(int index, JoypadRecord& pad) {
    auto getPos = WinApi<UINT(WINAPI*)(UINT, LPJOYINFOEX)>(Api_joyGetPosEx);
    JOYINFOEX info{};
    info.dwSize = sizeof(info);
    info.dwFlags = JOY_RETURNALL;
    if (!getPos || getPos(static_cast<UINT>(index), &info) != JOYERR_NOERROR) {
        std::memset(&pad.state, 0, sizeof(pad.state));
        return;
    }
    pad.state.lX = ConvertJoystickPosition(info.dwXpos, pad.deadZone);
    pad.state.lY = ConvertJoystickPosition(info.dwYpos, pad.deadZone);
    if (pad.hasZAndR) {
        pad.state.lZ = ConvertJoystickPosition(info.dwZpos, pad.deadZone);
        pad.state.lRz = ConvertJoystickPosition(info.dwRpos, pad.deadZone);
        pad.state.lRx = ConvertJoystickPosition(info.dwUpos, pad.deadZone);
    } else {
        pad.state.lZ = pad.state.lRz = pad.state.lRx = 0;
    }
    for (int b = 0; b < 24; ++b) pad.state.buttons[b] = (info.dwButtons >> b) & 1 ? 0x80 : 0;
}

void PollXInputPad(JoypadRecord& pad) {
    InputState& in = Input();
    XInputStateRecord raw{};
    if (!in.xinputGetState || in.xinputGetState(static_cast<DWORD>(pad.xinputIndex), &raw) != 0) {
        std::memset(&pad.xinputState, 0, sizeof(pad.xinputState));
        return;
    }
    pad.xinputState = raw;
    ConvertXInputState(raw, pad.deadZone, &pad.state);
}

}  // namespace

int32_t ConvertJoystickPosition(uint32_t v, int32_t deadZone) {
    uint32_t d = static_cast<uint32_t>(deadZone) / 2;
    if (v == 0) return -1000;
    if (v == 32767) return 0;
    if (v == 65535) return 1000;
    if (v < 32768 - d) return -static_cast<int32_t>((32768 - d - v) * 1000 / (32768 - d));
    if (v > 32768 + d) return static_cast<int32_t>(((v - d) * 1000 - 32768000u) / (32768 - d));
    return 0;
}

void ConvertXInputState(const XInputStateRecord& raw, int32_t deadZone, JoyStateRecord* out) {
    int32_t s = (deadZone * 32767) >> 16;
    out->lX = ConvertXInputAxis(raw.thumbLX, s);
    out->lRx = ConvertXInputAxis(raw.thumbRX, s);
    out->lY = ConvertXInputAxisInverted(raw.thumbLY, s);
    out->lRy = ConvertXInputAxisInverted(raw.thumbRY, s);
    for (int b = 0; b < 10; ++b) out->buttons[b] = (raw.buttons & kXInputButtons[b]) ? 0x80 : 0;
    out->pov[0] = XInputPov(raw.buttons);
    out->pov[1] = out->pov[2] = out->pov[3] = 0xFFFFFFFFu;
    int32_t r = (deadZone * 255) >> 16;
    out->lZ = 0;
    if (raw.leftTrigger > r) out->lZ += (raw.leftTrigger - r) * 1000 / (255 - r);
    if (raw.rightTrigger > r) out->lZ += (r - raw.rightTrigger) * 1000 / (255 - r);
}

void WriteDefaultKeyboardMap() {
    InputState& in = Input();
    for (auto& pad : in.keyboardMap) {
        for (auto& bit : pad) {
            bit[0] = bit[1] = -1;
            bit[2] = bit[3] = 0;
        }
    }
    const int32_t defaults[14][2] = {
        {0x50, 0xD0}, {0x4B, 0xCB}, {0x4D, 0xCD}, {0x48, 0xC8}, {0x2C, -1}, {0x2D, -1}, {0x2E, -1},
        {0x1E, -1},   {0x1F, -1},   {0x20, -1},   {0x10, -1},   {0x11, -1}, {0x01, -1}, {0x39, -1}};
    for (int bit = 0; bit < 14; ++bit) {
        in.keyboardMap[0][bit][0] = defaults[bit][0];
        in.keyboardMap[0][bit][1] = defaults[bit][1];
    }
}

int CountJoystickFunctionPads() {
    InputState& in = Input();
    auto getCaps = WinApi<UINT(WINAPI*)(UINT_PTR, LPJOYCAPSA, UINT)>(Api_joyGetDevCapsA);
    int count = 0;
    while (getCaps && count < kMaxJoypads) {
        JOYCAPSA caps{};
        if (getCaps(static_cast<UINT_PTR>(count), &caps, sizeof(caps)) != JOYERR_NOERROR) break;
        JoypadRecord& pad = in.joypads[count];
        pad.hasZAndR = (caps.wCaps & JOYCAPS_HASZ) && (caps.wCaps & JOYCAPS_HASR) ? 1 : 0;
        pad.deadZone = kJoypadDeadZone;
        ++count;
    }
    in.joypadCount = count;
    return count;
}

int PollJoypad(int index) {
    if (index < 0 || index >= kMaxJoypads) return -1;
    InputState& in = Input();
    JoypadRecord& pad = in.joypads[index];
    // A DirectInput pad is also read within the millisecond when its event is set.
    if (!in.directInputDisabled && pad.xinputIndex < 0) return PollDirectInputPad(index);
    uint32_t t = timeGetTime();
    if (pad.pollTime == t) return 0;
    pad.pollTime = t;
    if (in.directInputDisabled) {
        PollJoystickFunctionPad(index, pad);
    } else {
        PollXInputPad(pad);
    }
    return 0;
}

int ReleaseJoypads() {
    InputState& in = Input();
    for (int i = 0; i < in.joypadCount; ++i) {
        // A pad must not go on vibrating once input has ended.
        if (in.joypads[i].xinputIndex >= 0 && in.xinputSetState) {
            XINPUT_VIBRATION stop{};
            in.xinputSetState(static_cast<DWORD>(in.joypads[i].xinputIndex), &stop);
        }
    }
    for (JoypadRecord& pad : in.joypads) {
        if (pad.xinputIndex < 0) ReleaseDirectInputPad(pad);
    }
    std::memset(in.joypads, 0, sizeof(in.joypads));
    in.joypadCount = 0;
    return DirectInputObject() ? 0 : -1;
}

int GetJoypadCount() {
    int started;
    if (InputQueryPrologue(&started)) return started;
    return Input().joypadCount;
}

int GetJoypadInputState(int pad) {
    int started;
    if (InputQueryPrologue(&started)) return started;
    InputState& in = Input();
    bool withKeys = (pad & 0x1000) != 0;
    int index = (pad & ~0x1000) - 1;
    bool isPad = index >= 0 && index < in.joypadCount;
    if (!isPad && !withKeys && in.joypadCount != 0) return 0;
    int bits = 0;
    if (isPad) {
        PollJoypad(index);
        const JoyStateRecord& s = in.joypads[index].state;
        if (s.lX < 0) bits |= 2;
        if (s.lX > 0) bits |= 4;
        if (s.lY < 0) bits |= 8;
        if (s.lY > 0) bits |= 1;
        for (int b = 0; b < 24; ++b) {
            if (s.buttons[b] & 0x80) bits |= 1 << (b + 4);
        }
    }
    // Rows 0..15 only; -1 (no pad) reads row 0, anything else none.
    if (withKeys && index >= -1 && index < 16) {
        RefreshKeyboardState(1);
        const auto& row = in.keyboardMap[index < 0 ? 0 : index];
        for (int bit = 0; bit < 32; ++bit) {
            for (int code : row[bit]) {
                if (code > 0 && code < 256 && (in.keyState[code] & 0x80)) {
                    bits |= static_cast<int>(1u << bit);
                    break;
                }
            }
        }
    }
    return bits;
}

}  // namespace DuRud
