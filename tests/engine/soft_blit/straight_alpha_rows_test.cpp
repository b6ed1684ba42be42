// The four-pixel sprite rows equal their one-pixel twins on random rows
// (every alignment and tail length, alphas 0 and 255 frequent), keep the
// destination's byte 3 where they mix, and give the same blit with the MMX flag either way.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "soft/memimg_renderer.h"
#include "soft/straight_alpha_rows.h"
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
        AlphaRowSimd<Op>(simd.data() + dof, src.data() + so, n);
        AlphaRowPlain<Op>(plain.data() + dof, src.data() + so, n);
        ASSERT_EQ(simd, plain) << "round " << round << " n " << n;
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

class StraightAlphaSpriteBlit : public SoftBlitTest {};

TEST_F(StraightAlphaSpriteBlit, BothPathsAndMmxFlagsGiveTheSameBytes) {
    std::mt19937 rng(4242);
    for (int round = 0; round < 12; ++round) {
        const int w = 1 + int(rng() % 37), h = 1 + int(rng() % 9);
        Canvas src(w, h, kMemImgColor32, true);
        src.Randomize(rng);
        src.BuildRunTable();
        Canvas base(w + 8, h + 4, kMemImgColor32);
        base.Randomize(rng);
        std::vector<std::vector<uint8_t>> results;
        for (int clipped : {0, 1}) {
            for (int mmx : {0, 1}) {
                ScopedMmx scoped(mmx);
                Canvas dst(w + 8, h + 4, kMemImgColor32);
                std::memcpy(dst.body()->pixelStore, base.body()->pixelStore,
                            size_t(dst.body()->pitch) * dst.body()->height);
                // Without a valid table the same call takes the clipped path.
                src.body()->runTableValid = clipped ? 0 : 1;
                MemImgBlit(&dst.view, &src.view, 3, 2, 1, nullptr);
                results.push_back(dst.Store());
            }
        }
        // Expected: the one-pixel rows on the same destination.
        Canvas want(w + 8, h + 4, kMemImgColor32);
        std::memcpy(want.body()->pixelStore, base.body()->pixelStore,
                    size_t(want.body()->pitch) * want.body()->height);
        for (int y = 0; y < h; ++y) {
            AlphaRowPlain<AlphaRowOp::Sprite>(want.At(3, 2 + y), src.At(0, y), w);
        }
        for (const auto& r : results) ASSERT_EQ(r, want.Store()) << "round " << round;
    }
}
