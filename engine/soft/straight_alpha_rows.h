// Rows of 32-bit pixels drawn with white brightness and no blend image: the
// opaque store (the whole source word) and the straight-alpha mix,
// channel = (s*a + d*(256-a)) >> 8 with the destination's byte 3 kept, a
// being the pixel's alpha (blend mode 0) or the constant p (blend mode 1). An SSE2 form four pixels
// per step and the plain one-pixel twin that defines its bytes; both are inline because run-table
// rows hand over many short runs.
#pragma once

#include <emmintrin.h>

#include <cstdint>
#include <cstring>

#include "soft/packed_pixel_math.h"

namespace DuRud {

enum class AlphaRowOp {
    Opaque,    // every pixel as if a = 255
    Weighted,  // every pixel weighted by its own alpha, 255 included
    Sprite,    // a = 0 left out, a = 255 stored opaque, others weighted
    Constant,  // every pixel weighted by the call's parameter p (0..255)
};

template <AlphaRowOp Op>
inline void AlphaRowPlain(uint8_t* dst, const uint8_t* src, int n, uint32_t p = 0) {
    for (int i = 0; i < n; ++i) {
        const uint32_t s = Load32(src + 4 * i);
        uint8_t* dp = dst + 4 * i;
        const uint32_t a = Op == AlphaRowOp::Constant ? p : s >> 24;
        if constexpr (Op == AlphaRowOp::Sprite) {
            if (a == 0) continue;
        }
        if (Op == AlphaRowOp::Opaque || (Op == AlphaRowOp::Sprite && a == 255)) {
            Store32(dp, s);
            continue;
        }
        const uint32_t d = Load32(dp);
        uint32_t out = 0;
        for (int ch = 0; ch < 24; ch += 8) {
            out |= (MemImgMix((s >> ch) & 0xFF, (d >> ch) & 0xFF, a, 8) & 0xFF) << ch;
        }
        Store24(dp, out);
    }
}

namespace alpha_rows_detail {

// Two pixels widened to 16-bit lanes, weighted by w (its alpha repeated in
// the pixel's four lanes, at most 256): (s*w + d*(256-w)) >> 8. The sum is
// below 65536, so the low halves of the products give it exactly.
inline __m128i Mix2(__m128i s16, __m128i d16, __m128i w) {
    const __m128i inv = _mm_sub_epi16(_mm_set1_epi16(256), w);
    const __m128i sum = _mm_add_epi16(_mm_mullo_epi16(s16, w), _mm_mullo_epi16(d16, inv));
    return _mm_srli_epi16(sum, 8);
}

// The lane weights of a widened pixel pair: lanes 3 and 7 hold the alphas.
// In the sprite form an alpha of 255 counts 256, which stores the source
// unchanged, and 0 keeps the destination, as leaving the pixel out does.
template <AlphaRowOp Op>
inline __m128i Weights(__m128i s16, __m128i constant) {
    if constexpr (Op == AlphaRowOp::Constant) return constant;
    __m128i w = _mm_shufflehi_epi16(_mm_shufflelo_epi16(s16, 0xFF), 0xFF);
    if constexpr (Op == AlphaRowOp::Sprite) {
        w = _mm_sub_epi16(w, _mm_cmpeq_epi16(w, _mm_set1_epi16(255)));
    }
    return w;
}

// Four pixels of the mixing forms, byte 3 still
// the source's.
template <AlphaRowOp Op>
inline __m128i MixPixels(__m128i s, __m128i d, __m128i constant) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i sLo = _mm_unpacklo_epi8(s, zero);
    const __m128i sHi = _mm_unpackhi_epi8(s, zero);
    const __m128i lo = Mix2(sLo, _mm_unpacklo_epi8(d, zero), Weights<Op>(sLo, constant));
    const __m128i hi = Mix2(sHi, _mm_unpackhi_epi8(d, zero), Weights<Op>(sHi, constant));
    return _mm_packus_epi16(lo, hi);
}

// The bytes to take from the destination: byte 3 of every mixed pixel.
// Opaque pixels store the whole source word.
template <AlphaRowOp Op>
inline __m128i DestinationBytes(__m128i s) {
    const __m128i top = _mm_set1_epi32(int32_t(0xFF000000u));
    if constexpr (Op == AlphaRowOp::Opaque) return _mm_setzero_si128();
    if constexpr (Op == AlphaRowOp::Weighted || Op == AlphaRowOp::Constant) return top;
    return _mm_andnot_si128(_mm_cmpeq_epi32(_mm_and_si128(s, top), top), top);
}

}  // namespace alpha_rows_detail

