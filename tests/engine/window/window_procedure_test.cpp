// What the window procedure makes of activation in full screen, desktop
// changes and the mode-switch requests (Alt+Enter, maximise).
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include <windows.h>

#include "DuRud.h"
#include "core/engine_lifecycle.h"
#include "core/text_literals.h"
#include "input/input_state.h"
#include "support/test_support.h"
#include "test_knobs.h"
#include "window/main_window.h"
#include "window_fakes.h"

using namespace DuRud;
using windowtest::DisplayModeCalls;
using windowtest::RecordingWindowCalls;
using windowtest::StartWindowedEngine;

namespace {

using Trace = std::vector<std::string>;

HWND MainWindow() {
    return static_cast<HWND>(GetMainWindowHandle());
}

int Count(const std::string& text, const char* utf8) {
    const std::string needle = Cp932Text(utf8);
    int count = 0;
    for (size_t at = text.find(needle); at != std::string::npos;
         at = text.find(needle, at + needle.size())) {
        ++count;
    }
    return count;
}

// Pumps until the program must end; false when it does not within the bound.
bool PumpsToTheEnd() {
    for (int turn = 0; turn < 50; ++turn) {
        if (PumpWindowMessages() != 0) return true;
    }
    return false;
}

int StartFullScreenEngine() {
    SetEngineSkipFlags(0, 1, 1, 1);
    ChangeWindowMode(FALSE);
    return InitializeEngineLocked();
}

TEST(FullScreenActivationTest, LeavingWithTheDefaultReloadPausesAndComesBack) {
    RecordingWindowCalls calls;
    calls.hasDirectDrawWindow = 1;
    DisplayModeCalls modes({{640, 480, 16, 60}});
    ASSERT_EQ(0, StartFullScreenEngine());
    ASSERT_EQ(0, GetWindowModeFlag());
    calls.Take();
    SendMessageA(MainWindow(), WM_ACTIVATE, WA_INACTIVE, 0);
    EXPECT_EQ(0, GetWindowActiveFlag());
    EXPECT_EQ(0, GetClosingFlag()) << "Alt+Tab out of full screen must not end the game";
    EXPECT_TRUE(IsIconic(MainWindow()));
    EXPECT_EQ((Trace{"ReleaseDeviceResources", "PauseAllMovies", "PauseAllSounds(1)",
                     "PauseSoftSoundPlayers(1)", "ReacquireInputDevices"}),
              calls.Take());
    SendMessageA(MainWindow(), WM_ACTIVATE, WA_ACTIVE, 0);
    EXPECT_EQ(1, GetWindowActiveFlag());
    EXPECT_EQ((Trace{"RestartDevice", "ResumeAllMovies", "PauseAllSounds(0)",
                     "PauseSoftSoundPlayers(0)", "ReacquireInputDevices"}),
              calls.Take());
    EXPECT_EQ(0, ShutdownEngineLocked());
}

TEST(FullScreenActivationTest, LeavingWithoutARestoreCallbackClosesOnce) {
    RecordingWindowCalls calls;
    calls.hasDirectDrawWindow = 1;
    calls.hasRestoreCallback = 0;
    DisplayModeCalls modes({{640, 480, 16, 60}});
    ASSERT_EQ(0, StartFullScreenEngine());
    calls.Take();
    SendMessageA(MainWindow(), WM_ACTIVATE, WA_INACTIVE, 0);
    EXPECT_EQ(1, GetClosingFlag());
    EXPECT_EQ((Trace{"ReleaseDeviceResources"}), calls.Take()) << "nothing paused: it ends";
    EXPECT_TRUE(PumpsToTheEnd());
    const std::string log = testsupport::ReadFile("Log.txt");
    EXPECT_EQ(1, Count(log, "復元関数が登録されていないため終了します"));
    EXPECT_EQ(1, Count(log, "ウインドウを閉じようとしています"));
    EXPECT_EQ(0, ShutdownEngineLocked());
}

struct DesktopChange {
    const char* name;
    int bits;   // 0: the desktop's own
    int width;  // 0: the desktop's own
    bool closes;
};

class DisplayChangeTest : public ::testing::TestWithParam<DesktopChange> {};

TEST_P(DisplayChangeTest, WindowModeEndsOnlyWhenTheDesktopCannotShowIt) {
    const DesktopChange change = GetParam();
    RecordingWindowCalls calls;
    ASSERT_EQ(0, StartWindowedEngine());
    int width = 0, height = 0, bits = 0;
    GetDesktopDisplayInfo(&width, &height, &bits);
    ASSERT_GT(width, 800);
    calls.Take();
    const WPARAM newBits = change.bits ? change.bits : bits;
    const LPARAM newSize = MAKELPARAM(change.width ? change.width : width, height);
    // Twice: the engine posts its WM_CLOSE once only.
    SendMessageA(MainWindow(), WM_DISPLAYCHANGE, newBits, newSize);
    SendMessageA(MainWindow(), WM_DISPLAYCHANGE, newBits, newSize);
    EXPECT_EQ(change.closes ? 1 : 0, GetClosingFlag());
    if (change.closes) {
        EXPECT_TRUE(PumpsToTheEnd());
        const std::string log = testsupport::ReadFile("Log.txt");
        EXPECT_EQ(
            2, Count(log,
                     "またはスクリーンが小さすぎるためか色ビット数の違いが大きいためか終了します"));
        EXPECT_EQ(1, Count(log, "ウインドウを閉じようとしています"));
    } else {
        for (int i = 0; i < 5; ++i) EXPECT_EQ(0, PumpWindowMessages());
        const Trace trace = calls.Take();
        const bool same = change.bits == 0 && change.width == 0;
        EXPECT_EQ(same ? 0 : 1, std::count(trace.begin(), trace.end(), "ResumeAllMovies"))
            << "the second, identical change is nothing new";
    }
    EXPECT_EQ(0, ShutdownEngineLocked());
}

INSTANTIATE_TEST_SUITE_P(Changes, DisplayChangeTest,
                         ::testing::Values(DesktopChange{"Unchanged", 0, 0, false},
                                           DesktopChange{"SixteenBits", 16, 0, false},
                                           DesktopChange{"NarrowerButLargeEnough", 0, 800, false},
                                           DesktopChange{"TwentyFourBits", 24, 0, true},
                                           DesktopChange{"EightBits", 8, 0, true},
                                           DesktopChange{"SmallerThanTheScreen", 0, 600, true}),
                         [](const ::testing::TestParamInfo<DesktopChange>& info) {
                             return std::string(info.param.name);
                         });

TEST(KeyboardFlagMessageTest, FlagsFollowTheWParam) {
    ASSERT_EQ(0, StartWindowedEngine());
    struct Row {
        UINT message;
        WPARAM wParam;
        int32_t f10Down, secondFlag;
    };
    for (const Row& r :
         {Row{WM_USER + 111, 1, 1, 0}, Row{WM_USER + 111, 0, 0, 0}, Row{WM_USER + 112, 1, 0, 1},
          Row{WM_USER + 111, 2, 0, 1}, Row{WM_USER + 112, 0, 0, 0}}) {
        SendMessageA(MainWindow(), r.message, r.wParam, 0);
        EXPECT_EQ(r.f10Down, Input().f10Down) << r.message << " " << r.wParam;
        EXPECT_EQ(r.secondFlag, Input().secondFlag) << r.message << " " << r.wParam;
    }
    EXPECT_EQ(0, ShutdownEngineLocked());
}

TEST(ModeSwitchRequestTest, AltEnterAndMaximiseSwitchOnTheNextPump) {
    RecordingWindowCalls calls;
    DisplayModeCalls modes({{640, 480, 32, 60}});
    SetWindowModeChangeAllowed(1);
    ASSERT_EQ(0, StartWindowedEngine());
    for (int i = 0; i < 10; ++i) PumpWindowMessages();
    calls.Take();
    EXPECT_EQ(0, SendMessageA(MainWindow(), WM_SYSCHAR, '\r', 1 << 29));
    EXPECT_EQ(1, GetWindowModeFlag()) << "the switch waits for the pump";
    EXPECT_EQ(0, PumpWindowMessages());
    EXPECT_EQ(0, GetWindowModeFlag());
    const Trace trace = calls.Take();
    EXPECT_NE(trace.end(),
              std::find(trace.begin(), trace.end(), "ChangeScreenMode(-1,-1,-1,1,-1)"));
    // Back to window mode the same way.
    SendMessageA(MainWindow(), WM_SYSCHAR, '\r', 1 << 29);
    EXPECT_EQ(0, PumpWindowMessages());
    EXPECT_EQ(1, GetWindowModeFlag());
    // Maximising a window asks for full screen too.
    ASSERT_TRUE(KnobWindowEvent(MainWindow(), KnobWindowEventKind::Maximise));
    for (int i = 0; i < 5 && GetWindowModeFlag() == 1; ++i) PumpWindowMessages();
    EXPECT_EQ(0, GetWindowModeFlag());
    EXPECT_EQ(0, ShutdownEngineLocked());
}

TEST(ModeSwitchRequestTest, WithoutPermissionAltEnterChangesNothing) {
    DisplayModeCalls modes({{640, 480, 32, 60}});
    ASSERT_EQ(0, StartWindowedEngine());
    SendMessageA(MainWindow(), WM_SYSCHAR, '\r', 1 << 29);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(0, PumpWindowMessages());
    EXPECT_EQ(1, GetWindowModeFlag());
    EXPECT_EQ(0, ShutdownEngineLocked());
}

}  // namespace
