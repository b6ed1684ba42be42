// Filling whole graphics: every pixel takes the colour whatever blend mode,
// brightness and draw area the draws are set to; channels are clamped.
#include <gtest/gtest.h>

#include <atomic>

#include "core/async_loading.h"
#include "graphics/device_layer.h"
#include "graphics/graphic_create_params.h"
#include "graphics/graphic_fill.h"
#include "graphics/graphic_handles.h"
#include "graphics/graphic_loading.h"
#include "graphics/work_textures.h"
#include "graphics_fixture.h"
#include "test_knobs.h"
#include "support/serve_until.h"

using namespace DuRud;
using namespace graphicstest;

namespace {

struct FillCase {
    const char* name;
    int software;
    Handle (*make)();
    int r, g, b, a;
    uint32_t want, compared;  // ARGB; the bits the graphic keeps
};
void PrintTo(const FillCase& c, std::ostream* os) {
    *os << c.name;
}

// The raw 32-bit pixel, alpha included, on either renderer.
uint32_t StoredPixel(Handle h, int x, int y) {
    const GraphicRecord* g = GraphicFromHandle(h, 0);
    if (!g->image->request.software) return ShownPixel(h, x, y);
    return reinterpret_cast<const uint32_t*>(g->view.pixels + y * g->view.body->pitch)[x];
}

// A 16-bit picture with alpha (four bits a channel), as a font cache is.
Handle SixteenBitGraphic() {
    GraphicCreateParams params{};
    FillGraphicCreateParams(&params, 0);
    params.words[kWordDrawTarget] = 0;
    params.words[kWordAlphaTest] = 0;
    params.words[kWordEmptyAlpha] = 1;
    params.words[kWordColorBits] = 16;
    return CreateEmptyGraphic(params, 20, 12, 0, 0);
}

class GraphicFill : public ::testing::TestWithParam<FillCase> {
  protected:
    void TearDown() override { StopDevice(); }
};

TEST_P(GraphicFill, ColoursEveryPixelWhateverTheDrawSettings) {
    const FillCase& c = GetParam();
    ScreenSettings s = WithHandles();
    s.width = 64, s.height = 48, s.softwareForced = c.software;
    ASSERT_EQ(0, StartDevice(s));
    const Handle h = c.make();
    ASSERT_GE(h, 0);
    ASSERT_EQ(0, SetBlendMode(2, 100));
    ASSERT_EQ(0, SetBrightness(10, 200, 30));
    ASSERT_EQ(0, SetDrawClip(2, 2, 3, 3));
    ASSERT_EQ(0, FillGraphic(h, c.r, c.g, c.b, c.a, 0));
    int w = 0, ht = 0;
    ASSERT_EQ(0, QueryGraphicSize(h, &w, &ht));
    int wrong = 0;
    for (int y = 0; y < ht; ++y)
        for (int x = 0; x < w; ++x)
            if ((StoredPixel(h, x, y) & c.compared) != c.want && ++wrong < 4)
                ADD_FAILURE() << x << ", " << y << ": " << std::hex << StoredPixel(h, x, y);
    EXPECT_EQ(0, wrong);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, GraphicFill,
    ::testing::Values(
        FillCase{"DrawTarget", 0, [] { return CreateDrawableGraphic(20, 12, 0); }, 10, 20, 30, 255,
                 0x0A141E, 0xFFFFFF},
        FillCase{"DrawTargetAlphaClamped", 0, [] { return CreateDrawableGraphic(20, 12, 1); }, 300,
                 -5, 128, 300, 0xFFFF0080, 0xFFFFFFFF},
        FillCase{"PlainThroughTransfer", 0, [] { return SolidGraphic(20, 12, 0xFF336699); }, 1, 2,
                 3, 300, 0xFF010203, 0xFFFFFFFF},
        FillCase{"PlainClearAlpha", 0, [] { return SolidGraphic(20, 12, 0xFF336699); }, 255, 255,
                 255, 0, 0x00FFFFFF, 0xFFFFFFFF},
        // Channels that four bits hold exactly: 0x33 is 3, 0xCC is 12.
        FillCase{"SixteenBitThroughTransfer", 0, SixteenBitGraphic, 0x33, 0x66, 0x99, 0xCC,
                 0xCC336699, 0xFFFFFFFF},
        FillCase{"Software", 1, [] { return SolidGraphic(20, 12, 0xFF336699); }, 10, 20, 30, 255,
                 0x0A141E, 0xFFFFFF},
        FillCase{"SoftwareDrawTarget", 1, [] { return CreateDrawableGraphic(20, 12, 0); }, 300, 20,
                 -30, 0, 0xFF1400, 0xFFFFFF}),
    [](const auto& info) { return std::string(info.param.name); });

// A picture wider than one texture is filled in every tile.
TEST_F(GraphicFill, FillsEveryTile) {
    KnobD3D9MaxTextureSize(256);
    ScreenSettings s = WithHandles();
    ASSERT_EQ(0, StartDevice(s));
    for (const Handle h :
         {SolidGraphic(300, 260, 0xFF336699), CreateDrawableGraphic(300, 260, 0)}) {
        ASSERT_GT(GraphicFromHandle(h, 0)->pieceCount, 1);
        ASSERT_EQ(0, FillGraphic(h, 0x40, 0x50, 0x60, 255, 0));
        for (const POINT p : {POINT{0, 0}, POINT{299, 0}, POINT{0, 259}, POINT{299, 259}})
            EXPECT_EQ(0x405060u, ShownPixel(h, p.x, p.y) & 0xFFFFFF) << p.x << ", " << p.y;
    }
}

TEST_F(GraphicFill, RefusesBadHandles) {
    ASSERT_EQ(0, StartDevice(WithHandles()));
    const Handle h = SolidGraphic(4, 4, 0xFF336699);
    ASSERT_EQ(0, DeleteGraphic(h));
    EXPECT_EQ(-1, FillGraphic(h, 1, 2, 3, 4, 0));
    EXPECT_EQ(-1, FillGraphic(12345, 1, 2, 3, 4, 0));
    EXPECT_EQ(-1, FillGraphic(-1, 1, 2, 3, 4, 0));
}

// On the Ex device a picture takes its pixels through a borrowed work
// texture; when none can be made the fill reports it.
TEST_F(GraphicFill, FailedTransferIsReported) {
    KnobD3D9ShaderVersions(0, 0);
    // An earlier refused Ex device leaves the process on plain devices;
    // this test wants the Ex one and gives the flag back.
    struct ExAllowed {
        int32_t saved = GetDeviceLayer().exDisabled;
        ExAllowed() { GetDeviceLayer().exDisabled = 0; }
        ~ExAllowed() { GetDeviceLayer().exDisabled = saved; }
    } exAllowed;
    ASSERT_EQ(0, StartDevice(WithHandles()));
    ASSERT_NE(nullptr, GetDeviceLayer().deviceEx);
    const Handle h = SolidGraphic(40, 8, 0xFF336699);
    ClearWorkTextureCache();
    KnobD3D9FailResourcesAfter(0);
    EXPECT_EQ(-1, FillGraphic(h, 1, 2, 3, 255, 0));
    EXPECT_EQ(0x336699u, ShownPixel(h, 0, 0) & 0xFFFFFF);
}

// A loader thread fills with the asynchronous flag: its device work runs
// when the main thread serves requests.
using GraphicFillThreads = GraphicFill;

Handle g_fillTargets[2] = {-1, -1};
std::atomic<int> g_fillResults[2] = {-5, -5};

void FillOnWorker(AsyncRequest*) {
    g_fillResults[0] = FillGraphic(g_fillTargets[0], 1, 2, 3, 4, 1);
    g_fillResults[1] = FillGraphic(g_fillTargets[1], 5, 6, 7, 8, 1);
}

TEST_F(GraphicFillThreads, LoaderThreadFillsThroughTheMainThread) {
    ASSERT_EQ(0, StartDevice(WithHandles()));
    g_fillTargets[0] = CreateDrawableGraphic(16, 8, 1);
    g_fillTargets[1] = SolidGraphic(16, 8, 0xFF336699);
    g_fillResults[0] = g_fillResults[1] = -5;
    AsyncRequest* request = AsyncRequestAlloc(0);
    request->worker = FillOnWorker;
    ASSERT_EQ(0, AsyncRequestEnqueue(request));
    testsupport::ServeUntil([] { return g_fillResults[1] != -5; }, "the worker's second fill");
    EXPECT_EQ(0, g_fillResults[0].load());
    ASSERT_EQ(0, g_fillResults[1].load());
    EXPECT_EQ(0x04010203u, ShownPixel(g_fillTargets[0], 15, 7));
    EXPECT_EQ(0x08050607u, ShownPixel(g_fillTargets[1], 15, 7));
}

}  // namespace
