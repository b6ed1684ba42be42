// The draw target: selection and what follows the target's size, the
// front screen's repaint timer, captures into graphics, clearing and the
// sub back buffer.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "DuRud.h"
#include "core/log.h"
#include "graphics/camera.h"
#include "graphics/device_layer.h"
#include "graphics/device_setup.h"
#include "graphics/draw_settings.h"
#include "graphics/draw_surfaces.h"
#include "graphics/draw_target.h"
#include "graphics/graphic_handles.h"
#include "graphics_fixture.h"
#include "test_knobs.h"

using namespace DuRud;
using namespace graphicstest;

namespace {

class DrawTarget : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(0, StartDevice(WithHandles())); }
    void TearDown() override { StopDevice(); }

    static std::vector<int> Area() {
        const DrawSettings& d = GetDrawSettings();
        return {d.areaX1, d.areaY1, d.areaX2, d.areaY2};
    }
    static IDirect3DSurface9* RenderTarget0() {
        IDirect3DSurface9* surface = nullptr;
        GetDeviceLayer().device->GetRenderTarget(0, &surface);
        if (surface) surface->Release();  // the device keeps its own reference
        return surface;
    }
};

TEST_F(DrawTarget, OnlyDrawTargetGraphicsAreTaken) {
    const Handle plain = SolidGraphic(8, 8, 0xFF808080);
    ASSERT_EQ(0, SelectDrawTarget(-2));
    EXPECT_EQ(-1, SelectDrawTarget(plain));
    EXPECT_EQ(-1, SelectDrawTarget(0x04000123)) << "a handle of nothing";
    EXPECT_EQ(-1, SelectDrawTarget(-6));
    EXPECT_EQ(-2, QueryDrawTarget()) << "the target kept";
    EXPECT_EQ(GetDeviceResources().backBuffer, RenderTarget0());
}

TEST_F(DrawTarget, TheClipFollowsTheTargetsSize) {
    const Handle a = CreateDrawableGraphic(100, 50, 0), b = CreateDrawableGraphic(100, 50, 0);
    const Handle c = CreateDrawableGraphic(60, 60, 0);
    ASSERT_EQ(0, SelectDrawTarget(a));
    ASSERT_EQ(0, SetDrawClip(5, 6, 20, 30));
    ASSERT_EQ(0, SelectDrawTarget(b));
    EXPECT_EQ((std::vector<int>{5, 6, 20, 30}), Area()) << "same size: the clip stays";
    EXPECT_EQ(GraphicFromHandle(b, 0)->image->tiles[0].surface, RenderTarget0());
    ASSERT_EQ(0, SelectDrawTarget(c));
    EXPECT_EQ((std::vector<int>{0, 0, 60, 60}), Area()) << "another size: the whole target";
    for (Handle screen : {-3, -5}) {
        ASSERT_EQ(0, SelectDrawTarget(screen)) << screen;
        EXPECT_EQ((std::vector<int>{0, 0, 800, 600}), Area()) << screen;
        EXPECT_EQ(GetDeviceResources().backBuffer, RenderTarget0()) << screen;
    }
    ASSERT_EQ(0, SelectDrawTarget(c));
    ASSERT_EQ(0, DeleteGraphic(c));
    EXPECT_EQ(-4, QueryDrawTarget()) << "deleting the target falls back to the front screen";
    EXPECT_EQ(-1, SetRenderTargetSlot(1, a)) << "the device has one render target";
    EXPECT_EQ(0, SetRenderTargetSlot(0, a));
    EXPECT_EQ(a, QueryDrawTarget());
}

TEST_F(DrawTarget, ACameraStandsBeforeTheNewTarget) {
    const Handle big = CreateDrawableGraphic(800, 600, 0);
    ASSERT_EQ(0, SelectDrawTarget(big));
    const Camera3DSettings& c = GetCamera3DSettings();
    const float d = 300.0f / std::tan(3.14159265f / 6.0f);
    EXPECT_NEAR(400.0f, c.position.x, 1e-3f);
    EXPECT_NEAR(300.0f, c.position.y, 1e-3f);
    EXPECT_NEAR(-d, c.position.z, 1e-2f);
    EXPECT_NEAR(d * 0.1f, c.zNear, 1e-2f);
    EXPECT_NEAR(d + 20000.0f, c.zFar, 1e-1f);
}

