// Short-lived diagnostic lines at the right edge of the screen, in debug mode
// only.
#pragma once

#include <cstdint>

struct debug_line {
    char text[256];
    int32_t lifetime;  // frames left to show; 0 or less: free
};
inline constexpr int debug_line_count = 64;
extern debug_line debug_log[debug_line_count];

// Shows a finished text (never a format; cut to 255 characters) for a number
// of frames in the first free line; dropped when all lines are in use.
void add_debug_message(const char* text, int frames);

// Once per frame after the world is drawn: ages and draws the live lines
// (D held darkens the area behind them). Leaves the default font at 10/3.
void draw_debug_log();
