// WinMain on the recording fake: the start-up order, one pass's steps, the
// present at each scale, ESC and every way out.
#include <algorithm>
#include <cstdio>
#include <vector>

#include "fake_engine_test.h"
#include "shell/present.h"
#include "shell/scene_table.h"
#include "shell/scenes.h"
#include "shell/settings.h"
#include "shell/win_main.h"
#include "test_support.h"
#include "world/game_random.h"
#include "world/input_polling.h"
#include "world/music.h"
#include "world/test_observer.h"
#include "world/world_globals.h"

// Linked in place of the game's stand-in menu: counts its calls and answers
// what the test asks.
int menu_calls = 0;
int menu_result = 0;
int in_game_menu() {
    ++menu_calls;
    return menu_result;
}

namespace {

std::vector<test_event> events;

class Shell : public FakeEngineTest {
  protected:
    void SetUp() override {
        FakeEngineTest::SetUp();
        game_state = previous_state = frames_in_scene = 0;
        events.clear();
        std::fill(std::begin(keyboard_state), std::end(keyboard_state), key_state{});
        test_observer = [](const test_event& e) { events.push_back(e); };
    }
    void TearDown() override { test_observer = nullptr; }
};
using ShellDeathTest = Shell;

// The trace without colour values, from the last call starting with `from` on.
std::vector<std::string> trace_from(const std::string& from) {
    std::vector<std::string> t;
    for (const std::string& c : fake_engine::trace())
        if (c.rfind("MakeColorValue", 0) != 0) t.push_back(c);
    auto start = std::find_if(t.rbegin(), t.rend(), [&](auto& c) { return c.rfind(from, 0) == 0; });
    return {from.empty() ? t.begin() : std::prev(start.base()), t.end()};
}

TEST_F(Shell, StartsUpInOrderWithTheSettingsScale) {
    struct row {
        const char* name;
        const char* file;
        const char* window;
        const char* mode;
    } rows[] = {
        {"no file", nullptr, "ChangeWindowMode(1)", "SetScreenMode(800, 600, 32, 60)"},
        {"scale 1.5", "0\n0.5\n1\n1.5\n", "ChangeWindowMode(1)",
         "SetScreenMode(1200, 900, 32, 60)"},
        {"scale 0.4, full screen", "1\n0.5\n1\n0.4\n", "ChangeWindowMode(0)",
         "SetScreenMode(320, 240, 32, 60)"},
    };
    for (const row& r : rows) {
        std::remove(settings_file_name);
        if (r.file) testsupport::WriteFile(settings_file_name, r.file);
        fake_engine::reset();
        fake_engine::script("GetRandomInt", {11, 22, 33, 44});
        fake_engine::script("PumpWindowMessagesLocked", {-1});
        EXPECT_EQ(WinMain(nullptr, nullptr, nullptr, 0), 0) << r.name;
        const std::vector<std::string> expected = {
            "SetBackgroundColor(0, 0, 0)",
            r.window,
            "SetMainWindowText(Vessamire -prelude- ver 0.10)",
            "SetMouseCursorVisible(0)",
            r.mode,
            "SetLogOutput(0)",
            "InitializeEngineLocked()",
            "SetOnScreenLogFontSize(9)",
            "SetUseArchive(1)",
            "SetDefaultFontSize(9)",
            "GetRandomInt(2147483647)",
            "GetRandomInt(2147483647)",
            "GetRandomInt(2147483647)",
            "GetRandomInt(2147483647)",
            "CreateDrawableGraphic(800, 600, 1)",
            "SetArchiveKey(qorvintabelux)",
            "PumpWindowMessagesLocked()",
            "ShutdownEngineLocked()"};
        EXPECT_EQ(trace_from(""), expected) << r.name;
        EXPECT_EQ(game_random_state.x + game_random_state.y + game_random_state.z, 66u);
        EXPECT_EQ(game_random_state.w, 44u);
        EXPECT_EQ(testsupport::ReadFile(settings_file_name).substr(0, 3),
                  r.file ? std::string(r.file, 1) + "\r\n" : "0\r\n");
    }
    EXPECT_TRUE(events.empty());
}

TEST_F(Shell, AFailedEngineStartReturnsMinusOneAndWritesNothing) {
    fake_engine::script("InitializeEngineLocked", {-1});
    EXPECT_EQ(WinMain(nullptr, nullptr, nullptr, 0), -1);
    EXPECT_EQ(fake_engine::trace().back(), "InitializeEngineLocked()");
    EXPECT_EQ(testsupport::ReadFile(settings_file_name), "");
}

TEST_F(Shell, OnePassRunsItsStepsInOrderAndCountsFramesInTheScene) {
    current_music = 0;
    music_slot[0].handle = 5;
    fake_engine::script("PumpWindowMessagesLocked", {0, 0, 0, -1});
    EXPECT_EQ(WinMain(nullptr, nullptr, nullptr, 0), 0);
    // Pass 1 ran scene 0, which chose scene 1; passes 2 and 3 ran scene 1.
    ASSERT_EQ(events.size(), 3u);
    for (int p = 0; p < 3; ++p) {
        EXPECT_EQ(events[p].pass, p + 1);
        EXPECT_EQ(events[p].game_state, 1);
        EXPECT_EQ(events[p].frames_in_scene, p);
    }
    const std::vector<std::string> last_pass = {"SelectDrawTarget(67174400)",
                                                "DrawBoxShape(0, 0, 800, 600, 4282400832, 1)",
                                                "DrawFormattedText(8, 8, 4294967295, scene 1)",
                                                "CheckKeyDown(17)",
                                                "GetSoundPositionSamples(5)",
                                                "SetSoundVolume(127, 5)",
                                                "SetDefaultFontThickness(3)",
                                                "SetDefaultFontSize(10)",
                                                "GetMillisecondCounter()",
                                                "WaitMilliseconds(16)",
                                                "GetMillisecondCounter()",
                                                "DrawFormattedText(0, 590, 4294967295, fps:0.0)",
                                                "SelectDrawTarget(-2)",
                                                "SetBlendMode(0, 0)",
                                                "SetSamplingMode(0)",
                                                "DrawGraphicAt(0, 0, 67174400, 0)",
                                                "SetSamplingMode(0)",
                                                "FlipScreen()",
                                                "PumpWindowMessagesLocked()",
                                                "ShutdownEngineLocked()"};
    EXPECT_EQ(trace_from("SelectDrawTarget(67174400)"), last_pass);
    const std::string file = testsupport::ReadFile(settings_file_name);
    EXPECT_EQ(std::count(file.begin(), file.end(), '\n'), 21);
}

TEST_F(Shell, WForcesTheResultTallyAfterTheSceneRan) {
    fake_engine::set_key_state(0x11, 1);
    fake_engine::script("PumpWindowMessagesLocked", {0, 0, -1});
    WinMain(nullptr, nullptr, nullptr, 0);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].game_state, 8);
    EXPECT_EQ(events[0].frames_in_scene, 0);
    EXPECT_EQ(events[1].frames_in_scene, 1);
    EXPECT_NE(std::find(fake_engine::trace().begin(), fake_engine::trace().end(),
                        "DrawFormattedText(8, 8, 4294967295, scene 8)"),
              fake_engine::trace().end());
}

