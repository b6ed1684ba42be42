// Whole-row loops for the commonest unblended textured spans: the texture's
// colour written straight to a 32-bit target, alpha either the texture's or
// one constant. Each pixel is (sample & keep) | set, the very value the
// per-pixel pipeline produces for those states; the bilinear loop has a SIMD
// twin that gives the same bytes (a test compares them on random rows).
#pragma once

#include <cstdint>
#include <algorithm>
#include <cstring>
#include <vector>

#include "blending.h"
#include "sampling.h"

namespace platform::raster {

// Texel coordinates of an affine row: floor(s * 256) of pixel x is
// (base + x * step) >> 16, stepped by addition (exact in 64-bit integers).
struct RowCoords {
    int64_t base = 0, step = 0;
    RASTER_INLINE int64_t At(int x) const { return (base + int64_t(x) * step) >> (kCoordBits - 8); }
};

// Whether pixels x0 .. x1 - 1 of a 32-bit row all hold `word` already.
inline bool RowHolds(const uint8_t* row, uint32_t word, int x0, int x1) {
    const uint8_t* p = row + size_t(x0) * 4;
    const size_t n = size_t(x1 - x0);
    size_t i = 0;
#if defined(__SSE2__)
    const __m128i want = _mm_set1_epi32(int(word));
    for (; i + 16 <= n; i += 16) {
        const __m128i* q = reinterpret_cast<const __m128i*>(p + i * 4);
        const __m128i same =
            _mm_and_si128(_mm_and_si128(_mm_cmpeq_epi32(_mm_loadu_si128(q), want),
                                        _mm_cmpeq_epi32(_mm_loadu_si128(q + 1), want)),
                          _mm_and_si128(_mm_cmpeq_epi32(_mm_loadu_si128(q + 2), want),
                                        _mm_cmpeq_epi32(_mm_loadu_si128(q + 3), want)));
        if (_mm_movemask_epi8(same) != 0xFFFF) return false;
    }
#endif
    for (; i < n; ++i) {
        uint32_t w;
        std::memcpy(&w, p + i * 4, 4);
        if (w != word) return false;
    }
    return true;
}

// One colour over pixels x0 .. x1 - 1 of a 32-bit target row: the pixel
// written as the format writes it, its bytes copied along. A frame fills a
// target with one colour more than once (the same black again before the
// next picture goes over it): a row that holds those bytes already is only
// read.
inline void FillRow(uint8_t* row, uint32_t format, uint32_t argb, int x0, int x1) {
    uint8_t bytes[4] = {};  // zeroed: only 32-bit formats come here, which the compiler cannot tell
    WriteArgb(bytes, format, argb);
    uint32_t word;
    std::memcpy(&word, bytes, 4);
    if (RowHolds(row, word, x0, x1)) return;
    for (int x = x0; x < x1; ++x) std::memcpy(row + size_t(x) * 4, &word, 4);
}

// A row of `count` texels of one A8R8G8B8 colour, kept per thread (valid
// until the next call on that thread).
inline const uint8_t* ColourRow(uint32_t argb, int count) {
    thread_local std::vector<uint32_t> texels;
    thread_local uint32_t filledWith = 0;
    if (texels.size() < size_t(count) || filledWith != argb) {
        texels.assign(std::max(texels.size(), size_t(count)), argb);
        filledWith = argb;
    }
    return reinterpret_cast<const uint8_t*>(texels.data());
}

// Room for `count` texels sampled for one span, kept per thread (valid until
// the next call on that thread).
inline uint32_t* SampleRow(int count) {
    thread_local std::vector<uint32_t> texels;
    if (texels.size() < size_t(count)) texels.resize(size_t(count));
    return texels.data();
}

// Bilinear row from a prepared row pair, one pixel at a time.
inline void BlendRowPlain(const RowBlend& rb, RowCoords c, int x0, int x1, uint32_t keep,
                          uint32_t set, uint8_t* row) {
    int64_t acc = c.base + int64_t(x0) * c.step;
    for (int x = x0; x < x1; ++x, acc += c.step) {
        const int64_t ls = (acc >> (kCoordBits - 8)) - 128;
        const uint32_t wx = uint32_t(ls & 255);
        const uint16_t* p = rb.v + ((ls >> 8) - rb.first) * 4;
        uint32_t out = 0;
        for (int k = 0; k < 4; ++k)
            out |= ((uint32_t(p[k]) * (256 - wx) + uint32_t(p[k + 4]) * wx + 32768) >> 16)
                   << (8 * k);
        out = (out & keep) | set;
        std::memcpy(row + size_t(x) * 4, &out, 4);
    }
}

#if defined(__SSE2__)
// The horizontal step of RowBlend::Sample for one pixel, before rounding:
// four 32-bit channel sums less the 2^15 bias terms.
RASTER_INLINE __m128i BlendRowSum(const RowBlend& rb, int64_t acc) {
    const int64_t ls = (acc >> (kCoordBits - 8)) - 128;
    const uint32_t wx = uint32_t(ls & 255);
    const uint16_t* p = rb.v + ((ls >> 8) - rb.first) * 4;
    __m128i x = _mm_xor_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)),
                              _mm_set1_epi16(short(-32768)));
    __m128i pairs = _mm_unpacklo_epi16(x, _mm_srli_si128(x, 8));
    __m128i r = _mm_madd_epi16(pairs, _mm_set1_epi32(int((wx << 16) | (256 - wx))));
    return _mm_srli_epi32(_mm_add_epi32(r, _mm_set1_epi32(32768 * 256 + 32768)), 16);
}

