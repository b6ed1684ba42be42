// The whole-row span loops: the SIMD bilinear row against its plain twin and
// against the per-pixel sample, on random textures, weights and steps.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

#include "../../../platform/d3d9/raster/span_rows.h"
#include "random_point_rows.h"

namespace {

using namespace platform::raster;

struct RandomTexture {
    std::vector<uint8_t> bytes;
    RasterSurface level;
    RandomTexture(int w, int h, uint32_t format, std::mt19937& rng) {
        bytes.resize(size_t(w) * h * 4);
        for (auto& b : bytes) b = uint8_t(rng());
        if (rng() % 4 == 0) std::memset(bytes.data(), 0xFF, std::min<size_t>(bytes.size(), 64));
        level.width = w, level.height = h, level.pitch = w * 4, level.format = format;
        level.pixels = bytes.data();
    }
};

TEST(RasterRowLoops, BilinearRowMatchesThePlainTwinAndThePixelSample) {
    std::mt19937 rng(2024);
    for (int round = 0; round < 1000; ++round) {
        const uint32_t format = rng() % 2 ? kFormatA8R8G8B8 : kFormatX8R8G8B8;
        RandomTexture tex(1 + int(rng() % 300), 1 + int(rng() % 40), format, rng);
        const int x0 = int(rng() % 40), x1 = x0 + 1 + int(rng() % 600);
        // Steps from shrinking to 8x stretching, starts inside and around the texture.
        RowCoords c;
        c.step = int64_t(rng() % (int64_t(3) << kCoordBits)) + 1;
        if (round % 5 <= 1) c.step = int64_t(1) << (kCoordBits - 1);  // exactly 2x
        c.base = int64_t(rng() % (uint64_t(tex.level.width + 8) << kCoordBits)) -
                 (int64_t(4) << kCoordBits);
        const int64_t ft = int64_t(rng() % uint32_t(tex.level.height * 256 + 256)) - 128;
        RowBlend rb;
        rb.Prepare(tex.level, int(format), D3DTADDRESS_CLAMP, D3DTADDRESS_CLAMP, ft, c.At(x0),
                   c.At(x1 - 1));
        if (!rb.ready) continue;
        const uint32_t keep = round % 3 ? 0x00FFFFFFu : 0xFFFFFFFFu;
        const uint32_t set = round % 3 ? (rng() & 0xFF000000u) : 0;
        std::vector<uint8_t> plain(size_t(x1) * 4 + 16, 0xAB), simd = plain, pixel = plain;
        BlendRowPlain(rb, c, x0, x1, keep, set, plain.data());
        BlendRow(rb, c, x0, x1, keep, set, simd.data());
        for (int x = x0; x < x1; ++x) {
            uint32_t v = (rb.Sample(c.At(x)) & keep) | set;
            std::memcpy(pixel.data() + size_t(x) * 4, &v, 4);
        }
        ASSERT_EQ(plain, pixel) << "round " << round;
        ASSERT_EQ(simd, plain) << "round " << round;
#if defined(__SSE2__)
        std::vector<uint8_t> sse = plain;
        std::fill(sse.begin(), sse.end(), 0xAB);
        BlendRowSse2(rb, c, x0, x1, keep, set, sse.data());
        ASSERT_EQ(sse, plain) << "round " << round;
#endif
#if defined(__x86_64__)
        if (BlendRowAvx2Available()) {
            std::vector<uint8_t> avx(plain.size(), 0xAB);
            BlendRowAvx2(rb, c, x0, x1, keep, set, avx.data());
            ASSERT_EQ(avx, plain) << "round " << round;
        }
#endif
    }
}

TEST(RasterRowLoops, PointRowClampsAndReadsTheFormatsAlpha) {
    // Four texels; x8 texels read with alpha 255.
    const uint32_t texels[4] = {0x11223344u, 0x00FFEEDDu, 0x80102030u, 0x7F000000u};
    RowCoords c{-(int64_t(1) << kCoordBits), int64_t(1) << (kCoordBits - 1)};  // from -1, 2x
    uint8_t out[12 * 4];
    PointRow(reinterpret_cast<const uint8_t*>(texels), 4, kFormatA8R8G8B8, c, 0, 12, ~0u, 0, out);
    const uint32_t expect[12] = {texels[0], texels[0], texels[0], texels[0], texels[1], texels[1],
                                 texels[2], texels[2], texels[3], texels[3], texels[3], texels[3]};
    EXPECT_EQ(0, std::memcmp(out, expect, sizeof out));
    PointRow(reinterpret_cast<const uint8_t*>(texels), 4, kFormatX8R8G8B8, c, 4, 6, 0x00FFFFFFu,
             0x40000000u, out);
    uint32_t got[2];
    std::memcpy(got, out + 16, 8);
    EXPECT_EQ(got[0], 0x40FFEEDDu);
    EXPECT_EQ(got[1], 0x40FFEEDDu);
}

// Whether a span's texels are all opaque decides whether a held fill under
// it is dropped: one texel short of opaque anywhere in the span (the first,
// the last, either side of a 32-texel step, in the short last step) must
// count, and texels outside the span must not.
TEST(RasterRowLoops, TexelsOpaqueFindsEveryTexelShortOfOpaque) {
    struct Row {
        const char* name;
        int x0, x1;
        int notOpaque;  // texel index with alpha 254, or -1
        bool opaque;
    };
    const Row rows[] = {
        {"short span, all opaque", 2, 9, -1, true},
        {"short span, last texel", 2, 9, 8, false},
        {"32 texels, all opaque", 0, 32, -1, true},
        {"32 texels, first", 0, 32, 0, false},
        {"32 texels, last", 0, 32, 31, false},
        {"long span, all opaque", 3, 200, -1, true},
        {"long span, first of the second step", 3, 200, 35, false},
        {"long span, last of the first step", 3, 200, 34, false},
        {"long span, in the short last step", 3, 200, 199, false},
        {"long span, middle", 3, 200, 101, false},
        {"texel before the span", 3, 200, 2, true},
        {"texel after the span", 3, 200, 200, true},
        {"93 texels, one before the end", 7, 100, 98, false},
    };
    for (const Row& row : rows) {
        std::vector<uint32_t> texels(256, 0xFF102030u);
        if (row.notOpaque >= 0) texels[size_t(row.notOpaque)] = 0xFE102030u;
        const RowCoords c{0, int64_t(1) << kCoordBits};
        EXPECT_EQ(
            TexelsOpaque(reinterpret_cast<const uint8_t*>(texels.data()), 256, c, row.x0, row.x1),
            row.opaque)
            << row.name;
    }
}

TEST(RasterRowLoops, PointRowMatchesThePlainTwinOnRandomRows) {
    std::mt19937 rng(808);
    for (int round = 0; round < 2000; ++round) {
        rastertest::RandomPointRow r(rng, round);
        std::vector<uint8_t> plain = r.dest, simd = r.dest;
        PointRowPlain(r.texels.data(), r.width, r.format, r.c, r.x0, r.x1, r.keep, r.set,
                      plain.data());
        PointRow(r.texels.data(), r.width, r.format, r.c, r.x0, r.x1, r.keep, r.set, simd.data());
        ASSERT_EQ(simd, plain) << "round " << round;
    }
}

TEST(RasterRowLoops, PreparedRowsMatchTheTexelByTexelWeighing) {
    std::mt19937 rng(4242);
    const int modes[] = {D3DTADDRESS_CLAMP, D3DTADDRESS_WRAP, D3DTADDRESS_MIRROR};
    for (int round = 0; round < 1500; ++round) {
        const uint32_t format = rng() % 2 ? kFormatA8R8G8B8 : kFormatX8R8G8B8;
        RandomTexture tex(1 + int(rng() % 200), 1 + int(rng() % 20), format, rng);
        const int mode = modes[rng() % 3];
        const int64_t ft = int64_t(rng() % uint32_t(tex.level.height * 256 + 256)) - 128;
        const int64_t from = int64_t(rng() % uint32_t((tex.level.width + 20) * 256)) - 10 * 256;
        const int64_t to = from + int64_t(rng() % uint32_t(tex.level.width * 300 + 1));
        RowBlend rb;
        rb.Prepare(tex.level, int(format), mode, D3DTADDRESS_CLAMP, ft, from, to);
        ASSERT_TRUE(rb.ready);
        // The same entries one texel at a time.
        RowBlend one;
        one.first = rb.first;
        const int64_t lt = ft - 128;
        const int y0 = AddressTexel(lt >> 8, tex.level.height, D3DTADDRESS_CLAMP);
        const int y1 = AddressTexel((lt >> 8) + 1, tex.level.height, D3DTADDRESS_CLAMP);
        const int64_t last = ((to - 128) >> 8) + 1;
        for (int64_t i = rb.first; i <= last; ++i)
            one.Blend1(tex.level, int(format), mode, y0, y1, uint32_t(lt & 255), i);
        const size_t n = size_t(last - rb.first + 1) * 4;
        ASSERT_TRUE(std::equal(rb.v, rb.v + n, one.v)) << "round " << round;
    }
}

// A fill over a row that holds its colour already, partly or not at all,
// and over rows of every length around the 16-pixel check: the bytes a
// per-pixel write of the colour gives, and nothing outside the span moves.
TEST(RasterRowLoops, FillRowMatchesAPixelByPixelWrite) {
    struct Row {
        const char* name;
        int held;  // 0 none, 1 all, 2 all but one pixel
    };
    const Row rows[] = {{"row of other colours", 0},
                        {"row holding the colour", 1},
                        {"row holding it but for one pixel", 2}};
    std::mt19937 rng(99);
    for (const Row& r : rows)
        for (uint32_t format : {kFormatA8R8G8B8, kFormatX8R8G8B8})
            for (int round = 0; round < 200; ++round) {
                const uint32_t colour = rng() % 2 ? 0xFF000000u : rng();
                const int x0 = int(rng() % 20), x1 = x0 + 1 + int(rng() % 70);
                std::vector<uint8_t> row(size_t(x1 + 5) * 4);
                for (auto& b : row) b = uint8_t(rng());
                uint8_t word[4];
                WriteArgb(word, format, colour);
                if (r.held)
                    for (int x = x0; x < x1; ++x) std::memcpy(&row[size_t(x) * 4], word, 4);
                if (r.held == 2) row[size_t(x0 + int(rng() % uint32_t(x1 - x0))) * 4 + 1] ^= 1;
                std::vector<uint8_t> want = row;
                for (int x = x0; x < x1; ++x) WriteArgb(&want[size_t(x) * 4], format, colour);
                FillRow(row.data(), format, colour, x0, x1);
                ASSERT_EQ(row, want) << r.name << ", round " << round;
            }
}

}  // namespace

namespace {

// The SIMD rounding division by 255 against round(x / 255), half up, for
// every value a product of two channels (and a rounding bias) can reach.
TEST(RasterRowLoops, SimdDivisionBy255RoundsEveryValue) {
#if defined(__SSE2__)
    for (int x = 0; x <= 65152; x += 8) {
        alignas(16) uint16_t in[8], out[8];
        for (int k = 0; k < 8; ++k) in[k] = uint16_t(std::min(x + k, 65152));
        _mm_store_si128(reinterpret_cast<__m128i*>(out),
                        Div255Epi16(_mm_load_si128(reinterpret_cast<const __m128i*>(in))));
        for (int k = 0; k < 8; ++k) ASSERT_EQ(out[k], (2 * in[k] + 255) / 510) << "x = " << in[k];
    }
#else
    GTEST_SKIP() << "no SSE2 on this machine";
#endif
}

}  // namespace
