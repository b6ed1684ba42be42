// Bitmap decoding: every bit count, both line orders, run-length forms and
// the colour table rules. Expected pixels are written out by hand.
#include <gtest/gtest.h>

#include "decoder_test_support.h"
#include "picture_corpus.h"

using namespace DuRud;
using namespace decodertest;

namespace {

class BmpDecoderTest : public DecoderTest {
  protected:
    uint32_t Palette(int i) { return PaletteEntryValue(im.colorFormat.palette[i]); }
};

std::vector<uint32_t> GreyRamp(int n) {
    std::vector<uint32_t> c;
    for (int i = 0; i < n; ++i) c.push_back(uint32_t(i * 0x111111 & 0xFFFFFF));
    return c;
}

// Uncompressed layouts: the decoded lines, top first, side by side.
TEST_F(BmpDecoderTest, LineOrdersDepthsAndPads) {
    struct Row {
        const char* name;
        BmpSpec spec;
        int pitch, bits;
        std::string top, next;
    } rows[] = {
        // Stored bottom line first, each padded to 12.
        {"24-bit bottom-up width 3",
         {.width = 3,
          .height = 2,
          .data = std::string(
              "\1\2\3\4\5\6\7\x08\x09\0\0\0\x11\x12\x13\x14\x15\x16\x17\x18\x19\0\0\0", 24)},
         12,
         24,
         "\x11\x12\x13\x14\x15\x16\x17\x18\x19",
         "\1\2\3\4\5\6\7\x08\x09"},
        {"32-bit top-down",
         {.width = 1, .height = -2, .bits = 32, .data = "\x01\x02\x03\x04\x05\x06\x07\x08"},
         4,
         32,
         "\x01\x02\x03\x04",
         "\x05\x06\x07\x08"},
        // The last line's pad byte is absent: it reads as zero.
        {"missing last pad",
         {.width = 1, .height = 2, .data = std::string("\1\2\3\0\4\5\6", 7)},
         4,
         24,
         std::string("\4\5\6\0", 4),
         "\1\2\3"},
        {"4-bit nibbles to bytes",
         {.width = 3,
          .height = 2,
          .bits = 4,
          .colors = GreyRamp(16),
          .data = std::string("\x12\x30\0\0\x45\x60\0\0", 8)},
         4,
         8,
         "\x04\x05\x06",
         "\x01\x02\x03"},
        // One bit is drawn into 24 bits with its two colours: 1 0 1.
        {"1-bit to 24",
         {.width = 3,
          .height = 1,
          .bits = 1,
          .colors = {0x102030, 0xA0B0C0},
          .data = std::string("\xA0\0\0\0", 4)},
         12,
         24,
         "\xC0\xB0\xA0\x30\x20\x10\xC0\xB0\xA0",
         ""},
    };
    for (const Row& r : rows) {
        ASSERT_EQ(Run(LoadBmpImage, MakeBmp(r.spec)), 0) << r.name;
        EXPECT_EQ(im.width, r.spec.width) << r.name;
        EXPECT_EQ(im.height, std::abs(r.spec.height)) << r.name;
        EXPECT_EQ(im.pitch, r.pitch) << r.name;
        EXPECT_EQ(im.colorFormat.bitsPerPixel, r.bits) << r.name;
        EXPECT_EQ(LineBytes(im, 0, int(r.top.size())), r.top) << r.name;
        if (!r.next.empty()) {
            EXPECT_EQ(LineBytes(im, 1, int(r.next.size())), r.next) << r.name;
        }
    }
    EXPECT_EQ(im.colorFormat.alphaMask, 0u);
    ASSERT_EQ(Run(LoadBmpImage, MakeBmp(rows[1].spec)), 0);
    EXPECT_EQ(im.colorFormat.alphaMask, 0xFF000000u) << "32 bits read as A8R8G8B8";
    EXPECT_EQ(GetBaseImagePixelArgb(&im, 0, 1), 0x08070605u);
}

TEST_F(BmpDecoderTest, ColourTables) {
    // After a 124-byte header, limited to its count.
    BmpSpec s{.headerSize = 124, .width = 4, .bits = 8, .colorsUsed = 16, .colors = GreyRamp(16)};
    s.colors[3] = 0xAA5511;
    s.data = std::string("\x03\x0F\x00\x01", 4);
    ASSERT_EQ(Run(LoadBmpImage, MakeBmp(s)), 0);
    EXPECT_EQ(im.colorFormat.bytesPerPixel, 1);
    EXPECT_EQ(Palette(3), 0x00AA5511u);  // reserved byte 0
    EXPECT_EQ(Palette(15), 0x00FFFFFFu);
    EXPECT_EQ(Palette(16), 0u);
    EXPECT_EQ(LineBytes(im, 0, 4), s.data);
    // Four bits without a count read sixteen and zero the rest.
    ASSERT_EQ(
        Run(LoadBmpImage,
            MakeBmp({.bits = 4, .colors = GreyRamp(16), .data = std::string("\xF0\0\0\0", 4)})),
        0);
    EXPECT_EQ(Line(im, 0)[0], 15);
    EXPECT_EQ(Palette(15), 0x00FFFFFFu);
    EXPECT_EQ(Palette(200), 0u);
}

TEST_F(BmpDecoderTest, SixteenBitDefaultIs555AndBitFields565) {
    BmpSpec s{.width = 2, .bits = 16, .data = Le16(0x7C00) + Le16(0x001F)};  // red, blue
    ASSERT_EQ(Run(LoadBmpImage, MakeBmp(s)), 0);
    EXPECT_EQ(Rgb(0, 0), 0xFF0000u);
    EXPECT_EQ(Rgb(1, 0), 0x0000FFu);
    s.compression = 3;
    s.masks = {0xF800, 0x07E0, 0x001F};
    s.data = Le16(0x07E0) + Le16(0xF800);  // green, red
    ASSERT_EQ(Run(LoadBmpImage, MakeBmp(s)), 0);
    EXPECT_EQ(Rgb(0, 0), 0x00FF00u);
    EXPECT_EQ(Rgb(1, 0), 0xFF0000u);
}

TEST_F(BmpDecoderTest, Rle8RunsDeltasOddAbsoluteRunsAndLineEnds) {
    // Bottom-up: the first coded line is the last output line.
    BmpSpec s{.width = 5,
              .height = 3,
              .bits = 8,
              .compression = 1,
              .colorsUsed = 16,
              .colors = GreyRamp(16)};
    s.data = std::string(
        "\x02\x07"                  // 7 7
        "\x00\x03\x01\x02\x03\x00"  // absolute 1 2 3 + pad
        "\x00\x00"                  // next line
        "\x00\x02\x02\x01"          // right 2, down 1
        "\x01\x09"                  // 9 at x 2 of the third coded line
        "\x00\x01",
        18);
    ASSERT_EQ(Run(LoadBmpImage, MakeBmp(s)), 0);
    EXPECT_EQ(im.pitch, 8);
    EXPECT_EQ(LineBytes(im, 2, 5), "\x07\x07\x01\x02\x03");
    EXPECT_EQ(LineBytes(im, 1, 5), std::string(5, '\0'));
    EXPECT_EQ(LineBytes(im, 0, 5), std::string("\0\0\x09\0\0", 5));
}

TEST_F(BmpDecoderTest, Rle4AlternatesNibblesAndPadsOddAbsoluteRuns) {
    BmpSpec s{.width = 6, .height = -2, .bits = 4, .compression = 2, .colors = GreyRamp(16)};
    s.data = std::string(
        "\x03\x12"                  // 1 2 1
        "\x00\x03\x45\x60"          // absolute 4 5 6 (two bytes: aligned)
        "\x00\x00"                  // next line
        "\x00\x05\xAB\xCD\xE0\x00"  // absolute A B C D E, 3 bytes + pad
        "\x00\x01",
        16);
    ASSERT_EQ(Run(LoadBmpImage, MakeBmp(s)), 0);
    EXPECT_EQ(im.pitch, 8);
    EXPECT_EQ(im.colorFormat.bytesPerPixel, 1);
    EXPECT_EQ(LineBytes(im, 0, 6), "\x01\x02\x01\x04\x05\x06");
    EXPECT_EQ(LineBytes(im, 1, 6), std::string("\x0A\x0B\x0C\x0D\x0E\0", 6));
    EXPECT_EQ(Palette(15), 0x00FFFFFFu);
}

TEST_F(BmpDecoderTest, RunLengthLinesReachingThePaddingDropThePixelsPastTheWidth) {
    struct Row {
        const char* name;
        int bits;
        int32_t width;
        bool topDown;
    } rows[] = {{"rle8 w1 bottom-up", 8, 1, false},   {"rle8 w3 top-down", 8, 3, true},
                {"rle8 w37 bottom-up", 8, 37, false}, {"rle8 w40 top-down", 8, 40, true},
                {"rle4 w1 top-down", 4, 1, true},     {"rle4 w3 bottom-up", 4, 3, false},
                {"rle4 w37 top-down", 4, 37, true},   {"rle4 w40 bottom-up", 4, 40, false}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        ASSERT_EQ(Run(LoadBmpImage, MakeBmp(PaddedRleBmp(r.bits, r.width, r.topDown))), 0);
        EXPECT_EQ(im.width, r.width);
        EXPECT_EQ(im.pitch, (r.width + 3) & ~3);
        // Coded lines 0, 1, 2 are output lines 0, 1, 2 top-down, 2, 1, 0 bottom-up.
        int runs = r.topDown ? 0 : 2, ramp = 1, empty = r.topDown ? 2 : 0;
        std::string ramp16;
        for (int x = 0; x < im.pitch; ++x) ramp16 += char(x < r.width ? x % 16 : 0);
        EXPECT_EQ(LineBytes(im, runs, im.pitch), std::string(size_t(r.width), '\5') +
                                                     std::string(size_t(im.pitch - r.width), '\0'));
        EXPECT_EQ(LineBytes(im, ramp, im.pitch), ramp16);
        EXPECT_EQ(LineBytes(im, empty, im.pitch), std::string(size_t(im.pitch), '\0'));
    }
}

}  // namespace
