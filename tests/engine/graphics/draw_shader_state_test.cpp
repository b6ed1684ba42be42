// With programmable shaders the draw-state apply replaces the stage
// operations by one pixel shader per draw kind: checked on the state the
// device holds (its shader's kernel, constant 5, the stage textures).
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "DuRud.h"
#include "graphics/base_shaders.h"
#include "graphics/device_layer.h"
#include "graphics/draw_settings.h"
#include "graphics/draw_state_apply.h"
#include "graphics/graphic_handles.h"
#include "graphics/masks.h"
#include "graphics/render_state_cache.h"
#include "graphics_fixture.h"
#include "package_kernels.h"
#include "test_knobs.h"

using namespace DuRud;
using namespace graphicstest;

namespace {

constexpr uint32_t kPlain = kDrawTransparent | kDrawIntegerPlacement;

IDirect3DDevice9* Device() {
    return GetDeviceLayer().device;
}

IDirect3DBaseTexture9* StageTexture(int stage) {
    IDirect3DBaseTexture9* texture = nullptr;
    Device()->GetTexture(stage, &texture);
    if (texture) texture->Release();
    return texture;
}

IDirect3DBaseTexture9* TextureOf(Handle graphic) {
    return GraphicFromHandle(graphic, 0)->pieces[0].tile->texture;
}

class DrawShaderState : public ::testing::Test {
  protected:
    void SetUp() override {
        KnobD3D9ShaderVersions(0xFFFE0200, 0xFFFF0200);
        RegisterPackageKernels();
        ScreenSettings settings = WithHandles();
        settings.width = 64;
        settings.height = 32;
        ASSERT_EQ(0, StartDevice(settings));
        ASSERT_EQ(1, ProgrammableShadersInUse());
        drawn_ = SolidGraphic(8, 8, 0xFFC08040);
        blend_ = SolidGraphic(8, 8, 0x80FFFFFF);
    }
    void TearDown() override { StopDevice(); }
    Handle drawn_ = -1, blend_ = -1;
};

TEST_F(DrawShaderState, EachDrawKindSetsItsShaderAndConstant5) {
    const float a62 = -62.0f / 255.0f;
    const struct Row {
        const char* name;
        bool textured;
        int mode;
        uint32_t flags;
        int blendType;  // -1 none
        int parameter1, parameter2;
        const char* kernel;
        float constant5[4];
    } rows[] = {
        {"NoTextureAlphaBlend", false, 1, 0, -1, 0, 0, "ps_nonetex_type0.pso", {1, 1, 1, 1}},
        {"NoTextureFadedMultiply", false, 11, 0, -1, 0, 0, "ps_nonetex_type1.pso", {1, 1, 1, 1}},
        {"NoTextureInverted", false, 10, 0, -1, 0, 0, "ps_nonetex_type2.pso", {1, 1, 1, 1}},
        {"NoTextureTimesFour", false, 12, 0, -1, 0, 0, "ps_nonetex_type3.pso", {1, 1, 1, 1}},
        {"OpaqueGraphic",
         true,
         0,
         kPlain,
         -1,
         0,
         0,
         "ps_blend0_type0_igcolor0_igtalpha1.pso",
         {1, 1, 1, 1}},
        {"AlphaChannelGraphic",
         true,
         1,
         kPlain | kDrawAlphaChannel,
         -1,
         0,
         0,
         "ps_blend0_type0_igcolor0_igtalpha0.pso",
         {1, 1, 1, 1}},
        {"InvertedColour",
         true,
         10,
         kPlain,
         -1,
         0,
         0,
         "ps_blend0_type2_igcolor0_igtalpha1.pso",
         {1, 1, 1, 1}},
        {"CrossFade",
         true,
         0,
         kPlain,
         0,
         128,
         0,
         "ps_blend1_type0_igcolor0_igtalpha1.pso",
         {0, 0, 0, 128.0f / 255.0f}},
        {"CrossFadeTimesFour",
         true,
         13,
         kPlain,
         0,
         64,
         0,
         "ps_blend1_type3_igcolor0_igtalpha1.pso",
         {0, 0, 0, 64.0f / 255.0f}},
        // Threshold 100, range 64: scale 1280, v = 1280 - 501 = 779 below 1024,
        // a = 255 - 779 x 255 / 1024 = 62, subtracted, times four.
        {"WipeRampSubtracts",
         true,
         0,
         kPlain,
         1,
         100,
         64,
         "ps_blend2_type0_igcolor0_igtalpha1.pso",
         {0, 0, 4, a62}},
        // Threshold 0, range 200: scale 512, v = 512, a = 256 x 255 / 256 = 255, added.
        {"WipeRampAdds",
         true,
         0,
         kPlain,
         1,
         0,
         200,
         "ps_blend2_type0_igcolor0_igtalpha1.pso",
         {0, 0, 1, 1}},
        {"WipeHardEdge",
         true,
         0,
         kPlain,
         1,
         100,
         0,
         "ps_blend2_type0_igcolor0_igtalpha1.pso",
         {1, 1, 1, 0}},
        {"AlphaMask",
         true,
         0,
         kPlain,
         2,
         0,
         0,
         "ps_blend3_type0_igcolor0_igtalpha1.pso",
         {1, 1, 1, 1}},
    };
    for (const Row& row : rows) {
        SetBlendMode(row.mode, 255);
        SetBlendSourceGraphic(row.blendType < 0 ? -1 : blend_, row.blendType, row.parameter1,
                              row.parameter2);
        if (row.textured)
            DrawAsWorker(drawn_, 0, 0, row.flags, row.blendType < 0 ? -1 : blend_);
        else
            PrepareGraphicDraw(nullptr, row.flags);
        EXPECT_EQ(row.kernel, CurrentPixelKernel()) << row.name;
        float c5[4] = {};
        ASSERT_EQ(D3D_OK, Device()->GetPixelShaderConstantF(5, c5, 1));
        for (int i = 0; i < 4; ++i) EXPECT_NEAR(row.constant5[i], c5[i], 1e-6) << row.name << i;
    }
    SetBlendSourceGraphic(-1, 0, 0, 0);
}

TEST_F(DrawShaderState, TheStageWalkStopsBeforeStageTwo) {
    // A wipe of an alpha-channel graphic puts the graphic on stage 2 for the
    // fixed-function stages; the shader reads it from stage 1.
    SetBlendSourceGraphic(blend_, 1, 100, 64);
    DrawAsWorker(drawn_, 0, 0, kPlain | kDrawAlphaChannel, blend_);
    EXPECT_EQ("ps_blend2_type0_igcolor0_igtalpha0.pso", CurrentPixelKernel());
    EXPECT_EQ(TextureOf(blend_), StageTexture(0));
    EXPECT_EQ(TextureOf(drawn_), StageTexture(1));
    EXPECT_EQ(nullptr, StageTexture(2));
    // A cross-fade's fixed-function stages also take the drawn graphic on
    // stage 3; switching graphics under the shader moves stage 1 only.
    SetBlendSourceGraphic(blend_, 0, 128, 0);
    DrawAsWorker(drawn_, 0, 0, kPlain, blend_);
    const Handle other = SolidGraphic(8, 8, 0xFF102030);
    KnobD3D9Trace(true);
    KnobD3D9TakeTrace();
    DrawAsWorker(other, 0, 0, kPlain, blend_);
    const std::vector<std::string> trace = KnobD3D9TakeTrace();
    EXPECT_EQ(TextureOf(other), StageTexture(1));
    for (const std::string& line : TraceOf(trace, "SetTexture")) {
        EXPECT_EQ(std::string::npos, line.find("stage 2")) << line;
        EXPECT_EQ(std::string::npos, line.find("stage 3")) << line;
    }
    EXPECT_FALSE(TraceOf(trace, "SetTexture").empty());
    EXPECT_TRUE(TraceOf(trace, "SetTextureStageState").empty())
        << "the shader replaces the stage operations";
    // Brightness adds a stage 2 (times diffuse) to the fixed-function
    // cross-fade; the shader does that itself and stage 2 stays untouched.
    SetBrightness(128, 128, 128);
    DrawAsWorker(drawn_, 0, 0, kPlain, blend_);
    DWORD op = 0;
    Device()->GetTextureStageState(2, D3DTSS_COLOROP, &op);
    EXPECT_NE(DWORD(D3DTOP_MODULATE), op);
    SetBrightness(255, 255, 255);
    SetBlendSourceGraphic(-1, 0, 0, 0);
}

TEST_F(DrawShaderState, AShaderSetElsewhereIsReplacedOnTheNextDraw) {
    DrawAsWorker(drawn_, 0, 0, kPlain);
    const std::string kernel = CurrentPixelKernel();
    ASSERT_EQ("ps_blend0_type0_igcolor0_igtalpha1.pso", kernel);
    // Someone else's shader on the device (as a filter or mask leaves it).
    Device()->SetPixelShader(MaskBlendPixelShader());
    GetRenderStateCache().pixelShader = MaskBlendPixelShader();
    DrawAsWorker(drawn_, 4, 0, kPlain | kDrawGouraud);
    EXPECT_EQ(kernel, CurrentPixelKernel());
}

}  // namespace

