// Three frames of a small stage drawn by the real engine and presented as the
// main loop presents them: every sprite at its place, the wrap copy, no trail
// of a moving player, nothing of the world below the play area.
#include <cstdint>
#include <vector>

#include "graphics/graphic_fill.h"
#include "support/window_test_support.h"
#include "world/player.h"
#include "world/pools.h"
#include "world/stage_frame.h"
#include "world_engine.h"

namespace {

using StagePixels = WorldEngine;

struct look {
    int sprite, w, h;
    uint32_t rgb;
};
constexpr look block_look{1000, 24, 24, 0xFF0000};
constexpr look item_look{1001, 16, 16, 0x00FF00};
constexpr look enemy_look{1002, 20, 20, 0xFFFF00};
constexpr look player_look{1100, 20, 32, 0x0000FF};  // every animation frame alike

// A sprite: a drawable graphic filled with the look's colour.
bool make_sprite(const look& l, int frames = 1) {
    const int32_t g = DuRud::CreateDrawableGraphic(l.w, l.h, 1);
    if (g == -1 || DuRud::FillGraphic(g, l.rgb >> 16, l.rgb >> 8 & 0xFF, l.rgb & 0xFF, 255, 0) != 0)
        return false;
    for (int f = 0; f < frames; ++f) sprite_table[l.sprite + f] = {g, l.w, l.h};
    return true;
}

template <class E>
E& place(E& e, const look& l, double x, double y) {
    e.flags |= flag_in_use | flag_no_gravity | flag_no_friction;
    e.x = x, e.y = y;
    e.hit_w = l.w, e.hit_h = l.h;
    e.sprite_base = l.sprite;
    return e;
}

TEST_F(StagePixels, ThreeFramesShowEverySpriteAtItsPlaceAndNoTrail) {
    ASSERT_TRUE(make_sprite(block_look) && make_sprite(item_look) && make_sprite(enemy_look) &&
                make_sprite(player_look, 64));
    offscreen = DuRud::CreateDrawableGraphic(800, 600, 1);
    play_area_screen = DuRud::CreateDrawableGraphic(800, 536, 1);
    ASSERT_NE(offscreen, -1);
    ASSERT_NE(play_area_screen, -1);

    // The stage: 800 x 576, wrapping both ways, no background.
    block& b = place(blocks[0], block_look, 200, 530);  // reaches below the play area
    item& i = place(items[0], item_look, 400, 300);
    enemy& e = place(enemies[0], enemy_look, -10, 100);  // half off the left edge
    tesmo& p = players[0];
    reset_player(&p);
    place(p, player_look, 600, 200).vx = 8;  // 8 a frame: 24 pixels in three frames

    for (int frame = 0; frame < 3; ++frame) ASSERT_TRUE(run_stage_frame()) << frame;
    ASSERT_GE(p.x, 600 + 20) << "the player moved further than its width";
    DuRud::SelectDrawTarget(-2);
    DuRud::DrawGraphicAt(0, 0, offscreen, 0);
    DuRud::FlipScreen();

    // Each sprite centred on its entity (truncated), with its copies one stage
    // size away; the play area ends at y 536.
    struct shown {
        const entity* e;
        look l;
    } world[] = {{&b, block_look}, {&i, item_look}, {&e, enemy_look}, {&p, player_look}};
    const auto want = windowtest::Picture(800, 600, [&](int x, int y) -> uint32_t {
        if (y >= 536) return 0;
        for (const shown& s : world) {
            for (int dx : {-800, 0, 800}) {
                for (int dy : {-576, 0, 576}) {
                    const int left = static_cast<int>(s.e->x) + dx - s.l.w / 2;
                    const int top = static_cast<int>(s.e->y) + dy - s.l.h / 2;
                    if (x >= left && x < left + s.l.w && y >= top && y < top + s.l.h)
                        return s.l.rgb;
                }
            }
        }
        return 0;
    });
    int w = 0, h = 0;
    const std::vector<uint32_t> got = windowtest::Capture(window(), &w, &h);
    ASSERT_EQ(std::pair(w, h), std::pair(800, 600));
    EXPECT_EQ(got[100 * 800 + 785], enemy_look.rgb) << "the wrap copy at x 790";
    EXPECT_EQ(got[535 * 800 + 200], block_look.rgb);
    EXPECT_EQ(got[536 * 800 + 200], 0u) << "the world below y 536";
    int differ = 0;
    for (size_t k = 0; k < got.size(); ++k) differ += got[k] != want[k];
    EXPECT_EQ(differ, 0) << "pixels off the hand-built picture";
}

}  // namespace
