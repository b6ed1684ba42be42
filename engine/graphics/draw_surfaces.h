// The draw surfaces: clearing the draw target to the background colour and
// moving screen drawing onto the sub back buffer.
#pragma once

#include <d3d9.h>
#include <windows.h>

#include "DuRud.h"

namespace DuRud {

// -2 (back buffer), -4 (front screen) and -3, -5 all draw to the screen.
inline bool IsScreenTarget(Handle target) {
    return target == -2 || target == -3 || target == -4 || target == -5;
}
// The surface drawing to a target lands on: a live graphic's first tile, or
// for the screen the sub back buffer when one is used, else the back buffer.
// Null without one.
IDirect3DSurface9* DrawTargetSurface(Handle target);

// Clears the rectangle (null, or a negative left or top: all) of the current
// draw target, clipped to the target's size, and its depth buffer. 0.
int ClearDrawTarget(const RECT* rect);
// Makes the sub back buffer (a copy of the back buffer) what screen drawing
// goes to. 0, or -1 when it cannot be made.
int MoveDrawingToSubBackBuffer();

}  // namespace DuRud
