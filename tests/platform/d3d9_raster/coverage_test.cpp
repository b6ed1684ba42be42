// Which pixels triangles cover: top-left rule, pixel centres on integers,
// clipping, culling and the primitive kinds.
#include <cmath>
#include <limits>

#include "raster_fixture.h"

namespace {

using namespace rastertest;

constexpr DWORD kFvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE;
constexpr uint32_t kRed = 0xFFFF0000u;

// Sets additive blending so that each cover of a pixel adds 1 to it.
void CountCovers(RasterState& s) {
    s.render[D3DRS_ALPHABLENDENABLE] = TRUE;
    s.render[D3DRS_SRCBLEND] = D3DBLEND_ONE;
    s.render[D3DRS_DESTBLEND] = D3DBLEND_ONE;
}

// The covered pixels' bounding box and count.
struct Extent {
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1, count = 0;
    bool operator==(const Extent&) const = default;
};
void PrintTo(const Extent& e, std::ostream* os) {
    *os << "x " << e.left << ".." << e.right << " y " << e.top << ".." << e.bottom << " count "
        << e.count;
}

Extent Covered(const OwnedSurface& t) {
    Extent e;
    for (int y = 0; y < t.surface.height; ++y)
        for (int x = 0; x < t.surface.width; ++x)
            if (t.Get(x, y) != 0xFF000000u && t.Get(x, y) != 0) {
                e.left = std::min(e.left, x), e.right = std::max(e.right, x);
                e.top = std::min(e.top, y), e.bottom = std::max(e.bottom, y);
                ++e.count;
            }
    return e;
}

TEST(RasterCoverage, SpriteQuadAtHalfPixelOffsetCoversItsOwnPixels) {
    OwnedSurface t(64, 64, kFormatX8R8G8B8);
    RasterState s = StateFor(t.surface, kFvf);
    // A 32 x 32 graphic drawn at (10, 20): corners at x - 0.5.
    ASSERT_EQ(DrawList(s, Quad(9.5f, 19.5f, 41.5f, 51.5f, kRed)).hr, S_OK);
    EXPECT_EQ(Covered(t), (Extent{10, 20, 41, 51, 32 * 32}));
}

TEST(RasterCoverage, IntegerBoxCoversColumnsToRightMinusOne) {
    OwnedSurface t(40, 40, kFormatX8R8G8B8);
    RasterState s = StateFor(t.surface, kFvf);
    // The filled box (20, 30)-(10, 5) after the caller sorts its corners.
    ASSERT_EQ(DrawList(s, Quad(10, 5, 20, 30, kRed)).hr, S_OK);
    EXPECT_EQ(Covered(t), (Extent{10, 5, 19, 29, 10 * 25}));
}

TEST(RasterCoverage, SharedEdgesAreCoveredExactlyOnce) {
    OwnedSurface t(32, 32, kFormatX8R8G8B8);
    RasterState s = StateFor(t.surface, kFvf);
    CountCovers(s);
    // Non-integer corners, so the diagonal passes through pixel centres and
    // between them.
    ASSERT_EQ(DrawList(s, Quad(1.25f, 2.0f, 29.0f, 30.5f, 0x01010101u)).hr, S_OK);
    // A fan of four triangles around an inner point shares four edges.
    const uint32_t one = 0x01010101u;
    std::vector<V2D> fan = {{16, 16, 0, 1, one}, {3, 3, 0, 1, one},  {28, 3, 0, 1, one},
                            {28, 28, 0, 1, one}, {3, 28, 0, 1, one}, {3, 3, 0, 1, one}};
    OwnedSurface t2(32, 32, kFormatX8R8G8B8);
    RasterState s2 = StateFor(t2.surface, kFvf);
    CountCovers(s2);
    ASSERT_EQ(RasterDrawPrimitiveUP(s2, D3DPT_TRIANGLEFAN, 4, fan.data(), sizeof(V2D)).hr, S_OK);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            uint32_t c = t.Get(x, y) & 0xFFFFFF;
            bool inside = x >= 2 && x <= 28 && y >= 2 && y <= 30;
            EXPECT_EQ(c, inside ? 0x010101u : 0u) << x << "," << y;
            uint32_t c2 = t2.Get(x, y) & 0xFFFFFF;
            bool inside2 = x >= 3 && x < 28 && y >= 3 && y < 28;
            EXPECT_EQ(c2, inside2 ? 0x010101u : 0u) << "fan " << x << "," << y;
        }
}

