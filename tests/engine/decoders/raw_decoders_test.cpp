// "BGRA", Targa and DirectDraw surface decoding. Expected pixels are written
// out by hand.
#include <gtest/gtest.h>

#include "decoder_test_support.h"
#include "image/image_record.h"
#include "picture_corpus.h"

using namespace DuRud;
using namespace decodertest;

namespace {

class RawDecoderTest : public DecoderTest {};

TEST_F(RawDecoderTest, BgraEightBitIsReadAsIs) {
    BaseImage im;
    ASSERT_EQ(
        RunDecoder(LoadBgraImage,
                   MakeBgra(0x08080808, 2, 1, std::string("\x01\x02\x03\x04\x05\x06\x07\x08", 8)),
                   &im),
        0);
    EXPECT_EQ(im.pitch, 8);
    EXPECT_EQ(im.colorFormat.alphaMask, 0xFF000000u);
    EXPECT_EQ(GetBaseImagePixelArgb(&im, 1, 0), 0x08070605u);
    FreeBaseImagePixels(&im);
}

TEST_F(RawDecoderTest, BgraSixteenBitKeepsHighBytes) {
    std::string px = Le16(0x1234) + Le16(0x5678) + Le16(0x9ABC) + Le16(0xDEF0);
    BaseImage im;
    ASSERT_EQ(RunDecoder(LoadBgraImage, MakeBgra(0x10101010, 1, 1, px), &im), 0);
    EXPECT_EQ(*static_cast<uint32_t*>(im.pixels), 0xDE9A5612u);
    FreeBaseImagePixels(&im);
}

TEST_F(RawDecoderTest, BgraOtherDepthCodeIsNotThisFormat) {
    BaseImage im;
    EXPECT_EQ(RunDecoder(LoadBgraImage, MakeBgra(0x08080810, 1, 1, std::string(4, '\0')), &im), -1);
}

// A 2 x 2 picture with distinct pixels a b / c d, stored in the given order.
std::string Tga24Pixels(bool bottomUp, bool rightToLeft) {
    const std::string a("\x01\x02\x03", 3), b("\x04\x05\x06", 3), c("\x07\x08\x09", 3),
        d("\x0A\x0B\x0C", 3);
    std::string top = rightToLeft ? b + a : a + b;
    std::string bottom = rightToLeft ? d + c : c + d;
    return bottomUp ? bottom + top : top + bottom;
}

TEST_F(RawDecoderTest, TgaAllFourLineOrdersComeOutTopDownLeftToRight) {
    for (int order = 0; order < 4; ++order) {
        bool rightToLeft = order & 1, bottomUp = order & 2;
        TgaSpec t;
        t.width = 2;
        t.height = 2;
        t.descriptor = (rightToLeft ? 0x10 : 0) | (bottomUp ? 0 : 0x20);
        t.data = Tga24Pixels(bottomUp, rightToLeft);
        t.footer = order == 3;
        BaseImage im;
        ASSERT_EQ(RunDecoder(LoadTgaImage, MakeTga(t), &im), 0) << order;
        EXPECT_EQ(im.pitch, 6);
        EXPECT_EQ(LineBytes(im, 0, 6), "\x01\x02\x03\x04\x05\x06") << order;
        EXPECT_EQ(LineBytes(im, 1, 6), "\x07\x08\x09\x0A\x0B\x0C") << order;
        FreeBaseImagePixels(&im);
    }
}

TEST_F(RawDecoderTest, TgaEveryTypeAtEveryDepth) {
    for (int depth : {16, 24, 32}) {
        const int bpp = depth / 8;
        const std::string p0 = std::string("\x01\x02\x03\x04", 4).substr(0, bpp);
        const std::string p1 = std::string("\x05\x06\x07\x08", 4).substr(0, bpp);
        for (int type : {1, 2, 9, 10}) {
            const bool mapped = type == 1 || type == 9, packed = type >= 9;
            TgaSpec t;
            t.type = type;
            t.width = 2;
            if (mapped) {
                t.mapType = 1;
                t.mapLength = 2;
                t.mapEntryBits = depth;
                t.pixelBits = 8;
                t.colorMap = p0 + p1;
            } else {
                t.pixelBits = depth;
            }
            std::string items = mapped ? std::string("\x00\x01", 2) : p0 + p1;
            t.data = packed ? std::string(1, '\x01') + items : items;
            BaseImage im;
            ASSERT_EQ(RunDecoder(LoadTgaImage, MakeTga(t), &im), 0) << type << "/" << depth;
            EXPECT_EQ(im.colorFormat.bitsPerPixel, depth);
            EXPECT_EQ(im.pitch, 2 * bpp);
            EXPECT_EQ(LineBytes(im, 0, 2 * bpp), p0 + p1) << type << "/" << depth;
            FreeBaseImagePixels(&im);
        }
    }
}

TEST_F(RawDecoderTest, TgaWidth3At24BitsHasUnroundedPitch9) {
    TgaSpec t;
    t.width = 3;
    t.data = std::string(9, '\x20');
    BaseImage im;
    ASSERT_EQ(RunDecoder(LoadTgaImage, MakeTga(t), &im), 0);
    EXPECT_EQ(im.pitch, 9);
    FreeBaseImagePixels(&im);
}

TEST_F(RawDecoderTest, TgaSixteenBitIsX1R5G5B5AndIdFieldIsSkipped) {
    TgaSpec t;
    t.id = "hello";
    t.pixelBits = 16;
    t.width = 2;
    t.data = Le16(0x7C00) + Le16(0x801F);
    BaseImage im;
    ASSERT_EQ(RunDecoder(LoadTgaImage, MakeTga(t), &im), 0);
    EXPECT_EQ(im.colorFormat.redMask, 0x7C00u);
    EXPECT_EQ(im.colorFormat.unusedMask, 0x8000u);
    EXPECT_EQ(im.colorFormat.alphaMask, 0u);
    // Five-bit channels read back at the top of the byte.
    EXPECT_EQ(GetBaseImagePixelArgb(&im, 0, 0) & 0xFFFFFF, 0xF80000u);
    EXPECT_EQ(GetBaseImagePixelArgb(&im, 1, 0) & 0xFFFFFF, 0x0000F8u);
    FreeBaseImagePixels(&im);
}

TEST_F(RawDecoderTest, TgaRunLength32BitWithFooter) {
    TgaSpec t;
    t.type = 10;
    t.pixelBits = 32;
    t.width = 3;
    t.height = 1;
    t.descriptor = 0x28;
    // A run of two, then one raw pixel.
    t.data = std::string("\x81\x01\x02\x03\x04\x00\x05\x06\x07\x08", 10);
    t.footer = true;
    BaseImage im;
    ASSERT_EQ(RunDecoder(LoadTgaImage, MakeTga(t), &im), 0);
    EXPECT_EQ(im.pitch, 12);
    EXPECT_EQ(GetBaseImagePixelArgb(&im, 0, 0), 0x04030201u);
    EXPECT_EQ(GetBaseImagePixelArgb(&im, 1, 0), 0x04030201u);
    EXPECT_EQ(GetBaseImagePixelArgb(&im, 2, 0), 0x08070605u);
    FreeBaseImagePixels(&im);
}

TEST_F(RawDecoderTest, TgaColourMappedPlainAndRunLengthMapFromTheFirstIndex) {
    for (int type : {1, 9}) {
        TgaSpec t;
        t.type = type;
        t.mapType = 1;
        t.mapFirst = 5;
        t.mapLength = 2;
        t.mapEntryBits = 24;
        t.pixelBits = 8;
        t.width = 3;
        t.colorMap = std::string("\x11\x12\x13\x21\x22\x23", 6);
        t.data = type == 1 ? std::string("\x05\x06\x00", 3)
                           : std::string("\x00\x05\x81\x06", 4);  // raw 5, run of 6 6
        BaseImage im;
        ASSERT_EQ(RunDecoder(LoadTgaImage, MakeTga(t), &im), 0) << type;
        EXPECT_EQ(im.colorFormat.bitsPerPixel, 24);
        std::string want = type == 1 ? std::string("\x11\x12\x13\x21\x22\x23\0\0\0", 9)
                                     : std::string("\x11\x12\x13\x21\x22\x23\x21\x22\x23", 9);
        EXPECT_EQ(LineBytes(im, 0, 9), want) << type;
        FreeBaseImagePixels(&im);
    }
}

TEST_F(RawDecoderTest, TgaTrueColourSkipsACarriedColourMap) {
    TgaSpec t;
    t.mapType = 1;
    t.mapLength = 2;
    t.mapEntryBits = 16;
    t.colorMap = std::string("\xEE\xEE\xEE\xEE", 4);
    t.data = std::string("\x01\x02\x03", 3);
    BaseImage im;
    ASSERT_EQ(RunDecoder(LoadTgaImage, MakeTga(t), &im), 0);
    EXPECT_EQ(LineBytes(im, 0, 3), "\x01\x02\x03");
    FreeBaseImagePixels(&im);
}

TEST_F(RawDecoderTest, TgaSidesUpTo8192AndZeroOrigins) {
    TgaSpec t;
    t.pixelBits = 16;
    t.width = 8192;
    t.data = std::string(8192 * 2, '\x01');
    BaseImage im;
    ASSERT_EQ(RunDecoder(LoadTgaImage, MakeTga(t), &im), 0);
    FreeBaseImagePixels(&im);
    t.width = 1;
    t.height = 8192;
    ASSERT_EQ(RunDecoder(LoadTgaImage, MakeTga(t), &im), 0);
    FreeBaseImagePixels(&im);

    t.height = 8193;
    t.data += std::string(2, '\x01');
    EXPECT_EQ(RunDecoder(LoadTgaImage, MakeTga(t), &im), -1);
    t.height = 1;
    t.width = 8193;
    EXPECT_EQ(RunDecoder(LoadTgaImage, MakeTga(t), &im), -1);
    t.width = 1;
    t.xOrigin = 1;
    EXPECT_EQ(RunDecoder(LoadTgaImage, MakeTga(t), &im), -1);
    t.xOrigin = 0;
    t.yOrigin = 1;
    EXPECT_EQ(RunDecoder(LoadTgaImage, MakeTga(t), &im), -1);
}

TEST_F(RawDecoderTest, DdsDxt1At4x4ReadsEightBytesWithCode1) {
    DdsSpec d;
    d.data = std::string(8, '\x42') + "trailing";
    BaseImage im;
    int64_t end = 0;
    ASSERT_EQ(RunDecoder(LoadDdsImage, MakeDds(d), &im, &end), 0);
    EXPECT_EQ(end, 128 + 8);
    EXPECT_EQ(im.colorFormat.formatCode, 1);
    EXPECT_EQ(im.colorFormat.bitsPerPixel, 4);
    EXPECT_EQ(im.colorFormat.bytesPerPixel, 4);
    EXPECT_EQ(im.pitch, 0);
    EXPECT_EQ(im.width, 4);
    FreeBaseImagePixels(&im);
}

TEST_F(RawDecoderTest, DdsDxt2To5ReadSixteenBytesPerBlock) {
    for (char n = '2'; n <= '5'; ++n) {
        DdsSpec d;
        d.fourCc = std::string("DXT") + n;
        d.data = std::string(16, '\x01') + "trailing";
        BaseImage im;
        int64_t end = 0;
        ASSERT_EQ(RunDecoder(LoadDdsImage, MakeDds(d), &im, &end), 0) << n;
        EXPECT_EQ(end, 128 + 16);
        EXPECT_EQ(im.colorFormat.formatCode, n - '0');
        EXPECT_EQ(im.colorFormat.bitsPerPixel, 8);
        FreeBaseImagePixels(&im);
    }
}

TEST_F(RawDecoderTest, DdsDxt1With3LevelsAt8x8Reads48Bytes) {
    DdsSpec d;
    d.width = d.height = 8;
    d.flags |= 0x20000;
    d.caps |= 0x400008;
    d.mipMapCount = 3;
    d.data = std::string(48, '\x01') + "trailing";
    BaseImage im;
    int64_t end = 0;
    ASSERT_EQ(RunDecoder(LoadDdsImage, MakeDds(d), &im, &end), 0);
    EXPECT_EQ(end, 128 + 48);
    EXPECT_EQ(im.mipMapCount, 3);
    FreeBaseImagePixels(&im);

    // Without the caps the count is not taken.
    d.caps = 0x1000;
    ASSERT_EQ(RunDecoder(LoadDdsImage, MakeDds(d), &im, &end), 0);
    EXPECT_EQ(end, 128 + 32);
    EXPECT_EQ(im.mipMapCount, 0);
    FreeBaseImagePixels(&im);
}

struct TableRow {
    uint32_t number;
    int bits;
    uint32_t red, green, blue, alpha;
};

TEST_F(RawDecoderTest, DdsEveryTableFormatWithHeaderBitsOrZero) {
    const TableRow rows[] = {
        {20, 24, 0xFF0000, 0xFF00, 0xFF, 0},
        {21, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000},
        {22, 32, 0xFF0000, 0xFF00, 0xFF, 0},
        {23, 16, 0xF800, 0x7C0, 0x3F, 0},
        {24, 16, 0x7C00, 0x3E0, 0x1F, 0},
        {25, 16, 0x7C00, 0x3E0, 0x1F, 0x8000},
        {26, 16, 0xF00, 0xF0, 0xF, 0xF000},
        {27, 8, 0xE0, 0x1C, 0x3, 0},
        {29, 16, 0xE0, 0x1C, 0x3, 0xFF00},
        {30, 16, 0xF00, 0xF0, 0xF, 0},
        {31, 32, 0x3FF, 0xFFC00, 0x3FF00000, 0xC0000000},
        {32, 32, 0xFF, 0xFF00, 0xFF0000, 0xFF000000},
        {33, 32, 0xFF, 0xFF00, 0xFF0000, 0},
        {35, 32, 0x3FF00000, 0xFFC00, 0x3FF, 0xC0000000},
    };
    for (const TableRow& r : rows) {
        for (uint32_t headerBits : {uint32_t(r.bits), 0u}) {
            DdsSpec d;
            d.width = 2;
            d.height = 2;
            d.fourCc.clear();
            d.fourCcNumber = r.number;
            d.bitCount = headerBits;
            const int bytes = r.bits / 8;
            d.data = std::string(size_t(bytes * 4), '\x01') + "trailing";
            BaseImage im;
            int64_t end = 0;
            ASSERT_EQ(RunDecoder(LoadDdsImage, MakeDds(d), &im, &end), 0) << r.number;
            EXPECT_EQ(end, 128 + bytes * 4) << r.number;
            EXPECT_EQ(im.pitch, bytes * 2) << r.number;
            EXPECT_EQ(im.colorFormat.bitsPerPixel, r.bits) << r.number;
            EXPECT_EQ(im.colorFormat.bytesPerPixel, bytes) << r.number;
            EXPECT_EQ(im.colorFormat.redMask, r.red) << r.number;
            EXPECT_EQ(im.colorFormat.greenMask, r.green) << r.number;
            EXPECT_EQ(im.colorFormat.blueMask, r.blue) << r.number;
            EXPECT_EQ(im.colorFormat.alphaMask, r.alpha) << r.number;
            FreeBaseImagePixels(&im);
        }
    }
    // The table applies only when the pixel-format flags are exactly FourCC.
    DdsSpec d;
    d.fourCc.clear();
    d.fourCcNumber = 21;
    d.pixelFlags = 0x5;
    d.data = std::string(64, '\0');
    BaseImage im;
    EXPECT_EQ(RunDecoder(LoadDdsImage, MakeDds(d), &im), -1);
}

TEST_F(RawDecoderTest, DdsRgbMasks565AndHeaderPitch) {
    DdsSpec d;
    d.width = 2;
    d.height = 2;
    d.fourCc.clear();
    d.pixelFlags = 0x40;
    d.bitCount = 16;
    d.masks[0] = 0xF800;
    d.masks[1] = 0x7E0;
    d.masks[2] = 0x1F;
    d.flags |= 0x8;
    d.pitch = 6;  // two pixels and two spare bytes a line
    d.data = Le16(0xF800) + Le16(0x07E0) + Le16(0) + Le16(0x001F) + Le16(0) + Le16(0);
    BaseImage im;
    int64_t end = 0;
    ASSERT_EQ(RunDecoder(LoadDdsImage, MakeDds(d), &im, &end), 0);
    EXPECT_EQ(end, 128 + 12);
    EXPECT_EQ(im.pitch, 6);
    EXPECT_EQ(im.colorFormat.greenWidth, 6);
    EXPECT_EQ(im.colorFormat.greenShift, 5);
    EXPECT_EQ(GetBaseImagePixelArgb(&im, 0, 0) & 0xFFFFFF, 0xF80000u);
    EXPECT_EQ(GetBaseImagePixelArgb(&im, 1, 0) & 0xFFFFFF, 0x00FC00u);
    EXPECT_EQ(GetBaseImagePixelArgb(&im, 0, 1) & 0xFFFFFF, 0x0000F8u);
    FreeBaseImagePixels(&im);
}

TEST_F(RawDecoderTest, DdsMagicIsCheckedOnThreeBytes) {
    DdsSpec d;
    d.data = std::string(8, '\0');
    std::string bytes = MakeDds(d);
    bytes[3] = 'X';
    BaseImage im;
    ASSERT_EQ(RunDecoder(LoadDdsImage, bytes, &im), 0);
    FreeBaseImagePixels(&im);
    bytes[2] = 'X';
    EXPECT_EQ(RunDecoder(LoadDdsImage, bytes, &im), -1);
}

}  // namespace
