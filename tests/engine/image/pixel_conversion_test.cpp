// ConvertPixelRect: each path reached by its own case, with results worked
// out by hand from the formulas.
#include <gtest/gtest.h>

#include <vector>

#include "image/pixel_conversion.h"
#include "image_test_formats.h"

using namespace DuRud;
using namespace imagetest;

namespace {

struct Opts {
    int mirror = 0, key = 0, skip = 0;
    uint32_t transparent = 0;
    int dither = 0, clear = 0, alphaFromRed = 0, remap = 0;
    const void* alpha = nullptr;
    int alphaPitch = 0;
    const ColorFormat* alphaFormat = nullptr;
};

int Convert(std::vector<uint8_t>& dst, const ColorFormat& df, int dpitch,
            const std::vector<uint8_t>& src, const ColorFormat& sf, int spitch, int w, int h,
            const Opts& o = {}, int dx = 0, int dy = 0, int sx = 0, int sy = 0) {
    RECT r{sx, sy, sx + w, sy + h};
    return ConvertPixelRect(dst.data(), dpitch, &df, src.data(), spitch, &sf, o.alpha, o.alphaPitch,
                            o.alphaFormat, dx, dy, &r, o.mirror, o.key, o.transparent, o.dither,
                            o.clear, o.alphaFromRed, o.skip, o.remap);
}

ColorFormat PaletteOf(std::initializer_list<PaletteEntry> entries) {
    ColorFormat f{};
    SetColorFormatPal8(&f);
    for (auto& e : f.palette) e = PaletteEntry{0, 0, 0, 0};
    int i = 0;
    for (auto e : entries) f.palette[i++] = e;
    return f;
}

}  // namespace

TEST(ConvertPixelRect, R5G6B5ToThirtyTwoBitsFixedPairVersusGeneric) {
    std::vector<uint8_t> src = {0xFF, 0xFF}, dst(4, 0xEE);
    ASSERT_EQ(Convert(dst, X8R8G8B8(), 4, src, R5G6B5(), 2, 1, 1), 0);
    // Fixed pair: no bit replication, byte 3 from the formula (0).
    EXPECT_EQ(Get32(dst, 0), 0x00F8FCF8u);

    Opts o;
    o.dither = kDitherOrdered;  // any option that leaves the pair
    ASSERT_EQ(Convert(dst, X8R8G8B8(), 4, src, R5G6B5(), 2, 1, 1, o), 0);
    // Generic: 31 -> 248 + 31 * 7 / 31 = 255; unused bits set.
    EXPECT_EQ(Get32(dst, 0), 0xFFFFFFFFu);

    // 0x0841 (1, 2, 1): generic widening 1 -> 8 + 1 * 7 / 31 = 8, 2 -> 8 + 2 * 3 / 63 = 8.
    src = {0x41, 0x08};
    ASSERT_EQ(Convert(dst, X8R8G8B8(), 4, src, R5G6B5(), 2, 1, 1, o), 0);
    EXPECT_EQ(Get32(dst, 0), 0xFF080808u);
}

