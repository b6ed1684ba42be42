// Checks and decoding of the alpha test, blend and depth states.
#include "blending.h"

#include "pixel_formats.h"

namespace platform::raster {

namespace {

bool ValidCompare(DWORD f) {
    return f >= D3DCMP_NEVER && f <= D3DCMP_ALWAYS;
}
bool ValidFactor(DWORD f) {
    return f >= D3DBLEND_ZERO && f <= D3DBLEND_INVBLENDFACTOR;
}

}  // namespace

const char* BuildBlendSetup(const RasterState& state, DrawSetup& setup) {
    const DWORD* rs = state.render;
    setup.alphaTest = rs[D3DRS_ALPHATESTENABLE] != 0;
    if (setup.alphaTest) {
        if (!ValidCompare(rs[D3DRS_ALPHAFUNC])) return "alpha test function not supported";
        setup.alphaFunc = int(rs[D3DRS_ALPHAFUNC]);
        setup.alphaRef = int(rs[D3DRS_ALPHAREF] & 0xFF);
    }
    setup.blend = rs[D3DRS_ALPHABLENDENABLE] != 0;
    if (setup.blend) {
        DWORD src = rs[D3DRS_SRCBLEND], dst = rs[D3DRS_DESTBLEND], op = rs[D3DRS_BLENDOP];
        if (!ValidFactor(src) || !ValidFactor(dst)) return "blend factor not supported";
        if (op < D3DBLENDOP_ADD || op > D3DBLENDOP_MAX) return "blend operation not supported";
        // The two "both" factors set the source and destination together.
        if (src == D3DBLEND_BOTHSRCALPHA) src = D3DBLEND_SRCALPHA, dst = D3DBLEND_INVSRCALPHA;
        if (src == D3DBLEND_BOTHINVSRCALPHA) src = D3DBLEND_INVSRCALPHA, dst = D3DBLEND_SRCALPHA;
        if (dst == D3DBLEND_BOTHSRCALPHA) dst = D3DBLEND_SRCALPHA;
        if (dst == D3DBLEND_BOTHINVSRCALPHA) dst = D3DBLEND_INVSRCALPHA;
        setup.srcBlend = int(src);
        setup.destBlend = int(dst);
        setup.blendOp = int(op);
        setup.blendFactor = FromArgb(rs[D3DRS_BLENDFACTOR]);
    }
    setup.writeMask = rs[D3DRS_COLORWRITEENABLE] & 0xF;

    // Depth: no surface, no test.
    setup.depthTest = false;
    setup.depthWrite = false;
    if (state.depth.pixels && rs[D3DRS_ZENABLE] != D3DZB_FALSE) {
        if (rs[D3DRS_ZENABLE] != D3DZB_TRUE) return "w-buffering not supported";
        if (!IsDepthFormat(state.depth.format)) return "depth surface format not supported";
        if (state.depth.width < state.target.width || state.depth.height < state.target.height)
            return "depth surface smaller than the render target";
        if (!ValidCompare(rs[D3DRS_ZFUNC])) return "depth function not supported";
        setup.depthTest = true;
        setup.depthWrite = rs[D3DRS_ZWRITEENABLE] != 0;
        setup.depthFunc = int(rs[D3DRS_ZFUNC]);
        setup.depth = state.depth;
    }
    return nullptr;
}

}  // namespace platform::raster
