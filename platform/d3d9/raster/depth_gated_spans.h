// Depth-tested spans of one depth: the depth test decided for the whole span
// before any pixel, so that the depth-free specialised span can draw it.
#pragma once

#include "span_shading.h"

namespace platform::raster {

// Draws a span of a triangle whose depth is the same at every pixel of a row
// (tri.z.dx == 0) with tri.depthFree when that gives the generic path's
// bytes: every stored depth passes the test, and the depth write changes
// nothing or reaches every pixel (no alpha test), in which case the depths
// are written here. Any other span goes to tri.fallback.
void DepthGatedSpan(const DrawSetup& ds, const TriangleSetup& tri, int y, int x0, int x1);

// Before a span covers pixels x0 .. x1 - 1 of row y on a target that may hold
// rows back: `drawn` when every one of them is drawn (no depth test left, no
// kernel that may discard).
inline void SettleHeldRows(const DrawSetup& ds, int y, int x0, int x1, bool drawn) {
    if (ds.target.held && ds.target.held->Any())
        ds.target.held->BeforeSpan(ds.target, y, x0, x1, drawn && ds.overwrites);
}

// Shades a span on a target that may hold rows back. A depth-gated span
// settles the test per span and the held rows with it; its whole-span
// passes run the specialised span, never a kernel.
inline void ShadeOverHeld(const DrawSetup& ds, SpanFunction span, const TriangleSetup& tri, int y,
                          int x0, int x1) {
    // A specialised span of a draw that settles in the span does it itself.
    const bool settlesItself =
        ds.settlesInSpan && span != &ShadeSpan<GenericSpanState> && span != &ShadeKernelSpan;
    if (span != &DepthGatedSpan && !settlesItself)
        SettleHeldRows(ds, y, x0, x1, !ds.depthTest && span != &ShadeKernelSpan);
    span(ds, tri, y, x0, x1);
}

}  // namespace platform::raster
