// A slow reference of the stretched blit: which source pixel each
// destination pixel shows, worked out from positions rather than
// accumulators, and the per-pixel rules of the whole-image reference with
// the stretched blit's forms.
#pragma once

#include <algorithm>
#include <climits>
#include <cstdint>
#include <vector>

#include "../soft_blit/blit_reference.h"

namespace softblit {

// Source indexes along one axis for the destination offsets first ..
// first + count - 1, counted from the unclipped near edge. Source pixel j
// covers positions [j * step, (j + 1) * step) of d * 65536. The inclusive
// form shows the pixel under each position. The strict form moves on only
// once the next pixel's start is reached, and then stops one pixel short of
// the inclusive choice when a position falls exactly on a pixel start.
// Both start at the pixel under the first drawn position.
inline std::vector<int> RefSourceIndexes(int64_t extent, int source, int64_t first, int count,
                                         bool strict, bool mirror) {
    const int64_t step = extent * 65536 / source;
    std::vector<int> out;
    int64_t j = first * 65536 / step;
    for (int i = 0; i < count; ++i) {
        const int64_t pos = (first + i) * 65536;
        if (i > 0 && (j + 1) * step <= pos) {
            const int64_t under = pos / step;
            const int64_t justBefore = (pos + step - 1) / step - 1;
            j = strict ? std::max(j + 1, justBefore) : under;
        }
        out.push_back(int(mirror ? source - 1 - j : j));
    }
    return out;
}

// Whether the stretched blit draws this call with the strict advance.
inline bool RefStrict(const Canvas& src, const Canvas* blend, const DrawState& state) {
    const bool plain = !blend && RefWhite(state.bright) && src.body()->alphaFlag != 1;
    const int mode = state.mode == 1 && state.p == 255 ? 0 : state.mode;
    return plain && (mode == 0 || (mode == 3 && state.p == 255));
}

// The expected store of dst after MemImgBlitStretch(dst.view, src.view,
// &rect, trans, blend ? &blend->view : null) under `state`.
inline std::vector<uint8_t> RefStretch(const Canvas& dst, const Canvas& src, const RECT& rect,
                                       int trans, const Canvas* blend, const DrawState& state,
                                       bool mmx) {
    std::vector<uint8_t> store = dst.Store();
    const int64_t x1 = rect.left, y1 = rect.top, x2 = rect.right, y2 = rect.bottom;
    const bool mirrorX = x1 > x2, mirrorY = y1 > y2;
    const int64_t left0 = std::min(x1, x2), top0 = std::min(y1, y2);
    const int64_t dw = std::max(x1, x2) - left0, dh = std::max(y1, y2) - top0;
    if (dw == 0 || dh == 0) return store;
    if (dw == src.w() && dh == src.h() && !mirrorX && !mirrorY) {
        return RefBlit(dst, src, int(left0), int(top0), trans, blend, state, mmx, false);
    }
    if (dw >= 32768 || dh >= 32768) return store;

    RefCall k;
    if (!RefCallSettings(src, trans, blend, state, mmx, &k)) return store;
    k.stretch = true;
    const bool palette = src.body()->paletteFlag == 1;

    const int64_t left = std::max<int64_t>({left0, state.area.left, 0});
    const int64_t top = std::max<int64_t>({top0, state.area.top, 0});
    const int64_t right = std::min<int64_t>({left0 + dw, state.area.right, dst.w()});
    const int64_t bottom = std::min<int64_t>({top0 + dh, state.area.bottom, dst.h()});
    if (right <= left || bottom <= top) return store;
    const bool strict = RefStrict(src, blend, state);
    const std::vector<int> cols =
        RefSourceIndexes(dw, src.w(), left - left0, int(right - left), strict, mirrorX);
    const std::vector<int> rows =
        RefSourceIndexes(dh, src.h(), top - top0, int(bottom - top), strict, mirrorY);

    const uint8_t* base = dst.body()->pixelStore;
    const bool is16 = dst.colorType == DuRud::kMemImgColor16;
    for (int64_t dy = top; dy < bottom; ++dy) {
        for (int64_t dx = left; dx < right; ++dx) {
            const int sx = cols[size_t(dx - left)], sy = rows[size_t(dy - top)];
            const size_t off = size_t(dst.At(int(dx), int(dy)) - base);
            uint32_t d = 0;
            std::memcpy(&d, &store[off], dst.bpp);
            const uint32_t raw = src.Get(sx, sy);
            uint32_t s = raw;
            RefCall kp = k;
            if (palette) {
                // The index against the whole transparent value.
                if (k.trans && raw == k.transColor) continue;
                s = src.PaletteEntry(raw & 0xFF);
                kp.trans = false;
            }
            const int t = blend ? DuRud::MemImgBlendImageTable[blend->Get(sx, sy) & 0xFF] : 0;
            uint32_t v;
            if (!is16) {
                v = RefPixel32(kp, s, d, t, 1);
            } else {
                const int a = k.alpha ? int((s >> 16) & 0xFF) : 0;
                v = RefPixel16(kp, s & 0xFFFF, a, d, t, 1);
            }
            std::memcpy(&store[off], &v, dst.bpp);
        }
    }
    return store;
}

}  // namespace softblit
