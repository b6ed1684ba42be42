// Quads (whole source onto four corners) and the rotated, scaled and turned
// blit: placement by hand, refusals and hostile input.
#include <cmath>
#include <limits>
#include <random>

#include "shape_fixture.h"

using namespace shapetest;

namespace {

constexpr uint32_t kBack = 0x0BADF00D;

using QuadDraw = ShapeTest;
using RotatedBlit = ShapeTest;
using ShapeRefusals = ShapeTest;

// Pixels in the rectangle show texel (x - ox, y - oy); all others kBack.
void ExpectBoxAt(const Image& d, int ox, int oy, int w, int h) {
    for (int y = 0; y < d.m.height; ++y)
        for (int x = 0; x < d.m.width; ++x) {
            const bool in = x >= ox && x < ox + w && y >= oy && y < oy + h;
            ASSERT_EQ(d.Get(x, y), in ? Unique32(x - ox, y - oy) : kBack) << x << "," << y;
        }
}

TEST_F(QuadDraw, AxisAlignedQuadDrawsExactlyTheSource) {
    Image src(7, 5, kMemImgColor32);
    FillUnique32(src);
    for (int at : {4, 0, -3}) {
        Image d(20, 16, kMemImgColor32);
        d.Fill(kBack);
        DrawBox(d, src, at, at);
        SCOPED_TRACE(at);
        ExpectBoxAt(d, at, at, 7, 5);
    }
}

TEST_F(QuadDraw, ClippedSpansStartWithTheAreasColumnTexel) {
    Image src(16, 16, kMemImgColor32);
    FillUnique32(src);
    Image d(20, 20, kMemImgColor32);
    d.Fill(kBack);
    SetArea(3, 2, 10, 6);
    DrawBox(d, src, 0, 0);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x)
            EXPECT_EQ(d.Get(x, y), x >= 3 && x < 10 && y >= 2 && y < 6 ? Unique32(x, y) : kBack);
}

TEST_F(QuadDraw, TranslatedQuadsShowTheSameTexels) {
    std::mt19937 rng(99);
    std::uniform_int_distribution<int> coord(0, 40);
    Image src(9, 7, kMemImgColor32);
    FillUnique32(src);
    for (int round = 0; round < 100; ++round) {
        int32_t c[8];
        for (int& v : c) v = coord(rng);
        Image a(64, 64, kMemImgColor32), b(64, 64, kMemImgColor32);
        a.Fill(kBack);
        b.Fill(kBack);
        int32_t ca[8], cb[8];
        for (int i = 0; i < 8; ++i) {
            ca[i] = c[i] + 10;
            cb[i] = c[i] - 10;
        }
        MemImgQuad(&a.m, &src.m, ca, 0, nullptr);
        MemImgQuad(&b.m, &src.m, cb, 0, nullptr);
        for (int y = 0; y + 20 < 64; ++y)
            for (int x = 0; x + 20 < 64; ++x)
                ASSERT_EQ(b.Get(x, y), a.Get(x + 20, y + 20)) << round << ": " << x << "," << y;
    }
}

TEST_F(QuadDraw, AnchorPixelTakesTheAnchorsTexel) {
    Image src(16, 16, kMemImgColor32);
    FillUnique32(src);
    Image d(20, 20, kMemImgColor32);
    d.Fill(kBack);
    const MemImgVertex v[3] = {{12, 3, 1, 9}, {2, 1, 5, 3}, {4, 9, 8, 0}};
    MemImgTriangle(&d.m, &src.m, v, 0, nullptr, 0);
    EXPECT_EQ(d.Get(2, 1), Unique32(5, 3));
    // Negative anchor: the same triangle moved by (-3, -3) anchors at (-1, -2)
    // and shows the same texels, shifted.
    Image e(20, 20, kMemImgColor32);
    e.Fill(kBack);
    const MemImgVertex w[3] = {{9, 0, 1, 9}, {-1, -2, 5, 3}, {1, 6, 8, 0}};
    MemImgTriangle(&e.m, &src.m, w, 0, nullptr, 0);
    for (int y = 0; y < 17; ++y)
        for (int x = 0; x < 17; ++x) EXPECT_EQ(e.Get(x, y), d.Get(x + 3, y + 3)) << x << "," << y;
}

