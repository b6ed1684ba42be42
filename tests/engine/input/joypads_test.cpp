// Joypads: conversions against hand-computed values, joystick-function pads,
// the keyboard map and vibration requests.
#include <array>

#include "core/log.h"
#include "core/text_literals.h"
#include "input_fixture.h"
#include "support/test_support.h"

using namespace inputtest;

TEST(JoypadConversions, JoystickFunctionPositions) {
    using DuRud::ConvertJoystickPosition;
    const int d = 0x5999;  // half: 11468; 32768 - 11468 = 21300
    EXPECT_EQ(ConvertJoystickPosition(0, d), -1000);
    EXPECT_EQ(ConvertJoystickPosition(32767, d), 0);
    EXPECT_EQ(ConvertJoystickPosition(65535, d), 1000);
    EXPECT_EQ(ConvertJoystickPosition(21300, d), 0);   // dead zone edge
    EXPECT_EQ(ConvertJoystickPosition(21299, d), 0);   // 1000 / 21300 truncates
    EXPECT_EQ(ConvertJoystickPosition(21278, d), -1);  // 22000 / 21300
    EXPECT_EQ(ConvertJoystickPosition(44236, d), 0);   // 32768 + 11468
    EXPECT_EQ(ConvertJoystickPosition(44259, d), 1);   // 23000 / 21300
    EXPECT_EQ(ConvertJoystickPosition(1, d), -999);    // 21299000 / 21300
    EXPECT_EQ(ConvertJoystickPosition(65534, d), 999);
}

TEST(JoypadConversions, XInputSticksTriggersButtonsAndPov) {
    DuRud::XInputStateRecord raw{};
    DuRud::JoyStateRecord out{};
    auto sticks = [&](int16_t x, int16_t y) {
        raw.thumbLX = raw.thumbRX = x;
        raw.thumbLY = raw.thumbRY = y;
        DuRud::ConvertXInputState(raw, 0x5999, &out);
    };
    using Sticks = std::array<int32_t, 4>;
    auto axes = [&] { return Sticks{out.lX, out.lY, out.lRx, out.lRy}; };
    sticks(-32768, -32768);
    EXPECT_EQ(axes(), (Sticks{-1000, 1000, -1000, 1000}));  // y grows downwards
    sticks(32767, 32767);
    EXPECT_EQ(axes(), (Sticks{1000, -1000, 1000, -1000}));
    for (int16_t v : {-11468, 11468, -11489, 11489}) {
        sticks(v, v);
        EXPECT_EQ(axes(), (Sticks{0, 0, 0, 0})) << v;
    }
    sticks(-11490, -11490);
    EXPECT_EQ(axes(), (Sticks{-1, 1, -1, 1}));
    sticks(11490, 11490);
    EXPECT_EQ(axes(), (Sticks{1, -1, 1, -1}));

    raw = {};
    raw.leftTrigger = 89;
    DuRud::ConvertXInputState(raw, 0x5999, &out);
    EXPECT_EQ(out.lZ, 0);
    raw.leftTrigger = 90;
    DuRud::ConvertXInputState(raw, 0x5999, &out);
    EXPECT_EQ(out.lZ, 6);  // 1000 / 166
    raw.leftTrigger = 0;
    raw.rightTrigger = 255;
    DuRud::ConvertXInputState(raw, 0x5999, &out);
    EXPECT_EQ(out.lZ, -1000);

    const struct {
        uint16_t dpad;
        uint32_t pov;
    } povs[] = {{0x1, 0},     {0x9, 4500},  {0x8, 9000}, {0xA, 13500}, {0x2, 18000}, {0x6, 22500},
                {0x4, 27000}, {0x5, 31500}, {0x0, ~0u},  {0x3, 0},     {0xC, 9000},  {0xD, 4500}};
    for (const auto& p : povs) {
        raw = {};
        raw.buttons = p.dpad;
        DuRud::ConvertXInputState(raw, 0x5999, &out);
        EXPECT_EQ(out.pov[0], p.pov) << p.dpad;
    }
    raw = {};
    raw.buttons = 0x1000 | 0x0010 | 0x0080;  // A, start, right thumb
    DuRud::ConvertXInputState(raw, 0x5999, &out);
    EXPECT_EQ(out.buttons[0], 0x80);
    EXPECT_EQ(out.buttons[7], 0x80);
    EXPECT_EQ(out.buttons[9], 0x80);
    EXPECT_EQ(out.buttons[1], 0);
}

