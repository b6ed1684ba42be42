// The blended-sprite row loop in 256-bit registers, built for AVX2 and
// chosen at run time: eight pixels a step (texels loaded whole where the row
// reads them one after another, else fetched one by one), the last few by
// the SSE2 loop. Each step is the SSE2 loop's
// arithmetic on two groups of four side by side (every shuffle stays inside
// its 128-bit half), so the bytes are the plain twin's.
#include "sprite_rows.h"

#if defined(__x86_64__)
#include <immintrin.h>

namespace platform::raster {

namespace {

// Div255Epi16 in 256-bit registers.
[[gnu::target("avx2")]] inline __m256i Div255Epi16Avx2(__m256i x) {
    return _mm256_mulhi_epu16(_mm256_add_epi16(x, _mm256_set1_epi16(128)), _mm256_set1_epi16(257));
}

// The byte pairs (a, 255 - a) of one alpha, as BlendOneAlphaBiasedAvx2
// weighs each channel's (source, target) pair.
[[gnu::target("avx2")]] inline __m256i OneAlphaWeights(int a) {
    return _mm256_set1_epi16(short(a | (255 - a) << 8));
}

// Eight source pixels (colour and alpha bytes) over eight target pixels by
// one alpha for all (the weights above), SRCALPHA with INVSRCALPHA, both
// given as their bytes less 128 (each byte's top bit flipped): per channel
// round((s * a + d * (255 - a)) / 255) from one multiply-add of signed bytes
// (a * (s - 128) + (255 - a) * (d - 128) keeps within a 16-bit lane), which
// plus 128 * 255 + 128 = 2^15 is the plain sum plus 128: its high half times
// 257 is the rounded quotient, as in Div255Epi16 (every a, s and d give the
// plain bytes; a test checks them).
template <uint32_t Target>
[[gnu::target("avx2")]] inline __m256i BlendOneAlphaBiasedAvx2(__m256i s, __m256i d,
                                                               __m256i weights) {
    const __m256i half = _mm256_set1_epi16(short(0x8000)), k257 = _mm256_set1_epi16(257);
    const __m256i lo = _mm256_maddubs_epi16(weights, _mm256_unpacklo_epi8(s, d));
    const __m256i hi = _mm256_maddubs_epi16(weights, _mm256_unpackhi_epi8(s, d));
    __m256i px = _mm256_packus_epi16(_mm256_mulhi_epu16(_mm256_xor_si256(lo, half), k257),
                                     _mm256_mulhi_epu16(_mm256_xor_si256(hi, half), k257));
    // An X8R8G8B8 target's alpha byte reads as 255 and is written so,
    // whatever the sum made of it.
    if constexpr (Target == kFormatX8R8G8B8)
        px = _mm256_or_si256(px, _mm256_set1_epi32(int(0xFF000000u)));
    return px;
}

// One group of eight texels t, their colours with one alpha (topAndBias:
// the alpha byte less 128 over the bias) blended onto the pixels at out, or
// onto the colour `overBiased` (the bias taken off) without reading them.
template <uint32_t Target, bool Over>
[[gnu::target("avx2")]] inline void OneAlphaGroupAvx2(__m256i t, uint8_t* out, __m256i topAndBias,
                                                      __m256i weights, __m256i overBiased) {
    const __m256i bias = _mm256_set1_epi8(char(0x80));
    const __m256i s =
        _mm256_xor_si256(_mm256_and_si256(t, _mm256_set1_epi32(0x00FFFFFF)), topAndBias);
    auto* p = reinterpret_cast<__m256i*>(out);
    const __m256i d = Over ? overBiased : _mm256_xor_si256(_mm256_loadu_si256(p), bias);
    _mm256_storeu_si256(p, BlendOneAlphaBiasedAvx2<Target>(s, d, weights));
}

// Groups of eight texels read one after another (texRow: the texel of x0),
// their colours with one alpha blended onto the row from x on, while the
// texels are opaque (CheckOpaque; else all of them) and eight pixels are
// left: returns the first pixel not drawn. Over: every target pixel is the
// colour `under` (in the target's bytes), which is not read from the row.
template <uint32_t Target, bool CheckOpaque, bool Over>
[[gnu::target("avx2")]] int OneAlphaRunAvx2(const uint8_t* texRow, int x0, int x, int x1, int alpha,
                                            uint32_t under, uint8_t* row) {
    const __m256i bias = _mm256_set1_epi8(char(0x80));
    const __m256i alphaBits = _mm256_set1_epi32(int(0xFF000000u));
    // The colour bytes have no alpha byte: the alpha goes in with the bias.
    const __m256i topAndBias =
        _mm256_xor_si256(_mm256_set1_epi32(int(uint32_t(alpha) << 24)), bias);
    const __m256i weights = OneAlphaWeights(alpha);
    const __m256i overBiased = _mm256_xor_si256(_mm256_set1_epi32(int(under)), bias);
    auto texels = [texRow, x0](int at) {
        return reinterpret_cast<const __m256i*>(texRow + size_t(at - x0) * 4);
    };
    // Two groups a step while both are opaque, then one.
    for (; x + 16 <= x1; x += 16) {
        const __m256i t0 = _mm256_loadu_si256(texels(x)), t1 = _mm256_loadu_si256(texels(x + 8));
        if constexpr (CheckOpaque)
            if (!_mm256_testc_si256(_mm256_and_si256(t0, t1), alphaBits)) break;
        OneAlphaGroupAvx2<Target, Over>(t0, row + size_t(x) * 4, topAndBias, weights, overBiased);
        OneAlphaGroupAvx2<Target, Over>(t1, row + size_t(x + 8) * 4, topAndBias, weights,
                                        overBiased);
    }
    for (; x + 8 <= x1; x += 8) {
        const __m256i t = _mm256_loadu_si256(texels(x));
        if constexpr (CheckOpaque)
            if (!_mm256_testc_si256(t, alphaBits)) break;
        OneAlphaGroupAvx2<Target, Over>(t, row + size_t(x) * 4, topAndBias, weights, overBiased);
    }
    return x;
}

// AlphaTestLanes in 256-bit registers.
struct AlphaTestLanesAvx2 {
    AlphaTestKind kind;
    __m256i less, equal, greater;
    [[gnu::target("avx2")]] explicit AlphaTestLanesAvx2(int func) : kind(AlphaTestKindOf(func)) {
        const AlphaTestOutcomes o(func);
        less = _mm256_set1_epi32(o.less ? -1 : 0);
        equal = _mm256_set1_epi32(o.equal ? -1 : 0);
        greater = _mm256_set1_epi32(o.greater ? -1 : 0);
    }
    [[gnu::target("avx2")]] __m256i Pass(__m256i a, __m256i ref) const {
        if (kind == AlphaTestKind::kAll) return _mm256_set1_epi32(-1);
        if (kind == AlphaTestKind::kGreater) return _mm256_cmpgt_epi32(a, ref);
        const __m256i gt = _mm256_cmpgt_epi32(a, ref), eq = _mm256_cmpeq_epi32(a, ref);
        return _mm256_or_si256(
            _mm256_or_si256(_mm256_and_si256(gt, greater), _mm256_and_si256(eq, equal)),
            _mm256_andnot_si256(_mm256_or_si256(gt, eq), less));
    }
};

// Eight pixels' colours (sLo, sHi: channels in 16-bit lanes) blended by
// their alphas (aLo, aHi: each pixel's across its four lanes) onto `raw`.
template <int DestFactor, uint32_t Target>
[[gnu::target("avx2")]] inline __m256i BlendGroupAvx2(__m256i sLo, __m256i sHi, __m256i aLo,
                                                      __m256i aHi, __m256i raw) {
    const __m256i zero = _mm256_setzero_si256();
    const __m256i alphaBits = _mm256_set1_epi32(int(0xFF000000u));
    const __m256i d = Target == kFormatX8R8G8B8 ? _mm256_or_si256(raw, alphaBits) : raw;
    __m256i px;
    if constexpr (DestFactor == D3DBLEND_INVSRCALPHA) {
        const __m256i full = _mm256_set1_epi16(255);
        const __m256i dLo = _mm256_unpacklo_epi8(d, zero), dHi = _mm256_unpackhi_epi8(d, zero);
        const __m256i lo = _mm256_add_epi16(_mm256_mullo_epi16(sLo, aLo),
                                            _mm256_mullo_epi16(dLo, _mm256_sub_epi16(full, aLo)));
        const __m256i hi = _mm256_add_epi16(_mm256_mullo_epi16(sHi, aHi),
                                            _mm256_mullo_epi16(dHi, _mm256_sub_epi16(full, aHi)));
        px = _mm256_packus_epi16(Div255Epi16Avx2(lo), Div255Epi16Avx2(hi));
    } else {
        const __m256i part = _mm256_packus_epi16(Div255Epi16Avx2(_mm256_mullo_epi16(sLo, aLo)),
                                                 Div255Epi16Avx2(_mm256_mullo_epi16(sHi, aHi)));
        px = _mm256_adds_epu8(part, d);
    }
    if constexpr (Target == kFormatX8R8G8B8) px = _mm256_or_si256(px, alphaBits);
    return px;
}

// The alphas of eight texels t as the row takes them: the constant's, the
// texel's, or the texel's times the constant's.
template <int AlphaFrom>
[[gnu::target("avx2")]] inline __m256i GroupAlphaAvx2(__m256i t, __m256i constAlpha) {
    if constexpr (AlphaFrom == SpriteRow::kAlphaConstant) return constAlpha;
    const __m256i a = _mm256_srli_epi32(t, 24);
    if constexpr (AlphaFrom == SpriteRow::kAlphaProduct)
        return _mm256_and_si256(Div255Epi16Avx2(_mm256_mullo_epi16(a, constAlpha)),
                                _mm256_set1_epi32(0xFFFF));
    return a;
}

// Eight texels t with their alphas a (one per 32-bit lane) blended onto the
// pixels at out where `pass` is set; the other pixels are written back as
// they were. colourMul: the constant colour for Modulate.
template <bool Modulate, int DestFactor, uint32_t Target>
[[gnu::target("avx2")]] inline void BlendStoreGroupAvx2(__m256i t, __m256i a, __m256i pass,
                                                        __m256i colourMul, uint8_t* out) {
    const __m256i zero = _mm256_setzero_si256();
    const __m256i src = _mm256_or_si256(_mm256_and_si256(t, _mm256_set1_epi32(0x00FFFFFF)),
                                        _mm256_slli_epi32(a, 24));
    __m256i sLo = _mm256_unpacklo_epi8(src, zero), sHi = _mm256_unpackhi_epi8(src, zero);
    if constexpr (Modulate) {
        sLo = Div255Epi16Avx2(_mm256_mullo_epi16(sLo, colourMul));
        sHi = Div255Epi16Avx2(_mm256_mullo_epi16(sHi, colourMul));
    }
    const __m256i a16 = _mm256_packs_epi32(a, a);
    const __m256i pairs = _mm256_unpacklo_epi16(a16, a16);
    const __m256i aLo = _mm256_unpacklo_epi32(pairs, pairs),
                  aHi = _mm256_unpackhi_epi32(pairs, pairs);
    const __m256i raw = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(out));
    _mm256_storeu_si256(
        reinterpret_cast<__m256i*>(out),
        _mm256_blendv_epi8(raw, BlendGroupAvx2<DestFactor, Target>(sLo, sHi, aLo, aHi, raw), pass));
}

// The last pixels of a row, x .. x1 - 1 (fewer than eight), as one group of
// eight from g (x, or x1 - 8 where the target row ends before x + 8): lanes
// outside x .. x1 - 1 blend nothing, and their target pixels are read and
// written back unchanged. A contiguous row's texels outside them are not read
// (texRow: the span's first texel, at x0); a gathered row's are read clamped,
// as Texel() reads them.
template <int AlphaFrom, bool Modulate, int DestFactor, uint32_t Target, uint32_t TexFormat>
[[gnu::target("avx2")]] void SpriteRowLastGroup(const SpriteRow& s, int x0, int g, int x, int x1,
                                                const uint8_t* texRow, uint8_t* row) {
    const __m256i alphaBits = _mm256_set1_epi32(int(0xFF000000u));
    const __m256i k = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    const __m256i lanes = _mm256_andnot_si256(_mm256_cmpgt_epi32(_mm256_set1_epi32(x - g), k),
                                              _mm256_cmpgt_epi32(_mm256_set1_epi32(x1 - g), k));
    __m256i t;
    if (texRow)
        t = _mm256_maskload_epi32(reinterpret_cast<const int*>(texRow + size_t(g - x0) * 4), lanes);
    else
        t = _mm256_setr_epi32(int(s.Texel(g)), int(s.Texel(g + 1)), int(s.Texel(g + 2)),
                              int(s.Texel(g + 3)), int(s.Texel(g + 4)), int(s.Texel(g + 5)),
                              int(s.Texel(g + 6)), int(s.Texel(g + 7)));
    if constexpr (TexFormat == kFormatX8R8G8B8) t = _mm256_or_si256(t, alphaBits);
    const __m256i a = GroupAlphaAvx2<AlphaFrom>(t, _mm256_set1_epi32(s.constant.a));
    const AlphaTestLanesAvx2 test(s.alphaTest ? s.alphaFunc : D3DCMP_ALWAYS);
    const __m256i pass = _mm256_and_si256(lanes, test.Pass(a, _mm256_set1_epi32(int(s.alphaRef))));
    if (_mm256_movemask_epi8(pass) == 0) return;
    const __m256i colourMul =
        _mm256_set1_epi64x(int64_t(255) << 48 | int64_t(s.constant.r) << 32 |
                           int64_t(s.constant.g) << 16 | int64_t(s.constant.b));
    BlendStoreGroupAvx2<Modulate, DestFactor, Target>(t, a, pass, colourMul, row + size_t(g) * 4);
}

// The eight-pixel steps from x0 (at least eight pixels); returns the first
// pixel left to draw. Gathered: the row does not read its texels one after
// another (scaled, rotated) and fetches them one by one (Texel() clamps).
// A gathered row comes by value: the target stores cannot change its
// fields, so they stay in registers across the groups.
template <int AlphaFrom, bool Modulate, int DestFactor, uint32_t Target, uint32_t TexFormat,
          bool Gathered>
[[gnu::target("avx2")]] int SpriteRowGroups(
    std::conditional_t<Gathered, SpriteRow, const SpriteRow&> s, int x0, int x1, uint8_t* row) {
    int x = x0;
    {
        const __m256i zero = _mm256_setzero_si256();
        const __m256i alphaBits = _mm256_set1_epi32(int(0xFF000000u));
        const __m256i colourBits = _mm256_set1_epi32(0x00FFFFFF);
        const __m256i constAlpha = _mm256_set1_epi32(s.constant.a);
        const __m256i ref = _mm256_set1_epi32(int(s.alphaRef));
        const AlphaTestLanesAvx2 test(s.alphaTest ? s.alphaFunc : D3DCMP_ALWAYS);
        const __m256i colourMul =
            _mm256_set_epi16(255, short(s.constant.r), short(s.constant.g), short(s.constant.b),
                             255, short(s.constant.r), short(s.constant.g), short(s.constant.b),
                             255, short(s.constant.r), short(s.constant.g), short(s.constant.b),
                             255, short(s.constant.r), short(s.constant.g), short(s.constant.b));
        // Opaque texels under an alpha that is the texel's times the
        // constant's take the constant's alpha (255 * c / 255 is c): a group
        // of eight of them blends by one alpha known before the loop.
        const int constA = s.constant.a;
        const bool constPasses = !s.alphaTest || Compare(s.alphaFunc, uint32_t(constA), s.alphaRef);
        const __m256i constA16 = _mm256_set1_epi16(short(constA));
        const __m256i constAlphaTop = _mm256_set1_epi32(int(uint32_t(constA) << 24));
        const uint8_t* texRow =
            Gathered ? nullptr
                     : s.texels + ((s.coords.base + int64_t(x0) * s.coords.step) >> kCoordBits) * 4;
        for (; x + 8 <= x1; x += 8) {
            __m256i t;
            if constexpr (Gathered)
                t = _mm256_setr_epi32(int(s.Texel(x)), int(s.Texel(x + 1)), int(s.Texel(x + 2)),
                                      int(s.Texel(x + 3)), int(s.Texel(x + 4)), int(s.Texel(x + 5)),
                                      int(s.Texel(x + 6)), int(s.Texel(x + 7)));
            else
                t = _mm256_loadu_si256(
                    reinterpret_cast<const __m256i*>(texRow + size_t(x - x0) * 4));
            if constexpr (TexFormat == kFormatX8R8G8B8) t = _mm256_or_si256(t, alphaBits);
            // A constant alpha blends every group by that alpha alone too.
            constexpr bool constantOver = AlphaFrom == SpriteRow::kAlphaConstant && !Modulate &&
                                          DestFactor == D3DBLEND_INVSRCALPHA;
            if constexpr (AlphaFrom == SpriteRow::kAlphaProduct || constantOver) {
                if (constantOver || TexFormat == kFormatX8R8G8B8 ||
                    _mm256_testc_si256(t, alphaBits)) {
                    if (!constPasses) continue;
                    // Read one after another, the groups that follow
                    // while the run lasts take the same alpha: one loop
                    // draws them all.
                    if constexpr (!Modulate && DestFactor == D3DBLEND_INVSRCALPHA && !Gathered) {
                        constexpr bool check = TexFormat == kFormatA8R8G8B8 && !constantOver;
                        x = OneAlphaRunAvx2<Target, check, false>(texRow, x0, x, x1, constA, 0,
                                                                  row) -
                            8;
                        continue;
                    }
                    const __m256i src =
                        _mm256_or_si256(_mm256_and_si256(t, colourBits), constAlphaTop);
                    uint8_t* out = row + size_t(x) * 4;
                    const __m256i raw = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(out));
                    if constexpr (!Modulate && DestFactor == D3DBLEND_INVSRCALPHA) {
                        const __m256i bias = _mm256_set1_epi8(char(0x80));
                        _mm256_storeu_si256(
                            reinterpret_cast<__m256i*>(out),
                            BlendOneAlphaBiasedAvx2<Target>(_mm256_xor_si256(src, bias),
                                                            _mm256_xor_si256(raw, bias),
                                                            OneAlphaWeights(constA)));
                        continue;
                    }
                    __m256i sLo = _mm256_unpacklo_epi8(src, zero),
                            sHi = _mm256_unpackhi_epi8(src, zero);
                    if constexpr (Modulate) {
                        sLo = Div255Epi16Avx2(_mm256_mullo_epi16(sLo, colourMul));
                        sHi = Div255Epi16Avx2(_mm256_mullo_epi16(sHi, colourMul));
                    }
                    _mm256_storeu_si256(
                        reinterpret_cast<__m256i*>(out),
                        BlendGroupAvx2<DestFactor, Target>(sLo, sHi, constA16, constA16, raw));
                    continue;
                }
            }
            const __m256i a = GroupAlphaAvx2<AlphaFrom>(t, constAlpha);
            // Eight clear texels leave an A8R8G8B8 pixel as it is (s * 0 +
            // d * 255 rounds back to d, s * 0 + d is d), pass or fail.
            if constexpr (AlphaFrom != SpriteRow::kAlphaConstant && Target == kFormatA8R8G8B8)
                if (_mm256_testz_si256(a, a)) continue;
            const __m256i pass = test.Pass(a, ref);
            const uint32_t passBits = uint32_t(_mm256_movemask_epi8(pass));
            if (passBits == 0) continue;
            if constexpr (AlphaFrom == SpriteRow::kAlphaTexture && !Modulate &&
                          DestFactor == D3DBLEND_INVSRCALPHA) {
                const uint32_t opaqueBits = uint32_t(_mm256_movemask_epi8(
                    _mm256_cmpeq_epi32(_mm256_and_si256(t, alphaBits), alphaBits)));
                if ((passBits & opaqueBits) == 0xFFFFFFFFu) {
                    _mm256_storeu_si256(reinterpret_cast<__m256i*>(row + size_t(x) * 4), t);
                    // Opaque texels pass the test here, so the groups that
                    // follow while the run lasts (the inside of a picture,
                    // a whole background row) need only the alpha check.
                    if constexpr (!Gathered) {
                        int next = x + 8;
                        for (; next + 8 <= x1; next += 8) {
                            __m256i u = _mm256_loadu_si256(
                                reinterpret_cast<const __m256i*>(texRow + size_t(next - x0) * 4));
                            if constexpr (TexFormat == kFormatX8R8G8B8)
                                u = _mm256_or_si256(u, alphaBits);
                            else if (!_mm256_testc_si256(u, alphaBits))
                                break;
                            _mm256_storeu_si256(reinterpret_cast<__m256i*>(row + size_t(next) * 4),
                                                u);
                        }
                        x = next - 8;
                    }
                    continue;
                }
            }
            BlendStoreGroupAvx2<Modulate, DestFactor, Target>(t, a, pass, colourMul,
                                                              row + size_t(x) * 4);
        }
        // The row's last pixels (the span has eight at least).
        if (x < x1) {
            const int g = x + 8 <= s.rowPixels ? x : x1 - 8;
            SpriteRowLastGroup<AlphaFrom, Modulate, DestFactor, Target, TexFormat>(s, x0, g, x, x1,
                                                                                   texRow, row);
            return x1;
        }
    }
    return x;
}

