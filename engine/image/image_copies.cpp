// Whole-record operations: rectangle copy, scaled copy, mirroring, rotation,
// clearing and halving for mip levels.
#include <algorithm>
#include <cstring>

#include "image/pixel_conversion.h"

namespace DuRud {
namespace {

bool IsBlockCompressed(const BaseImage* image) {
    return image->colorFormat.formatCode != kFormatPlain;
}

uint8_t* Line(BaseImage* image, int y) {
    return static_cast<uint8_t*>(image->pixels) + int64_t(y) * image->pitch;
}

void ReverseLine(uint8_t* line, int width, int bpp) {
    for (int a = 0, b = width - 1; a < b; ++a, --b) {
        uint8_t tmp[4];
        std::memcpy(tmp, line + a * bpp, bpp);
        std::memcpy(line + a * bpp, line + b * bpp, bpp);
        std::memcpy(line + b * bpp, tmp, bpp);
    }
}

}  // namespace

int CopyBaseImageRect(int srcX, int srcY, int width, int height, int destX, int destY,
                      BaseImage* src, BaseImage* dest) {
    if (!src || !dest || !src->pixels || !dest->pixels) return -1;
    if (DecompressBaseImage(src) != 0 || DecompressBaseImage(dest) != 0) return -1;
    int64_t sx = srcX, sy = srcY, w = width, h = height, dx = destX, dy = destY;
    if (sx < 0) {
        dx -= sx;
        w += sx;
        sx = 0;
    }
    if (sy < 0) {
        dy -= sy;
        h += sy;
        sy = 0;
    }
    if (dx < 0) {
        sx -= dx;
        w += dx;
        dx = 0;
    }
    if (dy < 0) {
        sy -= dy;
        h += dy;
        dy = 0;
    }
    w = std::min({w, dest->width - dx, src->width - sx});
    h = std::min({h, dest->height - dy, src->height - sy});
    if (w < 1 || h < 1) return 0;
    const RECT rect{LONG(sx), LONG(sy), LONG(sx + w), LONG(sy + h)};
    const int result = ConvertPixelRect(dest->pixels, dest->pitch, &dest->colorFormat, src->pixels,
                                        src->pitch, &src->colorFormat, nullptr, 0, nullptr, int(dx),
                                        int(dy), &rect, 0, 0, 0, 0, 0, 0, 0, 1);
    return result < 0 ? -1 : 0;
}

int CopyBaseImage(int destX, int destY, BaseImage* src, BaseImage* dest) {
    if (!src) return -1;
    return CopyBaseImageRect(0, 0, src->width, src->height, destX, destY, src, dest);
}

int StretchBaseImageRect(int srcX1, int srcY1, int srcX2, int srcY2, BaseImage* src, int destX1,
                         int destY1, int destX2, int destY2, BaseImage* dest, int mode) {
    if (!src || !dest || !src->pixels || !dest->pixels) return -1;
    auto valid = [](const BaseImage* im, int x1, int y1, int x2, int y2) {
        return x1 < x2 && y1 < y2 && x1 >= 0 && y1 >= 0 && x1 < im->width && y1 < im->height &&
               x2 >= 1 && x2 <= im->width && y2 >= 1 && y2 <= im->height;
    };
    if (!valid(src, srcX1, srcY1, srcX2, srcY2) || !valid(dest, destX1, destY1, destX2, destY2)) {
        return -1;
    }
    const int64_t sw = srcX2 - srcX1, sh = srcY2 - srcY1;
    const int64_t dw = destX2 - destX1, dh = destY2 - destY1;
    if (sw == dw && sh == dh) {
        return CopyBaseImageRect(srcX1, srcY1, int(sw), int(sh), destX1, destY1, src, dest);
    }
    if (DecompressBaseImage(src) != 0 || DecompressBaseImage(dest) != 0) return -1;
    const int64_t stepX = (sw << 16) / dw, stepY = (sh << 16) / dh;
    const int lastX = src->width - 1, lastY = src->height - 1;
    for (int64_t j = 0; j < dh; ++j) {
        const int64_t py = (int64_t(srcY1) << 16) + j * stepY;
        const int y = int(py >> 16);
        const uint64_t fy = uint64_t(py & 0xFFFF);
        for (int64_t i = 0; i < dw; ++i) {
            const int64_t px = (int64_t(srcX1) << 16) + i * stepX;
            const int x = int(px >> 16);
            int c[4] = {0, 0, 0, 0};
            if (mode == 1) {
                const uint64_t fx = uint64_t(px & 0xFFFF);
                // Reads past the last column or line repeat the edge pixel.
                const int x1 = std::min(x + 1, lastX), y1 = std::min(y + 1, lastY);
                const uint64_t w[4] = {(65535 - fx) * (65535 - fy) >> 16, fx * (65535 - fy) >> 16,
                                       (65535 - fx) * fy >> 16, fx * fy >> 16};
                const int sx[4] = {x, x1, x, x1}, sy[4] = {y, y, y1, y1};
                uint64_t sum[4] = {0, 0, 0, 0};
                for (int k = 0; k < 4; ++k) {
                    int p[4] = {0, 0, 0, 0};
                    if (GetBaseImagePixel(src, sx[k], sy[k], &p[0], &p[1], &p[2], &p[3]) != 0) {
                        return -1;
                    }
                    for (int ch = 0; ch < 4; ++ch) sum[ch] += w[k] * uint64_t(p[ch]);
                }
                for (int ch = 0; ch < 4; ++ch) c[ch] = int(sum[ch] >> 16);
            } else if (GetBaseImagePixel(src, x, y, &c[0], &c[1], &c[2], &c[3]) != 0) {
                return -1;
            }
            if (SetBaseImagePixel(dest, int(destX1 + i), int(destY1 + j), c[0], c[1], c[2], c[3]) !=
                0) {
                return -1;
            }
        }
    }
    return 0;
}

int MirrorBaseImage(BaseImage* image) {
    if (!image || !image->pixels || IsBlockCompressed(image)) return -1;
    if (image->width <= 0 || image->height <= 0) return -1;
    const int bpp = image->colorFormat.bytesPerPixel;
    if (bpp < 1 || bpp > 4) return 0;
    for (int y = 0; y < image->height; ++y) ReverseLine(Line(image, y), image->width, bpp);
    return 0;
}

int RotateBaseImage180(BaseImage* image) {
    if (!image || IsBlockCompressed(image)) return -1;
    if (!image->pixels || image->width <= 0 || image->height <= 0) return 0;
    const int bpp = image->colorFormat.bytesPerPixel;
    if (bpp < 1 || bpp > 4) return 0;
    const int w = image->width, h = image->height;
    for (int top = 0, bottom = h - 1; top < bottom; ++top, --bottom) {
        uint8_t* a = Line(image, top);
        uint8_t* b = Line(image, bottom);
        for (int x = 0; x < w; ++x) {
            uint8_t tmp[4];
            uint8_t* pa = a + x * bpp;
            uint8_t* pb = b + (w - 1 - x) * bpp;
            std::memcpy(tmp, pa, bpp);
            std::memcpy(pa, pb, bpp);
            std::memcpy(pb, tmp, bpp);
        }
    }
    if (h % 2 == 1) ReverseLine(Line(image, h / 2), w, bpp);
    return 0;
}

int ClearBaseImageRect(BaseImage* image, int x, int y, int width, int height) {
    if (!image || !image->pixels || IsBlockCompressed(image)) return 0;
    // Clipped to the record: nothing outside it is written.
    const int64_t x0 = std::max<int64_t>(0, x), y0 = std::max<int64_t>(0, y);
    const int64_t x1 = std::min<int64_t>(image->width, int64_t(x) + width);
    const int64_t y1 = std::min<int64_t>(image->height, int64_t(y) + height);
    if (x1 <= x0 || y1 <= y0) return 0;
    const int bpp = image->colorFormat.bytesPerPixel;
    for (int64_t row = y0; row < y1; ++row) {
        std::memset(Line(image, int(row)) + x0 * bpp, 0, size_t((x1 - x0) * bpp));
    }
    return 0;
}

int DownsamplePixelsByTwo(const ColorFormat* format, void* destPixels, int destPitch,
                          const void* srcPixels, int srcPitch, int srcWidth, int srcHeight) {
    if (!format || !destPixels || !srcPixels) return -1;
    const int bits = format->bitsPerPixel;
    if (format->formatCode != kFormatPlain || (bits != 16 && bits != 32)) return -1;
    auto halvable = [](int n) { return n == 1 || (n >= 2 && n % 2 == 0); };
    if (!halvable(srcWidth) || !halvable(srcHeight)) return -1;
    const int bpp = bits / 8;
    const int dw = srcWidth == 1 ? 1 : srcWidth / 2;
    const int dh = srcHeight == 1 ? 1 : srcHeight / 2;
    const int nx = srcWidth == 1 ? 1 : 2, ny = srcHeight == 1 ? 1 : 2;
    const int shift = (nx == 2) + (ny == 2);
    const uint32_t masks[4] = {format->redMask, format->greenMask, format->blueMask,
                               format->alphaMask};
    const int shifts[4] = {format->redShift, format->greenShift, format->blueShift,
                           format->alphaShift};
    const auto* src = static_cast<const uint8_t*>(srcPixels);
    auto* dest = static_cast<uint8_t*>(destPixels);
    for (int y = 0; y < dh; ++y) {
        for (int x = 0; x < dw; ++x) {
            uint64_t sum[4] = {0, 0, 0, 0};
            for (int j = 0; j < ny; ++j) {
                for (int i = 0; i < nx; ++i) {
                    const uint32_t v = ReadPixelValue(
                        src + int64_t(y * ny + j) * srcPitch + int64_t(x * nx + i) * bpp, bpp);
                    for (int c = 0; c < 4; ++c) {
                        if (shifts[c] < 32) sum[c] += (v & masks[c]) >> shifts[c];
                    }
                }
            }
            uint32_t out = 0;
            for (int c = 0; c < 4; ++c) {
                if (shifts[c] < 32) out |= uint32_t((sum[c] >> shift) << shifts[c]) & masks[c];
            }
            WritePixelValue(dest + int64_t(y) * destPitch + int64_t(x) * bpp, bpp, out);
        }
    }
    return 0;
}

}  // namespace DuRud
