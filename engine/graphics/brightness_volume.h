// The brightness volume: a 128 x 128 x 128 lookup texture that turns an RGB
// colour (halved) into the brightest colour of the same hue and saturation.
#pragma once

#include <cstdint>

#include <d3d9.h>

namespace DuRud {

// The device's volume, filled through a system-memory volume: 0 or -1.
// Takes the texels worked out ahead when they were (below).
int CreateBrightnessVolume();
// The texels worked out on a thread of their own while the device is made
// (its presents wait for vertical blanks): 0, or -1 when the thread could
// not start (the volume then works them out itself).
int StartBrightnessVolumeAhead();
// Waits for that thread and lets what it made go, if still held.
void EndBrightnessVolumeAhead();
// Writes every texel of a locked 128 x 128 x 128 X8R8G8B8 box.
void FillBrightnessVolume(const D3DLOCKED_BOX& box);
// The brightest colour of the same hue and saturation.
void MaxBrightnessColour(int r, int g, int b, int* outR, int* outG, int* outB);
// The brightness volume's texel at (x, y, z): the brightest colour of
// (2x, 2y, 2z), white near black; X8R8G8B8 with alpha 255.
uint32_t BrightnessVolumeTexel(int x, int y, int z);

}  // namespace DuRud
