// The graphic draws the engine's own code uses besides those of DuRud.h.
#pragma once

#include "DuRud.h"

namespace DuRud {

// Top-left on (x1, y1), bottom-right on (x2, y2); reversed corners mirror.
int DrawGraphicStretched(int x1, int y1, int x2, int y2, Handle handle, int trans);
int DrawGraphicStretchedF(float x1, float y1, float x2, float y2, Handle handle, int trans);
// Mirrored left-right with its top-left at (x, y).
int DrawGraphicTurned(int x, int y, Handle handle, int trans);

}  // namespace DuRud