TEST_F(DrawTarget, TheFrontScreenIsRepaintedEveryTickWhileActive) {
    KnobSetVirtualClock(true);
    ASSERT_EQ(0, SelectDrawTarget(-4));
    auto presentsOver = [](int ticks) {
        const long before = KnobD3D9PresentCount();
        for (int i = 0; i < ticks; ++i) {
            Sleep(32);
            PumpWindowMessages();
        }
        return KnobD3D9PresentCount() - before;
    };
    const long active = presentsOver(10);
    EXPECT_GE(active, 9);
    EXPECT_LE(active, 11);
    ASSERT_EQ(0, SelectDrawTarget(-2));
    presentsOver(2);  // the timer's next tick ends it
    EXPECT_EQ(0, presentsOver(10)) << "no repaint for the back buffer";
}

TEST_F(DrawTarget, CapturesRefuseBadRectanglesAndCopyPixels) {
    ASSERT_EQ(0, SelectDrawTarget(-2));
    DrawBoxShape(0, 0, 800, 600, MakeColorValue(10, 20, 30), 1);
    DrawBoxShape(40, 40, 72, 72, MakeColorValue(200, 100, 50), 1);
    const Handle target = CreateDrawableGraphic(32, 32, 0);
    const Handle plain = SolidGraphic(32, 32, 0xFF000000);
    const Handle tooLarge = CreateDrawableGraphic(33, 32, 0);
    struct Row {
        const char* name;
        int x1, y1, x2, y2, destX;
        int result;
    };
    for (const Row& r :
         {Row{"RightEdge", 768, 0, 800, 32, 0, 0}, Row{"Empty", 10, 0, 10, 32, 0, -1},
          Row{"PastTheRight", 780, 0, 812, 32, 0, -1}, Row{"Reversed", 42, 0, 10, 32, 0, -1},
          Row{"PastTheDestination", 0, 0, 32, 32, 1, -1}})
        EXPECT_EQ(r.result, CaptureScreenToGraphic(-2, r.x1, r.y1, r.x2, r.y2, r.destX, 0, target))
            << r.name;
    EXPECT_EQ(-1, CopyScreenRectToGraphic(40, 40, 72, 72, tooLarge, 0));
    EXPECT_EQ(-1, CaptureScreenToGraphic(target, 0, 0, 16, 16, 8, 8, target)) << "overlapping";
    ASSERT_EQ(0, CopyScreenRectToGraphic(36, 36, 68, 68, target, 0));
    ASSERT_EQ(0, CaptureScreenToGraphic(-2, 36, 36, 68, 68, 0, 0, plain));
    for (Handle g : {target, plain}) {
        EXPECT_EQ(BackBufferPixel(36, 36), ShownPixel(g, 0, 0)) << g;
        EXPECT_EQ(BackBufferPixel(50, 50), ShownPixel(g, 14, 14)) << g;
        EXPECT_EQ(0xFFC86432u, ShownPixel(g, 14, 14)) << g;
    }
}

TEST_F(DrawTarget, ClearingCoversTheWholeTarget) {
    SetBackgroundColor(1, 2, 3);
    ASSERT_EQ(0, SelectDrawTarget(-2));
    DrawBoxShape(0, 0, 800, 600, MakeColorValue(200, 0, 0), 1);
    const RECT noLeft{-1, 0, 5, 5};
    ASSERT_EQ(0, ClearDrawTarget(&noLeft));
    EXPECT_EQ(0x010203u, BackBufferPixel(799, 599) & 0xFFFFFF) << "left -1: all of it";
    // Larger than the screen's depth buffer: drawn without one, cleared whole.
    const Handle big = CreateDrawableGraphic(1100, 700, 0);
    ASSERT_EQ(0, SelectDrawTarget(big));
    DrawBoxShape(0, 0, 1100, 700, MakeColorValue(0, 200, 0), 1);
    ASSERT_EQ(0, ClearDrawTarget(nullptr));
    ASSERT_EQ(0, SelectDrawTarget(-2));
    EXPECT_EQ(0x010203u, ShownPixel(big, 1099, 699) & 0xFFFFFF);
    EXPECT_EQ(0x010203u, ShownPixel(big, 0, 0) & 0xFFFFFF);
}

