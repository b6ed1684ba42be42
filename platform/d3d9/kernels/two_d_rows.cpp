// Plain and fast forms of the blend-graphic kernels' pixel arithmetic. The
// fast forms take four pixels at a time in 16-bit lanes, where every product
// of two channels and every weighted pair of them (at most 255 x 255) is
// divided by 255 exactly; kind 3's four-times products do not fit and stay
// plain, as does the wipe's ramp alpha (one channel, up to 4 x 255 x 255).
#include "two_d_rows.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace platform::d3d9::kernels {

void OneTextureRowPlain(const BlendGraphicRow& row, uint32_t* out) {
    const int kind = row.kind;
    const Colour& f = row.factor;
    for (int k = 0; k < row.count; ++k) {
        const Colour t = Split(row.drawn[k]), dc = Split(row.diffuse[k]);
        const Colour src = row.replaceColour ? f : t;
        const int a = row.ignoreAlpha ? dc.a : Times(t.a, dc.a);
        int rgb[3] = {Shade(Drawn(src.r, kind), dc.r, kind), Shade(Drawn(src.g, kind), dc.g, kind),
                      Shade(Drawn(src.b, kind), dc.b, kind)};
        if (kind == 1) {  // toward the factor as the alpha falls
            const int fc[3] = {f.r, f.g, f.b};
            for (int i = 0; i < 3; ++i) rgb[i] = Mix(rgb[i], fc[i], a);
        }
        out[k] = Join(rgb[0], rgb[1], rgb[2], a);
    }
}

void CrossFadeRowPlain(const BlendGraphicRow& row, uint32_t* out) {
    const int kind = row.kind, weight = row.weight;
    for (int k = 0; k < row.count; ++k) {
        const Colour b = Split(row.blend[k]), t = Split(row.drawn[k]), dc = Split(row.diffuse[k]);
        const int r = Mix(b.r, Drawn(t.r, kind), weight);
        const int g = Mix(b.g, Drawn(t.g, kind), weight);
        const int bl = Mix(b.b, Drawn(t.b, kind), weight);
        const int a = Mix(b.a, t.a, weight);
        out[k] =
            Join(Shade(r, dc.r, kind), Shade(g, dc.g, kind), Shade(bl, dc.b, kind), Times(a, dc.a));
    }
}

namespace {

// The ramp's alpha of one wipe pixel.
int WipeAlpha(const BlendGraphicRow& row, int k) {
    const int moved = Clamp255(int(row.blend[k] >> 24) + row.shift);
    const int diffuseAlpha = int(row.diffuse[k] >> 24);
    if (row.ignoreAlpha) return std::min(255, Over255(row.scale * moved * diffuseAlpha));
    const int a = std::min(255, Over255(row.scale * moved * int(row.specular[k] >> 24)));
    return Times(Times(int(row.drawn[k] >> 24), a), diffuseAlpha);
}

}  // namespace

void WipeRowPlain(const BlendGraphicRow& row, uint32_t* out) {
    const int kind = row.kind;
    for (int k = 0; k < row.count; ++k) {
        const Colour t = Split(row.drawn[k]), dc = Split(row.diffuse[k]);
        out[k] = Join(Shade(Drawn(t.r, kind), dc.r, kind), Shade(Drawn(t.g, kind), dc.g, kind),
                      Shade(Drawn(t.b, kind), dc.b, kind), WipeAlpha(row, k));
    }
}

void AlphaMaskRowPlain(const BlendGraphicRow& row, uint32_t* out) {
    const int kind = row.kind;
    for (int k = 0; k < row.count; ++k) {
        const Colour t = Split(row.drawn[k]), dc = Split(row.diffuse[k]);
        const int a = Times(t.a, int(row.blend[k] >> 24));
        out[k] = Join(Shade(Drawn(t.r, kind), dc.r, kind), Shade(Drawn(t.g, kind), dc.g, kind),
                      Shade(Drawn(t.b, kind), dc.b, kind), Times(a, dc.a));
    }
}

