// The draw settings: clamps, refusals, the colour value on both renderers,
// the draw area, the depth surface choice and the vertex batch's trace.
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <cstring>

#include "core/async_loading.h"
#include "graphics/device_layer.h"
#include "graphics/device_setup.h"
#include "graphics/graphic_handles.h"
#include "graphics/draw_settings.h"
#include "graphics/graphic_create_params.h"
#include "graphics/render_state_cache.h"
#include "graphics/scene_bracket.h"
#include "graphics/vertex_batch.h"
#include "graphics_fixture.h"
#include "test_knobs.h"
#include "support/serve_until.h"

using namespace DuRud;
using namespace graphicstest;

namespace {

using Quad = std::array<int, 4>;

TEST(DrawSettings, ColorValuePacksAndSplitsOnBothRenderers) {
    const struct {
        const char* name;
        int software, bits;
        uint32_t want;
        int splitGreen;  // 128 through the channel's precision: 32 * 255 / 63 at 16 bits
    } rows[] = {{"device 16", 0, 16, 0xFC00, 129},
                {"device 32", 0, 32, 0xFFFF8000, 128},
                {"software 16", 1, 16, 0xFC00, 129},
                {"software 32", 1, 32, 0xFFFF8000, 128}};
    for (const auto& row : rows) {
        KnobD3D9ShaderVersions(0, 0);
        KnobD3D9DesktopFormat(row.bits == 16 ? D3DFMT_R5G6B5 : D3DFMT_X8R8G8B8);
        ScreenSettings settings;
        settings.colorBits = row.bits;
        settings.softwareForced = row.software;
        ASSERT_EQ(0, StartDevice(settings));
        EXPECT_EQ(row.software, IsSoftwareRenderer()) << row.name;
        EXPECT_EQ(row.want, MakeColorValue(255, 128, 0)) << row.name;
        int r = 0, g = 0, b = 0;
        SplitColorValue(row.want, &r, &g, &b);
        EXPECT_EQ(255 * 65536 + row.splitGreen * 256, r * 65536 + g * 256 + b) << row.name;
        StopDevice();
    }
}

class DrawSettingsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        KnobD3D9ShaderVersions(0, 0);
        ASSERT_EQ(0, StartDevice(WithHandles()));
    }
    void TearDown() override { StopDevice(); }
    static int Changed() {
        const int flag = IsDrawStateChanged();
        GetRenderStateCache().drawStateChanged = 0;
        return flag;
    }
};

TEST_F(DrawSettingsTest, BlendModeBrightnessAndDiffuseColour) {
    const DrawSettings& d = GetDrawSettings();
    Changed();
    ASSERT_EQ(0, SetBlendMode(1, 300));
    EXPECT_EQ(255, d.blendParameter);
    EXPECT_EQ(1, Changed());
    ASSERT_EQ(0, SetBlendMode(1, -5));
    EXPECT_EQ(0, d.blendParameter);
    ASSERT_EQ(0, SetBlendMode(1, -5));
    EXPECT_EQ(0, Changed());
    SetBlendMode(1, 128);
    ASSERT_EQ(0, SetBrightness(255, 128, 0));
    EXPECT_EQ(0x80FF8000u, DrawDiffuseColor());
    EXPECT_EQ(1, Changed());  // no longer all 255
    SetBrightness(10, 20, 30);
    EXPECT_EQ(0, Changed());
}

