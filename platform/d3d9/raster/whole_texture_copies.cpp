// Telling a draw that copies a texture onto its whole target texel for
// pixel (the screen-sized picture drawn onto the back buffer each frame):
// such a draw can move the bytes instead of writing them.
#include <cmath>

#include "blending.h"
#include "draw_setup.h"
#include "known_depth_rows.h"
#include "pixel_formats.h"
#include "vertex_fetch.h"

namespace platform::raster {

namespace {

bool ThirtyTwoBitColour(uint32_t format) {
    return format == kFormatA8R8G8B8 || format == kFormatX8R8G8B8;
}

// Whether the stage's colour is the texel's own: selected, or times a white
// diffuse colour (c * 255 / 255 is c).
bool TexelColour(const StageSetup& st, bool whiteDiffuse) {
    if (st.colorOp == D3DTOP_SELECTARG1) return st.colorArg1 == D3DTA_TEXTURE;
    if (st.colorOp == D3DTOP_SELECTARG2) return st.colorArg2 == D3DTA_TEXTURE;
    if (st.colorOp != D3DTOP_MODULATE || !whiteDiffuse) return false;
    return (st.colorArg1 == D3DTA_TEXTURE && st.colorArg2 == D3DTA_DIFFUSE) ||
           (st.colorArg1 == D3DTA_DIFFUSE && st.colorArg2 == D3DTA_TEXTURE);
}

bool TexelAlpha(const StageSetup& st) {
    return (st.alphaOp == D3DTOP_SELECTARG1 && st.alphaArg1 == D3DTA_TEXTURE) ||
           (st.alphaOp == D3DTOP_SELECTARG2 && st.alphaArg2 == D3DTA_TEXTURE);
}

// Corner index 0 .. 3 (left/right, top/bottom) of a vertex placed on a
// corner of the target with the texel under each pixel centre being that
// pixel's own; -1 otherwise.
int CopyCorner(const RasterVertex& v, int set, int width, int height) {
    const double w = width, h = height;
    const double x = v.x, y = v.y;
    int corner = 0;
    if (x == w - 0.5)
        corner |= 1;
    else if (x != -0.5)
        return -1;
    if (y == h - 0.5)
        corner |= 2;
    else if (y != -0.5)
        return -1;
    if (double(v.tex[set][0]) * w != x + 0.5 || double(v.tex[set][1]) * h != y + 0.5) return -1;
    return corner;
}

// Whether two triangles of corners cover the rectangle once between them:
// each has three different corners and they share one diagonal (0-3 or 1-2).
bool SplitAlongDiagonal(const int a[3], const int b[3]) {
    auto mask = [](const int c[3]) {
        unsigned m = 0;
        for (int i = 0; i < 3; ++i) m |= 1u << c[i];
        return m;
    };
    const unsigned ma = mask(a), mb = mask(b);
    if (__builtin_popcount(ma) != 3 || __builtin_popcount(mb) != 3) return false;
    const unsigned shared = ma & mb;
    return (ma | mb) == 0xF && (shared == 0x9 || shared == 0x6);
}

// Culling as the rasteriser decides it, by the winding on screen.
bool Culled(int cull, const RasterVertex* v) {
    const double area = (double(v[1].x) - v[0].x) * (double(v[2].y) - v[0].y) -
                        (double(v[2].x) - v[0].x) * (double(v[1].y) - v[0].y);
    return (cull == D3DCULL_CW && area > 0) || (cull == D3DCULL_CCW && area < 0);
}

}  // namespace

WholeCopy RasterWholeTextureCopy(const RasterState& state, D3DPRIMITIVETYPE type,
                                 UINT primitiveCount, const void* vertices, UINT stride) {
    if (RasterGenericSpansForced() || type != D3DPT_TRIANGLELIST || primitiveCount != 2 ||
        !vertices)
        return WholeCopy::kNone;
    DrawSetup ds;
    if (BuildDrawSetup(state, ds) || stride < ds.layout.size) return WholeCopy::kNone;
    const RasterSurface& target = ds.target;
    if (!ThirtyTwoBitColour(target.format) || !ds.flat || ds.specularAdd || ds.writeMask != 0xF ||
        ds.blend || ds.alphaTest || ds.stageCount != 1)
        return WholeCopy::kNone;
    if (ds.clip.left != 0 || ds.clip.top != 0 || ds.clip.right != target.width ||
        ds.clip.bottom != target.height)
        return WholeCopy::kNone;
    // A kernel equal to one stage draws as that stage.
    StageSetup st = ds.stages[0];
    if (ds.kernel) {
        const d3d9::StageOperations& ops = ds.kernel->equalStage;
        if (ops.colorOp == 0) return WholeCopy::kNone;
        st.colorOp = int(ops.colorOp);
        st.colorArg1 = ops.colorArg1, st.colorArg2 = ops.colorArg2;
        st.alphaOp = int(ops.alphaOp);
        st.alphaArg1 = ops.alphaArg1, st.alphaArg2 = ops.alphaArg2;
    }
    if (st.resultTemp || !st.usesTexture || !st.texture || st.texCoordSet < 0)
        return WholeCopy::kNone;
    const RasterSurface& texels = st.texture->levels[0];
    const SamplerSetup& sm = st.sampler;
    if (!ThirtyTwoBitColour(texels.format) || texels.width != target.width ||
        texels.height != target.height || sm.minFilter != kFilterPoint ||
        sm.magFilter != kFilterPoint || (sm.mipFilter != kMipNone && st.texture->levelCount > 1))
        return WholeCopy::kNone;

    RasterVertex v[6];
    const auto* bytes = static_cast<const uint8_t*>(vertices);
    for (UINT i = 0; i < 6; ++i) FetchVertex(ds.layout, bytes, stride, i, v[i]);
    int corners[6];
    for (int i = 0; i < 6; ++i) {
        if (!(v[i].rhw > 0.0f) || v[i].rhw != v[0].rhw || !std::isfinite(v[i].z) ||
            v[i].z != v[0].z)
            return WholeCopy::kNone;
        corners[i] = CopyCorner(v[i], st.texCoordSet, target.width, target.height);
        if (corners[i] < 0) return WholeCopy::kNone;
    }
    if (!SplitAlongDiagonal(corners, corners + 3) || Culled(ds.cull, v) || Culled(ds.cull, v + 3))
        return WholeCopy::kNone;
    // Flat shading colours each triangle from its first vertex.
    const bool white =
        (v[0].diffuse & 0x00FFFFFFu) == 0x00FFFFFFu && (v[3].diffuse & 0x00FFFFFFu) == 0x00FFFFFFu;
    if (!TexelColour(st, white)) return WholeCopy::kNone;

    // Depth: the test must pass on every pixel and leave the stored depths
    // as they are, known without reading them.
    if (ds.depthTest) {
        const uint32_t d = QuantiseDepth(double(v[0].z), ds.depth.format);
        const bool passesAny =
            ds.depthFunc == D3DCMP_ALWAYS || (ds.depthFunc == D3DCMP_LESSEQUAL && d == 0);
        if (ds.depthWrite || !passesAny) {
            if (!ds.depth.known || !Compare(ds.depthFunc, d, d)) return WholeCopy::kNone;
            for (int y = 0; y < target.height; ++y)
                if (!ds.depth.known->Holds(y, 0, target.width, d)) return WholeCopy::kNone;
        }
    }
    if (target.format == kFormatX8R8G8B8) return WholeCopy::kTopByteUnset;
    return texels.format == kFormatA8R8G8B8 && TexelAlpha(st) ? WholeCopy::kExact
                                                              : WholeCopy::kNone;
}

}  // namespace platform::raster
