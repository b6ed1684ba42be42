// Draw settings turned into device state: pixels of every blend mode against
// hand values, blend graphics, the generated stage lists and the economy of
// the partial apply.
#include <gtest/gtest.h>

#include <cstdlib>

#include "graphics/device_layer.h"
#include "graphics/device_setup.h"
#include "graphics/graphic_handles.h"
#include "graphics/draw_settings.h"
#include "graphics/draw_state_apply.h"
#include "graphics/render_state_cache.h"
#include "graphics/shader_constants.h"
#include "graphics/vertex_batch.h"
#include "graphics_fixture.h"
#include "test_knobs.h"

using namespace DuRud;
using namespace graphicstest;

namespace {

constexpr uint32_t kDest = 0xFF404080, kSource = 0xFFC08040;
constexpr uint32_t kPlain = kDrawTransparent | kDrawIntegerPlacement;

struct ModeCase {
    const char* name;
    uint32_t source;
    int mode, parameter;
    int red, green, blue;  // brightness
    uint32_t flags;
    uint32_t want;  // RGB by hand from dest (64, 64, 128) and the source
    bool blendOp = true;
    int sampling = 0;
};
void PrintTo(const ModeCase& c, std::ostream* os) {
    *os << c.name;
}

class BlendModes : public ::testing::TestWithParam<ModeCase> {};

bool Near(uint32_t a, uint32_t b, int tolerance) {
    for (int shift = 0; shift < 24; shift += 8)
        if (std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)) > tolerance) return false;
    return true;
}

TEST_P(BlendModes, MatchHandValues) {
    const ModeCase& c = GetParam();
    KnobD3D9ShaderVersions(0, 0);
    KnobD3D9BlendOp(c.blendOp);
    for (DWORD format : {D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8}) {
        ScreenSettings settings = WithHandles();
        settings.width = 64;
        settings.height = 32;
        ASSERT_EQ(0, StartDevice(settings));
        const Handle target = format == D3DFMT_A8R8G8B8 ? CreateDrawableGraphic(16, 16, 1) : -1;
        IDirect3DSurface9* surface = GetDeviceResources().backBuffer;
        if (target >= 0) {
            surface = GraphicFromHandle(target, 0)->image->tiles[0].surface;
            GetDrawSettings().renderTargets[0] = target;
            ASSERT_EQ(0, SetRenderTargetSurface(surface, 0));
        }
        const Handle g = SolidGraphic(4, 4, c.source);
        DeviceColorFill(surface, nullptr, kDest);
        SetBlendMode(c.mode, c.parameter);
        SetBrightness(c.red, c.green, c.blue);
        SetSamplingMode(c.sampling);
        DrawAsWorker(g, 2, 2, c.flags);
        FlushVertexBatch();
        DWORD argb = 0;
        KnobD3D9ReadPixel(surface, 3, 3, &argb);
        EXPECT_TRUE(Near(argb, c.want, 1)) << std::hex << argb << " format " << format;
        StopDevice();
    }
}