TEST_F(DrawSettingsTest, BadArgumentsAreRefusedAndChangeNothing) {
    const Handle plain = SolidGraphic(4, 4, 0xFFFFFFFF);
    struct Row {
        const char* name;
        int result;
    } rows[] = {
        {"blend mode 17", SetBlendMode(17, 0)},
        {"blend mode -1", SetBlendMode(-1, 0)},
        {"compare mode 0", SetDrawAlphaTest(0, 10)},
        {"compare mode 9", SetDrawAlphaTest(9, 10)},
        {"blend type 3", SetBlendSourceGraphic(plain, 3, 0, 0)},
        {"sampling mode 3", SetSamplingMode(3)},
        {"hardware switch once running", SetHardwareRenderingWanted(1)},
        {"depth graphic without a depth surface", SetDepthBufferGraphic(plain)},
        {"clip on a target that is no graphic",
         [] {
             GetDrawSettings().renderTargets[0] = 12345;
             const int result = SetDrawClip(0, 0, 1, 1);
             GetDrawSettings().renderTargets[0] = -4;
             return result;
         }()},
    };
    for (const Row& row : rows) EXPECT_EQ(-1, row.result) << row.name;
    const DrawSettings& d = GetDrawSettings();
    EXPECT_EQ((Quad{0, -1, -1, 0}),
              (Quad{d.blendMode, d.alphaTestMode, d.blendGraphic, d.samplingMode}));
    // A deleted target and depth graphic go back to the screen's.
    const Handle target = CreateDrawableGraphic(16, 16, 0);
    GetDrawSettings().renderTargets[0] = target;
    ASSERT_EQ(0, SetDepthBufferGraphic(target));
    DeleteGraphic(target);
    EXPECT_EQ((Quad{-4, -2, 0, 0}), (Quad{d.renderTargets[0], d.depthGraphic, 0, 0}));
}

TEST_F(DrawSettingsTest, DrawClipSwapsClampsAndSetsTheViewport) {
    const DrawSettings& d = GetDrawSettings();
    const D3DVIEWPORT9& v = GetRenderStateCache().viewport;
    auto area = [&] { return Quad{d.areaX1, d.areaY1, d.areaX2, d.areaY2}; };
    auto viewport = [&] { return Quad{int(v.X), int(v.Y), int(v.Width), int(v.Height)}; };
    ASSERT_EQ(0, SetDrawClip(100, 50, 10, 400));
    EXPECT_EQ((Quad{10, 50, 100, 400}), area());
    EXPECT_EQ((Quad{10, 50, 90, 350}), viewport());
    ASSERT_EQ(0, SetDrawClip(-20, 700, 900, 700));  // clamped to 0..800, 600..600: empty
    EXPECT_EQ(1, d.areaEmpty);
    EXPECT_EQ((Quad{0, 600, 800, 600}), area());
    EXPECT_EQ((Quad{10, 50, 90, 350}), viewport());
}

TEST_F(DrawSettingsTest, DepthSurfaceFollowsTheTargetSize) {
    const DeviceResources& r = GetDeviceResources();  // 1024 x 1024 for 800 x 600
    CurrentGraphicCreateParams().words[kWordDepthBuffer] = 0;
    const Handle wide = CreateDrawableGraphic(1100, 8, 0), small = CreateDrawableGraphic(64, 64, 0);
    CurrentGraphicCreateParams().words[kWordDepthBuffer] = 1;
    const Handle depth = CreateDrawableGraphic(128, 128, 0);
    auto current = [] {
        IDirect3DSurface9* s = nullptr;
        if (SUCCEEDED(DeviceGetDepthStencilSurface(&s)) && s) s->Release();
        return s;
    };
    struct Row {
        const char* name;
        Handle target, depthGraphic;
        IDirect3DSurface9* want;
    } rows[] = {
        {"larger than the default", wide, -2, nullptr},
        {"fits the default", small, -2, r.depthSurface},
        {"depth graphic large enough", small, depth,
         GraphicFromHandle(depth, 0)->image->tiles[0].depthSurface},
    };
    for (const Row& row : rows) {
        GetDrawSettings().renderTargets[0] = row.target;
        ASSERT_EQ(0, SetDepthBufferGraphic(row.depthGraphic)) << row.name;
        EXPECT_EQ(row.want, current()) << row.name;
    }
    GetDrawSettings().renderTargets[0] = -4;
}

// --- the vertex batch -----------------------------------------------------------------

class VertexBatchTest : public DrawSettingsTest {
  protected:
    void Append(int n) {
        EnsureSceneBegun();
        ReserveVertices(n);
        AppendVertices(n);
    }
    // The primitive counts of the draws since the last call: "778 2 ".
    std::string Draws() {
        std::string counts;
        for (const std::string& line : TraceOf(KnobD3D9TakeTrace(), "DrawPrimitiveUP")) {
            const size_t at = line.find("count ") + 6;
            counts += line.substr(at, line.find(' ', at) + 1 - at);
        }
        return counts;
    }
};

