// The software renderer as graphics and fonts call it: whole-image,
// stretched and rotated blits, triangles, rectangle fills and line lists onto
// a destination MEMIMG, under MemImgDrawState and the blend tables
// (image/memimg.h). None returns a result.
#pragma once

#include <windows.h>

#include <cstdint>

#include "image/memimg.h"

namespace DuRud {

// One triangle corner: destination pixel (x, y) and source texel (u, v).
struct MemImgVertex {
    int32_t x;
    int32_t y;
    int32_t u;
    int32_t v;
};

// One line of a line list; the second end point is not drawn.
struct MemImgLineRecord {
    int32_t x1;
    int32_t y1;
    int32_t x2;
    int32_t y2;
    uint32_t colour;  // raw pixel value of the destination's colour type
    int32_t spare;    // never read
};

static_assert(sizeof(MemImgVertex) == 16 && sizeof(MemImgLineRecord) == 24);

// Draws the whole source with its top-left corner at (x, y).
void MemImgBlit(MEMIMG* dest, const MEMIMG* src, int x, int y, int trans, const MEMIMG* blend);

// Draws the whole source scaled into destRect; corners in reverse order on
// an axis mirror it.
void MemImgBlitStretch(MEMIMG* dest, const MEMIMG* src, const RECT* destRect, int trans,
                       const MEMIMG* blend);

// Draws the whole source turned by angle (radians, clockwise on screen) and
// scaled by scale about (centreX, centreY). Angle comes before scale.
void MemImgBlitRotate(MEMIMG* dest, const MEMIMG* src, int centreX, int centreY, float angle,
                      float scale, int trans, int turn, const MEMIMG* blend);

// Textured (src given) or flat (src null: colour) triangle over three vertices.
void MemImgTriangle(MEMIMG* dest, const MEMIMG* src, const MemImgVertex* vertices, int trans,
                    const MEMIMG* blend, uint32_t colour);

// Maps the whole source onto four corners {x0, y0, ..., x3, y3} given as the
// picture's top-left, top-right, bottom-left and bottom-right, as two
// triangles.
void MemImgQuad(MEMIMG* dest, const MEMIMG* src, const int32_t* corners, int trans,
                const MEMIMG* blend);

// Fills rect (null: the whole image) with colour under the blend mode.
void MemImgFillRect(MEMIMG* dest, const RECT* rect, uint32_t colour);

// Draws one line from (x1, y1) up to but not including (x2, y2).
void MemImgLine(MEMIMG* dest, int x1, int y1, int x2, int y2, uint32_t colour);

// Draws count lines in array order.
void MemImgLineList(MEMIMG* dest, const MemImgLineRecord* lines, int count);

}  // namespace DuRud
