// One texel over one destination pixel under each textured blend mode, with
// the results worked out by hand from the channel rules.
#include <climits>
#include <limits>

#include "../soft_shapes/shape_fixture.h"

using namespace shapetest;

namespace {

constexpr int k16 = kMemImgColor16;
constexpr int k32 = kMemImgColor32;
constexpr int kNoBlend = -1;

uint32_t Rgb16(int r, int g, int b) {
    return uint32_t(r << 11 | g << 5 | b);
}

struct One {
    int type = k32;
    int palette = 0;
    int alpha = 0;
    int trans = 0;
    uint32_t bright = 0xFFFFFF;
    int factor = kNoBlend;  // blend-image byte (the fixture's table is the identity)
    uint32_t paletteEntry = 0;
};

// A 1x1 source drawn by the rotated blit onto the centre of a 3x3
// destination holding d; the eight neighbours must stay d.
uint32_t Draw(const One& o, uint32_t texel, uint32_t d, int mode, int p) {
    Image src(1, 1, o.type, o.palette, o.alpha);
    src.Set(0, 0, texel);
    if (o.palette) src.SetPalette(int(texel & 255), o.paletteEntry);
    Image blend(1, 1, k32);
    blend.Set(0, 0, uint32_t(o.factor & 255));
    Image dest(3, 3, o.type);
    dest.Fill(d);
    SetMemImgBlendMode(mode, p);
    SetMemImgDrawBright(o.bright);
    MemImgBlitRotate(&dest.m, &src.m, 1, 1, 0.0f, 1.0f, o.trans, 0,
                     o.factor == kNoBlend ? nullptr : &blend.m);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x)
            if (x != 1 || y != 1) {
                EXPECT_EQ(dest.Get(x, y), d) << x << "," << y;
            }
    return dest.Get(1, 1);
}

One Alpha32(int trans, int factor = kNoBlend) {
    One o;
    o.alpha = 1;
    o.trans = trans;
    o.factor = factor;
    return o;
}
One Alpha16(int trans, uint32_t bright = 0xFFFFFF) {
    One o;
    o.type = k16;
    o.alpha = 1;
    o.trans = trans;
    o.bright = bright;
    return o;
}
One Direct16() {
    One o;
    o.type = k16;
    return o;
}
One Direct32(int factor = kNoBlend, uint32_t bright = 0xFFFFFF) {
    One o;
    o.factor = factor;
    o.bright = bright;
    return o;
}

using TexturedModesPinned = ShapeTest;

TEST_F(TexturedModesPinned, AlphaBlendRoundingAndWeights) {
    // p = 0 draws nothing; 16-bit rounds -128/255 toward zero, 32-bit down.
    EXPECT_EQ(Draw(Direct32(), 0xFFFFFF, 0x123456, 1, 0), 0x123456u);
    EXPECT_EQ(Draw(Direct16(), Rgb16(0, 9, 0), Rgb16(0, 10, 0), 1, 128), Rgb16(0, 10, 0));
    EXPECT_EQ(Draw(Direct32(), 0x090909, 0x0A0A0A, 1, 128), 0x090909u);
    // White over black at p = 254, A = 255: 255*255*254 >> 16 = 252 on the
    // alpha path (T clear), 255*254 >> 8 = 253 on the opaque path (T set);
    // byte 3 of the destination stays.
    EXPECT_EQ(Draw(Alpha32(0), 0xFFFFFFFF, 0xAB000000, 1, 254), 0xABFCFCFCu);
    EXPECT_EQ(Draw(Alpha32(1), 0xFFFFFFFF, 0xAB000000, 1, 254), 0xABFDFDFDu);
    // F = A = 255, T clear: 255^3 * 254 >> 24 = 251.
    EXPECT_EQ(Draw(Alpha32(0, 255), 0xFFFFFFFF, 0x7F000000, 1, 254), 0x7FFBFBFBu);
    // p = 255 is the plain copy: the whole texel, byte 3 included.
    EXPECT_EQ(Draw(Direct32(), 0x11223344, 0xAB000000, 1, 255), 0x11223344u);
}