namespace {

TEST_F(DrawShaderState, TheMaskComposeRunsItsShaderWithTheMode) {
    const struct {
        const char* name;
        int reversed;
        float modeConstant;
    } rows[] = {{"Normal", 0, 0.0f}, {"Reversed", 1, 1.0f}};
    for (const auto& row : rows) {
        ASSERT_EQ(0, MakeTestMaskScreen()) << row.name;
        SetTestMaskReversed(row.reversed);
        ASSERT_EQ(0, SetMaskEnabled(1)) << row.name;
        KnobD3D9Trace(true);
        KnobD3D9TakeTrace();
        DrawBoxShape(2, 2, 20, 20, MakeColorValue(10, 20, 30), 1);
        const std::vector<std::string> trace = KnobD3D9TakeTrace();
        KnobD3D9Trace(false);
        bool composed = false;
        for (const std::string& line : TraceOf(trace, "SetPixelShader"))
            composed |= line.find("ps_mask_blend.pso") != std::string::npos;
        EXPECT_TRUE(composed) << row.name;
        float c5[4] = {};
        Device()->GetPixelShaderConstantF(5, c5, 1);
        EXPECT_EQ(row.modeConstant, c5[0]) << row.name;
        EXPECT_EQ(0, SetMaskEnabled(0)) << row.name;
    }
}

}  // namespace