TEST_F(Shell, EscPressedThisFrameOpensTheMenuWhoseQuitEndsTheLoop) {
    fake_engine::set_key_state(0x01, 1);
    fake_engine::script("PumpWindowMessagesLocked", {0, 0, 0, -1});
    menu_calls = menu_result = 0;
    WinMain(nullptr, nullptr, nullptr, 0);
    EXPECT_EQ(menu_calls, 1);  // held counts 1, 2, 3: once
    EXPECT_EQ(events.size(), 3u);
    menu_calls = 0;
    menu_result = 1;
    events.clear();
    SetUp();
    fake_engine::set_key_state(0x01, 1);
    EXPECT_EQ(WinMain(nullptr, nullptr, nullptr, 0), 0);
    EXPECT_EQ(menu_calls, 1);
    EXPECT_EQ(events.size(), 1u);
    EXPECT_EQ(fake_engine::trace().back(), "ShutdownEngineLocked()");
}

TEST_F(Shell, ANegativeSceneResultEndsTheLoopBeforeTheFrameIsCounted) {
    const scene_function kept = scene_table[1];
    scene_table[1] = [] { return -1; };
    fake_engine::script("PumpWindowMessagesLocked", {0, 0, 0, -1});
    EXPECT_EQ(WinMain(nullptr, nullptr, nullptr, 0), 0);
    scene_table[1] = kept;
    EXPECT_EQ(events.size(), 1u);
    EXPECT_EQ(trace_from("CheckKeyDown(17)"),
              (std::vector<std::string>{"CheckKeyDown(17)", "ShutdownEngineLocked()"}));
}

TEST_F(Shell, PresentsUnscaledAtExactlyOneElseStretched) {
    struct row {
        double scale;
        bool menu;
        const char* draw;
    } rows[] = {
        {1.0, false, "DrawGraphicAt(0, 0, 7, 0)"},
        {1.0001, false, "DrawGraphicStretched(0, 0, 799, 599, 7, 0)"},
        {2.0, false, "DrawGraphicStretched(0, 0, 1599, 1199, 7, 0)"},
        {0.4, false, "DrawGraphicStretched(0, 0, 319, 239, 7, 0)"},
        {1.0, true, "DrawGraphicStretched(0, 0, 799, 599, 7, 0)"},
    };
    offscreen = 7;
    sampling_mode = 1;
    for (const row& r : rows) {
        fake_engine::reset();
        active_screen_scale = r.scale;
        present(r.menu);
        EXPECT_EQ(fake_engine::trace(),
                  (std::vector<std::string>{"SelectDrawTarget(-2)", "SetBlendMode(0, 0)",
                                            "SetSamplingMode(1)", r.draw, "SetSamplingMode(0)",
                                            "FlipScreen()"}))
            << r.scale;
    }
}

TEST_F(ShellDeathTest, AStateOutOfRangeEndsOnTheStopScreenWithoutSettings) {
    for (int state : {9, -1}) {
        fake_engine::set_key_state(0x01, 1);  // ESC leaves the STOP screen
        game_state = state;
        EXPECT_EXIT(WinMain(nullptr, nullptr, nullptr, 0), testing::ExitedWithCode(1),
                    "ShutdownEngineLocked")
            << state;
    }
    fake_engine::script("CreateDrawableGraphic", {-1});
    EXPECT_EXIT(WinMain(nullptr, nullptr, nullptr, 0), testing::ExitedWithCode(255),
                "off-screen graphic could not be made");
    EXPECT_EQ(testsupport::ReadFile(settings_file_name), "");
}

}  // namespace
