// Visual effects: lookup, slots, keyframes, interpolation, following and
// looping; and the stun star that characters keep through them.
#include <cstring>

#include "draw_world.h"
#include "world/motion.h"

namespace {

using Effects = DrawWorld;
using strings = std::vector<std::string>;

// A definition of keyframes (sprite, duration) with end times summed.
effect_definition_record& define(int index, const char* name,
                                 std::initializer_list<std::pair<int, int>> frames) {
    effect_definition_record& d = effect_definition[index];
    std::strcpy(d.name, name);
    int k = 0, end = 0;
    for (const auto& [sprite, duration] : frames) {
        d.sprite[k] = sprite;
        d.duration[k] = duration;
        d.end_time[k++] = end += duration;
    }
    return d;
}

// The sprite drawn by each of n updates (-1 when none).
std::vector<int> sprites_over(int n) {
    std::vector<int> out;
    for (int i = 0; i < n; ++i) {
        fake_engine::reset();
        update_effects();
        int drawn = -1;
        for (const auto& c : fake_engine::calls()) {
            if (c.name == "DrawGraphicRotated")
                drawn = std::stoi(c.args.substr(c.args.rfind(", 1, 0") - 4, 4)) - 1000;
        }
        out.push_back(drawn);
    }
    return out;
}

TEST_F(Effects, NamesAndSlots) {
    define(0, "xspark", {{20, 5}});
    define(2, "boom", {{21, 5}});
    struct Row {
        const char* name;
        const char* lookup;
        int definition;
    };
    const Row rows[] = {
        {"exact", "boom", 2},
        {"without the first character", "spark", 0},
        {"unknown", "fizz", -1},
        {"second rule", "oom", 2},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(find_effect_definition(row.lookup), row.definition);
    }
    define(3, "spark", {{22, 5}});
    EXPECT_EQ(find_effect_definition("spark"), 3);
    EXPECT_EQ(spawn_effect("fizz", 0, 0, 1, 0, 0, 0, 0), -1);
    EXPECT_EQ(spawn_effect_by_index(256, 0, 0, 1, 0, 0, 0, 0), -1);
    EXPECT_EQ(spawn_effect_by_index(-1, 0, 0, 1, 0, 0, 0, 0), -1);
    for (int i = 0; i < effect_instance_count; ++i) {
        ASSERT_EQ(spawn_effect("boom", 0, 0, 1, 0, 0, 0, 0), i);
    }
    EXPECT_EQ(spawn_effect("boom", 0, 0, 1, 0, 0, 0, 0), -1) << "the 1025th";
    free_effect(7);
    EXPECT_EQ(spawn_effect("spark", 0, 0, 1, 0, 0, 0, 0), 7) << "the lowest free slot";
    EXPECT_EQ(effect_instance[7].definition, 3);
}

TEST_F(Effects, KeyframesPlayForTheirDurations) {
    define(0, "two", {{20, 10}, {21, 5}});
    define(1, "hidden", {{22, 2}, {-5, 2}}).hidden[0] = 1;
    const int one = spawn_effect("two", 100, 100, 1, 0, 0, 0, 0);
    EXPECT_EQ(effect_instance[one].life, 15);
    const std::vector<int> twenties(10, 20), twentyones(5, 21), none(2, -1);
    std::vector<int> expected = twenties;
    expected.insert(expected.end(), twentyones.begin(), twentyones.end());
    expected.insert(expected.end(), none.begin(), none.end());
    EXPECT_EQ(sprites_over(17), expected);
    EXPECT_EQ(effect_instance[one].life, 0) << "free after 15 updates";

    const int quiet = spawn_effect("hidden", 100, 100, 1, 0, 0, 0, 0);
    EXPECT_EQ(sprites_over(4), std::vector<int>(4, -1));
    EXPECT_EQ(effect_instance[quiet].frame, 4) << "time kept";
    EXPECT_EQ(effect_instance[quiet].life, 0);
}

TEST_F(Effects, LinearKeyframesAndTheDrawBracket) {
    effect_definition_record& d = define(0, "grow", {{20, 10}, {21, 10}});
    d.scale[0] = 1.0, d.scale[1] = 3.0, d.scale_mode[0] = 1;
    d.alpha[0] = 255, d.alpha[1] = 0, d.alpha_mode[0] = 1;
    d.angle[0] = 0, d.angle[1] = 90, d.angle_mode[0] = 1;
    spawn_effect("grow", 100, 50, 1.5, 2, 0, 0, 1);
    screen_shake = {0, 3, 4};
    for (int i = 0; i < 5; ++i) update_effects();
    fake_engine::reset();
    update_effects();  // frame 5: x 100 + 6 x 2, y 50 + 0 + 1 + 2 + 3 + 4 + 5
    EXPECT_EQ(fake_engine::trace(), (strings{"SetSamplingMode(1)", "SetBlendMode(1, 127)",
                                             rotated(115, 69, "3.000000", "0.785398", 20),
                                             "SetBlendMode(0, 0)", "SetSamplingMode(0)"}));
    fake_engine::reset();
    update_effects();  // frame 6: alpha 0.4 x 255 = 102
    EXPECT_EQ(only("SetBlendMode")[0], "SetBlendMode(1, 102)");
}

TEST_F(Effects, PolarSpawnsAndAttachedEffects) {
    define(0, "spin", {{20, 10}, {21, 5}});
    const int polar = spawn_effect_polar("spin", 0, 0, 1, 90, 2, 0.5);
    EXPECT_NEAR(effect_instance[polar].vx, 0, 1e-6);
    EXPECT_NEAR(effect_instance[polar].vy, 2, 1e-9);
    EXPECT_NEAR(effect_instance[polar].ax, 0, 1e-6);
    EXPECT_NEAR(effect_instance[polar].ay, 0.5, 1e-9);
    free_effect(polar);

    entity e;
    e.x = 100, e.y = 50;
    const int star = attach_effect("spin", &e, -1, 12, 1, 0, -16);
    const int once = attach_effect("spin", &e, -1, 0, 1, 0, 0);
    EXPECT_EQ(effect_instance[star].life, effect_life_endless);
    EXPECT_EQ(effect_instance[once].life, 15);
    for (int i = 0; i < 13; ++i) update_effects();
    e.x = 300;
    update_effects();
    EXPECT_DOUBLE_EQ(effect_instance[star].x, 300);
    EXPECT_DOUBLE_EQ(effect_instance[star].y, 34);
    update_effects();
    update_effects();
    EXPECT_EQ(effect_instance[star].frame, 13) << "played to the end, restarted at 12";
    EXPECT_EQ(effect_instance[star].life, effect_life_endless);
    EXPECT_EQ(effect_instance[once].life, 0);

    const int loose = spawn_effect("spin", 0, 0, 1, 0, 0, 0, 0);
    const int again = attach_effect("spin", &e, 50, 0, 1, 0, 0);
    release_attached_effects();
    EXPECT_FALSE(effect_is_attached_to(star, &e));
    EXPECT_FALSE(effect_is_attached_to(again, &e));
    EXPECT_GT(effect_instance[loose].life, 0) << "a loose effect stays";
}

TEST_F(Effects, OpenEndsNeitherHangNorReadPastTheKeyframes) {
    // Twenty used keyframes, linear at the last; an endless effect looping
    // past its end; an effect of no keyframes.
    effect_definition_record& full = define(0, "full", {});
    for (int k = 0; k < effect_keyframes; ++k) {
        full.sprite[k] = 30 + k, full.duration[k] = 1, full.end_time[k] = k + 1;
        full.scale_mode[k] = 1;
    }
    define(1, "short", {{20, 3}});
    define(2, "empty", {});
    entity e;
    const int looping = attach_effect("full", &e, 9999, 0, 1, 400, 300);
    const int beyond = attach_effect("short", &e, -1, 40, 1, 400, 300);
    const int nothing = attach_effect("empty", &e, 5, 0, 1, 400, 300);
    EXPECT_EQ(effect_instance[looping].life, 9999);
    sprites_over(1);
    EXPECT_EQ(effect_instance[nothing].life, 0) << "over at once: freed";
    EXPECT_EQ(effect_instance[beyond].life, effect_life_endless);
    sprites_over(2);
    sprites_over(1);
    EXPECT_EQ(effect_instance[beyond].life, 0) << "a loop frame past the end frees it";
    for (int i = 4; i < 19; ++i) update_effects();
    fake_engine::reset();
    update_effects();  // keyframe 19, linear, holds its own scale
    EXPECT_EQ(only("DrawGraphicRotated"), strings{rotated(400, 300, "1.000000", "0.000000", 49)});
    EXPECT_EQ(sprites_over(1), std::vector<int>{30}) << "after keyframe 19 it starts over";
}

// The stun star a character keeps attached while stunned for 90 frames or more.
TEST_F(Effects, StunStarIsOursOnlyWhileAttachedToUs) {
    define(0, "stun_star", {{20, 10}});
    define(1, "spark", {{21, 10}});
    struct Row {
        const char* name;
        int stale;  // 0 none, 1 someone else's spark, 2 someone else's star
        int stun_frames;
        bool star_after, other_alive;
    };
    const Row rows[] = {
        {"stunned gets a star", 0, 100, true, false},
        {"a stale spark is left alone", 1, 10, false, true},
        {"a stale star of another is left, ours attached", 2, 100, true, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        reset_effects();
        character other, c;
        c.stun_effect = -1;
        int stale = -1;
        if (row.stale == 1) stale = spawn_effect("spark", 0, 0, 1, 0, 0, 0, 0);
        if (row.stale == 2) stale = attach_effect("stun_star", &other, 9999, 0, 1, 0, 0);
        if (stale >= 0) c.stun_effect = stale;
        c.stun_frames = row.stun_frames;
        update_stun_state(&c);
        EXPECT_EQ(c.stun_effect >= 0 && effect_is_attached_to(c.stun_effect, &c), row.star_after);
        if (row.star_after) {
            EXPECT_NE(c.stun_effect, stale);
        }
        if (stale >= 0) {
            EXPECT_EQ(effect_instance[stale].life > 0, row.other_alive);
        }
        if (!row.star_after) continue;
        const int star = c.stun_effect;
        c.stun_frames = 90;  // counts down to 89: the star goes
        update_stun_state(&c);
        EXPECT_EQ(c.stun_effect, -1);
        EXPECT_EQ(effect_instance[star].life, 0);
    }
}

}  // namespace
