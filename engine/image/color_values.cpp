// Packing and unpacking one colour value in a record's format, and reading
// one pixel as packed ARGB.
#include <algorithm>

#include "image/image_record.h"

namespace DuRud {
namespace {

// An 8-bit channel brought to width bits by shifting: right for narrower
// channels, left for wider ones (10- and 16-bit layouts).
uint32_t FromEightBits(int value, int width) {
    const uint32_t v = uint32_t(std::clamp(value, 0, 255));
    if (width == 0) return 0;
    if (width <= 8) return v >> (8 - width);
    return width >= 40 ? 0 : uint32_t(uint64_t(v) << (width - 8));
}

// A channel of width bits placed at the top of a byte (wider channels keep
// their top 8 bits).
uint32_t ToTopOfByte(uint32_t value, int width) {
    if (width == 0) return 0;
    if (width <= 8) return (value << (8 - width)) & 0xFF;
    return (value >> (width - 8)) & 0xFF;
}

// value * 255 / (2^width - 1); a zero-width channel reads 0.
int ScaleTo255(uint32_t value, int width) {
    if (width == 0) return 0;
    const uint64_t max = width >= 32 ? 0xFFFFFFFFull : (uint64_t{1} << width) - 1;
    return int(uint64_t(value) * 255 / max);
}

uint32_t Channel(uint32_t pixel, uint32_t mask, int shift) {
    return shift >= 32 ? 0 : (pixel & mask) >> shift;
}

}  // namespace

int FindNearestPaletteIndex(const ColorFormat* format, int red, int green, int blue) {
    int best = 0;
    int64_t bestDistance = INT64_MAX;
    for (int i = 0; i < 256; ++i) {
        const PaletteEntry& e = format->palette[i];
        const int64_t dr = e.red - red, dg = e.green - green, db = e.blue - blue;
        const int64_t d = dr * dr + dg * dg + db * db;
        if (d < bestDistance) {
            bestDistance = d;
            best = i;
        }
    }
    return best;
}

uint32_t PackColorFormatColor(const ColorFormat* f, int red, int green, int blue, int alpha) {
    if (!f) return 0;
    if (f->bytesPerPixel == 1) return uint32_t(FindNearestPaletteIndex(f, red, green, blue));
    auto place = [](uint32_t v, int shift) { return shift >= 32 ? 0u : v << shift; };
    uint32_t pixel = place(FromEightBits(red, f->redWidth), f->redShift) |
                     place(FromEightBits(green, f->greenWidth), f->greenShift) |
                     place(FromEightBits(blue, f->blueWidth), f->blueShift) | f->unusedMask;
    if (f->alphaWidth != 0) pixel |= place(FromEightBits(alpha, f->alphaWidth), f->alphaShift);
    return pixel;
}

uint32_t PackBaseImageColor(const BaseImage* image, int red, int green, int blue, int alpha) {
    if (!image) return 0;
    return PackColorFormatColor(&image->colorFormat, red, green, blue, alpha);
}

int UnpackColorFormatColor(const ColorFormat* f, uint32_t pixel, int* red, int* green, int* blue,
                           int* alpha) {
    if (!f) return -1;
    const uint32_t r = Channel(pixel, f->redMask, f->redShift);
    const uint32_t g = Channel(pixel, f->greenMask, f->greenShift);
    const uint32_t b = Channel(pixel, f->blueMask, f->blueShift);
    const uint32_t a = Channel(pixel, f->alphaMask, f->alphaShift);
    if (f->redWidth == 8 && f->greenWidth == 8 && f->blueWidth == 8) {
        if (red) *red = int(r);
        if (green) *green = int(g);
        if (blue) *blue = int(b);
        // An absent alpha is left as the caller had it.
        if (alpha && f->alphaWidth != 0) {
            *alpha = f->alphaWidth == 8 ? int(a) : ScaleTo255(a, f->alphaWidth);
        }
        return 0;
    }
    if (red) *red = ScaleTo255(r, f->redWidth);
    if (green) *green = ScaleTo255(g, f->greenWidth);
    if (blue) *blue = ScaleTo255(b, f->blueWidth);
    if (alpha) *alpha = ScaleTo255(a, f->alphaWidth);
    return 0;
}

int UnpackBaseImageColor(const BaseImage* image, uint32_t pixel, int* red, int* green, int* blue,
                         int* alpha) {
    if (!image) return -1;
    return UnpackColorFormatColor(&image->colorFormat, pixel, red, green, blue, alpha);
}

uint32_t GetBaseImagePixelArgb(const BaseImage* image, int x, int y) {
    if (!image || !image->pixels || image->colorFormat.formatCode != kFormatPlain) return 0;
    const ColorFormat& f = image->colorFormat;
    if (f.bytesPerPixel < 2 || f.bytesPerPixel > 4) return 0;
    if (uint32_t(x) >= uint32_t(image->width) || uint32_t(y) >= uint32_t(image->height)) return 0;
    const uint8_t* p = static_cast<const uint8_t*>(image->pixels) + int64_t(y) * image->pitch +
                       int64_t(x) * f.bytesPerPixel;
    const uint32_t v = ReadPixelValue(p, f.bytesPerPixel);
    uint32_t argb = ToTopOfByte(Channel(v, f.redMask, f.redShift), f.redWidth) << 16 |
                    ToTopOfByte(Channel(v, f.greenMask, f.greenShift), f.greenWidth) << 8 |
                    ToTopOfByte(Channel(v, f.blueMask, f.blueShift), f.blueWidth);
    if (f.alphaWidth != 0) {
        argb |= ToTopOfByte(Channel(v, f.alphaMask, f.alphaShift), f.alphaWidth) << 24;
    }
    return argb;
}

}  // namespace DuRud
