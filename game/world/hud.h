// The status panel at the foot of the screen: lives, power, fragments, bomb
// gauge and score of each player, sliding and fading in one element after
// the other on the player's first frames.
#pragma once

#include <cstdint>

// What one player's panel shows, and its intro timer.
struct hud_panel {
    uint8_t shown = 0;  // drawn before: kept after the player leaves play
    int32_t timer = 0;  // counts up to 151
    int32_t score = 0;  // glides towards the player's score
    int32_t lives = 0, power = 0, power_cap = 0, level = 0, percent = 0, fragments = 0;
    double gauge = 0;  // bomb gauge / bomb cost
};
extern hud_panel hud_panels[2];

void draw_hud();
