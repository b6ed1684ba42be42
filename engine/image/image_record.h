// The engine's picture record and its colour-format descriptor, with the
// format builders, creation and release of a record's pixels, the data-size
// rule and packing/unpacking of one colour value. Decoders fill records,
// pixel conversion reads and writes them, graphics and fonts upload them.
#pragma once

#include <cstdint>

namespace DuRud {

// One palette entry, laid out as a DIB colour-table entry so that palettes
// copy into bitmaps as they stand. The fourth byte reads back as alpha.
struct PaletteEntry {
    uint8_t blue;
    uint8_t green;
    uint8_t red;
    uint8_t alpha;
};

// Describes how a pixel's bits hold its channels. Field order is binary
// layout: palettes are compared and copied as 1024-byte blocks.
struct ColorFormat {
    uint8_t formatCode;      // 0 plain pixels; 1..5 = DXT1..DXT5 4x4 blocks
    uint8_t channelCount;    // per-channel form only
    uint8_t bitsPerChannel;  // per-channel form only
    uint8_t floatFlag;       // per-channel form only
    uint8_t bytesPerPixel;   // 1 (palette indices), 2, 3, 4; 4 for block formats
    uint8_t bitsPerPixel;    // 8, 16, 24, 32; 4 or 8 for block formats
    uint8_t unusedShift;
    uint8_t unusedWidth;
    uint8_t redWidth, greenWidth, blueWidth, alphaWidth;
    uint8_t redShift, greenShift, blueShift, alphaShift;
    uint32_t redMask, greenMask, blueMask, alphaMask;
    uint32_t unusedMask;
    PaletteEntry palette[256];
};
static_assert(sizeof(ColorFormat) == 16 + 20 + 1024, "ColorFormat layout");

// A decoded picture. Lines run top to bottom.
struct BaseImage {
    ColorFormat colorFormat;
    int32_t width;
    int32_t height;
    int32_t pitch;        // bytes from one line to the next; 0 for block formats
    void* pixels;         // line 0; owned unless the producing call says it borrows
    int32_t mipMapCount;  // levels stored one after the other; 0 or 1: one
};

// Largest pixel block the image layer (decoders, conversion, MEMIMG) accepts:
// 8192 x 8192 at 32 bits. The fuzz build lowers it: a few bytes of run-length
// data can declare the largest picture, and clearing it costs more than all
// the decoding the fuzzer came for.
#ifdef VESSAMIRE_MAX_IMAGE_PIXEL_BYTES
constexpr int64_t kMaxImagePixelBytes = VESSAMIRE_MAX_IMAGE_PIXEL_BYTES;
#else
constexpr int64_t kMaxImagePixelBytes = int64_t{1} << 28;
#endif

// Format codes of block-compressed pixels.
enum : uint8_t {
    kFormatPlain = 0,
    kFormatDxt1 = 1,
    kFormatDxt2 = 2,
    kFormatDxt3 = 3,
    kFormatDxt4 = 4,
    kFormatDxt5 = 5,
};

// Format builders: fill the descriptor in place, return 0.
int SetColorFormatPal8(ColorFormat* format);
int SetColorFormatX8R8G8B8(ColorFormat* format);
int SetColorFormatA8R8G8B8(ColorFormat* format);
int SetColorFormatR8G8B8(ColorFormat* format);
int SetColorFormatGray8(ColorFormat* format);
int SetupColorFormat(ColorFormat* format, int bitsPerPixel, uint32_t redMask, uint32_t greenMask,
                     uint32_t blueMask, uint32_t alphaMask, int channelCount, int bitsPerChannel,
                     int floatFlag);
int UpdateColorFormatUnusedMask(ColorFormat* format);

// Records.
int CreateBaseImage(int width, int height, const ColorFormat* format, BaseImage* image);
int CreateA8R8G8B8BaseImage(int width, int height, BaseImage* image);
int CreateX8R8G8B8BaseImage(int width, int height, BaseImage* image);
int FreeBaseImagePixels(BaseImage* image);
int InitializeBaseImage();
int TerminateBaseImage();

// Bytes of pixel data of one mip level (0 = the top level) of a picture;
// -1 for an unknown format code or a negative size. Block formats count
// whole 4x4 blocks rounded up, at least one. Level 0 of plain pixels is
// pitch * height; further levels are tightly packed.
int64_t GetImageLevelDataSize(const ColorFormat* format, int width, int height, int pitch,
                              int level);
// Sum over mipMapCount levels (0 or 1: one level); -1 on bad input.
int64_t GetImageDataSize(const ColorFormat* format, int width, int height, int pitch,
                         int mipMapCount);
int64_t GetBaseImageDataSize(const BaseImage* image);

// Colour values. Channels are 0..255.
uint32_t PackBaseImageColor(const BaseImage* image, int red, int green, int blue, int alpha);
int UnpackBaseImageColor(const BaseImage* image, uint32_t pixel, int* red, int* green, int* blue,
                         int* alpha);
uint32_t GetBaseImagePixelArgb(const BaseImage* image, int x, int y);

// The same on a bare descriptor (conversion works on descriptors).
uint32_t PackColorFormatColor(const ColorFormat* format, int red, int green, int blue, int alpha);
int UnpackColorFormatColor(const ColorFormat* format, uint32_t pixel, int* red, int* green,
                           int* blue, int* alpha);
// Index of the palette entry nearest to (red, green, blue); the lowest index
// wins a tie.
int FindNearestPaletteIndex(const ColorFormat* format, int red, int green, int blue);

// Reads / writes a little-endian pixel of 1 to 4 bytes.
inline uint32_t ReadPixelValue(const uint8_t* p, int bytesPerPixel) {
    switch (bytesPerPixel) {
        case 1:
            return p[0];
        case 2:
            return uint32_t(p[0]) | uint32_t(p[1]) << 8;
        case 3:
            return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16;
        case 4:
            return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 |
                   uint32_t(p[3]) << 24;
        default:
            return 0;
    }
}
inline void WritePixelValue(uint8_t* p, int bytesPerPixel, uint32_t v) {
    for (int i = 0; i < bytesPerPixel; ++i) p[i] = uint8_t(v >> (8 * i));
}
// A palette entry as the 32-bit value 0xAARRGGBB.
inline uint32_t PaletteEntryValue(const PaletteEntry& e) {
    return uint32_t(e.blue) | uint32_t(e.green) << 8 | uint32_t(e.red) << 16 |
           uint32_t(e.alpha) << 24;
}

}  // namespace DuRud
