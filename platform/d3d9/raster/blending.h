// Per-pixel tests and output merging: alpha test, depth test, blend factors
// and operations, colour write mask.
#pragma once

#include "draw_setup.h"
#include "eight_bit_math.h"
#include "sampling.h"

namespace platform::raster {

// Direct3D comparison: `value` against `reference` (new depth against the
// stored one, pixel alpha against ALPHAREF).
RASTER_INLINE bool Compare(int func, uint32_t value, uint32_t reference) {
    switch (func) {
        case D3DCMP_NEVER:
            return false;
        case D3DCMP_LESS:
            return value < reference;
        case D3DCMP_EQUAL:
            return value == reference;
        case D3DCMP_LESSEQUAL:
            return value <= reference;
        case D3DCMP_GREATER:
            return value > reference;
        case D3DCMP_NOTEQUAL:
            return value != reference;
        case D3DCMP_GREATEREQUAL:
            return value >= reference;
        default:
            return true;
    }
}

// A blend factor for one channel. Colour-type factors on the alpha channel
// use the alpha values.
RASTER_INLINE int BlendFactor(int factor, int channel, bool alphaChannel, const Rgba& src,
                              const Rgba& dst, const Rgba& bf, int srcChannel, int dstChannel) {
    (void)channel;
    switch (factor) {
        case D3DBLEND_ZERO:
            return 0;
        case D3DBLEND_ONE:
            return 255;
        case D3DBLEND_SRCCOLOR:
            return srcChannel;
        case D3DBLEND_INVSRCCOLOR:
            return 255 - srcChannel;
        case D3DBLEND_SRCALPHA:
            return src.a;
        case D3DBLEND_INVSRCALPHA:
            return 255 - src.a;
        case D3DBLEND_DESTALPHA:
            return dst.a;
        case D3DBLEND_INVDESTALPHA:
            return 255 - dst.a;
        case D3DBLEND_DESTCOLOR:
            return dstChannel;
        case D3DBLEND_INVDESTCOLOR:
            return 255 - dstChannel;
        case D3DBLEND_SRCALPHASAT: {
            if (alphaChannel) return 255;
            int inv = 255 - dst.a;
            return src.a < inv ? src.a : inv;
        }
        case D3DBLEND_BLENDFACTOR:
            return alphaChannel ? bf.a : channel;
        default:  // INVBLENDFACTOR
            return 255 - (alphaChannel ? bf.a : channel);
    }
}

RASTER_INLINE int BlendChannel(int op, int srcFactor, int destFactor, bool alphaChannel,
                               const Rgba& src, const Rgba& dst, const Rgba& bf, int bfChannel,
                               int s, int d) {
    switch (op) {
        case D3DBLENDOP_MIN:
            return s < d ? s : d;
        case D3DBLENDOP_MAX:
            return s > d ? s : d;
        default:
            break;
    }
    int fs = BlendFactor(srcFactor, bfChannel, alphaChannel, src, dst, bf, s, d);
    int fd = BlendFactor(destFactor, bfChannel, alphaChannel, src, dst, bf, s, d);
    switch (op) {
        case D3DBLENDOP_SUBTRACT:
            return Saturate(Div255Signed(s * fs - d * fd));
        case D3DBLENDOP_REVSUBTRACT:
            return Saturate(Div255Signed(d * fd - s * fs));
        default:
            return Saturate(Div255(s * fs + d * fd));
    }
}

RASTER_INLINE Rgba Blend(int op, int srcFactor, int destFactor, const Rgba& src, const Rgba& dst,
                         const Rgba& bf) {
    return Rgba{BlendChannel(op, srcFactor, destFactor, false, src, dst, bf, bf.r, src.r, dst.r),
                BlendChannel(op, srcFactor, destFactor, false, src, dst, bf, bf.g, src.g, dst.g),
                BlendChannel(op, srcFactor, destFactor, false, src, dst, bf, bf.b, src.b, dst.b),
                BlendChannel(op, srcFactor, destFactor, true, src, dst, bf, bf.a, src.a, dst.a)};
}

#if defined(__SSE2__)
// SIMD twin of Blend for the two factor pairs sprites use most, on packed
// ARGB: SRCALPHA with INVSRCALPHA, and SRCALPHA with ONE (ADD). Products
// and round(x / 255) are the plain ones: (y + 1 + (y >> 8)) >> 8 equals
// y / 255 for every y up to 65152 = 255 * 255 + 127, so 16-bit lanes hold.
RASTER_INLINE uint32_t BlendSrcAlphaSse2(int destFactor, uint32_t src, uint32_t dst) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i s = _mm_unpacklo_epi8(_mm_cvtsi32_si128(int(src)), zero);
    const __m128i d = _mm_unpacklo_epi8(_mm_cvtsi32_si128(int(dst)), zero);
    const __m128i a = _mm_set1_epi16(short(src >> 24));
    const __m128i round = _mm_set1_epi16(127), one = _mm_set1_epi16(1);
    auto div255 = [&](__m128i x) {
        __m128i y = _mm_add_epi16(x, round);
        return _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(y, one), _mm_srli_epi16(y, 8)), 8);
    };
    if (destFactor == D3DBLEND_INVSRCALPHA) {
        __m128i ia = _mm_sub_epi16(_mm_set1_epi16(255), a);
        __m128i sum = _mm_add_epi16(_mm_mullo_epi16(s, a), _mm_mullo_epi16(d, ia));
        return uint32_t(_mm_cvtsi128_si32(_mm_packus_epi16(div255(sum), zero)));
    }
    // ONE: d * 255 / 255 is d exactly, so the sum rounds as s * a alone.
    __m128i part = _mm_packus_epi16(div255(_mm_mullo_epi16(s, a)), zero);
    return uint32_t(_mm_cvtsi128_si32(_mm_adds_epu8(part, _mm_packus_epi16(d, zero))));
}
#endif

// Keeps the destination's channels that the write mask excludes.
RASTER_INLINE Rgba ApplyWriteMask(uint32_t mask, const Rgba& out, const Rgba& dst) {
    return Rgba{(mask & D3DCOLORWRITEENABLE_RED) ? out.r : dst.r,
                (mask & D3DCOLORWRITEENABLE_GREEN) ? out.g : dst.g,
                (mask & D3DCOLORWRITEENABLE_BLUE) ? out.b : dst.b,
                (mask & D3DCOLORWRITEENABLE_ALPHA) ? out.a : dst.a};
}

}  // namespace platform::raster