// Opaque source (192, 128, 64), source alpha from the blend parameter.
INSTANTIATE_TEST_SUITE_P(
    DrawStateApply, BlendModes,
    ::testing::Values(
        ModeCase{"Mode0CopiesTexels", kSource, 0, 0, 255, 255, 255, kPlain, 0xC08040},
        ModeCase{"Mode0AlphaChannelBlends", 0x80C08040, 0, 0, 255, 255, 255,
                 kPlain | kDrawAlphaChannel, 0x806060},
        ModeCase{"Mode0AlphaTestSkips", 0x00C08040, 0, 0, 255, 255, 255, kPlain | kDrawAlphaTest,
                 0x404080},
        ModeCase{"Mode1At128", kSource, 1, 128, 255, 255, 255, kPlain, 0x806060},
        // An alpha-test graphic blends by its alpha (8 here) instead of testing it at 16.
        ModeCase{"Mode1AlphaTestBlends", 0x08C08040, 1, 255, 255, 255, 255, kPlain | kDrawAlphaTest,
                 0x44427E},
        ModeCase{"BilinearAlphaTestBlends", 0x08C08040, 0, 0, 255, 255, 255,
                 kDrawTransparent | kDrawAlphaTest, 0x44427E, true, 1},
        ModeCase{"Mode2At255Saturates", kSource, 2, 255, 255, 255, 255, kPlain, 0xFFC0C0},
        ModeCase{"Mode3BlendOpSubtracts", kSource, 3, 255, 255, 255, 255, kPlain, 0x000040},
        ModeCase{"Mode3WithoutBlendOpInverts", 0xFFFFFFFF, 3, 255, 255, 255, 255, kPlain, 0xBFBF7F,
                 false},
        ModeCase{"Mode4Multiplies", kSource, 4, 255, 255, 255, 255, kPlain, 0x302020},
        ModeCase{"Mode5At128Adds", kSource, 5, 128, 255, 255, 255, kPlain, 0xA080A0},
        ModeCase{"Mode8KeepsDestination", kSource, 8, 255, 255, 255, 255, kPlain, 0x404080},
        ModeCase{"Mode9InvertedDestination", kSource, 9, 255, 255, 255, 255, kPlain, 0x906020},
        ModeCase{"Mode10At196Complements", kSource, 10, 196, 255, 255, 255, kPlain, 0x3F70B0},
        ModeCase{"Mode11At128FadesToWhite", kSource, 11, 128, 255, 255, 255, kPlain, 0x383050},
        ModeCase{"Mode12At128TimesFour", kSource, 12, 128, 255, 255, 255, kPlain, 0xA0A0C0},
        ModeCase{"Mode13At128TimesFourAdds", kSource, 13, 128, 255, 255, 255, kPlain, 0xC0C0FF},
        ModeCase{"Mode14Copies", kSource, 14, 128, 255, 255, 255, kPlain, 0xC08040},
        ModeCase{"Mode15Premultiplied", kSource, 15, 128, 255, 255, 255, kPlain, 0xE0A080},
        ModeCase{"Mode16Subtracts", kSource, 16, 128, 255, 255, 255, kPlain, 0x000060},
        ModeCase{"BrightnessHalvesRed", kSource, 0, 0, 128, 255, 255, kPlain, 0x608040}));

class DrawStateTest : public ::testing::Test {
  protected:
    void SetUp() override {
        KnobD3D9ShaderVersions(0, 0);
        ScreenSettings settings = WithHandles();
        settings.width = 64;
        settings.height = 32;
        ASSERT_EQ(0, StartDevice(settings));
        DeviceColorFill(GetDeviceResources().backBuffer, nullptr, kDest);
    }
    void TearDown() override { StopDevice(); }
};

TEST_F(DrawStateTest, CrossFadeLiesHalfwayAndTheMaskMultipliesAlpha) {
    const Handle blend = SolidGraphic(4, 4, 0xFF0000FF), red = SolidGraphic(4, 4, 0xFFFF0000);
    ASSERT_EQ(0, SetBlendSourceGraphic(blend, 0, 128, 0));
    DrawAsWorker(red, 0, 0, kPlain, blend);
    EXPECT_TRUE(Near(BackBufferPixel(1, 1), 0x7F0080, 1)) << std::hex << BackBufferPixel(1, 1);
    const Handle half = SolidGraphic(4, 4, 0x80FFFFFF);
    ASSERT_EQ(0, SetBlendSourceGraphic(half, 2, 0, 0));
    DrawAsWorker(red, 8, 0, kPlain | kDrawAlphaChannel, half);
    // Red at alpha 128 / 255 over (64, 64, 128).
    EXPECT_TRUE(Near(BackBufferPixel(9, 1), 0x9F2040, 1)) << std::hex << BackBufferPixel(9, 1);
}

TEST_F(DrawStateTest, WipeSendsItsRampAndThreshold255DrawsNothing) {
    const Handle blend = SolidGraphic(4, 4, 0xFF808080), red = SolidGraphic(4, 4, 0xFFFF0000);
    ASSERT_EQ(0, SetBlendSourceGraphic(blend, 1, 128, 100));
    KnobD3D9Trace(true);
    DrawAsWorker(red, 0, 0, kPlain, blend);
    const auto trace = KnobD3D9TakeTrace();
    auto has = [&](const std::string& line) {
        for (const std::string& t : trace)
            if (t.rfind(line, 0) == 0) return true;
        return false;
    };
    EXPECT_TRUE(has("SetRenderState(60 = 0x41000000)"));  // factor alpha 65
    EXPECT_TRUE(has("SetTextureStageState(0 4 = 0xA)"));  // stage 0 alpha SUBTRACT
    EXPECT_TRUE(has("SetTextureStageState(1 4 = 0x5)"));  // stage 1 alpha MODULATE2X
    FlushVertexBatch();
    KnobD3D9TakeTrace();
    ASSERT_EQ(0, SetBlendSourceGraphic(blend, 1, 255, 100));
    // Enough pieces to make the reserve draw, none of which may show.
    for (int i = 0; i < 300; ++i) DrawAsWorker(red, 20, 0, kPlain, blend);
    FlushVertexBatch();
    EXPECT_TRUE(TraceOf(KnobD3D9TakeTrace(), "DrawPrimitiveUP").empty());
    EXPECT_EQ(0x404080u, BackBufferPixel(21, 1) & 0xFFFFFF);
    // A hard edge (range below 2) tests the blend graphic's own alpha: 255
    // passes threshold 100, 48 does not.
    const Handle low = SolidGraphic(4, 4, 0x30808080);
    for (const Handle edge : {blend, low}) {
        ASSERT_EQ(0, SetBlendSourceGraphic(edge, 1, 100, 0));
        DrawAsWorker(red, edge == blend ? 30 : 40, 0, kPlain, edge);
    }
    EXPECT_EQ(0xFF0000u, BackBufferPixel(31, 1) & 0xFFFFFF);
    EXPECT_EQ(0x404080u, BackBufferPixel(41, 1) & 0xFFFFFF);
}

