// Text on the software renderer (no Direct3D): pixels from the memory cache
// straight onto the screen image, or through a work image and the blitter,
// by colour depth and font type, clipped, transparent or not.
#include <gtest/gtest.h>

#include "font_fixture.h"
#include "graphics/software_draw.h"

using namespace DuRud;
using namespace fonttest;

namespace {

class SoftwareFontTest : public FontTest {
  protected:
    void SetUp() override { Start({.software = 1}); }
};

class Software16FontTest : public FontTest {
  protected:
    void SetUp() override { Start({.colorBits = 16, .software = 1}); }
};

TEST_F(SoftwareFontTest, PlainTextMatchesTheDeviceRoad) {
    const Handle font = TestFont(0);
    ASSERT_EQ(0, Record(font)->usesTexture);
    EXPECT_EQ(0, DrawTextWithFont(10, 20, "AB", MakeColorValue(255, 255, 255), font, 0, 0));
    EXPECT_EQ(kAB, Block(10, 20, 12, 12));
    // Turned: the same boxes as the device road's.
    ClearScreen();
    DrawTextWithFont(10, 20, "AB", MakeColorValue(255, 255, 255), font, 0, 1);
    const std::vector<std::string> want = TurnedAB();
    EXPECT_EQ(want, Block(10, 20, 16, 12));
}

TEST_F(SoftwareFontTest, ClippedToTheDrawArea) {
    const Handle font = TestFont(0);
    SetDrawClip(12, 0, 18, 120);
    DrawTextWithFont(10, 20, "AB", MakeColorValue(255, 255, 255), font, 0, 0);
    SetDrawClip(0, 0, 160, 120);
    std::vector<std::string> want = kAB;
    for (auto& row : want)
        for (int x = 0; x < 12; ++x)
            if (x < 2 || x >= 8) row[x] = '.';
    EXPECT_EQ(want, Block(10, 20, 12, 12));
}

struct TypeRow {
    const char* name;
    int type, edge;
    int blendMode, blendParameter;
    int x, y;       // a pixel of the drawn 'A' at (10, 20)
    uint32_t want;  // 0x00RRGGBB over black
};

TEST_F(SoftwareFontTest, TypesByTheTable) {
    // White text, red edge. 'A' body at columns 11..13, rows 24..31; an
    // edged box starts at the same place, the body one pixel further.
    const TypeRow rows[] = {
        {"Type0Body", 0, -1, 0, 255, 12, 25, 0xFFFFFF},
        {"Type0HalfThroughWorkImage", 0, -1, 1, 128, 12, 25, 0x808080},
        {"Type1Body", 1, 1, 0, 255, 13, 26, 0xFFFFFF},
        {"Type1Edge", 1, 1, 0, 255, 12, 24, 0xFF0000},
        {"Type1PlusLeavesCorner", 1, 1, 0, 255, 11, 24, 0x000000},
        // Level 16 - 1 = 15: alpha 15 << 4 = 240 of white.
        {"Type2Level15", 2, -1, 0, 255, 12, 25, 0xF0F0F0},
        // Body 15: the text colour, opaque; edge e = 15 alone: alpha 240, red.
        {"Type3Body", 3, 1, 0, 255, 13, 26, 0xFFFFFF},
        {"Type3Edge", 3, 1, 0, 255, 12, 24, 0xF00000},
    };
    for (const TypeRow& r : rows) {
        SCOPED_TRACE(r.name);
        ClearScreen();
        const Handle font = TestFont(r.type, 16, r.edge);
        SetBlendMode(r.blendMode, r.blendParameter);
        DrawTextWithFont(10, 20, "A", MakeColorValue(255, 255, 255), font,
                         MakeColorValue(255, 0, 0), 0);
        SetBlendMode(0, 255);
        const uint32_t got = ScreenPixel(r.x, r.y);
        for (int shift : {16, 8, 0})
            EXPECT_NEAR(int(r.want >> shift & 0xFF), int(got >> shift & 0xFF), 1) << shift;
        DeleteHandle(font);
    }
}

TEST_F(SoftwareFontTest, OpaqueDrawClearsTheEmptyPixels) {
    // 'q' at 1x: a 4 x 7 box at offsets (0, 6) whose top-left pixel is empty.
    const Handle font = TestFont(0);
    DrawBoxShape(0, 0, 160, 120, MakeColorValue(0, 0, 255), 1);
    const RECT clip{0, 0, 160, 120};
    for (int transparent : {1, 0}) {
        SCOPED_TRACE(transparent);
        EXPECT_EQ(6,
                  DrawStringThroughCache(1, 10, 20, 0, 1.0, 1.0, "q", 0xFFFFFF, SoftwarePrimary(),
                                         &clip, transparent, font, 0, -1, 0, nullptr));
        EXPECT_EQ(transparent ? 0x0000FFu : 0u, ScreenPixel(10, 26));
        EXPECT_EQ(0xFFFFFFu, ScreenPixel(12, 27));
        EXPECT_EQ(0x0000FFu, ScreenPixel(15, 22));  // outside the box
    }
}

TEST_F(Software16FontTest, SixteenBitScreen) {
    const Handle plain = TestFont(0);
    DrawTextWithFont(10, 20, "AB", MakeColorValue(255, 255, 255), plain, 0, 0);
    EXPECT_EQ(kAB, Block(10, 20, 12, 12));
    // Level 15 through the alpha work image: 240 of full red, in 5-6-5.
    ClearScreen();
    const Handle smooth = TestFont(2);
    DrawTextWithFont(10, 20, "A", MakeColorValue(255, 0, 0), smooth, 0, 0);
    EXPECT_NEAR(240, int(ScreenPixel(12, 25) >> 16), 9);
    EXPECT_EQ(0u, ScreenPixel(12, 25) & 0xFFFF);
}

}  // namespace
