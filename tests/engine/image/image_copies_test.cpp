// Rectangle copy, scaled copy, mirror, rotation, clearing and halving.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "image/pixel_conversion.h"
#include "image_test_formats.h"

using namespace DuRud;
using namespace imagetest;

namespace {

// A gray (palette index) record whose pixel (x, y) is base + 10 * y + x.
BaseImage Indexed(int w, int h, int base = 0) {
    BaseImage im{};
    ColorFormat g = Gray8();
    EXPECT_EQ(CreateBaseImage(w, h, &g, &im), 0);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            static_cast<uint8_t*>(im.pixels)[y * im.pitch + x] = uint8_t(base + 10 * y + x);
        }
    }
    return im;
}

uint8_t Px(const BaseImage& im, int x, int y) {
    return static_cast<const uint8_t*>(im.pixels)[y * im.pitch + x];
}

// Every pixel of a one-byte record, row after row.
std::vector<int> All(const BaseImage& im) {
    std::vector<int> out;
    for (int y = 0; y < im.height; ++y)
        for (int x = 0; x < im.width; ++x) out.push_back(Px(im, x, y));
    return out;
}

uint32_t Px32(const BaseImage& im, int x, int y) {
    uint32_t v;
    std::memcpy(&v, static_cast<const uint8_t*>(im.pixels) + y * im.pitch + x * 4, 4);
    return v;
}

void Fill32(BaseImage& im, uint32_t v) {
    for (int y = 0; y < im.height; ++y) {
        for (int x = 0; x < im.width; ++x) {
            std::memcpy(static_cast<uint8_t*>(im.pixels) + y * im.pitch + x * 4, &v, 4);
        }
    }
}

}  // namespace

TEST(CopyBaseImageRect, NegativeSourceMovesDestination) {
    BaseImage src = Indexed(10, 1, 100), dst = Indexed(20, 1, 0);
    std::memset(dst.pixels, 0, size_t(dst.pitch));
    ASSERT_EQ(CopyBaseImageRect(-3, 0, 10, 1, 5, 0, &src, &dst), 0);
    // 7 columns (source 0..6) land at destination 8..14.
    for (int x = 0; x < 20; ++x) {
        EXPECT_EQ(Px(dst, x, 0), (x >= 8 && x <= 14) ? 100 + x - 8 : 0) << x;
    }
    FreeBaseImagePixels(&src);
    FreeBaseImagePixels(&dst);
}

TEST(CopyBaseImageRect, ClipsAtEveryEdge) {
    BaseImage src = Indexed(4, 4, 0), dst = Indexed(3, 3, 0);
    std::memset(dst.pixels, 0xEE, size_t(dst.pitch) * 3);
    // Destination (-1, -1): source moves to (1, 1); size cut to 3 x 3 by dest.
    ASSERT_EQ(CopyBaseImageRect(0, 0, 4, 4, -1, -1, &src, &dst), 0);
    EXPECT_EQ(All(dst), (std::vector<int>{11, 12, 13, 21, 22, 23, 31, 32, 33}));
    // Nothing left: still 0 and nothing written.
    std::memset(dst.pixels, 0xEE, size_t(dst.pitch) * 3);
    EXPECT_EQ(CopyBaseImageRect(0, 0, 4, 4, 3, 0, &src, &dst), 0);
    EXPECT_EQ(CopyBaseImageRect(-9, 0, 4, 4, 0, 0, &src, &dst), 0);
    // Whole copy at an offset.
    ASSERT_EQ(CopyBaseImage(1, 2, &src, &dst), 0);
    EXPECT_EQ(All(dst), (std::vector<int>{0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0, 1}));
    BaseImage empty{};
    EXPECT_EQ(CopyBaseImage(0, 0, &empty, &dst), -1);
    FreeBaseImagePixels(&src);
    FreeBaseImagePixels(&dst);
}

TEST(StretchBaseImageRect, BoundsAndNearest) {
    BaseImage src = Indexed(4, 2, 0), dst = Indexed(8, 4, 0);
    EXPECT_EQ(StretchBaseImageRect(0, 0, 5, 2, &src, 0, 0, 8, 4, &dst, 0), -1);
    EXPECT_EQ(StretchBaseImageRect(0, 0, 4, 2, &src, 0, 0, 9, 4, &dst, 0), -1);
    EXPECT_EQ(StretchBaseImageRect(2, 0, 2, 2, &src, 0, 0, 8, 4, &dst, 0), -1);
    EXPECT_EQ(StretchBaseImageRect(-1, 0, 2, 2, &src, 0, 0, 8, 4, &dst, 0), -1);
    ASSERT_EQ(StretchBaseImageRect(0, 0, 4, 2, &src, 0, 0, 8, 4, &dst, 0), 0);
    // Step 0.5: every source pixel twice in each direction.
    const std::vector<int> top = {0, 0, 1, 1, 2, 2, 3, 3},
                           bottom = {10, 10, 11, 11, 12, 12, 13, 13};
    std::vector<int> expected = top;
    for (const auto* row : {&top, &bottom, &bottom})
        expected.insert(expected.end(), row->begin(), row->end());
    EXPECT_EQ(All(dst), expected);
    FreeBaseImagePixels(&src);
    FreeBaseImagePixels(&dst);
}

