// The layered draw queue: each frame the world pushes its sprites here and the
// stage frame flushes them by layer ranges, so backgrounds, blocks, items,
// characters, shots and texts stack in a fixed order whatever the pool order.
#pragma once

#include <cstdint>

struct draw_request {
    uint8_t used = 0;
    double x = 0, y = 0;
    int32_t sprite = -1;  // -1 draws nothing
    double angle = 0;     // degrees
    double scale = 1.0;
    uint8_t glow = 0;
    uint8_t layer = 255;  // lower layers draw first; 255 may be given up
    uint8_t screen_fixed = 0;
    uint8_t wrapped = 0;
    uint8_t has_blend = 0;
    int32_t blend_mode = 0, blend_param = 255;
    int32_t red = 255, green = 255, blue = 255;
};
inline constexpr int draw_queue_size = 4096;
extern draw_request draw_queue[draw_queue_size];

// Empties the queue (the start of every frame).
void clear_draw_queue();

// Pushes a request with blend off and neutral brightness.
void queue_sprite(int sprite, int layer, int glow, double x, double y, double angle, double scale,
                  int screen_fixed, int wrapped);
// Pushes a request with its own blend and brightness.
void queue_sprite_ex(int sprite, int layer, int screen_fixed, int wrapped, int blend_mode,
                     int blend_param, int red, int green, int blue, double x, double y,
                     double angle, double scale);

// Draws the requests of layers lo..hi in layer and push order, each also at
// the k x k wrap copies (step_x, step_y apart) when it wraps.
void flush_draw_queue(int lo, int hi, int k, double offset_x, double offset_y, double step_x,
                      double step_y, double camera_x, double camera_y);

int compare_draw_layer(const draw_request& a, const draw_request& b);
