// Primitive rasterisation: triangles by the top-left rule, lines by the
// diamond rule, one-pixel points; each hands covered spans to the span
// functions chosen for the draw.
#pragma once

#include "draw_setup.h"
#include "span_shading.h"
#include "vertex_fetch.h"

namespace platform::raster {

struct DrawContext {
    const DrawSetup* setup = nullptr;
    SpanChoice spans;
};

// `a`, `b`, `c` in winding order; `flat` gives the colours in flat shading.
void DrawTriangle(const DrawContext& ctx, const RasterVertex& a, const RasterVertex& b,
                  const RasterVertex& c, const RasterVertex& flat);

// Two triangles of a list, `first` then `second` (each three vertices, the
// first of them the flat colour), drawn as one where their spans meet in a
// row and everything the spans read is the same: a quad's two halves.
void DrawTrianglePair(const DrawContext& ctx, const RasterVertex* first,
                      const RasterVertex* second);

// A line from `a` to `b`; `drawLast` draws the pixel holding `b`.
void DrawLine(const DrawContext& ctx, const RasterVertex& a, const RasterVertex& b,
              const RasterVertex& flat, bool drawLast);

void DrawPoint(const DrawContext& ctx, const RasterVertex& v);

// Fills the attribute planes of a primitive from three screen positions
// (px, py) and their vertices; false when the positions are collinear.
bool SetupAttributes(const DrawSetup& ds, const double px[3], const double py[3],
                     const RasterVertex* v[3], const RasterVertex& flat, TriangleSetup& tri);

}  // namespace platform::raster
