// The run-table path on 16-bit R5G6B5 pixels: palette sources (16-bit
// entries of the body's own palette) and direct sources with or without an
// alpha byte. Plain integer code only; the MMX flag is not read.
#include "soft/run_table_walk.h"
#include "soft/short_row_copy.h"
#include "soft/straight_alpha_blocks_avx2.h"
#include "soft/straight_alpha_rows_16.h"

namespace DuRud {

namespace {

// Sprites whose source and destination rows lie apart: opaque runs four
// pixels per step, translucent runs weighted in one step of four pixels
// (eight with AVX2) where the run fits it and the row has room for it; the
// run walk's bytes either way.
template <bool Avx2>
[[gnu::always_inline]] inline void SpriteRunsWalk16(const BlitCall& c) {
    const uint8_t* run = c.runs;
    const uint8_t* const runsEnd = c.runsEnd;
    const int w = c.w;
    const uint8_t* srcRow = c.src;
    uint8_t* dstRow = c.dst;
    const ptrdiff_t srcPitch = ptrdiff_t(w) * 4 + c.srcSkip;
    const ptrdiff_t dstPitch = ptrdiff_t(w) * 2 + c.dstSkip;
    for (int y = 0; y < c.h; ++y, srcRow += srcPitch, dstRow += dstPitch) {
        // The pointers and the pixels left advance run by run: the walk
        // costs more than the pixels of a short run.
        const uint8_t* s = srcRow;
        uint8_t* d = dstRow;
        int left = w;
        while (run < runsEnd) {
            const uint8_t code = *run++;
            if (code >= 0xC0) break;
            const int length = std::min((code & 0x3F) + 1, left);
            if (code >= 0x80) {
                if (Avx2 && length <= 8 && left >= 8) {
                    if constexpr (Avx2) WeightedBlock16Avx2(d, s, length);
                } else if (length <= 4 && left >= 4) {
                    WeightedBlock16Simd(d, s, length);
                } else {
                    AlphaRow16Simd<AlphaRowOp::Weighted>(d, s, length);
                }
            } else if (code >= 0x40) {
                OpaqueRun16Simd(d, s, length);
            }
            s += ptrdiff_t(length) * 4;
            d += ptrdiff_t(length) * 2;
            left -= length;
        }
    }
}

void SpriteRuns16(const BlitCall& c) {
    SpriteRunsWalk16<false>(c);
}

[[gnu::target("avx2")]] void SpriteRuns16Avx2(const BlitCall& c) {
    SpriteRunsWalk16<true>(c);
}

template <int Mode, bool Blend, bool White, bool Alpha, bool Palette>
void Runs16(const BlitCall& c) {
    if constexpr (Mode == 0 && !Blend && White && Alpha) {
        if (!RowSpansOverlap(c.dst, ptrdiff_t(c.w) * 2 + c.dstSkip, c.src,
                             ptrdiff_t(c.w) * 4 + c.srcSkip, size_t(c.w) * 4, c.h)) {
            static const bool avx2 = __builtin_cpu_supports("avx2");
            if (avx2) {
                SpriteRuns16Avx2(c);
            } else {
                SpriteRuns16(c);
            }
            return;
        }
    }
    constexpr int sb = Palette ? 1 : (Alpha ? 4 : 2);
    WalkRuns<Blend>(
        c, sb, 2,
        [&](const uint8_t* s, uint8_t* d, const uint8_t* b, int length, bool translucent) {
            auto fetch = [&](const uint8_t* p) -> uint32_t {
                return Palette ? Load16(c.palette + 2 * uint32_t(*p)) : Load16(p);
            };
            auto factor = [&](int i) -> uint32_t { return Blend ? c.blendTable[b[i]] : 0u; };
            if constexpr (Mode == 0 && !Blend && White && Alpha) {
                // Sprites: whole runs four pixels per step.
                if (translucent) {
                    AlphaRow16Simd<AlphaRowOp::Weighted>(d, s, length);
                } else {
                    AlphaRow16Simd<AlphaRowOp::Opaque>(d, s, length);
                }
                return;
            }
            uint8_t* dp = d;
            if (Alpha && translucent) {
                for (int i = 0; i < length; ++i, dp += 2) {
                    const uint8_t* sp = s + sb * i;
                    Store16(dp, Pixel16<Mode, Blend, White, Alpha>(Load16(dp), fetch(sp), sp[2],
                                                                   factor(i), c));
                }
            } else {
                for (int i = 0; i < length; ++i, dp += 2) {
                    Store16(dp, Pixel16<Mode, Blend, White, false>(Load16(dp), fetch(s + sb * i), 0,
                                                                   factor(i), c));
                }
            }
        });
}

template <int Mode>
void Select(const BlitCall& c, bool palette) {
    WithBool(c.hasBlend, [&](auto blend) {
        WithBool(c.white, [&](auto white) {
            WithBool(c.alpha && !palette, [&](auto alpha) {
                WithBool(palette, [&](auto pal) {
                    if constexpr (!(alpha() && pal()))
                        Runs16<Mode, blend(), white(), alpha(), pal()>(c);
                });
            });
        });
    });
}

}  // namespace

void BlitRuns16(const BlitCall& c, bool paletteSource) {
    WithBlendMode(c.mode, [&](auto mode) { Select<mode()>(c, paletteSource); });
}

}  // namespace DuRud
