// AVX2 rows of straight-alpha sprites for the clipped path (blend mode 0,
// white, no blend image): a = 0 left out, a = 255 stored, others weighted,
// eight pixels per step. A block wholly transparent or wholly opaque costs
// one test; clipped sprites are mostly such blocks. The rows' bytes are the
// one-pixel sprite rows' (AlphaRowPlain, AlphaRow16Plain); the pixels past
// the last whole block go through the SSE2 rows. A mixed block loads and
// stores all eight pixels, so source and destination rows must lie apart.
// Callers check AVX2 at run time.
#pragma once

#include <immintrin.h>

#include <cstdint>

#include "soft/straight_alpha_blocks_avx2.h"
#include "soft/straight_alpha_rows.h"
#include "soft/straight_alpha_rows_16.h"

namespace DuRud {

namespace sprite_rows_avx2_detail {

// Pixels widened to 16-bit lanes (four a 128-bit half), each weighted by its
// alpha, 255 counting 256 so that the source comes out unchanged:
// (s*w + d*(256-w)) >> 8, below 65536 before the shift.
[[gnu::target("avx2")]] inline __m256i MixWidened(__m256i s16, __m256i d16) {
    const __m256i a = _mm256_shufflehi_epi16(_mm256_shufflelo_epi16(s16, 0xFF), 0xFF);
    const __m256i w = _mm256_sub_epi16(a, _mm256_cmpeq_epi16(a, _mm256_set1_epi16(255)));
    const __m256i iw = _mm256_sub_epi16(_mm256_set1_epi16(256), w);
    return _mm256_srli_epi16(
        _mm256_add_epi16(_mm256_mullo_epi16(s16, w), _mm256_mullo_epi16(d16, iw)), 8);
}

// The low halves of eight 32-bit lanes (each below 65536), in order.
[[gnu::target("avx2")]] inline __m128i Colours(__m256i v) {
    const __m256i packed = _mm256_permute4x64_epi64(_mm256_packus_epi32(v, v), 0x08);
    return _mm256_castsi256_si128(packed);
}

}  // namespace sprite_rows_avx2_detail

// 32-bit destination, 32-bit source with alpha in byte 3; the
// destination's byte 3 is kept except where a = 255 stores the whole word.
[[gnu::target("avx2")]] inline void SpriteRowAvx2(uint8_t* dst, const uint8_t* src, int n) {
    using namespace sprite_rows_avx2_detail;
    const __m256i top = _mm256_set1_epi32(int32_t(0xFF000000u));
    const __m256i zero = _mm256_setzero_si256();
    int i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m256i s = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + 4 * i));
        __m256i* dp = reinterpret_cast<__m256i*>(dst + 4 * i);
        if (_mm256_testz_si256(s, top)) continue;
        if (_mm256_testc_si256(s, top)) {
            _mm256_storeu_si256(dp, s);
            continue;
        }
        const __m256i d = _mm256_loadu_si256(dp);
        // Unpacking within 128-bit halves and packing back keeps the order.
        const __m256i lo = MixWidened(_mm256_unpacklo_epi8(s, zero), _mm256_unpacklo_epi8(d, zero));
        const __m256i hi = MixWidened(_mm256_unpackhi_epi8(s, zero), _mm256_unpackhi_epi8(d, zero));
        const __m256i mixed = _mm256_packus_epi16(lo, hi);
        const __m256i keep =
            _mm256_andnot_si256(_mm256_cmpeq_epi32(_mm256_and_si256(s, top), top), top);
        _mm256_storeu_si256(dp, _mm256_blendv_epi8(mixed, d, keep));
    }
    AlphaRowSimd<AlphaRowOp::Sprite>(dst + 4 * i, src + 4 * i, n - i);
}

// 16-bit R5G6B5 destination, four-byte sources (the colour, then alpha).
[[gnu::target("avx2")]] inline void SpriteRow16Avx2(uint8_t* dst, const uint8_t* src, int n) {
    using namespace sprite_rows_avx2_detail;
    using alpha_blocks_avx2_detail::MixChannel8;
    const __m256i alphaByte = _mm256_set1_epi32(0x00FF0000);
    const __m256i low = _mm256_set1_epi32(0xFFFF);
    int i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m256i s = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + 4 * i));
        __m128i* dp = reinterpret_cast<__m128i*>(dst + 2 * i);
        if (_mm256_testz_si256(s, alphaByte)) continue;
        if (_mm256_testc_si256(s, alphaByte)) {
            _mm_storeu_si128(dp, Colours(_mm256_and_si256(s, low)));
            continue;
        }
        const __m256i d = _mm256_cvtepu16_epi32(_mm_loadu_si128(dp));
        const __m256i a = _mm256_srli_epi32(_mm256_and_si256(s, alphaByte), 16);
        const __m256i w = _mm256_sub_epi32(a, _mm256_cmpeq_epi32(a, _mm256_set1_epi32(255)));
        const __m256i iw = _mm256_sub_epi32(_mm256_set1_epi32(256), w);
        const __m256i r = _mm256_or_si256(
            _mm256_or_si256(MixChannel8(s, d, w, iw, 11, 31), MixChannel8(s, d, w, iw, 5, 63)),
            MixChannel8(s, d, w, iw, 0, 31));
        _mm_storeu_si128(dp, Colours(r));
    }
    AlphaRow16Simd<AlphaRowOp::Sprite>(dst + 2 * i, src + 4 * i, n - i);
}

}  // namespace DuRud
