// Bullet sub-patterns (move-pattern rows 38 and 39).
#pragma once

#include "world/entity.h"

int move_pattern_bullet_stopandfollow(entity* self);
int move_pattern_bullet_speedlimiter(entity* self);
