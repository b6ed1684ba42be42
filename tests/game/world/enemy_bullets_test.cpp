#include <cmath>

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
        EXPECT_EQ(p.score, row.score);
        int popups = 0;
        for (const popup_text& t : popup_texts) popups += t.life > 0;
        EXPECT_EQ(popups, row.popups);
        EXPECT_GE(live(items), row.least_items);
        EXPECT_LE(live(items), row.most_items);
        EXPECT_EQ(food_counter, row.food);
        EXPECT_EQ(e.flags & (flag_knocked_away | flag_defeated),
                  row.food ? flag_defeated : flag_knocked_away);
    }
    enemy& e = enemies[0];
    e.flags = flag_in_use | flag_defeated, e.health = 1;
    update_enemy(&e);
    EXPECT_EQ(e.flags, flag_defeated) << "fallen out: the slot is free";
}

int spawn(int life) {
    return spawn_bullet(life, 0, 40, 0, 100, 100, 8, 8, 0, 0, 0, 0, 0, 0);
}

// Sprite x 1000 + angle of the bullet's draw request.
double drawn(bullet& b) {
    clear_draw_queue();
    draw_bullet(&b);
    return draw_queue[0].sprite * 1000 + draw_queue[0].angle;
}

TEST_F(EnemyBullets, BulletsMoveShrinkSpinAndSpawn) {
    struct Row {
        const char* name;
        double (*run)(bullet& b);  // on a fresh bullet of life 1
        double expected;
    };
    const Row rows[] = {
        {"life 1: scaled from the first update",
         [](bullet& b) {
             for (int i = 0; i < 6; ++i) update_bullet(&b);
             return (b.flags & flag_in_use) * b.draw_scale;
         },
         std::pow(0.6, 6)},
        {"life 1: freed on the seventh",
         [](bullet& b) {
             for (int i = 0; i < 7; ++i) update_bullet(&b);
             return double(b.flags & flag_in_use);
         },
         0},
        {"turn 2 closes the circle in 180",
         [](bullet& b) {
             b.life = 999, b.speed = 3, b.turn = 2;
             for (int i = 0; i < 180; ++i) update_bullet(&b);
             return std::round(std::hypot(b.x - 100, b.y - 100) * 1000);
         },
         0},
        {"half way it is a diameter away",
         [](bullet& b) {
             b.life = 999, b.speed = 3, b.turn = 2;
             for (int i = 0; i < 90; ++i) update_bullet(&b);
             return std::round(std::hypot(b.x - 100, b.y - 100));
         },
         172},  // 540 / pi
        {"cartesian",
         [](bullet& b) {
             b.motion = 1, b.cvx = 1, b.cax = 0.5, b.cjx = 0.25;
             for (int i = 0; i < 3; ++i) update_bullet(&b);
             return b.x - 100;
         },
         4.75},
        {"spin mode 1", [](bullet& b) { return b.spin_mode = 1, b.heading = 30, drawn(b); }, 40210},
        {"spin mode 2",
         [](bullet& b) {
             b.spin_mode = 2, b.spin = 10, b.spin_speed = 3, b.spin_accel = 1;
             return drawn(b), drawn(b);
         },
         40013},
        {"flicker, tick 3", [](bullet& b) { return b.flicker = 1, b.tick = 3, drawn(b); }, 41000},
        {"flicker, tick 6", [](bullet& b) { return b.flicker = 1, b.tick = 6, drawn(b); }, 40000},
        {"full pool: shrinking ones go first",
         [](bullet&) {
             while (spawn(10) != 511) {
             }
             bullets[7].life = -1, bullets[9].life = -2;
             return spawn(5) * 10.0 + spawn(5);
         },
         79},
        {"full pool, none shrinking",
         [](bullet&) {
             while (spawn(10) != 511) {
             }
             return double(spawn(5));
         },
         -1},
        {"a reused slot forgets its programme",
         [](bullet& b) {
             b.cax = 3, b.flags = 0;
             return bullets[spawn(9)].cax;
         },
         0},
        {"by type",
         [](bullet&) {
             const bullet& b = bullets[spawn_bullet_by_type(1, 9, 0, 0, 0, 0, 2)];
             return b.sprite_base + b.hit_w / 10 + b.hit_h / 100 + b.spin_mode / 1000.0;
         },
         70.701},
        {"types without a record",
         [](bullet&) {
             return double(spawn_bullet_by_type(0, 9, 0, 0, 0, 0, 2) +
                           spawn_bullet_by_type(2, 9, 0, 0, 0, 0, 2) +
                           spawn_bullet_by_type(256, 9, 0, 0, 0, 0, 2) +
                           spawn_bullet_by_type(-1, 9, 0, 0, 0, 0, 2));
         },
         -8},
    };
    bullet_types[0].code = -1;
    bullet_types[1] = {5, "", 70, 6, 10, 0, 0, 1};
    bullet_type_count = 2;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        reset_world();
        EXPECT_NEAR(row.run(bullets[spawn(1)]), row.expected, 1e-9);
    }
}

}  // namespace
