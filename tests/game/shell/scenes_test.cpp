// The scenes between and around the stages on the recording fake: the frame
// numbers where pictures appear and fade, the state each scene moves to and
// what a new game, a continue and a finished tally leave behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "data_stop.h"
#include "fake_engine_test.h"
#include "shell/list_files.h"
#include "shell/load_lists.h"
#include "shell/scenes.h"
#include "world/effects.h"
#include "world/game_random.h"
#include "world/music.h"
#include "world/player.h"
#include "world/pools.h"
#include "world/stage_label.h"
#include "world/world_globals.h"

namespace {

// Sprite id k draws as graphic handle 0x1000 + k.
std::string handle_of(int sprite) {
    return std::to_string(0x1000 + sprite);
}

class Scenes : public FakeEngineTest {
  protected:
    void SetUp() override {
        FakeEngineTest::SetUp();
        for (int k = 0; k < sprite_table_size; ++k) sprite_table[k] = {0x1000 + k, 64, 32};
        for (tesmo& p : players) {
            std::fill(std::begin(p.held), std::end(p.held), 0);
            std::fill(std::begin(p.released), std::end(p.released), 0);
        }
        game_state = 1;
    }
    // Runs scene at frame f; the recorded calls.
    std::vector<std::string> at(int (*scene)(), int f) {
        fake_engine::reset();
        frames_in_scene = f;
        scene();
        return fake_engine::trace();
    }
    static bool draws(const std::vector<std::string>& t, int sprite) {
        return std::any_of(t.begin(), t.end(), [&](const std::string& c) {
            return c.rfind("DrawGraphicRotated", 0) == 0 &&
                   c.find(", " + handle_of(sprite) + ", ") != std::string::npos;
        });
    }
    static bool has(const std::vector<std::string>& t, const std::string& call) {
        return std::find(t.begin(), t.end(), call) != t.end();
    }
};

TEST_F(Scenes, SplashFadesItsPanelAndLogosThenLeavesForTheTitle) {
    EXPECT_TRUE(has(at(scene_splash, 0), "SetBlendMode(1, 0)"));
    EXPECT_TRUE(has(at(scene_splash, 29), "SetBlendMode(1, 246)"));  // int(8.5 x 29)
    const auto t = at(scene_splash, 45);  // phase 1: logo 2032 fading in at int(8.5 x 15)
    EXPECT_TRUE(draws(t, 2032));
    EXPECT_TRUE(has(t, "SetBlendMode(1, 127)"));
    const auto cross = at(scene_splash, 100);  // phase 3: 2032 fading into 2033
    EXPECT_TRUE(draws(cross, 2032) && draws(cross, 2033));
    EXPECT_FALSE(draws(cross, 2034));
    EXPECT_EQ(game_state, 1);
    at(scene_splash, 240);
    EXPECT_EQ(game_state, 2);
    game_state = 1;
    players[1].held[action_start] = 3;
    at(scene_splash, 10);
    EXPECT_EQ(game_state, 5);  // a new game, without the title
}

TEST_F(Scenes, TitleLogoAppearsAtFrame131AndIsWholeFrom191) {
    game_state = 2;
    struct Row {
        int f;
        bool shadow, logo;
        const char* alpha;
    } rows[] = {{130, false, false, nullptr},
                {131, true, false, "SetBlendMode(1, 25)"},
                {140, true, true, "SetBlendMode(1, 0)"},  // 2038 at 5 x 140 - 700
                {190, true, true, "SetBlendMode(1, 250)"},
                {191, false, true, nullptr}};
    for (const Row& r : rows) {
        const auto t = at(scene_title, r.f);
        EXPECT_EQ(draws(t, 2037), r.shadow) << r.f;
        EXPECT_EQ(draws(t, 2038), r.logo) << r.f;
        if (r.alpha) {
            EXPECT_TRUE(has(t, r.alpha)) << r.f;
        }
        EXPECT_TRUE(draws(t, 2017)) << r.f;  // the prompt, every frame
    }
    // Darkening: 2f - 150 up to 125, then 100.
    EXPECT_TRUE(has(at(scene_title, 100), "SetBlendMode(1, 50)"));
    EXPECT_TRUE(has(at(scene_title, 126), "SetBlendMode(1, 100)"));
    EXPECT_EQ(game_state, 2);  // no time-out
}

TEST_F(Scenes, ANewGameAsksForTheFirstStageWithAWhiteFlash) {
    players[0].score = 900;
    players[0].carried_score = 77;
    players[0].miss_count = 3;
    start_new_game();
    EXPECT_EQ(players[0].x, 400.0);
    EXPECT_EQ(players[0].y, 268.0);
    EXPECT_EQ(players[0].carried_score, 0);
    EXPECT_EQ(players[0].miss_count, 0);
    EXPECT_EQ(stage_change_request.flag, 1);
    EXPECT_EQ(stage_change_request.target_dimension, 0);
    EXPECT_EQ(stage_change_request.target_stage, 0);
    EXPECT_EQ(stage_info.transition_kind, 2);
    EXPECT_EQ(chest_counter, 0);
    EXPECT_GE(food_counter, 0);
    EXPECT_LT(food_counter, 160);
    EXPECT_EQ(game_state, 5);
}

TEST_F(Scenes, TransitionsApplyTheStepAndEndInPlay) {
    reset_list_tables();
    std::strcpy(playlist[1].file[5], "five.txt");
    playlist[1].code[5] = 5;
    dimension = 1;
    stage = 3;
    stage_change_request = {1, 2, 0, 0};
    stage_info.transition_kind = 1;
    fake_engine::set_file("five.txt",
                          "STAGE_INFORMATION\r\n500\r\n0\r\n800x576\r\n0,0\r\n0,0\r\n0\r\n7\r\n");
    frames_in_scene = 0;
    game_state = 5;
    EXPECT_EQ(stop_of([] { scene_stage_transition(); }), "none");
    EXPECT_EQ(stage, 5);
    EXPECT_EQ(stage_change_request.step, 0);
    EXPECT_EQ(stage_change_request.flag, 0);
    EXPECT_EQ(game_state, 4);  // a cut ends at once
    // The new stage's kind 7 is no kind: leaving it is shown as a cut too.
    stage_change_request = {1, 0, 5, 1};
    fake_engine::set_file("five.txt", "");
    game_state = 5;
    EXPECT_EQ(stop_of([] { scene_stage_transition(); }), "none");
    EXPECT_EQ(game_state, 4);
}

// Kind 0: the players fly from where they stood to where the new stage puts
// them over 80 frames while the labels swap at 40; play starts at 81 with a
// dark ball and ten particles (three draws each) per player.
TEST_F(Scenes, FlyOverCarriesThePlayersAndEndsInPlayAtFrame81) {
    reset_list_tables();
    std::strcpy(playlist[1].file[4], "four.txt");
    playlist[1].code[4] = 4;
    dimension = 1;
    stage = 3;
    stage_info.stage_number = 3;
    stage_change_request = {1, 1, 0, 0};
    stage_info.transition_kind = 0;
    fake_engine::set_file("four.txt",
                          "STAGE_INFORMATION\r\n500\r\n0\r\n800x576\r\n0,0\r\n0,0\r\n0\r\n0\r\n");
    std::strcpy(effect_definition[3].name, "darkball_out");
    std::strcpy(effect_definition[4].name, "small_particle_darkball");
    for (int d : {3, 4}) {
        effect_definition[d].sprite[0] = 1200;
        effect_definition[d].duration[0] = effect_definition[d].end_time[0] = 30;
    }
    players[0].x = 100;
    players[0].y = 200;
    game_state = 5;
    frames_in_scene = 0;
    ASSERT_EQ(stop_of([] { scene_stage_transition(); }), "none");
    EXPECT_EQ(game_state, 5);
    players[0].flags |= flag_in_use;
    players[0].x = 500;  // where the new stage put the player
    players[0].y = 300;
    players[0].pattern_result = -1;  // no body: only the orb
    players[1].flags &= ~flag_in_use;

    // The label of a call to draw_stage_label alone, found whole in frame f.
    auto shows_label = [&](int f, int number, int offset) {
        const auto t = at(scene_stage_transition, f);
        fake_engine::reset();
        draw_stage_label(number, offset);
        const auto label = fake_engine::trace();
        return !label.empty() &&
               std::search(t.begin(), t.end(), label.begin(), label.end()) != t.end();
    };
    EXPECT_TRUE(shows_label(10, 3, -44));  // 2f - 64
    EXPECT_TRUE(shows_label(39, 3, 14));
    EXPECT_TRUE(shows_label(41, 4, 51));  // int(64 - 64 / 5)

    // Halfway: the orb (sprite 284, scale 0.24) at the midpoint.
    EXPECT_TRUE(
        has(at(scene_stage_transition, 40),
            "DrawGraphicRotated(300, 250, 0.240000, 0.000000, " + handle_of(284) + ", 1, 0)"));
    EXPECT_TRUE(has(at(scene_stage_transition, 5),
                    "DrawGraphicRotated(125, 206, 0.120000, 0.000000, " + handle_of(284) +
                        ", 1, 0)"));  // (100 x 75 + 500 x 5) / 80; 0.24 / (7 - 5)
    at(scene_stage_transition, 80);
    EXPECT_EQ(game_state, 5);
    const uint32_t draws_before = game_random_state.calls;
    at(scene_stage_transition, 81);
    EXPECT_EQ(game_state, 4);
    EXPECT_EQ(game_random_state.calls - draws_before, 30u);
    int dark = 0, particles = 0;
    for (const effect_instance_record& e : effect_instance) {
        if (e.life <= 0) continue;
        dark += e.definition == 3 && e.x == 500 && e.y == 300;
        particles += e.definition == 4 && e.x == 500 && e.y == 300;
    }
    EXPECT_EQ(dark, 1);
    EXPECT_EQ(particles, 10);
}

// F11 acts only when the whole stage frame ran: with nobody alive the frame
// stops at its first step and the key is not even read.
TEST_F(Scenes, PlayReadsF11OnlyAfterAWholeStageFrame) {
    for (tesmo& p : players) p.flags &= ~flag_in_use;
    game_state = 4;
    auto t = at(scene_play, 10);
    EXPECT_FALSE(has(t, "CheckKeyDown(87)"));
    EXPECT_EQ(game_state, 6);
    game_state = 4;
    players[0].flags |= flag_in_use;
    t = at(scene_play, 11);
    EXPECT_TRUE(has(t, "CheckKeyDown(87)"));
    players[0].flags &= ~flag_in_use;
}

TEST_F(Scenes, ContinueCountsDownOnTheMillisecondClock) {
    game_state = 6;
    fake_engine::reset();
    fake_engine::script("GetMillisecondCounter", {1000, 8654});  // 7654 ms pass
    frames_in_scene = 0;
    scene_continue();
    // 19999 - 7654 = 12345 left; a jump press drops it to the lower second.
    players[0].held[action_jump] = 1;
    fake_engine::script("GetMillisecondCounter", {9654});
    frames_in_scene = 1;
    current_music = 2;
    music_slot[2].volume_factor = 1.0;
    scene_continue();  // 12345 -> 12000, then 1000 ms more pass: 11000
    // Darkness from the countdown before the press: int(255 - 12345 / 19999 x 255)
    // = 97; the music from the one after it: int(12000 / 19999 x 255) = 153.
    EXPECT_TRUE(has(fake_engine::trace(), "SetBlendMode(1, 97)"));
    EXPECT_TRUE(draws(fake_engine::trace(), 182));  // 12 seconds shown
    EXPECT_DOUBLE_EQ(music_slot[2].volume_factor, 153 / 255.0);
    players[0].held[action_jump] = 1;
    fake_engine::script("GetMillisecondCounter", {9654});
    frames_in_scene = 2;
    scene_continue();  // 11000 -> 10000 (the press takes (n - 1) div 1000)
    EXPECT_EQ(game_state, 6);
    // Start held: three lives, score carried.
    players[0].score = 500;
    players[0].carried_score = 20;
    players[0].held[action_jump] = 0;
    players[0].held[action_start] = 1;
    scene_continue();
    EXPECT_EQ(players[0].carried_score, 520);
    EXPECT_EQ(players[0].score, 0);
    EXPECT_EQ(players[0].lives, 2);  // three, one taken by the respawn
    EXPECT_EQ(players[0].continue_count, 1);
    EXPECT_EQ(players[0].popup_blue, 0);
    EXPECT_EQ(game_state, 4);
    EXPECT_EQ(music_slot[2].volume_factor, 1.0);
    current_music = -1;
}

TEST_F(Scenes, GameOverAndTheResultTallyMoveOnAtTheirFrames) {
    game_state = 7;
    at(scene_game_over, 180);
    EXPECT_EQ(game_state, 7);
    at(scene_game_over, 181);
    EXPECT_EQ(game_state, 1);

    game_state = 8;
    clear_count = 0;
    at(scene_result, 0);
    auto t = at(scene_result, 241);
    EXPECT_TRUE(draws(t, 301));  // the clear-count picture
    players[0].released[action_attack] = 4;
    at(scene_result, 250);
    EXPECT_EQ(frames_in_scene, 240);  // on to the fade to white
    players[0].released[action_attack] = 0;
    at(scene_result, 300);
    EXPECT_EQ(clear_count, 1);
    EXPECT_EQ(game_state, 5);
    EXPECT_EQ(stage_change_request.target_stage, 0);
    at(scene_result, 0);  // the next tally
    EXPECT_TRUE(draws(at(scene_result, 241), 302));
}

}  // namespace
