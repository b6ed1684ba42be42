// Triangle set-up (fixed point, sorts, gradients, edges) and the scanline
// walk that hands every clipped span to a line drawer.
#pragma once

#include <cstdint>

#include "soft/memimg_renderer.h"
#include "soft/textured_call.h"

namespace DuRud {

struct EdgeSlot {
    int64_t startX = 0;  // 14.18
    int64_t step = 0;    // 14.18 per line
    int32_t lines = 0;
    int32_t startRow = 0;  // left slots only
};

struct TriangleSetup {
    EdgeSlot left[2];
    EdgeSlot right[2];
    int leftFirst = 1;  // slot each side starts with
    int rightFirst = 1;
    // Texture equation, anchored on the first vertex of the X order.
    int32_t xa = 0, ya = 0;
    uint32_t ua = 0, va = 0;
    uint32_t dudx = 0, dudy = 0, dvdx = 0, dvdy = 0;
};

// 1 and *out filled for a drawable triangle; 0 for one outside the supported
// coordinate range, with collinear or coinciding vertices, or a zero height.
int SetUpTriangle(const MemImgVertex* vertices, TriangleSetup* out);

// Calls line(context, y, start, count) for every row of the triangle inside
// the area, with its span clipped to the area (count >= 1).
using TriangleLine = void (*)(void* context, int32_t y, int32_t start, int32_t count);
void WalkTriangle(const TriangleSetup& setup, const DrawArea& area, TriangleLine line,
                  void* context);

}  // namespace DuRud
