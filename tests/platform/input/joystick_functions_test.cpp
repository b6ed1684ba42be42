// The winmm joystick functions read test pads (SDL virtual joysticks).
#include <SDL.h>
#include <gtest/gtest.h>
#include <windows.h>

#include "test_knobs.h"

namespace {

JOYINFOEX ReadPad(UINT id, UINT* result) {
    JOYINFOEX info{};
    info.dwSize = sizeof(info);
    info.dwFlags = JOY_RETURNALL;
    *result = joyGetPosEx(id, &info);
    return info;
}

}  // namespace

TEST(JoystickFunctions, BadArgumentsAndMissingPadsFailCleanly) {
    JOYCAPSA caps{};
    EXPECT_EQ(joyGetDevCapsA(0, &caps, sizeof(caps)), static_cast<UINT>(JOYERR_PARMS));
    EXPECT_EQ(joyGetDevCapsA(0, nullptr, sizeof(caps)), static_cast<UINT>(MMSYSERR_INVALPARAM));
    EXPECT_EQ(joyGetDevCapsA(0, &caps, 10), static_cast<UINT>(MMSYSERR_INVALPARAM));
    EXPECT_EQ(joyGetDevCapsA(16, &caps, sizeof(caps)), static_cast<UINT>(MMSYSERR_BADDEVICEID));
    UINT result = 0;
    ReadPad(0, &result);
    EXPECT_EQ(result, static_cast<UINT>(JOYERR_UNPLUGGED));
    ReadPad(0xFFFFFFFFu, &result);
    EXPECT_EQ(result, static_cast<UINT>(JOYERR_PARMS));
    JOYINFOEX wrongSize{};
    wrongSize.dwSize = 40;
    EXPECT_EQ(joyGetPosEx(0, &wrongSize), static_cast<UINT>(MMSYSERR_INVALPARAM));
    EXPECT_EQ(joyGetPosEx(0, nullptr), static_cast<UINT>(MMSYSERR_INVALPARAM));
    EXPECT_EQ(joyGetNumDevs(), 16u);
}

TEST(JoystickFunctions, PadReadsUnsignedAxesButtonsAndPov) {
    int pad = KnobPadAttach(4, 6, 1);
    ASSERT_EQ(pad, 0);
    JOYCAPSA caps{};
    ASSERT_EQ(joyGetDevCapsA(0, &caps, sizeof(caps)), static_cast<UINT>(JOYERR_NOERROR));
    EXPECT_EQ(caps.wNumButtons, 6u);
    EXPECT_EQ(caps.wNumAxes, 4u);
    EXPECT_EQ(caps.wCaps & (JOYCAPS_HASZ | JOYCAPS_HASR | JOYCAPS_HASU | JOYCAPS_HASPOV),
              static_cast<UINT>(JOYCAPS_HASZ | JOYCAPS_HASR | JOYCAPS_HASPOV));
    EXPECT_EQ(joyGetDevCapsA(1, &caps, sizeof(caps)), static_cast<UINT>(JOYERR_PARMS));

    ASSERT_TRUE(KnobPadAxis(pad, 0, -32768));
    ASSERT_TRUE(KnobPadAxis(pad, 1, 32767));
    ASSERT_TRUE(KnobPadAxis(pad, 2, 0));
    ASSERT_TRUE(KnobPadButton(pad, 2, true));
    ASSERT_TRUE(KnobPadButton(pad, 5, true));
    ASSERT_TRUE(KnobPadHat(pad, 0, SDL_HAT_RIGHTUP));
    UINT result = 1;
    JOYINFOEX info = ReadPad(0, &result);
    ASSERT_EQ(result, static_cast<UINT>(JOYERR_NOERROR));
    EXPECT_EQ(info.dwXpos, 0u);
    EXPECT_EQ(info.dwYpos, 65535u);
    EXPECT_EQ(info.dwZpos, 32768u);
    EXPECT_EQ(info.dwUpos, 32767u);  // absent axis: centre
    EXPECT_EQ(info.dwButtons, 0x24u);
    EXPECT_EQ(info.dwButtonNumber, 2u);
    EXPECT_EQ(info.dwPOV, 4500u);

    ASSERT_TRUE(KnobPadHat(pad, 0, SDL_HAT_CENTERED));
    info = ReadPad(0, &result);
    EXPECT_EQ(info.dwPOV, static_cast<DWORD>(JOY_POVCENTERED));

    EXPECT_FALSE(KnobPadAxis(pad, 9, 0));
    EXPECT_FALSE(KnobPadAxis(3, 0, 0));
    ASSERT_TRUE(KnobPadDetach(pad));
    ReadPad(0, &result);
    EXPECT_EQ(result, static_cast<UINT>(JOYERR_UNPLUGGED));
    EXPECT_FALSE(KnobPadDetach(pad));
}
