// The clipped path's kernels for a 32-bit source without palette onto a
// 32-bit destination: one loop per blend mode and combination of blend
// image, brightness, source alpha and transparent flag, plus the half blend
// and the full-strength add and subtract (MMX and plain).
#include <cstring>

#include "soft/additive_rows.h"
#include "soft/blit_pixel_forms.h"
#include "soft/keyed_copy_rows_32.h"
#include "soft/short_row_copy.h"
#include "soft/sprite_rows_avx2.h"
#include "soft/straight_alpha_rows.h"

namespace DuRud {

namespace {

template <int Mode, bool Blend, bool White, bool Alpha, bool Trans>
void Loop32(const BlitCall& c) {
    const uint8_t* s = c.src;
    uint8_t* d = c.dst;
    const uint8_t* b = c.blend;
    for (int y = 0; y < c.h; ++y) {
        for (int x = 0; x < c.w; ++x, s += 4, d += 4) {
            const uint32_t sv = Load32(s);
            uint32_t t = 0;
            if constexpr (Blend) t = c.blendTable[*b++];
            if constexpr (!Alpha) {
                if constexpr (Trans) {
                    if (sv == c.transColor) continue;
                }
                Pixel32<Mode, Blend, White, false>(d, sv, t, c);
            } else if constexpr (Trans) {
                // Alpha 0 is skipped in every mode (modes 10 and 11 would
                // write it back unchanged; mode 4 leaves it instead of
                // drawing black, as the run path does).
                const uint32_t a = sv >> 24;
                if (a == 0) continue;
                if (a == 255) {
                    Pixel32<Mode, Blend, White, false>(d, sv, t, c);
                } else {
                    Pixel32<Mode, Blend, White, true>(d, sv, t, c);
                }
            } else {
                Pixel32<Mode, Blend, White, true>(d, sv, t, c);
            }
        }
        s += c.srcSkip;
        d += c.dstSkip;
        if constexpr (Blend) b += c.blendSkip;
    }
}

void WordRows32(const BlitCall& c, WordRowOp op) {
    const ptrdiff_t bytes = ptrdiff_t(c.w) * 4;
    MemImgWordRowsSimd(op, c.dst, bytes + c.dstSkip, c.src, bytes + c.srcSkip, c.w, c.h, c.trans,
                       c.transColor);
}

// The keyed copy (brightness white, no blend image, no alpha, the
// transparent flag set): eight pixels per step (AVX2) where the rows lie
// apart; rows onto themselves keep the four-pixel word rows' order.
[[gnu::target("avx2")]] void KeyedRows32Avx2(const BlitCall& c) {
    const uint8_t* s = c.src;
    uint8_t* d = c.dst;
    const ptrdiff_t bytes = ptrdiff_t(c.w) * 4;
    for (int y = 0; y < c.h; ++y, s += bytes + c.srcSkip, d += bytes + c.dstSkip) {
        KeyedRow32Avx2(d, s, c.w, c.transColor);
    }
}

void KeyedRows32(const BlitCall& c) {
    static const bool avx2 = __builtin_cpu_supports("avx2");
    const ptrdiff_t bytes = ptrdiff_t(c.w) * 4;
    if (avx2 &&
        !RowSpansOverlap(c.dst, bytes + c.dstSkip, c.src, bytes + c.srcSkip, size_t(bytes), c.h)) {
        KeyedRows32Avx2(c);
    } else {
        WordRows32(c, WordRowOp::Copy);
    }
}

// The plain full-strength add (no (d OR x) term) and subtract, x = s.
template <bool Add, bool Trans>
void FullStrength32(const BlitCall& c) {
    const uint8_t* s = c.src;
    uint8_t* d = c.dst;
    for (int y = 0; y < c.h; ++y) {
        for (int x = 0; x < c.w; ++x, s += 4, d += 4) {
            const uint32_t sv = Load32(s);
            if constexpr (Trans) {
                if (sv == c.transColor) continue;
            }
            const uint32_t dv = Load32(d);
            Store32(d, Add ? MemImgAdd32NoTerm(dv, sv) : MemImgSubtract32(dv, sv));
        }
        s += c.srcSkip;
        d += c.dstSkip;
    }
}

// The plain source added at any strength, without transparency: four
// words per step, the loops' bytes.
template <bool Scaled>
void AddRows32(const BlitCall& c) {
    const uint8_t* s = c.src;
    uint8_t* d = c.dst;
    const size_t bytes = size_t(c.w) * 4;
    for (int y = 0; y < c.h; ++y) {
        AddRowSimd<Scaled>(d, s, c.w, c.p);
        s += bytes + c.srcSkip;
        d += bytes + c.dstSkip;
    }
}

template <bool Add>
void FullStrength32(const BlitCall& c) {
    if constexpr (Add) {
        if (!c.trans) {
            AddRows32<false>(c);
            return;
        }
    }
    if (c.trans) {
        FullStrength32<Add, true>(c);
    } else {
        FullStrength32<Add, false>(c);
    }
}

void SpriteRowsSse2(const SpriteCall& c) {
    const uint8_t* s = c.src;
    uint8_t* d = c.dst;
    for (int y = 0; y < c.h; ++y, s += c.srcPitch, d += c.dstPitch) {
        AlphaRowSimd<AlphaRowOp::Sprite>(d, s, c.w);
    }
}

[[gnu::target("avx2")]] void SpriteRowsAvx2(const SpriteCall& c) {
    const uint8_t* s = c.src;
    uint8_t* d = c.dst;
    for (int y = 0; y < c.h; ++y, s += c.srcPitch, d += c.dstPitch) SpriteRowAvx2(d, s, c.w);
}

void ConstantAlphaRows32(const BlitCall& c) {
    const uint8_t* s = c.src;
    uint8_t* d = c.dst;
    const size_t bytes = size_t(c.w) * 4;
    for (int y = 0; y < c.h; ++y) {
        AlphaRowSimd<AlphaRowOp::Constant>(d, s, c.w, uint32_t(c.p));
        s += bytes + c.srcSkip;
        d += bytes + c.dstSkip;
    }
}

template <int Mode>
void Select32(const BlitCall& c) {
    const bool plainSource = !c.hasBlend && c.white && !c.alpha;
    if constexpr (Mode == 1) {
        if (plainSource && c.p == 128) {
            // The MMX half blend equals the plain one; both run the SIMD row.
            WordRows32(c, WordRowOp::Half);
            return;
        }
        if (plainSource && !c.trans) {
            // Any other constant alpha: four pixels per step, the loop's bytes.
            ConstantAlphaRows32(c);
            return;
        }
    }
    if constexpr (Mode == 2 || Mode == 3) {
        if (plainSource && c.p == 255) {
            if (c.mmx) {
                WordRows32(c, Mode == 2 ? WordRowOp::AddSaturate : WordRowOp::SubtractSaturate);
            } else {
                FullStrength32<Mode == 2>(c);
            }
            return;
        }
        if (Mode == 2 && plainSource && !c.trans) {
            AddRows32<true>(c);
            return;
        }
    }
    if constexpr (Mode == 0) {
        // Brightness white, no blend image, no transparency: the source
        // words are copied whole, alpha byte included. With transparency
        // and no alpha, the keyed copy does the same a block at a time.
        if (!c.hasBlend && c.white && !c.trans) {
            const ptrdiff_t bytes = ptrdiff_t(c.w) * 4;
            CopyRows(c.dst, bytes + c.dstSkip, c.src, bytes + c.srcSkip, size_t(bytes), c.h);
            return;
        }
        if (!c.hasBlend && c.white && !c.alpha) {
            KeyedRows32(c);
            return;
        }
        // The straight-alpha sprite: four or eight pixels per step, same
        // bytes as the one-pixel loop.
        if (!c.hasBlend && c.white) {
            BlitClippedSprite32(SpriteCallOf(c, 4));
            return;
        }
    }
    WithBool(c.hasBlend, [&](auto blend) {
        WithBool(c.white, [&](auto white) {
            WithBool(c.alpha, [&](auto alpha) {
                WithBool(c.trans,
                         [&](auto trans) { Loop32<Mode, blend(), white(), alpha(), trans()>(c); });
            });
        });
    });
}

}  // namespace

void BlitClippedSprite32(const SpriteCall& c) {
    static const bool avx2 = __builtin_cpu_supports("avx2");
    if (avx2 && !RowSpansOverlap(c.dst, c.dstPitch, c.src, c.srcPitch, size_t(c.w) * 4, c.h)) {
        SpriteRowsAvx2(c);
    } else {
        SpriteRowsSse2(c);
    }
}

void BlitClipped32(const BlitCall& c) {
    WithBlendMode(c.mode, [&](auto mode) { Select32<mode()>(c); });
}

}  // namespace DuRud
