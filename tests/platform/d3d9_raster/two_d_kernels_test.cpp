// The 2D draw kernels against the fixed-function stage set-ups the engine
// uses for the same draws: each pixel within 1 per channel, before alpha
// test and blending (both off), plus pixels worked out by hand.
#include <cstdio>
#include <functional>

#include "raster_fixture.h"

namespace {

using namespace rastertest;
using platform::d3d9::FindShaderKernel;
using platform::d3d9::ShaderKernel;

constexpr DWORD kFvfTex2 = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_SPECULAR | D3DFVF_TEX2;
constexpr DWORD kTex = D3DTA_TEXTURE, kDif = D3DTA_DIFFUSE, kCur = D3DTA_CURRENT,
                kFac = D3DTA_TFACTOR, kSpec = D3DTA_SPECULAR, kInv = D3DTA_COMPLEMENT;

struct Stage {
    int coords;
    DWORD colorOp, colorArg1, colorArg2, alphaOp, alphaArg1, alphaArg2;
    int texture;  // 0 none, 1 the drawn graphic, 2 the blend graphic
};

class Raster2DKernels : public ::testing::Test {
  protected:
    OwnedSurface target{8, 8, kFormatA8R8G8B8};
    OwnedTexture drawn{8, 8, kFormatA8R8G8B8};
    OwnedTexture blend{8, 8, kFormatA8R8G8B8};
    float c[224][4] = {};
    int b[16] = {};

    void SetUp() override {
        platform::d3d9::RegisterPackageShaderKernels();
        Paint(false);
    }
    // Texels of every colour; an alpha-test graphic's alpha is 0 or 255.
    void Paint(bool alphaTest) {
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x) {
                const int a = alphaTest ? ((x + y) % 3 ? 255 : 0) : (x * 37 + y * 71) % 256;
                drawn.levels[0].Set(x, y,
                                    Argb(a, (x * 53 + y * 11) % 256, (x * 7 + y * 29) % 256,
                                         (x * 97 + y * 3) % 256));
                blend.levels[0].Set(x, y,
                                    Argb((x * 31 + y * 17) % 256, (y * 40) % 256, (x * 40) % 256,
                                         (x * y * 9) % 256));
            }
    }
    std::vector<V2DTex2> Quad(uint32_t diffuse, uint32_t specular) {
        std::vector<V2DTex2> v;
        for (auto [u, t] :
             std::vector<std::pair<float, float>>{{0, 0}, {1, 0}, {0, 1}, {1, 1}, {0, 1}, {1, 0}})
            v.push_back({u * 8 - 0.5f, t * 8 - 0.5f, 0, 1, diffuse, specular, u, t, u, t});
        return v;
    }
    RasterState Base(OwnedSurface& out) {
        out.Fill(0);
        RasterState s = StateFor(out.surface, kFvfTex2);
        for (int i = 0; i < 8; ++i)
            s.sampler[i][D3DSAMP_ADDRESSU] = s.sampler[i][D3DSAMP_ADDRESSV] = D3DTADDRESS_CLAMP;
        return s;
    }
    // The kernel's pixels; textures bound as the engine binds them with
    // shaders (the drawn graphic on `drawnStage`, the blend one on the other).
    void Kernel(const std::string& name, int drawnStage, uint32_t diffuse, uint32_t specular,
                OwnedSurface& out) {
        RasterState s = Base(out);
        const ShaderKernel* k = FindShaderKernel(name, false);
        ASSERT_NE(k, nullptr) << name;
        s.pixelKernel = k;
        s.pixelConstF = c;
        s.pixelConstB = b;
        s.textures[drawnStage] = &drawn.texture;
        s.textures[1 - drawnStage] = &blend.texture;
        ASSERT_EQ(DrawList(s, Quad(diffuse, specular)).hr, S_OK);
    }
    void Fixed(const std::vector<Stage>& stages, uint32_t factor, uint32_t diffuse,
               uint32_t specular, OwnedSurface& out) {
        RasterState s = Base(out);
        s.render[D3DRS_TEXTUREFACTOR] = factor;
        for (size_t i = 0; i < stages.size(); ++i) {
            const Stage& st = stages[i];
            DWORD* t = s.stage[i];
            t[D3DTSS_TEXCOORDINDEX] = DWORD(st.coords);
            t[D3DTSS_COLOROP] = st.colorOp, t[D3DTSS_COLORARG1] = st.colorArg1,
            t[D3DTSS_COLORARG2] = st.colorArg2;
            t[D3DTSS_ALPHAOP] = st.alphaOp, t[D3DTSS_ALPHAARG1] = st.alphaArg1,
            t[D3DTSS_ALPHAARG2] = st.alphaArg2;
            s.textures[i] = st.texture == 1   ? &drawn.texture
                            : st.texture == 2 ? &blend.texture
                                              : nullptr;
        }
        s.stage[stages.size()][D3DTSS_COLOROP] = D3DTOP_DISABLE;
        s.stage[stages.size()][D3DTSS_ALPHAOP] = D3DTOP_DISABLE;
        ASSERT_EQ(DrawList(s, Quad(diffuse, specular)).hr, S_OK);
    }
    void SetFactor(uint32_t argb) {
        for (int i = 0; i < 4; ++i)
            c[5][i] = float((argb >> (i == 3 ? 24 : 16 - 8 * i)) & 255) / 255.0f;
    }
    static int MaxDifference(const OwnedSurface& a, const OwnedSurface& b) {
        int worst = 0;
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x)
                for (int shift = 0; shift < 32; shift += 8)
                    worst = std::max(worst, std::abs(int(a.Get(x, y) >> shift & 255) -
                                                     int(b.Get(x, y) >> shift & 255)));
        return worst;
    }
};

