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

// A DirectInput pad: the constant force is the low motor, the sine the high one.
void ApplyToEffects(JoypadRecord& pad, bool active) {
    if (!pad.device) return;
    auto* constant = static_cast<IDirectInputEffect*>(pad.constantEffect);
    auto* sine = static_cast<IDirectInputEffect*>(pad.sineEffect);
    if (!active) {
        if (pad.lowApplied && constant) constant->Stop();
        if (pad.highApplied && sine) sine->Stop();
        pad.lowApplied = pad.highApplied = 0;
        return;
    }
    int wantLow = pad.vibrationOn ? 1 : 0;
    int wantHigh = pad.vibrationOn && pad.vibrationPower > 5000 ? 1 : 0;
    if (pad.lowApplied != wantLow) {
        if (constant) wantLow ? constant->Start(1, 0) : constant->Stop();
        pad.lowApplied = wantLow;
    }
    if (pad.highApplied != wantHigh) {
        if (sine) wantHigh ? sine->Start(1, 0) : sine->Stop();
        pad.highApplied = wantHigh;
    }
}

// The constant force's magnitude follows the power (its sign is a direction).
void SetConstantMagnitude(JoypadRecord& pad, int power) {
    auto* constant = static_cast<IDirectInputEffect*>(pad.constantEffect);
    if (!constant) return;
    DICONSTANTFORCE force{power};
    DIEFFECT effect{};
    effect.dwSize = sizeof effect;
    effect.cbTypeSpecificParams = sizeof force;
    effect.lpvTypeSpecificParams = &force;
    constant->SetParameters(&effect, DIEP_TYPESPECIFICPARAMS | (pad.lowApplied ? DIEP_START : 0));
}

}  // namespace

int ApplyJoypadVibration() {
    InputState& in = Input();
    // Pads have motors only when input started with DirectInput.
    if (!in.directInput || in.directInput == kStartedWithoutDirectInput) return 0;
    bool active = GetInputWindowLink().isActive() != 0;
    for (int i = 0; i < in.joypadCount; ++i) {
        JoypadRecord& pad = in.joypads[i];
        if (pad.xinputIndex < 0) {
            ApplyToEffects(pad, active);
            continue;
        }
        int wantLow = pad.vibrationOn ? 1 : 0;
        int wantHigh = pad.vibrationOn && pad.vibrationPower > 5000 ? 1 : 0;
        if (!active) {
            if ((pad.lowApplied || pad.highApplied) && in.xinputSetState) {
                XInputVibration stop{0, 0};
                in.xinputSetState(static_cast<DWORD>(pad.xinputIndex), &stop);
            }
            pad.lowApplied = pad.highApplied = 0;
            pad.lowSpeedSent = pad.highSpeedSent = 0;
            continue;
        }
        // Both motors' wanted speeds go out whenever either changes, so a
        // motor that should keep running is never sent 0 and a new power
        // reaches the pad even when no motor starts or stops.
        int64_t power = pad.vibrationPower;
        XInputVibration speeds{};
        if (wantLow) speeds.low = MotorSpeed(power > 5000 ? 65535 : power * 65535 / 5000);
        if (wantHigh) speeds.high = MotorSpeed((power - 5000) * 65535 / 5000);
        if (pad.lowApplied == wantLow && pad.highApplied == wantHigh &&
            pad.lowSpeedSent == speeds.low && pad.highSpeedSent == speeds.high) {
            continue;
        }
        pad.lowApplied = wantLow;
        pad.highApplied = wantHigh;
        pad.lowSpeedSent = speeds.low;
        pad.highSpeedSent = speeds.high;
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
    if (record.xinputIndex < 0) SetConstantMagnitude(record, p);
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