// The interleaved channel pairs of texels i and i + 1 of a prepared row
// (less the 2^15 bias), ready for one multiply-add by a pixel's weights.
RASTER_INLINE __m128i BlendRowPairs(const RowBlend& rb, int64_t i) {
    const __m128i x =
        _mm_xor_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(rb.v + (i - rb.first) * 4)),
                      _mm_set1_epi16(short(-32768)));
    return _mm_unpacklo_epi16(x, _mm_srli_si128(x, 8));
}

RASTER_INLINE __m128i BlendRowWeigh(__m128i pairs, __m128i weights) {
    const __m128i r = _mm_madd_epi16(pairs, weights);
    return _mm_srli_epi32(_mm_add_epi32(r, _mm_set1_epi32(32768 * 256 + 32768)), 16);
}

// Exactly two pixels per texel (a step of half a texel, the 2x stretch):
// pixel x + 2 reads the texel pair one to the right of pixel x's with the
// same weight, so each pair serves two pixels and no pixel needs its own
// coordinate. SecondShares: the odd pixels read the even pixels' pair.
template <bool SecondShares>
RASTER_INLINE int BlendRowHalfStepSse2(const RowBlend& rb, int64_t ia, uint32_t wa, uint32_t wb,
                                       int x, int x1, __m128i keepv, __m128i setv, uint8_t* row) {
    const __m128i weightA = _mm_set1_epi32(int((wa << 16) | (256 - wa)));
    const __m128i weightB = _mm_set1_epi32(int((wb << 16) | (256 - wb)));
    __m128i next = BlendRowPairs(rb, ia);
    for (; x + 4 <= x1; x += 4, ia += 2) {
        const __m128i p0 = next, p1 = BlendRowPairs(rb, ia + 1);
        __m128i a, b, d, e;
        a = BlendRowWeigh(p0, weightA);
        d = BlendRowWeigh(p1, weightA);
        if constexpr (SecondShares) {
            b = BlendRowWeigh(p0, weightB);
            e = BlendRowWeigh(p1, weightB);
            if (x + 8 <= x1) next = BlendRowPairs(rb, ia + 2);
        } else {
            b = BlendRowWeigh(p1, weightB);
            next = BlendRowPairs(rb, ia + 2);  // read by pixel x + 3
            e = BlendRowWeigh(next, weightB);
        }
        __m128i px = _mm_packus_epi16(_mm_packs_epi32(a, b), _mm_packs_epi32(d, e));
        px = _mm_or_si128(_mm_and_si128(px, keepv), setv);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(row + size_t(x) * 4), px);
    }
    return x;
}

