// Rows of 16-bit pixels copied with a colour key: every source pixel but the
// key is stored, the key leaves the destination as it was. A key above
// 0xFFFF matches no pixel. An SSE2 form eight pixels per step and the plain
// one-pixel twin that defines its bytes; rows must not overlap.
#pragma once

#include <emmintrin.h>

#include <cstdint>

#include "soft/packed_pixel_math.h"

namespace DuRud {

inline void KeyedRow16Plain(uint8_t* dst, const uint8_t* src, int n, uint32_t key) {
    for (int i = 0; i < n; ++i) {
        const uint32_t v = Load16(src + 2 * i);
        if (v != key) Store16(dst + 2 * i, uint16_t(v));
    }
}

inline void KeyedRow16Simd(uint8_t* dst, const uint8_t* src, int n, uint32_t key) {
    const __m128i k = _mm_set1_epi16(int16_t(key));
    // All ones when the key can match a pixel at all.
    const __m128i live = _mm_set1_epi16(key > 0xFFFF ? 0 : -1);
    int i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 2 * i));
        __m128i* dp = reinterpret_cast<__m128i*>(dst + 2 * i);
        const __m128i keep = _mm_and_si128(_mm_cmpeq_epi16(s, k), live);
        const int kept = _mm_movemask_epi8(keep);
        if (kept == 0xFFFF) continue;
        __m128i r = s;
        if (kept != 0)
            r = _mm_or_si128(_mm_and_si128(keep, _mm_loadu_si128(dp)), _mm_andnot_si128(keep, s));
        _mm_storeu_si128(dp, r);
    }
    KeyedRow16Plain(dst + 2 * i, src + 2 * i, n - i, key);
}

}  // namespace DuRud
