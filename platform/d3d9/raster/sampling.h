// Texture sampling: address modes, point and bilinear filtering in 8-bit
// weights. Coordinates arrive in texels of the sampled level as fixed point
// with 8 fractional bits, so that every path rounds them the same way.
#pragma once

#include <algorithm>
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "draw_setup.h"
#include "pixel_formats.h"

#define RASTER_INLINE [[gnu::always_inline]] inline

namespace platform::raster {

// Largest texel coordinate magnitude kept; beyond it coordinates clamp, so
// that hostile values never overflow.
constexpr double kMaxTexel = 1 << 24;

// An attribute over the screen: value = c + dy * y + dx * x, evaluated row
// first in that order on every path.
struct Plane {
    double c = 0.0, dx = 0.0, dy = 0.0;
    double Row(int y) const { return c + dy * double(y); }
};

// Texel coordinates of affine spans: fixed point with 24 fractional bits,
// the row's value at x = 0 plus x steps. Magnitudes are clamped (2^24
// texels, 2^20 texels per pixel) so that no hostile value overflows.
constexpr int kCoordBits = 24;
constexpr double kCoordOne = double(1 << kCoordBits);

RASTER_INLINE int64_t FixedCoord(double v) {
    v *= kCoordOne;
    const double lim = kMaxTexel * kCoordOne;
    if (!(v >= -lim)) v = -lim;
    if (v > lim) v = lim;
    int64_t i = int64_t(v);
    return (double(i) > v) ? i - 1 : i;
}

RASTER_INLINE int64_t FixedStep(double d) {
    d *= kCoordOne;
    const double lim = double(1 << 20) * kCoordOne;
    if (!(d >= -lim)) d = -lim;
    if (d > lim) d = lim;
    return int64_t(d >= 0 ? d + 0.5 : d - 0.5);
}

// floor(s * 256) of a texel coordinate, clamped (NaN reads as the low end).
RASTER_INLINE int64_t TexelFixed(double s) {
    double v = s * 256.0;
    if (!(v >= -kMaxTexel * 256.0)) v = -kMaxTexel * 256.0;
    if (v > kMaxTexel * 256.0) v = kMaxTexel * 256.0;
    int64_t i = int64_t(v);
    return (double(i) > v) ? i - 1 : i;
}

// A texel index under an address mode, or -1 for the border colour.
RASTER_INLINE int AddressTexel(int64_t i, int n, int mode) {
    switch (mode) {
        case D3DTADDRESS_WRAP: {
            int64_t m = i % n;
            return int(m < 0 ? m + n : m);
        }
        case D3DTADDRESS_MIRROR: {
            int64_t m = i % (2 * int64_t(n));
            if (m < 0) m += 2 * int64_t(n);
            return int(m < n ? m : 2 * int64_t(n) - 1 - m);
        }
        case D3DTADDRESS_BORDER:
            return (i < 0 || i >= n) ? -1 : int(i);
        case D3DTADDRESS_MIRRORONCE: {
            int64_t j = i < 0 ? -i - 1 : i;
            return int(j >= n ? n - 1 : j);
        }
        default:  // CLAMP
            return int(i < 0 ? 0 : (i >= n ? n - 1 : i));
    }
}

RASTER_INLINE uint32_t FetchTexel(const RasterSurface& level, int format, int x, int y,
                                  uint32_t border) {
    if (x < 0 || y < 0) return border;
    return ReadArgb(
        level.pixels + size_t(y) * level.pitch + size_t(x) * (format >= int(kFormatR5G6B5) ? 2 : 4),
        uint32_t(format));
}

// Point sampling: the texel that contains (s, t).
RASTER_INLINE uint32_t SamplePoint(const RasterSurface& level, int format, int addressU,
                                   int addressV, uint32_t border, int64_t fs, int64_t ft) {
    int x = AddressTexel(fs >> 8, level.width, addressU);
    int y = AddressTexel(ft >> 8, level.height, addressV);
    return FetchTexel(level, format, x, y, border);
}

// One channel of a bilinear sample: both weight products summed, one
// rounding at the end ((sum + 2^15) >> 16).
RASTER_INLINE uint32_t LerpChannel(uint32_t c00, uint32_t c10, uint32_t c01, uint32_t c11,
                                   int shift, uint32_t wx, uint32_t wy) {
    uint32_t a = (c00 >> shift) & 255, b = (c10 >> shift) & 255;
    uint32_t c = (c01 >> shift) & 255, d = (c11 >> shift) & 255;
    uint32_t top = a * (256 - wx) + b * wx;
    uint32_t bottom = c * (256 - wx) + d * wx;
    return ((top * (256 - wy) + bottom * wy + 32768) >> 16) << shift;
}

RASTER_INLINE uint32_t LerpTexels(uint32_t c00, uint32_t c10, uint32_t c01, uint32_t c11,
                                  uint32_t wx, uint32_t wy) {
    return LerpChannel(c00, c10, c01, c11, 0, wx, wy) | LerpChannel(c00, c10, c01, c11, 8, wx, wy) |
           LerpChannel(c00, c10, c01, c11, 16, wx, wy) |
           LerpChannel(c00, c10, c01, c11, 24, wx, wy);
}

#if defined(__SSE2__)
// SIMD twin of LerpTexels. The horizontal sums fit unsigned 16-bit lanes;
// the vertical step runs as a signed multiply-add on the sums less 2^15,
// with 2^15 * 256 added back, so the arithmetic is exactly the plain one.
RASTER_INLINE uint32_t LerpTexelsSse2(uint32_t c00, uint32_t c10, uint32_t c01, uint32_t c11,
                                      uint32_t wx, uint32_t wy) {
    const __m128i zero = _mm_setzero_si128();
    const short ix = short(256 - wx), x = short(wx);
    const __m128i wxv = _mm_set_epi16(x, x, x, x, ix, ix, ix, ix);
    const __m128i wyv = _mm_set1_epi32(int((wy << 16) | (256 - wy)));
    const __m128i bias = _mm_set1_epi16(short(-32768));
    __m128i r0 = _mm_unpacklo_epi8(
        _mm_unpacklo_epi32(_mm_cvtsi32_si128(int(c00)), _mm_cvtsi32_si128(int(c10))), zero);
    __m128i r1 = _mm_unpacklo_epi8(
        _mm_unpacklo_epi32(_mm_cvtsi32_si128(int(c01)), _mm_cvtsi32_si128(int(c11))), zero);
    r0 = _mm_mullo_epi16(r0, wxv);
    r1 = _mm_mullo_epi16(r1, wxv);
    __m128i top = _mm_xor_si128(_mm_add_epi16(r0, _mm_srli_si128(r0, 8)), bias);
    __m128i bottom = _mm_xor_si128(_mm_add_epi16(r1, _mm_srli_si128(r1, 8)), bias);
    __m128i v = _mm_madd_epi16(_mm_unpacklo_epi16(top, bottom), wyv);
    v = _mm_srli_epi32(_mm_add_epi32(v, _mm_set1_epi32(32768 * 256 + 32768)), 16);
    v = _mm_packs_epi32(v, v);
    return uint32_t(_mm_cvtsi128_si32(_mm_packus_epi16(v, v)));
}
#endif

// Bilinear sampling around (s - 0.5, t - 0.5); fs and ft are floor(s * 256).
RASTER_INLINE uint32_t SampleLinear(const RasterSurface& level, int format, int addressU,
                                    int addressV, uint32_t border, int64_t fs, int64_t ft) {
    int64_t ls = fs - 128, lt = ft - 128;
    uint32_t wx = uint32_t(ls & 255), wy = uint32_t(lt & 255);
    int64_t i = ls >> 8, j = lt >> 8;
    int x0 = AddressTexel(i, level.width, addressU),
        x1 = AddressTexel(i + 1, level.width, addressU);
    int y0 = AddressTexel(j, level.height, addressV),
        y1 = AddressTexel(j + 1, level.height, addressV);
    uint32_t c00 = FetchTexel(level, format, x0, y0, border);
    uint32_t c10 = FetchTexel(level, format, x1, y0, border);
    uint32_t c01 = FetchTexel(level, format, x0, y1, border);
    uint32_t c11 = FetchTexel(level, format, x1, y1, border);
    return LerpTexels(c00, c10, c01, c11, wx, wy);
}

// The same sample through the SIMD twin (for the specialised spans).
RASTER_INLINE uint32_t SampleLinearFast(const RasterSurface& level, int format, int addressU,
                                        int addressV, uint32_t border, int64_t fs, int64_t ft) {
#if defined(__SSE2__)
    int64_t ls = fs - 128, lt = ft - 128;
    uint32_t wx = uint32_t(ls & 255), wy = uint32_t(lt & 255);
    int64_t i = ls >> 8, j = lt >> 8;
    int x0 = AddressTexel(i, level.width, addressU),
        x1 = AddressTexel(i + 1, level.width, addressU);
    int y0 = AddressTexel(j, level.height, addressV),
        y1 = AddressTexel(j + 1, level.height, addressV);
    return LerpTexelsSse2(FetchTexel(level, format, x0, y0, border),
                          FetchTexel(level, format, x1, y0, border),
                          FetchTexel(level, format, x0, y1, border),
                          FetchTexel(level, format, x1, y1, border), wx, wy);
#else
    return SampleLinear(level, format, addressU, addressV, border, fs, ft);
#endif
}

struct RowBlend;

#if defined(__x86_64__)
// The vertical step of RowBlend::Prepare eight texels at a time for
// processors with AVX2: texels i .. last (all inside the texture) of rows r0
// and r1; returns the first texel not done (fewer than eight are left).
bool RowBlendAvx2Available();
int64_t RowBlendInsideAvx2(RowBlend& rb, const uint8_t* r0, const uint8_t* r1, int64_t i,
                           int64_t last, uint32_t wy, bool opaque);
#endif

// A texture row pair weighed vertically for one span: entry k holds, per
// channel, row0 * (256 - wy) + row1 * wy of texel index first + k (address
// mode applied), so that a pixel's bilinear sample is
// (v[i] * (256 - wx) + v[i + 1] * wx + 2^15) >> 16, the very sum of
// LerpTexels in another order.
struct RowBlend {
    static constexpr int kMaxTexels = 2048;
    // Spans this long or longer prefetch the next source row.
    static constexpr int kPrefetchTexels = 64;
    bool ready = false;
    int64_t first = 0;
    alignas(16) uint16_t v[(kMaxTexels + 2) * 4];