TEST(ConvertPixelRect, FixedPairsFollowTheirFormulas) {
    // R8G8B8 and palette entry 1: (R 0x9B, G 0x57, B 0x13). Narrowing keeps
    // the top bits: red 19, green 21 (6 bits) or 10 (5 bits), blue 2; the
    // unused bit of X1R5G5B5 is set. 0x1234 as 5:6:5 is red 2, green 17,
    // blue 20: widened by shifting alone; towards 5:5:5 green drops its low
    // bit; back, red and green move up one and bit 5 stays where it was.
    const ColorFormat pal = PaletteOf({{0, 0, 0, 0}, {0x13, 0x57, 0x9B, 0x40}});
    const std::vector<uint8_t> rgb = {0x13, 0x57, 0x9B}, idx = {1}, v565 = Of16({0x1234});
    struct Row {
        const char* name;
        ColorFormat dst, src;
        const std::vector<uint8_t>& bytes;
        std::vector<uint8_t> expected;
    } rows[] = {
        {"R8G8B8 to R5G6B5", R5G6B5(), R8G8B8(), rgb, Of16({0x9AA2})},
        {"R8G8B8 to X1R5G5B5", X1R5G5B5(), R8G8B8(), rgb, Of16({0xCD42})},
        {"R8G8B8 to A8R8G8B8", A8R8G8B8(), R8G8B8(), rgb, Of32({0xFF9B5713})},
        {"X8R8G8B8 to R5G6B5", R5G6B5(), X8R8G8B8(), Of32({0x00ABCDEF}), Of16({0xAE7D})},
        {"R5G6B5 to R8G8B8", R8G8B8(), R5G6B5(), v565, {0xA0, 0x44, 0x10}},
        {"R5G6B5 to X1R5G5B5", X1R5G5B5(), R5G6B5(), v565, Of16({0x0914})},
        {"X1R5G5B5 to R5G6B5", R5G6B5(), X1R5G5B5(), v565, Of16({0x2474})},
        {"palette to R5G6B5", R5G6B5(), pal, idx, Of16({0x9AA2})},
        {"palette to X1R5G5B5", X1R5G5B5(), pal, idx, Of16({0xCD42})},
        {"palette to X8R8G8B8", X8R8G8B8(), pal, idx, Of32({0xFF9B5713})},
    };
    for (const Row& r : rows) {
        std::vector<uint8_t> dst(r.expected.size(), 0xEE);
        ASSERT_EQ(Convert(dst, r.dst, 4, r.bytes, r.src, 4, 1, 1), 0) << r.name;
        EXPECT_EQ(dst, r.expected) << r.name;
    }
}

TEST(ConvertPixelRect, EightToEightReturnsLargestIndex) {
    ColorFormat g = Gray8();
    std::vector<uint8_t> src = {3, 200, 7, 9}, dst(4, 0xEE);
    EXPECT_EQ(Convert(dst, g, 2, src, g, 2, 2, 2), 200);
    EXPECT_EQ(dst, src);
    std::vector<uint8_t> zeros(4, 0);
    EXPECT_EQ(Convert(dst, g, 2, zeros, g, 2, 2, 2), 0);
}

TEST(ConvertPixelRect, PaletteRemapPicksNearestAndEqualPalettesFallThrough) {
    ColorFormat src = PaletteOf({{0, 0, 10, 0}, {0, 0, 200, 0}, {0, 250, 0, 0}});
    ColorFormat dst = PaletteOf({{0, 0, 0, 0}, {0, 240, 0, 0}, {0, 0, 190, 0}});
    std::vector<uint8_t> s = {0, 1, 2}, d(3, 0xEE);
    Opts o{.remap = 1};
    EXPECT_EQ(Convert(d, dst, 3, s, src, 3, 3, 1, o), 0);
    EXPECT_EQ(d, (std::vector<uint8_t>{0, 2, 1}));
    // Equal palettes: the plain index copy (largest index).
    EXPECT_EQ(Convert(d, src, 3, s, src, 3, 3, 1, o), 2);
    EXPECT_EQ(d, s);
}

TEST(ConvertPixelRect, ColoursToPaletteIndices) {
    ColorFormat pal = PaletteOf({{0, 0, 0, 0}, {255, 255, 255, 0}, {0, 0, 255, 0}});
    std::vector<uint8_t> src = Of16({0xFFFF, 0xF800, 0x0000}), d(3, 0xEE);  // white, red, black
    EXPECT_EQ(Convert(d, pal, 3, src, R5G6B5(), 6, 3, 1), 0);
    EXPECT_EQ(d, (std::vector<uint8_t>{1, 2, 0}));
}

