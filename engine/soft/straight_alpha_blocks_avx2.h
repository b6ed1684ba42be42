// AVX2 forms of the sprite blocks: up to eight pixels weighted by their own
// alpha in one step (four at a time too, 32-bit), 32-bit and 16-bit (a colour and an alpha byte per
// source pixel). Their bytes are the one-pixel weighted forms'; the pixels
// of the block past n are loaded and stored back unchanged, so all eight
// must lie inside the row. Callers check AVX2 at run time.
#pragma once

#include <immintrin.h>

#include <cstdint>

namespace DuRud {

namespace alpha_blocks_avx2_detail {

// Four 32-bit pixels widened to 16-bit lanes, each pixel's four lanes
// weighted by its alpha: (s*a + d*(256-a)) >> 8, below 65536 before the
// shift, so the low halves of the products give it exactly.
[[gnu::target("avx2")]] inline __m256i Mix4(__m128i s, __m128i d) {
    const __m256i s16 = _mm256_cvtepu8_epi16(s);
    const __m256i d16 = _mm256_cvtepu8_epi16(d);
    // Byte 6 of each pixel's eight (its alpha lane) into all four lanes.
    const __m256i spread =
        _mm256_setr_epi8(6, -1, 6, -1, 6, -1, 6, -1, 14, -1, 14, -1, 14, -1, 14, -1, 6, -1, 6, -1,
                         6, -1, 6, -1, 14, -1, 14, -1, 14, -1, 14, -1);
    const __m256i a = _mm256_shuffle_epi8(s16, spread);
    const __m256i ia = _mm256_sub_epi16(_mm256_set1_epi16(256), a);
    return _mm256_srli_epi16(
        _mm256_add_epi16(_mm256_mullo_epi16(s16, a), _mm256_mullo_epi16(d16, ia)), 8);
}

// Lanes 0 to 7 at or past n, all ones.
[[gnu::target("avx2")]] inline __m256i PastN(int n) {
    return _mm256_cmpgt_epi32(_mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7), _mm256_set1_epi32(n - 1));
}

// One channel of eight 16-bit pixels in 32-bit lanes (a weight at most
// 256, a channel at most 63: the 16-bit products are exact).
[[gnu::target("avx2")]] inline __m256i MixChannel8(__m256i s, __m256i d, __m256i a, __m256i ia,
                                                   int shift, int max) {
    const __m256i m = _mm256_set1_epi32(max);
    const __m256i S = _mm256_and_si256(_mm256_srli_epi32(s, shift), m);
    const __m256i D = _mm256_and_si256(_mm256_srli_epi32(d, shift), m);
    const __m256i sum = _mm256_add_epi32(_mm256_mullo_epi16(S, a), _mm256_mullo_epi16(D, ia));
    return _mm256_slli_epi32(_mm256_srli_epi32(sum, 8), shift);
}

}  // namespace alpha_blocks_avx2_detail

// 32-bit: 1 <= n <= 8; the destination's byte 3 kept.
[[gnu::target("avx2")]] inline void WeightedBlockAvx2(uint8_t* dst, const uint8_t* src, int n) {
    using namespace alpha_blocks_avx2_detail;
    const __m256i s = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src));
    const __m256i d = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(dst));
    const __m256i lo = Mix4(_mm256_castsi256_si128(s), _mm256_castsi256_si128(d));
    const __m256i hi = Mix4(_mm256_extracti128_si256(s, 1), _mm256_extracti128_si256(d, 1));
    // Pixels 0, 1 | 2, 3 in lo and 4, 5 | 6, 7 in hi: packed per 128-bit
    // half, then the halves put back in order.
    const __m256i mixed = _mm256_permute4x64_epi64(_mm256_packus_epi16(lo, hi), 0xD8);
    const __m256i keep = _mm256_or_si256(_mm256_set1_epi32(int32_t(0xFF000000u)), PastN(n));
    _mm256_storeu_si256(
        reinterpret_cast<__m256i*>(dst),
        _mm256_or_si256(_mm256_andnot_si256(keep, mixed), _mm256_and_si256(keep, d)));
}

namespace alpha_blocks_avx2_detail {

// Four 32-bit pixels mixed, the bytes set in keep taken from the destination.
[[gnu::target("avx2")]] inline void MixBlock4(uint8_t* dst, const uint8_t* src, __m128i keep) {
    const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src));
    const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dst));
    const __m256i m = Mix4(s, d);
    const __m128i mixed =
        _mm_packus_epi16(_mm256_castsi256_si128(m), _mm256_extracti128_si256(m, 1));
    keep = _mm_or_si128(keep, _mm_set1_epi32(int32_t(0xFF000000u)));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst),
                     _mm_or_si128(_mm_andnot_si128(keep, mixed), _mm_and_si128(keep, d)));
}

}  // namespace alpha_blocks_avx2_detail

namespace alpha_blocks_avx2_detail {

// Four lanes read from kLaneSteps + 4 - k: all ones from lane k on.
alignas(16) inline constexpr int32_t kLaneSteps[8] = {0, 0, 0, 0, -1, -1, -1, -1};

inline __m128i LanesFrom(int k) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(kLaneSteps + 4 - k));
}

}  // namespace alpha_blocks_avx2_detail

// 32-bit: 1 <= n <= 4, four pixels' room; the destination's byte 3 kept.
[[gnu::target("avx2")]] inline void WeightedBlock4Avx2(uint8_t* dst, const uint8_t* src, int n) {
    using namespace alpha_blocks_avx2_detail;
    MixBlock4(dst, src, LanesFrom(n));
}

// 16-bit R5G6B5 destination, four-byte sources: 1 <= n <= 8.
[[gnu::target("avx2")]] inline void WeightedBlock16Avx2(uint8_t* dst, const uint8_t* src, int n) {
    using namespace alpha_blocks_avx2_detail;
    const __m256i s = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src));
    __m128i* dp = reinterpret_cast<__m128i*>(dst);
    const __m256i d = _mm256_cvtepu16_epi32(_mm_loadu_si128(dp));
    const __m256i a = _mm256_and_si256(_mm256_srli_epi32(s, 16), _mm256_set1_epi32(0xFF));
    const __m256i ia = _mm256_sub_epi32(_mm256_set1_epi32(256), a);
    __m256i r = _mm256_or_si256(
        _mm256_or_si256(MixChannel8(s, d, a, ia, 11, 31), MixChannel8(s, d, a, ia, 5, 63)),
        MixChannel8(s, d, a, ia, 0, 31));
    const __m256i past = PastN(n);
    r = _mm256_or_si256(_mm256_and_si256(past, d), _mm256_andnot_si256(past, r));
    // Every lane below 65536: pack the halves' 32-bit lanes to 16 bits.
    _mm_storeu_si128(dp,
                     _mm_packus_epi32(_mm256_castsi256_si128(r), _mm256_extracti128_si256(r, 1)));
}

}  // namespace DuRud
