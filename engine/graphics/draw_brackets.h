// The brackets around one draw: the mask's copy and compose, and the
// inversions of the subtract emulation. Their rectangle is only worked out
// when one of them is in use, so an unbracketed draw costs two tests.
#pragma once

#include <windows.h>

#include "graphics/masked_draw.h"
#include "graphics/subtract_emulation.h"

namespace DuRud {

// Runs the worker (the Direct3D one whenever direct3D is set) inside the
// brackets in use; rectangle() gives the draw's rectangle. The worker's
// result.
template <class Rectangle, class Worker>
int DrawInBrackets(int direct3D, Rectangle rectangle, Worker worker) {
    const bool emulate = IsSubtractEmulated(direct3D) != 0;
    const bool masked = IsMaskInUse() != 0;
    if (!emulate && !masked) return worker();
    const RECT r = rectangle();
    if (masked) BeginMaskedDraw(r.left, r.top, r.right, r.bottom);
    if (emulate) BeginSubtractEmulation(r.left, r.top, r.right, r.bottom);
    const int result = worker();
    if (emulate) EndSubtractEmulation(r.left, r.top, r.right, r.bottom);
    if (masked) EndMaskedDraw(r.left, r.top, r.right, r.bottom);
    return result;
}

// Two corners ordered, smaller coordinate first on each axis.
inline RECT OrderedRect(int x1, int y1, int x2, int y2) {
    return {x1 < x2 ? x1 : x2, y1 < y2 ? y1 : y2, x1 < x2 ? x2 : x1, y1 < y2 ? y2 : y1};
}

}  // namespace DuRud
