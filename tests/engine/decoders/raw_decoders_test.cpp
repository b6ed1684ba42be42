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

TEST_F(RawDecoderTest, Bgra) {
    ASSERT_EQ(Run(LoadBgraImage, MakeBgra(0x08080808, 2, 1, "\x01\x02\x03\x04\x05\x06\x07\x08")),
              0);
    EXPECT_EQ(im.pitch, 8);
    EXPECT_EQ(im.colorFormat.alphaMask, 0xFF000000u);
    EXPECT_EQ(GetBaseImagePixelArgb(&im, 1, 0), 0x08070605u);
    // Sixteen bits a channel keep the high bytes.
    std::string px = Le16(0x1234) + Le16(0x5678) + Le16(0x9ABC) + Le16(0xDEF0);
    ASSERT_EQ(Run(LoadBgraImage, MakeBgra(0x10101010, 1, 1, px)), 0);
    EXPECT_EQ(*static_cast<uint32_t*>(im.pixels), 0xDE9A5612u);
    // Another depth code is not this format.
    EXPECT_EQ(Run(LoadBgraImage, MakeBgra(0x08080810, 1, 1, std::string(4, '\0'))), -1);
}

TEST_F(RawDecoderTest, TgaAllFourLineOrdersComeOutTopDownLeftToRight) {
    const std::string a("\x01\x02\x03"), b("\x04\x05\x06"), c("\x07\x08\x09"), d("\x0A\x0B\x0C");
    for (int order = 0; order < 4; ++order) {
        bool rightToLeft = order & 1, bottomUp = order & 2;
        std::string top = rightToLeft ? b + a : a + b, bottom = rightToLeft ? d + c : c + d;
        TgaSpec t{.width = 2,
                  .height = 2,
                  .descriptor = (rightToLeft ? 0x10 : 0) | (bottomUp ? 0 : 0x20)};
        t.data = bottomUp ? bottom + top : top + bottom;
        t.footer = order == 3;
        ASSERT_EQ(Run(LoadTgaImage, MakeTga(t)), 0) << order;
        EXPECT_EQ(im.pitch, 6);
        EXPECT_EQ(LineBytes(im, 0, 6) + LineBytes(im, 1, 6), a + b + c + d) << order;
    }
}

TEST_F(RawDecoderTest, TgaEveryTypeAtEveryDepth) {
    for (int depth : {16, 24, 32}) {
        const int bpp = depth / 8;
        const std::string p0 = std::string("\x01\x02\x03\x04", 4).substr(0, bpp);
        const std::string p1 = std::string("\x05\x06\x07\x08", 4).substr(0, bpp);
        for (int type : {1, 2, 9, 10}) {
            const bool mapped = type == 1 || type == 9;
            TgaSpec t{.type = type, .width = 2, .pixelBits = mapped ? 8 : depth};
            if (mapped) {
                t.mapType = 1, t.mapLength = 2, t.mapEntryBits = depth, t.colorMap = p0 + p1;
            }
            std::string items = mapped ? std::string("\x00\x01", 2) : p0 + p1;
            t.data = type >= 9 ? "\x01" + items : items;
            ASSERT_EQ(Run(LoadTgaImage, MakeTga(t)), 0) << type << "/" << depth;
            EXPECT_EQ(im.colorFormat.bitsPerPixel, depth);
            EXPECT_EQ(LineBytes(im, 0, 2 * bpp), p0 + p1) << type << "/" << depth;
        }
    }
    // Width 3 at 24 bits: the pitch is not rounded.
    ASSERT_EQ(Run(LoadTgaImage, MakeTga({.width = 3, .data = std::string(9, ' ')})), 0);
    EXPECT_EQ(im.pitch, 9);
}

TEST_F(RawDecoderTest, TgaSixteenBitIsX1R5G5B5AndIdFieldIsSkipped) {
    TgaSpec t{.id = "hello", .width = 2, .pixelBits = 16};
    t.data = Le16(0x7C00) + Le16(0x801F);
    ASSERT_EQ(Run(LoadTgaImage, MakeTga(t)), 0);
    EXPECT_EQ(im.colorFormat.redMask, 0x7C00u);
    EXPECT_EQ(im.colorFormat.unusedMask, 0x8000u);
    EXPECT_EQ(im.colorFormat.alphaMask, 0u);
    // Five-bit channels read back at the top of the byte.
    EXPECT_EQ(Rgb(0, 0), 0xF80000u);
    EXPECT_EQ(Rgb(1, 0), 0x0000F8u);
}

