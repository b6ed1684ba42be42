// The render-state cache sends only changes (or everything while forced),
// keeps its shadow when the device refuses, and draws vertex grids in pieces.
#include <gtest/gtest.h>

#include <ostream>

#include <cstdio>
#include <vector>

#include "DuRud.h"
#include "core/text_literals.h"
#include "graphics/device_layer.h"
#include "graphics/device_setup.h"
#include "graphics/render_state_cache.h"
#include "graphics/scene_bracket.h"
#include "graphics_fixture.h"
#include "test_knobs.h"

using namespace DuRud;
using namespace graphicstest;

namespace {

class RenderStateCacheTest : public ::testing::Test {
  protected:
    void SetUp() override {
        KnobD3D9ShaderVersions(0, 0);
        ASSERT_EQ(0, StartDevice());
        KnobD3D9Trace(true);
        KnobD3D9TakeTrace();
    }
    void TearDown() override { StopDevice(); }
    static size_t Count(const char* method) { return TraceOf(KnobD3D9TakeTrace(), method).size(); }
};

TEST_F(RenderStateCacheTest, RepeatsAreSkippedUnlessForced) {
    EXPECT_EQ(0, SetDeviceCullMode(D3DCULL_CW));
    EXPECT_EQ(0, SetDeviceCullMode(D3DCULL_CW));
    EXPECT_EQ(1u, Count("SetRenderState"));
    SetRenderStateForce(1);
    EXPECT_EQ(0, SetDeviceCullMode(D3DCULL_CW));
    SetRenderStateForce(0);
    EXPECT_EQ(1u, Count("SetRenderState"));
}

TEST_F(RenderStateCacheTest, ViewportComparesOnlyItsRectangle) {
    D3DVIEWPORT9 viewport{0, 0, 400, 300, 0.0f, 1.0f};
    EXPECT_EQ(0, SetDeviceViewport(&viewport));
    viewport.MinZ = 0.5f;
    viewport.MaxZ = 0.75f;
    EXPECT_EQ(0, SetDeviceViewport(&viewport));
    EXPECT_EQ(1u, Count("SetViewport"));
    const D3DVIEWPORT9 tooWide{0, 0, 801, 600, 0.0f, 1.0f};
    EXPECT_EQ(static_cast<int>(D3DERR_INVALIDCALL), SetDeviceViewport(&tooWide));
    EXPECT_EQ(400u, GetRenderStateCache().viewport.Width);
    EXPECT_EQ(static_cast<int>(D3DERR_INVALIDCALL), SetDeviceViewport(&tooWide));
    EXPECT_EQ(2u, Count("SetViewport"));
    char line[80];
    std::snprintf(line, sizeof line, "ビューポートのセットに失敗しました ErrorCode %x\n",
                  static_cast<unsigned>(D3DERR_INVALIDCALL));
    EXPECT_TRUE(LogHasInOrder({line}));
}

TEST_F(RenderStateCacheTest, SamplerFilterKinds) {
    EXPECT_EQ(-1, SetSamplerFilterKind(3));
    EXPECT_EQ(0u, Count("SetSamplerState"));
    EXPECT_EQ(0, SetSamplerFilterKind(1));
    const auto sent = TraceOf(KnobD3D9TakeTrace(), "SetSamplerState");
    ASSERT_EQ(16u, sent.size());
    for (int stage = 0; stage < 8; ++stage) {
        for (int state : {D3DSAMP_MINFILTER, D3DSAMP_MAGFILTER}) {
            char want[64];
            std::snprintf(want, sizeof want, "SetSamplerState(%d %d = 0x%X)", stage, state,
                          static_cast<unsigned>(D3DTEXF_LINEAR));
            int seen = 0;
            for (const std::string& line : sent) seen += line.rfind(want, 0) == 0;
            EXPECT_EQ(1, seen) << want;
        }
    }
    EXPECT_EQ(0, SetSamplerFilterKind(1));
    EXPECT_EQ(0u, Count("SetSamplerState"));
}

struct GridCase {
    const char* name;
    int columns, rows, cell;
};
void PrintTo(const GridCase& c, std::ostream* os) {
    *os << c.name;
}

class VertexGrid : public RenderStateCacheTest, public ::testing::WithParamInterface<GridCase> {};

TEST_P(VertexGrid, CoversEachPixelOnceInSmallPieces) {
    const GridCase& g = GetParam();
    SetDeviceDepthTest(0);
    SetDeviceCullMode(D3DCULL_NONE);
    DeviceSetRenderState(D3DRS_LIGHTING, FALSE);
    DeviceSetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    DeviceSetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
    DeviceSetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    DeviceSetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    DeviceSetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
    DeviceClear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
    std::vector<GridVertex> vertices;
    for (int r = 0; r < g.rows; ++r)
        for (int c = 0; c < g.columns; ++c)
            vertices.push_back({static_cast<float>(c * g.cell), static_cast<float>(r * g.cell),
                                0.0f, 1.0f, 0xFF101010, 0.0f, 0.0f});
    KnobD3D9TakeTrace();
    ASSERT_EQ(0, DrawVertexGrid(g.columns, g.rows, vertices.data()));
    ASSERT_EQ(0, DrawVertexGrid(g.columns, g.rows, vertices.data()));
    EndSceneIfBegun();
    const auto trace = KnobD3D9TakeTrace();
    EXPECT_EQ(1u, TraceOf(trace, "SetFVF").size());
    const auto draws = TraceOf(trace, "DrawIndexedPrimitiveUP");
    ASSERT_FALSE(draws.empty());
    for (const std::string& line : draws) {
        unsigned type = 0, count = 0;
        ASSERT_EQ(
            2, std::sscanf(line.c_str(), "DrawIndexedPrimitiveUP(type %u count %u", &type, &count));
        EXPECT_LE(count + 2, 1000u) << line;
        EXPECT_NE(std::string::npos, line.find("-> 0x00000000")) << line;
    }
    const int width = (g.columns - 1) * g.cell, height = (g.rows - 1) * g.cell;
    IDirect3DSurface9* back = GetDeviceResources().backBuffer;
    for (int y = 0; y <= height; y += (height > 40 ? 7 : 1)) {
        for (int x = 0; x <= width; x += (width > 40 ? 7 : 1)) {
            DWORD argb = 0;
            ASSERT_TRUE(KnobD3D9ReadPixel(back, x, y, &argb));
            const DWORD want = (x < width && y < height) ? 0x202020u : 0u;
            ASSERT_EQ(want, argb & 0xFFFFFFu) << x << "," << y;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Shapes, VertexGrid,
                         ::testing::Values(GridCase{"Grid40x30", 40, 30, 10},
                                           GridCase{"LongStrip700x2", 700, 2, 1}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(RenderStateWithoutDevice, DepthFillAndSamplersRefuse) {
    EXPECT_EQ(-1, SetDeviceDepthTest(1));
    EXPECT_EQ(-1, SetDeviceDepthWrite(1));
    EXPECT_EQ(-1, SetDeviceFillMode(D3DFILL_WIREFRAME));
    EXPECT_EQ(-1, SetSamplerFilterKind(1));
    EXPECT_EQ(-1, SetTextureAddress(3, D3DTADDRESS_CLAMP, -1));
    EXPECT_EQ(0, SetDeviceCullMode(D3DCULL_NONE));
    EXPECT_EQ(0, SetDeviceShadeMode(D3DSHADE_FLAT));
    EXPECT_EQ(0, SetDeviceFogEnable(1));
    EXPECT_EQ(0, SetDeviceSpecular(1));
}

}  // namespace
