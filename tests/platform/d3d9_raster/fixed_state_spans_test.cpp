// The specialised span loops against the generic path, byte for byte, for
// every state the engine's blend-mode table produces.
#include <functional>
#include <random>

#include "../../../platform/d3d9/raster/blending.h"
#include "../../../platform/d3d9/raster/draw_setup.h"
#include "../../../platform/d3d9/raster/sampling.h"
#include "../../../platform/d3d9/raster/span_shading.h"
#include "raster_fixture.h"

namespace {

using namespace rastertest;

constexpr DWORD kTex1 = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;
constexpr DWORD kPlain = D3DFVF_XYZRHW | D3DFVF_DIFFUSE;

struct ModeRow {
    int on;  // 0 off, 1 on, 2 on with factors left as they are
    DWORD src, dst, op;
    int kind;
};

// Blend modes 0 to 16, mode 3 as on a device with blend operations.
const ModeRow kModes[17] = {
    {0, 0, 0, D3DBLENDOP_ADD, 0},
    {1, D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA, D3DBLENDOP_ADD, 0},
    {1, D3DBLEND_SRCALPHA, D3DBLEND_ONE, D3DBLENDOP_ADD, 0},
    {1, D3DBLEND_SRCALPHA, D3DBLEND_ONE, D3DBLENDOP_REVSUBTRACT, 0},
    {1, D3DBLEND_ZERO, D3DBLEND_SRCCOLOR, D3DBLENDOP_ADD, 0},
    {1, D3DBLEND_SRCALPHA, D3DBLEND_ONE, D3DBLENDOP_ADD, 0},
    {0, 0, 0, D3DBLENDOP_ADD, 0},
    {2, 0, 0, D3DBLENDOP_ADD, 0},
    {1, D3DBLEND_ZERO, D3DBLEND_ONE, D3DBLENDOP_ADD, 0},
    {1, D3DBLEND_INVDESTCOLOR, D3DBLEND_ZERO, D3DBLENDOP_ADD, 0},
    {1, D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA, D3DBLENDOP_ADD, 2},
    {1, D3DBLEND_ZERO, D3DBLEND_SRCCOLOR, D3DBLENDOP_ADD, 1},
    {1, D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA, D3DBLENDOP_ADD, 3},
    {1, D3DBLEND_SRCALPHA, D3DBLEND_ONE, D3DBLENDOP_ADD, 3},
    {1, D3DBLEND_ONE, D3DBLEND_ZERO, D3DBLENDOP_ADD, 0},
    {1, D3DBLEND_ONE, D3DBLEND_INVSRCALPHA, D3DBLENDOP_ADD, 0},
    {1, D3DBLEND_SRCALPHA, D3DBLEND_ONE, D3DBLENDOP_REVSUBTRACT, 0},
};

// The state a textured draw gets for (mode, alpha source, brightness).
void ApplyDrawState(RasterState& s, int mode, int alphaSource, bool brightness, bool textured) {
    const ModeRow& m = kModes[mode];
    bool blending = m.on != 0;
    bool diffuseColour = brightness, diffuseAlpha = mode != 0;
    DWORD* st = s.stage[0];
    if (!textured) {
        st[D3DTSS_COLOROP] = D3DTOP_SELECTARG2;
        st[D3DTSS_COLORARG2] = D3DTA_DIFFUSE;
        st[D3DTSS_ALPHAOP] = D3DTOP_SELECTARG2;
        st[D3DTSS_ALPHAARG2] = D3DTA_DIFFUSE;
    } else {
        DWORD texArg = m.kind == 2 ? (D3DTA_TEXTURE | D3DTA_COMPLEMENT) : D3DTA_TEXTURE;
        st[D3DTSS_COLORARG1] = texArg;
        st[D3DTSS_COLORARG2] = D3DTA_DIFFUSE;
        st[D3DTSS_COLOROP] = m.kind == 3     ? D3DTOP_MODULATE4X
                             : diffuseColour ? D3DTOP_MODULATE
                                             : D3DTOP_SELECTARG1;
        st[D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
        st[D3DTSS_ALPHAARG2] = D3DTA_DIFFUSE;
        st[D3DTSS_ALPHAOP] = alphaSource == 0 ? D3DTOP_SELECTARG2
                             : diffuseAlpha   ? D3DTOP_MODULATE
                                              : D3DTOP_SELECTARG1;
        if (m.kind == 1) {
            DWORD* s1 = s.stage[1];
            s1[D3DTSS_COLOROP] = D3DTOP_BLENDCURRENTALPHA;
            s1[D3DTSS_COLORARG1] = D3DTA_CURRENT;
            s1[D3DTSS_COLORARG2] = D3DTA_TFACTOR;
            s1[D3DTSS_ALPHAOP] = D3DTOP_SELECTARG1;
            s1[D3DTSS_ALPHAARG1] = D3DTA_CURRENT;
            s1[D3DTSS_TEXCOORDINDEX] = 0;
            s.render[D3DRS_TEXTUREFACTOR] = 0xFFFFFFFFu;
        }
    }
    bool alphaGraphic = textured && alphaSource == 1;
    if (textured && alphaSource == 2) {
        s.render[D3DRS_ALPHATESTENABLE] = TRUE, s.render[D3DRS_ALPHAREF] = 16;
        s.render[D3DRS_ALPHAFUNC] = D3DCMP_GREATER;
    } else if (blending || alphaGraphic) {
        s.render[D3DRS_ALPHATESTENABLE] = TRUE, s.render[D3DRS_ALPHAREF] = 0;
        s.render[D3DRS_ALPHAFUNC] = D3DCMP_GREATER;
    }
    s.render[D3DRS_ALPHABLENDENABLE] = blending || alphaGraphic;
    if (m.on == 1) {
        s.render[D3DRS_SRCBLEND] = m.src, s.render[D3DRS_DESTBLEND] = m.dst;
        s.render[D3DRS_BLENDOP] = m.op;
    } else if (!blending && alphaGraphic) {
        s.render[D3DRS_SRCBLEND] = D3DBLEND_SRCALPHA,
        s.render[D3DRS_DESTBLEND] = D3DBLEND_INVSRCALPHA;
    }
}

class RasterSpecialisedSpans : public ::testing::Test {
  protected:
    void TearDown() override { RasterForceGenericSpans(false); }
};

// Which draws get a specialised span: the usual 2D states do, whatever
// arguments their operations do not read; anything the loops do not handle
// (other texture or target formats, wrapping, mixed or mipmapped filtering,
// other blend operations) takes the generic path.
TEST_F(RasterSpecialisedSpans, ChosenForTheStatesTheyCoverAndNoOthers) {
    struct Row {
        const char* name;
        bool special;
        uint32_t target = kFormatA8R8G8B8, texFormat = kFormatA8R8G8B8;
        bool textured = true;
        std::function<void(RasterState&)> edit = [](RasterState&) {};
    };
    auto blend = [](DWORD src, DWORD dst, DWORD op) {
        return [=](RasterState& s) {
            s.render[D3DRS_ALPHABLENDENABLE] = TRUE;
            s.render[D3DRS_SRCBLEND] = src, s.render[D3DRS_DESTBLEND] = dst;
            s.render[D3DRS_BLENDOP] = op;
        };
    };
    const Row rows[] = {
        {"sprite, texel alpha", true, kFormatA8R8G8B8, kFormatA8R8G8B8, true,
         blend(D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA, D3DBLENDOP_ADD)},
        {"additive, bilinear, X8 texture on X8", true, kFormatX8R8G8B8, kFormatX8R8G8B8, true,
         [&](RasterState& s) {
             blend(D3DBLEND_SRCALPHA, D3DBLEND_ONE, D3DBLENDOP_ADD)(s);
             s.sampler[0][D3DSAMP_MINFILTER] = s.sampler[0][D3DSAMP_MAGFILTER] = D3DTEXF_LINEAR;
         }},
        {"unread arguments differ", true, kFormatA8R8G8B8, kFormatA8R8G8B8, true,
         [](RasterState& s) {
             s.stage[0][D3DTSS_COLOROP] = s.stage[0][D3DTSS_ALPHAOP] = D3DTOP_SELECTARG1;
             s.stage[0][D3DTSS_COLORARG2] = D3DTA_SPECULAR;
             s.stage[0][D3DTSS_ALPHAARG2] = D3DTA_TFACTOR;
         }},
        {"shape on X8", true, kFormatX8R8G8B8, kFormatA8R8G8B8, false},
        {"shape, blended", true, kFormatA8R8G8B8, kFormatA8R8G8B8, false,
         blend(D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA, D3DBLENDOP_ADD)},
        {"A1R5G5B5 texture, unblended (glyphs)", true, kFormatA8R8G8B8, kFormatA1R5G5B5},
        {"A1R5G5B5 texture, blended", false, kFormatA8R8G8B8, kFormatA1R5G5B5, true,
         blend(D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA, D3DBLENDOP_ADD)},
        {"A1R5G5B5 texture, bilinear", false, kFormatA8R8G8B8, kFormatA1R5G5B5, true,
         [](RasterState& s) {
             s.sampler[0][D3DSAMP_MINFILTER] = s.sampler[0][D3DSAMP_MAGFILTER] = D3DTEXF_LINEAR;
         }},
        {"other 16-bit texture", false, kFormatA8R8G8B8, kFormatA4R4G4B4},
        {"16-bit target", false, kFormatR5G6B5, kFormatA8R8G8B8},
        {"wrapped", false, kFormatA8R8G8B8, kFormatA8R8G8B8, true,
         [](RasterState& s) { s.sampler[0][D3DSAMP_ADDRESSU] = D3DTADDRESS_WRAP; }},
        {"bilinear only when minified", false, kFormatA8R8G8B8, kFormatA8R8G8B8, true,
         [](RasterState& s) { s.sampler[0][D3DSAMP_MINFILTER] = D3DTEXF_LINEAR; }},
        {"reverse subtract", false, kFormatA8R8G8B8, kFormatA8R8G8B8, true,
         blend(D3DBLEND_SRCALPHA, D3DBLEND_ONE, D3DBLENDOP_REVSUBTRACT)},
        {"colour added", false, kFormatA8R8G8B8, kFormatA8R8G8B8, true,
         [](RasterState& s) { s.stage[0][D3DTSS_COLOROP] = D3DTOP_ADD; }},
        {"shape reading the texture factor", false, kFormatA8R8G8B8, kFormatA8R8G8B8, false,
         [](RasterState& s) { s.stage[0][D3DTSS_COLORARG2] = D3DTA_TFACTOR; }},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        OwnedTexture tex(16, 16, r.texFormat);
        OwnedSurface target(8, 8, r.target);
        RasterState s = StateFor(target.surface, r.textured ? kTex1 : kPlain);
        if (r.textured) UseTexture(s, &tex.texture, D3DTOP_MODULATE, D3DTOP_MODULATE);
        r.edit(s);
        DrawSetup setup;
        ASSERT_EQ(BuildDrawSetup(s, setup), nullptr);
        EXPECT_EQ(ChooseSpans(setup).special != nullptr, r.special);
    }
    // A mipmapped texture sampled across its levels has no specialised span;
    // with one level the mip filter changes nothing.
    for (int levels : {1, 3}) {
        OwnedTexture tex(16, 16, kFormatA8R8G8B8, levels);
        OwnedSurface target(8, 8, kFormatA8R8G8B8);
        RasterState s = StateFor(target.surface, kTex1);
        UseTexture(s, &tex.texture, D3DTOP_MODULATE, D3DTOP_MODULATE);
        s.sampler[0][D3DSAMP_MIPFILTER] = D3DTEXF_POINT;
        DrawSetup setup;
        ASSERT_EQ(BuildDrawSetup(s, setup), nullptr);
        EXPECT_EQ(ChooseSpans(setup).special != nullptr, levels == 1) << levels << " levels";
    }
}

TEST_F(RasterSpecialisedSpans, MatchTheGenericPathOnEveryEngineState) {
    std::mt19937 rng(12345);
    int specialised = 0, states = 0;
    for (uint32_t target : {kFormatA8R8G8B8, kFormatX8R8G8B8, kFormatR5G6B5})
        for (uint32_t texFormat : {kFormatA8R8G8B8, kFormatX8R8G8B8})
            for (int mode = 0; mode < 17; ++mode)
                for (int alphaSource = 0; alphaSource < 3; ++alphaSource)
                    // Brightness 2: the modulating op with a white diffuse colour.
                    for (int brightness = 0; brightness < 3; ++brightness)
                        for (DWORD filter : {D3DTEXF_POINT, D3DTEXF_LINEAR})
                            for (int textured = 0; textured < 2; ++textured) {
                                if (!textured && (alphaSource || texFormat != kFormatA8R8G8B8))
                                    continue;
                                OwnedTexture tex(16, 16, texFormat);
                                for (auto& b : tex.levels[0].bytes) b = uint8_t(rng());
                                OwnedSurface a(40, 40, target), g(40, 40, target);
                                for (auto& b : a.bytes) b = uint8_t(rng());
                                g.bytes = a.bytes;
                                RasterState s = StateFor(a.surface, textured ? kTex1 : kPlain);
                                if (textured) UseTexture(s, &tex.texture);
                                s.sampler[0][D3DSAMP_MINFILTER] = s.sampler[0][D3DSAMP_MAGFILTER] =
                                    filter;
                                ApplyDrawState(s, mode, alphaSource, brightness != 0,
                                               textured != 0);
                                RasterState sg = s;
                                sg.target = g.surface;
                                ++states;
                                DrawSetup setup;
                                ASSERT_EQ(BuildDrawSetup(s, setup), nullptr);
                                specialised += ChooseSpans(setup).special != nullptr;

                                uint32_t colour =
                                    brightness == 1 ? (rng() | 0x01000000u) : (rng() | 0x00FFFFFFu);
                                std::vector<V2DTex> v;
                                for (int q = 0; q < 6; ++q) {
                                    float x = float(rng() % 600) / 16.0f - 4,
                                          y = float(rng() % 600) / 16.0f - 4;
                                    float w = float(rng() % 400) / 16.0f,
                                          h = float(rng() % 400) / 16.0f;
                                    float u = float(rng() % 64) / 64.0f - 0.5f;
                                    auto quad = TexQuad(x, y, x + w, y + h, u, u * 0.5f, u + 1.3f,
                                                        1.1f, colour);
                                    v.insert(v.end(), quad.begin(), quad.end());
                                }
                                RasterForceGenericSpans(false);
                                RasterResult r1 =
                                    textured ? DrawList(s, v)
                                             : RasterDrawPrimitiveUP(s, D3DPT_TRIANGLELIST,
                                                                     UINT(v.size() / 3), v.data(),
                                                                     sizeof(V2DTex));
                                RasterForceGenericSpans(true);
                                RasterResult r2 =
                                    textured ? DrawList(sg, v)
                                             : RasterDrawPrimitiveUP(sg, D3DPT_TRIANGLELIST,
                                                                     UINT(v.size() / 3), v.data(),
                                                                     sizeof(V2DTex));
                                RasterForceGenericSpans(false);
                                ASSERT_EQ(r1.hr, S_OK);
                                ASSERT_EQ(r2.hr, S_OK);
                                ASSERT_EQ(a.bytes, g.bytes)
                                    << "target " << target << " texture " << texFormat << " mode "
                                    << mode << " alpha source " << alphaSource << " brightness "
                                    << brightness << " filter " << filter << " textured "
                                    << textured;
                            }
    // The specialised list must actually cover a good part of the table.
    EXPECT_GT(specialised, states / 5);
}

}  // namespace

namespace {

using namespace platform::raster;

TEST(RasterSimdTwins, BilinearLerpMatchesThePlainTwin) {
#if defined(__SSE2__)
    std::mt19937 rng(99);
    for (int i = 0; i < 200000; ++i) {
        uint32_t c[4] = {uint32_t(rng()), uint32_t(rng()), uint32_t(rng()), uint32_t(rng())};
        uint32_t wx = rng() % 256, wy = rng() % 256;
        if (i < 4) wx = (i & 1) ? 255 : 0, wy = (i & 2) ? 255 : 0;
        if (i == 4) c[0] = c[1] = c[2] = c[3] = 0xFFFFFFFFu;
        ASSERT_EQ(LerpTexelsSse2(c[0], c[1], c[2], c[3], wx, wy),
                  LerpTexels(c[0], c[1], c[2], c[3], wx, wy));
    }
#else
    GTEST_SKIP() << "no SSE2 on this machine";
#endif
}

TEST(RasterSimdTwins, SourceAlphaBlendsMatchThePlainTwin) {
#if defined(__SSE2__)
    std::mt19937 rng(5);
    const Rgba factor{255, 255, 255, 255};
    for (int i = 0; i < 200000; ++i) {
        uint32_t src = rng(), dst = rng();
        if (i < 256) src = (src & 0x00FFFFFFu) | (uint32_t(i) << 24);
        if (i == 256) src = 0xFFFFFFFFu, dst = 0xFFFFFFFFu;
        for (int destFactor : {int(D3DBLEND_INVSRCALPHA), int(D3DBLEND_ONE)}) {
            uint32_t plain = ToArgb(Blend(D3DBLENDOP_ADD, D3DBLEND_SRCALPHA, destFactor,
                                          FromArgb(src), FromArgb(dst), factor));
            ASSERT_EQ(BlendSrcAlphaSse2(destFactor, src, dst), plain)
                << std::hex << src << " " << dst << " " << destFactor;
        }
    }
#else
    GTEST_SKIP() << "no SSE2 on this machine";
#endif
}

}  // namespace

namespace {

using namespace rastertest;

// Depth-tested 2D draws take the specialised spans where the depth test is
// settled for a whole span; colour and depth bytes must equal the generic
// path's whatever the stored depths hold.
struct DepthRow {
    const char* name;
    uint32_t format;
    DWORD func;
    bool write;
    bool alphaTest;
    float zLeft, zRight;  // equal: one depth over the quad
    int stored;           // 0: the quad's own depth, 1: far (all bits set), 2: random
};

const DepthRow kDepthRows[] = {
    {"own depth stored, write, alpha test", kFormatD24S8, D3DCMP_LESSEQUAL, true, true, 0, 0, 0},
    {"far stored, write, no alpha test", kFormatD24S8, D3DCMP_LESSEQUAL, true, false, 0, 0, 1},
    {"far stored, write, alpha test", kFormatD24S8, D3DCMP_LESSEQUAL, true, true, 0, 0, 1},
    {"random stored, some fail", kFormatD24S8, D3DCMP_LESSEQUAL, true, false, 0.5f, 0.5f, 2},
    {"far stored, no write", kFormatD16, D3DCMP_LESSEQUAL, false, true, 0.25f, 0.25f, 1},
    {"own depth stored, LESS fails it", kFormatD16, D3DCMP_LESS, true, false, 0.25f, 0.25f, 0},
    {"D32, far stored, write", kFormatD32, D3DCMP_LESSEQUAL, true, false, 0.75f, 0.75f, 1},
    {"sloped depth", kFormatD24S8, D3DCMP_LESSEQUAL, true, false, 0.1f, 0.9f, 2},
};

TEST_F(RasterSpecialisedSpans, DepthTestedDrawsMatchTheGenericPath) {
    std::mt19937 rng(777);
    for (const DepthRow& r : kDepthRows) {
        SCOPED_TRACE(r.name);
        OwnedTexture tex(16, 16, kFormatA8R8G8B8);
        for (auto& b : tex.levels[0].bytes) b = uint8_t(rng());
        OwnedSurface a(40, 40, kFormatA8R8G8B8), g(40, 40, kFormatA8R8G8B8);
        OwnedSurface da(40, 40, r.format), dg(40, 40, r.format);
        for (auto& b : a.bytes) b = uint8_t(rng());
        g.bytes = a.bytes;
        const uint32_t own = QuantiseDepth(r.zLeft, r.format);
        const int bytes = r.format == kFormatD16 ? 2 : 4;
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 40; ++x) {
                uint8_t* p = da.bytes.data() + size_t(y) * da.surface.pitch + size_t(x) * bytes;
                uint32_t word = r.stored == 0 ? own : r.stored == 1 ? 0xFFFFFFFFu : uint32_t(rng());
                if (r.stored == 0 && bytes == 4 && r.format != kFormatD32)
                    word = (own << 8) | (rng() & 0xFF);  // the stencil byte left as it is
                std::memcpy(p, &word, size_t(bytes));
            }
        dg.bytes = da.bytes;
        RasterState s = StateFor(a.surface, kTex1);
        UseTexture(s, &tex.texture, D3DTOP_SELECTARG1, D3DTOP_SELECTARG1);
        ApplyDrawState(s, 1, 1, false, true);
        s.render[D3DRS_ALPHATESTENABLE] = r.alphaTest;
        s.depth = da.surface;
        s.render[D3DRS_ZENABLE] = D3DZB_TRUE;
        s.render[D3DRS_ZWRITEENABLE] = r.write;
        s.render[D3DRS_ZFUNC] = r.func;
        RasterState sg = s;
        sg.target = g.surface;
        sg.depth = dg.surface;
        DrawSetup setup;
        ASSERT_EQ(BuildDrawSetup(s, setup), nullptr);
        const SpanChoice choice = ChooseSpans(setup);
        EXPECT_TRUE(choice.special != nullptr && choice.depthGated);

        auto v = TexQuad(1.5f, 2.0f, 37.0f, 35.5f, 0.0f, 0.0f, 1.0f, 1.0f, 0xC0FFFFFFu);
        for (V2DTex& p : v) p.z = p.x < 20 ? r.zLeft : r.zRight;
        RasterForceGenericSpans(false);
        ASSERT_EQ(DrawList(s, v).hr, S_OK);
        RasterForceGenericSpans(true);
        ASSERT_EQ(DrawList(sg, v).hr, S_OK);
        RasterForceGenericSpans(false);
        EXPECT_EQ(a.bytes, g.bytes);
        EXPECT_EQ(da.bytes, dg.bytes);
    }
}

}  // namespace
