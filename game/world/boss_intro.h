// The boss's entrance (move-pattern row 36).
#pragma once

#include "world/entity.h"

int move_pattern_bossintro_dolvek(entity* self);
// The players' scripted jump while the boss enters.
int boss_player_jump_pattern(entity* self);