TEST_F(QuadDraw, BoxMissingTheAreaDrawsNothing) {
    Image src(4, 4, kMemImgColor32);
    FillUnique32(src);
    Image d(30, 30, kMemImgColor32);
    d.Fill(kBack);
    SetArea(10, 10, 20, 20);
    const int32_t left[8] = {0, 10, 5, 10, 0, 15, 5, 15};       // right + 4 = 9
    const int32_t below[8] = {10, 22, 15, 22, 10, 25, 15, 25};  // top - 2 = 20
    MemImgQuad(&d.m, &src.m, left, 0, nullptr);
    MemImgQuad(&d.m, &src.m, below, 0, nullptr);
    for (uint32_t p : d.Pixels()) EXPECT_EQ(p, kBack);
}

TEST_F(QuadDraw, CollinearFirstCornersDrawOnlyTheSecondTriangle) {
    Image src(4, 4, kMemImgColor32);
    FillUnique32(src);
    Image a(20, 20, kMemImgColor32), b(20, 20, kMemImgColor32);
    a.Fill(kBack);
    b.Fill(kBack);
    const int32_t c[8] = {0, 2, 8, 2, 4, 2, 9, 12};
    MemImgQuad(&a.m, &src.m, c, 0, nullptr);
    const MemImgVertex second[3] = {{8, 2, 4, 0}, {4, 2, 0, 4}, {9, 12, 4, 4}};
    MemImgTriangle(&b.m, &src.m, second, 0, nullptr, 0);
    EXPECT_EQ(a.Pixels(), b.Pixels());
    EXPECT_NE(a.Get(8, 5), kBack);
}

TEST_F(RotatedBlit, NaturalSizeLandsAroundTheCentre) {
    Image src(5, 3, kMemImgColor32);
    FillUnique32(src);
    Image d(120, 60, kMemImgColor32);
    d.Fill(kBack);
    MemImgBlitRotate(&d.m, &src.m, 100, 50, 0.0f, 1.0f, 0, 0, nullptr);
    ExpectBoxAt(d, 98, 49, 5, 3);
}

TEST_F(RotatedBlit, ScaleTwoDrawsTwoByTwoBlocks) {
    Image src(4, 2, kMemImgColor32);
    FillUnique32(src);
    Image d(40, 40, kMemImgColor32);
    d.Fill(kBack);
    MemImgBlitRotate(&d.m, &src.m, 20, 20, 0.0f, 2.0f, 0, 0, nullptr);
    // u = (x - 20) / 2 + 2 and v = (y - 20) / 2 + 1 texels.
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x) {
            const bool in = x >= 16 && x < 24 && y >= 18 && y < 22;
            EXPECT_EQ(d.Get(x, y), in ? Unique32((x - 16) / 2, (y - 18) / 2) : kBack)
                << x << "," << y;
        }
}

TEST_F(RotatedBlit, TurnFlagMirrorsThroughTheQuad) {
    Image src(3, 1, kMemImgColor32);
    FillUnique32(src);
    Image d(20, 20, kMemImgColor32);
    d.Fill(kBack);
    MemImgBlitRotate(&d.m, &src.m, 10, 10, 0.0f, 1.0f, 0, 1, nullptr);
    // Corners truncate to (8..11, 9..10); the quad's first corner is the
    // right-hand one, so row 9 reads texels 2, 1, 0 from column 9.
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x) {
            uint32_t want = kBack;
            if (y == 9 && x >= 9 && x <= 11) want = Unique32(11 - x, 0);
            EXPECT_EQ(d.Get(x, y), want) << x << "," << y;
        }
}

