// Surfaces, textures and vertex builders for the rasteriser tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "../../../platform/d3d9/raster/pixel_formats.h"
#include "../../../platform/d3d9/raster/raster.h"

namespace rastertest {

using namespace platform::raster;

// A surface with its own pixels.
struct OwnedSurface {
    std::vector<uint8_t> bytes;
    RasterSurface surface;

    OwnedSurface(int w, int h, uint32_t format) {
        int bpp = FormatBytesPerPixel(format);
        surface.width = w;
        surface.height = h;
        surface.format = format;
        surface.pitch = w * bpp + 8;  // a pitch wider than the row, as devices give
        bytes.assign(size_t(surface.pitch) * h, 0);
        surface.pixels = bytes.data();
    }
    uint32_t Get(int x, int y) const {
        return ReadArgb(bytes.data() + size_t(y) * surface.pitch +
                            size_t(x) * FormatBytesPerPixel(surface.format),
                        surface.format);
    }
    void Set(int x, int y, uint32_t argb) {
        WriteArgb(bytes.data() + size_t(y) * surface.pitch +
                      size_t(x) * FormatBytesPerPixel(surface.format),
                  surface.format, argb);
    }
    void Fill(uint32_t argb) {
        for (int y = 0; y < surface.height; ++y)
            for (int x = 0; x < surface.width; ++x) Set(x, y, argb);
    }
    int Count(uint32_t argb) const {
        int n = 0;
        for (int y = 0; y < surface.height; ++y)
            for (int x = 0; x < surface.width; ++x) n += Get(x, y) == argb;
        return n;
    }
};

struct OwnedTexture {
    std::vector<OwnedSurface> levels;
    RasterTexture texture;

    OwnedTexture(int w, int h, uint32_t format, int levelCount = 1) {
        for (int l = 0; l < levelCount; ++l)
            levels.emplace_back(w > 1 ? w >> l : 1, h > 1 ? h >> l : 1, format);
        Sync();
    }
    void Sync() {
        texture.levelCount = int(levels.size());
        for (size_t l = 0; l < levels.size(); ++l) texture.levels[l] = levels[l].surface;
    }
};

// Random pixels for comparing a path with its twin: the texture's, and one
// target's copied into the other so both draws start from the same bytes.
inline void RandomiseTwinPixels(OwnedTexture& tex, OwnedSurface& a, OwnedSurface& g,
                                std::mt19937& rng) {
    for (auto& b : tex.levels[0].bytes) b = uint8_t(rng());
    for (auto& b : a.bytes) b = uint8_t(rng());
    g.bytes = a.bytes;
}

#pragma pack(push, 1)
struct V2D {  // 0x44
    float x, y, z, rhw;
    uint32_t diffuse;
};
struct V2DTex {  // 0x144
    float x, y, z, rhw;
    uint32_t diffuse;
    float u, v;
};
struct V2DTex2 {  // 0x2C4
    float x, y, z, rhw;
    uint32_t diffuse, specular;
    float u0, v0, u1, v1;
};
#pragma pack(pop)

// The engine's quad order: top-left, top-right, bottom-left, bottom-right,
// bottom-left, top-right; colour on vertices 0 and 3.
inline std::vector<V2D> Quad(float x1, float y1, float x2, float y2, uint32_t colour) {
    return {{x1, y1, 0, 1, colour}, {x2, y1, 0, 1, 0}, {x1, y2, 0, 1, 0},
            {x2, y2, 0, 1, colour}, {x1, y2, 0, 1, 0}, {x2, y1, 0, 1, 0}};
}

inline std::vector<V2DTex> TexQuad(float x1, float y1, float x2, float y2, float u1, float v1,
                                   float u2, float v2, uint32_t colour = 0xFFFFFFFF) {
    return {{x1, y1, 0, 1, colour, u1, v1}, {x2, y1, 0, 1, colour, u2, v1},
            {x1, y2, 0, 1, colour, u1, v2}, {x2, y2, 0, 1, colour, u2, v2},
            {x1, y2, 0, 1, colour, u1, v2}, {x2, y1, 0, 1, colour, u2, v1}};
}

// A state over a target with the engine's 2D basics: flat shading, no
// culling, no lighting effects, stage 0 selecting the diffuse colour.
inline RasterState StateFor(const RasterSurface& target, DWORD fvf) {
    RasterState s;
    s.target = target;
    RasterSetDefaultStates(s);
    s.fvf = fvf;
    s.render[D3DRS_SHADEMODE] = D3DSHADE_FLAT;
    s.render[D3DRS_CULLMODE] = D3DCULL_NONE;
    s.stage[0][D3DTSS_COLOROP] = D3DTOP_SELECTARG2;
    s.stage[0][D3DTSS_COLORARG2] = D3DTA_DIFFUSE;
    s.stage[0][D3DTSS_ALPHAOP] = D3DTOP_SELECTARG2;
    s.stage[0][D3DTSS_ALPHAARG2] = D3DTA_DIFFUSE;
    return s;
}

// Stage 0 samples texture `t` with a point filter, clamped.
inline void UseTexture(RasterState& s, const RasterTexture* t, DWORD colorOp = D3DTOP_SELECTARG1,
                       DWORD alphaOp = D3DTOP_SELECTARG1) {
    s.textures[0] = t;
    s.stage[0][D3DTSS_COLOROP] = colorOp;
    s.stage[0][D3DTSS_COLORARG1] = D3DTA_TEXTURE;
    s.stage[0][D3DTSS_COLORARG2] = D3DTA_DIFFUSE;
    s.stage[0][D3DTSS_ALPHAOP] = alphaOp;
    s.stage[0][D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
    s.stage[0][D3DTSS_ALPHAARG2] = D3DTA_DIFFUSE;
    s.sampler[0][D3DSAMP_ADDRESSU] = s.sampler[0][D3DSAMP_ADDRESSV] = D3DTADDRESS_CLAMP;
}

template <class V>
RasterResult DrawList(const RasterState& s, const std::vector<V>& v) {
    return RasterDrawPrimitiveUP(s, D3DPT_TRIANGLELIST, UINT(v.size() / 3), v.data(), sizeof(V));
}

inline uint32_t Argb(int a, int r, int g, int b) {
    return (uint32_t(a) << 24) | (uint32_t(r) << 16) | (uint32_t(g) << 8) | uint32_t(b);
}

}  // namespace rastertest
