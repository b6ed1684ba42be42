// XInput over test game controllers (SDL virtual joysticks): users, state
// conversion, packet numbers, rumble reaching the device, bad arguments.
#include <SDL.h>
#include <gtest/gtest.h>
#include <windows.h>
#include <xinput.h>

#include "test_knobs.h"

namespace {

XINPUT_STATE Read(DWORD user, DWORD* result) {
    XINPUT_STATE state{};
    *result = XInputGetState(user, &state);
    return state;
}

}  // namespace

TEST(XInput, BadArgumentsAndEmptyUsersFailCleanly) {
    XINPUT_STATE state{};
    XINPUT_VIBRATION speeds{100, 200};
    XINPUT_CAPABILITIES caps{};
    for (DWORD user : {0u, 3u}) {
        EXPECT_EQ(XInputGetState(user, &state), static_cast<DWORD>(ERROR_DEVICE_NOT_CONNECTED));
        EXPECT_EQ(XInputSetState(user, &speeds), static_cast<DWORD>(ERROR_DEVICE_NOT_CONNECTED));
        EXPECT_EQ(XInputGetCapabilities(user, 0, &caps),
                  static_cast<DWORD>(ERROR_DEVICE_NOT_CONNECTED));
    }
    for (DWORD user : {4u, static_cast<DWORD>(XUSER_INDEX_ANY), 0xFFFFFFFFu}) {
        EXPECT_EQ(XInputGetState(user, &state), static_cast<DWORD>(ERROR_BAD_ARGUMENTS));
        EXPECT_EQ(XInputSetState(user, &speeds), static_cast<DWORD>(ERROR_BAD_ARGUMENTS));
        EXPECT_EQ(XInputGetCapabilities(user, 0, &caps), static_cast<DWORD>(ERROR_BAD_ARGUMENTS));
    }
    EXPECT_EQ(XInputGetState(0, nullptr), static_cast<DWORD>(ERROR_BAD_ARGUMENTS));
    EXPECT_EQ(XInputSetState(0, nullptr), static_cast<DWORD>(ERROR_BAD_ARGUMENTS));
    EXPECT_EQ(XInputGetCapabilities(0, 0, nullptr), static_cast<DWORD>(ERROR_BAD_ARGUMENTS));
    EXPECT_EQ(XInputGetCapabilities(0, 2, &caps), static_cast<DWORD>(ERROR_BAD_ARGUMENTS));
}

TEST(XInput, PlainJoysticksAreNoUsers) {
    ASSERT_EQ(KnobPadAttach(2, 4, 0), 0);
    DWORD result = 0;
    Read(0, &result);
    EXPECT_EQ(result, static_cast<DWORD>(ERROR_DEVICE_NOT_CONNECTED));
}