TEST_F(TexturedModesPinned, AdditiveCarriesAndTerms) {
    // Blue 31 plus 1 saturates and sets green's lowest bit.
    EXPECT_EQ(Draw(Direct16(), 0x0001, 0x001F, 2, 255), 0x003Fu);
    // Green 1 plus 1: 16-bit loses the carry of the two lowest bits, 32-bit
    // adds whole.
    EXPECT_EQ(Draw(Direct16(), 0x0020, 0x0020, 2, 255), 0x0020u);
    EXPECT_EQ(Draw(Direct32(), 0x000100, 0x000100, 2, 255), 0x000200u);
    // A zero term: 32-bit loses byte 3, 16-bit keeps its value.
    EXPECT_EQ(Draw(Direct32(), 0, 0xFF123456, 2, 255), 0x00123456u);
    EXPECT_EQ(Draw(Direct16(), 0, 0xABCD, 2, 255), 0xABCDu);
    // Red 255 plus 2: red stays, byte 3 takes the carry.
    EXPECT_EQ(Draw(Direct32(), 0x020000, 0x00FF0000, 2, 255), 0x01FF0000u);
    // 16-bit c = 31, A = 255: (31*255) >> 8 = 30 on the alpha path, 31 opaque.
    EXPECT_EQ(Draw(Alpha16(0), 0x00FF001F, 0, 2, 255), 30u);
    EXPECT_EQ(Draw(Alpha16(1), 0x00FF001F, 0, 2, 255), 31u);
    // 32-bit c = 255, p = 255 (blue only).
    EXPECT_EQ(Draw(Alpha32(0), 0xFF0000FF, 0, 2, 255), 253u);       // 255^3 >> 16
    EXPECT_EQ(Draw(Direct32(255), 0x0000FF, 0, 2, 255), 253u);      // 255^3 >> 16
    EXPECT_EQ(Draw(Alpha32(0, 255), 0xFF0000FF, 0, 2, 255), 252u);  // 255^4 >> 24
    EXPECT_EQ(Draw(Direct32(), 0x0000FF, 0, 2, 255), 255u);         // P[255]
    // Red brightness 128, c = 31, A = 200: alpha first, (31*200) >> 8 = 24,
    // then the row: 24*128/255 = 12 (lit first would give 11); at p = 128
    // the term is P[12] = 6.
    EXPECT_EQ(Draw(Alpha16(0, 0x80FFFF), 0x00C8F800, 0, 2, 255), Rgb16(12, 0, 0));
    EXPECT_EQ(Draw(Alpha16(0, 0x80FFFF), 0x00C8F800, 0, 2, 128), Rgb16(6, 0, 0));
}

TEST_F(TexturedModesPinned, SubtractiveGuardBitsAndPaletteAtZero) {
    One pal16;
    pal16.type = k16;
    pal16.palette = 1;
    pal16.paletteEntry = 0xFFFF;
    One pal32;
    pal32.palette = 1;
    pal32.paletteEntry = 0xFFFFFFFF;
    // A palette source at p = 0 still rewrites through a zero term.
    EXPECT_EQ(Draw(pal16, 7, Rgb16(2, 17, 20), 3, 0), Rgb16(3, 16, 20));
    EXPECT_EQ(Draw(pal32, 7, 0xFF123456, 3, 0), 0x00133556u);
    // A direct source at p = 0 draws nothing.
    EXPECT_EQ(Draw(Direct32(), 0xFFFFFF, 0xFF123456, 3, 0), 0xFF123456u);
    // A term equal to the destination leaves the guard bits' traces.
    EXPECT_EQ(Draw(Direct16(), 0xFFFF, 0xFFFF, 3, 255), 0x0800u);
    EXPECT_EQ(Draw(Direct32(), 0xFFFFFF, 0x00FFFFFF, 3, 255), 0x00010100u);
    EXPECT_EQ(Draw(Direct16(), 0x0020, 0x07E0, 3, 255), 0x0FC0u);
}

