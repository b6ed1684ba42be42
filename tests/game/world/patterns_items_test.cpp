#include <cmath>
#include <tuple>

#include "actors.h"
#include "world/game_random.h"
#include "world/patterns_items.h"

namespace {

using ItemPatterns = Actors;

TEST_F(ItemPatterns, PowerAndBigItems) {
    item& it = items[0];
    it.x = 400, it.y = 370;  // 70 px below player 0, which is out of play
    p.flags = 0;
    move_pattern_poweritem(&it);
    EXPECT_EQ(it.move_pattern, move_pattern_poweritem_switched) << "any record within 75 px";
    move_pattern_poweritem_switched(&it);
    EXPECT_EQ(it.move_pattern, move_pattern_poweritem) << "no one to fly to";
    p.flags = flag_in_use;
    for (int frame : {1, 2}) {
        it.move_pattern(&it);
        if (frame == 2) {
            EXPECT_EQ(std::pair(it.vx, it.vy), std::pair(0.0, -4.35)) << "count restarted";
        }
    }
    const struct {
        int tick;
        uint32_t standing;
        double shake;
    } big[] = {{29, 0, 0},
               {30, 0, 0},
               {31, flag_standing, 5},
               {32, flag_standing, 5},
               {33, 0, 5},
               {34, flag_standing, 10}};
    for (const auto& row : big) {
        it.tick = row.tick, it.flags = (it.flags & ~flag_standing) | row.standing;
        move_pattern_bigitem(&it);
        EXPECT_EQ(screen_shake.magnitude, row.shake) << row.tick;
    }
}

TEST_F(ItemPatterns, KeysDoorsAndIntro) {
    block& key = place_block(0, 10, 10);
    key.flags |= 0x80;
    EXPECT_EQ(move_pattern_key(&key), 0) << "shut until the stage is cleared";
    stage_bonus_settled = 1;
    EXPECT_EQ(move_pattern_key(&key), 1);
    stage_bonus_settled = 0;
    for (int s = 0; s < 15; ++s)
        std::strcpy(effect_definition[s].name, "?"), effect_definition[s].end_time[0] = 10;
    std::strcpy(effect_definition[1].name, "small_whitering");
    std::strcpy(effect_definition[2].name, "small_particle_white");
    std::strcpy(effect_definition[3].name, "white_out");
    block& door = place_block(1, 10, 10);
    door.flags |= 0x80;
    EXPECT_EQ(move_pattern_door(&door), 0);
    door_open = 1;
    EXPECT_EQ(std::pair(move_pattern_door(&door), door.move_pattern),
              std::pair(1, &move_pattern_toggle));
    door_open = 0;
    int shown[4] = {};
    for (const auto& e : effect_instance) shown[e.definition] += e.life > 0;
    EXPECT_EQ(std::tuple(shown[1], shown[2], shown[3]), std::tuple(1, 10, 0));

    const std::pair<int, int> intro2[] = {{120, 49}, {121, 40}, {150, 40}, {151, 25},
                                          {180, 65}, {210, 65}, {240, 50}};
    for (const auto& [t, frame] : intro2) {
        p.tick = t;
        stage_change_request = {};
        EXPECT_EQ(move_pattern_tesmo_intro2(&p), frame) << t;
        EXPECT_EQ(stage_change_request.flag, t >= 240) << t;
    }
    add_item_type("gem", 7, 1, 1);
    itempoints[0].flags = flag_in_use, itempoints[0].category_mask = 1, itempoints[0].rarity = 1;
    for (int t : {4, 3, 240, 299, 300}) {
        p.tick = t;
        stage_change_request = {};
        EXPECT_EQ(move_pattern_tesmo_intro1(&p), 68);
        EXPECT_EQ(itempoints[0].flags, t == 4 ? 1u : 0u) << t;
        EXPECT_EQ(stage_change_request.step, t == 300) << t;
    }
    EXPECT_EQ(effect_instance[11].definition, 3) << "white_out after the door's 11";
}

}  // namespace
