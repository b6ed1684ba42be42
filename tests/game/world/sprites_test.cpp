// Sprite drawing, the layered draw queue and the entity's draw request.
#include <functional>

#include "draw_world.h"

namespace {

using Sprites = DrawWorld;
using strings = std::vector<std::string>;

TEST_F(Sprites, DrawSpriteCentresCullsAndRefuses) {
    struct Row {
        const char* name;
        int sprite, handle;
        double x, y, angle, scale;
        int result;
        strings draws;
    };
    const Row rows[] = {
        {"truncated toward zero",
         10,
         1010,
         10.7,
         -3.9,
         90,
         2,
         1,
         {rotated(10, -3, "2.000000", "1.570796", 10)}},
        {"negative id", -1, 0, 10, 10, 0, 1, -1, {}},
        {"id past the table", 3072, 0, 10, 10, 0, 1, -1, {}},
        {"no graphic", 5, -1, 10, 10, 0, 1, -1, {}},
        {"corner shows at x -20",
         5,
         1005,
         -20,
         300,
         45,
         1,
         1,
         {rotated(-20, 300, "1.000000", "0.785398", 5)}},
        {"culled at x -23", 5, 1005, -23, 300, 45, 1, 1, {}},
        {"culled below the screen", 5, 1005, 400, 623, 0, 1, 1, {}},
        {"not a number", 5, 1005, 0.0 / 0.0, 300, 0, 1, 1, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        fake_engine::reset();
        sprite_count = 0;
        if (row.sprite >= 0 && row.sprite < sprite_table_size)
            sprite_table[row.sprite].handle = row.handle;
        EXPECT_EQ(draw_sprite(row.sprite, row.x, row.y, row.angle, row.scale), row.result);
        EXPECT_EQ(fake_engine::trace(), row.draws);
        EXPECT_EQ(sprite_count, int(row.draws.size()));
    }
}

TEST_F(Sprites, GlowDrawsTwiceUnderTwoBlends) {
    EXPECT_EQ(draw_sprite_glow(5, 100, 100, 0, 1), 1);
    const std::string draw = rotated(100, 100, "1.000000", "0.000000", 5);
    EXPECT_EQ(fake_engine::trace(), (strings{"SetBlendMode(10, 196)", draw, "SetBlendMode(2, 255)",
                                             draw, "SetBlendMode(0, 0)"}));
    fake_engine::reset();
    EXPECT_EQ(draw_sprite_glow(-1, 100, 100, 0, 1), -1);
    EXPECT_EQ(draw_sprite_glow(3072, 100, 100, 0, 1), -1);
    EXPECT_TRUE(fake_engine::trace().empty());
}

int count_sprite(int sprite) {
    int n = 0;
    for (const draw_request& r : draw_queue) n += r.used && r.sprite == sprite;
    return n;
}

TEST_F(Sprites, FullQueueDropsOrEvictsLayer255) {
    for (int i = 0; i < draw_queue_size; ++i) queue_sprite(1, 5, 0, 0, 0, 0, 1, 0, 1);
    queue_sprite(7, 3, 0, 0, 0, 0, 1, 1, 0);
    EXPECT_EQ(count_sprite(7), 0) << "no layer 255: the push is lost";
    EXPECT_EQ(count_sprite(1), draw_queue_size);

    clear_draw_queue();
    for (int i = 0; i < draw_queue_size; ++i) {
        queue_sprite(1, i == 100 || i == 200 ? 255 : 5, 0, 0, 0, 0, 1, 0, 1);
    }
    queue_sprite(7, 3, 0, 0, 0, 0, 1, 1, 0);
    EXPECT_EQ(draw_queue[100].sprite, 7);
    EXPECT_EQ(draw_queue[100].layer, 3);
    EXPECT_EQ(draw_queue[100].screen_fixed, 1) << "the caller's values stay";
    EXPECT_EQ(draw_queue[100].wrapped, 0);
    EXPECT_EQ(draw_queue[200].layer, 255);
}

TEST_F(Sprites, FlushDrawsByLayerThenPushOrder) {
    struct Row {
        const char* name;
        std::function<void()> push;
        int lo, hi, k;
        double ox, oy, cx, cy, shake_x, shake_y;
        strings expected;  // the whole trace
    };
    const std::string end1 = "SetBlendMode(0, 0)", end2 = "SetBrightness(255, 255, 255)";
    const std::string plain1 = "SetBlendMode(0, 255)", plain2 = "SetBrightness(255, 255, 255)";
    auto fixed = [](int sprite, int layer) {
        queue_sprite(sprite, layer, 0, 100, 100, 0, 1, 1, 0);
    };
    const Row rows[] = {
        {"layers then push order, -1 and out of range skipped",
         [&] {
             fixed(1, 50), fixed(2, 10), fixed(-1, 10), fixed(3, 50), fixed(4, 60), fixed(5, 9);
         },
         10,
         50,
         1,
         0,
         0,
         0,
         0,
         0,
         0,
         {plain1, plain2, rotated(100, 100, "1.000000", "0.000000", 2), plain1, plain2,
          rotated(100, 100, "1.000000", "0.000000", 1), plain1, plain2,
          rotated(100, 100, "1.000000", "0.000000", 3), end1, end2}},
        {"camera, offset and shake",
         [] { queue_sprite(1, 0, 0, 100, 100, 0, 1, 0, 0); },
         0,
         0,
         0,
         5,
         6,
         50,
         20,
         1,
         2,
         {plain1, plain2, rotated(56, 88, "1.000000", "0.000000", 1), end1, end2}},
        {"shake on a screen-fixed entry",
         [&] { fixed(1, 0); },
         0,
         0,
         1,
         5,
         6,
         50,
         20,
         1,
         2,
         {plain1, plain2, rotated(101, 102, "1.000000", "0.000000", 1), end1, end2}},
        {"own blend and brightness",
         [] { queue_sprite_ex(1, 0, 1, 0, 1, 128, 10, 20, 30, 100, 100, 0, 1); },
         0,
         0,
         0,
         0,
         0,
         0,
         0,
         0,
         0,
         {"SetBlendMode(1, 128)", "SetBrightness(10, 20, 30)",
          rotated(100, 100, "1.000000", "0.000000", 1), end1, end2}},
        {"glow",
         [] { queue_sprite(1, 0, 1, 100, 100, 0, 1, 1, 0); },
         0,
         0,
         0,
         0,
         0,
         0,
         0,
         0,
         0,
         {plain2, "SetBlendMode(10, 196)", rotated(100, 100, "1.000000", "0.000000", 1),
          "SetBlendMode(2, 255)", rotated(100, 100, "1.000000", "0.000000", 1),
          "SetBlendMode(0, 0)", end1, end2}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        clear_draw_queue();
        row.push();
        screen_shake = {0, row.shake_x, row.shake_y};
        fake_engine::reset();
        flush_draw_queue(row.lo, row.hi, row.k, row.ox, row.oy, 800, 576, row.cx, row.cy);
        EXPECT_EQ(fake_engine::trace(), row.expected);
    }
}

TEST_F(Sprites, WrapCopiesAtTheSeams) {
    struct Row {
        const char* name;
        int screen_fixed, wrapped;
        strings draws;
    };
    const Row rows[] = {
        {"wrapped",
         0,
         1,
         {rotated(-10, 300, "1.000000", "0.000000", 1),
          rotated(790, 300, "1.000000", "0.000000", 1)}},
        {"screen-fixed", 1, 1, {rotated(-10, 300, "1.000000", "0.000000", 1)}},
        {"unwrapped", 0, 0, {rotated(-10, 300, "1.000000", "0.000000", 1)}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        clear_draw_queue();
        queue_sprite(1, 0, 0, -10, 300, 0, 1, row.screen_fixed, row.wrapped);
        fake_engine::reset();
        flush_draw_queue(0, 254, 1, 0, 0, 800, 576, 0, 0);
        EXPECT_EQ(only("Draw"), row.draws);
        fake_engine::reset();
        flush_draw_queue(0, 254, 1, 0, 0, 800, 576, 0, 0);
        EXPECT_EQ(only("Draw"), row.draws) << "a second flush draws again";
    }
}

TEST_F(Sprites, EntityRequests) {
    struct Row {
        const char* name;
        int type;
        uint32_t flags;
        int draw_layer, tick, flash;
        bool queued;
        int layer, glow, wrapped, flash_after;
    };
    const Row rows[] = {
        {"hidden", type_enemy, flag_hidden, -1, 0, 1, false, 0, 0, 0, 1},
        {"enemy", type_enemy, 0, -1, 4, 0, true, 69, 0, 1, 0},
        {"defeated enemy", type_enemy_like, flag_defeated, -1, 4, 0, true, 115, 0, 1, 0},
        {"own layer, no wrap", type_item, flag_no_wrap, 7, 4, 0, true, 7, 0, 0, 0},
        {"block", type_block, 0, -1, 4, 0, true, 29, 0, 1, 0},
        {"other type", 9, 0, -1, 4, 0, true, 254, 0, 1, 0},
        {"blinking at tick 3", type_player, flag_blinking, -1, 3, 0, true, 120, 1, 1, 0},
        {"blinking at tick 4", type_player, flag_blinking, -1, 4, 0, true, 120, 0, 1, 0},
        {"blinking at tick -4", type_player, flag_blinking, -1, -4, 0, true, 120, 1, 1, 0},
        {"glow flag", type_bullet, flag_glow, -1, 4, 0, true, 109, 1, 1, 0},
        {"flash frames", type_cracker, 0, -1, 4, 2, true, 89, 1, 1, 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        clear_draw_queue();
        entity e;
        e.type_code = row.type;
        e.flags = row.flags | flag_in_use;
        e.draw_layer = row.draw_layer;
        e.tick = row.tick;
        e.flash_frames = row.flash;
        e.sprite_base = 40, e.pattern_result = 3;
        e.x = 100, e.y = 50, e.draw_dx = 1.5, e.draw_dy = -2, e.draw_scale = 0.5;
        draw_entity(&e, 30.0f);
        const draw_request& r = draw_queue[0];
        ASSERT_EQ(r.used, row.queued ? 1 : 0);
        EXPECT_EQ(e.flash_frames, row.flash_after);
        if (!row.queued) continue;
        EXPECT_EQ(r.layer, row.layer);
        EXPECT_EQ(r.glow, row.glow);
        EXPECT_EQ(r.wrapped, row.wrapped);
        EXPECT_EQ(r.screen_fixed, 0);
        EXPECT_EQ(r.sprite, 43);
        EXPECT_DOUBLE_EQ(r.x, 101.5);
        EXPECT_DOUBLE_EQ(r.y, 48);
        EXPECT_DOUBLE_EQ(r.angle, 30);
        EXPECT_DOUBLE_EQ(r.scale, 0.5);
    }
}

TEST_F(Sprites, ScreenSpritesDrawWithoutShake) {
    screen_sprites[3] = {1, 8, 50, 60};
    screen_sprites[4] = {0, 9, 50, 60};
    screen_sprites[5] = {1, 3072, 50, 60};
    screen_shake = {0, 5, 5};
    draw_screen_sprites();
    EXPECT_EQ(only("Draw"), strings{rotated(50, 60, "1.000000", "0.000000", 8)});
    EXPECT_EQ(sprite_count, 1);
}

}  // namespace
