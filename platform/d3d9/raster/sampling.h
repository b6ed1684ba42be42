// Texture sampling: address modes, point and bilinear filtering in 8-bit
// weights. Coordinates arrive in texels of the sampled level as fixed point
// with 8 fractional bits, so that every path rounds them the same way.
#pragma once

#include <cstdint>

#include "draw_setup.h"
#include "pixel_formats.h"

#define RASTER_INLINE [[gnu::always_inline]] inline

namespace platform::raster {

// Largest texel coordinate magnitude kept; beyond it coordinates clamp, so
// that hostile values never overflow.
constexpr double kMaxTexel = 1 << 24;

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

// One channel of a bilinear sample: the horizontal pairs are weighed first,
// then the two rows, with one rounding at the end.
RASTER_INLINE uint32_t LerpChannel(uint32_t c00, uint32_t c10, uint32_t c01, uint32_t c11,
                                   int shift, uint32_t wx, uint32_t wy) {
    uint32_t a = (c00 >> shift) & 255, b = (c10 >> shift) & 255;
    uint32_t c = (c01 >> shift) & 255, d = (c11 >> shift) & 255;
    uint32_t top = a * (256 - wx) + b * wx;
    uint32_t bottom = c * (256 - wx) + d * wx;
    return ((top * (256 - wy) + bottom * wy + 32768) >> 16) << shift;
}

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
    return LerpChannel(c00, c10, c01, c11, 0, wx, wy) | LerpChannel(c00, c10, c01, c11, 8, wx, wy) |
           LerpChannel(c00, c10, c01, c11, 16, wx, wy) |
           LerpChannel(c00, c10, c01, c11, 24, wx, wy);
}

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
