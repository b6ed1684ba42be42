// Whole-row loop for blended sprites: a point-sampled 32-bit texture row (or
// a slanted walk across the texture, as rotated quads read it) under clamp
// addressing, colour the texture's (optionally times a constant
// diffuse colour), alpha the texture's, the constant's or their product, the
// alpha test, then SRCALPHA with INVSRCALPHA or ONE onto a 32-bit target.
// Each pixel gets the very bytes the per-pixel pipeline writes for those
// states; the SIMD loop has a plain twin that a test compares on random rows.
#pragma once

#include <cstdint>
#include <cstring>
#include <type_traits>

#include "blending.h"
#include "span_rows.h"

namespace platform::raster {

struct SpriteRow {
    enum AlphaFrom : int { kAlphaConstant = 0, kAlphaTexture = 1, kAlphaProduct = 2 };

    const uint8_t* texels = nullptr;  // one texture row (slanted rows: the first row)
    int width = 0;                    // texels in it
    uint32_t texFormat = kFormatA8R8G8B8;
    RowCoords coords;
    // Rows whose t changes along the row (rotated quads): the texture's rows
    // from `texels` on, `pitch` bytes apart, and t as coords gives s. A step
    // of 0 reads `texels` alone.
    RowCoords rowCoords{0, 0};
    int pitch = 0;
    int height = 1;
    bool modulateColour = false;  // texture colour times the constant's
    int alphaFrom = kAlphaTexture;
    Rgba constant{255, 255, 255, 255};  // the flat diffuse colour
    bool alphaTest = false;
    int alphaFunc = D3DCMP_ALWAYS;
    uint32_t alphaRef = 0;
    int destFactor = D3DBLEND_INVSRCALPHA;  // or D3DBLEND_ONE
    uint32_t target = kFormatA8R8G8B8;
    int rowPixels = 0;  // pixels of the target row (a masked last group may touch them)

    RASTER_INLINE const uint8_t* TexelRow(int x) const {
        if (rowCoords.step == 0) return texels;
        const int64_t i = (rowCoords.base + int64_t(x) * rowCoords.step) >> kCoordBits;
        return texels + size_t(i < 0 ? 0 : (i >= height ? height - 1 : i)) * size_t(pitch);
    }

    RASTER_INLINE uint32_t Texel(int x) const {
        return ClampedTexel(TexelRow(x), width, texFormat, coords.base + int64_t(x) * coords.step);
    }

