// Caller-built vertices (see user_vertices.h).
#include "graphics/user_vertices.h"

#include <new>
#include <vector>

#include "graphics/device_layer.h"
#include "graphics/device_setup.h"
#include "graphics/draw_brackets.h"
#include "graphics/draw_settings.h"
#include "graphics/draw_state_apply.h"
#include "graphics/graphic_draw_workers.h"
#include "graphics/render_state_cache.h"
#include "graphics/scene_bracket.h"
#include "graphics/screen_state.h"
#include "image/memimg.h"
#include "sound/movie/movie_module.h"

namespace DuRud {
namespace {

constexpr DWORD kUserVertexFormat = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;

// The module's copies: the coloured vertices of the public call and the
// textured ones of the worker. They grow and are kept for later calls.
std::vector<Vertex2DTex> g_coloured;
std::vector<Vertex2DTex> g_textured;

bool Reserve(std::vector<Vertex2DTex>& v, int count) {
    try {
        v.resize(size_t(count));
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

// The vertices under the brightness and blend parameter: each diffuse byte
// through the software renderer's product table. Null when the copy
// cannot be made.
const Vertex2DTex* Coloured(const Vertex2DTex* vertices, int count) {
    const DrawSettings& d = GetDrawSettings();
    const bool white = d.brightRed == 255 && d.brightGreen == 255 && d.brightBlue == 255;
    if (white && (d.blendMode == 0 || d.blendParameter == 255)) return vertices;
    if (!Reserve(g_coloured, count)) return nullptr;
    for (int i = 0; i < count; ++i) {
        Vertex2DTex v = vertices[i];
        const uint32_t c = v.diffuse;
        const uint32_t b = uint32_t(MemImgMulTable[d.brightBlue][c & 0xFF]);
        const uint32_t g = uint32_t(MemImgMulTable[d.brightGreen][c >> 8 & 0xFF]);
        const uint32_t r = uint32_t(MemImgMulTable[d.brightRed][c >> 16 & 0xFF]);
        uint32_t a = c >> 24;
        if (d.blendMode != 0) a = uint32_t(MemImgMulTable[d.blendParameter][a]);
        v.diffuse = a << 24 | r << 16 | g << 8 | b;
        g_coloured[size_t(i)] = v;
    }
    return g_coloured.data();
}

bool CountFits(D3DPRIMITIVETYPE type, int count) {
    if (count < 1) return false;
    const int primitives = PrimitiveCount(type, count);
    return primitives >= 1 && primitives <= GetDeviceResources().caps.maxPrimitiveCount;
}

}  // namespace

int DrawUserVerticesHw(D3DPRIMITIVETYPE type, int count, const Vertex2DTex* vertices, int trans,
                       int mode, int mirror, const GraphicRecord* graphic, int pieceIndex,
                       int state3D) {
    if (!HasDevice()) return -1;
    if (!vertices || !CountFits(type, count)) return -1;
    if (graphic && (pieceIndex < 0 || pieceIndex >= graphic->pieceCount)) return -1;
    FlushVertexBatch();
    EnsureSceneBegun();
    SetPendingBlendTexture(nullptr, 0, 0);
    uint32_t flags = trans ? uint32_t{kDrawTransparent} : 0u;
    if (state3D) flags |= kDrawExtraState | kDrawDepth3D;
    flags |= mode == 1 ? uint32_t{kDrawAddressModes}
                       : kDrawGouraud | 1u << 4 | kDrawDiffuseColour | kDrawDiffuseAlpha |
                             kDrawAddressModes | kDrawCullMode;
    const TileDrawPiece* piece = graphic ? &graphic->pieces[pieceIndex] : nullptr;
    if (graphic) flags |= GraphicImageDrawFlags(*graphic);
    IDirect3DBaseTexture9* texture = piece ? piece->tile->texture : nullptr;
    if (NeedsPrepareGraphicDraw(texture, flags)) PrepareGraphicDraw(texture, flags);
    const Vertex2DTex* drawn = vertices;
    if (mode == 1 && piece) {
        // Whole groups of six take the piece's corners; the caller's array
        // stays as it was.
        if (!Reserve(g_textured, count)) return -1;
        std::copy(vertices, vertices + count, g_textured.begin());
        const float left = mirror ? piece->corners[3].u : piece->corners[0].u;
        const float right = mirror ? piece->corners[0].u : piece->corners[3].u;
        const float top = piece->corners[0].v, bottom = piece->corners[3].v;
        const float us[6] = {left, right, left, right, left, right};
        const float vs[6] = {top, top, bottom, bottom, bottom, top};
        for (int g = 0; g + 6 <= count; g += 6)
            for (int k = 0; k < 6; ++k)
                g_textured[size_t(g + k)].u = us[k], g_textured[size_t(g + k)].v = vs[k];
        drawn = g_textured.data();
    }
    RenderStateCache& c = GetRenderStateCache();
    if (c.fvf != kUserVertexFormat) {
        if (FAILED(DeviceSetFVF(kUserVertexFormat))) return -1;
        c.fvf = kUserVertexFormat;
        c.declaration = nullptr;
    }
    if (FAILED(DeviceDrawPrimitiveUP(type, UINT(PrimitiveCount(type, count)), drawn,
                                     sizeof(Vertex2DTex))))
        return -1;
    return 0;
}

int DrawGraphicPrimitive2D(const Vertex2DTex* vertices, int count, int primitiveType, Handle handle,
                           int trans) {
    const GraphicRecord* graphic = nullptr;
    if (handle != kNoGraphic) {
        graphic = GraphicFromHandle(handle, 0);
        if (!graphic) return -1;
    }
    WaitWhileInactive();
    if (graphic && graphic->movie != -1) UpdateMovieFrame(graphic->movie, 0);
    const int direct3D =
        graphic ? graphic->image->request.direct3D != 0 : GetScreenState().useDirect3D;
    if (!direct3D) return 0;
    const auto type = static_cast<D3DPRIMITIVETYPE>(primitiveType);
    if (!vertices || !CountFits(type, count)) return -1;
    const DrawSettings& d = GetDrawSettings();
    return DrawInBrackets(
        direct3D,
        [&] {
            return RECT{d.areaX1, d.areaY1, d.areaX2, d.areaY2};
        },
        [&] {
            const Vertex2DTex* drawn = Coloured(vertices, count);
            if (!drawn) return -1;
            return DrawUserVerticesHw(type, count, drawn, trans, 0, 0, graphic, 0, 0);
        });
}

}  // namespace DuRud
