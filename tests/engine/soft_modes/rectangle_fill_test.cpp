// MemImgFillRect: rectangle order, clipping to the draw area and the image,
// wide and narrow rows at odd columns, refused destinations; the vector fill
// rows against their plain twin.
#include <random>
#include <vector>

#include "flat_fixture.h"
#include "soft/fill_rows.h"

using namespace DuRud;
using namespace softmodes;

namespace {

class RectangleFillTest : public softblit::SoftBlitTest {};

Points Box(int l, int t, int r, int b) {
    Points out;
    for (int y = t; y < b; ++y)
        for (int x = l; x < r; ++x) out.insert({x, y});
    return out;
}

TEST_F(RectangleFillTest, ReversedCornersFillTheSameBox) {
    Canvas a(16, 16, kMemImgColor32), b(16, 16, kMemImgColor32);
    a.Fill(0);
    b.Fill(0);
    const RECT reversed{10, 10, 0, 0}, ordered{0, 0, 10, 10};
    MemImgFillRect(&a.view, &reversed, 0x00ABCDEFu);
    MemImgFillRect(&b.view, &ordered, 0x00ABCDEFu);
    EXPECT_EQ(Changed(a, 0), Box(0, 0, 10, 10));
    EXPECT_EQ(Changed(b, 0), Box(0, 0, 10, 10));
    EXPECT_EQ(a.Get(9, 9), 0x00ABCDEFu);
    // The caller's rectangle is not rewritten.
    EXPECT_EQ(reversed.left, 10);
    EXPECT_TRUE(MarginsIntact(a));
}

TEST_F(RectangleFillTest, ClipsToTheDrawAreaAndTheImage) {
    Canvas c(12, 9, kMemImgColor32);
    c.Fill(0);
    State(0, 255, 0xFFFFFF, RECT{2, 3, 5, 7});
    MemImgFillRect(&c.view, nullptr, 1);
    EXPECT_EQ(Changed(c, 0), Box(2, 3, 5, 7));

    // An area larger than the image: the image bounds the fill.
    c.Fill(0);
    State(0, 255, 0xFFFFFF, RECT{-5, -5, 100, 100});
    const RECT big{-50, -50, 50, 50};
    MemImgFillRect(&c.view, &big, 1);
    EXPECT_EQ(Changed(c, 0), Box(0, 0, 12, 9));
    EXPECT_TRUE(MarginsIntact(c));

    // Empty or outside: nothing.
    c.Fill(0);
    const RECT empty{4, 1, 4, 8}, outside{20, 20, 30, 30};
    MemImgFillRect(&c.view, &empty, 1);
    MemImgFillRect(&c.view, &outside, 1);
    EXPECT_TRUE(Changed(c, 0).empty());
}

// Widths of the word tail and of the 16- and 64-byte stores, both depths.
TEST_F(RectangleFillTest, OddWidthsAtOddColumns) {
    for (const auto type : {kMemImgColor16, kMemImgColor32})
        for (int left = 0; left < 3; ++left) {
            for (int width : {1, 2, 3, 4, 5, 8, 9, 17, 33, 40}) {
                Canvas c(45, 2, type);
                c.Fill(0);
                const RECT r{left, 1, left + width, 2};
                MemImgFillRect(&c.view, &r, 0x1234u);
                EXPECT_EQ(Changed(c, 0), Box(left, 1, left + width, 2));
                EXPECT_EQ(c.Get(left + width - 1, 1), 0x1234u);
                EXPECT_TRUE(MarginsIntact(c));
            }
        }
}

TEST_F(RectangleFillTest, BlendedFillVisitsEachPixelOnce) {
    Canvas c(5, 4, kMemImgColor16);
    c.Fill(0);
    State(2, 255);
    const RECT r{1, 1, 4, 3};
    MemImgFillRect(&c.view, &r, 3);
    EXPECT_EQ(Changed(c, 0), Box(1, 1, 4, 3));
    EXPECT_EQ(c.Get(2, 2), 3u);
}

TEST_F(RectangleFillTest, RefusedDestinationsStayUnchanged) {
    Canvas pal(4, 4, kMemImgColor32, false, true), alpha(4, 4, kMemImgColor16, true);
    const auto palBefore = pal.Store(), alphaBefore = alpha.Store();
    MemImgFillRect(&pal.view, nullptr, 0xFFFFFFFFu);
    MemImgFillRect(&alpha.view, nullptr, 0xFFFFFFFFu);
    EXPECT_EQ(pal.Store(), palBefore);
    EXPECT_EQ(alpha.Store(), alphaBefore);

    MEMIMG blank{};
    MemImgFillRect(&blank, nullptr, 1);
    MemImgFillRect(nullptr, nullptr, 1);

    // A reversed draw area draws nothing.
    Canvas c(4, 4, kMemImgColor32);
    c.Fill(0);
    State(0, 255, 0xFFFFFF, RECT{3, 3, 1, 1});
    MemImgFillRect(&c.view, nullptr, 1);
    EXPECT_TRUE(Changed(c, 0).empty());
}

TEST_F(RectangleFillTest, ExtremeRectangles) {
    Canvas c(6, 6, kMemImgColor32);
    c.Fill(0);
    const RECT huge{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
    MemImgFillRect(&c.view, &huge, 7);
    EXPECT_EQ(Changed(c, 0), Box(0, 0, 6, 6));
    EXPECT_TRUE(MarginsIntact(c));
}

}  // namespace

// The vector fill rows (SSE2, and AVX2 where the processor has it: one row,
// and the row loop with its short-row form) equal the plain twin on random
// even lengths, alignments and words.
TEST(FillRows, VectorFormsEqualPlainTwin) {
    struct Row {
        const char* name;
        void (*fill)(uint8_t*, uint32_t, size_t);
        bool needsAvx2;
    };
    const Row rows[] = {
        {"SSE2", DuRud::FillRowSimd, false},
        {"AVX2", DuRud::FillRowAvx2, true},
        {"AVX2 rows",
         [](uint8_t* d, uint32_t word, size_t bytes) { DuRud::FillRowsAvx2(d, 0, 1, word, bytes); },
         true}};
    const bool avx2 = __builtin_cpu_supports("avx2");
    std::mt19937 rng(91);
    for (const Row& r : rows) {
        if (r.needsAvx2 && !avx2) continue;
        for (int round = 0; round < 4000; ++round) {
            const size_t bytes = 2 * (rng() % 400);
            const size_t at = rng() % 32;
            const uint32_t word = rng() % 2 ? rng() : (rng() & 0xFFFF) * 0x10001u;
            std::vector<uint8_t> got(bytes + 64);
            for (auto& b : got) b = uint8_t(rng());
            auto want = got;
            r.fill(got.data() + at, word, bytes);
            DuRud::FillRowPlain(want.data() + at, word, bytes);
            ASSERT_EQ(got, want) << r.name << " bytes " << bytes << " at " << at;
        }
    }
}