TEST_F(RawDecoderTest, TgaRunLength32BitWithFooter) {
    // A run of two, then one raw pixel.
    TgaSpec t{.type = 10, .width = 3, .pixelBits = 32, .descriptor = 0x28, .footer = true};
    t.data = std::string("\x81\x01\x02\x03\x04\x00\x05\x06\x07\x08", 10);
    ASSERT_EQ(Run(LoadTgaImage, MakeTga(t)), 0);
    EXPECT_EQ(im.pitch, 12);
    EXPECT_EQ(LineBytes(im, 0, 12),
              std::string("\x01\x02\x03\x04\x01\x02\x03\x04\x05\x06\x07\x08"));
}

TEST_F(RawDecoderTest, TgaColourMappedPlainAndRunLengthMapFromTheFirstIndex) {
    for (int type : {1, 9}) {
        TgaSpec t{.mapType = 1,
                  .type = type,
                  .mapFirst = 5,
                  .mapLength = 2,
                  .mapEntryBits = 24,
                  .width = 3,
                  .pixelBits = 8};
        t.colorMap = "\x11\x12\x13\x21\x22\x23";
        // Plain: 5 6 0 (0 is outside the map); packed: raw 5, run of 6 6.
        t.data = type == 1 ? std::string("\x05\x06\x00", 3) : std::string("\x00\x05\x81\x06", 4);
        ASSERT_EQ(Run(LoadTgaImage, MakeTga(t)), 0) << type;
        EXPECT_EQ(im.colorFormat.bitsPerPixel, 24);
        EXPECT_EQ(LineBytes(im, 0, 9),
                  std::string(type == 1 ? "\x11\x12\x13\x21\x22\x23\0\0\0"
                                        : "\x11\x12\x13\x21\x22\x23\x21\x22\x23",
                              9))
            << type;
    }
    // True colour skips a carried colour map.
    TgaSpec t{.mapType = 1, .mapLength = 2, .mapEntryBits = 16, .colorMap = "\xEE\xEE\xEE\xEE"};
    t.data = "\x01\x02\x03";
    ASSERT_EQ(Run(LoadTgaImage, MakeTga(t)), 0);
    EXPECT_EQ(LineBytes(im, 0, 3), "\x01\x02\x03");
}

TEST_F(RawDecoderTest, TgaSidesUpTo8192AndZeroOrigins) {
    struct Row {
        const char* name;
        int width, height, x, y, result;
    } rows[] = {{"wide", 8192, 1, 0, 0, 0},      {"tall", 1, 8192, 0, 0, 0},
                {"too tall", 1, 8193, 0, 0, -1}, {"too wide", 8193, 1, 0, 0, -1},
                {"x origin", 1, 1, 1, 0, -1},    {"y origin", 1, 1, 0, 1, -1}};
    for (const Row& r : rows) {
        TgaSpec t{
            .xOrigin = r.x, .yOrigin = r.y, .width = r.width, .height = r.height, .pixelBits = 16};
        t.data = std::string(size_t(2 * r.width * r.height), '\x01');
        EXPECT_EQ(Run(LoadTgaImage, MakeTga(t)), r.result) << r.name;
    }
}

TEST_F(RawDecoderTest, DdsBlockFormatsAndMipLevels) {
    struct Row {
        const char* name;
        const char* fourCc;
        int side, levels;
        uint32_t caps;
        int bytes, code, bits;
    } rows[] = {
        {"DXT1 4x4", "DXT1", 4, 0, 0x1000, 8, 1, 4},
        {"DXT2", "DXT2", 4, 0, 0x1000, 16, 2, 8},
        {"DXT5", "DXT5", 4, 0, 0x1000, 16, 5, 8},
        // 8x8, 4x4 and 2x2 levels: 32 + 8 + 8 bytes.
        {"DXT1 3 levels", "DXT1", 8, 3, 0x401008, 48, 1, 4},
        // Without the caps the count is not taken.
        {"DXT1 levels without caps", "DXT1", 8, 3, 0x1000, 32, 1, 4},
    };
    for (const Row& r : rows) {
        DdsSpec d{.height = uint32_t(r.side),
                  .width = uint32_t(r.side),
                  .mipMapCount = uint32_t(r.levels),
                  .fourCc = r.fourCc,
                  .caps = r.caps};
        if (r.levels) d.flags |= 0x20000;
        d.data = std::string(size_t(r.bytes), '\x42') + "trailing";
        int64_t end = 0;
        ASSERT_EQ(Run(LoadDdsImage, MakeDds(d), &end), 0) << r.name;
        EXPECT_EQ(end, 128 + r.bytes) << r.name;
        EXPECT_EQ(im.colorFormat.formatCode, r.code) << r.name;
        EXPECT_EQ(im.colorFormat.bitsPerPixel, r.bits) << r.name;
        EXPECT_EQ(im.pitch, 0) << r.name;
        EXPECT_EQ(im.mipMapCount, r.caps == 0x401008 ? 3 : 0) << r.name;
    }
}