// SIMD twin of BlendRowPlain: four pixels per store.
inline void BlendRowSse2(const RowBlend& rb, RowCoords c, int x0, int x1, uint32_t keep,
                         uint32_t set, uint8_t* row) {
    const __m128i keepv = _mm_set1_epi32(int(keep)), setv = _mm_set1_epi32(int(set));
    int64_t acc = c.base + int64_t(x0) * c.step;
    int x = x0;
    if (c.step == (int64_t(1) << (kCoordBits - 1)) && x1 - x0 >= 4) {
        // The step is a whole number of 1/256 texels, so floor(s * 256)
        // advances by exactly 128 per pixel.
        const int64_t ls = (acc >> (kCoordBits - 8)) - 128;
        const int64_t ia = ls >> 8;
        const uint32_t wa = uint32_t(ls & 255), wb = uint32_t((ls + 128) & 255);
        x = wa < 128 ? BlendRowHalfStepSse2<true>(rb, ia, wa, wb, x, x1, keepv, setv, row)
                     : BlendRowHalfStepSse2<false>(rb, ia, wa, wb, x, x1, keepv, setv, row);
        acc = c.base + int64_t(x) * c.step;
    }
    for (; x + 4 <= x1; x += 4) {
        __m128i a = BlendRowSum(rb, acc);
        __m128i b = BlendRowSum(rb, acc + c.step);
        __m128i d = BlendRowSum(rb, acc + 2 * c.step);
        __m128i e = BlendRowSum(rb, acc + 3 * c.step);
        acc += 4 * c.step;
        __m128i px = _mm_packus_epi16(_mm_packs_epi32(a, b), _mm_packs_epi32(d, e));
        px = _mm_or_si128(_mm_and_si128(px, keepv), setv);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(row + size_t(x) * 4), px);
    }
    for (; x < x1; ++x, acc += c.step) {
        __m128i a = BlendRowSum(rb, acc);
        a = _mm_packs_epi32(a, a);
        uint32_t out = uint32_t(_mm_cvtsi128_si32(_mm_packus_epi16(a, a)));
        out = (out & keep) | set;
        std::memcpy(row + size_t(x) * 4, &out, 4);
    }
}
#endif

#if defined(__x86_64__)
// AVX2 twin of BlendRowPlain (eight pixels per store on the 2x stretch's
// half-texel step, the rest as BlendRowSse2), for processors that have it.
bool BlendRowAvx2Available();
void BlendRowAvx2(const RowBlend& rb, RowCoords c, int x0, int x1, uint32_t keep, uint32_t set,
                  uint8_t* row);
#endif

inline void BlendRow(const RowBlend& rb, RowCoords c, int x0, int x1, uint32_t keep, uint32_t set,
                     uint8_t* row) {
#if defined(__x86_64__)
    if (BlendRowAvx2Available()) {
        BlendRowAvx2(rb, c, x0, x1, keep, set, row);
        return;
    }
#endif
#if defined(__SSE2__)
    BlendRowSse2(rb, c, x0, x1, keep, set, row);
#else
    BlendRowPlain(rb, c, x0, x1, keep, set, row);
#endif
}

// The texel a row's coordinate reads under clamp addressing, X8 texels with
// alpha 255.
RASTER_INLINE uint32_t ClampedTexel(const uint8_t* texels, int width, uint32_t format,
                                    int64_t acc) {
    const int64_t i = acc >> kCoordBits;
    const int tx = int(i < 0 ? 0 : (i >= width ? width - 1 : i));
    uint32_t t;
    std::memcpy(&t, texels + size_t(tx) * 4, 4);
    return format == kFormatX8R8G8B8 ? (t | 0xFF000000u) : t;
}

// Whether pixels x0 .. x1 - 1 read texels one after another, all inside a
// row of `width`; `first` is then the first one's.
RASTER_INLINE bool OneTexelPerPixel(RowCoords c, int x0, int x1, int width, int64_t& first) {
    first = (c.base + int64_t(x0) * c.step) >> kCoordBits;
    return c.step == (int64_t(1) << kCoordBits) && first >= 0 && first + (x1 - x0) <= width;
}

#if defined(__x86_64__)
// Whether the n A8R8G8B8 texels from p all have alpha 255, thirty-two a
// step, for processors with AVX2.
bool TexelRunOpaqueAvx2(const uint8_t* p, size_t n);
#endif