TEST(RasterCoverage, BoxOutlineQuadsCoverTheBorderOnce) {
    // The engine's outline of [0, 3) x [0, 3): top, right, left and bottom
    // quads; each border pixel once, the centre not at all.
    OwnedSurface t(8, 8, kFormatX8R8G8B8);
    RasterState s = StateFor(t.surface, kFvf);
    CountCovers(s);
    std::vector<V2D> v;
    auto add = [&v](float l, float tp, float r, float b) {
        auto q = Quad(l, tp, r, b, 0x01010101u);
        for (auto& x : q) x.diffuse = 0x01010101u;
        v.insert(v.end(), q.begin(), q.end());
    };
    add(0, 0, 3, 1);  // top
    add(2, 1, 3, 3);  // right
    add(0, 1, 1, 3);  // left
    add(1, 2, 2, 3);  // bottom
    ASSERT_EQ(DrawList(s, v).hr, S_OK);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            bool border = x < 3 && y < 3 && !(x == 1 && y == 1);
            EXPECT_EQ(t.Get(x, y) & 0xFFFFFF, border ? 0x010101u : 0u) << x << "," << y;
        }
}

TEST(RasterCoverage, ReversedQuadOfAOnePixelOutlineIsStillDrawnWithCullingOff) {
    // For (0, 0)-(1, 1) the bottom quad runs from x 1 to 0 and y 0 to 1: a
    // reversed but non-empty quad that Direct3D draws when culling is off,
    // so the pixel is covered twice unless the caller skips empty quads.
    OwnedSurface t(4, 4, kFormatX8R8G8B8);
    RasterState s = StateFor(t.surface, kFvf);
    CountCovers(s);
    std::vector<V2D> v;
    auto add = [&v](float l, float tp, float r, float b) {
        auto q = Quad(l, tp, r, b, 0x01010101u);
        v.insert(v.end(), q.begin(), q.end());
    };
    add(0, 0, 1, 1);  // top
    add(0, 1, 1, 1);  // right: empty
    add(0, 1, 1, 1);  // left: empty
    add(1, 0, 0, 1);  // bottom: reversed
    ASSERT_EQ(DrawList(s, v).hr, S_OK);
    EXPECT_EQ(t.Get(0, 0) & 0xFFFFFF, 0x020202u);
    EXPECT_EQ(Covered(t).count, 1);
}

TEST(RasterCoverage, ViewportAndScissorClipExactly) {
    OwnedSurface t(32, 32, kFormatX8R8G8B8);
    RasterState s = StateFor(t.surface, kFvf);
    s.viewport = RasterViewport{4, 6, 10, 12, 0, 1};  // x 4..13, y 6..17
    ASSERT_EQ(DrawList(s, Quad(-100, -100, 100, 100, kRed)).hr, S_OK);
    EXPECT_EQ(Covered(t), (Extent{4, 6, 13, 17, 10 * 12}));

    t.Fill(0);
    s.viewport = RasterViewport{0, 0, 32, 32, 0, 1};
    s.scissor = RECT{5, 7, 9, 30};
    s.render[D3DRS_SCISSORTESTENABLE] = FALSE;
    ASSERT_EQ(DrawList(s, Quad(0, 0, 32, 32, kRed)).hr, S_OK);
    EXPECT_EQ(Covered(t).count, 32 * 32);  // scissor off: ignored
    t.Fill(0);
    s.render[D3DRS_SCISSORTESTENABLE] = TRUE;
    ASSERT_EQ(DrawList(s, Quad(0, 0, 32, 32, kRed)).hr, S_OK);
    EXPECT_EQ(Covered(t), (Extent{5, 7, 8, 29, 4 * 23}));
}

TEST(RasterCoverage, CullingDropsTheNamedWinding) {
    OwnedSurface t(16, 16, kFormatX8R8G8B8);
    RasterState s = StateFor(t.surface, kFvf);
    // Clockwise on screen (y down): (0,0) (8,0) (0,8). Counter-clockwise:
    // (8,8) (8,16)... use a second triangle elsewhere.
    std::vector<V2D> cw = {{0, 0, 0, 1, kRed}, {8, 0, 0, 1, 0}, {0, 8, 0, 1, 0}};
    std::vector<V2D> ccw = {{8, 8, 0, 1, kRed}, {8, 16, 0, 1, 0}, {16, 8, 0, 1, 0}};
    auto both = [&](DWORD cull) {
        t.Fill(0);
        s.render[D3DRS_CULLMODE] = cull;
        DrawList(s, cw);
        DrawList(s, ccw);
        return std::make_pair(t.Get(1, 1) == kRed, t.Get(9, 9) == kRed);
    };
    EXPECT_EQ(both(D3DCULL_NONE), std::make_pair(true, true));
    EXPECT_EQ(both(D3DCULL_CW), std::make_pair(false, true));
    EXPECT_EQ(both(D3DCULL_CCW), std::make_pair(true, false));
}