struct DiffuseRow {
    const char* name;
    uint32_t colour;
};
const DiffuseRow kDiffuse[] = {{"white", 0xFFFFFFFF},
                               {"brightness (128, 200, 64)", Argb(255, 128, 200, 64)},
                               {"faded white", Argb(100, 255, 255, 255)},
                               {"faded brightness", Argb(100, 128, 200, 64)}};

// The drawn graphic's colour stage of a kind: its texel (complemented for
// kind 2) times `with` when the diffuse colour is not white, four times for
// kind 3.
Stage DrawnColour(int kind, bool dc, DWORD with, Stage s) {
    s.colorArg1 = kind == 2 ? kTex | kInv : kTex;
    s.colorArg2 = with;
    s.colorOp = kind == 3 ? D3DTOP_MODULATE4X : dc ? D3DTOP_MODULATE : D3DTOP_SELECTARG1;
    return s;
}

Stage DiffuseStage(int kind) {
    return Stage{0,
                 DWORD(kind == 3 ? D3DTOP_MODULATE4X : D3DTOP_MODULATE),
                 kCur,
                 kDif,
                 D3DTOP_MODULATE,
                 kCur,
                 kDif,
                 0};
}

TEST_F(Raster2DKernels, ShapesWithoutATexture) {
    OwnedSurface k{8, 8, kFormatA8R8G8B8}, f{8, 8, kFormatA8R8G8B8};
    OwnedTexture white{8, 8, kFormatA8R8G8B8};
    white.levels[0].Fill(0xFFFFFFFF);
    for (int kind = 0; kind < 4; ++kind)
        for (const DiffuseRow& d : kDiffuse) {
            SCOPED_TRACE(std::to_string(kind) + " " + d.name);
            SetFactor(kind == 1 ? 0xFFFFFFFF : 0x80402010);
            Kernel("ps_nonetex_type" + std::to_string(kind) + ".pso", 0, d.colour, 0, k);
            const Stage stages[4] = {
                {0, D3DTOP_SELECTARG2, kTex, kDif, D3DTOP_SELECTARG2, kTex, kDif, 0},
                {0, D3DTOP_BLENDDIFFUSEALPHA, kDif, kFac, D3DTOP_SELECTARG2, kTex, kDif, 0},
                {0, D3DTOP_SELECTARG1, kDif | kInv, kDif, D3DTOP_SELECTARG2, kTex, kDif, 0},
                {0, D3DTOP_MODULATE4X, kDif, kTex, D3DTOP_SELECTARG2, kTex, kDif, 1}};
            OwnedTexture saved = drawn;
            if (kind == 3) drawn = white;  // the engine's white graphic
            drawn.Sync();
            Fixed({stages[kind]}, kind == 1 ? 0xFFFFFFFF : 0x80402010, d.colour, 0, f);
            drawn = saved;
            drawn.Sync();
            EXPECT_LE(MaxDifference(k, f), 1);
        }
    // By hand: kind 1 fades (100, 50, 0) at alpha 128 toward white:
    // (100 x 128 + 255 x 127) / 255 = 177.2; kind 3 multiplies by four.
    SetFactor(0xFFFFFFFF);
    Kernel("ps_nonetex_type1.pso", 0, Argb(128, 100, 50, 0), 0, k);
    EXPECT_EQ(k.Get(3, 3), Argb(128, 177, 152, 127));
    Kernel("ps_nonetex_type3.pso", 0, Argb(128, 100, 50, 10), 0, k);
    EXPECT_EQ(k.Get(3, 3), Argb(128, 255, 200, 40));
}

