// Every picture of the demo game, drawn by program in one pixel-art style:
// dark outlines, two-tone shading, one palette. Sheets are cut into cells by
// the file list; magenta is the transparent colour, soft effects carry alpha.
#include <cmath>
#include <functional>
#include <memory>
#include <string>

#include "canvas.h"
#include "demo_files.h"
#include "pixel_font.h"

namespace demo {

canvas background(int id);

namespace {

// The palette.
constexpr rgba ink{40, 28, 56, 255};
constexpr rgba skin{255, 214, 178, 255};
constexpr rgba cloak{52, 150, 160, 255};
constexpr rgba cloak_dark{30, 96, 112, 255};
constexpr rgba white{246, 244, 236, 255};
constexpr rgba gold{250, 200, 60, 255};
constexpr rgba red{220, 64, 64, 255};
constexpr rgba pink{240, 140, 180, 255};
constexpr rgba green{96, 188, 80, 255};
constexpr rgba blue{80, 130, 230, 255};
constexpr rgba violet{150, 96, 210, 255};
constexpr rgba orange{240, 150, 50, 255};
constexpr rgba brown{150, 96, 56, 255};
constexpr rgba grey{150, 150, 164, 255};

constexpr double pi = 3.14159265358979;

using cell_painter = std::function<void(canvas&, int x, int y, int index)>;

// A sheet of cells, each painted, then outlined and shaded cell by cell.
void sheet(demo_files& out, std::vector<picture_sheet>& list, const std::string& name, int first,
           int count, int columns, int cell_w, int cell_h, const cell_painter& paint,
           bool styled = true, bool alpha = false) {
    const int rows = (count + columns - 1) / columns;
    canvas c(columns * cell_w, rows * cell_h, alpha ? clear : key);
    for (int k = 0; k < count; ++k) {
        const int x = (k % columns) * cell_w, y = (k / columns) * cell_h;
        paint(c, x, y, k);
        if (styled) {
            c.shade_rect(x, y, cell_w, cell_h);
            c.outline_rect(x, y, cell_w, cell_h);
        }
    }
    const std::string file = "datas/pictures/" + name + ".png";
    out.add(file, c.png(alpha));
    list.push_back({file, count, columns, rows, cell_w, cell_h, first,
                    std::make_shared<const canvas>(std::move(c))});
}

// One picture of its own size (a count-1 record without cells).
void single(demo_files& out, std::vector<picture_sheet>& list, const std::string& name, int id,
            const canvas& c, bool alpha = false, bool jpeg = false) {
    const std::string file = "datas/pictures/" + name + (jpeg ? ".jpg" : ".png");
    out.add(file, jpeg ? c.jpeg(88) : c.png(alpha));
    list.push_back({file, 1, 1, 1, 0, 0, id, std::make_shared<const canvas>(c)});
}

// --- characters -----------------------------------------------------------------

// The player: a small hooded figure in a teal cloak with a gold belt;
// facing 0 looks left. The frame picks the pose the controls ask for: 0
// standing, 1-4 walking, 9 stunned, 10-12 in the air, 16-18 crouching and
// the high jump, 20-23 clinging, 25-26 the back-jump, 28-29 hurt, 30-36 the
// dash; 80-84 the bomb and its charge.
void player_cell(canvas& c, int x, int y, int facing, int frame) {
    enum eyes_kind { open, dizzy, shut };
    double squash = 1.0, lean = 0, lift = 0;
    int stride = 0;
    bool arms_up = false, hand_out = false, glow = false;
    eyes_kind eyes = open;
    if (frame >= 1 && frame <= 4) {
        stride = frame % 2 ? 3 : -3;
        lift = frame % 2 ? 1 : 0;
    } else if (frame == 9) {
        eyes = dizzy;
    } else if (frame >= 10 && frame <= 12) {
        arms_up = frame == 10;
        lift = 2;
        stride = frame == 10 ? 0 : (frame == 11 ? 2 : -2);
    } else if (frame == 16 || frame == 17) {
        squash = frame == 17 ? 0.78 : 0.86;
        glow = frame == 17;
    } else if (frame == 18) {
        squash = 1.12;
        arms_up = true;
    } else if (frame >= 20 && frame <= 23) {
        hand_out = true;
        lean = -2;
    } else if (frame == 25 || frame == 26) {
        lean = -4;
        lift = 2;
    } else if (frame == 28 || frame == 29) {
        eyes = frame == 29 ? dizzy : shut;
        lean = -3;
    } else if (frame >= 30 && frame <= 36) {
        lean = 5;
        stride = 4;
    } else if (frame >= 80 && frame <= 84) {
        arms_up = true;
        glow = true;
        eyes = frame == 83 ? shut : open;
    }
    const double dir = facing ? 1 : -1;  // the way the hood points
    const double cx = x + 24 + lean * dir, base = y + 44 - lift;
    if (glow) c.fill_ellipse(cx, base - 18, 20, 22, {200, 240, 250, 255});
    // Feet, body, hood with its tip trailing behind.
    c.fill_rect(static_cast<int>(cx - 6 + stride), static_cast<int>(base - 5), 5, 5, cloak_dark);
    c.fill_rect(static_cast<int>(cx + 1 - stride), static_cast<int>(base - 5), 5, 5, cloak_dark);
    const double body_h = 13 * squash, head_y = base - 4 - body_h * 2 - 6 * squash;
    c.fill_ellipse(cx, base - 4 - body_h, 11, body_h, cloak);
    c.fill_triangle(cx - 11, base - 6, cx + 11, base - 6, cx, base - 4 - body_h * 1.6, cloak);
    c.fill_ellipse(cx, head_y, 10, 10 * std::min(squash, 1.0), cloak);
    c.fill_triangle(cx - 4, head_y - 8, cx + 4, head_y - 8, cx - dir * 11, head_y - 13, cloak);
    // The face, looking the way it faces.
    const double face = dir * 3;
    c.fill_ellipse(cx + face, head_y + 2, 6.5, 6, skin);
    const int ex = static_cast<int>(cx + face), ey = static_cast<int>(head_y);
    if (eyes == open) {
        c.fill_rect(ex - 3, ey, 2, 3, ink);
        c.fill_rect(ex + 2, ey, 2, 3, ink);
    } else if (eyes == shut) {
        c.fill_rect(ex - 4, ey + 1, 3, 1, ink);
        c.fill_rect(ex + 2, ey + 1, 3, 1, ink);
    } else {
        for (const int e : {-2, 3}) {
            c.line(ex + e - 1, ey - 1, ex + e + 1, ey + 1, ink);
            c.line(ex + e - 1, ey + 1, ex + e + 1, ey - 1, ink);
        }
    }
    c.fill_rect(static_cast<int>(cx - 9), static_cast<int>(base - 5 - body_h), 18, 3, gold);
    // Hands: raised, held out to a wall, or at the sides.
    if (arms_up) {
        c.fill_ellipse(cx - 10, head_y - 6, 3, 3, skin);
        c.fill_ellipse(cx + 10, head_y - 6, 3, 3, skin);
    } else if (hand_out) {
        c.fill_ellipse(cx - dir * 13, base - 4 - body_h * 1.3, 3.5, 3.5, skin);
    } else {
        c.fill_ellipse(cx + dir * 10, base - 4 - body_h, 3, 3, skin);
    }
    if (frame >= 30 && frame <= 36)  // speed lines behind a dash
        for (int k = 0; k < 3; ++k)
            c.fill_rect(static_cast<int>(cx - dir * (16 + k * 3)) - (facing ? 6 : 0),
                        static_cast<int>(base - 24 + k * 7), 6, 1, white);
}

// Enemies: a family a shape. pose 0-7 walk (facing x 4), 8-11 knocked away.
void enemy_cell(canvas& c, int x, int y, int family, int index) {
    const bool knocked = index >= 8 && index < 12;
    const int facing = knocked ? 0 : (index / 4) % 2;
    const double bob = std::sin(index * pi / 2) * 2;
    const double cx = x + 24, cy = y + 28 + (knocked ? 0 : bob);
    const double look = facing ? 4 : -4;
    const auto eyes = [&](double ex, double ey, double gap) {
        if (knocked) {  // dizzy crosses
            for (const double s : {-gap, gap}) {
                c.line(ex + s - 2, ey - 2, ex + s + 2, ey + 2, ink);
                c.line(ex + s - 2, ey + 2, ex + s + 2, ey - 2, ink);
            }
        } else {
            c.fill_rect(static_cast<int>(ex - gap - 1), static_cast<int>(ey - 2), 3, 4, ink);
            c.fill_rect(static_cast<int>(ex + gap - 1), static_cast<int>(ey - 2), 3, 4, ink);
        }
    };
    switch (family) {
        case 0:  // trollface: a wide green grin on a round head
            c.fill_ellipse(cx, cy, 17, 15, {150, 200, 90, 255});
            c.fill_ellipse(cx + look, cy + 5, 11, 5, white);
            c.line(cx + look - 11, cy + 5, cx + look + 11, cy + 5, ink);
            eyes(cx + look, cy - 5, 6);
            break;
        case 1:  // rabbit: white, long ears
            c.fill_ellipse(cx - 5, cy - 18, 3.5, 9, white);
            c.fill_ellipse(cx + 5, cy - 18, 3.5, 9, white);
            c.fill_ellipse(cx - 5, cy - 18, 1.5, 6, pink);
            c.fill_ellipse(cx + 5, cy - 18, 1.5, 6, pink);
            c.fill_ellipse(cx, cy + 2, 14, 13, white);
            eyes(cx + look, cy - 1, 5);
            c.fill_rect(static_cast<int>(cx + look - 1), static_cast<int>(cy + 4), 3, 2, pink);
            break;
        case 2:  // fairy: a small figure with wings
        case 6:  // boss fairy: the same, violet and crowned
        {
            const rgba body = family == 2 ? blue : violet;
            const double flap = index % 2 ? 8 : 11;
            c.fill_ellipse(cx - 11, cy - 6, flap, 6, {200, 230, 250, 255});
            c.fill_ellipse(cx + 11, cy - 6, flap, 6, {200, 230, 250, 255});
            c.fill_triangle(cx - 9, cy + 14, cx + 9, cy + 14, cx, cy - 6, body);
            c.fill_ellipse(cx, cy - 8, 8, 8, skin);
            c.fill_ellipse(cx, cy - 14, 9, 4, family == 2 ? gold : pink);
            if (family == 6) c.fill_triangle(cx - 5, cy - 17, cx + 5, cy - 17, cx, cy - 24, gold);
            eyes(cx + look / 2, cy - 8, 3);
            break;
        }
        case 3:  // furball: an orange ball of spikes
            for (int k = 0; k < 12; ++k) {
                const double a = k * pi / 6 + index * 0.2;
                c.fill_triangle(cx + std::cos(a) * 10, cy + std::sin(a) * 10,
                                cx + std::cos(a + 0.4) * 10, cy + std::sin(a + 0.4) * 10,
                                cx + std::cos(a + 0.2) * 18, cy + std::sin(a + 0.2) * 18, orange);
            }
            c.fill_ellipse(cx, cy, 13, 13, orange);
            eyes(cx + look / 2, cy - 2, 4);
            break;
        case 4:  // ghost: a pale violet sheet with a wavy hem
            c.fill_ellipse(cx, cy - 4, 14, 14, {220, 210, 250, 255});
            c.fill_rect(static_cast<int>(cx - 14), static_cast<int>(cy - 4), 28, 14,
                        {220, 210, 250, 255});
            for (int k = 0; k < 4; ++k)
                c.fill_ellipse(cx - 10.5 + k * 7, cy + 10 + (k + index) % 2 * 2, 3.5, 3.5,
                               {220, 210, 250, 255});
            eyes(cx + look, cy - 5, 4);
            break;
        case 5:  // book: a red cover flapping open over fanned pages, eyes on the spine
        {
            const double open = 6 + (index % 4) * 3;  // how far the covers lift
            c.fill_triangle(cx, cy + 10, cx - 19, cy + 4 - open, cx - 19, cy + 12 - open, red);
            c.fill_triangle(cx, cy + 10, cx + 19, cy + 4 - open, cx + 19, cy + 12 - open, red);
            c.fill_triangle(cx, cy + 8, cx - 15, cy + 1 - open, cx + 15, cy + 1 - open, white);
            c.fill_triangle(cx, cy + 8, cx - 15, cy + 1 - open, cx - 15, cy + 6 - open, white);
            c.fill_triangle(cx, cy + 8, cx + 15, cy + 1 - open, cx + 15, cy + 6 - open, white);
            for (int k = 1; k < 4; ++k)  // lines of text on the pages
                c.line(cx - 13 + k * 2, cy - open + 2 + k * 2, cx - 3, cy + 2 + k, grey);
            c.fill_rect(static_cast<int>(cx - 7), static_cast<int>(cy + 6), 14, 9, shade(red, 0.8));
            eyes(cx, cy + 10, 4);
            break;
        }
        default:  // spare families: round blobs in their own colours
        {
            const rgba tones[] = {green, gold, grey, brown};
            c.fill_ellipse(cx, cy + 2, 15, 12, tones[family % 4]);
            eyes(cx + look, cy, 5);
        }
    }
    if (index >= 12 && index < 20 && family != 5)  // alert marks for the attack poses
        c.fill_rect(static_cast<int>(cx + 14), static_cast<int>(cy - 20), 3, 7, red);
}

// The boss: a big horned sorcerer-beast in a dark cape and a gold-belted
// robe (128 x 128 cells). Poses 0-7 hover and stride, 8-13 cast with both
// claws raised round a glowing orb; 32-35 the defeat, grey and slumping.
void boss_cell(canvas& c, int x, int y, int index) {
    const int facing = index / 16 % 2;
    const int pose = index % 16;
    const bool defeated = index >= 32;
    const bool casting = !defeated && pose >= 8 && pose <= 13;
    const double sag = defeated ? (index - 32) * 4 : 0;
    const double cx = x + 64, cy = y + 72 + std::sin(pose * pi / 4) * 3 + sag;
    const double dir = facing ? 1 : -1;
    const double look = dir * 8;
    const rgba robe = defeated ? grey : rgba{120, 60, 150, 255};
    const rgba cape = defeated ? shade(grey, 0.7) : rgba{70, 30, 90, 255};
    const rgba claw = defeated ? shade(grey, 1.2) : rgba{240, 210, 120, 255};
    // Cape spreading behind, robe, belt.
    c.fill_triangle(cx - dir * 10, cy - 30, cx - dir * 54, cy + 48, cx + dir * 20, cy + 48, cape);
    c.fill_ellipse(cx, cy + 12, 38, 36, robe);
    c.fill_triangle(cx - 38, cy + 20, cx + 38, cy + 20, cx, cy + 52, robe);
    c.fill_rect(static_cast<int>(cx - 36), static_cast<int>(cy + 6), 72, 9, gold);
    c.fill_ellipse(cx, cy + 10, 7, 7, defeated ? grey : rgba{255, 120, 200, 255});  // the clasp
    // Arms: raised while casting, else reaching forward.
    const double hand_y = casting ? cy - 46 : cy + 4 + std::sin(pose * pi / 2) * 4;
    for (const double side : {-1.0, 1.0}) {
        const double hx = cx + side * (casting ? 30 : 44) + (casting ? 0 : look);
        c.line(cx + side * 28, cy - 10, hx, hand_y, robe);
        c.fill_ellipse((cx + side * 28 + hx) / 2, (cy - 10 + hand_y) / 2, 9, 9, robe);
        c.fill_ellipse(hx, hand_y, 8, 7, claw);
    }
    if (casting) {
        const double r = 8 + (pose - 8) * 1.5;
        c.fill_ellipse(cx, cy - 58, r + 3, r + 3, {255, 180, 230, 255});
        c.fill_ellipse(cx, cy - 58, r, r, {255, 110, 200, 255});
    }
    // Head with horns and a hood.
    const double hy = cy - 30;
    c.fill_ellipse(cx + look, hy, 26, 22, cape);
    c.fill_ellipse(cx + look, hy + 3, 20, 17, robe);
    c.fill_triangle(cx + look - 20, hy - 12, cx + look - 10, hy - 16, cx + look - 30, hy - 42,
                    white);
    c.fill_triangle(cx + look + 20, hy - 12, cx + look + 10, hy - 16, cx + look + 30, hy - 42,
                    white);
    const rgba eye = defeated ? ink : rgba{255, 230, 80, 255};
    if (defeated) {
        for (const double e : {-8.0, 8.0}) {
            c.line(cx + look + e - 4, hy - 2, cx + look + e + 4, hy + 4, ink);
            c.line(cx + look + e - 4, hy + 4, cx + look + e + 4, hy - 2, ink);
        }
    } else {
        c.fill_ellipse(cx + look - 8 + dir * 2, hy, 5, 4, eye);
        c.fill_ellipse(cx + look + 8 + dir * 2, hy, 5, 4, eye);
    }
    c.fill_rect(static_cast<int>(cx + look - 9), static_cast<int>(hy + 9), 18, 3, ink);
    for (int t = 0; t < 3; ++t)  // fangs
        c.fill_triangle(cx + look - 7 + t * 6, hy + 11, cx + look - 4 + t * 6, hy + 11,
                        cx + look - 5.5 + t * 6, hy + 15, white);
}

// --- items, blocks, bullets --------------------------------------------------------

void item_cell(canvas& c, int x, int y, int index) {
    const int kind = index / 2, frame = index % 2;
    const double cx = x + 16, cy = y + 17 - frame;
    // A key or door waiting to show (frame 0) is drawn empty: it shows as frame 1.
    if ((kind == 10 || kind == 11) && frame == 0) return;
    switch (kind) {
        case 0:  // power item [P]
        case 1:  // big power item
            c.fill_rect(x + 6, y + 7, 20, 18, kind ? red : blue);
            draw_text(c, "P", x + 13, y + 12, 1, white, ink);
            break;
        case 2:  // apple
            c.fill_ellipse(cx, cy + 2, 10, 9, red);
            c.fill_rect(static_cast<int>(cx), static_cast<int>(cy - 10), 2, 5, brown);
            c.fill_ellipse(cx + 5, cy - 8, 4, 2, green);
            break;
        case 3:  // cake
            c.fill_rect(x + 6, y + 14, 20, 12, {250, 230, 200, 255});
            c.fill_rect(x + 6, y + 12, 20, 4, pink);
            c.fill_ellipse(cx, cy - 8, 3, 3, red);
            break;
        case 4:  // gem
        case 5:
        case 6: {
            const rgba tone = kind == 4 ? blue : kind == 5 ? green : violet;
            c.fill_triangle(cx - 10, cy - 3, cx + 10, cy - 3, cx, cy + 11, tone);
            c.fill_triangle(cx - 10, cy - 3, cx + 10, cy - 3, cx, cy - 11, shade(tone, 1.3));
            break;
        }
        case 7:  // chests 1-3
        case 8:
        case 9: {
            const rgba tone = kind == 7 ? brown : kind == 8 ? grey : gold;
            c.fill_rect(x + 4, y + 11, 24, 16, tone);
            c.fill_rect(x + 4, y + 15, 24, 2, shade(tone, 0.6));
            c.fill_rect(x + 14, y + 15, 4, 6, gold);
            break;
        }
        case 10:  // key
            c.fill_ellipse(cx - 6, cy, 6, 6, gold);
            c.fill_ellipse(cx - 6, cy, 2, 2, key);
            c.fill_rect(static_cast<int>(cx - 1), static_cast<int>(cy - 1), 13, 3, gold);
            c.fill_rect(static_cast<int>(cx + 8), static_cast<int>(cy + 1), 3, 4, gold);
            break;
        case 11:  // door, open
            c.fill_ellipse(cx, y + 11, 11, 10, brown);
            c.fill_rect(x + 5, y + 11, 22, 21, brown);
            // Open: warm light through the arch.
            c.fill_ellipse(cx, y + 12, 7, 7, {255, 236, 170, 255});
            c.fill_rect(x + 9, y + 12, 14, 20, {255, 236, 170, 255});
            c.fill_rect(x + 9, y + 26, 14, 6, {255, 250, 220, 255});
            break;
        case 12:  // life fragment
            c.fill_triangle(cx - 8, cy - 2, cx + 8, cy - 2, cx, cy + 10, pink);
            c.fill_ellipse(cx - 4, cy - 3, 4.5, 4.5, pink);
            c.fill_ellipse(cx + 4, cy - 3, 4.5, 4.5, pink);
            break;
        case 13:  // medal
            c.fill_triangle(cx - 6, cy - 14, cx + 6, cy - 14, cx, cy - 2, red);
            c.fill_ellipse(cx, cy + 4, 8, 8, gold);
            break;
        case 14:  // coin
            c.fill_ellipse(cx, cy, 8 - frame * 3, 9, gold);
            break;
        case 15:  // juice: a glass bottle
            c.fill_rect(x + 11, y + 10, 10, 16, orange);
            c.fill_rect(x + 13, y + 5, 6, 5, {200, 230, 240, 255});
            c.fill_rect(x + 12, y + 14, 8, 4, white);
            break;
        case 16:  // star: a shower of coins
        case 28:  // star fragment
        {
            const double r = kind == 16 ? 12 : 8;
            for (int k = 0; k < 5; ++k) {
                const double a = -pi / 2 + k * 2 * pi / 5;
                c.fill_triangle(cx, cy, cx + std::cos(a - 0.6) * r * 0.45,
                                cy + std::sin(a - 0.6) * r * 0.45, cx + std::cos(a) * r,
                                cy + std::sin(a) * r, gold);
                c.fill_triangle(cx, cy, cx + std::cos(a + 0.6) * r * 0.45,
                                cy + std::sin(a + 0.6) * r * 0.45, cx + std::cos(a) * r,
                                cy + std::sin(a) * r, gold);
            }
            if (kind == 28)
                c.fill_rect(static_cast<int>(cx) + 4, static_cast<int>(cy) - 10, 2, 2, white);
            break;
        }
        case 17:  // thunder: a bolt
            c.fill_triangle(cx + 4, cy - 13, cx - 7, cy + 2, cx + 1, cy + 2, gold);
            c.fill_triangle(cx - 1, cy - 2, cx + 7, cy - 2, cx - 4, cy + 13, gold);
            break;
        case 18:  // ice: a snowflake crystal
            for (int k = 0; k < 3; ++k) {
                const double a = k * pi / 3;
                c.line(cx - std::cos(a) * 11, cy - std::sin(a) * 11, cx + std::cos(a) * 11,
                       cy + std::sin(a) * 11, {150, 220, 250, 255});
            }
            c.fill_ellipse(cx, cy, 4, 4, {200, 240, 255, 255});
            break;
        case 19:  // weight
            c.fill_triangle(cx, cy - 10, cx - 11, cy + 10, cx + 11, cy + 10, grey);
            c.fill_ellipse(cx, cy - 10, 4, 3, grey);
            break;
        case 20:  // feather
            c.fill_ellipse(cx, cy, 5, 12, white);
            c.line(cx - 4, cy + 12, cx + 3, cy - 10, grey);
            break;
        case 21:  // spectacles
            c.ring(cx - 6, cy, 5, 1.5, ink);
            c.ring(cx + 6, cy, 5, 1.5, ink);
            c.fill_ellipse(cx - 6, cy, 3.5, 3.5, {180, 220, 250, 255});
            c.fill_ellipse(cx + 6, cy, 3.5, 3.5, {180, 220, 250, 255});
            break;
        case 22:  // map
            c.fill_rect(x + 6, y + 8, 20, 16, {240, 220, 170, 255});
            c.line(cx - 6, cy + 4, cx + 6, cy - 4, red);
            c.fill_rect(x + 21, y + 10, 3, 3, red);
            break;
        case 23:  // warp stone: a swirl
        case 24:  // way-back stone
        case 25:  // stone of beginnings
        {
            const rgba tone = kind == 23 ? violet : kind == 24 ? blue : green;
            c.fill_ellipse(cx, cy + 2, 11, 10, tone);
            for (int k = 0; k < 24; ++k) {
                const double a = k * 0.5, r = 1 + k * 0.35;
                c.fill_rect(static_cast<int>(cx + std::cos(a) * r),
                            static_cast<int>(cy + 2 + std::sin(a) * r), 2, 2, shade(tone, 1.5));
            }
            break;
        }
        case 26:  // candy
            c.fill_triangle(cx - 13, cy - 5, cx - 13, cy + 5, cx - 6, cy, pink);
            c.fill_triangle(cx + 13, cy - 5, cx + 13, cy + 5, cx + 6, cy, pink);
            c.fill_ellipse(cx, cy, 7, 7, red);
            c.fill_ellipse(cx - 2, cy - 2, 2, 2, white);
            break;
        case 27:  // the mysterious seed
            c.fill_ellipse(cx, cy + 3, 8, 10, brown);
            c.fill_ellipse(cx + 4, cy - 9, 5, 3, green);
            c.fill_ellipse(cx - 4, cy - 9, 5, 3, shade(green, 1.2));
            break;
        case 29:  // gold coin, oval
            c.fill_ellipse(cx, cy, 7, 11, gold);
            c.fill_rect(static_cast<int>(cx) - 1, static_cast<int>(cy) - 6, 2, 12,
                        shade(gold, 0.8));
            break;
        case 30:  // gear
            for (int k = 0; k < 8; ++k) {
                const double a = k * pi / 4 + frame * pi / 8;
                c.fill_ellipse(cx + std::cos(a) * 10, cy + std::sin(a) * 10, 3, 3, grey);
            }
            c.fill_ellipse(cx, cy, 10, 10, grey);
            c.fill_ellipse(cx, cy, 3, 3, key);
            break;
        default:  // potions and charms in many colours
        {
            const rgba tones[] = {orange, green, blue, violet, pink, red, grey, white, gold, brown};
            const rgba tone = tones[kind % 10];
            c.fill_ellipse(cx, cy + 4, 9, 8, tone);
            c.fill_rect(static_cast<int>(cx - 3), static_cast<int>(cy - 10), 6, 8,
                        shade(tone, 1.4));
        }
    }
}

// Blocks: eight themes of five looks. Look 0 the plain body, 1 a second
// texture, 2 an ornament, 3 the body with its theme's top (grass, moss,
// snow...), 4 a thin ledge of 8 rows. Bevelled: light top-left, dark bottom-right.
void block_cell(canvas& c, int x, int y, int index) {
    struct theme {
        rgba body, cap;
    };
    const theme themes[] = {
        {{150, 100, 60, 255}, {100, 190, 70, 255}},    // grass over earth
        {{150, 146, 150, 255}, {110, 150, 90, 255}},   // stone, mossy
        {{176, 120, 70, 255}, {200, 150, 90, 255}},    // wood planks
        {{110, 170, 230, 255}, {200, 240, 255, 255}},  // crystal
        {{236, 238, 248, 255}, {255, 255, 255, 255}},  // cloud
        {{140, 150, 170, 255}, {200, 170, 80, 255}},   // metal, brass rim
        {{190, 90, 80, 255}, {170, 160, 150, 255}},    // brick, stone coping
        {{220, 190, 120, 255}, {240, 215, 150, 255}},  // sand
    };
    const int t = index / 5 % 8, look = index % 5;
    const rgba body = themes[t].body, cap = themes[t].cap;
    const int h = look == 4 ? 8 : 32;
    noise n(100 + index);
    if (t == 4) {  // clouds are puffs, not boxes
        c.fill_ellipse(x + 10, y + h / 2.0 + 1, 10, h / 2.0, shade(body, 0.92));
        c.fill_ellipse(x + 22, y + h / 2.0 + 1, 10, h / 2.0, shade(body, 0.92));
        c.fill_rect(x + 2, y + h / 4, 28, h / 2, body);
        c.fill_ellipse(x + 16, y + h / 2.0 - 1, 12, h / 2.0 - 1, body);
        return;
    }
    c.fill_rect(x, y, 32, h, body);
    for (int k = 0; k < (look == 4 ? 3 : 10); ++k)  // speckles of texture
        c.fill_rect(x + 2 + n.below(27), y + 2 + n.below(std::max(1, h - 4)), 2, 1,
                    shade(body, 0.85 + n.below(30) / 100.0));
    if (look == 1 || t == 6) {  // courses of bricks or cut stone
        for (int row = 0; row * 8 < h; ++row) {
            c.fill_rect(x, y + row * 8 + 7, 32, 1, shade(body, 0.65));
            c.fill_rect(x + (row % 2 ? 8 : 24), y + row * 8, 1, 7, shade(body, 0.65));
        }
    }
    if (t == 2) {  // wood grain
        for (int row = 1; row * 8 < h; ++row) c.fill_rect(x, y + row * 8, 32, 1, shade(body, 0.7));
        if (look != 4) c.fill_rect(x + 15, y, 1, h, shade(body, 0.75));
    }
    if (t == 3 && look != 4) {  // facets
        c.fill_triangle(x + 2, y + 2, x + 16, y + 2, x + 2, y + 16, shade(body, 1.3));
        c.fill_triangle(x + 30, y + 30, x + 16, y + 30, x + 30, y + 16, shade(body, 0.8));
    }
    if (t == 5) {  // rivets
        for (const int rx : {5, 26})
            for (const int ry : {5, 26})
                if (ry < h) c.fill_rect(x + rx, y + ry, 2, 2, shade(body, 1.4));
    }
    if (look == 2) {  // an ornament: a round inlay
        c.fill_ellipse(x + 16, y + 16, 7, 7, shade(body, 0.8));
        c.fill_ellipse(x + 15, y + 15, 4, 4, shade(cap, 1.1));
    }
    // Bevel.
    c.fill_rect(x, y, 32, 2, shade(body, 1.35));
    c.fill_rect(x, y, 2, h, shade(body, 1.2));
    c.fill_rect(x, y + h - 2, 32, 2, shade(body, 0.55));
    c.fill_rect(x + 30, y, 2, h, shade(body, 0.65));
    if (look == 3 || look == 4 || (t == 0 && look == 0)) {  // the theme's top
        c.fill_rect(x, y, 32, 5, cap);
        c.fill_rect(x, y, 32, 1, shade(cap, 1.3));
        for (int k = 0; k < 6; ++k)  // ragged lower edge
            c.fill_rect(x + k * 6 + n.below(3), y + 5, 3, 1 + n.below(3), cap);
    }
}

void bullet_cell(canvas& c, int x, int y, int index) {
    const rgba tones[] = {red, blue, violet, gold, green, pink, orange, white};
    const rgba tone = tones[index / 2 % 8];
    const double r = index % 2 ? 5 : 6;
    c.fill_ellipse(x + 8, y + 8, r, r, tone);
    c.fill_ellipse(x + 7, y + 7, r / 2.5, r / 2.5, shade(tone, 1.6));
}

// Soft particles and rings with alpha, in the effect colours.
void effect_cell(canvas& c, int x, int y, int index) {
    const rgba tones[] = {{255, 255, 255, 255}, {90, 140, 255, 255}, {80, 230, 240, 255},
                          {60, 20, 90, 255},    {20, 20, 30, 255},   {255, 255, 255, 255},
                          {255, 246, 200, 255}, {255, 160, 60, 255}, {255, 140, 200, 255},
                          {255, 70, 70, 255}};
    const rgba tone = tones[index / 10 % 10];
    const int kind = index % 10;
    if (kind < 5) {
        c.soft_disc(x + 16, y + 16, 4 + kind * 3, tone);
    } else if (kind < 8) {
        c.ring(x + 16, y + 16, 6 + (kind - 5) * 4, 2.5, tone);
    } else {  // a four-pointed sparkle
        rgba t = tone;
        for (int k = 0; k < 14; ++k) {
            t.a = static_cast<uint8_t>(255 - k * 16);
            c.blend(x + 16 + k, y + 16, t);
            c.blend(x + 16 - k, y + 16, t);
            c.blend(x + 16, y + 16 + k, t);
            c.blend(x + 16, y + 16 - k, t);
        }
        c.soft_disc(x + 16, y + 16, 4, tone);
    }
}

// --- screens, logos, backgrounds -----------------------------------------------

canvas text_picture(const std::string& text, int scale, rgba color, int pad = 4) {
    canvas c(text_width(text, scale) + 2 * pad, 7 * scale + 2 * pad);
    draw_text(c, text, pad, pad, scale, color);
    return c;
}

canvas logo(const std::string& title, const std::string& subtitle, rgba color) {
    canvas c(640, 200);
    draw_text_centred(c, title, 320, 40, 8, color);
    draw_text_centred(c, subtitle, 320, 130, 3, white);
    return c;
}

}  // namespace

std::vector<picture_sheet> make_pictures(demo_files& out) {
    std::vector<picture_sheet> list;
    // Characters.
    sheet(out, list, "player", 0, 104, 13, 48, 48, [](canvas& c, int x, int y, int i) {
        // Ids are facing x 40 + frame; 80-84 stand as they are, and 100-103 are
        // the right-facing wall poses (frames 60-63).
        const int frame = i < 80 ? i % 40 : i >= 100 ? i - 80 : i;
        player_cell(c, x, y, i >= 40 ? 1 : 0, frame);
    });
    const char* families[] = {"trollface", "rabbit",    "fairy",  "furball", "ghost",
                              "book",      "bossfairy", "sprout", "beetle",  "stone"};
    for (int f = 0; f < 10; ++f) {
        sheet(out, list, std::string("enemy_") + families[f], 600 + 20 * f, 20, 10, 48, 48,
              [f](canvas& c, int x, int y, int i) { enemy_cell(c, x, y, f, i); });
    }
    sheet(out, list, "boss", 800, 36, 6, 128, 128, boss_cell);
    sheet(out, list, "items", 900, 100, 10, 32, 32, item_cell);
    sheet(out, list, "blocks", 1000, 40, 10, 32, 32, block_cell);
    sheet(out, list, "bullets", 1100, 40, 10, 16, 16, bullet_cell);
    sheet(out, list, "effects", 1200, 200, 20, 32, 32, effect_cell, false, true);
    sheet(out, list, "player_shots", 1472, 20, 10, 16, 16, [](canvas& c, int x, int y, int i) {
        c.fill_ellipse(x + 8, y + 8, 4 + i % 4, 3 + i % 3,
                       i < 10 ? rgba{120, 230, 240, 255} : gold);
    });
    sheet(out, list, "weights", 450, 2, 2, 64, 64, [](canvas& c, int x, int y, int i) {
        c.fill_triangle(x + 32, y + 6, x + 8, y + 60, x + 56, y + 60, i ? violet : grey);
        draw_text_centred(c, "10T", x + 32, y + 40, 2, white);
    });

    // Numbers and glyphs.
    sheet(
        out, list, "popup_glyphs", 138, 16, 16, 10, 12,
        [](canvas& c, int x, int y, int i) {
            const char* glyphs = "0123456789!#+LV-";
            draw_text(c, std::string(1, glyphs[i]), x + 2, y + 2, 1, gold);
        },
        false);
    sheet(
        out, list, "countdown", 170, 20, 10, 14, 10,
        [](canvas& c, int x, int y, int i) {
            draw_text_centred(c, std::to_string(i), x + 7, y + 2, 1, white);
        },
        false);
    sheet(out, list, "frame_tiles", 200, 9, 9, 16, 16, [](canvas& c, int x, int y, int i) {
        c.fill_rect(x, y, 16, 16, {70, 60, 100, 255});
        c.fill_rect(x + (i % 3 == 0 ? 12 : 0), y, i % 3 == 1 ? 16 : 4, 16, {110, 96, 150, 255});
    });
    sheet(
        out, list, "label_glyphs", 299, 26, 13, 24, 24,
        [](canvas& c, int x, int y, int i) {
            // The stage label and the result rows set these 32 and 24 pixels apart.
            const int id = 299 + i;
            if (id >= 315 && id <= 324) {
                draw_text(c, std::to_string(id - 315), x + 5, y + 2, 3, white);
            } else if (id == 312) {
                draw_text(c, "-", x + 5, y + 2, 3, white);
            } else if (id >= 301 && id <= 311) {  // clears so far: a medal with the count
                c.fill_ellipse(x + 12, y + 12, 11, 11, shade(gold, 0.7));
                c.fill_ellipse(x + 12, y + 12, 9, 9, gold);
                draw_text_centred(c, std::to_string(id - 301), x + 12, y + 9, 1, white);
            }
        },
        false);
    sheet(
        out, list, "large_digits", 370, 10, 10, 14, 18,
        [](canvas& c, int x, int y, int i) {
            draw_text(c, std::to_string(i), x + 2, y + 1, 2, white);
        },
        false);
    sheet(
        out, list, "large_letters", 419, 6, 6, 14, 18,
        [](canvas& c, int x, int y, int i) {
            draw_text(c, std::string(1, static_cast<char>('A' + i)), x + 2, y + 1, 2, white);
        },
        false);
    sheet(out, list, "level_glyphs", 391, 5, 5, 24, 24, [](canvas& c, int x, int y, int i) {
        c.fill_ellipse(x + 12, y + 12, 10, 10, mix(blue, red, i / 4.0));
        draw_text(c, std::to_string(i + 1), x + 10, y + 9, 1, white);
    });
    sheet(
        out, list, "small_digits", 400, 10, 10, 7, 9,
        [](canvas& c, int x, int y, int i) {
            draw_text(c, std::to_string(i), x + 1, y + 1, 1, white);
        },
        false);

    // Heads-up display.
    // The title's footer is drawn before the panel, 336 x 16 pixels centred
    // at (400, 557): a framed window is left open for it.
    canvas panel(800, 64, {30, 26, 48, 255});
    panel.fill_rect(0, 0, 800, 3, {110, 96, 150, 255});
    panel.fill_rect(223, 9, 354, 26, {110, 96, 150, 255});
    panel.fill_rect(224, 10, 352, 24, key);
    single(out, list, "hud_panel", 360, panel);
    canvas bar_frame(286, 10, {60, 50, 80, 255});
    single(out, list, "hud_bomb_frame", 361, bar_frame);
    canvas bar(286, 10, {240, 120, 60, 255});
    bar.fill_rect(0, 0, 286, 3, {255, 200, 120, 255});
    single(out, list, "hud_bomb_bar", 362, bar);
    single(out, list, "hud_score", 364, text_picture("SCORE", 1, white, 2));
    canvas player_panel(400, 80);
    player_panel.fill_rect(8, 16, 384, 60, {44, 38, 70, 255});
    player_panel.fill_rect(8, 16, 384, 2, {110, 96, 150, 255});
    single(out, list, "hud_player", 365, player_panel);
    canvas fragment(12, 12);
    fragment.fill_ellipse(6, 6, 5, 5, pink);
    single(out, list, "hud_fragment", 366, fragment);
    canvas slot(12, 12);
    slot.ring(6, 6, 4.5, 1.2, {110, 96, 150, 255});
    single(out, list, "hud_fragment_slot", 367, slot, true);
    canvas gauge(40, 40, white);
    single(out, list, "hud_power", 368, gauge);
    single(out, list, "hud_power_label", 369, text_picture("PW", 1, gold, 1));

    // Boss bar and its icons, the aiming line and the transition orb.
    canvas boss_frame(400, 24, {60, 40, 70, 255});
    boss_frame.fill_rect(3, 3, 394, 18, ink);
    single(out, list, "boss_frame", 1500, boss_frame);
    canvas boss_bar(394, 18, red);
    boss_bar.fill_rect(0, 0, 394, 5, {255, 140, 140, 255});
    single(out, list, "boss_bar", 1501, boss_bar);
    for (int k = 0; k < 2; ++k) {
        canvas icon(24, 24);
        icon.fill_ellipse(12, 12, 10, 10, k ? grey : violet);
        icon.outline_rect(0, 0, 24, 24);
        single(out, list, "boss_icon" + std::to_string(k), 1502 + k, icon);
    }
    canvas line(64, 4, {255, 80, 80, 160});
    single(out, list, "boss_aim", 268, line, true);
    canvas ray(64, 16, clear);
    for (int j = 0; j < 16; ++j)
        ray.fill_rect(0, j, 64, 1, {255, 200, 255, uint8_t(255 - std::abs(j - 8) * 30)});
    single(out, list, "boss_ray", 269, ray, true);
    canvas orb(64, 64, clear);
    orb.soft_disc(32, 32, 30, {255, 255, 220, 255});
    single(out, list, "transition_orb", 284, orb, true);

    // Scene art.
    single(out, list, "prompt", 2017, text_picture("PRESS START", 10, white));
    single(out, list, "continue", 2018, text_picture("CONTINUE?", 5, gold));
    single(out, list, "game_over", 2019, text_picture("GAME OVER", 6, red));
    single(out, list, "footer", 2020, text_picture("A SMALL GAME MADE BY PROGRAM", 10, grey));
    single(out, list, "splash_studio", 2032, logo("QORVIN", "WORKS", gold));
    single(out, list, "splash_engine", 2033, logo("DURUD", "ENGINE", blue));
    single(out, list, "splash_team", 2034, logo("TEAM", "PRESENTS", white));
    single(out, list, "splash_team_lit", 2035, logo("TEAM", "PRESENTS", gold));
    single(out, list, "title_shadow", 2037, logo("VESSAMIRE", "PRELUDE", ink));
    single(out, list, "title", 2038, logo("VESSAMIRE", "PRELUDE", cloak));
    for (int k = 0; k < 2; ++k) {  // the result screens fill the whole 800 x 600
        canvas results(800, 600);
        const rgba top = k ? rgba{60, 40, 90, 255} : rgba{30, 40, 70, 255};
        for (int j = 0; j < 600; ++j)
            results.fill_rect(0, j, 800, 1, mix(top, {20, 18, 30, 255}, j / 599.0));
        noise n(2040 + k);
        for (int s = 0; s < 80; ++s)
            results.soft_disc(n.below(800), n.below(600), 1.5 + n.below(3), {255, 250, 220, 160});
        results.fill_rect(120, 220, 560, 2, {110, 96, 150, 255});
        // The heading stays above the clear-count medal (24 x 24 centred at
        // (297, 140)); each label is centred on its figures' row, whose
        // glyphs are drawn centred at y 248 + 62 r.
        draw_text_centred(results, k ? "ALL CLEAR" : "RESULTS", 400, 56, 6, gold, ink);
        const char* rows[] = {"SCORE", "STUNS", "MISSES", "CONTINUES"};
        for (int r = 0; r < 4; ++r) draw_text(results, rows[r], 160, 238 + 62 * r, 3, white, ink);
        single(out, list, "results" + std::to_string(k), 2040 + k, results);
    }
    // Backgrounds: twenty, two of them JPEG.
    for (int k = 0; k < 20; ++k) {
        single(out, list, "background" + std::to_string(k), 500 + k, background(500 + k), false,
               k == 3 || k == 12);
    }
    return list;
}

}  // namespace demo
