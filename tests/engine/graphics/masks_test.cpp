// Masks: with no mask screen nothing changes; with a test mask a filled box
// lands only where the mask lets it through, the same on the device and on
// the software renderer; brackets nest; re-creation remakes the mask
// screen; ending the module gives back what it took.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/tracked_memory.h"
#include "graphics/device_setup.h"
#include "graphics/draw_surfaces.h"
#include "graphics/draw_target.h"
#include "graphics/graphics_startup.h"
#include "graphics/masked_draw.h"
#include "graphics/masks.h"
#include "graphics/vertex_batch.h"
#include "graphics_fixture.h"
#include "support/pixel_comparison.h"
#include "test_knobs.h"

using namespace DuRud;
using namespace graphicstest;

namespace {

constexpr int kW = 80, kH = 60;
constexpr uint32_t kGround = 0xC86432, kBox = 0x0A141E;  // (200, 100, 50), (10, 20, 30)
constexpr RECT kBoxRect{8, 4, 72, 56};

class MaskTest : public ::testing::TestWithParam<int> {  // 1: software renderer
  protected:
    void TearDown() override { StopDevice(); }
    int Start() {
        ScreenSettings s = WithHandles();
        s.width = kW, s.height = kH;
        s.softwareForced = GetParam();
        return StartDevice(s);
    }
    static std::vector<uint32_t> Screen() {
        std::vector<uint32_t> pixels;
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) pixels.push_back(ScreenPixel(GetParam(), x, y));
        return pixels;
    }
    static void FillGround() { DrawBoxShape(0, 0, kW, kH, MakeColorValue(200, 100, 50), 1); }
    static void DrawBox() {
        DrawBoxShape(kBoxRect.left, kBoxRect.top, kBoxRect.right, kBoxRect.bottom,
                     MakeColorValue(10, 20, 30), 1);
    }
};

std::string RendererName(const ::testing::TestParamInfo<int>& info) {
    return info.param ? "Software" : "Device";
}

TEST_P(MaskTest, WithoutAMaskScreenNothingChanges) {
    ASSERT_EQ(0, Start());
    // This device refuses A8 for a dynamic texture and takes A8R8G8B8.
    if (!GetParam()) {
        EXPECT_TRUE(LogHasInOrder(
            {"マスク描画用カラーバッファのフォーマットは D3DFMT_X8R8G8B8 です",
             "マスク描画用アルファチャンネルバッファのフォーマットは D3DFMT_A8R8G8B8 です"}));
    }
    EXPECT_EQ(1, IsMaskEnabled());
    EXPECT_EQ(-1, SetMaskEnabled(1));
    EXPECT_EQ(-1, SetMaskEnabled(0));
    EXPECT_EQ(1, IsMaskEnabled());
    EXPECT_EQ(0, IsMaskInUse());
    EXPECT_EQ(-1, StartMasks());
    FillGround();
    DrawBox();
    EXPECT_EQ(0, MaskedDrawNesting());
    EXPECT_EQ(kBox, ScreenPixel(GetParam(), 10, 10));
    EXPECT_EQ(-1, WriteTestMaskBytes(0, 0, kW, kH, 0));
    EXPECT_EQ(0, EndMasks());
    EXPECT_EQ(-1, EndMasks());
    EXPECT_EQ(-1, RestoreMaskScreen());
    EXPECT_EQ(-1, SetMaskEnabled(1));
}

struct MaskRow {
    const char* name;
    int left, right;  // mask bytes of the left and right half
    int reversed;
    bool leftDrawn, rightDrawn;
};

enum class Renderer { kFixedFunction, kShaders, kSoftware };

