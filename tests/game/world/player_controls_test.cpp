#include <tuple>

#include "actors.h"
#include "world/affecters.h"

namespace {

using PlayerControls = Actors;

TEST_F(PlayerControls, ScriptedHoldsGiveTheMovesAndFrames) {
    struct Row {
        const char* name;
        uint32_t flags;  // set again, velocity zeroed, before each control frame
        int facing;
        unsigned keys;     // held for frames, the controls running on the last,
        int frames, then;  // then one more frame with then's keys (-1: none)
        double vx, vy;
        int shown;
        uint32_t after;  // of the watched flags
        int tag = 10, queue4 = -1;
    };
    const uint32_t st = flag_standing, cl = flag_slide_left, cr = flag_slide_right;
    const uint32_t watched = cl | cr | flag_rising | flag_high_jump | flag_dash | flag_back_jump;
    const uint32_t hj = flag_rising | flag_high_jump, water = flag_in_water;
    const Row rows[] = {
        {"walk left 7", st, 1, L, 7, -1, -1.6, 0, 2, 0},
        {"walk right 20", st, 0, R, 20, -1, 1.6, 0, 41, 0},
        {"pushing right", st | flag_pushing, 0, R, 3, -1, 1.6, 0, 44, 0},
        {"plain jump", st, 0, J, 1, -1, 0, -6, 0, flag_rising},
        {"up, jump held 30", st, 0, U | J, 30, U, 0, -12, 0, hj},
        {"up, jump held 60", st, 0, U | J, 60, U, 0, -16, 0, hj},
        {"up, jump held 61", st, 0, U | J, 61, U, 0, -16, 0, hj},
        {"dash right", st, 1, D | R | J, 1, -1, 6, -2, 58, flag_dash | flag_rising, 15, 30},
        {"back-jump", st, 0, D | J, 1, -1, 4, -4, 0, flag_back_jump | flag_rising, 15},
        {"back-jump, next frame", flag_back_jump, 0, J, 2, -1, 1.1, -0.25, 25, flag_back_jump},
        {"left cling, right held", cl, 0, R, 1, -1, -1.6, 0, 23, cl},
        {"left cling, jump tapped", cl, 0, J, 2, -1, -1.6, -3.5, 21, cl | flag_rising},
        {"left cling, idle", cl, 0, 0, 1, -1, -1.6, 0, 20, cl},
        {"jump away from the left wall", cl, 0, R | J, 1, -1, 3.2, -3.5, 63, flag_rising},
        {"right cling, left held", cr, 1, L, 1, -1, 1.6, 0, 103, cr},
        {"down drops off the wall", cl, 0, D, 1, -1, 0, 0, 20, 0},
        {"a swim stroke", water, 0, J, 1, -1, 0, -6, 10, 0},
        {"one stroke per stay in water", water | flag_swim_stroke, 0, J, 1, -1, 0, 0, 10, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        SetUp();
        p.facing = row.facing;
        p.tag_frames = 10;
        for (int f = 1; f <= row.frames + (row.then >= 0); ++f) {
            input(f <= row.frames ? row.keys : row.then);
            if (f < row.frames) continue;
            p.flags |= row.flags;
            p.vx = p.vy = 0;
            update_player(&p);
        }
        EXPECT_EQ(std::tuple(p.vx, p.vy, p.pattern_result, p.flags & watched),
                  std::tuple(row.vx, row.vy, row.shown, row.after));
        EXPECT_EQ(std::tuple(p.tag_frames, action_queue[4]), std::tuple(row.tag, row.queue4));
    }
}

TEST_F(PlayerControls, KickKnocksOrHurtsAndOtherwiseShoots) {
    struct Row {
        const char* name;
        int facing;
        uint32_t enemy_flags, enemy_flags2;
        double enemy_x;
        int power, kind, shots_in_use, owner_of_those, enemy_health, sprite;  // -1: no shot
        double vx;  // the enemy's, or the shot's
    };
    const uint32_t stun = flag_in_use | flag_stunned, awake = flag_in_use;
    const double flung = 14.772116295;  // 15 x cos 10 degrees
    const Row rows[] = {
        {"stunned, ahead right", 1, stun, 0, 420, 0, 0, 0, 0, 240, -1, flung},
        {"stunned, ahead left", 0, stun, 0, 380, 0, 0, 0, 0, 240, -1, -flung},
        {"a boss takes 6", 1, awake, 0x4, 420, 0, 0, 0, 0, 94, -1, 0},
        {"another enemy takes 25", 1, awake, 0, 420, 0, 0, 0, 0, 75, -1, 0},
        {"out of reach: shot at 360", 1, awake, 0, 440, 0, 0, 0, 0, 100, 1472, 9},
        {"nothing there: shot at 180", 0, 0, 0, 380, 0, 0, 0, 0, 100, 1472, -9},
        {"level 4 is row 4", 1, 0, 0, 0, 128, 0, 0, 0, 100, 1476, 11},
        {"kind 3 level 0 is row 15", 1, 0, 0, 0, 0, 3, 0, 0, 100, 1487, 12},
        {"the row's maximum reached", 1, 0, 0, 0, 0, 0, 2, 0, 100, -1, 0},
        {"every cracker in use", 1, 0, 0, 0, 0, 0, 128, 1, 100, -1, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        SetUp();
        p.facing = row.facing, p.power = row.power, p.shot_kind = row.kind;
        for (int i = 0; i < row.shots_in_use; ++i)
            crackers[i].flags = flag_in_use, crackers[i].owner = row.owner_of_those;
        enemy& e = enemies[3];
        e.flags = row.enemy_flags, e.flags2 = row.enemy_flags2;
        e.x = row.enemy_x, e.y = 300, e.hit_w = e.hit_h = 16;
        e.health = e.health_max = 100;
        input(A);
        update_player(&p);
        const cracker& c = crackers[row.shots_in_use % 128];
        EXPECT_EQ(std::tuple(e.health, kick_count, live(crackers) - row.shots_in_use),
                  std::tuple(row.enemy_health, row.enemy_health != 100, row.sprite != -1));
        EXPECT_NEAR(row.sprite == -1 ? e.vx : c.vx, row.vx, 1e-6);
        if (row.sprite != -1) {
            EXPECT_EQ(c.sprite_base, row.sprite);
        }
        if (row.enemy_health == 240) {
            EXPECT_EQ(e.killer + e.chain_level, 1);
        }
    }
}

TEST_F(PlayerControls, BombRunsFortyFiveFramesAndRecoversInTen) {
    item_types[0].code = 1, item_types[0].rarity = 1;  // what the item points roll
    for (int i = 0; i < 2; ++i) {
        itempoint& s = itempoints[i];
        s.flags = flag_in_use, s.category_mask = 1, s.rarity = 1;
        s.x = 400, s.y = 300 + 139 + i;
    }
    p.bomb_gauge = 99;
    input(B);
    update_player(&p);
    EXPECT_EQ(p.bomb_timer, 0) << "gauge below the cost";
    p.bomb_gauge = 100;
    struct Row {
        const char* name;
        int frame, timer, shown;
        double draw_dx, shake;
    };
    const Row rows[] = {
        {"charge", 1, 2, 83, -1, 0},  {"shake the other way", 3, 4, 83, 1, 0},
        {"blast", 19, 20, 84, 0, 20}, {"last blast frame", 43, 44, 84, 0, 20},
        {"ends", 44, -10, 0, 0, 20},  {"idle", 54, 0, 0, 0, 20},
    };
    int frame = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        for (; frame < row.frame; ++frame) {
            input(frame == 0 ? B : 0u);
            p.flags |= flag_standing;
            update_player(&p);
        }
        EXPECT_EQ(std::tuple(p.bomb_timer, p.pattern_result, p.draw_dx, screen_shake.magnitude),
                  std::tuple(row.timer, row.shown, row.draw_dx, row.shake));
    }
    EXPECT_EQ(p.bomb_gauge, 0);
    EXPECT_EQ(affecters[0].handler, &affecter_tesmobomb);
    EXPECT_EQ(affecters[0].carried.x, 400);
    EXPECT_EQ(itempoints[0].flags & flag_in_use, 0u) << "139 px away: opened";
    EXPECT_EQ(itempoints[1].flags & flag_in_use, flag_in_use) << "140 px away: closed";
    EXPECT_EQ(live(items), 1);
}

}  // namespace