// Whether the A8R8G8B8 texels pixels x0 .. x1 - 1 read one after another
// all have alpha 255 (false for rows that do not read them so).
inline bool TexelsOpaque(const uint8_t* texels, int width, RowCoords c, int x0, int x1) {
    int64_t first;
    if (!OneTexelPerPixel(c, x0, x1, width, first)) return false;
    const uint8_t* p = texels + size_t(first) * 4;
    const size_t n = size_t(x1 - x0);
    size_t i = 0;
#if defined(__x86_64__)
    if (n >= 32 && BlendRowAvx2Available()) return TexelRunOpaqueAvx2(p, n);
#endif
#if defined(__SSE2__)
    // Sixteen texels a step: their alphas all 255 when the words' AND has it.
    const __m128i alpha = _mm_set1_epi32(int(0xFF000000u));
    const auto* q = reinterpret_cast<const __m128i*>(p);
    for (; i + 16 <= n; i += 16, q += 4) {
        const __m128i all =
            _mm_and_si128(_mm_and_si128(_mm_loadu_si128(q), _mm_loadu_si128(q + 1)),
                          _mm_and_si128(_mm_loadu_si128(q + 2), _mm_loadu_si128(q + 3)));
        if (_mm_movemask_epi8(_mm_cmpeq_epi32(_mm_and_si128(all, alpha), alpha)) != 0xFFFF)
            return false;
    }
#endif
    for (; i < n; ++i)
        if (p[i * 4 + 3] != 0xFF) return false;
    return true;
}

// Point-sampled row of one 32-bit texture row under clamp addressing.
inline void PointRowPlain(const uint8_t* texels, int width, uint32_t format, RowCoords c, int x0,
                          int x1, uint32_t keep, uint32_t set, uint8_t* row) {
    int64_t acc = c.base + int64_t(x0) * c.step;
    for (int x = x0; x < x1; ++x, acc += c.step) {
        const uint32_t t = (ClampedTexel(texels, width, format, acc) & keep) | set;
        std::memcpy(row + size_t(x) * 4, &t, 4);
    }
}

#if defined(__SSE2__)
// SIMD twin of PointRowPlain for rows that read texels one after another
// (one texel per pixel, all inside the texture): four pixels per load.
inline void PointRowSse2(const uint8_t* texels, int width, uint32_t format, RowCoords c, int x0,
                         int x1, uint32_t keep, uint32_t set, uint8_t* row) {
    int64_t first;
    if (!OneTexelPerPixel(c, x0, x1, width, first)) {
        PointRowPlain(texels, width, format, c, x0, x1, keep, set, row);
        return;
    }
    const uint32_t opaque = format == kFormatX8R8G8B8 ? 0xFF000000u : 0u;
    const uint8_t* from = texels + size_t(first) * 4;
    uint8_t* to = row + size_t(x0) * 4;
    const size_t n = size_t(x1 - x0);
    // Texels written as they are (a picture drawn onto part of another):
    // the library's copy moves them in the widest steps the processor has.
    if ((opaque | ~keep | set) == 0) {
        std::memcpy(to, from, n * 4);
        return;
    }
    const __m128i keepv = _mm_set1_epi32(int(keep)), setv = _mm_set1_epi32(int(set));
    const __m128i opaquev = _mm_set1_epi32(int(opaque));
    size_t i = 0;
    for (; i + 4 <= n; i += 4) {
        __m128i t = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + i * 4));
        t = _mm_or_si128(_mm_and_si128(_mm_or_si128(t, opaquev), keepv), setv);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(to + i * 4), t);
    }
    for (; i < n; ++i) {
        uint32_t t;
        std::memcpy(&t, from + i * 4, 4);
        t = ((t | opaque) & keep) | set;
        std::memcpy(to + i * 4, &t, 4);
    }
}
#endif

// A point-sampled row whose colour is the texel's times one colour (a fade
// over a picture): each channel round(t * c / 255), the alpha channel times
// 255 (itself), then (pixel & keep) | set as PointRowPlain.
inline void TintedPointRowPlain(const uint8_t* texels, int width, uint32_t format, RowCoords c,
                                Rgba colour, int x0, int x1, uint32_t keep, uint32_t set,
                                uint8_t* row) {
    int64_t acc = c.base + int64_t(x0) * c.step;
    for (int x = x0; x < x1; ++x, acc += c.step) {
        Rgba p = FromArgb(ClampedTexel(texels, width, format, acc));
        p.r = Mul255(p.r, colour.r), p.g = Mul255(p.g, colour.g), p.b = Mul255(p.b, colour.b);
        const uint32_t t = (ToArgb(p) & keep) | set;
        std::memcpy(row + size_t(x) * 4, &t, 4);
    }
}

