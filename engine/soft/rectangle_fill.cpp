// MemImgFillRect: one colour over an axis-aligned rectangle (or the whole
// image) under the blend mode, clipped to the draw area inside the image.
#include <emmintrin.h>

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "core/math.h"
#include "soft/flat_colour.h"
#include "soft/memimg_renderer.h"

namespace DuRud {

namespace {

// bytes (even) of a row filled with the four-byte word repeated from its
// start: one colour, so every 16-byte store is the same whatever the row's
// alignment (a 16-bit row starting at an odd column included).
void FillRow(uint8_t* d, uint32_t word, size_t bytes) {
    const __m128i v = _mm_set1_epi32(int32_t(word));
    for (; bytes >= 64; bytes -= 64, d += 64) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d), v);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + 16), v);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + 32), v);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + 48), v);
    }
    for (; bytes >= 16; bytes -= 16, d += 16) _mm_storeu_si128(reinterpret_cast<__m128i*>(d), v);
    for (; bytes >= 4; bytes -= 4, d += 4) std::memcpy(d, &word, 4);
    if (bytes) std::memcpy(d, &word, bytes);
}

}  // namespace

void MemImgFillRect(MEMIMG* dest, const RECT* rect, uint32_t colour) {
    RECT area;
    bool is32 = false;
    if (!FlatTarget(dest, &area, &is32)) return;
    RECT r = rect ? *rect : RECT{0, 0, dest->width, dest->height};
    if (r.left > r.right) std::swap(r.left, r.right);
    if (r.top > r.bottom) std::swap(r.top, r.bottom);
    ClipRect(&r, &area);
    const int w = r.right - r.left;
    const int h = r.bottom - r.top;
    if (w <= 0 || h <= 0) return;

    const int p = MemImgDrawState.blendParameter;
    const int mode = FlatEffectiveMode(MemImgDrawState.blendMode, p);
    if (mode < 0) return;
    const FlatColour k =
        FlatPrepare(FlatLightFillLine(colour, is32, MemImgDrawState.drawBright), is32, p);
    const ptrdiff_t pitch = dest->body->pitch;
    const int bpp = is32 ? 4 : 2;
    uint8_t* row = dest->pixels + pitch * r.top + ptrdiff_t(bpp) * r.left;

    FlatDispatch(is32, mode, [&](auto depth, auto m) {
        constexpr bool Is32 = decltype(depth)::value;
        constexpr int Mode = decltype(m)::value;
        for (int y = 0; y < h; ++y, row += pitch) {
            if constexpr (Mode == 0) {
                FillRow(row, Is32 ? k.c : k.c | (k.c << 16), size_t(w) * bpp);
            } else {
                for (int x = 0; x < w; ++x) FlatCombine<Is32, Mode>(row + bpp * x, k);
            }
        }
    });
}

}  // namespace DuRud
