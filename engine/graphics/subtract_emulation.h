// Subtractive blending on a device without blend operations: the rectangle
// is inverted, the draw adds, and the rectangle is inverted again, which
// leaves destination - source x alpha.
#pragma once

namespace DuRud {

// 1 when a draw in blend mode 3 must be emulated: it goes to the device
// (direct3D) and the device cannot subtract.
int IsSubtractEmulated(int direct3D);
// Around the draw, with the same rectangle (right and bottom exclusive).
void BeginSubtractEmulation(int left, int top, int right, int bottom);
void EndSubtractEmulation(int left, int top, int right, int bottom);

}  // namespace DuRud
