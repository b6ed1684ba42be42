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

TEST_F(Motion, OnePhysicsStep) {
    constexpr uint32_t nf = flag_no_friction, ng = flag_no_gravity, slide = flag_slide_left;
    struct Step {
        const char* name;
        int type;
        uint32_t flags, flags2;
        double gravity, vx, vy, sink;
        int fall_tick;
        double out_vx, out_vy, out_sink;
        int out_fall_tick;
        uint32_t out_flags;
    };
    const Step rows[] = {
        {"friction and gravity", 7, 0, 0, 0.5, 10, 0, 0, 0, 7, 0.5, 0, 0, 0},
        {"neither", 7, nf | ng, 0, 0.5, 5, 0, 0, 0, 5, 0, 0, 0, nf | ng},
        {"sinking grows by gravity", 7, flag_in_water, 0, 0.5, 0, 0, 1, 0, 0, 0.5, 1.5, 0,
         flag_in_water},
        {"sinking never below 0", 7, flag_in_water, 0, -2, 0, 0, 1, 0, 0, -2, 0, 0, flag_in_water},
        {"slide from a negative tick", 7, slide | nf, 0, 0, 0, 1, 0, -5, 0, 0, 0, 1, slide | nf},
        {"slide at 89", 7, slide | nf, 0, 0, 0, 1, 0, 89, 0, 0, 0, 90, slide | nf},
        {"slide at 90", 7, slide | nf, 0, 0, 0, 1, 0, 90, 0, 0.66, 0, 91, slide | nf},
        {"slide at 179", 7, slide | nf, 0, 0, 0, 1, 0, 179, 0, 0.66, 0, 180, slide | nf},
        {"slide at 299", 7, slide | nf, 0, 0, 0, 2, 0, 299, 0, 1.33, 0, 300, slide | nf},
        {"slide at 300", 7, slide | nf, 0, 0, 0, 2, 0, 300, 0, 2, 0, 301, slide | nf},
        {"slide at 301 lets go", 7, slide | nf, 0, 0, 0, 2, 0, 301, 0, 2, 0, 302, nf},
        {"standing ends the slide", 7, slide | flag_standing | nf, 0, 0, 0, 0, 0, 50, 0, 0, 0, 0,
         flag_standing | nf},
        {"player at 12", 0, nf | ng, 0, 0.5, 12, 0, 0, 0, 10, 0, 0, 0, nf | ng},
        {"player at 10", 0, nf | ng, 0, 0.5, 10, 0, 0, 0, 9, 0, 0, 0, nf | ng},
        {"player at 9", 0, nf | ng, 0, 0.5, 9, 0, 0, 0, 8.5, 0, 0, 0, nf | ng},
        {"bullet limits", 5, nf | ng, 0, 0.5, -12, 14, 0, 0, -11, 13, 0, 0, nf | ng},
        {"exempt from the limit", 5, nf | ng, flag2_no_speed_limit, 0.5, 0, 14, 0, 0, 0, 14, 0, 0,
         nf | ng},
    };
    for (const Step& row : rows) {
        SCOPED_TRACE(row.name);
        stage_info.gravity = row.gravity;
        entity e;
        e.type_code = row.type;
        e.flags = row.flags;
        e.flags2 = row.flags2;
        e.vx = row.vx;
        e.vy = row.vy;
        e.sink_speed = row.sink;
        e.fall_tick = row.fall_tick;
        apply_entity_physics(&e);
        EXPECT_DOUBLE_EQ(e.vx, row.out_vx);
        EXPECT_DOUBLE_EQ(e.vy, row.out_vy);
        EXPECT_DOUBLE_EQ(e.sink_speed, row.out_sink);
        EXPECT_EQ(e.fall_tick, row.out_fall_tick);
        EXPECT_EQ(e.flags, row.out_flags);
    }
}

TEST_F(Motion, MovesAndClamps) {
    const Row rows[] = {
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