#if defined(__SSE2__)
namespace {

// round(x / 255) in 16-bit lanes, exact for x <= 255 x 255.
inline __m128i Over255Lanes(__m128i x) {
    const __m128i y = _mm_add_epi16(x, _mm_set1_epi16(127));
    return _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(y, _mm_set1_epi16(1)), _mm_srli_epi16(y, 8)),
                          8);
}

inline __m128i TimesLanes(__m128i a, __m128i b) {
    return Over255Lanes(_mm_mullo_epi16(a, b));
}

// Four pixels at a time through `f`, which takes two pixels' channels of
// the blend graphic, the drawn one, diffuse and specular (0 without); returns
// how many pixels were done (a multiple of four).
template <class F>
int FourAtATime(const BlendGraphicRow& row, uint32_t* out, F f) {
    const __m128i zero = _mm_setzero_si128();
    int k = 0;
    for (; k + 4 <= row.count; k += 4) {
        auto load = [&](const uint32_t* p) {
            return p ? _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + k)) : zero;
        };
        const __m128i b = load(row.blend), t = load(row.drawn), d = load(row.diffuse),
                      s = load(row.specular);
        const __m128i lo = f(_mm_unpacklo_epi8(b, zero), _mm_unpacklo_epi8(t, zero),
                             _mm_unpacklo_epi8(d, zero), _mm_unpacklo_epi8(s, zero));
        const __m128i hi = f(_mm_unpackhi_epi8(b, zero), _mm_unpackhi_epi8(t, zero),
                             _mm_unpackhi_epi8(d, zero), _mm_unpackhi_epi8(s, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + k), _mm_packus_epi16(lo, hi));
    }
    return k;
}

// 255 in the colour lanes of two pixels, 0 in the alpha lanes.
inline __m128i ColourLanes() {
    return _mm_set_epi16(0, 255, 255, 255, 0, 255, 255, 255);
}

// The same row from pixel k on.
BlendGraphicRow From(const BlendGraphicRow& row, int k) {
    BlendGraphicRow rest = row;
    rest.count -= k;
    for (const uint32_t** p : {&rest.blend, &rest.drawn, &rest.diffuse, &rest.specular})
        if (*p) *p += k;
    return rest;
}

// Complements the colour channels (not alpha) of kind 2's drawn texels, in lanes.
inline __m128i DrawnLanes(__m128i t, int kind) {
    return kind == 2 ? _mm_xor_si128(t, ColourLanes()) : t;
}

// a weighted by w against b weighted by rest = 255 - w, in lanes.
inline __m128i MixLanes(__m128i a, __m128i b, __m128i w, __m128i rest) {
    return Over255Lanes(_mm_add_epi16(_mm_mullo_epi16(a, w), _mm_mullo_epi16(b, rest)));
}

// Each pixel's lanes: the colour lanes from `colour`, the alpha lane from `alpha`.
inline __m128i WithAlpha(__m128i colour, __m128i alpha) {
    const __m128i alphaLanes = _mm_set_epi16(-1, 0, 0, 0, -1, 0, 0, 0);
    return _mm_or_si128(_mm_andnot_si128(alphaLanes, colour), _mm_and_si128(alphaLanes, alpha));
}

// The fast form of a row: `lanes` four pixels at a time (kind 3's products
// do not fit them), the plain form for what is left.
template <class Lanes>
void FastRow(const BlendGraphicRow& row, uint32_t* out,
             void (*plain)(const BlendGraphicRow&, uint32_t*), Lanes lanes) {
    const int k = row.kind != 3 ? FourAtATime(row, out, lanes) : 0;
    plain(From(row, k), out + k);
}

}  // namespace

