// The graphic draws the engine's own code uses besides those of DuRud.h.
#pragma once

#include "DuRud.h"

namespace DuRud {

// DrawGraphicStretched (DuRud.h) at float corners; reversed corners mirror.
int DrawGraphicStretchedF(float x1, float y1, float x2, float y2, Handle handle, int trans);
// Mirrored left-right with its top-left at (x, y).
int DrawGraphicTurned(int x, int y, Handle handle, int trans);

}  // namespace DuRud
