// The run-table path on 16-bit R5G6B5 pixels: palette sources (16-bit
// entries of the body's own palette) and direct sources with or without an
// alpha byte. The sprite rows use SSE2 (AVX2 where the processor has it),
// their bytes the one-pixel forms'; the MMX flag is not read.
#include "soft/run_table_walk.h"
#include "soft/straight_alpha_blocks_avx2.h"
#include "soft/straight_alpha_rows_16.h"

namespace DuRud {

namespace {

// Sprite runs: opaque ones four pixels per step, translucent ones weighted
// in one step of four pixels (or eight, AVX2) where the run fits it and the
// row has room for it; the run walk's bytes either way.
struct SpriteForms16 {
    static constexpr int kDstBpp = 2;
    template <bool Avx2>
    [[gnu::always_inline]] static void Opaque(uint8_t* d, const uint8_t* s, int n) {
        OpaqueRun16Simd(d, s, n);
    }
    template <bool Avx2>
    [[gnu::always_inline]] static void Translucent(uint8_t* d, const uint8_t* s, int n, int left) {
        if (Avx2 && n <= 8 && left >= 8) {
            if constexpr (Avx2) WeightedBlock16Avx2(d, s, n);
        } else if (n <= 4 && left >= 4) {
            WeightedBlock16Simd(d, s, n);
        } else {
            AlphaRow16Simd<AlphaRowOp::Weighted>(d, s, n);
        }
    }
};

void SpriteRuns16(const SpriteCall& c) {
    WalkSpriteRuns<SpriteForms16, false>(c);
}

[[gnu::target("avx2")]] void SpriteRuns16Avx2(const SpriteCall& c) {
    WalkSpriteRuns<SpriteForms16, true>(c);
}

}  // namespace

bool BlitSpriteRuns16(const SpriteCall& c) {
    if (!SpriteRowsApart(c)) return false;
    static const bool avx2 = __builtin_cpu_supports("avx2");
    if (avx2) {
        SpriteRuns16Avx2(c);
    } else {
        SpriteRuns16(c);
    }
    return true;
}

namespace {

template <int Mode, bool Blend, bool White, bool Alpha, bool Palette>
void Runs16(const BlitCall& c) {
    if constexpr (Mode == 0 && !Blend && White && Alpha) {
        if (BlitSpriteRuns16(SpriteCallOf(c, 2))) return;
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