TEST_F(RotatedBlit, UnusableInputDrawsNothing) {
    Image src(4, 4, kMemImgColor32), empty(0, 3, kMemImgColor32), flat(3, 0, kMemImgColor32);
    FillUnique32(src);
    Image d(40, 40, kMemImgColor32);
    d.Fill(kBack);
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    for (int turn = 0; turn < 2; ++turn) {
        MemImgBlitRotate(&d.m, &empty.m, 20, 20, 0.0f, 1.0f, 0, turn, nullptr);
        MemImgBlitRotate(&d.m, &flat.m, 20, 20, 0.0f, 1.0f, 0, turn, nullptr);
        for (float scale : {0.0f, nan, inf, -inf, 1e30f})
            MemImgBlitRotate(&d.m, &src.m, 20, 20, 0.3f, scale, 0, turn, nullptr);
        for (float angle : {nan, inf, -inf})
            MemImgBlitRotate(&d.m, &src.m, 20, 20, angle, 1.0f, 0, turn, nullptr);
        MemImgBlitRotate(&d.m, &src.m, 9000, 20, 0.0f, 1.0f, 0, turn, nullptr);
        MemImgBlitRotate(&d.m, &src.m, 20, -8193, 0.0f, 1.0f, 0, turn, nullptr);
        MemImgBlitRotate(&d.m, &src.m, 20, 20, 0.0f, 1e-30f, 0, turn, nullptr);
    }
    for (uint32_t p : d.Pixels()) EXPECT_EQ(p, kBack);
    // A huge angle is still an angle: drawn somewhere, inside the image.
    MemImgBlitRotate(&d.m, &src.m, 20, 20, 1e30f, 1.0f, 0, 0, nullptr);
    MemImgBlitRotate(&d.m, &src.m, 20, 20, 1e30f, 3000.0f, 0, 1, nullptr);
}

TEST_F(RotatedBlit, TallAndWideSourcesStayInside) {
    Image tall(3, 5000, kMemImgColor16), wide(8193, 2, kMemImgColor32);
    tall.Fill(0x1234);
    wide.Fill(0x01020304);
    Image d16(64, 64, kMemImgColor16), d32(64, 64, kMemImgColor32);
    MemImgBlitRotate(&d16.m, &tall.m, 32, 32, 0.7f, 0.01f, 0, 0, nullptr);
    MemImgBlitRotate(&d16.m, &tall.m, 32, 32, 0.0f, 1.0f, 0, 0, nullptr);
    // Rows 2500 - 32 .. 2500 + 31 of the tall source fill column 31..33.
    EXPECT_EQ(d16.Get(32, 0), 0x1234u);
    EXPECT_EQ(d16.Get(32, 63), 0x1234u);
    // Wider than 8192: refused by every drawer.
    MemImgBlitRotate(&d32.m, &wide.m, 32, 32, 0.0f, 1.0f, 0, 0, nullptr);
    MemImgBlitRotate(&d32.m, &wide.m, 32, 32, 0.0f, 1.0f, 0, 1, nullptr);
    const int32_t c[8] = {-8191, 0, 8191, 0, -8191, 2, 8191, 2};
    MemImgQuad(&d32.m, &wide.m, c, 0, nullptr);
    for (uint32_t p : d32.Pixels()) EXPECT_EQ(p, 0u);
    // Far vertices with a big texture step stay inside the source.
    Image src(64, 64, kMemImgColor32);
    FillUnique32(src);
    const MemImgVertex v[3] = {
        {-8192, -8192, 0, 0}, {8191, 8191, 8191, -8192}, {-8192, 8191, 64, 8191}};
    MemImgTriangle(&d32.m, &src.m, v, 0, nullptr, 0);
    const MemImgVertex far[3] = {{-9000, 0, 0, 0}, {20, 0, 3, 0}, {0, 20, 0, 3}};
    d32.Fill(kBack);
    MemImgTriangle(&d32.m, &src.m, far, 0, nullptr, 0);
    for (uint32_t p : d32.Pixels()) EXPECT_EQ(p, kBack);
}

