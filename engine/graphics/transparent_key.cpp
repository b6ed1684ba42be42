// The transparent colour turned into alpha, a band of lines at a time, with
// the neighbour lines and columns around the band read for its edges.
#include "graphics/transparent_key.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace DuRud {
namespace {

constexpr int kKeyBandLines = 16;

bool IsArgb8888(const ColorFormat& f) {
    return f.formatCode == kFormatPlain && f.bitsPerPixel == 32 && f.bytesPerPixel == 4 &&
           f.redMask == 0xFF0000u && f.greenMask == 0xFF00u && f.blueMask == 0xFFu &&
           f.alphaMask == 0xFF000000u;
}

}  // namespace

int ConvertKeyedRect(void* dest, int destPitch, const ColorFormat* destFormat, int destX, int destY,
                     const BaseImage* image, const BaseImage* alphaImage, uint32_t transparentColor,
                     const RECT& rect) {
    if (!dest || !destFormat || !image || !image->pixels) return -1;
    const int w = image->width, h = image->height;
    if (rect.left < 0 || rect.top < 0 || rect.right > w || rect.bottom > h ||
        rect.left >= rect.right || rect.top >= rect.bottom)
        return -1;
    const ColorFormat& f = image->colorFormat;
    const bool keepsAlpha = f.alphaWidth > 0 || f.alphaMask != 0 || alphaImage;
    const uint32_t key = transparentColor & 0xFFFFFF;
    const uint32_t opaque = keepsAlpha ? 0 : 0xFF000000u;
    ColorFormat argb{};
    SetColorFormatA8R8G8B8(&argb);

    // The columns beside the rectangle and the lines above and below each
    // band lend their colours to its edges.
    const int left = rect.left, right = rect.right, top = rect.top, bottom = rect.bottom;
    const int firstColumn = std::max(0, left - 1);
    const int columns = std::min(w, right + 1) - firstColumn;
    const int outWidth = right - left;
    std::vector<uint32_t> lines(static_cast<size_t>(columns) * (kKeyBandLines + 2));
    // Written straight into an ARGB destination of whole words, else through
    // a band buffer converted into the destination's format.
    const bool direct = IsArgb8888(*destFormat) && destPitch % 4 == 0 &&
                        reinterpret_cast<uintptr_t>(dest) % alignof(uint32_t) == 0;
    std::vector<uint32_t> band(direct ? 0 : static_cast<size_t>(outWidth) * kKeyBandLines);
    auto* out = static_cast<uint8_t*>(dest);
    auto isKey = [key](uint32_t v) { return (v & 0xFFFFFF) == key; };

    for (int y0 = top; y0 < bottom; y0 += kKeyBandLines) {
        const int y1 = std::min(bottom, y0 + kKeyBandLines);
        const int readTop = std::max(0, y0 - 1), readBottom = std::min(h, y1 + 1);
        const RECT read{firstColumn, readTop, firstColumn + columns, readBottom};
        if (ConvertPixelRect(lines.data(), columns * 4, &argb, image->pixels, image->pitch, &f,
                             alphaImage ? alphaImage->pixels : nullptr,
                             alphaImage ? alphaImage->pitch : 0,
                             alphaImage ? &alphaImage->colorFormat : nullptr, 0, 0, &read, 0, 0, 0,
                             kDitherNone, 0, 0, 0, 0) < 0)
            return -1;
        for (int y = y0; y < y1; ++y) {
            const uint32_t* p = &lines[static_cast<size_t>(y - readTop) * columns];
            uint32_t* row = direct
                                ? reinterpret_cast<uint32_t*>(
                                      out + static_cast<int64_t>(destY + (y - top)) * destPitch) +
                                      destX
                                : &band[static_cast<size_t>(y - y0) * outWidth];
            const bool hasUp = y > 0, hasDown = y + 1 < h;
            for (int x = left; x < right; ++x) {
                const int i = x - firstColumn;
                uint32_t v = p[i];
                if (!isKey(v)) {
                    row[x - left] = v | opaque;
                    continue;
                }
                // A later write won when opaque pixels lent their colours
                // line by line: lower, right, left, upper.
                if (hasDown && !isKey(p[i + columns]))
                    v = p[i + columns];
                else if (x + 1 < w && !isKey(p[i + 1]))
                    v = p[i + 1];
                else if (x > 0 && !isKey(p[i - 1]))
                    v = p[i - 1];
                else if (hasUp && !isKey(p[i - columns]))
                    v = p[i - columns];
                row[x - left] = v & 0xFFFFFF;
            }
        }
        if (!direct) {
            const RECT all{0, 0, outWidth, y1 - y0};
            ConvertPixelRect(dest, destPitch, destFormat, band.data(), outWidth * 4, &argb, nullptr,
                             0, nullptr, destX, destY + (y0 - top), &all, 0, 0, 0, kDitherNone, 0,
                             0, 0, 0);
        }
    }
    return 0;
}

}  // namespace DuRud