TEST_F(DrawStateTest, ColourTimesFourWithoutTextureMakesItsWhiteGraphicAtOnce) {
    SetUseAsyncLoad(1);
    SetBlendMode(12, 255);
    PrepareGraphicDraw(nullptr, 0);
    const Handle white = WhiteTextureGraphic();
    EXPECT_EQ(0, IsHandleAsyncPending(white));  // never queued, even with loads queued
    EXPECT_EQ(0xFFFFFFFFu, ShownPixel(white, 7, 7));
    DeleteGraphic(white);
    EXPECT_EQ(-1, IsHandleAsyncPending(white));
    EXPECT_EQ(0, IsHandleAsyncPending(WhiteTextureGraphic()));  // made again
    SetUseAsyncLoad(0);
}

TEST(StageLists, TellingRowsAndCounts) {
    const auto row = PrebuiltStageList;
    for (int i = 0; i < 192; ++i) {
        const StageDesc* list = row(i / 48, i / 12 % 4, i / 6 % 2, i / 3 % 2, i % 3);
        const int n = static_cast<int>(list[0].texture);
        EXPECT_TRUE(n >= 1 && n <= 7) << i;
        EXPECT_EQ(D3DTOP_DISABLE, list[n].colorOp) << i;
        EXPECT_EQ(D3DTOP_DISABLE, list[n].alphaOp) << i;
    }
    EXPECT_EQ(D3DTOP_SELECTARG2, row(0, 0, 0, 0, 0)[0].alphaOp);  // diffuse alpha only
    EXPECT_EQ(D3DTOP_MODULATE, row(0, 0, 1, 1, 1)[0].alphaOp);
    EXPECT_EQ(D3DTOP_BLENDCURRENTALPHA, row(1, 0, 0, 0, 0)[1].colorOp);
    EXPECT_EQ(D3DTA_TEXTURE | D3DTA_COMPLEMENT, row(2, 0, 0, 0, 0)[0].colorArg1);
    EXPECT_EQ(D3DTOP_MODULATE4X, row(3, 0, 0, 0, 2)[0].colorOp);
    EXPECT_EQ(D3DTOP_BLENDFACTORALPHA, row(0, 1, 0, 0, 0)[1].colorOp);
    EXPECT_EQ(3, row(0, 1, 1, 0, 0)[0].texture);  // with a diffuse flag: a third stage
    EXPECT_EQ(D3DTOP_MODULATE, row(0, 2, 0, 0, 0)[0].alphaOp);
    EXPECT_EQ(D3DTOP_ADD, row(0, 2, 0, 0, 1)[0].alphaOp);
    EXPECT_EQ(D3DTA_SPECULAR, row(0, 2, 0, 0, 1)[1].alphaArg1);
    EXPECT_EQ(1, row(0, 3, 0, 0, 0)[0].texCoordIndex);  // the mask's drawn graphic
}

TEST_F(DrawStateTest, DescriptionsApplyTheirOwnCountAndTheWalkStopsAfterDisable) {
    RenderStateDesc desc{};
    desc.sourceBlend = desc.destinationBlend = desc.blendOperation = -1;
    desc.alphaFunction = D3DCMP_ALWAYS;
    desc.stageCount = 3;
    for (StageDesc& s : desc.stages)
        s = StageDesc{-1, -1, -1, -1, -1, D3DTOP_SELECTARG1, -1, -1, D3DTOP_SELECTARG1};
    KnobD3D9Trace(true);
    ASSERT_EQ(0, ApplyPendingDrawState(0, &desc, 0));
    const auto ops = TraceOf(KnobD3D9TakeTrace(), "SetTextureStageState");
    ASSERT_EQ(6u, ops.size());  // alpha and colour op of stages 0 to 2
    EXPECT_EQ(0u, ops[5].find("SetTextureStageState(2 1 ="));
    desc.stages[1].alphaOp = D3DTOP_DISABLE;
    desc.stages[2].colorOp = D3DTOP_MODULATE;
    ASSERT_EQ(0, ApplyPendingDrawState(0, &desc, 0));
    EXPECT_EQ(1u, TraceOf(KnobD3D9TakeTrace(), "SetTextureStageState").size());
}

