// The six YUV layouts into 32-bit records.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "image/video_frames.h"

using namespace DuRud;

namespace {

uint32_t Px(const BaseImage& im, int x, int y) {
    uint32_t v;
    std::memcpy(&v, static_cast<const uint8_t*>(im.pixels) + y * im.pitch + x * 4, 4);
    return v;
}

// Every pixel of the record, row after row.
std::vector<uint32_t> All(const BaseImage& im) {
    std::vector<uint32_t> out;
    for (int y = 0; y < im.height; ++y)
        for (int x = 0; x < im.width; ++x) out.push_back(Px(im, x, y));
    return out;
}

constexpr uint32_t kUntouched = 0x5A5A5A5A;

BaseImage Target(int w, int h) {
    BaseImage im{};
    EXPECT_EQ(CreateX8R8G8B8BaseImage(w, h, &im), 0);
    std::memset(im.pixels, 0x5A, size_t(im.pitch) * h);
    return im;
}

// Y 128, U 128, V 255: red = (128 * 32768 + 45940 * 127) > 0x7F8000 -> 255;
// green = (4194304 - 23396 * 127) >> 15 = 37; blue = 128.
constexpr uint32_t kReddish = 0xFFFF2580;

using Converter = int (*)(const void*, int, int, BaseImage*);

// A frame of one colour (y, u, v) in the layout of the converter.
std::vector<uint8_t> Frame(Converter c, int w, int h, uint8_t y, uint8_t u, uint8_t v) {
    std::vector<uint8_t> f;
    if (c == ConvertYv12ToBaseImage) {
        f.assign(size_t(w) * h, y);
        f.insert(f.end(), size_t(w / 2) * (h / 2), v);
        f.insert(f.end(), size_t(w / 2) * (h / 2), u);
    } else if (c == ConvertNv12ToBaseImage || c == ConvertNv11ToBaseImage) {
        f.assign(size_t(w) * h, y);
        const size_t pairs =
            c == ConvertNv12ToBaseImage ? size_t(w / 2) * (h / 2) : size_t(w / 2) * h / 2;
        for (size_t i = 0; i < pairs; ++i) {
            f.push_back(u);
            f.push_back(v);
        }
    } else {
        for (int i = 0; i < w * h / 2 + h; ++i) {
            if (c == ConvertYuy2ToBaseImage) f.insert(f.end(), {y, u, y, v});
            if (c == ConvertUyvyToBaseImage) f.insert(f.end(), {u, y, v, y});
            if (c == ConvertYvyuToBaseImage) f.insert(f.end(), {y, v, y, u});
        }
    }
    return f;
}

}  // namespace

TEST(VideoFrames, AllLayoutsGiveTheSameColours) {
    const Converter all[] = {ConvertYv12ToBaseImage, ConvertNv12ToBaseImage,
                             ConvertNv11ToBaseImage, ConvertYuy2ToBaseImage,
                             ConvertUyvyToBaseImage, ConvertYvyuToBaseImage};
    struct Case {
        uint8_t y, u, v;
        uint32_t expected;
    } cases[] = {{255, 128, 128, 0xFFFFFFFF},
                 {0, 128, 128, 0xFF000000},
                 {128, 128, 255, kReddish},
                 // Y 100, U 200, V 50: blue (3276800 + 58064 * 72) >> 15 = 227;
                 // green (3276800 - 811584 + 1824888) >> 15 = 130; red
                 // (3276800 - 3583320) < 0 -> 0.
                 {100, 200, 50, 0xFF0082E3}};
    for (Converter c : all) {
        for (const Case& k : cases) {
            BaseImage im = Target(4, 2);
            auto frame = Frame(c, 4, 2, k.y, k.u, k.v);
            ASSERT_EQ(c(frame.data(), 4, 2, &im), 0);
            EXPECT_EQ(All(im), std::vector<uint32_t>(8, k.expected));
            FreeBaseImagePixels(&im);
        }
    }
}