TEST_F(Raster2DKernels, OneTextureEveryKindFlagAndAlphaSource) {
    OwnedSurface k{8, 8, kFormatA8R8G8B8}, f{8, 8, kFormatA8R8G8B8};
    const uint32_t factor = 0xC0306090;
    for (int source = 0; source < 3; ++source) {
        Paint(source == 2);
        for (int kind = 0; kind < 4; ++kind)
            for (int replace = 0; replace < 2; ++replace)
                for (const DiffuseRow& d : kDiffuse) {
                    const bool dc = (d.colour & 0xFFFFFF) != 0xFFFFFF, da = d.colour >> 24 != 255;
                    char name[64];
                    std::snprintf(name, sizeof name, "ps_blend0_type%d_igcolor%d_igtalpha%d.pso",
                                  kind, replace, source == 0);
                    SCOPED_TRACE(std::string(name) + " alpha source " + std::to_string(source) +
                                 " " + d.name);
                    const uint32_t used = kind == 1 ? 0xFFFFFFFF : factor;
                    SetFactor(used);
                    Kernel(name, 0, d.colour, 0, k);
                    Stage s0 = DrawnColour(kind, dc, kDif, Stage{0, 0, 0, 0, 0, kTex, kDif, 1});
                    if (replace) s0.colorArg1 = (s0.colorArg1 & kInv) | kFac;
                    s0.alphaOp = source == 0 ? D3DTOP_SELECTARG2
                                 : da        ? D3DTOP_MODULATE
                                             : D3DTOP_SELECTARG1;
                    std::vector<Stage> stages = {s0};
                    if (kind == 1)
                        stages.push_back({1, D3DTOP_BLENDCURRENTALPHA, kCur, kFac,
                                          D3DTOP_SELECTARG1, kCur, kFac, 0});
                    Fixed(stages, used, d.colour, 0, f);
                    EXPECT_LE(MaxDifference(k, f), 1);
                }
    }
    // By hand: (200, 100, 50) under brightness (128, 200, 64):
    // 200 x 128 / 255 = 100.4, 100 x 200 / 255 = 78.4, 50 x 64 / 255 = 12.5.
    drawn.levels[0].Fill(Argb(255, 200, 100, 50));
    Kernel("ps_blend0_type0_igcolor0_igtalpha1.pso", 0, Argb(255, 128, 200, 64), 0, k);
    EXPECT_EQ(k.Get(2, 5), Argb(255, 100, 78, 13));
}