template <int AlphaFrom, bool Modulate, int DestFactor, uint32_t Target, uint32_t TexFormat>
int SpriteRowSteps(const SpriteRow& s, int x0, int x1, uint8_t* row) {
    if (x1 - x0 < 8) return x0;
    if (s.Contiguous(x0, x1))
        return SpriteRowGroups<AlphaFrom, Modulate, DestFactor, Target, TexFormat, false>(s, x0, x1,
                                                                                          row);
    return SpriteRowGroups<AlphaFrom, Modulate, DestFactor, Target, TexFormat, true>(s, x0, x1,
                                                                                     row);
}

}  // namespace

bool SpriteRowAvx2Available() {
    static const bool available = __builtin_cpu_supports("avx2");
    return available;
}

template <int AlphaFrom, bool Modulate, int DestFactor, uint32_t Target, uint32_t TexFormat>
void SpriteRowAvx2Shape(const SpriteRow& s, int x0, int x1, uint8_t* row) {
    const int x =
        SpriteRowSteps<AlphaFrom, Modulate, DestFactor, Target, TexFormat>(s, x0, x1, row);
    if (x < x1)
        SpriteRowSse2Shape<AlphaFrom, Modulate, DestFactor, Target, TexFormat>(s, x, x1, row);
}

void SpriteRowAvx2(const SpriteRow& s, int x0, int x1, uint8_t* row) {
    auto run = [&](auto alphaFrom, auto modulate, auto dest, auto target, auto tex) {
        SpriteRowAvx2Shape<decltype(alphaFrom)::value, decltype(modulate)::value,
                           decltype(dest)::value, decltype(target)::value, decltype(tex)::value>(
            s, x0, x1, row);
    };
    DispatchSpriteRow(s, run);
}