TEST(XInput, SticksTriggersAndNamedButtons) {
    int pad = KnobPadAttachController();
    ASSERT_EQ(pad, 0);
    DWORD result = 0;
    XINPUT_STATE s = Read(0, &result);
    ASSERT_EQ(result, static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(s.Gamepad.wButtons, 0);
    EXPECT_EQ(s.Gamepad.bLeftTrigger, 0);
    EXPECT_EQ(s.Gamepad.bRightTrigger, 0);
    EXPECT_EQ(s.Gamepad.sThumbLX, 0);
    EXPECT_EQ(s.Gamepad.sThumbLY, -1);  // centre 0 inverted: -1 - 0

    // SDL's Y points down, XInput's up: both ends stay ends.
    ASSERT_TRUE(KnobPadAxis(pad, SDL_CONTROLLER_AXIS_LEFTX, -32768));
    ASSERT_TRUE(KnobPadAxis(pad, SDL_CONTROLLER_AXIS_LEFTY, -32768));
    ASSERT_TRUE(KnobPadAxis(pad, SDL_CONTROLLER_AXIS_RIGHTX, 32767));
    ASSERT_TRUE(KnobPadAxis(pad, SDL_CONTROLLER_AXIS_RIGHTY, 32767));
    ASSERT_TRUE(KnobPadAxis(pad, SDL_CONTROLLER_AXIS_TRIGGERLEFT, 32767));
    s = Read(0, &result);
    EXPECT_EQ(s.Gamepad.sThumbLX, -32768);
    EXPECT_EQ(s.Gamepad.sThumbLY, 32767);
    EXPECT_EQ(s.Gamepad.sThumbRX, 32767);
    EXPECT_EQ(s.Gamepad.sThumbRY, -32768);
    EXPECT_EQ(s.Gamepad.bLeftTrigger, 255);
    EXPECT_EQ(s.Gamepad.bRightTrigger, 0);

    // Buttons by name, not by SDL index.
    const struct {
        int button;
        WORD mask;
    } buttons[] = {
        {SDL_CONTROLLER_BUTTON_A, XINPUT_GAMEPAD_A},
        {SDL_CONTROLLER_BUTTON_B, XINPUT_GAMEPAD_B},
        {SDL_CONTROLLER_BUTTON_X, XINPUT_GAMEPAD_X},
        {SDL_CONTROLLER_BUTTON_Y, XINPUT_GAMEPAD_Y},
        {SDL_CONTROLLER_BUTTON_LEFTSHOULDER, XINPUT_GAMEPAD_LEFT_SHOULDER},
        {SDL_CONTROLLER_BUTTON_RIGHTSHOULDER, XINPUT_GAMEPAD_RIGHT_SHOULDER},
        {SDL_CONTROLLER_BUTTON_BACK, XINPUT_GAMEPAD_BACK},
        {SDL_CONTROLLER_BUTTON_START, XINPUT_GAMEPAD_START},
        {SDL_CONTROLLER_BUTTON_LEFTSTICK, XINPUT_GAMEPAD_LEFT_THUMB},
        {SDL_CONTROLLER_BUTTON_RIGHTSTICK, XINPUT_GAMEPAD_RIGHT_THUMB},
        {SDL_CONTROLLER_BUTTON_DPAD_UP, XINPUT_GAMEPAD_DPAD_UP},
        {SDL_CONTROLLER_BUTTON_DPAD_DOWN, XINPUT_GAMEPAD_DPAD_DOWN},
        {SDL_CONTROLLER_BUTTON_DPAD_LEFT, XINPUT_GAMEPAD_DPAD_LEFT},
        {SDL_CONTROLLER_BUTTON_DPAD_RIGHT, XINPUT_GAMEPAD_DPAD_RIGHT},
    };
    for (const auto& b : buttons) {
        ASSERT_TRUE(KnobPadButton(pad, b.button, true));
        s = Read(0, &result);
        EXPECT_EQ(s.Gamepad.wButtons, b.mask) << b.button;
        ASSERT_TRUE(KnobPadButton(pad, b.button, false));
    }
    // The guide button has no XInput bit.
    ASSERT_TRUE(KnobPadButton(pad, SDL_CONTROLLER_BUTTON_GUIDE, true));
    s = Read(0, &result);
    EXPECT_EQ(s.Gamepad.wButtons, 0);
}

TEST(XInput, PacketNumberChangesWithTheState) {
    int pad = KnobPadAttachController();
    ASSERT_EQ(pad, 0);
    DWORD result = 0;
    DWORD first = Read(0, &result).dwPacketNumber;
    EXPECT_EQ(Read(0, &result).dwPacketNumber, first);
    ASSERT_TRUE(KnobPadButton(pad, SDL_CONTROLLER_BUTTON_A, true));
    DWORD second = Read(0, &result).dwPacketNumber;
    EXPECT_NE(second, first);
    EXPECT_EQ(Read(0, &result).dwPacketNumber, second);
    ASSERT_TRUE(KnobPadAxis(pad, SDL_CONTROLLER_AXIS_RIGHTX, 1000));
    EXPECT_NE(Read(0, &result).dwPacketNumber, second);
}

TEST(XInput, UsersAreKeptWhileAttached) {
    int first = KnobPadAttachController();
    int second = KnobPadAttachController();
    ASSERT_EQ(first, 0);
    ASSERT_EQ(second, 1);
    DWORD result = 0;
    ASSERT_TRUE(KnobPadButton(second, SDL_CONTROLLER_BUTTON_B, true));
    EXPECT_EQ(Read(0, &result).Gamepad.wButtons, 0);
    EXPECT_EQ(Read(1, &result).Gamepad.wButtons, XINPUT_GAMEPAD_B);

    // The first one leaves: the second keeps user 1, user 0 is empty.
    ASSERT_TRUE(KnobPadDetach(first));
    Read(0, &result);
    EXPECT_EQ(result, static_cast<DWORD>(ERROR_DEVICE_NOT_CONNECTED));
    EXPECT_EQ(Read(1, &result).Gamepad.wButtons, XINPUT_GAMEPAD_B);
    EXPECT_EQ(result, static_cast<DWORD>(ERROR_SUCCESS));

    // A new one takes the free user 0.
    int third = KnobPadAttachController();
    ASSERT_GE(third, 0);
    ASSERT_TRUE(KnobPadButton(third, SDL_CONTROLLER_BUTTON_Y, true));
    EXPECT_EQ(Read(0, &result).Gamepad.wButtons, XINPUT_GAMEPAD_Y);
    EXPECT_EQ(Read(1, &result).Gamepad.wButtons, XINPUT_GAMEPAD_B);
}

TEST(XInput, OnlyFourUsers) {
    for (int i = 0; i < 5; ++i) ASSERT_EQ(KnobPadAttachController(), i);
    ASSERT_TRUE(KnobPadButton(4, SDL_CONTROLLER_BUTTON_A, true));
    DWORD result = 0;
    for (DWORD user = 0; user < 4; ++user) {
        EXPECT_EQ(Read(user, &result).Gamepad.wButtons, 0) << user;
        EXPECT_EQ(result, static_cast<DWORD>(ERROR_SUCCESS));
    }
    // The fifth gets user 0 once the first is gone.
    ASSERT_TRUE(KnobPadDetach(0));
    EXPECT_EQ(Read(0, &result).Gamepad.wButtons, XINPUT_GAMEPAD_A);
}

TEST(XInput, RumbleReachesTheDevice) {
    int pad = KnobPadAttachController();
    ASSERT_EQ(pad, 0);
    int low = -1, high = -1;
    EXPECT_FALSE(KnobPadLastRumble(pad, &low, &high));
    XINPUT_VIBRATION speeds{65535, 1234};
    ASSERT_EQ(XInputSetState(0, &speeds), static_cast<DWORD>(ERROR_SUCCESS));
    ASSERT_TRUE(KnobPadLastRumble(pad, &low, &high));
    EXPECT_EQ(low, 65535);
    EXPECT_EQ(high, 1234);
    speeds = {0, 0};
    ASSERT_EQ(XInputSetState(0, &speeds), static_cast<DWORD>(ERROR_SUCCESS));
    ASSERT_TRUE(KnobPadLastRumble(pad, &low, &high));
    EXPECT_EQ(low, 0);
    EXPECT_EQ(high, 0);

    XINPUT_CAPABILITIES caps{};
    ASSERT_EQ(XInputGetCapabilities(0, XINPUT_FLAG_GAMEPAD, &caps),
              static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(caps.Type, XINPUT_DEVTYPE_GAMEPAD);
    EXPECT_EQ(caps.Flags & XINPUT_CAPS_FFB_SUPPORTED, XINPUT_CAPS_FFB_SUPPORTED);
    EXPECT_EQ(caps.Vibration.wLeftMotorSpeed, 0xFFFF);
    EXPECT_EQ(caps.Gamepad.wButtons & XINPUT_GAMEPAD_A, XINPUT_GAMEPAD_A);
    EXPECT_EQ(caps.Gamepad.bLeftTrigger, 255);
}
