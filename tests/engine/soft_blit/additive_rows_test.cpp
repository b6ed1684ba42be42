// The four-word additive rows equal their one-word twins on random rows
// (every alignment and tail length, channels near the saturation edge
// frequent), in the scaled form at every strength and in the full-strength
// form. Through MemImgBlit against the reference: BlitReference.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "soft/additive_rows.h"

using namespace DuRud;

namespace {

std::vector<uint8_t> RandomWords(std::mt19937& rng, size_t count) {
    std::vector<uint8_t> bytes(count * 4);
    for (auto& b : bytes) {
        const uint32_t pick = rng() % 4;
        b = pick == 0 ? 0xFF : pick == 1 ? uint8_t(0x80 + rng() % 0x80) : uint8_t(rng());
    }
    return bytes;
}

template <bool Scaled>
void ExpectTwinsEqual(uint32_t seed) {
    std::mt19937 rng(seed);
    for (int round = 0; round < 4000; ++round) {
        const int n = int(rng() % 41);
        const int so = int(rng() % 4), dof = int(rng() % 4);
        const uint32_t p = Scaled ? 1 + rng() % 254 : 255;
        const auto src = RandomWords(rng, size_t(n) + 2);
        auto simd = RandomWords(rng, size_t(n) + 2);
        auto plain = simd;
        AddRowSimd<Scaled>(simd.data() + dof, src.data() + so, n, p);
        AddRowPlain<Scaled>(plain.data() + dof, src.data() + so, n, p);
        ASSERT_EQ(simd, plain) << "round " << round << " n " << n << " p " << p;
    }
}

}  // namespace

TEST(AdditiveRows, SimdEqualsPlainTwin) {
    ExpectTwinsEqual<true>(500u);
    ExpectTwinsEqual<false>(600u);
}

// Worked by hand, no channel carrying, each term to the nearest: red
// 200 * 128 / 255 = 100.4 -> 100, 100 + 100 = 200; green 80 * 128 / 255 =
// 40.2 -> 40, 40 + 200 = 240; blue 1 * 128 / 255 = 0.502 -> 1, 0 + 1 = 1.
TEST(AdditiveRows, ScaledWordByHand) {
    const uint32_t s = 0x00C85001u, d = 0x7764C800u;
    for (int simd = 0; simd < 2; ++simd) {
        uint32_t src[4] = {s, s, s, s}, dst[4] = {d, d, d, d};
        if (simd) {
            AddRowSimd<true>(reinterpret_cast<uint8_t*>(dst), reinterpret_cast<const uint8_t*>(src),
                             4, 128);
        } else {
            AddRowPlain<true>(reinterpret_cast<uint8_t*>(dst),
                              reinterpret_cast<const uint8_t*>(src), 4, 128);
        }
        EXPECT_EQ(dst[3] & 0x00FFFFFFu, 0x00C8F001u) << "simd " << simd;
    }
}
