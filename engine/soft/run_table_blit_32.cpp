// The run-table path on 32-bit pixels: transparent runs are passed over,
// opaque runs drawn without the alpha weight, translucent runs (sources with
// the alpha flag) weighted by their alpha. Palette sources take their colour
// from the body's own palette. No special kernels; the sprite rows use SSE2
// (AVX2 where the processor has it) whatever the MMX flag, as their bytes
// equal the one-pixel forms'.
#include "soft/run_table_walk.h"
#include "soft/straight_alpha_blocks_avx2.h"
#include "soft/straight_alpha_rows.h"

namespace DuRud {

namespace {

// Sprite runs: opaque ones copied in 16-byte pieces, translucent ones
// weighted in one step of four pixels (or eight, AVX2) where the run fits it
// and the row has room for it; the run walk's bytes either way.
struct SpriteForms32 {
    static constexpr int kDstBpp = 4;
    template <bool Avx2>
    [[gnu::always_inline]] static void Opaque(uint8_t* d, const uint8_t* s, int n) {
        if constexpr (Avx2) {
            ShortRowCopyAvx2(d, s, size_t(n) * 4);
        } else {
            ShortRowCopySimd(d, s, size_t(n) * 4);
        }
    }
    template <bool Avx2>
    [[gnu::always_inline]] static void Translucent(uint8_t* d, const uint8_t* s, int n, int left) {
        if constexpr (Avx2) {
            if (n <= 4) {
                if (left >= 4) {
                    WeightedBlock4Avx2(d, s, n);
                    return;
                }
            } else if (n <= 8 && left >= 8) {
                WeightedBlockAvx2(d, s, n);
                return;
            }
        } else if (n <= 4 && left >= 4) {
            WeightedBlockSimd(d, s, n);
            return;
        }
        AlphaRowSimd<AlphaRowOp::Weighted>(d, s, n);
    }
};

// Keyed sources (no alpha flag): every run the table draws is stored whole,
// whether its code says opaque or translucent, as the run walk stores it.
struct KeyedForms32 {
    static constexpr int kDstBpp = 4;
    template <bool Avx2>
    [[gnu::always_inline]] static void Opaque(uint8_t* d, const uint8_t* s, int n) {
        SpriteForms32::Opaque<Avx2>(d, s, n);
    }
    template <bool Avx2>
    [[gnu::always_inline]] static void Translucent(uint8_t* d, const uint8_t* s, int n, int) {
        SpriteForms32::Opaque<Avx2>(d, s, n);
    }
};

void KeyedRuns32(const SpriteCall& c) {
    WalkSpriteRuns<KeyedForms32, false>(c);
}

[[gnu::target("avx2")]] void KeyedRuns32Avx2(const SpriteCall& c) {
    WalkSpriteRuns<KeyedForms32, true>(c);
}

void SpriteRuns32(const SpriteCall& c) {
    WalkSpriteRuns<SpriteForms32, false>(c);
}

[[gnu::target("avx2")]] void SpriteRuns32Avx2(const SpriteCall& c) {
    WalkSpriteRuns<SpriteForms32, true>(c);
}

template <int Mode, bool Blend, bool White, bool Alpha, bool Palette>
void Runs32(const BlitCall& c) {
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

// A table walk where the rows lie apart, in AVX2 where the processor has it.
template <void (*Sse2)(const SpriteCall&), void (*Avx2)(const SpriteCall&)>
bool WalkRowsApart(const SpriteCall& c) {
    if (!SpriteRowsApart(c)) return false;
    static const bool avx2 = __builtin_cpu_supports("avx2");
    if (avx2) {
        Avx2(c);
    } else {
        Sse2(c);
    }
    return true;
}

}  // namespace

bool BlitSpriteRuns32(const SpriteCall& c) {
    return WalkRowsApart<SpriteRuns32, SpriteRuns32Avx2>(c);
}

void BlitRuns32(const BlitCall& c, bool paletteSource) {
    // Sprites and keyed copies, the common calls, before the kind dispatch.
    if (c.mode == 0 && !c.hasBlend && c.white && !paletteSource) {
        const SpriteCall sc = SpriteCallOf(c, 4);
        // Keyed copies walk the table as sprites do, every drawn run copied.
        if (c.alpha ? BlitSpriteRuns32(sc) : WalkRowsApart<KeyedRuns32, KeyedRuns32Avx2>(sc)) {
            return;
        }
    }
    WithBlendMode(c.mode, [&](auto mode) { Select<mode()>(c, paletteSource); });
}

}  // namespace DuRud