    // Whether pixels x0 .. x1 - 1 read texels of one row one after another,
    // all inside.
    bool Contiguous(int x0, int x1) const {
        int64_t first;
        return rowCoords.step == 0 && OneTexelPerPixel(coords, x0, x1, width, first);
    }
};

// One pixel, plain arithmetic.
RASTER_INLINE void SpritePixelPlain(const SpriteRow& s, int x, uint8_t* row) {
    const uint32_t t = s.Texel(x);
    const int ta = int(t >> 24);
    const int a = s.alphaFrom == SpriteRow::kAlphaConstant  ? s.constant.a
                  : s.alphaFrom == SpriteRow::kAlphaTexture ? ta
                                                            : Mul255(ta, s.constant.a);
    if (s.alphaTest && !Compare(s.alphaFunc, uint32_t(a), s.alphaRef)) return;
    Rgba src = FromArgb(t);
    src.a = a;
    if (s.modulateColour) {
        src.r = Mul255(src.r, s.constant.r);
        src.g = Mul255(src.g, s.constant.g);
        src.b = Mul255(src.b, s.constant.b);
    }
    uint8_t* pixel = row + size_t(x) * 4;
    const Rgba dst = FromArgb(ReadArgb(pixel, s.target));
    const Rgba out =
        Blend(D3DBLENDOP_ADD, D3DBLEND_SRCALPHA, s.destFactor, src, dst, Rgba{255, 255, 255, 255});
    WriteArgb(pixel, s.target, ToArgb(out));
}

inline void SpriteRowPlain(const SpriteRow& s, int x0, int x1, uint8_t* row) {
    for (int x = x0; x < x1; ++x) SpritePixelPlain(s, x, row);
}

// A row blended by one alpha onto pixels that all hold the colour `under`
// (a fill held back, not yet written): the texels' colours as they are,
// SRCALPHA with INVSRCALPHA, no alpha test, texels read one after another
// (s.Contiguous). Each pixel gets the bytes the fill written first and the
// row blended over it by a constant alpha leave; the SIMD twin writes the
// pixels without reading them.
inline void OneAlphaRowOverColourPlain(const SpriteRow& s, int alpha, uint32_t under, int x0,
                                       int x1, uint8_t* row) {
    SpriteRow c = s;
    c.alphaFrom = SpriteRow::kAlphaConstant;
    c.constant.a = alpha;
    c.modulateColour = false;
    c.alphaTest = false;
    c.destFactor = D3DBLEND_INVSRCALPHA;
    FillRow(row, s.target, under, x0, x1);
    SpriteRowPlain(c, x0, x1, row);
}

#if defined(__SSE2__)
// The alpha test as lane masks of the outcomes that pass it: the comparison
// numbers less one are the bits of less (1), equal (2) and greater (4), so a
// row tests its pixels with two compares and no branch (anything out of
// range passes, as Compare has it).
struct AlphaTestOutcomes {
    bool less, equal, greater;
    explicit AlphaTestOutcomes(int func) {
        const int bits = func >= D3DCMP_NEVER && func <= D3DCMP_ALWAYS ? func - D3DCMP_NEVER : 7;
        less = bits & 1, equal = bits & 2, greater = bits & 4;
    }
};

// The two commonest tests (none, and GREATER against the clear alpha) take
// one instruction or none; the branch on `kind` goes the same way all row.
enum class AlphaTestKind { kAll, kGreater, kAny };

inline AlphaTestKind AlphaTestKindOf(int func) {
    const AlphaTestOutcomes o(func);
    if (o.less && o.equal && o.greater) return AlphaTestKind::kAll;
    if (!o.less && !o.equal && o.greater) return AlphaTestKind::kGreater;
    return AlphaTestKind::kAny;
}

struct AlphaTestLanes {
    AlphaTestKind kind;
    __m128i less, equal, greater;
    explicit AlphaTestLanes(int func) : kind(AlphaTestKindOf(func)) {
        const AlphaTestOutcomes o(func);
        less = _mm_set1_epi32(o.less ? -1 : 0);
        equal = _mm_set1_epi32(o.equal ? -1 : 0);
        greater = _mm_set1_epi32(o.greater ? -1 : 0);
    }
    // Lanes that pass (all ones) for alphas 0..255 in 32-bit lanes.
    RASTER_INLINE __m128i Pass(__m128i a, __m128i ref) const {
        if (kind == AlphaTestKind::kAll) return _mm_set1_epi32(-1);
        if (kind == AlphaTestKind::kGreater) return _mm_cmpgt_epi32(a, ref);
        const __m128i gt = _mm_cmpgt_epi32(a, ref), eq = _mm_cmpeq_epi32(a, ref);
        return _mm_or_si128(_mm_or_si128(_mm_and_si128(gt, greater), _mm_and_si128(eq, equal)),
                            _mm_andnot_si128(_mm_or_si128(gt, eq), less));
    }
};

// SIMD twin of SpriteRowPlain, four pixels at a time with the channels in
// 16-bit lanes (the plain products and roundings), for one compile-time
// combination of the row's choices (the fields of `s` they stand for are not
// read). A last group of fewer than four pixels runs masked when the target
// row has room for the whole group (s.rowPixels): the pixels past the span
// are read and written back unchanged.
template <int AlphaFrom, bool Modulate, int DestFactor, uint32_t Target, uint32_t TexFormat>
inline void SpriteRowSse2Shape(const SpriteRow& s, int x0, int x1, uint8_t* row) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i alphaBits = _mm_set1_epi32(int(0xFF000000u));
    const __m128i colourBits = _mm_set1_epi32(0x00FFFFFF);
    const __m128i constAlpha = _mm_set1_epi32(s.constant.a);
    const __m128i ref = _mm_set1_epi32(int(s.alphaRef));
    const AlphaTestLanes test(s.alphaTest ? s.alphaFunc : D3DCMP_ALWAYS);
    // Colour multiplier per 16-bit lane (b, g, r, a): the constant's colour,
    // 255 on alpha (a * 255 / 255 is a exactly).
    const __m128i colourMul =
        _mm_set_epi16(255, short(s.constant.r), short(s.constant.g), short(s.constant.b), 255,
                      short(s.constant.r), short(s.constant.g), short(s.constant.b));
    const __m128i full = _mm_set1_epi16(255);
    const bool contiguous = s.Contiguous(x0, x1);
    const uint8_t* texRow =
        contiguous ? s.texels + ((s.coords.base + int64_t(x0) * s.coords.step) >> kCoordBits) * 4
                   : nullptr;
    for (int x = x0; x < x1; x += 4) {
        const int n = x1 - x;
        __m128i lanes = _mm_set1_epi32(-1);
        __m128i t;
        if (n >= 4 && contiguous) {
            t = _mm_loadu_si128(reinterpret_cast<const __m128i*>(texRow + size_t(x - x0) * 4));
        } else {
            if (n < 4) {
                if (x + 4 > s.rowPixels) {
                    for (; x < x1; ++x) SpritePixelPlain(s, x, row);
                    return;
                }
                lanes = _mm_cmpgt_epi32(_mm_set1_epi32(n), _mm_set_epi32(3, 2, 1, 0));
            }
            // Texel() clamps, so lanes past the span read real texels too.
            // Built in registers: four small stores read back as one vector
            // would stall on the store buffer.
            const __m128i lo = _mm_unpacklo_epi32(_mm_cvtsi32_si128(int(s.Texel(x))),
                                                  _mm_cvtsi32_si128(int(s.Texel(x + 1))));
            const __m128i hi = _mm_unpacklo_epi32(_mm_cvtsi32_si128(int(s.Texel(x + 2))),
                                                  _mm_cvtsi32_si128(int(s.Texel(x + 3))));
            t = _mm_unpacklo_epi64(lo, hi);
        }
        if constexpr (TexFormat == kFormatX8R8G8B8) t = _mm_or_si128(t, alphaBits);
        __m128i a;
        if constexpr (AlphaFrom == SpriteRow::kAlphaConstant) {
            a = constAlpha;
        } else {
            a = _mm_srli_epi32(t, 24);
            // The product in the low 16 bits of each 32-bit lane; the high
            // halves stay 0 through the rounding.
            if constexpr (AlphaFrom == SpriteRow::kAlphaProduct)
                a = _mm_and_si128(Div255Epi16(_mm_mullo_epi16(a, constAlpha)),
                                  _mm_set1_epi32(0xFFFF));
        }
        // Four clear texels leave an A8R8G8B8 pixel as it is (s * 0 + d * 255
        // rounds back to d, s * 0 + d is d), pass or fail.
        if constexpr (AlphaFrom != SpriteRow::kAlphaConstant && Target == kFormatA8R8G8B8)
            if (_mm_movemask_epi8(_mm_cmpeq_epi32(a, zero)) == 0xFFFF) continue;
        const __m128i pass = _mm_and_si128(lanes, test.Pass(a, ref));
        const int passBits = _mm_movemask_epi8(pass);
        if (passBits == 0) continue;
        if constexpr (AlphaFrom == SpriteRow::kAlphaTexture && !Modulate &&
                      DestFactor == D3DBLEND_INVSRCALPHA) {
            // Four opaque texels that all pass: s * 255 + d * 0 rounds back
            // to s, so the blend writes the texels themselves.
            const int opaqueBits =
                _mm_movemask_epi8(_mm_cmpeq_epi32(_mm_and_si128(t, alphaBits), alphaBits));
            if ((passBits & opaqueBits) == 0xFFFF) {
                _mm_storeu_si128(reinterpret_cast<__m128i*>(row + size_t(x) * 4), t);
                continue;
            }
        }
        const __m128i src = _mm_or_si128(_mm_and_si128(t, colourBits), _mm_slli_epi32(a, 24));
        __m128i sLo = _mm_unpacklo_epi8(src, zero), sHi = _mm_unpackhi_epi8(src, zero);
        if constexpr (Modulate) {
            sLo = Div255Epi16(_mm_mullo_epi16(sLo, colourMul));
            sHi = Div255Epi16(_mm_mullo_epi16(sHi, colourMul));
        }
        // Each pixel's alpha across its four lanes.
        const __m128i a16 = _mm_packs_epi32(a, a);
        const __m128i pairs = _mm_unpacklo_epi16(a16, a16);
        const __m128i aLo = _mm_unpacklo_epi32(pairs, pairs),
                      aHi = _mm_unpackhi_epi32(pairs, pairs);
        uint8_t* out = row + size_t(x) * 4;
        const __m128i raw = _mm_loadu_si128(reinterpret_cast<const __m128i*>(out));
        const __m128i d = Target == kFormatX8R8G8B8 ? _mm_or_si128(raw, alphaBits) : raw;
        __m128i px;
        if constexpr (DestFactor == D3DBLEND_INVSRCALPHA) {
            const __m128i dLo = _mm_unpacklo_epi8(d, zero), dHi = _mm_unpackhi_epi8(d, zero);
            const __m128i lo = _mm_add_epi16(_mm_mullo_epi16(sLo, aLo),
                                             _mm_mullo_epi16(dLo, _mm_sub_epi16(full, aLo)));
            const __m128i hi = _mm_add_epi16(_mm_mullo_epi16(sHi, aHi),
                                             _mm_mullo_epi16(dHi, _mm_sub_epi16(full, aHi)));
            px = _mm_packus_epi16(Div255Epi16(lo), Div255Epi16(hi));
        } else {
            const __m128i part = _mm_packus_epi16(Div255Epi16(_mm_mullo_epi16(sLo, aLo)),
                                                  Div255Epi16(_mm_mullo_epi16(sHi, aHi)));
            px = _mm_adds_epu8(part, d);
        }
        if constexpr (Target == kFormatX8R8G8B8) px = _mm_or_si128(px, alphaBits);
        px = _mm_or_si128(_mm_and_si128(pass, px), _mm_andnot_si128(pass, raw));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), px);
    }
}

