// The run-table walk both depths share. Each row is read until its end byte;
// a run never reaches past the row's width and the walk never reads past the
// table, so a damaged table can cost pixels but not memory outside the images.
#pragma once

#include <algorithm>

#include "soft/blit_pixel_forms.h"

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

}  // namespace DuRud
