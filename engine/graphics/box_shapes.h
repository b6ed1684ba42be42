// Untextured boxes: filled and outlined, on the device (whole-pixel quads in
// the vertex batch, no half-pixel offset: x1 to x2 covers columns x1 to
// x2 - 1) and on the software screen image.
#pragma once

#include <cstdint>

namespace DuRud {

// 0, or -1 without a device; an empty box (after the draw area) draws nothing.
int DrawFilledBoxHw(int x1, int y1, int x2, int y2, uint32_t colour);
// Each border pixel of [x1, x2) x [y1, y2) once. 0, or -1 without a device.
int DrawBoxOutlineHw(int x1, int y1, int x2, int y2, uint32_t colour);
int DrawBoxOutlineSoft(int x1, int y1, int x2, int y2, uint32_t colour);  // 0
// The box draws of the engine's own code, by the renderer in use (the
// public DrawBoxShape chooses between them).
int DrawFilledBox(int x1, int y1, int x2, int y2, uint32_t colour);
int DrawBoxOutline(int x1, int y1, int x2, int y2, uint32_t colour);

}  // namespace DuRud
