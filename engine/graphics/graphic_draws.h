// The graphic draws the engine's own code uses besides those of DuRud.h.
#pragma once

#include "DuRud.h"

namespace DuRud {

struct GraphicRecord;

// What the common checks of a graphic draw found.
struct CheckedDraw {
    const GraphicRecord* graphic;
    const GraphicRecord* blend;  // null: none set
    int direct3D;                // the graphic lives in textures
};
// The checks every graphic draw makes: draw area, handle, blend graphic,
// inactive window, movie frame. 1 when the draw goes ahead, 0 when it draws
// nothing successfully (empty draw area, tested before the handle), -1 for a
// bad handle or a blend graphic that is invalid or smaller than the graphic.
int CheckGraphicDraw(Handle handle, CheckedDraw* out);

// DrawGraphicStretched (DuRud.h) at float corners; reversed corners mirror.
int DrawGraphicStretchedF(float x1, float y1, float x2, float y2, Handle handle, int trans);
// The srcWidth x srcHeight piece from (srcX, srcY) stretched onto the float
// rectangle; -1 for a piece below one pixel or a bad handle.
int DrawGraphicPartStretchedF(float x1, float y1, float x2, float y2, int srcX, int srcY,
                              int srcWidth, int srcHeight, Handle handle, int trans);
// Mirrored left-right with its top-left at (x, y).
int DrawGraphicTurned(int x, int y, Handle handle, int trans);

}  // namespace DuRud