    // fsFirst and fsLast: floor(s * 256) at the span's two ends.
    void Prepare(const RasterSurface& level, int format, int addressU, int addressV, int64_t ft,
                 int64_t fsFirst, int64_t fsLast) {
        int64_t lt = ft - 128;
        uint32_t wy = uint32_t(lt & 255);
        int64_t j = lt >> 8;
        int y0 = AddressTexel(j, level.height, addressV);
        int y1 = AddressTexel(j + 1, level.height, addressV);
        int64_t lo = ((fsFirst < fsLast ? fsFirst : fsLast) - 128) >> 8;
        int64_t hi = (((fsFirst < fsLast ? fsLast : fsFirst) - 128) >> 8) + 1;
        if (hi - lo + 1 > kMaxTexels || y0 < 0 || y1 < 0) return;
        first = lo;
        int64_t i = lo;
#if defined(__SSE2__)
        // Inside the texture the texels are contiguous: two at a time.
        if (format == kFormatA8R8G8B8 || format == kFormatX8R8G8B8) {
            for (; i <= hi && (i < 0 || AddressTexel(i, level.width, addressU) != i); ++i)
                Blend1(level, format, addressU, y0, y1, wy, i);
            const uint8_t* r0 = level.pixels + size_t(y0) * level.pitch;
            const uint8_t* r1 = level.pixels + size_t(y1) * level.pitch;
            // The next span down usually reads the row after y1 for the
            // first time (a stretch walks its source rows in order): ask for
            // it now, so that it arrives while this span is drawn.
            if (hi - i >= kPrefetchTexels) {
                const int y2 = AddressTexel(j + 2, level.height, addressV);
                if (y2 >= 0) {
                    const char* r2 =
                        reinterpret_cast<const char*>(level.pixels) + size_t(y2) * level.pitch;
                    const int64_t end = std::min<int64_t>(hi, level.width - 1) * 4;
                    for (int64_t b = i * 4; b <= end; b += 64) _mm_prefetch(r2 + b, _MM_HINT_T0);
                }
            }
#if defined(__x86_64__)
            if (RowBlendAvx2Available() && i <= hi)
                i = RowBlendInsideAvx2(*this, r0, r1, i, std::min<int64_t>(hi, level.width - 1), wy,
                                       format == kFormatX8R8G8B8);
#endif
            const __m128i zero = _mm_setzero_si128();
            const __m128i w0 = _mm_set1_epi16(short(256 - wy)), w1 = _mm_set1_epi16(short(wy));
            const __m128i opaque = _mm_set1_epi32(format == kFormatX8R8G8B8 ? int(0xFF000000u) : 0);
            for (; i + 3 <= hi && i + 3 < level.width &&
                   AddressTexel(i + 3, level.width, addressU) == i + 3;
                 i += 4) {
                __m128i a = _mm_or_si128(
                    _mm_loadu_si128(reinterpret_cast<const __m128i*>(r0 + i * 4)), opaque);
                __m128i b = _mm_or_si128(
                    _mm_loadu_si128(reinterpret_cast<const __m128i*>(r1 + i * 4)), opaque);
                __m128i left = _mm_add_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(a, zero), w0),
                                             _mm_mullo_epi16(_mm_unpacklo_epi8(b, zero), w1));
                __m128i right = _mm_add_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(a, zero), w0),
                                              _mm_mullo_epi16(_mm_unpackhi_epi8(b, zero), w1));
                _mm_storeu_si128(reinterpret_cast<__m128i*>(v + (i - lo) * 4), left);
                _mm_storeu_si128(reinterpret_cast<__m128i*>(v + (i - lo) * 4 + 8), right);
            }
            for (; i + 1 <= hi && i + 1 < level.width &&
                   AddressTexel(i + 1, level.width, addressU) == i + 1;
                 i += 2) {
                __m128i a = _mm_or_si128(
                    _mm_loadl_epi64(reinterpret_cast<const __m128i*>(r0 + i * 4)), opaque);
                __m128i b = _mm_or_si128(
                    _mm_loadl_epi64(reinterpret_cast<const __m128i*>(r1 + i * 4)), opaque);
                __m128i sum = _mm_add_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(a, zero), w0),
                                            _mm_mullo_epi16(_mm_unpacklo_epi8(b, zero), w1));
                _mm_storeu_si128(reinterpret_cast<__m128i*>(v + (i - lo) * 4), sum);
            }
        }
