// The span pipeline's per-pixel rules and the plain copy's pinned values,
// each computed by hand.
#include "shape_fixture.h"
#include "soft/textured_call.h"

using namespace shapetest;

namespace {

using SpanPipeline = ShapeTest;

// One texel drawn 1:1 onto dest pixel (0, 0).
void DrawOne(Image& dest, const Image& src, int trans = 0, const MEMIMG* blend = nullptr) {
    DrawBox(dest, src, 0, 0, trans, blend);
}

TEST_F(SpanPipeline, PositionsJustOutsideTheSourceAreSkipped) {
    Image src(4, 2, kMemImgColor32), dest(8, 1, kMemImgColor32);
    src.Fill(0x11111111);
    dest.Fill(0xEEEEEEEE);
    TexturedCall call;
    ASSERT_EQ(PrepareTexturedCall(&dest.m, &src.m, nullptr, 0, &call), 1);
    // u = -1 (one unit left of column 0), then 0, ... stepping one texel.
    call.span(call.context, dest.At(0, 0), 1, 0xFFFFFFFFu, 0, 0, 0);
    call.span(call.context, dest.At(1, 0), 1, 4u << 18, 0, 0, 0);        // u = width * 2^18
    call.span(call.context, dest.At(2, 0), 1, (4u << 18) - 1, 0, 0, 0);  // last unit inside
    call.span(call.context, dest.At(3, 0), 1, 0, 2u << 18, 0, 0);        // v = height * 2^18
    call.span(call.context, dest.At(4, 0), 1, 0x80000000u, 0, 0, 0);     // far negative
    EXPECT_EQ(dest.Get(0, 0), 0xEEEEEEEEu);
    EXPECT_EQ(dest.Get(1, 0), 0xEEEEEEEEu);
    EXPECT_EQ(dest.Get(2, 0), 0x11111111u);
    EXPECT_EQ(dest.Get(3, 0), 0xEEEEEEEEu);
    EXPECT_EQ(dest.Get(4, 0), 0xEEEEEEEEu);
}

TEST_F(SpanPipeline, TransparentColourIsComparedOnTheRawTexel) {
    Image dest(4, 1, kMemImgColor32);
    // 32-bit: only byte 3 differs from the transparent colour: drawn.
    Image s32(2, 1, kMemImgColor32, 0, 0, 0x00102030);
    s32.Set(0, 0, 0x01102030);
    s32.Set(1, 0, 0x00102030);
    DrawBox(dest, s32, 0, 0, 1);
    EXPECT_EQ(dest.Get(0, 0), 0x01102030u);
    EXPECT_EQ(dest.Get(1, 0), 0u);
    // 16-bit: a transparent value above 0xFFFF never matches.
    Image d16(2, 1, kMemImgColor16), s16(2, 1, kMemImgColor16, 0, 0, 0x10001234);
    s16.Set(0, 0, 0x1234);
    DrawBox(d16, s16, 0, 0, 1);
    EXPECT_EQ(d16.Get(0, 0), 0x1234u);
    // Palette: index 7 is skipped though index 9 has the same colour; a
    // transparent value above 255 never matches an index.
    Image p(2, 1, kMemImgColor32, 1, 0, 7), q(1, 1, kMemImgColor32, 1, 0, 0x107);
    p.SetPalette(7, 0xFF445566);
    p.SetPalette(9, 0xFF445566);
    p.Set(0, 0, 7);
    p.Set(1, 0, 9);
    q.SetPalette(7, 0x00ABCDEF);
    q.Set(0, 0, 7);
    Image d(2, 1, kMemImgColor32), e(1, 1, kMemImgColor32);
    DrawBox(d, p, 0, 0, 1);
    DrawBox(e, q, 0, 0, 1);
    EXPECT_EQ(d.Get(0, 0), 0u);
    EXPECT_EQ(d.Get(1, 0), 0xFF445566u);
    EXPECT_EQ(e.Get(0, 0), 0x00ABCDEFu);
}

TEST_F(SpanPipeline, WhiteBrightnessIsTheLowTwentyFourBits) {
    Image src(1, 1, kMemImgColor32), dest(1, 1, kMemImgColor32);
    src.Set(0, 0, 0x7BFF40FF);
    for (uint32_t bright : {0x00FFFFFFu, 0xFFFFFFFFu}) {
        dest.Fill(0x01000000);
        SetMemImgDrawBright(bright);
        DrawOne(dest, src);
        EXPECT_EQ(dest.Get(0, 0), 0x7BFF40FFu) << bright;  // whole copy, byte 3 too
    }
    // Blue 254: not white; every channel through its row (255 is the
    // identity), byte 3 kept; blue 255 * 254 / 255 = 254.
    dest.Fill(0x01000000);
    SetMemImgDrawBright(0x00FFFFFE);
    DrawOne(dest, src);
    EXPECT_EQ(dest.Get(0, 0), 0x01FF40FEu);
}

TEST_F(SpanPipeline, AlphaGateFollowsTheTransparentFlag) {
    Image src(2, 1, kMemImgColor32, 0, 1), dest(2, 1, kMemImgColor32);
    src.Set(0, 0, 0x00FFFFFF);  // A = 0
    src.Set(1, 0, 0xFFFFFFFF);  // A = 255
    // T clear: both take the alpha mix. A = 0 gives D, A = 255 over 0 gives
    // (255 * 255) >> 8 = 254; byte 3 kept.
    dest.Fill(0x05102030);
    dest.Set(1, 0, 0x05000000);
    DrawBox(dest, src, 0, 0, 0);
    EXPECT_EQ(dest.Get(0, 0), 0x05102030u);
    EXPECT_EQ(dest.Get(1, 0), 0x05FEFEFEu);
    // T set: A = 0 skipped, A = 255 the whole texel, byte 3 becoming 255.
    dest.Fill(0x05102030);
    dest.Set(0, 0, 0x05AAAAAA);
    DrawBox(dest, src, 0, 0, 1);
    EXPECT_EQ(dest.Get(0, 0), 0x05AAAAAAu);
    EXPECT_EQ(dest.Get(1, 0), 0xFFFFFFFFu);
}

TEST_F(SpanPipeline, BlendFactorAndAlphaPinnedValues) {
    Image src(1, 1, kMemImgColor32, 0, 1), dest(1, 1, kMemImgColor32), blend(1, 1, kMemImgColor32);
    src.Set(0, 0, 0xFFFFFFFF);
    blend.Set(0, 0, 200);
    MemImgBlendImageTable[200] = 255;
    // T clear: (255 * 255 * 255) >> 16 = 253; T set (A = 255): factor mix 254.
    dest.Fill(0x09000000);
    DrawBox(dest, src, 0, 0, 0, &blend.m);
    EXPECT_EQ(dest.Get(0, 0), 0x09FDFDFDu);
    dest.Fill(0x09000000);
    DrawBox(dest, src, 0, 0, 1, &blend.m);
    EXPECT_EQ(dest.Get(0, 0), 0x09FEFEFEu);
    // A factor of 0 leaves the destination.
    MemImgBlendImageTable[200] = 0;
    dest.Fill(0x09123456);
    DrawBox(dest, src, 0, 0, 1, &blend.m);
    EXPECT_EQ(dest.Get(0, 0), 0x09123456u);
}

TEST_F(SpanPipeline, SixteenBitAlphaHalfWeight) {
    Image src(1, 1, kMemImgColor16, 0, 1), dest(1, 1, kMemImgColor16);
    src.Set(0, 0, 0x00800000u | 0xFFFF);  // A = 128, white
    DrawOne(dest, src);
    // (31 * 128) >> 8 = 15, (63 * 128) >> 8 = 31, blue 15.
    EXPECT_EQ(dest.Get(0, 0), uint32_t(15 << 11 | 31 << 5 | 15));
}

TEST_F(SpanPipeline, PaletteUnderHalfBrightness) {
    Image src(1, 1, kMemImgColor32, 1), dest(1, 1, kMemImgColor32);
    src.SetPalette(3, 0x77FF8001);
    src.Set(0, 0, 3);
    dest.Fill(0x42000000);
    SetMemImgDrawBright(0x808080);
    DrawOne(dest, src);
    // 255 * 128 / 255 = 128, 128 * 128 / 255 = 64.25 -> 64, 1 -> 0.
    EXPECT_EQ(dest.Get(0, 0), 0x42804000u);
    // 16-bit rows are indexed with the 5-bit field: red 31 -> 15.
    Image s16(1, 1, kMemImgColor16), d16(1, 1, kMemImgColor16);
    s16.Set(0, 0, 0xF800);
    DrawOne(d16, s16);
    EXPECT_EQ(d16.Get(0, 0), uint32_t(15 << 11));
}

TEST_F(SpanPipeline, RotatedBlendByteIsReadAtTheTexel) {
    // Quarter turn: each destination pixel's blend factor must be the one of
    // the texel that lands there, not of the destination position.
    Image src(6, 4, kMemImgColor32), blend(6, 4, kMemImgColor32);
    FillUnique32(src);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x)
            blend.m.pixels[y * blend.m.body->pitch + x] = (x + y) % 2 ? 255 : 0;
    Image plain(20, 20, kMemImgColor32), mixed(20, 20, kMemImgColor32);
    const float quarter = 1.57079637f;
    MemImgBlitRotate(&plain.m, &src.m, 10, 10, quarter, 1.0f, 0, 0, nullptr);
    MemImgBlitRotate(&mixed.m, &src.m, 10, 10, quarter, 1.0f, 0, 0, &blend.m);
    int drawn = 0;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x) {
            const uint32_t t = plain.Get(x, y);
            if (!t) {
                EXPECT_EQ(mixed.Get(x, y), 0u);
                continue;
            }
            ++drawn;
            const int tx = t & 255, ty = (t >> 8) & 255;
            // Factor 255 over 0: ((c * 255) >> 8; byte 3 stays 0.
            const uint32_t want =
                (tx + ty) % 2 ? uint32_t(((ty * 255) >> 8) << 8 | ((tx * 255) >> 8)) : 0u;
            EXPECT_EQ(mixed.Get(x, y), want) << x << "," << y;
        }
    EXPECT_EQ(drawn, 24);
    // The picture is turned: its top row runs down a column.
    EXPECT_NE(plain.Get(12, 7), 0u);
}

}  // namespace
