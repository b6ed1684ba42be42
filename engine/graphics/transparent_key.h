// The transparent colour turned into alpha: a picture's pixels of that colour
// become see-through and take an opaque neighbour's colour, so that filtered
// drawing does not bleed the key colour in at the edges.
#pragma once

#include <cstdint>

#include "image/pixel_conversion.h"

namespace DuRud {

// Writes the rectangle (inside the picture) of the keyed 32-bit ARGB picture
// into dest, in destFormat, its top left at (destX, destY). In the keyed
// picture every pixel whose red, green and blue equal the transparent colour
// (0x00RRGGBB) has alpha 0 and the colour of its lower neighbour when that is
// opaque, else of its right, left or upper one, else keeps its own; every
// other pixel keeps its alpha when the picture has alpha or an alpha image is
// given, else gets 255. 0, or -1 when the picture's pixels cannot be read as
// plain pixels (block-compressed pictures are decompressed first).
int ConvertKeyedRect(void* dest, int destPitch, const ColorFormat* destFormat, int destX, int destY,
                     const BaseImage* image, const BaseImage* alphaImage, uint32_t transparentColor,
                     const RECT& rect);

}  // namespace DuRud
