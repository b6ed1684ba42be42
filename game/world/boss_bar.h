// The boss health bar at the top of the screen. The boss intro fills the boss,
// its health range and the icons and makes it visible.
#pragma once

#include <cstdint>

#include "world/entity.h"

struct boss_bar_state {
    uint8_t visible = 0;
    entity* boss = nullptr;
    float shown_health = 0;  // glides towards the boss's health
    int32_t full_health = 0;
    int32_t empty_health = 0;
    int32_t icon_empty = 0;  // while the shown health is 0 or less
    int32_t icon = 0;
    int32_t counter = 0;
    uint8_t second_byte = 0;
    float y = 0;  // glides in to 60
    float fade = 0;
    int32_t frame_sprite = 1500;
    int32_t bar_sprite = 1501;
    int32_t frame_sprite_copy = 1500;
    int32_t bar_sprite_copy = 1501;
};
extern boss_bar_state boss_bar;

// Hidden, no boss, everything 0 but the two sprites. Returns the state.
boss_bar_state* reset_boss_bar();
void draw_boss_bar();
