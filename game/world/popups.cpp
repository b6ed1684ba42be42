// Popup texts.
#include "world/popups.h"

#include <cstring>

#include "DuRud.h"
#include "world/sprites.h"
#include "world/text_format.h"
#include "world/data_names.h"

constinit popup_text popup_texts[popup_text_count];

int glyph_sprite(char c) {
    switch (c) {
        case '!':
            return data_names::sprite::popup_glyph + 10;
        case '#':
            return data_names::sprite::popup_glyph + 11;
        case '+':
            return data_names::sprite::popup_glyph + 12;
        case 'L':
            return data_names::sprite::popup_glyph + 13;
        case 'v':
            return data_names::sprite::popup_glyph + 14;
        case '-':
            return data_names::sprite::popup_glyph + 15;
        default:
            return static_cast<signed char>(c) - '0' + data_names::sprite::popup_glyph;
    }
}

int add_popup_text(int x, int y, const char* text, int life, int red, int green, int blue, int red2,
                   int green2, int blue2, double scale) {
    for (popup_text& p : popup_texts) {
        if (p.life > 0) continue;
        format_text_16(p.text, "%s", text ? text : "");
        p.life = life;
        p.x = x;
        p.y = y;
        p.scale = scale;
        p.red = red, p.green = green, p.blue = blue;
        p.red2 = red2, p.green2 = green2, p.blue2 = blue2;
        return 0;
    }
    return 0;
}

int spawn_score_popup(int x, int y, int points, int red, int green, int blue) {
    char text[16];
    const bool big = points >= 9201;
    format_text_16(text, big ? "%d!%c" : "%d%c", points, 0);
    return add_popup_text(x, y, text, big ? 60 : 30, red, green, blue, -1, -1, -1, big ? 4.0 : 2.0);
}

void draw_popup_texts() {
    for (popup_text& p : popup_texts) {
        if (p.life <= 0) continue;
        --p.life;
        if (p.life % 10 < 5 && p.red2 != -1) {
            DuRud::SetBrightness(p.red2, p.green2, p.blue2);
        } else {
            DuRud::SetBrightness(p.red, p.green, p.blue);
        }
        DuRud::SetBlendMode(p.life < 8 ? 1 : 0, p.life < 8 ? p.life * 32 : 0);
        const int n = static_cast<int>(strnlen(p.text, sizeof(p.text)));
        const double k = n % 2 == 0 ? n / 2 - 0.5 : n / 2;
        const double step = 8 * p.scale;
        for (int i = 0; i < n; ++i) {
            const int sprite = glyph_sprite(p.text[i]);
            if (sprite >= 0) draw_sprite(sprite, p.x - k * step + i * step, p.y, 0, p.scale);
        }
        p.y -= 1;
        DuRud::SetBrightness(255, 255, 255);
        DuRud::SetBlendMode(0, 0);
    }
}
