// What MemImgBlit refuses leaves the destination store byte-equal, sentinels
// included; bad records and an undersized blend image draw nothing; the
// draw area is kept inside the destination; the work palette takes all 256
// entries.
#include <gtest/gtest.h>

#include "blit_reference.h"
#include "soft/blit_pixel_forms.h"
#include "soft/memimg_renderer.h"

using namespace softblit;
using DuRud::kMemImgColor16;
using DuRud::kMemImgColor32;

namespace {

class BlitRefusals : public SoftBlitTest {
  protected:
    std::mt19937 rng{77};

    // Expects the call to leave dst's whole store unchanged.
    void ExpectNothingDrawn(Canvas& dst, const DuRud::MEMIMG* src, int x, int y, int trans,
                            const DuRud::MEMIMG* blend, const char* what) {
        const std::vector<uint8_t> before = dst.Store();
        for (int mmx = 0; mmx < 2; ++mmx) {
            ScopedMmx scoped(mmx);
            DuRud::MemImgBlit(&dst.view, src, x, y, trans, blend);
            EXPECT_EQ(dst.Store(), before) << what;
        }
    }
};

TEST_F(BlitRefusals, RecordsThatCannotBeDrawn) {
    Canvas dst32(8, 4, kMemImgColor32), src32(4, 2, kMemImgColor32), src16(4, 2, kMemImgColor16);
    Canvas gray(4, 2, DuRud::kMemImgSingle8), gray16(4, 2, DuRud::kMemImgSingle16);
    Canvas dstGray(8, 4, DuRud::kMemImgSingle8);
    Canvas palDst(8, 4, kMemImgColor32, false, true), alphaDst(8, 4, kMemImgColor32, true);
    for (Canvas* c : {&dst32, &src32, &src16, &gray, &gray16, &dstGray, &palDst, &alphaDst})
        c->Randomize(rng);
    ExpectNothingDrawn(dst32, &src16.view, 0, 0, 0, nullptr, "colour types differ");
    ExpectNothingDrawn(palDst, &src32.view, 0, 0, 0, nullptr, "palette destination");
    ExpectNothingDrawn(alphaDst, &src32.view, 0, 0, 0, nullptr, "alpha destination");
    ExpectNothingDrawn(dstGray, &gray.view, 0, 0, 0, nullptr, "colour type 2");
    Canvas dstGray16(8, 4, DuRud::kMemImgSingle16);
    ExpectNothingDrawn(dstGray16, &gray16.view, 0, 0, 0, nullptr, "colour type 3");
    ExpectNothingDrawn(dst32, nullptr, 0, 0, 0, nullptr, "null source");
    DuRud::MemImgBlit(nullptr, &src32.view, 0, 0, 0, nullptr);  // null destination: no crash
    DuRud::MEMIMG dead = src32.view;
    dead.magic = 0;
    ExpectNothingDrawn(dst32, &dead, 0, 0, 0, nullptr, "invalid source");
    ExpectNothingDrawn(dst32, &src32.view, 0, 0, 0, &dead, "invalid blend image");
    DuRud::MEMIMG deadDst = dst32.view;
    deadDst.magic = 0;
    const std::vector<uint8_t> before = dst32.Store();
    DuRud::MemImgBlit(&deadDst, &src32.view, 0, 0, 0, nullptr);
    EXPECT_EQ(dst32.Store(), before);
    // A blend image narrower or shorter than the source.
    Canvas narrow(3, 2, DuRud::kMemImgSingle8), shorter(4, 1, DuRud::kMemImgSingle8);
    ExpectNothingDrawn(dst32, &src32.view, 0, 0, 0, &narrow.view, "narrow blend image");
    ExpectNothingDrawn(dst32, &src32.view, 0, 0, 0, &shorter.view, "short blend image");
}

TEST_F(BlitRefusals, EmptyClipsAndModesThatDrawNothing) {
    for (int type : {kMemImgColor32, kMemImgColor16}) {
        Canvas dst(8, 4, type), src(4, 2, type);
        dst.Randomize(rng);
        src.Randomize(rng);
        ExpectNothingDrawn(dst, &src.view, 8, 0, 0, nullptr, "right of the destination");
        ExpectNothingDrawn(dst, &src.view, -4, 0, 0, nullptr, "left of it");
        ExpectNothingDrawn(dst, &src.view, 0, -2, 0, nullptr, "above it");
        ExpectNothingDrawn(dst, &src.view, 0, 4, 0, nullptr, "below it");
        ExpectNothingDrawn(dst, &src.view, INT32_MAX, INT32_MAX, 0, nullptr, "far away");
        ExpectNothingDrawn(dst, &src.view, INT32_MIN, INT32_MIN, 0, nullptr, "far the other way");
        ApplyDrawState({0, 255, 0xFFFFFF, {2, 2, 2, 4}});
        ExpectNothingDrawn(dst, &src.view, 0, 0, 0, nullptr, "empty draw area");
        for (int mode : {5, 6, 7, 8, 9, 12, -1, 1000}) {
            ApplyDrawState({mode, 128, 0xFFFFFF, {0, 0, 100, 100}});
            ExpectNothingDrawn(dst, &src.view, 0, 0, 0, nullptr, "mode without kernels");
        }
        for (int mode : {1, 2, 3}) {
            ApplyDrawState({mode, 0, 0xFFFFFF, {0, 0, 100, 100}});
            ExpectNothingDrawn(dst, &src.view, 0, 0, 0, nullptr, "parameter 0");
        }
        for (int p : {-1, 256}) {
            ApplyDrawState({2, p, 0xFFFFFF, {0, 0, 100, 100}});
            ExpectNothingDrawn(dst, &src.view, 0, 0, 0, nullptr, "parameter outside 0..255");
        }
    }
}

TEST_F(BlitRefusals, ModeOneAtFullParameterIsModeZero) {
    for (int type : {kMemImgColor32, kMemImgColor16}) {
        for (int combo = 0; combo < 16; ++combo) {
            Canvas a(9, 5, type), b(9, 5, type), src(7, 3, type, combo & 4, false, 0x1234);
            Canvas mask(7, 3, DuRud::kMemImgSingle8);
            a.Randomize(rng);
            src.Randomize(rng);
            mask.Randomize(rng);
            std::memcpy(b.body()->pixelStore, a.body()->pixelStore, a.Store().size());
            const uint32_t bright = combo & 2 ? 0xFFFFFF : 0x7F80FE;
            const DuRud::MEMIMG* blend = combo & 1 ? &mask.view : nullptr;
            ApplyDrawState({1, 255, bright, {0, 0, 100, 100}});
            DuRud::MemImgBlit(&a.view, &src.view, 1, 1, combo & 8 ? 2 : 0, blend);
            ApplyDrawState({0, 7, bright, {0, 0, 100, 100}});
            DuRud::MemImgBlit(&b.view, &src.view, 1, 1, combo & 8 ? 2 : 0, blend);
            EXPECT_EQ(a.Store(), b.Store()) << type << " " << combo;
        }
    }
}

TEST_F(BlitRefusals, DrawAreaBeyondTheDestinationIsCutToIt) {
    for (int type : {kMemImgColor32, kMemImgColor16}) {
        Canvas dst(6, 4, type), src(10, 8, type);
        dst.Randomize(rng);
        src.Randomize(rng);
        DrawState st{0, 255, 0xFFFFFF, {-50, -50, 500, 500}};
        ApplyDrawState(st);
        const auto expected = RefBlit(dst, src, -2, -3, 0, nullptr, st, false, false);
        DuRud::MemImgBlit(&dst.view, &src.view, -2, -3, 0, nullptr);
        EXPECT_EQ(dst.Store(), expected);  // sentinels around the view kept
        EXPECT_EQ(dst.Get(0, 0), src.Get(2, 3));
    }
}

TEST_F(BlitRefusals, ModeFourSkipsAlphaZeroUnderTheFlagOnBothPaths) {
    for (int type : {kMemImgColor32, kMemImgColor16}) {
        const uint32_t clear = type == kMemImgColor32 ? 0x00FFFFFF : 0x0000FFFF;
        const uint32_t white = type == kMemImgColor32 ? 0x00FFFFFF : 0xFFFF;
        for (int trans : {1, 2, 0}) {
            Canvas dst(2, 1, type), src(2, 1, type, true);
            dst.Fill(white);
            src.Fill(clear);
            src.BuildRunTable();
            ApplyDrawState({4, 0, 0xFFFFFF, {0, 0, 100, 100}});
            DuRud::MemImgBlit(&dst.view, &src.view, 0, 0, trans, nullptr);
            // Flag 0 still draws a = 0 as black.
            EXPECT_EQ(dst.Get(0, 0) & white, trans ? white : 0u) << type << " " << trans;
        }
    }
}

TEST_F(BlitRefusals, WorkPaletteTakesAllEntries) {
    Canvas dst(4, 1, kMemImgColor32), src(4, 1, kMemImgColor32, false, true, 0);
    src.Randomize(rng);
    src.body()->paletteEntriesUsed = 2;
    std::memset(DuRud::MemImgBlitWorkPalette(), 0, 1024);
    DuRud::MemImgBlit(&dst.view, &src.view, 0, 0, 0, nullptr);
    EXPECT_EQ(std::memcmp(DuRud::MemImgBlitWorkPalette(), src.body()->palette, 1024), 0);
}

}  // namespace