TEST_F(Raster2DKernels, CrossFadeAtEachBlendParameter) {
    OwnedSurface k{8, 8, kFormatA8R8G8B8}, f{8, 8, kFormatA8R8G8B8};
    for (int parameter : {0, 128, 255})
        for (int kind : {0, 2, 3})
            for (const DiffuseRow& d : kDiffuse) {
                const bool dc = (d.colour & 0xFFFFFF) != 0xFFFFFF, da = d.colour >> 24 != 255;
                SCOPED_TRACE(std::to_string(parameter) + " kind " + std::to_string(kind) + " " +
                             d.name);
                SetFactor(uint32_t(parameter) << 24);
                Kernel("ps_blend1_type" + std::to_string(kind) + "_igcolor0_igtalpha0.pso", 1,
                       d.colour, 0, k);
                std::vector<Stage> stages = {
                    {0, D3DTOP_SELECTARG1, kTex, kDif, D3DTOP_SELECTARG1, kTex, kDif, 2},
                    {1, D3DTOP_BLENDFACTORALPHA, kCur, kind == 2 ? kTex | kInv : kTex,
                     D3DTOP_BLENDFACTORALPHA, kCur, kTex, 1}};
                if (dc || da || kind == 3) stages.push_back(DiffuseStage(kind));
                Fixed(stages, uint32_t(parameter) << 24, d.colour, 0, f);
                EXPECT_LE(MaxDifference(k, f), 1);
            }
    // By hand: black blend graphic, white drawn one, halfway: 255 x 127 / 255.
    blend.levels[0].Fill(0xFF000000);
    drawn.levels[0].Fill(0xFFFFFFFF);
    SetFactor(128u << 24);
    Kernel("ps_blend1_type0_igcolor0_igtalpha0.pso", 1, 0xFFFFFFFF, 0, k);
    EXPECT_EQ(k.Get(4, 4), Argb(255, 127, 127, 127));
}

// The wipe's factor and alpha operations as the engine derives them from
// the threshold and range; with shaders c5 = (0, 0, scale, +-a / 255).
struct WipeFactor {
    uint32_t factor;
    DWORD op0, op1;
    float c5[4];
};

WipeFactor DeriveWipe(int t, int r) {
    if (r < 2) return {0x00FFFFFF, D3DTOP_ADD, D3DTOP_MODULATE, {1, 1, 1, 0}};
    const int scale = r <= 64 ? 1280 : r <= 128 ? 768 : 512;
    const int f = scale == 1280 ? 64 : scale == 768 ? 128 : 255;
    const float multiplier = scale == 1280 ? 4.0f : scale == 768 ? 2.0f : 1.0f;
    const DWORD op1 = scale == 1280  ? D3DTOP_MODULATE4X
                      : scale == 768 ? D3DTOP_MODULATE2X
                                     : D3DTOP_MODULATE;
    const int v = scale - t * scale / 255;
    if (v < scale - 256) {
        const int a = 255 - v * 255 / (scale - 256);
        return {uint32_t(a) << 24, D3DTOP_SUBTRACT, op1, {0, 0, multiplier, -a / 255.0f}};
    }
    const int a = (v - (scale - 256)) * f / 256;
    return {uint32_t(a) << 24, D3DTOP_ADD, op1, {0, 0, multiplier, a / 255.0f}};
}

