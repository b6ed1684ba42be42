// Block decompression against blocks worked by hand.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "image/image_memory.h"
#include "image/pixel_conversion.h"

using namespace DuRud;

namespace {

// A record holding the given compressed bytes (owned by the record).
BaseImage Compressed(int code, int w, int h, const std::vector<uint8_t>& bytes) {
    BaseImage im{};
    im.colorFormat.formatCode = uint8_t(code);
    im.colorFormat.bytesPerPixel = 4;
    im.width = w;
    im.height = h;
    im.pixels = IMAGE_ALLOC(int64_t(bytes.size()));
    std::memcpy(im.pixels, bytes.data(), bytes.size());
    return im;
}

uint32_t At(const BaseImage& im, int x, int y) {
    uint32_t v;
    std::memcpy(&v, static_cast<uint8_t*>(im.pixels) + y * im.pitch + x * 4, 4);
    return v;
}

// DXT1 colour block: c0, c1 little-endian, then 32 bits of indices.
std::vector<uint8_t> ColorBlock(uint16_t c0, uint16_t c1, uint32_t idx) {
    return {uint8_t(c0),  uint8_t(c0 >> 8),  uint8_t(c1),        uint8_t(c1 >> 8),
            uint8_t(idx), uint8_t(idx >> 8), uint8_t(idx >> 16), uint8_t(idx >> 24)};
}

std::vector<uint8_t> Concat(std::vector<uint8_t> a, const std::vector<uint8_t>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

}  // namespace

TEST(DecompressBaseImage, Dxt1FourColourMode) {
    BaseImage im = Compressed(kFormatDxt1, 4, 4, ColorBlock(0xF800, 0x001F, 0xE4E4E4E4));
    ASSERT_EQ(DecompressBaseImage(&im), 0);
    EXPECT_EQ(im.colorFormat.formatCode, 0);
    EXPECT_EQ(im.colorFormat.alphaMask, 0xFF000000u);
    EXPECT_EQ(im.pitch, 16);
    EXPECT_EQ(im.mipMapCount, 0);
    // 2/3 red + 1/3 blue = (170, 0, 85); 1/3 red + 2/3 blue = (85, 0, 170).
    const uint32_t row[4] = {0xFFFF0000, 0xFF0000FF, 0xFFAA0055, 0xFF5500AA};
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x) EXPECT_EQ(At(im, x, y), row[x]) << x << "," << y;
    }
    FreeBaseImagePixels(&im);
}

TEST(DecompressBaseImage, Dxt1ThreeColourMode) {
    // c0 <= c1: colour 2 the average with alpha 255, colour 3 the same with alpha 0.
    BaseImage im = Compressed(kFormatDxt1, 4, 4, ColorBlock(0x001F, 0xF800, 0xE4E4E4E4));
    ASSERT_EQ(DecompressBaseImage(&im), 0);
    EXPECT_EQ(At(im, 0, 0), 0xFF0000FFu);
    EXPECT_EQ(At(im, 1, 0), 0xFFFF0000u);
    EXPECT_EQ(At(im, 2, 0), 0xFF7F007Fu);
    EXPECT_EQ(At(im, 3, 0), 0x007F007Fu);
    FreeBaseImagePixels(&im);
}

TEST(DecompressBaseImage, Dxt3ExplicitAlpha) {
    // Alpha nibbles 0, 1, ..., 15 in pixel order; each a * 17.
    std::vector<uint8_t> alpha(8);
    for (int i = 0; i < 8; ++i) alpha[i] = uint8_t((2 * i) | (2 * i + 1) << 4);
    BaseImage im = Compressed(kFormatDxt3, 4, 4, Concat(alpha, ColorBlock(0xFFFF, 0xFFFF, 0)));
    ASSERT_EQ(DecompressBaseImage(&im), 0);
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(At(im, i % 4, i / 4), uint32_t(i * 17) << 24 | 0xFFFFFF) << i;
    }
    FreeBaseImagePixels(&im);
}

TEST(DecompressBaseImage, Dxt5BothAlphaModes) {
    // Indices 0..7 for pixels 0..7, then 0 for the rest: 3 bits each.
    uint64_t bits = 0;
    for (int i = 0; i < 8; ++i) bits |= uint64_t(i) << (3 * i);
    auto alphaBlock = [&](uint8_t a0, uint8_t a1) {
        std::vector<uint8_t> b = {a0, a1};
        for (int i = 0; i < 6; ++i) b.push_back(uint8_t(bits >> (8 * i)));
        return b;
    };
    const auto color = ColorBlock(0x0000, 0x0000, 0);
    // a0 > a1: sevenths. a0 = 210, a1 = 0: 210, 0, 180, 150, 120, 90, 60, 30.
    BaseImage im = Compressed(kFormatDxt5, 4, 4, Concat(alphaBlock(210, 0), color));
    ASSERT_EQ(DecompressBaseImage(&im), 0);
    const uint32_t sevenths[8] = {210, 0, 180, 150, 120, 90, 60, 30};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(At(im, i % 4, i / 4) >> 24, sevenths[i]) << i;
    FreeBaseImagePixels(&im);
    // a0 <= a1: fifths, then 0 and 255. a0 = 0, a1 = 100: 0, 100, 20, 40, 60, 80, 0, 255.
    im = Compressed(kFormatDxt5, 4, 4, Concat(alphaBlock(0, 100), color));
    ASSERT_EQ(DecompressBaseImage(&im), 0);
    const uint32_t fifths[8] = {0, 100, 20, 40, 60, 80, 0, 255};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(At(im, i % 4, i / 4) >> 24, fifths[i]) << i;
    FreeBaseImagePixels(&im);
}