namespace {

template <uint32_t Target, bool CheckOpaque>
[[gnu::target("avx2")]] int OneAlphaGroupsOverColour(const SpriteRow& s, int alpha, uint32_t under,
                                                     int x0, int x1, uint8_t* row) {
    uint8_t bytes[4] = {};
    WriteArgb(bytes, Target, under);
    uint32_t word;
    std::memcpy(&word, bytes, 4);
    const uint8_t* texRow =
        s.texels + ((s.coords.base + int64_t(x0) * s.coords.step) >> kCoordBits) * 4;
    return OneAlphaRunAvx2<Target, CheckOpaque, true>(texRow, x0, x0, x1, alpha, word, row);
}

}  // namespace

int OneAlphaGroupsOverColourAvx2(const SpriteRow& s, int alpha, uint32_t under, int x0, int x1,
                                 bool checkOpaque, uint8_t* row) {
    if (s.target == kFormatX8R8G8B8)
        return checkOpaque
                   ? OneAlphaGroupsOverColour<kFormatX8R8G8B8, true>(s, alpha, under, x0, x1, row)
                   : OneAlphaGroupsOverColour<kFormatX8R8G8B8, false>(s, alpha, under, x0, x1, row);
    return checkOpaque
               ? OneAlphaGroupsOverColour<kFormatA8R8G8B8, true>(s, alpha, under, x0, x1, row)
               : OneAlphaGroupsOverColour<kFormatA8R8G8B8, false>(s, alpha, under, x0, x1, row);
}

