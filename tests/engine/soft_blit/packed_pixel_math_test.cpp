// The packed add and subtract equal the per-channel rules: every 16-bit
// destination against sampled terms, a million random 32-bit pairs; the MMX
// forms equal per-byte saturation, and the SIMD rows equal their plain twins.
#include <gtest/gtest.h>

#include <random>

#include "blit_reference.h"
#include "soft/packed_pixel_math.h"

using namespace DuRud;
using namespace softblit;

namespace {

std::vector<uint32_t> SampledTerms16() {
    std::vector<uint32_t> terms = {0x0000, 0xFFFF, 0x0001, 0x0020, 0x0800, 0x8410,
                                   0x7BEF, 0xF7DE, 0x001F, 0x07E0, 0xF800};
    std::mt19937 rng(16);
    while (terms.size() < 96) terms.push_back(rng() & 0xFFFF);
    return terms;
}

TEST(PackedPixelMath, SixteenBitFormsEqualChannelRules) {
    for (uint32_t x : SampledTerms16()) {
        for (uint32_t d = 0; d <= 0xFFFF; ++d) {
            ASSERT_EQ(MemImgAdd16(d, x), RefAdd16(d, x, true)) << d << " + " << x;
            ASSERT_EQ(MemImgAdd16NoTerm(d, x), RefAdd16(d, x, false)) << d << " + " << x;
            ASSERT_EQ(MemImgSubtract16(d, x), RefSubtract16(d, x)) << d << " - " << x;
            ASSERT_EQ(MemImgHalf16(d, x) & 0xFFFF,
                      uint32_t(((d >> 11) >> 1) + ((x >> 11) >> 1)) << 11 |
                          uint32_t((((d >> 5) & 63) >> 1) + (((x >> 5) & 63) >> 1)) << 5 |
                          uint32_t(((d & 31) >> 1) + ((x & 31) >> 1)));
        }
    }
}

TEST(PackedPixelMath, SixteenBitPairsEqualChannelRules) {
    std::mt19937 rng(1616);
    for (int i = 0; i < 1000000; ++i) {
        const uint32_t dw = rng(), sw = rng();
        const uint32_t dl = dw & 0xFFFF, dr = dw >> 16, sl = sw & 0xFFFF, sr = sw >> 16;
        const uint32_t add = MemImgAdd16Pair(dw, sw);
        ASSERT_EQ(add & 0xFFFF, RefAdd16(dl, sl, false));
        ASSERT_EQ(add >> 16, RefPairRight16(dr, sr, true, RefLeftRedFlag16(dl, sl, true)));
        const uint32_t sub = MemImgSubtract16Pair(dw, sw);
        ASSERT_EQ(sub & 0xFFFF, RefSubtract16(dl, sl));
        ASSERT_EQ(sub >> 16, RefPairRight16(dr, sr, false, RefLeftRedFlag16(dl, sl, false)));
    }
}

TEST(PackedPixelMath, ThirtyTwoBitFormsEqualChannelRules) {
    std::mt19937 rng(3232);
    for (int i = 0; i < 1000000; ++i) {
        const uint32_t d = rng(), x = rng();
        const uint32_t x24 = x & 0xFFFFFF;  // contributions carry nothing in byte 3
        ASSERT_EQ(MemImgAdd32(d, x24), RefAdd32(d, x24, true));
        ASSERT_EQ(MemImgAdd32NoTerm(d, x24), RefAdd32(d, x24, false));
        ASSERT_EQ(MemImgSubtract32(d, x), RefSubtract32(d, x));
        uint32_t sat = 0, floor = 0;
        for (int c = 0; c < 4; ++c) {
            const int a = Ch32(d, c), b = Ch32(x, c);
            sat = With32(sat, c, std::min(255, a + b));
            floor = With32(floor, c, std::max(0, a - b));
        }
        ASSERT_EQ(AddSaturateBytes32(d, x), sat);
        ASSERT_EQ(SubtractSaturateBytes32(d, x), floor);
        uint32_t half = 0;
        for (int c = 0; c < 3; ++c) half = With32(half, c, (Ch32(d, c) >> 1) + (Ch32(x, c) >> 1));
        ASSERT_EQ(MemImgHalf32(d, x), half);
    }
}

TEST(PackedPixelMath, PinnedSums) {
    EXPECT_EQ(MemImgAdd16(0x8410, 0x8410), 0xFFFF);
    EXPECT_EQ(MemImgAdd16(0xF800, 0x0800), 0xF800);
    EXPECT_EQ(MemImgAdd16NoTerm(0x0000, 0x0020), 0x0000);
    EXPECT_EQ(MemImgAdd16NoTerm(0xF800, 0x0800), 0xF000);
    EXPECT_EQ(MemImgSubtract16(0xFFFF, 0xFFFF), 0x0800);
    EXPECT_EQ(MemImgSubtract16(0xFFFF, 0x0000), 0xFFDF);
    EXPECT_EQ(MemImgSubtract16Pair(0xFFFFFFFF, 0xFFFFFFFF), 0x08010800u);
    EXPECT_EQ(MemImgAdd16(0x001F, 0x0001), 0x003F);
    EXPECT_EQ(MemImgSubtract16(0x0000, 0x0000), 0x0800);
    EXPECT_EQ(MemImgAdd32(0x010101, 0x010101), 0x020202u);  // as the device adds
    EXPECT_EQ(MemImgAdd32(0x80FF01, 0x80FF01), 0x01FFFF02u);
    EXPECT_EQ(MemImgAdd32NoTerm(0x010101, 0x010101), 0x000002u);
    EXPECT_EQ(MemImgAdd32NoTerm(0x808080, 0x808080), 0x01FFFFFFu);
    EXPECT_EQ(MemImgSubtract32(0x303030, 0x101010), 0x212120u);
    EXPECT_EQ(MemImgSubtract32(0x101010, 0x202020), 0u);
}

TEST(PackedPixelMath, SimdRowsEqualPlainTwins) {
    std::mt19937 rng(99);
    for (int round = 0; round < 3000; ++round) {
        const int n = int(rng() % 23);
        const int offset = int(rng() % 4);  // rows start at any byte
        std::vector<uint8_t> src(4 * n + 8), a(4 * n + 8), b;
        for (auto& v : src) v = uint8_t(rng());
        for (auto& v : a) v = uint8_t(rng());
        const uint32_t key = n ? Load32(src.data() + offset + 4 * (rng() % n)) : 0;
        b = a;
        const auto op = WordRowOp(rng() % 4);
        const bool skip = rng() & 1;
        MemImgWordRowSimd(op, a.data() + offset, src.data() + offset, n, skip, key);
        MemImgWordRowPlain(op, b.data() + offset, src.data() + offset, n, skip, key);
        ASSERT_EQ(a, b) << "round " << round;
    }
}

TEST(PackedPixelMath, SimdRowBlocksEqualPlainRows) {
    std::mt19937 rng(98);
    for (int round = 0; round < 1000; ++round) {
        const int n = int(rng() % 23), h = 1 + int(rng() % 5);
        const int srcPitch = 4 * n + int(rng() % 9), dstPitch = 4 * n + int(rng() % 9);
        std::vector<uint8_t> src(size_t(srcPitch) * h + 4), a(size_t(dstPitch) * h + 4), b;
        for (auto& v : src) v = uint8_t(rng());
        for (auto& v : a) v = uint8_t(rng());
        const uint32_t key = n ? Load32(src.data() + 4 * (rng() % n)) : 0;
        b = a;
        const auto op = WordRowOp(rng() % 4);
        const bool skip = rng() & 1;
        MemImgWordRowsSimd(op, a.data(), dstPitch, src.data(), srcPitch, n, h, skip, key);
        for (int y = 0; y < h; ++y) {
            MemImgWordRowPlain(op, b.data() + size_t(y) * dstPitch,
                               src.data() + size_t(y) * srcPitch, n, skip, key);
        }
        ASSERT_EQ(a, b) << "round " << round;
    }
}

}  // namespace
