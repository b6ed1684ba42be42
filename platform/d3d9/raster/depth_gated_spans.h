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

}  // namespace platform::raster
