// The player character's operations behind the virtual slots of `tesmo`.
#pragma once

#include "world/entity.h"

int update_player(tesmo* p);                               // slot 0
int power_up_player(tesmo* p, int amount);                 // slot 1
int gain_life_player(tesmo* p, int fragments, int lives);  // slot 2
int stun_player(tesmo* p, double seconds);                 // slot 5
int hit_player(tesmo* p, double degrees, double speed);    // slot 6

// The power level 0..4 of the power (-1: the player's own), or with percent
// set the progress towards the next level (100 at the top).
int player_power_level(const tesmo* p, int power, bool percent);
