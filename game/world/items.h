// How items enter the world: dropped power items, the show-up roll by
// category and rarity, and hidden treasure spots.
#pragma once

#include "world/entity.h"

// The result of the spawners when no item slot was free: the pool's size.
inline constexpr int no_item_slot = 256;

// A small or big power item flying off at the angle; no_item_slot when the
// pool is full.
int spawn_item(bool big, double x, double y, double angle, double speed);
// A rolled item of the category (rarity -1: rolled too) standing at (x, y).
// After 10000 fruitless attempts the game stops (ENTITY_SPAWN_FAILURE).
int show_up_item(int category, int rarity, double x, double y);
// Turns the spot into its rolled item and frees it.
int open_itempoint(itempoint* spot);
// The rarity of a roll of 0..109999: 6 for the rarest few, 1 for most.
int rarity_of_roll(int roll);
