// The 16-bit pair loops: the SSE2 twin against the plain loop over random
// widths, pitches and alignments; and their formulas on known values.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "core/system_services.h"
#include "image/pixel_conversion.h"
#include "image_test_formats.h"

using namespace DuRud;

TEST(PixelPairs, KnownValues) {
    const uint16_t in[2] = {0xFFFF, 0x07E0};
    uint16_t out[2];
    for (int simd : {0, 1}) {
        ConvertLinesR5G6B5ToX1R5G5B5(reinterpret_cast<uint8_t*>(out), 4,
                                     reinterpret_cast<const uint8_t*>(in), 4, 2, 1, 0, 0, simd);
        EXPECT_EQ(out[0], 0x7FFF);
        EXPECT_EQ(out[1], 0x03E0);
        ConvertLinesR5G6B5ToX1R5G5B5(reinterpret_cast<uint8_t*>(out), 4,
                                     reinterpret_cast<const uint8_t*>(in), 4, 2, 1, 1, 0x07E0,
                                     simd);
        EXPECT_EQ(out[0], 0xFFFF);
        EXPECT_EQ(out[1], 0x03E0);
        const uint16_t x1[2] = {0x7FFF, 0x0020};
        ConvertLinesX1R5G5B5ToR5G6B5(reinterpret_cast<uint8_t*>(out), 4,
                                     reinterpret_cast<const uint8_t*>(x1), 4, 2, 1, simd);
        EXPECT_EQ(out[0], 0xFFFF);
        EXPECT_EQ(out[1], 0x0060);  // bit 5 shifted to 6 and kept at 5
    }
}

TEST(PixelPairs, SimdMatchesPlainAtAnyWidthPitchAndAlignment) {
    std::mt19937 rng(1234);
    for (int round = 0; round < 400; ++round) {
        const int width = 1 + round % 17;
        const int height = 1 + int(rng() % 4);
        const int srcPitch = width * 2 + int(rng() % 5);  // odd pitches too
        const int dstPitch = width * 2 + int(rng() % 5);
        const int srcOff = int(rng() % 3), dstOff = int(rng() % 3);  // unaligned rows
        std::vector<uint8_t> src(size_t(srcPitch) * height + 8);
        for (auto& b : src) b = uint8_t(rng());
        const uint16_t key = uint16_t(src[srcOff] | src[srcOff + 1] << 8);  // one pixel matches
        const int keyed = int(rng() % 2);
        std::vector<uint8_t> plain(size_t(dstPitch) * height + 8, 0xCC), simd = plain;
        if (round % 2 == 0) {
            ConvertLinesR5G6B5ToX1R5G5B5(plain.data() + dstOff, dstPitch, src.data() + srcOff,
                                         srcPitch, width, height, keyed, key, 0);
            ConvertLinesR5G6B5ToX1R5G5B5(simd.data() + dstOff, dstPitch, src.data() + srcOff,
                                         srcPitch, width, height, keyed, key, 1);
        } else {
            ConvertLinesX1R5G5B5ToR5G6B5(plain.data() + dstOff, dstPitch, src.data() + srcOff,
                                         srcPitch, width, height, 0);
            ConvertLinesX1R5G5B5ToR5G6B5(simd.data() + dstOff, dstPitch, src.data() + srcOff,
                                         srcPitch, width, height, 1);
        }
        ASSERT_EQ(plain, simd) << "round " << round << " width " << width;
    }
}

// The same through ConvertPixelRect with the processor flag forced off and on.
TEST(PixelPairs, ConvertPixelRectIdenticalWithFlagOffAndOn) {
    ColorFormat r565, x1555, a1555;
    SetupColorFormat(&r565, 16, 0xF800, 0x7E0, 0x1F, 0, 0, 0, 0);
    SetupColorFormat(&x1555, 16, 0x7C00, 0x3E0, 0x1F, 0, 0, 0, 0);
    SetupColorFormat(&a1555, 16, 0x7C00, 0x3E0, 0x1F, 0x8000, 0, 0, 0);
    struct Pair {
        const ColorFormat* dst;
        const ColorFormat* src;
        int key;
    } pairs[] = {{&x1555, &r565, 0}, {&r565, &x1555, 0}, {&a1555, &r565, 1}};
    std::mt19937 rng(99);
    for (int width = 1; width <= 17; ++width) {
        for (const Pair& p : pairs) {
            const int height = 3, srcPitch = width * 2 + 3, dstPitch = width * 2 + 1;
            std::vector<uint8_t> src(size_t(srcPitch) * height + 4);
            for (auto& b : src) b = uint8_t(rng());
            std::vector<uint8_t> out[2];
            for (int flag : {0, 1}) {
                SetMmxAvailable(flag);
                out[flag].assign(size_t(dstPitch) * height + 4, 0xCC);
                const RECT r{0, 0, width, height};
                ASSERT_EQ(ConvertPixelRect(out[flag].data() + 1, dstPitch, p.dst, src.data() + 1,
                                           srcPitch, p.src, nullptr, 0, nullptr, 0, 0, &r, 0, p.key,
                                           0x00FF00, 0, 0, 0, 0, 0),
                          0);
            }
            SetMmxAvailable(0);
            ASSERT_EQ(out[0], out[1]) << "width " << width;
        }
    }
}

// Whole lines of R8G8B8 towards 32 bits, in a buffer that ends with the last
// pixel (five to a line: four read as whole words, the fifth byte by byte),
// the key at each place of the four: the key clears the alpha only towards a
// format that has one.
TEST(PixelPairs, R8G8B8LinesToThirtyTwoBits) {
    const ColorFormat rgb = imagetest::R8G8B8();
    constexpr uint32_t K = 0x123456;
    const uint32_t picture[2][5] = {{0x030201, K, 0xCCBBAA, K, 0x302010},
                                    {K, 0x030201, 0x0000FF, 0xFF0000, K}};
    std::vector<uint8_t> src;
    for (const auto& line : picture)
        for (uint32_t c : line)
            src.insert(src.end(), {uint8_t(c), uint8_t(c >> 8), uint8_t(c >> 16)});
    struct Row {
        const char* name;
        ColorFormat dest;
        int key;
        bool keyClears;
    } rows[] = {{"no key", imagetest::A8R8G8B8(), 0, false},
                {"keyed", imagetest::A8R8G8B8(), 1, true},
                {"keyed without alpha", imagetest::X8R8G8B8(), 1, false}};
    for (const Row& r : rows) {
        std::vector<uint8_t> dst(10 * 4, 0xEE);
        const RECT all{0, 0, 5, 2};
        ASSERT_EQ(0, ConvertPixelRect(dst.data(), 20, &r.dest, src.data(), 15, &rgb, nullptr, 0,
                                      nullptr, 0, 0, &all, 0, r.key, K, 0, 0, 0, 0, 0))
            << r.name;
        for (int i = 0; i < 10; ++i) {
            const uint32_t c = picture[i / 5][i % 5];
            const uint32_t alpha = r.keyClears && c == K ? 0 : 0xFF000000u;
            EXPECT_EQ(imagetest::Get32(dst, i), c | alpha) << r.name << " pixel " << i;
        }
    }
}
