// The status panel, drawn by top-left corners in sprite-table pictures.
#include "world/hud.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "DuRud.h"
#include "world/player.h"
#include "world/pools.h"
#include "world/text_format.h"
#include "world/world_globals.h"
#include "world/data_names.h"

constinit hud_panel hud_panels[2];

namespace {

int handle_of(int sprite) {
    return sprite >= 0 && sprite < sprite_table_size ? sprite_table[sprite].handle : -1;
}

void draw_at(int sprite, int x, int y) {
    DuRud::DrawGraphicAt(x, y, handle_of(sprite), 1);
}

void fade(double alpha) {
    DuRud::SetBlendMode(1, static_cast<int>(std::min(alpha, 255.0)));
}

// One character per glyph: sprite first + c, the given step apart.
void draw_digits(const char* text, int first, int x, int y, int step, bool skip_colon = false) {
    for (int k = 0; text[k] != '\0'; ++k) {
        if (skip_colon && text[k] == ':') continue;
        draw_at(first + static_cast<unsigned char>(text[k]), x + step * k, y);
    }
}

void copy_values(hud_panel& h, const tesmo& p) {
    h.lives = p.lives;
    h.power = std::min(p.power, p.power_cap);
    h.power_cap = p.power_cap;
    h.level = player_power_level(&p, -1, false) + 1;
    h.percent = player_power_level(&p, -1, true);
    h.gauge = p.bomb_cost > 0 ? double(p.bomb_gauge) / p.bomb_cost : 1.0;
    h.fragments = p.life_fragments;
    // A lower score (a continue, a new game) shows at once; a higher one glides.
    if (p.score <= h.score) {
        h.score = p.score;
    } else {
        const int64_t step = (int64_t{p.score} - h.score) / 50 * 10 + 10;
        h.score = static_cast<int>(std::min<int64_t>(h.score + step, p.score));
    }
}

constexpr int ring[7][2] = {{-10, -16}, {10, -16}, {20, 0}, {10, 16}, {-10, 16}, {-20, 0}, {0, 0}};

void draw_panel(const hud_panel& h, int X) {
    const int t = h.timer;
    // The panel itself and the bomb gauge slide up on frames 1 to 19.
    const int panel_y = t < 20 ? static_cast<int>(520 + 200 / std::pow(1.2, t)) : 520;
    DuRud::SetBlendMode(0, 0);
    draw_at(data_names::sprite::hud_player, X, panel_y);
    draw_at(data_names::sprite::hud_bomb_frame, X + 102, 590 + panel_y - 520);
    if (h.gauge >= 1.0) {
        draw_at(data_names::sprite::hud_bomb_bar, X + 102, 590 + panel_y - 520);
    } else {
        DuRud::DrawGraphicPart(X + 102, 590 + panel_y - 520, 0, 0,
                               static_cast<int>(h.gauge * 283 + 3), 10,
                               handle_of(data_names::sprite::hud_bomb_bar), 1, 0);
    }
    if (t > 70) {  // the fragment ring slides up into place by frame 100
        const int dy = t < 100 ? static_cast<int>((100 - t) * 1.5) : 0;
        fade((t - 70) / 30.0 * 255);
        for (const auto& o : ring)
            draw_at(data_names::sprite::hud_fragment_slot, X + 211 + o[0], 557 + o[1] + dy);
        for (int f = 0; f < std::min(h.fragments, 7); ++f) {
            draw_at(data_names::sprite::hud_fragment, X + 210 + ring[f][0], 556 + ring[f][1] + dy);
        }
    }
    if (t > 30) {  // the power gauge slides down into place by frame 60
        const int dy = t < 60 ? -static_cast<int>((60 - t) * 1.5) : 0;
        fade((t - 30) / 30.0 * 255);
        DuRud::SetBrightness(128, 128, 128);
        draw_at(data_names::sprite::hud_power, X + 118, 545 + dy);
        const int p = static_cast<int>(h.percent / 2.5);
        DuRud::SetBrightness(32, 96, 128);
        DuRud::DrawGraphicPart(X + 118, 545 + 40 - p + 9 + dy, 0, 40 - p, 40, p,
                               handle_of(data_names::sprite::hud_power), 1, 0);
        DuRud::SetBrightness(255, 255, 255);
        draw_at(data_names::sprite::hud_power_label, X + 102, 559 + dy);
    }
    char text[16];
    if (t > 20) {
        fade((t * 5 - 100) * 2);
        if (h.lives < 100) {
            format_text_16(text, "%02d", h.lives);
        } else {
            format_text_16(text, "%x%d", h.lives / 10, h.lives % 10);
        }
        draw_digits(text, 322, X + 59, 566, 16);
    }
    if (t > 60) {
        fade((t * 5 - 300) * 2);
        draw_at(data_names::sprite::level_glyph + h.level, X + 131, 552);
        for (const auto& [value, y] : {std::pair{h.power, 549}, std::pair{h.power_cap, 566}}) {
            format_text_16(text, "%d", value);
            draw_digits(text, 352, value >= 10 && value <= 99 ? X + 162 : X + 159, y, 7);
        }
    }
    if (t > 100) {
        fade((t * 5 - 500) * 2);
        draw_at(data_names::sprite::hud_score, X + 263, 541);
        format_text_16(text, ":%08d", h.score);
        draw_digits(text, 322, X + 243, 551, 16, true);
    }
}

}  // namespace

void draw_hud() {
    DuRud::SetBrightness(255, 255, 255);
    DuRud::SetBlendMode(0, 0);
    draw_at(data_names::sprite::hud_panel, 0, 536);
    for (int i = 0; i < 2; ++i) {
        hud_panel& h = hud_panels[i];
        const tesmo& p = players[i];
        if (!(p.flags & flag_in_use) && !h.shown) continue;
        h.shown = 1;
        copy_values(h, p);
        if (h.timer < 151) ++h.timer;
        draw_panel(h, 400 * i);
    }
    DuRud::SetBlendMode(0, 0);
    DuRud::SetBrightness(255, 255, 255);
}
