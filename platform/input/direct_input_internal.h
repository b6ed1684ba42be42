// What the DirectInput 8 files share: the devices the layer offers, their
// objects, raw readings, data-format bindings, the live-device registry and
// the refusal knobs.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "dinput.h"

namespace platform::input::dinput {

enum class DeviceKind { Keyboard, Mouse, Joystick };

// Objects of a device: axes, then POVs, then buttons (keyboard keys are
// buttons whose instance is their key code).
constexpr int kMaxAxes = 8;
constexpr int kMaxPovs = 4;
constexpr int kMaxButtons = 128;

// One device as EnumDevices lists it and CreateDevice opens it.
struct DeviceDescription {
    DeviceKind kind = DeviceKind::Keyboard;
    DIDEVICEINSTANCEA instance{};
    int padNumber = -1;  // joysticks: the pad number (sdl_joysticks.h)
    int axes = 0;
    int povs = 0;
    int buttons = 0;
    bool forceFeedback = false;
};

// DI8DEVCLASS_* of a device kind.
int DeviceClassOf(DeviceKind kind);

// The keyboard, the mouse and every attached SDL joystick, in that order.
std::vector<DeviceDescription> AttachedDevices();
// The attached device with this instance GUID.
bool FindAttachedDevice(REFGUID instance, DeviceDescription* out);

enum class ObjectKind { Axis, Pov, Button };

// The GUID type of an axis by its index on a device of a kind.
const GUID& AxisType(DeviceKind kind, int index);

// A reading of every object: absolute axes -32768..32767 (relative axes:
// counts since the previous reading), POVs, buttons 0x80 / 0.
struct RawReading {
    bool attached = true;
    int32_t axes[kMaxAxes] = {};
    uint32_t povs[kMaxPovs] = {};
    uint8_t buttons[256] = {};
};

// The mouse totals at a device's previous reading.
struct MouseMark {
    int64_t x = 0;
    int64_t y = 0;
    int64_t wheel = 0;
};
void ReadKeyboard(RawReading* out);
// Motion since `mark`, which then moves to now.
void ReadMouse(MouseMark* mark, RawReading* out);
MouseMark CurrentMouseMark();
// Brings SDL's joystick state up to date first; attached false once it is gone.
void ReadJoystick(int padNumber, int axes, int povs, int buttons, RawReading* out);
// Sends motor speeds to a joystick; false when it is gone or has no rumble.
bool RumbleJoystick(int padNumber, uint16_t low, uint16_t high, uint32_t durationMs);

// One entry of a data format bound to an object of the device (index -1:
// an optional entry no object matched; it reads as nothing).
struct Binding {
    DWORD offset = 0;
    ObjectKind kind = ObjectKind::Button;
    int index = -1;
};
// Checks a data format and binds its entries to a device's objects.
// DI_OK, or DIERR_INVALIDPARAM for a bad format or a required entry no object
// matches.
HRESULT BindDataFormat(const DIDATAFORMAT* format, const DeviceDescription& device,
                       std::vector<Binding>* bindings, DWORD* dataSize);

// Refusal knobs: DIERR_GENERIC when the method is refused for the device
// class (0: the DirectInput object), else DI_OK.
HRESULT RefusedStep(const char* method, int deviceClass);
bool ClassRefused();

// The lock around the live-device registry and the state the raw-input
// listener reads (acquisition, notification event).
std::mutex& DeviceMutex();

}  // namespace platform::input::dinput
