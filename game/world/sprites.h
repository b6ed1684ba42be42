// Sprite drawing: every picture the world shows ends in draw_sprite, which
// draws a sprite-table entry centred, scaled and rotated, and skips it when it
// lies wholly off the 800 x 600 screen.
#pragma once

#include <cstdint>

#include "world/entity.h"

// Draws the sprite centred on (x, y), angle in degrees; -1 for an id outside
// the table or a sprite without a graphic, else 1 (also when culled).
int draw_sprite(int sprite, double x, double y, double angle, double scale);
// The sprite twice, glowing (blend 10 at 196, then additive), then blend off.
int draw_sprite_glow(int sprite, double x, double y, double angle, double scale);

// Sprites actually drawn since the stage frame last cleared it.
extern int32_t sprite_count;

// The screen-fixed list of stage decoration, drawn at screen positions.
struct screen_sprite {
    int32_t used = 0;  // 1 = in use
    int32_t sprite = 0;
    double x = 0, y = 0;
};
inline constexpr int screen_sprite_count = 1024;
extern screen_sprite screen_sprites[screen_sprite_count];
void draw_screen_sprites();

// Queues the entity's sprite at the given angle in degrees.
int draw_entity(entity* e, float angle);
