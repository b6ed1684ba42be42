// The boss fight's state machine on the arena: penalties, the choice of
// attack, phase ends, the combo and history bookkeeping and the beam.
#include <gtest/gtest.h>

#include "boss_arena.h"
#include "world/affecters.h"
#include "world/block_ignorance.h"
#include "world/draw_queue.h"
#include "world/game_random.h"
#include "world/interactions.h"
#include "world/stage_frame.h"

namespace {

class BossFight : public BossArena {
  protected:
    void SetUp() override {
        BossArena::SetUp();
        debug_mode = 1;
        current_music = -1;
    }
    int& state() { return boss.free_var[0]; }
    int& timer() { return boss.free_var[1]; }
    int& moves() { return boss.free_var[8]; }
    void history(int a, int b, int c, int d) {
        boss.free_var[4] = a, boss.free_var[5] = b, boss.free_var[6] = c, boss.free_var[7] = d;
    }
};

TEST_F(BossFight, RepeatedAttacksAreCutShort) {
    struct Row {
        const char* name;
        int phases, matching;
        const char* text;
        int last_timer;  // the ground spray ends after 144 - P - 1.5 Q
    } rows[] = {
        {"fresh", 3, 0, nullptr, 145},
        {"once", 3, 1, "penalty 8+8 frames", 125},
        {"twice", 3, 2, "penalty 16+16 frames", 105},
        {"three times", 3, 3, "penalty 30+30 frames", 70},
        {"every entry", 3, 4, "penalty 45+35 frames", 47},
        {"last phase", 1, 0, nullptr, 57},
        {"middle phase ignores history", 2, 4, nullptr, 145},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        boss = enemy{};
        boss.flags = flag_in_use, boss.type_code = type_enemy, boss.x = 600, boss.y = 500;
        fighting(r.phases, 5);
        for (int k = 0; k < 4; ++k) boss.free_var[4 + k] = k < r.matching ? 5 : 1;
        for (auto& line : debug_log) line = {};
        int last = 0;
        for (int f = 0; f < 300 && state() == 5; ++f) {
            if (f == 1) {
                const char* penalties[] = {"penalty 8+8 frames", "penalty 16+16 frames",
                                           "penalty 30+30 frames", "penalty 45+35 frames"};
                for (const char* t : penalties)
                    EXPECT_EQ(overlay_shows(t), r.text && std::string(r.text) == t) << t;
            }
            last = timer();
            frame();
            free_bullets();
        }
        EXPECT_EQ(last + 1, r.last_timer);
        EXPECT_EQ(boss.free_var[4], 5) << "the spray is pushed into the history";
    }
}

TEST_F(BossFight, StateZeroChoosesAndTheChoiceRunsAtOnce) {
    enum : uint32_t { none = 0, down = flag_defeated, stun = flag_stunned, dash = 0x40 };
    struct Row {
        const char* name;
        int phases;
        double bx, px, py;  // the boss stands at y 500
        uint32_t player_flags, boss_flags;
        bool grounded;
        int state, moves;
    } rows[] = {
        {"player downed: stand", 3, 400, 450, 500, down, none, true, 0, 0},
        {"close and level: leap and fan", 3, 400, 450, 500, none, none, true, 7, 0},
        {"level within 300: spray", 3, 400, 650, 490, none, none, true, 5, 0},
        {"level beyond 400: rush", 3, 100, 600, 500, none, none, true, 6, 0},
        {"level between: walk right", 3, 100, 450, 500, none, none, true, 3, 1},
        {"level between: walk left", 3, 500, 150, 500, none, none, true, 2, 1},
        {"airborne walks on its facing", 3, 400, 450, 500, none, none, false, 2, 0},
        {"above, column 12: high jump", 3, 400, 450, 300, none, none, true, 4, 4},
        {"above, column 12 in the air: stay", 3, 400, 450, 300, none, none, false, 0, 0},
        {"above, column 5: walk left", 3, 170, 450, 300, none, none, true, 2, 1},
        {"above, column 8: walk right", 3, 260, 450, 300, none, none, true, 3, 1},
        {"above, beyond column 24: walk right", 3, 805, 450, 300, none, none, true, 3, 1},
        {"below, k 1: walk left uncounted", 3, 250, 450, 700, none, none, true, 2, 0},
        {"below, k 2: walk right uncounted", 3, 450, 450, 700, none, none, true, 3, 0},
        {"stunned close: hop and shoot", 3, 400, 600, 500, stun, none, true, 1, 0},
        {"stunned below: the walk counts", 3, 250, 450, 700, stun, none, true, 2, 1},
        {"middle phase dashing: next pass", 2, 400, 450, 500, none, dash, false, 9, 0},
        {"middle phase column 12: rise", 2, 400, 450, 500, none, none, true, 8, 0},
        {"middle phase column 3: walk right", 2, 100, 450, 500, none, none, true, 3, 0},
        {"middle phase column 13: walk left", 2, 430, 450, 500, none, none, true, 2, 0},
        {"middle phase off the left: walk left", 2, -40, 450, 500, none, none, true, 2, 0},
        {"last phase: dive", 1, 400, 450, 500, none, none, true, 13, 0},
        {"no phase: beaten", 0, 400, 450, 500, none, none, true, 99, 0},
        {"below no phase: beaten", -3, 400, 450, 500, none, none, true, 99, 0},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        boss = enemy{};
        boss.flags = flag_in_use | r.boss_flags, boss.type_code = type_enemy;
        boss.x = r.bx, boss.y = 500;
        p.flags = flag_in_use | r.player_flags, p.x = r.px, p.y = r.py;
        fighting(r.phases, 0, r.grounded);
        history(5, 5, 5, 5);
        for (auto& line : debug_log) line = {};
        const int result = boss.move_pattern(&boss);
        EXPECT_EQ(state(), r.state);
        EXPECT_EQ(moves(), r.moves);
        // A state that keeps its own timer has counted its first frame.
        const bool timed =
            r.state != 0 && r.state != 99 && (r.grounded || r.state == 2 || r.state == 9);
        if (timed) {
            EXPECT_EQ(timer(), 1);
        }
        if (r.player_flags == down) {
            EXPECT_EQ(std::tuple(boss.free_var[4], boss.free_var[7], result), std::tuple(0, 0, 0));
        }
        if (r.state == 4) {
            EXPECT_TRUE(overlay_shows("factor 12"));
        }
        free_bullets();
    }
    p.flags = flag_in_use;
}

TEST_F(BossFight, APhaseEndsBelowTheBase) {
    fighting(3, 5);
    boss.health = 9990;
    frame();
    EXPECT_EQ(std::tuple(boss.phases_left, boss.health, state(), timer()),
              std::tuple(2, 11000, -1, 1));
    EXPECT_EQ(std::tuple(boss_bar.boss, boss_bar.full_health, boss_bar.empty_health),
              std::tuple(static_cast<entity*>(&boss), 11000, 10000));
    ASSERT_EQ(live(items), 20);
    for (auto& it : items) {
        if (it.flags & flag_in_use) {
            EXPECT_NEAR(std::hypot(it.vx, it.vy), 26.0, 1e-6);
            EXPECT_EQ(it.sprite_base, 1) << "small power items";
        }
    }
    for (int f = 2; f <= 60; ++f) frame();
    EXPECT_EQ(std::pair(state(), frame() % 16), std::pair(0, 11)) << "hurt for 61 frames";

    fighting(1, 5);
    boss.health = 9000;
    frame();
    EXPECT_EQ(std::tuple(boss.phases_left, state()), std::tuple(0, 99));
    frame();
    EXPECT_EQ(std::tuple(boss.phases_left, state(), boss.flags & flag_stunned, boss.stun_frames),
              std::tuple(-1, 99, uint32_t{flag_stunned}, 99));
}

TEST_F(BossFight, ComboDamageAndHistoryAgeing) {
    fighting(0, 99);
    boss.health = 10400;  // a loss of 600 from the last health of 1000
    frame();
    EXPECT_EQ(std::pair(boss.free_var[14], boss.free_var[13]), std::pair(600, 60));
    EXPECT_TRUE(overlay_shows("COMBO DMG (600)"));
    for (int f = 1; f <= 60; ++f) frame();
    EXPECT_EQ(boss.free_var[14], 600);
    frame();
    EXPECT_EQ(boss.free_var[14], 300) << "61 frames after the loss";
    for (int f = 0; f < 100; ++f) frame();
    EXPECT_EQ(boss.free_var[14], 300) << "halved once";
    boss.health = 10500;
    frame();
    EXPECT_EQ(std::pair(boss.free_var[14], boss.free_var[15]), std::pair(300, 500)) << "a gain";

    history(1, 2, 3, 4);
    moves() = 6;
    frame();
    EXPECT_EQ(std::tuple(moves(), boss.free_var[4], boss.free_var[7]), std::tuple(6, 1, 4));
    moves() = 7;
    frame();
    EXPECT_EQ(std::tuple(moves(), boss.free_var[4], boss.free_var[5], boss.free_var[7]),
              std::tuple(1, 0, 1, 3));
}

TEST_F(BossFight, TheBeamAimsThenFires) {
    p.x = 300, p.y = 500;
    boss.x = 600, boss.y = 500;
    fighting(1, 12);
    struct Queued {
        int sprite, layer, mode, param, red, green, blue;
        double angle;
        bool operator==(const Queued&) const = default;
    };
    auto queued = [] {
        std::vector<Queued> out;
        for (const auto& d : draw_queue)
            if (d.used)
                out.push_back({d.sprite, d.layer, d.blend_mode, d.blend_param, d.red, d.green,
                               d.blue, d.angle});
        return out;
    };
    std::vector<int> spawned;
    for (int t = 1; t <= 250; ++t) {
        clear_draw_queue();
        free_bullets();
        frame();
        ASSERT_EQ(timer(), t);
        if (t == 21) {
            EXPECT_EQ(queued(), (std::vector<Queued>{{268, 250, 2, 20, 250, 250, 100, 0.5},
                                                     {268, 250, 2, 20, 100, 250, 250, -0.5}}));
        }
        if (t == 100) {
            const auto q = queued();
            ASSERT_EQ(q.size(), 6u);
            EXPECT_EQ(q[0], (Queued{269, 120, 2, 70, 250, 100, 100, 15}));
            EXPECT_EQ(q[5], (Queued{269, 120, 2, 70, 250, 100, 250, -15}));
        }
        if (t == 150) {
            EXPECT_EQ(queued()[2], (Queued{269, 120, 2, 140, 100, 250, 100, 3}));
            for (const auto& b : bullets) {
                if (!(b.flags & flag_in_use)) continue;
                EXPECT_EQ(std::tuple(b.sprite_base, b.flicker, b.spare_byte, b.flags & 0x1000040u,
                                     b.flags2 & 0x10u, b.life),
                          std::tuple(-1, 1, uint8_t{1}, 0x1000040u, 0x10u, 2));
            }
        }
        spawned.push_back(live(bullets));
    }
    EXPECT_EQ(std::pair(spawned[103], spawned[104]), std::pair(0, 100))
        << "width 140 from timer 105";
    EXPECT_EQ(std::pair(spawned[239], spawned[240]), std::pair(100, 0)) << "until timer 240";
    EXPECT_EQ(std::pair(played("kvorn"), played("charge7")), std::pair(1, 1));
    EXPECT_EQ(boss.free_var[3], 0) << "aimed straight at the player";
}

}  // namespace

