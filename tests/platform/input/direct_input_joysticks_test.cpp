// DirectInput 8 over test joysticks: the device list, ranges and dead zones,
// POVs and buttons, polling with its event, unplugging, and effects driving
// the rumble motors.
#include <cstring>

#include "direct_input_fixture.h"

using namespace ditest;

namespace {

constexpr DWORD kExclusiveForeground = DISCL_EXCLUSIVE | DISCL_FOREGROUND;

}  // namespace

TEST_F(DirectInputTest, ControllersServedByXInputCarryItsNameOthersTheirOwn) {
    int joystick = KnobPadAttach(3, 4, 1);
    int controller = KnobPadAttachController();
    ASSERT_EQ(joystick, 0);
    ASSERT_EQ(controller, 1);
    std::vector<DIDEVICEINSTANCEA> list = Controllers();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(std::strstr(list[0].tszInstanceName, "XBOX 360 For Windows"), nullptr);
    EXPECT_STREQ(list[0].tszInstanceName, "Test Pad");
    EXPECT_EQ(GET_DIDEVICE_TYPE(list[0].dwDevType), DI8DEVTYPE_JOYSTICK);
    EXPECT_NE(std::strstr(list[1].tszInstanceName, "XBOX 360 For Windows"), nullptr);
    EXPECT_EQ(GET_DIDEVICE_TYPE(list[1].dwDevType), DI8DEVTYPE_GAMEPAD);
    EXPECT_FALSE(list[0].guidInstance == list[1].guidInstance);

    IDirectInputDevice8A* device = nullptr;
    ASSERT_EQ(di->CreateDevice(list[1].guidInstance, &device, nullptr), DI_OK);
    release.push_back(device);
    DIDEVICEINSTANCEA info{};
    info.dwSize = sizeof info;
    ASSERT_EQ(device->GetDeviceInfo(&info), DI_OK);
    EXPECT_EQ(std::memcmp(&info, &list[1], sizeof info), 0);
    // A fifth controller is no XInput user.
    for (int i = 0; i < 4; ++i) ASSERT_GE(KnobPadAttachController(), 0);
    list = Controllers();
    ASSERT_EQ(list.size(), 6u);
    int named = 0;
    for (const auto& d : list) named += std::strstr(d.tszInstanceName, "XBOX 360") != nullptr;
    EXPECT_EQ(named, 4);
}

