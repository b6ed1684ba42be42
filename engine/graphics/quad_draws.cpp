// Free-quadrilateral draws (see quad_draws.h).
#include "graphics/quad_draws.h"

#include <algorithm>
#include <cmath>

#include "core/math.h"
#include "graphics/device_layer.h"
#include "graphics/draw_brackets.h"
#include "graphics/draw_settings.h"
#include "graphics/draw_state_apply.h"
#include "graphics/graphic_draw_workers.h"
#include "graphics/graphic_draws.h"
#include "graphics/render_state_cache.h"
#include "graphics/scene_bracket.h"
#include "graphics/software_draw.h"
#include "graphics/vertex_batch.h"

namespace DuRud {
namespace {

constexpr int kGridSide = 8;  // vertices along each side: 7 x 7 cells

struct Point {
    float x, y;
};

Point Lerp(Point a, Point b, float t) {
    return {a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t};
}

// The point at fractions (s, t) of a quad given top-left, top-right,
// bottom-left, bottom-right: along the top and bottom edges, then between.
Point Bilinear(const float* c, float s, float t) {
    const Point top = Lerp({c[0], c[1]}, {c[2], c[3]}, s);
    const Point bottom = Lerp({c[4], c[5]}, {c[6], c[7]}, s);
    return Lerp(top, bottom, t);
}

// Opposite edges equal within a pixel on both axes.
bool IsParallelogram(const float* c) {
    return std::fabs((c[2] - c[0]) - (c[6] - c[4])) < 1.0f &&
           std::fabs((c[3] - c[1]) - (c[7] - c[5])) < 1.0f &&
           std::fabs((c[4] - c[0]) - (c[6] - c[2])) < 1.0f &&
           std::fabs((c[5] - c[1]) - (c[7] - c[3])) < 1.0f;
}

// The grid: positions and texture coordinates both interpolated over the
// sevenths of the quad; the outermost coordinates are pulled a thousandth
// of a pixel inward where they do not lie on the texture's own edge.
void DrawPieceGrid(const TileDrawPiece& p, const float* corners) {
    const float u0 = p.corners[0].u, u1 = p.corners[3].u, v0 = p.corners[0].v, v1 = p.corners[3].v;
    const float du = (u1 - u0) / float(p.width) * 0.001f, dv = (v1 - v0) / float(p.height) * 0.001f;
    const float left = u0 >= 1e-6f ? u0 + du : u0, right = u1 <= 0.99999f ? u1 - du : u1;
    const float top = v0 >= 1e-6f ? v0 + dv : v0, bottom = v1 <= 0.99999f ? v1 - dv : v1;
    const DrawSettings& d = GetDrawSettings();
    const uint32_t colour = DrawDiffuseColor();
    GridVertex grid[kGridSide * kGridSide];
    for (int j = 0; j < kGridSide; ++j)
        for (int i = 0; i < kGridSide; ++i) {
            const float s = float(i) / (kGridSide - 1), t = float(j) / (kGridSide - 1);
            const Point at = Bilinear(corners, s, t);
            grid[j * kGridSide + i] = {at.x,
                                       at.y,
                                       d.drawDepth,
                                       1.0f,
                                       colour,
                                       left + (right - left) * s,
                                       top + (bottom - top) * t};
        }
    FlushVertexBatch();
    DrawVertexGrid(kGridSide, kGridSide, grid);
}

// Each piece of the graphic mapped through the quad at its place in the
// graphic.
void DrawPiecesInQuad(const GraphicRecord& g, const float* corners, int affineOnly) {
    if (g.pieceCount == 1) {
        DrawPieceQuadHw(g.pieces[0], corners, affineOnly);
        return;
    }
    const float w = float(g.width), h = float(g.height);
    for (int i = 0; i < g.pieceCount; ++i) {
        const TileDrawPiece& p = g.pieces[i];
        const float s0 = p.x / w, s1 = (p.x + p.width) / w;
        const float t0 = p.y / h, t1 = (p.y + p.height) / h;
        const Point q[4] = {Bilinear(corners, s0, t0), Bilinear(corners, s1, t0),
                            Bilinear(corners, s0, t1), Bilinear(corners, s1, t1)};
        const float placed[8] = {q[0].x, q[0].y, q[1].x, q[1].y, q[2].x, q[2].y, q[3].x, q[3].y};
        DrawPieceQuadHw(p, placed, affineOnly);
    }
}

// The integer box around the four corners; the left and top start high and
// the right and bottom at 0, as the brackets have always taken it.
RECT QuadRect(const float* xy) {
    RECT r{0xFFFFFF, 0xFFFFFF, 0, 0};
    for (int k = 0; k < 4; ++k) {
        const int x = TruncFloatToInt(xy[2 * k]), y = TruncFloatToInt(xy[2 * k + 1]);
        r.left = std::min<LONG>(r.left, x), r.right = std::max<LONG>(r.right, x);
        r.top = std::min<LONG>(r.top, y), r.bottom = std::max<LONG>(r.bottom, y);
    }
    return r;
}

}  // namespace

void DrawPieceQuadHw(const TileDrawPiece& p, const float* corners, int affineOnly) {
    IDirect3DBaseTexture9* texture = p.tile->texture;
    if (GetRenderStateCache().stageTexture != texture) {
        SetPendingStageTexture(texture);
        ApplyPendingDrawState(0, nullptr, 0);
    }
    if (!affineOnly && !IsParallelogram(corners)) {
        DrawPieceGrid(p, corners);
        return;
    }
    // A sixteenth of a texel inward keeps point sampling off the neighbour.
    const float iu = 0.0625f / float(p.tile->textureWidth);
    const float iv = 0.0625f / float(p.tile->textureHeight);
    const float u[2] = {p.corners[0].u + iu, p.corners[3].u - iu};
    const float v[2] = {p.corners[0].v + iv, p.corners[3].v - iv};
    const DrawSettings& d = GetDrawSettings();
    const uint32_t colour = DrawDiffuseColor();
    constexpr int kOrder[6] = {0, 1, 2, 3, 2, 1};
    auto* out = static_cast<Vertex2DTex*>(ReserveVertices(6));
    for (int i = 0; i < 6; ++i) {
        const int k = kOrder[i];
        Vertex2DTex& vertex = out[i];
        vertex.x = corners[2 * k], vertex.y = corners[2 * k + 1], vertex.z = d.drawDepth;
        if (i == 0 || i == 3) vertex.diffuse = colour;
        vertex.u = u[k & 1], vertex.v = v[k >> 1];
    }
    AppendVertices(6);
}

int DrawGraphicQuadHw(const float* corners, const GraphicRecord* graphic,
                      const GraphicRecord* blend, int trans, int affineOnly) {
    if (!HasDevice()) return -1;
    if (blend) {
        int whole[8];
        for (int k = 0; k < 8; ++k) whole[k] = TruncFloatToInt(corners[k]);
        return DrawGraphicQuadBlendHw(whole, blend, graphic, trans);
    }
    if (!GraphicHasTextures(*graphic)) return 0;
    EnsureSceneBegun();
    const uint32_t flags =
        (trans ? uint32_t{kDrawTransparent} : 0u) | GraphicImageDrawFlags(*graphic);
    IDirect3DBaseTexture9* first = graphic->pieces[0].tile->texture;
    if (NeedsPrepareGraphicDraw(first, flags)) PrepareGraphicDraw(first, flags);
    DrawPiecesInQuad(*graphic, corners, affineOnly);
    return 0;
}

int DrawGraphicQuadCore(Handle handle, float x1, float y1, float x2, float y2, float x3, float y3,
                        float x4, float y4, int trans, int affineOnly) {
    CheckedDraw c;
    const int go = CheckGraphicDraw(handle, &c);
    if (go <= 0) return go;
    const float given[8] = {x1, y1, x2, y2, x3, y3, x4, y4};
    return DrawInBrackets(
        c.direct3D, [&] { return QuadRect(given); },
        [&] {
            // The workers take the corners top-left, top-right, bottom-left,
            // bottom-right.
            if (!c.direct3D)
                return SoftDrawGraphicFreeF(x1, y1, x2, y2, x4, y4, x3, y3, handle, trans);
            const float corners[8] = {x1, y1, x2, y2, x4, y4, x3, y3};
            return DrawGraphicQuadHw(corners, c.graphic, c.blend, trans, affineOnly);
        });
}

int DrawGraphicQuadF(float x1, float y1, float x2, float y2, float x3, float y3, float x4, float y4,
                     Handle handle, int trans) {
    return DrawGraphicQuadCore(handle, x1, y1, x2, y2, x3, y3, x4, y4, trans, 0);
}

}  // namespace DuRud
