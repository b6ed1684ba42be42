#include <array>
#include <tuple>
#include <utility>

#include "actors.h"
#include "world/affecters.h"
#include "world/behaviour_tables.h"
#include "world/bullet.h"
#include "world/bullet_patterns.h"
#include "world/patterns_items.h"

namespace {

using BulletPatterns = Actors;
using AffecterSpawnDeathTest = Actors;

TEST_F(BulletPatterns, SubPatternsShapeOnlyBullets) {
    bullet& limited = bullets[spawn_bullet(99, 0, 1, 0, 0, 0, 8, 12, 0, 20, 0, 1, 0, 0)];
    limited.move_pattern = move_pattern_bullet_speedlimiter;
    for (int i = 0; i < 3; ++i) update_bullet(&limited);
    EXPECT_EQ(limited.x, 24) << "8 px a frame though it speeds up by 1";

    p.x = p.y = 400;
    bullet& b = bullets[spawn_bullet(99, 0, 1, 0, 100, 100, 8, 8, 0, 0.105, 0, 0, 0, 0)];
    b.move_pattern = move_pattern_bullet_stopandfollow;
    struct Row {
        const char* name;
        int frame, phase;
        double heading, speed;
        bool done;
    };
    const Row rows[] = {
        {"below 0.1 at once", 1, 1, 0, 0, false}, {"waits", 30, 1, 0, 0, false},
        {"aims at 30", 31, 1, 45, 1, false},      {"speeds up", 45, 1, 45, 15, false},
        {"then nothing", 46, 1, 45, 15, true},
    };
    int frame = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        for (; frame < row.frame; ++frame) update_bullet(&b);
        EXPECT_EQ(
            std::tuple(b.free_var[0], b.heading, b.speed, b.move_pattern == move_pattern_nothing),
            std::tuple(row.phase, row.heading, row.speed, row.done));
    }
    for (const auto [tick, facing, frame] :
         {std::array{6, 0, 2}, {9, 0, 1}, {4, 0, 3}, {4, 1, 1}, {-3, 1, 0}})
        EXPECT_EQ(walk_cycle_frame(tick, facing), frame) << tick << ", " << facing;
    bullet& c = bullets[spawn_bullet(99, 0, 1, 0, 0, 0, 8, 8, 0, -2, 0, 0, 0, 0)];
    c.tick = 10;
    bullet_nonnegative_speed_pattern(&c);
    bullet_early_flag_pattern(&c);
    bullet_blink_pattern(&c);
    EXPECT_EQ(c.speed + c.flicker + (c.flags & 0x40), 1) << "speed 0, flicker at tick 10, no pass";
    enemy& e = enemies[0];
    e.free_var[0] = 7, e.hit_w = 2, e.vx = 3;
    EXPECT_EQ(move_pattern_table[38].handler(&e), 0);
    EXPECT_EQ(move_pattern_table[39].handler(&e), 0);
    EXPECT_EQ(e.free_var[0] + e.free_var[1] + e.hit_w + e.vx, 12) << "an enemy is left alone";
}

TEST_F(AffecterSpawnDeathTest, BoundByNameAndStoppedWhenFull) {
    const std::pair<const char*, affecter_handler> rows[] = {
        {"affecter_tesmobomb", affecter_tesmobomb},
        {"xaffecter_heavy_dropper", affecter_heavy_dropper},
        {"xxaffecter_heavy_dropper", affecter_default},
    };
    p.x = 123;
    for (const auto& [name, handler] : rows) {
        SCOPED_TRACE(name);
        for (auto& a : affecters) a.active = 0;
        affecters[0].active = 1, affecters[1].active = 2;  // 2 is free too
        spawn_affecter(name, p, 1, 2, 3, 4);
        EXPECT_EQ(affecters[1].handler, handler);
        EXPECT_EQ(affecters[1].carried.x + affecters[1].p[3], 127);
    }
    EXPECT_EQ(find_affecter("xaffecter_tesmobomb"), nullptr);
    for (auto& a : affecters) a.active = 1;
    fake_engine::set_key_state(1, 1);
    EXPECT_EXIT(spawn_affecter("affecter_default", p, 0, 0, 0, 0), testing::ExitedWithCode(1),
                "fake engine: ShutdownEngineLocked");
}

}  // namespace
