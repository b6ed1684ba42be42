// The short-row copies (and the row loop over them) equal memmove on random
// lengths and alignments; the overlap check sees shared bytes in either
// order and with upward pitches; a copy blit of an image onto itself still
// moves rows as memmove does.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "soft/memimg_renderer.h"
#include "soft/short_row_copy.h"
#include "soft_blit_fixture.h"

using namespace DuRud;
using namespace softblit;

TEST(ShortRowCopy, SimdFormsEqualMemmove) {
    struct Row {
        const char* name;
        void (*copy)(uint8_t*, const uint8_t*, size_t);
        size_t piece;  // the form's widest load: offsets up to it
        bool needsAvx2;
    };
    const Row rows[] = {
        {"SSE2", ShortRowCopySimd, 16, false},
        {"AVX2", ShortRowCopyAvx2, 32, true},
        {"AVX2 on destination boundaries", RowCopyAvx2, 32, true},
        {"row loop, one row",
         [](uint8_t* d, const uint8_t* s, size_t n) { CopyRows(d, 0, s, 0, n, 1); }, 32, false}};
    std::mt19937 rng(77);
    for (const Row& r : rows) {
        if (r.needsAvx2 && !__builtin_cpu_supports("avx2")) continue;
        SCOPED_TRACE(r.name);
        for (int round = 0; round < 20000; ++round) {
            const size_t n = rng() % 300;
            const size_t so = rng() % r.piece, dof = rng() % r.piece;
            std::vector<uint8_t> src(n + 2 * r.piece), a(n + 2 * r.piece), b;
            for (auto& v : src) v = uint8_t(rng());
            for (auto& v : a) v = uint8_t(rng());
            b = a;
            r.copy(a.data() + dof, src.data() + so, n);
            ShortRowCopyPlain(b.data() + dof, src.data() + so, n);
            ASSERT_EQ(a, b) << "n " << n;
        }
    }
}

TEST(ShortRowCopy, OverlapCheck) {
    std::vector<uint8_t> store(1000);
    uint8_t* p = store.data();
    // Rows of 16 bytes, pitch 100, 4 rows: bytes 0..315.
    EXPECT_TRUE(RowSpansOverlap(p, 100, p, 100, 16, 4));
    EXPECT_TRUE(RowSpansOverlap(p + 300, 100, p, 100, 16, 4));
    EXPECT_FALSE(RowSpansOverlap(p + 316, 100, p, 100, 16, 4));
    EXPECT_FALSE(RowSpansOverlap(p, 100, p + 316, 100, 16, 4));
    EXPECT_TRUE(RowSpansOverlap(p, 100, p + 315, 100, 16, 4));
    // Upward rows: the source spans 600 - 300 .. 616.
    EXPECT_TRUE(RowSpansOverlap(p + 290, 10, p + 600, -100, 16, 4));
    EXPECT_FALSE(RowSpansOverlap(p + 100, 10, p + 600, -100, 16, 4));
    EXPECT_FALSE(RowSpansOverlap(p + 616, 10, p + 600, -100, 16, 1));
}

class ShortRowCopyBlit : public SoftBlitTest {};

TEST_F(ShortRowCopyBlit, OverlappingSelfCopyMovesRowsAsMemmove) {
    std::mt19937 rng(5);
    for (int type : {kMemImgColor32, kMemImgColor16}) {
        for (const auto& [dx, dy] : {std::pair{1, 0}, std::pair{-1, 1}, std::pair{2, -1}}) {
            Canvas whole(20, 10, type);
            whole.Randomize(rng);
            MEMIMG src{}, dst{};
            ASSERT_EQ(ViewMemImg(&src, &whole.view, 4, 3, 9, 5), 0);
            ASSERT_EQ(ViewMemImg(&dst, &whole.view, 4 + dx, 3 + dy, 9, 5), 0);
            std::vector<uint8_t> want = whole.Store();
            const int pitch = whole.body()->pitch;
            const size_t base = size_t(whole.At(0, 0) - whole.body()->pixelStore);
            for (int y = 0; y < 5; ++y) {
                std::memmove(
                    want.data() + base + size_t(3 + dy + y) * pitch + size_t(4 + dx) * whole.bpp,
                    want.data() + base + size_t(3 + y) * pitch + size_t(4) * whole.bpp,
                    size_t(9) * whole.bpp);
            }
            MemImgBlit(&dst, &src, 0, 0, 0, nullptr);
            EXPECT_EQ(whole.Store(), want) << type << " " << dx << "," << dy;
            DropMemImg(&dst);
            DropMemImg(&src);
        }
    }
}
