// The enemy's per-frame update: the knock-back flight, the payout to the
// player who started it, and the fall out of the stage.
#pragma once

#include "world/entity.h"

int update_enemy(enemy* e);
// The enemy's step of the stage frame: update, physics, move pattern, move.
void step_enemy(enemy* e);
