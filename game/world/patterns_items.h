// Move patterns of items, keys, doors and the intro stages
// (move-pattern rows 0 to 8 and 28 to 30).
#pragma once

#include "world/entity.h"

// move_pattern_default is declared with the entity family.
int move_pattern_nothing(entity* self);
int move_pattern_bigitem(entity* self);
int move_pattern_poweritem(entity* self);
int move_pattern_poweritem_switched(entity* self);
int move_pattern_important_effective(entity* self);
int move_pattern_key(entity* self);
int move_pattern_door(entity* self);
int move_pattern_toggle(entity* self);
int move_pattern_tesmo_intro1(entity* self);
int move_pattern_tesmo_intro2(entity* self);
int move_pattern_introblock(entity* self);
