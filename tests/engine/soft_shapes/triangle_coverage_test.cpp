// Which pixels a triangle covers: edges, the shared-edge rule, degenerate
// and out-of-area triangles, floor at negative coordinates.
#include <random>

#include "shape_fixture.h"

using namespace shapetest;

namespace {

constexpr uint32_t kBack = 0xDEADBEEF;
constexpr uint32_t kInk = 0x11223344;

void Flat(Image& d, std::initializer_list<MemImgVertex> v, uint32_t colour = kInk) {
    std::vector<MemImgVertex> vs(v);
    MemImgTriangle(&d.m, nullptr, vs.data(), 0, nullptr, colour);
}

using TriangleCoverage = ShapeTest;

TEST_F(TriangleCoverage, OneRowTriangleFillsElevenPixelsOfRowZero) {
    Image d(16, 4, kMemImgColor32);
    d.Fill(kBack);
    Flat(d, {{0, 0, 0, 0}, {10, 0, 0, 0}, {0, 1, 0, 0}});
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 16; ++x)
            EXPECT_EQ(d.Get(x, y), y == 0 && x <= 10 ? kInk : kBack) << x << "," << y;
}

TEST_F(TriangleCoverage, HalfSquaresBothDrawTheSharedDiagonal) {
    Image a(12, 12, kMemImgColor32), b(12, 12, kMemImgColor32);
    a.Fill(kBack);
    b.Fill(kBack);
    Flat(a, {{0, 0, 0, 0}, {8, 0, 0, 0}, {0, 8, 0, 0}});
    Flat(b, {{8, 0, 0, 0}, {0, 8, 0, 0}, {8, 8, 0, 0}});
    // Row y: the first covers columns 0..8-y, the second 8-y..8; row 8 is
    // the bottom vertex's row and is never drawn.
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 12; ++x) {
            EXPECT_EQ(a.Get(x, y) == kInk, y < 8 && x <= 8 - y) << x << "," << y;
            EXPECT_EQ(b.Get(x, y) == kInk, y < 8 && x >= 8 - y && x <= 8) << x << "," << y;
        }
}

TEST_F(TriangleCoverage, GeneralTriangleBothSidesOfTheLongEdge) {
    // Middle vertex left of the long edge, then right of it; rows by hand.
    Image a(16, 16, kMemImgColor32), b(16, 16, kMemImgColor32);
    a.Fill(kBack);
    b.Fill(kBack);
    Flat(a, {{4, 0, 0, 0}, {0, 4, 0, 0}, {4, 8, 0, 0}});
    Flat(b, {{4, 0, 0, 0}, {8, 4, 0, 0}, {4, 8, 0, 0}});
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            // Left edge x = 4.5 - y (then -4 + y + 0.5), right edge x = 4.5.
            const int la = y < 4 ? 4 - y : y - 4;
            EXPECT_EQ(a.Get(x, y) == kInk, y < 8 && x >= la && x <= 4) << x << "," << y;
            const int rb = y < 4 ? 4 + y : 12 - y;
            // Right slot 1 starts one unit right of the middle vertex: the
            // right end still floors to 8 - (y - 4) on rows 4..7.
            EXPECT_EQ(b.Get(x, y) == kInk, y < 8 && x >= 4 && x <= rb) << x << "," << y;
        }
}

TEST_F(TriangleCoverage, CollinearOrCoincidingVerticesDrawNothing) {
    Image d(16, 16, kMemImgColor32);
    d.Fill(kBack);
    Flat(d, {{0, 0, 0, 0}, {5, 5, 0, 0}, {10, 10, 0, 0}});
    Flat(d, {{3, 3, 0, 0}, {3, 3, 0, 0}, {9, 1, 0, 0}});
    Flat(d, {{2, 2, 0, 0}, {2, 2, 0, 0}, {2, 2, 0, 0}});
    Flat(d, {{1, 4, 0, 0}, {7, 4, 0, 0}, {12, 4, 0, 0}});
    for (uint32_t p : d.Pixels()) EXPECT_EQ(p, kBack);
}

TEST_F(TriangleCoverage, RightmostVertexAtMinusOneChangesNothing) {
    Image d(8, 8, kMemImgColor32);
    d.Fill(kBack);
    Flat(d, {{-6, 0, 0, 0}, {-1, 0, 0, 0}, {-3, 5, 0, 0}});
    Flat(d, {{-7, 1, 0, 0}, {-1, 3, 0, 0}, {-4, 7, 0, 0}});
    for (uint32_t p : d.Pixels()) EXPECT_EQ(p, kBack);
}

TEST_F(TriangleCoverage, TopVertexAboveTheImageDrawsEachRowOnce) {
    // Under modes that mix, a row drawn twice would show; with the lit
    // colour the rows must still be exactly those of the same triangle moved
    // down by ten rows.
    Image a(16, 32, kMemImgColor32), b(16, 32, kMemImgColor32);
    a.Fill(kBack);
    b.Fill(kBack);
    Flat(a, {{2, -3, 0, 0}, {0, 1, 0, 0}, {9, 6, 0, 0}});
    Flat(b, {{2, 7, 0, 0}, {0, 11, 0, 0}, {9, 16, 0, 0}});
    for (int y = 0; y < 22; ++y)
        for (int x = 0; x < 16; ++x) EXPECT_EQ(a.Get(x, y), b.Get(x, y + 10)) << x << "," << y;
}

