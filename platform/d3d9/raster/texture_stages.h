// The fixed-function texture stage cascade: arguments with their modifiers
// and the colour and alpha operations, in 8-bit arithmetic.
#pragma once

#include "draw_setup.h"
#include "eight_bit_math.h"
#include "sampling.h"

namespace platform::raster {

// The registers a stage reads.
struct StageRegisters {
    Rgba diffuse, specular, current, temp, texture, tfactor;
};

RASTER_INLINE Rgba StageArgument(DWORD arg, const StageRegisters& r) {
    Rgba v;
    switch (arg & D3DTA_SELECTMASK) {
        case D3DTA_CURRENT:
            v = r.current;
            break;
        case D3DTA_TEXTURE:
            v = r.texture;
            break;
        case D3DTA_TFACTOR:
            v = r.tfactor;
            break;
        case D3DTA_SPECULAR:
            v = r.specular;
            break;
        case D3DTA_TEMP:
            v = r.temp;
            break;
        default:
            v = r.diffuse;
            break;
    }
    if (arg & D3DTA_COMPLEMENT) v = Rgba{255 - v.r, 255 - v.g, 255 - v.b, 255 - v.a};
    if (arg & D3DTA_ALPHAREPLICATE) v.r = v.g = v.b = v.a;
    return v;
}

// One channel of an operation; `weight` is the alpha of the BLEND* ops.
RASTER_INLINE int StageOperation(int op, int a1, int a2, int weight) {
    switch (op) {
        case D3DTOP_SELECTARG1:
            return a1;
        case D3DTOP_SELECTARG2:
            return a2;
        case D3DTOP_MODULATE:
            return Mul255(a1, a2);
        case D3DTOP_MODULATE2X:
            return Saturate(Div255(2 * a1 * a2));
        case D3DTOP_MODULATE4X:
            return Saturate(Div255(4 * a1 * a2));
        case D3DTOP_ADD:
            return Saturate(a1 + a2);
        case D3DTOP_SUBTRACT:
            return Saturate(a1 - a2);
        default:  // the BLEND* ops
            return Div255(a1 * weight + a2 * (255 - weight));
    }
}

RASTER_INLINE int BlendWeight(int op, const StageRegisters& r) {
    switch (op) {
        case D3DTOP_BLENDDIFFUSEALPHA:
            return r.diffuse.a;
        case D3DTOP_BLENDFACTORALPHA:
            return r.tfactor.a;
        case D3DTOP_BLENDCURRENTALPHA:
            return r.current.a;
        default:
            return 0;
    }
}

// Runs one stage on the registers (texture already sampled when used).
RASTER_INLINE void RunStage(int colorOp, DWORD colorArg1, DWORD colorArg2, int alphaOp,
                            DWORD alphaArg1, DWORD alphaArg2, bool resultTemp, StageRegisters& r) {
    Rgba out = r.current;
    {
        Rgba a1 = StageArgument(colorArg1, r), a2 = StageArgument(colorArg2, r);
        int w = BlendWeight(colorOp, r);
        out.r = StageOperation(colorOp, a1.r, a2.r, w);
        out.g = StageOperation(colorOp, a1.g, a2.g, w);
        out.b = StageOperation(colorOp, a1.b, a2.b, w);
    }
    if (alphaOp != D3DTOP_DISABLE) {
        int a1 = StageArgument(alphaArg1, r).a, a2 = StageArgument(alphaArg2, r).a;
        out.a = StageOperation(alphaOp, a1, a2, BlendWeight(alphaOp, r));
    }
    if (resultTemp)
        r.temp = out;
    else
        r.current = out;
}

}  // namespace platform::raster