// The screen after the box drawn through the row's mask on the renderer.
std::vector<uint32_t> DrawThroughMask(const MaskRow& row, Renderer renderer) {
    const int software = renderer == Renderer::kSoftware ? 1 : 0;
    ScreenSettings s = WithHandles();
    s.width = kW, s.height = kH;
    s.softwareForced = software;
    if (StartOnPath(renderer == Renderer::kShaders ? 1 : 0, s) != 0) return {};
    DrawBoxShape(0, 0, kW, kH, MakeColorValue(200, 100, 50), 1);
    EXPECT_EQ(0, MakeTestMaskScreen());
    EXPECT_EQ(0, WriteTestMaskBytes(0, 0, kW / 2, kH, row.left));
    EXPECT_EQ(0, WriteTestMaskBytes(kW / 2, 0, kW, kH, row.right));
    SetTestMaskReversed(row.reversed);
    EXPECT_EQ(0, SetMaskEnabled(1));
    EXPECT_EQ(1, IsMaskInUse());
    DrawBoxShape(kBoxRect.left, kBoxRect.top, kBoxRect.right, kBoxRect.bottom,
                 MakeColorValue(10, 20, 30), 1);
    EXPECT_EQ(0, MaskedDrawNesting());
    EXPECT_EQ(0, SetMaskEnabled(0));
    std::vector<uint32_t> pixels;
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) pixels.push_back(ScreenPixel(software, x, y));
    StopDevice();
    return pixels;
}

const MaskRow kRows[] = {
    {"LeftHalfOpen", 0, 0xFF, 0, true, false},
    {"ReversedRightHalfOpen", 0, 0xFF, 1, false, true},
    {"AllZeroComposesEverything", 0, 0, 0, true, true},
    {"AllFullLeavesTheTarget", 0xFF, 0xFF, 0, false, false},
    {"ReversedLowByteStillOpens", 0x01, 0, 1, true, false},
};

// The compose on the device, through its shader or its fixed-function
// stages, and on the software renderer.
TEST(MaskCompose, HandValuesOnEveryRenderer) {
    const struct {
        const char* name;
        Renderer renderer;
    } renderers[] = {{"FixedFunction", Renderer::kFixedFunction},
                     {"Shaders", Renderer::kShaders},
                     {"Software", Renderer::kSoftware}};
    for (const MaskRow& row : kRows) {
        std::vector<uint32_t> want;
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) {
                const bool inBox = x >= kBoxRect.left && x < kBoxRect.right && y >= kBoxRect.top &&
                                   y < kBoxRect.bottom;
                const bool open = x < kW / 2 ? row.leftDrawn : row.rightDrawn;
                want.push_back(inBox && open ? kBox : kGround);
            }
        for (const auto& r : renderers)
            EXPECT_TRUE(testsupport::PixelsWithin(want, DrawThroughMask(row, r.renderer), kW, 0))
                << row.name << " " << r.name;
    }
}

TEST_P(MaskTest, EndMasksGivesBackMemoryAndDeviceObjects) {
    // Fixed function: with shaders the start-up probe's texture stays bound
    // to a stage until the first draw, which the counts would take for the
    // masks' own.
    KnobD3D9ShaderVersions(0, 0);
    ASSERT_EQ(0, Start());
    ASSERT_EQ(0, EndMasks());
    const int blocks = MemGetCount();
    const long textures = KnobD3D9LiveCount("Texture");
    const long surfaces = KnobD3D9LiveCount("Surface");
    ASSERT_EQ(0, StartMasks());
    ASSERT_EQ(0, MakeTestMaskScreen());
    ASSERT_EQ(0, SetMaskEnabled(1));
    DrawBox();
    EXPECT_GT(MemGetCount(), blocks);
    ASSERT_EQ(0, EndMasks());
    EXPECT_EQ(blocks, MemGetCount());
    EXPECT_EQ(textures, KnobD3D9LiveCount("Texture"));
    EXPECT_EQ(surfaces, KnobD3D9LiveCount("Surface"));
    EXPECT_EQ(0, IsMaskInUse());
}

