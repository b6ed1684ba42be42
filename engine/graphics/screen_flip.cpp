// The end of every frame: the on-screen log drawn over the picture under
// neutral settings, then the present.
#include "core/engine_lifecycle.h"
#include "graphics/device_layer.h"
#include "graphics/draw_settings.h"
#include "graphics/graphics_startup.h"
#include "window/on_screen_log.h"

namespace DuRud {

int FlipScreenCore(const RECT* rect) {
    DrawSettings& d = GetDrawSettings();
    if (d.overlayDrawing) return 0;  // a flip from inside the overlay
    d.flipInProgress = 1;
    if (!GetEngineFlags().initialised || GetEndRequestFlag()) {
        d.flipInProgress = 0;
        return -1;
    }
    if (GetOnScreenLogFlag()) {
        const int area[4] = {d.rawArea[0], d.rawArea[1], d.rawArea[2], d.rawArea[3]};
        const int mode = d.blendMode, parameter = d.blendParameter;
        const int red = d.brightRed, green = d.brightGreen, blue = d.brightBlue;
        int width = 0, height = 0;
        QueryDrawSize(&width, &height);
        SetDrawClip(0, 0, width, height);
        SetBlendMode(0, 0);
        SetBrightness(255, 255, 255);
        d.overlayDrawing = 1;
        DrawOnScreenLog();
        d.overlayDrawing = 0;
        SetDrawClip(area[0], area[1], area[2], area[3]);
        SetBlendMode(mode, parameter);
        SetBrightness(red, green, blue);
    }
    PresentScreen(rect);
    d.flipInProgress = 0;
    return 0;
}

int FlipScreen() {
    return FlipScreenCore(nullptr);
}

}  // namespace DuRud
