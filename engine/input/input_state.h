// The input module's one state record and the helpers its files share.
#pragma once

#include <dinput.h>
#include <windows.h>

#include <cstdint>

#include "DuRud.h"
#include "input/input_devices.h"

namespace DuRud {

constexpr int kMaxJoypads = 16;
constexpr int kJoypadDeadZone = 0x5999;

// The raw pad state of XInput (16 bytes).
struct XInputStateRecord {
    uint32_t packetNumber;
    uint16_t buttons;
    uint8_t leftTrigger;
    uint8_t rightTrigger;
    int16_t thumbLX, thumbLY, thumbRX, thumbRY;
};
static_assert(sizeof(XInputStateRecord) == 16);

// The converted state every pad source writes (the 80-byte joystick layout).
struct JoyStateRecord {
    int32_t lX, lY, lZ, lRx, lRy, lRz;
    int32_t slider[2];
    uint32_t pov[4];
    uint8_t buttons[32];
};
static_assert(sizeof(JoyStateRecord) == 80);

struct JoypadRecord {
    int32_t xinputIndex;
    XInputStateRecord xinputState;
    void* device;
    void* constantEffect;
    void* sineEffect;
    HANDLE event;
    JoyStateRecord state;
    int32_t hasZAndR;
    uint32_t pollTime;
    int32_t vibrationOn;
    int32_t vibrationPower;
    int32_t vibrationTime;
    int32_t vibrationElapsed;
    uint32_t vibrationStamp;
    int32_t lowApplied;
    int32_t highApplied;
    char instanceName[260];
    char productName[260];
    int32_t deadZone;
    // XInput: the motor speeds last sent, so that a power change that flips
    // no motor state still reaches the pad.
    int32_t lowSpeedSent;
    int32_t highSpeedSent;
};

typedef DWORD(WINAPI* XInputGetStateFunction)(DWORD user, void* state);
typedef DWORD(WINAPI* XInputSetStateFunction)(DWORD user, void* vibration);

struct InputState {
    HMODULE xinputLibrary;
    XInputGetStateFunction xinputGetState;
    XInputSetStateFunction xinputSetState;
    int32_t directInputDisabled;  // kept
    int32_t directInput8;
    void* directInput;  // null: not started; kStartedWithoutDirectInput: joystick functions
    void* mouseDevice;
    void* keyboardDevice;
    HANDLE keyboardEvent;
    uint32_t keyboardRefreshTime;
    uint8_t keyState[256];
    int32_t keyboardMapReady;        // kept
    int32_t keyboardMap[16][32][4];  // kept
    int32_t mouseBytesValid;
    uint8_t mouseButtons[3];
    int32_t joypadCount;
    JoypadRecord joypads[kMaxJoypads];
    int32_t f10Down;
    int32_t secondFlag;
    uint8_t refreshBusy;
    int32_t initialising;
};

inline void* const kStartedWithoutDirectInput = reinterpret_cast<void*>(intptr_t{-1});

InputState& Input();

// What every public query does first: wait while inactive; start input when
// it has not started and no close was requested. True when the caller should
// return *result (input was started instead of answering).
bool InputQueryPrologue(int* result);

// The DirectInput 8 object while input runs with DirectInput, else null.
IDirectInput8A* DirectInputObject();
// True when the keyboard (or the mouse) is read through DirectInput: a device
// exists and the system is older than Windows Vista.
bool KeyboardThroughDirectInput();
bool MouseThroughDirectInput();

// DirectInput start-up steps (direct_input_setup.cpp). CreateDirectInput logs
// and returns false when neither class can be used. SetupKeyboardDevice ends
// the program through FatalExit on a device failure; -1 when the keyboard
// event cannot be set up.
bool CreateDirectInput();
void SetupMouseDevice();
int SetupKeyboardDevice();
void ReleaseDirectInputDevices();

// Pads found through XInput and DirectInput (direct_input_pads.cpp).
int SetupJoypads();
BOOL WINAPI EnumJoypadCallback(LPCDIDEVICEINSTANCEA instance, LPVOID context);
// Reads a DirectInput pad; -1 when the pump reports the end or input stopped.
int PollDirectInputPad(int index);
void ReleaseDirectInputPad(JoypadRecord& pad);

// Default keyboard map (pad 1 keys; every other entry -1, -1, 0, 0).
void WriteDefaultKeyboardMap();
// Joystick-function pads: fills the records and the count. The count.
int CountJoystickFunctionPads();
int PollJoypad(int index);
int ReleaseJoypads();
int ApplyJoypadVibration();
int UpdateJoypadVibration();

// Pad conversions (signed divisions truncate toward zero).
int32_t ConvertJoystickPosition(uint32_t v, int32_t deadZone);
void ConvertXInputState(const XInputStateRecord& raw, int32_t deadZone, JoyStateRecord* out);

}  // namespace DuRud
