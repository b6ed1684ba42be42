// The Direct3D draw workers (see graphic_draw_workers.h).
#include "graphics/graphic_draw_workers.h"

#include <algorithm>

#include "graphics/device_layer.h"
#include "graphics/draw_settings.h"
#include "graphics/draw_state_apply.h"
#include "graphics/render_state_cache.h"
#include "graphics/scene_bracket.h"
#include "graphics/vertex_batch.h"

namespace DuRud {
namespace {

// One corner of a quad before it is written: position, the drawn texture's
// coordinates and the blend texture's.
struct QuadCorner {
    float x, y, u, v, blendU, blendV;
};

// Batch order of the four corners: triangles 0-1-2 and 3-4-5.
constexpr int kQuadOrder[6] = {0, 1, 2, 3, 2, 1};

// The blend graphic's piece that lies under piece i of the drawn graphic.
const TileDrawPiece& BlendPiece(const GraphicRecord& blend, const GraphicRecord& graphic, int i) {
    return blend.pieceCount == graphic.pieceCount ? blend.pieces[i] : blend.pieces[0];
}

// Makes the device ready for piece i: its texture on stage 0, with a blend
// graphic the blend piece's texture, and the draw state applied.
void PreparePiece(const GraphicRecord& graphic, const GraphicRecord* blend, int i, uint32_t flags) {
    IDirect3DBaseTexture9* texture = graphic.pieces[i].tile->texture;
    if (blend) {
        const TextureTile* b = BlendPiece(*blend, graphic, i).tile;
        SetPendingStageTexture(texture);
        SetPendingBlendTexture(b->texture, b->textureWidth, b->textureHeight);
        const DrawSettings& d = GetDrawSettings();
        SetPendingBlendGraphic(d.blendType, d.blendParameter1, d.blendParameter2);
    }
    if (i == 0) {
        if (blend || NeedsPrepareGraphicDraw(texture, flags)) PrepareGraphicDraw(texture, flags);
        return;
    }
    SetPendingStageTexture(texture);  // flushes what the last tile left in the batch
    ApplyPendingDrawState(0, nullptr, 0);
}

// Moves the corners that lie outside the clip rectangle onto it, and their
// texture coordinates with them: du, dv per pixel of the drawn texture, bu,
// bv of the blend texture.
struct ClipFactors {
    float du, dv, bu, bv;
};
void ClipCorners(QuadCorner* c, const float* area, const ClipFactors& f) {
    for (int k = 0; k < 4; ++k) {
        float d = 0.0f;
        if (c[k].x < area[0]) d = area[0] - c[k].x;
        if (c[k].x > area[2]) d = area[2] - c[k].x;
        c[k].x += d;
        c[k].u += d * f.du;
        c[k].blendU += d * f.bu;
        d = 0.0f;
        if (c[k].y < area[1]) d = area[1] - c[k].y;
        if (c[k].y > area[3]) d = area[3] - c[k].y;
        c[k].y += d;
        c[k].v += d * f.dv;
        c[k].blendV += d * f.bv;
    }
}

// Writes the quad into the batch: one or two texture coordinate sets as the
// prepared kind says; the colour only on the two vertices flat shading reads.
void WriteQuad(const QuadCorner* c) {
    const DrawSettings& d = GetDrawSettings();
    const uint32_t colour = DrawDiffuseColor();
    const bool two = GetVertexBatch().kind == 2;
    auto* out = static_cast<uint8_t*>(ReserveVertices(6));
    for (int i = 0; i < 6; ++i) {
        const QuadCorner& k = c[kQuadOrder[i]];
        if (two) {
            auto* v = reinterpret_cast<Vertex2DTex2*>(out) + i;
            v->x = k.x, v->y = k.y, v->z = d.drawDepth;
            if (i == 0 || i == 3) v->diffuse = colour;
            v->u0 = k.blendU, v->v0 = k.blendV, v->u1 = k.u, v->v1 = k.v;
        } else {
            auto* v = reinterpret_cast<Vertex2DTex*>(out) + i;
            v->x = k.x, v->y = k.y, v->z = d.drawDepth;
            if (i == 0 || i == 3) v->diffuse = colour;
            v->u = k.u, v->v = k.v;
        }
    }
    AppendVertices(6);
}

// Writes every piece of the graphic placed by the scale (sx, sy) from the
// origin (ox, oy), clipped to the area unless it lies inside.
int DrawPieces(const GraphicRecord* blend, const GraphicRecord& graphic, uint32_t flags, float ox,
               float oy, float sx, float sy, bool inside, const float* area) {
    const DrawSettings& d = GetDrawSettings();
    const RenderStateCache& cache = GetRenderStateCache();
    EnsureSceneBegun();
    for (int i = 0; i < graphic.pieceCount; ++i) {
        PreparePiece(graphic, blend, i, flags);
        const TileDrawPiece& p = graphic.pieces[i];
        float blendX = 0.0f, blendY = 0.0f;
        if (blend) {
            const TileDrawPiece& b = BlendPiece(*blend, graphic, i);
            blendX = d.blendOffsetX - b.corners[0].x;
            blendY = d.blendOffsetY - b.corners[0].y;
        }
        QuadCorner c[4];
        for (int k = 0; k < 4; ++k) {
            const auto& s = p.corners[k];
            c[k] = {ox + sx * s.x,
                    oy + sy * s.y,
                    s.u,
                    s.v,
                    (s.x + blendX) * cache.blendTextureInvWidth,
                    (s.y + blendY) * cache.blendTextureInvHeight};
        }
        if (!inside)
            ClipCorners(c, area,
                        {1.0f / (sx * p.tile->textureWidth), 1.0f / (sy * p.tile->textureHeight),
                         cache.blendTextureInvWidth / sx, cache.blendTextureInvHeight / sy});
        WriteQuad(c);
    }
    return 0;
}

}  // namespace

uint32_t GraphicImageDrawFlags(const GraphicRecord& graphic) {
    uint32_t flags = 0;
    if (graphic.image->request.alpha) flags |= kDrawAlphaChannel;
    if (graphic.image->request.alphaTest) flags |= kDrawAlphaTest;
    return flags;
}

int DrawGraphicHw(const GraphicRecord* blend, int x, int y, float fx, float fy,
                  const GraphicRecord* graphic, int trans, int integerPlacement) {
    if (!HasDevice()) return -1;
    const DrawSettings& d = GetDrawSettings();
    const int w = graphic->width, h = graphic->height;
    if (x >= d.areaX2 || y >= d.areaY2 || x + w <= d.areaX1 || y + h <= d.areaY1) return 0;
    const bool inside = x >= d.areaX1 && y >= d.areaY1 && x + w <= d.areaX2 && y + h <= d.areaY2;
    const uint32_t flags = (trans ? uint32_t{kDrawTransparent} : 0u) |
                           (integerPlacement ? uint32_t{kDrawIntegerPlacement} : 0u) |
                           GraphicImageDrawFlags(*graphic);
    return DrawPieces(blend, *graphic, flags, fx - 0.5f, fy - 0.5f, 1.0f, 1.0f, inside,
                      d.areaFloat);
}

int DrawGraphicStretchedHw(int x1, int y1, int x2, int y2, float fx2, float fy2,
                           const GraphicRecord* blend, const GraphicRecord* graphic, int trans,
                           int integerPlacement) {
    if (!HasDevice() || x1 == x2 || y1 == y2) return -1;
    const DrawSettings& d = GetDrawSettings();
    const int left = std::min(x1, x2), right = std::max(x1, x2);
    const int top = std::min(y1, y2), bottom = std::max(y1, y2);
    if (left >= d.areaX2 || top >= d.areaY2 || right <= d.areaX1 || bottom <= d.areaY1) return 0;
    const bool inside =
        left >= d.areaX1 && top >= d.areaY1 && right <= d.areaX2 && bottom <= d.areaY2;
    const bool snap = integerPlacement && d.samplingMode != 1;
    const uint32_t flags = (trans ? uint32_t{kDrawTransparent} : 0u) |
                           (snap ? uint32_t{kDrawIntegerPlacement} : 0u) |
                           GraphicImageDrawFlags(*graphic);
    const float area[4] = {d.areaFloat[0] - 0.5f, d.areaFloat[1] - 0.5f, d.areaFloat[2] - 0.5f,
                           d.areaFloat[3] - 0.5f};
    return DrawPieces(blend, *graphic, flags, x1 - 0.5f, y1 - 0.5f, (fx2 - x1) / graphic->width,
                      (fy2 - y1) / graphic->height, inside, area);
}

}  // namespace DuRud
