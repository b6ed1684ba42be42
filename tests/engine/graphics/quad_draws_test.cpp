// Graphics on free quadrilaterals: the graphic's own corners (minus half a
// pixel) give DrawGraphicAt's pixels, one tile or many; a parallelogram is
// one batched quad, a trapezium a 7 x 7 cell grid of indexed strips.
#include <gtest/gtest.h>

#include <vector>

#include "graphics/quad_draws.h"
#include "graphics/vertex_batch.h"
#include "graphics_fixture.h"
#include "test_knobs.h"

using namespace DuRud;
using namespace graphicstest;

namespace {

uint32_t Texel(int x, int y) {
    return 0xFF000000u | uint32_t(x & 0xFF) << 16 | uint32_t(y * 8) << 8 | uint32_t(x >> 8);
}

class QuadDraws : public ::testing::Test {
  protected:
    void TearDown() override { StopDevice(); }
    static void Start(int width, int height) {
        ScreenSettings s = WithHandles();
        s.width = width, s.height = height;
        ASSERT_EQ(0, StartDevice(s));
    }
};

// The graphic's corners in the order top-left, top-right, bottom-right,
// bottom-left, each minus half a pixel.
int QuadAt(int x, int y, int w, int h, Handle g) {
    const float l = x - 0.5f, t = y - 0.5f, r = l + w, b = t + h;
    return DrawGraphicQuadF(l, t, r, t, r, b, l, b, g, 0);
}

TEST_F(QuadDraws, OwnCornersEqualThePlainDraw) {
    const struct {
        const char* name;
        int width, height, maxTexture, offset;
    } rows[] = {{"OneTile", 8, 6, 0, 40}, {"ThreeTiles", 300, 12, 128, 320}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        if (row.maxTexture) KnobD3D9MaxTextureSize(row.maxTexture);
        Start(2 * row.offset, 30);
        const Handle g = GraphicOfPixels(row.width, row.height, Texel);
        ASSERT_EQ(0, DrawGraphicAt(4, 5, g, 0));
        ASSERT_EQ(0, QuadAt(4 + row.offset, 5, row.width, row.height, g));
        int wrong = 0;
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < row.offset; ++x)
                if (BackBufferPixel(x, y) != BackBufferPixel(x + row.offset, y) && ++wrong < 4)
                    ADD_FAILURE() << x << ", " << y;
        EXPECT_EQ(0, wrong);
        StopDevice();
    }
}

TEST_F(QuadDraws, ParallelogramIsOneQuadTrapeziumAGrid) {
    Start(80, 60);
    const Handle g = SolidGraphic(16, 16, 0xFFFF0000, 0xFF00FF00);  // red left, green right
    FlushVertexBatch();
    KnobD3D9Trace(true);
    KnobD3D9TakeTrace();
    // Slanted by 10 pixels: opposite edges equal.
    ASSERT_EQ(0, DrawGraphicQuadF(20, 10, 40, 10, 30, 30, 10, 30, g, 0));
    EXPECT_EQ(6, GetVertexBatch().pending);
    FlushVertexBatch();
    auto trace = KnobD3D9TakeTrace();
    EXPECT_EQ(1u, TraceOf(trace, "DrawPrimitiveUP").size());
    EXPECT_TRUE(TraceOf(trace, "DrawIndexedPrimitiveUP").empty());
    // Top 20 wide, bottom 40: seven strips of two rows, 14 triangles each.
    ASSERT_EQ(0, DrawGraphicQuadF(30, 35, 50, 35, 60, 55, 20, 55, g, 0));
    EXPECT_EQ(0, GetVertexBatch().pending);
    trace = KnobD3D9TakeTrace();
    const auto strips = TraceOf(trace, "DrawIndexedPrimitiveUP");
    ASSERT_EQ(7u, strips.size());
    for (const std::string& line : strips)
        EXPECT_EQ(0u, line.find("DrawIndexedPrimitiveUP(type 5 count 14")) << line;
    // The middle column (40) parts red from green on every row.
    for (int y : {36, 45, 54}) {
        EXPECT_EQ(0xFF0000u, BackBufferPixel(37, y) & 0xFFFFFF) << y;
        EXPECT_EQ(0x00FF00u, BackBufferPixel(42, y) & 0xFFFFFF) << y;
    }
    // The parallelogram's row 20 runs from 15 to 35; red ends at 25.
    EXPECT_EQ(0xFF0000u, BackBufferPixel(16, 20) & 0xFFFFFF);
    EXPECT_EQ(0x00FF00u, BackBufferPixel(34, 20) & 0xFFFFFF);
}

TEST_F(QuadDraws, WithABlendGraphic) {
    Start(80, 40);
    const Handle g = GraphicOfPixels(8, 6, Texel);
    ASSERT_EQ(0, SetBlendSourceGraphic(SolidGraphic(8, 6, 0xFFFFFFFF), 0, 128, 0));
    // Corners become whole pixels, and an axis-aligned rectangle goes the
    // stretched way: the same as the plain draw.
    ASSERT_EQ(0, DrawGraphicAt(4, 5, g, 0));
    ASSERT_EQ(0, DrawGraphicQuadF(44, 5, 52, 5, 52, 11, 44, 11, g, 0));
    for (int y = 4; y < 12; ++y)
        for (int x = 3; x < 13; ++x)
            ASSERT_EQ(BackBufferPixel(x, y), BackBufferPixel(x + 40, y)) << x << ", " << y;
    // A turned quad draws through the affine maps.
    const uint32_t before = BackBufferPixel(20, 30);
    ASSERT_EQ(0, DrawGraphicQuadF(20, 24, 26, 30, 20, 36, 14, 30, g, 0));
    EXPECT_NE(before, BackBufferPixel(20, 30));
}

TEST_F(QuadDraws, CommonEntryChecks) {
    Start(40, 30);
    const Handle g = SolidGraphic(4, 4, 0xFF00FF00);
    EXPECT_EQ(-1, DrawGraphicQuadF(0, 0, 4, 0, 4, 4, 0, 4, 12345, 0));
    ASSERT_EQ(0, DeleteGraphic(g));
    EXPECT_EQ(-1, DrawGraphicQuadF(0, 0, 4, 0, 4, 4, 0, 4, g, 0));
    ASSERT_EQ(0, SetDrawClip(3, 3, 3, 3));
    EXPECT_EQ(0, DrawGraphicQuadF(0, 0, 4, 0, 4, 4, 0, 4, 12345, 0));
}

}  // namespace
