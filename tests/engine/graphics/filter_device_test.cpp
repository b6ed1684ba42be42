// Filters with programmable shaders: which shader each kind and pass asks
// for, the constants left on the device, the work textures, the cache that
// makes a repeated filter free, and what still runs on the CPU.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "DuRud.h"
#include "core/handle_manager.h"
#include "core/tracked_memory.h"
#include "graphics/base_shaders.h"
#include "graphics/device_layer.h"
#include "graphics/draw_state_apply.h"
#include "graphics/filter_kinds.h"
#include "graphics/filter_passes.h"
#include "graphics/filter_shaders.h"
#include "graphics/graphic_filters.h"
#include "graphics/graphic_handles.h"
#include "graphics/graphics_startup.h"
#include "graphics/screen_state.h"
#include "graphics/shader_constants.h"
#include "graphics/shader_handles.h"
#include "graphics/shader_package.h"
#include "graphics_fixture.h"
#include "package_kernels.h"
#include "test_knobs.h"

using namespace DuRud;
using namespace graphicstest;

namespace {

// The name a choice opens: a file of the filter archive or a table index.
std::string OpenedName(const FilterShaderChoice& c) {
    if (c.file) {
        const void* code = nullptr;
        uint32_t size = 0;
        return ShaderArchiveMember(FilterShaderArchive(), c.file, &code, &size) == 0 ? c.file : "";
    }
    return MixShaderCode(c.mixIndex, nullptr, nullptr) == 0 ? "mix" + std::to_string(c.mixIndex)
                                                            : "";
}

class FilterShaderNames : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(1, UnpackShaderPackage()); }
    void TearDown() override { ReleaseShaderPackage(); }
    // Every choice opens, and one slot always holds one name.
    void Check(int twoSource, int kind, std::vector<int> p, int pass) {
        p.resize(kMaxFilterParameters);
        FilterShaderChoice c{};
        if (ChooseFilterShader(twoSource, kind, p.data(), pass, &c) != 0) return;
        const std::string name = OpenedName(c);
        ASSERT_FALSE(name.empty()) << twoSource << " " << kind << " " << (c.file ? c.file : "");
        ASSERT_GE(c.slot, 0);
        ASSERT_LT(c.slot, kFilterShaderSlots);
        auto [it, inserted] = slots_.emplace(c.slot, name);
        ASSERT_EQ(it->second, name) << "slot " << c.slot << " serves two shaders";
    }
    std::map<int, std::string> slots_;
};

TEST_F(FilterShaderNames, EveryNameTheFilterCodeAsksForOpens) {
    for (int pass = 0; pass < 2; ++pass) {
        Check(0, kFilterMono, {10, 20}, pass);
        for (int taps = 1; taps <= 40; ++taps) Check(0, kFilterGauss, {taps, 100}, pass);
        for (int scale = 1; scale <= 9; ++scale) Check(0, kFilterDownScale, {scale}, pass);
        for (int comparison : {2, 5})
            for (int fill : {0, 1}) Check(0, kFilterBrightClip, {comparison, 100, fill}, pass);
        for (int hueMode = 0; hueMode <= 2; ++hueMode) Check(0, kFilterHsb, {hueMode, 30}, pass);
        for (int kind : {kFilterInvert, kFilterLevel, kFilterTwoColor, kFilterPremultipliedAlpha})
            Check(0, kind, {}, pass);
        for (int reverse : {0, 1}) Check(0, kFilterGradientMap, {1, reverse}, pass);
    }
    for (int kind = 0; kind <= 16; ++kind)
        if (kind != kBlendRgbaMix) Check(1, kind, {}, 0);
    for (int selectors = 0; selectors < 4096; ++selectors)
        Check(1, kBlendRgbaMix,
              {selectors >> 9 & 7, selectors >> 6 & 7, selectors >> 3 & 7, selectors & 7}, 0);
    EXPECT_EQ(size_t(20 + 16 + 256 + 12 + 4 + 1), slots_.size()) << "every shader is reached";
}

