// The pause menu's pages driven by their own key counters, and its loop:
// openings, assignments, ESC, quitting and the settings written on close.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "DuRud.h"
#include "menu_fixture.h"
#include "shell/menu.h"
#include "shell/scenes.h"
#include "shell/settings.h"
#include "test_support.h"
#include "world/player.h"
#include "world/pools.h"
#include "world/world_globals.h"

namespace {

constexpr int key_up = 0xC8, key_down = 0xD0, key_left = 0xCB, key_right = 0xCD, key_space = 0x39;

class Menu : public MenuFixture {
  protected:
    // One frame of the current page with these keys pressed; its result.
    int frame(std::initializer_list<int> keys) {
        for (key_state& k : menu_state.keys) k.held = 0;
        for (int k : keys) menu_state.keys[k].held = 1;
        const int page = menu_state.page;
        const int result = run_menu_page();
        menu_state.frames_on_page = menu_state.page == page ? menu_state.frames_on_page + 1 : 0;
        return result;
    }
    int& cursor() { return menu_state.cursor[menu_state.page]; }
    static bool drew(const std::string& text) {
        const auto t = fake_engine::trace();
        return std::any_of(t.begin(), t.end(), [&](const std::string& c) {
            return c.rfind("DrawFormattedText", 0) == 0 && c.find(text) != std::string::npos;
        });
    }
};

TEST_F(Menu, MainPageSkipsGameSettingsAndWraps) {
    frame({});
    EXPECT_EQ(cursor(), 4);  // the first opening: "back to the game"
    struct Row {
        const char* name;
        int from, key, to;
    } rows[] = {{"up over row 3", 4, key_up, 2},
                {"down over row 3", 2, key_down, 4},
                {"up from the top", 0, key_up, 5},
                {"down from the bottom", 5, key_down, 0}};
    for (const Row& r : rows) {
        cursor() = r.from;
        frame({r.key});
        EXPECT_EQ(cursor(), r.to) << r.name;
    }
    cursor() = 4;
    EXPECT_EQ(frame({key_space}), 1);
    cursor() = 5;
    frame({key_space});
    EXPECT_EQ(menu_state.page, 1);
    frame({});
    EXPECT_EQ(cursor(), 1);  // the quit page opens on "no"
    frame({key_up});
    EXPECT_EQ(frame({key_space}), 1);
}

TEST_F(Menu, SoundAndGraphicsValuesStayInsideTheirRanges) {
    menu_state.page = 2;
    bgm_volume = 0.0;
    frame({key_left});
    EXPECT_EQ(bgm_volume, 0.0);
    cursor() = 1;
    std::snprintf(sound_entry[0].name, sizeof(sound_entry[0].name), "tesmo_item");
    sound_entry[0].handle = 77;
    fake_engine::reset();
    frame({key_right});
    EXPECT_EQ(se_volume, 1.0);
    const auto t = fake_engine::trace();
    // The sample plays at the value before the clamp: 1.05 x 255.
    EXPECT_NE(std::find(t.begin(), t.end(), "SetSoundVolume(267, 77)"), t.end());
    EXPECT_NE(std::find(t.begin(), t.end(), "PlaySoundHandle(77, 1, 1)"), t.end());
    bgm_volume = 0.8;
    fake_engine::reset();
    frame({});
    EXPECT_TRUE(drew("BGM: 80 "));

    menu_state = menu_state_record{};
    menu_state.page = 5;
    fake_engine::reset();
    frame({});
    EXPECT_TRUE(drew("100") && drew("(800 * 600)"));
    settings.screen_scale = 0.4;
    cursor() = 1;
    frame({key_left});
    EXPECT_EQ(settings.screen_scale, 0.4);
    cursor() = 2;
    frame({key_right});
    EXPECT_EQ(sampling_mode, 1);  // at once
}

TEST_F(Menu, PadChoiceCyclesThroughNoneAndEveryPadAndVibratesTheChosenOne) {
    fake_engine::set_pad_count(2);
    menu_state.page = 3;
    std::string seen;
    for (int k = 0; k < 4; ++k) {
        frame({key_space});
        seen += std::to_string(players[0].pad) + " ";
    }
    EXPECT_EQ(seen, "0 1 -1 0 ");
    players[0].pad = 1;
    fake_engine::reset();
    frame({key_right});
    EXPECT_EQ(players[0].pad, 1);  // the last pad stays
    const auto t = fake_engine::trace();
    EXPECT_NE(std::find(t.begin(), t.end(), "StartJoypadVibration(2, 500, 500)"), t.end());
    // Without a pad the pad-button row is skipped.
    players[0].pad = -1;
    cursor() = 1;
    frame({key_down});
    EXPECT_EQ(cursor(), 3);
}

TEST_F(Menu, KeyboardRowsTakeTheLowestPressedKeyAndMoveOn) {
    menu_state.page = 6;
    frame({});
    frame({0x2C, 0x1E});
    EXPECT_EQ(settings.key_codes[0], 0x1E);
    EXPECT_EQ(cursor(), 1);
}

TEST_F(Menu, TheLoopFadesWritesTheSettingsAndAnswers) {
    struct Row {
        const char* name;
        int key;
        int expected;
    } rows[] = {{"ESC goes back", 0x01, 0}, {"the window closes", -1, -1}};
    for (const Row& r : rows) {
        SetUp();
        std::remove(settings_file_name);
        menu_state.page = 6;  // ESC on an assignment row also assigns it
        menu_state.previous_page = 6;
        menu_state.frames_on_page = 5;
        if (r.key >= 0)
            fake_engine::set_key_state(r.key, 1);
        else
            fake_engine::script("PumpWindowMessagesLocked", {1});
        EXPECT_EQ(in_game_menu(), r.expected) << r.name;
        EXPECT_EQ(menu_state.page, 0) << r.name;
        EXPECT_FALSE(testsupport::ReadFile(settings_file_name).empty()) << r.name;
        const auto t = fake_engine::trace();
        EXPECT_EQ(std::count(t.begin(), t.end(), "FlipScreen()"), r.key >= 0 ? 61 : 60) << r.name;
        if (r.key >= 0) {
            EXPECT_EQ(settings.key_codes[0], 1);
        }
    }
}

// The main page's cursor on opening follows the frames-on-page count the last
// opening left: "back to the game" at the run's first opening and, from the
// second frame, after an opening that ended on another page; kept after one
// that ended on the main page.
TEST_F(Menu, TheMainPageCursorOnOpeningFollowsHowTheLastOpeningEnded) {
    struct Row {
        const char* name;
        int previous_page, frames_on_page, cursor_after;
    } rows[] = {{"the run's first opening", 0, 0, 4},
                {"the last one ended on the keyboard page", 6, 5, 4},
                {"the last one ended on the main page", 0, 5, 1}};
    for (const Row& r : rows) {
        SetUp();
        menu_state.previous_page = r.previous_page;
        menu_state.frames_on_page = r.frames_on_page;
        menu_state.cursor[0] = 1;
        fake_engine::set_key_down_from_call(0x01, 2);  // ESC on the second menu frame
        EXPECT_EQ(in_game_menu(), 0) << r.name;
        EXPECT_EQ(menu_state.cursor[0], r.cursor_after) << r.name;
    }
}

}  // namespace
