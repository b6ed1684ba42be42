// Entity motion, the looping stage's wrap, and the character operations.
#include "world/motion.h"

#include <algorithm>
#include <cmath>

#include "world/effects.h"
#include "world/world_globals.h"
#include "world/data_names.h"

namespace {

constexpr uint32_t slide_flags = flag_slide_left | flag_slide_right;

struct speed_limit {
    double x, y;
};
// By type code: player, enemy, enemy-like, item, block, bullet, cracker, plain.
constexpr speed_limit speed_limits[8] = {{8, 8},  {8, 10},  {8, 10},  {8, 12},
                                         {8, 10}, {10, 12}, {10, 12}, {8, 10}};

// The excess over a limit is halved each frame rather than cut.
double limit_speed(double v, double limit) {
    if (v > limit) return (v + limit) * 0.5;
    if (v < -limit) return (v - limit) * 0.5;
    return v;
}

}  // namespace

double wrap_coordinate_outside(double v, int size) {
    if (size <= 0 || !std::isfinite(v)) return v;
    const double w = size;
    // One or two steps exactly as repeated adding or taking gives them; a
    // longer way in one reduction, so a huge coordinate costs no time.
    for (int step = 0; step < 2 && v < 0; ++step) v += w;
    if (v < 0) {
        v = std::fmod(v, w);
        v = v < 0 ? v + w : 0.0;
    }
    for (int step = 0; step < 2 && v > w; ++step) v -= w;
    if (v > w) {
        v = std::fmod(v, w);
        if (v == 0) v = w;
    }
    return v;
}

int apply_entity_physics(entity* e) {
    const double gravity = stage_info.gravity;
    if (!(e->flags & flag_no_friction)) e->vx *= 0.7;
    if (!(e->flags & flag_no_gravity)) {
        e->vy += gravity;
        if ((e->flags & flag_in_water) && e->sink_speed > 0) {
            e->sink_speed = std::max(0.0, e->sink_speed + gravity);
        }
        if (e->flags & slide_flags) {
            // The wall slide: held still at first, then ever faster, then let go.
            if (e->fall_tick < 0) e->fall_tick = 0;
            if (e->fall_tick < 90) {
                if (e->vy > 0) e->vy = 0;
            } else if (e->fall_tick < 180) {
                if (e->vy > 0.66) e->vy = 0.66;
            } else if (e->fall_tick < 300) {
                if (e->vy > 1.33) e->vy = 1.33;
            } else if (e->fall_tick > 300) {
                e->flags &= ~slide_flags;
            }
            ++e->fall_tick;
        }
    }
    if (e->flags & flag_standing) {
        e->flags &= ~slide_flags;
        e->fall_tick = 0;
    }
    if (!(e->flags2 & flag2_no_speed_limit)) {
        const bool known = e->type_code >= 0 && e->type_code < 8;
        const speed_limit limit = speed_limits[known ? e->type_code : type_plain];
        e->vx = limit_speed(e->vx, limit.x);
        e->vy = limit_speed(e->vy, limit.y);
    }
    return 0;
}

int move_entity(entity* e) {
    if (e->flags & flag_in_water) {
        if (!(e->flags & flag_no_gravity) && e->vy < 0) e->vy += stage_info.gravity / 10;
        e->y += e->vy + e->sink_speed;
        e->x += e->vx / 2.5;
    } else {
        e->x += e->vx;
        e->y += e->vy;
        e->sink_speed = 0;
    }
    return e->interaction(e, e);
}

int wrap_entity_position(entity* e) {
    if (e->flags & flag_no_wrap) return 0;
    if (stage_info.horizontal_wrap) e->x = wrap_coordinate(e->x, stage_info.width);
    if (stage_info.vertical_wrap) e->y = wrap_coordinate(e->y, stage_info.height);
    return 0;
}

int clamp_entity_position(entity* e, int min_x, int max_x, int min_y, int max_y) {
    if (e->flags2 & flag2_no_clamp) return 0;
    if (e->x > max_x) e->x = max_x;
    if (e->x < min_x) e->x = min_x;
    if (e->y > max_y) e->y = max_y;
    if (e->y < min_y) e->y = min_y;
    return 0;
}

int advance_object(object* o) {
    ++o->tick;
    return wrap_entity_position(o);
}

int update_stun_state(character* c) {
    ++c->tick;
    wrap_entity_position(c);
    if (c->invulnerable_frames > 0) {
        c->flags |= flag_blinking;
        if (--c->invulnerable_frames == 0) c->flags &= ~flag_blinking;
    }
    if (c->tag_frames > 0) {
        c->flags2 |= flag2_tagged;
        if (--c->tag_frames == 0) c->flags2 &= ~flag2_tagged;
    } else if (c->tag_frames < 0) {
        c->flags2 &= ~flag2_tagged;
        ++c->tag_frames;
    }
    if (c->stun_frames > 0) {
        c->flags |= flag_stunned;
        if (--c->stun_frames == 0) {
            c->flags &= ~flag_stunned;
            c->health = c->health_max;
            if (c->type_code == type_enemy) c->speed_factor = std::min(c->speed_factor + 0.1, 1.5);
        }
    }
    // stun_effect outlives stage loads and respawns, when its instance may
    // belong to someone else by now: only a live star on this character is ours.
    const bool own_star = c->stun_effect >= 0 && effect_is_attached_to(c->stun_effect, c);
    if (!own_star) c->stun_effect = -1;
    if (c->stun_frames >= 90) {
        if (!own_star) {
            c->stun_effect =
                attach_effect(data_names::effect::stun_star, c, 9999, 0, 1.0, 0.0, c->hit_dy - 16);
        }
    } else if (own_star) {
        free_effect(c->stun_effect);
        c->stun_effect = -1;
    }
    return 0;
}

int take_damage(character* c, int damage) {
    c->health -= damage;
    if (c->health >= 0) return 0;
    c->health = 0;
    if (c->flags & flag_knock_on_empty) {
        // Flung along its own travel, the vertical sense turned over.
        knock_away(c, -std::atan2(c->vy, c->vx) / radians_per_degree, 6);
        c->flags |= flag_defeated;
        c->health = 0;
    } else {
        c->flags |= flag_stunned;
        c->stun_frames += 360;
    }
    return 0;
}

int stun_character(character* c, double seconds) {
    c->flags &= ~slide_flags;
    c->stun_frames = static_cast<int>(seconds * 360);
    return 0;
}

int knock_away(character* c, double degrees, double speed) {
    c->flags |= flag_knocked_away | flag_knockback_state | flag_no_friction | flag_knocked_back;
    c->flags &= ~slide_flags;
    c->health = c->health_max = 240;
    c->stun_frames = 0;
    c->vx = std::cos(degrees * radians_per_degree) * speed;
    c->vy = std::sin(degrees * radians_per_degree) * speed;
    return 0;
}

int character_noop(character*, double, double) {
    return 0;
}
