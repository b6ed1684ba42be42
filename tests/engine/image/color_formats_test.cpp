// Colour-format builders, record creation, the data-size rule and colour
// packing.
#include <gtest/gtest.h>

#include <array>
#include <cstring>

#include "image/image_record.h"
#include "image_test_formats.h"

using namespace DuRud;
using namespace imagetest;

TEST(ColorFormats, SetupFindsWidthsShiftsAndUnusedBits) {
    EXPECT_EQ(Layout(R5G6B5()), "2/16 r5@11 g6@5 b5@0 a0@0 x0@0 0");
    EXPECT_EQ(Layout(X1R5G5B5()), "2/16 r5@10 g5@5 b5@0 a0@0 x1@15 8000");
    // 32 bits: the unused mask is taken from all 32 bits.
    EXPECT_EQ(Layout(Format(32, 0x3FF00000, 0xFFC00, 0x3FF, 0)),
              "4/32 r10@20 g10@10 b10@0 a0@0 x2@30 c0000000");
}

TEST(ColorFormats, SetupPerChannelFormAndClearing) {
    ColorFormat f;
    std::memset(&f, 0x5A, sizeof(f));
    SetupColorFormat(&f, 32, 0xFF, 0, 0, 0, 4, 16, 1);
    EXPECT_EQ(f.channelCount, 4);
    EXPECT_EQ(f.bitsPerChannel, 16);
    EXPECT_EQ(f.floatFlag, 1);
    EXPECT_EQ(f.bytesPerPixel, 8);
    EXPECT_EQ(f.bitsPerPixel, 0);
    EXPECT_EQ(f.redMask, 0u);
    EXPECT_EQ(f.palette[17].red, 0);  // palette cleared too
}

TEST(ColorFormats, OnlyX8R8G8B8BuilderWritesUnusedShiftAndWidth) {
    ColorFormat f;
    std::memset(&f, 0x77, sizeof(f));
    SetColorFormatX8R8G8B8(&f);
    EXPECT_EQ(Layout(f), "4/32 r8@16 g8@8 b8@0 a0@0 x8@24 ff000000");
    EXPECT_EQ(f.formatCode, 0);
    EXPECT_EQ(f.palette[3].blue, 0x77);  // palette untouched

    using Builder = int (*)(ColorFormat*);
    for (Builder b : {Builder(SetColorFormatA8R8G8B8), Builder(SetColorFormatR8G8B8),
                      Builder(SetColorFormatPal8), Builder(SetColorFormatGray8)}) {
        std::memset(&f, 0x77, sizeof(f));
        EXPECT_EQ(b(&f), 0);
        EXPECT_EQ(f.unusedShift, 0x77);
        EXPECT_EQ(f.unusedWidth, 0x77);
        EXPECT_EQ(f.redMask, 0xFF0000u);
        EXPECT_EQ(f.channelCount, 0);
    }
    SetColorFormatGray8(&f);
    EXPECT_EQ(f.bytesPerPixel, 1);
    EXPECT_EQ(f.palette[200].red, 200);
    EXPECT_EQ(f.palette[200].blue, 200);
    EXPECT_EQ(f.palette[200].alpha, 0);
    SetColorFormatA8R8G8B8(&f);
    EXPECT_EQ(f.alphaMask, 0xFF000000u);
    EXPECT_EQ(Layout(f), "4/32 r8@16 g8@8 b8@0 a8@24 x119@119 0");  // 0x77: never written
}

TEST(ColorFormats, UpdateUnusedMask) {
    ColorFormat f = R5G6B5();
    f.unusedMask = 0x1234;
    UpdateColorFormatUnusedMask(&f);
    EXPECT_EQ(f.unusedMask, 0u);
    f = X1R5G5B5();
    f.unusedMask = 0;
    f.unusedShift = 3;
    UpdateColorFormatUnusedMask(&f);
    EXPECT_EQ(f.unusedMask, 0x8000u);
    EXPECT_EQ(f.unusedShift, 3);  // left as it was
}

