// Subtract emulation (see subtract_emulation.h).
#include "graphics/subtract_emulation.h"

#include "DuRud.h"
#include "graphics/box_shapes.h"
#include "graphics/device_setup.h"
#include "graphics/draw_settings.h"

namespace DuRud {
namespace {

constexpr int kSubtractMode = 3, kAddMode = 5;

// Inverts the rectangle (white in mode 3 at full strength), then leaves the
// brightness as it was and the blend mode as `mode` with the caller's
// parameter. The box goes to the worker: the public box draw would bracket
// itself again.
void InvertThenSet(int left, int top, int right, int bottom, int mode) {
    DrawSettings& d = GetDrawSettings();
    const int red = d.brightRed, green = d.brightGreen, blue = d.brightBlue;
    const int parameter = d.blendParameter;
    SetBrightness(255, 255, 255);
    SetBlendMode(kSubtractMode, 255);
    DrawFilledBoxHw(left, top, right, bottom, MakeColorValue(255, 255, 255));
    SetBrightness(red, green, blue);
    SetBlendMode(mode, parameter);
}

}  // namespace

int IsSubtractEmulated(int direct3D) {
    return direct3D && GetDrawSettings().blendMode == kSubtractMode &&
           !GetDeviceResources().caps.blendOperation;
}

void BeginSubtractEmulation(int left, int top, int right, int bottom) {
    InvertThenSet(left, top, right, bottom, kAddMode);
}

void EndSubtractEmulation(int left, int top, int right, int bottom) {
    InvertThenSet(left, top, right, bottom, kSubtractMode);
}

}  // namespace DuRud
