#include "shell/present.h"

#include "DuRud.h"
#include "shell/settings.h"
#include "world/world_globals.h"

constinit double active_screen_scale = 1.0;

void present(bool always_stretched) {
    constexpr int back_buffer = -2;
    DuRud::SelectDrawTarget(back_buffer);
    DuRud::SetBlendMode(0, 0);
    DuRud::SetSamplingMode(sampling_mode);
    const double s = active_screen_scale;
    if (s == 1.0 && !always_stretched) {
        DuRud::DrawGraphicAt(0, 0, offscreen, 0);
    } else {
        // The stretch's corner is exclusive: the whole window, so that 2.0 is
        // a clean doubling and no last row or column stays black.
        DuRud::DrawGraphicStretched(0, 0, static_cast<int>(800 * s), static_cast<int>(600 * s),
                                    offscreen, 0);
    }
    DuRud::SetSamplingMode(0);
    DuRud::FlipScreen();
}
