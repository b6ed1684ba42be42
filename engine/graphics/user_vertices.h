// Drawing vertices the caller built (screen-space, one texture set): the
// public call with its colour pre-pass, checks and brackets, and the
// Direct3D worker.
#pragma once

#include <d3d9.h>

#include "DuRud.h"
#include "graphics/graphic_handles.h"
#include "graphics/vertex_batch.h"

namespace DuRud {

constexpr Handle kNoGraphic = -5;

// count vertices as primitives of the Direct3D type, textured by the
// graphic (kNoGraphic: untextured). The caller's array is never written.
// 0; -1 for a bad handle, a count below 1 or past one device draw, or
// without a device. The software renderer draws nothing (0).
int DrawGraphicPrimitive2D(const Vertex2DTex* vertices, int count, int primitiveType, Handle handle,
                           int trans);

// mode 1 gives each whole group of six vertices the piece's corner
// coordinates (mirrored with mirror) in a copy; other modes draw the
// vertices' own. state3D adds the 3D draw states. -1 without a device.
int DrawUserVerticesHw(D3DPRIMITIVETYPE type, int count, const Vertex2DTex* vertices, int trans,
                       int mode, int mirror, const GraphicRecord* graphic, int pieceIndex,
                       int state3D);

}  // namespace DuRud
