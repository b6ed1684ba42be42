// The Direct3D draw workers: each piece (texture tile) of a graphic becomes
// one quad of six vertices in the vertex batch (top-left, top-right,
// bottom-left, bottom-right, bottom-left, top-right); the device is only
// called when the batch must be drawn.
#pragma once

#include <cstdint>

#include "graphics/graphic_handles.h"

namespace DuRud {

// The graphic's top-left at (x, y): the integer position decides the clip
// tests, the float one the vertices; integerPlacement is draw flag bit 1.
// With a blend graphic its pieces are the second texture. 0 (also when the
// graphic lies outside the draw area), -1 without a device.
int DrawGraphicHw(const GraphicRecord* blend, int x, int y, float fx, float fy,
                  const GraphicRecord* graphic, int trans, int integerPlacement);

// The graphic stretched so that its top-left lands on (x1, y1) and its
// bottom-right on (fx2, fy2) (x2, y2 as integers for the clip tests); a
// corner pair in reverse order mirrors it. -1 without a device or for a
// zero width or height.
int DrawGraphicStretchedHw(int x1, int y1, int x2, int y2, float fx2, float fy2,
                           const GraphicRecord* blend, const GraphicRecord* graphic, int trans,
                           int integerPlacement);

// The graphic centred on (x, y) (fx, fy as floats), scaled and turned by
// the angle (radians); turn mirrors it first. No clipping: the device clips.
// -1 without a device or for scale 0.
int DrawGraphicRotatedHw(int x, int y, float fx, float fy, double scale, double angle,
                         const GraphicRecord* blend, const GraphicRecord* graphic, uint32_t flags,
                         int turn, int exactPlacement);

// The graphic on the quad of whole-pixel corners {x, y} x 4 (top-left,
// top-right, bottom-left, bottom-right) with its blend graphic: an
// axis-aligned rectangle is a stretched draw, and without a blend graphic
// the quad worker draws. -1 without a device.
int DrawGraphicQuadBlendHw(const int* corners, const GraphicRecord* blend,
                           const GraphicRecord* graphic, int trans);

// The draw flags every worker derives from the graphic's image.
uint32_t GraphicImageDrawFlags(const GraphicRecord& graphic);
// False while a tile has no texture (released with a lost device until the
// restore): the workers then draw nothing, since the batch slot they would
// choose is not the one their vertices are written for.
bool GraphicHasTextures(const GraphicRecord& graphic);

}  // namespace DuRud
