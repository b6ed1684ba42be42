// Input started with DirectInput 8: start-up and its log, the DirectInput
// keyboard and mouse on an older Windows, pads through XInput and DirectInput,
// vibration at the device, and a refused keyboard step ending the program.
#include <cstdlib>
#include <map>
#include <set>
#include <thread>

#include "core/log.h"
#include "core/text_literals.h"
#include "input_fixture.h"
#include "support/test_support.h"

using namespace inputtest;
using DuRud::Cp932Text;

namespace {

bool g_active = true;

class DirectInputPathTest : public InputTest {
  protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        InputTest::SetUp();
        g_active = true;
        link_ = kLink;
        link_.isActive = [] { return g_active ? 1 : 0; };
        DuRud::SetInputWindowLink(&link_);
    }
    void TearDown() override {
        InputTest::TearDown();
        CoUninitialize();
    }
    // The OS version code the engine reads, from what the layer reports.
    static void UseReportedWindows() {
        ASSERT_EQ(DuRud::SetLogFolder("."), 0);
        ASSERT_EQ(DuRud::LogOpen(), 0);
        DuRud::LogSystemInfo();
    }
    static std::set<int> DownCodes() {
        unsigned char keys[256];
        Sleep(1);
        EXPECT_EQ(DuRud::GetAllKeyStates(keys), 0);
        std::set<int> down;
        for (int i = 0; i < 256; ++i) {
            EXPECT_LE(keys[i], 1);
            if (keys[i]) down.insert(i);
        }
        return down;
    }
    DuRud::InputWindowLink link_{};
};

std::string Log() {
    return testsupport::ReadFile("Log.txt");
}

// The motors' last speeds, low and high.
std::pair<int, int> Rumble(int pad) {
    int low = -1, high = -1;
    EXPECT_TRUE(KnobPadLastRumble(pad, &low, &high));
    return {low, high};
}

bool Has(const std::string& log, const char* utf8) {
    return log.find(Cp932Text(utf8)) != std::string::npos;
}

}  // namespace

TEST_F(DirectInputPathTest, StartUpTakesDirectInputEightAfterSevenIsRefused) {
    ASSERT_EQ(DuRud::SetLogFolder("."), 0);
    ASSERT_EQ(DuRud::LogOpen(), 0);
    ASSERT_EQ(DuRud::InitializeInput(), 0);
    DuRud::InputState& in = DuRud::Input();
    EXPECT_EQ(in.directInput8, 1);
    EXPECT_EQ(in.directInputDisabled, 0);
    EXPECT_NE(DuRud::DirectInputObject(), nullptr);
    EXPECT_NE(in.keyboardDevice, nullptr);
    EXPECT_NE(in.mouseDevice, nullptr);
    EXPECT_NE(in.keyboardEvent, nullptr);
    EXPECT_EQ(DuRud::ShutdownInput(), 0);
    EXPECT_EQ(in.directInput, nullptr);
    EXPECT_EQ(in.keyboardDevice, nullptr);
    std::string log = Log();
    EXPECT_TRUE(Has(log, "DirectInput7 の取得中... 取得に失敗。")) << log;
    EXPECT_TRUE(Has(log, "DirectInput8 の取得を試みます...成功"));
    EXPECT_TRUE(Has(log, "引き続き初期化処理... 初期化成功"));
    EXPECT_TRUE(Has(log, "マウスデバイスの初期化... 初期化成功"));
    EXPECT_TRUE(Has(log, "キーボードデバイスの初期化... 初期化成功"));
    EXPECT_TRUE(Has(log, "DirectInput 関連の初期化は正常に終了しました"));
    EXPECT_TRUE(Has(log, "DirectInput 関連の終了処理... 完了"));
    EXPECT_FALSE(Has(log, "DirectInput を使用しません"));
    DuRud::ResetLogForTest();
}

