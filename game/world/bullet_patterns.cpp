// Bullet sub-patterns and the walk cycle.
#include "world/bullet_patterns.h"

#include <algorithm>
#include <cmath>

#include "world/debug_overlay.h"
#include "world/motion.h"
#include "world/patterns_items.h"
#include "world/pools.h"
#include "world/text_format.h"
#include "world/world_globals.h"

namespace {

constexpr uint32_t flag_through_blocks = 0x40;
constexpr int aim_tick = 30;
constexpr int follow_end_tick = 45;

}  // namespace

int bullet_blink_pattern(entity* self) {
    bullet* b = as_bullet(self);
    if (!b) return 0;
    if (b->tick < 10) {
        b->flags |= flag_through_blocks;
    } else {
        b->flags &= ~flag_through_blocks;
    }
    return 0;
}

int move_pattern_bullet_stopandfollow(entity* self) {
    bullet* b = as_bullet(self);
    if (!b) return 0;
    b->motion = 0;
    int32_t* v = b->free_var;
    if (debug_mode) {
        char line[256];
        format_text_256(line, "%d %d %d", v[0], v[1], v[2]);
        add_debug_message(line, 1);
    }
    if (v[0] == 0) {
        b->speed /= 1.1;
        if (b->speed < 0.1) {
            v[0] = 1;
            b->speed = 0;
            v[1] = 0;
        }
        return 0;
    }
    const int timer = ++v[1];
    if (timer == aim_tick) {
        const tesmo& target = players[0];
        v[2] = static_cast<int>(std::atan2(target.y - b->y, target.x - b->x) / radians_per_degree);
    }
    if (timer >= aim_tick && timer < follow_end_tick) {
        b->heading = v[2];
        b->speed += 1.0;
    }
    if (timer >= follow_end_tick) b->move_pattern = move_pattern_nothing;
    return 0;
}

int move_pattern_bullet_speedlimiter(entity* self) {
    bullet* b = as_bullet(self);
    if (!b) return 0;
    b->speed = std::min(b->speed, b->hit_w);
    b->speed = std::min(b->speed, b->hit_h);
    return 0;
}

int bullet_nonnegative_speed_pattern(entity* self) {
    bullet* b = as_bullet(self);
    if (b && b->speed < 0) b->speed = 0;
    return 0;
}

int bullet_early_flag_pattern(entity* self) {
    bullet* b = as_bullet(self);
    if (b) b->flicker = b->tick < 11 ? 1 : 0;
    return 0;
}

int walk_cycle_frame(int tick, int facing) {
    if (tick < 0) return 0;
    const int p = (tick % 12) / 3;
    if (facing != 0) return p;
    static constexpr int left[4] = {0, 3, 2, 1};
    return left[p];
}
