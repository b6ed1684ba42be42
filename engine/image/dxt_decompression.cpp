// Decoding of 4x4-block compressed pixels (DXT1 to DXT5) into A8R8G8B8.
#include <algorithm>

#include "image/image_memory.h"
#include "image/pixel_conversion.h"

namespace DuRud {
namespace {

struct Rgba {
    uint32_t r, g, b, a;
};

Rgba Expand565(uint16_t c) {
    return {uint32_t(c >> 11 & 0x1F) * 255 / 31, uint32_t(c >> 5 & 0x3F) * 255 / 63,
            uint32_t(c & 0x1F) * 255 / 31, 255};
}

uint16_t Load16(const uint8_t* p) {
    return uint16_t(p[0] | p[1] << 8);
}
uint32_t Load32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// The four colours of a colour block. DXT1 picks its mode from the two
// endpoint values; the other formats always use four colours.
void ColorTable(const uint8_t* block, bool dxt1, Rgba out[4]) {
    const uint16_t c0 = Load16(block), c1 = Load16(block + 2);
    const Rgba a = Expand565(c0), b = Expand565(c1);
    out[0] = a;
    out[1] = b;
    if (!dxt1 || c0 > c1) {
        out[2] = {(2 * a.r + b.r) / 3, (2 * a.g + b.g) / 3, (2 * a.b + b.b) / 3, 255};
        out[3] = {(a.r + 2 * b.r) / 3, (a.g + 2 * b.g) / 3, (a.b + 2 * b.b) / 3, 255};
    } else {
        out[2] = {(a.r + b.r) / 2, (a.g + b.g) / 2, (a.b + b.b) / 2, 255};
        out[3] = {out[2].r, out[2].g, out[2].b, 0};
    }
}

// The eight alphas of an interpolated alpha block.
void AlphaTable(uint8_t a0, uint8_t a1, uint32_t out[8]) {
    out[0] = a0;
    out[1] = a1;
    if (a0 > a1) {
        for (int k = 2; k < 8; ++k) out[k] = ((8 - k) * a0 + (k - 1) * a1) / 7;
    } else {
        for (int k = 2; k < 6; ++k) out[k] = ((6 - k) * a0 + (k - 1) * a1) / 5;
        out[6] = 0;
        out[7] = 255;
    }
}

// Premultiplied colour divided back; alpha 0 gives 0, overflow clamps.
uint32_t Unpremultiply(uint32_t c, uint32_t a) {
    return a == 0 ? 0 : std::min(255u, c * 255 / a);
}

void DecodeBlock(int code, const uint8_t* block, Rgba px[16]) {
    const uint8_t* colorBlock = code == kFormatDxt1 ? block : block + 8;
    Rgba colors[4];
    ColorTable(colorBlock, code == kFormatDxt1, colors);
    const uint32_t indices = Load32(colorBlock + 4);
    for (int i = 0; i < 16; ++i) px[i] = colors[indices >> (2 * i) & 3];
    if (code == kFormatDxt2 || code == kFormatDxt3) {
        for (int i = 0; i < 16; ++i) px[i].a = uint32_t(block[i / 2] >> (4 * (i & 1)) & 0xF) * 17;
    } else if (code == kFormatDxt4 || code == kFormatDxt5) {
        uint32_t alphas[8];
        AlphaTable(block[0], block[1], alphas);
        uint64_t bits = 0;
        for (int i = 0; i < 6; ++i) bits |= uint64_t(block[2 + i]) << (8 * i);
        for (int i = 0; i < 16; ++i) px[i].a = alphas[bits >> (3 * i) & 7];
    }
    if (code == kFormatDxt2 || code == kFormatDxt4) {
        for (int i = 0; i < 16; ++i) {
            px[i].r = Unpremultiply(px[i].r, px[i].a);
            px[i].g = Unpremultiply(px[i].g, px[i].a);
            px[i].b = Unpremultiply(px[i].b, px[i].a);
        }
    }
}

}  // namespace

int DecompressBaseImage(BaseImage* image) {
    if (!image) return -1;
    const int code = image->colorFormat.formatCode;
    if (code < kFormatDxt1 || code > kFormatDxt5) return 0;
    if (!image->pixels || image->width < 0 || image->height < 0) return -1;
    const int64_t w = image->width, h = image->height;
    const int64_t bytes = w * 4 * h;
    if (bytes > kMaxImagePixelBytes) return -1;
    auto* out = static_cast<uint8_t*>(IMAGE_ALLOC(bytes));
    if (!out) return -1;

    const auto* in = static_cast<const uint8_t*>(image->pixels);
    const int blockBytes = code == kFormatDxt1 ? 8 : 16;
    const int64_t blocksX = std::max<int64_t>(1, (w + 3) / 4);
    const int64_t blocksY = std::max<int64_t>(1, (h + 3) / 4);
    for (int64_t by = 0; by < blocksY; ++by) {
        for (int64_t bx = 0; bx < blocksX; ++bx) {
            Rgba px[16];
            DecodeBlock(code, in + (by * blocksX + bx) * blockBytes, px);
            for (int i = 0; i < 16; ++i) {
                const int64_t x = bx * 4 + (i & 3), y = by * 4 + (i >> 2);
                if (x >= w || y >= h) continue;
                uint8_t* p = out + (y * w + x) * 4;
                p[0] = uint8_t(px[i].b);
                p[1] = uint8_t(px[i].g);
                p[2] = uint8_t(px[i].r);
                p[3] = uint8_t(px[i].a);
            }
        }
    }
    ImageFree(image->pixels);
    ColorFormat format{};
    SetColorFormatA8R8G8B8(&format);
    image->colorFormat = format;
    image->pitch = int32_t(w * 4);
    image->pixels = out;
    image->mipMapCount = 0;
    return 0;
}

}  // namespace DuRud