#if defined(__SSE2__)
// round(x / 255) in 16-bit lanes, exact for x up to 65407: with t = x + 128,
// the high half of t * 257 (a test checks every x).
RASTER_INLINE __m128i Div255Epi16(__m128i x) {
    return _mm_mulhi_epu16(_mm_add_epi16(x, _mm_set1_epi16(128)), _mm_set1_epi16(257));
}

// SIMD twin of TintedPointRowPlain for rows that read texels one after
// another, four pixels per load with the channels in 16-bit lanes.
inline void TintedPointRowSse2(const uint8_t* texels, int width, uint32_t format, RowCoords c,
                               Rgba colour, int x0, int x1, uint32_t keep, uint32_t set,
                               uint8_t* row) {
    int64_t first;
    const int n = x1 - x0;
    if (!OneTexelPerPixel(c, x0, x1, width, first)) {
        TintedPointRowPlain(texels, width, format, c, colour, x0, x1, keep, set, row);
        return;
    }
    const uint32_t opaque = format == kFormatX8R8G8B8 ? 0xFF000000u : 0u;
    const __m128i keepv = _mm_set1_epi32(int(keep)), setv = _mm_set1_epi32(int(set));
    const __m128i opaquev = _mm_set1_epi32(int(opaque)), zero = _mm_setzero_si128();
    // Per 16-bit lane (b, g, r, a) of two pixels.
    const __m128i mul = _mm_set_epi16(255, short(colour.r), short(colour.g), short(colour.b), 255,
                                      short(colour.r), short(colour.g), short(colour.b));
    const uint8_t* from = texels + size_t(first) * 4;
    uint8_t* to = row + size_t(x0) * 4;
    int i = 0;
    for (; i + 4 <= n; i += 4) {
        const __m128i t = _mm_or_si128(
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + size_t(i) * 4)), opaquev);
        const __m128i lo = Div255Epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(t, zero), mul));
        const __m128i hi = Div255Epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(t, zero), mul));
        const __m128i px = _mm_or_si128(_mm_and_si128(_mm_packus_epi16(lo, hi), keepv), setv);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(to + size_t(i) * 4), px);
    }
    if (i < n) TintedPointRowPlain(texels, width, format, c, colour, x0 + i, x1, keep, set, row);
}
#endif

#if defined(__x86_64__)
// AVX2 twin of TintedPointRowPlain (eight pixels per load on rows that read
// texels one after another), for processors that have it.
void TintedPointRowAvx2(const uint8_t* texels, int width, uint32_t format, RowCoords c, Rgba colour,
                        int x0, int x1, uint32_t keep, uint32_t set, uint8_t* row);
#endif

// The widest tinted row loop the processor runs.
inline void TintedPointRow(const uint8_t* texels, int width, uint32_t format, RowCoords c,
                           Rgba colour, int x0, int x1, uint32_t keep, uint32_t set, uint8_t* row) {
#if defined(__x86_64__)
    if (x1 - x0 >= 8 && BlendRowAvx2Available()) {
        TintedPointRowAvx2(texels, width, format, c, colour, x0, x1, keep, set, row);
        return;
    }
#endif
#if defined(__SSE2__)
    TintedPointRowSse2(texels, width, format, c, colour, x0, x1, keep, set, row);
#else
    TintedPointRowPlain(texels, width, format, c, colour, x0, x1, keep, set, row);
#endif
}

// What an alpha-tested row writes: the texel's colour, times the diffuse
// colour or not; its alpha the texel's, the diffuse's or their product.
struct TestedRow {
    enum Alpha { kAlphaTexture, kAlphaDiffuse, kAlphaProduct };
    Rgba diffuse{255, 255, 255, 255};
    int alphaFunc = D3DCMP_ALWAYS;
    uint32_t alphaRef = 0;
    uint32_t set = 0;  // or-ed into every written pixel (an X8 target's top byte)
    // A depth row to write `depth` to at every kept pixel (null: none).
    uint8_t* depthRow = nullptr;
    uint32_t depthFormat = 0;
    uint32_t depth = 0;
};

