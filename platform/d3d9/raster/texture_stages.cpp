// Checks of the texture stage states: the cascade runs up to the first
// colour DISABLE; every op and argument the stages use must be one the
// pipeline computes, or the draw is refused.
#include "texture_stages.h"

namespace platform::raster {

namespace {

bool OpSupported(DWORD op) {
    switch (op) {
        case D3DTOP_SELECTARG1:
        case D3DTOP_SELECTARG2:
        case D3DTOP_MODULATE:
        case D3DTOP_MODULATE2X:
        case D3DTOP_MODULATE4X:
        case D3DTOP_ADD:
        case D3DTOP_SUBTRACT:
        case D3DTOP_BLENDDIFFUSEALPHA:
        case D3DTOP_BLENDFACTORALPHA:
        case D3DTOP_BLENDCURRENTALPHA:
            return true;
        default:
            return false;
    }
}

bool ArgSupported(DWORD arg) {
    if (arg & ~DWORD(D3DTA_SELECTMASK | D3DTA_COMPLEMENT | D3DTA_ALPHAREPLICATE)) return false;
    return (arg & D3DTA_SELECTMASK) <= D3DTA_TEMP;
}

bool UsesArg1(DWORD op) {
    return op != D3DTOP_SELECTARG2;
}
bool UsesArg2(DWORD op) {
    return op != D3DTOP_SELECTARG1;
}

bool ArgsSupported(DWORD op, DWORD a1, DWORD a2) {
    return (!UsesArg1(op) || ArgSupported(a1)) && (!UsesArg2(op) || ArgSupported(a2));
}

bool ReadsTexture(DWORD op, DWORD a1, DWORD a2) {
    return (UsesArg1(op) && (a1 & D3DTA_SELECTMASK) == D3DTA_TEXTURE) ||
           (UsesArg2(op) && (a2 & D3DTA_SELECTMASK) == D3DTA_TEXTURE);
}

bool SameSurface(const RasterSurface& a, const RasterSurface& b) {
    return a.pixels != nullptr && a.pixels == b.pixels;
}

}  // namespace

bool RasterStageOperationSupported(DWORD op) {
    return op == D3DTOP_DISABLE || OpSupported(op);
}

const char* BuildStageSetups(const RasterState& state, DrawSetup& setup) {
    setup.stageCount = 0;
    for (int i = 0; i < D3DMAXTEXTURESTAGES; ++i) {
        const DWORD* s = state.stage[i];
        DWORD colorOp = s[D3DTSS_COLOROP];
        if (colorOp == D3DTOP_DISABLE) break;
        DWORD alphaOp = s[D3DTSS_ALPHAOP];
        if (!OpSupported(colorOp)) return "texture stage colour operation not supported";
        if (alphaOp != D3DTOP_DISABLE && !OpSupported(alphaOp))
            return "texture stage alpha operation not supported";
        StageSetup& st = setup.stages[i];
        st = StageSetup{};
        st.colorOp = int(colorOp);
        st.alphaOp = int(alphaOp);
        st.colorArg1 = s[D3DTSS_COLORARG1];
        st.colorArg2 = s[D3DTSS_COLORARG2];
        st.alphaArg1 = s[D3DTSS_ALPHAARG1];
        st.alphaArg2 = s[D3DTSS_ALPHAARG2];
        if (!ArgsSupported(colorOp, st.colorArg1, st.colorArg2) ||
            (alphaOp != D3DTOP_DISABLE && !ArgsSupported(alphaOp, st.alphaArg1, st.alphaArg2)))
            return "texture stage argument not supported";
        DWORD result = s[D3DTSS_RESULTARG];
        if (result != D3DTA_CURRENT && result != D3DTA_TEMP)
            return "texture stage result argument not supported";
        st.resultTemp = result == D3DTA_TEMP;
        if (s[D3DTSS_TEXTURETRANSFORMFLAGS] != D3DTTFF_DISABLE)
            return "texture coordinate transforms not supported";
        DWORD index = s[D3DTSS_TEXCOORDINDEX];
        if ((index & 0xFFFF0000u) != D3DTSS_TCI_PASSTHRU)
            return "texture coordinate generation not supported";
        if (index >= 8) return "texture coordinate index out of range";
        st.texCoordSet = int(index) < setup.layout.texCount ? int(index) : -1;
        st.usesTexture =
            ReadsTexture(colorOp, st.colorArg1, st.colorArg2) ||
            (alphaOp != D3DTOP_DISABLE && ReadsTexture(alphaOp, st.alphaArg1, st.alphaArg2));
        if (st.usesTexture)
            if (const char* r = TakeStageTexture(state, i, st)) return r;
        setup.stageCount = i + 1;
    }
    return nullptr;
}

const char* TakeStageTexture(const RasterState& state, int i, StageSetup& st) {
    const RasterTexture* tex = state.textures[i];
    if (tex) {
        if (tex->levelCount < 1 || tex->levelCount > RasterTexture::kMaxLevels)
            return "texture has no levels";
        for (int l = 0; l < tex->levelCount; ++l) {
            const RasterSurface& lv = tex->levels[l];
            if (!lv.pixels || lv.width <= 0 || lv.height <= 0 || !IsColourFormat(lv.format))
                return "texture format not supported";
            // Reading the target while drawing it is undefined in Direct3D 9.
            if (SameSurface(lv, state.target))
                return "texture sampled while it is the render target";
        }
        st.texture = tex;
    }
    return BuildSamplerSetup(state, i, st.sampler);
}

const char* BuildKernelSamplers(const RasterState& state, DrawSetup& setup) {
    setup.stageCount = 0;
    for (int i = 0; i < D3DMAXTEXTURESTAGES; ++i) {
        StageSetup& st = setup.stages[i];
        st = StageSetup{};
        const int set = setup.kernel->coordinateSet[i];
        if (set < 0) continue;  // a sampler the kernel never reads: its binding does not matter
        st.usesTexture = true;
        st.texCoordSet = set < setup.layout.texCount ? set : -1;
        if (const char* r = TakeStageTexture(state, i, st)) return r;
        setup.stageCount = i + 1;
    }
    return nullptr;
}

}  // namespace platform::raster