TEST_F(ShapeRefusals, RefusedCallsLeaveTheDestination) {
    Image s32(4, 4, kMemImgColor32), s16(4, 4, kMemImgColor16), s8(4, 4, kMemImgSingle8),
        s16one(4, 4, kMemImgSingle16);
    FillUnique32(s32);
    s16.Fill(0x1234);
    s8.Fill(0x55);
    Image d32(16, 16, kMemImgColor32), d16(16, 16, kMemImgColor16), dpal(16, 16, kMemImgColor32, 1),
        dalpha(16, 16, kMemImgColor32, 0, 1), d8(16, 16, kMemImgSingle8);
    for (Image* d : {&d32, &d16, &dpal, &dalpha, &d8}) d->Fill(kBack);
    auto drawAll = [&](Image& d, Image& s) {
        DrawBox(d, s, 2, 2);
        MemImgBlitRotate(&d.m, &s.m, 8, 8, 0.2f, 1.0f, 0, 0, nullptr);
        MemImgBlitRotate(&d.m, &s.m, 8, 8, 0.2f, 1.0f, 0, 1, nullptr);
    };
    drawAll(d32, s16);  // colour types differ
    drawAll(d16, s32);
    drawAll(dpal, s32);    // palette destination
    drawAll(dalpha, s32);  // alpha destination
    drawAll(d32, s8);      // colour type 2 and 3 sources
    drawAll(d32, s16one);
    drawAll(d8, s8);
    // Modes without loops, and parameters that draw nothing.
    const int refused[][2] = {{5, 255},  {6, 255},  {7, 255}, {8, 255}, {9, 255},
                              {12, 255}, {-1, 255}, {1, 0},   {2, 0},   {3, 0}};
    for (auto [mode, p] : refused) {
        SetMemImgBlendMode(mode, p);
        drawAll(d32, s32);
        drawAll(d16, s16);
        const MemImgVertex v[3] = {{0, 0, 0, 0}, {10, 0, 0, 0}, {0, 10, 0, 0}};
        MemImgTriangle(&d32.m, nullptr, v, 0, nullptr, 0x12345678);
    }
    SetMemImgBlendMode(0, 255);
    MemImgTriangle(&d32.m, &s32.m, nullptr, 0, nullptr, 0);
    MemImgTriangle(nullptr, &s32.m, nullptr, 0, nullptr, 0);
    MemImgQuad(&d32.m, &s32.m, nullptr, 0, nullptr);
    MemImgBlitRotate(nullptr, &s32.m, 1, 1, 0.0f, 1.0f, 0, 0, nullptr);
    // A blend image smaller than the source.
    Image small(3, 4, kMemImgColor32);
    DrawBox(d32, s32, 2, 2, 0, &small.m);
    MemImgBlitRotate(&d32.m, &s32.m, 8, 8, 0.0f, 1.0f, 0, 0, &small.m);
    // An empty draw area.
    SetArea(5, 5, 5, 10);
    drawAll(d32, s32);
    for (Image* d : {&d32, &d16, &dpal, &dalpha, &d8})
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x)
                ASSERT_EQ(d->Get(x, y),
                          d->bpp == 4 ? kBack : (d->bpp == 2 ? kBack & 0xFFFF : kBack & 0xFF));
}

TEST_F(ShapeRefusals, ModeThreeAtZeroRefusesDirectSources) {
    // Only paletted sources run mode 3 at parameter 0.
    Image s(2, 2, kMemImgColor32), d(4, 4, kMemImgColor32);
    FillUnique32(s);
    d.Fill(kBack);
    SetMemImgBlendMode(3, 0);
    DrawBox(d, s, 0, 0);
    for (uint32_t p : d.Pixels()) EXPECT_EQ(p, kBack);
}

}  // namespace
