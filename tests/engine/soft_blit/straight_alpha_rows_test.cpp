// The four-pixel sprite rows (32-bit, and 16-bit from a colour and an alpha
// byte) equal their one-pixel twins on random rows
// (every alignment and tail length, alphas 0 and 255 frequent) and keep the
// destination's byte 3 where they mix; so do the one-step blocks of the
// run-table sprites (SSE2, and AVX2 where the processor has it), leaving the
// block's pixels past the run as they were. Through MemImgBlit, on both paths and
// with the MMX flag either way: BlitReference.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "soft/memimg_renderer.h"
#include "soft/straight_alpha_blocks_avx2.h"
#include "soft/straight_alpha_rows.h"
#include "soft/straight_alpha_rows_16.h"
#include "soft_blit_fixture.h"

using namespace DuRud;
using namespace softblit;

namespace {

std::vector<uint8_t> RandomPixels(std::mt19937& rng, size_t count) {
    std::vector<uint8_t> bytes(count * 4);
    for (size_t i = 0; i < count; ++i) {
        uint32_t v = rng();
        const uint32_t pick = rng() % 4;
        if (pick == 0) v &= 0x00FFFFFFu;
        if (pick == 1) v |= 0xFF000000u;
        std::memcpy(bytes.data() + 4 * i, &v, 4);
    }
    return bytes;
}

template <AlphaRowOp Op>
void ExpectTwinsEqual(uint32_t seed) {
    std::mt19937 rng(seed);
    for (int round = 0; round < 4000; ++round) {
        const int n = int(rng() % 41);
        const int so = int(rng() % 4), dof = int(rng() % 4);
        const auto src = RandomPixels(rng, size_t(n) + 2);
        auto simd = RandomPixels(rng, size_t(n) + 2);
        auto plain = simd;
        const uint32_t p = rng() % 4 == 0 ? 255 * (rng() % 2) : rng() % 256;
        AlphaRowSimd<Op>(simd.data() + dof, src.data() + so, n, p);
        AlphaRowPlain<Op>(plain.data() + dof, src.data() + so, n, p);
        ASSERT_EQ(simd, plain) << "round " << round << " n " << n << " p " << p;
    }
}

uint32_t Pixel(const std::vector<uint8_t>& v, int i) {
    uint32_t p = 0;
    std::memcpy(&p, v.data() + 4 * i, 4);
    return p;
}

}  // namespace

TEST(StraightAlphaRows, SimdEqualsPlainTwin) {
    for (int mmx : {0, 1}) {
        ScopedMmx scoped(mmx);
        ExpectTwinsEqual<AlphaRowOp::Opaque>(100u + mmx);
        ExpectTwinsEqual<AlphaRowOp::Weighted>(200u + mmx);
        ExpectTwinsEqual<AlphaRowOp::Sprite>(300u + mmx);
        ExpectTwinsEqual<AlphaRowOp::Constant>(400u + mmx);
    }
}

TEST(StraightAlphaRows, PinnedPixels) {
    // Source: white a=255, white a=128, red a=0, blue a=64. Destination
    // byte 3 is 0x5A everywhere; mixed pixels keep it.
    const uint32_t s[5] = {0xFFFFFFFFu, 0x80FFFFFFu, 0x00FF0000u, 0x400000FFu, 0xFF102030u};
    const uint32_t d[5] = {0x5A000000u, 0x5A000000u, 0x5A123456u, 0x5A0000C8u, 0x5AFFFFFFu};
    std::vector<uint8_t> src(20), weighted(20), sprite(20), opaque(20);
    std::memcpy(src.data(), s, 20);
    std::memcpy(weighted.data(), d, 20);
    sprite = opaque = weighted;
    AlphaRowSimd<AlphaRowOp::Weighted>(weighted.data(), src.data(), 5);
    AlphaRowSimd<AlphaRowOp::Sprite>(sprite.data(), src.data(), 5);
    AlphaRowSimd<AlphaRowOp::Opaque>(opaque.data(), src.data(), 5);
    // Weight 255 leaves 255 over 0 at 254; the sprite form stores the
    // opaque source word whole, its byte 3 included.
    EXPECT_EQ(Pixel(weighted, 0), 0x5AFEFEFEu);
    EXPECT_EQ(Pixel(sprite, 0), 0xFFFFFFFFu);
    // 255 * 128 >> 8 = 127.
    EXPECT_EQ(Pixel(weighted, 1), 0x5A7F7F7Fu);
    EXPECT_EQ(Pixel(sprite, 1), 0x5A7F7F7Fu);
    // Alpha 0 keeps the destination.
    EXPECT_EQ(Pixel(weighted, 2), 0x5A123456u);
    EXPECT_EQ(Pixel(sprite, 2), 0x5A123456u);
    // Blue: (255*64 + 200*192) >> 8 = 213.
    EXPECT_EQ(Pixel(weighted, 3), 0x5A0000D5u);
    // 0x10 over 0xFF at weight 255: (16*255 + 255) >> 8 = 16, and so on.
    EXPECT_EQ(Pixel(weighted, 4), 0x5A102030u);
    EXPECT_EQ(Pixel(opaque, 3), 0x400000FFu);
    EXPECT_EQ(Pixel(opaque, 2), 0x00FF0000u);
}

