#include <vector>

#include "actors.h"
#include "world/affecters.h"

namespace {

using PlayerControls = Actors;

TEST_F(PlayerControls, ScriptedHoldsGiveTheMovesAndFrames) {
    struct Step {
        unsigned keys;
        int frames;  // the last frame of each step runs the controls
    };
    struct Row {
        const char* name;
        uint32_t flags;  // set again before each control frame
        int facing;
        std::vector<Step> steps;
        double vx, vy;
        int shown, tag, queue4, jump_sounds, blasts;
        uint32_t set, cleared;
    };
    const uint32_t st = flag_standing, cl = flag_slide_left, cr = flag_slide_right;
    const Row rows[] = {
        {"walk left 7", st, 1, {{L, 7}}, -1.6, 0, 2, 10, -1, 0, 0, 0, 0},
        {"walk right 20 wraps the cycle", st, 0, {{R, 20}}, 1.6, 0, 41, 10, -1, 0, 0, 0, 0},
        {"pushing right", st | flag_pushing, 0, {{R, 3}}, 1.6, 0, 44, 10, -1, 0, 0, 0, 0},
        {"plain jump", st, 0, {{J, 1}}, 0, -6, 0, 10, -1, 1, 1, flag_rising, 0},
        {"up, jump held 30", st, 0, {{U | J, 30}, {U, 1}}, 0, -12, 0, 10, -1, 1, 3, flag_high_jump, 0},
        {"up, jump held 60", st, 0, {{U | J, 60}, {U, 1}}, 0, -16, 0, 10, -1, 1, 3, 0, 0},
        {"up, jump held 61", st, 0, {{U | J, 61}, {U, 1}}, 0, -16, 0, 10, -1, 1, 3, 0, 0},
        {"charge crouch", st, 0, {{U | J, 5}}, 0, 0, 17, 10, -1, 0, 0, 0, 0},
        {"dash right", st, 1, {{D | R | J, 1}}, 6, -2, 58, 15, 30, 1, 0, flag_dash, 0},
        {"back-jump", st, 0, {{D | J, 1}}, 4, -4, 0, 15, -1, 1, 0, flag_back_jump, 0},
        {"back-jump's next frame", flag_back_jump, 0, {{J, 2}}, 1.1, -0.25, 25, 10, -1, 0, 0, 0, 0},
        {"left cling, right held", cl, 0, {{R, 1}}, -1.6, 0, 23, 10, -1, 0, 0, cl, 0},
        {"left cling, jump tapped", cl, 0, {{J, 2}}, -1.6, -3.5, 21, 10, -1, 1, 0, cl, 0},
        {"left cling, idle", cl, 0, {{0, 1}}, -1.6, 0, 20, 10, -1, 0, 0, cl, 0},
        {"jump away from the left wall", cl, 0, {{R | J, 1}}, 3.2, -3.5, 63, 10, -1, 1, 0, 0, 0},
        {"right cling, left held", cr, 1, {{L, 1}}, 1.6, 0, 103, 10, -1, 0, 0, cr, 0},
        {"right cling, idle", cr, 1, {{0, 1}}, 1.6, 0, 100, 10, -1, 0, 0, cr, 0},
        {"down drops off the wall", cl, 0, {{D, 1}}, 0, 0, 20, 10, -1, 0, 0, 0, cl},
        {"one stroke per stay in water", flag_in_water, 0, {{J, 1}, {0, 1}, {J, 1}}, 0, -6, 10,
         10, -1, 1, 0, flag_swim_stroke, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        SetUp();
        p.facing = row.facing;
        p.tag_frames = 10;
        for (const Step& s : row.steps) {
            for (int f = 1; f <= s.frames; ++f) {
                input(s.keys);
                if (f < s.frames) continue;
                p.flags |= row.flags;
                update_player(&p);
            }
        }
        EXPECT_NEAR(p.vx, row.vx, 1e-9);
        EXPECT_NEAR(p.vy, row.vy, 1e-9);
        EXPECT_EQ(p.pattern_result, row.shown);
        EXPECT_EQ(p.tag_frames, row.tag);
        EXPECT_EQ(action_queue[4], row.queue4);
        EXPECT_EQ(plays("tesmo_jump"), row.jump_sounds);
        EXPECT_EQ(live_effects(0), row.blasts);
        EXPECT_EQ(p.flags & row.set, row.set);
        EXPECT_EQ(p.flags & row.cleared, 0u);
        TearDown();
    }
}

TEST_F(PlayerControls, KickKnocksOrHurtsAndOtherwiseShoots) {
    struct Row {
        const char* name;
        int facing;
        uint32_t player_flags, enemy_flags, enemy_flags2;
        double enemy_x;
        int power, kind, own_shots, other_shots;
        double enemy_vx;
        int enemy_health, shot_sprite;  // -1: no new shot
        double shot_vx;
    };
    const uint32_t stunned = flag_in_use | flag_stunned, awake = flag_in_use;
    const double flung = 14.772116295;  // 15 x cos 10 degrees
    const Row rows[] = {
        {"stunned, ahead right", 1, 0, stunned, 0, 420, 0, 0, 0, 0, flung, 240, -1, 0},
        {"stunned, ahead left", 0, 0, stunned, 0, 380, 0, 0, 0, 0, -flung, 240, -1, 0},
        {"a boss takes 6", 1, 0, awake, 0x4, 420, 0, 0, 0, 0, 0, 94, -1, 0},
        {"another enemy takes 25", 1, 0, awake, 0, 420, 0, 0, 0, 0, 0, 75, -1, 0},
        {"out of reach: shot at 360", 1, 0, awake, 0, 440, 0, 0, 0, 0, 0, 100, 1472, 9},
        {"nothing there: shot at 180", 0, 0, 0, 0, 380, 0, 0, 0, 0, 0, 100, 1472, -9},
        {"clinging left shoots right", 0, flag_slide_left, awake, 0, 380, 0, 0, 0, 0, 0, 100, 1472,
         9},
        {"level 4 is row 4", 1, 0, 0, 0, 0, 128, 0, 0, 0, 0, 100, 1476, 11},
        {"kind 3 level 0 is row 15", 1, 0, 0, 0, 0, 0, 3, 0, 0, 0, 100, 1487, 12},
        {"row's maximum reached", 1, 0, 0, 0, 0, 0, 0, 2, 0, 0, 100, -1, 0},
        {"every cracker in use", 1, 0, 0, 0, 0, 0, 0, 0, 128, 0, 100, -1, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        SetUp();
        p.facing = row.facing;
        p.power = row.power;
        p.shot_kind = row.kind;
        for (int i = 0; i < row.own_shots + row.other_shots; ++i)
            crackers[i].flags = flag_in_use, crackers[i].owner = i < row.own_shots ? 0 : 1;
        enemy& e = enemies[3];
        e.flags = row.enemy_flags;
        e.flags2 = row.enemy_flags2;
        e.x = row.enemy_x, e.y = 300, e.hit_w = e.hit_h = 16;
        e.health = e.health_max = 100;
        const int before = live(crackers);
        p.flags |= row.player_flags;
        input(A);
        update_player(&p);
        EXPECT_NEAR(e.vx, row.enemy_vx, 1e-6);
        EXPECT_EQ(e.health, row.enemy_health);
        EXPECT_EQ(kick_count, row.enemy_health != 100 ? 1 : 0);
        if (row.enemy_health == 240) {
            EXPECT_NEAR(e.vy, -2.604722665, 1e-6);
            EXPECT_EQ(e.killer, 0);
            EXPECT_EQ(e.chain_level, 1);
        }
        EXPECT_EQ(live(crackers) - before, row.shot_sprite == -1 ? 0 : 1);
        if (row.shot_sprite != -1) {
            const cracker& c = crackers[before];
            EXPECT_EQ(c.sprite_base, row.shot_sprite);
            EXPECT_NEAR(c.vx, row.shot_vx, 1e-6);
            EXPECT_EQ(c.owner, 0);
        }
        TearDown();
    }
}

TEST_F(PlayerControls, BombRunsFortyFiveFramesAndRecoversInTen) {
    item_types[0].code = 1, item_types[0].rarity = 1;  // what the item points roll
    for (int i = 0; i < 2; ++i) {
        itempoints[i].flags = flag_in_use;
        itempoints[i].category_mask = 1, itempoints[i].rarity = 1;
        itempoints[i].x = 400, itempoints[i].y = 300 + 139 + i;
    }
    p.bomb_gauge = 99;
    input(B);
    update_player(&p);
    EXPECT_EQ(p.bomb_timer, 0) << "gauge below the cost";
    p.bomb_gauge = 100;
    struct Row {
        const char* name;
        int frame, timer, shown;
        double draw_dx;
        double shake;
    };
    const Row rows[] = {
        {"charge", 1, 2, 83, -1, 0},       {"shake the other way", 3, 4, 83, 1, 0},
        {"before the blast", 18, 19, 83, -1, 0}, {"blast", 19, 20, 84, 0, 20},
        {"last blast frame", 43, 44, 84, 0, 20},  {"ends", 44, -10, 0, 0, 20},
        {"recovering", 53, -1, 0, 0, 20},         {"idle", 54, 0, 0, 0, 20},
    };
    int frame = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        while (frame < row.frame) {
            input(frame == 0 ? B : 0);
            p.flags |= flag_standing;
            update_player(&p);
            ++frame;
        }
        EXPECT_EQ(p.bomb_timer, row.timer);
        EXPECT_EQ(p.pattern_result, row.shown);
        EXPECT_EQ(p.draw_dx, row.draw_dx);
        EXPECT_EQ(screen_shake.magnitude, row.shake);
    }
    EXPECT_EQ(p.bomb_gauge, 0);
    EXPECT_EQ(affecters[0].active, 1);
    EXPECT_EQ(affecters[0].handler, &affecter_tesmobomb);
    EXPECT_EQ(affecters[0].carried.x, 400);
    EXPECT_EQ(itempoints[0].flags & flag_in_use, 0u) << "139 px away: opened";
    EXPECT_EQ(itempoints[1].flags & flag_in_use, flag_in_use) << "140 px away: closed";
    EXPECT_EQ(live(items), 1);
}

}  // namespace