// A point-sampled, unblended, alpha-tested row of any texel format under
// clamp addressing (glyphs from a font cache): each pixel that passes the
// test is written, the others keep their bytes. Short rows are the rule,
// so the set-up is a handful of values and the loop reads each texel once.
// An A1R5G5B5 texel's alpha is 0 or 255, so its pixel's alpha and test
// result are worked out for the two once per row.
template <uint32_t TexFormat, bool ModulateColour, int AlphaFrom>
inline void TestedPointRow(const uint8_t* texels, int width, RowCoords c, const TestedRow& tr,
                           int x0, int x1, uint8_t* row) {
    constexpr size_t bytes = TexFormat == kFormatA8R8G8B8 || TexFormat == kFormatX8R8G8B8 ? 4 : 2;
    constexpr bool oneBitAlpha = TexFormat == kFormatA1R5G5B5;
    const Rgba d = tr.diffuse;
    auto alphaOf = [&](uint32_t ta) {
        return AlphaFrom == TestedRow::kAlphaTexture   ? ta
               : AlphaFrom == TestedRow::kAlphaDiffuse ? uint32_t(d.a)
                                                       : uint32_t(Mul255(int(ta), d.a));
    };
    const uint32_t alphas[2] = {alphaOf(0), alphaOf(255)};
    const bool passes[2] = {Compare(tr.alphaFunc, alphas[0], tr.alphaRef),
                            Compare(tr.alphaFunc, alphas[1], tr.alphaRef)};
    if (oneBitAlpha && !passes[0] && !passes[1]) return;
    const int depthBytes = tr.depthFormat == kFormatD16 ? 2 : 4;
    int64_t acc = c.base + int64_t(x0) * c.step;
    for (int x = x0; x < x1; ++x, acc += c.step) {
        const int64_t i = acc >> kCoordBits;
        const int tx = int(i < 0 ? 0 : (i >= width ? width - 1 : i));
        const uint8_t* texel = texels + size_t(tx) * bytes;
        uint32_t t, a;
        if constexpr (oneBitAlpha) {
            uint16_t w;
            std::memcpy(&w, texel, 2);
            const int bit = w >> 15;
            if (!passes[bit]) continue;
            t = ReadArgb(texel, TexFormat);
            a = alphas[bit];
        } else {
            t = ReadArgb(texel, TexFormat);
            a = alphaOf(t >> 24);
            if (!Compare(tr.alphaFunc, a, tr.alphaRef)) continue;
        }
        uint32_t out;
        if constexpr (ModulateColour) {
            const Rgba p = FromArgb(t);
            out = ToArgb(Rgba{Mul255(p.r, d.r), Mul255(p.g, d.g), Mul255(p.b, d.b), int(a)});
        } else {
            out = (t & 0x00FFFFFFu) | (a << 24);
        }
        out |= tr.set;
        std::memcpy(row + size_t(x) * 4, &out, 4);
        if (tr.depthRow) WriteDepth(tr.depthRow + size_t(x) * depthBytes, tr.depthFormat, tr.depth);
    }
}

#if defined(__x86_64__)
// AVX2 twin of PointRowPlain (eight pixels a step on rows that read texels
// one after another), for processors that have it.
void PointRowAvx2(const uint8_t* texels, int width, uint32_t format, RowCoords c, int x0, int x1,
                  uint32_t keep, uint32_t set, uint8_t* row);
#endif

inline void PointRow(const uint8_t* texels, int width, uint32_t format, RowCoords c, int x0, int x1,
                     uint32_t keep, uint32_t set, uint8_t* row) {
#if defined(__x86_64__)
    // Texels written as they are go to the library's copy (PointRowSse2).
    if (x1 - x0 >= 16 && (keep != 0xFFFFFFFFu || set != 0 || format == kFormatX8R8G8B8) &&
        BlendRowAvx2Available()) {
        PointRowAvx2(texels, width, format, c, x0, x1, keep, set, row);
        return;
    }
#endif
#if defined(__SSE2__)
    PointRowSse2(texels, width, format, c, x0, x1, keep, set, row);
#else
    PointRowPlain(texels, width, format, c, x0, x1, keep, set, row);
#endif
}

}  // namespace platform::raster