TEST_F(DirectInputTest, JoystickAxesInTheSetRangePovsAndButtons) {
    int pad = KnobPadAttach(3, 4, 1);
    ASSERT_EQ(pad, 0);
    std::vector<DIDEVICEINSTANCEA> list = Controllers();
    ASSERT_EQ(list.size(), 1u);
    IDirectInputDevice8A* joystick =
        Open(list[0].guidInstance, c_dfDIJoystick, kExclusiveForeground);
    ASSERT_NE(joystick, nullptr);
    for (DWORD offset : {DIJOFS_X, DIJOFS_Y}) {
        DIPROPRANGE range = Range(offset, -1000, 1000);
        ASSERT_EQ(joystick->SetProperty(DIPROP_RANGE, &range.diph), DI_OK);
    }
    DIPROPRANGE missing = Range(DIJOFS_RZ, -1000, 1000);  // only three axes
    EXPECT_EQ(joystick->SetProperty(DIPROP_RANGE, &missing.diph), DIERR_OBJECTNOTFOUND);
    DIPROPRANGE backwards = Range(DIJOFS_X, 10, -10);
    EXPECT_EQ(joystick->SetProperty(DIPROP_RANGE, &backwards.diph), DIERR_INVALIDPARAM);
    DIPROPDWORD deadZone = Dword(DIPH_BYOFFSET, DIJOFS_Y, 3499);
    ASSERT_EQ(joystick->SetProperty(DIPROP_DEADZONE, &deadZone.diph), DI_OK);
    DIPROPDWORD tooMuch = Dword(DIPH_BYOFFSET, DIJOFS_Y, 10001);
    EXPECT_EQ(joystick->SetProperty(DIPROP_DEADZONE, &tooMuch.diph), DIERR_INVALIDPARAM);
    DIPROPRANGE read = Range(DIJOFS_X, 0, 0);
    ASSERT_EQ(joystick->GetProperty(DIPROP_RANGE, &read.diph), DI_OK);
    EXPECT_EQ(read.lMin, -1000);
    EXPECT_EQ(read.lMax, 1000);

    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    EXPECT_EQ(joystick->SetEventNotification(event), DI_POLLEDDEVICE);
    ASSERT_EQ(joystick->Acquire(), DI_OK);
    ASSERT_TRUE(KnobPadAxis(pad, 0, -32768));
    ASSERT_TRUE(KnobPadAxis(pad, 1, 11468));  // inside the 35 % dead zone
    ASSERT_TRUE(KnobPadAxis(pad, 2, 32767));  // Z keeps the default range
    ASSERT_TRUE(KnobPadButton(pad, 1, true));
    ASSERT_TRUE(KnobPadButton(pad, 3, true));
    ASSERT_TRUE(KnobPadHat(pad, 0, SDL_HAT_RIGHTDOWN));
    EXPECT_EQ(WaitForSingleObject(event, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    ASSERT_EQ(joystick->Poll(), DI_OK);
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
    DIJOYSTATE state;
    std::memset(&state, 0x55, sizeof state);
    ASSERT_EQ(joystick->GetDeviceState(sizeof state, &state), DI_OK);
    EXPECT_EQ(state.lX, -1000);
    EXPECT_EQ(state.lY, 0);
    EXPECT_EQ(state.lZ, 65535);
    EXPECT_EQ(state.lRx, 0);  // no such axis
    EXPECT_EQ(state.rgdwPOV[0], 13500u);
    EXPECT_EQ(state.rgdwPOV[1], 0xFFFFFFFFu);
    const BYTE buttons[6] = {0, 0x80, 0, 0x80, 0, 0};
    EXPECT_EQ(std::memcmp(state.rgbButtons, buttons, 6), 0);
    ResetEvent(event);
    ASSERT_EQ(joystick->Poll(), DI_OK);  // nothing changed
    EXPECT_EQ(WaitForSingleObject(event, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    // Outside the dead zone, the rest of the way is scaled onto the range.
    ASSERT_TRUE(KnobPadAxis(pad, 1, 32767));
    ASSERT_EQ(joystick->GetDeviceState(sizeof state, &state), DI_OK);
    EXPECT_EQ(state.lY, 1000);
    ASSERT_TRUE(KnobPadAxis(pad, 1, -22118));  // halfway between dead zone and end
    ASSERT_EQ(joystick->GetDeviceState(sizeof state, &state), DI_OK);
    EXPECT_NEAR(state.lY, -500, 1);
    EXPECT_EQ(joystick->GetDeviceState(sizeof(DIMOUSESTATE2), &state), DIERR_INVALIDPARAM);

    // Unplugged: the input is lost, and it cannot be acquired again.
    ASSERT_TRUE(KnobPadDetach(pad));
    EXPECT_EQ(joystick->Poll(), DIERR_INPUTLOST);
    EXPECT_EQ(joystick->GetDeviceState(sizeof state, &state), DIERR_INPUTLOST);
    EXPECT_EQ(joystick->Acquire(), DIERR_UNPLUGGED);
    EXPECT_EQ(di->CreateDevice(list[0].guidInstance, &joystick, nullptr), DIERR_DEVICENOTREG);
    CloseHandle(event);
}

TEST_F(DirectInputTest, PadPluggedBackIsTheSameDeviceAndReadsAgain) {
    int pad = KnobPadAttach(2, 4, 0);
    ASSERT_EQ(pad, 0);
    std::vector<DIDEVICEINSTANCEA> list = Controllers();
    ASSERT_EQ(list.size(), 1u);
    const GUID first = list[0].guidInstance;
    IDirectInputDevice8A* joystick =
        Open(first, c_dfDIJoystick, DISCL_NONEXCLUSIVE | DISCL_BACKGROUND);
    ASSERT_NE(joystick, nullptr);
    ASSERT_EQ(joystick->Acquire(), DI_OK);
    ASSERT_TRUE(KnobPadButton(pad, 0, true));
    DIJOYSTATE state{};
    ASSERT_EQ(joystick->GetDeviceState(sizeof state, &state), DI_OK);
    EXPECT_EQ(state.rgbButtons[0], 0x80);
    ASSERT_TRUE(KnobPadDetach(pad));
    EXPECT_EQ(joystick->GetDeviceState(sizeof state, &state), DIERR_INPUTLOST);
    pad = KnobPadAttach(2, 4, 0);
    ASSERT_EQ(pad, 0);
    list = Controllers();
    ASSERT_EQ(list.size(), 1u);
    EXPECT_TRUE(first == list[0].guidInstance);
    ASSERT_EQ(joystick->Acquire(), DI_OK) << "the same device again";
    ASSERT_TRUE(KnobPadButton(pad, 2, true));
    ASSERT_EQ(joystick->GetDeviceState(sizeof state, &state), DI_OK);
    EXPECT_EQ(state.rgbButtons[0], 0) << "the held button of the old plug is gone";
    EXPECT_EQ(state.rgbButtons[2], 0x80);
}

TEST_F(DirectInputTest, ExclusiveJoystickIsOneProgramsAndFollowsTheFocus) {
    ASSERT_EQ(KnobPadAttach(2, 2, 0), 0);
    GUID guid = Controllers().at(0).guidInstance;
    IDirectInputDevice8A* first = Open(guid, c_dfDIJoystick, kExclusiveForeground);
    IDirectInputDevice8A* second = Open(guid, c_dfDIJoystick, kExclusiveForeground);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    ASSERT_EQ(first->Acquire(), DI_OK);
    EXPECT_EQ(second->Acquire(), DIERR_OTHERAPPHASPRIO);
    ASSERT_TRUE(KnobWindowEvent(window, KnobWindowEventKind::FocusLost));
    Pump();
    DIJOYSTATE state;
    EXPECT_EQ(first->GetDeviceState(sizeof state, &state), DIERR_INPUTLOST);
    EXPECT_EQ(first->Acquire(), DIERR_OTHERAPPHASPRIO);
    EXPECT_EQ(first->Unacquire(), DI_NOEFFECT);
    EXPECT_EQ(first->GetDeviceState(sizeof state, &state), DIERR_NOTACQUIRED);
}

TEST_F(DirectInputTest, EffectsDriveTheMotorsOfTheJoystick) {
    int pad = KnobPadAttach(2, 2, 0);
    ASSERT_EQ(pad, 0);
    std::vector<DIDEVICEINSTANCEA> list = Controllers();
    ASSERT_EQ(list.size(), 1u);
    IDirectInputDevice8A* joystick =
        Open(list[0].guidInstance, c_dfDIJoystick, kExclusiveForeground);
    ASSERT_NE(joystick, nullptr);

    DWORD axes[2] = {DIJOFS_X, DIJOFS_Y};
    LONG direction[2] = {0, 0};
    DICONSTANTFORCE constant{5000};
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
    IDirectInputEffect* low = nullptr;
    ASSERT_EQ(joystick->CreateEffect(GUID_ConstantForce, &effect, &low, nullptr), DI_OK);
    release.push_back(low);
    DIPERIODIC periodic{10000, 0, 0, 1500000};
    DIENVELOPE envelope{sizeof(DIENVELOPE), 0, 500000, 0, 1000000};
    effect.dwFlags = DIEFF_POLAR | DIEFF_OBJECTOFFSETS;
    effect.lpEnvelope = &envelope;
    effect.cbTypeSpecificParams = sizeof periodic;
    effect.lpvTypeSpecificParams = &periodic;
    IDirectInputEffect* high = nullptr;
    ASSERT_EQ(joystick->CreateEffect(GUID_Sine, &effect, &high, nullptr), DI_OK);
    release.push_back(high);

    EXPECT_EQ(low->Start(1, 0), DIERR_NOTEXCLUSIVEACQUIRED);
    ASSERT_EQ(joystick->Acquire(), DI_OK);
    EXPECT_EQ(Rumble(pad), Speeds(-1, -1));
    ASSERT_EQ(low->Start(1, 0), DI_OK);
    EXPECT_EQ(Rumble(pad), Speeds(32767, 0));  // 5000 of 10000
    DWORD status = 0;
    ASSERT_EQ(low->GetEffectStatus(&status), DI_OK);
    EXPECT_EQ(status, static_cast<DWORD>(DIEGES_PLAYING));
    ASSERT_EQ(high->Start(1, 0), DI_OK);
    EXPECT_EQ(Rumble(pad), Speeds(32767, 65535));
    constant.lMagnitude = -10000;  // the sign is a direction; the motor runs at full
    ASSERT_EQ(low->SetParameters(&effect, 0), DI_OK);
    DIEFFECT magnitude{};
    magnitude.dwSize = sizeof magnitude;
    magnitude.cbTypeSpecificParams = sizeof constant;
    magnitude.lpvTypeSpecificParams = &constant;
    ASSERT_EQ(low->SetParameters(&magnitude, DIEP_TYPESPECIFICPARAMS | DIEP_START), DI_OK);
    EXPECT_EQ(Rumble(pad), Speeds(65535, 65535));
    ASSERT_EQ(low->Stop(), DI_OK);
    EXPECT_EQ(Rumble(pad), Speeds(0, 65535));
    // Unacquiring stops every effect.
    ASSERT_EQ(joystick->Unacquire(), DI_OK);
    EXPECT_EQ(Rumble(pad), Speeds(0, 0));
    ASSERT_EQ(high->GetEffectStatus(&status), DI_OK);
    EXPECT_EQ(status, 0u);
}

TEST_F(DirectInputTest, EffectArgumentsAreCheckedAndMotorlessPadsHaveNone) {
    int pad = KnobPadAttach(2, 2, 0, false);
    ASSERT_EQ(pad, 0);
    IDirectInputDevice8A* still =
        Open(Controllers().at(0).guidInstance, c_dfDIJoystick, kExclusiveForeground);
    ASSERT_NE(still, nullptr);
    IDirectInputEffect* effect = reinterpret_cast<IDirectInputEffect*>(1);
    EXPECT_EQ(still->CreateEffect(GUID_ConstantForce, nullptr, &effect, nullptr),
              DIERR_UNSUPPORTED);
    EXPECT_EQ(effect, nullptr);
    DIDEVCAPS caps{};
    caps.dwSize = sizeof caps;
    ASSERT_EQ(still->GetCapabilities(&caps), DI_OK);
    EXPECT_EQ(caps.dwFlags & DIDC_FORCEFEEDBACK, 0u);

    ASSERT_EQ(KnobPadAttach(2, 2, 0), 1);
    IDirectInputDevice8A* rumbling =
        Open(Controllers().at(1).guidInstance, c_dfDIJoystick, kExclusiveForeground);
    ASSERT_NE(rumbling, nullptr);
    EXPECT_EQ(rumbling->CreateEffect(GUID_ConstantForce, nullptr, nullptr, nullptr),
              DIERR_INVALIDPARAM);
    EXPECT_EQ(rumbling->CreateEffect(GUID_Spring, nullptr, &effect, nullptr), DIERR_UNSUPPORTED);
    ASSERT_EQ(rumbling->CreateEffect(GUID_ConstantForce, nullptr, &effect, nullptr), DI_OK);
    release.push_back(effect);
    ASSERT_EQ(rumbling->Acquire(), DI_OK);
    EXPECT_EQ(effect->Start(1, 0), DIERR_INCOMPLETEEFFECT);
    EXPECT_EQ(effect->SetParameters(nullptr, DIEP_ALLPARAMS), DIERR_INVALIDPARAM);
    DIEFFECT p{};
    p.dwSize = 12;
    EXPECT_EQ(effect->SetParameters(&p, DIEP_GAIN), DIERR_INVALIDPARAM);
    p.dwSize = sizeof p;
    p.dwGain = 10001;
    EXPECT_EQ(effect->SetParameters(&p, DIEP_GAIN), DIERR_INVALIDPARAM);
    EXPECT_EQ(effect->SetParameters(&p, 0x800), DIERR_INVALIDPARAM);
    EXPECT_EQ(effect->SetParameters(&p, DIEP_AXES), DIERR_INVALIDPARAM);  // no axes
    DIPERIODIC wrongKind{};
    p.cbTypeSpecificParams = sizeof wrongKind;
    p.lpvTypeSpecificParams = &wrongKind;
    EXPECT_EQ(effect->SetParameters(&p, DIEP_TYPESPECIFICPARAMS), DIERR_INVALIDPARAM);
    DICONSTANTFORCE huge{50000};
    p.cbTypeSpecificParams = sizeof huge;
    p.lpvTypeSpecificParams = &huge;
    EXPECT_EQ(effect->SetParameters(&p, DIEP_TYPESPECIFICPARAMS), DI_TRUNCATED);
    EXPECT_EQ(effect->Start(0, 0), DIERR_INVALIDPARAM);
    EXPECT_EQ(effect->Start(1, 0x4), DIERR_INVALIDPARAM);
    ASSERT_EQ(effect->Start(1, 0), DI_OK);
    EXPECT_EQ(Rumble(1).first, 65535);
    GUID type{};
    EXPECT_EQ(effect->GetEffectGuid(&type), DI_OK);
    EXPECT_TRUE(type == GUID_ConstantForce);
    EXPECT_EQ(effect->GetEffectStatus(nullptr), DIERR_INVALIDPARAM);
    // Releasing a playing effect stops its motor.
    release.pop_back();
    effect->Release();
    EXPECT_EQ(Rumble(1).first, 0);
}