TEST_F(RawDecoderTest, DdsNumberedFormatsWithHeaderBitsOrZero) {
    // A few numbered formats with their masks worked out from their names.
    struct Row {
        const char* name;
        uint32_t number;
        int bits;
        uint32_t red, green, blue, alpha;
    } rows[] = {
        {"R8G8B8", 20, 24, 0xFF0000, 0xFF00, 0xFF, 0},
        {"A1R5G5B5", 25, 16, 0x7C00, 0x3E0, 0x1F, 0x8000},
        {"R3G3B2", 27, 8, 0xE0, 0x1C, 0x3, 0},
        {"A2R10G10B10", 35, 32, 0x3FF00000, 0xFFC00, 0x3FF, 0xC0000000},
    };
    for (const Row& r : rows) {
        for (uint32_t headerBits : {uint32_t(r.bits), 0u}) {
            DdsSpec d{.height = 2,
                      .width = 2,
                      .fourCc = "",
                      .fourCcNumber = r.number,
                      .bitCount = headerBits};
            const int bytes = r.bits / 8;
            d.data = std::string(size_t(bytes * 4), '\x01') + "trailing";
            int64_t end = 0;
            ASSERT_EQ(Run(LoadDdsImage, MakeDds(d), &end), 0) << r.name;
            EXPECT_EQ(end, 128 + bytes * 4) << r.name;
            EXPECT_EQ(im.pitch, bytes * 2) << r.name;
            const ColorFormat& f = im.colorFormat;
            EXPECT_EQ((std::vector<uint32_t>{uint32_t(f.bitsPerPixel), uint32_t(f.bytesPerPixel),
                                             f.redMask, f.greenMask, f.blueMask, f.alphaMask}),
                      (std::vector<uint32_t>{uint32_t(r.bits), uint32_t(bytes), r.red, r.green,
                                             r.blue, r.alpha}))
                << r.name;
        }
    }
    // The numbers apply only when the pixel-format flags are exactly FourCC.
    DdsSpec d{.pixelFlags = 0x5, .fourCc = "", .fourCcNumber = 21, .data = std::string(64, '\0')};
    EXPECT_EQ(Run(LoadDdsImage, MakeDds(d)), -1);
}

TEST_F(RawDecoderTest, DdsRgbMasks565AndHeaderPitch) {
    DdsSpec d{.flags = 0x100F,
              .height = 2,
              .width = 2,
              .pitch = 6,
              .pixelFlags = 0x40,
              .fourCc = "",
              .bitCount = 16,
              .masks = {0xF800, 0x7E0, 0x1F, 0}};
    // Two pixels and two spare bytes a line.
    d.data = Le16(0xF800) + Le16(0x07E0) + Le16(0) + Le16(0x001F) + Le16(0) + Le16(0);
    int64_t end = 0;
    ASSERT_EQ(Run(LoadDdsImage, MakeDds(d), &end), 0);
    EXPECT_EQ(end, 128 + 12);
    EXPECT_EQ(im.pitch, 6);
    EXPECT_EQ(im.colorFormat.greenWidth, 6);
    EXPECT_EQ(im.colorFormat.greenShift, 5);
    EXPECT_EQ(Rgb(0, 0), 0xF80000u);
    EXPECT_EQ(Rgb(1, 0), 0x00FC00u);
    EXPECT_EQ(Rgb(0, 1), 0x0000F8u);
}

TEST_F(RawDecoderTest, DdsMagicIsCheckedOnThreeBytes) {
    std::string bytes = MakeDds({.data = std::string(8, '\0')});
    bytes[3] = 'X';
    ASSERT_EQ(Run(LoadDdsImage, bytes), 0);
    bytes[2] = 'X';
    EXPECT_EQ(Run(LoadDdsImage, bytes), -1);
}

}  // namespace