void OneTextureRow(const BlendGraphicRow& row, uint32_t* out) {
    const Colour& f = row.factor;
    // Two pixels' lanes of the factor (alpha lanes unused).
    const __m128i factor =
        _mm_set_epi16(0, short(f.r), short(f.g), short(f.b), 0, short(f.r), short(f.g), short(f.b));
    FastRow(row, out, &OneTextureRowPlain, [&](__m128i, __m128i t, __m128i d, __m128i) {
        // The colour the kind reads, its alpha lanes the texel's alpha (255
        // when the graphic's alpha is not read): one product gives both the
        // colours and the alpha.
        const __m128i x = WithAlpha(DrawnLanes(row.replaceColour ? factor : t, row.kind),
                                    row.ignoreAlpha ? _mm_set1_epi16(255) : t);
        const __m128i p = TimesLanes(x, d);
        if (row.kind != 1) return p;
        // Each pixel's alpha in all its lanes weighs the colours against the factor.
        const __m128i a = _mm_shufflehi_epi16(_mm_shufflelo_epi16(p, 0xFF), 0xFF);
        return WithAlpha(MixLanes(p, factor, a, _mm_sub_epi16(_mm_set1_epi16(255), a)), p);
    });
}

void CrossFadeRow(const BlendGraphicRow& row, uint32_t* out) {
    const __m128i w = _mm_set1_epi16(short(row.weight)),
                  rest = _mm_set1_epi16(short(255 - row.weight));
    FastRow(row, out, &CrossFadeRowPlain, [&](__m128i b, __m128i t, __m128i d, __m128i) {
        return TimesLanes(MixLanes(b, DrawnLanes(t, row.kind), w, rest), d);
    });
}

void WipeRow(const BlendGraphicRow& row, uint32_t* out) {
    const __m128i shift = _mm_set1_epi16(short(row.shift));
    const __m128i zero = _mm_setzero_si128(), top = _mm_set1_epi16(255);
    // Past 255 x 255.5 the ramp saturates: products are capped there.
    const __m128i cap = _mm_set1_epi16(short(65152));
    const int doublings = row.scale >= 4 ? 2 : row.scale >= 2 ? 1 : 0;
    // min(255, round(scale x moved x x / 255)) in every lane.
    auto ramp = [&](__m128i moved, __m128i x) {
        __m128i q = _mm_mullo_epi16(moved, x);
        for (int i = 0; i < doublings; ++i) q = _mm_adds_epu16(q, q);
        return Over255Lanes(_mm_sub_epi16(q, _mm_subs_epu16(q, cap)));
    };
    FastRow(row, out, &WipeRowPlain, [&](__m128i b, __m128i t, __m128i d, __m128i s) {
        const __m128i colour = TimesLanes(DrawnLanes(t, row.kind), d);
        const __m128i moved = _mm_min_epi16(_mm_max_epi16(_mm_add_epi16(b, shift), zero), top);
        const __m128i alpha =
            row.ignoreAlpha ? ramp(moved, d) : TimesLanes(TimesLanes(t, ramp(moved, s)), d);
        return WithAlpha(colour, alpha);
    });
}

void AlphaMaskRow(const BlendGraphicRow& row, uint32_t* out) {
    FastRow(row, out, &AlphaMaskRowPlain, [&](__m128i b, __m128i t, __m128i d, __m128i) {
        // Times (255, 255, 255, mask alpha): the colours stay as they are.
        const __m128i masked = TimesLanes(DrawnLanes(t, row.kind), _mm_or_si128(b, ColourLanes()));
        return TimesLanes(masked, d);
    });
}

#else  // no SIMD: the plain forms

void OneTextureRow(const BlendGraphicRow& row, uint32_t* out) {
    OneTextureRowPlain(row, out);
}
void CrossFadeRow(const BlendGraphicRow& row, uint32_t* out) {
    CrossFadeRowPlain(row, out);
}
void WipeRow(const BlendGraphicRow& row, uint32_t* out) {
    WipeRowPlain(row, out);
}
void AlphaMaskRow(const BlendGraphicRow& row, uint32_t* out) {
    AlphaMaskRowPlain(row, out);
}

#endif

}  // namespace platform::d3d9::kernels
