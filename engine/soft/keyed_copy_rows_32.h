// Rows of 32-bit pixels copied with a colour key (every source word but the
// key stored, the key leaving the destination as it was), eight pixels per
// step: a block of keys costs one test, a block without one is stored
// whole. The AVX2 form; its bytes are the keyed word rows' (MemImgWordRowPlain
// with the copy and the key). Rows must not overlap; callers check AVX2.
#pragma once

#include <immintrin.h>

#include <cstdint>

#include "soft/packed_pixel_math.h"

namespace DuRud {

[[gnu::target("avx2")]] inline void KeyedRow32Avx2(uint8_t* dst, const uint8_t* src, int n,
                                                   uint32_t key) {
    const __m256i k = _mm256_set1_epi32(int32_t(key));
    int i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m256i s = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + 4 * i));
        __m256i* dp = reinterpret_cast<__m256i*>(dst + 4 * i);
        const __m256i keep = _mm256_cmpeq_epi32(s, k);
        const int kept = _mm256_movemask_ps(_mm256_castsi256_ps(keep));
        if (kept == 0xFF) continue;
        _mm256_storeu_si256(dp, kept ? _mm256_blendv_epi8(s, _mm256_loadu_si256(dp), keep) : s);
    }
    if (i + 4 <= n) {
        const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 4 * i));
        __m128i* dp = reinterpret_cast<__m128i*>(dst + 4 * i);
        const __m128i keep = _mm_cmpeq_epi32(s, _mm256_castsi256_si128(k));
        _mm_storeu_si128(dp, _mm_blendv_epi8(s, _mm_loadu_si128(dp), keep));
        i += 4;
    }
    for (; i < n; ++i) {
        const uint32_t v = Load32(src + 4 * i);
        if (v != key) Store32(dst + 4 * i, v);
    }
}

}  // namespace DuRud