TEST_F(TriangleCoverage, RowsAndColumnsOutsideTheAreaAreNotDrawn) {
    Image d(20, 20, kMemImgColor32);
    d.Fill(kBack);
    SetArea(3, 2, 10, 6);
    Flat(d, {{-5, -5, 0, 0}, {30, -5, 0, 0}, {-5, 30, 0, 0}});
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x)
            EXPECT_EQ(d.Get(x, y), x >= 3 && x < 10 && y >= 2 && y < 6 ? kInk : kBack);
}

TEST_F(TriangleCoverage, AreaReachingBeyondTheImageIsCutToIt) {
    Image d(6, 5, kMemImgColor16);
    d.Fill(0x1234);
    SetArea(-100, -100, 100, 100);
    Flat(d, {{-50, -50, 0, 0}, {60, -50, 0, 0}, {-50, 60, 0, 0}}, 0xF81F);
    for (uint32_t p : d.Pixels()) EXPECT_EQ(p, 0xF81Fu);
}

TEST_F(TriangleCoverage, FlatColourIsLitThroughTheProductTable) {
    Image d(8, 4, kMemImgColor32), e(8, 4, kMemImgColor16);
    // Blue 128, green 255, red 64; byte 3 unchanged.
    SetMemImgDrawBright(0x40FF80);
    Flat(d, {{0, 0, 0, 0}, {4, 0, 0, 0}, {0, 2, 0, 0}}, 0x7F10FFC8);
    // 200*128/255 = 100.4 -> 100; 255 -> 255; 16*64/255 = 4.01 -> 4.
    EXPECT_EQ(d.Get(0, 0), 0x7F04FF64u);
    // 16-bit: red 31*64/255 = 7, green 63 stays, blue 31*128/255 = 15.
    Flat(e, {{0, 0, 0, 0}, {4, 0, 0, 0}, {0, 2, 0, 0}}, 0xFFFF);
    EXPECT_EQ(e.Get(0, 0), uint32_t(7 << 11 | 63 << 5 | 15));
    // White: the colour unchanged.
    SetMemImgDrawBright(0xFFFFFFFF);
    Flat(d, {{0, 0, 0, 0}, {4, 0, 0, 0}, {0, 2, 0, 0}}, 0x7F10FFC8);
    EXPECT_EQ(d.Get(0, 0), 0x7F10FFC8u);
}

TEST_F(TriangleCoverage, OutOfRangeAndHugeVerticesDrawNothingAndStayInside) {
    Image d(16, 16, kMemImgColor32);
    d.Fill(kBack);
    Flat(d, {{-8192, -8192, 0, 0}, {8192, 0, 0, 0}, {0, 8191, 0, 0}});
    Flat(d, {{INT32_MIN, 0, 0, 0}, {INT32_MAX, 0, 0, 0}, {0, INT32_MAX, 0, 0}});
    Flat(d, {{0, 0, 0, 0}, {5, 0, 9000, 0}, {0, 5, 0, 0}});
    for (uint32_t p : d.Pixels()) EXPECT_EQ(p, kBack);
    // At the ends of the range the triangle is drawn, clipped to the image.
    Flat(d, {{-8192, -100, 0, 0}, {8191, -100, 0, 0}, {0, 8191, 0, 0}});
    for (uint32_t p : d.Pixels()) EXPECT_EQ(p, kInk);
    d.Fill(kBack);
    // The long edge x + y = -1 passes just above and left of pixel (0, 0).
    Flat(d, {{-8192, 8191, 0, 0}, {8191, -8192, 0, 0}, {-8192, -8192, 0, 0}});
    for (uint32_t p : d.Pixels()) EXPECT_EQ(p, kBack);
    Flat(d, {{8191, 8191, 0, 0}, {-8192, 8191, 0, 0}, {8191, -8192, 0, 0}});
    for (uint32_t p : d.Pixels()) EXPECT_EQ(p, kInk);
}

TEST_F(TriangleCoverage, TranslatedTrianglesCoverTheSameCells) {
    std::mt19937 rng(1234);
    std::uniform_int_distribution<int> coord(0, 40);
    for (int round = 0; round < 200; ++round) {
        MemImgVertex v[3];
        for (auto& p : v) p = {coord(rng), coord(rng), 0, 0};
        Image a(64, 64, kMemImgColor32), b(64, 64, kMemImgColor32);
        a.Fill(kBack);
        b.Fill(kBack);
        const int k = 10;
        MemImgVertex va[3], vb[3];
        for (int i = 0; i < 3; ++i) {
            va[i] = {v[i].x + k, v[i].y + k, 0, 0};
            vb[i] = {v[i].x + k - 20, v[i].y + k - 20, 0, 0};
        }
        MemImgTriangle(&a.m, nullptr, va, 0, nullptr, kInk);
        MemImgTriangle(&b.m, nullptr, vb, 0, nullptr, kInk);
        for (int y = 0; y + 20 < 64; ++y)
            for (int x = 0; x + 20 < 64; ++x)
                ASSERT_EQ(b.Get(x, y), a.Get(x + 20, y + 20)) << round << ": " << x << "," << y;
    }
}

}  // namespace
