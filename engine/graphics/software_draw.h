// The software draw path: without Direct3D the screen is a MEMIMG in memory
// and each graphic draw is one call of the software renderer onto the
// current software draw target.
#pragma once

#include <cstdint>

#include <windows.h>

#include "DuRud.h"
#include "image/memimg.h"

namespace DuRud {

// Makes the primary image (cleared to the background colour) and the two
// work bodies of the screen size; failure ends the program.
int CreateSoftwarePrimary();
int ReleaseSoftwarePrimary();
MEMIMG* SoftwarePrimary();  // null before it exists
MEMIMG* SoftwareWorkImage(int withAlpha);
MEMIMG* SoftwareDrawTarget();
int SetSoftwareDrawTarget(MEMIMG* target);  // null: the primary image

// The wrappers; each returns 0.
int SoftDrawGraphic(int x, int y, int trans, Handle graphic);
int SoftDrawGraphicStretched(int x1, int y1, int x2, int y2, Handle graphic, int trans);
int SoftDrawGraphicRotated(float centreX, float centreY, float scale, float angle, Handle graphic,
                           int trans, int turn);
// Corners top-left, top-right, bottom-left, bottom-right.
int SoftDrawGraphicFree(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4,
                        Handle graphic, int trans);
int SoftDrawGraphicFreeF(float x1, float y1, float x2, float y2, float x3, float y3, float x4,
                         float y4, Handle graphic, int trans);
int SoftFillRect(const RECT* rect, uint32_t colour);

// Copies the primary image into the display window: the source rectangle
// of the screen onto the destination rectangle of the client area.
int PresentSoftwarePrimary(const RECT& source, const RECT& destination);

}  // namespace DuRud
