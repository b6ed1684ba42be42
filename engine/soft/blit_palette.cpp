// The clipped path of MemImgBlit for palette sources. Each row's indexes are
// looked up into a row of entries, which then go through the direct-colour
// kernels piece by piece: transparency is decided on the index (the whole
// transparent value, so a value above 255 skips nothing), and a transparent
// index splits the row so that its pixel is never drawn. Pieces start on an
// even column of the row, so the 16-bit two-pixel fast paths pair exactly the
// pixels they would pair in an unbroken row.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "soft/blit_pixel_forms.h"

namespace DuRud {

namespace {

constexpr int kChunk = 512;  // even, so chunks keep the row's pairing

void DrawPiece(const BlitCall& c, bool is32, const uint8_t* entries, uint8_t* d, const uint8_t* b,
               int count) {
    BlitCall piece = c;
    piece.src = entries;
    piece.dst = d;
    piece.blend = b;
    piece.srcSkip = piece.dstSkip = piece.blendSkip = 0;
    piece.w = count;
    piece.h = 1;
    piece.trans = false;
    piece.alpha = false;
    if (is32) {
        BlitClipped32(piece);
    } else {
        BlitClipped16(piece);
    }
}

}  // namespace

void BlitClippedPalette(const BlitCall& c, bool is32) {
    const int unit = is32 ? 4 : 2;
    alignas(16) uint8_t entries[kChunk * 4];
    const uint8_t* srcRow = c.src;
    uint8_t* dstRow = c.dst;
    const uint8_t* blendRow = c.blend;
    const ptrdiff_t srcPitch = ptrdiff_t(c.w) + c.srcSkip;
    const ptrdiff_t dstPitch = ptrdiff_t(c.w) * unit + c.dstSkip;
    const ptrdiff_t blendPitch = ptrdiff_t(c.w) + c.blendSkip;
    for (int y = 0; y < c.h; ++y) {
        for (int x0 = 0; x0 < c.w; x0 += kChunk) {
            const int n = std::min(kChunk, c.w - x0);
            const uint8_t* idx = srcRow + x0;
            for (int i = 0; i < n; ++i)
                std::memcpy(entries + unit * i, c.palette + unit * idx[i], unit);
            auto skipped = [&](int i) { return c.trans && uint32_t(idx[i]) == c.transColor; };
            int i = 0;
            while (i < n) {
                if (skipped(i)) {
                    ++i;
                    continue;
                }
                int end = i + 1;
                while (end < n && !skipped(end)) ++end;
                int start = i;
                if (start % 2 == 1) {
                    // The second pixel of a pair whose first is skipped: alone.
                    DrawPiece(c, is32, entries + unit * start,
                              dstRow + ptrdiff_t(unit) * (x0 + start),
                              c.hasBlend ? blendRow + x0 + start : nullptr, 1);
                    ++start;
                }
                if (end > start) {
                    DrawPiece(c, is32, entries + unit * start,
                              dstRow + ptrdiff_t(unit) * (x0 + start),
                              c.hasBlend ? blendRow + x0 + start : nullptr, end - start);
                }
                i = end;
            }
        }
        srcRow += srcPitch;
        dstRow += dstPitch;
        if (c.hasBlend) blendRow += blendPitch;
    }
}

}  // namespace DuRud
