// Sprite drawing and the entity's draw request.
#include "world/sprites.h"

#include <cmath>

#include "DuRud.h"
#include "world/collision_geometry.h"
#include "world/draw_queue.h"
#include "world/motion.h"
#include "world/world_globals.h"

constinit int32_t sprite_count = 0;
constinit screen_sprite screen_sprites[screen_sprite_count];

namespace {

const sprite_entry* drawable_sprite(int sprite) {
    if (sprite < 0 || sprite >= sprite_table_size) return nullptr;
    const sprite_entry& s = sprite_table[sprite];
    return s.handle == -1 ? nullptr : &s;
}

// A draw position that truncates to an int; anything beyond is off screen.
bool fits_int(double v) {
    return v > -2147483648.0 && v < 2147483648.0;
}

}  // namespace

int draw_sprite(int sprite, double x, double y, double angle, double scale) {
    const sprite_entry* s = drawable_sprite(sprite);
    if (!s) return -1;
    // The diagonal, so that no rotation of a visible sprite is culled.
    const double side = std::hypot(double(s->width), double(s->height)) * std::fabs(scale);
    if (!boxes_overlap(x, y, side, side, 400, 300, 800, 600) || !fits_int(x) || !fits_int(y)) {
        return 1;
    }
    DuRud::DrawGraphicRotated(static_cast<int>(x), static_cast<int>(y), scale,
                              angle * radians_per_degree, s->handle, 1, 0);
    ++sprite_count;
    return 1;
}

int draw_sprite_glow(int sprite, double x, double y, double angle, double scale) {
    if (!drawable_sprite(sprite)) return -1;
    DuRud::SetBlendMode(10, 196);
    draw_sprite(sprite, x, y, angle, scale);
    DuRud::SetBlendMode(2, 255);
    draw_sprite(sprite, x, y, angle, scale);
    DuRud::SetBlendMode(0, 0);
    return 1;
}

void draw_screen_sprites() {
    for (const screen_sprite& s : screen_sprites) {
        if (s.used == 1) draw_sprite(s.sprite, s.x, s.y, 0, 1);
    }
}

namespace {

int default_layer(const entity& e) {
    switch (e.type_code) {
        case type_player:
            return 120;
        case type_enemy:
        case type_enemy_like:
            return (e.flags & flag_defeated) ? 115 : 69;
        case type_item:
            return 49;
        case type_block:
            return 29;
        case type_bullet:
            return 109;
        case type_cracker:
            return 89;
        case type_plain:
            return 128;
        default:
            return 254;
    }
}

}  // namespace

int draw_entity(entity* e, float angle) {
    if (!e || (e->flags & flag_hidden)) return 0;
    const int layer = e->draw_layer == -1 ? default_layer(*e) : e->draw_layer;
    const bool glow = ((e->flags & flag_blinking) && e->tick % 8 < 4) || (e->flags & flag_glow) ||
                      e->flash_frames > 0;
    if (glow && e->flash_frames > 0) --e->flash_frames;
    queue_sprite(e->sprite_base + e->pattern_result, layer, glow ? 1 : 0, e->x + e->draw_dx,
                 e->y + e->draw_dy, angle, e->draw_scale, 0, (e->flags & flag_no_wrap) ? 0 : 1);
    return 0;
}
