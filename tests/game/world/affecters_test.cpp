#include <cmath>
#include <tuple>

#include "actors.h"
#include "world/affecters.h"
#include "world/game_random.h"

namespace {

class Affecters : public Actors {
  protected:
    // Runs the record's handler for ticks 1..last; calls look(tick, result)
    // after each.
    template <class F>
    static void run(affecter& a, int last, F look) {
        for (a.tick = 1; a.tick <= last; ++a.tick) {
            clear_draw_queue();
            look(a.tick, a.handler(&a, &a.carried));
        }
    }
    static const draw_request* weight() {
        for (const draw_request& r : draw_queue) {
            if (r.used) return &r;
        }
        return nullptr;
    }
};

TEST_F(Affecters, BombWavesAndTheEnd) {
    sound_entry[1] = {"", "tesmo_bomb1", 101};
    enemies[0].flags = flag_in_use | flag_stunned, enemies[0].health = 1000;
    enemies[1].flags = flag_in_use | flag_knocked_away, enemies[1].health = 1000;
    affecter a{affecter_tesmobomb, 1, {}, 0, {}, p};
    std::string waves;
    int before = 1000;
    run(a, 21, [&](int t, int result) {
        if (enemies[0].health != before) waves += std::to_string(t) + ",";
        before = enemies[0].health;
        EXPECT_EQ(result, t < 21 ? 0 : -1) << t;
    });
    EXPECT_EQ(waves, "1,6,11,16,");
    EXPECT_EQ(std::tuple(enemies[0].health, enemies[0].stun_frames, enemies[1].health),
              std::tuple(600, 900, 1000));
    EXPECT_EQ(count_of("PlaySoundHandle(101, 1, 1)"), 1);
}

TEST_F(Affecters, HeavyDropper) {
    enemies[0].flags = flag_in_use, enemies[0].points = 50, enemies[0].chain_level = 3;
    enemies[1].flags = flag_in_use | flag_defeated, enemies[1].health = 7;
    players[1].stun_count = 4;
    affecter a{affecter_heavy_dropper, 1, {}, 0, {}, p};
    int blinks = 0;
    run(a, 181, [&](int t, int result) {
        EXPECT_EQ(result, t < 181 ? 0 : -1);
        const draw_request* r = weight();
        if (t > 120) {
            blinks += r != nullptr;
            return;
        }
        ASSERT_TRUE(r) << t;
        if (t == 1) {
            EXPECT_NEAR(r->y, -254.6, 1e-9);
        }
        if (t == 39) {
            EXPECT_NEAR(r->y, 254.6, 1e-9);
        }
        if (t >= 40) {
            EXPECT_EQ(r->y, 268);
        }
        EXPECT_EQ(std::tuple(r->x, r->layer), std::tuple(400.0, uint8_t{110}));
        if (t == 39) {
            EXPECT_EQ(enemies[0].flags, flag_in_use) << "strikes on its 40th frame";
        }
    });
    EXPECT_EQ(blinks, 30);
    const enemy& e = enemies[0];
    EXPECT_EQ(std::tuple(e.chain_level, e.points, e.health, e.flags & 0xC),
              std::tuple(-1, 0, 0, 0xCu));
    EXPECT_NEAR(std::hypot(e.vx, e.vy), 20, 1e-9);
    EXPECT_EQ(enemies[1].health, 7) << "the dying are left alone";
    EXPECT_EQ(
        std::tuple(p.stun_frames, p.stun_count, players[1].stun_count, screen_shake.magnitude),
        std::tuple(180, 1, 5, 100.0));

    // A state whose next draw is a multiple of 20 shows the rare picture.
    for (uint32_t k = 1;; ++k) {
        game_random_state = {k, 2, 3, 4, 0};
        if (game_random_draw() % 20 != 0) continue;
        game_random_state = {k, 2, 3, 4, 0};
        break;
    }
    clear_draw_queue();
    a.tick = 1;
    affecter_heavy_dropper(&a, &a.carried);
    EXPECT_EQ(std::tuple(weight()->sprite, game_random_state.calls), std::tuple(451, 2u));
}

TEST_F(Affecters, BorderFencesTheArena) {
    affecter a{affecter_absolute_border, 1, {}, 0, {}, entity{}};
    a.carried.x = 400, a.carried.y = 300, a.carried.hit_w = 200, a.carried.hit_h = 100;
    a.carried.hit_dx = 10;  // box 310..510 x 250..350
    entity* fenced[] = {&enemies[0], &items[0], &crackers[0], &bullets[0], &players[1]};
    entity* free_to_go[] = {&enemies[1], &enemies[2], &items[1], &players[0]};
    for (entity* e : fenced) e->flags = flag_in_use, e->x = 900, e->y = 0;
    for (entity* e : free_to_go) e->flags = flag_in_use, e->x = 900, e->y = 0;
    enemies[1].flags |= flag_defeated, enemies[2].flags |= flag_knocked_away;
    items[1].flags2 = 0x10, p.flags |= flag_defeated;
    EXPECT_EQ(affecter_absolute_border(&a, &a.carried), 0);
    for (entity* e : fenced) EXPECT_EQ(std::pair(e->x, e->y), std::pair(510.0, 250.0));
    for (entity* e : free_to_go) EXPECT_EQ(std::pair(e->x, e->y), std::pair(900.0, 0.0));
    EXPECT_EQ(stage_info.horizontal_wrap + stage_info.vertical_wrap, 0);
}

}  // namespace
