// The run-table path on 32-bit pixels: transparent runs are passed over,
// opaque runs drawn without the alpha weight, translucent runs (sources with
// the alpha flag) weighted by their alpha. Palette sources take their colour
// from the body's own palette. No special kernels; the sprite rows use SSE2
// whatever the MMX flag, as their bytes equal the one-pixel forms'.
#include "soft/run_table_walk.h"
#include "soft/short_row_copy.h"
#include "soft/straight_alpha_blocks_avx2.h"
#include "soft/straight_alpha_rows.h"

namespace DuRud {

namespace {

// Sprites whose source and destination rows lie apart: opaque runs copied
// in 16-byte pieces, translucent runs weighted in one step of four pixels
// (eight with AVX2) where the run fits it and the row has room for it; the
// run walk's bytes either way.
template <bool Avx2>
[[gnu::always_inline]] inline void SpriteRunsWalk32(const BlitCall& c) {
    const uint8_t* run = c.runs;
    const uint8_t* const runsEnd = c.runsEnd;
    const int w = c.w;
    const uint8_t* srcRow = c.src;
    uint8_t* dstRow = c.dst;
    const ptrdiff_t srcPitch = ptrdiff_t(w) * 4 + c.srcSkip;
    const ptrdiff_t dstPitch = ptrdiff_t(w) * 4 + c.dstSkip;
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
                if (Avx2 && length <= 4 && left >= 4) {
                    if constexpr (Avx2) WeightedBlock4Avx2(d, s, length);
                } else if (Avx2 && length <= 8 && left >= 8) {
                    if constexpr (Avx2) WeightedBlockAvx2(d, s, length);
                } else if (length <= 4 && left >= 4) {
                    WeightedBlockSimd(d, s, length);
                } else {
                    AlphaRowSimd<AlphaRowOp::Weighted>(d, s, length);
                }
            } else if (code >= 0x40) {
                ShortRowCopySimd(d, s, size_t(length) * 4);
            }
            s += ptrdiff_t(length) * 4;
            d += ptrdiff_t(length) * 4;
            left -= length;
        }
    }
}

void SpriteRuns32(const BlitCall& c) {
    SpriteRunsWalk32<false>(c);
}

[[gnu::target("avx2")]] void SpriteRuns32Avx2(const BlitCall& c) {
    SpriteRunsWalk32<true>(c);
}

template <int Mode, bool Blend, bool White, bool Alpha, bool Palette>
void Runs32(const BlitCall& c) {
    if constexpr (Mode == 0 && !Blend && White && Alpha && !Palette) {
        const ptrdiff_t pitch = ptrdiff_t(c.w) * 4;
        if (!RowSpansOverlap(c.dst, pitch + c.dstSkip, c.src, pitch + c.srcSkip, size_t(pitch),
                             c.h)) {
            static const bool avx2 = __builtin_cpu_supports("avx2");
            if (avx2) {
                SpriteRuns32Avx2(c);
            } else {
                SpriteRuns32(c);
            }
            return;
        }
    }
    WalkRuns<Blend>(
        c, Palette ? 1 : 4, 4,
        [&](const uint8_t* s, uint8_t* d, const uint8_t* b, int length, bool translucent) {
            auto fetch = [&](const uint8_t* p) -> uint32_t {
                return Palette ? Load32(c.palette + 4 * uint32_t(*p)) : Load32(p);
            };
            auto factor = [&](int i) -> uint32_t { return Blend ? c.blendTable[b[i]] : 0u; };
            if constexpr (Mode == 0 && !Blend && White && !Palette) {
                // Sprites: whole runs four pixels per step.
                if (Alpha && translucent) {
                    AlphaRowSimd<AlphaRowOp::Weighted>(d, s, length);
                } else {
                    AlphaRowSimd<AlphaRowOp::Opaque>(d, s, length);
                }
                return;
            }
            if (Alpha && !Palette && translucent) {
                for (int i = 0; i < length; ++i) {
                    Pixel32<Mode, Blend, White, Alpha && !Palette>(d + 4 * i, fetch(s + 4 * i),
                                                                   factor(i), c);
                }
            } else {
                constexpr int sb = Palette ? 1 : 4;
                for (int i = 0; i < length; ++i) {
                    Pixel32<Mode, Blend, White, false>(d + 4 * i, fetch(s + sb * i), factor(i), c);
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
                        Runs32<Mode, blend(), white(), alpha(), pal()>(c);
                });
            });
        });
    });
}

}  // namespace

void BlitRuns32(const BlitCall& c, bool paletteSource) {
    WithBlendMode(c.mode, [&](auto mode) { Select<mode()>(c, paletteSource); });
}

}  // namespace DuRud
