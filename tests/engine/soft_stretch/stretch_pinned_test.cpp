// Stretched-blit values worked out by hand: the alpha-weighted copy, the
// packed add and subtract, the scaled form's truncation, the whole-entry
// subtract with and without MMX, the transparent value of palette and
// 16-bit sources, and blend mode 3 at p = 0 on palette sources. Each draws
// a small source at twice its width so the stretch kernels run.
#include <gtest/gtest.h>

#include "soft/memimg_renderer.h"
#include "stretch_reference.h"

using namespace softblit;
using DuRud::kMemImgColor16;
using DuRud::kMemImgColor32;

namespace {

class StretchPinned : public SoftBlitTest {
  protected:
    // Draws the 1 x 1 source onto the 2 x 1 destination (a 2x stretch)
    // under mode / p and returns the first destination pixel.
    static uint32_t Draw(Canvas& dst, const Canvas& src, int mode, int p, int trans) {
        DrawState st;
        st.mode = mode;
        st.p = p;
        ApplyDrawState(st);
        const RECT rect{0, 0, 2, 1};
        DuRud::MemImgBlitStretch(&dst.view, &src.view, &rect, trans, nullptr);
        EXPECT_EQ(dst.Get(1, 0), dst.Get(0, 0));
        return dst.Get(0, 0);
    }
    static void SetEntry(const Canvas& src, int index, uint32_t entry) {
        const int unit = src.colorType == kMemImgColor16 ? 2 : 4;
        std::memcpy(src.body()->palette + unit * index, &entry, unit);
    }
};

TEST_F(StretchPinned, AlphaSourceCopy32) {
    Canvas src(1, 1, kMemImgColor32, true);
    src.Put(0, 0, 0xFFFFFFFF);
    Canvas dst(2, 1, kMemImgColor32);
    // Without the flag every pixel is weighted: (255 - 0) * 255 >> 8 = 254,
    // byte 3 unchanged.
    dst.Fill(0x5A000000);
    EXPECT_EQ(Draw(dst, src, 0, 255, 0), 0x5AFEFEFEu);
    // With the flag, alpha 255 is copied whole.
    dst.Fill(0x5A000000);
    EXPECT_EQ(Draw(dst, src, 0, 255, 1), 0xFFFFFFFFu);
    // Alpha 0 with the flag is skipped, in blend mode 4 as well; without the
    // flag mode 4 multiplies by alpha 0 and writes black.
    src.Put(0, 0, 0x00FFFFFF);
    dst.Fill(0x00808080);
    EXPECT_EQ(Draw(dst, src, 4, 0, 1), 0x00808080u);
    EXPECT_EQ(Draw(dst, src, 4, 0, 0), 0u);
}

TEST_F(StretchPinned, PackedAdd32SetsByteThreeOnRedCarry) {
    Canvas src(1, 1, kMemImgColor32);
    Canvas dst(2, 1, kMemImgColor32);
    src.Put(0, 0, 0x00808080);
    dst.Fill(0x00808080);
    for (int mmx = 0; mmx < 2; ++mmx) {  // mode 2 has no MMX form here
        ScopedMmx scoped(mmx);
        dst.Fill(0x00808080);
        EXPECT_EQ(Draw(dst, src, 2, 255, 0), 0x01FFFFFFu) << mmx;
    }
}

TEST_F(StretchPinned, SixteenBitForms) {
    Canvas src(1, 1, kMemImgColor16, true);
    Canvas dst(2, 1, kMemImgColor16);
    src.Put(0, 0, 0x00FFFFFF);  // white, alpha 255
    dst.Fill(0);
    EXPECT_EQ(Draw(dst, src, 0, 255, 1), 0xFFFFu);
    dst.Fill(0);
    EXPECT_EQ(Draw(dst, src, 0, 255, 0), 0xF7DEu);  // 30, 62, 30

    Canvas plain(1, 1, kMemImgColor16);
    // Scaled form at p = 128: red 31 over 0 gives 31 * 128 / 255 = 15.56 ->
    // 15; red 0 over 31 gives 31 - 15.56 -> 16 (truncated toward zero).
    plain.Put(0, 0, 31u << 11);
    dst.Fill(0);
    EXPECT_EQ(Draw(dst, plain, 1, 128, 0) >> 11, 15u);
    plain.Put(0, 0, 0);
    dst.Fill(31u << 11);
    EXPECT_EQ(Draw(dst, plain, 1, 128, 0) >> 11, 16u);
    // Direct subtract: (16, 32, 16) - (8, 16, 8) = (9, 16, 8), red's lowest
    // bit set as neither green nor red borrowed.
    plain.Put(0, 0, 8u << 11 | 16u << 5 | 8u);
    dst.Fill(16u << 11 | 32u << 5 | 16u);
    EXPECT_EQ(Draw(dst, plain, 3, 255, 0), 9u << 11 | 16u << 5 | 8u);
    // Packed add: (1, 1, 1) + (1, 1, 1) = (1, 1, 2); 0x8410 saturates.
    plain.Put(0, 0, 0x0821);
    dst.Fill(0x0821);
    EXPECT_EQ(Draw(dst, plain, 2, 255, 0), 0x0822u);
    plain.Put(0, 0, 0x8410);
    dst.Fill(0x8410);
    EXPECT_EQ(Draw(dst, plain, 2, 255, 0), 0xFFFFu);
    // Blend mode 10 at p = 255 gives the complement of the source.
    plain.Put(0, 0, 0x1234);
    dst.Fill(0xFFFF);
    EXPECT_EQ(Draw(dst, plain, 10, 255, 0), 0xFFFFu ^ 0x1234u);
}

TEST_F(StretchPinned, SixteenBitTransparentValueIsComparedWhole) {
    // A stored value above 0xFFFF matches no 16-bit pixel, in the plain copy
    // as in every other kernel.
    Canvas src(1, 1, kMemImgColor16, false, false, 0x10000 | 0x1234);
    src.Put(0, 0, 0x1234);
    for (uint32_t bright : {0xFFFFFFu, 0xFFFFFEu}) {
        Canvas dst(2, 1, kMemImgColor16);
        dst.Fill(0);
        DrawState st;
        st.bright = bright;
        ApplyDrawState(st);
        const RECT rect{0, 0, 2, 1};
        DuRud::MemImgBlitStretch(&dst.view, &src.view, &rect, 1, nullptr);
        EXPECT_NE(dst.Get(0, 0), 0u) << bright;
    }
}

TEST_F(StretchPinned, WholeEntrySubtractMmxAndPlain) {
    Canvas src(1, 1, kMemImgColor32, false, true, 300);
    SetEntry(src, 7, 4u << 8);  // green 4
    src.Put(0, 0, 7);
    Canvas dst(2, 1, kMemImgColor32);
    for (int mmx = 0; mmx < 2; ++mmx) {
        ScopedMmx scoped(mmx);
        dst.Fill(0x7F000000 | 10u << 8);  // green 10, blue 0: no borrow into green
        const uint32_t got = Draw(dst, src, 3, 255, 0);
        // MMX: 10 - 4 exactly, byte 3 kept. Plain: (10 | 1) - 4 = 7, red's
        // lowest bit set, byte 3 cleared.
        EXPECT_EQ(got, mmx ? 0x7F000600u : 0x00010700u) << mmx;
    }
}

TEST_F(StretchPinned, WholeEntrySubtractReadsEveryEntryOfThisCall) {
    // The first call's source has entry 200 = blue 5; the second's has only
    // two counted entries, but index 200 must still give its own entry.
    Canvas first(1, 1, kMemImgColor32, false, true, 300);
    SetEntry(first, 200, 5);
    first.Put(0, 0, 200);
    first.body()->paletteEntriesUsed = 256;
    Canvas second(1, 1, kMemImgColor32, false, true, 300);
    SetEntry(second, 200, 9);
    second.Put(0, 0, 200);
    second.body()->paletteEntriesUsed = 2;
    Canvas dst(2, 1, kMemImgColor32);
    for (int mmx = 0; mmx < 2; ++mmx) {
        ScopedMmx scoped(mmx);
        dst.Fill(0x40);
        Draw(dst, first, 3, 255, 0);
        dst.Fill(0x40);
        EXPECT_EQ(Draw(dst, second, 3, 255, 0) & 0xFF, 0x40u - 9u) << mmx;
    }
}

TEST_F(StretchPinned, PaletteLerp16) {
    // Mode 1 at p = 128 on a 16-bit palette: d + S[128][31 - 0] = 15.
    Canvas src(1, 1, kMemImgColor16, false, true, 300);
    SetEntry(src, 3, 31u << 11);
    src.Put(0, 0, 3);
    Canvas dst(2, 1, kMemImgColor16);
    dst.Fill(0);
    EXPECT_EQ(Draw(dst, src, 1, 128, 0) >> 11, 15u);
}

TEST_F(StretchPinned, PaletteTransparentValueAbove255SkipsNothing) {
    for (int type : {kMemImgColor32, kMemImgColor16}) {
        for (int mode : {0, 1, 3}) {  // entry copy, lerp, whole-entry subtract
            Canvas src(1, 1, type, false, true, 0x1FF);
            SetEntry(src, 255, 0x00FF);
            src.Put(0, 0, 255);
            Canvas dst(2, 1, type);
            dst.Fill(mode == 3 ? 0xFFFF : 0);
            const uint32_t got = Draw(dst, src, mode, mode == 1 ? 200 : 255, 1);
            EXPECT_NE(got, mode == 3 ? 0xFFFFu : 0u) << type << " mode " << mode;
        }
        // The index itself (low byte equal or not) is compared whole: 0x1FF
        // and index 255 differ, 9 and index 9 match.
        Canvas src(1, 1, type, false, true, 9);
        SetEntry(src, 9, 0x00FF);
        src.Put(0, 0, 9);
        Canvas dst(2, 1, type);
        dst.Fill(0);
        EXPECT_EQ(Draw(dst, src, 0, 255, 1), 0u) << type;
    }
}

TEST_F(StretchPinned, PaletteModeThreeAtZeroDraws) {
    {
        Canvas src(1, 1, kMemImgColor16, false, true, 300);
        src.Put(0, 0, 0);
        Canvas dst(2, 1, kMemImgColor16);
        dst.Fill(0x0000);
        EXPECT_EQ(Draw(dst, src, 3, 0, 0), 0x0800u);
        dst.Fill(0xFFFF);
        EXPECT_EQ(Draw(dst, src, 3, 0, 0), 0xFFDFu);
    }
    {
        Canvas src(1, 1, kMemImgColor32, false, true, 300);
        src.Put(0, 0, 0);
        Canvas dst(2, 1, kMemImgColor32);
        dst.Fill(0xFF000000u);
        EXPECT_EQ(Draw(dst, src, 3, 0, 0), 0x00010100u);
    }
    // Without a palette, mode 3 at p = 0 draws nothing.
    Canvas src(1, 1, kMemImgColor32);
    src.Put(0, 0, 0);
    Canvas dst(2, 1, kMemImgColor32);
    dst.Fill(0xFF000000u);
    EXPECT_EQ(Draw(dst, src, 3, 0, 0), 0xFF000000u);
}

TEST_F(StretchPinned, EntryCopyWritesByteThreeOnlyWhenWhite) {
    for (uint32_t bright : {0xFFFFFFu, 0x12FFFFFFu, 0xFFFFFEu}) {
        Canvas src(1, 1, kMemImgColor32, false, true, 300);
        SetEntry(src, 1, 0x7F102030);
        src.Put(0, 0, 1);
        Canvas dst(2, 1, kMemImgColor32);
        dst.Fill(0x01000000);
        DrawState st;
        st.bright = bright;
        ApplyDrawState(st);
        const RECT rect{0, 0, 2, 1};
        DuRud::MemImgBlitStretch(&dst.view, &src.view, &rect, 0, nullptr);
        const bool white = (bright & 0xFFFFFF) == 0xFFFFFF;
        // Not white: blue 0x30 * 254 / 255 = 0x2F, green and red kept.
        EXPECT_EQ(dst.Get(0, 0), white ? 0x7F102030u : 0x0110202Fu) << std::hex << bright;
    }
}

}  // namespace
