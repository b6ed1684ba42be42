// Collision geometry over the looping stage.
#include "world/collision_geometry.h"

#include <algorithm>

#include "world/motion.h"
#include "world/world_globals.h"

namespace {

struct box {
    double x, y, w, h;  // centre and size
};

// The entity's position as the wrap step leaves it, read without copying.
void wrapped_position(const entity& e, double* x, double* y) {
    *x = e.x;
    *y = e.y;
    if (e.flags & flag_no_wrap) return;
    if (stage_info.horizontal_wrap) *x = wrap_coordinate(e.x, stage_info.width);
    if (stage_info.vertical_wrap) *y = wrap_coordinate(e.y, stage_info.height);
}

// The hitbox around a position; a player's box is its box against the other
// entity's type code.
box contact_box(const entity& e, double x, double y, int other_type) {
    if (e.type_code == type_player && other_type >= 0 && other_type < 8) {
        return {x + e.opp_hit_dx[other_type], y + e.opp_hit_dy[other_type], e.opp_hit_w[other_type],
                e.opp_hit_h[other_type]};
    }
    return {x + e.hit_dx, y + e.hit_dy, e.hit_w, e.hit_h};
}

bool overlap(const box& a, const box& b, double shift_x, double shift_y) {
    return boxes_overlap(a.x + shift_x, a.y + shift_y, a.w, a.h, b.x, b.y, b.w, b.h);
}

struct nearest_copy {
    double dx, dy;
    int i, j;
};

nearest_copy find_nearest_copy(const entity& a, const entity& b) {
    nearest_copy kept = {9999.0, 9999.0, 0, 0};
    const int reach_x = stage_info.horizontal_wrap ? 1 : 0;
    const int reach_y = stage_info.vertical_wrap ? 1 : 0;
    const double b_cx = b.x + b.hit_dx, b_cy = b.y + b.hit_dy;
    for (int i = -reach_x; i <= reach_x; ++i) {
        for (int j = -reach_y; j <= reach_y; ++j) {
            const double a_cx = a.x + a.hit_dx + i * static_cast<double>(stage_info.width);
            const double a_cy = a.y + a.hit_dy + j * static_cast<double>(stage_info.height);
            double dx, dy;
            overlap_extent(a_cx - a.hit_w / 2, a_cy - a.hit_h / 2, a_cx + a.hit_w / 2,
                           a_cy + a.hit_h / 2, b_cx - b.hit_w / 2, b_cy - b.hit_h / 2,
                           b_cx + b.hit_w / 2, b_cy + b.hit_h / 2, &dx, &dy);
            if (dx <= kept.dx && dy <= kept.dy) kept = {dx, dy, i, j};
        }
    }
    return kept;
}

}  // namespace

bool boxes_overlap(double x1, double y1, double w1, double h1, double x2, double y2, double w2,
                   double h2) {
    return x2 + w2 / 2 >= x1 - w1 / 2 && y1 - h1 / 2 <= y2 + h2 / 2 && x1 + w1 / 2 >= x2 - w2 / 2 &&
           y2 - h2 / 2 <= y1 + h1 / 2;
}

bool entities_overlap(const entity& a, const entity& b) {
    double ax, ay, bx, by;
    wrapped_position(a, &ax, &ay);
    wrapped_position(b, &bx, &by);
    const box ba = contact_box(a, ax, ay, b.type_code);
    const box bb = contact_box(b, bx, by, a.type_code);
    if (overlap(ba, bb, 0, 0)) return true;
    if ((a.flags | b.flags) & flag_no_wrap) return false;
    const bool wrap_x = stage_info.horizontal_wrap, wrap_y = stage_info.vertical_wrap;
    // a's copy across the seams towards b, comparing positions before the offsets.
    const double sx = ax < bx ? stage_info.width : -static_cast<double>(stage_info.width);
    const double sy = ay < by ? stage_info.height : -static_cast<double>(stage_info.height);
    if (wrap_x && overlap(ba, bb, sx, 0)) return true;
    if (wrap_y && overlap(ba, bb, 0, sy)) return true;
    return wrap_x && wrap_y && overlap(ba, bb, sx, sy);
}

void overlap_extent(double left1, double top1, double right1, double bottom1, double left2,
                    double top2, double right2, double bottom2, double* dx, double* dy) {
    double xs[4] = {left1, right1, left2, right2};
    double ys[4] = {top1, bottom1, top2, bottom2};
    std::sort(xs, xs + 4);
    std::sort(ys, ys + 4);
    *dx = xs[2] - xs[1];
    *dy = ys[2] - ys[1];
}

void wrapped_overlap_extent(const entity& a, const entity& b, double* dx, double* dy) {
    const nearest_copy n = find_nearest_copy(a, b);
    *dx = n.dx;
    *dy = n.dy;
}

void nearest_wrap_copy(const entity& a, const entity& b, int* i, int* j) {
    const nearest_copy n = find_nearest_copy(a, b);
    *i = n.i;
    *j = n.j;
}
