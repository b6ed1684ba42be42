// MemImgLine and MemImgLineList: which pixels a line covers (first end drawn,
// second never, minor coordinate late), clipping, outlines, extreme ends.
#include "flat_fixture.h"

using namespace DuRud;
using namespace softmodes;

namespace {

class LinesTest : public softblit::SoftBlitTest {};

Points Draw(int w, int h, int x1, int y1, int x2, int y2,
            RECT area = RECT{0, 0, 1 << 20, 1 << 20}) {
    Canvas c(w, h, kMemImgColor32);
    c.Fill(0);
    State(0, 255, 0xFFFFFF, area);
    MemImgLine(&c.view, x1, y1, x2, y2, 0x00FFFFFFu);
    EXPECT_TRUE(MarginsIntact(c));
    return Changed(c, 0);
}

TEST_F(LinesTest, CoveredPixels) {
    EXPECT_EQ(Draw(8, 8, 0, 0, 4, 1), (Points{{0, 0}, {1, 0}, {2, 0}, {3, 0}}));
    EXPECT_EQ(Draw(8, 8, 4, 1, 0, 0), (Points{{4, 1}, {3, 1}, {2, 1}, {1, 1}}));
    EXPECT_EQ(Draw(8, 8, 0, 0, 2, 2), (Points{{0, 0}, {1, 1}}));
    EXPECT_EQ(Draw(8, 8, 1, 0, 2, 3), (Points{{1, 0}, {1, 1}, {1, 2}}));
    EXPECT_TRUE(Draw(8, 8, 3, 3, 3, 3).empty());
}

TEST_F(LinesTest, ClippedToTheArea) {
    EXPECT_EQ(Draw(100, 100, -50, 10, 10, -50), (Points{{0, 0}}));
    const RECT area{2, 0, 6, 4};
    EXPECT_EQ(Draw(8, 4, 0, 1, 20, 1, area), (Points{{2, 1}, {3, 1}, {4, 1}, {5, 1}}));
    EXPECT_EQ(Draw(8, 4, 20, 1, -20, 1, area), (Points{{5, 1}, {4, 1}, {3, 1}, {2, 1}}));
    EXPECT_TRUE(Draw(8, 4, 7, 0, 7, 3, area).empty());
}

TEST_F(LinesTest, BoxOutlineUnderAdditiveBrightensEachPixelOnce) {
    Canvas c(8, 7, kMemImgColor32);
    c.Fill(0);
    State(2, 255);
    const int x1 = 2, y1 = 1, x2 = 7, y2 = 5;  // pixel box (2,1)..(6,4)
    const MemImgLineRecord lines[4] = {{x1, y1, x2 - 1, y1, 10, 0},
                                       {x2 - 1, y1, x2 - 1, y2 - 1, 10, 0},
                                       {x2 - 1, y2 - 1, x1, y2 - 1, 10, 0},
                                       {x1, y2 - 1, x1, y1, 10, 0}};
    MemImgLineList(&c.view, lines, 4);
    for (int y = 0; y < c.h(); ++y) {
        for (int x = 0; x < c.w(); ++x) {
            const bool edge = x >= x1 && x < x2 && y >= y1 && y < y2 &&
                              (x == x1 || x == x2 - 1 || y == y1 || y == y2 - 1);
            EXPECT_EQ(c.Get(x, y), edge ? 10u : 0u) << x << "," << y;
        }
    }
}

TEST_F(LinesTest, ListCountsAndBadInput) {
    Canvas c(4, 4, kMemImgColor16);
    c.Fill(0);
    const MemImgLineRecord one{0, 0, 3, 0, 1, 0};
    MemImgLineList(&c.view, &one, 0);
    MemImgLineList(&c.view, &one, -3);
    MemImgLineList(&c.view, nullptr, 5);
    MemImgLineList(nullptr, &one, 1);
    MEMIMG blank{};
    MemImgLine(&blank, 0, 0, 3, 3, 1);
    EXPECT_TRUE(Changed(c, 0).empty());
    MemImgLineList(&c.view, &one, 1);
    EXPECT_EQ(Changed(c, 0), (Points{{0, 0}, {1, 0}, {2, 0}}));

    Canvas pal(4, 4, kMemImgColor16, false, true);
    const auto before = pal.Store();
    MemImgLine(&pal.view, 0, 0, 3, 3, 1);
    EXPECT_EQ(pal.Store(), before);
}

TEST_F(LinesTest, ExtremeEndsStayInside) {
    Points row;
    for (int x = 0; x < 16; ++x) row.insert({x, 5});
    EXPECT_EQ(Draw(16, 16, INT_MIN, 5, INT_MAX, 5), row);
    EXPECT_EQ(Draw(16, 16, INT_MAX, 5, INT_MIN, 5), row);
    Draw(16, 16, INT_MIN, INT_MIN, INT_MAX, INT_MAX);
    Draw(16, 16, INT_MAX, INT_MIN, INT_MIN, INT_MAX);
    Draw(16, 16, 3, INT_MIN, 4, INT_MAX);
    Draw(16, 16, INT_MIN, 0, 0, INT_MAX);
}

TEST_F(LinesTest, SixteenBitLineUnderAlphaMix) {
    Canvas c(4, 1, kMemImgColor16);
    c.Fill(uint32_t(20 << 5));
    State(1, 128);
    MemImgLine(&c.view, 0, 0, 4, 0, uint32_t(10 << 5));
    // 20 + (128 * -10 / 255 toward zero = -5) = 15.
    for (int x = 0; x < 4; ++x) EXPECT_EQ(c.Get(x, 0), uint32_t(15 << 5));
}

}  // namespace
