// The draw entry points: state checks, vertex fetch, primitive assembly
// (lists, strips, fans; indexed or not) and the documented default states.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "blending.h"
#include "pixel_formats.h"
#include "rasteriser.h"

namespace platform::raster {

namespace {

RasterResult Refuse(const char* reason) {
    return RasterResult{kInvalidCall, reason};
}

bool VertexCount(D3DPRIMITIVETYPE type, UINT primitives, uint64_t& count) {
    uint64_t n = primitives;
    switch (type) {
        case D3DPT_POINTLIST:
            count = n;
            return true;
        case D3DPT_LINELIST:
            count = n * 2;
            return true;
        case D3DPT_LINESTRIP:
            count = n + 1;
            return true;
        case D3DPT_TRIANGLELIST:
            count = n * 3;
            return true;
        case D3DPT_TRIANGLESTRIP:
        case D3DPT_TRIANGLEFAN:
            count = n + 2;
            return true;
        default:
            return false;
    }
}

// Checks shared by both draw calls; fills the setup.
RasterResult Prepare(const RasterState& state, D3DPRIMITIVETYPE type, UINT primitives, UINT stride,
                     DrawSetup& setup, uint64_t& vertexCount) {
    if (!VertexCount(type, primitives, vertexCount)) return Refuse("primitive type not supported");
    if (primitives == 0) return Refuse("primitive count is 0");
    if (primitives > state.maxPrimitiveCount) return Refuse("primitive count above the maximum");
    if (const char* r = BuildDrawSetup(state, setup)) return Refuse(r);
    if (stride < setup.layout.size) return Refuse("vertex stride below the vertex format's size");
    return RasterResult{};
}

// Hands the assembled primitives of a vertex sequence to the rasteriser.
void Assemble(const DrawSetup& setup, D3DPRIMITIVETYPE type, UINT primitives,
              const std::vector<RasterVertex>& v) {
    DrawContext ctx;
    ctx.setup = &setup;
    ctx.spans = ChooseSpans(setup);
    if (setup.clip.left >= setup.clip.right || setup.clip.top >= setup.clip.bottom) return;
    for (UINT i = 0; i < primitives; ++i) {
        switch (type) {
            case D3DPT_POINTLIST:
                DrawPoint(ctx, v[i]);
                break;
            case D3DPT_LINELIST:
                DrawLine(ctx, v[2 * i], v[2 * i + 1], v[2 * i], setup.lastPixel);
                break;
            case D3DPT_LINESTRIP:
                DrawLine(ctx, v[i], v[i + 1], v[i], setup.lastPixel && i + 1 == primitives);
                break;
            case D3DPT_TRIANGLELIST:
                if (i + 1 < primitives) {
                    DrawTrianglePair(ctx, &v[3 * i], &v[3 * i + 3]);
                    ++i;
                } else {
                    DrawTriangle(ctx, v[3 * i], v[3 * i + 1], v[3 * i + 2], v[3 * i]);
                }
                break;
            case D3DPT_TRIANGLESTRIP:
                // Odd triangles of a strip wind the other way round.
                if (i & 1)
                    DrawTriangle(ctx, v[i + 1], v[i], v[i + 2], v[i]);
                else
                    DrawTriangle(ctx, v[i], v[i + 1], v[i + 2], v[i]);
                break;
            case D3DPT_TRIANGLEFAN:
                DrawTriangle(ctx, v[0], v[i + 1], v[i + 2], v[i + 1]);
                break;
            default:
                return;
        }
    }
}

// A source-alpha blend whose alpha is the texel's own (or times the flat
// diffuse alpha, which a span may find to be 255): an opaque texel gives
// its colour and alpha 255 whatever the target held (opaque pictures drawn
// as sprites, backgrounds). A kernel counts by the stage it equals.
void TakeOpaqueTexelSettling(DrawSetup& ds) {
    if (!ds.blend || ds.writeMask != 0xF || ds.blendOp != D3DBLENDOP_ADD ||
        ds.srcBlend != D3DBLEND_SRCALPHA || ds.destBlend != D3DBLEND_INVSRCALPHA ||
        ds.stageCount != 1)
        return;
    if (ds.alphaTest && !Compare(ds.alphaFunc, 255, uint32_t(ds.alphaRef))) return;
    const StageSetup& st = ds.stages[0];
    int op = st.alphaOp;
    DWORD arg1 = st.alphaArg1, arg2 = st.alphaArg2;
    if (ds.kernel) {
        const d3d9::StageOperations& ops = ds.kernel->equalStage;
        if (ops.colorOp == 0) return;
        op = int(ops.alphaOp), arg1 = ops.alphaArg1, arg2 = ops.alphaArg2;
    }
    if (!st.usesTexture || !st.texture || st.resultTemp) return;
    if (op == D3DTOP_SELECTARG1 && arg1 == D3DTA_TEXTURE) {
        ds.settlesInSpan = true;
    } else if (op == D3DTOP_MODULATE && ((arg1 == D3DTA_TEXTURE && arg2 == D3DTA_DIFFUSE) ||
                                         (arg1 == D3DTA_DIFFUSE && arg2 == D3DTA_TEXTURE))) {
        ds.settlesInSpan = true;
        ds.settleNeedsOpaqueDiffuse = true;
    }
}

std::vector<RasterVertex>& Scratch() {
    thread_local std::vector<RasterVertex> vertices;
    return vertices;
}

}  // namespace

const char* BuildDrawSetup(const RasterState& state, DrawSetup& setup) {
    if (state.vertexShaderSet) return "vertex shaders are not run";
    if (state.declarationSet) return "a vertex declaration without a vertex format";
    if (state.pixelKernel && !state.pixelKernel->pixel) return "pixel shader kernel runs nothing";
    setup.kernel = state.pixelKernel;
    setup.constF = state.pixelConstF;
    setup.constI = state.pixelConstI;
    setup.constB = state.pixelConstB;
    if (const char* r = DecodeFvf(state.fvf, setup.layout)) return r;
    const RasterSurface& target = state.target;
    if (!target.pixels || target.width <= 0 || target.height <= 0 || !IsColourFormat(target.format))
        return "no usable render target";
    setup.target = target;
    const DWORD* rs = state.render;
    if (rs[D3DRS_FILLMODE] != D3DFILL_SOLID) return "fill mode not supported";
    // Fog and stencil are not computed; drawing as if they were off would
    // show a picture Direct3D does not.
    if (rs[D3DRS_FOGENABLE]) return "fog not supported";
    if (rs[D3DRS_STENCILENABLE]) return "stencil test not supported";
    if (rs[D3DRS_CULLMODE] < D3DCULL_NONE || rs[D3DRS_CULLMODE] > D3DCULL_CCW)
        return "cull mode not supported";
    setup.cull = int(rs[D3DRS_CULLMODE]);
    setup.flat = rs[D3DRS_SHADEMODE] == D3DSHADE_FLAT;
    setup.lastPixel = rs[D3DRS_LASTPIXEL] != 0;
    setup.tfactor = FromArgb(rs[D3DRS_TEXTUREFACTOR]);
    // A format without specular adds 0, so the add is skipped; a kernel's
    // output is final.
    setup.specularAdd =
        rs[D3DRS_SPECULARENABLE] != 0 && setup.layout.specularOffset >= 0 && !setup.kernel;
    if (state.depth.pixels &&
        (state.depth.width < target.width || state.depth.height < target.height))
        return "depth surface smaller than the render target";
    if (const char* r =
            setup.kernel ? BuildKernelSamplers(state, setup) : BuildStageSetups(state, setup))
        return r;
    if (const char* r = BuildBlendSetup(state, setup)) return r;

    // Drawn area: viewport, target and, when enabled, the scissor rectangle.
    RECT clip{0, 0, target.width, target.height};
    auto intersect = [&clip](int64_t l, int64_t t, int64_t r, int64_t b) {
        clip.left = LONG(std::max<int64_t>(clip.left, l));
        clip.top = LONG(std::max<int64_t>(clip.top, t));
        clip.right = LONG(std::min<int64_t>(clip.right, r));
        clip.bottom = LONG(std::min<int64_t>(clip.bottom, b));
    };
    const RasterViewport& vp = state.viewport;
    intersect(vp.x, vp.y, int64_t(vp.x) + vp.width, int64_t(vp.y) + vp.height);
    if (rs[D3DRS_SCISSORTESTENABLE])
        intersect(state.scissor.left, state.scissor.top, state.scissor.right, state.scissor.bottom);
    setup.clip = clip;
    setup.overwrites = !setup.blend && !setup.alphaTest && setup.writeMask == 0xF;
    TakeOpaqueTexelSettling(setup);
    return nullptr;
}

RasterResult RasterDrawPrimitiveUP(const RasterState& state, D3DPRIMITIVETYPE type,
                                   UINT primitiveCount, const void* vertices, UINT stride) {
    if (!vertices) return Refuse("no vertex data");
    DrawSetup setup;
    uint64_t count = 0;
    RasterResult r = Prepare(state, type, primitiveCount, stride, setup, count);
    if (FAILED(r.hr)) return r;
    std::vector<RasterVertex>& v = Scratch();
    v.resize(count);
    const uint8_t* bytes = static_cast<const uint8_t*>(vertices);
    for (uint64_t i = 0; i < count; ++i) FetchVertex(setup.layout, bytes, stride, UINT(i), v[i]);
    Assemble(setup, type, primitiveCount, v);
    return RasterResult{};
}

RasterResult RasterDrawIndexedPrimitiveUP(const RasterState& state, D3DPRIMITIVETYPE type,
                                          UINT minVertexIndex, UINT numVertices,
                                          UINT primitiveCount, const void* indices,
                                          uint32_t indexFormat, const void* vertices, UINT stride) {
    if (!vertices || !indices) return Refuse("no vertex or index data");
    if (indexFormat != kFormatIndex16 && indexFormat != kFormatIndex32)
        return Refuse("index format not supported");
    if (numVertices == 0) return Refuse("vertex count is 0");
    uint64_t end = uint64_t(minVertexIndex) + numVertices;  // one past the last usable
    if (end - 1 > state.maxVertexIndex) return Refuse("vertex range above the maximum index");
    DrawSetup setup;
    uint64_t count = 0;
    RasterResult r = Prepare(state, type, primitiveCount, stride, setup, count);
    if (FAILED(r.hr)) return r;
    // Every index must fall in the declared vertex range before anything is
    // read through it.
    std::vector<uint32_t> index(count);
    for (uint64_t i = 0; i < count; ++i) {
        uint32_t k;
        if (indexFormat == kFormatIndex16) {
            uint16_t h;
            std::memcpy(&h, static_cast<const uint8_t*>(indices) + i * 2, 2);
            k = h;
        } else {
            std::memcpy(&k, static_cast<const uint8_t*>(indices) + i * 4, 4);
        }
        if (k < minVertexIndex || k >= end) return Refuse("index outside the vertex range");
        index[i] = k;
    }
    // Decode the range once, then gather.
    std::vector<RasterVertex> range(numVertices);
    const uint8_t* bytes = static_cast<const uint8_t*>(vertices);
    for (UINT i = 0; i < numVertices; ++i)
        FetchVertex(setup.layout, bytes, stride, minVertexIndex + i, range[i]);
    std::vector<RasterVertex>& v = Scratch();
    v.resize(count);
    for (uint64_t i = 0; i < count; ++i) v[i] = range[index[i] - minVertexIndex];
    Assemble(setup, type, primitiveCount, v);
    return RasterResult{};
}

void RasterSetDefaultStates(RasterState& state) {
    DWORD* rs = state.render;
    for (int i = 0; i < D3DRS_STATE_COUNT; ++i) rs[i] = 0;
    auto f = [](float v) {
        DWORD d;
        std::memcpy(&d, &v, 4);
        return d;
    };
    rs[D3DRS_ZENABLE] = state.depth.pixels ? D3DZB_TRUE : D3DZB_FALSE;
    rs[D3DRS_FILLMODE] = D3DFILL_SOLID;
    rs[D3DRS_SHADEMODE] = D3DSHADE_GOURAUD;
    rs[D3DRS_ZWRITEENABLE] = TRUE;
    rs[D3DRS_LASTPIXEL] = TRUE;
    rs[D3DRS_SRCBLEND] = D3DBLEND_ONE;
    rs[D3DRS_DESTBLEND] = D3DBLEND_ZERO;
    rs[D3DRS_CULLMODE] = D3DCULL_CCW;
    rs[D3DRS_ZFUNC] = D3DCMP_LESSEQUAL;
    rs[D3DRS_ALPHAFUNC] = D3DCMP_ALWAYS;
    rs[D3DRS_FOGDENSITY] = f(1.0f);
    rs[D3DRS_FOGEND] = f(1.0f);
    rs[D3DRS_STENCILFAIL] = rs[D3DRS_STENCILZFAIL] = rs[D3DRS_STENCILPASS] = D3DSTENCILOP_KEEP;
    rs[D3DRS_STENCILFUNC] = D3DCMP_ALWAYS;
    rs[D3DRS_STENCILMASK] = rs[D3DRS_STENCILWRITEMASK] = 0xFFFFFFFFu;
    rs[D3DRS_TEXTUREFACTOR] = 0xFFFFFFFFu;
    rs[D3DRS_CLIPPING] = TRUE;
    rs[D3DRS_LIGHTING] = TRUE;
    rs[D3DRS_COLORVERTEX] = TRUE;
    rs[D3DRS_LOCALVIEWER] = TRUE;
    rs[D3DRS_DIFFUSEMATERIALSOURCE] = D3DMCS_COLOR1;
    rs[D3DRS_SPECULARMATERIALSOURCE] = D3DMCS_COLOR2;
    rs[D3DRS_POINTSIZE] = f(1.0f);
    rs[D3DRS_POINTSIZE_MIN] = f(1.0f);
    rs[D3DRS_POINTSCALE_A] = f(1.0f);
    rs[D3DRS_POINTSIZE_MAX] = f(64.0f);
    rs[D3DRS_MULTISAMPLEANTIALIAS] = TRUE;
    rs[D3DRS_MULTISAMPLEMASK] = 0xFFFFFFFFu;
    rs[D3DRS_PATCHEDGESTYLE] = 0;
    rs[D3DRS_DEBUGMONITORTOKEN] = 0xbaadcafe;
    rs[D3DRS_COLORWRITEENABLE] = rs[D3DRS_COLORWRITEENABLE1] = rs[D3DRS_COLORWRITEENABLE2] =
        rs[D3DRS_COLORWRITEENABLE3] = 0x0000000F;
    rs[D3DRS_BLENDOP] = D3DBLENDOP_ADD;
    rs[D3DRS_POSITIONDEGREE] = 3;  // cubic
    rs[D3DRS_NORMALDEGREE] = 1;    // linear
    rs[D3DRS_MINTESSELLATIONLEVEL] = f(1.0f);
    rs[D3DRS_MAXTESSELLATIONLEVEL] = f(1.0f);
    rs[D3DRS_ADAPTIVETESS_W] = f(1.0f);
    rs[D3DRS_CCW_STENCILFAIL] = rs[D3DRS_CCW_STENCILZFAIL] = rs[D3DRS_CCW_STENCILPASS] =
        D3DSTENCILOP_KEEP;
    rs[D3DRS_CCW_STENCILFUNC] = D3DCMP_ALWAYS;
    rs[D3DRS_BLENDFACTOR] = 0xFFFFFFFFu;
    rs[D3DRS_SRCBLENDALPHA] = D3DBLEND_ONE;
    rs[D3DRS_DESTBLENDALPHA] = D3DBLEND_ZERO;
    rs[D3DRS_BLENDOPALPHA] = D3DBLENDOP_ADD;

    for (int s = 0; s < D3DMAXTEXTURESTAGES; ++s) {
        DWORD* ts = state.stage[s];
        for (int i = 0; i < D3DTSS_STATE_COUNT; ++i) ts[i] = 0;
        ts[D3DTSS_COLOROP] = s == 0 ? D3DTOP_MODULATE : D3DTOP_DISABLE;
        ts[D3DTSS_ALPHAOP] = s == 0 ? D3DTOP_SELECTARG1 : D3DTOP_DISABLE;
        ts[D3DTSS_COLORARG1] = ts[D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
        ts[D3DTSS_COLORARG2] = ts[D3DTSS_ALPHAARG2] = D3DTA_CURRENT;
        ts[D3DTSS_COLORARG0] = ts[D3DTSS_ALPHAARG0] = ts[D3DTSS_RESULTARG] = D3DTA_CURRENT;
        ts[D3DTSS_TEXCOORDINDEX] = DWORD(s);
        ts[D3DTSS_TEXTURETRANSFORMFLAGS] = D3DTTFF_DISABLE;
        DWORD* ss = state.sampler[s];
        for (int i = 0; i < D3DSAMP_STATE_COUNT; ++i) ss[i] = 0;
        ss[D3DSAMP_ADDRESSU] = ss[D3DSAMP_ADDRESSV] = ss[D3DSAMP_ADDRESSW] = D3DTADDRESS_WRAP;
        ss[D3DSAMP_MAGFILTER] = ss[D3DSAMP_MINFILTER] = D3DTEXF_POINT;
        ss[D3DSAMP_MIPFILTER] = D3DTEXF_NONE;
        ss[D3DSAMP_MAXANISOTROPY] = 1;
        state.textures[s] = nullptr;
    }
    state.viewport =
        RasterViewport{0, 0, DWORD(state.target.width), DWORD(state.target.height), 0.0f, 1.0f};
    state.scissor = RECT{0, 0, state.target.width, state.target.height};
}

}  // namespace platform::raster