TEST_F(DrawStateTest, SpritesOfOneTextureShareOneDrawAndASwitchSendsOnlyTheTexture) {
    const Handle a = SolidGraphic(4, 4, kSource), b = SolidGraphic(4, 4, kDest);
    DrawAsWorker(a, 0, 0, kPlain);
    FlushVertexBatch();
    KnobD3D9Trace(true);
    for (int i = 0; i < 100; ++i) DrawAsWorker(a, i % 60, 0, kPlain);
    FlushVertexBatch();
    auto trace = KnobD3D9TakeTrace();
    ASSERT_EQ(1u, trace.size());
    EXPECT_EQ(0u, trace[0].find("DrawPrimitiveUP(type 4 count 200"));
    DrawAsWorker(b, 0, 0, kPlain);
    trace = KnobD3D9TakeTrace();
    ASSERT_EQ(1u, trace.size());
    EXPECT_EQ(0u, trace[0].find("SetTexture(stage 0 texture)"));
}

TEST_F(DrawStateTest, ThreeDDrawsTakeTheirOwnStatesAndTwoDDrawsGoBack) {
    DrawSettings& d = GetDrawSettings();
    const DrawSettings saved = d;
    d.cullMode = D3DCULL_CW;
    d.lightingEnable = TRUE;
    d.specularEnable = TRUE;
    ASSERT_EQ(0, SetUseZBuffer(0));
    ASSERT_EQ(0, SetUseZBuffer3D(1));
    const RenderStateCache& c = GetRenderStateCache();
    struct Row {
        const char* name;
        uint32_t flags;
        DWORD zEnable, cull, lighting, specular;
    } rows[] = {
        {"3D", kDrawLighting | kDrawSpecular | kDrawDepth3D | kDrawCullMode, TRUE, D3DCULL_CW, TRUE,
         TRUE},
        {"2D after 3D", 0, FALSE, D3DCULL_NONE, FALSE, FALSE},
    };
    for (const Row& row : rows) {
        PrepareGraphicDraw(nullptr, row.flags | kDrawKeepBlendState);
        EXPECT_EQ(row.zEnable, c.zEnable) << row.name;
        EXPECT_EQ(row.cull, c.cullMode) << row.name;
        EXPECT_EQ(row.lighting, c.lighting) << row.name;
        EXPECT_EQ(row.specular, c.specularEnable) << row.name;
    }
    d = saved;
    SetUseZBuffer3D(0);
}

TEST_F(DrawStateTest, RenderTargetsAndTheFullResend) {
    IDirect3DSurface9* back = GetDeviceResources().backBuffer;
    KnobD3D9Trace(true);
    EXPECT_EQ(0, SetRenderTargetSurface(back, 0));
    EXPECT_EQ(0, SetRenderTargetSurface(back, 0));
    EXPECT_EQ(-1, SetRenderTargetSurface(back, 16));
    EXPECT_EQ(1u, TraceOf(KnobD3D9TakeTrace(), "SetRenderTarget").size());
    const D3DVIEWPORT9& v = GetRenderStateCache().viewport;
    EXPECT_EQ(64u, v.Width);
    EXPECT_EQ(32u, v.Height);
    InitShaderConstantCache(&EngineShaderConstants());
    SetShaderConstantUploadsForced(1);
    ASSERT_EQ(0, ResendAllRenderState());
    SetShaderConstantUploadsForced(0);
    const auto trace = KnobD3D9TakeTrace();
    const char* order[] = {"SetViewport",
                           "SetTexture",
                           "SetSamplerState(0 1",
                           "SetSamplerState(0 6",
                           "SetRenderState(24",
                           "SetRenderState(7",
                           "SetRenderState(22",
                           "SetMaterial",
                           "SetVertexShaderConstantF",
                           "SetPixelShaderConstantF"};
    size_t at = 0;
    for (const char* step : order) {
        while (at < trace.size() && trace[at].rfind(step, 0) != 0) ++at;
        EXPECT_LT(at, trace.size()) << step;
    }
    EXPECT_EQ(0, GetRenderStateCache().force);
}

}  // namespace
