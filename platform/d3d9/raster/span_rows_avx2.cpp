// The bilinear row loop in 256-bit registers, built for AVX2 and chosen at
// run time. Same sums as BlendRowPlain (a test compares them on random rows).
#include "span_rows.h"

#if defined(__x86_64__)
#include <immintrin.h>

namespace platform::raster {

namespace {

// Interleaved channel pairs of texels (i, i + 1) in the low half and
// (i + 2, i + 3) in the high half, less the 2^15 bias.
[[gnu::target("avx2")]] inline __m256i PairsAvx2(const RowBlend& rb, int64_t i) {
    const __m256i t =
        _mm256_xor_si256(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(rb.v + i * 4)),
                         _mm256_set1_epi16(short(-32768)));
    return _mm256_unpacklo_epi16(t, _mm256_srli_si256(t, 8));
}

[[gnu::target("avx2")]] inline __m256i WeighAvx2(__m256i pairs, __m256i weights) {
    const __m256i r = _mm256_madd_epi16(pairs, weights);
    return _mm256_srli_epi32(_mm256_add_epi32(r, _mm256_set1_epi32(32768 * 256 + 32768)), 16);
}

// The half-texel step (see BlendRowHalfStepSse2) eight pixels at a time:
// pixels x .. x + 3 in the low half of each register, x + 4 .. x + 7 in the
// high half, so the packs come out in pixel order.
template <bool SecondShares>
[[gnu::target("avx2")]] int HalfStepAvx2(const RowBlend& rb, int64_t k, uint32_t wa, uint32_t wb,
                                         int x, int x1, uint32_t keep, uint32_t set, uint8_t* row) {
    const __m256i weightA = _mm256_set1_epi32(int((wa << 16) | (256 - wa)));
    const __m256i weightB = _mm256_set1_epi32(int((wb << 16) | (256 - wb)));
    const __m256i keepv = _mm256_set1_epi32(int(keep)), setv = _mm256_set1_epi32(int(set));
    for (; x + 8 <= x1; x += 8, k += 4) {
        const __m256i even = PairsAvx2(rb, k);     // pairs k, k + 2
        const __m256i odd = PairsAvx2(rb, k + 1);  // pairs k + 1, k + 3
        const __m256i s0 = WeighAvx2(even, weightA), s2 = WeighAvx2(odd, weightA);
        __m256i s1, s3;
        if constexpr (SecondShares) {
            s1 = WeighAvx2(even, weightB);
            s3 = WeighAvx2(odd, weightB);
        } else {
            s1 = WeighAvx2(odd, weightB);
            s3 = WeighAvx2(PairsAvx2(rb, k + 2), weightB);  // pairs k + 2, k + 4
        }
        __m256i px = _mm256_packus_epi16(_mm256_packs_epi32(s0, s1), _mm256_packs_epi32(s2, s3));
        px = _mm256_or_si256(_mm256_and_si256(px, keepv), setv);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(row + size_t(x) * 4), px);
    }
    return x;
}

// round(x / 255) in 16-bit lanes, as Div255Epi16.
[[gnu::target("avx2")]] inline __m256i Div255Avx2(__m256i x) {
    return _mm256_mulhi_epu16(_mm256_add_epi16(x, _mm256_set1_epi16(128)), _mm256_set1_epi16(257));
}

}  // namespace

bool BlendRowAvx2Available() {
    static const bool available = __builtin_cpu_supports("avx2");
    return available;
}

[[gnu::target("avx2")]] void BlendRowAvx2(const RowBlend& rb, RowCoords c, int x0, int x1,
                                          uint32_t keep, uint32_t set, uint8_t* row) {
    int x = x0;
    if (c.step == (int64_t(1) << (kCoordBits - 1)) && x1 - x0 >= 8) {
        // floor(s * 256) advances by exactly 128 per pixel.
        const int64_t ls = ((c.base + int64_t(x0) * c.step) >> (kCoordBits - 8)) - 128;
        const int64_t k = (ls >> 8) - rb.first;
        const uint32_t wa = uint32_t(ls & 255), wb = uint32_t((ls + 128) & 255);
        x = wa < 128 ? HalfStepAvx2<true>(rb, k, wa, wb, x, x1, keep, set, row)
                     : HalfStepAvx2<false>(rb, k, wa, wb, x, x1, keep, set, row);
    }
    if (x < x1) BlendRowSse2(rb, c, x, x1, keep, set, row);
}

[[gnu::target("avx2")]] bool TexelRunOpaqueAvx2(const uint8_t* p, size_t n) {
    const __m256i alpha = _mm256_set1_epi32(int(0xFF000000u));
    const auto* q = reinterpret_cast<const __m256i*>(p);
    size_t i = 0;
    for (; i + 32 <= n; i += 32, q += 4) {
        const __m256i all = _mm256_and_si256(
            _mm256_and_si256(_mm256_loadu_si256(q), _mm256_loadu_si256(q + 1)),
            _mm256_and_si256(_mm256_loadu_si256(q + 2), _mm256_loadu_si256(q + 3)));
        if (!_mm256_testc_si256(all, alpha)) return false;
    }
    // The last texels as one more step ending at the run's end (n >= 32):
    // texels counted twice change nothing.
    if (i < n) {
        q = reinterpret_cast<const __m256i*>(p + (n - 32) * 4);
        const __m256i all = _mm256_and_si256(
            _mm256_and_si256(_mm256_loadu_si256(q), _mm256_loadu_si256(q + 1)),
            _mm256_and_si256(_mm256_loadu_si256(q + 2), _mm256_loadu_si256(q + 3)));
        if (!_mm256_testc_si256(all, alpha)) return false;
    }
    return true;
}

