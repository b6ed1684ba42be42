// The eight-pixel keyed copies of 16-bit rows (SSE2) and 32-bit rows (AVX2)
// equal their one-pixel twins on random rows (keys frequent, every
// alignment and tail, a 16-bit key above 0xFFFF that matches nothing), and
// a 16-bit keyed blit of an image onto itself whose rows overlap still draws
// in the one-pixel loop's order (32-bit: ClippedSprite).
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "soft/keyed_copy_rows_16.h"
#include "soft/keyed_copy_rows_32.h"
#include "soft/memimg_renderer.h"
#include "soft_blit_fixture.h"

using namespace DuRud;
using namespace softblit;

TEST(KeyedCopyRows16, SimdEqualsPlainTwin) {
    std::mt19937 rng(31);
    for (int round = 0; round < 6000; ++round) {
        const int n = int(rng() % 70);
        const int so = int(rng() % 8), dof = int(rng() % 8);
        const uint32_t key = round % 7 == 0 ? 0x10000u + rng() % 0x10000u : rng() & 0xFFFF;
        std::vector<uint8_t> src(size_t(n) * 2 + 16), simd(size_t(n) * 2 + 16);
        for (size_t i = 0; i + 1 < src.size(); i += 2) {
            const uint32_t v = rng() % 3 == 0 ? key : rng();
            src[i] = uint8_t(v);
            src[i + 1] = uint8_t(v >> 8);
        }
        for (auto& b : simd) b = uint8_t(rng());
        auto plain = simd;
        KeyedRow16Simd(simd.data() + dof, src.data() + so, n, key);
        KeyedRow16Plain(plain.data() + dof, src.data() + so, n, key);
        ASSERT_EQ(simd, plain) << "round " << round << " n " << n << " key " << key;
    }
}

TEST(KeyedCopyRows32, EightPixelFormEqualsPlainTwin) {
    if (!__builtin_cpu_supports("avx2")) GTEST_SKIP() << "no AVX2 on this processor";
    std::mt19937 rng(32);
    for (int round = 0; round < 6000; ++round) {
        const int n = int(rng() % 70);
        const int so = int(rng() % 4), dof = int(rng() % 4);
        const uint32_t key = rng();
        std::vector<uint8_t> src(size_t(n) * 4 + 8), wide(size_t(n) * 4 + 8);
        // Runs of keys and of other words, so that whole blocks of each occur.
        for (size_t i = 0; i + 3 < src.size();) {
            const bool keys = rng() % 2;
            for (size_t left = 1 + rng() % 12; left > 0 && i + 3 < src.size(); --left, i += 4) {
                const uint32_t v = keys ? key : rng() % 16 == 0 ? key ^ 0xFF000000u : rng();
                std::memcpy(src.data() + i, &v, 4);
            }
        }
        for (auto& b : wide) b = uint8_t(rng());
        auto plain = wide;
        KeyedRow32Avx2(wide.data() + dof, src.data() + so, n, key);
        MemImgWordRowPlain(WordRowOp::Copy, plain.data() + dof, src.data() + so, n, true, key);
        ASSERT_EQ(wide, plain) << "round " << round << " n " << n;
    }
}

class KeyedCopyBlit : public SoftBlitTest {};

TEST_F(KeyedCopyBlit, OverlappingSelfBlitKeepsPixelOrder) {
    struct Row {
        const char* name;
        int dx, dy;
    };
    for (const Row& row : {Row{"one right", 1, 0}, Row{"three right", 3, 0},
                           Row{"one left, one down", -1, 1}, Row{"same place", 0, 0}}) {
        // Two equal images: one drawn pixel by pixel here (each row left to
        // right, rows top to bottom, every read after the writes before it),
        // the other by the blit.
        Canvas model(40, 8, kMemImgColor16, false, false, 0x1234);
        Canvas drawn(40, 8, kMemImgColor16, false, false, 0x1234);
        std::mt19937 a(8), b(8);
        model.Randomize(a);
        drawn.Randomize(b);
        for (int y = 0; y < 5; ++y) {
            for (int x = 0; x < 30; ++x) {
                const uint32_t v = model.Get(4 + x, 1 + y);
                if (v != 0x1234) model.Put(4 + row.dx + x, 1 + row.dy + y, v);
            }
        }
        MEMIMG src{}, dst{};
        ASSERT_EQ(ViewMemImg(&src, &drawn.view, 4, 1, 30, 5), 0);
        ASSERT_EQ(ViewMemImg(&dst, &drawn.view, 4 + row.dx, 1 + row.dy, 30, 5), 0);
        MemImgBlit(&dst, &src, 0, 0, 1, nullptr);
        EXPECT_EQ(drawn.Store(), model.Store()) << row.name;
        DropMemImg(&dst);
        DropMemImg(&src);
    }
}
