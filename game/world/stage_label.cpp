// The stage label, each glyph over its grey shadow.
#include "world/stage_label.h"

#include "DuRud.h"
#include "world/sprites.h"
#include "world/text_format.h"
#include "world/data_names.h"

void draw_stage_label(int stage_number, int y_offset) {
    if (stage_number <= 0) return;
    char label[16];
    format_text_16(label, "%2d-%d", stage_number / 10 + 1, stage_number % 10);
    for (int i = 0; label[i] != '\0'; ++i) {
        const int sprite = label[i] + data_names::sprite::label_glyph_base;
        const double x = 336 + 32 * i;
        DuRud::SetBrightness(96, 96, 96);
        draw_sprite(sprite, x + 2, y_offset + 586, 0, 1);
        DuRud::SetBrightness(255, 255, 255);
        draw_sprite(sprite, x, y_offset + 584, 0, 1);
    }
}
