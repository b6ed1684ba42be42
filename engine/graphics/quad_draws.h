// A graphic mapped onto a free quadrilateral: the public call with its
// checks and brackets, the Direct3D worker that maps each piece of the
// graphic into the quad, and the quad of one piece.
#pragma once

#include "DuRud.h"
#include "graphics/graphic_handles.h"

namespace DuRud {

// The graphic's top-left, top-right, bottom-right and bottom-left corners
// land on the four points in that order (as given: no half-pixel offset).
int DrawGraphicQuadF(float x1, float y1, float x2, float y2, float x3, float y3, float x4, float y4,
                     Handle handle, int trans);
// The same with the workers' affine-only flag (0 for DrawGraphicQuadF).
int DrawGraphicQuadCore(Handle handle, float x1, float y1, float x2, float y2, float x3, float y3,
                        float x4, float y4, int trans, int affineOnly);

// Corners {x, y} x 4 in the order top-left, top-right, bottom-left,
// bottom-right. -1 without a device.
int DrawGraphicQuadHw(const float* corners, const GraphicRecord* graphic,
                      const GraphicRecord* blend, int trans, int affineOnly);
// One piece on its own quad: a parallelogram (or affineOnly) as one quad in
// the batch, any other shape as a 7 x 7 cell grid drawn at once.
void DrawPieceQuadHw(const TileDrawPiece& piece, const float* corners, int affineOnly);

}  // namespace DuRud
