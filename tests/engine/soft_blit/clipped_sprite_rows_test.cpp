// The eight-pixel sprite rows of the clipped path (32-bit, and 16-bit under
// four-byte sources) equal their one-pixel twins on random rows made of
// runs, so that whole blocks of one kind occur; sprites cut by the left or
// right edge at every offset draw as the reference says, at both depths;
// and a sprite or a keyed copy drawn onto itself with overlapping rows
// keeps the four-pixel rows' order.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "blit_reference.h"
#include "soft/memimg_renderer.h"
#include "soft/packed_pixel_math.h"
#include "soft/sprite_rows_avx2.h"
#include "soft/straight_alpha_rows.h"
#include "soft/straight_alpha_rows_16.h"

using namespace DuRud;
using namespace softblit;

namespace {

using RowForm = void (*)(uint8_t*, const uint8_t*, int);

// Runs of one to twenty pixels, each transparent, opaque or translucent
// (alpha 1 and 254 among them), the alpha byte where the depth keeps it.
std::vector<uint8_t> RunPixels(std::mt19937& rng, size_t count, int alphaShift) {
    std::vector<uint8_t> bytes(count * 4);
    size_t i = 0;
    while (i < count) {
        const uint32_t kind = rng() % 3;
        for (size_t left = 1 + rng() % 20; left > 0 && i < count; --left, ++i) {
            const uint32_t a = kind == 0        ? 0
                               : kind == 1      ? 255
                               : rng() % 8 == 0 ? 1 + 253 * (rng() % 2)
                                                : 1 + rng() % 254;
            const uint32_t v = (rng() & ~(0xFFu << alphaShift)) | a << alphaShift;
            std::memcpy(bytes.data() + 4 * i, &v, 4);
        }
    }
    return bytes;
}

}  // namespace

TEST(ClippedSpriteRows, EightPixelRowsEqualPlainTwins) {
    if (!__builtin_cpu_supports("avx2")) GTEST_SKIP() << "no AVX2 on this processor";
    struct Row {
        const char* name;
        RowForm wide;
        RowForm plain;
        int dstBpp, alphaShift;
    };
    const RowForm plain32 = [](uint8_t* d, const uint8_t* s, int n) {
        AlphaRowPlain<AlphaRowOp::Sprite>(d, s, n);
    };
    const Row rows[] = {
        {"32-bit", SpriteRowAvx2, plain32, 4, 24},
        {"16-bit", SpriteRow16Avx2, AlphaRow16Plain<AlphaRowOp::Sprite>, 2, 16},
    };
    uint32_t seed = 60;
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        std::mt19937 rng(seed++);
        for (int round = 0; round < 4000; ++round) {
            const int n = int(rng() % 70);
            const int so = int(rng() % 4), dof = int(rng() % 4);
            const auto src = RunPixels(rng, size_t(n) + 2, r.alphaShift);
            std::vector<uint8_t> wide(size_t(n) * r.dstBpp + 8);
            for (auto& b : wide) b = uint8_t(rng());
            auto plain = wide;
            r.wide(wide.data() + dof, src.data() + so, n);
            r.plain(plain.data() + dof, src.data() + so, n);
            ASSERT_EQ(wide, plain) << "round " << round << " n " << n;
        }
    }
}

class ClippedSprite : public SoftBlitTest {};

