// Speed of the software rasteriser on the game's typical loads: sprites,
// alpha-blended sprites, the bilinear 2x stretch of the off-screen, and one
// whole frame. Figures are printed as counters (Mpixel/s, ms per frame).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "../platform/d3d9/raster/held_rows.h"
#include "../platform/d3d9/raster/raster.h"
#include "../platform/d3d9/shader_kernels.h"
#include "d3d9.h"
#include "test_knobs.h"
#include "windows.h"

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

// Two 800 x 576 opaque pictures cross-faded onto an 800 x 536 play area the
// frame has just filled black, as the stage draws its backgrounds while one
// turns into the next: the fill, then each picture with its alpha times
// the diffuse alpha (255 - level, then level). Argument 1 holds the fill
// back as the device does, so that the first picture is blended onto the
// fill's colour without the fill being written; 0 writes the fill first.
void BM_CrossFadeOverFill(benchmark::State& state) {
    const bool held = state.range(0) != 0;
    Buffer area(800, 536, kFormatA8R8G8B8);
    HeldRows rows(536);
    if (held) area.surface.held = &rows;
    Texture first(800, 576, kFormatA8R8G8B8, 7), second(800, 576, kFormatA8R8G8B8, 8);
    for (Texture* t : {&first, &second})
        for (size_t i = 3; i < t->buffer.bytes.size(); i += 4) t->buffer.bytes[i] = 255;
    RasterState fill = SpriteState(area.surface, nullptr, 0, D3DTEXF_POINT);
    fill.fvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;
    fill.stage[0][D3DTSS_COLOROP] = D3DTOP_SELECTARG2;
    fill.stage[0][D3DTSS_ALPHAOP] = D3DTOP_SELECTARG2;
    RasterState fade[2] = {SpriteState(area.surface, &first.texture, 1, D3DTEXF_POINT),
                           SpriteState(area.surface, &second.texture, 1, D3DTEXF_POINT)};
    for (RasterState& f : fade) f.stage[0][D3DTSS_COLOROP] = D3DTOP_MODULATE;
    std::vector<Vertex2DTex> black, quads[2];
    AddQuad(black, -0.5f, -0.5f, 799.5f, 535.5f, 0xFF000000u);
    int level = 0;
    for (auto _ : state) {
        level = (level + 3) % 255;
        quads[0].clear(), quads[1].clear();
        AddQuad(quads[0], -0.5f, -20.5f, 799.5f, 555.5f, uint32_t(255 - level) << 24 | 0xFFFFFF);
        AddQuad(quads[1], -0.5f, -20.5f, 799.5f, 555.5f, uint32_t(level) << 24 | 0xFFFFFF);
        Draw(fill, black);
        Draw(fade[0], quads[0]);
        Draw(fade[1], quads[1]);
        if (held) rows.WriteAll(area.surface);
    }
    state.SetLabel(held ? "fill held back" : "fill written");
    state.counters["Mpixel/s"] =
        benchmark::Counter(2.0 * 800 * 536 * state.iterations() / 1e6, benchmark::Counter::kIsRate);
}

// Makes a fixed-function sprite state run the 2D kernel the engine picks
// for the same draw when shaders are in use (white brightness).
void UseKernel(RasterState& s, const char* name, const float (*constants)[4]) {
    s.pixelKernel = platform::d3d9::FindShaderKernel(name, false);
    if (!s.pixelKernel) std::abort();
    s.pixelConstF = constants;
}

