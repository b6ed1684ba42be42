// Rows of plain 32-bit sources added in blend mode 2 with white brightness,
// no blend image and no transparency: the scaled form (each channel p*s/255
// to the nearest, the fourth byte 0, added channel by channel with
// saturation) and the full-strength form the plain path takes at p = 255
// (the whole source word, packed, no term).
// The SSE2 form does the packed arithmetic of four words per step; the
// one-word twin defines its bytes.
#pragma once

#include <emmintrin.h>

#include <cstdint>

#include "soft/packed_pixel_math.h"

namespace DuRud {

// Scaled: p in 1..254 scales the source; otherwise the word is added whole.
template <bool Scaled>
inline void AddRowPlain(uint8_t* dst, const uint8_t* src, int n, uint32_t p) {
    for (int i = 0; i < n; ++i) {
        const uint32_t s = Load32(src + 4 * i);
        uint8_t* dp = dst + 4 * i;
        if constexpr (Scaled) {
            uint32_t x = 0;
            for (int ch = 0; ch < 24; ch += 8) x |= (((s >> ch) & 0xFF) * p + 127) / 255 << ch;
            Store32(dp, MemImgAdd32(Load32(dp), x));
        } else {
            Store32(dp, MemImgAdd32NoTerm(Load32(dp), s));
        }
    }
}

namespace additive_rows_detail {

// Four words of p*s/255 to the nearest per channel, fourth byte 0: x/255 is
// (x*0x8081)>>23 for every x below 65536, and p*s + 127 stays below it.
inline __m128i Scale4(__m128i s, __m128i p16) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i magic = _mm_set1_epi16(int16_t(0x8081));
    const __m128i half = _mm_set1_epi16(127);
    const auto scale = [&](__m128i words) {
        const __m128i x = _mm_add_epi16(_mm_mullo_epi16(words, p16), half);
        return _mm_srli_epi16(_mm_mulhi_epu16(x, magic), 7);
    };
    const __m128i lo = scale(_mm_unpacklo_epi8(s, zero));
    const __m128i hi = scale(_mm_unpackhi_epi8(s, zero));
    return _mm_and_si128(_mm_packus_epi16(lo, hi), _mm_set1_epi32(0x00FFFFFF));
}

// The addition of four words: Scaled, the channel sums with saturation and
// the carry out of red in the fourth byte (x's fourth byte is 0); otherwise
// the packed form on the upper seven bits of green and red.
template <bool Scaled>
inline __m128i Add4(__m128i d, __m128i x) {
    if constexpr (Scaled) {
        const __m128i low3 = _mm_set1_epi32(0x00FFFFFF);
        const __m128i byte = _mm_set1_epi32(0xFF);
        const __m128i sum = _mm_adds_epu8(_mm_and_si128(d, low3), x);
        const __m128i red = _mm_add_epi32(_mm_and_si128(_mm_srli_epi32(d, 16), byte),
                                          _mm_and_si128(_mm_srli_epi32(x, 16), byte));
        return _mm_or_si128(sum, _mm_slli_epi32(_mm_srli_epi32(red, 8), 24));
    }
    const __m128i m = _mm_set1_epi32(0x00FEFEFF);
    const __m128i u = _mm_add_epi32(_mm_and_si128(d, m), _mm_and_si128(x, m));
    const __m128i k = _mm_and_si128(u, _mm_set1_epi32(0x01010100));
    return _mm_or_si128(_mm_sub_epi32(k, _mm_srli_epi32(k, 8)), u);
}

}  // namespace additive_rows_detail

template <bool Scaled>
inline void AddRowSimd(uint8_t* dst, const uint8_t* src, int n, uint32_t p) {
    using namespace additive_rows_detail;
    const __m128i p16 = _mm_set1_epi16(int16_t(p));
    int i = 0;
    for (; i + 4 <= n; i += 4) {
        __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 4 * i));
        const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dst + 4 * i));
        if constexpr (Scaled) x = Scale4(x, p16);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 4 * i), Add4<Scaled>(d, x));
    }
    AddRowPlain<Scaled>(dst + 4 * i, src + 4 * i, n - i, p);
}

}  // namespace DuRud
