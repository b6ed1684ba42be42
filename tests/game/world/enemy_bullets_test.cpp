#include <cmath>
#include <tuple>

#include "actors.h"
#include "world/bullet.h"
#include "world/enemy.h"

namespace {

using EnemyBullets = Actors;

TEST_F(EnemyBullets, KnockedAwayEnemiesPayByChainLevel) {
    struct Row {
        const char* name;
        uint32_t extra_flags;
        int chain, health, score, popups, least_items, most_items, food;
    };
    const Row rows[] = {
        {"level 0 pays twice", 0, 0, 1, 200, 2, 1, 2, 4},
        {"level 2 doubles", 0, 2, 1, 200, 1, 2, 4, 4},
        {"level 4 triples and feeds", 0, 4, 1, 300, 1, 4, 8, 5},
        {"level 9 pays sevenfold", 0, 9, 1, 700, 1, 1, 1, 4},
        {"level -1 pays nothing", 0, -1, 1, 0, 0, 0, 0, 4},
        {"still flying", 0, 2, 5, 0, 0, 0, 0, 0},
        {"0x10000000 pays at once", flag_knock_on_empty, 1, 200, 100, 1, 1, 2, 4},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        SetUp();
        enemy& e = enemies[0];
        e.flags = flag_in_use | flag_knocked_away | row.extra_flags;
        e.chain_level = row.chain, e.health = row.health, e.points = 100, e.killer = 0;
        update_enemy(&e);
        int popups = 0;
        for (const popup_text& t : popup_texts) popups += t.life > 0;
        EXPECT_EQ(std::tuple(p.score, popups, food_counter, e.flags & 0xC),
                  std::tuple(row.score, row.popups, row.food,
                             row.food ? flag_defeated : flag_knocked_away));
        EXPECT_TRUE(live(items) >= row.least_items && live(items) <= row.most_items);
    }
    enemy& e = enemies[0];
    e.flags = flag_in_use | flag_defeated, e.health = 1;
    update_enemy(&e);
    EXPECT_EQ(e.flags, flag_defeated) << "fallen out: the slot is free";
}

int spawn(int life) {
    return spawn_bullet(life, 0, 40, 0, 100, 100, 8, 8, 0, 3, 0, 0, 0, 0);
}

TEST_F(EnemyBullets, BulletsMoveShrinkSpinAndSpawn) {
    struct Motion {
        const char* name;
        int life, motion;
        double turn, cvx, cax, cjx;
        int updates;
        double x, y, scale;  // scale 0: freed
    };
    const Motion motions[] = {
        {"life 1: scaled from the first update", 1, 0, 0, 0, 0, 0, 6, 118, 100, 0.046656},
        {"life 1: freed on the seventh", 1, 0, 0, 0, 0, 0, 7, 121, 100, 0},
        {"turn 2 closes a circle in 180", 999, 0, 2, 0, 0, 0, 180, 100, 100, 1},
        {"cartesian", 999, 1, 0, 1, 0.5, 0.25, 3, 104.75, 100, 1},
    };
    for (const Motion& m : motions) {
        SCOPED_TRACE(m.name);
        bullet& b = bullets[spawn(m.life)];
        b.motion = m.motion, b.turn = m.turn, b.cvx = m.cvx, b.cax = m.cax, b.cjx = m.cjx;
        for (int i = 0; i < m.updates; ++i) update_bullet(&b);
        EXPECT_NEAR(std::hypot(b.x - m.x, b.y - m.y), 0, 1e-3);
        EXPECT_NEAR((b.flags & flag_in_use) * b.draw_scale, m.scale, 1e-9);
        b.flags = 0;
    }
    struct Draw {
        const char* name;
        int spin_mode, flicker, tick, draws;
        double heading, spin, spin_speed, spin_accel;
        int sprite;
        double angle;
    };
    const Draw draws[] = {
        {"spin 1: heading + 180", 1, 0, 0, 1, 30, 0, 0, 0, 40, 210},
        {"spin 2: faster each draw", 2, 0, 0, 2, 0, 10, 3, 1, 40, 13},
        {"flicker, tick 3: next frame", 0, 1, 3, 1, 0, 0, 0, 0, 41, 0},
        {"flicker, tick 6: own frame", 0, 1, 6, 1, 0, 0, 0, 0, 40, 0},
    };
    for (const Draw& d : draws) {
        SCOPED_TRACE(d.name);
        bullet& b = bullets[spawn(9)];
        b.spin_mode = d.spin_mode, b.flicker = d.flicker, b.tick = d.tick, b.heading = d.heading;
        b.spin = d.spin, b.spin_speed = d.spin_speed, b.spin_accel = d.spin_accel;
        for (int i = 0; i < d.draws; ++i) clear_draw_queue(), draw_bullet(&b);
        EXPECT_EQ(std::tuple(draw_queue[0].sprite, draw_queue[0].angle),
                  std::tuple(d.sprite, d.angle));
        b.flags = 0;
    }
    bullets[0].cax = 3;
    EXPECT_EQ(bullets[spawn(9)].cax, 0) << "a reused slot forgets its programme";
    while (spawn(10) != bullets.size - 1) {
    }
    bullets[7].life = -1, bullets[9].life = -2;
    EXPECT_EQ(spawn(5), 7) << "full: the first shrinking one goes";
    EXPECT_EQ(spawn(5), 9);
    EXPECT_EQ(spawn(5), -1) << "full, none shrinking";
    reset_world();
    bullet_types[0].code = -1;
    bullet_types[1] = {5, "", 70, 6, 10, 0, 0, 1};
    bullet_type_count = 2;
    const bullet& t = bullets[spawn_bullet_by_type(1, 9, 0, 0, 0, 0, 2)];
    EXPECT_EQ(t.sprite_base + t.hit_w + t.hit_h + t.spin_mode, 70 + 6 + 10 + 1);
    for (int type : {0, 2, 256, -1}) EXPECT_EQ(spawn_bullet_by_type(type, 9, 0, 0, 0, 0, 2), -2);
}

}  // namespace
