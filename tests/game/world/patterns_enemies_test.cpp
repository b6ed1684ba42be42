// Enemy move patterns on a stage with player 0 at (400, 300).
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "actors.h"
#include "world/behaviour_tables.h"
#include "world/patterns_enemies.h"

namespace {

class EnemyPatterns : public Actors {
  protected:
    enemy& e = enemies[0];
    void SetUp() override {
        Actors::SetUp();
        e = enemy{};
        e.flags = flag_in_use;
        bullet_types[0] = {1, "", 70, 6, 6, 0, 0, 0};
        bullet_types[1] = {2, "", 71, 6, 6, 0, 0, 0};
        bullet_type_count = 2;
    }
    void TearDown() override {
        for (auto& b : bullets) b.flags = 0;
        e = enemy{};
        Actors::TearDown();
    }
};

TEST_F(EnemyPatterns, Frames) {
    const struct {
        const char* name;
        move_pattern_handler pattern;
        uint32_t flags;
        int tick, facing, frame;
    } rows[] = {
        {"troll walks", move_pattern_trollface_movearound, 0, 7, 1, 6},
        {"troll dying", move_pattern_trollface_movearound, flag_defeated, 7, 1, 10},
        {"turret stunned", move_pattern_trollface_turret, flag_stunned, 13, 1, 7},
        {"turret recoil", move_pattern_trollface_turret, 0, 13, 0, 2},
        {"rabbit stunned late", move_pattern_rabbit_idle, flag_stunned, 11, 1, 7},
        {"rabbit stunned early", move_pattern_rabbit_idle, flag_stunned, 10, 1, 6},
        {"gazer faces right", move_pattern_fairy_gazer, 0, 15, 0, 5},
        {"ghost stunned", move_pattern_ghost_follow, flag_stunned, 3, 0, 2},
        {"crazy book stunned", move_pattern_book_crazyturret, flag_stunned, 3, 1, 16},
        {"crazy book", move_pattern_book_crazyturret, 0, 8, 1, 8},
    };
    for (const auto& r : rows) {
        e.x = 300, e.flags = flag_in_use | r.flags, e.tick = r.tick, e.facing = r.facing;
        EXPECT_EQ(r.pattern(&e), r.frame) << r.name;
    }
}

TEST_F(EnemyPatterns, RabbitHops) {
    const struct {
        const char* name;
        move_pattern_handler pattern;
        int tick, facing;
        double x, vy0, vx, vy;
        int frame;
    } rows[] = {
        {"follow, speed factor unused", move_pattern_rabbit_follow, 80, 0, 300, 0, 3, -6, 5},
        {"walkfollow leftwards", move_pattern_rabbit_walkfollow, 40, 1, 500, 0, -4, -6, 1},
        {"one way right", move_pattern_rabbit_move1way, 180, 1, 500, 0, 6, -12, 5},
        {"no hop off the beat", move_pattern_rabbit_follow, 81, 1, 300, 0, 0, 0, 4},
        {"rising in the air", move_pattern_rabbit_follow, 80, 0, 300, -1, 0, -1, 1},
    };
    for (const auto& r : rows) {
        const bool airborne = r.vy0 != 0;
        e.flags = flag_in_use | (airborne ? 0 : flag_standing), e.speed_factor = 2;
        e.tick = r.tick, e.facing = r.facing, e.x = r.x, e.vx = 0, e.vy = r.vy0;
        EXPECT_EQ(r.pattern(&e), r.frame) << r.name;
        EXPECT_EQ(std::pair(e.vx, e.vy), std::pair(r.vx, r.vy)) << r.name;
    }
}

TEST_F(EnemyPatterns, FairyShootsAndDashes) {
    e.x = 300, e.y = 300, e.flags |= flag_standing;
    p.x = 400, p.y = 200;  // 141 px away, up and to the right
    int blinks = 0;
    for (e.tick = 1; e.tick <= 121; ++e.tick) {
        move_pattern_fairy_shoots(&e);
        blinks += (e.flags & flag_glow) != 0;
        if (e.tick == 46) EXPECT_EQ(e.free_var[2], 75) << "attack after 46 frames near";
    }
    EXPECT_EQ(std::pair(e.free_var[2], live(bullets)), std::pair(0, 5));
    EXPECT_EQ(std::pair(bullets[4].heading, bullets[4].speed), std::pair(-45.0, 6.0));
    EXPECT_EQ(blinks, 20) << "counts 74..16 with count mod 6 below 2";

    e.free_var[0] = 5, e.flags = flag_in_use | flag_standing | flag_stunned | 0x100;
    EXPECT_EQ(move_pattern_fairy_shoots(&e), 6) << "stunned while dashing";
    EXPECT_EQ(std::pair(e.flags & 0x100, e.free_var[0]), std::pair(0u, 0));
    e.free_var[0] = 5, e.flags = flag_in_use | 0x100;
    move_pattern_fairy_follow(&e);
    EXPECT_EQ(std::pair(e.flags & 0x100, e.free_var[0]), std::pair(0u, 0)) << "left the ground";
}

TEST_F(EnemyPatterns, FacingAndAim) {
    const struct {
        const char* name;
        move_pattern_handler pattern;
        double x, y, vx, vy;
        int facing_before, facing;
        double out_vx, out_vy;
    } rows[] = {
        {"bounce down-left", move_pattern_furball_bounce, 0, 0, -2, 2, 1, 0, -2, 2},
        {"bounce up-left", move_pattern_furball_bounce, 0, 0, -2, -2, 0, 1, -2, -2},
        {"bounce up-right", move_pattern_furball_bounce, 0, 0, 2, -2, 0, 1, 2, -2},
        {"bounce down-right keeps", move_pattern_furball_bounce, 0, 0, 2, 2, 0, 0, 2, 2},
        {"ghost above the player", move_pattern_ghost_follow, 400, 200, 0, 0, 0, 1, 0, 1.5},
        {"ghost on the player", move_pattern_ghost_follow, 400, 300, 0, 0, 0, 1, 0, 1.5},
        {"ghost to the right", move_pattern_ghost_follow, 700, 300, 0, 0, 1, 0, -1.5, 0},
    };
    for (const auto& r : rows) {
        e.x = r.x, e.y = r.y, e.vx = r.vx, e.vy = r.vy, e.facing = r.facing_before;
        r.pattern(&e);
        EXPECT_EQ(std::tuple(e.facing, e.vx, e.vy), std::tuple(r.facing, r.out_vx, r.out_vy))
            << r.name;
    }
    e.tick = 20;
    move_pattern_trollface_turret(&e);
    const double headings[] = {20, 110, 200, 290};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(std::tuple(bullets[i].heading, bullets[i].flicker, bullets[i].life),
                  std::tuple(headings[i], i == 1 ? 0 : 1, 30))
            << i;
}

TEST_F(EnemyPatterns, WallsLedgesAndSightLines) {
    const struct {
        const char* name;
        bool wall, shut_wall, floor;
        int facing;
        double vx;
    } walks[] = {
        {"floor ahead", false, false, true, 1, 1.25},
        {"ledge", false, false, false, 0, 0},
        {"wall", true, false, true, 0, 0},
        {"shut wall is no wall", true, true, true, 1, 1.25},
    };
    for (const auto& r : walks) {
        for (auto& b : blocks) b.flags = 0;
        if (r.wall) place_block(0, 320, 300).flags |= r.shut_wall ? 0x80 : 0;
        if (r.floor) place_block(1, 308, 330);
        e.x = 300, e.y = 300, e.hit_w = 16, e.hit_h = 32, e.facing = 1, e.vx = 0;
        move_pattern_fairy_movearound_floor(&e);
        EXPECT_EQ(std::pair(e.facing, e.vx), std::pair(r.facing, r.vx)) << r.name;
    }

    p.opp_hit_w[e.type_code] = 16, p.opp_hit_h[e.type_code] = 32;
    const struct {
        const char* name;
        move_pattern_handler pattern;
        double player_x;
        bool block_between, downed;
        int count;
    } sights[] = {
        {"shotgun in range", move_pattern_book_shotgun, 400, false, false, 44},
        {"shotgun through a wall", move_pattern_book_shotgun, 400, true, false, 0},
        {"shotgun at a downed player", move_pattern_book_shotgun, 400, false, true, 0},
        {"shotgun out of range", move_pattern_book_shotgun, 700, false, false, 0},
        {"sniper far away", move_pattern_book_sniper, 700, false, false, 44},
        {"charge through a wall", move_pattern_furball_charge, 400, true, false, 0},
        {"charge", move_pattern_furball_charge, 400, false, false, 36},
    };
    for (const auto& r : sights) {
        for (auto& b : blocks) b.flags = 0;
        if (r.block_between) place_block(0, 350, 300);
        e = enemy{}, e.flags = flag_in_use, e.x = 300, e.y = 300, e.facing = 0;
        p.x = r.player_x, p.flags = flag_in_use | (r.downed ? flag_defeated : 0);
        r.pattern(&e);
        EXPECT_EQ(e.free_var[0], r.count) << r.name;
        if (r.count == 0) continue;
        EXPECT_EQ(e.facing, 1) << r.name;
        for (auto& b : bullets) b.flags = 0;
        for (int i = 0; i < 36; ++i) r.pattern(&e);
        const int fired = r.pattern == move_pattern_book_shotgun  ? 20
                          : r.pattern == move_pattern_book_sniper ? 9
                                                                  : 0;
        EXPECT_EQ(live(bullets), fired) << r.name;
    }
    EXPECT_EQ(std::pair(bullets[8].speed, bullets[8].heading), std::pair(13.0, 0.0)) << "sniper";
    EXPECT_EQ(std::pair(e.free_var[1], e.vx), std::pair(1, 8.0)) << "charging";
    e.vx = 0;  // stopped by a wall
    move_pattern_furball_charge(&e);
    EXPECT_EQ(std::tuple(e.free_var[1], e.vy, screen_shake.magnitude), std::tuple(0, -3.0, 3.0));
}

TEST_F(EnemyPatterns, BossFairyVolley) {
    bossfairy_aim = -1.0;
    e.x = 300, e.y = 300, e.hit_w = 16, e.facing = 1, e.flags |= flag_standing;
    p.x = 400, p.y = 200;
    const struct {
        const char* name;
        int tick;
        bool blink;
        int bullets;
        double aim;
    } rows[] = {
        {"no aim, no blink", 1, false, 0, -1},      {"aims on 300", 300, true, 0, -45},
        {"blinks after aiming", 307, true, 0, -45}, {"blink window over", 318, false, 6, -45},
        {"between shots", 319, false, 6, -45},      {"last shot", 333, false, 12, -45},
        {"after the volley", 336, false, 12, -45},
    };
    for (const auto& r : rows) {
        e.tick = r.tick;
        move_pattern_bossfairy(&e);
        EXPECT_EQ(std::tuple((e.flags & flag_glow) != 0, live(bullets), bossfairy_aim),
                  std::tuple(r.blink, r.bullets, r.aim))
            << r.name;
    }
    EXPECT_EQ(std::tuple(bullets[6].heading, bullets[11].heading, e.vx),
              std::tuple(-80.0, -10.0, 3.0));
    EXPECT_NE(e.flags & flag_no_gravity, 0u) << "hovers once it touched ground";
    bossfairy_aim = -1.0;
}

TEST_F(EnemyPatterns, SoakEveryEnemyRow) {
    const int rows[] = {9,  10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20,
                        21, 22, 23, 24, 25, 26, 27, 31, 32, 33, 34, 35};
    for (int row : rows) {
        e = enemy{};
        e.flags = flag_in_use, e.x = 200, e.y = 300;
        bool sane = true;
        for (int t = 0; t < 2000 && sane; ++t) {
            p.x = 400 + 150 * std::sin(t / 40.0), p.y = 300 + 60 * std::cos(t / 25.0);
            e.tick = t;
            const uint32_t state = t % 600 > 520 ? flag_stunned : t % 97 < 60 ? flag_standing : 0;
            e.flags = (e.flags & ~(flag_stunned | flag_standing)) | state;
            if (state == flag_standing) e.vy = 0;
            const int frame = move_pattern_table[row].handler(&e);
            e.x += e.vx, e.y += e.vy;
            sane = frame >= 0 && frame <= 16 && std::isfinite(e.x) && std::isfinite(e.y);
        }
        EXPECT_TRUE(sane) << move_pattern_table[row].name;
    }
}

}  // namespace
