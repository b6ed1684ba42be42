// MemImgBlit against the slow per-channel reference on random views: both
// depths, every drawing blend mode, all 16 combinations of blend image,
// brightness, source alpha and transparent flag, a spread of parameters,
// clipping on every side, odd widths and both values of the MMX flag.
#include <gtest/gtest.h>

#include "blit_reference.h"
#include "soft/memimg_renderer.h"

using namespace softblit;

namespace {

constexpr int kParameters[] = {0, 1, 64, 127, 128, 200, 254, 255};

struct Placement {
    int x, y;
    RECT area;
};

// Positions that clip on no side, each single side, and all sides.
const Placement kPlacements[] = {
    {2, 1, {0, 0, 1 << 20, 1 << 20}},   // inside
    {-3, 2, {0, 0, 1 << 20, 1 << 20}},  // left
    {12, 1, {0, 0, 1 << 20, 1 << 20}},  // right (destination edge)
    {1, -2, {0, 0, 1 << 20, 1 << 20}},  // top
    {2, 6, {0, 0, 1 << 20, 1 << 20}},   // bottom
    {0, 0, {3, 2, 9, 6}},               // all four, by the draw area
};

void RunCase(int colorType, int mode, int combo, std::mt19937& rng) {
    const bool withBlend = combo & 1;
    const bool white = combo & 2;
    const bool alpha = combo & 4;
    const int trans = (combo & 8) ? 2 : 0;  // 2: transparency without the run path
    const uint32_t transColor = colorType == DuRud::kMemImgColor16 ? 0x1234 : 0x00345678;
    for (int p : kParameters) {
        for (int mmx = 0; mmx < 2; ++mmx) {
            const Placement& pl = kPlacements[(p + mmx + combo) % 6];
            Canvas dst(15, 9, colorType);
            Canvas src(7 + 2 * (p % 3), 5, colorType, alpha, false, transColor, 2,
                       4);  // odd widths
            Canvas mask(src.w() + 1, src.h() + 2, DuRud::kMemImgSingle8, false, false, 0, 1, 3);
            dst.Randomize(rng);
            src.Randomize(rng);
            mask.Randomize(rng);
            for (int i = 0; i < 256; ++i) DuRud::MemImgBlendImageTable[i] = uint8_t(rng());
            DuRud::MemImgBlendImageTable[0] = 255;
            DuRud::MemImgBlendImageTable[1] = 0;
            DrawState st;
            st.mode = mode;
            st.p = p;
            st.bright = white ? 0xFFFFFF : 0x80FE40 + (rng() & 0x010101);
            st.area = pl.area;
            ApplyDrawState(st);
            ScopedMmx scoped(mmx);
            const std::vector<uint8_t> expected =
                RefBlit(dst, src, pl.x, pl.y, trans, withBlend ? &mask : nullptr, st, mmx, false);
            DuRud::MemImgBlit(&dst.view, &src.view, pl.x, pl.y, trans,
                              withBlend ? &mask.view : nullptr);
            ASSERT_EQ(dst.Store(), expected) << "type " << colorType << " mode " << mode
                                             << " combo " << combo << " p " << p << " mmx " << mmx;
        }
    }
}

class BlitReference : public SoftBlitTest, public ::testing::WithParamInterface<int> {};

TEST_P(BlitReference, ThirtyTwoBitEqualsReference) {
    std::mt19937 rng(1000 + GetParam());
    for (int combo = 0; combo < 16; ++combo) RunCase(DuRud::kMemImgColor32, GetParam(), combo, rng);
}

TEST_P(BlitReference, SixteenBitEqualsReference) {
    std::mt19937 rng(2000 + GetParam());
    for (int combo = 0; combo < 16; ++combo) RunCase(DuRud::kMemImgColor16, GetParam(), combo, rng);
}

INSTANTIATE_TEST_SUITE_P(Modes, BlitReference, ::testing::Values(0, 1, 2, 3, 4, 10, 11));

// The run-table path: transparent flag 1, a matching table, nothing clipped.
void RunTableCase(int colorType, int mode, bool palette, bool alpha, std::mt19937& rng) {
    for (int combo = 0; combo < 4; ++combo) {
        const bool withBlend = combo & 1;
        const bool white = combo & 2;
        for (int p : kParameters) {
            Canvas dst(80, 6, colorType);
            Canvas src(70, 4, colorType, alpha, palette,
                       palette          ? 7
                       : colorType == 0 ? 0x0F0F
                                        : 0x123456,
                       2, 2);
            Canvas mask(71, 4, DuRud::kMemImgSingle8);
            dst.Randomize(rng);
            src.Randomize(rng);
            mask.Randomize(rng);
            // Long opaque and transparent stretches, so runs of 64 split.
            for (int x = 0; x < 66; ++x)
                src.Put(x, 1,
                        src.Get(x % 3, 0) == src.body()->transparentColor ? 1 : src.Get(x % 3, 0));
            for (int x = 0; x < src.w(); ++x)
                src.Put(x, 2, palette ? 7 : alpha ? 0 : src.body()->transparentColor);
            src.BuildRunTable();
            for (int i = 0; i < 256; ++i) DuRud::MemImgBlendImageTable[i] = uint8_t(rng());
            DrawState st;
            st.mode = mode;
            st.p = p;
            st.bright = white ? 0xFFFFFF : 0xC0FE7F;
            ApplyDrawState(st);
            for (int mmx = 0; mmx < 2; ++mmx) {
                ScopedMmx scoped(mmx);
                Canvas out(80, 6, colorType);
                std::vector<uint8_t> before = dst.Store();
                const std::vector<uint8_t> expected =
                    RefBlit(dst, src, 5, 1, 1, withBlend ? &mask : nullptr, st, mmx, true);
                DuRud::MemImgBlit(&dst.view, &src.view, 5, 1, 1, withBlend ? &mask.view : nullptr);
                ASSERT_EQ(dst.Store(), expected)
                    << "type " << colorType << " mode " << mode << " palette " << palette
                    << " alpha " << alpha << " combo " << combo << " p " << p;
                std::memcpy(dst.body()->pixelStore, before.data(), before.size());
            }
        }
    }
}

TEST_P(BlitReference, RunTablePathEqualsReference) {
    std::mt19937 rng(3000 + GetParam());
    for (int type : {DuRud::kMemImgColor32, DuRud::kMemImgColor16}) {
        RunTableCase(type, GetParam(), false, false, rng);
        RunTableCase(type, GetParam(), false, true, rng);
        RunTableCase(type, GetParam(), true, false, rng);
    }
}

}  // namespace
