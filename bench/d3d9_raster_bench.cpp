// Speed of the software rasteriser on the game's typical loads: sprites,
// alpha-blended sprites, the bilinear 2x stretch of the off-screen, and one
// whole frame. Figures are printed as counters (Mpixel/s, ms per frame).
#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <vector>

#include "../platform/d3d9/raster/raster.h"

namespace {

using namespace platform::raster;

#pragma pack(push, 1)
struct Vertex2DTex {
    float x, y, z, rhw;
    uint32_t diffuse;
    float u, v;
};
#pragma pack(pop)

struct Buffer {
    std::vector<uint8_t> bytes;
    RasterSurface surface;
    Buffer(int w, int h, uint32_t format) {
        surface.width = w, surface.height = h, surface.format = format, surface.pitch = w * 4;
        bytes.assign(size_t(w) * h * 4, 0);
        surface.pixels = bytes.data();
    }
};

struct Texture {
    Buffer buffer;
    RasterTexture texture;
    Texture(int w, int h, uint32_t format, uint32_t seed) : buffer(w, h, format) {
        std::mt19937 rng(seed);
        for (size_t i = 0; i < buffer.bytes.size(); i += 4) {
            uint32_t c = rng();
            if ((i / 4) % 7 == 0) c &= 0x00FFFFFFu;  // some transparent texels
            std::memcpy(&buffer.bytes[i], &c, 4);
        }
        texture.levelCount = 1;
        texture.levels[0] = buffer.surface;
    }
};

void AddQuad(std::vector<Vertex2DTex>& v, float x1, float y1, float x2, float y2, uint32_t colour) {
    Vertex2DTex tl{x1, y1, 0, 1, colour, 0, 0}, tr{x2, y1, 0, 1, 0, 1, 0};
    Vertex2DTex bl{x1, y2, 0, 1, 0, 0, 1}, br{x2, y2, 0, 1, colour, 1, 1};
    v.insert(v.end(), {tl, tr, bl, br, bl, tr});
}

// The state the engine applies for a sprite in a blend mode (0 opaque,
// 1 alpha blend of an alpha-channel graphic) with white brightness.
RasterState SpriteState(const RasterSurface& target, const RasterTexture* tex, int mode,
                        DWORD filter) {
    RasterState s;
    s.target = target;
    RasterSetDefaultStates(s);
    s.fvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;
    s.render[D3DRS_SHADEMODE] = D3DSHADE_FLAT;
    s.render[D3DRS_CULLMODE] = D3DCULL_NONE;
    s.render[D3DRS_SPECULARENABLE] = TRUE;
    s.textures[0] = tex;
    s.stage[0][D3DTSS_COLOROP] = D3DTOP_SELECTARG1;
    s.stage[0][D3DTSS_COLORARG1] = D3DTA_TEXTURE;
    s.stage[0][D3DTSS_COLORARG2] = D3DTA_DIFFUSE;
    s.stage[0][D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
    s.stage[0][D3DTSS_ALPHAARG2] = D3DTA_DIFFUSE;
    s.stage[0][D3DTSS_ALPHAOP] = mode == 0 ? D3DTOP_SELECTARG2 : D3DTOP_MODULATE;
    s.stage[1][D3DTSS_COLOROP] = D3DTOP_DISABLE;
    for (int i = 0; i < 8; ++i) {
        s.sampler[i][D3DSAMP_ADDRESSU] = s.sampler[i][D3DSAMP_ADDRESSV] = D3DTADDRESS_CLAMP;
        s.sampler[i][D3DSAMP_MINFILTER] = s.sampler[i][D3DSAMP_MAGFILTER] = filter;
    }
    if (mode == 1) {
        s.render[D3DRS_ALPHABLENDENABLE] = TRUE;
        s.render[D3DRS_SRCBLEND] = D3DBLEND_SRCALPHA;
        s.render[D3DRS_DESTBLEND] = D3DBLEND_INVSRCALPHA;
        s.render[D3DRS_ALPHATESTENABLE] = TRUE;
        s.render[D3DRS_ALPHAFUNC] = D3DCMP_GREATER;
        s.render[D3DRS_ALPHAREF] = 0;
    }
    return s;
}

std::vector<Vertex2DTex> Sprites(int count, uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<Vertex2DTex> v;
    for (int i = 0; i < count; ++i) {
        float x = float(rng() % 760) - 0.5f, y = float(rng() % 560) - 0.5f;
        AddQuad(v, x, y, x + 32, y + 32, 0xFFFFFFFFu);
    }
    return v;
}

void Draw(const RasterState& s, const std::vector<Vertex2DTex>& v) {
    RasterResult r = RasterDrawPrimitiveUP(s, D3DPT_TRIANGLELIST, UINT(v.size() / 3), v.data(),
                                           sizeof(Vertex2DTex));
    if (FAILED(r.hr)) std::abort();
}

void SpriteBench(benchmark::State& state, int mode) {
    Buffer target(800, 600, kFormatA8R8G8B8);
    Texture tex(32, 32, kFormatA8R8G8B8, 1);
    RasterState s = SpriteState(target.surface, &tex.texture, mode, D3DTEXF_POINT);
    auto v = Sprites(400, 2);
    for (auto _ : state) Draw(s, v);
    state.counters["Mpixel/s"] =
        benchmark::Counter(400.0 * 32 * 32 * state.iterations() / 1e6, benchmark::Counter::kIsRate);
}

void BM_OpaquePointSprites32(benchmark::State& state) {
    SpriteBench(state, 0);
}
void BM_AlphaBlendedSprites32(benchmark::State& state) {
    SpriteBench(state, 1);
}

void BM_BilinearStretch2x800x600(benchmark::State& state) {
    Buffer back(1600, 1200, kFormatX8R8G8B8);
    Texture tex(800, 600, kFormatA8R8G8B8, 3);
    RasterState s = SpriteState(back.surface, &tex.texture, 0, D3DTEXF_LINEAR);
    std::vector<Vertex2DTex> v;
    AddQuad(v, -0.5f, -0.5f, 1599.5f, 1199.5f, 0xFFFFFFFFu);
    for (auto _ : state) Draw(s, v);
    state.counters["Mpixel/s"] =
        benchmark::Counter(1600.0 * 1200 * state.iterations() / 1e6, benchmark::Counter::kIsRate);
}

// One frame: background and 400 blended sprites into the 800 x 600
// off-screen, then the off-screen 2x bilinear onto the 1600 x 1200 back buffer.
void BM_TypicalFrame(benchmark::State& state) {
    Buffer offscreen(800, 600, kFormatA8R8G8B8), back(1600, 1200, kFormatX8R8G8B8);
    Texture background(800, 600, kFormatX8R8G8B8, 4), sprite(32, 32, kFormatA8R8G8B8, 5);
    RasterTexture offTex;
    offTex.levelCount = 1;
    offTex.levels[0] = offscreen.surface;
    RasterState bg = SpriteState(offscreen.surface, &background.texture, 0, D3DTEXF_POINT);
    RasterState sp = SpriteState(offscreen.surface, &sprite.texture, 1, D3DTEXF_POINT);
    RasterState up = SpriteState(back.surface, &offTex, 0, D3DTEXF_LINEAR);
    std::vector<Vertex2DTex> bgQuad, upQuad;
    AddQuad(bgQuad, -0.5f, -0.5f, 799.5f, 599.5f, 0xFFFFFFFFu);
    AddQuad(upQuad, -0.5f, -0.5f, 1599.5f, 1199.5f, 0xFFFFFFFFu);
    auto sprites = Sprites(400, 6);
    for (auto _ : state) {
        Draw(bg, bgQuad);
        Draw(sp, sprites);
        Draw(up, upQuad);
    }
    state.counters["ms/frame"] =
        benchmark::Counter(double(state.iterations()) / 1000.0,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

BENCHMARK(BM_OpaquePointSprites32)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AlphaBlendedSprites32)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BilinearStretch2x800x600)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TypicalFrame)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
