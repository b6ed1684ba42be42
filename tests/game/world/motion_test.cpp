// Entity motion and the character operations, frame by frame.
#include <cmath>
#include <functional>
#include <limits>

#include "world/motion.h"
#include "world_stage.h"

namespace {

using Motion = WorldStage;

struct Row {
    const char* name;
    std::function<void()> check;
};

void run(const Row* rows, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) {
        SCOPED_TRACE(rows[i].name);
        stage_info = stage_info_record{};
        rows[i].check();
    }
}

// A wall-sliding entity after one physics step from fall_tick `tick`.
entity slide_step(int tick, double vy) {
    stage_info.gravity = 0;
    entity e;
    e.flags = flag_slide_left | flag_no_friction;
    e.fall_tick = tick;
    e.vy = vy;
    apply_entity_physics(&e);
    return e;
}

TEST_F(Motion, PhysicsMovesAndWraps) {
    const Row rows[] = {
        {"friction and gravity",
         [] {
             entity e;
             e.vx = 10;
             apply_entity_physics(&e);
             EXPECT_DOUBLE_EQ(e.vx, 7);
             EXPECT_DOUBLE_EQ(e.vy, 0.5);
             e.flags = flag_no_friction | flag_no_gravity;
             apply_entity_physics(&e);
             EXPECT_DOUBLE_EQ(e.vx, 7);
             EXPECT_DOUBLE_EQ(e.vy, 0.5);
         }},
        {"sinking in water grows by gravity, never below 0",
         [] {
             entity e;
             e.flags = flag_in_water;
             e.sink_speed = 1;
             apply_entity_physics(&e);
             EXPECT_DOUBLE_EQ(e.sink_speed, 1.5);
             stage_info.gravity = -2;
             apply_entity_physics(&e);
             EXPECT_DOUBLE_EQ(e.sink_speed, 0);
         }},
        {"wall slide by fall_tick before its step",
         [] {
             EXPECT_DOUBLE_EQ(slide_step(-5, 1).vy, 0);
             EXPECT_EQ(slide_step(-5, 1).fall_tick, 1);
             EXPECT_DOUBLE_EQ(slide_step(89, 1).vy, 0);
             EXPECT_DOUBLE_EQ(slide_step(90, 1).vy, 0.66);
             EXPECT_DOUBLE_EQ(slide_step(179, 1).vy, 0.66);
             EXPECT_DOUBLE_EQ(slide_step(299, 2).vy, 1.33);
             const entity at300 = slide_step(300, 2), at301 = slide_step(301, 2);
             EXPECT_DOUBLE_EQ(at300.vy, 2);
             EXPECT_EQ(at300.flags & flag_slide_left, flag_slide_left);
             EXPECT_EQ(at300.fall_tick, 301);
             EXPECT_EQ(at301.flags & flag_slide_left, 0u);
             entity standing;
             standing.flags = flag_slide_right | flag_standing;
             standing.fall_tick = 50;
             apply_entity_physics(&standing);
             EXPECT_EQ(standing.flags & flag_slide_right, 0u);
             EXPECT_EQ(standing.fall_tick, 0);
         }},
        {"speed limits halve the excess",
         [] {
             tesmo p;
             p.flags = flag_no_friction | flag_no_gravity;
             p.vx = 12;
             for (double expected : {10.0, 9.0, 8.5}) {
                 apply_entity_physics(&p);
                 EXPECT_DOUBLE_EQ(p.vx, expected);
             }
             bullet b;
             b.flags = flag_no_friction | flag_no_gravity;
             b.vx = -12;
             b.vy = 14;
             apply_entity_physics(&b);
             EXPECT_DOUBLE_EQ(b.vx, -11);
             EXPECT_DOUBLE_EQ(b.vy, 13);
             b.flags2 = flag2_no_speed_limit;
             apply_entity_physics(&b);
             EXPECT_DOUBLE_EQ(b.vy, 13);
         }},
        {"moves in and out of water call the interaction",
         [] {
             entity e;
             e.interaction = [](entity* a, entity* b) { return a == b ? 5 : -5; };
             e.flags = flag_in_water;
             e.vx = 5;
             e.vy = -1;
             e.sink_speed = 0.25;
             EXPECT_EQ(move_entity(&e), 5);
             EXPECT_DOUBLE_EQ(e.vy, -0.95);
             EXPECT_DOUBLE_EQ(e.x, 2);
             EXPECT_DOUBLE_EQ(e.y, -0.7);
             e.flags = 0;
             EXPECT_EQ(move_entity(&e), 5);
             EXPECT_DOUBLE_EQ(e.x, 7);
             EXPECT_DOUBLE_EQ(e.sink_speed, 0);
         }},
        {"clamping unless exempt",
         [] {
             entity e;
             e.x = 900;
             e.y = -3;
             clamp_entity_position(&e, 0, 800, 0, 576);
             EXPECT_DOUBLE_EQ(e.x, 800);
             EXPECT_DOUBLE_EQ(e.y, 0);
             e.x = 900;
             e.flags2 = flag2_no_clamp;
             clamp_entity_position(&e, 0, 800, 0, 576);
             EXPECT_DOUBLE_EQ(e.x, 900);
         }},
    };
    run(rows, std::size(rows));
}

