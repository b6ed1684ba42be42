// What DirectInput devices read: the window layer's key positions and mouse
// totals (fed by the SDL events it translates) and SDL joysticks.
#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>

#include "../win32/user_state.h"
#include "direct_input_internal.h"
#include "sdl_joysticks.h"
#include "xinput_users.h"

namespace platform::input::dinput {

namespace {

// A Japanese keyboard's key codes by key position (scan code, | 0x80 when
// extended). Most positions are their own code; the keys below differ, as
// the Japanese layout places its symbol keys.
struct KeyCodes {
    uint8_t code[256];
    constexpr KeyCodes() : code{} {
        for (int i = 0; i < 256; ++i) code[i] = static_cast<uint8_t>(i);
        code[0x0D] = DIK_CIRCUMFLEX;  // ^ (VK_OEM_7)
        code[0x1A] = DIK_AT;          // @ (VK_OEM_3)
        code[0x1B] = DIK_LBRACKET;    // [ (VK_OEM_4)
        code[0x28] = DIK_COLON;       // : (VK_OEM_1)
        code[0x2B] = DIK_RBRACKET;    // ] (VK_OEM_6)
        code[0x73] = DIK_BACKSLASH;   // ro, backslash (VK_OEM_102)
        code[0x56] = DIK_BACKSLASH;   // the same key on other boards
        // Pause arrives without the extended flag and Num Lock with it.
        code[0x45] = DIK_PAUSE;
        code[0xC5] = DIK_NUMLOCK;
    }
};
constexpr KeyCodes kKeyCodes;

// Instance GUIDs of joysticks carry the pad number in the first field.
constexpr GUID kJoystickInstanceBase = {
    0, 0x8A5C, 0x11EF, {0x80, 0x11, 0x53, 0x44, 0x4C, 0x4A, 0x4F, 0x59}};

GUID JoystickInstanceGuid(int padNumber) {
    GUID guid = kJoystickInstanceBase;
    guid.Data1 = static_cast<DWORD>(padNumber);
    return guid;
}

// Product GUIDs follow the usual form: vendor and product ids, then "PIDVID".
GUID ProductGuid(Uint16 vendor, Uint16 product) {
    return GUID{
        static_cast<DWORD>(MAKELONG(vendor, product)), 0, 0, {0, 0, 'P', 'I', 'D', 'V', 'I', 'D'}};
}

void SetNames(DIDEVICEINSTANCEA* instance, const char* instanceName, const char* productName) {
    std::snprintf(instance->tszInstanceName, sizeof instance->tszInstanceName, "%s", instanceName);
    std::snprintf(instance->tszProductName, sizeof instance->tszProductName, "%s", productName);
}

DeviceDescription Keyboard() {
    DeviceDescription d;
    d.kind = DeviceKind::Keyboard;
    d.instance.dwSize = sizeof(DIDEVICEINSTANCEA);
    d.instance.guidInstance = GUID_SysKeyboard;
    d.instance.guidProduct = GUID_SysKeyboard;
    d.instance.dwDevType = DI8DEVTYPE_KEYBOARD | (DI8DEVTYPEKEYBOARD_JAPAN106 << 8);
    d.instance.wUsagePage = 1;
    d.instance.wUsage = 6;
    SetNames(&d.instance, "Keyboard", "Keyboard");
    d.buttons = 256;
    return d;
}

DeviceDescription Mouse() {
    DeviceDescription d;
    d.kind = DeviceKind::Mouse;
    d.instance.dwSize = sizeof(DIDEVICEINSTANCEA);
    d.instance.guidInstance = GUID_SysMouse;
    d.instance.guidProduct = GUID_SysMouse;
    d.instance.dwDevType = DI8DEVTYPE_MOUSE | (DI8DEVTYPEMOUSE_TRADITIONAL << 8);
    d.instance.wUsagePage = 1;
    d.instance.wUsage = 2;
    SetNames(&d.instance, "Mouse", "Mouse");
    d.axes = 3;
    d.buttons = 5;  // left, right, middle, X1, X2
    return d;
}

// Lock held.
bool DescribeJoystick(int deviceIndex, DeviceDescription* d) {
    SDL_Joystick* joystick = JoystickAt(deviceIndex);
    if (!joystick) return false;
    SDL_JoystickID id = SDL_JoystickInstanceID(joystick);
    bool controller = SDL_IsGameController(deviceIndex) == SDL_TRUE;
    *d = DeviceDescription{};
    d->kind = DeviceKind::Joystick;
    d->padNumber = PadNumberAt(deviceIndex);
    d->axes = std::min(SDL_JoystickNumAxes(joystick), kMaxAxes);
    d->povs = std::min(SDL_JoystickNumHats(joystick), kMaxPovs);
    d->buttons = std::min(SDL_JoystickNumButtons(joystick), kMaxButtons);
    d->forceFeedback = SDL_JoystickHasRumble(joystick) == SDL_TRUE;
    DIDEVICEINSTANCEA& in = d->instance;
    in.dwSize = sizeof(DIDEVICEINSTANCEA);
    in.guidInstance = JoystickInstanceGuid(d->padNumber);
    in.guidProduct = ProductGuid(SDL_JoystickGetVendor(joystick), SDL_JoystickGetProduct(joystick));
    in.dwDevType = controller ? (DI8DEVTYPE_GAMEPAD | (DI8DEVTYPEGAMEPAD_STANDARD << 8))
                              : (DI8DEVTYPE_JOYSTICK | (DI8DEVTYPEJOYSTICK_STANDARD << 8));
    in.dwDevType |= DIDEVTYPE_HID;
    in.wUsagePage = 1;
    in.wUsage = controller ? 5 : 4;
    const char* name = SDL_JoystickName(joystick);
    if (controller && ServesAsXInputUser(id)) {
        // Read through XInput: named as such controllers are, so that a
        // program reading both lists each controller once.
        SetNames(&in, "Controller (XBOX 360 For Windows)", "Controller (XBOX 360 For Windows)");
    } else {
        SetNames(&in, name ? name : "Joystick", name ? name : "Joystick");
    }
    return true;
}

}  // namespace

int DeviceClassOf(DeviceKind kind) {
    switch (kind) {
        case DeviceKind::Keyboard:
            return DI8DEVCLASS_KEYBOARD;
        case DeviceKind::Mouse:
            return DI8DEVCLASS_POINTER;
        case DeviceKind::Joystick:
            return DI8DEVCLASS_GAMECTRL;
    }
    return DI8DEVCLASS_DEVICE;
}

std::vector<DeviceDescription> AttachedDevices() {
    std::vector<DeviceDescription> devices{Keyboard(), Mouse()};
    if (!EnsureJoysticks()) return devices;
    std::lock_guard<std::mutex> lock(JoystickMutex());
    SDL_JoystickUpdate();
    int count = SDL_NumJoysticks();
    for (int i = 0; i < count; ++i) {
        DeviceDescription d;
        if (DescribeJoystick(i, &d)) devices.push_back(d);
    }
    return devices;
}

bool FindAttachedDevice(REFGUID instance, DeviceDescription* out) {
    if (instance == GUID_SysKeyboard) {
        *out = Keyboard();
        return true;
    }
    if (instance == GUID_SysMouse) {
        *out = Mouse();
        return true;
    }
    GUID base = instance;
    base.Data1 = 0;
    if (!(base == kJoystickInstanceBase) || !EnsureJoysticks()) return false;
    std::lock_guard<std::mutex> lock(JoystickMutex());
    SDL_JoystickUpdate();
    for (int i = 0; i < SDL_NumJoysticks(); ++i) {
        if (static_cast<DWORD>(PadNumberAt(i)) == instance.Data1) {
            return DescribeJoystick(i, out);
        }
    }
    return false;
}

const GUID& AxisType(DeviceKind kind, int index) {
    static const GUID* const kJoystickAxes[kMaxAxes] = {&GUID_XAxis,  &GUID_YAxis,  &GUID_ZAxis,
                                                        &GUID_RxAxis, &GUID_RyAxis, &GUID_RzAxis,
                                                        &GUID_Slider, &GUID_Slider};
    if (kind == DeviceKind::Mouse && index < 3) {
        return *kJoystickAxes[index];  // X, Y and the wheel as Z
    }
    return index >= 0 && index < kMaxAxes ? *kJoystickAxes[index] : GUID_Unknown;
}

void ReadKeyboard(RawReading* out) {
    BYTE positions[256];
    platform::user::CopyKeyPositions(positions);
    std::memset(out->buttons, 0, sizeof out->buttons);
    for (int i = 0; i < 256; ++i) {
        if (positions[i] & 0x80) out->buttons[kKeyCodes.code[i]] = 0x80;
    }
}

MouseMark CurrentMouseMark() {
    platform::user::MouseTotals t = platform::user::GetMouseTotals();
    return MouseMark{t.x, t.y, t.wheel};
}

void ReadMouse(MouseMark* mark, RawReading* out) {
    MouseMark now = CurrentMouseMark();
    auto clampLong = [](int64_t v) {
        return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
    };
    out->axes[0] = clampLong(now.x - mark->x);
    out->axes[1] = clampLong(now.y - mark->y);
    out->axes[2] = clampLong(now.wheel - mark->wheel);
    *mark = now;
    const BYTE keys[5] = {VK_LBUTTON, VK_RBUTTON, VK_MBUTTON, 0x05, 0x06};
    for (int b = 0; b < 5; ++b) out->buttons[b] = platform::user::IsKeyDown(keys[b]) ? 0x80 : 0;
}

void ReadJoystick(int padNumber, int axes, int povs, int buttons, RawReading* out) {
    std::lock_guard<std::mutex> lock(JoystickMutex());
    SDL_Joystick* joystick = JoystickByPadNumber(padNumber);
    if (!joystick) {
        out->attached = false;
        return;
    }
    out->attached = true;
    for (int a = 0; a < axes && a < kMaxAxes; ++a) out->axes[a] = SDL_JoystickGetAxis(joystick, a);
    for (int p = 0; p < povs && p < kMaxPovs; ++p) {
        out->povs[p] = HatToPov(SDL_JoystickGetHat(joystick, p));
    }
    for (int b = 0; b < buttons && b < kMaxButtons; ++b) {
        out->buttons[b] = SDL_JoystickGetButton(joystick, b) ? 0x80 : 0;
    }
}

bool RumbleJoystick(int padNumber, uint16_t low, uint16_t high, uint32_t durationMs) {
    std::lock_guard<std::mutex> lock(JoystickMutex());
    SDL_Joystick* joystick = JoystickByPadNumber(padNumber);
    return joystick && SDL_JoystickRumble(joystick, low, high, durationMs) == 0;
}

}  // namespace platform::input::dinput
