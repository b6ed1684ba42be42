// Sampler state checks, mip level choice, and the bilinear surface stretch
// that shares the texture sampler's arithmetic.
#include "sampling.h"

#include <cmath>

namespace platform::raster {

const char* BuildSamplerSetup(const RasterState& state, int stage, SamplerSetup& sampler) {
    const DWORD* s = state.sampler[stage];
    auto address = [](DWORD mode, int& out) {
        if (mode < D3DTADDRESS_WRAP || mode > D3DTADDRESS_MIRRORONCE) return false;
        out = int(mode);
        return true;
    };
    if (!address(s[D3DSAMP_ADDRESSU], sampler.addressU) ||
        !address(s[D3DSAMP_ADDRESSV], sampler.addressV))
        return "texture address mode not supported";
    sampler.border = s[D3DSAMP_BORDERCOLOR];
    auto filter = [](DWORD f, int& out) {
        switch (f) {
            case D3DTEXF_NONE:
            case D3DTEXF_POINT:
                out = kFilterPoint;
                return true;
            case D3DTEXF_LINEAR:
            case D3DTEXF_ANISOTROPIC:
                out = kFilterLinear;
                return true;
            default:
                return false;
        }
    };
    if (!filter(s[D3DSAMP_MAGFILTER], sampler.magFilter) ||
        !filter(s[D3DSAMP_MINFILTER], sampler.minFilter))
        return "texture filter not supported";
    switch (s[D3DSAMP_MIPFILTER]) {
        case D3DTEXF_NONE:
            sampler.mipFilter = kMipNone;
            break;
        case D3DTEXF_POINT:
            sampler.mipFilter = kMipPoint;
            break;
        case D3DTEXF_LINEAR:
            sampler.mipFilter = kMipLinear;
            break;
        default:
            return "mip filter not supported";
    }
    return nullptr;
}

LevelChoice ChooseLevel(const SamplerSetup& sampler, const RasterTexture& texture, double lod) {
    LevelChoice c;
    if (!(lod > 0.0)) {
        c.filter = sampler.magFilter;
        return c;
    }
    c.filter = sampler.minFilter;
    int last = texture.levelCount - 1;
    if (sampler.mipFilter == kMipNone || last <= 0) return c;
    if (lod > 64.0) lod = 64.0;
    if (sampler.mipFilter == kMipPoint) {
        int l = int(std::floor(lod + 0.5));
        c.level = c.level2 = l > last ? last : l;
        return c;
    }
    int l = int(std::floor(lod));
    int w = int(std::floor((lod - l) * 256.0 + 0.5));
    if (l >= last) {
        c.level = c.level2 = last;
        return c;
    }
    c.level = l;
    c.level2 = l + 1;
    c.weight = w;
    return c;
}

namespace {

uint32_t SampleAt(const SamplerSetup& sampler, const RasterTexture& texture, int filter, int level,
                  double s, double t) {
    const RasterSurface& l0 = texture.levels[0];
    const RasterSurface& lv = texture.levels[level];
    if (level != 0) {
        s = s * lv.width / l0.width;
        t = t * lv.height / l0.height;
    }
    return SampleLevel(lv, filter, sampler.addressU, sampler.addressV, sampler.border,
                       TexelFixed(s), TexelFixed(t));
}

}  // namespace

uint32_t SampleTexture(const SamplerSetup& sampler, const RasterTexture& texture,
                       const LevelChoice& choice, double s, double t) {
    uint32_t a = SampleAt(sampler, texture, choice.filter, choice.level, s, t);
    if (choice.weight == 0) return a;
    uint32_t b = SampleAt(sampler, texture, choice.filter, choice.level2, s, t);
    uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        uint32_t x = (a >> shift) & 255, y = (b >> shift) & 255;
        uint32_t w = uint32_t(choice.weight);
        out |= ((x * (256 - w) + y * w + 128) >> 8) << shift;
    }
    return out;
}

bool RasterStretchLinear(const RasterSurface& src, const RECT& srcRect, const RasterSurface& dst,
                         const RECT& dstRect) {
    auto inside = [](const RasterSurface& s, const RECT& r) {
        return r.left >= 0 && r.top >= 0 && r.left < r.right && r.top < r.bottom &&
               r.right <= s.width && r.bottom <= s.height;
    };
    if (!src.pixels || !dst.pixels || !IsColourFormat(src.format) || !IsColourFormat(dst.format) ||
        !inside(src, srcRect) || !inside(dst, dstRect))
        return false;
    // The source rectangle as a surface of its own, so that clamping stops at
    // its edges.
    int sbpp = FormatBytesPerPixel(src.format), dbpp = FormatBytesPerPixel(dst.format);
    RasterSurface part = src;
    part.pixels = src.pixels + size_t(srcRect.top) * src.pitch + size_t(srcRect.left) * sbpp;
    part.width = srcRect.right - srcRect.left;
    part.height = srcRect.bottom - srcRect.top;
    int dw = dstRect.right - dstRect.left, dh = dstRect.bottom - dstRect.top;
    // The same coordinates as a textured quad from (left - 0.5, top - 0.5)
    // to (right - 0.5, bottom - 0.5) with texel coordinates 0 to the source
    // size: planes over the target, stepped from x = 0.
    Plane ps, pt;
    ps.dx = double(part.width) / dw;
    pt.dy = double(part.height) / dh;
    ps.c = 0.0 - ps.dx * (double(dstRect.left) - 0.5) - ps.dy * (double(dstRect.top) - 0.5);
    pt.c = 0.0 - pt.dx * (double(dstRect.left) - 0.5) - pt.dy * (double(dstRect.top) - 0.5);
    const int64_t sStep = FixedStep(ps.dx);
    for (int y = dstRect.top; y < dstRect.bottom; ++y) {
        const int64_t sBase = FixedCoord(ps.Row(y));
        const int64_t ft = FixedCoord(pt.Row(y)) >> (kCoordBits - 8);
        uint8_t* row = dst.pixels + size_t(y) * dst.pitch;
        for (int x = dstRect.left; x < dstRect.right; ++x) {
            int64_t fs = (sBase + int64_t(x) * sStep) >> (kCoordBits - 8);
            uint32_t c = SampleLinear(part, int(part.format), D3DTADDRESS_CLAMP, D3DTADDRESS_CLAMP,
                                      0, fs, ft);
            WriteArgb(row + size_t(x) * dbpp, dst.format, c);
        }
    }
    return true;
}

}  // namespace platform::raster
