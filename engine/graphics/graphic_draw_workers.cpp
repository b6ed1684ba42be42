// The Direct3D draw workers (see graphic_draw_workers.h).
#include "graphics/graphic_draw_workers.h"

#include <algorithm>
#include <cmath>

#include "graphics/device_layer.h"
#include "graphics/quad_draws.h"
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

// Batch order of the four corners: triangles 0-1-2 and 3-4-5, split along
// the top-right to bottom-left diagonal; the other split for folded quads.
constexpr int kQuadOrder[6] = {0, 1, 2, 3, 2, 1};
constexpr int kOtherDiagonal[6] = {0, 1, 3, 0, 3, 2};

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
void WriteQuad(const QuadCorner* c, const int* order = kQuadOrder) {
    const DrawSettings& d = GetDrawSettings();
    const uint32_t colour = DrawDiffuseColor();
    const bool two = GetVertexBatch().kind == 2;
    auto* out = static_cast<uint8_t*>(ReserveVertices(6));
    for (int i = 0; i < 6; ++i) {
        const QuadCorner& k = c[order[i]];
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

// The corners of piece i with their texture coordinates, placed by the
// caller afterwards; the blend set from the corner's place in the graphic.
void PieceCorners(const GraphicRecord& graphic, const GraphicRecord* blend, int i, QuadCorner* c) {
    const DrawSettings& d = GetDrawSettings();
    const RenderStateCache& cache = GetRenderStateCache();
    const TileDrawPiece& p = graphic.pieces[i];
    float blendX = 0.0f, blendY = 0.0f;
    if (blend) {
        const TileDrawPiece& b = BlendPiece(*blend, graphic, i);
        blendX = d.blendOffsetX - b.corners[0].x;
        blendY = d.blendOffsetY - b.corners[0].y;
    }
    for (int k = 0; k < 4; ++k) {
        const auto& s = p.corners[k];
        c[k] = {s.x,
                s.y,
                s.u,
                s.v,
                (s.x + blendX) * cache.blendTextureInvWidth,
                (s.y + blendY) * cache.blendTextureInvHeight};
    }
}

// Writes every piece of the graphic placed by the scale (sx, sy) from the
// origin (ox, oy), clipped to the area unless it lies inside.
int DrawPieces(const GraphicRecord* blend, const GraphicRecord& graphic, uint32_t flags, float ox,
               float oy, float sx, float sy, bool inside, const float* area) {
    const RenderStateCache& cache = GetRenderStateCache();
    EnsureSceneBegun();
    for (int i = 0; i < graphic.pieceCount; ++i) {
        PreparePiece(graphic, blend, i, flags);
        const TileDrawPiece& p = graphic.pieces[i];
        QuadCorner c[4];
        PieceCorners(graphic, blend, i, c);
        for (QuadCorner& k : c) k.x = ox + sx * k.x, k.y = oy + sy * k.y;
        if (!inside)
            ClipCorners(c, area,
                        {1.0f / (sx * p.tile->textureWidth), 1.0f / (sy * p.tile->textureHeight),
                         cache.blendTextureInvWidth / sx, cache.blendTextureInvHeight / sy});
        WriteQuad(c);
    }
    return 0;
}

// Moves all x (or y) values half a pixel back when a rotated quad's edge
// lies on whole pixels, where pixel centres would be cut ambiguously.
void SnapAxis(QuadCorner* c, bool yAxis) {
    auto at = [yAxis](const QuadCorner& k) { return yAxis ? k.y : k.x; };
    const float v0 = at(c[0]), fraction = v0 - std::floor(v0);
    const bool straight = std::fabs(v0 - at(c[2])) < 0.01f || std::fabs(v0 - at(c[1])) < 0.01f;
    if (!straight || (fraction >= 0.001f && fraction <= 0.999f)) return;
    for (int k = 0; k < 4; ++k) (yAxis ? c[k].y : c[k].x) -= 0.5f;
}

// Within 4 degrees of a quarter turn (or outside -4 to 364 degrees).
bool NearQuarterTurn(double angle) {
    constexpr double kTolerance = 0.06981317, kQuarter = 1.5707963267948966;
    if (angle < -kTolerance || angle > 4 * kQuarter + kTolerance) return true;
    for (int k = 0; k <= 4; ++k)
        if (std::fabs(angle - k * kQuarter) <= kTolerance) return true;
    return false;
}

}  // namespace

uint32_t GraphicImageDrawFlags(const GraphicRecord& graphic) {
    uint32_t flags = 0;
    // The alpha-test request only picks a keyed format for a picture without
    // an alpha channel; an alpha picture is blended, never tested.
    if (graphic.image->request.alpha)
        flags |= kDrawAlphaChannel;
    else if (graphic.image->request.alphaTest)
        flags |= kDrawAlphaTest;
    return flags;
}

bool GraphicHasTextures(const GraphicRecord& graphic) {
    for (int i = 0; i < graphic.pieceCount; ++i)
        if (!graphic.pieces[i].tile->texture) return false;
    return true;
}

// Both the graphic and its blend graphic have their textures.
static bool TexturesPresent(const GraphicRecord* graphic, const GraphicRecord* blend) {
    return GraphicHasTextures(*graphic) && (!blend || GraphicHasTextures(*blend));
}

int DrawGraphicHw(const GraphicRecord* blend, int x, int y, float fx, float fy,
                  const GraphicRecord* graphic, int trans, int integerPlacement) {
    if (!HasDevice()) return -1;
    const DrawSettings& d = GetDrawSettings();
    const int w = graphic->width, h = graphic->height;
    if (x >= d.areaX2 || y >= d.areaY2 || x + w <= d.areaX1 || y + h <= d.areaY1) return 0;
    if (!TexturesPresent(graphic, blend)) return 0;
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
    if (!TexturesPresent(graphic, blend)) return 0;
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

int DrawGraphicRotatedHw(int x, int y, float fx, float fy, double scale, double angle,
                         const GraphicRecord* blend, const GraphicRecord* graphic, uint32_t flags,
                         int turn, int exactPlacement) {
    if (!HasDevice() || scale == 0.0) return -1;
    if (!TexturesPresent(graphic, blend)) return 0;
    float cosine = 1.0f, sine = 0.0f;
    if (angle != 0.0) cosine = std::cos(float(angle)), sine = std::sin(float(angle));
    const int w = graphic->width, h = graphic->height;
    float cx = w / 2.0f, cy = h / 2.0f, X = float(x), Y = float(y);
    bool fractional = false, snapping = false;
    if (!exactPlacement && GetDrawSettings().samplingMode == 1) {
        X = fx - 0.5f, Y = fy - 0.5f;
    } else if (std::fabs(fx - x) >= 1e-5f || std::fabs(fy - y) >= 1e-5f) {
        fractional = snapping = true;
    } else if (scale == 1.0) {
        // Each screen axis by the parity of the side lying along it (the
        // height along x when the angle is nearer a quarter or three-quarter
        // turn): an even side's edges fall between pixel centres once the
        // centre moves half a pixel back, an odd side's already do. Moving
        // the graphic's centre instead would shift the quad by a pixel.
        const bool across = std::llround(angle / 1.5707963267948966) % 2 != 0;
        snapping = true;
        if ((across ? h : w) % 2 == 0) X -= 0.5f;
        if ((across ? w : h) % 2 == 0) Y -= 0.5f;
    } else {
        snapping = true, X -= 0.5f, Y -= 0.5f;
    }
    const bool snapX =
        snapping &&
        (fractional || (exactPlacement && angle != 0.0 && NearQuarterTurn(angle) && w % 2 == 1));
    const bool snapY =
        snapping &&
        (fractional || (exactPlacement && angle != 0.0 && NearQuarterTurn(angle) && h % 2 == 1));
    const float s = float(scale), sx = turn ? -s : s;
    EnsureSceneBegun();
    for (int i = 0; i < graphic->pieceCount; ++i) {
        PreparePiece(*graphic, blend, i, flags);
        QuadCorner c[4];
        PieceCorners(*graphic, blend, i, c);
        for (QuadCorner& k : c) {
            const float a = sx * (k.x - cx), b = s * (k.y - cy);
            k.x = X + cosine * a - sine * b;
            k.y = Y + sine * a + cosine * b;
        }
        if (snapX) SnapAxis(c, false);
        if (snapY) SnapAxis(c, true);
        WriteQuad(c);
    }
    return 0;
}

int DrawGraphicQuadBlendHw(const int* corners, const GraphicRecord* blend,
                           const GraphicRecord* graphic, int trans) {
    if (!HasDevice()) return -1;
    const int w = graphic->width, h = graphic->height;
    const int* c = corners;  // top-left, top-right, bottom-left, bottom-right
    if (c[1] == c[3] && c[5] == c[7] && c[0] == c[4] && c[2] == c[6] && c[0] != c[2] &&
        c[1] != c[5])
        return DrawGraphicStretchedHw(c[0], c[1], c[6], c[7], float(c[6]), float(c[7]), blend,
                                      graphic, trans, 1);
    if (!blend) {
        float whole[8];
        for (int k = 0; k < 8; ++k) whole[k] = float(corners[k]);
        return DrawGraphicQuadHw(whole, graphic, nullptr, trans, 0);
    }
    if (!TexturesPresent(graphic, blend)) return 0;
    FlushVertexBatch();
    EnsureSceneBegun();
    const uint32_t flags = (trans ? uint32_t{kDrawTransparent} : 0u) | kDrawIntegerPlacement |
                           GraphicImageDrawFlags(*graphic);
    // Two affine maps: one through the top-left, top-right and bottom-left
    // corners, one through the bottom-right, bottom-left and top-right. A
    // point of the graphic takes the one of its half (split by the diagonal
    // from top-right to bottom-left), so pieces sharing a point agree.
    const float tlx = c[0], tly = c[1], trx = c[2], try_ = c[3];
    const float blx = c[4], bly = c[5], brx = c[6], bry = c[7];
    auto map = [&](float px, float py, QuadCorner* k) {
        if (px / w + py / h <= 1.0f) {
            k->x = tlx + px * (trx - tlx) / w + py * (blx - tlx) / h;
            k->y = tly + px * (try_ - tly) / w + py * (bly - tly) / h;
        } else {
            k->x = brx + (px - w) * (brx - blx) / w + (py - h) * (brx - trx) / h;
            k->y = bry + (px - w) * (bry - bly) / w + (py - h) * (bry - try_) / h;
        }
        k->x -= 0.5f, k->y -= 0.5f;
    };
    auto area = [](const QuadCorner& a, const QuadCorner& b, const QuadCorner& e) {
        return (b.x - a.x) * (e.y - a.y) - (e.x - a.x) * (b.y - a.y);
    };
    for (int i = 0; i < graphic->pieceCount; ++i) {
        PreparePiece(*graphic, blend, i, flags);
        QuadCorner q[4];
        PieceCorners(*graphic, blend, i, q);
        for (QuadCorner& k : q) map(k.x, k.y, &k);
        // Triangles 0-1-2 and 3-2-1 of one sign: the quad is not folded
        // across that diagonal.
        const float a = area(q[0], q[1], q[2]), b = area(q[3], q[2], q[1]);
        WriteQuad(q, (a <= 0) == (b <= 0) ? kQuadOrder : kOtherDiagonal);
    }
    return 0;
}

}  // namespace DuRud
