// The stage loader and entity placement on the fake engine with hand-made
// stage files: stage information, records, repeats, placement and every
// failure's STOP with its stage word.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "data_stop.h"
#include "fake_engine_test.h"
#include "shell/list_files.h"
#include "shell/scenes.h"
#include "shell/stage_placement.h"
#include "world/behaviour_tables.h"
#include "world/entity.h"
#include "world/game_random.h"
#include "world/patterns_items.h"
#include "world/pools.h"
#include "world/world_globals.h"

namespace {

class StageLoader : public FakeEngineTest {
  protected:
    void SetUp() override {
        FakeEngineTest::SetUp();
        reset_list_tables();
        reset_world();
        dimension = 1;
        stage = 5;
        food_counter = 0;
        players[0].flags = flag_in_use;
        players[1].flags = 0;
        std::strcpy(enemy_types[3].name, "slime");
        enemy_types[3].health = 7.9f;
        enemy_types[3].sprite_base = 300;
    }
    // Loads text as the stage at dimension 1, stage 5 (entry code 7).
    std::string load(const std::string& text, const char* file = "stage.txt") {
        std::strcpy(playlist[1].file[5], file);
        playlist[1].code[5] = 7;
        fake_engine::set_file(file, text);
        return stop_of([] { load_stage(); });
    }
};

TEST_F(StageLoader, AnEmptyFileGivesTheDefaultStageAndClosesIt) {
    stage_info.width = 123;
    stage_info.background_list[0] = 9;
    players[0].x = 55;
    ASSERT_EQ(load("# only a comment\r\n"), "none");
    EXPECT_EQ(stage_info.width, 800);
    EXPECT_EQ(stage_info.height, 576);
    EXPECT_EQ(stage_info.background_list[0], -1);
    EXPECT_EQ(stage_info.stage_number, 7);
    EXPECT_EQ(players[0].x, 55);  // the players keep their place
    EXPECT_EQ(players[0].invulnerable_frames, 180);
    EXPECT_EQ(game_state, 4);
    const auto trace = fake_engine::trace();
    EXPECT_EQ(trace.front(), "SetSamplingMode(0)");
    EXPECT_EQ(trace[1], "OpenFileHandle(stage.txt, 0)");
    EXPECT_NE(std::find(trace.begin(), trace.end(), "DeleteTypedHandle(1048576)"), trace.end());
    EXPECT_EQ(trace.back(), "FlipScreen()");
}

TEST_F(StageLoader, InformationBlockLinesAreDataNeverComments) {
    ASSERT_EQ(load("STAGE_INFORMATION\r\n12,13\r\n#\r\n640x480\r\n1,2\r\n3*4\r\n9\r\n2\r\n5\r\n"),
              "none");
    EXPECT_EQ(stage_info.background_list[1], 13);
    EXPECT_EQ(stage_info.background_list[2], -1);
    EXPECT_EQ(stage_info.stage_value_a, 0);  // "#" read as a number
    EXPECT_EQ(stage_info.width, 640);
    EXPECT_EQ(stage_info.height, 480);
    EXPECT_EQ(stage_info.scroll_speed_y, 4);
    EXPECT_EQ(stage_info.transition_kind, 2);
    EXPECT_EQ(stage_info.stage_music, 5);
    ASSERT_EQ(load("STAGE_INFORMATION\r\n1\r\n2\r\n640,480\r\n", "short.txt"), "none");
    EXPECT_EQ(stage_info.width, 640);
}

TEST_F(StageLoader, EveryFailureStopsWithTheStageWord) {
    const char* enemy = "PLACEMENT_ENEMY\r\n";
    std::string many = enemy;
    for (int k = 0; k < 257; ++k) many += "slime,1,1,1,0,0,0\r\n";
    struct Row {
        const char* name;
        std::string text, expected;
    } rows[] = {
        {"enemy line without column 6", std::string(enemy) + "slime,1,2,1,0,0\r\n",
         "3 (F0100005, 2, 6, 0)"},
        {"blank line among items", "PLACEMENT_ITEM\r\n\r\n", "3 (F0100005, 2, 0, 0)"},
        {"a keyword and a blank is a line", std::string(enemy) + "PLACEMENT_ENEMY \r\n",
         "3 (F0100005, 2, 1, 0)"},
        {"item point without its mask", "PLACEMENT_ITEMPOINT\r\n10,20\r\n",
         "3 (F0100005, 2, 2, 0)"},
        {"block ends before line 2", "STAGE_INFORMATION\r\n1\r\n", "3 (F0100005, 3, 9999, 0)"},
        {"block line 1 empty", "STAGE_INFORMATION\r\n,,\r\n0\r\n", "3 (F0100005, 2, 9999, 1)"},
        {"block line 3 without height", "STAGE_INFORMATION\r\n1\r\n0\r\n640\r\n",
         "3 (F0100005, 4, 9999, 1)"},
        {"zero width", "STAGE_INFORMATION\r\n1\r\n0\r\n0x480\r\n", "3 (F0100005, 4, 9999, 0)"},
        {"repeat before any section", "REPEAT_PLACEMENT UP,1,0,8\r\n", "3 (F0100005, 1, 1000, 0)"},
        {"repeat without step y", std::string(enemy) + "REPEAT_PLACEMENT UP,1,0\r\n",
         "3 (F0100005, 2, 1004, 0)"},
        {"unknown first direction", std::string(enemy) + "REPEAT_PLACEMENT north,1,0,8\r\n",
         "3 (F0100005, 2, 1001, 0)"},
        {"257th enemy", many, "5 (F0100005, 2, 100, 0)"},
        {"1025th record",
         std::string(enemy) + "slime,1,1,1,0,0,0\r\nREPEAT_PLACEMENT r,1100,1,0\r\n",
         "5 (F0100005, 2, 400, 0)"},
    };
    for (const Row& r : rows) EXPECT_EQ(load(r.text, r.name), r.expected) << r.name;
    playlist[1].file[5][0] = '\0';
    EXPECT_EQ(stop_of([] { load_stage(); }), "1 (F0100005, 0, 0, 0)");
}

TEST_F(StageLoader, RepeatsCopyTheWorkingRecordStepByStep) {
    ASSERT_EQ(load("PLACEMENT_ENEMY\r\nslime,100,200,1,0,0,0\r\nREPEAT_PLACEMENT RIGHT,3,32x0\r\n"
                   "REPEAT_PLACEMENT  d,1,0,16\r\nREPEAT_PLACEMENT 1,1,4,0\r\n"),
              "none");
    const double expected[][2] = {{100, 200}, {132, 200}, {164, 200},
                                  {196, 200}, {196, 216}, {192, 216}};
    for (int k = 0; k < 6; ++k) {
        EXPECT_EQ(enemies[k].x, expected[k][0]) << k;
        EXPECT_EQ(enemies[k].y, expected[k][1]) << k;
    }
    EXPECT_FALSE(enemies[6].flags & flag_in_use);
}

TEST_F(StageLoader, PlacementTakesFlagsFacingTicksAndTypes) {
    players[1].flags = flag_in_use;
    enemies[0].stun_frames = 30;
    enemies[0].stun_effect = 4;
    ASSERT_EQ(load("PLACEMENT_TESMO\r\n0,400,10,-1,0,0,0\r\n0,399,10,1,0,0,0\r\n"
                   "PLACEMENT_ENEMY\r\nslime,1,1,-2,move_pattern_nothing,0,open_door,25,1,2.5\r\n"
                   "nobody,1,1,1,0,0,0,-30\r\n3,1,1,0,0,0,0,-1\r\n"
                   "PLACEMENT_ITEMPOINT\r\n10,20,4,2,move_pattern_nothing\r\n30,40,8\r\n"
                   "REPEAT_PLACEMENT UP,2,0,40\r\n"),
              "none");
    EXPECT_EQ(players[0].facing, 0);  // x 400 of 800: right half
    EXPECT_EQ(players[1].facing, 1);
    EXPECT_EQ(players[0].respawn_x, 400);
    EXPECT_EQ(players[0].opp_hit_h[3], 32);
    const enemy& e = enemies[0];
    EXPECT_EQ(e.flags, 0xFFFFFFFEu);
    EXPECT_EQ(e.flags2, 0xFFFFFFFFu);
    EXPECT_EQ(e.tick, 25);
    EXPECT_EQ(e.facing, 1);
    EXPECT_EQ(e.speed_factor, 2.5);
    EXPECT_EQ(e.health, 7);
    EXPECT_EQ(e.sprite_base, 300);
    EXPECT_EQ(e.stun_frames, 0);  // nothing of the slot's last stage stays
    EXPECT_EQ(e.stun_effect, -1);
    EXPECT_EQ(e.move_pattern, move_pattern_nothing);
    EXPECT_EQ(e.interaction, speffect_table[1].handler);
    EXPECT_GE(enemies[1].tick, 0);
    EXPECT_LT(enemies[1].tick, 30);
    EXPECT_EQ(enemies[1].sprite_base, 0);  // an unknown name that is no number: row 0
    EXPECT_EQ(enemies[1].speed_factor, 1.0);
    EXPECT_EQ(enemies[2].sprite_base, 300);  // by its number: row 3
    EXPECT_EQ(enemies[2].flags, 0u);         // flags 0: placed but not in use
    ASSERT_EQ(item_points_placed, 4);
    EXPECT_EQ(itempoints[3].y, -40);
    EXPECT_EQ(itempoints[3].x, 30);
    EXPECT_EQ(itempoints[3].category_mask, 8);
    EXPECT_EQ(itempoints[0].rarity, 2);
    EXPECT_EQ(itempoints[1].rarity, -1);
    EXPECT_EQ(itempoints[0].move_pattern, move_pattern_nothing);
}

TEST_F(StageLoader, PlayListsFoodAndASecondLoadAlike) {
    playlist[1].code[3] = -1;
    playlist[1].code[4] = 7;
    playlist[1].code[7] = 0;
    std::strcpy(playlist[1].file[7], "seven.txt");
    fake_engine::set_file("seven.txt", "");
    stage = 3;
    food_counter = 200;
    ASSERT_EQ(stop_of([] { load_stage(); }), "none");
    EXPECT_EQ(stage, 7);
    EXPECT_EQ(food_counter, 26);
    EXPECT_EQ(well_fed, 1);
    playlist[1].code[7] = -2;
    std::strcpy(playlist[2].file[0], "next.txt");
    fake_engine::set_file("next.txt", "");
    stage = 3;
    food_counter = 159;
    ASSERT_EQ(stop_of([] { load_stage(); }), "none");
    EXPECT_EQ(dimension, 2);
    EXPECT_EQ(stage, 0);
    EXPECT_EQ(food_counter, 159);
    EXPECT_EQ(well_fed, 0);

    dimension = 1;
    stage = 5;
    const std::string text = "PLACEMENT_ENEMY\r\nslime,1,2,1,0,0,0\r\nslime,3,4,1,0,0,0\r\n";
    const game_random_state_record before = game_random_state;
    ASSERT_EQ(load(text, "a.txt"), "none");
    const enemy first = enemies[1];
    enemies[1].stun_frames = 9;
    game_random_state = before;
    ASSERT_EQ(load(text, "b.txt"), "none");
    EXPECT_EQ(std::memcmp(&enemies[1].x, &first.x, sizeof(double) * 2), 0);
    EXPECT_EQ(enemies[1].tick, first.tick);
    EXPECT_EQ(enemies[1].facing, first.facing);
    EXPECT_EQ(enemies[1].stun_frames, 0);
}

}  // namespace