TEST(StretchBaseImageRect, BilinearWeights) {
    BaseImage src{}, dst{};
    ASSERT_EQ(CreateX8R8G8B8BaseImage(2, 2, &src), 0);
    ASSERT_EQ(CreateX8R8G8B8BaseImage(4, 4, &dst), 0);
    Fill32(src, 0xFFFFFFFF);
    ASSERT_EQ(StretchBaseImageRect(0, 0, 2, 2, &src, 0, 0, 4, 4, &dst, 1), 0);
    // fx = fy = 0: weight 65535 * 65535 >> 16 = 65534; 65534 * 255 >> 16 = 254.
    EXPECT_EQ(Px32(dst, 0, 0), 0xFFFEFEFEu);
    // fx = 0x8000, fy = 0: weights 32767 * 65535 >> 16 = 32766 and
    // 32768 * 65535 >> 16 = 32767; (32766 + 32767) * 255 >> 16 = 254.
    EXPECT_EQ(Px32(dst, 1, 0), 0xFFFEFEFEu);

    // Red 0 and 200 side by side; (1, 0) is halfway: 32767 * 200 >> 16 = 99.
    std::memcpy(src.pixels, "\0\0\0\0\0\0\xC8\0", 8);
    std::memcpy(static_cast<uint8_t*>(src.pixels) + src.pitch, "\0\0\0\0\0\0\xC8\0", 8);
    ASSERT_EQ(StretchBaseImageRect(0, 0, 2, 2, &src, 0, 0, 4, 4, &dst, 1), 0);
    EXPECT_EQ(Px32(dst, 1, 0), 0xFF630000u);
    // Column 3 samples x = 1.5: its right neighbour repeats the edge pixel,
    // so 200 is weighted (32767 + 32766) * 200 >> 16 = 199.
    EXPECT_EQ(Px32(dst, 3, 0), 0xFFC70000u);
    EXPECT_EQ(Px32(dst, 3, 3), 0xFFC70000u);
    FreeBaseImagePixels(&src);
    FreeBaseImagePixels(&dst);
}

TEST(StretchBaseImageRect, EqualSizesCopy) {
    BaseImage src = Indexed(3, 3, 0), dst = Indexed(3, 3, 50);
    ASSERT_EQ(StretchBaseImageRect(1, 1, 3, 3, &src, 0, 0, 2, 2, &dst, 1), 0);
    EXPECT_EQ(All(dst), (std::vector<int>{11, 12, 52, 21, 22, 62, 70, 71, 72}));
    FreeBaseImagePixels(&src);
    FreeBaseImagePixels(&dst);
}

TEST(MirrorAndRotate, LinesReverse) {
    BaseImage im = Indexed(3, 5, 0);
    ASSERT_EQ(RotateBaseImage180(&im), 0);  // the middle line is reversed in place
    EXPECT_EQ(All(im), (std::vector<int>{42, 41, 40, 32, 31, 30, 22, 21, 20, 12, 11, 10, 2, 1, 0}));
    ASSERT_EQ(MirrorBaseImage(&im), 0);
    EXPECT_EQ(All(im), (std::vector<int>{40, 41, 42, 30, 31, 32, 20, 21, 22, 10, 11, 12, 0, 1, 2}));
    FreeBaseImagePixels(&im);

    BaseImage rgb{};
    ColorFormat f = R8G8B8();
    ASSERT_EQ(CreateBaseImage(2, 1, &f, &rgb), 0);
    std::memcpy(rgb.pixels, "\x01\x02\x03\x04\x05\x06", 6);
    ASSERT_EQ(MirrorBaseImage(&rgb), 0);
    EXPECT_EQ(std::memcmp(rgb.pixels, "\x04\x05\x06\x01\x02\x03", 6), 0);
    rgb.colorFormat.formatCode = kFormatDxt1;
    EXPECT_EQ(MirrorBaseImage(&rgb), -1);
    EXPECT_EQ(RotateBaseImage180(&rgb), -1);
    rgb.colorFormat.formatCode = 0;
    FreeBaseImagePixels(&rgb);
    BaseImage empty{};
    EXPECT_EQ(MirrorBaseImage(&empty), -1);
}

