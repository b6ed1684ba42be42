// The mask's hooks around every draw: the outermost one copies the draw's
// rectangle of the real target into the work surface, and its close
// composes the rectangle back through the mask.
#pragma once

#include <d3d9.h>

namespace DuRud {

int IsMaskInUse();  // 1 while drawing passes through the mask (the active flag)
// Around one draw of the rectangle (right and bottom exclusive). 0.
int BeginMaskedDraw(int left, int top, int right, int bottom);
int EndMaskedDraw(int left, int top, int right, int bottom);
int MaskedDrawNesting();  // brackets opened and not yet closed
// The surface drawing lands on: the mask's work surface while masking is
// active, else the draw target's. Null without one.
IDirect3DSurface9* CurrentDrawingSurface();

}  // namespace DuRud
