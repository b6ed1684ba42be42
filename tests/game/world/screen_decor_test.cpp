// Screen shake, window frame and background layers.
#include <cmath>
#include <set>

#include "draw_world.h"
#include "world/game_random.h"

namespace {

using Decor = DrawWorld;

TEST_F(Decor, ShakeDiesDownAfter64Steps) {
    screen_shake.magnitude = 20;
    const uint32_t calls = game_random_state.calls;
    for (int i = 1; i <= 64; ++i) {
        EXPECT_GT(screen_shake.magnitude, 0.1) << "before step " << i;
        update_screen_shake();
        EXPECT_NEAR(std::hypot(screen_shake.offset_x, screen_shake.offset_y),
                    20 * std::pow(0.92, i - 1), 1e-9);
    }
    EXPECT_LT(screen_shake.magnitude, 0.1);
    EXPECT_EQ(game_random_state.calls - calls, 64u);
    const screen_shake_record last = screen_shake;
    update_screen_shake();
    EXPECT_EQ(game_random_state.calls - calls, 64u) << "the 65th draws nothing";
    EXPECT_EQ(screen_shake.offset_x, last.offset_x);
    EXPECT_EQ(screen_shake.offset_y, last.offset_y);
}

TEST_F(Decor, WindowFrameTiles) {
    struct Row {
        const char* name;
        int n;
        std::set<int> tiles;
        std::string box;
    };
    const Row rows[] = {
        {"one column", 1, {200, 203, 206}, "DrawBoxShape(14, 24, 22, 352, 4278190080, 1)"},
        {"edges only",
         2,
         {200, 203, 206, 202, 205, 208},
         "DrawBoxShape(14, 24, 38, 352, 4278190080, 1)"},
        {"a middle",
         3,
         {200, 203, 206, 201, 204, 207, 202, 205, 208},
         "DrawBoxShape(14, 24, 54, 352, 4278190080, 1)"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        fake_engine::reset();
        EXPECT_EQ(draw_window_frame(row.n, 10.5f, 20), 0);
        const auto box = only("DrawBoxShape");
        ASSERT_EQ(box.size(), 1u);
        EXPECT_EQ(box[0], row.box);
        const auto tiles = only("DrawGraphicAtF");
        ASSERT_EQ(tiles.size(), 21u * row.n);
        std::set<int> seen;
        for (const auto& c : fake_engine::calls()) {
            if (c.name == "DrawGraphicAtF")
                seen.insert(std::stoi(c.args.substr(c.args.size() - 7, 4)) - 1000);
        }
        EXPECT_EQ(seen, row.tiles);
        EXPECT_EQ(tiles.back(), "DrawGraphicAtF(" + std::to_string(10.5f + 16 * (row.n - 1)) +
                                    ", 340.000000, " + std::to_string(1000 + *row.tiles.rbegin()) +
                                    ", 1)");
    }
}

TEST_F(Decor, BackgroundScrollsAndCrossFades) {
    struct Queued {
        int sprite, layer, blend_param;
    };
    struct Row {
        const char* name;
        std::vector<int> list;
        int level, mode;
        double speed_x, scroll_x;
        std::vector<Queued> queued;
        std::vector<int> list_after;
        int level_after;
        double scroll_after;
    };
    const Row rows[] = {
        {"speed 0 zeroes the scroll", {50}, 0, 0, 0, 123, {{50, 0, 255}}, {50}, 0, 0},
        {"scroll wraps", {50}, 0, 0, 5, 798, {{50, 0, 255}}, {50}, 0, 3},
        {"cross-fade", {50, 51}, 100, 0, 0, 0, {{50, 16, 150}, {51, 16, 105}}, {50, 51}, 105, 0},
        {"once through", {50, 51}, 250, 0, 0, 0, {{51, 0, 255}}, {51}, 0, 0},
        {"round",
         {50, 51},
         250,
         1,
         0,
         0,
         {{51, 0, 255}},
         {51, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, 50},
         0,
         0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        clear_draw_queue();
        stage_info = stage_info_record{};
        std::copy(row.list.begin(), row.list.end(), stage_info.background_list);
        stage_info.crossfade_level = row.level;
        stage_info.background_cycling = row.mode;
        stage_info.scroll_speed_x = row.speed_x;
        stage_info.scroll_speed_y = 0;
        background_scroll_x = row.scroll_x;
        draw_background_layers();
        EXPECT_DOUBLE_EQ(background_scroll_x, row.scroll_after);
        EXPECT_EQ(stage_info.crossfade_level, row.level_after);
        std::vector<int> list(std::begin(stage_info.background_list),
                              std::end(stage_info.background_list));
        std::vector<int> list_after = row.list_after;
        list_after.resize(16, -1);
        EXPECT_EQ(list, list_after);
        for (std::size_t i = 0; i < row.queued.size(); ++i) {
            const draw_request& r = draw_queue[i];
            EXPECT_EQ(r.used, 1);
            EXPECT_EQ(r.sprite, row.queued[i].sprite);
            EXPECT_EQ(r.layer, row.queued[i].layer);
            EXPECT_EQ(r.blend_param, row.queued[i].blend_param);
            EXPECT_EQ(r.blend_mode, row.queued[i].layer == 16 ? 1 : 0);
            EXPECT_DOUBLE_EQ(r.x, row.scroll_after + 400);
            EXPECT_DOUBLE_EQ(r.y, 268);
            EXPECT_EQ(r.wrapped, 1);
        }
        EXPECT_EQ(draw_queue[row.queued.size()].used, 0);
    }
    stage_info.width = 0;  // a width of 0 from the file must not hang the scroll
    stage_info.scroll_speed_x = 3;
    background_scroll_x = -5;
    draw_background_layers();
    EXPECT_DOUBLE_EQ(background_scroll_x, -2);
}

}  // namespace
