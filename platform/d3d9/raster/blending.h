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

// Keeps the destination's channels that the write mask excludes.
RASTER_INLINE Rgba ApplyWriteMask(uint32_t mask, const Rgba& out, const Rgba& dst) {
    return Rgba{(mask & D3DCOLORWRITEENABLE_RED) ? out.r : dst.r,
                (mask & D3DCOLORWRITEENABLE_GREEN) ? out.g : dst.g,
                (mask & D3DCOLORWRITEENABLE_BLUE) ? out.b : dst.b,
                (mask & D3DCOLORWRITEENABLE_ALPHA) ? out.a : dst.a};
}

}  // namespace platform::raster
