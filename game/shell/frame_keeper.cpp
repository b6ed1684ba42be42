// The frame keeper. The millisecond clock counts 31 bits and wraps every
// 24.8 days, so differences are taken modulo 2^31 and the wait never leaves
// 0..frame time: a wrap costs at most one short frame, never a freeze.
#include "shell/frame_keeper.h"

#include "DuRud.h"

int32_t clock_difference(int32_t later, int32_t earlier) {
    return static_cast<int32_t>((static_cast<uint32_t>(later) - static_cast<uint32_t>(earlier)) &
                                0x7FFFFFFFu);
}

frame_keeper* frame_keeper_init(frame_keeper* k, float fps) {
    *k = frame_keeper{};
    k->frame_time = static_cast<int32_t>(1000.0 / fps);
    k->window_length = 800;
    DuRud::SetDefaultFontSize(9);
    k->text_color = DuRud::MakeColorValue(255, 255, 255);
    return k;
}

float keep_frame(frame_keeper* k) {
    k->frame_count += 1.0f;
    const int32_t elapsed = clock_difference(k->last_stamp, k->window_start);
    if (elapsed > k->window_length) {
        k->fps = static_cast<float>(k->frame_count / elapsed * 1000.0);
        k->window_start = k->last_stamp;
        k->frame_count = 0;
    }
    k->now_stamp = DuRud::GetMillisecondCounter();
    k->wait = 0;
    if (k->now_stamp != -1) {  // -1: no timer, so no pacing
        const int32_t spent = clock_difference(k->now_stamp, k->last_stamp);
        if (spent < k->frame_time) k->wait = k->frame_time - spent;
    }
    if (k->wait > 0) DuRud::WaitMilliseconds(static_cast<uint32_t>(k->wait));
    k->last_stamp = DuRud::GetMillisecondCounter();
    DuRud::DrawFormattedText(k->text_x, k->text_y, k->text_color, "fps:%0.1f",
                             static_cast<double>(k->fps));
    return k->fps;
}