TEST_F(Motion, WrapOnTheLoopingStage) {
    const double inf = std::numeric_limits<double>::infinity();
    struct WrapRow {
        const char* name;
        double x, y;
        uint32_t flags;
        bool wrap;
        int width;
        double wx, wy;
    };
    const WrapRow rows[] = {
        {"one width up", -1, -1, 0, true, 800, 799, 575},
        {"two widths down", 1601, 1153, 0, true, 800, 1, 1},
        {"exactly one width up", -800, -576, 0, true, 800, 0, 0},
        {"the far edge stays", 800, 576, 0, true, 800, 800, 576},
        {"wrap bytes off", -1, 700, 0, false, 800, -1, 700},
        {"flag_no_wrap", -1, 700, flag_no_wrap, true, 800, -1, 700},
        {"width 0 does not wrap", -1, 5, 0, true, 0, -1, 5},
        {"a far coordinate in one step", 800.0 * 1000003 + 0.5, 5, 0, true, 800, 0.5, 5},
        {"infinity stays", inf, -inf, 0, true, 800, inf, -inf},
    };
    for (const WrapRow& row : rows) {
        SCOPED_TRACE(row.name);
        stage_info.horizontal_wrap = stage_info.vertical_wrap = row.wrap;
        stage_info.width = row.width;
        entity e;
        e.flags = row.flags;
        e.x = row.x;
        e.y = row.y;
        wrap_entity_position(&e);
        EXPECT_DOUBLE_EQ(e.x, row.wx);
        EXPECT_DOUBLE_EQ(e.y, row.wy);
    }
    const double far = wrap_coordinate(1e300, 800);
    EXPECT_TRUE(far >= 0 && far <= 800);
}

TEST_F(Motion, CharacterOperationsFrameByFrame) {
    const Row rows[] = {
        {"invulnerability holds blinking",
         [] {
             character c;
             c.invulnerable_frames = 2;
             update_stun_state(&c);
             EXPECT_EQ(c.flags & flag_blinking, flag_blinking);
             update_stun_state(&c);
             EXPECT_EQ(c.flags & flag_blinking, 0u);
             EXPECT_EQ(c.tick, 2);
         }},
        {"tag frames hold the tag, negative ones count up without it",
         [] {
             character c;
             c.tag_frames = 2;
             update_stun_state(&c);
             EXPECT_EQ(c.flags2, flag2_tagged);
             update_stun_state(&c);
             EXPECT_EQ(c.flags2, 0u);
             c.tag_frames = -2;
             c.flags2 = flag2_tagged;
             update_stun_state(&c);
             EXPECT_EQ(c.flags2, 0u);
             EXPECT_EQ(c.tag_frames, -1);
         }},
        {"a stun ends with full health; an enemy wakes faster, to 1.5",
         [] {
             enemy e;
             e.health_max = 50;
             for (int wake = 0; wake < 7; ++wake) {
                 e.stun_frames = 1;
                 update_stun_state(&e);
             }
             EXPECT_EQ(e.flags & flag_stunned, 0u);
             EXPECT_EQ(e.health, 50);
             EXPECT_DOUBLE_EQ(e.speed_factor, 1.5);
         }},
        {"stun for 2 seconds",
         [] {
             character c;
             c.flags = flag_slide_left | flag_slide_right;
             c.stun(2.0);
             EXPECT_EQ(c.stun_frames, 720);
             EXPECT_EQ(c.flags, 0u);
         }},
        {"damage to exactly 0 does nothing more",
         [] {
             character c;
             c.health = 10;
             c.take_damage(10);
             EXPECT_EQ(c.health, 0);
             EXPECT_EQ(c.flags, 0u);
         }},
        {"damage below 0 stuns for 360 more",
         [] {
             character c;
             c.health = 10;
             c.stun_frames = 5;
             c.take_damage(11);
             EXPECT_EQ(c.health, 0);
             EXPECT_EQ(c.flags, flag_stunned);
             EXPECT_EQ(c.stun_frames, 365);
         }},
        {"damage below 0 knocks a knock-on-empty character away, defeated",
         [] {
             enemy e;
             e.flags = flag_knock_on_empty;
             e.vy = 3;  // falling: flung upwards at -90 degrees
             e.take_damage(1);
             EXPECT_EQ(e.flags, flag_knock_on_empty | flag_knocked_away | flag_knockback_state |
                                    flag_no_friction | flag_knocked_back | flag_defeated);
             EXPECT_EQ(e.health, 0);
             EXPECT_EQ(e.health_max, 240);
             EXPECT_NEAR(e.vx, 0, 1e-6);
             EXPECT_NEAR(e.vy, -6, 1e-6);
         }},
        {"knock away",
         [] {
             character c;
             c.flags = flag_slide_left;
             c.stun_frames = 30;
             c.knock_away(0, 4);
             EXPECT_EQ(c.flags, flag_knocked_away | flag_knockback_state | flag_no_friction |
                                    flag_knocked_back);
             EXPECT_EQ(c.health, 240);
             EXPECT_EQ(c.stun_frames, 0);
             EXPECT_DOUBLE_EQ(c.vx, 4);
             EXPECT_DOUBLE_EQ(c.vy, 0);
         }},
    };
    run(rows, std::size(rows));
}

}  // namespace