#endif
        for (; i <= hi; ++i) Blend1(level, format, addressU, y0, y1, wy, i);
        ready = true;
    }

    void Blend1(const RasterSurface& level, int format, int addressU, int y0, int y1, uint32_t wy,
                int64_t i) {
        {
            int x = AddressTexel(i, level.width, addressU);
            uint32_t a = FetchTexel(level, format, x, y0, 0);
            uint32_t b = FetchTexel(level, format, x, y1, 0);
            uint16_t* out = v + (i - first) * 4;
            for (int c = 0; c < 4; ++c)
                out[c] =
                    uint16_t(((a >> (8 * c)) & 255) * (256 - wy) + ((b >> (8 * c)) & 255) * wy);
        }
    }

    RASTER_INLINE uint32_t Sample(int64_t fs) const {
        int64_t ls = fs - 128;
        uint32_t wx = uint32_t(ls & 255);
        const uint16_t* p = v + ((ls >> 8) - first) * 4;
#if defined(__SSE2__)
        __m128i x = _mm_xor_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)),
                                  _mm_set1_epi16(short(-32768)));
        __m128i pairs = _mm_unpacklo_epi16(x, _mm_srli_si128(x, 8));
        __m128i r = _mm_madd_epi16(pairs, _mm_set1_epi32(int((wx << 16) | (256 - wx))));
        r = _mm_srli_epi32(_mm_add_epi32(r, _mm_set1_epi32(32768 * 256 + 32768)), 16);
        r = _mm_packs_epi32(r, r);
        return uint32_t(_mm_cvtsi128_si32(_mm_packus_epi16(r, r)));
