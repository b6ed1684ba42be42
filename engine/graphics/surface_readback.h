// Reading pixels back: a locked view of one tile of a graphic or of the back
// buffer, and a graphic (or the back buffer) copied into an A8R8G8B8 image.
#pragma once

#include <windows.h>

#include "DuRud.h"
#include "image/image_record.h"

namespace DuRud {

// Graphic numbers that name the screen: -2 the back buffer; -1 (the current
// draw target) and -4 read the back buffer too.
constexpr Handle kBackBufferGraphic = -2;

// Locks rect (inside the tile's surface, or the back buffer; null: all of
// it) of tile `tile` of the graphic and describes its pixels in *view (which
// borrows them). One lock at a time. 0 or -1.
int LockGraphicSurface(const RECT* rect, BaseImage* view, Handle graphic, int readOnly, int tile);
int UnlockGraphicSurface();  // 0
// A new A8R8G8B8 image of rect (null: the whole graphic, or the draw size
// for the back buffer) in *out, which the caller frees. 0 or -1.
int ReadGraphicToBaseImage(Handle graphic, BaseImage* out, const RECT* rect);

}  // namespace DuRud