TEST(RasterCoverage, StripTrianglesAlternateWindingForCulling) {
    OwnedSurface t(16, 8, kFormatX8R8G8B8);
    RasterState s = StateFor(t.surface, kFvf);
    // A strip of two quads: (0,0) (0,8) (4,0) is counter-clockwise on
    // screen and every following triangle faces the same way once the
    // alternate ones are read in reverse.
    std::vector<V2D> v = {{0, 0, 0, 1, kRed}, {0, 8, 0, 1, kRed}, {4, 0, 0, 1, kRed},
                          {4, 8, 0, 1, kRed}, {8, 0, 0, 1, kRed}, {8, 8, 0, 1, kRed}};
    s.render[D3DRS_CULLMODE] = D3DCULL_CW;
    ASSERT_EQ(RasterDrawPrimitiveUP(s, D3DPT_TRIANGLESTRIP, 4, v.data(), sizeof(V2D)).hr, S_OK);
    EXPECT_EQ(Covered(t), (Extent{0, 0, 7, 7, 8 * 8}));
    t.Fill(0);
    s.render[D3DRS_CULLMODE] = D3DCULL_CCW;
    ASSERT_EQ(RasterDrawPrimitiveUP(s, D3DPT_TRIANGLESTRIP, 4, v.data(), sizeof(V2D)).hr, S_OK);
    EXPECT_EQ(Covered(t).count, 0);
}

TEST(RasterCoverage, PointsAndLines) {
    OwnedSurface t(16, 16, kFormatX8R8G8B8);
    RasterState s = StateFor(t.surface, kFvf);
    CountCovers(s);
    std::vector<V2D> pts = {{3, 4, 0, 1, 0x01010101u}, {5.4f, 6.6f, 0, 1, 0x01010101u}};
    ASSERT_EQ(RasterDrawPrimitiveUP(s, D3DPT_POINTLIST, 2, pts.data(), sizeof(V2D)).hr, S_OK);
    EXPECT_EQ(t.Get(3, 4) & 0xFF, 1u);
    EXPECT_EQ(t.Get(5, 7) & 0xFF, 1u);
    EXPECT_EQ(Covered(t).count, 2);

    // A horizontal line from centre (2, 10) to (8, 10): pixels 2..7, plus 8
    // with LASTPIXEL.
    t.Fill(0);
    std::vector<V2D> line = {{2, 10, 0, 1, 0x01010101u}, {8, 10, 0, 1, 0x01010101u}};
    s.render[D3DRS_LASTPIXEL] = FALSE;
    ASSERT_EQ(RasterDrawPrimitiveUP(s, D3DPT_LINELIST, 1, line.data(), sizeof(V2D)).hr, S_OK);
    EXPECT_EQ(Covered(t), (Extent{2, 10, 7, 10, 6}));
    t.Fill(0);
    s.render[D3DRS_LASTPIXEL] = TRUE;
    ASSERT_EQ(RasterDrawPrimitiveUP(s, D3DPT_LINELIST, 1, line.data(), sizeof(V2D)).hr, S_OK);
    EXPECT_EQ(Covered(t).count, 7);

    // A closed strip around a square covers each corner once.
    t.Fill(0);
    std::vector<V2D> strip = {{1, 1, 0, 1, 0x01010101u},
                              {5, 1, 0, 1, 0x01010101u},
                              {5, 5, 0, 1, 0x01010101u},
                              {1, 5, 0, 1, 0x01010101u},
                              {1, 1, 0, 1, 0x01010101u}};
    s.render[D3DRS_LASTPIXEL] = FALSE;
    ASSERT_EQ(RasterDrawPrimitiveUP(s, D3DPT_LINESTRIP, 4, strip.data(), sizeof(V2D)).hr, S_OK);
    EXPECT_EQ(Covered(t).count, 16);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) EXPECT_LE(t.Get(x, y) & 0xFF, 1u) << x << "," << y;
}