// The software renderer's target pointed into the freed record and the
// device kept drawing into the freed graphic's surface, under its clip.
TEST(DrawTargetDeleted, DrawingGoesBackToTheWholeScreen) {
    for (int software : {0, 1}) {
        SCOPED_TRACE(software ? "Software" : "Device");
        ScreenSettings s = WithHandles();
        s.softwareForced = software;
        ASSERT_EQ(0, StartDevice(s));
        const Handle target = CreateDrawableGraphic(32, 32, 0);
        ASSERT_EQ(0, SelectDrawTarget(target));
        DrawBoxShape(0, 0, 32, 32, MakeColorValue(200, 100, 50), 1);
        ASSERT_EQ(0, DeleteGraphic(target));
        EXPECT_EQ(-4, QueryDrawTarget());
        const DrawSettings& d = GetDrawSettings();
        EXPECT_EQ((std::vector<int>{0, 0, 800, 600}),
                  (std::vector<int>{d.areaX1, d.areaY1, d.areaX2, d.areaY2}));
        DrawBoxShape(100, 100, 140, 140, MakeColorValue(10, 20, 30), 1);
        EXPECT_EQ(0x0A141Eu, ScreenPixel(software, 120, 120));
        StopDevice();
    }
}

// Drawing reaches a target's first texture only: a graphic cut into more is
// refused rather than losing what lands past it.
TEST(DrawTargetTiles, AGraphicBeyondOneTextureIsRefused) {
    struct Row {
        const char* name;
        int width, height;
        int result;
    };
    const Row rows[] = {
        {"AtTheLimit", 64, 64, 0}, {"OneColumnPast", 65, 8, -1}, {"OneRowPast", 8, 65, -1}};
    KnobD3D9MaxTextureSize(64);
    ASSERT_EQ(0, StartDevice(WithHandles()));
    for (const Row& r : rows) {
        ASSERT_EQ(0, SelectDrawTarget(-2));
        const Handle g = CreateDrawableGraphic(r.width, r.height, 0);
        ASSERT_GE(g, 0) << r.name;
        EXPECT_EQ(r.result, SelectDrawTarget(g)) << r.name;
        EXPECT_EQ(r.result == 0 ? g : -2, QueryDrawTarget()) << r.name;
    }
    EXPECT_TRUE(
        LogHasInOrder({"テクスチャ一枚に収まらないグラフィックは描画先にできません Size:65x8",
                       "テクスチャ一枚に収まらないグラフィックは描画先にできません Size:8x65"}));
    StopDevice();
}

TEST(DrawTargetFullScreen, ARepaintMovesDrawingToTheSubBackBuffer) {
    ASSERT_EQ(0, StartDevice(FullScreenWithHandles()));
    ASSERT_EQ(0, SelectDrawTarget(-2));
    DrawBoxShape(10, 10, 100, 100, MakeColorValue(0, 0, 255), 1);
    ASSERT_EQ(0, FlipScreen());
    std::vector<uint32_t> before, after;
    int w = 0, h = 0;
    ASSERT_TRUE(KnobCaptureWindow(MainWindow(), &before, &w, &h));
    ASSERT_EQ(0, RepaintScreen());
    EXPECT_NE(nullptr, GetDeviceResources().subBackBuffer);
    ASSERT_TRUE(KnobCaptureWindow(MainWindow(), &after, &w, &h));
    EXPECT_EQ(before, after) << "the same picture";
    StopDevice();
}

}  // namespace
