// The clipped path's kernels for a 16-bit R5G6B5 source without palette
// onto a 16-bit destination: one loop per blend mode and combination of
// blend image, brightness, source alpha and transparent flag, plus the half
// form and six-bit mix of blend mode 1 and the two-pixel fast paths of blend
// modes 2 and 3. The MMX flag is not read here.
#include <cstring>

#include "soft/blit_pixel_forms.h"
#include "soft/keyed_copy_rows_16.h"
#include "soft/short_row_copy.h"
#include "soft/sprite_rows_avx2.h"
#include "soft/straight_alpha_rows_16.h"

namespace DuRud {

namespace {

template <int Mode, bool Blend, bool White, bool Alpha, bool Trans>
void Loop16(const BlitCall& c) {
    constexpr int sb = Alpha ? 4 : 2;
    const uint8_t* s = c.src;
    uint8_t* d = c.dst;
    const uint8_t* b = c.blend;
    for (int y = 0; y < c.h; ++y) {
        for (int x = 0; x < c.w; ++x, s += sb, d += 2) {
            uint32_t t = 0;
            if constexpr (Blend) t = c.blendTable[*b++];
            if constexpr (!Alpha) {
                const uint32_t sv = Load16(s);
                if constexpr (Trans) {
                    // Compared widened: a stored value above 0xFFFF matches nothing.
                    if (sv == c.transColor) continue;
                }
                Store16(d, Pixel16<Mode, Blend, White, false>(Load16(d), sv, 0, t, c));
            } else {
                const uint32_t sv = Load32(s);
                const uint32_t s16 = sv & 0xFFFF;
                const uint32_t a = (sv >> 16) & 0xFF;
                if constexpr (Trans) {
                    // Alpha 0 is skipped in every mode: mode 11 would write it
                    // back unchanged, and mode 4 no longer draws it black.
                    if (a == 0) continue;
                    if (a == 255) {
                        Store16(d, Pixel16<Mode, Blend, White, false>(Load16(d), s16, 0, t, c));
                        continue;
                    }
                }
                Store16(d, Pixel16<Mode, Blend, White, true>(Load16(d), s16, a, t, c));
            }
        }
        s += c.srcSkip;
        d += c.dstSkip;
        if constexpr (Blend) b += c.blendSkip;
    }
}

// Brightness white, no blend image, no transparency, blend mode 0: the
// 16-bit colours are copied (the alpha byte of a 4-byte source dropped).
void CopyRows16(const BlitCall& c) {
    const uint8_t* s = c.src;
    uint8_t* d = c.dst;
    if (!c.alpha) {
        const ptrdiff_t bytes = ptrdiff_t(c.w) * 2;
        CopyRows(d, bytes + c.dstSkip, s, bytes + c.srcSkip, size_t(bytes), c.h);
        return;
    }
    for (int y = 0; y < c.h; ++y) {
        AlphaRow16Simd<AlphaRowOp::Opaque>(d, s, c.w);
        s += size_t(c.w) * 4 + c.srcSkip;
        d += size_t(c.w) * 2 + c.dstSkip;
    }
}

// Brightness white, no blend image, no alpha, the transparent flag set,
// blend mode 0: the keyed copy eight pixels per step. Rows onto themselves
// keep the one-pixel loop's order.
bool KeyedRows16(const BlitCall& c) {
    const size_t bytes = size_t(c.w) * 2;
    const ptrdiff_t srcPitch = ptrdiff_t(bytes) + c.srcSkip;
    const ptrdiff_t dstPitch = ptrdiff_t(bytes) + c.dstSkip;
    if (RowSpansOverlap(c.dst, dstPitch, c.src, srcPitch, bytes, c.h)) return false;
    const uint8_t* s = c.src;
    uint8_t* d = c.dst;
    for (int y = 0; y < c.h; ++y, s += srcPitch, d += dstPitch) {
        KeyedRow16Simd(d, s, c.w, c.transColor);
    }
    return true;
}

// The straight-alpha sprite: four pixels per step (SSE2) or eight (AVX2,
// rows apart), the loop's bytes either way.
void SpriteRowsSse2(const SpriteCall& c) {
    const uint8_t* s = c.src;
    uint8_t* d = c.dst;
    for (int y = 0; y < c.h; ++y, s += c.srcPitch, d += c.dstPitch) {
        AlphaRow16Simd<AlphaRowOp::Sprite>(d, s, c.w);
    }
}

[[gnu::target("avx2")]] void SpriteRowsAvx2(const SpriteCall& c) {
    const uint8_t* s = c.src;
    uint8_t* d = c.dst;
    for (int y = 0; y < c.h; ++y, s += c.srcPitch, d += c.dstPitch) SpriteRow16Avx2(d, s, c.w);
}

// Blend mode 1, brightness white, no blend image, no alpha: the half form
// at p = 128, the six-bit mix layer p / 4 otherwise.
template <bool Half, bool Trans>
void Parameter16(const BlitCall& c) {
    const uint8_t* s = c.src;
    uint8_t* d = c.dst;
    for (int y = 0; y < c.h; ++y) {
        for (int x = 0; x < c.w; ++x, s += 2, d += 2) {
            const uint32_t sv = Load16(s);
            if constexpr (Trans) {
                if (sv == c.transColor) continue;
            }
            const uint32_t dv = Load16(d);
            if constexpr (Half) {
                Store16(d, uint16_t(MemImgHalf16(dv, sv)));
            } else {
                const uint32_t r = c.mix6[sv >> 11][dv >> 11];
                const uint32_t g = c.mix6[(sv >> 5) & 63][(dv >> 5) & 63];
                const uint32_t bl = c.mix6[sv & 31][dv & 31];
                Store16(d, uint16_t(r << 11 | g << 5 | bl));
            }
        }
        s += c.srcSkip;
        d += c.dstSkip;
    }
}

// Blend modes 2 and 3 at p = 255, brightness white, no blend image, no
// alpha: two pixels per step from the clipped row start, x = s. A pixel
// drawn alone takes the one-pixel form (the add without its (d OR x) term).
template <bool Add, bool Trans>
void FastPairs16(const BlitCall& c) {
    const uint8_t* s = c.src;
    uint8_t* d = c.dst;
    auto one = [](uint32_t dv, uint32_t sv) -> uint16_t {
        return Add ? MemImgAdd16NoTerm(dv, sv) : MemImgSubtract16(dv, sv);
    };
    for (int y = 0; y < c.h; ++y) {
        int x = 0;
        for (; x + 2 <= c.w; x += 2, s += 4, d += 4) {
            const uint32_t sw = Load32(s);
            if constexpr (Trans) {
                const bool left = (sw & 0xFFFF) == c.transColor;
                const bool right = (sw >> 16) == c.transColor;
                if (left || right) {
                    if (!left) Store16(d, one(Load16(d), sw & 0xFFFF));
                    if (!right) Store16(d + 2, one(Load16(d + 2), sw >> 16));
                    continue;
                }
            }
            const uint32_t dw = Load32(d);
            Store32(d, Add ? MemImgAdd16Pair(dw, sw) : MemImgSubtract16Pair(dw, sw));
        }
        if (x < c.w) {
            const uint32_t sv = Load16(s);
            if (!Trans || sv != c.transColor) Store16(d, one(Load16(d), sv));
            s += 2;
            d += 2;
        }
        s += c.srcSkip;
        d += c.dstSkip;
    }
}

template <int Mode>
void Select16(const BlitCall& c) {
    const bool plainSource = !c.hasBlend && c.white && !c.alpha;
    if constexpr (Mode == 1) {
        if (plainSource) {
            WithBool(c.p == 128, [&](auto half) {
                WithBool(c.trans, [&](auto trans) { Parameter16<half(), trans()>(c); });
            });
            return;
        }
    }
    if constexpr (Mode == 2 || Mode == 3) {
        if (plainSource && c.p == 255) {
            WithBool(c.trans, [&](auto trans) { FastPairs16<Mode == 2, trans()>(c); });
            return;
        }
    }
    if constexpr (Mode == 0) {
        if (!c.hasBlend && c.white && !c.trans) {
            CopyRows16(c);
            return;
        }
        if (!c.hasBlend && c.white && c.alpha) {
            BlitClippedSprite16(SpriteCallOf(c, 2));
            return;
        }
        if (!c.hasBlend && c.white && !c.alpha && KeyedRows16(c)) return;
    }
    WithBool(c.hasBlend, [&](auto blend) {
        WithBool(c.white, [&](auto white) {
            WithBool(c.alpha, [&](auto alpha) {
                WithBool(c.trans,
                         [&](auto trans) { Loop16<Mode, blend(), white(), alpha(), trans()>(c); });
            });
        });
    });
}

}  // namespace

void BlitClippedSprite16(const SpriteCall& c) {
    static const bool avx2 = __builtin_cpu_supports("avx2");
    // Overlap is judged on the source's four-byte pixels, the wider span.
    if (avx2 && !RowSpansOverlap(c.dst, c.dstPitch, c.src, c.srcPitch, size_t(c.w) * 4, c.h)) {
        SpriteRowsAvx2(c);
    } else {
        SpriteRowsSse2(c);
    }
}

void BlitClipped16(const BlitCall& c) {
    WithBlendMode(c.mode, [&](auto mode) { Select16<mode()>(c); });
}

}  // namespace DuRud
