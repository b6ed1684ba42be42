#include <tuple>

#include "actors.h"
#include "world/patterns_items.h"
#include "world/stage_drawing.h"
#include "world/stage_frame.h"

namespace {

class StageFrame : public Actors {
  protected:
    void SetUp() override {
        Actors::SetUp();
        stage_change_request = {};
        game_cleared = stage_bonus_settled = 0;
        chest_counter = game_state = stage = 0;
        frames_in_scene = 11;
        offscreen = 5, play_area_screen = 6;
        hitbox_display = 0;
    }
    void TearDown() override {
        debug_mode = 0;
        press(0);
        Actors::TearDown();
    }
    // Down for this frame (and the state seen by the next one).
    static void press(int key) {
        for (int k : {0x13, 0x14, 0x21, 0x23, 0x24, 0x25, 0x26, 0x27, 0x33, 0x92})
            fake_engine::set_key_state(k, k == key);
    }
    static inline double seen[2];
};

TEST_F(StageFrame, PoolsRunInOrderAndStopWithNoPlayer) {
    enemies[0].flags = flag_in_use;
    p.flags = 0;
    EXPECT_EQ(
        std::tuple(run_stage_frame(), game_state, enemies[0].tick, fake_engine::trace().size()),
        std::tuple(false, 6, 0, 0u));

    p.flags = flag_in_use, p.vx = 5;
    items[0].flags = flag_in_use;
    items[0].move_pattern = [](entity*) { return seen[0] = players[0].x, 0; };
    enemies[0].vx = 3;
    enemies[0].x = 100;
    affecters[0].active = 1;
    affecters[0].handler = [](affecter*, entity*) { return seen[1] = enemies[0].x, -1; };
    crackers[0].flags = flag_in_use, crackers[0].remaining_life = -1, crackers[0].vx = 4;
    EXPECT_TRUE(run_stage_frame());
    EXPECT_GT(seen[0], 400) << "the item's pattern sees the player moved";
    EXPECT_GT(seen[1], 100) << "the affecter sees the enemy moved";
    EXPECT_EQ(std::tuple(seen[0], seen[1], affecters[0].active, crackers[0].flags & flag_in_use),
              std::tuple(p.x, enemies[0].x, uint8_t{0}, 0u));
    EXPECT_GT(crackers[0].x, 0) << "the freed cracker moved once more";
}

TEST_F(StageFrame, StageBonus) {
    struct Row {
        const char* name;
        int chest, frames, enemy_flags, fed, chest_after, food_after, big_sprite;  // 0: none
    } rows[] = {
        {"151 gives rarity 3", 150, 11, 0, 1, 0, 9, 33},
        {"21 gives rarity 1", 20, 11, 0, 1, 0, 9, 31},
        {"20 well-fed: 10 more", 19, 11, 0, 1, 30, 9, 0},
        {"20 hungry", 19, 11, 0, 0, 20, 9, 0},
        {"too early: settled, no award", 150, 10, 0, 1, 150, 0, 0},
        {"a knocked-away enemy does not hold it back", 150, 11, 5, 1, 0, 9, 33},
        {"a standing enemy holds it back", 150, 11, 1, 1, 150, 0, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        SetUp();
        add_item_type("big1", 31, 2048, 1);
        add_item_type("big3", 33, 2048, 3);
        sound_entry[1] = {"", "bigitem_fall", 101};
        chest_counter = row.chest, frames_in_scene = row.frames, well_fed = row.fed;
        enemies[0].flags = row.enemy_flags;
        EXPECT_EQ(update_progress(), 1);
        EXPECT_EQ(
            std::tuple(chest_counter, food_counter, stage_bonus_settled, items[0].sprite_base),
            std::tuple(row.chest_after, row.food_after, uint8_t{row.enemy_flags != 1},
                       row.big_sprite ? row.big_sprite : -1));
        if (!row.big_sprite) continue;
        const item& it = items[0];
        EXPECT_EQ(std::tuple(it.flags & 0x1000000u, it.x, it.y, it.move_pattern),
                  std::tuple(0x1000000u, 400.0, -96.0, &move_pattern_bigitem));
        EXPECT_EQ(count_of("PlaySoundHandle(101, 1, 1)"), 1);
    }
}

TEST_F(StageFrame, DebugKeysAndRequests) {
    struct Row {
        const char* name;
        int debug, key, stage, result, state, step;
    } rows[] = {
        {"K reloads the stage", 1, 0x25, 3, 0, 3, 0},
        {"J steps back", 1, 0x24, 3, 0, 0, -1},
        {"J at stage 0 only ends", 1, 0x24, 0, 0, 0, 0},
        {"L", 1, 0x26, 0, 0, 0, 1},
        {"semicolon", 1, 0x27, 0, 0, 0, 5},
        {"colon", 1, 0x92, 0, 0, 0, -5},
        {"no debug mode: L does nothing", 0, 0x26, 0, 1, 0, 0},
    };
    for (const Row& row : rows) {
        SetUp();
        debug_mode = row.debug, stage = row.stage, stage_bonus_settled = 1;
        press(row.key);
        EXPECT_EQ(std::tuple(update_progress(), game_state, stage_change_request.step,
                             stage_change_request.flag),
                  std::tuple(row.result, row.state, row.step, uint8_t{row.step != 0}))
            << row.name;
    }
    SetUp();
    debug_mode = stage_bonus_settled = 1;
    p.power_cap = 1000;
    for (int key : {0, 0x21, 0x21, 0, 0x21}) press(key), update_progress();
    EXPECT_EQ(p.power, 256) << "F powers up once per press";
    enemies[3].flags = items[9].flags = flag_in_use;
    press(0x14);
    update_progress();
    EXPECT_EQ(enemies[3].flags | items[9].flags, 0u) << "T";
    press(0);
    stage_change_request.flag = 1;
    update_progress();
    EXPECT_EQ(game_state, 5);
    game_cleared = 1;
    update_progress();
    EXPECT_EQ(std::pair(game_state, game_cleared), std::pair(8, uint8_t{0}));
}

TEST_F(StageFrame, DrawingOrderLabelFadeAndHitboxes) {
    stage_info.stage_number = 11;
    frames_in_scene = 170;
    for (int layer : {255, 250, 50, 30, 0}) queue_sprite(layer, layer, 0, 100, 100, 0, 1, 0, 0);
    draw_world();
    const auto at = [](int sprite) { return rotated(100, 100, "1.000000", "0.000000", sprite); };
    const std::string fill = "DrawBoxShape(0, 0, 800, 600, 4278190080, 1)";
    const std::vector<std::string> want = {"SelectDrawTarget(5)",
                                           fill,
                                           "SelectDrawTarget(6)",
                                           "DrawBoxShape(0, 0, 800, 536, 4278190080, 1)",
                                           "ClearOnScreenLog()",
                                           at(0),
                                           "SetBlendMode(1, 205)",
                                           at(30),
                                           at(50),
                                           at(250),
                                           "SelectDrawTarget(5)",
                                           fill,
                                           "DrawGraphicAt(0, 0, 6, 0)"};
    std::vector<std::string> got;
    for (const std::string& c : fake_engine::trace()) {
        if (std::find(want.begin(), want.end(), c) != want.end() || c == at(255)) got.push_back(c);
    }
    EXPECT_EQ(got, want) << "layer 255 never drawn";

    const std::pair<int, int> label[] = {{120, -1}, {121, 254}, {170, 205}, {220, 155}, {900, 155}};
    for (const auto& [t, alpha] : label) {
        fake_engine::reset();
        frames_in_scene = t;
        draw_world();
        const std::string blend = "SetBlendMode(1, " + std::to_string(alpha) + ")";
        EXPECT_EQ(only("SetBlendMode(1"),
                  alpha < 0 ? std::vector<std::string>{} : std::vector{blend});
    }
    debug_mode = 1;
    for (int key : {0, 0x23, 0x23, 0, 0x23}) press(key), draw_world();
    EXPECT_EQ(hitbox_display, 0) << "two presses, one held frame";
    hitbox_display = 1, debug_mode = 0;
    bullets[0].flags = flag_in_use, bullets[0].x = 50.5, bullets[0].y = 60;
    bullets[0].hit_w = 9, bullets[0].hit_h = 4;
    fake_engine::reset();
    draw_world();
    EXPECT_EQ(count_of("DrawBoxShape(46, 58, 55, 62, 4294901760, 0)"), 1);
    EXPECT_TRUE(only("PrintOnScreenLog").empty());
}

}  // namespace
