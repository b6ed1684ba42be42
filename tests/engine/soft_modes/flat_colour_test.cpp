// The combine step and the lighting of one-colour drawing, checked through
// one-pixel fills with values worked out by hand from the channel rules.
#include "flat_fixture.h"
#include "soft/flat_colour.h"

using namespace DuRud;
using namespace softmodes;

namespace {

class FlatColourTest : public softblit::SoftBlitTest {};

// One 32-bit or 16-bit pixel holding d, filled with colour under (mode, p).
uint32_t FillOne(int type, uint32_t d, uint32_t colour, int mode, int p,
                 uint32_t bright = 0xFFFFFF) {
    Canvas c(1, 1, type);
    c.Put(0, 0, d);
    State(mode, p, bright);
    MemImgFillRect(&c.view, nullptr, colour);
    EXPECT_TRUE(MarginsIntact(c));
    return c.Get(0, 0);
}
constexpr int k32 = kMemImgColor32;
constexpr int k16 = kMemImgColor16;

uint16_t Rgb16(int r, int g, int b) {
    return uint16_t(r << 11 | g << 5 | b);
}

TEST_F(FlatColourTest, AdditiveCarriesBetweenChannelsAndIntoByte3) {
    // 32-bit: blue 240 + 32 saturates alone; red's carry goes to byte 3.
    EXPECT_EQ(FillOne(k32, 0x000000F0u, 0x00000020u, 2, 255), 0x000000FFu);
    EXPECT_EQ(FillOne(k32, 0x00FF0000u, 0x00020000u, 2, 255), 0x01FF0000u);
    // 16-bit: blue 31 plus 1 saturates and carries into green's low bit.
    EXPECT_EQ(FillOne(k16, 0x001Fu, 0x0001u, 2, 255), 0x003Fu);
    // Half strength: e = 100 * 128 / 255 = 50.
    EXPECT_EQ(FillOne(k32, 0x00000010u, 0x00000064u, 2, 128), 0x00000042u);
}

TEST_F(FlatColourTest, SubtractiveWithZeroSetsLowBitsAndClearsByte3) {
    EXPECT_EQ(FillOne(k32, 0xFF123456u, 0, 3, 255), 0x00133556u);
    // 16-bit clears green's lowest bit: green 63 - 1 -> upper bits 31-0, low 0.
    EXPECT_EQ(FillOne(k16, 0x07E0u, 0x0020u, 3, 255), 0x07C0u | 0x0800u);
}

TEST_F(FlatColourTest, ModulateWithWhiteLowersEveryChannelByOne) {
    EXPECT_EQ(FillOne(k32, 0x80FF8001u, 0x00FFFFFFu, 4, 0), 0x80FE7F00u);
    EXPECT_EQ(FillOne(k16, Rgb16(31, 63, 1), 0xFFFFu, 4, 0), Rgb16(30, 62, 0));
    // (200 * 100) >> 8 = 78.
    EXPECT_EQ(FillOne(k32, 200u, 100u, 4, 77), 78u);
}

TEST_F(FlatColourTest, AlphaMixRoundsDifferentlyAtEachDepth) {
    // 16-bit: 10 + (128 * -1 / 255 toward zero = 0) = 10.
    EXPECT_EQ(FillOne(k16, Rgb16(0, 10, 0), Rgb16(0, 9, 0), 1, 128), Rgb16(0, 10, 0));
    // 32-bit: (-128 + 2560) >> 8 = 9.
    EXPECT_EQ(FillOne(k32, 0x00000A00u, 0x00000900u, 1, 128), 0x00000900u);
    // p = 255 writes the whole colour, byte 3 too.
    EXPECT_EQ(FillOne(k32, 0x11223344u, 0xAABBCCDDu, 1, 255), 0xAABBCCDDu);
    EXPECT_EQ(FillOne(k32, 0x11223344u, 0xAABBCCDDu, 0, 0), 0xAABBCCDDu);
}

TEST_F(FlatColourTest, InvertedSourceAndMultiply) {
    // Black over black, p = 255: (255 * 255) >> 8 = 254.
    EXPECT_EQ(FillOne(k32, 0x7F000000u, 0, 10, 255), 0x7FFEFEFEu);
    // 16-bit at p = 255: exactly the complement (SM(255, x) = x).
    EXPECT_EQ(FillOne(k16, Rgb16(3, 4, 5), Rgb16(1, 2, 3), 10, 255), Rgb16(30, 61, 28));
    // D = 200, S = 100, p = 128: m = 78, (-122 * 128 + 51200) >> 8 = 139.
    EXPECT_EQ(FillOne(k32, 200u, 100u, 11, 128), 139u);
    // 16-bit green 40 under 32: m = 20; p = 128 gives 40 + (-20 * 128 / 255 -> -10) = 30.
    EXPECT_EQ(FillOne(k16, Rgb16(0, 40, 0), Rgb16(0, 32, 0), 11, 128), Rgb16(0, 30, 0));
    EXPECT_EQ(FillOne(k16, Rgb16(0, 40, 0), Rgb16(0, 32, 0), 11, 255), Rgb16(0, 20, 0));
}

TEST_F(FlatColourTest, ModesAndParametersThatDrawNothing) {
    for (int mode : {1, 2, 3}) EXPECT_EQ(FillOne(k32, 0x123456u, 0xFFFFFFu, mode, 0), 0x123456u);
    for (int mode : {5, 6, 7, 8, 9, 12, -1})
        EXPECT_EQ(FillOne(k32, 0x123456u, 0xFFFFFFu, mode, 255), 0x123456u);
    EXPECT_EQ(FillOne(k32, 0x123456u, 0xFFFFFFu, 0, 256), 0x123456u);
    EXPECT_EQ(FillOne(k32, 0x123456u, 0xFFFFFFu, 0, -1), 0x123456u);
    EXPECT_EQ(FillOne(k32, 0x123456u, 0xFFFFFFu, 10, 0), 0x123456u);
    EXPECT_EQ(FillOne(k32, 0x123456u, 0xFFFFFFu, 11, 0), 0x123456u);
}

TEST_F(FlatColourTest, FillsAndLinesLightBySixteenthsTrianglesByTable) {
    // Blue factor 128: (100 * 128) >> 8 = 50; green and red (100 * 255) >> 8 = 99.
    EXPECT_EQ(FillOne(k32, 0, 0x05646464u, 0, 0, 0x00FFFF80u), 0x05636332u);
    EXPECT_EQ(FlatLightTriangle(0x05646464u, true, 0x00FFFF80u), 0x05646432u);
    EXPECT_EQ(FlatLightTriangle(Rgb16(31, 63, 31), false, 0x00FFFF80u), Rgb16(31, 63, 15));
    EXPECT_EQ(FlatLightFillLine(Rgb16(31, 63, 31), false, 0x00FFFF80u), Rgb16(30, 62, 15));
    // White brightness leaves the colour alone.
    EXPECT_EQ(FlatLightFillLine(0x05646464u, true, 0xAAFFFFFFu), 0x05646464u);
}

TEST_F(FlatColourTest, SixteenBitColourKeepsOnlyItsLowHalf) {
    EXPECT_EQ(FillOne(k16, 0, 0xFFFF001Fu, 0, 0), 0x001Fu);
    EXPECT_EQ(FillOne(k16, 0, 0x12340000u | Rgb16(1, 2, 3), 2, 255), Rgb16(1, 2, 3));
}

}  // namespace
