// Move patterns of items, keys, doors and the opening stage. Each returns
// the sprite frame added to the entity's base sprite.
#include "world/patterns_items.h"

#include <algorithm>
#include <cmath>

#include "world/effects.h"
#include "world/game_random.h"
#include "world/items.h"
#include "world/motion.h"
#include "world/pools.h"
#include "world/world_globals.h"
#include "world/data_names.h"

namespace {

constexpr uint32_t flag_shut = flag_falling_out;  // 0x80: a shut door or key, a block out of play
constexpr uint32_t flag_through_blocks = 0x40;
constexpr uint32_t flag_held = flag_no_wrap;  // 0x1000000
constexpr uint32_t flag_sparkle = flag_glow;  // 0x200000: blinking this frame
constexpr uint32_t flag_homing = flag_through_blocks | flag_no_gravity | flag_knocked_back;
constexpr uint32_t all_neighbours = 0x1000 | 0x2000 | 0x4000 | 0x8000;
constexpr uint32_t flag_kept_block = 0x100000;
constexpr double power_item_reach_sq = 75.0 * 75.0;

int shown_unless_shut(const entity* e) {
    return (e->flags & flag_shut) ? 0 : 1;
}

// An offset of -8..8 pixels.
double jitter() {
    return static_cast<double>(game_random(17)) - 8;
}

// A glint near the entity, which blinks for this frame; otherwise no blink.
void sparkle(entity* self, bool now, double base_scale) {
    if (!now) {
        self->flags &= ~flag_sparkle;
        return;
    }
    const double x = self->x + jitter(), y = self->y + jitter();
    spawn_effect(data_names::effect::kirarin_white, x, y, base_scale + 0.1 * game_random(5), 0, 0,
                 0, 0);
    self->flags |= flag_sparkle;
}

void request_next_stage() {
    stage_change_request.step = 1;
    stage_change_request.flag = 1;
}

double squared_distance(const entity& a, const entity& b) {
    const double dx = a.x - b.x, dy = a.y - b.y;
    return dx * dx + dy * dy;
}

}  // namespace

int move_pattern_default(entity* self) {
    if (self->type_code == type_item) self->draw_scale = 1.0;
    if (self->type_code == type_block) {
        // Enclosed on all four sides: it can never be touched.
        if ((self->flags & all_neighbours) == all_neighbours && !(self->flags & flag_kept_block))
            self->flags |= flag_shut;
        self->move_pattern = move_pattern_nothing;
    }
    return 0;
}

int move_pattern_nothing(entity* self) {
    self->draw_scale = 1.0;
    return 0;
}

int move_pattern_bigitem(entity* self) {
    self->draw_scale = 4.0;
    const uint32_t resting = flag_held | flag_no_gravity | flag_through_blocks;
    if (self->tick < 30) {
        self->flags |= resting;
        self->vy = 10.0;
    } else if (!(self->flags & flag_standing)) {
        self->flags &= ~resting;
    } else {
        if (!(self->flags & flag_held)) screen_shake.magnitude += 5;  // once per landing
        self->flags |= resting;
        self->vy = 0;
    }
    return 0;
}

int move_pattern_poweritem(entity* self) {
    // Both records, in play or not.
    for (tesmo& p : players) {
        if (squared_distance(p, *self) < power_item_reach_sq) {
            self->free_var[0] = 0;
            self->move_pattern = move_pattern_poweritem_switched;
        }
    }
    return 0;
}

int move_pattern_poweritem_switched(entity* self) {
    const int t = ++self->free_var[0];
    const double v = std::min(t * 0.25 + 4.0, 16.0) + 0.1;
    const tesmo* target = nullptr;
    double best = 999999;
    for (const tesmo& p : players) {
        if ((p.flags & (flag_in_use | flag_stunned | flag_knocked_away | flag_defeated)) !=
            flag_in_use)
            continue;
        const double d = squared_distance(p, *self);
        if (d < best) best = d, target = &p;
    }
    if (!target) {
        self->flags &= ~flag_homing;
        self->move_pattern = move_pattern_poweritem;
        return 0;
    }
    const double dx = target->x - self->x, dy = target->y - self->y, len = std::hypot(dx, dy);
    self->vx = len > 0 ? v * dx / len : 0;
    self->vy = len > 0 ? v * dy / len : v;
    self->flags |= flag_homing;
    return 0;
}

int move_pattern_important_effective(entity* self) {
    sparkle(self, self->tick % 20 == 0 && game_random_draw() % 3 == 0, 0.75);
    self->y += std::cos(self->tick * 5 * radians_per_degree) * 0.2;
    return 0;
}

int move_pattern_key(entity* self) {
    // The key shows once the stage is cleared.
    if (stage_bonus_settled != 1) return shown_unless_shut(self);
    self->flags &= ~flag_shut;
    if ((game_random_draw() & 7) == 0) {
        const double x = self->x + jitter(), y = self->y + jitter();
        const double scale = 0.6 + 0.2 * game_random(5);
        spawn_effect_polar(data_names::effect::small_particle_morewhite_inversed, x, y, scale, 270,
                           2 + game_random(3), 0.1);
    }
    sparkle(self, self->tick % 10 == 0 && game_random(3) == 0, 1.5);
    self->y += std::sin(self->tick * 5 * radians_per_degree) * 0.15;
    return shown_unless_shut(self);
}

int move_pattern_door(entity* self) {
    if (door_open == 1) {
        self->flags &= ~flag_shut;
        self->move_pattern = move_pattern_toggle;
        spawn_effect(data_names::effect::small_whitering, self->x, self->y, 1.0, 0, 0, 0, 0);
        for (int n = 0; n < 10; ++n) {
            const double angle = game_random_draw() % 360;
            const double speed = 12 + (game_random_draw() & 3);
            spawn_effect_polar(data_names::effect::small_particle_white, self->x, self->y, 0.5,
                               angle, speed, -0.5);
        }
    }
    return shown_unless_shut(self);
}

int move_pattern_toggle(entity* self) {
    return shown_unless_shut(self);
}

int move_pattern_tesmo_intro1(entity* self) {
    self->vx = -0.25;
    self->flags &= ~(flag_sparkle | flag_blinking);
    self->flags |= flag_held | flag_no_gravity | flag_no_friction | flag_shut;
    self->facing = 1;
    self->vy = self->tick * 0.04 + 2.6;
    if (self->tick < 4) {
        for (itempoint& spot : itempoints) {
            if (spot.flags & flag_in_use) open_itempoint(&spot);
        }
    }
    if (self->tick == 240) spawn_effect(data_names::effect::white_out, 400, 268, 1.0, 0, 0, 0, 0);
    if (self->tick == 300) request_next_stage();
    return 68;  // facing 1, pose 28
}

int move_pattern_tesmo_intro2(entity* self) {
    self->bounce = 0.7;
    self->flags &= ~(flag_sparkle | flag_blinking);
    self->flags |= flag_knockback_state | flag_held;
    self->facing = 1;
    const int t = self->tick;
    if (t < 4) self->vy = 10.0;
    if (t >= 240) request_next_stage();
    if (t < 121) return 49;
    if (t < 151) return 40;
    if (t < 210) return t % 60 < 30 ? 65 : 25;
    return t < 240 ? 65 : 50;
}

int move_pattern_introblock(entity* self) {
    self->flags |= flag_no_gravity | flag_no_friction | flag_shut;
    self->vy = -18.0;
    return 0;
}