TEST_F(DirectInputPathTest, RefusedClassFallsBackToJoystickFunctionsAndStaysThere) {
    KnobDirectInputRefuseClass(true);
    ASSERT_EQ(KnobPadAttach(2, 2, 0), 0);
    ASSERT_EQ(DuRud::SetLogFolder("."), 0);
    ASSERT_EQ(DuRud::LogOpen(), 0);
    ASSERT_EQ(DuRud::InitializeInput(), 0);
    EXPECT_EQ(DuRud::Input().directInputDisabled, 1);
    EXPECT_EQ(DuRud::Input().directInput, DuRud::kStartedWithoutDirectInput);
    std::string log = Log();
    EXPECT_TRUE(Has(log, "DirectInput8 の取得を試みます...取得に失敗。エラーコード 0x80040154"))
        << log;
    EXPECT_TRUE(Has(log, "DirectInput を使用しません。"));
    EXPECT_TRUE(Has(log, "パッドの数は 1 個です"));
    // Offered again, the next start still goes straight to the joystick functions.
    KnobDirectInputRefuseClass(false);
    DuRud::ShutdownInput();
    ASSERT_EQ(DuRud::LogOpen(), 0);
    ASSERT_EQ(DuRud::InitializeInput(), 0);
    EXPECT_EQ(Log().find("DirectInput"), std::string::npos);
    EXPECT_EQ(DuRud::GetJoypadCount(), 1);
    DuRud::ResetLogForTest();
}

