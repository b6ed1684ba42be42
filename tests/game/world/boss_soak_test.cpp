// The whole boss encounter run for a long time in full world frames on stages
// of several heights, against a standing and a jumping player.
#include <gtest/gtest.h>

#include <cmath>

#include "boss_arena.h"
#include "world/interactions.h"
#include "world/stage_frame.h"

namespace {

struct SoakRow {
    const char* name;
    int height;
    bool jumping;
};
void PrintTo(const SoakRow& row, std::ostream* out) {
    *out << row.name;
}

// One soak per row, so that each stays well within a test's time limit.
class BossSoak : public BossArena, public testing::WithParamInterface<SoakRow> {};

TEST_P(BossSoak, TheFightNeverLeavesItsStatesOrTheNumbers) {
    const SoakRow& r = GetParam();
    constexpr int frames = 30000;
    arena(800, r.height);
    current_music = -1;
    {
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

INSTANTIATE_TEST_SUITE_P(
    Stages, BossSoak,
    testing::Values(SoakRow{"low_standing", 224, false}, SoakRow{"low_jumping", 224, true},
                    SoakRow{"middle_standing", 300, false}, SoakRow{"middle_jumping", 300, true},
                    SoakRow{"tall_standing", 600, false}, SoakRow{"tall_jumping", 600, true}),
    [](const testing::TestParamInfo<SoakRow>& info) { return std::string(info.param.name); });

}  // namespace
