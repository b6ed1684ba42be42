// MemImgFillRect: one colour over an axis-aligned rectangle (or the whole
// image) under the blend mode, clipped to the draw area inside the image.
#include <algorithm>
#include <cstddef>
#include <cstring>

#include "core/math.h"
#include "soft/fill_rows.h"
#include "soft/flat_colour.h"
#include "soft/memimg_renderer.h"

namespace DuRud {

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
        if constexpr (Mode == 0) {
            static const bool avx2 = __builtin_cpu_supports("avx2");
            const uint32_t word = Is32 ? k.c : k.c | (k.c << 16);
            if (avx2) {
                FillRowsAvx2(row, pitch, h, word, size_t(w) * bpp);
            } else {
                FillRowsSimd(row, pitch, h, word, size_t(w) * bpp);
            }
        } else {
            for (int y = 0; y < h; ++y, row += pitch) {
                for (int x = 0; x < w; ++x) FlatCombine<Is32, Mode>(row + bpp * x, k);
            }
        }
    });
}

}  // namespace DuRud