TEST(BaseImageRecord, CreatePitchesAndRefusals) {
    BaseImage im{};
    ColorFormat rgb = R8G8B8();
    ASSERT_EQ(CreateBaseImage(3, 2, &rgb, &im), 0);
    EXPECT_EQ(im.pitch, 12);
    EXPECT_NE(im.pixels, nullptr);
    EXPECT_EQ(im.mipMapCount, 0);
    FreeBaseImagePixels(&im);
    EXPECT_EQ(im.pixels, nullptr);
    EXPECT_EQ(im.width, 0);

    ColorFormat pal{};
    SetColorFormatPal8(&pal);
    ASSERT_EQ(CreateBaseImage(5, 1, &pal, &im), 0);
    EXPECT_EQ(im.pitch, 8);
    FreeBaseImagePixels(&im);

    ASSERT_EQ(CreateX8R8G8B8BaseImage(1, 1, &im), 0);
    EXPECT_EQ(im.pitch, 4);
    EXPECT_EQ(im.colorFormat.unusedMask, 0xFF000000u);
    FreeBaseImagePixels(&im);

    EXPECT_EQ(CreateA8R8G8B8BaseImage(-1, 4, &im), -1);
    EXPECT_EQ(im.pixels, nullptr);
    EXPECT_EQ(CreateBaseImage(4, -4, &rgb, &im), -1);
    EXPECT_EQ(im.pixels, nullptr);
    // 8192 x 8192 at 32 bits is the largest; one more line is refused.
    EXPECT_EQ(CreateA8R8G8B8BaseImage(8192, 8193, &im), -1);
    EXPECT_EQ(im.pixels, nullptr);
    EXPECT_EQ(CreateA8R8G8B8BaseImage(0x7FFFFFFF, 0x7FFFFFFF, &im), -1);
    EXPECT_EQ(im.pixels, nullptr);
    EXPECT_EQ(CreateBaseImage(1, 1, nullptr, &im), -1);
}

TEST(BaseImageRecord, StartedFlag) {
    EXPECT_EQ(InitializeBaseImage(), 0);
    EXPECT_EQ(InitializeBaseImage(), -1);
    EXPECT_EQ(TerminateBaseImage(), 0);
    EXPECT_EQ(TerminateBaseImage(), -1);
}

TEST(BaseImageRecord, DataSizeCountsWholeBlocksPerLevel) {
    BaseImage im{};
    im.colorFormat.formatCode = kFormatDxt1;
    im.width = 8;
    im.height = 8;
    im.mipMapCount = 3;
    EXPECT_EQ(GetBaseImageDataSize(&im), 32 + 8 + 8);
    im.width = im.height = 5;
    im.mipMapCount = 0;
    EXPECT_EQ(GetBaseImageDataSize(&im), 4 * 8);  // 2 x 2 blocks
    im.colorFormat.formatCode = kFormatDxt5;
    im.width = 16;
    im.height = 4;
    im.mipMapCount = 3;
    // 16x4: 4 blocks; 8x2: 2 blocks; 4x1: 1 block; 16 bytes each.
    EXPECT_EQ(GetBaseImageDataSize(&im), (4 + 2 + 1) * 16);
    im.colorFormat.formatCode = 9;
    EXPECT_EQ(GetBaseImageDataSize(&im), -1);

    // Plain pixels: level 0 by pitch, then tightly packed levels.
    BaseImage p{};
    p.colorFormat = R8G8B8();
    p.width = 5;
    p.height = 3;
    p.pitch = 16;
    EXPECT_EQ(GetBaseImageDataSize(&p), 48);
    p.mipMapCount = 3;
    EXPECT_EQ(GetBaseImageDataSize(&p), 48 + 2 * 1 * 3 + 1 * 1 * 3);
}

// Red, green, blue and alpha of a value; alpha starts at 77 to show an unwritten one.
std::array<int, 4> Unpacked(const ColorFormat& f, uint32_t v) {
    BaseImage im{};
    im.colorFormat = f;
    std::array<int, 4> c = {0, 0, 0, 77};
    UnpackBaseImageColor(&im, v, &c[0], &c[1], &c[2], &c[3]);
    return c;
}

