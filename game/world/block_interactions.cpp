// What a block does to an entity whose hitbox meets it: push it out, change
// its velocity and flags. 1 reports a side contact that may be clung to.
#include "world/block_interactions.h"

#include "DuRud.h"
#include "world/block_ignorance.h"
#include "world/collision_geometry.h"
#include "world/key_codes.h"
#include "world/world_globals.h"

namespace {

// A face that a neighbouring block covers is no face.
constexpr uint32_t no_top_face = block_top_neighbour;
constexpr uint32_t no_bottom_face = block_bottom_neighbour;
constexpr uint32_t no_left_face = block_left_neighbour;
constexpr uint32_t no_right_face = block_right_neighbour;
constexpr uint32_t water_block = block_water;
// Entity bits read here.
constexpr uint32_t rising = 0x20;
constexpr uint32_t back_jump = 0x80000;
constexpr uint32_t bounce_undamped_y = 0x800;  // flags2
constexpr uint32_t bounce_undamped_x = 0x400;  // flags2

double centre_x(const entity* e) {
    return e->x + e->hit_dx;
}
double centre_y(const entity* e) {
    return e->y + e->hit_dy;
}

// A knocked-back entity bounces off (damped by both bounce factors unless
// undamped); anything else stops.
double velocity_after(const entity* a, const entity* b, double v, uint32_t undamped) {
    if (!(a->flags & flag_knockback_state)) return 0;
    v = -v;
    if (!(a->flags2 & undamped)) v = v * b->bounce * a->bounce;
    return v;
}

void outline(const entity* e, uint32_t color) {
    const double cx = centre_x(e), cy = centre_y(e) + 64;
    DuRud::DrawBoxShape(static_cast<int>(cx - e->hit_w / 2), static_cast<int>(cy - e->hit_h / 2),
                        static_cast<int>(cx + e->hit_w / 2), static_cast<int>(cy + e->hit_h / 2),
                        color, 0);
}

}  // namespace

int interaction_block_updown(entity* a, entity* b) {
    if (b->y < a->y) {
        a->y += (a->hit_h + b->hit_h) / 2 - (centre_y(a) - centre_y(b));
        a->vy *= 0.5;
    } else if (b->y > a->y) {
        a->y -= (a->hit_h + b->hit_h) / 2 - (centre_y(b) - centre_y(a));
        a->flags = (a->flags | flag_standing) & ~rising;
        a->vy = 0;
    }
    return 0;
}

int interaction_block_leftright(entity* a, entity* b) {
    if (b->x < a->x) {
        a->x += (a->hit_w + b->hit_w) / 2 - (centre_x(a) - centre_x(b));
        a->vx = 0;
    } else if (b->x > a->x) {
        a->x -= (a->hit_w + b->hit_w) / 2 - (centre_x(b) - centre_x(a));
        a->vx = 0;
    }
    return 0;
}

int interaction_block_typical(entity* a, entity* b) {
    const bool a_in_water = a->flags & flag_in_water;
    const bool b_water = b->flags & water_block;
    bool top = !(b->flags & no_top_face), bottom = !(b->flags & no_bottom_face);
    bool left = !(b->flags & no_left_face), right = !(b->flags & no_right_face);
    if (a_in_water) {
        if (b_water) {
            bottom = left = right = false;
        } else {
            bottom = false;
            left = right = true;
        }
    }
    if (debug_mode && a->type_code == type_player && DuRud::CheckKeyDown(key_code_g) == 1) {
        outline(a, DuRud::MakeColorValue(255, 255, 0));
        outline(b, DuRud::MakeColorValue(0, 255, 255));
    }

    // Meet b's nearest copy on the looping stage: a itself moves by whole
    // stage sizes and may lie outside the stage until its next wrap.
    int i, j;
    nearest_wrap_copy(*a, *b, &i, &j);
    a->x += i * static_cast<double>(stage_info.width);
    a->y += j * static_cast<double>(stage_info.height);
    double ox, oy;
    wrapped_overlap_extent(*a, *b, &ox, &oy);

    // A shallow vertical overlap is always taken as vertical, so a walker
    // steps onto a block's edge instead of being pushed sideways.
    const bool knocked = a->flags & flag_knockback_state;
    double v = oy;
    if ((!knocked && oy < a->hit_h / 4) || (knocked && oy < a->hit_h / 2.5)) v = 0;
    const bool vertical = v <= ox;

    if (vertical) {
        if (b_water && !knocked && a->vy < -2.0) {
            a->flags |= flag_in_water;
            return 0;
        }
        if (b->y > a->y) {
            const double depth = (centre_y(b) - centre_y(a)) - (a->hit_h + b->hit_h) / 2;
            if (a_in_water && b_water && depth < -10) return 0;
            if (a->vy > 0 && top) {
                a->y = b->y - b->hit_h / 2 - a->hit_h / 2 - a->hit_dy;
                a->vy = velocity_after(a, b, a->vy, bounce_undamped_y);
                a->flags = (a->flags | flag_standing) & ~(flag_in_water | rising);
            }
            return 0;
        }
        if (a_in_water) return 0;
        if (a->vy < 0 && bottom) {
            a->y = b->y + b->hit_h / 2 + a->hit_h / 2 - a->hit_dy;
            a->vy = velocity_after(a, b, a->vy, bounce_undamped_y);
        }
        return 0;
    }

    if (a_in_water && b_water) return 0;
    if (b->x > a->x && a->vx > 0 && left) {
        a->x = b->x - b->hit_w / 2 - a->hit_w / 2 - a->hit_dx;
    } else if (b->x < a->x && a->vx < 0 && right) {
        a->x = b->x + b->hit_w / 2 + a->hit_w / 2 - a->hit_dx;
    } else {
        return 0;
    }
    a->vx = velocity_after(a, b, a->vx, bounce_undamped_x);
    return (a->flags & back_jump) ? 0 : 1;
}

int interaction_block_noclimb(entity* a, entity* b) {
    interaction_block_typical(a, b);
    return 0;
}
