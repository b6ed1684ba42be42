// The DirectInput object, the mouse and the keyboard device: their start-up
// with its log lines and fatal ends, and their release.
#include <dinput.h>
#include <windows.h>

#include "core/system_services.h"
#include "core/text_literals.h"
#include "input/input_state.h"

namespace DuRud {

namespace {

constexpr DWORD kShareInBackground = DISCL_NONEXCLUSIVE | DISCL_BACKGROUND;  // 0x0A

HWND MainWindow() {
    return static_cast<HWND>(GetInputWindowLink().mainWindow());
}

IDirectInputDevice8A* Keyboard() {
    return static_cast<IDirectInputDevice8A*>(Input().keyboardDevice);
}
IDirectInputDevice8A* Mouse() {
    return static_cast<IDirectInputDevice8A*>(Input().mouseDevice);
}

void ReleaseMouse() {
    InputState& in = Input();
    if (IDirectInputDevice8A* mouse = Mouse()) {
        mouse->Unacquire();
        mouse->Release();
    }
    in.mouseDevice = nullptr;
}

void ReleaseKeyboard() {
    InputState& in = Input();
    if (IDirectInputDevice8A* keyboard = Keyboard()) {
        keyboard->Unacquire();
        keyboard->Release();
    }
    in.keyboardDevice = nullptr;
    if (in.keyboardEvent) CloseHandle(in.keyboardEvent);
    in.keyboardEvent = nullptr;
}

void ReleaseObject() {
    InputState& in = Input();
    if (IDirectInput8A* di = DirectInputObject()) di->Release();
    in.directInput = nullptr;
}

// Releases what the keyboard start-up made so far and ends the program.
[[noreturn]] void KeyboardFailure(const char* message) {
    ReleaseKeyboard();
    ReleaseMouse();
    ReleaseObject();
    FatalExit(Cp932Text(message));
}

}  // namespace

IDirectInput8A* DirectInputObject() {
    InputState& in = Input();
    if (!in.directInput || in.directInput == kStartedWithoutDirectInput) return nullptr;
    return static_cast<IDirectInput8A*>(in.directInput);
}

bool KeyboardThroughDirectInput() {
    const InputState& in = Input();
    return !in.directInputDisabled && in.keyboardDevice &&
           GetSystemState().osVersionCode < kOsWindowsVista;
}

bool MouseThroughDirectInput() {
    const InputState& in = Input();
    return !in.directInputDisabled && in.mouseDevice &&
           GetSystemState().osVersionCode < kOsWindowsVista;
}

bool CreateDirectInput() {
    InputState& in = Input();
    LogWrite(Cp932Text("DirectInput7 の取得中... "));
    void* object = nullptr;
    HRESULT hr = CoCreateInstance(CLSID_DirectInput, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_IDirectInput7A, &object);
    if (FAILED(hr) || !object) {
        LogWrite(Cp932Text("取得に失敗。\n"));
        LogFormatLine("%s0x%x", Cp932Text("エラーコード "), static_cast<unsigned>(hr));
    } else {
        // This build reads its devices through the version 8 interface only: a
        // version 7 object is given back and version 8 tried, as after a
        // failed initialisation.
        LogWrite(Cp932Text("成功\n"));
        LogWrite(Cp932Text("引き続き初期化処理... "));
        static_cast<IUnknown*>(object)->Release();
        LogWrite(Cp932Text("初期化に失敗。"));
    }

    LogWrite(Cp932Text("DirectInput8 の取得を試みます..."));
    IDirectInput8A* di = nullptr;
    hr = CoCreateInstance(CLSID_DirectInput8, nullptr, CLSCTX_INPROC_SERVER, IID_IDirectInput8A,
                          reinterpret_cast<void**>(&di));
    bool ok = false;
    if (FAILED(hr) || !di) {
        di = nullptr;
        LogWrite(Cp932Text("取得に失敗。"));
        LogFormatLine("%s0x%x", Cp932Text("エラーコード "), static_cast<unsigned>(hr));
    } else {
        LogWrite(Cp932Text("成功\n"));
        LogWrite(Cp932Text("引き続き初期化処理... "));
        if (FAILED(di->Initialize(GetModuleHandleA(nullptr), DIRECTINPUT_VERSION_8))) {
            LogWrite(Cp932Text("初期化に失敗。"));
        } else {
            LogWrite(Cp932Text("初期化成功\n"));
            ok = true;
        }
    }
    if (!ok) {
        LogWrite(Cp932Text("DirectInput を使用しません。\n"));
        if (di) di->Release();
        in.directInput = nullptr;
        in.directInputDisabled = 1;
        return false;
    }
    in.directInput = di;
    in.directInput8 = 1;
    return true;
}

void SetupMouseDevice() {
    InputState& in = Input();
    LogWrite(Cp932Text("マウスデバイスの初期化... "));
    IDirectInputDevice8A* mouse = nullptr;
    bool ok = SUCCEEDED(DirectInputObject()->CreateDevice(GUID_SysMouse, &mouse, nullptr)) &&
              mouse && SUCCEEDED(mouse->SetDataFormat(&c_dfDIMouse2)) &&
              SUCCEEDED(mouse->SetCooperativeLevel(MainWindow(), kShareInBackground));
    if (!ok) {
        if (mouse) mouse->Release();
        LogWrite(Cp932Text("マウスデバイスの取得に失敗しました\n"));
        return;
    }
    // Acquired by its first read.
    in.mouseDevice = mouse;
    LogWrite(Cp932Text("初期化成功\n"));
}

int SetupKeyboardDevice() {
    InputState& in = Input();
    LogWrite(Cp932Text("キーボードデバイスの初期化... "));
    IDirectInputDevice8A* keyboard = nullptr;
    if (FAILED(DirectInputObject()->CreateDevice(GUID_SysKeyboard, &keyboard, nullptr)) ||
        !keyboard) {
        KeyboardFailure("キーボードデバイスの取得に失敗しました");
    }
    in.keyboardDevice = keyboard;
    if (FAILED(keyboard->SetDataFormat(&c_dfDIKeyboard))) {
        KeyboardFailure("キーボードデバイスのデータ形式の設定に失敗しました");
    }
    if (FAILED(keyboard->SetCooperativeLevel(MainWindow(), kShareInBackground))) {
        KeyboardFailure("キーボードデバイスの協調レベルの設定に失敗しました");
    }
    DIPROPDWORD buffer{};
    buffer.diph.dwSize = sizeof buffer;
    buffer.diph.dwHeaderSize = sizeof buffer.diph;
    buffer.diph.dwHow = DIPH_DEVICE;
    buffer.dwData = 100;
    if (FAILED(keyboard->SetProperty(DIPROP_BUFFERSIZE, &buffer.diph))) {
        LogWrite(Cp932Text("キーボードのプロパティ設定に失敗しました\n"));
    }
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HRESULT hr = event ? keyboard->SetEventNotification(event) : DIERR_INVALIDPARAM;
    if (hr != DI_OK && hr != DI_POLLEDDEVICE) {
        LogWrite(Cp932Text("キーボードイベントのセットアップが失敗しました\n"));
        if (event) CloseHandle(event);
        return -1;
    }
    in.keyboardEvent = event;
    if (FAILED(keyboard->Acquire()) && FAILED(keyboard->Acquire())) {
        KeyboardFailure("キーボードデバイスの取得に失敗しました");
    }
    LogWrite(Cp932Text("初期化成功\n"));
    in.keyboardRefreshTime = timeGetTime();
    return 0;
}

void ReleaseDirectInputDevices() {
    ReleaseKeyboard();
    ReleaseMouse();
    ReleaseObject();
}

}  // namespace DuRud
