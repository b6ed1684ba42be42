// Pickup effects of items (item-effect rows 1 to 27; row 0 is `nothing`).
#pragma once

#include "world/entity.h"

int open_door(entity* picker, entity* carrier);
int onpickup_redbull(entity* picker, entity* carrier);
int onpickup_food(entity* picker, entity* carrier);
int onpickup_bigfood(entity* picker, entity* carrier);
int onpickup_nothing(entity* picker, entity* carrier);
int onpickup_nothing_mini(entity* picker, entity* carrier);
int onpickup_bigitem(entity* picker, entity* carrier);
int allenemy_destroy(entity* picker, entity* carrier);
int powerup(entity* picker, entity* carrier);
int powerup_8(entity* picker, entity* carrier);
int powerup_8_mini(entity* picker, entity* carrier);
int lifefragment(entity* picker, entity* carrier);
int extend(entity* picker, entity* carrier);
int stage_progression_normal(entity* picker, entity* carrier);
int treasure_chest_1(entity* picker, entity* carrier);
int treasure_chest_2(entity* picker, entity* carrier);
int treasure_chest_3(entity* picker, entity* carrier);
int itempoints_showup(entity* picker, entity* carrier);
int itempoints_search(entity* picker, entity* carrier);
int heavy_dropper(entity* picker, entity* carrier);
int gravity_weakener(entity* picker, entity* carrier);
int coin_shower(entity* picker, entity* carrier);
int allenemy_stun(entity* picker, entity* carrier);
int teleporter(entity* picker, entity* carrier);
int teleport_back(entity* picker, entity* carrier);
int back_to_first(entity* picker, entity* carrier);
int special_item(entity* picker, entity* carrier);