TEST(ClearBaseImageRect, ClipsToTheRecord) {
    BaseImage im = Indexed(4, 3, 100);
    ASSERT_EQ(ClearBaseImageRect(&im, 2, 1, 10, 10), 0);
    ASSERT_EQ(ClearBaseImageRect(&im, -5, -5, 6, 6), 0);
    EXPECT_EQ(All(im), (std::vector<int>{0, 101, 102, 103, 110, 111, 0, 0, 120, 121, 0, 0}));
    // Padding bytes past the width stay as they were.
    static_cast<uint8_t*>(im.pixels)[3] = 7;
    EXPECT_EQ(ClearBaseImageRect(&im, 0, 0, 3, 1), 0);
    EXPECT_EQ(Px(im, 3, 0), 7);
    EXPECT_EQ(ClearBaseImageRect(&im, 0, 0, -1, 5), 0);
    FreeBaseImagePixels(&im);
}

TEST(DownsamplePixelsByTwo, AveragesPerChannel) {
    ColorFormat f = A8R8G8B8();
    // 2 x 2: red 10, 20, 30, 41 -> 101 >> 2 = 25; alpha 255 x 4 -> 255.
    std::vector<uint8_t> src = Of32({0xFF0A0000, 0xFF140000, 0xFF1E0000, 0xFF290001}), dst(4);
    ASSERT_EQ(DownsamplePixelsByTwo(&f, dst.data(), 4, src.data(), 8, 2, 2), 0);
    EXPECT_EQ(Get32(dst, 0), 0xFF190000u);  // blue 1 >> 2 = 0
    // 2 x 1 and 1 x 2: pairs >> 1.
    ASSERT_EQ(DownsamplePixelsByTwo(&f, dst.data(), 4, src.data(), 8, 2, 1), 0);
    EXPECT_EQ(Get32(dst, 0), 0xFF0F0000u);
    ASSERT_EQ(DownsamplePixelsByTwo(&f, dst.data(), 4, src.data(), 8, 1, 2), 0);
    EXPECT_EQ(Get32(dst, 0), 0xFF140000u);  // (10 + 30) >> 1
    // Unused bits are written as 0.
    ColorFormat x = X1R5G5B5();
    std::vector<uint8_t> s16 = Of16({0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF}), d16(2);
    ASSERT_EQ(DownsamplePixelsByTwo(&x, d16.data(), 2, s16.data(), 4, 2, 2), 0);
    EXPECT_EQ(Get16(d16, 0), 0x7FFF);
    // Refusals.
    EXPECT_EQ(DownsamplePixelsByTwo(&f, dst.data(), 4, src.data(), 12, 3, 2), -1);
    EXPECT_EQ(DownsamplePixelsByTwo(&f, dst.data(), 4, src.data(), 8, 2, 3), -1);
    ColorFormat rgb = R8G8B8();
    EXPECT_EQ(DownsamplePixelsByTwo(&rgb, dst.data(), 4, src.data(), 8, 2, 2), -1);
    EXPECT_EQ(DownsamplePixelsByTwo(&f, dst.data(), 4, src.data(), 8, 0, 2), -1);
}

TEST(SinglePixels, SetAndGet) {
    BaseImage im{};
    ColorFormat f = R5G6B5();
    ASSERT_EQ(CreateBaseImage(2, 2, &f, &im), 0);
    ASSERT_EQ(SetBaseImagePixel(&im, 1, 1, 255, 0, 255, 0), 0);
    int r = 0, g = 0, b = 0, a = 9;
    ASSERT_EQ(GetBaseImagePixel(&im, 1, 1, &r, &g, &b, &a), 0);
    EXPECT_EQ((std::vector<int>{r, g, b}), (std::vector<int>{255, 0, 255}));
    EXPECT_EQ(SetBaseImagePixel(&im, -1, 0, 0, 0, 0, 0), -1);
    EXPECT_EQ(GetBaseImagePixel(&im, 0, 2, &r, nullptr, nullptr, nullptr), -1);
    FreeBaseImagePixels(&im);
    EXPECT_EQ(GetBaseImagePixel(&im, 0, 0, &r, &g, &b, &a), -1);
}

TEST(ClearBaseImageRect, BlockCompressedRecordsAreLeftAlone) {
    uint8_t block[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    BaseImage im{};
    im.colorFormat.formatCode = kFormatDxt1;
    im.colorFormat.bytesPerPixel = 4;
    im.width = im.height = 4;
    im.pixels = block;
    EXPECT_EQ(ClearBaseImageRect(&im, 0, 0, 4, 4), 0);
    EXPECT_EQ(block[0], 1);
    EXPECT_EQ(block[7], 8);
    EXPECT_EQ(GetBaseImagePixelArgb(&im, 0, 0), 0u);
}
