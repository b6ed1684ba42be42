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

// Columns [from, to) of one line (image columns; the line buffers start at
// column `first`, the output at column `from`): a pixel of another colour
// keeps it (made opaque unless the picture has alpha); a key pixel takes the
// colour of the first neighbour that is not the key, lower, right, left,
// upper (a later write won when opaque pixels lent their colours line by
// line), or keeps the key, with no alpha either way. Written without
// branches so that the compiler can take several pixels at a time.
void KeyRow(const uint32_t* p, const uint32_t* down, const uint32_t* up, int first, uint32_t* out,
            int from, int to, int width, uint32_t key, uint32_t opaque) {
    auto isKey = [key](uint32_t v) { return (v & 0xFFFFFFu) == key; };
    // A missing neighbour column reads the pixel itself, as lines do.
    auto one = [&](int x, int leftOf, int rightOf) {
        const int i = x - first;
        const uint32_t v = p[i];
        uint32_t lent = v;
        lent = isKey(up[i]) ? lent : up[i];
        lent = isKey(p[leftOf - first]) ? lent : p[leftOf - first];
        lent = isKey(p[rightOf - first]) ? lent : p[rightOf - first];
        lent = isKey(down[i]) ? lent : down[i];
        out[x - from] = isKey(v) ? (lent & 0xFFFFFFu) : (v | opaque);
    };
    const int inFrom = std::max(from, 1), inTo = std::max(inFrom, std::min(to, width - 1));
    for (int x = from; x < std::min(to, inFrom); ++x)
        one(x, x > 0 ? x - 1 : x, x + 1 < width ? x + 1 : x);
    const uint32_t* pi = p + (inFrom - first);
    const uint32_t* di = down + (inFrom - first);
    const uint32_t* ui = up + (inFrom - first);
    uint32_t* oi = out + (inFrom - from);
    const int n = inTo - inFrom;
    for (int k = 0; k < n; ++k) {
        const uint32_t v = pi[k];
        uint32_t lent = v;
        lent = isKey(ui[k]) ? lent : ui[k];
        lent = isKey(pi[k - 1]) ? lent : pi[k - 1];
        lent = isKey(pi[k + 1]) ? lent : pi[k + 1];
        lent = isKey(di[k]) ? lent : di[k];
        oi[k] = isKey(v) ? (lent & 0xFFFFFFu) : (v | opaque);
    }
    for (int x = inTo; x < to; ++x) one(x, x > 0 ? x - 1 : x, x + 1 < width ? x + 1 : x);
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
            // A missing neighbour line or column reads the pixel itself: that
            // is a key pixel whenever a neighbour is asked for, so it never
            // lends its colour.
            const uint32_t* down = y + 1 < h ? p + columns : p;
            const uint32_t* up = y > 0 ? p - columns : p;
            KeyRow(p, down, up, firstColumn, row, left, right, w, key, opaque);
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