TEST(ConvertPixelRect, SkipTransparentSameLayoutAndGeneric) {
    std::vector<uint8_t> src = Of16({0x1111, 0x0F0F, 0x2222}), d = Of16({0, 0xABCD, 0});
    Opts o{.skip = 1};
    o.transparent = 0xFFFF0F0F;  // compared at the pixel's own width
    ASSERT_EQ(Convert(d, R5G6B5(), 6, src, R5G6B5(), 6, 3, 1, o), 0);
    EXPECT_EQ(Words16(d, 3), (W16{0x1111, 0xABCD, 0x2222}));

    // Generic (ordered dither set), R5G6B5 -> X8R8G8B8.
    std::vector<uint8_t> d32(12, 0);
    Put32(d32, 1, 0x12345678);
    o.dither = kDitherOrdered;
    ASSERT_EQ(Convert(d32, X8R8G8B8(), 12, src, R5G6B5(), 6, 3, 1, o), 0);
    EXPECT_EQ(Get32(d32, 1), 0x12345678u);
    EXPECT_NE(Get32(d32, 0), 0u);

    // Mirroring clears the skip flag: all three written, reversed.
    Opts m{.mirror = 1, .skip = 1, .transparent = 0x0F0F};
    ASSERT_EQ(Convert(d, R5G6B5(), 6, src, R5G6B5(), 6, 3, 1, m), 0);
    EXPECT_EQ(Words16(d, 3), (W16{0x2222, 0x0F0F, 0x1111}));
}

TEST(ConvertPixelRect, SkipTransparentX8R8G8B8ToA8R8G8B8) {
    // The second pixel's low 24 bits match the transparent colour.
    std::vector<uint8_t> src = Of32({0x00102030, 0x77FF00FF}), d = Of32({0, 0xCAFEBABE});
    Opts o{.skip = 1, .transparent = 0xFF00FF};
    ASSERT_EQ(Convert(d, A8R8G8B8(), 8, src, X8R8G8B8(), 8, 2, 1, o), 0);
    EXPECT_EQ(Words32(d, 2), (W32{0xFF102030, 0xCAFEBABE}));
}

TEST(ConvertPixelRect, ColourKeyToAlphaOnSameLayoutFixedPairAndGeneric) {
    Opts o{.key = 1, .transparent = 0x00FF00};
    // Same colour layout X8R8G8B8 -> A8R8G8B8.
    std::vector<uint8_t> src = Of32({0x0000FF00, 0x00123456}), d(8);
    ASSERT_EQ(Convert(d, A8R8G8B8(), 8, src, X8R8G8B8(), 8, 2, 1, o), 0);
    EXPECT_EQ(Words32(d, 2), (W32{0x0000FF00, 0xFF123456}));

    // Fixed pair R5G6B5 -> A8R8G8B8: the key is first reduced to 0x07E0.
    std::vector<uint8_t> s16 = Of16({0x07E0, 0x001F});
    ASSERT_EQ(Convert(d, A8R8G8B8(), 8, s16, R5G6B5(), 4, 2, 1, o), 0);
    EXPECT_EQ(Words32(d, 2), (W32{0x0000FC00, 0xFF0000F8}));
    // ... and towards A1R5G5B5.
    ASSERT_EQ(Convert(d, A1R5G5B5(), 4, s16, R5G6B5(), 4, 2, 1, o), 0);
    EXPECT_EQ(Words16(d, 2), (W16{0x03E0, 0x801F}));

    // Generic (mirror), R5G6B5 -> A4R4G4B4, written right to left: blue with
    // full alpha, then the keyed green with alpha 0.
    o.mirror = 1;
    ASSERT_EQ(Convert(d, A4R4G4B4(), 4, s16, R5G6B5(), 4, 2, 1, o), 0);
    EXPECT_EQ(Words16(d, 2), (W16{0xF00F, 0x00F0}));

    // Without a destination alpha the flag does not count: plain pair.
    Opts k{.key = 1, .transparent = 0x00FF00};
    ASSERT_EQ(Convert(d, X1R5G5B5(), 4, s16, R5G6B5(), 4, 2, 1, k), 0);
    EXPECT_EQ(Words16(d, 2), (W16{0x03E0, 0x001F}));
}