template <AlphaRowOp Op>
inline void AlphaRowSimd(uint8_t* dst, const uint8_t* src, int n, uint32_t p = 0) {
    using namespace alpha_rows_detail;
    const __m128i top = _mm_set1_epi32(int32_t(0xFF000000u));
    const __m128i constant = _mm_set1_epi16(int16_t(p));
    int i = 0;
    for (; i + 4 <= n; i += 4) {
        const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 4 * i));
        __m128i r = s;
        if constexpr (Op != AlphaRowOp::Opaque) {
            if constexpr (Op == AlphaRowOp::Sprite) {
                // Blocks wholly transparent or wholly opaque need no mix.
                const __m128i a = _mm_and_si128(s, top);
                if (_mm_movemask_epi8(_mm_cmpeq_epi32(a, _mm_setzero_si128())) == 0xFFFF) continue;
                if (_mm_movemask_epi8(_mm_cmpeq_epi32(a, top)) == 0xFFFF) {
                    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 4 * i), s);
                    continue;
                }
            }
            const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dst + 4 * i));
            const __m128i keep = DestinationBytes<Op>(s);
            r = _mm_or_si128(_mm_andnot_si128(keep, MixPixels<Op>(s, d, constant)),
                             _mm_and_si128(keep, d));
        }
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 4 * i), r);
    }
    // Two pixels, then one, in the low half of a register.
    for (; i < n; i += 2) {
        const bool pair = i + 2 <= n;
        if constexpr (Op == AlphaRowOp::Opaque) {
            if (pair) {
                std::memcpy(dst + 4 * i, src + 4 * i, 8);
            } else {
                Store32(dst + 4 * i, Load32(src + 4 * i));
            }
            continue;
        }
        const __m128i s = pair ? _mm_loadl_epi64(reinterpret_cast<const __m128i*>(src + 4 * i))
                               : _mm_cvtsi32_si128(int32_t(Load32(src + 4 * i)));
        const __m128i d = pair ? _mm_loadl_epi64(reinterpret_cast<const __m128i*>(dst + 4 * i))
                               : _mm_cvtsi32_si128(int32_t(Load32(dst + 4 * i)));
        const __m128i zero = _mm_setzero_si128();
        const __m128i s16 = _mm_unpacklo_epi8(s, zero);
        const __m128i mixed = _mm_packus_epi16(
            Mix2(s16, _mm_unpacklo_epi8(d, zero), Weights<Op>(s16, constant)), zero);
        const __m128i keep = DestinationBytes<Op>(s);
        const __m128i r = _mm_or_si128(_mm_andnot_si128(keep, mixed), _mm_and_si128(keep, d));
        if (pair) {
            _mm_storel_epi64(reinterpret_cast<__m128i*>(dst + 4 * i), r);
        } else {
            Store32(dst + 4 * i, uint32_t(_mm_cvtsi128_si32(r)));
        }
    }
}

// One to four pixels weighted by their own alpha (as the weighted row) in a
// single four-pixel step: the block's other pixels are loaded and stored
// back unchanged, so all four must lie inside the row.
inline void WeightedBlockSimd(uint8_t* dst, const uint8_t* src, int n) {
    using namespace alpha_rows_detail;
    const __m128i top = _mm_set1_epi32(int32_t(0xFF000000u));
    const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src));
    const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dst));
    const __m128i mixed = MixPixels<AlphaRowOp::Weighted>(s, d, _mm_setzero_si128());
    // The destination's bytes: byte 3 everywhere, all of the pixels past n.
    const __m128i past = _mm_cmpgt_epi32(_mm_set_epi32(3, 2, 1, 0), _mm_set1_epi32(n - 1));
    const __m128i keep = _mm_or_si128(top, past);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst),
                     _mm_or_si128(_mm_andnot_si128(keep, mixed), _mm_and_si128(keep, d)));
}

}  // namespace DuRud
