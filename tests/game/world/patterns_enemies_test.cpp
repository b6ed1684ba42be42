// Enemy move patterns on a stage with player 0 at (400, 300).
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "DuRud.h"
#include "actors.h"
#include "world/behaviour_tables.h"
#include "world/game_random.h"
#include "world/patterns_enemies.h"

namespace {

class EnemyPatterns : public Actors {
  protected:
    enemy& e = enemies[0];
    void SetUp() override {
        Actors::SetUp();
        e = enemy{};
        e.flags = flag_in_use;
        bullet_types[0] = bullet_types[1] = {1, "", 70, 6, 6, 0, 0, 0};
        bullet_type_count = 2;
    }
    void TearDown() override {
        for (auto& b : bullets) b.flags = 0;
        Actors::TearDown();
    }
};

TEST_F(EnemyPatterns, FairyShootsAndDashes) {
    e.x = 300, e.y = 300, e.flags |= flag_standing;
    p.x = 400, p.y = 200;  // 141 px away, up and to the right
    int blinks = 0;
    for (e.tick = 1; e.tick <= 121; ++e.tick) {
        move_pattern_fairy_shoots(&e);
        blinks += (e.flags & flag_glow) != 0;
        if (e.tick == 46) {
            EXPECT_EQ(e.free_var[2], 75) << "attack after 46 frames near";
        }
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

TEST_F(EnemyPatterns, BooksAimInFractionsOfADegree) {
    e.x = 100, e.y = 300;
    p.x = 400, p.y = 310, p.flags = flag_in_use;
    p.opp_hit_w[e.type_code] = 16, p.opp_hit_h[e.type_code] = 32;
    for (int i = 0; i < 40; ++i) move_pattern_book_sniper(&e);
    ASSERT_EQ(live(bullets), 9);
    EXPECT_NEAR(bullets[0].heading, 1.9092, 1e-4);  // atan2(10, 300), not 1
}

TEST_F(EnemyPatterns, FramesAndMoves) {
    using M = move_pattern_handler;
    const M troll = move_pattern_trollface_movearound, turret = move_pattern_trollface_turret,
            follow = move_pattern_rabbit_follow, bounce = move_pattern_furball_bounce,
            ghost = move_pattern_ghost_follow, book = move_pattern_book_crazyturret;
    const uint32_t G = flag_standing, S = flag_stunned;
    const struct {
        const char* name;
        M pattern;
        uint32_t flags;
        int tick, facing0;
        double x, y, vx0, vy0;
        int frame, facing;
        double vx, vy;
    } rows[] = {
        {"troll walks", troll, 0, 7, 1, 300, 300, 0, 0, 6, 1, 0, 0},
        {"turret recoil", turret, 0, 13, 0, 300, 300, 0, 0, 2, 0, 0, 0},
        {"rabbit stunned", move_pattern_rabbit_idle, S, 11, 1, 300, 300, 0, 0, 7, 1, 0, 0},
        {"gazer faces right", move_pattern_fairy_gazer, 0, 15, 0, 300, 300, 0, 0, 5, 1, 0, 0},
        {"crazy book stunned", book, S, 3, 1, 300, 300, 0, 0, 16, 1, 0, 0},
        {"crazy book", book, 0, 8, 1, 300, 300, 0, 0, 8, 1, 0, 0},
        {"follow hop, s unused", follow, G, 80, 0, 300, 300, 0, 0, 5, 1, 3, -6},
        {"walkfollow left", move_pattern_rabbit_walkfollow, G, 40, 1, 500, 0, 0, 0, 1, 0, -4, -6},
        {"one way right", move_pattern_rabbit_move1way, G, 180, 1, 500, 0, 0, 0, 5, 1, 6, -12},
        {"rising in the air", follow, 0, 80, 0, 300, 300, 0, -1, 1, 0, 0, -1},
        {"bounce down-left", bounce, 0, 0, 1, 0, 0, -2, 2, 0, 0, -2, 2},
        {"bounce up-left", bounce, 0, 0, 0, 0, 0, -2, -2, 4, 1, -2, -2},
        {"bounce up-right", bounce, 0, 0, 0, 0, 0, 2, -2, 4, 1, 2, -2},
        {"bounce down-right keeps", bounce, 0, 0, 0, 0, 0, 2, 2, 0, 0, 2, 2},
        {"ghost stunned", ghost, S, 3, 0, 300, 300, 0, 0, 2, 0, 0, 0},
        {"ghost on the player", ghost, 0, 0, 0, 400, 300, 0, 0, 4, 1, 0, 3},
        {"ghost to the right", ghost, 0, 0, 1, 700, 300, 0, 0, 0, 0, -3, 0},
    };
    for (const auto& r : rows) {
        e.flags = flag_in_use | r.flags, e.speed_factor = 2, e.tick = r.tick, e.facing = r.facing0;
        e.x = r.x, e.y = r.y, e.vx = r.vx0, e.vy = r.vy0;
        EXPECT_EQ(std::tuple(r.pattern(&e), e.facing, e.vx, e.vy),
                  std::tuple(r.frame, r.facing, r.vx, r.vy))
            << r.name;
    }
    for (auto& b : bullets) b.flags = 0;
    e.tick = 20;
    move_pattern_trollface_turret(&e);
    const double headings[] = {20, 110, 200, 290};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(std::pair(bullets[i].heading, bullets[i].flicker),
                  std::pair(headings[i], int{i != 1}));
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
        int count, fired;
    } sights[] = {
        {"shotgun in range", move_pattern_book_shotgun, 400, false, false, 44, 20},
        {"shotgun through a wall", move_pattern_book_shotgun, 400, true, false, 0, 0},
        {"shotgun at a downed player", move_pattern_book_shotgun, 400, false, true, 0, 0},
        {"shotgun out of range", move_pattern_book_shotgun, 700, false, false, 0, 0},
        {"sniper far away", move_pattern_book_sniper, 700, false, false, 44, 9},
        {"charge through a wall", move_pattern_furball_charge, 400, true, false, 0, 0},
        {"charge", move_pattern_furball_charge, 400, false, false, 36, 0},
    };
    for (const auto& r : sights) {
        for (auto& b : blocks) b.flags = 0;
        if (r.block_between) place_block(0, 350, 300);
        e = enemy{}, e.flags = flag_in_use, e.x = 300, e.y = 300, e.facing = 0;
        p.x = r.player_x, p.flags = flag_in_use | (r.downed ? flag_defeated : 0u);
        r.pattern(&e);
        EXPECT_EQ(e.free_var[0], r.count) << r.name;
        if (r.count == 0) continue;
        EXPECT_EQ(e.facing, 1) << r.name;
        for (auto& b : bullets) b.flags = 0;
        for (int i = 0; i < 36; ++i) r.pattern(&e);
        EXPECT_EQ(live(bullets), r.fired) << r.name;
    }
    EXPECT_EQ(std::pair(bullets[8].speed, bullets[8].heading), std::pair(13.0, 0.0)) << "sniper";
    EXPECT_EQ(std::pair(e.free_var[1], e.vx), std::pair(1, 8.0)) << "charging";
    e.vx = 0;  // stopped by a wall
    move_pattern_furball_charge(&e);
    EXPECT_EQ(std::tuple(e.free_var[1], e.vy, screen_shake.magnitude), std::tuple(0, -3.0, 3.0));
    e.free_var[1] = 1, e.vy = 0, screen_shake.magnitude = 0;
    e.speed_factor = 0.5, e.vx = 4;  // a slow furball's charge is spent below 8 px a frame
    move_pattern_furball_charge(&e);
    EXPECT_EQ(std::tuple(e.free_var[1], e.vy, screen_shake.magnitude), std::tuple(0, -3.0, 3.0))
        << "slow charge";
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
        {"last shot", 333, false, 12, -45},
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
}

// At (tick mod 300) = 170 the fairy calls one or two of the list's "けだま"
// into the first free slots, unless eight enemies are about or the list has
// no such type; the shared aim turns to a multiple of 45 degrees towards 0.
TEST_F(EnemyPatterns, BossFairyCallsFurballs) {
    const struct {
        const char* name;
        uint32_t random_x;  // 1: the next draw is odd, 0: even
        int others;
        bool typed;
        int made;
    } rows[] = {{"two", 1, 0, true, 2},
                {"one", 0, 0, true, 1},
                {"seven about and the fairy", 1, 7, true, 0},
                {"six about and the fairy", 1, 6, true, 2},
                {"no such type", 1, 0, false, 0}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        for (auto& x : enemies) x.flags = 0;
        e.flags = flag_in_use;
        e.x = 300, e.y = 300, e.tick = 170;
        for (int k = 1; k <= r.others; ++k) enemies[k].flags = flag_in_use;
        enemy_types[3] = {7, "", 640, 80, 20, 18, 0, 4, 50};
        std::strcpy(enemy_types[3].name, r.typed ? DuRud::Cp932Text("けだま") : "kedama");
        enemy_type_count = 4;
        game_random_state = {r.random_x, 0, 0, 0, 0};
        bossfairy_aim = -60.9;
        move_pattern_bossfairy(&e);
        int made = 0;
        for (int k = r.others + 1; k < 256; ++k) made += (enemies[k].flags & flag_in_use) != 0;
        ASSERT_EQ(made, r.made);
        if (made == 0) continue;
        EXPECT_EQ(bossfairy_aim, -45.0);
        const enemy& first = enemies[r.others + 1];
        EXPECT_EQ(std::tuple(first.x, first.y, first.sprite_base, first.health, first.hit_h,
                             first.speed_factor, first.vx, first.vy),
                  std::tuple(300.0, 300.0, 640, 100, 18.0, 1.4, 0.0, 0.0));
        EXPECT_EQ(first.move_pattern, move_pattern_furball_bounce);
        if (made < 2) continue;
        const enemy& second = enemies[r.others + 2];
        EXPECT_EQ(second.speed_factor, 1.2);
        EXPECT_NEAR(second.vx, 9.1924, 1e-4);  // 13 x cos(-45 degrees)
        EXPECT_NEAR(second.vy, -9.1924, 1e-4);
        EXPECT_EQ(second.move_pattern, move_pattern_furball_charge);
    }
    for (auto& x : enemies) x.flags = 0;
    enemy_type_count = 0;
}

TEST_F(EnemyPatterns, SoakEveryEnemyRow) {
    for (int row = 9; row <= 35; ++row) {
        if (row >= 28 && row <= 30) continue;  // item and intro rows
        e = enemy{};
        e.flags = flag_in_use, e.x = 200, e.y = 300;
        bool sane = true;
        for (int t = 0; t < 2000 && sane; ++t) {
            p.x = 400 + 150 * std::sin(t / 40.0), p.y = 300 + 60 * std::cos(t / 25.0);
            e.tick = t;
            const uint32_t state = t % 600 > 520 ? flag_stunned : t % 97 < 60 ? flag_standing : 0u;
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
