// Screen decoration: the shake every world sprite is offset by, the window
// frame of boxes drawn over the game, and the scrolling, cross-fading
// background behind a stage (its list and speeds are in stage_info).
#pragma once

// One step of the screen shake (screen_shake in world_globals.h).
void update_screen_shake();

// A frame of n 16-pixel columns and 21 rows with its top-left at (x, y),
// over a black box. Returns 0.
int draw_window_frame(int columns, float x, float y);

// The background scroll position; the stage loader sets it.
extern double background_scroll_x, background_scroll_y;
// Scrolls and queues the background, cross-fading along the list.
void draw_background_layers();
