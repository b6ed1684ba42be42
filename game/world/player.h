// The player character's operations behind the virtual slots of `tesmo`.
#pragma once

#include "world/entity.h"

int update_player(tesmo* p);                               // slot 0
int power_up_player(tesmo* p, int amount);                 // slot 1
int gain_life_player(tesmo* p, int fragments, int lives);  // slot 2
int stun_player(tesmo* p, double seconds);                 // slot 5
int hit_player(tesmo* p, double degrees, double speed);    // slot 6