// Calls run(alphaFrom, modulate, dest, target, texFormat) with the row's
// choices as compile-time constants.
template <class Run>
inline void DispatchSpriteRow(const SpriteRow& s, Run&& run) {
    auto withTex = [&](auto a, auto m, auto d, auto t) {
        if (s.texFormat == kFormatX8R8G8B8)
            run(a, m, d, t, std::integral_constant<uint32_t, kFormatX8R8G8B8>{});
        else
            run(a, m, d, t, std::integral_constant<uint32_t, kFormatA8R8G8B8>{});
    };
    auto withTarget = [&](auto a, auto m, auto d) {
        if (s.target == kFormatX8R8G8B8)
            withTex(a, m, d, std::integral_constant<uint32_t, kFormatX8R8G8B8>{});
        else
            withTex(a, m, d, std::integral_constant<uint32_t, kFormatA8R8G8B8>{});
    };
    auto withDest = [&](auto a, auto m) {
        if (s.destFactor == D3DBLEND_ONE)
            withTarget(a, m, std::integral_constant<int, D3DBLEND_ONE>{});
        else
            withTarget(a, m, std::integral_constant<int, D3DBLEND_INVSRCALPHA>{});
    };
    auto withModulate = [&](auto a) {
        if (s.modulateColour)
            withDest(a, std::true_type{});
        else
            withDest(a, std::false_type{});
    };
    switch (s.alphaFrom) {
        case SpriteRow::kAlphaConstant:
            withModulate(std::integral_constant<int, SpriteRow::kAlphaConstant>{});
            break;
        case SpriteRow::kAlphaTexture:
            withModulate(std::integral_constant<int, SpriteRow::kAlphaTexture>{});
            break;
        default:
            withModulate(std::integral_constant<int, SpriteRow::kAlphaProduct>{});
            break;
    }
}