TEST_F(FilterShaderNames, ChoicesOfTellingParameters) {
    const struct Row {
        const char* name;
        int twoSource, kind;
        std::vector<int> params;
        int pass;
        const char* file;  // null: a mix of the table
        int mixIndex, swapped;
    } rows[] = {
        {"DownScaleThreeTakesFour", 0, kFilterDownScale, {3}, 0, "DownScaleX4.pso", -1, 0},
        {"HsbFirstPass", 0, kFilterHsb, {0, 30}, 0, "Hsb_RGB_TO_HSB.pso", -1, 0},
        {"HsbSecondPass", 0, kFilterHsb, {2, 30}, 1, "Hsb_HSB_TO_RGB.pso", -1, 0},
        {"HsbHueLocked", 0, kFilterHsb, {1, 30}, 0, "Hsb_HSB_HLOCK.pso", -1, 0},
        {"BrightClipFillGreater",
         0,
         kFilterBrightClip,
         {5, 9, 1},
         0,
         "BrightClipFillGreater.pso",
         -1,
         0},
        {"MixOfTheSource", 1, kBlendRgbaMix, {0, 1, 2, 3}, 0, nullptr, 27, 0},
        {"MixOfTheBlend", 1, kBlendRgbaMix, {4, 5, 6, 7}, 0, nullptr, 27, 1},
        {"MixRedWithBlendAlpha", 1, kBlendRgbaMix, {0, 0, 0, 7}, 0, "RGBAMix_SRSRSRBA.pso", -1, 0},
        {"MixBlendRedWithSourceAlpha",
         1,
         kBlendRgbaMix,
         {4, 4, 4, 3},
         0,
         "RGBAMix_SRSRSRBA.pso",
         -1,
         1},
        {"MixIdentityWithBlendBlue",
         1,
         kBlendRgbaMix,
         {0, 1, 2, 6},
         0,
         "RGBAMix_SRSGSBBB.pso",
         -1,
         0},
        {"MixOfBothColours", 1, kBlendRgbaMix, {0, 1, 5, 3}, 0, "RGBAMix_Base.pso", -1, 0},
        {"MixAlphaAsColour", 1, kBlendRgbaMix, {3, 3, 3, 4}, 0, "RGBAMix_Base.pso", -1, 0},
    };
    for (const Row& row : rows) {
        std::vector<int> p = row.params;
        p.resize(kMaxFilterParameters);
        FilterShaderChoice c{};
        ASSERT_EQ(0, ChooseFilterShader(row.twoSource, row.kind, p.data(), row.pass, &c))
            << row.name;
        EXPECT_EQ(std::string(row.file ? row.file : ""), std::string(c.file ? c.file : ""))
            << row.name;
        if (!row.file) {
            EXPECT_EQ(row.mixIndex, c.mixIndex) << row.name;
        }
        EXPECT_EQ(row.swapped, c.swapped) << row.name;
    }
    const int badComparison[kMaxFilterParameters] = {3, 100};
    FilterShaderChoice c{};
    EXPECT_EQ(-1, ChooseFilterShader(0, kFilterBrightClip, badComparison, 0, &c));
}

// --- on the device ---------------------------------------------------------------

class FilterDevice : public ::testing::Test {
  protected:
    void Start(int colorBits = 32) {
        KnobD3D9ShaderVersions(0xFFFE0200, 0xFFFF0200);
        RegisterPackageKernels();
        ScreenSettings settings = WithHandles();
        settings.width = 64;
        settings.height = 64;
        settings.colorBits = colorBits;
        ASSERT_EQ(0, StartDevice(settings));
        ASSERT_EQ(1, ProgrammableShadersInUse());
    }
    void TearDown() override { StopDevice(); }
    static float PixelConstant(int reg, int component) {
        float v[4] = {};
        GetDeviceLayer().device->GetPixelShaderConstantF(reg, v, 1);
        return v[component];
    }
};

TEST_F(FilterDevice, TheProbeFindsNoInPlaceFilterAndLeavesNoGraphic) {
    Start();
    EXPECT_EQ(0, GetScreenState().inPlaceFilterWorks) << "the device refuses to read its target";
    EXPECT_EQ(0, GetHandleTypeRecord(HandleTypeGraphic)->count) << "the probe's graphic is gone";
    const Handle g = CreateDrawableGraphic(64, 64, 1);
    FilterGraphic(g, kFilterInvert);
    EXPECT_GE(FilterWorkTextureAt(6, 0), 0) << "a later filter in place uses a work texture";
}

TEST_F(FilterDevice, WorkTexturesKeepAlphaAtEveryScreenDepth) {
    for (int bits : {16, 32}) {
        Start(bits);
        const Handle g = CreateDrawableGraphic(40, 20, 0);
        FilterGraphic(g, kFilterInvert);
        const Handle work = FilterWorkTextureAt(6, 0);
        ASSERT_GE(work, 0) << bits;
        const GraphicRecord* w = GraphicFromHandle(work, 0);
        EXPECT_EQ(64, w->width) << bits;
        EXPECT_EQ(64, w->height) << bits;
        D3DSURFACE_DESC desc{};
        w->pieces[0].tile->texture->GetLevelDesc(0, &desc);
        EXPECT_EQ(D3DFMT_A8R8G8B8, desc.Format) << bits;
        StopDevice();
    }
}

TEST_F(FilterDevice, ARepeatedFilterMakesNothingAfterItsFirstRun) {
    Start();
    const Handle g = CreateDrawableGraphic(64, 64, 1);
    const int params[2] = {16, 300};
    ApplyFilter(0, g, -1, g, 0, kFilterGauss, 0, 0, 64, 64, 0, 0, 0, 0, 0, params);
    const int blocks = MemGetCount();
    const long objects = KnobD3D9LiveCount(nullptr);
    const int graphics = GetHandleTypeRecord(HandleTypeGraphic)->count;
    for (int i = 0; i < 3; ++i)
        ApplyFilter(0, g, -1, g, 0, kFilterGauss, 0, 0, 64, 64, 0, 0, 0, 0, 0, params);
    EXPECT_EQ(blocks, MemGetCount());
    EXPECT_EQ(objects, KnobD3D9LiveCount(nullptr));
    EXPECT_EQ(graphics, GetHandleTypeRecord(HandleTypeGraphic)->count);
}