// A draw-target graphic with alpha: pixels the mask holds back keep colour
// and alpha; composed pixels are opaque.
TEST_P(MaskTest, AlphaTargetKeepsUntouchedPixels) {
    ASSERT_EQ(0, Start());
    // The software renderer draws into no graphic with alpha.
    const Handle target = CreateDrawableGraphic(32, 32, GetParam() ? 0 : 1);
    ASSERT_NE(-1, target);
    ASSERT_EQ(0, SelectDrawTarget(target));
    DrawBoxShape(0, 0, 32, 32, MakeColorValue(200, 100, 50), 1);
    FlushVertexBatch();
    const uint32_t before = ShownPixel(target, 20, 5);
    ASSERT_EQ(0, MakeTestMaskScreen());
    ASSERT_EQ(0, WriteTestMaskBytes(16, 0, kW, kH, 0xFF));
    ASSERT_EQ(0, SetMaskEnabled(1));
    DrawBoxShape(0, 0, 32, 32, MakeColorValue(10, 20, 30), 1);
    EXPECT_EQ(0, SetMaskEnabled(0));
    FlushVertexBatch();
    EXPECT_EQ(before, ShownPixel(target, 20, 5));
    EXPECT_EQ(0xFF000000u | kBox, ShownPixel(target, 5, 5));
}

// The box's pixels on the left half, where the mask lets drawing through;
// `ground` everywhere else.
std::vector<uint32_t> BoxOnTheLeft(uint32_t ground) {
    std::vector<uint32_t> want;
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            const bool inBox = x >= kBoxRect.left && x < kBoxRect.right && y >= kBoxRect.top &&
                               y < kBoxRect.bottom;
            want.push_back(inBox && x < kW / 2 ? kBox : ground);
        }
    return want;
}

// The clear goes to the real target, past the mask; drawing after it goes
// through the mask again.
TEST_P(MaskTest, ClearingReachesTheRealTarget) {
    ASSERT_EQ(0, Start());
    FillGround();
    ASSERT_EQ(0, MakeTestMaskScreen());
    ASSERT_EQ(0, WriteTestMaskBytes(kW / 2, 0, kW, kH, 0xFF));
    ASSERT_EQ(0, SetMaskEnabled(1));
    SetBackgroundColor(1, 2, 3);
    ASSERT_EQ(0, ClearDrawTarget(nullptr));
    DrawBox();
    EXPECT_EQ(0, SetMaskEnabled(0));
    EXPECT_TRUE(testsupport::PixelsWithin(BoxOnTheLeft(0x010203), Screen(), kW, 0));
}

TEST_P(MaskTest, ABoxWithReversedCornersIsDrawn) {
    ASSERT_EQ(0, Start());
    FillGround();
    ASSERT_EQ(0, MakeTestMaskScreen());
    ASSERT_EQ(0, WriteTestMaskBytes(kW / 2, 0, kW, kH, 0xFF));
    ASSERT_EQ(0, SetMaskEnabled(1));
    DrawBoxShape(kBoxRect.right, kBoxRect.bottom, kBoxRect.left, kBoxRect.top,
                 MakeColorValue(10, 20, 30), 1);
    EXPECT_EQ(0, SetMaskEnabled(0));
    EXPECT_TRUE(testsupport::PixelsWithin(BoxOnTheLeft(kGround), Screen(), kW, 0));
}

INSTANTIATE_TEST_SUITE_P(Renderers, MaskTest, ::testing::Values(0, 1), RendererName);