TEST_F(DirectInputPathTest, EveryTableKeyReadsTheSameCodeThroughBothPaths) {
    // Letters and digits, function keys and the keypad's digits are runs of
    // scancodes; the rest of the table follows.
    std::vector<int> scancodes = {SDL_SCANCODE_LEFT,         SDL_SCANCODE_UP,
                                  SDL_SCANCODE_RIGHT,        SDL_SCANCODE_DOWN,
                                  SDL_SCANCODE_SEMICOLON,    SDL_SCANCODE_APOSTROPHE,
                                  SDL_SCANCODE_RIGHTBRACKET, SDL_SCANCODE_BACKSLASH,
                                  SDL_SCANCODE_LEFTBRACKET,  SDL_SCANCODE_INTERNATIONAL1,
                                  SDL_SCANCODE_COMMA,        SDL_SCANCODE_EQUALS,
                                  SDL_SCANCODE_MINUS,        SDL_SCANCODE_INTERNATIONAL3,
                                  SDL_SCANCODE_PERIOD,       SDL_SCANCODE_SLASH,
                                  SDL_SCANCODE_DELETE,       SDL_SCANCODE_ESCAPE,
                                  SDL_SCANCODE_SPACE,        SDL_SCANCODE_BACKSPACE,
                                  SDL_SCANCODE_TAB,          SDL_SCANCODE_RETURN,
                                  SDL_SCANCODE_KP_MULTIPLY,  SDL_SCANCODE_KP_PLUS,
                                  SDL_SCANCODE_KP_MINUS,     SDL_SCANCODE_KP_PERIOD,
                                  SDL_SCANCODE_KP_DIVIDE,    SDL_SCANCODE_KP_ENTER,
                                  SDL_SCANCODE_LSHIFT,       SDL_SCANCODE_RSHIFT,
                                  SDL_SCANCODE_LCTRL,        SDL_SCANCODE_RCTRL,
                                  SDL_SCANCODE_PAGEUP,       SDL_SCANCODE_PAGEDOWN,
                                  SDL_SCANCODE_END,          SDL_SCANCODE_HOME,
                                  SDL_SCANCODE_INSERT,       SDL_SCANCODE_LALT,
                                  SDL_SCANCODE_RALT,         SDL_SCANCODE_SCROLLLOCK,
                                  SDL_SCANCODE_CAPSLOCK,     SDL_SCANCODE_PAUSE};
    for (auto [first, last] :
         {std::pair{SDL_SCANCODE_A, SDL_SCANCODE_0}, std::pair{SDL_SCANCODE_F1, SDL_SCANCODE_F12},
          std::pair{SDL_SCANCODE_KP_1, SDL_SCANCODE_KP_0}}) {
        for (int code = first; code <= last; ++code) scancodes.push_back(code);
    }
    // Codes by hand for a sample of the table.
    const std::map<int, int> kPinned = {
        {SDL_SCANCODE_A, 0x1E},
        {SDL_SCANCODE_Z, 0x2C},
        {SDL_SCANCODE_0, 0x0B},
        {SDL_SCANCODE_1, 0x02},
        {SDL_SCANCODE_LEFT, 0xCB},
        {SDL_SCANCODE_DOWN, 0xD0},
        {SDL_SCANCODE_SEMICOLON, 0x27},
        {SDL_SCANCODE_APOSTROPHE, 0x92},
        {SDL_SCANCODE_EQUALS, 0x90},
        {SDL_SCANCODE_LEFTBRACKET, 0x91},
        {SDL_SCANCODE_RIGHTBRACKET, 0x1A},
        {SDL_SCANCODE_BACKSLASH, 0x1B},
        {SDL_SCANCODE_INTERNATIONAL3, 0x7D},
        {SDL_SCANCODE_INTERNATIONAL1, 0x2B},
        {SDL_SCANCODE_ESCAPE, 0x01},
        {SDL_SCANCODE_SPACE, 0x39},
        {SDL_SCANCODE_KP_0, 0x52},
        {SDL_SCANCODE_KP_DIVIDE, 0xB5},
        {SDL_SCANCODE_LSHIFT, 0x2A},
        {SDL_SCANCODE_RSHIFT, 0x36},
        {SDL_SCANCODE_LCTRL, 0x1D},
        {SDL_SCANCODE_RALT, 0xB8},
        {SDL_SCANCODE_F1, 0x3B},
        {SDL_SCANCODE_F12, 0x58},
        {SDL_SCANCODE_HOME, 0xC7},
        {SDL_SCANCODE_PAUSE, 0xC5},
    };
    auto readAll = [&](std::vector<std::set<int>>* out) {
        for (int scancode : scancodes) {
            Key(scancode, true);
            out->push_back(DownCodes());
            Key(scancode, false);
            EXPECT_TRUE(DownCodes().empty()) << scancode;
        }
    };
    UseReportedWindows();  // Windows 7: the window system's key state
    ASSERT_EQ(DuRud::InitializeInput(), 0);
    ASSERT_NE(DuRud::Input().keyboardDevice, nullptr);
    ASSERT_FALSE(DuRud::KeyboardThroughDirectInput());
    std::vector<std::set<int>> windowPath;
    readAll(&windowPath);

    ASSERT_TRUE(KnobWindowsVersion(5, 1, 2600));
    UseReportedWindows();
    ASSERT_TRUE(DuRud::KeyboardThroughDirectInput());
    std::vector<std::set<int>> directPath;
    readAll(&directPath);

    ASSERT_EQ(windowPath.size(), directPath.size());
    for (size_t i = 0; i < windowPath.size(); ++i) {
        int scancode = scancodes[i];
        if (scancode == SDL_SCANCODE_RETURN || scancode == SDL_SCANCODE_KP_ENTER) {
            // The window system cannot tell the two return keys apart.
            EXPECT_EQ(windowPath[i], (std::set<int>{0x1C, 0x9C}));
            EXPECT_EQ(directPath[i], std::set<int>{scancode == SDL_SCANCODE_RETURN ? 0x1C : 0x9C});
            continue;
        }
        ASSERT_EQ(windowPath[i].size(), 1u) << "scancode " << scancode;
        EXPECT_EQ(windowPath[i], directPath[i]) << "scancode " << scancode;
        if (kPinned.count(scancode)) {
            EXPECT_EQ(*windowPath[i].begin(), kPinned.at(scancode)) << "scancode " << scancode;
        }
    }
    DuRud::ResetLogForTest();
}

using DirectInputPathThreads = DirectInputPathTest;

