// Filter passes on the device. Work textures are draw-target graphics of the
// 32-bit format with alpha (every kind keeps alpha), two per power of two so
// that consecutive passes alternate; their handles are registered with the
// handle manager so that deleting them (graphics end) empties the cache.
#include "graphics/filter_passes.h"

#include <algorithm>
#include <cstring>

#include "core/text_literals.h"
#include "graphics/base_shaders.h"
#include "graphics/device_layer.h"
#include "graphics/device_setup.h"
#include "graphics/draw_settings.h"
#include "graphics/draw_state_apply.h"
#include "graphics/draw_surfaces.h"
#include "graphics/filter_kinds.h"
#include "graphics/filter_shaders.h"
#include "graphics/graphic_create_params.h"
#include "graphics/graphic_filters.h"
#include "graphics/graphic_handles.h"
#include "graphics/graphic_loading.h"
#include "graphics/render_state_cache.h"
#include "graphics/scene_bracket.h"
#include "graphics/screen_state.h"
#include "graphics/shader_constants.h"
#include "graphics/shader_handles.h"
#include "graphics/vertex_batch.h"

namespace DuRud {

namespace {

constexpr int kMaxExponent = 16;
constexpr DWORD kPassVertexFormat = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_SPECULAR | D3DFVF_TEX2;
constexpr int kFilterLayerMask = 0b0011;
constexpr int kFilterLayer = 1;

int32_t g_work[2 * kMaxExponent];
bool g_workInitialised = false;

struct PassVertex {
    float x, y, z, rhw;
    DWORD diffuse, specular;
    float u0, v0, u1, v1;
};
static_assert(sizeof(PassVertex) == 40);

int SideExponent(int length) {
    int e = 0;
    while ((1 << e) < length) ++e;
    return e;
}

// A graphic the passes read: one texture behind it.
const TileDrawPiece* OnePiece(Handle graphic) {
    const GraphicRecord* g = GraphicFromHandle(graphic, 0);
    if (!g || !g->image || g->image->request.software || g->pieceCount != 1 || !g->pieces[0].tile ||
        !g->pieces[0].tile->texture)
        return nullptr;
    return &g->pieces[0];
}

bool DrawableOnePiece(Handle graphic) {
    const GraphicRecord* g = GraphicFromHandle(graphic, 0);
    return g && g->image && g->image->request.drawTarget && OnePiece(graphic) &&
           g->pieces[0].tile->surface;
}

Handle WorkTexture(int exponent, int variant) {
    if (!g_workInitialised) {
        std::fill(std::begin(g_work), std::end(g_work), -1);
        g_workInitialised = true;
    }
    int32_t& slot = g_work[2 * exponent + variant];
    if (slot >= 0 && GraphicFromHandle(slot, 0)) return slot;
    const int side = 1 << exponent;
    GraphicCreateParams params{};
    FillGraphicCreateParams(&params, 0);
    params.words[kWordDrawTarget] = 1;
    params.words[kWordDrawAlpha] = 1;
    params.words[kWordColorBits] = 32;
    params.words[kWordDrawBitsPerChannel] = 8;
    const Handle made = CreateEmptyGraphic(params, side, side, 0, 0);
    if (made < 0) {
        LogFormatLine("%s Size:%dx%d", Cp932Text("作業用描画可能テクスチャの作成に失敗しました"),
                      side, side);
        return -1;
    }
    slot = made;
    SetHandleDeletedFlagPointer(made, &slot);
    return made;
}

// Texture coordinates of a rectangle of a graphic's one piece.
void PieceCoords(const TileDrawPiece& p, float x1, float y1, float x2, float y2, float uv[4]) {
    const float tw = static_cast<float>(p.tile->textureWidth);
    const float th = static_cast<float>(p.tile->textureHeight);
    uv[0] = (p.srcX + x1 - p.x) / tw;
    uv[1] = (p.srcY + y1 - p.y) / th;
    uv[2] = (p.srcX + x2 - p.x) / tw;
    uv[3] = (p.srcY + y2 - p.y) / th;
}

// Texture coordinates of a whole graphic of one piece stretched over
// w x h pixels. A pixel centre x + 0.5 samples texel (2x + 1) bw / 2w, which
// can be a texel edge exactly, where the device's fixed-point coordinates
// land on either side. A shift of a quarter of 1 / 2w texel sends every
// such centre into the texel right of the edge, as exact arithmetic does,
// and moves no other centre (they lie at least 1 / 2w texel from an edge).
void StretchedCoords(const TileDrawPiece& p, int bw, int bh, int w, int h, float uv[4]) {
    const float du = 0.25f / static_cast<float>(w), dv = 0.25f / static_cast<float>(h);
    PieceCoords(p, du, dv, static_cast<float>(bw) + du, static_cast<float>(bh) + dv, uv);
}

}  // namespace

int PassSourceCoords(const FilterRequest& r, int divisor, float uv[4]) {
    const TileDrawPiece* source = OnePiece(r.source);
    if (!source || divisor < 1) return -1;
    // A down-scale reads whole blocks from the corner: a part block left
    // over at the right or bottom edge is not read.
    const int w = (r.x2 - r.x1) / divisor * divisor, h = (r.y2 - r.y1) / divisor * divisor;
    PieceCoords(*source, static_cast<float>(r.x1), static_cast<float>(r.y1),
                static_cast<float>(r.x1 + w), static_cast<float>(r.y1 + h), uv);
    return 0;
}

int FilterWorkTextureCount() {
    if (!g_workInitialised) return 0;
    return static_cast<int>(std::count_if(std::begin(g_work), std::end(g_work), [](int32_t h) {
        return h >= 0 && GraphicFromHandle(h, 0);
    }));
}

Handle FilterWorkTextureAt(int exponent, int variant) {
    if (!g_workInitialised || exponent < 0 || exponent >= kMaxExponent || variant < 0 ||
        variant > 1)
        return -1;
    const Handle h = g_work[2 * exponent + variant];
    return h >= 0 && GraphicFromHandle(h, 0) ? h : -1;
}

int FilterRunsOnDevice(const FilterRequest& r, const int* p, int scale) {
    if (!ProgrammableShadersInUse() || !GetScreenState().useDirect3D || !HasDevice()) return 0;
    if (!OnePiece(r.source)) return 0;
    if (r.twoSource && !OnePiece(r.blend)) return 0;
    if (!r.twoSource && r.kind == kFilterGradientMap && !OnePiece(p[0])) return 0;
    // A strength this small draws the source unchanged: the CPU path does that.
    if (!r.twoSource && r.kind == kFilterGauss && p[1] / 100.0 < 0.0000001) return 0;
    const int w = r.x2 - r.x1, h = r.y2 - r.y1;
    const int side = 1 << SideExponent(std::max(w / scale, h / scale));
    const int maximum = GetDeviceResources().caps.maxTextureSize;
    if (side > maximum || SideExponent(side) >= kMaxExponent) return 0;
    return 1;
}

int AcquireWorkTexture(FilterRequest* r, int passCount, int pingPong, int outWidth, int outHeight,
                       Handle* dest, int* work) {
    const bool last = r->pass == passCount - 1;
    // The last pass lands in the destination itself only when that is a draw
    // target of one texture and not the texture the pass reads.
    const bool needsWork =
        !last || !DrawableOnePiece(*dest) ||
        (pingPong && GraphicFromHandle(*dest, 0)->image == GraphicFromHandle(r->source, 0)->image);
    *work = needsWork ? 1 : 0;
    if (!needsWork) return 0;
    const Handle texture = WorkTexture(SideExponent(std::max(outWidth, outHeight)), r->pass & 1);
    if (texture < 0) return -1;
    *dest = texture;
    return 0;
}

int SetFilterPassState(IDirect3DBaseTexture9* stage0, IDirect3DBaseTexture9* stage1,
                       Handle shader) {
    RenderStateCache& c = GetRenderStateCache();
    PrepareGraphicDraw(
        nullptr, kDrawKeepBlendState | kDrawSpecular | kDrawAddressModes | kDrawKeepVertexShader);
    if (c.vertexShader) {
        DeviceSetVertexShader(nullptr);
        c.vertexShader = nullptr;
    }
    // Blend mode 14 (plain copy) with the always-passing test of the bracket.
    RenderStateDesc desc{};
    desc.alphaTestEnable = 0;
    desc.alphaReference = 0;
    desc.alphaFunction = D3DCMP_ALWAYS;
    desc.alphaBlendEnable = 1;
    desc.textureFactor = 0xFFFFFFFFu;
    desc.sourceBlend = D3DBLEND_ONE;
    desc.destinationBlend = D3DBLEND_ZERO;
    desc.blendOperation = D3DBLENDOP_ADD;
    desc.stageCount = 2;
    const IDirect3DBaseTexture9* textures[2] = {stage0, stage1};
    for (int s = 0; s < 2; ++s) {
        desc.stages[s] =
            StageDesc{reinterpret_cast<intptr_t>(textures[s]), s, -1, -1, -1, -1, -1, -1, -1};
    }
    FlushVertexBatch();
    ApplyPendingDrawState(0, &desc, 1);
    ResetTexCoordIndices();
    if (c.declaration) {
        DeviceSetVertexDeclaration(nullptr);
        c.declaration = nullptr;
    }
    if (c.fvf != kPassVertexFormat) {
        DeviceSetFVF(kPassVertexFormat);
        c.fvf = kPassVertexFormat;
    }
    return SetPixelShaderNow(shader);
}

int DrawFilterPass(const FilterRequest& r, int divisor, Handle shader, int swapped) {
    const TileDrawPiece* source = OnePiece(r.source);
    const GraphicRecord* dest = GraphicFromHandle(r.dest, 0);
    if (!source || !dest || !DrawableOnePiece(r.dest)) return -1;
    const TileDrawPiece& out = dest->pieces[0];
    const int w = (r.x2 - r.x1) / divisor, h = (r.y2 - r.y1) / divisor;
    float sourceUv[4], blendUv[4] = {0, 0, 1, 1};
    PassSourceCoords(r, divisor, sourceUv);
    IDirect3DBaseTexture9* second = nullptr;
    if (r.blend >= 0) {
        const TileDrawPiece* blend = OnePiece(r.blend);
        if (!blend) return -1;
        second = blend->tile->texture;
        const GraphicRecord* b = GraphicFromHandle(r.blend, 0);
        if (r.blendPositionFlag)
            PieceCoords(*blend, static_cast<float>(r.blendX), static_cast<float>(r.blendY),
                        static_cast<float>(r.blendX + r.x2 - r.x1),
                        static_cast<float>(r.blendY + r.y2 - r.y1), blendUv);
        else
            StretchedCoords(*blend, b->width, b->height, r.x2 - r.x1, r.y2 - r.y1, blendUv);
    }
    IDirect3DBaseTexture9* first = source->tile->texture;
    if (swapped) {
        std::swap(first, second);
        for (int i = 0; i < 4; ++i) std::swap(sourceUv[i], blendUv[i]);
    }
    FlushVertexBatch();
    EnsureSceneBegun();
    if (SetRenderTargetSurface(out.tile->surface, 0) != 0) return -1;
    if (SetFilterPassState(first, second, shader) != 0) return -1;
    const float x1 = static_cast<float>(out.srcX + r.destX - out.x) - 0.5f;
    const float y1 = static_cast<float>(out.srcY + r.destY - out.y) - 0.5f;
    const float x2 = x1 + static_cast<float>(w), y2 = y1 + static_cast<float>(h);
    const PassVertex quad[4] = {
        {x1, y1, 0, 1, 0xFFFFFFFFu, 0xFFFFFFFFu, sourceUv[0], sourceUv[1], blendUv[0], blendUv[1]},
        {x2, y1, 0, 1, 0xFFFFFFFFu, 0xFFFFFFFFu, sourceUv[2], sourceUv[1], blendUv[2], blendUv[1]},
        {x1, y2, 0, 1, 0xFFFFFFFFu, 0xFFFFFFFFu, sourceUv[0], sourceUv[3], blendUv[0], blendUv[3]},
        {x2, y2, 0, 1, 0xFFFFFFFFu, 0xFFFFFFFFu, sourceUv[2], sourceUv[3], blendUv[2], blendUv[3]},
    };
    const HRESULT hr = DeviceDrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(PassVertex));
    DeviceSetPixelShader(nullptr);
    GetRenderStateCache().pixelShader = nullptr;
    return SUCCEEDED(hr) ? 0 : -1;
}

