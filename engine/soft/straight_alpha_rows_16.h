// Rows of 16-bit R5G6B5 pixels from sources carrying an alpha byte (four
// bytes a pixel: the colour, then the alpha), drawn in blend mode 0 with
// white brightness and no blend image: each channel (S*a + D*(256-a)) >> 8 at
// its own width. The operations are those of the 32-bit rows: the opaque
// store, every pixel weighted, and the sprite (a = 0 left out, a = 255
// stored). An SSE2 form four pixels per step and the plain one-pixel twin
// that defines its bytes.
#pragma once

#include <emmintrin.h>

#include <cstdint>
#include <utility>

#include "soft/packed_pixel_math.h"
#include "soft/straight_alpha_rows.h"

namespace DuRud {

inline uint16_t MixPixel16(uint32_t d, uint32_t s, uint32_t a) {
    uint32_t out = 0;
    for (const auto& [shift, max] : {std::pair{11, 31u}, std::pair{5, 63u}, std::pair{0, 31u}}) {
        const uint32_t S = (s >> shift) & max, D = (d >> shift) & max;
        out |= (MemImgMix(S, D, a, 8) & max) << shift;
    }
    return uint16_t(out);
}

template <AlphaRowOp Op>
inline void AlphaRow16Plain(uint8_t* dst, const uint8_t* src, int n) {
    static_assert(Op != AlphaRowOp::Constant);
    for (int i = 0; i < n; ++i) {
        const uint32_t s = Load32(src + 4 * i);
        uint8_t* dp = dst + 2 * i;
        const uint32_t a = (s >> 16) & 0xFF;
        if constexpr (Op == AlphaRowOp::Sprite) {
            if (a == 0) continue;
        }
        if (Op == AlphaRowOp::Opaque || (Op == AlphaRowOp::Sprite && a == 255)) {
            Store16(dp, uint16_t(s));
        } else {
            Store16(dp, MixPixel16(Load16(dp), s, a));
        }
    }
}

namespace alpha_rows_16_detail {

// One channel of four pixels in 32-bit lanes: every product is below 65536,
// so the 16-bit multiplies give it exactly.
inline __m128i MixChannel(__m128i s, __m128i d, __m128i a, __m128i ia, int shift, int max) {
    const __m128i m = _mm_set1_epi32(max);
    const __m128i S = _mm_and_si128(_mm_srli_epi32(s, shift), m);
    const __m128i D = _mm_and_si128(_mm_srli_epi32(d, shift), m);
    const __m128i sum = _mm_add_epi32(_mm_mullo_epi16(S, a), _mm_mullo_epi16(D, ia));
    return _mm_slli_epi32(_mm_srli_epi32(sum, 8), shift);
}

// Lanes 0 to 3's low halves side by side in the low 64 bits.
inline __m128i LowHalves(__m128i v) {
    v = _mm_shufflelo_epi16(v, 0x08);  // lanes 0, 2 of the low half
    v = _mm_shufflehi_epi16(v, 0x08);
    return _mm_shuffle_epi32(v, 0x08);
}

}  // namespace alpha_rows_16_detail

template <AlphaRowOp Op>
inline void AlphaRow16Simd(uint8_t* dst, const uint8_t* src, int n) {
    static_assert(Op != AlphaRowOp::Constant);
    using namespace alpha_rows_16_detail;
    const __m128i zero = _mm_setzero_si128();
    const __m128i low = _mm_set1_epi32(0xFFFF);
    int i = 0;
    for (; i + 4 <= n; i += 4) {
        const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 4 * i));
        __m128i* dp = reinterpret_cast<__m128i*>(dst + 2 * i);
        const __m128i colour = _mm_and_si128(s, low);
        if constexpr (Op == AlphaRowOp::Opaque) {
            _mm_storel_epi64(dp, LowHalves(colour));
            continue;
        }
        const __m128i a = _mm_and_si128(_mm_srli_epi32(s, 16), _mm_set1_epi32(0xFF));
        __m128i skip = zero, store = zero;
        if constexpr (Op == AlphaRowOp::Sprite) {
            skip = _mm_cmpeq_epi32(a, zero);
            store = _mm_cmpeq_epi32(a, _mm_set1_epi32(255));
            const int skipped = _mm_movemask_epi8(skip);
            if (skipped == 0xFFFF) continue;
            if (_mm_movemask_epi8(store) == 0xFFFF) {
                _mm_storel_epi64(dp, LowHalves(colour));
                continue;
            }
        }
        const __m128i d = _mm_unpacklo_epi16(_mm_loadl_epi64(dp), zero);
        const __m128i ia = _mm_sub_epi32(_mm_set1_epi32(256), a);
        __m128i r = _mm_or_si128(
            _mm_or_si128(MixChannel(s, d, a, ia, 11, 31), MixChannel(s, d, a, ia, 5, 63)),
            MixChannel(s, d, a, ia, 0, 31));
        if constexpr (Op == AlphaRowOp::Sprite) {
            r = _mm_or_si128(_mm_and_si128(store, colour), _mm_andnot_si128(store, r));
            r = _mm_or_si128(_mm_and_si128(skip, d), _mm_andnot_si128(skip, r));
        }
        _mm_storel_epi64(dp, LowHalves(r));
    }
    AlphaRow16Plain<Op>(dst + 2 * i, src + 4 * i, n - i);
}

// One to four pixels weighted by their own alpha (as the weighted row) in a
// single four-pixel step: the block's other pixels are loaded and stored
// back unchanged, so all four must lie inside the row.
inline void WeightedBlock16Simd(uint8_t* dst, const uint8_t* src, int n) {
    using namespace alpha_rows_16_detail;
    const __m128i zero = _mm_setzero_si128();
    const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src));
    __m128i* dp = reinterpret_cast<__m128i*>(dst);
    const __m128i d = _mm_unpacklo_epi16(_mm_loadl_epi64(dp), zero);
    const __m128i a = _mm_and_si128(_mm_srli_epi32(s, 16), _mm_set1_epi32(0xFF));
    const __m128i ia = _mm_sub_epi32(_mm_set1_epi32(256), a);
    const __m128i r =
        _mm_or_si128(_mm_or_si128(MixChannel(s, d, a, ia, 11, 31), MixChannel(s, d, a, ia, 5, 63)),
                     MixChannel(s, d, a, ia, 0, 31));
    const __m128i past = _mm_cmpgt_epi32(_mm_set_epi32(3, 2, 1, 0), _mm_set1_epi32(n - 1));
    _mm_storel_epi64(dp,
                     LowHalves(_mm_or_si128(_mm_and_si128(past, d), _mm_andnot_si128(past, r))));
}

// A run of opaque pixels (their colours stored) four per step, the last
// step overlapping the one before it; the source and destination must lie
// apart.
inline void OpaqueRun16Simd(uint8_t* dst, const uint8_t* src, int n) {
    using namespace alpha_rows_16_detail;
    if (n < 4) {
        AlphaRow16Plain<AlphaRowOp::Opaque>(dst, src, n);
        return;
    }
    const __m128i low = _mm_set1_epi32(0xFFFF);
    auto step = [&](int i) {
        const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 4 * i));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(dst + 2 * i), LowHalves(_mm_and_si128(s, low)));
    };
    for (int i = 0; i + 4 < n; i += 4) step(i);
    step(n - 4);
}

}  // namespace DuRud