// Every shape ShadeSpan names.
#define SPRITE_ROW_AVX2_TARGETS(A, M, D)                                         \
    template void SpriteRowAvx2Shape<A, M, D, kFormatA8R8G8B8, kFormatA8R8G8B8>( \
        const SpriteRow&, int, int, uint8_t*);                                   \
    template void SpriteRowAvx2Shape<A, M, D, kFormatA8R8G8B8, kFormatX8R8G8B8>( \
        const SpriteRow&, int, int, uint8_t*);                                   \
    template void SpriteRowAvx2Shape<A, M, D, kFormatX8R8G8B8, kFormatA8R8G8B8>( \
        const SpriteRow&, int, int, uint8_t*);                                   \
    template void SpriteRowAvx2Shape<A, M, D, kFormatX8R8G8B8, kFormatX8R8G8B8>( \
        const SpriteRow&, int, int, uint8_t*);
#define SPRITE_ROW_AVX2_DESTS(A, M)                     \
    SPRITE_ROW_AVX2_TARGETS(A, M, D3DBLEND_INVSRCALPHA) \
    SPRITE_ROW_AVX2_TARGETS(A, M, D3DBLEND_ONE)
#define SPRITE_ROW_AVX2_ALPHAS(A)   \
    SPRITE_ROW_AVX2_DESTS(A, false) \
    SPRITE_ROW_AVX2_DESTS(A, true)
SPRITE_ROW_AVX2_ALPHAS(SpriteRow::kAlphaConstant)
SPRITE_ROW_AVX2_ALPHAS(SpriteRow::kAlphaTexture)
SPRITE_ROW_AVX2_ALPHAS(SpriteRow::kAlphaProduct)
#undef SPRITE_ROW_AVX2_ALPHAS
#undef SPRITE_ROW_AVX2_DESTS
#undef SPRITE_ROW_AVX2_TARGETS

}  // namespace platform::raster

#endif
