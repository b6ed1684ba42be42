// Screen shake, window frame and background layers.
#include "world/screen_decor.h"

#include <cmath>

#include "DuRud.h"
#include "world/draw_queue.h"
#include "world/game_random.h"
#include "world/motion.h"
#include "world/world_globals.h"
#include "world/data_names.h"

constinit double background_scroll_x = 0, background_scroll_y = 0;

void update_screen_shake() {
    screen_shake_record& s = screen_shake;
    if (!(s.magnitude > 0.1)) return;
    const double a = game_random(360) * radians_per_degree;
    s.offset_x = std::cos(a) * s.magnitude;
    s.offset_y = std::sin(a) * s.magnitude;
    s.magnitude *= 0.92;
}

int draw_window_frame(int columns, float x, float y) {
    const int n = columns;
    DuRud::DrawBoxShape(static_cast<int>(x + 4), static_cast<int>(y + 4),
                        static_cast<int>(x + 16 * n - 4), static_cast<int>(y + 332),
                        DuRud::MakeColorValue(0, 0, 0), 1);
    for (int i = 0; i < n; ++i) {
        const int column = i == 0 ? 0 : i == n - 1 ? 2 : 1;
        for (int j = 0; j <= 20; ++j) {
            const int row = j == 0 ? 0 : j == 20 ? 6 : 3;
            DuRud::DrawGraphicAtF(
                x + 16 * i, y + 16 * j,
                sprite_table[data_names::sprite::frame_tile + column + row].handle, 1);
        }
    }
    return 0;
}

namespace {

double scrolled(double position, double speed, int size) {
    if (speed == 0) return 0;
    return wrap_coordinate(position + speed, size);
}

void queue_current_background(double x, double y) {
    queue_sprite(stage_info.background_list[0], 0, 0, x, y, 0, 1, 0, 1);
}

// The list moves up one place: once through (the last place empties) or
// round (the old current one goes last).
void next_background() {
    int32_t* list = stage_info.background_list;
    const int32_t old = list[0];
    for (int i = 0; i < 15; ++i) list[i] = list[i + 1];
    list[15] = stage_info.background_cycling == 1 ? old : -1;
}

}  // namespace

void draw_background_layers() {
    background_scroll_x =
        scrolled(background_scroll_x, stage_info.scroll_speed_x, stage_info.width);
    background_scroll_y =
        scrolled(background_scroll_y, stage_info.scroll_speed_y, stage_info.height);
    const double x = background_scroll_x + 400, y = background_scroll_y + 268;
    const int32_t* list = stage_info.background_list;
    bool others = false;
    for (int i = 1; i < 16; ++i) others = others || list[i] != -1;
    if (!others) {
        queue_current_background(x, y);
        return;
    }
    int32_t& level = stage_info.crossfade_level;
    level += stage_info.crossfade_step;
    if (level < 255) {
        queue_sprite_ex(list[0], 16, 0, 1, 1, 255 - level, 255, 255, 255, x, y, 0, 1);
        queue_sprite_ex(list[1], 16, 0, 1, 1, level, 255, 255, 255, x, y, 0, 1);
        return;
    }
    next_background();
    level = 0;
    DuRud::SetBlendMode(0, 0);
    queue_current_background(x, y);
}
