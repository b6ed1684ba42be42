// The transparent colour turned into alpha, a band of lines at a time, with
// the neighbour lines and columns around the band read for its edges.
#include "graphics/transparent_key.h"

#include <algorithm>
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
    const int firstColumn = std::max(0, static_cast<int>(rect.left) - 1);
    const int columns = std::min(w, static_cast<int>(rect.right) + 1) - firstColumn;
    const int outWidth = rect.right - rect.left;
    std::vector<uint32_t> lines(static_cast<size_t>(columns) * (kKeyBandLines + 2));
    std::vector<uint8_t> keyed(lines.size());
    // Written straight into an ARGB destination, else through a band buffer.
    const bool direct = IsArgb8888(*destFormat);
    std::vector<uint32_t> band(direct ? 0 : static_cast<size_t>(outWidth) * kKeyBandLines);
    auto* out = static_cast<uint8_t*>(dest);

    for (int y0 = rect.top; y0 < rect.bottom; y0 += kKeyBandLines) {
        const int y1 = std::min(static_cast<int>(rect.bottom), y0 + kKeyBandLines);
        const int readTop = std::max(0, y0 - 1), readBottom = std::min(h, y1 + 1);
        const RECT read{firstColumn, readTop, firstColumn + columns, readBottom};
        if (ConvertPixelRect(lines.data(), columns * 4, &argb, image->pixels, image->pitch, &f,
                             alphaImage ? alphaImage->pixels : nullptr,
                             alphaImage ? alphaImage->pitch : 0,
                             alphaImage ? &alphaImage->colorFormat : nullptr, 0, 0, &read, 0, 0, 0,
                             kDitherNone, 0, 0, 0, 0) < 0)
            return -1;
        const size_t count = static_cast<size_t>(readBottom - readTop) * columns;
        for (size_t i = 0; i < count; ++i) {
            const uint32_t v = lines[i];
            const bool isKey = (v & 0xFFFFFF) == key;
            keyed[i] = isKey;
            lines[i] = isKey ? (v & 0xFFFFFF) : (v | opaque);
        }
        for (int y = y0; y < y1; ++y) {
            const size_t at = static_cast<size_t>(y - readTop) * columns;
            const uint32_t* p = &lines[at];
            const uint8_t* k = &keyed[at];
            const bool hasUp = y > 0, hasDown = y + 1 < h;
            uint8_t* row =
                direct ? out + static_cast<int64_t>(destY + (y - rect.top)) * destPitch +
                             static_cast<int64_t>(destX) * 4
                       : reinterpret_cast<uint8_t*>(&band[static_cast<size_t>(y - y0) * outWidth]);
            for (int x = rect.left; x < rect.right; ++x) {
                const int i = x - firstColumn;
                uint32_t v = p[i];
                // A later write won when opaque pixels lent their colours
                // line by line: lower, right, left, upper.
                if (k[i]) {
                    if (hasDown && !k[i + columns])
                        v = p[i + columns] & 0xFFFFFF;
                    else if (x + 1 < w && !k[i + 1])
                        v = p[i + 1] & 0xFFFFFF;
                    else if (x > 0 && !k[i - 1])
                        v = p[i - 1] & 0xFFFFFF;
                    else if (hasUp && !k[i - columns])
                        v = p[i - columns] & 0xFFFFFF;
                }
                std::memcpy(row + 4 * (x - rect.left), &v, 4);
            }
        }
        if (!direct) {
            const RECT all{0, 0, outWidth, y1 - y0};
            ConvertPixelRect(dest, destPitch, destFormat, band.data(), outWidth * 4, &argb, nullptr,
                             0, nullptr, destX, destY + (y0 - rect.top), &all, 0, 0, 0, kDitherNone,
                             0, 0, 0, 0);
        }
    }
    return 0;
}

}  // namespace DuRud
