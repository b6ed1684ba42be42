// Pixel conversion between colour formats and the per-record operations
// built on it: block decompression, single pixels, copies, scaling,
// mirroring, rotation, clearing and mip halving.
#pragma once

#include <cstdint>

#include "image/image_record.h"
#include "win_types.h"

namespace DuRud {

// Dither modes of ConvertPixelRect.
enum : int {
    kDitherNone = 0,
    kDitherOrdered = 1,
    kDitherCarry = 2,
};

// Copies the source rectangle (left, top, right, bottom of the source
// pixels) to (destX, destY) of the destination, converting the format.
// The alpha image, when given, is read at the source coordinates. The
// transparent colour is 0x00RRGGBB for colour-key-to-alpha and a raw source
// pixel for skip-transparent. Returns 0, -1 for an empty rectangle or bad
// input, and the largest index copied on the plain 8-bit copy.
int ConvertPixelRect(void* destPixels, int destPitch, const ColorFormat* destFormat,
                     const void* srcPixels, int srcPitch, const ColorFormat* srcFormat,
                     const void* alphaPixels, int alphaPitch, const ColorFormat* alphaFormat,
                     int destX, int destY, const RECT* srcRect, int mirror, int colorKeyToAlpha,
                     uint32_t transparentColor, int ditherMode, int colorClear, int alphaFromRed,
                     int skipTransparent, int paletteRemap);

// The two 16-bit pair loops (R5G6B5 <-> X1R5G5B5) over a width x height
// block, with the SSE2 twin when useSimd is non-zero and the build has it.
// With keyed non-zero the alpha bit (0x8000) is set unless the source pixel
// equals key (used towards A1R5G5B5). Results are identical either way.
void ConvertLinesR5G6B5ToX1R5G5B5(uint8_t* dest, int destPitch, const uint8_t* src, int srcPitch,
                                  int width, int height, int keyed, uint16_t key, int useSimd);
void ConvertLinesX1R5G5B5ToR5G6B5(uint8_t* dest, int destPitch, const uint8_t* src, int srcPitch,
                                  int width, int height, int useSimd);
// Whether the 16-bit pairs take the SIMD loops: the processor's flag
// (GetMmxAvailable), when the build has them.
int PixelPairsUseSimd();

int DecompressBaseImage(BaseImage* image);

int SetBaseImagePixel(BaseImage* image, int x, int y, int red, int green, int blue, int alpha);
int GetBaseImagePixel(BaseImage* image, int x, int y, int* red, int* green, int* blue, int* alpha);

int CopyBaseImageRect(int srcX, int srcY, int width, int height, int destX, int destY,
                      BaseImage* src, BaseImage* dest);
int CopyBaseImage(int destX, int destY, BaseImage* src, BaseImage* dest);
// mode 1: bilinear; any other: nearest.
int StretchBaseImageRect(int srcX1, int srcY1, int srcX2, int srcY2, BaseImage* src, int destX1,
                         int destY1, int destX2, int destY2, BaseImage* dest, int mode);
int MirrorBaseImage(BaseImage* image);
int RotateBaseImage180(BaseImage* image);
int ClearBaseImageRect(BaseImage* image, int x, int y, int width, int height);
int DownsamplePixelsByTwo(const ColorFormat* format, void* destPixels, int destPitch,
                          const void* srcPixels, int srcPitch, int srcWidth, int srcHeight);

}  // namespace DuRud