TEST(ConvertPixelRect, AlphaImageWidenedAlphaFromRedNot) {
    // Alpha image R5G6B5 whose red is 31 and 16: alpha = red widened 5 -> 8.
    std::vector<uint8_t> a16 = Of16({0xF800, 0x8000});
    std::vector<uint8_t> src(6, 0), d(8);
    ColorFormat af = R5G6B5();
    Opts o{.alpha = a16.data(), .alphaPitch = 4, .alphaFormat = &af};
    ASSERT_EQ(Convert(d, A8R8G8B8(), 8, src, R8G8B8(), 6, 2, 1, o), 0);
    // 31 -> 248 + 31 * 7 / 31 = 255; 16 -> 128 + 16 * 7 / 31 = 131.
    EXPECT_EQ(Words32(d, 2), (W32{0xFF000000, 0x83000000}));

    // Alpha from red: R5G6B5 red 20 becomes alpha 20 as it stands, while red
    // is widened to 160 + 20 * 7 / 31 = 164.
    std::vector<uint8_t> s16(2);
    Put16(s16, 0, 20 << 11);
    Opts r{.alphaFromRed = 1};
    ASSERT_EQ(Convert(d, A8R8G8B8(), 8, s16, R5G6B5(), 2, 1, 1, r), 0);
    EXPECT_EQ(Get32(d, 0), 0x14A40000u);
    // Towards a 4-bit alpha the unscaled red is clamped into the channel.
    ASSERT_EQ(Convert(d, A4R4G4B4(), 2, s16, R5G6B5(), 2, 1, 1, r), 0);
    EXPECT_EQ(Get16(d, 0), 0xFA00);
}

TEST(ConvertPixelRect, ColourClearAndMirror) {
    std::vector<uint8_t> src = Of32({0x80112233, 0x40445566}), d(8);
    Opts o{.clear = 1};
    ASSERT_EQ(Convert(d, A8R8G8B8(), 8, src, A8R8G8B8(), 8, 2, 1, o), 0);
    EXPECT_EQ(Words32(d, 2), (W32{0x80000000, 0x40000000}));
    Opts m{.mirror = 1};
    ASSERT_EQ(Convert(d, A8R8G8B8(), 8, src, A8R8G8B8(), 8, 2, 1, m), 0);
    EXPECT_EQ(Words32(d, 2), (W32{0x40445566, 0x80112233}));
}

TEST(ConvertPixelRect, RectanglesAndOffsets) {
    // 3x2 source, copy its right column into (1, 1) of a 2x2 destination.
    std::vector<uint8_t> src = {1, 2, 3, 4, 5, 6}, d(4, 0);
    ColorFormat g = Gray8();
    EXPECT_EQ(Convert(d, g, 2, src, g, 3, 1, 1, {}, 1, 1, 2, 1), 6);
    EXPECT_EQ(d, (std::vector<uint8_t>{0, 0, 0, 6}));
}

TEST(ConvertPixelRect, BadInputIsRefused) {
    std::vector<uint8_t> src(16), d(16);
    ColorFormat f = R5G6B5();
    RECT empty{2, 0, 2, 1};
    EXPECT_EQ(ConvertPixelRect(d.data(), 8, &f, src.data(), 8, &f, nullptr, 0, nullptr, 0, 0,
                               &empty, 0, 0, 0, 0, 0, 0, 0, 0),
              -1);
    RECT upside{0, 2, 2, 1};
    EXPECT_EQ(ConvertPixelRect(d.data(), 8, &f, src.data(), 8, &f, nullptr, 0, nullptr, 0, 0,
                               &upside, 0, 0, 0, 0, 0, 0, 0, 0),
              -1);
    RECT one{0, 0, 1, 1};
    EXPECT_EQ(ConvertPixelRect(nullptr, 8, &f, src.data(), 8, &f, nullptr, 0, nullptr, 0, 0, &one,
                               0, 0, 0, 0, 0, 0, 0, 0),
              -1);
    ColorFormat dxt = f;
    dxt.formatCode = kFormatDxt1;
    EXPECT_EQ(ConvertPixelRect(d.data(), 8, &f, src.data(), 8, &dxt, nullptr, 0, nullptr, 0, 0,
                               &one, 0, 0, 0, 0, 0, 0, 0, 0),
              -1);
}