int RunFilterOnDevice(FilterRequest* r, const int* p, int passCount, int pingPong, int scale) {
    ShaderConstantCache& constants = EngineShaderConstants();
    const int savedMask = constants.activeMask;
    SetActiveShaderLayers(&constants, kFilterLayerMask);
    const Handle finalDest = r->dest;
    const int destX = r->destX, destY = r->destY;
    int result = 0, lastWork = 0, outWidth = 0, outHeight = 0, usedConstants = 0;
    for (int pass = 0; pass < passCount && result == 0; ++pass) {
        r->pass = pass;
        const int divisor = !r->twoSource && r->kind == kFilterDownScale ? scale : 1;
        outWidth = (r->x2 - r->x1) / divisor;
        outHeight = (r->y2 - r->y1) / divisor;
        Handle dest = finalDest;
        int work = 0;
        if (AcquireWorkTexture(r, passCount, pingPong, outWidth, outHeight, &dest, &work) != 0) {
            result = -1;
            break;
        }
        r->dest = dest;
        r->destX = work ? 0 : destX;
        r->destY = work ? 0 : destY;
        FilterShaderChoice choice{};
        Handle shader = -1;
        if (ChooseFilterShader(r->twoSource, r->kind, p, pass, &choice) != 0 ||
            (shader = FilterShaderHandle(choice)) < 0) {
            result = -1;
            break;
        }
        float values[kMaxFilterConstants][4] = {};
        const int count = FilterShaderConstants(*r, p, pass, values);
        if (count > 0)
            SetShaderConstants(&constants, kPixelFloatConstants, kFilterLayer, 0, values, count, 1);
        usedConstants = std::max(usedConstants, count);
        // The gradient graphic is read on stage 1 as the blend graphic is.
        const Handle blend = r->blend;
        if (!r->twoSource && r->kind == kFilterGradientMap) r->blend = p[0];
        if (GetDrawSettings().samplingMode != 0) SetSamplingMode(0);
        if (DrawFilterPass(*r, divisor, shader, choice.swapped) != 0) result = -1;
        r->blend = blend;
        lastWork = work;
        // The next pass reads what this one wrote.
        r->source = dest;
        r->x1 = r->destX, r->y1 = r->destY;
        r->x2 = r->destX + outWidth, r->y2 = r->destY + outHeight;
    }
    if (usedConstants > 0)
        ResetShaderConstants(&constants, kPixelFloatConstants, kFilterLayer, 0, usedConstants);
    SetActiveShaderLayers(&constants, savedMask);
    r->dest = finalDest;
    r->destX = destX, r->destY = destY;
    if (result == 0 && lastWork &&
        CaptureScreenToGraphic(r->source, 0, 0, outWidth, outHeight, destX, destY, finalDest) != 0)
        result = -1;  // the copy-out failed: the destination was not written
    return result;
}

}  // namespace DuRud