TEST_F(TexturedModesPinned, ModulateShiftsByWidthAndWeights) {
    // White source: every full channel loses one step, at any parameter.
    EXPECT_EQ(Draw(Direct32(), 0xFFFFFF, 0xAAFFFFFF, 4, 0), 0xAAFEFEFEu);
    EXPECT_EQ(Draw(Direct32(), 0xFFFFFF, 0xAAFFFFFF, 4, 255), 0xAAFEFEFEu);
    EXPECT_EQ(Draw(Direct16(), 0xFFFF, 0xFFFF, 4, 128), Rgb16(30, 62, 30));
    // 200 * 100 >> 8 = 78.
    EXPECT_EQ(Draw(Direct32(), 0x646464, 0xC8C8C8, 4, 17), 0x4E4E4Eu);
    // F = 255: 255^3 >> 16 = 253; F = A = 255, T clear: 255^4 >> 24 = 252.
    EXPECT_EQ(Draw(Direct32(255), 0xFFFFFF, 0xFFFFFF, 4, 9), 0xFDFDFDu);
    EXPECT_EQ(Draw(Alpha32(0, 255), 0xFFFFFFFF, 0xFFFFFF, 4, 9), 0xFCFCFCu);
    // Red brightness 128: S = 31*128/255 = 15, 31*15 >> 5 = 14.
    One lit = Direct16();
    lit.bright = 0x80FFFF;
    EXPECT_EQ(Draw(lit, Rgb16(31, 0, 0), Rgb16(31, 0, 0), 4, 9), Rgb16(14, 0, 0));
}

// An alpha-0 texel under mode 4 is skipped with the transparent flag (as
// the whole-image blits skip it) and blackens the pixel without it, through
// both drawers.
TEST_F(TexturedModesPinned, ModulateAlphaZeroSkippedUnderTheTransparentFlag) {
    for (int type : {k16, k32})
        for (int trans = 0; trans < 2; ++trans)
            for (int drawer = 0; drawer < 2; ++drawer) {
                SCOPED_TRACE(testing::Message() << type << " " << trans << " " << drawer);
                Image src(4, 4, type, 0, 1);
                src.Fill(type == k16 ? 0x0000FFFFu : 0x00FFFFFFu);  // alpha 0
                Image dest(8, 8, type);
                const uint32_t d = type == k16 ? 0xFFFFu : 0x80C0C0C0u;
                dest.Fill(d);
                SetMemImgBlendMode(4, 255);
                if (drawer == 0)
                    DrawBox(dest, src, 2, 2, trans);
                else
                    MemImgBlitRotate(&dest.m, &src.m, 4, 4, 0.0f, 1.0f, trans, 0, nullptr);
                const uint32_t inside = trans ? d : (type == k16 ? 0u : 0x80000000u);
                EXPECT_EQ(dest.Get(3, 3), inside);
                EXPECT_EQ(dest.Get(2, 5), inside);
                EXPECT_EQ(dest.Get(0, 0), d);
                EXPECT_EQ(dest.Get(7, 7), d);
            }
}

TEST_F(TexturedModesPinned, InvertedSourceLightsTheComplement) {
    // 16-bit p = 255 writes exactly the complement.
    EXPECT_EQ(Draw(Direct16(), 0x0000, 0x5555, 10, 255), 0xFFFFu);
    EXPECT_EQ(Draw(Direct16(), 0x1234, 0x5555, 10, 255), 0xEDCBu);
    // 32-bit black over black: (255*255) >> 8 = 254; byte 3 stays.
    EXPECT_EQ(Draw(Direct32(), 0x00000000, 0x33000000, 10, 255), 0x33FEFEFEu);
    // Blue brightness 128 lights the complement 255 to L = 128: a blue of
    // 128 stays, black goes to (128*255) >> 8 = 127 (inverting after the
    // brightness would give L = 255 and 254).
    EXPECT_EQ(Draw(Direct32(kNoBlend, 0xFFFF80), 0xFFFF00, 0x000080, 10, 255), 0x000080u);
    EXPECT_EQ(Draw(Direct32(kNoBlend, 0xFFFF80), 0xFFFF00, 0x000000, 10, 255), 0x00007Fu);
    // p = 0 and alpha 0 change nothing.
    EXPECT_EQ(Draw(Direct32(), 0x123456, 0x89ABCDEF, 10, 0), 0x89ABCDEFu);
    EXPECT_EQ(Draw(Direct16(), 0x1234, 0xABCD, 10, 0), 0xABCDu);
    for (int trans = 0; trans < 2; ++trans) {
        EXPECT_EQ(Draw(Alpha32(trans), 0x00123456, 0x89ABCDEF, 10, 200), 0x89ABCDEFu);
        EXPECT_EQ(Draw(Alpha16(trans), 0x00001234, 0xABCD, 10, 200), 0xABCDu);
    }
}

