// DirectInput 8: the class, the keyboard and mouse devices, and what bad
// arguments give.
#include <cstring>

#include "direct_input_fixture.h"

using namespace ditest;

TEST(DirectInputClass, OnlyVersionEightIsRegisteredAndInitialisesOnce) {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(CoCreateInstance(CLSID_DirectInput, nullptr, CLSCTX_INPROC_SERVER, IID_IDirectInput7A,
                               &object),
              REGDB_E_CLASSNOTREG);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(CoCreateInstance(CLSID_DirectInput8, nullptr, CLSCTX_INPROC_SERVER,
                               IID_IDirectInput7A, &object),
              E_NOINTERFACE);

    IDirectInput8A* di = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_DirectInput8, nullptr, CLSCTX_INPROC_SERVER,
                               IID_IDirectInput8A, reinterpret_cast<void**>(&di)),
              S_OK);
    IDirectInputDevice8A* device = reinterpret_cast<IDirectInputDevice8A*>(1);
    EXPECT_EQ(di->CreateDevice(GUID_SysKeyboard, &device, nullptr), DIERR_NOTINITIALIZED);
    EXPECT_EQ(device, nullptr);
    HINSTANCE self = GetModuleHandleA(nullptr);
    EXPECT_EQ(di->Initialize(nullptr, 0x0800), DIERR_INVALIDPARAM);
    EXPECT_EQ(di->Initialize(self, 0x0700), DIERR_OLDDIRECTINPUTVERSION);
    EXPECT_EQ(di->Initialize(self, 0x0900), DIERR_BETADIRECTINPUTVERSION);
    EXPECT_EQ(di->Initialize(self, 0x0800), DI_OK);
    EXPECT_EQ(di->CreateDevice(GUID_SysKeyboard, nullptr, nullptr), DIERR_INVALIDPARAM);
    EXPECT_EQ(di->CreateDevice(GUID_Joystick, &device, nullptr), DIERR_DEVICENOTREG);
    EXPECT_EQ(di->CreateDevice(GUID_SysKeyboard, &device, reinterpret_cast<IUnknown*>(di)),
              DIERR_NOAGGREGATION);
    EXPECT_EQ(di->Release(), 0u);

    KnobDirectInputRefuseClass(true);
    EXPECT_EQ(CoCreateInstance(CLSID_DirectInput8, nullptr, CLSCTX_INPROC_SERVER,
                               IID_IDirectInput8A, &object),
              REGDB_E_CLASSNOTREG);
    CoUninitialize();
}

TEST_F(DirectInputTest, KeyboardListsFirstThenMouse) {
    std::vector<DIDEVICEINSTANCEA> all;
    ASSERT_EQ(di->EnumDevices(
                  DI8DEVCLASS_ALL,
                  [](LPCDIDEVICEINSTANCEA i, LPVOID c) -> BOOL {
                      static_cast<std::vector<DIDEVICEINSTANCEA>*>(c)->push_back(*i);
                      return DIENUM_CONTINUE;
                  },
                  &all, 0),
              DI_OK);
    ASSERT_EQ(all.size(), 2u);
    EXPECT_TRUE(all[0].guidInstance == GUID_SysKeyboard);
    EXPECT_EQ(GET_DIDEVICE_TYPE(all[0].dwDevType), DI8DEVTYPE_KEYBOARD);
    EXPECT_TRUE(all[1].guidInstance == GUID_SysMouse);
    EXPECT_TRUE(Controllers().empty());
    // The callback stops the listing.
    int calls = 0;
    di->EnumDevices(
        0,
        [](LPCDIDEVICEINSTANCEA, LPVOID c) -> BOOL { return ++*static_cast<int*>(c), DIENUM_STOP; },
        &calls, 0);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(di->EnumDevices(
                  7, [](LPCDIDEVICEINSTANCEA, LPVOID) -> BOOL { return 1; }, nullptr, 0),
              DIERR_INVALIDPARAM);
}