TEST(ColorValues, PackFormats) {
    BaseImage im{};
    im.colorFormat = X8R8G8B8();
    EXPECT_EQ(PackBaseImageColor(&im, 1, 2, 3, 99), 0xFF010203u);
    im.colorFormat = A8R8G8B8();
    EXPECT_EQ(PackBaseImageColor(&im, 1, 2, 3, 4), 0x04010203u);
    im.colorFormat = R5G6B5();
    EXPECT_EQ(PackBaseImageColor(&im, 255, 255, 255, 0), 0xFFFFu);
    EXPECT_EQ(PackBaseImageColor(&im, 8, 4, 8, 0), uint32_t(1 << 11 | 1 << 5 | 1));
    im.colorFormat = X1R5G5B5();
    EXPECT_EQ(PackBaseImageColor(&im, 0, 0, 0, 0), 0x8000u);  // unused bits set

    // The 10-bit layout: wider channels shift left.
    im.colorFormat = Format(32, 0x3FF, 0xFFC00, 0x3FF00000, 0xC0000000);
    const uint32_t p = PackBaseImageColor(&im, 255, 0, 0, 255);
    EXPECT_EQ(p & 0x3FF, 1020u);
    EXPECT_EQ(p >> 30, 3u);
    EXPECT_EQ(Unpacked(im.colorFormat, 1023)[0], 255);
    EXPECT_EQ(Unpacked(im.colorFormat, 0x80000000u), (std::array{0, 0, 0, 2 * 255 / 3}));
}

TEST(ColorValues, PaletteNearestEntryAndTies) {
    BaseImage im{};
    SetColorFormatPal8(&im.colorFormat);
    for (auto& e : im.colorFormat.palette) e = PaletteEntry{0, 0, 0, 0};
    im.colorFormat.palette[5] = PaletteEntry{0, 0, 100, 0};  // red 100
    im.colorFormat.palette[9] = PaletteEntry{0, 0, 120, 0};  // red 120
    EXPECT_EQ(PackBaseImageColor(&im, 110, 0, 0, 0), 5u);    // equal distance: lower index
    EXPECT_EQ(PackBaseImageColor(&im, 111, 0, 0, 0), 9u);
    EXPECT_EQ(PackBaseImageColor(&im, 0, 0, 0, 0), 0u);  // entries 0.. tie: 0
}

TEST(ColorValues, UnpackBranches) {
    // Absent alpha: left unwritten on the 8-bit branch, 0 on the scaled one.
    EXPECT_EQ(Unpacked(X8R8G8B8(), 0x12345678), (std::array{0x34, 0x56, 0x78, 77}));
    EXPECT_EQ(Unpacked(R5G6B5(), 0x0841), (std::array{255 / 31, 2 * 255 / 63, 255 / 31, 0}));
    // A zero-width colour channel reads 0 instead of dividing by zero.
    EXPECT_EQ(Unpacked(Format(16, 0, 0x7E0, 0x1F, 0), 0xFFFF), (std::array{0, 255, 255, 0}));
}

TEST(ColorValues, PixelArgbKeepsChannelWidths) {
    BaseImage im{};
    ColorFormat f = R5G6B5();
    ASSERT_EQ(CreateBaseImage(2, 2, &f, &im), 0);
    auto* px = static_cast<uint8_t*>(im.pixels);
    px[0] = 0xFF;
    px[1] = 0xFF;
    EXPECT_EQ(GetBaseImagePixelArgb(&im, 0, 0), 0x00F8FCF8u);
    EXPECT_EQ(GetBaseImagePixelArgb(&im, 2, 0), 0u);
    EXPECT_EQ(GetBaseImagePixelArgb(&im, -1, 0), 0u);
    EXPECT_EQ(GetBaseImagePixelArgb(&im, 0, 2), 0u);
    FreeBaseImagePixels(&im);

    f = A4R4G4B4();
    ASSERT_EQ(CreateBaseImage(1, 1, &f, &im), 0);
    px = static_cast<uint8_t*>(im.pixels);
    px[0] = 0x21;  // G 2, B 1
    px[1] = 0x43;  // A 4, R 3
    EXPECT_EQ(GetBaseImagePixelArgb(&im, 0, 0), 0x40302010u);
    im.colorFormat.formatCode = kFormatDxt1;
    EXPECT_EQ(GetBaseImagePixelArgb(&im, 0, 0), 0u);
    FreeBaseImagePixels(&im);
    EXPECT_EQ(GetBaseImagePixelArgb(&im, 0, 0), 0u);
    EXPECT_EQ(GetBaseImagePixelArgb(nullptr, 0, 0), 0u);
}
