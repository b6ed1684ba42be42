// Where MemImgBlitStretch puts each source pixel: the same-size hand-over to
// MemImgBlit (run-table path included), mirroring at 1:1, a 2x enlargement,
// the two advance forms on a 2:1 reduction, the start column of a clipped
// rectangle, and the blend image read at the source position. Values are
// placed by hand so that each destination pixel names its source pixel.
#include <gtest/gtest.h>

#include "soft/memimg_renderer.h"
#include "stretch_reference.h"

using namespace softblit;
using DuRud::kMemImgColor16;
using DuRud::kMemImgColor32;

namespace {

class StretchGeometry : public SoftBlitTest {
  protected:
    static void Stretch(Canvas& dst, const Canvas& src, RECT rect, int trans = 0,
                        const Canvas* blend = nullptr) {
        DuRud::MemImgBlitStretch(&dst.view, &src.view, &rect, trans,
                                 blend ? &blend->view : nullptr);
    }
    // Source pixel (x, y) of a direct-colour source holds 0x10 * (y + 1) + x
    // in its low byte(s), so each value names its pixel.
    static uint32_t Tag(int x, int y) { return uint32_t(0x10 * (y + 1) + x); }
    static void TagPixels(const Canvas& src) {
        for (int y = 0; y < src.h(); ++y)
            for (int x = 0; x < src.w(); ++x) src.Put(x, y, Tag(x, y));
    }
};

TEST_F(StretchGeometry, SameSizeUnmirroredIsTheWholeImageBlit) {
    std::mt19937 rng(31);
    for (int type : {kMemImgColor32, kMemImgColor16}) {
        for (bool palette : {false, true}) {
            // Mode 1 at p = 128 with flag 1: the run-table path has no half
            // blend, so its result differs from the clipped path's.
            DrawState st;
            st.mode = 1;
            st.p = 128;
            ApplyDrawState(st);
            Canvas src(6, 4, type, false, palette, palette ? 9 : 0x1234);
            src.Randomize(rng);
            src.BuildRunTable();
            Canvas a(12, 9, type), b(12, 9, type);
            a.Randomize(rng);
            std::memcpy(b.body()->pixelStore, a.body()->pixelStore, a.Store().size());
            const auto runExpected = RefBlit(a, src, 3, 2, 1, nullptr, st, false, true);
            Stretch(a, src, {3, 2, 9, 6}, 1);
            DuRud::MemImgBlit(&b.view, &src.view, 3, 2, 1, nullptr);
            EXPECT_EQ(a.Store(), b.Store()) << type << palette;
            EXPECT_EQ(a.Store(), runExpected) << type << palette;
            // Flag 2 takes the clipped path; still the whole-image blit's result.
            Stretch(a, src, {3, 2, 9, 6}, 2);
            DuRud::MemImgBlit(&b.view, &src.view, 3, 2, 2, nullptr);
            EXPECT_EQ(a.Store(), b.Store()) << type << palette;
        }
    }
}

TEST_F(StretchGeometry, ReversedCornersAtSourceSizeMirror) {
    for (int type : {kMemImgColor32, kMemImgColor16}) {
        // White (strict copy), and blue at brightness 254 (inclusive
        // kernels): each channel becomes v * 254 / 255.
        for (uint32_t bright : {0xFFFFFFu, 0xFFFFFEu}) {
            DrawState st;
            st.bright = bright;
            ApplyDrawState(st);
            Canvas src(5, 3, type);
            TagPixels(src);
            Canvas dst(5, 3, type);
            dst.Fill(0);
            Stretch(dst, src, {5, 0, 0, 3});
            for (int y = 0; y < 3; ++y) {
                for (int x = 0; x < 5; ++x) {
                    uint32_t want = Tag(4 - x, y);
                    if (bright != 0xFFFFFFu) {
                        const uint32_t blueMask = type == kMemImgColor32 ? 0xFF : 31;
                        want = (want & ~blueMask) | ((want & blueMask) * 254 / 255);
                    }
                    EXPECT_EQ(dst.Get(x, y), want) << type << " " << x << "," << y;
                }
            }
            // Both axes reversed.
            Stretch(dst, src, {5, 3, 0, 0});
            if (bright == 0xFFFFFFu) {
                for (int x = 0; x < 5; ++x) EXPECT_EQ(dst.Get(x, 0), Tag(4 - x, 2)) << type;
            }
        }
    }
}

// Which source column each destination pixel of a 2:1 reduction shows, read
// back from a kernel's result.
struct Reduction {
    const char* name;
    int type;
    bool palette;
    int mode;
    int p;
    uint32_t bright;
    int mmx;
    bool strict;
};

TEST_F(StretchGeometry, HalfSizeColumnsDependOnTheAdvanceForm) {
    const Reduction cases[] = {
        {"32-bit copy", kMemImgColor32, false, 0, 255, 0xFFFFFF, 0, true},
        {"32-bit mode 1 at 255 is the copy", kMemImgColor32, false, 1, 255, 0xFFFFFF, 0, true},
        {"32-bit subtract MMX", kMemImgColor32, false, 3, 255, 0xFFFFFF, 1, true},
        {"32-bit subtract plain", kMemImgColor32, false, 3, 255, 0xFFFFFF, 0, true},
        {"32-bit bright copy", kMemImgColor32, false, 0, 255, 0xFEFEFF, 0, false},
        {"32-bit add", kMemImgColor32, false, 2, 255, 0xFFFFFF, 1, false},
        {"16-bit copy", kMemImgColor16, false, 0, 255, 0xFFFFFF, 0, true},
        {"16-bit direct subtract", kMemImgColor16, false, 3, 255, 0xFFFFFF, 0, true},
        {"16-bit add", kMemImgColor16, false, 2, 255, 0xFFFFFF, 0, false},
        {"palette entry copy", kMemImgColor32, true, 0, 255, 0xFFFFFF, 0, true},
        {"palette subtract MMX", kMemImgColor32, true, 3, 255, 0xFFFFFF, 1, true},
        {"palette subtract plain", kMemImgColor32, true, 3, 255, 0xFFFFFF, 0, true},
        {"palette 16 entry copy", kMemImgColor16, true, 0, 255, 0xFFFFFF, 0, true},
        {"palette 16 subtract", kMemImgColor16, true, 3, 255, 0xFFFFFF, 0, true},
        {"palette bright copy", kMemImgColor32, true, 0, 255, 0xFEFEFF, 0, false},
        {"palette add", kMemImgColor16, true, 2, 255, 0xFFFFFF, 0, false},
    };
    for (const Reduction& r : cases) {
        for (int trans : {0, 1}) {
            DrawState st;
            st.mode = r.mode;
            st.p = r.p;
            st.bright = r.bright;
            ApplyDrawState(st);
            ScopedMmx scoped(r.mmx);
            // Source column x holds blue x + 1 (an index x + 1 into a palette
            // whose entry i has blue i); row y adds nothing, so rows read the
            // same. Blue subtracts exactly and adds exactly to 0, and the
            // brightness 0xFEFEFF keeps blue.
            Canvas src(8, 8, r.type, false, r.palette, 200);
            if (r.palette) {
                for (int i = 0; i < 256; ++i) {
                    const uint32_t e = uint32_t(i);
                    std::memcpy(src.body()->palette + i * (r.type == kMemImgColor16 ? 2 : 4), &e,
                                r.type == kMemImgColor16 ? 2 : 4);
                }
            }
            for (int y = 0; y < 8; ++y)
                for (int x = 0; x < 8; ++x) src.Put(x, y, uint32_t(x + 1));
            Canvas dst(4, 4, r.type);
            const uint32_t full = r.type == kMemImgColor16 ? 31 : 0xFF;
            dst.Fill(r.mode == 3 ? full : 0);
            Stretch(dst, src, {0, 0, 4, 4}, trans);
            for (int x = 0; x < 4; ++x) {
                const int col = r.strict ? (x == 0 ? 0 : 2 * x - 1) : 2 * x;
                const uint32_t blue = dst.Get(x, 1) & (r.type == kMemImgColor16 ? 31 : 0xFF);
                const uint32_t want = r.mode == 3 ? full - uint32_t(col + 1) : uint32_t(col + 1);
                EXPECT_EQ(blue, want) << r.name << " trans " << trans << " column " << x;
            }
        }
    }
}

TEST_F(StretchGeometry, ClippedRowsStartAtTheSkippedSourcePixel) {
    // Seven source columns into ten: step = 10 * 65536 / 7 = 93622. Clipping
    // three columns skips floor(3 * 65536 / 93622) = 2 source columns, so
    // the first drawn pixel shows column 2 (4 when mirrored); the plain
    // start (column 0, or 6) would be wrong. Rows alike: 7 into 10, 3 clipped.
    for (int type : {kMemImgColor32, kMemImgColor16}) {
        for (bool mirror : {false, true}) {
            Canvas src(7, 7, type);
            TagPixels(src);
            Canvas dst(14, 14, type);
            dst.Fill(0);
            DrawState st;
            st.area = {4, 5, 14, 14};
            ApplyDrawState(st);
            const RECT rect = mirror ? RECT{11, 12, 1, 2} : RECT{1, 2, 11, 12};
            Stretch(dst, src, rect);
            EXPECT_EQ(dst.Get(3, 4), 0u) << "outside the draw area";
            const int first = mirror ? 4 : 2;
            EXPECT_EQ(dst.Get(4, 5), Tag(first, first)) << type << mirror;
            // Column 2 covers positions up to 3 * 93622 / 65536 = 4.29, so
            // offset 4 (x = 5) still shows it and offset 5 (x = 6) the next.
            EXPECT_EQ(dst.Get(5, 5), Tag(first, first)) << type << mirror;
            EXPECT_EQ(dst.Get(6, 5), Tag(3, first)) << type << mirror;
        }
    }
}

TEST_F(StretchGeometry, BlendImageIsReadAtTheSourcePixel) {
    for (int i = 0; i < 256; ++i) DuRud::MemImgBlendImageTable[i] = uint8_t(i);
    for (int type : {kMemImgColor32, kMemImgColor16}) {
        for (bool mirror : {false, true}) {
            // Blend bytes 255 / 0 alternate by source column: weight 255
            // draws (s - d) * 255 / 256 + d, weight 0 leaves the destination.
            Canvas src(4, 2, type);
            src.Fill(type == kMemImgColor32 ? 0xFFFFFF : 0xFFFF);
            Canvas mask(5, 3, DuRud::kMemImgSingle8);
            for (int y = 0; y < 3; ++y)
                for (int x = 0; x < 5; ++x) mask.Put(x, y, (x % 2 == 0) ? 255 : 0);
            Canvas dst(8, 4, type);
            dst.Fill(0);
            const RECT rect = mirror ? RECT{8, 0, 0, 4} : RECT{0, 0, 8, 4};
            Stretch(dst, src, rect, 0, &mask);
            const uint32_t drawn = type == kMemImgColor32 ? 0xFEFEFE : 0xF7DE;  // 254; 30, 62, 30
            for (int x = 0; x < 8; ++x) {
                const int col = mirror ? 3 - x / 2 : x / 2;
                const uint32_t want = col % 2 == 0 ? drawn : 0;
                EXPECT_EQ(dst.Get(x, 0) & (type == kMemImgColor32 ? 0xFFFFFF : 0xFFFF), want)
                    << type << " mirror " << mirror << " x " << x;
                EXPECT_EQ(dst.Get(x, 3), dst.Get(x, 0));
            }
        }
    }
}

}  // namespace