TEST_F(TexturedModesPinned, MultiplyProductAndFinerGreen) {
    // Green 40 under 32: m = 32*40 >> 6 = 20; p = 128 gives 40 - 10 = 30.
    EXPECT_EQ(Draw(Direct16(), Rgb16(0, 32, 0), Rgb16(0, 40, 0), 11, 128), Rgb16(0, 30, 0));
    EXPECT_EQ(Draw(Direct16(), Rgb16(0, 32, 0), Rgb16(0, 40, 0), 11, 255), Rgb16(0, 20, 0));
    // m = 78, (-122*128 + 200*256) >> 8 = 139.
    EXPECT_EQ(Draw(Direct32(), 0x646464, 0x55C8C8C8, 11, 128), 0x558B8B8Bu);
    // The finer green: floor(53/2) - 32*53 = -1670, *128*255 / 2^21 floors to
    // -26: 53 - 26 = 27 (the coarse mix gives 26).
    EXPECT_EQ(Draw(Alpha16(0), 0x00800000 | Rgb16(0, 1, 0), Rgb16(0, 53, 0), 11, 255),
              Rgb16(0, 27, 0));
    // p = 0 rewrites nothing visible.
    EXPECT_EQ(Draw(Direct32(), 0x000000, 0x89ABCDEF, 11, 0), 0x89ABCDEFu);
}

// Hostile shapes and records draw nothing in every mode and never read or
// write outside the images.
TEST_F(TexturedModesPinned, HostileInputDrawsNothingInEveryMode) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    for (int mode : {1, 2, 3, 4, 10, 11}) {
        SCOPED_TRACE(mode);
        SetMemImgBlendMode(mode, 128);
        Image src(4, 4, k32);
        src.Fill(0x00FFFFFF);
        Image small(2, 2, k32);
        Image dest(8, 8, k32);
        dest.Fill(0x11223344);
        const std::vector<uint32_t> before = dest.Pixels();
        MemImgBlitRotate(&dest.m, &src.m, 4, 4, nan, 1.0f, 0, 0, nullptr);
        MemImgBlitRotate(&dest.m, &src.m, 4, 4, 0.0f, nan, 0, 0, nullptr);
        MemImgBlitRotate(&dest.m, &src.m, 4, 4, 0.0f, inf, 0, 0, nullptr);
        MemImgBlitRotate(&dest.m, &src.m, INT_MAX, INT_MIN, 0.0f, 1.0f, 0, 0, nullptr);
        MemImgBlitRotate(&dest.m, &src.m, 4, 4, 0.0f, 1.0f, 0, 0, &small.m);  // blend too small
        const MemImgVertex huge[3] = {{INT_MIN, 0, 0, 0}, {INT_MAX, 3, 4, 0}, {0, INT_MAX, 0, 4}};
        MemImgTriangle(&dest.m, &src.m, huge, 0, nullptr, 0);
        MemImgTriangle(&dest.m, &src.m, nullptr, 0, nullptr, 0);
        const int32_t corners[8] = {INT_MIN, INT_MIN, INT_MAX, 0, 0, INT_MAX, INT_MAX, INT_MAX};
        MemImgQuad(&dest.m, &src.m, corners, 0, nullptr);
        MEMIMG broken = src.m;
        broken.magic = 0;
        MemImgBlitRotate(&dest.m, &broken, 4, 4, 0.0f, 1.0f, 0, 0, nullptr);
        DrawBox(dest, src, 0, 0, 0, &broken);
        MemImgTriangle(&dest.m, &broken, huge, 0, nullptr, 0);
        MemImgBlitRotate(nullptr, &src.m, 4, 4, 0.0f, 1.0f, 0, 0, nullptr);
        MemImgTriangle(nullptr, nullptr, huge, 0, nullptr, 0);
        EXPECT_EQ(dest.Pixels(), before);
    }
}

// A parameter outside 0-255 has no table row: the modes that read it draw
// nothing, modulate (which ignores it) still draws.
TEST_F(TexturedModesPinned, ParameterWithoutATableRowDrawsNothing) {
    for (int p : {-1, 256, INT_MAX}) {
        for (int mode : {1, 2, 3, 10, 11}) {
            One pal;
            pal.palette = 1;
            pal.paletteEntry = 0x00FFFFFF;
            EXPECT_EQ(Draw(Direct32(), 0x808080, 0x12345678, mode, p), 0x12345678u) << mode;
            EXPECT_EQ(Draw(pal, 3, 0x12345678, mode, p), 0x12345678u) << mode;
        }
        EXPECT_EQ(Draw(Direct32(), 0xFFFFFF, 0x12FFFFFF, 4, p), 0x12FEFEFEu);
    }
}

}  // namespace
