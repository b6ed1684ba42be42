// Paces the main loop to a fixed frame time on the engine's millisecond
// clock and shows the frame rate measured over windows of about 800 ms.
#pragma once

#include <cstdint>

struct frame_keeper {
    int32_t frame_time;  // ms per frame, truncated (16 at 60 per second)
    int32_t wait;        // the last call's wait, 0..frame_time
    int32_t last_stamp;  // clock at the end of the last wait
    int32_t now_stamp;   // clock before the last wait
    float frame_count;   // frames in the current measuring window
    float fps;           // the last measured rate, 0 until a window closes
    int32_t window_length;
    int32_t window_start;
    int32_t text_x, text_y;
    uint32_t text_color;
};

// (later - earlier) on the engine's millisecond clock, which counts 31 bits
// and wraps: modulo 2^31, so a wrap never jumps a difference.
int32_t clock_difference(int32_t later, int32_t earlier);

frame_keeper* frame_keeper_init(frame_keeper* keeper, float fps);
// Waits out the rest of the frame, then draws "fps:%0.1f" on the current
// draw target. Returns the measured rate.
float keep_frame(frame_keeper* keeper);
