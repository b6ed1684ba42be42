// Colour-format descriptors: the fixed builders and the general one.
#include <cstring>

#include "image/image_record.h"

namespace DuRud {
namespace {

// Lowest set bit of mask and the run of set bits from there; 0, 0 for 0.
void MaskShiftWidth(uint32_t mask, uint8_t* shift, uint8_t* width) {
    if (mask == 0) {
        *shift = 0;
        *width = 0;
        return;
    }
    int s = __builtin_ctz(mask);
    uint64_t rest = uint64_t(mask) >> s;
    int w = 0;
    while (rest & 1) {
        ++w;
        rest >>= 1;
    }
    *shift = uint8_t(s);
    *width = uint8_t(w);
}

// The builders share everything but the unused shift/width, which only the
// X8R8G8B8 builder writes.
void SetEightBitChannels(ColorFormat* f, uint8_t bytes, uint8_t bits, uint32_t alphaMask,
                         uint32_t unusedMask) {
    f->formatCode = 0;
    f->channelCount = 0;
    f->bitsPerChannel = 0;
    f->floatFlag = 0;
    f->bytesPerPixel = bytes;
    f->bitsPerPixel = bits;
    f->redWidth = f->greenWidth = f->blueWidth = 8;
    f->redShift = 16;
    f->greenShift = 8;
    f->blueShift = 0;
    f->redMask = 0xFF0000;
    f->greenMask = 0xFF00;
    f->blueMask = 0xFF;
    f->alphaMask = alphaMask;
    f->alphaWidth = alphaMask ? 8 : 0;
    f->alphaShift = alphaMask ? 24 : 0;
    f->unusedMask = unusedMask;
}

}  // namespace

int SetColorFormatPal8(ColorFormat* format) {
    if (!format) return -1;
    SetEightBitChannels(format, 1, 8, 0, 0xFF000000u);
    return 0;
}

int SetColorFormatX8R8G8B8(ColorFormat* format) {
    if (!format) return -1;
    SetEightBitChannels(format, 4, 32, 0, 0xFF000000u);
    format->unusedShift = 24;
    format->unusedWidth = 8;
    return 0;
}

int SetColorFormatA8R8G8B8(ColorFormat* format) {
    if (!format) return -1;
    SetEightBitChannels(format, 4, 32, 0xFF000000u, 0);
    return 0;
}

int SetColorFormatR8G8B8(ColorFormat* format) {
    if (!format) return -1;
    SetEightBitChannels(format, 3, 24, 0, 0);
    return 0;
}

int SetColorFormatGray8(ColorFormat* format) {
    if (!format) return -1;
    SetEightBitChannels(format, 1, 8, 0, 0xFF000000u);
    for (int i = 0; i < 256; ++i) {
        format->palette[i] = PaletteEntry{uint8_t(i), uint8_t(i), uint8_t(i), 0};
    }
    return 0;
}

int SetupColorFormat(ColorFormat* format, int bitsPerPixel, uint32_t redMask, uint32_t greenMask,
                     uint32_t blueMask, uint32_t alphaMask, int channelCount, int bitsPerChannel,
                     int floatFlag) {
    if (!format) return -1;
    std::memset(format, 0, sizeof(*format));
    if (channelCount != 0 && bitsPerChannel != 0) {
        format->channelCount = uint8_t(channelCount);
        format->bitsPerChannel = uint8_t(bitsPerChannel);
        format->floatFlag = uint8_t(floatFlag);
        format->bytesPerPixel = uint8_t(channelCount * bitsPerChannel / 8);
        return 0;
    }
    format->bytesPerPixel = uint8_t(bitsPerPixel / 8);
    format->bitsPerPixel = uint8_t(bitsPerPixel);
    format->redMask = redMask;
    format->greenMask = greenMask;
    format->blueMask = blueMask;
    format->alphaMask = alphaMask;
    uint32_t all = bitsPerPixel >= 32  ? 0xFFFFFFFFu
                   : bitsPerPixel <= 0 ? 0u
                                       : uint32_t((uint64_t{1} << bitsPerPixel) - 1);
    format->unusedMask = all & ~(redMask | greenMask | blueMask | alphaMask);
    MaskShiftWidth(redMask, &format->redShift, &format->redWidth);
    MaskShiftWidth(greenMask, &format->greenShift, &format->greenWidth);
    MaskShiftWidth(blueMask, &format->blueShift, &format->blueWidth);
    MaskShiftWidth(alphaMask, &format->alphaShift, &format->alphaWidth);
    MaskShiftWidth(format->unusedMask, &format->unusedShift, &format->unusedWidth);
    return 0;
}

int UpdateColorFormatUnusedMask(ColorFormat* format) {
    if (!format) return -1;
    int sum = format->redWidth + format->greenWidth + format->blueWidth + format->alphaWidth;
    if (sum == format->bitsPerPixel) {
        format->unusedMask = 0;
    } else {
        int bits = format->bitsPerPixel;
        uint32_t all = bits >= 32 ? 0xFFFFFFFFu : uint32_t((uint64_t{1} << bits) - 1);
        format->unusedMask =
            all & ~(format->redMask | format->greenMask | format->blueMask | format->alphaMask);
    }
    return 0;
}

}  // namespace DuRud
