// WinMain on the recording fake: the start-up order, one pass's steps, the
// present at each scale, ESC and every way out.
#include <algorithm>
#include <cstdio>

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

// Linked in place of the game's stand-in menu: counts calls, answers as asked.
int menu_calls = 0;
int menu_result = 0;
int in_game_menu() {
    ++menu_calls;
    return menu_result;
}

namespace {

// The scenes of these tests: each draws a grey frame naming itself.
template <int N>
int stand_in_scene() {
    DuRud::DrawBoxShape(0, 0, 800, 600, DuRud::MakeColorValue(64, 64, 64), 1);
    DuRud::DrawFormattedText(8, 8, DuRud::MakeColorValue(255, 255, 255), "scene %d", N);
    return 0;
}

std::string events;  // "pass:state:frames " per pass event

class Shell : public FakeEngineTest {
  protected:
    void SetUp() override {
        FakeEngineTest::SetUp();
        game_state = previous_state = frames_in_scene = menu_calls = 0;
        events.clear();
        std::fill(std::begin(keyboard_state), std::end(keyboard_state), key_state{});
        test_observer = [](const test_event& e) {
            events += std::to_string(e.pass) + ":" + std::to_string(e.game_state) + ":" +
                      std::to_string(e.frames_in_scene) + " ";
        };
        // Stand-in scenes: the list loader moves straight to scene 1, the
        // others name themselves.
        std::copy(std::begin(scene_table), std::end(scene_table), kept);
        scene_table[0] = [] {
            game_state = 1;
            return 0;
        };
        const scene_function stand_ins[] = {stand_in_scene<1>, stand_in_scene<2>, stand_in_scene<3>,
                                            stand_in_scene<4>, stand_in_scene<5>, stand_in_scene<6>,
                                            stand_in_scene<7>, stand_in_scene<8>};
        std::copy(std::begin(stand_ins), std::end(stand_ins), scene_table + 1);
    }
    void TearDown() override {
        test_observer = nullptr;
        std::copy(std::begin(kept), std::end(kept), scene_table);
    }
    scene_function kept[scene_count];
    int run() { return WinMain(nullptr, nullptr, nullptr, 0); }
};
using ShellDeathTest = Shell;

// The trace without colour values from the last call starting with `from`,
// one call per line.
std::string trace_from(const std::string& from) {
    std::string t;
    for (const std::string& c : fake_engine::trace()) {
        if (c.rfind("MakeColorValue", 0) != 0) t += c + "\n";
    }
    const std::size_t at = from.empty() ? 0 : t.rfind("\n" + from) + 1;
    return t.substr(at);
}

TEST_F(Shell, StartsUpInOrderWithTheSettingsScale) {
    const struct {
        const char *file, *window, *mode;
    } rows[] = {
        {"-", "ChangeWindowMode(1)", "SetScreenMode(800, 600, 32, 60)"},
        {"0\n0.5\n1\n1.5\n", "ChangeWindowMode(1)", "SetScreenMode(1200, 900, 32, 60)"},
        {"1\n0.5\n1\n0.4\n", "ChangeWindowMode(0)", "SetScreenMode(320, 240, 32, 60)"},
    };
    for (const auto& r : rows) {
        if (r.file[0] != '-') testsupport::WriteFile(settings_file_name, r.file);
        fake_engine::reset();
        fake_engine::script("GetRandomInt", {11, 22, 33, 44});
        fake_engine::script("PumpWindowMessagesLocked", {-1});
        EXPECT_EQ(run(), 0);
        EXPECT_EQ(
            trace_from(""),
            "SetBackgroundColor(0, 0, 0)\n" + std::string(r.window) +
                "\nSetMainWindowText(Vessamire -prelude- ver 0.10)\nSetMouseCursorVisible(0)\n" +
                r.mode +
                "\nSetLogOutput(0)\nInitializeEngineLocked()\nSetOnScreenLogFontSize(9)\n"
                "SetUseArchive(1)\nSetDefaultFontSize(9)\nGetRandomInt(2147483647)\n"
                "GetRandomInt(2147483647)\nGetRandomInt(2147483647)\nGetRandomInt(2147483647)\n"
                "CreateDrawableGraphic(800, 600, 1)\nSetArchiveKey(qorvintabelux)\n"
                "PumpWindowMessagesLocked()\nShutdownEngineLocked()\n")
            << r.mode;
        EXPECT_EQ(game_random_state.x * 1000 + game_random_state.w, 11044u);
        EXPECT_EQ(testsupport::ReadFile(settings_file_name)[0], r.window[17] == '1' ? '0' : '1');
    }
    EXPECT_EQ(events, "");
    fake_engine::reset();
    std::remove(settings_file_name);
    fake_engine::script("InitializeEngineLocked", {-1});
    EXPECT_EQ(run(), -1);
    EXPECT_EQ(fake_engine::trace().back(), "InitializeEngineLocked()");
    EXPECT_EQ(testsupport::ReadFile(settings_file_name), "");
}

TEST_F(Shell, OnePassRunsItsStepsInOrderAndCountsFramesInTheScene) {
    current_music = 0;
    music_slot[0].handle = 5;
    fake_engine::script("PumpWindowMessagesLocked", {0, 0, 0, -1});
    EXPECT_EQ(run(), 0);
    // Pass 1 ran scene 0, which chose scene 1; passes 2 and 3 ran scene 1.
    EXPECT_EQ(events, "1:1:0 2:1:1 3:1:2 ");
    EXPECT_EQ(trace_from("SelectDrawTarget(67174400)"),
              "SelectDrawTarget(67174400)\nDrawBoxShape(0, 0, 800, 600, 4282400832, 1)\n"
              "DrawFormattedText(8, 8, 4294967295, scene 1)\nCheckKeyDown(17)\n"
              "GetSoundPositionSamples(5)\nSetSoundVolume(127, 5)\nSetDefaultFontThickness(3)\n"
              "SetDefaultFontSize(10)\nGetMillisecondCounter()\nWaitMilliseconds(16)\n"
              "GetMillisecondCounter()\nDrawFormattedText(0, 590, 4294967295, fps:0.0)\n"
              "SelectDrawTarget(-2)\nSetBlendMode(0, 0)\nSetSamplingMode(0)\n"
              "DrawGraphicAt(0, 0, 67174400, 0)\nSetSamplingMode(0)\nFlipScreen()\n"
              "PumpWindowMessagesLocked()\nShutdownEngineLocked()\n");
    const std::string file = testsupport::ReadFile(settings_file_name);
    EXPECT_EQ(std::count(file.begin(), file.end(), '\n'), 21);
}

TEST_F(Shell, WForcesTheResultTallyAfterTheSceneRanAndANegativeResultEndsTheLoop) {
    fake_engine::set_key_state(0x11, 1);
    fake_engine::script("PumpWindowMessagesLocked", {0, 0, -1});
    run();
    EXPECT_EQ(events, "1:8:0 2:8:1 ");
    EXPECT_EQ(trace_from("DrawFormattedText(8").substr(0, 45),
              "DrawFormattedText(8, 8, 4294967295, scene 8)\n");
    SetUp();
    const scene_function kept = scene_table[1];
    scene_table[1] = [] { return -1; };
    EXPECT_EQ(run(), 0);
    scene_table[1] = kept;
    EXPECT_EQ(events, "1:1:0 ");
    EXPECT_EQ(trace_from("CheckKeyDown(17)"), "CheckKeyDown(17)\nShutdownEngineLocked()\n");
}

TEST_F(Shell, EscPressedThisFrameOpensTheMenuWhoseQuitEndsTheLoop) {
    fake_engine::set_key_state(0x01, 1);
    fake_engine::script("PumpWindowMessagesLocked", {0, 0, 0, -1});
    run();
    EXPECT_EQ(menu_calls, 1);  // held counts 1, 2, 3: once
    EXPECT_EQ(events, "1:1:0 2:1:1 3:1:2 ");
    SetUp();
    fake_engine::set_key_state(0x01, 1);
    menu_result = 1;
    EXPECT_EQ(run(), 0);
    EXPECT_EQ(menu_calls, 1);
    EXPECT_EQ(events, "1:1:0 ");
    EXPECT_EQ(fake_engine::trace().back(), "ShutdownEngineLocked()");
}

TEST_F(Shell, PresentsUnscaledAtExactlyOneElseStretched) {
    const struct {
        double scale;
        bool menu;
        const char* draw;
    } rows[] = {
        {1.0, false, "DrawGraphicAt(0, 0, 7, 0)"},
        {1.0001, false, "DrawGraphicStretched(0, 0, 800, 600, 7, 0)"},
        {2.0, false, "DrawGraphicStretched(0, 0, 1600, 1200, 7, 0)"},
        {0.4, false, "DrawGraphicStretched(0, 0, 320, 240, 7, 0)"},
        {1.0, true, "DrawGraphicStretched(0, 0, 800, 600, 7, 0)"},
    };
    offscreen = 7;
    sampling_mode = 1;
    for (const auto& r : rows) {
        fake_engine::reset();
        active_screen_scale = r.scale;
        present(r.menu);
        EXPECT_EQ(trace_from(""), "SelectDrawTarget(-2)\nSetBlendMode(0, 0)\nSetSamplingMode(1)\n" +
                                      std::string(r.draw) + "\nSetSamplingMode(0)\nFlipScreen()\n")
            << r.scale;
    }
}

TEST_F(ShellDeathTest, AStateOutOfRangeOrNoOffscreenEndsTheProcessWithoutSettings) {
    for (int state : {9, -1}) {
        fake_engine::set_key_state(0x01, 1);  // ESC leaves the STOP screen
        game_state = state;
        EXPECT_EXIT(run(), testing::ExitedWithCode(1), "ShutdownEngineLocked") << state;
    }
    // A refused off-screen is reported on the STOP screen, which the game's
    // switched-off log cannot hide.
    fake_engine::script("CreateDrawableGraphic", {-1});
    test_observer = [](const test_event& e) {
        if (e.kind == test_event_stop)
            std::fprintf(stderr, "stop %X (%X, %X)\n", e.words[0], e.words[1], e.words[2]);
    };
    EXPECT_EXIT(run(), testing::ExitedWithCode(1), "stop 1 \\(E0000007, 9\\)");
    EXPECT_EQ(testsupport::ReadFile(settings_file_name), "");
}

}  // namespace