namespace {

TEST_F(BossFight, PassHeightsOnLowStagesEnd) {
    struct Row {
        const char* name;
        int height;
        double player_y;
        unsigned draws;
    } rows[] = {
        {"no range at all", 200, 100, 16},
        {"a narrow band on the player", 230, 66, 16},
        {"a roomy stage", 576, 3000, 1},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        stage_info.height = r.height;
        p.y = r.player_y;
        boss = enemy{};
        boss.flags = flag_in_use, boss.type_code = type_enemy, boss.x = 400;
        fighting(2, 9, false);
        boss.free_var[3] = 1;  // the second pass picks its own height
        const unsigned before = game_random_state.calls;
        frame(false);
        EXPECT_EQ(game_random_state.calls - before, r.draws);
        EXPECT_LE(boss.y, r.height - 48.0);
        EXPECT_GE(boss.y, r.height < 224 ? 64 - 0.0 : 64.0);
    }
}

// The demo arena's floor (top at 504, a lone row the stage load marks as
// water) under its border (bottom at 496), and the boss's 80 x 96 box 8 px
// low: a bomb ends the middle phase while the boss waits off-screen for its
// second pass. Hurt, it falls back inside the border; its dives, some of
// which pass through the floor and end held inside it, always land in the end.
TEST_F(BossFight, APhaseEndedOffScreenLeavesTheBossToLandAgain) {
    for (int k = 0; k < 25; ++k) blocks[k].y = 520;
    detect_ignorable_blocks();
    boss.tick = 1;
    move_pattern_bossintro_dolvek(&boss);  // the border
    fighting(2, 9, false);
    boss.hit_w = 80, boss.hit_h = 96, boss.hit_dy = 8;
    boss.free_var[3] = 1;  // the second pass waits 78 frames at x 1000
    double back_x = -1, back_y = -1;
    int longest_dive = 0, landings = 0;
    for (int f = 0; f < 3000; ++f) {
        p.invulnerable_frames = 100;
        input(0);
        if (f == 30) {
            boss.health = 10050;
            spawn_affecter("affecter_tesmobomb", p, 0, 0, 0, 0);
        }
        const int before = state();
        update_world();
        process_interactions();
        if (before == -1 && state() != -1) back_x = boss.x, back_y = boss.y;
        if (state() == 13) longest_dive = std::max(longest_dive, timer());
        landings += before == 13 && (state() == 5 || state() == 12);
        free_bullets();
    }
    EXPECT_EQ(boss.phases_left, 1);
    EXPECT_TRUE(back_x >= 32 && back_x <= 768 && back_y >= 16 && back_y <= 496)
        << "hurt at (" << back_x << ", " << back_y << ")";
    // A dive lasts about 100 frames; one held in the floor waits 120 more.
    EXPECT_LT(longest_dive, 400);
    EXPECT_GE(landings, 5);
}

// The last pass staggers on the combo at once, while it still waits off-screen
// in the air; the combo left by the pass before has not yet halved.
TEST_F(BossFight, TheLastPassStaggersOnItsFirstFrame) {
    struct Row {
        const char* name;
        int combo, state;
    } rows[] = {{"combo 28", 28, 11}, {"combo 27", 27, 10}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        boss = enemy{};
        boss.flags = flag_in_use, boss.type_code = type_enemy, boss.x = 400;
        fighting(2, 10, false);
        boss.free_var[3] = 4;  // the fifth pass waits 75 frames
        boss.free_var[13] = 30, boss.free_var[14] = r.combo;
        frame(false);
        EXPECT_EQ(state(), r.state);
    }
}

TEST_F(BossFight, AStateWithoutAGroundPoseStands) {
    fighting(2, 9);
    boss.free_var[3] = 1;
    EXPECT_EQ(frame(), 0) << "facing left, standing";
}

}  // namespace