[[gnu::target("avx2")]] void PointRowAvx2(const uint8_t* texels, int width, uint32_t format,
                                          RowCoords c, int x0, int x1, uint32_t keep, uint32_t set,
                                          uint8_t* row) {
    int64_t first;
    const int n = x1 - x0;
    if (!OneTexelPerPixel(c, x0, x1, width, first)) {
        PointRowPlain(texels, width, format, c, x0, x1, keep, set, row);
        return;
    }
    const __m256i opaque = _mm256_set1_epi32(format == kFormatX8R8G8B8 ? int(0xFF000000u) : 0);
    const __m256i keepv = _mm256_set1_epi32(int(keep)), setv = _mm256_set1_epi32(int(set));
    const uint8_t* from = texels + size_t(first) * 4;
    uint8_t* to = row + size_t(x0) * 4;
    int i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m256i t =
            _mm256_loadu_si256(reinterpret_cast<const __m256i*>(from + size_t(i) * 4));
        _mm256_storeu_si256(
            reinterpret_cast<__m256i*>(to + size_t(i) * 4),
            _mm256_or_si256(_mm256_and_si256(_mm256_or_si256(t, opaque), keepv), setv));
    }
    if (i < n) PointRowSse2(texels, width, format, c, x0 + i, x1, keep, set, row);
}

[[gnu::target("avx2")]] void TintedPointRowAvx2(const uint8_t* texels, int width, uint32_t format,
                                                RowCoords c, Rgba colour, int x0, int x1,
                                                uint32_t keep, uint32_t set, uint8_t* row) {
    int64_t first;
    const int n = x1 - x0;
    if (!OneTexelPerPixel(c, x0, x1, width, first)) {
        TintedPointRowPlain(texels, width, format, c, colour, x0, x1, keep, set, row);
        return;
    }
    const __m256i opaque = _mm256_set1_epi32(format == kFormatX8R8G8B8 ? int(0xFF000000u) : 0);
    const __m256i keepv = _mm256_set1_epi32(int(keep)), setv = _mm256_set1_epi32(int(set));
    const __m256i zero = _mm256_setzero_si256();
    // Per 16-bit lane (b, g, r, a) of each pixel.
    const __m256i mul = _mm256_set1_epi64x(int64_t(255) << 48 | int64_t(colour.r) << 32 |
                                           int64_t(colour.g) << 16 | int64_t(colour.b));
    const uint8_t* from = texels + size_t(first) * 4;
    uint8_t* to = row + size_t(x0) * 4;
    int i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m256i t = _mm256_or_si256(
            _mm256_loadu_si256(reinterpret_cast<const __m256i*>(from + size_t(i) * 4)), opaque);
        // Pixels 0, 1 | 4, 5 and 2, 3 | 6, 7: the pack puts them back in order.
        const __m256i lo = Div255Avx2(_mm256_mullo_epi16(_mm256_unpacklo_epi8(t, zero), mul));
        const __m256i hi = Div255Avx2(_mm256_mullo_epi16(_mm256_unpackhi_epi8(t, zero), mul));
        const __m256i px =
            _mm256_or_si256(_mm256_and_si256(_mm256_packus_epi16(lo, hi), keepv), setv);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(to + size_t(i) * 4), px);
    }
    if (i < n) TintedPointRowSse2(texels, width, format, c, colour, x0 + i, x1, keep, set, row);
}

bool RowBlendAvx2Available() {
    return BlendRowAvx2Available();
}

[[gnu::target("avx2")]] int64_t RowBlendInsideAvx2(RowBlend& rb, const uint8_t* r0,
                                                   const uint8_t* r1, int64_t i, int64_t last,
                                                   uint32_t wy, bool opaque) {
    const __m256i w0 = _mm256_set1_epi16(short(256 - wy)), w1 = _mm256_set1_epi16(short(wy));
    // Alpha lanes of X8 texels read 255.
    const __m256i alpha = _mm256_set1_epi64x(opaque ? int64_t(0x00FF000000000000) : 0);
    for (; i + 7 <= last; i += 8) {
        for (int half = 0; half < 2; ++half) {
            const int64_t k = i + 4 * half;
            const __m256i a = _mm256_or_si256(
                _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(r0 + k * 4))),
                alpha);
            const __m256i b = _mm256_or_si256(
                _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(r1 + k * 4))),
                alpha);
            const __m256i sum =
                _mm256_add_epi16(_mm256_mullo_epi16(a, w0), _mm256_mullo_epi16(b, w1));
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(rb.v + (k - rb.first) * 4), sum);
        }
    }
    return i;
}

}  // namespace platform::raster

#endif