// A sprite whose rows are runs, with a current table, placed so that 0 to
// size of its columns fall off the left or the right edge of the draw area:
// whole ones go through the table, cut ones through the clipped rows.
TEST_F(ClippedSprite, EveryCutOnBothEdgesEqualsReference) {
    struct Row {
        const char* name;
        int type;
        int size;
    };
    const Row rows[] = {
        {"32-bit 1", kMemImgColor32, 1},   {"32-bit 7", kMemImgColor32, 7},
        {"32-bit 17", kMemImgColor32, 17}, {"32-bit 33", kMemImgColor32, 33},
        {"16-bit 1", kMemImgColor16, 1},   {"16-bit 9", kMemImgColor16, 9},
        {"16-bit 17", kMemImgColor16, 17}, {"16-bit 31", kMemImgColor16, 31},
    };
    std::mt19937 rng(77);
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        Canvas src(r.size, 5, r.type, true);
        const int alphaShift = r.type == kMemImgColor32 ? 24 : 16;
        for (int y = 0; y < src.h(); ++y) {
            const auto px = RunPixels(rng, size_t(r.size), alphaShift);
            for (int x = 0; x < r.size; ++x) {
                uint32_t v = 0;
                std::memcpy(&v, px.data() + 4 * x, 4);
                src.Put(x, y, v);
            }
        }
        src.BuildRunTable();
        for (int cut = 0; cut <= r.size; ++cut) {
            for (bool left : {true, false}) {
                DrawState st;
                st.area = {10, 0, 10 + r.size + 6, 8};
                ApplyDrawState(st);
                const int x = left ? 10 - cut : st.area.right - r.size + cut;
                Canvas dst(r.size + 20, 8, r.type);
                dst.Randomize(rng);
                const bool whole = cut == 0;
                const auto expected = RefBlit(dst, src, x, 1, 1, nullptr, st, false, whole);
                MemImgBlit(&dst.view, &src.view, x, 1, 1, nullptr);
                ASSERT_EQ(dst.Store(), expected) << (left ? "left" : "right") << " cut " << cut;
            }
        }
    }
}

// Drawn onto itself with rows that share bytes, a 32-bit sprite (through a
// second image without alpha over the same pixels) and a 32-bit keyed copy
// keep the four-pixel rows' order: each row read in blocks of four pixels
// after the writes before them.
TEST_F(ClippedSprite, OverlappingSelfBlitKeepsFourPixelRows) {
    struct Row {
        const char* name;
        bool sprite;
        int dx, dy;
    };
    const Row rows[] = {
        {"sprite one right", true, 1, 0},           {"sprite five right", true, 5, 0},
        {"sprite one left, one down", true, -1, 1}, {"sprite same place", true, 0, 0},
        {"keyed one right", false, 1, 0},           {"keyed five right", false, 5, 0},
        {"keyed one left, one down", false, -1, 1}};
    constexpr uint32_t kKey = 0x00123456;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Canvas model(48, 8, kMemImgColor32, row.sprite, false, kKey);
        Canvas drawn(48, 8, kMemImgColor32, row.sprite, false, kKey);
        std::mt19937 a(9), b(9);
        model.Randomize(a);
        drawn.Randomize(b);
        for (int y = 0; y < 5; ++y) {
            uint8_t* to = model.At(6 + row.dx, 1 + row.dy + y);
            const uint8_t* from = model.At(6, 1 + y);
            if (row.sprite) {
                AlphaRowSimd<AlphaRowOp::Sprite>(to, from, 36);
            } else {
                MemImgWordRowSimd(WordRowOp::Copy, to, from, 36, true, kKey);
            }
        }
        // The destination: the pixels as an image without alpha.
        MEMIMG over{}, src{}, dst{};
        ASSERT_EQ(SetupMemImg(&over, drawn.whole.width, drawn.whole.height, drawn.body()->pitch, 0,
                              kMemImgColor32, 0, 0, 0, drawn.body()->pixelStore),
                  0);
        ASSERT_EQ(ViewMemImg(&src, &drawn.view, 6, 1, 36, 5), 0);
        ASSERT_EQ(ViewMemImg(&dst, &over, 3 + 6 + row.dx, 3 + 1 + row.dy, 36, 5), 0);
        MemImgBlit(&dst, &src, 0, 0, 2, nullptr);
        EXPECT_EQ(drawn.Store(), model.Store());
        DropMemImg(&dst);
        DropMemImg(&src);
        DropMemImg(&over);
    }
}
