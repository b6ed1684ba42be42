// What MemImgBlitStretch refuses leaves the destination store byte-equal,
// sentinels included: bad records and pointers, a destination it cannot
// draw into, empty and huge rectangles, modes and parameters that draw
// nothing. Extreme reductions end and stay inside the source.
#include <gtest/gtest.h>

#include <climits>
#include <sstream>

#include "soft/memimg_renderer.h"
#include "stretch_reference.h"

using namespace softblit;
using DuRud::kMemImgColor16;
using DuRud::kMemImgColor32;

namespace {

class StretchRefusals : public SoftBlitTest {
  protected:
    std::mt19937 rng{99};

    void ExpectNothingDrawn(Canvas& dst, const DuRud::MEMIMG* src, const RECT* rect, int trans,
                            const DuRud::MEMIMG* blend, const std::string& what) {
        const std::vector<uint8_t> before = dst.Store();
        for (int mmx = 0; mmx < 2; ++mmx) {
            ScopedMmx scoped(mmx);
            DuRud::MemImgBlitStretch(&dst.view, src, rect, trans, blend);
            EXPECT_EQ(dst.Store(), before) << what;
        }
    }
};

TEST_F(StretchRefusals, RecordsThatCannotBeDrawn) {
    Canvas dst32(8, 4, kMemImgColor32), dst16(8, 4, kMemImgColor16);
    Canvas src32(3, 2, kMemImgColor32), src16(3, 2, kMemImgColor16);
    Canvas pal32(3, 2, kMemImgColor32, false, true), gray(3, 2, DuRud::kMemImgSingle8);
    Canvas dstGray(8, 4, DuRud::kMemImgSingle8);
    Canvas palDst(8, 4, kMemImgColor32, false, true), alphaDst(8, 4, kMemImgColor32, true);
    for (Canvas* c : {&dst32, &dst16, &src32, &src16, &pal32, &gray, &dstGray, &palDst, &alphaDst})
        c->Randomize(rng);
    const RECT rect{0, 0, 7, 3};
    // A 32-bit source onto a 16-bit image would write past its rows.
    ExpectNothingDrawn(dst16, &src32.view, &rect, 0, nullptr, "32-bit onto 16-bit");
    ExpectNothingDrawn(dst16, &pal32.view, &rect, 0, nullptr, "32-bit palette onto 16-bit");
    ExpectNothingDrawn(dst32, &src16.view, &rect, 0, nullptr, "16-bit onto 32-bit");
    ExpectNothingDrawn(palDst, &src32.view, &rect, 0, nullptr, "palette destination");
    ExpectNothingDrawn(alphaDst, &src32.view, &rect, 0, nullptr, "alpha destination");
    ExpectNothingDrawn(dstGray, &gray.view, &rect, 0, nullptr, "colour type 2");
    ExpectNothingDrawn(dst32, nullptr, &rect, 0, nullptr, "null source");
    ExpectNothingDrawn(dst32, &src32.view, nullptr, 0, nullptr, "null rectangle");
    DuRud::MemImgBlitStretch(nullptr, &src32.view, &rect, 0, nullptr);  // no crash
    DuRud::MEMIMG dead = src32.view;
    dead.magic = 0;
    ExpectNothingDrawn(dst32, &dead, &rect, 0, nullptr, "invalid source");
    ExpectNothingDrawn(dst32, &src32.view, &rect, 0, &dead, "invalid blend image");
    DuRud::MEMIMG deadDst = dst32.view;
    deadDst.magic = 0;
    const std::vector<uint8_t> before = dst32.Store();
    DuRud::MemImgBlitStretch(&deadDst, &src32.view, &rect, 0, nullptr);
    EXPECT_EQ(dst32.Store(), before);
    Canvas narrow(2, 2, DuRud::kMemImgSingle8), shorter(3, 1, DuRud::kMemImgSingle8);
    ExpectNothingDrawn(dst32, &src32.view, &rect, 0, &narrow.view, "narrow blend image");
    ExpectNothingDrawn(dst32, &src32.view, &rect, 0, &shorter.view, "short blend image");
}

TEST_F(StretchRefusals, EmptyAndHugeRectangles) {
    Canvas dst(8, 6, kMemImgColor32);
    Canvas src(3, 2, kMemImgColor32);
    dst.Randomize(rng);
    src.Randomize(rng);
    const RECT rects[] = {
        {2, 1, 2, 5},              // zero width
        {2, 1, 6, 1},              // zero height
        {5, 4, 5, 0},              // zero width, reversed height
        {0, 0, 32768, 4},          // too wide for the 16.16 products
        {0, 0, 4, 32768},          // too high
        {32767, 0, -1, 4},         // 32768 wide, mirrored
        {0, 0, 65536, 4},          // would give a step of 0 on a wide source
        {INT_MIN, 0, INT_MAX, 4},  // width 2^32 - 1
        {INT_MAX, INT_MAX, INT_MIN, INT_MIN},
        {INT_MIN, INT_MIN, INT_MIN + 5, INT_MIN + 3},  // far outside
        {INT_MAX - 5, 0, INT_MAX, 4},
        {20, 1, 30, 4},   // right of the destination
        {-10, 1, -1, 4},  // left of it
    };
    for (const RECT& r : rects) {
        std::ostringstream what;
        what << r.left << "," << r.top << "," << r.right << "," << r.bottom;
        ExpectNothingDrawn(dst, &src.view, &r, 0, nullptr, what.str());
        ExpectNothingDrawn(dst, &src.view, &r, 1, nullptr, what.str());
    }
    // A draw area that excludes the rectangle, or an inverted draw area.
    for (RECT area : {RECT{6, 0, 8, 6}, RECT{5, 5, 1, 1}}) {
        DrawState st;
        st.area = area;
        ApplyDrawState(st);
        const RECT r{0, 0, 5, 4};
        ExpectNothingDrawn(dst, &src.view, &r, 0, nullptr, "clipped away");
    }
}

TEST_F(StretchRefusals, ModesAndParametersThatDrawNothing) {
    for (int type : {kMemImgColor32, kMemImgColor16}) {
        for (bool palette : {false, true}) {
            Canvas dst(8, 6, type);
            Canvas src(3, 2, type, false, palette);
            dst.Randomize(rng);
            src.Randomize(rng);
            const RECT r{0, 0, 7, 5};
            std::vector<std::pair<int, int>> refused = {
                {5, 255},  {6, 255},       {7, 255}, {8, 255}, {9, 255}, {12, 255},
                {-1, 255}, {INT_MIN, 255}, {1, 0},   {2, 0},   {0, -1},  {0, 256}};
            if (!palette) refused.push_back({3, 0});
            for (const auto& [mode, p] : refused) {
                DrawState st;
                st.mode = mode;
                st.p = p;
                ApplyDrawState(st);
                ExpectNothingDrawn(dst, &src.view, &r, 0, nullptr,
                                   "mode " + std::to_string(mode) + " p " + std::to_string(p));
            }
        }
    }
}

TEST_F(StretchRefusals, SourcesTooLargeForTheStepsDrawNothing) {
    // 65536 columns would need a step below 1 for a 1-pixel rectangle.
    Canvas src(65536, 1, kMemImgColor16, false, false, 0, 0, 0);
    src.Fill(0x1234);
    Canvas dst(4, 2, kMemImgColor16);
    dst.Randomize(rng);
    const RECT r{0, 0, 3, 2};
    ExpectNothingDrawn(dst, &src.view, &r, 0, nullptr, "65536 columns");
}

TEST_F(StretchRefusals, ExtremeReductionsStayInsideTheSource) {
    // A 65535-column source (no margin, so a read past either end would be
    // outside the allocation) squeezed into 3 columns and mirrored: the
    // walk passes ~21845 source pixels per destination pixel and ends.
    Canvas src(65535, 2, kMemImgColor16, false, false, 0, 0, 0);
    for (int x = 0; x < 65535; ++x) src.Put(x, 0, uint32_t(x & 0xFFFF));
    for (int x = 0; x < 65535; ++x) src.Put(x, 1, 0xFFFF);
    Canvas dst(3, 1, kMemImgColor16);
    for (bool mirror : {false, true}) {
        for (int mode : {0, 2}) {  // strict copy; inclusive add onto 0 gives the source
            dst.Fill(0);
            DrawState st;
            st.mode = mode;
            ApplyDrawState(st);
            const RECT r = mirror ? RECT{3, 0, 0, 1} : RECT{0, 0, 3, 1};
            DuRud::MemImgBlitStretch(&dst.view, &src.view, &r, 0, nullptr);
            // step = 3 * 65536 / 65535 = 3: offset d shows column
            // floor(d * 65536 / 3) (inclusive); the strict copy lands one
            // earlier on exact multiples, which 65536 / 3 never is.
            for (int d = 0; d < 3; ++d) {
                const uint32_t col = uint32_t(int64_t(d) * 65536 / 3);
                const uint32_t want = mirror ? 65534 - col : col;
                EXPECT_EQ(dst.Get(d, 0), want & 0xFFFF) << mirror << " mode " << mode;
            }
        }
    }
}

}  // namespace