TEST(RasterCoverage, LinesInEveryDirection) {
    OwnedSurface t(12, 12, kFormatX8R8G8B8);
    RasterState s = StateFor(t.surface, kFvf);
    s.render[D3DRS_LASTPIXEL] = FALSE;
    auto line = [&](float x1, float y1, float x2, float y2) {
        t.Fill(0);
        std::vector<V2D> v = {{x1, y1, 0, 1, kRed}, {x2, y2, 0, 1, kRed}};
        EXPECT_EQ(RasterDrawPrimitiveUP(s, D3DPT_LINELIST, 1, v.data(), sizeof(V2D)).hr, S_OK);
        std::vector<std::pair<int, int>> on;
        for (int y = 0; y < 12; ++y)
            for (int x = 0; x < 12; ++x)
                if (t.Get(x, y) == kRed) on.emplace_back(x, y);
        return on;
    };
    using P = std::vector<std::pair<int, int>>;
    // Right to left: the start pixel is drawn, the end pixel is not.
    EXPECT_EQ(line(8, 10, 2, 10), (P{{3, 10}, {4, 10}, {5, 10}, {6, 10}, {7, 10}, {8, 10}}));
    // Vertical, downwards and upwards.
    EXPECT_EQ(line(2, 1, 2, 5), (P{{2, 1}, {2, 2}, {2, 3}, {2, 4}}));
    EXPECT_EQ(line(2, 5, 2, 1), (P{{2, 2}, {2, 3}, {2, 4}, {2, 5}}));
    // A diagonal steps one row per column.
    EXPECT_EQ(line(0, 0, 4, 4), (P{{0, 0}, {1, 1}, {2, 2}, {3, 3}}));
    // Outside the target: nothing, no fault.
    EXPECT_EQ(line(-50, -3, -1, -3), P{});
    EXPECT_EQ(line(3, 3, 3, 3), P{});
}

TEST(RasterCoverage, HostileVerticesNeitherCrashNorWriteOutside) {
    OwnedSurface t(32, 32, kFormatX8R8G8B8);
    RasterState s = StateFor(t.surface, kFvf);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    // NaN and infinite positions: dropped.
    EXPECT_EQ(DrawList(s, Quad(nan, 0, 10, 10, kRed)).hr, S_OK);
    EXPECT_EQ(DrawList(s, Quad(0, 0, inf, 10, kRed)).hr, S_OK);
    EXPECT_EQ(DrawList(s, Quad(-inf, -inf, inf, inf, kRed)).hr, S_OK);
    EXPECT_EQ(Covered(t).count, 0);
    // Degenerate: a line-thin and a point-sized triangle draw nothing.
    std::vector<V2D> thin = {{1, 1, 0, 1, kRed}, {20, 20, 0, 1, 0}, {10, 10, 0, 1, 0},
                             {5, 5, 0, 1, kRed}, {5, 5, 0, 1, 0},   {5, 5, 0, 1, 0}};
    EXPECT_EQ(DrawList(s, thin).hr, S_OK);
    EXPECT_EQ(Covered(t).count, 0);
    // Huge but finite: clipped to the target, drawn fully.
    EXPECT_EQ(DrawList(s, Quad(-3e30f, -1e20f, 5e25f, 7e37f, kRed)).hr, S_OK);
    EXPECT_EQ(Covered(t).count, 32 * 32);
    // A rotated sprite with a huge scale: a triangle crossing the target
    // with vertices far outside the guard band.
    t.Fill(0);
    std::vector<V2D> big = {
        {-1e9f, -1e9f, 0, 1, kRed}, {1e9f, -1e9f, 0, 1, 0}, {16, 1e9f, 0, 1, 0}};
    EXPECT_EQ(DrawList(s, big).hr, S_OK);
    EXPECT_GT(Covered(t).count, 32 * 16);
    // Zero rhw with different values elsewhere: dropped, no division fault.
    t.Fill(0);
    std::vector<V2D> w0 = {{0, 0, 0, 0, kRed}, {30, 0, 0, 1, 0}, {0, 30, 0, 2, 0}};
    EXPECT_EQ(DrawList(s, w0).hr, S_OK);
    EXPECT_EQ(Covered(t).count, 0);
}