TEST_F(DirectInputTest, KeyboardReadsKeyCodesOfTheJapaneseLayout) {
    IDirectInputDevice8A* keyboard = Open(GUID_SysKeyboard, c_dfDIKeyboard, 0x0A);
    ASSERT_NE(keyboard, nullptr);
    BYTE keys[256];
    EXPECT_EQ(keyboard->GetDeviceState(256, keys), DIERR_NOTACQUIRED);
    ASSERT_EQ(keyboard->Acquire(), DI_OK);
    EXPECT_EQ(keyboard->Acquire(), DI_NOEFFECT);
    EXPECT_EQ(keyboard->Poll(), DI_NOEFFECT);  // not a polled device
    struct Row {
        int scancode;
        int code;
    };
    const Row rows[] = {
        {SDL_SCANCODE_KP_ENTER, DIK_NUMPADENTER},     {SDL_SCANCODE_EQUALS, DIK_CIRCUMFLEX},
        {SDL_SCANCODE_LEFTBRACKET, DIK_AT},           {SDL_SCANCODE_RIGHTBRACKET, DIK_LBRACKET},
        {SDL_SCANCODE_APOSTROPHE, DIK_COLON},         {SDL_SCANCODE_BACKSLASH, DIK_RBRACKET},
        {SDL_SCANCODE_INTERNATIONAL1, DIK_BACKSLASH}, {SDL_SCANCODE_INTERNATIONAL3, DIK_YEN},
        {SDL_SCANCODE_SEMICOLON, DIK_SEMICOLON},      {SDL_SCANCODE_KP_DIVIDE, DIK_DIVIDE},
    };
    for (const Row& row : rows) {
        Key(row.scancode, true);
        ASSERT_EQ(keyboard->GetDeviceState(256, keys), DI_OK);
        for (int code = 0; code < 256; ++code) {
            EXPECT_EQ(keys[code], code == row.code ? 0x80 : 0)
                << "scancode " << row.scancode << " code " << code;
        }
        Key(row.scancode, false);
    }
    ASSERT_EQ(keyboard->GetDeviceState(256, keys), DI_OK);
    for (BYTE k : keys) EXPECT_EQ(k, 0);

    EXPECT_EQ(keyboard->GetDeviceState(255, keys), DIERR_INVALIDPARAM);
    EXPECT_EQ(keyboard->GetDeviceState(256, nullptr), DIERR_INVALIDPARAM);
    EXPECT_EQ(keyboard->SetDataFormat(&c_dfDIMouse2), DIERR_ACQUIRED);
    EXPECT_EQ(keyboard->Unacquire(), DI_OK);
    EXPECT_EQ(keyboard->Unacquire(), DI_NOEFFECT);
    EXPECT_EQ(keyboard->GetDeviceState(256, keys), DIERR_NOTACQUIRED);
}