// Only the device is re-created.
TEST(MaskRecreation, RemakesTheScreenZeroedWithTheUseReapplied) {
    ScreenSettings s = WithHandles();
    s.width = kW, s.height = kH;
    ASSERT_EQ(0, StartDevice(s));
    ASSERT_EQ(0, MakeTestMaskScreen());
    ASSERT_EQ(0, WriteTestMaskBytes(0, 0, kW, kH, 0xFF));
    ASSERT_EQ(0, SetMaskEnabled(1));
    ASSERT_EQ(0, RestartDevice());
    EXPECT_EQ(1, IsMaskInUse());
    EXPECT_EQ(1, IsMaskEnabled());
    EXPECT_EQ((kW + 3) / 4 * 4, TestMaskPitch());
    // Zero-filled: the box now passes everywhere.
    DrawBoxShape(0, 0, kW, kH, MakeColorValue(200, 100, 50), 1);
    DrawBoxShape(kBoxRect.left, kBoxRect.top, kBoxRect.right, kBoxRect.bottom,
                 MakeColorValue(10, 20, 30), 1);
    EXPECT_EQ(kBox, ScreenPixel(0, 10, 10));
    EXPECT_EQ(kBox, ScreenPixel(0, 60, 50));
    EXPECT_EQ(kGround, ScreenPixel(0, 2, 2));
    StopDevice();
}

// In full screen a repaint moves screen drawing onto the sub back buffer;
// with a mask in use drawing stays on the mask's work surface.
TEST(MaskFullScreen, ARepaintKeepsDrawingOnTheWorkSurface) {
    ASSERT_EQ(0, StartDevice(FullScreenWithHandles()));
    ASSERT_EQ(0, SelectDrawTarget(-2));
    DrawBoxShape(0, 0, 640, 480, MakeColorValue(200, 100, 50), 1);
    ASSERT_EQ(0, MakeTestMaskScreen());
    ASSERT_EQ(0, WriteTestMaskBytes(320, 0, 640, 480, 0xFF));
    ASSERT_EQ(0, SetMaskEnabled(1));
    ASSERT_EQ(0, RepaintScreen());
    IDirect3DSurface9* sub = GetDeviceResources().subBackBuffer;
    ASSERT_NE(nullptr, sub);
    DrawBoxShape(100, 100, 500, 300, MakeColorValue(10, 20, 30), 1);
    EXPECT_EQ(0, SetMaskEnabled(0));
    FlushVertexBatch();
    auto pixel = [&](int x, int y) {
        DWORD argb = 0;
        KnobD3D9ReadPixel(sub, x, y, &argb);
        return argb & 0xFFFFFF;
    };
    EXPECT_EQ(kBox, pixel(200, 200)) << "open";
    EXPECT_EQ(kGround, pixel(400, 200)) << "held back";
    EXPECT_EQ(kGround, pixel(50, 50)) << "outside the box";
    StopDevice();
}

// Device brackets: only the outermost copies and composes, and a rectangle
// outside the draw area does neither.
TEST(MaskBrackets, NestedCopyAndComposeOnceOutsideNeither) {
    ScreenSettings s = WithHandles();
    s.width = kW, s.height = kH;
    ASSERT_EQ(0, StartDevice(s));
    ASSERT_EQ(0, MakeTestMaskScreen());
    ASSERT_EQ(0, SetMaskEnabled(1));
    struct Row {
        const char* name;
        RECT rect;
        size_t copies, composes;
    };
    const Row rows[] = {{"Inside", {4, 4, 20, 20}, 1, 1}, {"Outside", {90, 70, 120, 90}, 0, 0}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const RECT& r = row.rect;
        KnobD3D9Trace(true);
        BeginMaskedDraw(r.left, r.top, r.right, r.bottom);
        BeginMaskedDraw(r.left, r.top, r.right, r.bottom);
        EXPECT_EQ(2, MaskedDrawNesting());
        EndMaskedDraw(r.left, r.top, r.right, r.bottom);
        EndMaskedDraw(r.left, r.top, r.right, r.bottom);
        EXPECT_EQ(0, MaskedDrawNesting());
        const auto trace = KnobD3D9TakeTrace();
        KnobD3D9Trace(false);
        EXPECT_EQ(row.copies, TraceOf(trace, "StretchRect").size());
        EXPECT_EQ(row.composes, TraceOf(trace, "DrawPrimitiveUP").size());
    }
    StopDevice();
}

}  // namespace
