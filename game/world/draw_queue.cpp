// The layered draw queue. Pushes keep a lowest-free hint and a push-order
// list, and the flush sorts by a counting sort over that list, so entries of
// one layer draw in push order every frame (no flicker) and nothing is
// allocated.
#include "world/draw_queue.h"

#include <algorithm>
#include <cstring>

#include "DuRud.h"
#include "world/sprites.h"
#include "world/world_globals.h"

constinit draw_request draw_queue[draw_queue_size];

namespace {

struct queue_order {
    int first_free = 0;  // every entry below it is used
    int pushed = 0;      // used entries, in push_order
    uint16_t push_order[draw_queue_size] = {};
    uint16_t sorted[draw_queue_size] = {};
};
constinit queue_order order;

// The entry a new request goes into, giving up the lowest-indexed layer-255
// entry when the queue is full; -1 when nothing can be given up.
int take_entry() {
    if (order.pushed == draw_queue_size) {
        int evict = -1;
        for (int i = 0; i < draw_queue_size && evict < 0; ++i) {
            if (draw_queue[i].layer == 255) evict = i;
        }
        if (evict < 0) return -1;
        draw_queue[evict].used = 0;
        uint16_t* end = order.push_order + order.pushed;
        std::remove(order.push_order, end, static_cast<uint16_t>(evict));
        --order.pushed;
        order.first_free = std::min(order.first_free, evict);
    }
    int i = order.first_free;
    while (draw_queue[i].used) ++i;
    order.first_free = i + 1;
    order.push_order[order.pushed++] = static_cast<uint16_t>(i);
    return i;
}

void push(const draw_request& r) {
    const int i = take_entry();
    if (i < 0) return;
    draw_queue[i] = r;
    draw_queue[i].used = 1;
}

}  // namespace

void clear_draw_queue() {
    for (draw_request& r : draw_queue) r.used = 0;
    order.first_free = 0;
    order.pushed = 0;
}

namespace {

draw_request request(int sprite, int layer, int screen_fixed, int wrapped, double x, double y,
                     double angle, double scale) {
    draw_request r;
    r.x = x;
    r.y = y;
    r.sprite = sprite;
    r.angle = angle;
    r.scale = scale;
    r.layer = static_cast<uint8_t>(std::clamp(layer, 0, 255));
    r.screen_fixed = screen_fixed ? 1 : 0;
    r.wrapped = wrapped ? 1 : 0;
    return r;
}

}  // namespace

void queue_sprite(int sprite, int layer, int glow, double x, double y, double angle, double scale,
                  int screen_fixed, int wrapped) {
    draw_request r = request(sprite, layer, screen_fixed, wrapped, x, y, angle, scale);
    r.glow = glow ? 1 : 0;
    push(r);
}

void queue_sprite_ex(int sprite, int layer, int screen_fixed, int wrapped, int blend_mode,
                     int blend_param, int red, int green, int blue, double x, double y,
                     double angle, double scale) {
    draw_request r = request(sprite, layer, screen_fixed, wrapped, x, y, angle, scale);
    r.has_blend = 1;
    r.blend_mode = blend_mode;
    r.blend_param = blend_param;
    r.red = red;
    r.green = green;
    r.blue = blue;
    push(r);
}

int compare_draw_layer(const draw_request& a, const draw_request& b) {
    return a.layer - b.layer;
}

namespace {

void draw_copy(const draw_request& r, double x, double y) {
    if (r.glow) {
        DuRud::SetBrightness(r.red, r.green, r.blue);
        draw_sprite_glow(r.sprite, x, y, r.angle, r.scale);
        return;
    }
    DuRud::SetBlendMode(r.blend_mode, r.blend_param);
    DuRud::SetBrightness(r.red, r.green, r.blue);
    if (r.sprite >= 0) draw_sprite(r.sprite, x, y, r.angle, r.scale);
}

void draw_request_copies(const draw_request& r, int k, double ox, double oy, double sx, double sy,
                         double cx, double cy) {
    double x = r.x, y = r.y;
    if (!r.screen_fixed) {
        x = x - cx + ox;
        y = y - cy + oy;
    }
    x += screen_shake.offset_x;
    y += screen_shake.offset_y;
    const bool copies = !r.screen_fixed && r.wrapped;
    for (int i = -k; i <= k; ++i) {
        for (int j = -k; j <= k; ++j) {
            if ((i != 0 || j != 0) && !copies) continue;
            draw_copy(r, x + i * sx, y + j * sy);
        }
    }
}

}  // namespace

void flush_draw_queue(int lo, int hi, int k, double offset_x, double offset_y, double step_x,
                      double step_y, double camera_x, double camera_y) {
    // Free entries sort last.
    for (draw_request& r : draw_queue) {
        if (!r.used) r.layer = 255;
    }
    // Stable counting sort of the used entries by layer, in push order.
    int start[257] = {};
    for (int n = 0; n < order.pushed; ++n) ++start[draw_queue[order.push_order[n]].layer + 1];
    for (int l = 0; l < 256; ++l) start[l + 1] += start[l];
    int next[256];
    std::memcpy(next, start, sizeof(next));
    for (int n = 0; n < order.pushed; ++n) {
        const uint16_t i = order.push_order[n];
        order.sorted[next[draw_queue[i].layer]++] = i;
    }
    const int first = start[std::clamp(lo, 0, 256)];
    const int last = start[std::clamp(hi + 1, 0, 256)];
    for (int n = first; n < last; ++n) {
        const draw_request& r = draw_queue[order.sorted[n]];
        if (r.sprite == -1) continue;
        draw_request_copies(r, k, offset_x, offset_y, step_x, step_y, camera_x, camera_y);
    }
    DuRud::SetBlendMode(0, 0);
    DuRud::SetBrightness(255, 255, 255);
}
