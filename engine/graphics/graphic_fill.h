// Filling a whole graphic with one colour, whatever the draw settings say:
// blend mode, brightness and draw area belong to draws, not to fills.
#pragma once

#include "DuRud.h"

namespace DuRud {

// Channels are clamped to 0..255; alpha reaches graphics that keep it. A
// graphic still loading is accepted only with async set (a loader thread,
// whose device work runs on the main thread). 0, or -1 for a bad handle,
// without a device, or when the device or the transfer refuses the fill.
int FillGraphic(Handle graphic, int red, int green, int blue, int alpha, int async);

}  // namespace DuRud