TEST(RasterCoverage, FlatShadingTakesTheFirstVertexOnly) {
    OwnedSurface t(16, 16, kFormatX8R8G8B8);
    RasterState s = StateFor(t.surface, kFvf);
    auto q = Quad(0, 0, 16, 16, 0xFF102030u);
    // Garbage in vertices 1, 2, 4 and 5; vertex 3 colours the second triangle.
    q[1].diffuse = 0xFFFFFFFFu, q[2].diffuse = 0x12345678u;
    q[4].diffuse = 0xDEADBEEFu, q[5].diffuse = 0xFF00FF00u;
    q[3].diffuse = 0xFF405060u;
    ASSERT_EQ(DrawList(s, q).hr, S_OK);
    EXPECT_EQ(t.Get(1, 1), 0xFF102030u);
    EXPECT_EQ(t.Get(14, 14), 0xFF405060u);
    // Fan: triangle i takes vertex i + 1; strip: triangle i takes vertex i.
    std::vector<V2D> fan = {{8, 8, 0, 1, 0xFF000001u},
                            {0, 0, 0, 1, 0xFF000002u},
                            {16, 0, 0, 1, 0xFF000003u},
                            {16, 16, 0, 1, 0xFF000004u}};
    ASSERT_EQ(RasterDrawPrimitiveUP(s, D3DPT_TRIANGLEFAN, 2, fan.data(), sizeof(V2D)).hr, S_OK);
    EXPECT_EQ(t.Get(8, 2), 0xFF000002u);
    EXPECT_EQ(t.Get(14, 8), 0xFF000003u);
    std::vector<V2D> strip = {{0, 0, 0, 1, 0xFF000011u},
                              {16, 0, 0, 1, 0xFF000012u},
                              {0, 16, 0, 1, 0xFF000013u},
                              {16, 16, 0, 1, 0xFF000014u}};
    ASSERT_EQ(RasterDrawPrimitiveUP(s, D3DPT_TRIANGLESTRIP, 2, strip.data(), sizeof(V2D)).hr, S_OK);
    EXPECT_EQ(t.Get(1, 1), 0xFF000011u);
    EXPECT_EQ(t.Get(14, 14), 0xFF000012u);
}

TEST(RasterCoverage, GouraudInterpolatesColours) {
    OwnedSurface t(8, 2, kFormatA8R8G8B8);
    RasterState s = StateFor(t.surface, kFvf);
    s.render[D3DRS_SHADEMODE] = D3DSHADE_GOURAUD;
    // Red from 0 at x = -0.5 to 160 at x = 7.5: 20 per pixel, 10 at x = 0.
    std::vector<V2D> v = {{-0.5f, -0.5f, 0, 1, 0xFF000000u}, {7.5f, -0.5f, 0, 1, 0xFFA00000u},
                          {-0.5f, 1.5f, 0, 1, 0xFF000000u},  {7.5f, 1.5f, 0, 1, 0xFFA00000u},
                          {-0.5f, 1.5f, 0, 1, 0xFF000000u},  {7.5f, -0.5f, 0, 1, 0xFFA00000u}};
    ASSERT_EQ(DrawList(s, v).hr, S_OK);
    for (int x = 0; x < 8; ++x) {
        EXPECT_EQ(t.Get(x, 0), Argb(255, 10 + 20 * x, 0, 0)) << x;
        EXPECT_EQ(t.Get(x, 1), Argb(255, 10 + 20 * x, 0, 0)) << x;
    }
}

}  // namespace

namespace {

using namespace rastertest;

// Points and lines of a state the specialised spans cover still take the
// depth test: a nearer stored depth keeps them off, with and without a
// pixel kernel.
TEST(RasterCoverage, DepthTestedPointsAndLinesKeepTheTest) {
    for (bool kernel : {false, true}) {
        SCOPED_TRACE(kernel ? "shape kernel" : "fixed-function shape");
        platform::d3d9::RegisterPackageShaderKernels();
        OwnedSurface t(8, 8, kFormatX8R8G8B8), z(8, 8, kFormatD16);
        RasterState s = StateFor(t.surface, D3DFVF_XYZRHW | D3DFVF_DIFFUSE);
        if (kernel) s.pixelKernel = platform::d3d9::FindShaderKernel("ps_nonetex_type0.pso", false);
        s.depth = z.surface;  // all 0: nearer than anything drawn
        s.render[D3DRS_ZENABLE] = D3DZB_TRUE;
        s.render[D3DRS_ZFUNC] = D3DCMP_LESSEQUAL;
        std::vector<V2D> point = {{3, 4, 0.5f, 1, 0xFFFF0000u}};
        ASSERT_EQ(RasterDrawPrimitiveUP(s, D3DPT_POINTLIST, 1, point.data(), sizeof(V2D)).hr, S_OK);
        std::vector<V2D> line = {{1, 6, 0.5f, 1, 0xFFFF0000u}, {7, 6, 0.5f, 1, 0xFFFF0000u}};
        ASSERT_EQ(RasterDrawPrimitiveUP(s, D3DPT_LINELIST, 1, line.data(), sizeof(V2D)).hr, S_OK);
        EXPECT_EQ(t.Count(0xFF000000u), 64);  // black and opaque, as X8 reads
    }
}

}  // namespace
