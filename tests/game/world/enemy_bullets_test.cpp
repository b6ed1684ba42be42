#include <cmath>
#include <functional>

#include "actors.h"
#include "world/bullet.h"
#include "world/enemy.h"

namespace {

using EnemyBullets = Actors;

TEST_F(EnemyBullets, KnockedAwayEnemiesPayByChainLevel) {
    struct Row {
        const char* name;
        uint32_t flags;
        int chain, health, score, popups, least_items, most_items, food;
    };
    const uint32_t flying = flag_in_use | flag_knocked_away;
    const Row rows[] = {
        {"level 0 pays twice", flying, 0, 1, 200, 2, 1, 2, 4},
        {"level 2 doubles", flying, 2, 1, 200, 1, 2, 4, 4},
        {"level 4 triples and feeds", flying, 4, 1, 300, 1, 4, 8, 5},
        {"level 9 pays sevenfold", flying, 9, 1, 700, 1, 1, 1, 4},
        {"level -1 pays nothing", flying, -1, 1, 0, 0, 0, 0, 4},
        {"still flying", flying, 2, 5, 0, 0, 0, 0, 0},
        {"0x10000000 pays at once", flying | flag_knock_on_empty, 1, 200, 100, 1, 1, 2, 4},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        SetUp();
        enemy& e = enemies[0];
        e.flags = row.flags, e.chain_level = row.chain, e.health = row.health;
        e.points = 100, e.killer = 0;
        update_enemy(&e);
        EXPECT_EQ(p.score, row.score);
        int popups = 0;
        for (const popup_text& t : popup_texts) popups += t.life > 0;
        EXPECT_EQ(popups, row.popups);
        EXPECT_GE(live(items), row.least_items);
        EXPECT_LE(live(items), row.most_items);
        EXPECT_EQ(food_counter, row.food);
        const bool paid = row.food > 0;
        EXPECT_EQ(e.flags & (flag_knocked_away | flag_defeated),
                  paid ? flag_defeated : flag_knocked_away);
        if (paid) EXPECT_EQ(e.health, 50);
        TearDown();
    }
    enemy& e = enemies[0];
    e.flags = flag_in_use | flag_defeated, e.health = 1;
    update_enemy(&e);
    EXPECT_EQ(e.flags, flag_defeated) << "fallen out: the slot is free";
}

TEST_F(EnemyBullets, BulletsMoveShrinkSpinAndSpawn) {
    auto fresh = [](int life) -> bullet& {
        return bullets[spawn_bullet(life, 0, 40, 0, 100, 100, 8, 8, 0, 0, 0, 0, 0, 0)];
    };
    auto queued_angle = [](bullet& b) {
        clear_draw_queue();
        draw_bullet(&b);
        return draw_queue[0].angle + 1000 * draw_queue[0].sprite;
    };
    bullet_types[0].code = -1;
    bullet_types[1] = {5, "", 70, 6, 10, 0, 0, 1};
    bullet_type_count = 2;
    struct Row {
        const char* name;
        std::function<double()> run;
        double expected;
    };
    const Row rows[] = {
        {"life 1: scaled from the first update", [&] {
             bullet& b = fresh(1);
             for (int i = 0; i < 6; ++i) update_bullet(&b);
             return (b.flags & flag_in_use) * b.draw_scale;
         }, std::pow(0.6, 6)},
        {"life 1: freed on the seventh", [&] {
             bullet& b = fresh(1);
             for (int i = 0; i < 7; ++i) update_bullet(&b);
             return double(b.flags & flag_in_use);
         }, 0},
        {"turn 2 closes the circle in 180", [&] {
             bullet& b = fresh(999);
             b.speed = 3, b.turn = 2;
             for (int i = 0; i < 180; ++i) update_bullet(&b);
             return std::round(std::hypot(b.x - 100, b.y - 100) * 1000);
         }, 0},
        {"turn 2, half way is a diameter away", [&] {
             bullet& b = fresh(999);
             b.speed = 3, b.turn = 2;
             for (int i = 0; i < 90; ++i) update_bullet(&b);
             return std::round(std::hypot(b.x - 100, b.y - 100));
         }, 172},  // 3 / sin(1 degree) across
        {"cartesian", [&] {
             bullet& b = fresh(999);
             b.motion = 1, b.cvx = 1, b.cax = 0.5, b.cjx = 0.25;
             for (int i = 0; i < 3; ++i) update_bullet(&b);
             return b.x - 100;
         }, 4.75},
        {"spin mode 1: heading + 180", [&] {
             bullet& b = fresh(9);
             b.spin_mode = 1, b.heading = 30;
             return queued_angle(b);
         }, 40210},
        {"spin mode 2: spins faster each draw", [&] {
             bullet& b = fresh(9);
             b.spin_mode = 2, b.spin = 10, b.spin_speed = 3, b.spin_accel = 1;
             queued_angle(b);
             return queued_angle(b);
         }, 40013},
        {"flicker, tick 3: next frame", [&] {
             bullet& b = fresh(9);
             b.flicker = 1, b.tick = 3;
             return queued_angle(b);
         }, 41000},
        {"flicker, tick 6: own frame", [&] {
             bullet& b = fresh(9);
             b.flicker = 1, b.tick = 6;
             return queued_angle(b);
         }, 40000},
        {"full pool: the first shrinking one goes", [&] {
             for (int i = 0; i < bullets.size; ++i) fresh(10);
             bullets[7].life = -1, bullets[9].life = -2;
             const int first = spawn_bullet(5, 0, 40, 0, 0, 0, 8, 8, 0, 0, 0, 0, 0, 0);
             return first * 10 + spawn_bullet(5, 0, 40, 0, 0, 0, 8, 8, 0, 0, 0, 0, 0, 0);
         }, 79},
        {"a reused slot forgets its cartesian programme", [&] {
             bullet& b = fresh(9);
             b.cax = 3, b.flags = 0;
             return fresh(9).cax;
         }, 0},
        {"full pool, none shrinking: dropped", [&] {
             for (int i = 0; i < bullets.size; ++i) fresh(10);
             return double(spawn_bullet(5, 0, 40, 0, 0, 0, 8, 8, 0, 0, 0, 0, 0, 0));
         }, -1},
        {"type 1", [&] {
             bullet& b = bullets[spawn_bullet_by_type(1, 9, 0, 0, 0, 0, 2)];
             return b.sprite_base + b.hit_w / 10 + b.hit_h / 100 + b.spin_mode / 1000.0;
         }, 70.701},
        {"type code -1", [&] { return double(spawn_bullet_by_type(0, 9, 0, 0, 0, 0, 2)); }, -2},
        {"type past those read", [&] { return double(spawn_bullet_by_type(2, 9, 0, 0, 0, 0, 2)); }, -2},
        {"type 256", [&] { return double(spawn_bullet_by_type(256, 9, 0, 0, 0, 0, 2)); }, -2},
        {"type -1", [&] { return double(spawn_bullet_by_type(-1, 9, 0, 0, 0, 0, 2)); }, -2},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        reset_world();
        EXPECT_NEAR(row.run(), row.expected, 1e-9);
    }
}

}  // namespace
