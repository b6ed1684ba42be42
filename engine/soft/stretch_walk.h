// The stretched blit's per-call state and the row and pixel walk every
// stretched kernel shares. Two 16.16 accumulators say when the source (and
// blend-image) pointers move to the next pixel and row; each kernel uses one
// of two advance forms. The walk hands a kernel one source pixel with the
// run of destination pixels that show it, so a kernel classifies and fetches
// each source pixel once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <algorithm>
#include <cstring>

#include "soft/blit_pixel_forms.h"

namespace DuRud {

struct StretchCall {
    BlitCall k;  // draw-state values the per-pixel forms read
    const uint8_t* src = nullptr;
    const uint8_t* blend = nullptr;  // null without a blend image
    uint8_t* dst = nullptr;
    ptrdiff_t srcStepX = 0, srcStepY = 0;  // to the next source pixel / row (signed)
    ptrdiff_t blendStepX = 0, blendStepY = 0;
    ptrdiff_t dstPitch = 0;
    int w = 0, h = 0;                      // clipped destination size, both > 0
    int32_t stepX = 0, stepY = 0;          // 16.16 destination pixels per source pixel, >= 1
    int32_t accX0 = 0, accY0 = 0;          // accumulator start values, in 1..step
    const uint8_t* workPalette = nullptr;  // palette sources: all 256 entries
};

// Inclusive: the accumulator advances while <= 0, so destination offset d
// shows source pixel floor(d * 65536 / step). Strict: after the first step
// it advances only while < 0, landing one pixel earlier on an exact hit.
enum class Advance { Inclusive, Strict };

// One destination row from the source row at s (blend row at b).
// run(s, b, d, n): draw n destination pixels from d on, all showing the
// source pixel at s (blend byte at b). The source pointer moves only when
// another destination pixel follows, so no row is read past its end.
template <Advance Form, int DstBpp, bool Blend, class Run>
inline void StretchRow(const StretchCall& c, const uint8_t* s, const uint8_t* b, uint8_t* d,
                       Run& run) {
    int32_t accX = c.accX0;
    int x = 0;
    for (;;) {
        int n = 0;
        do {
            ++n;
            if (x + n == c.w) break;
            accX -= 65536;
        } while (accX > 0);
        run(s, b, d, n);
        x += n;
        if (x == c.w) return;
        d += ptrdiff_t(n) * DstBpp;
        do {
            accX += c.stepX;
            s += c.srcStepX;
            if constexpr (Blend) b += c.blendStepX;
        } while (Form == Advance::Strict ? accX < 0 : accX <= 0);
    }
}

// Every row of the clipped rectangle: row(s, b, d) draws one destination
// row from the source row at s (blend row at b). RepeatRows: the kernel's
// result does not depend on the destination, so a row that shows the same
// source row as the row above is copied from it.
template <Advance Form, int DstBpp, bool Blend, bool RepeatRows, class Row>
inline void StretchRows(const StretchCall& c, Row&& row) {
    const uint8_t* srcRow = c.src;
    const uint8_t* blendRow = c.blend;
    uint8_t* dstRow = c.dst;
    int32_t accY = c.accY0;
    bool repeat = false;  // this row shows the source row of the row above
    for (int y = 0;;) {
        if (RepeatRows && repeat) {
            std::memcpy(dstRow, dstRow - c.dstPitch, size_t(c.w) * DstBpp);
        } else {
            row(srcRow, blendRow, dstRow);
        }
        if (++y == c.h) return;
        dstRow += c.dstPitch;
        accY -= 65536;
        repeat = accY > 0;
        if (!repeat) {
            do {
                accY += c.stepY;
                srcRow += c.srcStepY;
                if constexpr (Blend) blendRow += c.blendStepY;
            } while (Form == Advance::Strict ? accY < 0 : accY <= 0);
        }
    }
}

// Every row, each walked pixel by pixel from accX0.
template <Advance Form, int DstBpp, bool Blend, bool RepeatRows = false, class Run>
inline void StretchWalk(const StretchCall& c, Run&& run) {
    StretchRows<Form, DstBpp, Blend, RepeatRows>(
        c, [&](const uint8_t* s, const uint8_t* b, uint8_t* d) {
            StretchRow<Form, DstBpp, Blend>(c, s, b, d, run);
        });
}

// n destination pixels of one value.
template <int DstBpp>
inline void FillPixels(uint8_t* d, uint32_t v, int n) {
    for (int i = 0; i < n; ++i) {
        if constexpr (DstBpp == 4) {
            std::memcpy(d + 4 * i, &v, 4);
        } else {
            const uint16_t h = uint16_t(v);
            std::memcpy(d + 2 * i, &h, 2);
        }
    }
}

// A row whose horizontal step is a whole number k of pixels: after the
// first (clipped) run every source pixel shows as exactly k pixels, so the
// row is a plain repeat without the accumulator. Doubling, the common case,
// writes each pair in one store.
template <int DstBpp, class Value>
inline void RepeatPixelsRow(const StretchCall& c, const uint8_t* s, uint8_t* d, Value& value) {
    const int k = c.stepX >> 16;
    int left = c.w;
    int n = std::min((c.accX0 + 65535) >> 16, left);
    FillPixels<DstBpp>(d, value(s), n);
    left -= n;
    d += ptrdiff_t(n) * DstBpp;
    s += c.srcStepX;
    if (k == 2) {
        for (; left >= 2; left -= 2, d += 2 * DstBpp, s += c.srcStepX) {
            const uint32_t v = value(s);
            if constexpr (DstBpp == 4) {
                const uint64_t pair = uint64_t(v) | uint64_t(v) << 32;
                std::memcpy(d, &pair, 8);
            } else {
                const uint32_t pair = (v & 0xFFFF) * 0x10001u;
                std::memcpy(d, &pair, 4);
            }
        }
    } else {
        for (; left >= k; left -= k, d += ptrdiff_t(k) * DstBpp, s += c.srcStepX)
            FillPixels<DstBpp>(d, value(s), k);
    }
    if (left > 0) FillPixels<DstBpp>(d, value(s), left);
}

// The walk of the copy kernels, whose every destination pixel is the value
// its source pixel maps to (value(s)): rows showing the row above's source
// row are copied from it, and whole-number horizontal steps take the repeat
// row.
template <Advance Form, int DstBpp, class Value>
inline void StretchCopyWalk(const StretchCall& c, Value&& value) {
    if ((c.stepX & 0xFFFF) == 0) {
        StretchRows<Form, DstBpp, false, true>(c,
                                               [&](const uint8_t* s, const uint8_t*, uint8_t* d) {
                                                   RepeatPixelsRow<DstBpp>(c, s, d, value);
                                               });
        return;
    }
    StretchWalk<Form, DstBpp, false, true>(c, [&](const uint8_t* s, const uint8_t*, uint8_t* d,
                                                  int n) { FillPixels<DstBpp>(d, value(s), n); });
}

// The kernel groups (one per file).
void StretchGroup32(const StretchCall& c);
void StretchGroup16(const StretchCall& c);
void StretchGroupPalette(const StretchCall& c, bool is32);

}  // namespace DuRud