// The same with the row's choices read at run time.
inline void SpriteRowSse2(const SpriteRow& s, int x0, int x1, uint8_t* row) {
    DispatchSpriteRow(s, [&](auto alphaFrom, auto modulate, auto dest, auto target, auto tex) {
        SpriteRowSse2Shape<decltype(alphaFrom)::value, decltype(modulate)::value,
                           decltype(dest)::value, decltype(target)::value, decltype(tex)::value>(
            s, x0, x1, row);
    });
}

#if defined(__x86_64__)
// AVX2 twin (sprite_rows_avx2.cpp): eight pixels a step, for processors
// that have it.
bool SpriteRowAvx2Available();
template <int AlphaFrom, bool Modulate, int DestFactor, uint32_t Target, uint32_t TexFormat>
void SpriteRowAvx2Shape(const SpriteRow& s, int x0, int x1, uint8_t* row);
void SpriteRowAvx2(const SpriteRow& s, int x0, int x1, uint8_t* row);
// AVX2 twin of OneAlphaRowOverColourPlain for the groups of eight pixels
// from x0 on while their texels are opaque (when checkOpaque: the alpha is
// the texel's times `alpha`) and eight pixels are left; returns the first
// pixel it left undrawn.
int OneAlphaGroupsOverColourAvx2(const SpriteRow& s, int alpha, uint32_t under, int x0, int x1,
                                 bool checkOpaque, uint8_t* row);
#endif
#endif

}  // namespace platform::raster