// 16 x 4 R8G8B8 gradient to R5G6B5 with red = 16x + 5y, green = 16x + 3y + 1,
// blue = 255 - 16x - y. Worked examples:
//  ordered (0,0): matrix 0, thresholds 0; green 1 drops 1 > 0 -> 0 + 1;
//    blue 255 -> 31 drops 7 > 0 -> 32, clamped 31: 0x003F.
//  carry (1,0): green sum 1 + 1 = 2 (not past 3), blue sum 7 + 7 = 14 > 7 ->
//    29 + 1 = 30, sum 6: red 2, green 4, blue 30 = 0x109E.
TEST(ConvertPixelRect, DitherGoldens) {
    std::vector<uint8_t> src(16 * 4 * 3);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 16; ++x) {
            uint8_t* p = &src[(y * 16 + x) * 3];
            p[2] = uint8_t(x * 16 + y * 5);
            p[1] = uint8_t(x * 16 + y * 3 + 1);
            p[0] = uint8_t(255 - x * 16 - y);
        }
    }
    const uint16_t ordered[4][16] = {
        {0x003F, 0x109E, 0x213C, 0x319A, 0x4238, 0x5296, 0x6334, 0x7392, 0x8430, 0x948E, 0xA52C,
         0xB58A, 0xC628, 0xD686, 0xE724, 0xF782},
        {0x003F, 0x18BE, 0x213B, 0x39BA, 0x4237, 0x5AB6, 0x6333, 0x7BB2, 0x842F, 0x9CAE, 0xA52B,
         0xBDAA, 0xC627, 0xDEA6, 0xE723, 0xFFA2},
        {0x105F, 0x18DD, 0x315C, 0x39DA, 0x5258, 0x5AD5, 0x7354, 0x7BD2, 0x9450, 0x9CCD, 0xB54C,
         0xBDCA, 0xD648, 0xDEC5, 0xF744, 0xFFC2},
        {0x085F, 0x20FE, 0x315B, 0x41FA, 0x4A57, 0x62F6, 0x7353, 0x83F2, 0x8C4F, 0xA4EE, 0xB54B,
         0xC5EA, 0xCE47, 0xE6E6, 0xF743, 0xFFE2}};
    const uint16_t carry[4][16] = {
        {0x001F, 0x109E, 0x211C, 0x31BA, 0x4218, 0x5296, 0x6314, 0x73B2, 0x840F, 0x948E, 0xA50C,
         0xB5AA, 0xC608, 0xD686, 0xE704, 0xF7A2},
        {0x003F, 0x18BE, 0x213C, 0x39BA, 0x4A37, 0x52B6, 0x6B34, 0x7BB2, 0x842F, 0x9CAE, 0xA52C,
         0xBDAA, 0xCE27, 0xD6A6, 0xEF24, 0xFFA2},
        {0x083F, 0x18DE, 0x295B, 0x41DA, 0x4A38, 0x5AD5, 0x6B54, 0x83D2, 0x8C2F, 0x9CCE, 0xAD4B,
         0xC5CA, 0xCE28, 0xDEC5, 0xEF44, 0xFFC2},
        {0x085F, 0x20FE, 0x315B, 0x41FA, 0x5257, 0x62F6, 0x7353, 0x83F2, 0x8C4F, 0xA4EE, 0xB54B,
         0xC5EA, 0xD647, 0xE6E6, 0xF743, 0xFFE2}};
    for (int mode : {kDitherOrdered, kDitherCarry}) {
        std::vector<uint8_t> d(16 * 4 * 2);
        Opts o{.dither = mode};
        ASSERT_EQ(Convert(d, R5G6B5(), 32, src, R8G8B8(), 48, 16, 4, o), 0);
        const auto& golden = mode == kDitherOrdered ? ordered : carry;
        const std::vector<uint16_t> all = Words16(d, 64);
        for (int y = 0; y < 4; ++y) {
            EXPECT_EQ(W16(all.begin() + 16 * y, all.begin() + 16 * y + 16),
                      W16(golden[y], golden[y] + 16))
                << "mode " << mode << " row " << y;
        }
    }
}

