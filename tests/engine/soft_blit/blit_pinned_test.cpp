// Hand-computed pixels of MemImgBlit: the full-strength and half kernels
// with the MMX flag both ways, the 16-bit fast paths and their pairs, blend
// factor and run-path values.
#include <gtest/gtest.h>

#include "soft_blit_fixture.h"
#include "soft/memimg_renderer.h"

using namespace softblit;
using DuRud::kMemImgColor16;
using DuRud::kMemImgColor32;

namespace {

class BlitPinned : public SoftBlitTest {
  protected:
    // Draws a 1 x n source of `s` onto a destination of `d` and returns the
    // destination pixels.
    std::vector<uint32_t> Draw(int type, uint32_t d, std::vector<uint32_t> s, int mode, int p,
                               int mmx, uint32_t bright = 0xFFFFFF, int trans = 0,
                               bool alpha = false, const Canvas* blend = nullptr) {
        Canvas dst(int(s.size()), 1, type);
        Canvas src(int(s.size()), 1, type, alpha, false, 0xFFFFFFFF);
        dst.Fill(d);
        for (size_t i = 0; i < s.size(); ++i) src.Put(int(i), 0, s[i]);
        DrawState st;
        st.mode = mode;
        st.p = p;
        st.bright = bright;
        ApplyDrawState(st);
        ScopedMmx scoped(mmx);
        DuRud::MemImgBlit(&dst.view, &src.view, 0, 0, trans, blend ? &blend->view : nullptr);
        std::vector<uint32_t> out;
        for (int i = 0; i < dst.w(); ++i) out.push_back(dst.Get(i, 0));
        return out;
    }
};

TEST_F(BlitPinned, FullStrengthAddPlainAndMmx) {
    EXPECT_EQ(Draw(kMemImgColor32, 0x808080, {0x808080}, 2, 255, 0)[0], 0x01FFFFFFu);
    EXPECT_EQ(Draw(kMemImgColor32, 0x808080, {0x808080}, 2, 255, 1)[0], 0x00FFFFFFu);
    EXPECT_EQ(Draw(kMemImgColor32, 0x010101, {0x010101}, 2, 255, 0)[0], 0x000002u);
    EXPECT_EQ(Draw(kMemImgColor32, 0x010101, {0x010101}, 2, 255, 1)[0], 0x020202u);
    // The general add (an alpha source's a = 255 pixel under the transparent
    // flag takes it) adds every channel whole.
    EXPECT_EQ(Draw(kMemImgColor32, 0x010101, {0xFF010101}, 2, 255, 0, 0xFFFFFF, 2, true)[0],
              0x020202u);
}

TEST_F(BlitPinned, FullStrengthSubtractPlainAndMmx) {
    EXPECT_EQ(Draw(kMemImgColor32, 0x303030, {0x101010}, 3, 255, 0)[0], 0x212120u);
    EXPECT_EQ(Draw(kMemImgColor32, 0x303030, {0x101010}, 3, 255, 1)[0], 0x202020u);
    EXPECT_EQ(Draw(kMemImgColor32, 0x101010, {0x202020}, 3, 255, 0)[0], 0u);
    EXPECT_EQ(Draw(kMemImgColor32, 0x101010, {0x202020}, 3, 255, 1)[0], 0u);
}

TEST_F(BlitPinned, AlphaBlendByParameter32) {
    for (int mmx = 0; mmx < 2; ++mmx) {
        // Half blend: (1 >> 1) + (3 >> 1) = 1, byte 3 cleared.
        EXPECT_EQ(Draw(kMemImgColor32, 0x77030303, {0x010101}, 1, 128, mmx)[0], 0x010101u);
        // (200 * 64 + 100 * 192) >> 8 = 125, byte 3 kept.
        EXPECT_EQ(Draw(kMemImgColor32, 0x77646464, {0xC8C8C8}, 1, 64, mmx)[0], 0x777D7D7Du);
    }
    // Mode 10 at p = 255: (0 - 0) ... target 255 onto 0: (255 * 255) >> 8 = 254.
    EXPECT_EQ(Draw(kMemImgColor32, 0, {0}, 10, 255, 0)[0], 0xFEFEFEu);
}

TEST_F(BlitPinned, BlendFactor255IsNotFull) {
    Canvas mask(1, 1, DuRud::kMemImgSingle8);
    mask.Put(0, 0, 9);
    DuRud::MemImgBlendImageTable[9] = 255;
    EXPECT_EQ(Draw(kMemImgColor32, 0, {0xFFFFFF}, 0, 0, 0, 0xFFFFFF, 0, false, &mask)[0],
              0xFEFEFEu);
}

TEST_F(BlitPinned, SixteenBitAdd) {
    EXPECT_EQ(Draw(kMemImgColor16, 0x8410, {0x8410}, 2, 255, 0)[0], 0xFFFFu);
    // Fast path: no (d OR x) term.
    EXPECT_EQ(Draw(kMemImgColor16, 0x0000, {0x0020}, 2, 255, 0)[0], 0x0000u);
    EXPECT_EQ(Draw(kMemImgColor16, 0x0000, {0x0020}, 2, 255, 0, 0xFFFFFE)[0], 0x0020u);
    EXPECT_EQ(Draw(kMemImgColor16, 0xF800, {0x0800}, 2, 255, 1)[0], 0xF000u);
    EXPECT_EQ(Draw(kMemImgColor16, 0xF800, {0x0800}, 2, 255, 0, 0xFFFFFE)[0], 0xF800u);
    // In a pair too, and the MMX flag changes nothing.
    EXPECT_EQ(Draw(kMemImgColor16, 0xF800, {0x0800, 0x0800}, 2, 255, 1),
              (std::vector<uint32_t>{0xF000, 0xF000}));
}

TEST_F(BlitPinned, SixteenBitSubtract) {
    EXPECT_EQ(Draw(kMemImgColor16, 0xFFFF, {0xFFFF}, 3, 255, 0)[0], 0x0800u);
    EXPECT_EQ(Draw(kMemImgColor16, 0xFFFF, {0xFFFF, 0xFFFF}, 3, 255, 0),
              (std::vector<uint32_t>{0x0800, 0x0801}));
    EXPECT_EQ(Draw(kMemImgColor16, 0xFFFF, {0xFFFF, 0xFFFF, 0xFFFF}, 3, 255, 0),
              (std::vector<uint32_t>{0x0800, 0x0801, 0x0800}));
    EXPECT_EQ(Draw(kMemImgColor16, 0xFFFF, {0x0000}, 3, 255, 0, 0xFFFFFE)[0], 0xFFDFu);
}

TEST_F(BlitPinned, SixteenBitWhiteOnWhite) {
    EXPECT_EQ(Draw(kMemImgColor16, 0xFFFF, {0xFFFF}, 1, 128, 0)[0], 0xF7DEu);
    EXPECT_EQ(Draw(kMemImgColor16, 0xFFFF, {0xFFFF}, 11, 255, 0)[0], 0xF7DEu);
    EXPECT_EQ(Draw(kMemImgColor16, 0xFFFF, {0xFFFF}, 4, 0, 0)[0], 0xF7DEu);
    EXPECT_EQ(Draw(kMemImgColor16, 0x1234, {0xFFFF}, 10, 255, 0)[0], 0x0000u);
    // Red 31 onto 0 at p = 200: six-bit layer 50 white, scaled form otherwise.
    EXPECT_EQ(Draw(kMemImgColor16, 0, {0xF800}, 1, 200, 0)[0] >> 11, 24u);
    EXPECT_EQ(Draw(kMemImgColor16, 0, {0xF800}, 1, 200, 0, 0xFFFFFE)[0] >> 11, 24u);
}

TEST_F(BlitPinned, RunPathWeightsByAlpha) {
    // 32-bit, mode 2, p = 255: opaque 255 stays 255, a = 200 gives (255 * 200 * 255) >> 16 = 198.
    Canvas dst(2, 1, kMemImgColor32);
    Canvas src(2, 1, kMemImgColor32, true);
    dst.Fill(0);
    src.Put(0, 0, 0xFFFFFFFF);
    src.Put(1, 0, 0xC8FFFFFF);
    src.BuildRunTable();
    ApplyDrawState({2, 255, 0xFFFFFF, {0, 0, 100, 100}});
    DuRud::MemImgBlit(&dst.view, &src.view, 0, 0, 1, nullptr);
    EXPECT_EQ(dst.Get(0, 0) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(dst.Get(1, 0), 0xC6C6C6u);

    // 16-bit, mode 11, a = 200, p = 255: green 62 over 40 gives 39 (finer green).
    Canvas d16(1, 1, kMemImgColor16);
    Canvas s16(1, 1, kMemImgColor16, true);
    d16.Fill(40 << 5);
    s16.Put(0, 0, 0xC80000 | 62 << 5);
    s16.BuildRunTable();
    ApplyDrawState({11, 255, 0xFFFFFF, {0, 0, 100, 100}});
    DuRud::MemImgBlit(&d16.view, &s16.view, 0, 0, 1, nullptr);
    EXPECT_EQ((d16.Get(0, 0) >> 5) & 63, 39u);
}

TEST_F(BlitPinned, SixteenBitTransparentAboveSixteenBitsMatchesNothing) {
    Canvas dst(3, 1, kMemImgColor16);
    Canvas src(3, 1, kMemImgColor16, false, false, 0x10000);
    dst.Fill(0x0000);
    src.Fill(0x0000);  // equal to the low half of the transparent colour
    // Mode 0 copies the 0s; mode 2's fast path adds 0 without the (d OR x)
    // term, which drops the lowest bits of green and red (0x0821 -> 0x0001)
    // and, in a pair's right pixel, of blue too.
    const uint32_t copied[3] = {0, 0, 0};
    const uint32_t added[3] = {0x0001, 0x0000, 0x0001};
    for (auto [mode, expected] : {std::pair{0, copied}, std::pair{2, added}}) {
        ApplyDrawState({mode, 255, 0xFFFFFF, {0, 0, 100, 100}});
        dst.Fill(0x0821);
        DuRud::MemImgBlit(&dst.view, &src.view, 0, 0, 2, nullptr);
        for (int x = 0; x < 3; ++x) EXPECT_EQ(dst.Get(x, 0), expected[x]) << mode << " " << x;
    }
}

}  // namespace