TEST_F(FilterDevice, ConstantsStayOutOfTheDrawsConstant5) {
    Start();
    const Handle g = CreateDrawableGraphic(64, 64, 1);
    const Handle blend = SolidGraphic(8, 8, 0x80FFFFFF);
    SetBlendSourceGraphic(blend, 0, 128, 0);
    DrawAsWorker(g, 0, 0, kDrawTransparent | kDrawIntegerPlacement, blend);
    SetBlendSourceGraphic(-1, 0, 0, 0);
    ASSERT_NEAR(128.0f / 255.0f, PixelConstant(5, 3), 1e-6);
    const int params[2] = {16, 300};
    ApplyFilter(0, g, -1, g, 0, kFilterGauss, 0, 0, 64, 64, 0, 0, 0, 0, 0, params);
    // The blur's weights w4..w7 fall; its offsets step 2 texels from 1.5.
    for (int i = 0; i < 3; ++i) EXPECT_GT(PixelConstant(1, i), PixelConstant(1, i + 1)) << i;
    EXPECT_GT(PixelConstant(1, 3), 0.0f);
    EXPECT_NEAR(1.5f / 64, PixelConstant(4, 1), 1e-7);
    EXPECT_NEAR(3.5f / 64, PixelConstant(4, 2), 1e-7);
    // Registers the engine's own layer uses hold its values again.
    const float engineC0[4] = {0.0f, 0.5f, 1.0f, 2.0f};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(engineC0[i], PixelConstant(0, i)) << i;
    EXPECT_NEAR(128.0f / 255.0f, PixelConstant(5, 3), 1e-6) << "the draw's constant 5 is back";
    EXPECT_NEAR(0.0f, PixelConstant(5, 0), 1e-6);
    EXPECT_EQ(1, EngineShaderConstants().activeMask) << "the filter restores the layer mask";
}

TEST_F(FilterDevice, FailuresAreLoggedAndLeaveTheDestination) {
    const struct Row {
        const char* name;
        const char* refusedKernel;
        int failResources;
        const char* line;
    } rows[] = {
        {"ShaderRefused", "Invert.pso", -1,
         "フィルター用シェーダーの作成に失敗しました Invert.pso"},
        {"WorkTextureRefused", "", 0, "作業用描画可能テクスチャの作成に失敗しました Size:64x64"},
    };
    for (const Row& row : rows) {
        KnobResetAll();
        KnobD3D9ShaderVersions(0xFFFE0200, 0xFFFF0200);
        RegisterPackageKernels(row.refusedKernel);
        ScreenSettings settings = WithHandles();
        ASSERT_EQ(0, StartDevice(settings)) << row.name;
        const Handle g = SolidGraphic(64, 64, 0xFF102030);
        KnobD3D9FailResourcesAfter(row.failResources);
        EXPECT_EQ(-1, FilterGraphic(g, kFilterInvert)) << row.name;
        KnobD3D9FailResourcesAfter(-1);
        EXPECT_TRUE(LogHasInOrder({row.line})) << row.name;
        EXPECT_EQ(0xFF102030u, ShownPixel(g, 5, 5)) << row.name;
        StopDevice();
    }
}

TEST_F(FilterDevice, GraphicsPastTheMaximumTextureRunOnTheCpu) {
    KnobD3D9MaxTextureSize(256);
    Start();
    const Handle g = SolidGraphic(300, 300, 0xFF102030);
    ASSERT_EQ(0, FilterGraphic(g, kFilterInvert));
    for (int xy : {0, 150, 299}) EXPECT_EQ(0xFFEFDFCFu, ShownPixel(g, xy, xy)) << xy;
}

TEST_F(FilterDevice, ShaderHandlesAreRemadeFromTheirCodeOnRestart) {
    Start();
    const Handle g = CreateDrawableGraphic(64, 64, 1);
    FilterGraphic(g, kFilterInvert);
    const Handle shader = FilterShaderSlots()[14];
    ASSERT_GE(shader, 0);
    auto function = [&] {
        const ShaderRecord* s = ShaderFromHandle(shader, 0);
        std::vector<char> code;
        if (!s || !s->pixelShader) return code;
        UINT size = 0;
        s->pixelShader->GetFunction(nullptr, &size);
        code.resize(size);
        s->pixelShader->GetFunction(code.data(), &size);
        return code;
    };
    const std::vector<char> before = function();
    ASSERT_FALSE(before.empty());
    long live = -1;
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(0, RestartDevice()) << i;
        EXPECT_EQ(before, function()) << i;
        if (live >= 0) {
            EXPECT_EQ(live, KnobD3D9LiveCount(nullptr)) << i;
        }
        live = KnobD3D9LiveCount(nullptr);
    }
}

}  // namespace