TEST_F(DirectInputPathThreads, DirectInputKeyboardRereadsInTheSameMillisecondOnlyOnItsEvent) {
    ASSERT_TRUE(KnobWindowsVersion(5, 1, 2600));
    UseReportedWindows();
    ASSERT_EQ(DuRud::InitializeInput(), 0);
    Sleep(1);
    EXPECT_EQ(DuRud::RefreshKeyboardState(0), 1);
    EXPECT_EQ(DuRud::RefreshKeyboardState(0), 0);  // same millisecond, no new data
    ASSERT_TRUE(KnobWindowKey(g_window, SDL_SCANCODE_Q, true));
    PumpDouble();
    EXPECT_EQ(WaitForSingleObject(DuRud::Input().keyboardEvent, 0), WAIT_OBJECT_0);
    EXPECT_EQ(DuRud::RefreshKeyboardState(0), 1);  // the event says new data arrived
    EXPECT_EQ(DuRud::Input().keyState[0x10], 0x80);
    EXPECT_EQ(WaitForSingleObject(DuRud::Input().keyboardEvent, 0),
              static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_EQ(DuRud::RefreshKeyboardState(0), 0);
    // Other threads may read the DirectInput keyboard.
    ASSERT_TRUE(KnobWindowKey(g_window, SDL_SCANCODE_Q, false));
    PumpDouble();
    int fromOtherThread = -1;
    std::thread([&] { fromOtherThread = DuRud::RefreshKeyboardState(0); }).join();
    EXPECT_EQ(fromOtherThread, 1);
    EXPECT_EQ(DuRud::Input().keyState[0x10], 0);
    DuRud::ResetLogForTest();
}

TEST_F(DirectInputPathTest, KeyboardDeviceWorksWithoutWindowAndWhileUnfocused) {
    HWND saved = g_window;
    g_window = nullptr;  // before the main window exists
    ASSERT_EQ(DuRud::InitializeInput(), 0);
    g_window = saved;
    ASSERT_NE(DuRud::Input().keyboardDevice, nullptr);
    DuRud::MutableSystemState().osVersionCode = DuRud::kOsWindowsXP;
    ASSERT_TRUE(KnobWindowEvent(g_window, KnobWindowEventKind::FocusLost));
    PumpDouble();
    g_active = false;
    DuRud::ReacquireInputDevices();
    Key(SDL_SCANCODE_W, true);
    EXPECT_EQ(DuRud::CheckKeyDown(0x11), 1);
    // After the devices are made again.
    DuRud::ShutdownInput();
    ASSERT_EQ(DuRud::InitializeInput(), 0);
    Sleep(1);
    EXPECT_EQ(DuRud::CheckKeyDown(0x11), 1);
}

TEST_F(DirectInputPathTest, DirectInputMouseGivesAllEightButtonBits) {
    DuRud::MutableSystemState().osVersionCode = DuRud::kOsWindowsXP;
    ASSERT_EQ(DuRud::InitializeInput(), 0);
    ASSERT_TRUE(DuRud::MouseThroughDirectInput());
    EXPECT_EQ(DuRud::GetMouseButtons(), 0);
    ASSERT_TRUE(KnobWindowMouseButton(g_window, SDL_BUTTON_LEFT, true, 10, 10));
    ASSERT_TRUE(KnobWindowMouseButton(g_window, SDL_BUTTON_X1, true, 10, 10));
    PumpDouble();
    EXPECT_EQ(DuRud::GetMouseButtons(), 1 | 0x08);
    ASSERT_TRUE(KnobWindowMouseButton(g_window, SDL_BUTTON_X2, true, 10, 10));
    ASSERT_TRUE(KnobWindowMouseButton(g_window, SDL_BUTTON_LEFT, false, 10, 10));
    PumpDouble();
    EXPECT_EQ(DuRud::GetMouseButtons(), 0x08 | 0x10);
    Sleep(1);
    EXPECT_EQ(DuRud::CheckAnyInput(4), -1);
}

TEST_F(DirectInputPathTest, ControllersReadThroughXInputOthersThroughDirectInput) {
    int controller = KnobPadAttachController();
    int joystick = KnobPadAttach(3, 6, 1);
    ASSERT_EQ(controller, 0);
    ASSERT_EQ(joystick, 1);
    ASSERT_EQ(DuRud::SetLogFolder("."), 0);
    ASSERT_EQ(DuRud::LogOpen(), 0);
    ASSERT_EQ(DuRud::GetJoypadCount(), 0);  // the query starts input instead
    ASSERT_EQ(DuRud::GetJoypadCount(), 2);  // the controller is listed once
    const DuRud::JoypadRecord* pads = DuRud::Input().joypads;
    EXPECT_EQ(pads[0].xinputIndex, 0);
    EXPECT_EQ(pads[1].xinputIndex, -1);
    EXPECT_NE(pads[1].device, nullptr);
    EXPECT_NE(pads[1].constantEffect, nullptr);
    EXPECT_NE(pads[1].sineEffect, nullptr);
    EXPECT_STREQ(pads[1].instanceName, "Test Pad");
    std::string log = Log();
    EXPECT_TRUE(Has(log, "ジョイパッドナンバー 0 は Xbox360 Controller です")) << log;
    EXPECT_TRUE(Has(log, "入力装置を見つけました"));
    EXPECT_TRUE(Has(log, "デバイスの登録名:Test Pad"));
    EXPECT_TRUE(Has(log, "ジョイパッドの追加は正常に終了しました"));

    ASSERT_TRUE(KnobPadButton(controller, SDL_CONTROLLER_BUTTON_B, true));
    ASSERT_TRUE(KnobPadAxis(controller, SDL_CONTROLLER_AXIS_LEFTY, -32768));  // up
    ASSERT_TRUE(KnobPadAxis(joystick, 0, 32767));
    ASSERT_TRUE(KnobPadAxis(joystick, 1, -20000));
    ASSERT_TRUE(KnobPadButton(joystick, 5, true));
    ASSERT_TRUE(KnobPadHat(joystick, 0, SDL_HAT_LEFT));  // the POV gives no bits
    Sleep(1);
    EXPECT_EQ(DuRud::GetJoypadInputState(1), 8 | (1 << 5));
    EXPECT_EQ(DuRud::GetJoypadInputState(2), 4 | 8 | (1 << 9));
    EXPECT_EQ(DuRud::Input().joypads[1].state.lX, 1000);
    EXPECT_EQ(DuRud::Input().joypads[1].state.pov[0], 27000u);
    // Unplugged: the last state stays, and reading does not fail.
    ASSERT_TRUE(KnobPadDetach(joystick));
    Sleep(1);
    EXPECT_EQ(DuRud::PollJoypad(1), 0);
    EXPECT_EQ(DuRud::ShutdownInput(), 0);
    DuRud::ResetLogForTest();
}

TEST_F(DirectInputPathTest, XInputVibrationReachesTheMotorsAndIsTimed) {
    int pad = KnobPadAttachController();
    ASSERT_EQ(pad, 0);
    ASSERT_EQ(DuRud::InitializeInput(), 0);
    ASSERT_EQ(DuRud::GetJoypadCount(), 1);
    ASSERT_EQ(DuRud::StartJoypadVibration(1, 500, 500), 0);
    EXPECT_EQ(Rumble(pad), std::pair(65535, 0));  // power 5000 is not above 5000
    Sleep(499);
    DuRud::UpdateJoypadVibration();
    EXPECT_EQ(DuRud::Input().joypads[0].vibrationOn, 1);
    Sleep(1);
    DuRud::UpdateJoypadVibration();
    EXPECT_EQ(Rumble(pad), std::pair(0, 0));

    ASSERT_EQ(DuRud::StartJoypadVibration(1, 1200, -1), 0);  // acts as 1000
    EXPECT_EQ(Rumble(pad), std::pair(65535, 65535));
    // From 10000 to 3000 flips only the high motor: the low one keeps its speed.
    ASSERT_EQ(DuRud::StartJoypadVibration(1, 300, -1), 0);
    EXPECT_EQ(Rumble(pad), std::pair(3000 * 65535 / 5000, 0));
    g_active = false;
    DuRud::ApplyJoypadVibration();
    EXPECT_EQ(Rumble(pad), std::pair(0, 0));
    g_active = true;
    DuRud::ApplyJoypadVibration();
    EXPECT_EQ(Rumble(pad).first, 3000 * 65535 / 5000);
    // A negative power never wraps to full speed.
    ASSERT_EQ(DuRud::StartJoypadVibration(1, -300, -1), 0);
    EXPECT_EQ(Rumble(pad), std::pair(0, 0));
}

TEST_F(DirectInputPathTest, XInputMotorsStopWhenInputEnds) {
    int pad = KnobPadAttachController();
    ASSERT_EQ(pad, 0);
    for (int round = 0; round < 2; ++round) {
        ASSERT_EQ(DuRud::InitializeInput(), 0);
        ASSERT_EQ(DuRud::StartJoypadVibration(1, 1000, 500), 0);
        ASSERT_EQ(Rumble(pad).first, 65535);
        EXPECT_EQ(DuRud::ShutdownInput(), 0);
        EXPECT_EQ(Rumble(pad), std::pair(0, 0)) << "round " << round;
    }
}

TEST_F(DirectInputPathTest, DirectInputPadVibratesThroughItsEffects) {
    int pad = KnobPadAttach(2, 2, 0);
    ASSERT_EQ(pad, 0);
    ASSERT_EQ(DuRud::InitializeInput(), 0);
    ASSERT_EQ(DuRud::GetJoypadCount(), 1);
    ASSERT_EQ(DuRud::StartJoypadVibration(1, 500, -1), 0);
    EXPECT_EQ(Rumble(pad), std::pair(32767, 0));  // the constant force at magnitude 5000
    ASSERT_EQ(DuRud::StartJoypadVibration(1, 1000, -1), 0);
    EXPECT_EQ(Rumble(pad), std::pair(65535, 65535));  // the sine runs above 5000
    // Losing the window stops the effects; coming back starts them again.
    g_active = false;
    DuRud::ReacquireInputDevices();
    DuRud::ApplyJoypadVibration();
    EXPECT_EQ(Rumble(pad), std::pair(0, 0));
    g_active = true;
    DuRud::ReacquireInputDevices();
    DuRud::ApplyJoypadVibration();
    EXPECT_EQ(Rumble(pad), std::pair(65535, 65535));
    ASSERT_EQ(DuRud::StopJoypadVibration(1), 0);
    EXPECT_EQ(Rumble(pad), std::pair(0, 0));
}

TEST_F(DirectInputPathTest, PadWithoutMotorsDoesNotVibrate) {
    ASSERT_EQ(KnobPadAttach(2, 2, 0, false), 0);
    ASSERT_EQ(DuRud::SetLogFolder("."), 0);
    ASSERT_EQ(DuRud::LogOpen(), 0);
    ASSERT_EQ(DuRud::InitializeInput(), 0);
    ASSERT_EQ(DuRud::GetJoypadCount(), 1);
    EXPECT_EQ(DuRud::Input().joypads[0].constantEffect, nullptr);
    EXPECT_TRUE(Has(Log(), "周期的エフェクトの作成に失敗しました。"));
    EXPECT_EQ(DuRud::StartJoypadVibration(1, 1000, -1), 0);
    EXPECT_EQ(DuRud::Input().joypads[0].vibrationOn, 0);
    DuRud::ResetLogForTest();
}

using DirectInputPathDeathTest = DirectInputPathTest;

TEST_F(DirectInputPathDeathTest, RefusedKeyboardFormatEndsTheProgramWithItsMessage) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    setenv("INPUT_DEATH_LOG_DIR", testsupport::TestDirectory().c_str(), 0);
    EXPECT_EXIT(
        {
            DuRud::SetLogFolder(std::getenv("INPUT_DEATH_LOG_DIR"));
            DuRud::LogOpen();
            KnobDirectInputRefuse("SetDataFormat", DI8DEVCLASS_KEYBOARD);
            DuRud::InitializeInput();
        },
        testing::ExitedWithCode(255), "");
    std::string log = Log();
    EXPECT_TRUE(Has(log, "キーボードデバイスのデータ形式の設定に失敗しました")) << log;
    EXPECT_TRUE(Has(log, "マウスデバイスの初期化... 初期化成功"));
}
