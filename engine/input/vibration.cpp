// Timed pad vibration: requested state per pad, counted down on the
// millisecond counter, sent to XInput motors while the window is active.
#include <windows.h>

#include <algorithm>

#include "input/input_state.h"

namespace DuRud {

namespace {

struct XInputVibration {
    uint16_t low;
    uint16_t high;
};

// Index of a pad that can vibrate, or -1.
int VibratingPadIndex(int pad) {
    InputState& in = Input();
    int index = (pad & ~0x1000) - 1;
    if (index < 0 || index >= in.joypadCount) return -1;
    const JoypadRecord& record = in.joypads[index];
    if (record.xinputIndex < 0 && (!record.device || !record.constantEffect)) return -1;
    return index;
}

// Speeds are kept inside 0..65535: a negative power would otherwise wrap to
// full speed in the 16-bit message.
uint16_t MotorSpeed(int64_t speed) {
    return static_cast<uint16_t>(std::clamp<int64_t>(speed, 0, 65535));
}

}  // namespace

int ApplyJoypadVibration() {
    InputState& in = Input();
    // Only pads read through XInput (started with DirectInput) have motors.
    if (!in.directInput || in.directInput == kStartedWithoutDirectInput) return 0;
    bool active = GetInputWindowLink().isActive() != 0;
    for (int i = 0; i < in.joypadCount; ++i) {
        JoypadRecord& pad = in.joypads[i];
        if (pad.xinputIndex < 0) continue;
        int wantLow = pad.vibrationOn ? 1 : 0;
        int wantHigh = pad.vibrationOn && pad.vibrationPower > 5000 ? 1 : 0;
        if (!active) {
            if ((pad.lowApplied || pad.highApplied) && in.xinputSetState) {
                XInputVibration stop{0, 0};
                in.xinputSetState(static_cast<DWORD>(pad.xinputIndex), &stop);
            }
            pad.lowApplied = pad.highApplied = 0;
            continue;
        }
        if (pad.lowApplied == wantLow && pad.highApplied == wantHigh) continue;
        // Both motors' wanted speeds go out whenever either changes, so a
        // motor that should keep running is never sent 0.
        int64_t power = pad.vibrationPower;
        XInputVibration speeds{};
        if (wantLow) speeds.low = MotorSpeed(power > 5000 ? 65535 : power * 65535 / 5000);
        if (wantHigh) speeds.high = MotorSpeed((power - 5000) * 65535 / 5000);
        pad.lowApplied = wantLow;
        pad.highApplied = wantHigh;
        if (in.xinputSetState) in.xinputSetState(static_cast<DWORD>(pad.xinputIndex), &speeds);
    }
    return 0;
}

int StartJoypadVibration(int pad, int power, int time) {
    int started;
    if (InputQueryPrologue(&started)) return started;
    int index = VibratingPadIndex(pad);
    if (index < 0) return 0;
    JoypadRecord& record = Input().joypads[index];
    int p = power == -1 ? record.vibrationPower
                        : static_cast<int>(std::clamp<int64_t>(int64_t{power} * 10, -10000, 10000));
    record.vibrationStamp = static_cast<uint32_t>(GetMillisecondCounter());
    record.vibrationTime = time;
    record.vibrationElapsed = 0;
    if (record.vibrationOn && record.vibrationPower == p) return 0;
    record.vibrationOn = 1;
    record.vibrationPower = p;
    ApplyJoypadVibration();
    return 0;
}

int StopJoypadVibration(int pad) {
    int started;
    if (InputQueryPrologue(&started)) return started;
    int index = VibratingPadIndex(pad);
    if (index < 0) return 0;
    JoypadRecord& record = Input().joypads[index];
    if (record.vibrationOn) {
        record.vibrationOn = 0;
        record.vibrationPower = 10000;
        ApplyJoypadVibration();
    }
    return 0;
}

int UpdateJoypadVibration() {
    InputState& in = Input();
    if (!in.directInput) return 0;
    for (int i = 0; i < in.joypadCount; ++i) {
        JoypadRecord& pad = in.joypads[i];
        if (!pad.vibrationOn || (pad.xinputIndex < 0 && !pad.device) || pad.vibrationTime < 0) {
            continue;
        }
        uint32_t now = static_cast<uint32_t>(GetMillisecondCounter());
        if (now != pad.vibrationStamp) {
            // A counter below the stamp counts as no time passed.
            if (now > pad.vibrationStamp)
                pad.vibrationElapsed += static_cast<int32_t>(now - pad.vibrationStamp);
            pad.vibrationStamp = now;
        }
        if (pad.vibrationElapsed >= pad.vibrationTime) {
            pad.vibrationOn = 0;
            pad.vibrationPower = 10000;
        }
    }
    ApplyJoypadVibration();
    return 0;
}

}  // namespace DuRud