// The 16-bit rows (sources of a colour and an alpha byte) against their
// one-pixel twins on random rows.
template <AlphaRowOp Op>
void ExpectTwins16Equal(uint32_t seed) {
    std::mt19937 rng(seed);
    for (int round = 0; round < 4000; ++round) {
        const int n = int(rng() % 41);
        const int so = int(rng() % 4), dof = int(rng() % 2);
        auto src = RandomPixels(rng, size_t(n) + 2);
        for (size_t i = 0; i + 3 < src.size(); i += 4)
            src[i + 2] = src[i + 3];  // alpha 0, 255 often
        std::vector<uint8_t> simd(size_t(n) * 2 + 4);
        for (auto& b : simd) b = uint8_t(rng());
        auto plain = simd;
        AlphaRow16Simd<Op>(simd.data() + 2 * dof, src.data() + so, n);
        AlphaRow16Plain<Op>(plain.data() + 2 * dof, src.data() + so, n);
        ASSERT_EQ(simd, plain) << "round " << round << " n " << n;
    }
}

TEST(StraightAlphaRows, SixteenBitSimdEqualsPlainTwin) {
    ExpectTwins16Equal<AlphaRowOp::Opaque>(700u);
    ExpectTwins16Equal<AlphaRowOp::Weighted>(800u);
    ExpectTwins16Equal<AlphaRowOp::Sprite>(900u);
}

namespace {

// A block form against the one-pixel row on its first n pixels, the rest of
// the block's width untouched. srcBpp/dstBpp 4/4 or 4/2.
using BlockForm = void (*)(uint8_t*, const uint8_t*, int);
using RowForm = void (*)(uint8_t*, const uint8_t*, int);

void ExpectBlockEqualsRow(BlockForm block, RowForm row, int dstBpp, int maxN, uint32_t seed) {
    std::mt19937 rng(seed);
    for (int round = 0; round < 3000; ++round) {
        const int n = 1 + int(rng() % maxN);
        const int so = int(rng() % 4), dof = int(rng() % 4);
        auto src = RandomPixels(rng, size_t(maxN) + 2);
        if (dstBpp == 2) {
            for (size_t i = 0; i + 3 < src.size(); i += 4) src[i + 2] = src[i + 3];
        }
        std::vector<uint8_t> got(size_t(maxN) * dstBpp + 8);
        for (auto& b : got) b = uint8_t(rng());
        auto want = got;
        block(got.data() + dof, src.data() + so, n);
        row(want.data() + dof, src.data() + so, n);
        ASSERT_EQ(got, want) << "round " << round << " n " << n;
    }
}

}  // namespace

TEST(StraightAlphaRows, SpriteBlocksEqualPlainRows) {
    struct Row {
        const char* name;
        BlockForm block;
        RowForm row;
        int dstBpp, maxN;
        bool needsAvx2;
    };
    const RowForm weighted = [](uint8_t* d, const uint8_t* s, int n) {
        AlphaRowPlain<AlphaRowOp::Weighted>(d, s, n);
    };
    const Row rows[] = {
        {"weighted 32 SSE2", WeightedBlockSimd, weighted, 4, 4, false},
        {"weighted 32 AVX2", WeightedBlockAvx2, weighted, 4, 8, true},
        {"weighted 32 AVX2 four", WeightedBlock4Avx2, weighted, 4, 4, true},
        {"weighted 16 SSE2", WeightedBlock16Simd, AlphaRow16Plain<AlphaRowOp::Weighted>, 2, 4,
         false},
        {"weighted 16 AVX2", WeightedBlock16Avx2, AlphaRow16Plain<AlphaRowOp::Weighted>, 2, 8,
         true},
        // Whole runs: every length up to 40, the last step overlapping.
        {"opaque run 16", OpaqueRun16Simd, AlphaRow16Plain<AlphaRowOp::Opaque>, 2, 40, false},
    };
    const bool avx2 = __builtin_cpu_supports("avx2");
    uint32_t seed = 1000;
    for (const Row& r : rows) {
        if (r.needsAvx2 && !avx2) continue;
        SCOPED_TRACE(r.name);
        ExpectBlockEqualsRow(r.block, r.row, r.dstBpp, r.maxN, seed++);
    }
}