TEST(ConvertPixelRect, PaletteSourcesOnTheGenericPath) {
    // Entries 0 and 2 share a colour; skip-transparent names index 2, so only
    // that index is skipped (its twin 0 is still written).
    ColorFormat pal = PaletteOf({{0, 0, 0xFF, 0}, {0xFF, 0, 0, 0}, {0, 0, 0xFF, 0}});
    std::vector<uint8_t> src = {0, 1, 2}, d = Of16({0, 0, 0xABCD});
    Opts o{.skip = 1, .transparent = 2, .dither = kDitherOrdered};
    ASSERT_EQ(Convert(d, R5G6B5(), 6, src, pal, 3, 3, 1, o), 0);
    EXPECT_EQ(Words16(d, 3), (W16{0xF800, 0x001F, 0xABCD}));

    // Mirrored colours into a palette destination take the nearest entries.
    ColorFormat dest = PaletteOf({{0, 0, 0, 0}, {0, 0, 0xF0, 0}, {0xF0, 0, 0, 0}});
    std::vector<uint8_t> s16 = Of16({0xF800, 0x001F}), idx(2, 0xEE);  // red, blue
    Opts m{.mirror = 1};
    ASSERT_EQ(Convert(idx, dest, 2, s16, R5G6B5(), 4, 2, 1, m), 0);
    EXPECT_EQ(idx, (std::vector<uint8_t>{2, 1}));
}

// A run of equal pixels gives equal results whatever came before it, and a
// change of value mid-run is seen at once: 32 bits to A4R4G4B4 takes the top
// four bits of each channel; the colour key clears alpha on its own colour.
TEST(ConvertPixelRect, RunsOfEqualPixelsOnTheGenericPath) {
    const uint32_t p = 0x80FFFFFFu, q = 0x12345678u;
    std::vector<uint8_t> src;
    for (uint32_t v : {p, p, p, q, q, p, q}) {
        for (int k = 0; k < 4; ++k) src.push_back(uint8_t(v >> (8 * k)));
    }
    struct Row {
        const char* name;
        ColorFormat from;
        Opts opts;
        uint16_t forP, forQ;
    } rows[] = {
        {"alpha kept", A8R8G8B8(), {}, 0x8FFF, 0x1357},
        {"no source alpha", X8R8G8B8(), {}, 0xFFFF, 0xF357},
        {"key on q's colour", X8R8G8B8(), {.key = 1, .transparent = 0x345678}, 0xFFFF, 0x0357},
        {"mirrored", A8R8G8B8(), {.mirror = 1}, 0x8FFF, 0x1357},
    };
    for (const Row& r : rows) {
        std::vector<uint8_t> d(14, 0xEE);
        ASSERT_EQ(Convert(d, A4R4G4B4(), 14, src, r.from, 28, 7, 1, r.opts), 0) << r.name;
        const uint16_t P = r.forP, Q = r.forQ;
        W16 expected{P, P, P, Q, Q, P, Q};
        if (r.opts.mirror) expected = W16{Q, P, Q, Q, P, P, P};
        EXPECT_EQ(Words16(d, 7), expected) << r.name;
    }
}