TEST_F(DirectInputTest, KeyboardWorksWithoutWindowOrFocusAndSignalsItsEvent) {
    IDirectInputDevice8A* keyboard = nullptr;
    ASSERT_EQ(di->CreateDevice(GUID_SysKeyboard, &keyboard, nullptr), DI_OK);
    release.push_back(keyboard);
    ASSERT_EQ(keyboard->SetDataFormat(&c_dfDIKeyboard), DI_OK);
    ASSERT_EQ(keyboard->SetCooperativeLevel(nullptr, DISCL_NONEXCLUSIVE | DISCL_BACKGROUND), DI_OK);
    DIPROPDWORD buffer = Dword(DIPH_DEVICE, 0, 100);
    ASSERT_EQ(keyboard->SetProperty(DIPROP_BUFFERSIZE, &buffer.diph), DI_OK);
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ASSERT_EQ(keyboard->SetEventNotification(event), DI_OK);
    ASSERT_EQ(keyboard->Acquire(), DI_OK);
    ASSERT_TRUE(KnobWindowEvent(window, KnobWindowEventKind::FocusLost));
    Pump();
    ASSERT_NE(GetForegroundWindow(), window);
    EXPECT_EQ(WaitForSingleObject(event, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    Key(SDL_SCANCODE_Z, true);
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
    BYTE keys[256];
    ASSERT_EQ(keyboard->GetDeviceState(256, keys), DI_OK);
    EXPECT_EQ(keys[DIK_Z], 0x80);
    DIPROPDWORD read = Dword(DIPH_DEVICE, 0, 0);
    EXPECT_EQ(keyboard->GetProperty(DIPROP_BUFFERSIZE, &read.diph), DI_OK);
    EXPECT_EQ(read.dwData, 100u);
    EXPECT_EQ(keyboard->SetEventNotification(nullptr), DIERR_ACQUIRED);
    keyboard->Unacquire();
    EXPECT_EQ(keyboard->SetEventNotification(nullptr), DI_OK);
    CloseHandle(event);
}

TEST_F(DirectInputTest, ForegroundDeviceIsLostWhenTheWindowLosesFocus) {
    IDirectInputDevice8A* keyboard =
        Open(GUID_SysKeyboard, c_dfDIKeyboard, DISCL_NONEXCLUSIVE | DISCL_FOREGROUND);
    ASSERT_NE(keyboard, nullptr);
    ASSERT_EQ(keyboard->Acquire(), DI_OK);
    ASSERT_TRUE(KnobWindowEvent(window, KnobWindowEventKind::FocusLost));
    Pump();
    BYTE keys[256];
    EXPECT_EQ(keyboard->GetDeviceState(256, keys), DIERR_INPUTLOST);
    EXPECT_EQ(keyboard->Acquire(), DIERR_OTHERAPPHASPRIO);
    ASSERT_TRUE(KnobWindowEvent(window, KnobWindowEventKind::FocusGained));
    Pump();
    EXPECT_EQ(keyboard->Acquire(), DI_OK);
    EXPECT_EQ(keyboard->GetDeviceState(256, keys), DI_OK);
}

TEST_F(DirectInputTest, CooperativeLevelsAndFormatsAreChecked) {
    IDirectInputDevice8A* keyboard = nullptr;
    ASSERT_EQ(di->CreateDevice(GUID_SysKeyboard, &keyboard, nullptr), DI_OK);
    release.push_back(keyboard);
    EXPECT_EQ(keyboard->Acquire(), DIERR_INVALIDPARAM);  // no data format yet
    EXPECT_EQ(keyboard->SetCooperativeLevel(window, 0), DIERR_INVALIDPARAM);
    EXPECT_EQ(keyboard->SetCooperativeLevel(
                  window, DISCL_EXCLUSIVE | DISCL_NONEXCLUSIVE | DISCL_BACKGROUND),
              DIERR_INVALIDPARAM);
    EXPECT_EQ(keyboard->SetCooperativeLevel(window, DISCL_EXCLUSIVE | DISCL_BACKGROUND),
              DIERR_UNSUPPORTED);
    EXPECT_EQ(keyboard->SetCooperativeLevel(nullptr, DISCL_NONEXCLUSIVE | DISCL_FOREGROUND),
              E_HANDLE);
    EXPECT_EQ(keyboard->SetCooperativeLevel(reinterpret_cast<HWND>(0x1234), 0x0A), E_HANDLE);

    EXPECT_EQ(keyboard->SetDataFormat(nullptr), DIERR_INVALIDPARAM);
    DIDATAFORMAT format = c_dfDIKeyboard;
    format.dwSize = 20;
    EXPECT_EQ(keyboard->SetDataFormat(&format), DIERR_INVALIDPARAM);
    format = c_dfDIKeyboard;
    format.dwDataSize = 128;  // entries beyond the data
    EXPECT_EQ(keyboard->SetDataFormat(&format), DIERR_INVALIDPARAM);
    format.dwDataSize = 0xFFFFFFFC;
    EXPECT_EQ(keyboard->SetDataFormat(&format), DIERR_INVALIDPARAM);
    // The mouse format asks for an X axis the keyboard does not have.
    EXPECT_EQ(keyboard->SetDataFormat(&c_dfDIMouse2), DIERR_INVALIDPARAM);
    EXPECT_EQ(keyboard->SetDataFormat(&c_dfDIKeyboard), DI_OK);

    DIPROPDWORD bad = Dword(DIPH_DEVICE, 0, 100);
    EXPECT_EQ(keyboard->SetProperty(DIPROP_BUFFERSIZE, nullptr), DIERR_INVALIDPARAM);
    bad = Dword(DIPH_BYOFFSET, 4, 100);
    EXPECT_EQ(keyboard->SetProperty(DIPROP_BUFFERSIZE, &bad.diph), DIERR_INVALIDPARAM);
    DIPROPRANGE range = Range(0, -1000, 1000);
    EXPECT_EQ(keyboard->SetProperty(DIPROP_RANGE, &range.diph), DIERR_UNSUPPORTED);

    EXPECT_EQ(keyboard->SetEventNotification(reinterpret_cast<HANDLE>(0x5678)), DIERR_INVALIDPARAM);

    DIDEVCAPS caps{};
    caps.dwSize = sizeof(caps);
    ASSERT_EQ(keyboard->GetCapabilities(&caps), DI_OK);
    EXPECT_EQ(caps.dwButtons, 256u);
}

TEST_F(DirectInputTest, MouseGivesMotionSinceTheLastReadWheelAndFiveButtons) {
    IDirectInputDevice8A* mouse = Open(GUID_SysMouse, c_dfDIMouse2, 0x0A);
    ASSERT_NE(mouse, nullptr);
    ASSERT_TRUE(KnobWindowMouseMove(window, 10, 10));
    Pump();
    ASSERT_EQ(mouse->Acquire(), DI_OK);  // motion before this is not reported
    ASSERT_TRUE(KnobWindowMouseMove(window, 15, 7));
    ASSERT_TRUE(KnobWindowMouseMove(window, 25, 4));
    ASSERT_TRUE(KnobWindowWheel(window, 0, 2));
    ASSERT_TRUE(KnobWindowMouseButton(window, SDL_BUTTON_RIGHT, true, 25, 4));
    ASSERT_TRUE(KnobWindowMouseButton(window, SDL_BUTTON_MIDDLE, true, 25, 4));
    ASSERT_TRUE(KnobWindowMouseButton(window, SDL_BUTTON_X2, true, 25, 4));
    Pump();
    DIMOUSESTATE2 state{};
    ASSERT_EQ(mouse->GetDeviceState(sizeof state, &state), DI_OK);
    EXPECT_EQ(state.lX, 15);
    EXPECT_EQ(state.lY, -6);
    EXPECT_EQ(state.lZ, 240);
    const BYTE buttons[8] = {0, 0x80, 0x80, 0, 0x80, 0, 0, 0};
    EXPECT_EQ(std::memcmp(state.rgbButtons, buttons, 8), 0);
    ASSERT_EQ(mouse->GetDeviceState(sizeof state, &state), DI_OK);
    EXPECT_EQ(state.lX, 0);
    EXPECT_EQ(state.lY, 0);
    EXPECT_EQ(state.lZ, 0);
    ASSERT_TRUE(KnobWindowWheel(window, 0, -1));
    ASSERT_TRUE(KnobWindowMouseButton(window, SDL_BUTTON_LEFT, true, 25, 4));
    Pump();
    ASSERT_EQ(mouse->GetDeviceState(sizeof state, &state), DI_OK);
    EXPECT_EQ(state.lZ, -120);
    EXPECT_EQ(state.rgbButtons[0], 0x80);
    EXPECT_EQ(mouse->GetDeviceState(16, &state), DIERR_INVALIDPARAM);
    DIPROPRANGE range = Range(DIMOFS_X, 0, 10);
    EXPECT_EQ(mouse->SetProperty(DIPROP_RANGE, &range.diph), DIERR_UNSUPPORTED);
}

TEST_F(DirectInputTest, RefusedStepsFailOnlyForTheirDeviceClass) {
    ASSERT_TRUE(KnobDirectInputRefuse("SetDataFormat", DI8DEVCLASS_KEYBOARD, 1));
    EXPECT_FALSE(KnobDirectInputRefuse("Fly", 0));
    EXPECT_FALSE(KnobDirectInputRefuse("Acquire", 9));
    EXPECT_NE(Open(GUID_SysMouse, c_dfDIMouse2, 0x0A), nullptr);
    EXPECT_EQ(Open(GUID_SysKeyboard, c_dfDIKeyboard, 0x0A), nullptr);
    EXPECT_NE(Open(GUID_SysKeyboard, c_dfDIKeyboard, 0x0A), nullptr);  // only once
    ASSERT_TRUE(KnobDirectInputRefuse("Initialize", 0));
    EXPECT_EQ(di->Initialize(GetModuleHandleA(nullptr), 0x0800), DIERR_GENERIC);
}

TEST(DirectInputEnvironment, RefusalsComeFromTheEnvironmentToo) {
    setenv("VESSAMIRE_DINPUT_REFUSE", "Acquire:3,,bogus,class", 1);
    setenv("VESSAMIRE_WINDOWS_VERSION", "5.1.2600", 1);
    KnobApplyEnvironment();
    unsetenv("VESSAMIRE_DINPUT_REFUSE");
    unsetenv("VESSAMIRE_WINDOWS_VERSION");
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    void* object = nullptr;
    EXPECT_EQ(CoCreateInstance(CLSID_DirectInput8, nullptr, CLSCTX_INPROC_SERVER,
                               IID_IDirectInput8A, &object),
              REGDB_E_CLASSNOTREG);
    KnobDirectInputRefuseClass(false);
    IDirectInput8A* di = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_DirectInput8, nullptr, CLSCTX_INPROC_SERVER,
                               IID_IDirectInput8A, reinterpret_cast<void**>(&di)),
              S_OK);
    ASSERT_EQ(di->Initialize(GetModuleHandleA(nullptr), 0x0800), DI_OK);
    IDirectInputDevice8A* keyboard = nullptr;
    IDirectInputDevice8A* mouse = nullptr;
    ASSERT_EQ(di->CreateDevice(GUID_SysKeyboard, &keyboard, nullptr), DI_OK);
    ASSERT_EQ(di->CreateDevice(GUID_SysMouse, &mouse, nullptr), DI_OK);
    for (IDirectInputDevice8A* device : {keyboard, mouse}) {
        ASSERT_EQ(device->SetDataFormat(device == keyboard ? &c_dfDIKeyboard : &c_dfDIMouse2),
                  DI_OK);
        ASSERT_EQ(device->SetCooperativeLevel(nullptr, 0x0A), DI_OK);
    }
    EXPECT_EQ(keyboard->Acquire(), DIERR_GENERIC);
    EXPECT_EQ(mouse->Acquire(), DI_OK);
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info;
    ASSERT_TRUE(GetVersionExA(&info));
    EXPECT_EQ(info.dwMajorVersion, 5u);
    mouse->Release();
    keyboard->Release();
    di->Release();
    CoUninitialize();
}
