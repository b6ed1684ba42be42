// Keyboard and mouse through the window system's key state.
#include <thread>

#include "input_fixture.h"

using namespace inputtest;

TEST_F(InputTest, QueryBeforeStartStartsInputInstead) {
    ASSERT_TRUE(KnobWindowKey(g_window, SDL_SCANCODE_A, true));
    PumpDouble();
    EXPECT_EQ(DuRud::CheckKeyDown(0x1E), 0);  // the start-up's result, not the key
    Sleep(1);
    EXPECT_EQ(DuRud::CheckKeyDown(0x1E), 1);
}

// The key table itself: DirectInputPathTest.EveryTableKeyReadsTheSameCodeThroughBothPaths.
TEST_F(InputTest, OutOfRangeQueriesAreRefused) {
    ASSERT_EQ(DuRud::InitializeInput(), 0);
    EXPECT_EQ(DuRud::CheckKeyDown(256), 0);
    EXPECT_EQ(DuRud::CheckKeyDown(-1), 0);
    EXPECT_EQ(DuRud::GetAllKeyStates(nullptr), -1);
}

using InputThreads = InputTest;

TEST_F(InputThreads, OneReadPerMillisecondAndOnlyOnTheMainThread) {
    ASSERT_EQ(DuRud::InitializeInput(), 0);
    Key(SDL_SCANCODE_X, true);
    EXPECT_EQ(DuRud::CheckKeyDown(0x2D), 1);
    ASSERT_TRUE(KnobWindowKey(g_window, SDL_SCANCODE_X, false));
    PumpDouble();
    int pumps = g_pumps;
    EXPECT_EQ(DuRud::CheckKeyDown(0x2D), 1);  // same millisecond: not read again
    EXPECT_EQ(g_pumps, pumps);
    Sleep(1);
    int fromOtherThread = -1;
    std::thread([&] { fromOtherThread = DuRud::RefreshKeyboardState(0); }).join();
    EXPECT_EQ(fromOtherThread, 0);
    EXPECT_EQ(DuRud::CheckKeyDown(0x2D), 0);
    EXPECT_EQ(g_pumps, pumps + 1);
}

TEST_F(InputTest, ToggledLockKeysDoNotReadAsDown) {
    ASSERT_EQ(DuRud::InitializeInput(), 0);
    Key(SDL_SCANCODE_CAPSLOCK, true);
    Key(SDL_SCANCODE_CAPSLOCK, false);
    unsigned char keys[256];
    ASSERT_EQ(DuRud::GetAllKeyStates(keys), 0);
    EXPECT_EQ(DuRud::Input().keyState[0x3A], 0x01);  // toggled on, not down
    EXPECT_EQ(keys[0x3A], 0);
    EXPECT_EQ(DuRud::CheckKeyDown(0x3A), 0);
}

TEST_F(InputTest, AnyInputSkipsLockKeysAndSeesF10Flag) {
    ASSERT_EQ(DuRud::InitializeInput(), 0);
    Key(SDL_SCANCODE_CAPSLOCK, true);  // held
    EXPECT_EQ(DuRud::CheckAnyInput(1), 0);
    EXPECT_EQ(DuRud::HandleInputWindowMessage(WM_USER + 111, 1), 1);
    Sleep(1);
    EXPECT_EQ(DuRud::CheckAnyInput(1), 0x44);
    DuRud::HandleInputWindowMessage(WM_USER + 111, 0);
    Key(SDL_SCANCODE_S, true);
    EXPECT_EQ(DuRud::CheckAnyInput(1), 0x1F);
    EXPECT_EQ(DuRud::CheckAnyInput(4), 0);
    EXPECT_EQ(DuRud::HandleInputWindowMessage(WM_USER, 1), 0);

    HWND saved = g_window;
    g_window = nullptr;
    EXPECT_EQ(DuRud::CheckAnyInput(7), -1);  // no main window
    g_window = saved;
}

TEST_F(InputTest, MouseButtonsInsideTheClientArea) {
    ASSERT_EQ(DuRud::InitializeInput(), 0);
    ASSERT_TRUE(KnobWindowMouseButton(g_window, SDL_BUTTON_RIGHT, true, 10, 10));
    PumpDouble();
    Sleep(1);
    EXPECT_EQ(DuRud::GetMouseButtons(), 2);
    Sleep(1);
    EXPECT_EQ(DuRud::CheckAnyInput(4), -1);
    g_mouseX = 400;  // outside the client area
    Sleep(1);
    EXPECT_EQ(DuRud::CheckAnyInput(4), 0);
    g_mouseX = 10;
    ASSERT_TRUE(KnobWindowMouseButton(g_window, SDL_BUTTON_RIGHT, false, 10, 10));
    ASSERT_TRUE(KnobWindowMouseButton(g_window, SDL_BUTTON_MIDDLE, true, 10, 10));
    PumpDouble();
    Sleep(1);
    EXPECT_EQ(DuRud::GetMouseButtons(), 4);
}

TEST_F(InputTest, WindowModuleCallsReachTheInputModule) {
    const DuRud::WindowModuleCalls& calls = DuRud::WindowCalls();
    calls.SetKeyboardFlag(0, 1);
    EXPECT_EQ(DuRud::Input().f10Down, 1);
    calls.SetKeyboardFlag(1, 1);
    EXPECT_EQ(DuRud::Input().f10Down, 1);
    calls.SetKeyboardFlag(0, 0);
    EXPECT_EQ(DuRud::Input().f10Down, 0);
    // The engine's own main window does not exist here: nothing counts as down.
    EXPECT_EQ(calls.GetAnyInputBits(), 0);
    ASSERT_EQ(DuRud::InitializeInput(), 0);
    ASSERT_TRUE(KnobWindowKey(g_window, SDL_SCANCODE_D, true));
    PumpDouble();
    Sleep(1);
    EXPECT_EQ(calls.RefreshKeyboardState(), 1);
    EXPECT_EQ(DuRud::Input().keyState[0x20] & 0x80, 0x80);
}
