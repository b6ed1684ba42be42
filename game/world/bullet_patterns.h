// Bullet sub-patterns (move-pattern rows 38 and 39, and three bound in code)
// and the walk-cycle frame of the enemy patterns. Bound to anything but a
// bullet, each returns 0 and changes nothing.
#pragma once

#include "world/entity.h"

int move_pattern_bullet_stopandfollow(entity* self);
int move_pattern_bullet_speedlimiter(entity* self);
int bullet_blink_pattern(entity* self);
int bullet_nonnegative_speed_pattern(entity* self);
int bullet_early_flag_pattern(entity* self);

// The walk frame 0..3 of the tick for the facing (0 left); 0 for a negative tick.
int walk_cycle_frame(int tick, int facing);