// One frame: background and 400 blended sprites into the 800 x 600
// off-screen, then the off-screen 2x bilinear onto the 1600 x 1200 back
// buffer. Argument 1 draws it through the pixel-shader kernels.
void BM_TypicalFrame(benchmark::State& state) {
    const bool shaders = state.range(0) != 0;
    platform::d3d9::RegisterPackageShaderKernels();
    Buffer offscreen(800, 600, kFormatA8R8G8B8), back(1600, 1200, kFormatX8R8G8B8);
    Texture background(800, 600, kFormatX8R8G8B8, 4), sprite(32, 32, kFormatA8R8G8B8, 5);
    RasterTexture offTex;
    offTex.levelCount = 1;
    offTex.levels[0] = offscreen.surface;
    RasterState bg = SpriteState(offscreen.surface, &background.texture, 0, D3DTEXF_POINT);
    RasterState sp = SpriteState(offscreen.surface, &sprite.texture, 1, D3DTEXF_POINT);
    RasterState up = SpriteState(back.surface, &offTex, 0, D3DTEXF_LINEAR);
    static float constants[224][4];
    for (float& v : constants[5]) v = 1.0f;  // the white texture factor
    if (shaders) {
        UseKernel(bg, "ps_blend0_type0_igcolor0_igtalpha1.pso", constants);
        UseKernel(sp, "ps_blend0_type0_igcolor0_igtalpha0.pso", constants);
        UseKernel(up, "ps_blend0_type0_igcolor0_igtalpha1.pso", constants);
    }
    std::vector<Vertex2DTex> bgQuad, upQuad;
    AddQuad(bgQuad, -0.5f, -0.5f, 799.5f, 599.5f, 0xFFFFFFFFu);
    AddQuad(upQuad, -0.5f, -0.5f, 1599.5f, 1199.5f, 0xFFFFFFFFu);
    auto sprites = Sprites(400, 6);
    for (auto _ : state) {
        Draw(bg, bgQuad);
        Draw(sp, sprites);
        Draw(up, upQuad);
    }
    state.SetLabel(shaders ? "shaders on" : "shaders off");
    state.counters["ms/frame"] =
        benchmark::Counter(double(state.iterations()) / 1000.0,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// One filter pass over an 800 x 600 picture through its kernel, as the
// filters draw it: the source on sampler 0, point-sampled, 1:1.
void FilterPassBench(benchmark::State& state, const char* name, float (*constants)[4]) {
    platform::d3d9::RegisterPackageShaderKernels();
    Buffer target(800, 600, kFormatA8R8G8B8);
    Texture source(800, 600, kFormatA8R8G8B8, 7);
    RasterState s = SpriteState(target.surface, &source.texture, 0, D3DTEXF_POINT);
    UseKernel(s, name, constants);
    std::vector<Vertex2DTex> quad;
    AddQuad(quad, -0.5f, -0.5f, 799.5f, 599.5f, 0xFFFFFFFFu);
    for (auto _ : state) Draw(s, quad);
    state.counters["Mpixel/s"] =
        benchmark::Counter(800.0 * 600 * state.iterations() / 1e6, benchmark::Counter::kIsRate);
}

void BM_BlurPass16Kernel(benchmark::State& state) {
    static float c[224][4] = {};
    const float w[8] = {0.2f, 0.17f, 0.12f, 0.07f, 0.03f, 0.01f, 0.004f, 0.001f};
    for (int i = 0; i < 8; ++i) c[i / 4][i % 4] = w[i];
    c[8][0] = 1;  // across
    FilterPassBench(state, "Gauss_16Pixel_PS.pso", c);
}

void BM_HsbPassesKernel(benchmark::State& state) {
    static float c[224][4] = {};
    c[0][0] = 0.5f, c[0][1] = 0.3f, c[0][2] = 0.1f;
    FilterPassBench(state, state.range(0) ? "Hsb_HSB_TO_RGB.pso" : "Hsb_RGB_TO_HSB.pso", c);
}

#pragma pack(push, 1)
struct Vertex2DTex2 {
    float x, y, z, rhw;
    uint32_t diffuse, specular;
    float u0, v0, u1, v1;
};
#pragma pack(pop)

// An 800 x 600 blend-graphic draw through its kernel, alpha-blended as a
// scene change draws it: argument 1 the cross-fade (halfway), 2 the
// threshold wipe, 3 the alpha mask; both graphics 1:1, point-sampled.
void BM_BlendGraphicKernel(benchmark::State& state) {
    platform::d3d9::RegisterPackageShaderKernels();
    const int layout = int(state.range(0));
    Buffer target(800, 600, kFormatA8R8G8B8);
    Texture blendGraphic(800, 600, kFormatA8R8G8B8, 8), drawn(800, 600, kFormatA8R8G8B8, 9);
    RasterState s = SpriteState(target.surface, nullptr, 1, D3DTEXF_POINT);
    s.fvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_SPECULAR | D3DFVF_TEX2;
    // Layouts 1 and 2 read the blend graphic on sampler 0, the mask reads it on 1.
    s.textures[layout == 3 ? 1 : 0] = &blendGraphic.texture;
    s.textures[layout == 3 ? 0 : 1] = &drawn.texture;
    static float c[224][4];
    const float c5[3][4] = {{1, 1, 1, 0.5f}, {0, 0, 2, 0.25f}, {1, 1, 1, 1}};
    std::memcpy(c[5], c5[layout - 1], sizeof c[5]);
    const char* names[3] = {"ps_blend1_type0_igcolor0_igtalpha0.pso",
                            "ps_blend2_type0_igcolor0_igtalpha0.pso",
                            "ps_blend3_type0_igcolor0_igtalpha0.pso"};
    UseKernel(s, names[layout - 1], c);
    std::vector<Vertex2DTex2> quad;
    const float corners[6][2] = {{0, 0}, {1, 0}, {0, 1}, {1, 1}, {0, 1}, {1, 0}};
    for (auto [u, v] : corners)
        quad.push_back(
            {u * 800 - 0.5f, v * 600 - 0.5f, 0, 1, 0xFFFFFFFFu, 0xFF000000u, u, v, u, v});
    for (auto _ : state) {
        RasterResult r =
            RasterDrawPrimitiveUP(s, D3DPT_TRIANGLELIST, 2, quad.data(), sizeof(Vertex2DTex2));
        if (FAILED(r.hr)) std::abort();
    }
    state.SetLabel(layout == 1 ? "cross-fade" : layout == 2 ? "wipe" : "alpha mask");
    state.counters["Mpixel/s"] =
        benchmark::Counter(800.0 * 600 * state.iterations() / 1e6, benchmark::Counter::kIsRate);
}

// A pixel shader of the device's blob format running the named kernel.
IDirect3DPixelShader9* KernelShader(IDirect3DDevice9* dev, const char* name) {
    std::vector<DWORD> blob = {0xFFFF0200u};
    const size_t words = std::strlen(name) / 4 + 1;
    blob.push_back(0xFFFEu | DWORD(words << 16));
    const size_t at = blob.size();
    blob.resize(at + words, 0);
    std::memcpy(&blob[at], name, std::strlen(name));
    blob.push_back(0x0000FFFFu);
    IDirect3DPixelShader9* shader = nullptr;
    dev->CreatePixelShader(blob.data(), &shader);
    return shader;
}

// The bytes the typical frame must move at the least, moved with memcpy and
// memset: the background written into the off-screen, each sprite's rows
// read and written, the stretched back buffer written, and Present's copy of
// it. Its time is this machine's lower bound for the frame.
class FrameBytes {
  public:
    explicit FrameBytes(const std::vector<Vertex2DTex>& sprites)
        : background_(800 * 600),
          offscreen_(800 * 600),
          sprite_(32 * 32),
          back_(1600 * 1200),
          window_(1600 * 1200) {
        for (size_t i = 0; i + 5 < sprites.size(); i += 6)
            corners_.push_back({std::clamp(int(sprites[i].x + 0.5f), 0, 800 - 32),
                                std::clamp(int(sprites[i].y + 0.5f), 0, 600 - 32)});
    }
    void Move() {
        std::memcpy(offscreen_.data(), background_.data(), offscreen_.size() * 4);
        for (const auto& [x, y] : corners_)
            for (int row = 0; row < 32; ++row)
                std::memcpy(&offscreen_[size_t(y + row) * 800 + size_t(x)],
                            &sprite_[size_t(row) * 32], 32 * 4);
        std::memset(back_.data(), 0x40, back_.size() * 4);
        std::memcpy(window_.data(), back_.data(), window_.size() * 4);
        benchmark::DoNotOptimize(window_.data());
    }

  private:
    std::vector<uint32_t> background_, offscreen_, sprite_, back_, window_;
    std::vector<std::pair<int, int>> corners_;
};

// The same frame through the device's calls, with the engine's vertex
// layout, a render-target texture as the off-screen and Present at the end.
// Argument 1 draws it with the pixel shaders the engine sets for it.
void BM_TypicalFrameThroughDevice(benchmark::State& state) {
    const bool shaders = state.range(0) != 0;
    platform::d3d9::RegisterPackageShaderKernels();
    KnobD3D9ShaderVersions(shaders ? 0xFFFE0200u : 0, shaders ? 0xFFFF0200u : 0);
    IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
    if (!d3d) {
        state.SkipWithError("no Direct3D object");
        return;
    }
    D3DPRESENT_PARAMETERS pp{};
    pp.BackBufferWidth = 1600;
    pp.BackBufferHeight = 1200;
    pp.BackBufferFormat = D3DFMT_X8R8G8B8;
    pp.BackBufferCount = 1;
    // The engine's screen device copies (no multisampling), so the back
    // buffer keeps its picture after Present.
    pp.SwapEffect = D3DSWAPEFFECT_COPY;
    pp.Flags = D3DPRESENTFLAG_LOCKABLE_BACKBUFFER;
    // A real window (SDL's dummy driver when no display is named), so that
    // Present has somewhere to go.
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = "RasterBenchWindow";
    RegisterClassA(&wc);
    HWND window = CreateWindowExA(0, "RasterBenchWindow", "", WS_POPUP, 0, 0, 1600, 1200, nullptr,
                                  nullptr, nullptr, nullptr);
    if (!window) {
        d3d->Release();
        state.SkipWithError("no window");
        return;
    }
    pp.hDeviceWindow = window;
    pp.Windowed = TRUE;
    pp.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
    IDirect3DDevice9* dev = nullptr;
    if (d3d->CreateDevice(0, D3DDEVTYPE_HAL, pp.hDeviceWindow, D3DCREATE_SOFTWARE_VERTEXPROCESSING,
                          &pp, &dev) != D3D_OK) {
        d3d->Release();
        DestroyWindow(window);
        state.SkipWithError("no device");
        return;
    }
    auto managed = [&](UINT w, UINT h, D3DFORMAT f, uint32_t seed) {
        IDirect3DTexture9* t = nullptr;
        dev->CreateTexture(w, h, 1, 0, f, D3DPOOL_MANAGED, &t, nullptr);
        D3DLOCKED_RECT lr;
        std::mt19937 rng(seed);
        if (t && t->LockRect(0, &lr, nullptr, 0) == D3D_OK) {
            for (UINT y = 0; y < h; ++y)
                for (UINT x = 0; x < w; ++x) {
                    uint32_t c = rng();
                    if ((x + y) % 7 == 0) c &= 0x00FFFFFFu;
                    std::memcpy(static_cast<uint8_t*>(lr.pBits) + y * lr.Pitch + x * 4, &c, 4);
                }
            t->UnlockRect(0);
        }
        return t;
    };
    IDirect3DTexture9* background = managed(800, 600, D3DFMT_X8R8G8B8, 4);
    IDirect3DTexture9* sprite = managed(32, 32, D3DFMT_A8R8G8B8, 5);
    IDirect3DTexture9* offscreen = nullptr;
    dev->CreateTexture(800, 600, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT,
                       &offscreen, nullptr);
    IDirect3DSurface9 *offSurface = nullptr, *back = nullptr;
    if (offscreen) offscreen->GetSurfaceLevel(0, &offSurface);
    dev->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back);
    IDirect3DPixelShader9* opaqueShader =
        shaders ? KernelShader(dev, "ps_blend0_type0_igcolor0_igtalpha1.pso") : nullptr;
    IDirect3DPixelShader9* alphaShader =
        shaders ? KernelShader(dev, "ps_blend0_type0_igcolor0_igtalpha0.pso") : nullptr;
    if (!background || !sprite || !offSurface || !back ||
        (shaders && (!opaqueShader || !alphaShader))) {
        state.SkipWithError("resources not created");
    } else {
        dev->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        dev->SetRenderState(D3DRS_SHADEMODE, D3DSHADE_FLAT);
        dev->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
        dev->SetRenderState(D3DRS_SPECULARENABLE, TRUE);
        dev->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
        dev->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
        dev->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
        dev->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
        dev->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
        dev->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
        dev->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
        dev->SetSamplerState(0, D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP);
        dev->SetFVF(D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1);
        const float white[4] = {1, 1, 1, 1};  // the texture factor in constant 5
        if (shaders) dev->SetPixelShaderConstantF(5, white, 1);
        std::vector<Vertex2DTex> bgQuad, upQuad;
        AddQuad(bgQuad, -0.5f, -0.5f, 799.5f, 599.5f, 0xFFFFFFFFu);
        AddQuad(upQuad, -0.5f, -0.5f, 1599.5f, 1199.5f, 0xFFFFFFFFu);
        auto sprites = Sprites(400, 6);
        long failures = 0, failedDraws = 0;
        auto draw = [&](const std::vector<Vertex2DTex>& v) {
            failedDraws += dev->DrawPrimitiveUP(D3DPT_TRIANGLELIST, UINT(v.size() / 3), v.data(),
                                                sizeof(Vertex2DTex)) != D3D_OK;
        };
        FrameBytes bytes(sprites);
        double frameNs = 0, boundNs = 0;
        for (auto _ : state) {
            const auto frameStart = std::chrono::steady_clock::now();
            dev->SetRenderTarget(0, offSurface);
            dev->BeginScene();
            // Background: blend mode 0, point sampling.
            dev->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_POINT);
            dev->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_POINT);
            dev->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
            dev->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
            dev->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG2);
            dev->SetTexture(0, background);
            if (shaders) dev->SetPixelShader(opaqueShader);
            draw(bgQuad);
            // Sprites: blend mode 1 on an alpha-channel graphic.
            dev->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
            dev->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
            dev->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
            dev->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
            dev->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATER);
            dev->SetRenderState(D3DRS_ALPHAREF, 0);
            dev->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
            dev->SetTexture(0, sprite);
            if (shaders) dev->SetPixelShader(alphaShader);
            draw(sprites);
            // The off-screen onto the back buffer, 2x bilinear.
            dev->SetRenderTarget(0, back);
            dev->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
            dev->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
            dev->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG2);
            dev->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
            dev->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
            dev->SetTexture(0, offscreen);
            if (shaders) dev->SetPixelShader(opaqueShader);
            draw(upQuad);
            dev->SetTexture(0, nullptr);
            dev->SetPixelShader(nullptr);
            dev->EndScene();
            failures += dev->Present(nullptr, nullptr, nullptr, nullptr) != D3D_OK;
            // The lower bound in the same run, outside the timed frame.
            state.PauseTiming();
            const auto boundStart = std::chrono::steady_clock::now();
            bytes.Move();
            const auto boundEnd = std::chrono::steady_clock::now();
            frameNs += std::chrono::duration<double, std::nano>(boundStart - frameStart).count();
            boundNs += std::chrono::duration<double, std::nano>(boundEnd - boundStart).count();
            state.ResumeTiming();
        }
        const double ratio = boundNs > 0 ? frameNs / boundNs : 0.0;
        state.counters["memory-bound ms"] =
            boundNs / 1e6 / double(std::max<int64_t>(1, state.iterations()));
        state.counters["frame / memory-bound"] = ratio;
        state.counters["ms/frame"] =
            benchmark::Counter(double(state.iterations()) / 1000.0,
                               benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
        state.counters["failed presents"] = double(failures);
        state.counters["failed draws"] = double(failedDraws);
        // The counter reads in ms despite its "s" suffix (an inverted rate).
        state.SetLabel(std::string(shaders ? "shaders on, " : "shaders off, ") +
                       (ratio <= 2.0 ? "frame / memory-bound <= 2.0: aim met"
                                     : "frame / memory-bound <= 2.0: aim not met"));
    }
    if (alphaShader) alphaShader->Release();
    if (opaqueShader) opaqueShader->Release();
    if (back) back->Release();
    if (offSurface) offSurface->Release();
    if (offscreen) offscreen->Release();
    if (sprite) sprite->Release();
    if (background) background->Release();
    dev->Release();
    d3d->Release();
    DestroyWindow(window);
}

BENCHMARK(BM_OpaquePointSprites32)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AlphaBlendedSprites32)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BilinearStretch2x800x600)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TypicalFrame)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CrossFadeOverFill)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BlurPass16Kernel)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HsbPassesKernel)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BlendGraphicKernel)->Arg(1)->Arg(2)->Arg(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TypicalFrameThroughDevice)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
