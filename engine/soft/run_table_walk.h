// The run-table walk both depths share. Each row is read until its end byte;
// a run never reaches past the row's width and the walk never reads past the
// table, so a damaged table can cost pixels but not memory outside the images.
#pragma once

#include <algorithm>
#include <array>

#include "soft/blit_pixel_forms.h"
#include "soft/short_row_copy.h"

namespace DuRud {

// draw(s, d, b, length, translucent) draws one run and returns nothing; the
// walk then advances the pointers. srcBpp and dstBpp are bytes per pixel.
template <bool Blend, class Draw>
inline void WalkRuns(const BlitCall& c, int srcBpp, int dstBpp, Draw&& draw) {
    const uint8_t* run = c.runs;
    const uint8_t* srcRow = c.src;
    uint8_t* dstRow = c.dst;
    const uint8_t* blendRow = c.blend;
    const ptrdiff_t srcPitch = ptrdiff_t(c.w) * srcBpp + c.srcSkip;
    const ptrdiff_t dstPitch = ptrdiff_t(c.w) * dstBpp + c.dstSkip;
    const ptrdiff_t blendPitch = ptrdiff_t(c.w) + c.blendSkip;
    for (int y = 0; y < c.h; ++y) {
        const uint8_t* s = srcRow;
        uint8_t* d = dstRow;
        const uint8_t* b = blendRow;
        int x = 0;
        while (run < c.runsEnd) {
            const uint8_t code = *run++;
            const int kind = code >> 6;
            if (kind == 3) break;
            const int length = std::min((code & 0x3F) + 1, c.w - x);
            if (kind != 0 && length > 0) draw(s, d, b, length, kind == 2);
            x += length;
            s += ptrdiff_t(length) * srcBpp;
            d += ptrdiff_t(length) * dstBpp;
            if constexpr (Blend) b += length;
        }
        srcRow += srcPitch;
        dstRow += dstPitch;
        if constexpr (Blend) blendRow += blendPitch;
    }
}

// A code's run length (its low six bits plus one), read instead of worked
// out: the sprite walk spends most of its time reading codes.
inline constexpr auto kRunLength = [] {
    std::array<uint8_t, 256> t{};
    for (int i = 0; i < 256; ++i) t[size_t(i)] = uint8_t((i & 0x3F) + 1);
    return t;
}();

// The sprite walk (blend mode 0, white, no blend image, a source with the
// alpha flag, four bytes a source pixel) for calls whose source and
// destination rows lie apart. Forms gives kDstBpp, Opaque<Avx2>(d, s, n) and
// Translucent<Avx2>(d, s, n, left), left being the row's pixels from d on.
// Only the pixels left advance code by
// code; the pointers are made from them for the runs that draw.
template <class Forms, bool Avx2>
[[gnu::always_inline]] inline void WalkSpriteRuns(const SpriteCall& c) {
    const uint8_t* run = c.runs;
    const uint8_t* const runsEnd = c.runsEnd;
    const int w = c.w;
    const uint8_t* srcRow = c.src;
    uint8_t* dstRow = c.dst;
    const ptrdiff_t srcPitch = c.srcPitch;
    const ptrdiff_t dstPitch = c.dstPitch;
    for (int y = c.h; y > 0; --y, srcRow += srcPitch, dstRow += dstPitch) {
        int left = w;
        while (run < runsEnd) {
            const uint32_t code = *run++;
            if (code >= 0xC0) break;
            const int length = std::min(int(kRunLength[code]), left);
            if (code >= 0x40) {
                const int x = w - left;
                const uint8_t* s = srcRow + ptrdiff_t(x) * 4;
                uint8_t* d = dstRow + ptrdiff_t(x) * Forms::kDstBpp;
                if (code >= 0x80) {
                    Forms::template Translucent<Avx2>(d, s, length, left);
                } else {
                    Forms::template Opaque<Avx2>(d, s, length);
                }
            }
            left -= length;
        }
    }
}

// Whether the sprite walk may draw the call: rows onto themselves keep the
// run walk's order.
inline bool SpriteRowsApart(const SpriteCall& c) {
    return !RowSpansOverlap(c.dst, c.dstPitch, c.src, c.srcPitch, size_t(c.w) * 4, c.h);
}

}  // namespace DuRud
