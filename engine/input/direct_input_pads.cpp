// Pads found once DirectInput has started: XInput users first, then the
// DirectInput game controllers XInput does not read; reading and releasing
// the DirectInput ones.
#include <dinput.h>
#include <windows.h>

#include <cstring>

#include "core/text_literals.h"
#include "input/input_state.h"

namespace DuRud {

namespace {

constexpr DWORD kExclusiveForeground = DISCL_EXCLUSIVE | DISCL_FOREGROUND;  // 5
constexpr DWORD kAxisOffsets[6] = {DIJOFS_X, DIJOFS_Y, DIJOFS_Z, DIJOFS_RX, DIJOFS_RY, DIJOFS_RZ};

HRESULT SetAxisRange(IDirectInputDevice8A* device, DWORD offset) {
    DIPROPRANGE range{};
    range.diph.dwSize = sizeof range;
    range.diph.dwHeaderSize = sizeof range.diph;
    range.diph.dwObj = offset;
    range.diph.dwHow = DIPH_BYOFFSET;
    range.lMin = -1000;
    range.lMax = 1000;
    return device->SetProperty(DIPROP_RANGE, &range.diph);
}

HRESULT SetAxisDeadZone(IDirectInputDevice8A* device, DWORD offset) {
    DIPROPDWORD zone{};
    zone.diph.dwSize = sizeof zone;
    zone.diph.dwHeaderSize = sizeof zone.diph;
    zone.diph.dwObj = offset;
    zone.diph.dwHow = DIPH_BYOFFSET;
    zone.dwData = 3499;
    return device->SetProperty(DIPROP_DEADZONE, &zone.diph);
}

IDirectInputEffect* CreateSineEffect(IDirectInputDevice8A* device) {
    DWORD axes[2] = {DIJOFS_X, DIJOFS_Y};
    LONG direction[2] = {0, 0};
    DIENVELOPE envelope{sizeof(DIENVELOPE), 0, 500000, 0, 1000000};
    DIPERIODIC periodic{10000, 0, 0, 1500000};
    DIEFFECT effect{};
    effect.dwSize = sizeof effect;
    effect.dwFlags = DIEFF_POLAR | DIEFF_OBJECTOFFSETS;
    effect.dwDuration = INFINITE;
    effect.dwGain = 10000;
    effect.dwTriggerButton = DIEB_NOTRIGGER;
    effect.cAxes = 2;
    effect.rgdwAxes = axes;
    effect.rglDirection = direction;
    effect.lpEnvelope = &envelope;
    effect.cbTypeSpecificParams = sizeof periodic;
    effect.lpvTypeSpecificParams = &periodic;
    IDirectInputEffect* made = nullptr;
    if (FAILED(device->CreateEffect(GUID_Sine, &effect, &made, nullptr))) return nullptr;
    return made;
}

IDirectInputEffect* CreateConstantEffect(IDirectInputDevice8A* device) {
    DWORD axes[2] = {DIJOFS_X, DIJOFS_Y};
    LONG direction[2] = {0, 0};
    DICONSTANTFORCE constant{10000};
    DIEFFECT effect{};
    effect.dwSize = sizeof effect;
    effect.dwFlags = DIEFF_CARTESIAN | DIEFF_OBJECTOFFSETS;
    effect.dwDuration = INFINITE;
    effect.dwGain = 10000;
    effect.dwTriggerButton = DIEB_NOTRIGGER;
    effect.cAxes = 2;
    effect.rgdwAxes = axes;
    effect.rglDirection = direction;
    effect.cbTypeSpecificParams = sizeof constant;
    effect.lpvTypeSpecificParams = &constant;
    IDirectInputEffect* made = nullptr;
    if (FAILED(device->CreateEffect(GUID_ConstantForce, &effect, &made, nullptr))) return nullptr;
    return made;
}

void CopyName(char (&to)[260], const char* from) {
    std::strncpy(to, from, sizeof to - 1);
    to[sizeof to - 1] = '\0';
}

bool Signalled(HANDLE event) {
    return event && WaitForSingleObject(event, 0) == WAIT_OBJECT_0;
}

}  // namespace

int SetupJoypads() {
    InputState& in = Input();
    IDirectInput8A* di = DirectInputObject();
    if (!di) return -1;
    ReleaseJoypads();
    LogWrite(Cp932Text("ジョイパッドの初期化... \n"));
    int count = 0;
    if (in.xinputLibrary && in.xinputGetState) {
        for (DWORD user = 0; user < 4; ++user) {
            XInputStateRecord state{};
            if (in.xinputGetState(user, &state) != ERROR_SUCCESS) continue;
            LogFormatLine(Cp932Text("ジョイパッドナンバー %d は Xbox360 Controller です"), count);
            JoypadRecord& pad = in.joypads[count];
            std::memset(&pad, 0, sizeof pad);
            pad.xinputIndex = static_cast<int32_t>(user);
            pad.deadZone = kJoypadDeadZone;
            pad.vibrationPower = 10000;
            ++count;
        }
    }
    in.joypadCount = count;
    di->EnumDevices(DI8DEVCLASS_GAMECTRL, EnumJoypadCallback, nullptr, DIEDFL_ATTACHEDONLY);
    LogWrite(Cp932Text("ジョイパッドの初期化は正常に終了しました\n"));
    return 0;
}

BOOL WINAPI EnumJoypadCallback(LPCDIDEVICEINSTANCEA instance, LPVOID) {
    InputState& in = Input();
    IDirectInput8A* di = DirectInputObject();
    if (!di || !instance || in.joypadCount >= kMaxJoypads) return DIENUM_STOP;
    JoypadRecord& pad = in.joypads[in.joypadCount];
    std::memset(&pad, 0, sizeof pad);
    pad.xinputIndex = -1;
    IDirectInputDevice8A* device = nullptr;
    if (FAILED(di->CreateDevice(instance->guidInstance, &device, nullptr)) || !device) {
        LogWrite(Cp932Text("入力装置の取得に失敗しました\n"));
        return DIENUM_CONTINUE;
    }
    DIDEVICEINSTANCEA info{};
    info.dwSize = sizeof info;
    if (FAILED(device->GetDeviceInfo(&info))) info = *instance;
    info.tszInstanceName[sizeof info.tszInstanceName - 1] = '\0';
    info.tszProductName[sizeof info.tszProductName - 1] = '\0';
    if (std::strstr(info.tszInstanceName, "XBOX 360 For Windows")) {
        device->Release();  // read through XInput
        return DIENUM_CONTINUE;
    }
    LogWrite(Cp932Text("入力装置を見つけました\n"));
    CopyName(pad.instanceName, info.tszInstanceName);
    CopyName(pad.productName, info.tszProductName);
    LogIndent();
    LogFormatLine(Cp932Text("デバイスの登録名:%s"), pad.instanceName);
    LogFormatLine(Cp932Text("デバイスの製品登録名:%s"), pad.productName);
    LogUnindent();
    if (FAILED(device->SetDataFormat(&c_dfDIJoystick))) {
        device->Release();
        LogWrite(Cp932Text("ジョイパッドデバイスではありませんでした、又は設定に失敗しました\n"));
        std::memset(&pad, 0, sizeof pad);
        return DIENUM_CONTINUE;
    }
    HWND window = static_cast<HWND>(GetInputWindowLink().mainWindow());
    if (FAILED(device->SetCooperativeLevel(window, kExclusiveForeground))) {
        LogWrite(Cp932Text("ジョイパッドデバイスの協調レベルの設定に失敗しました\n"));
    }
    if (FAILED(SetAxisRange(device, DIJOFS_X))) {
        LogWrite(Cp932Text("ジョイパッドデバイスのＸ軸関係の設定に失敗しました\n"));
    }
    if (FAILED(SetAxisRange(device, DIJOFS_Y))) {
        LogWrite(Cp932Text("ジョイパッドデバイスのＹ軸関係の設定に失敗しました\n"));
    }
    for (int a = 2; a < 6; ++a) SetAxisRange(device, kAxisOffsets[a]);
    pad.deadZone = kJoypadDeadZone;
    if (FAILED(SetAxisDeadZone(device, DIJOFS_X))) {
        LogWrite(Cp932Text("ジョイパッドデバイスのＸ軸の無効ゾーンの設定に失敗しました\n"));
    }
    if (FAILED(SetAxisDeadZone(device, DIJOFS_Y))) {
        LogWrite(Cp932Text("ジョイパッドデバイスのＹ軸の無効ゾーンの設定に失敗しました\n"));
    }
    for (int a = 2; a < 6; ++a) SetAxisDeadZone(device, kAxisOffsets[a]);
    pad.sineEffect = CreateSineEffect(device);
    pad.constantEffect = CreateConstantEffect(device);
    if (!pad.constantEffect) LogWrite(Cp932Text("周期的エフェクトの作成に失敗しました。\n"));
    pad.vibrationOn = 0;
    pad.vibrationPower = 10000;
    pad.lowApplied = pad.highApplied = 0;
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HRESULT hr = event ? device->SetEventNotification(event) : DIERR_INVALIDPARAM;
    if (hr != DI_OK && hr != DI_POLLEDDEVICE) {
        LogWrite(Cp932Text("ジョイパッドイベントのセットアップが失敗しました\n"));
        // Not added: give back what it holds.
        pad.device = device;
        pad.event = event;
        ReleaseDirectInputPad(pad);
        std::memset(&pad, 0, sizeof pad);
        return DIENUM_CONTINUE;
    }
    device->Acquire();  // fails while the window is not in front; re-acquired on activation
    pad.event = event;
    pad.device = device;
    std::memset(&pad.state, 0, sizeof pad.state);
    ++in.joypadCount;
    LogWrite(Cp932Text("ジョイパッドの追加は正常に終了しました\n"));
    return in.joypadCount < kMaxJoypads ? DIENUM_CONTINUE : DIENUM_STOP;
}

int PollDirectInputPad(int index) {
    InputState& in = Input();
    JoypadRecord& pad = in.joypads[index];
    auto* device = static_cast<IDirectInputDevice8A*>(pad.device);
    if (!device) return 0;
    uint32_t t = timeGetTime();
    if (t == pad.pollTime && !Signalled(pad.event)) return 0;
    pad.pollTime = t;
    device->Poll();
    DIJOYSTATE state;
    static_assert(sizeof state == sizeof pad.state);
    if (SUCCEEDED(device->GetDeviceState(sizeof state, &state))) {
        std::memcpy(&pad.state, &state, sizeof state);
    } else {
        // The pump may run the window procedure, which can restart input:
        // the device is used again only when it is still this pad's.
        const InputWindowLink& link = GetInputWindowLink();
        if (link.pump() != 0 || !DirectInputObject() || pad.device != device) return -1;
        if (SUCCEEDED(device->Acquire())) {
            if (link.pump() != 0 || !DirectInputObject() || pad.device != device) return -1;
            if (SUCCEEDED(device->GetDeviceState(sizeof state, &state))) {
                std::memcpy(&pad.state, &state, sizeof state);
            }
        }
    }
    if (Signalled(pad.event)) ResetEvent(pad.event);
    return 0;
}

void ReleaseDirectInputPad(JoypadRecord& pad) {
    auto* device = static_cast<IDirectInputDevice8A*>(pad.device);
    if (device) {
        device->Unacquire();
        device->SetEventNotification(nullptr);
    }
    for (void** slot : {&pad.constantEffect, &pad.sineEffect}) {
        if (auto* effect = static_cast<IDirectInputEffect*>(*slot)) {
            effect->Stop();
            effect->Release();
        }
        *slot = nullptr;
    }
    if (device) device->Release();
    pad.device = nullptr;
    if (pad.event) CloseHandle(pad.event);
    pad.event = nullptr;
}

}  // namespace DuRud