TEST_F(InputTest, JoystickFunctionPadGivesDirectionsAndButtons) {
    int pad = KnobPadAttach(2, 4, 1);
    ASSERT_EQ(pad, 0);
    ASSERT_EQ(DuRud::InitializeInput(), 0);
    EXPECT_EQ(DuRud::Input().directInputDisabled, 1);
    EXPECT_EQ(DuRud::GetJoypadCount(), 1);
    ASSERT_TRUE(KnobPadAxis(pad, 0, -32768));
    ASSERT_TRUE(KnobPadAxis(pad, 1, 32767));
    ASSERT_TRUE(KnobPadButton(pad, 0, true));
    ASSERT_TRUE(KnobPadButton(pad, 3, true));
    ASSERT_TRUE(KnobPadHat(pad, 0, SDL_HAT_UP));  // the POV gives no bits
    Sleep(1);
    EXPECT_EQ(DuRud::GetJoypadInputState(1), 2 | 1 | 0x10 | 0x80);
    EXPECT_EQ(DuRud::GetJoypadInputState(2), 0);
    EXPECT_EQ(DuRud::GetJoypadInputState(0), 0);
    EXPECT_EQ(DuRud::GetJoypadInputState(-7), 0);
    Sleep(1);
    EXPECT_EQ(DuRud::CheckAnyInput(2), -1);
    ASSERT_TRUE(KnobPadDetach(pad));
    Sleep(1);
    EXPECT_EQ(DuRud::GetJoypadInputState(1), 0);  // a failed read zeroes the state
}

TEST_F(InputTest, KeyboardMapRowsOnlyForPadsOneToSixteen) {
    ASSERT_EQ(DuRud::InitializeInput(), 0);
    EXPECT_EQ(DuRud::GetJoypadCount(), 0);
    Key(SDL_SCANCODE_Z, true);
    Key(SDL_SCANCODE_LEFT, true);
    EXPECT_EQ(DuRud::GetJoypadInputState(0x1001), 0x10 | 2);
    EXPECT_EQ(DuRud::GetJoypadInputState(0x1000), 0x10 | 2);  // no pad: row 0
    EXPECT_EQ(DuRud::GetJoypadInputState(0x1002), 0);
    EXPECT_EQ(DuRud::GetJoypadInputState(0x1000 | 17), 0);
    EXPECT_EQ(DuRud::GetJoypadInputState(0x1000 | -5), 0);  // before the map: nothing
    EXPECT_EQ(DuRud::GetJoypadInputState(1), 0);
}

// The refused DirectInput class and its log: DirectInputPathTest.RefusedClassFallsBack...
TEST_F(InputTest, RestartKeepsDisabledDirectInputAndTheMap) {
    for (const char* name : {"xinput1_4.dll", "xinput1_3.dll", "xinput9_1_0.dll"}) {
        KnobHideModule(name, true);  // the start without XInput
    }
    ASSERT_EQ(DuRud::SetLogFolder("."), 0);
    ASSERT_EQ(DuRud::LogOpen(), 0);
    ASSERT_EQ(DuRud::InitializeInput(), 0);
    EXPECT_EQ(DuRud::Input().directInputDisabled, 1);
    EXPECT_EQ(DuRud::Input().directInput, DuRud::kStartedWithoutDirectInput);
    EXPECT_EQ(DuRud::Input().xinputLibrary, nullptr);
    DuRud::Input().keyboardMap[0][4][0] = 0x2D;  // Z's bit now on X
    DuRud::Input().keyState[0x2D] = 0x80;
    ASSERT_EQ(DuRud::ShutdownInput(), 0);
    EXPECT_EQ(DuRud::Input().directInput, nullptr);
    const std::string log = testsupport::ReadFile("Log.txt");
    EXPECT_NE(log.find(DuRud::Cp932Text("失敗、XInputは使用しません")), std::string::npos) << log;
    EXPECT_NE(log.find(DuRud::Cp932Text("入力関連の終了処理... 完了")), std::string::npos);
    DuRud::ResetLogForTest();
    ASSERT_EQ(DuRud::InitializeInput(), 0);
    EXPECT_EQ(DuRud::Input().directInputDisabled, 1);
    EXPECT_EQ(DuRud::Input().keyboardMap[0][4][0], 0x2D);
    EXPECT_EQ(DuRud::Input().keyState[0x2D], 0);  // the rest was zeroed
    EXPECT_EQ(DuRud::InitializeInput(), 0);       // already started
}

TEST_F(InputTest, VibrationRequestsAreCheckedAndTimed) {
    ASSERT_EQ(DuRud::InitializeInput(), 0);
    EXPECT_EQ(DuRud::StartJoypadVibration(1, 500, 500), 0);  // no pad: no answer
    EXPECT_EQ(DuRud::StopJoypadVibration(99), 0);
    int pad = KnobPadAttach(2, 2, 0);
    ASSERT_EQ(pad, 0);
    DuRud::ShutdownInput();
    ASSERT_EQ(DuRud::InitializeInput(), 0);
    ASSERT_EQ(DuRud::GetJoypadCount(), 1);
    auto& record = DuRud::Input().joypads[0];
    EXPECT_EQ(DuRud::StartJoypadVibration(1, 1200, 500), 0);
    EXPECT_EQ(record.vibrationOn, 1);
    EXPECT_EQ(record.vibrationPower, 10000);  // 1200 acts as 1000
    EXPECT_EQ(DuRud::StartJoypadVibration(1, -1, -1), 0);
    EXPECT_EQ(record.vibrationPower, 10000);
    EXPECT_EQ(record.vibrationTime, -1);
    EXPECT_EQ(DuRud::StopJoypadVibration(1), 0);
    EXPECT_EQ(record.vibrationOn, 0);
}
