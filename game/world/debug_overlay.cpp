// The debug overlay's 64 lines: added by whoever has something to say, aged
// and drawn once a frame.
#include "world/debug_overlay.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

#include "DuRud.h"
#include "world/world_globals.h"

constinit debug_line debug_log[debug_line_count] = {};

namespace {
constexpr int key_d = 0x20;
}

void add_debug_message(const char* text, int frames) {
    if (!debug_mode || !text) return;
    for (debug_line& line : debug_log) {
        if (line.lifetime <= 0) {
            std::snprintf(line.text, sizeof(line.text), "%s", text);
            line.lifetime = frames;
            return;
        }
    }
}

void draw_debug_log() {
    if (!debug_mode) return;
    if (DuRud::CheckKeyDown(key_d) == 1) {
        DuRud::SetBlendMode(1, 160);
        DuRud::DrawBoxShape(500, 0, 800, 600, DuRud::MakeColorValue(0, 0, 0), 1);
        DuRud::SetBlendMode(1, 224);
    } else {
        DuRud::SetBlendMode(1, 64);
    }
    // Expired lines leave; the live ones move up whole, text with its
    // lifetime, in their order.
    std::stable_partition(std::begin(debug_log), std::end(debug_log),
                          [](const debug_line& line) { return line.lifetime > 0; });
    DuRud::SetDefaultFontThickness(3);
    DuRud::SetDefaultFontSize(10);
    int y = 64;
    for (int i = 0; i < debug_line_count; ++i) {
        debug_line& line = debug_log[i];
        if (line.lifetime <= 0) continue;
        --line.lifetime;
        y += 10;
        DuRud::DrawFormattedText(544, y, DuRud::MakeColorValue(0, 255, 0), "%02d: %s", i,
                                 line.text);
    }
    DuRud::SetBlendMode(0, 0);
}