#else
        uint32_t out = 0;
        for (int c = 0; c < 4; ++c)
            out |= ((uint32_t(p[c]) * (256 - wx) + uint32_t(p[c + 4]) * wx + 32768) >> 16)
                   << (8 * c);
        return out;
#endif
    }
};

RASTER_INLINE uint32_t SampleLevel(const RasterSurface& level, int filter, int addressU,
                                   int addressV, uint32_t border, int64_t fs, int64_t ft) {
    int format = int(level.format);
    return filter == kFilterLinear ? SampleLinear(level, format, addressU, addressV, border, fs, ft)
                                   : SamplePoint(level, format, addressU, addressV, border, fs, ft);
}

// Level and filter for a level-of-detail value (log2 of the footprint in
// level-0 texels): magnification at lod <= 0; the mip filter picks the
// nearest level or two levels and an 8-bit weight between them.
struct LevelChoice {
    int level = 0;
    int level2 = 0;  // second level of a linear mip blend
    int weight = 0;  // 0..256 toward level2
    int filter = kFilterPoint;
};

LevelChoice ChooseLevel(const SamplerSetup& sampler, const RasterTexture& texture, double lod);

// Samples a texture at level-0 texel coordinates (s, t) with a level choice.
uint32_t SampleTexture(const SamplerSetup& sampler, const RasterTexture& texture,
                       const LevelChoice& choice, double s, double t);

}  // namespace platform::raster
