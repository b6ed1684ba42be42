// Start and end of the input devices: XInput, the DirectInput classes, the
// joystick-function fallback, the window link and the window procedure flags.
#include <dinput.h>
#include <windows.h>

#include <cstring>

#include "core/text_literals.h"
#include "input/input_state.h"
#include "window/main_window.h"

namespace DuRud {

namespace {

InputState g_input;
DWORD g_startThread = 0;

int DefaultWait() {
    return WaitWhileInactive();
}
int DefaultIsActive() {
    return GetWindowActiveFlag();
}
void* DefaultMainWindow() {
    return GetMainWindowHandle();
}
uint32_t DefaultMainThread() {
    HWND window = static_cast<HWND>(GetMainWindowHandle());
    if (window) {
        DWORD id = GetWindowThreadProcessId(window, nullptr);
        if (id) return id;
    }
    return g_startThread;
}
int DefaultCloseRequested() {
    return GetWindowQuitFlag() || GetClosingFlag() || GetWindowDestroyedFlag();
}
int DefaultMousePosition(int* x, int* y) {
    return GetMousePosition(x, y);
}
int DefaultClientSize(int* width, int* height) {
    RECT rect{};
    if (GetWindowClientRect(&rect) != 0) return -1;
    *width = rect.right - rect.left;
    *height = rect.bottom - rect.top;
    return 0;
}

constexpr InputWindowLink kDefaultLink = {
    PumpWindowMessages, DefaultWait,           DefaultIsActive,      DefaultMainWindow,
    DefaultMainThread,  DefaultCloseRequested, DefaultMousePosition, DefaultClientSize,
};
InputWindowLink g_link = kDefaultLink;

void LoadXInput(InputState& in) {
    LogWrite(Cp932Text("XInput DLL の読み込み中... "));
    for (const char* name : {"xinput1_4.dll", "xinput1_3.dll", "xinput9_1_0.dll"}) {
        in.xinputLibrary = LoadLibraryA(name);
        if (in.xinputLibrary) break;
    }
    if (!in.xinputLibrary) {
        LogWrite(Cp932Text("失敗、XInputは使用しません\n"));
        return;
    }
    LogWrite(Cp932Text("成功\n"));
    in.xinputGetState = reinterpret_cast<XInputGetStateFunction>(
        reinterpret_cast<void*>(GetProcAddress(in.xinputLibrary, "XInputGetState")));
    in.xinputSetState = reinterpret_cast<XInputSetStateFunction>(
        reinterpret_cast<void*>(GetProcAddress(in.xinputLibrary, "XInputSetState")));
}

void FreeXInput(InputState& in) {
    if (in.xinputLibrary) FreeLibrary(in.xinputLibrary);
    in.xinputLibrary = nullptr;
    in.xinputGetState = nullptr;
    in.xinputSetState = nullptr;
}

void StartWithJoystickFunctions(InputState& in) {
    LogIndent();
    int count = CountJoystickFunctionPads();
    LogFormatLine(Cp932Text("パッドの数は %d 個です"), count);
    LogUnindent();
    in.directInput = kStartedWithoutDirectInput;
    LogWrite(Cp932Text("入力関連の初期化をしました\n"));
}

}  // namespace

InputState& Input() {
    return g_input;
}

void SetInputWindowLink(const InputWindowLink* link) {
    g_link = link ? *link : kDefaultLink;
}

const InputWindowLink& GetInputWindowLink() {
    return g_link;
}

int InitializeInput() {
    InputState& in = g_input;
    if (in.directInput || in.initialising) return 0;
    // Zero everything but the kept fields (too large for the stack: the map is 8 KiB).
    int32_t disabled = in.directInputDisabled;
    int32_t mapReady = in.keyboardMapReady;
    int32_t map[16][32][4];
    std::memcpy(map, in.keyboardMap, sizeof(map));
    std::memset(&in, 0, sizeof(in));
    in.directInputDisabled = disabled;
    in.keyboardMapReady = mapReady;
    std::memcpy(in.keyboardMap, map, sizeof(map));
    in.initialising = 1;
    g_startThread = GetCurrentThreadId();

    bool withDirectInput = false;
    if (!in.directInputDisabled) {
        LogWrite(Cp932Text("DirectInput関係初期化処理\n"));
        LogIndent();
        LoadXInput(in);
        withDirectInput = CreateDirectInput();
        if (!withDirectInput) LogUnindent();
    }
    if (withDirectInput) {
        g_link.pump();
        SetupJoypads();
        SetupMouseDevice();
        in.keyboardRefreshTime = timeGetTime();
        if (SetupKeyboardDevice() == -1) {
            // The objects stay: input counts as started and shutdown ends them.
            LogUnindent();
            in.initialising = 0;
            return -1;
        }
        LogUnindent();
        LogWrite(Cp932Text("DirectInput 関連の初期化は正常に終了しました\n"));
    } else {
        StartWithJoystickFunctions(in);
    }
    if (!in.keyboardMapReady) {
        WriteDefaultKeyboardMap();
        in.keyboardMapReady = 1;
    }
    in.initialising = 0;
    return 0;
}

int ShutdownInput() {
    InputState& in = g_input;
    if (!in.directInput) return 0;
    if (in.directInput == kStartedWithoutDirectInput) {
        LogWrite(Cp932Text("入力関連の終了処理... 完了\n"));
    } else {
        LogWrite(Cp932Text("DirectInput 関連の終了処理... 完了\n"));
    }
    ReleaseJoypads();
    ReleaseDirectInputDevices();
    in.directInput = nullptr;
    // Also after a start without DirectInput: the library loaded while trying
    // it would otherwise stay loaded once per restart.
    FreeXInput(in);
    return 0;
}

int ReacquireInputDevices() {
    InputState& in = g_input;
    if (!DirectInputObject()) return 0;
    // Pads are the program's own while its window is active and shared while not.
    bool active = g_link.isActive() != 0;
    HWND window = static_cast<HWND>(g_link.mainWindow());
    for (int i = 0; i < in.joypadCount; ++i) {
        auto* device = static_cast<IDirectInputDevice8A*>(in.joypads[i].device);
        if (!device) continue;
        device->Unacquire();
        device->SetCooperativeLevel(window, active ? DISCL_EXCLUSIVE | DISCL_FOREGROUND
                                                   : DISCL_NONEXCLUSIVE | DISCL_BACKGROUND);
        device->Acquire();
    }
    if (auto* keyboard = static_cast<IDirectInputDevice8A*>(in.keyboardDevice)) {
        keyboard->Unacquire();
        keyboard->Acquire();
    }
    return 0;
}

int HandleInputWindowMessage(unsigned message, uintptr_t wParam) {
    if (message == WM_USER + 111) {
        g_input.f10Down = wParam == 1 ? 1 : 0;
        return 1;
    }
    if (message == WM_USER + 112) {
        g_input.secondFlag = wParam == 1 ? 1 : 0;
        return 1;
    }
    return 0;
}

bool InputQueryPrologue(int* result) {
    if (!g_link.isActive()) g_link.waitWhileInactive();
    if (!g_input.directInput && !g_link.closeRequested()) {
        *result = InitializeInput();
        return true;
    }
    return false;
}

int ResetInputForTest() {
    ShutdownInput();
    std::memset(&g_input, 0, sizeof(g_input));
    g_link = kDefaultLink;
    return 0;
}

}  // namespace DuRud
