// The demo data's own 5 x 7 pixel font: capitals, digits and a little
// punctuation, drawn at any whole-pixel scale with a dark edge.
#pragma once

#include <string_view>

#include "canvas.h"

namespace demo {

// Width in pixels of text at a scale (6 columns a character, the last gap off).
int text_width(std::string_view text, int scale);
// Draws text with its top-left at (x, y); lower-case letters draw as capitals.
void draw_text(canvas& c, std::string_view text, int x, int y, int scale, rgba color,
               rgba edge = {24, 20, 40, 255});
// Centred on x.
void draw_text_centred(canvas& c, std::string_view text, int x, int y, int scale, rgba color,
                       rgba edge = {24, 20, 40, 255});

}  // namespace demo