TEST(VideoFrames, ChromaSitsWhereTheLayoutSays) {
    // YV12 4 x 2: V plane first, then U. Left block U 128 V 255 (reddish),
    // right block neutral.
    std::vector<uint8_t> yv12 = {128,       128, 128, 128, 128, 128, 128, 128, /*V*/ 255, 128,
                                 /*U*/ 128, 128};
    BaseImage im = Target(4, 2);
    ASSERT_EQ(ConvertYv12ToBaseImage(yv12.data(), 4, 2, &im), 0);
    EXPECT_EQ(Px(im, 1, 1), kReddish);
    EXPECT_EQ(Px(im, 2, 0), 0xFF808080u);
    // NV12: U, V pairs.
    std::vector<uint8_t> nv12 = {128, 128, 128, 128, 128, 128, 128, 128, 128, 255, 128, 128};
    ASSERT_EQ(ConvertNv12ToBaseImage(nv12.data(), 4, 2, &im), 0);
    EXPECT_EQ(Px(im, 0, 1), kReddish);
    EXPECT_EQ(Px(im, 3, 1), 0xFF808080u);
    // NV11: one pair per 4 x 1 pixels, one chroma line per line.
    std::vector<uint8_t> nv11 = {128, 128, 128, 128, 128, 128, 128, 128, 128, 128, 128, 255};
    ASSERT_EQ(ConvertNv11ToBaseImage(nv11.data(), 4, 2, &im), 0);
    EXPECT_EQ(Px(im, 3, 0), 0xFF808080u);
    EXPECT_EQ(Px(im, 0, 1), kReddish);
    FreeBaseImagePixels(&im);
}

TEST(VideoFrames, PartialGroupsAndSmallRecordsAreNotWritten) {
    // YUY2 of width 5: two pairs per line, column 4 untouched.
    BaseImage im = Target(5, 2);
    auto yuy2 = Frame(ConvertYuy2ToBaseImage, 5, 2, 255, 128, 128);
    ASSERT_EQ(ConvertYuy2ToBaseImage(yuy2.data(), 5, 2, &im), 0);
    const uint32_t w = 0xFFFFFFFF;
    EXPECT_EQ(All(im), (std::vector<uint32_t>{w, w, w, w, kUntouched, w, w, w, w, kUntouched}));
    FreeBaseImagePixels(&im);

    // YV12 of height 3: the last line untouched.
    im = Target(2, 3);
    auto yv12 = Frame(ConvertYv12ToBaseImage, 2, 3, 0, 128, 128);
    ASSERT_EQ(ConvertYv12ToBaseImage(yv12.data(), 2, 3, &im), 0);
    const uint32_t b = 0xFF000000;
    EXPECT_EQ(All(im), (std::vector<uint32_t>{b, b, b, b, kUntouched, kUntouched}));
    FreeBaseImagePixels(&im);

    // A frame larger than the record writes only inside the record.
    im = Target(2, 1);
    auto big = Frame(ConvertNv12ToBaseImage, 8, 8, 255, 128, 128);
    ASSERT_EQ(ConvertNv12ToBaseImage(big.data(), 8, 8, &im), 0);
    EXPECT_EQ(Px(im, 1, 0), 0xFFFFFFFFu);
    FreeBaseImagePixels(&im);
}

TEST(VideoFrames, BadArgumentsAreRefused) {
    BaseImage im = Target(2, 2);
    std::vector<uint8_t> frame(16, 128);
    EXPECT_EQ(ConvertYuy2ToBaseImage(nullptr, 2, 2, &im), -1);
    EXPECT_EQ(ConvertYuy2ToBaseImage(frame.data(), 2, 2, nullptr), -1);
    EXPECT_EQ(ConvertYv12ToBaseImage(frame.data(), -2, 2, &im), -1);
    BaseImage rgb{};
    SetColorFormatR8G8B8(&rgb.colorFormat);
    rgb.pixels = im.pixels;
    rgb.width = rgb.height = 2;
    EXPECT_EQ(ConvertNv12ToBaseImage(frame.data(), 2, 2, &rgb), -1);
    FreeBaseImagePixels(&im);
}