TEST_F(VertexBatchTest, ReserveDrawsOnlyWhenTheSlotWouldFill) {
    SetVertexBatchKind(1);
    Append(2328);
    KnobD3D9Trace(true);
    Append(6);
    EXPECT_EQ("", Draws());
    Append(6);  // 2334 pending: these six would reach the maximum
    EXPECT_EQ("778 ", Draws());
    FlushVertexBatch();
    SetVertexBatchKind(0);
    Draws();
    Append(7);
    FlushVertexBatch();
    EXPECT_EQ(0, FlushVertexBatch());  // empty: no call
    EXPECT_EQ("2 ", Draws());
}

TEST_F(VertexBatchTest, EndRequestDropsAndNoDeviceKeeps) {
    Append(6);
    SetEndRequestFlag();
    KnobD3D9Trace(true);
    EXPECT_EQ(0, FlushVertexBatch());
    ClearEndRequestFlag();
    EXPECT_EQ(0, GetVertexBatch().pending);
    EXPECT_EQ("", Draws());
    Append(6);
    IDirect3DDevice9* device = GetDeviceLayer().device;
    GetDeviceLayer().device = nullptr;
    EXPECT_EQ(-1, FlushVertexBatch());
    GetDeviceLayer().device = device;
    EXPECT_EQ(6, GetVertexBatch().pending);
}

TEST_F(VertexBatchTest, SettersDrawPendingVerticesFirstUnlessForced) {
    Append(6);
    KnobD3D9Trace(true);
    SetDeviceCullMode(D3DCULL_CW);
    auto trace = KnobD3D9TakeTrace();
    ASSERT_GE(trace.size(), 2u);
    EXPECT_EQ(0u, trace[trace.size() - 2].find("DrawPrimitiveUP"));
    EXPECT_EQ(0u, trace.back().find("SetRenderState(22 = 0x2)"));
    Append(6);
    SetRenderStateForce(1);
    SetDeviceCullMode(D3DCULL_CW);
    SetRenderStateForce(0);
    EXPECT_TRUE(TraceOf(KnobD3D9TakeTrace(), "DrawPrimitiveUP").empty());
    FlushVertexBatch();
    EXPECT_TRUE(TraceOf(KnobD3D9TakeTrace(), "SetFVF").empty());  // format unchanged
}

TEST_F(VertexBatchTest, PrefillSurvivesTenThousandSprites) {
    SetVertexBatchKind(2);
    for (int i = 0; i < 10000; ++i) {
        auto* v = static_cast<Vertex2DTex2*>(ReserveVertices(6));
        for (int k = 0; k < 6; ++k) v[k].x = v[k].y = v[k].u0 = v[k].v0 = v[k].u1 = v[k].v1 = 0.0f;
        AppendVertices(6);
    }
    FlushVertexBatch();
    const auto* v = reinterpret_cast<const Vertex2DTex2*>(GetVertexBatch().buffers[2]);
    for (int i = 0; i < kVertexSlots[2].maximum; ++i)
        ASSERT_TRUE(v[i].z == 0.0f && v[i].rhw == 1.0f && v[i].specular == 0xFFFFFFFFu) << i;
}

std::atomic<int> g_postedResult{-5};

TEST(VertexBatchThreads, AFlushPostedFromAWorkerRunsOnTheMainThread) {
    KnobD3D9ShaderVersions(0, 0);
    ASSERT_EQ(0, StartDevice());
    ReserveVertices(6);
    AppendVertices(6);
    AsyncRequest* request = AsyncRequestAlloc(0);
    ASSERT_NE(nullptr, request);
    request->worker = [](AsyncRequest*) { g_postedResult = FlushVertexBatch(1); };
    ASSERT_EQ(0, AsyncRequestEnqueue(request));
    ASSERT_TRUE(
        testsupport::ServeUntil([] { return g_postedResult != -5; }, "the worker's posted call"));
    EXPECT_EQ(0, g_postedResult.load());
    EXPECT_EQ(0, GetVertexBatch().pending);
    EXPECT_EQ(0, KnobD3D9ForeignThreadCalls());
    StopDevice();
}

}  // namespace
