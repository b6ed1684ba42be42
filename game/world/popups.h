// Floating popup texts (scores, power, losses), drawn in glyph sprites.
#pragma once

#include <cstdint>

struct popup_text {
    char text[16] = {};
    int32_t life = 0;  // free while 0 or less
    double x = 0, y = 0;
    double scale = 1.0;
    int32_t red = 0, green = 0, blue = 0;
    int32_t red2 = -1, green2 = -1, blue2 = -1;  // -1: one colour only
};
inline constexpr int popup_text_count = 200;
extern popup_text popup_texts[popup_text_count];

// The glyph sprite of a character of the world's numbers; negative for none.
int glyph_sprite(char c);

// Fills the first free popup; with none free nothing happens. Returns 0.
int add_popup_text(int x, int y, const char* text, int life, int red, int green, int blue, int red2,
                   int green2, int blue2, double scale);
// "points" at scale 2 for 30 frames, or "points!" at scale 4 for 60 from 9201 on.
int spawn_score_popup(int x, int y, int points, int red, int green, int blue);
// Draws, raises and ages every popup.
void draw_popup_texts();
