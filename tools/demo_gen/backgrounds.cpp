// The stage backgrounds, 800 x 576, one scene per place: calm, dimmer and
// less saturated than the blocks and characters in front of them. Every
// shape is drawn again one width (and for the falling sky one height) away,
// so a scrolling background joins itself without a seam. The screen shows
// rows 20 to 556 of the picture; the ground of a stage stands at row 524.
#include <cmath>

#include "canvas.h"
#include "demo_files.h"

namespace demo {

namespace {

constexpr int W = 800, H = 576;
constexpr double pi = 3.14159265358979;
constexpr int ground_row = 524;

void gradient(canvas& c, rgba top, rgba bottom, bool periodic = false) {
    for (int j = 0; j < H; ++j) {
        const double t = periodic ? 0.5 - 0.5 * std::cos(2 * pi * j / H) : j / double(H - 1);
        c.fill_rect(0, j, W, 1, mix(top, bottom, t));
    }
}

// An ellipse drawn with its copies one width (and optionally height) away.
void wrapped_ellipse(canvas& c, double cx, double cy, double rx, double ry, rgba col,
                     bool wrap_y = false) {
    for (int dx = -1; dx <= 1; ++dx)
        for (int dy = wrap_y ? -1 : 0; dy <= (wrap_y ? 1 : 0); ++dy)
            c.fill_ellipse(cx + dx * W, cy + dy * H, rx, ry, col);
}
void wrapped_rect(canvas& c, int x, int y, int w, int h, rgba col) {
    for (int dx = -1; dx <= 1; ++dx) c.fill_rect(x + dx * W, y, w, h, col);
}
void wrapped_triangle(canvas& c, double x0, double y0, double x1, double y1, double x2, double y2,
                      rgba col) {
    for (int dx = -1; dx <= 1; ++dx)
        c.fill_triangle(x0 + dx * W, y0, x1 + dx * W, y1, x2 + dx * W, y2, col);
}
void wrapped_glow(canvas& c, double cx, double cy, double r, rgba col, bool wrap_y = false) {
    for (int dx = -1; dx <= 1; ++dx)
        for (int dy = wrap_y ? -1 : 0; dy <= (wrap_y ? 1 : 0); ++dy)
            c.soft_disc(cx + dx * W, cy + dy * H, r, col);
}

// A ridge line of whole waves across the width, filled down to the bottom.
void ridge(canvas& c, double base, double amp, int waves, double phase, rgba col, int waves2 = 0,
           double amp2 = 0) {
    for (int i = 0; i < W; ++i) {
        const double h = base - amp * std::sin(2 * pi * i * waves / W + phase) -
                         amp2 * std::sin(2 * pi * i * waves2 / W + phase * 1.7);
        c.fill_rect(i, static_cast<int>(h), 1, H - static_cast<int>(h), col);
    }
}

// A puffy cloud of overlapping ellipses with a lighter top.
void cloud(canvas& c, double x, double y, double size, rgba col, bool wrap_y = false) {
    const rgba shadow = shade(col, 0.9);
    for (int k = -2; k <= 2; ++k)
        wrapped_ellipse(c, x + k * size * 0.6, y + 4, size * (1 - std::abs(k) * 0.18), size * 0.45,
                        shadow, wrap_y);
    for (int k = -1; k <= 1; ++k)
        wrapped_ellipse(c, x + k * size * 0.55, y - size * 0.15, size * 0.6, size * 0.45, col,
                        wrap_y);
}

void sky(canvas& c, rgba top, rgba bottom, rgba cloud_col, int seed) {
    gradient(c, top, bottom, true);
    noise n(seed);
    for (int k = 0; k < 9; ++k) cloud(c, n.below(W), n.below(H), 26 + n.below(30), cloud_col, true);
    for (int k = 0; k < 40; ++k)  // specks of light far away
        wrapped_glow(c, n.below(W), n.below(H), 2 + n.below(3), {255, 255, 255, 90}, true);
}

void meadow(canvas& c, bool evening) {
    gradient(c, evening ? rgba{70, 60, 120, 255} : rgba{110, 160, 215, 255},
             evening ? rgba{230, 150, 120, 255} : rgba{205, 228, 238, 255});
    noise n(502);
    wrapped_glow(c, 620, 120, 60, evening ? rgba{255, 200, 140, 160} : rgba{255, 250, 220, 150});
    for (int k = 0; k < 6; ++k)
        cloud(c, n.below(W), 60 + n.below(160), 22 + n.below(18), {236, 240, 246, 255});
    ridge(c, 380, 34, 2, 0.4, evening ? rgba{90, 80, 120, 255} : rgba{120, 160, 150, 255}, 5, 10);
    ridge(c, 440, 26, 3, 1.9, evening ? rgba{70, 90, 90, 255} : rgba{100, 150, 100, 255}, 7, 8);
    ridge(c, 492, 14, 4, 0.8, evening ? rgba{50, 80, 60, 255} : rgba{80, 130, 80, 255});
    for (int k = 0; k < 14; ++k) {  // round trees on the near hills
        const double x = n.below(W), y = 450 + n.below(30);
        wrapped_rect(c, static_cast<int>(x) - 2, static_cast<int>(y), 4, 18, {70, 60, 50, 255});
        wrapped_ellipse(c, x, y - 4, 12, 14,
                        evening ? rgba{50, 90, 70, 255} : rgba{70, 120, 70, 255});
    }
}

void ruins(canvas& c) {
    gradient(c, {60, 56, 90, 255}, {170, 140, 150, 255});
    noise n(503);
    wrapped_glow(c, 200, 150, 80, {255, 220, 200, 90});
    ridge(c, 430, 20, 2, 2.0, {110, 100, 120, 255});
    const rgba stone{120, 112, 130, 255}, dark{96, 88, 108, 255};
    for (int k = 0; k < 7; ++k) {  // columns, some broken, and an arch
        const int x = 40 + k * 115 + n.below(20), top = 170 + n.below(140);
        wrapped_rect(c, x, top, 26, ground_row - top, stone);
        wrapped_rect(c, x + 18, top, 8, ground_row - top, dark);
        wrapped_rect(c, x - 6, top, 38, 10, dark);
        if (k % 3 == 1) {
            for (int a = 0; a <= 180; a += 3) {
                const double r = 50, rad = a * pi / 180;
                wrapped_rect(c, static_cast<int>(x + 60 + std::cos(rad) * r),
                             static_cast<int>(top - std::sin(rad) * r), 8, 8, stone);
            }
        }
    }
    ridge(c, 500, 8, 5, 0.5, {80, 74, 90, 255});
}

void forest(canvas& c) {
    gradient(c, {30, 60, 50, 255}, {90, 130, 90, 255});
    noise n(504);
    for (int k = 0; k < 5; ++k)  // light through the leaves
        wrapped_triangle(c, 100 + k * 160, 0, 60 + k * 160, ground_row, 150 + k * 160, ground_row,
                         {120, 160, 110, 255});
    for (int layer = 0; layer < 2; ++layer) {
        const rgba trunk = layer ? rgba{60, 50, 40, 255} : rgba{50, 70, 55, 255};
        const rgba leaves = layer ? rgba{40, 90, 55, 255} : rgba{45, 80, 60, 255};
        for (int k = 0; k < 8; ++k) {
            const int x = k * 100 + n.below(60) + layer * 40;
            wrapped_rect(c, x, 60, 18 + layer * 8, ground_row - 60, trunk);
            for (int b = 0; b < 3; ++b)
                wrapped_ellipse(c, x + 10 + n.below(60) - 30, 40 + n.below(120), 50, 34, leaves);
        }
    }
    ridge(c, 500, 10, 6, 0.3, {40, 70, 45, 255});
}

void library(canvas& c) {
    gradient(c, {70, 48, 40, 255}, {110, 80, 60, 255});
    noise n(505);
    const rgba shelf{90, 62, 44, 255};
    for (int row = 0; row < 5; ++row) {
        const int y = 60 + row * 92;
        for (int x = 0; x < W; x += 6 + n.below(6)) {  // book spines, muted colours
            const int h = 50 + n.below(24);
            const rgba tones[] = {{120, 60, 60, 255},
                                  {60, 80, 110, 255},
                                  {70, 100, 70, 255},
                                  {130, 110, 70, 255},
                                  {90, 70, 100, 255}};
            c.fill_rect(x, y + 74 - h, 5, h, tones[n.below(5)]);
        }
        c.fill_rect(0, y + 74, W, 10, shelf);
    }
    for (int k = 0; k < 2; ++k) {  // tall windows of moonlight
        const int x = 160 + k * 400;
        wrapped_rect(c, x, 90, 70, 200, {90, 110, 150, 255});
        wrapped_ellipse(c, x + 35, 90, 35, 35, {90, 110, 150, 255});
        wrapped_rect(c, x + 33, 60, 4, 230, shelf);
        wrapped_rect(c, x, 180, 70, 4, shelf);
    }
}

void cave(canvas& c) {
    gradient(c, {24, 20, 50, 255}, {50, 44, 90, 255});
    noise n(506);
    for (int k = 0; k < 16; ++k) {  // stalactites
        const double x = n.below(W), len = 40 + n.below(90);
        wrapped_triangle(c, x - 14, 0, x + 14, 0, x, len, {40, 36, 70, 255});
    }
    for (int k = 0; k < 12; ++k) {  // glowing crystals
        const double x = n.below(W), y = 300 + n.below(200), h = 30 + n.below(40);
        const rgba tone = k % 2 ? rgba{90, 160, 200, 255} : rgba{150, 100, 200, 255};
        wrapped_glow(c, x, y - h / 2, h, {tone.r, tone.g, tone.b, 70});
        wrapped_triangle(c, x - 8, y, x + 8, y, x, y - h, tone);
        wrapped_triangle(c, x, y, x + 8, y, x, y - h, shade(tone, 0.75));
    }
    ridge(c, 510, 12, 5, 1.0, {34, 30, 60, 255});
}

void sky_garden(canvas& c) {
    gradient(c, {140, 180, 235, 255}, {236, 226, 246, 255});
    noise n(507);
    for (int k = 0; k < 4; ++k) {  // floating islands with flowers
        const double x = 100 + k * 200 + n.below(40), y = 150 + n.below(150);
        // Far away: their colours fade into the sky's.
        const rgba haze{196, 206, 236, 255};
        wrapped_triangle(c, x - 50, y, x + 50, y, x, y + 60, mix({150, 130, 120, 255}, haze, 0.45));
        wrapped_ellipse(c, x, y, 52, 10, mix({130, 190, 120, 255}, haze, 0.45));
        for (int f = 0; f < 5; ++f)
            wrapped_ellipse(
                c, x - 36 + f * 18, y - 6, 3, 3,
                mix(f % 2 ? rgba{240, 170, 200, 255} : rgba{250, 230, 140, 255}, haze, 0.45));
    }
    for (int k = 0; k < 10; ++k)
        cloud(c, k * 80 + n.below(40), 480 + n.below(40), 40, {246, 244, 250, 255});
}

void gear(canvas& c, double x, double y, double r, rgba col) {
    for (int t = 0; t < 12; ++t) {
        const double a = t * pi / 6;
        wrapped_ellipse(c, x + std::cos(a) * r, y + std::sin(a) * r, r * 0.18, r * 0.18, col);
    }
    wrapped_ellipse(c, x, y, r, r, col);
    wrapped_ellipse(c, x, y, r * 0.35, r * 0.35, shade(col, 0.7));
}

void clockwork(canvas& c) {
    gradient(c, {50, 40, 34, 255}, {100, 80, 60, 255});
    noise n(508);
    for (int k = 0; k < 9; ++k)
        gear(c, n.below(W), 60 + n.below(420), 30 + n.below(50),
             k % 2 ? rgba{120, 96, 60, 255} : rgba{100, 86, 70, 255});
    for (int k = 0; k < 4; ++k) wrapped_rect(c, k * 200 + 90, 0, 10, ground_row, {80, 66, 52, 255});
}

void brick_wall(canvas& c, rgba tone, int seed, bool torches) {
    gradient(c, shade(tone, 0.6), shade(tone, 0.85));
    noise n(seed);
    for (int row = 0; row * 24 < H; ++row) {
        for (int col = 0; col < W / 48; ++col) {
            const int x = col * 48 + (row % 2) * 24;
            wrapped_rect(c, x + 1, row * 24 + 1, 46, 22, shade(tone, 0.7 + n.below(10) / 100.0));
        }
    }
    if (torches)
        for (int k = 0; k < 4; ++k) {
            const int x = 100 + k * 200;
            wrapped_glow(c, x, 200, 70, {255, 170, 80, 90});
            wrapped_rect(c, x - 3, 205, 6, 24, {60, 40, 30, 255});
            wrapped_ellipse(c, x, 196, 6, 10, {250, 190, 90, 255});
        }
}

void dunes(canvas& c) {
    gradient(c, {230, 170, 110, 255}, {250, 220, 170, 255});
    wrapped_glow(c, 400, 200, 90, {255, 240, 200, 160});
    ridge(c, 400, 30, 2, 0.7, {220, 170, 120, 255}, 3, 12);
    ridge(c, 460, 24, 3, 2.2, {200, 150, 100, 255}, 5, 8);
    ridge(c, 505, 10, 4, 1.1, {180, 130, 90, 255});
}

void arena(canvas& c) {
    gradient(c, {30, 20, 40, 255}, {90, 50, 70, 255});
    noise n(511);
    for (int k = 0; k < 30; ++k)
        wrapped_glow(c, n.below(W), n.below(300), 2 + n.below(2), {255, 220, 255, 140});
    wrapped_glow(c, 400, 260, 200, {200, 80, 120, 60});
    for (int k = 0; k < 6; ++k) {  // pillars round the ring
        const int x = 20 + k * 140;
        wrapped_rect(c, x, 120, 40, ground_row - 120, {60, 44, 70, 255});
        wrapped_rect(c, x + 28, 120, 12, ground_row - 120, {48, 34, 58, 255});
        wrapped_rect(c, x - 8, 110, 56, 14, {70, 52, 80, 255});
    }
}

void treasure(canvas& c, bool vault) {
    if (vault) {
        brick_wall(c, {110, 96, 80, 255}, 513, false);
    } else {
        gradient(c, {120, 80, 30, 255}, {220, 170, 80, 255});
    }
    noise n(vault ? 1513 : 512);
    for (int k = 0; k < 60; ++k) {  // glints of gold
        const double x = n.below(W), y = n.below(H);
        wrapped_glow(c, x, y, 3 + n.below(5), {255, 230, 150, 130});
    }
    if (!vault)
        for (int k = 0; k < 12; ++k)
            wrapped_ellipse(c, n.below(W), 380 + n.below(140), 16, 16, {230, 180, 70, 255});
}

void night(canvas& c) {
    gradient(c, {10, 10, 40, 255}, {40, 30, 90, 255});
    noise n(514);
    for (int k = 0; k < 120; ++k)
        wrapped_glow(c, n.below(W), n.below(420), 1.5 + n.below(3), {255, 255, 240, 200});
    for (int band = 0; band < 3; ++band)  // an aurora of whole waves
        for (int i = 0; i < W; ++i) {
            const double y = 120 + band * 40 + 30 * std::sin(2 * pi * i * (band + 1) / W + band);
            for (int j = 0; j < 40; ++j)
                c.blend(i, static_cast<int>(y) + j,
                        {80, 220, 170, static_cast<uint8_t>(60 - j * 1.5)});
        }
    ridge(c, 480, 20, 3, 0.2, {30, 30, 60, 255}, 7, 6);
}

// Calm and dim: pull every colour a little towards a dark middle tone.
void calm(canvas& c, double keep) {
    const rgba dusk{40, 36, 56, 255};
    for (int j = 0; j < H; ++j)
        for (int i = 0; i < W; ++i) c.set(i, j, mix(dusk, c.at(i, j), keep));
}

}  // namespace

canvas background(int id) {
    canvas c(W, H);
    switch (id) {
        case 500:
            sky(c, {120, 170, 230, 255}, {190, 215, 240, 255}, {240, 244, 250, 255}, 500);
            break;
        case 501:
            sky(c, {90, 70, 140, 255}, {240, 160, 130, 255}, {250, 210, 200, 255}, 501);
            break;
        case 502:
            meadow(c, false);
            break;
        case 503:
            ruins(c);
            break;
        case 504:
            forest(c);
            break;
        case 505:
            library(c);
            calm(c, 0.7);  // rows of spines are busy: quieter still
            break;
        case 506:
            cave(c);
            break;
        case 507:
            sky_garden(c);
            break;
        case 508:
            clockwork(c);
            break;
        case 509:
            brick_wall(c, {150, 70, 60, 255}, 509, true);
            break;
        case 510:
            dunes(c);
            break;
        case 511:
            arena(c);
            break;
        case 512:
            treasure(c, false);
            break;
        case 513:
            treasure(c, true);
            break;
        case 514:
            night(c);
            break;
        case 515:
            meadow(c, true);
            break;
        case 516:
            brick_wall(c, {80, 90, 120, 255}, 516, true);
            break;
        case 517:
            sky(c, {30, 30, 70, 255}, {80, 70, 130, 255}, {120, 110, 160, 255}, 517);
            break;
        case 518:
            cave(c);
            calm(c, 0.7);
            break;
        default:
            forest(c);
            calm(c, 0.7);
            break;
    }
    calm(c, 0.82);
    return c;
}

}  // namespace demo
