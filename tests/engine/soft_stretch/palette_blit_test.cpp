// MemImgBlit from palette sources on the clipped path: the slow reference on
// random views, and hand-computed values for transparency and mode 3 at p = 0.
#include <gtest/gtest.h>

#include "../soft_blit/blit_reference.h"
#include "soft/memimg_renderer.h"

using namespace softblit;

namespace {

constexpr int kParameters[] = {0, 1, 64, 128, 200, 255};

class PaletteBlit : public SoftBlitTest, public ::testing::WithParamInterface<int> {};

TEST_P(PaletteBlit, ClippedPathEqualsReference) {
    const int mode = GetParam();
    std::mt19937 rng(4000 + mode);
    const RECT areas[] = {{0, 0, 1 << 20, 1 << 20}, {3, 2, 9, 6}};
    for (int type : {DuRud::kMemImgColor32, DuRud::kMemImgColor16}) {
        for (int combo = 0; combo < 8; ++combo) {
            const bool withBlend = combo & 1;
            const bool white = combo & 2;
            const int trans = (combo & 4) ? 2 : 0;
            for (int p : kParameters) {
                for (int mmx = 0; mmx < 2; ++mmx) {
                    const int x = (p + combo) % 3 - 1;
                    Canvas dst(15, 9, type);
                    Canvas src(6 + (p + combo) % 5, 5, type, false, true, 9, 2, 4);
                    Canvas mask(src.w(), src.h() + 1, DuRud::kMemImgSingle8, false, false, 0, 1, 3);
                    dst.Randomize(rng);
                    src.Randomize(rng);
                    mask.Randomize(rng);
                    // Runs of transparent indexes at both pair phases.
                    src.Put(1, 1, 9);
                    src.Put(2, 1, 9);
                    src.Put(3, 2, 9);
                    for (int i = 0; i < 256; ++i) DuRud::MemImgBlendImageTable[i] = uint8_t(rng());
                    DrawState st;
                    st.mode = mode;
                    st.p = p;
                    st.bright = white ? 0xFFFFFF : 0x80FE40;
                    st.area = areas[(p + mmx) % 2];
                    ApplyDrawState(st);
                    ScopedMmx scoped(mmx);
                    const auto expected =
                        RefBlit(dst, src, x, 1, trans, withBlend ? &mask : nullptr, st, mmx, false);
                    DuRud::MemImgBlit(&dst.view, &src.view, x, 1, trans,
                                      withBlend ? &mask.view : nullptr);
                    ASSERT_EQ(dst.Store(), expected)
                        << "type " << type << " mode " << mode << " combo " << combo << " p " << p
                        << " mmx " << mmx;
                }
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Modes, PaletteBlit, ::testing::Values(0, 1, 2, 3, 4, 10, 11));

// A palette source whose entries are given; index i has entry `entries[i]`.
void SetEntries(const Canvas& src, std::initializer_list<uint32_t> entries) {
    const int unit = src.colorType == DuRud::kMemImgColor16 ? 2 : 4;
    int i = 0;
    for (uint32_t e : entries) std::memcpy(src.body()->palette + unit * i++, &e, unit);
}

TEST_F(PaletteBlit, OnlyTransparentIndexesLeaveDestinationAlone) {
    for (int type : {DuRud::kMemImgColor32, DuRud::kMemImgColor16}) {
        for (int mode : {0, 1, 2, 3, 4, 10, 11}) {
            for (int p : {128, 255}) {
                for (int w = 1; w <= 5; ++w) {
                    Canvas dst(8, 3, type);
                    Canvas src(w, 2, type, false, true, 5);
                    dst.Fill(0x1234);
                    src.Fill(5);
                    DrawState st;
                    st.mode = mode;
                    st.p = p;
                    ApplyDrawState(st);
                    const auto before = dst.Store();
                    DuRud::MemImgBlit(&dst.view, &src.view, 1, 0, 2, nullptr);
                    EXPECT_EQ(dst.Store(), before) << type << " " << mode << " " << p << " " << w;
                }
            }
        }
    }
}

TEST_F(PaletteBlit, PairWithOneTransparentIndexChangesOnlyTheOther) {
    for (int mode : {0, 1, 2, 3}) {
        Canvas dst(2, 1, DuRud::kMemImgColor16);
        Canvas src(2, 1, DuRud::kMemImgColor16, false, true, 0);
        SetEntries(src, {0xFFFF, 0x0841});
        dst.Fill(0x1082);
        src.Put(0, 0, 0);
        src.Put(1, 0, 1);
        DrawState st;
        st.mode = mode;
        st.p = 255;
        ApplyDrawState(st);
        DuRud::MemImgBlit(&dst.view, &src.view, 0, 0, 2, nullptr);
        EXPECT_EQ(dst.Get(0, 0), 0x1082u) << mode;
        // 0x0841 is (1, 2, 1); the destination (2, 4, 2). The one-pixel add
        // drops red's and green's lowest operand bits: (2, 6, 3). The packed
        // subtract sets red's lowest bit and clears green's: (3, 2, 1).
        const uint32_t expect[] = {0x0841, 0x0841, 0x10C3, 0x1841};
        EXPECT_EQ(dst.Get(1, 0), expect[mode]) << mode;
    }
}

TEST_F(PaletteBlit, OnlyTheTransparentOfTwoSameColouredIndexesIsSkipped) {
    Canvas dst(2, 1, DuRud::kMemImgColor32);
    Canvas src(2, 1, DuRud::kMemImgColor32, false, true, 3);
    SetEntries(src, {0, 0, 0, 0x00ABCDEF, 0x00ABCDEF});
    dst.Fill(0x11111111);
    src.Put(0, 0, 3);
    src.Put(1, 0, 4);
    DuRud::MemImgBlit(&dst.view, &src.view, 0, 0, 1, nullptr);
    EXPECT_EQ(dst.Get(0, 0), 0x11111111u);
    EXPECT_EQ(dst.Get(1, 0), 0x00ABCDEFu);
}

TEST_F(PaletteBlit, TransparentValueAbove255SkipsNothing) {
    for (int type : {DuRud::kMemImgColor32, DuRud::kMemImgColor16}) {
        Canvas dst(3, 1, type);
        Canvas src(3, 1, type, false, true, 0xFFFF);
        SetEntries(src, {});
        std::memset(src.body()->palette, 0, 1024);
        const uint32_t entry = type == DuRud::kMemImgColor16 ? 0x1234 : 0x00123456;
        std::memcpy(src.body()->palette + 255 * (type == DuRud::kMemImgColor16 ? 2 : 4), &entry,
                    type == DuRud::kMemImgColor16 ? 2 : 4);
        src.Fill(255);
        dst.Fill(0);
        DuRud::MemImgBlit(&dst.view, &src.view, 0, 0, 2, nullptr);
        for (int x = 0; x < 3; ++x) EXPECT_EQ(dst.Get(x, 0), entry) << type;
    }
}

TEST_F(PaletteBlit, ModeThreeAtZeroChangesOnlyLowBits) {
    DrawState st;
    st.mode = 3;
    st.p = 0;
    ApplyDrawState(st);
    {
        Canvas dst(2, 1, DuRud::kMemImgColor16);
        Canvas src(2, 1, DuRud::kMemImgColor16, false, true, 300);
        src.Fill(0);
        dst.Put(0, 0, 0x0000);
        dst.Put(1, 0, 0xFFFF);
        DuRud::MemImgBlit(&dst.view, &src.view, 0, 0, 0, nullptr);
        EXPECT_EQ(dst.Get(0, 0), 0x0800u);
        EXPECT_EQ(dst.Get(1, 0), 0xFFDFu);
    }
    {
        Canvas dst(1, 1, DuRud::kMemImgColor32);
        Canvas src(1, 1, DuRud::kMemImgColor32, false, true, 300);
        src.Fill(0);
        dst.Put(0, 0, 0xFF000000u);
        DuRud::MemImgBlit(&dst.view, &src.view, 0, 0, 0, nullptr);
        EXPECT_EQ(dst.Get(0, 0), 0x00010100u);
    }
}

TEST_F(PaletteBlit, WholeEntryCopyWritesByteThreeOnlyWhenWhite) {
    for (uint32_t bright : {0xFFFFFFu, 0xFFFFFEu}) {
        Canvas dst(1, 1, DuRud::kMemImgColor32);
        Canvas src(1, 1, DuRud::kMemImgColor32, false, true, 300);
        SetEntries(src, {0x7F102030});
        src.Fill(0);
        dst.Fill(0x01000000);
        DrawState st;
        st.bright = bright;
        ApplyDrawState(st);
        DuRud::MemImgBlit(&dst.view, &src.view, 0, 0, 0, nullptr);
        EXPECT_EQ(dst.Get(0, 0) >> 24, bright == 0xFFFFFFu ? 0x7Fu : 0x01u);
    }
}

}  // namespace