TEST_F(Raster2DKernels, ThresholdWipeAtEachThresholdAndRange) {
    OwnedSurface k{8, 8, kFormatA8R8G8B8}, f{8, 8, kFormatA8R8G8B8};
    const uint32_t specular = 0xFF000000;  // the wipe's vertices carry an opaque specular alpha
    for (int source = 0; source < 3; ++source) {
        Paint(source == 2);
        for (int t : {0, 100, 254})
            for (int r : {0, 64, 128, 200})
                for (int kind : {0, 2, 3})
                    for (const DiffuseRow& d : {kDiffuse[0], kDiffuse[3]}) {
                        const bool dc = (d.colour & 0xFFFFFF) != 0xFFFFFF,
                                   da = d.colour >> 24 != 255;
                        SCOPED_TRACE("source " + std::to_string(source) + " t " +
                                     std::to_string(t) + " r " + std::to_string(r) + " kind " +
                                     std::to_string(kind) + " " + d.name);
                        const WipeFactor w = DeriveWipe(t, r);
                        for (int i = 0; i < 4; ++i) c[5][i] = w.c5[i];
                        Kernel("ps_blend2_type" + std::to_string(kind) + "_igcolor0_igtalpha" +
                                   std::to_string(source == 0) + ".pso",
                               1, d.colour, specular, k);
                        std::vector<Stage> stages = {
                            {0, D3DTOP_SELECTARG2, kTex, kDif, w.op0, kTex, kFac, 2}};
                        if (source == 0) {
                            stages.push_back(DrawnColour(kind, dc, kDif,
                                                         Stage{1, 0, 0, 0, w.op1, kCur, kDif, 1}));
                        } else {
                            if (source == 1)
                                stages.push_back(
                                    {1, D3DTOP_SELECTARG1, kCur, kDif, w.op1, kSpec, kCur, 0});
                            const DWORD alphaOp = source == 1 ? DWORD(D3DTOP_MODULATE) : w.op1;
                            stages.push_back(DrawnColour(
                                kind, dc, kCur, Stage{1, 0, 0, 0, alphaOp, kTex, kCur, 1}));
                            if (da)
                                stages.push_back({0, D3DTOP_SELECTARG1, kCur, kDif, D3DTOP_MODULATE,
                                                  kCur, kDif, 0});
                        }
                        Fixed(stages, w.factor, d.colour, specular, f);
                        EXPECT_LE(MaxDifference(k, f), 1);
                    }
    }
    // By hand: blend alpha 100 moved up by a = 60, times four, times an
    // opaque drawn graphic: 160 x 4 saturates.
    blend.levels[0].Fill(Argb(100, 0, 0, 0));
    drawn.levels[0].Fill(Argb(255, 10, 20, 30));
    const float up[4] = {0, 0, 4, 60 / 255.0f};
    for (int i = 0; i < 4; ++i) c[5][i] = up[i];
    Kernel("ps_blend2_type0_igcolor0_igtalpha1.pso", 1, 0xFFFFFFFF, specular, k);
    EXPECT_EQ(k.Get(1, 6), Argb(255, 10, 20, 30));
    c[5][3] = -60 / 255.0f;  // down: 40 x 4 = 160
    Kernel("ps_blend2_type0_igcolor0_igtalpha1.pso", 1, 0xFFFFFFFF, specular, k);
    EXPECT_EQ(k.Get(1, 6), Argb(160, 10, 20, 30));
}

TEST_F(Raster2DKernels, AlphaMaskLayout) {
    OwnedSurface k{8, 8, kFormatA8R8G8B8}, f{8, 8, kFormatA8R8G8B8};
    for (int kind : {0, 2, 3})
        for (const DiffuseRow& d : kDiffuse) {
            const bool dc = (d.colour & 0xFFFFFF) != 0xFFFFFF, da = d.colour >> 24 != 255;
            SCOPED_TRACE("kind " + std::to_string(kind) + " " + d.name);
            SetFactor(0xFFFFFFFF);
            Kernel("ps_blend3_type" + std::to_string(kind) + "_igcolor0_igtalpha0.pso", 0, d.colour,
                   0, k);
            std::vector<Stage> stages = {
                DrawnColour(kind == 3 ? 0 : kind, false, kDif,
                            Stage{1, 0, 0, 0, D3DTOP_SELECTARG1, kTex, kDif, 1}),
                {0, D3DTOP_SELECTARG1, kCur, kDif, D3DTOP_MODULATE, kCur, kTex, 2}};
            if (dc || da || kind == 3) stages.push_back(DiffuseStage(kind));
            Fixed(stages, 0xFFFFFFFF, d.colour, 0, f);
            EXPECT_LE(MaxDifference(k, f), 1);
        }
}

TEST_F(Raster2DKernels, MaskComposeNormalAndReversed) {
    OwnedSurface k{8, 8, kFormatA8R8G8B8}, f{8, 8, kFormatA8R8G8B8};
    for (int reversed = 0; reversed < 2; ++reversed) {
        SCOPED_TRACE(reversed ? "reversed" : "normal");
        c[5][0] = float(reversed);  // the engine's reversed flag
        // The screen is the drawn graphic on sampler 0, the mask sampler 1;
        // both read coordinate set 0.
        Kernel("ps_mask_blend.pso", 0, 0xFFFFFFFF, 0, k);
        const DWORD maskAlpha = reversed ? kTex : kTex | kInv;
        Fixed({{0, D3DTOP_SELECTARG1, kTex, kDif, D3DTOP_SELECTARG1, kTex, kDif, 1},
               {0, D3DTOP_SELECTARG1, kCur, kTex, D3DTOP_SELECTARG1, maskAlpha, kCur, 2}},
              0xFFFFFFFF, 0xFFFFFFFF, 0, f);
        EXPECT_EQ(MaxDifference(k, f), 0);
    }
}

}  // namespace
