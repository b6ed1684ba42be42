// MEMIMG: the engine's software image. A small record views a rectangle of
// a reference-counted body that owns the pixel store, the premultiplied
// alpha plane, the run table and the palette block. Without a Direct3D
// device the screen, graphics, masks and the font cache keep their pixels
// here, and the software renderer (soft/memimg_renderer.h) draws onto and
// from these records under the draw state and blend tables below.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "image/image_record.h"

namespace DuRud {

constexpr uint32_t kMemImgMagic = 0x12345678;

// Colour types.
enum : int {
    kMemImgColor16 = 0,   // R5G6B5 (4-byte pixels with the alpha flag)
    kMemImgColor32 = 1,   // X8R8G8B8 / A8R8G8B8
    kMemImgSingle8 = 2,   // one 8-bit channel
    kMemImgSingle16 = 3,  // one 16-bit channel
};

// Run table bytes: kind << 6 | (length - 1); a line ends with kMemImgRunLineEnd.
enum : uint8_t {
    kMemImgRunTransparent = 0,
    kMemImgRunOpaque = 1,
    kMemImgRunTranslucent = 2,
    kMemImgRunLineEnd = 0xC0,
};
constexpr int kMemImgRunMaxLength = 64;

struct MemImgBody;

// Field order is the layout the software renderer reads.
struct MEMIMG {
    uint32_t magic;  // kMemImgMagic while set up, else 0
    int32_t width;
    int32_t height;
    uint8_t* pixels;       // the record's first pixel inside the body's store
    uint8_t* alphaPixels;  // the same pixel inside the alpha plane, or null
    MemImgBody* body;
};

struct MemImgBody {
    int32_t referenceCount;
    int32_t width;
    int32_t height;
    int32_t pitch;       // bytes per line of the store and of the alpha plane
    int32_t pitchShift;  // log2(pitch) when the pitch is that power of two, else -1
    const ColorFormat* colorFormat;
    uint32_t transparentColor;  // raw pixel value; an index for palette images
    int32_t colorType;
    int32_t paletteFlag;
    int32_t paletteEntriesUsed;
    int32_t alphaFlag;
    int32_t alphaPlaneValid;
    int32_t runTableValid;
    int32_t userPixels;    // the store is the caller's and is never freed
    uint8_t* palette;      // 2048-byte block: entries, then their copy
    uint8_t* drawPalette;  // palette + 1024
    uint8_t* pixelStore;
    uint8_t* alphaPlane;
    uint8_t* runTable;  // (width + 5) * height bytes
    // The run table belongs to the body but describes one record: the first
    // pixel and size of the record it was last built over.
    const uint8_t* runTablePixels;
    int32_t runTableWidth;
    int32_t runTableHeight;
};

// The renderer reads these by position.
static_assert(sizeof(MEMIMG) == 40 && offsetof(MEMIMG, pixels) == 16 &&
              offsetof(MEMIMG, body) == 32);
static_assert(offsetof(MemImgBody, colorFormat) == 24 && offsetof(MemImgBody, userPixels) == 60 &&
              offsetof(MemImgBody, palette) == 64 && offsetof(MemImgBody, runTable) == 96);

// The software renderer's global settings; main thread only.
struct MemImgDrawStateRecord {
    int32_t defaultColorType;
    int32_t clipLeft, clipTop, clipRight, clipBottom;  // the draw area
    int32_t blendMode;
    int32_t blendParameter;
    uint32_t drawBright;  // 0x00RRGGBB
    uint8_t blendImageTable[256];
};
extern MemImgDrawStateRecord MemImgDrawState;
// The draw state's blend-image factor table under its own name.
extern uint8_t (&MemImgBlendImageTable)[256];

// Blend tables, filled by BuildMemImgBlendTables. Static storage (1 MiB).
extern int32_t MemImgMulTable[256][256];  // [a][b] = a * b / 255
// [p][v] = p * v / 255 to the nearest: the source term of the additive and
// subtractive blend modes when the parameter is its only weight. Rounded as
// the Direct3D path rounds, so a picture that feeds on itself through them
// (a blur redrawn every frame) keeps its brightness instead of losing up
// to one level a draw.
extern int32_t MemImgTermMulTable[256][256];
extern int32_t MemImgSignedMulTable[256][512];  // [a][k + 255] = k * a / 255, toward zero
extern uint8_t MemImgBlend6Table[64][64][64];   // [w][s][d] = (s * w + d * (63 - w)) / 63

// Set-up and release.
int SetupMemImg(MEMIMG* record, int width, int height, int pitch, uint32_t transparentColor,
                int colorType, int paletteFlag, int alphaFlag, int makePlanes, void* userPixels);
int NewMemImg(MEMIMG* record, int width, int height, int colorType);
int ViewMemImg(MEMIMG* out, const MEMIMG* source, int x, int y, int width, int height);
int MemImgIsValid(const MEMIMG* record);
int DropMemImg(MEMIMG* record);
const ColorFormat* GetMemImgColorFormat(int colorType, int alphaFlag, int paletteFlag);
// Bytes per pixel of a set-up record's body; 0 for an invalid record.
int GetMemImgBytesPerPixel(const MEMIMG* record);
// 1 when the body's run table is valid and was built over exactly this
// record (same first pixel, width and height), else 0. The whole-image blit
// asks this before it walks the table.
int MemImgRunTableMatches(const MEMIMG* record);

// Pixels.
int TransferBaseImageToMemImg(const BaseImage* image, const BaseImage* alphaImage, MEMIMG* record,
                              int srcX, int srcY, int width, int height, int destX, int destY,
                              int colorKeyToAlpha);
int CopyMemImgRect(MEMIMG* dest, const MEMIMG* src, const RECT* srcRect, int destX, int destY);
int ClearMemImgRect(MEMIMG* record, const RECT* rect, uint32_t value);

// Draw state.
int SetMemImgDefaultColorType(int colorType);
int SetMemImgDrawArea(const RECT* rect);
int SetMemImgBlendMode(int mode, int parameter);
int SetMemImgDrawBright(uint32_t packedRgb);
int BuildMemImgBlendImageTable(int border, int range);
int BuildMemImgBlendTables();

}  // namespace DuRud