TEST(DecompressBaseImage, PremultipliedFormatsDivideBackWithoutDividingByZero) {
    // DXT2: colour 0x8410 (16, 32, 16 -> 131, 129, 131) at alpha 0 and 8 * 17 = 136.
    std::vector<uint8_t> alpha(8, 0);
    alpha[0] = 0x80;  // pixel 0 alpha 0, pixel 1 alpha 8 * 17 = 136
    BaseImage im = Compressed(kFormatDxt2, 4, 4, Concat(alpha, ColorBlock(0x8410, 0x8410, 0)));
    ASSERT_EQ(DecompressBaseImage(&im), 0);
    EXPECT_EQ(At(im, 0, 0), 0u);
    // 131 * 255 / 136 = 245, 129 * 255 / 136 = 241.
    EXPECT_EQ(At(im, 1, 0), 0x88F5F1F5u);
    FreeBaseImagePixels(&im);

    // DXT4 with every alpha 0 (a0 = a1 = 0, indices 0) and white colour.
    std::vector<uint8_t> a4 = {0, 0, 0, 0, 0, 0, 0, 0};
    im = Compressed(kFormatDxt4, 4, 4, Concat(a4, ColorBlock(0xFFFF, 0xFFFF, 0)));
    ASSERT_EQ(DecompressBaseImage(&im), 0);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(At(im, i % 4, i / 4), 0u);
    FreeBaseImagePixels(&im);
    // Alpha 7 (index 6 of the fifths mode is 0; use a0 = 7 > a1 = 0, index 0):
    // white 255 * 255 / 7 clamps to 255.
    a4 = {7, 0, 0, 0, 0, 0, 0, 0};
    im = Compressed(kFormatDxt4, 4, 4, Concat(a4, ColorBlock(0xFFFF, 0xFFFF, 0)));
    ASSERT_EQ(DecompressBaseImage(&im), 0);
    EXPECT_EQ(At(im, 0, 0), 0x07FFFFFFu);
    FreeBaseImagePixels(&im);
}

TEST(DecompressBaseImage, FiveByFiveFromTwoByTwoBlocks) {
    // Blocks: red, green / blue, white (all indices 0 = c0).
    std::vector<uint8_t> data;
    for (uint16_t c : {0xF800, 0x07E0, 0x001F, 0xFFFF}) data = Concat(data, ColorBlock(c, 0, 0));
    BaseImage im = Compressed(kFormatDxt1, 5, 5, data);
    ASSERT_EQ(DecompressBaseImage(&im), 0);
    EXPECT_EQ(im.pitch, 20);
    EXPECT_EQ(At(im, 3, 3), 0xFFFF0000u);
    EXPECT_EQ(At(im, 4, 0), 0xFF00FF00u);
    EXPECT_EQ(At(im, 0, 4), 0xFF0000FFu);
    EXPECT_EQ(At(im, 4, 4), 0xFFFFFFFFu);
    FreeBaseImagePixels(&im);
}

TEST(DecompressBaseImage, PlainRecordsAndBadInput) {
    BaseImage im{};
    ASSERT_EQ(CreateX8R8G8B8BaseImage(2, 2, &im), 0);
    void* before = im.pixels;
    EXPECT_EQ(DecompressBaseImage(&im), 0);
    EXPECT_EQ(im.pixels, before);
    FreeBaseImagePixels(&im);
    EXPECT_EQ(DecompressBaseImage(nullptr), -1);
    BaseImage none{};
    none.colorFormat.formatCode = kFormatDxt1;
    none.width = 4;
    none.height = 4;
    EXPECT_EQ(DecompressBaseImage(&none), -1);  // no pixels
    // Too large to decode: refused, source kept.
    BaseImage big = Compressed(kFormatDxt1, 16384, 16384, ColorBlock(0, 0, 0));
    EXPECT_EQ(DecompressBaseImage(&big), -1);
    EXPECT_EQ(big.colorFormat.formatCode, kFormatDxt1);
    FreeBaseImagePixels(&big);
}
