// The texture stage cascade against a floating-point reference: every op,
// argument and modifier on fixed pixel values.
#include <cmath>

#include "raster_fixture.h"

namespace {

using namespace rastertest;

constexpr DWORD kFvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_SPECULAR | D3DFVF_TEX2;
constexpr uint32_t kDiffuse = 0xC8305A96u;   // a 200, r 48, g 90, b 150
constexpr uint32_t kSpecular = 0x40A01478u;  // a 64, r 160, g 20, b 120
constexpr uint32_t kTexture = 0x80F0643Cu;   // a 128, r 240, g 100, b 60
constexpr uint32_t kTexture2 = 0x3C0A8CD2u;  // a 60, r 10, g 140, b 210
constexpr uint32_t kFactor = 0x5A6E32DCu;    // a 90, r 110, g 50, b 220

// Channels as doubles 0..255 in the order r, g, b, a.
struct F4 {
    double c[4];
};

F4 ToF4(uint32_t argb) {
    return F4{{double((argb >> 16) & 255), double((argb >> 8) & 255), double(argb & 255),
               double(argb >> 24)}};
}

double R(double v) {
    return std::min(255.0, std::max(0.0, std::floor(v + 0.5)));
}

// The reference: real-valued products rounded to 8 bits after each stage.
double RefOp(DWORD op, double a1, double a2, double w) {
    switch (op) {
        case D3DTOP_SELECTARG1:
            return a1;
        case D3DTOP_SELECTARG2:
            return a2;
        case D3DTOP_MODULATE:
            return R(a1 * a2 / 255.0);
        case D3DTOP_MODULATE2X:
            return R(2.0 * a1 * a2 / 255.0);
        case D3DTOP_MODULATE4X:
            return R(4.0 * a1 * a2 / 255.0);
        case D3DTOP_ADD:
            return R(a1 + a2);
        case D3DTOP_SUBTRACT:
            return R(a1 - a2);
        default:
            return R((a1 * w + a2 * (255.0 - w)) / 255.0);
    }
}

struct StageSpec {
    DWORD colorOp, colorArg1, colorArg2, alphaOp, alphaArg1, alphaArg2;
    DWORD result = D3DTA_CURRENT;
    DWORD texCoord = 0;
};

struct Registers {
    F4 diffuse, specular, current, temp, texture[2], tfactor;
};

F4 RefArg(DWORD arg, const Registers& r, int stage, int texIndex) {
    F4 v;
    switch (arg & D3DTA_SELECTMASK) {
        case D3DTA_DIFFUSE:
            v = r.diffuse;
            break;
        case D3DTA_CURRENT:
            v = stage == 0 ? r.diffuse : r.current;
            break;
        case D3DTA_TEXTURE:
            v = r.texture[texIndex];
            break;
        case D3DTA_TFACTOR:
            v = r.tfactor;
            break;
        case D3DTA_SPECULAR:
            v = r.specular;
            break;
        default:
            v = r.temp;
            break;
    }
    if (arg & D3DTA_COMPLEMENT)
        for (double& x : v.c) x = 255.0 - x;
    if (arg & D3DTA_ALPHAREPLICATE) v.c[0] = v.c[1] = v.c[2] = v.c[3];
    return v;
}

double RefWeight(DWORD op, const Registers& r, int stage) {
    if (op == D3DTOP_BLENDDIFFUSEALPHA) return r.diffuse.c[3];
    if (op == D3DTOP_BLENDFACTORALPHA) return r.tfactor.c[3];
    if (op == D3DTOP_BLENDCURRENTALPHA) return stage == 0 ? r.diffuse.c[3] : r.current.c[3];
    return 0;
}

uint32_t Reference(const std::vector<StageSpec>& stages, bool specularAdd, const uint32_t tex[2]) {
    Registers r;
    r.diffuse = ToF4(kDiffuse), r.specular = ToF4(kSpecular), r.tfactor = ToF4(kFactor);
    r.current = r.diffuse;
    r.temp = F4{{0, 0, 0, 0}};
    for (size_t i = 0; i < stages.size(); ++i) {
        const StageSpec& s = stages[i];
        if (s.colorOp == D3DTOP_DISABLE) break;
        int stage = int(i);
        r.texture[0] = ToF4(tex[s.texCoord]);
        F4 out = stage == 0 ? r.diffuse : r.current;
        F4 a1 = RefArg(s.colorArg1, r, stage, 0), a2 = RefArg(s.colorArg2, r, stage, 0);
        for (int c = 0; c < 3; ++c)
            out.c[c] = RefOp(s.colorOp, a1.c[c], a2.c[c], RefWeight(s.colorOp, r, stage));
        if (s.alphaOp != D3DTOP_DISABLE) {
            F4 b1 = RefArg(s.alphaArg1, r, stage, 0), b2 = RefArg(s.alphaArg2, r, stage, 0);
            out.c[3] = RefOp(s.alphaOp, b1.c[3], b2.c[3], RefWeight(s.alphaOp, r, stage));
        }
        if (stage == 0) r.current = r.diffuse;
        (s.result == D3DTA_TEMP ? r.temp : r.current) = out;
    }
    F4 o = r.current;
    if (specularAdd)
        for (int c = 0; c < 3; ++c) o.c[c] = R(o.c[c] + r.specular.c[c]);
    return Argb(int(o.c[3]), int(o.c[0]), int(o.c[1]), int(o.c[2]));
}

// Draws one pixel through the stages with a 1 x 1 texture per coordinate set.
uint32_t Draw(const std::vector<StageSpec>& stages, bool specularAdd, uint32_t* textures,
              uint32_t specular = kSpecular) {
    OwnedTexture t0(1, 1, kFormatA8R8G8B8), t1(1, 1, kFormatA8R8G8B8);
    t0.levels[0].Set(0, 0, textures[0]);
    t1.levels[0].Set(0, 0, textures[1]);
    OwnedSurface target(2, 2, kFormatA8R8G8B8);
    RasterState s = StateFor(target.surface, kFvf);
    s.render[D3DRS_TEXTUREFACTOR] = kFactor;
    s.render[D3DRS_SPECULARENABLE] = specularAdd;
    for (size_t i = 0; i < stages.size(); ++i) {
        DWORD* st = s.stage[i];
        st[D3DTSS_COLOROP] = stages[i].colorOp;
        st[D3DTSS_COLORARG1] = stages[i].colorArg1;
        st[D3DTSS_COLORARG2] = stages[i].colorArg2;
        st[D3DTSS_ALPHAOP] = stages[i].alphaOp;
        st[D3DTSS_ALPHAARG1] = stages[i].alphaArg1;
        st[D3DTSS_ALPHAARG2] = stages[i].alphaArg2;
        st[D3DTSS_RESULTARG] = stages[i].result;
        st[D3DTSS_TEXCOORDINDEX] = stages[i].texCoord;
        s.textures[i] = stages[i].texCoord == 0 ? &t0.texture : &t1.texture;
    }
    if (stages.size() < 8) s.stage[stages.size()][D3DTSS_COLOROP] = D3DTOP_DISABLE;
    std::vector<V2DTex2> v(6);
    float xs[6] = {-0.5f, 1.5f, -0.5f, 1.5f, -0.5f, 1.5f},
          ys[6] = {-0.5f, -0.5f, 1.5f, 1.5f, 1.5f, -0.5f};
    for (int i = 0; i < 6; ++i)
        v[i] = {xs[i], ys[i], 0, 1, kDiffuse, specular, 0.5f, 0.5f, 0.5f, 0.5f};
    EXPECT_EQ(DrawList(s, v).hr, S_OK);
    return target.Get(1, 1);
}

void Check(const std::vector<StageSpec>& stages, bool specularAdd = false) {
    uint32_t tex[2] = {kTexture, kTexture2};
    EXPECT_EQ(Draw(stages, specularAdd, tex), Reference(stages, specularAdd, tex));
}

constexpr DWORD kOps[] = {D3DTOP_SELECTARG1,       D3DTOP_SELECTARG2,
                          D3DTOP_MODULATE,         D3DTOP_MODULATE2X,
                          D3DTOP_MODULATE4X,       D3DTOP_ADD,
                          D3DTOP_SUBTRACT,         D3DTOP_BLENDDIFFUSEALPHA,
                          D3DTOP_BLENDFACTORALPHA, D3DTOP_BLENDCURRENTALPHA};
constexpr DWORD kArgs[] = {D3DTA_DIFFUSE, D3DTA_CURRENT,  D3DTA_TEXTURE,
                           D3DTA_TFACTOR, D3DTA_SPECULAR, D3DTA_TEMP};
constexpr DWORD kModifiers[] = {0, D3DTA_COMPLEMENT, D3DTA_ALPHAREPLICATE,
                                D3DTA_COMPLEMENT | D3DTA_ALPHAREPLICATE};

TEST(RasterTextureStages, EveryOperationOnColourAndAlpha) {
    for (DWORD op : kOps) {
        SCOPED_TRACE(op);
        Check({{op, D3DTA_TEXTURE, D3DTA_DIFFUSE, op, D3DTA_TEXTURE, D3DTA_DIFFUSE}});
        Check({{op, D3DTA_TFACTOR, D3DTA_SPECULAR, op, D3DTA_SPECULAR, D3DTA_TFACTOR}});
        // On a second stage CURRENT is the first stage's result.
        Check({{D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_ADD, D3DTA_TEXTURE,
                D3DTA_DIFFUSE},
               {op, D3DTA_CURRENT, D3DTA_TEXTURE, op, D3DTA_TEXTURE, D3DTA_CURRENT, D3DTA_CURRENT,
                1}});
    }
}

TEST(RasterTextureStages, EveryArgumentWithEveryModifier) {
    for (DWORD arg : kArgs)
        for (DWORD mod : kModifiers) {
            SCOPED_TRACE(arg | mod);
            Check({{D3DTOP_SELECTARG1, arg | mod, D3DTA_DIFFUSE, D3DTOP_SELECTARG1, arg | mod,
                    D3DTA_DIFFUSE}});
            Check({{D3DTOP_ADD, D3DTA_TEXTURE, D3DTA_TEXTURE, D3DTOP_SUBTRACT, D3DTA_TFACTOR,
                    D3DTA_DIFFUSE},
                   {D3DTOP_MODULATE, arg | mod, D3DTA_CURRENT, D3DTOP_MODULATE, D3DTA_CURRENT,
                    arg | mod}});
        }
}

TEST(RasterTextureStages, EngineStageListsByHand) {
    uint32_t tex[2] = {kTexture, kTexture2};
    // Inverted texture colour (blend mode 10): 255 - (240, 100, 60).
    uint32_t inv = Draw({{D3DTOP_SELECTARG1, D3DTA_TEXTURE | D3DTA_COMPLEMENT, D3DTA_DIFFUSE,
                          D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTA_DIFFUSE}},
                        false, tex);
    EXPECT_EQ(inv, Argb(128, 15, 155, 195));
    // Colour times four (modes 12 and 13): 4 * 240 * 48 / 255 = 180.7 -> 181;
    // 4 * 100 * 90 / 255 = 141.2 -> 141; 4 * 60 * 150 / 255 = 141.2 -> 141.
    uint32_t x4 = Draw({{D3DTOP_MODULATE4X, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_MODULATE,
                         D3DTA_TEXTURE, D3DTA_DIFFUSE}},
                       false, tex);
    EXPECT_EQ(x4, Argb(100, 181, 141, 141));  // alpha 128 * 200 / 255 = 100.4
    // Cross-fade: stage 1 weighs the blend graphic (stage 0) by the factor's
    // alpha 90: r = (240 * 90 + 10 * 165) / 255 = 91.2 -> 91.
    uint32_t fade =
        Draw({{D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_SELECTARG1, D3DTA_TEXTURE,
               D3DTA_DIFFUSE},
              {D3DTOP_BLENDFACTORALPHA, D3DTA_CURRENT, D3DTA_TEXTURE, D3DTOP_BLENDFACTORALPHA,
               D3DTA_CURRENT, D3DTA_TEXTURE, D3DTA_CURRENT, 1}},
             false, tex);
    EXPECT_EQ((fade >> 16) & 255, 91u);
    // Alpha: (128 * 90 + 60 * 165) / 255 = 84.0 -> 84.
    EXPECT_EQ(fade >> 24, 84u);
}

TEST(RasterTextureStages, TemporaryRegisterThroughResultArgument) {
    // Stage 0 puts the texture in TEMP, stage 1 selects diffuse into
    // CURRENT, stage 2 multiplies the two.
    std::vector<StageSpec> stages = {
        {D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_SELECTARG1, D3DTA_TEXTURE,
         D3DTA_DIFFUSE, D3DTA_TEMP},
        {D3DTOP_SELECTARG1, D3DTA_DIFFUSE, D3DTA_DIFFUSE, D3DTOP_SELECTARG1, D3DTA_DIFFUSE,
         D3DTA_DIFFUSE},
        {D3DTOP_MODULATE, D3DTA_CURRENT, D3DTA_TEMP, D3DTOP_MODULATE, D3DTA_CURRENT, D3DTA_TEMP}};
    Check(stages);
    uint32_t tex[2] = {kTexture, kTexture2};
    // r = 48 * 240 / 255 = 45.2 -> 45.
    EXPECT_EQ((Draw(stages, false, tex) >> 16) & 255, 45u);
    // TEMP starts each pixel at 0.
    uint32_t zero = Draw({{D3DTOP_SELECTARG1, D3DTA_TEMP, D3DTA_DIFFUSE, D3DTOP_SELECTARG1,
                           D3DTA_TEMP, D3DTA_DIFFUSE}},
                         false, tex);
    EXPECT_EQ(zero, 0u);
}

TEST(RasterTextureStages, DisableEndsTheCascadeAndSpecularIsAddedLast) {
    uint32_t tex[2] = {kTexture, kTexture2};
    std::vector<StageSpec> stages = {{D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTA_DIFFUSE,
                                      D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTA_DIFFUSE},
                                     {D3DTOP_DISABLE, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_DISABLE,
                                      D3DTA_TEXTURE, D3DTA_DIFFUSE},
                                     {D3DTOP_SELECTARG1, D3DTA_TFACTOR, D3DTA_DIFFUSE,
                                      D3DTOP_SELECTARG1, D3DTA_TFACTOR, D3DTA_DIFFUSE}};
    EXPECT_EQ(Draw(stages, false, tex), kTexture);
    // Colour DISABLE on stage 0: the diffuse colour passes.
    EXPECT_EQ(Draw({stages[1]}, false, tex), kDiffuse);
    // Alpha DISABLE on an enabled stage keeps the incoming alpha.
    EXPECT_EQ(
        Draw({{D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_DISABLE, 0, 0}}, false, tex),
        (kTexture & 0xFFFFFFu) | (kDiffuse & 0xFF000000u));
    // Specular: (240 + 160, 100 + 20, 60 + 120) saturated, alpha untouched.
    EXPECT_EQ(Draw({stages[0]}, true, tex), Argb(128, 255, 120, 180));
    Check({stages[0]}, true);
    // The engine's two-texture vertices carry specular white: with the add
    // left on, the pixel is white.
    EXPECT_EQ(Draw({stages[0]}, true, tex, 0xFFFFFFFFu), Argb(128, 255, 255, 255));
    EXPECT_EQ(Draw({stages[0]}, false, tex, 0xFFFFFFFFu), kTexture);
}

}  // namespace
