// The whole boss encounter run for a long time in full world frames on stages
// of several heights, against a standing and a jumping player.
#include <gtest/gtest.h>

#include <cmath>

#include "boss_arena.h"
#include "world/interactions.h"
#include "world/stage_frame.h"

namespace {

using BossSoak = BossArena;

TEST_F(BossSoak, TheFightNeverLeavesItsStatesOrTheNumbers) {
    struct Row {
        const char* name;
        int height;
        bool jumping;
    } rows[] = {
        {"low stage, standing player", 224, false},    {"low stage, jumping player", 224, true},
        {"middle stage, standing player", 300, false}, {"middle stage, jumping player", 300, true},
        {"tall stage, standing player", 600, false},   {"tall stage, jumping player", 600, true},
    };
    constexpr int frames = 30000;
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        reset_world();
        for (auto& a : affecters) a.active = 0;
        stage_info = stage_info_record{};
        arena(800, r.height);
        current_music = -1;
        game_cleared = 0;
        p.move_pattern = players[1].move_pattern = move_pattern_default;
        p.free_var[0] = p.tick = 0;
        bool states_ok = true, poses_ok = true, numbers_ok = true, types_ok = true;
        int fight_frames = 0, seen = 0;
        bool seen_state[100] = {};
        for (int f = 0; f < frames && !game_cleared; ++f) {
            p.invulnerable_frames = 100;
            p.lives = 5;
            input(r.jumping && f % 40 < 10 ? unsigned{J} : 0u);
            update_world();
            process_interactions();
            if (f % 240 == 0 && boss.move_pattern == &move_pattern_bossdolvek) boss.health -= 30;
            if (f == frames - 2000) boss.flags |= flag_knocked_away;  // the final blow
            if (boss.flags & flag_in_use)
                numbers_ok &= std::isfinite(boss.x) && std::isfinite(boss.y);
            if ((boss.flags & flag_in_use) && boss.move_pattern == &move_pattern_bossdolvek) {
                ++fight_frames;
                const int s = boss.free_var[0];
                states_ok &= (s >= -1 && s <= 13) || s == 99;
                if (s >= 0 && s < 100 && !seen_state[s]) seen_state[s] = true, ++seen;
                const int pose = boss.pattern_result - boss.facing * 16;
                poses_ok &= pose >= 0 && pose <= 13;
            }
            for (const auto& b : bullets) {
                if (b.flags & flag_in_use)
                    types_ok &=
                        b.sprite_base == -1 || (b.sprite_base >= 300 && b.sprite_base <= 303);
            }
        }
        EXPECT_TRUE(states_ok && poses_ok && numbers_ok && types_ok)
            << states_ok << poses_ok << numbers_ok << types_ok;
        EXPECT_GT(fight_frames, frames / 2);
        EXPECT_GE(seen, 6) << "the fight went through its states";
        EXPECT_EQ(std::pair(boss.flags & flag_in_use, game_cleared), std::pair(0u, uint8_t{1}))
            << "the final blow ends the game";
    }
}

}  // namespace
