// Bitmap decoding: every bit count, both line orders, run-length forms and
// the colour table rules. Expected pixels are written out by hand.
#include <gtest/gtest.h>

#include "decoder_test_support.h"
#include "image/image_record.h"
#include "picture_corpus.h"

using namespace DuRud;
using namespace decodertest;

namespace {

class BmpDecoderTest : public DecoderTest {};

std::vector<uint32_t> GreyRamp(int n) {
    std::vector<uint32_t> c;
    for (int i = 0; i < n; ++i) c.push_back(uint32_t(i * 0x111111 & 0xFFFFFF));
    return c;
}

TEST_F(BmpDecoderTest, BottomUp24BitWidth3HasPitch12AndFirstStoredLineLast) {
    BmpSpec s;
    s.width = 3;
    s.height = 2;
    // Stored first (bottom line): 1..9 then pad; then the top line.
    s.data = std::string("\1\2\3\4\5\6\7\x08\x09\0\0\0", 12) +
             std::string("\x11\x12\x13\x14\x15\x16\x17\x18\x19\0\0\0", 12);
    BaseImage im;
    ASSERT_EQ(RunDecoder(LoadBmpImage, MakeBmp(s), &im), 0);
    EXPECT_EQ(im.width, 3);
    EXPECT_EQ(im.height, 2);
    EXPECT_EQ(im.pitch, 12);
    EXPECT_EQ(im.colorFormat.bitsPerPixel, 24);
    EXPECT_EQ(LineBytes(im, 0, 9), "\x11\x12\x13\x14\x15\x16\x17\x18\x19");
    EXPECT_EQ(LineBytes(im, 1, 9), "\1\2\3\4\5\6\7\x08\x09");
    FreeBaseImagePixels(&im);
}

TEST_F(BmpDecoderTest, TopDown32BitKeepsOrderAsA8R8G8B8) {
    BmpSpec s;
    s.width = 1;
    s.height = -2;
    s.bits = 32;
    s.data = std::string("\x01\x02\x03\x04\x05\x06\x07\x08", 8);
    BaseImage im;
    ASSERT_EQ(RunDecoder(LoadBmpImage, MakeBmp(s), &im), 0);
    EXPECT_EQ(im.height, 2);
    EXPECT_EQ(im.pitch, 4);
    EXPECT_EQ(im.colorFormat.alphaMask, 0xFF000000u);
    EXPECT_EQ(GetBaseImagePixelArgb(&im, 0, 0), 0x04030201u);
    EXPECT_EQ(GetBaseImagePixelArgb(&im, 0, 1), 0x08070605u);
    FreeBaseImagePixels(&im);
}

TEST_F(BmpDecoderTest, MissingPadOfTheLastLineReadsAsZero) {
    BmpSpec s;
    s.width = 1;
    s.height = 2;
    s.data = std::string("\1\2\3\0\4\5\6", 7);  // the last line's pad byte is absent
    BaseImage im;
    ASSERT_EQ(RunDecoder(LoadBmpImage, MakeBmp(s), &im), 0);
    EXPECT_EQ(LineBytes(im, 0, 4), std::string("\4\5\6\0", 4));
    EXPECT_EQ(LineBytes(im, 1, 3), "\1\2\3");
    FreeBaseImagePixels(&im);
}

TEST_F(BmpDecoderTest, EightBitTableIsReadAfterA124ByteHeaderAndLimitedToItsCount) {
    BmpSpec s;
    s.headerSize = 124;
    s.width = 4;
    s.height = 1;
    s.bits = 8;
    s.colorsUsed = 16;
    s.colors = GreyRamp(16);
    s.colors[3] = 0xAA5511;
    s.data = std::string("\x03\x0F\x00\x01", 4);
    BaseImage im;
    ASSERT_EQ(RunDecoder(LoadBmpImage, MakeBmp(s), &im), 0);
    EXPECT_EQ(im.colorFormat.bytesPerPixel, 1);
    EXPECT_EQ(PaletteEntryValue(im.colorFormat.palette[3]), 0x00AA5511u);  // reserved byte 0
    EXPECT_EQ(PaletteEntryValue(im.colorFormat.palette[15]), 0x00FFFFFFu);
    EXPECT_EQ(PaletteEntryValue(im.colorFormat.palette[16]), 0u);
    EXPECT_EQ(LineBytes(im, 0, 4), std::string("\x03\x0F\x00\x01", 4));
    FreeBaseImagePixels(&im);
}

TEST_F(BmpDecoderTest, FourBitNibblesBecomeBytesTopDown) {
    BmpSpec s;
    s.width = 3;
    s.height = 2;
    s.bits = 4;
    s.colors = GreyRamp(16);
    s.data = std::string("\x12\x30\0\0\x45\x60\0\0", 8);  // bottom line first
    BaseImage im;
    ASSERT_EQ(RunDecoder(LoadBmpImage, MakeBmp(s), &im), 0);
    EXPECT_EQ(im.pitch, 4);
    EXPECT_EQ(LineBytes(im, 0, 3), "\x04\x05\x06");
    EXPECT_EQ(LineBytes(im, 1, 3), "\x01\x02\x03");
    FreeBaseImagePixels(&im);
}

TEST_F(BmpDecoderTest, OneBitIsDrawnInto24BitWithItsTwoColours) {
    BmpSpec s;
    s.width = 3;
    s.height = 1;
    s.bits = 1;
    s.colors = {0x102030, 0xA0B0C0};
    s.data = std::string("\xA0\0\0\0", 4);  // 1 0 1
    BaseImage im;
    ASSERT_EQ(RunDecoder(LoadBmpImage, MakeBmp(s), &im), 0);
    EXPECT_EQ(im.colorFormat.bitsPerPixel, 24);
    EXPECT_EQ(im.pitch, 12);
    EXPECT_EQ(LineBytes(im, 0, 9), "\xC0\xB0\xA0\x30\x20\x10\xC0\xB0\xA0");
    FreeBaseImagePixels(&im);
}

TEST_F(BmpDecoderTest, SixteenBitDefaultIs555AndBitFields565) {
    BmpSpec s;
    s.width = 2;
    s.height = 1;
    s.bits = 16;
    s.data = Le16(0x7C00) + Le16(0x001F);  // red, blue in 5:5:5
    BaseImage im;
    ASSERT_EQ(RunDecoder(LoadBmpImage, MakeBmp(s), &im), 0);
    EXPECT_EQ(GetBaseImagePixelArgb(&im, 0, 0) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(GetBaseImagePixelArgb(&im, 1, 0) & 0xFFFFFF, 0x0000FFu);
    FreeBaseImagePixels(&im);

    s.compression = 3;
    s.masks = {0xF800, 0x07E0, 0x001F};
    s.data = Le16(0x07E0) + Le16(0xF800);  // green, red in 5:6:5
    ASSERT_EQ(RunDecoder(LoadBmpImage, MakeBmp(s), &im), 0);
    EXPECT_EQ(GetBaseImagePixelArgb(&im, 0, 0) & 0xFFFFFF, 0x00FF00u);
    EXPECT_EQ(GetBaseImagePixelArgb(&im, 1, 0) & 0xFFFFFF, 0xFF0000u);
    FreeBaseImagePixels(&im);
}

TEST_F(BmpDecoderTest, Rle8RunsDeltasOddAbsoluteRunsAndLineEnds) {
    BmpSpec s;
    s.width = 5;
    s.height = 3;  // bottom-up: the first coded line is the last output line
    s.bits = 8;
    s.compression = 1;
    s.colorsUsed = 16;
    s.colors = GreyRamp(16);
    s.data = std::string("\x02\x07", 2)                    // 7 7
             + std::string("\x00\x03\x01\x02\x03\x00", 6)  // absolute 1 2 3 + pad
             + std::string("\x00\x00", 2)                  // next line
             + std::string("\x00\x02\x02\x01", 4)          // right 2, down 1
             + std::string("\x01\x09", 2)                  // 9 at x 2 of the third coded line
             + std::string("\x00\x01", 2);
    BaseImage im;
    ASSERT_EQ(RunDecoder(LoadBmpImage, MakeBmp(s), &im), 0);
    EXPECT_EQ(im.pitch, 8);
    EXPECT_EQ(LineBytes(im, 2, 5), "\x07\x07\x01\x02\x03");
    EXPECT_EQ(LineBytes(im, 1, 5), std::string(5, '\0'));
    EXPECT_EQ(LineBytes(im, 0, 5), std::string("\0\0\x09\0\0", 5));
    FreeBaseImagePixels(&im);
}

TEST_F(BmpDecoderTest, Rle4AlternatesNibblesAndPadsOddAbsoluteRuns) {
    BmpSpec s;
    s.width = 6;
    s.height = -2;  // top-down
    s.bits = 4;
    s.compression = 2;
    s.colors = GreyRamp(16);
    s.data = std::string("\x03\x12", 2)            // 1 2 1
             + std::string("\x00\x03\x45\x60", 4)  // absolute 4 5 6 (two bytes: aligned)
             + std::string("\x00\x00", 2) +
             std::string("\x00\x05\xAB\xCD\xE0\x00", 6)  // absolute A B C D E, 3 bytes + pad
             + std::string("\x00\x01", 2);
    BaseImage im;
    ASSERT_EQ(RunDecoder(LoadBmpImage, MakeBmp(s), &im), 0);
    EXPECT_EQ(im.pitch, 8);
    EXPECT_EQ(im.colorFormat.bytesPerPixel, 1);
    EXPECT_EQ(LineBytes(im, 0, 6), "\x01\x02\x01\x04\x05\x06");
    EXPECT_EQ(LineBytes(im, 1, 6), std::string("\x0A\x0B\x0C\x0D\x0E\0", 6));
    EXPECT_EQ(PaletteEntryValue(im.colorFormat.palette[15]), 0x00FFFFFFu);
    FreeBaseImagePixels(&im);
}

TEST_F(BmpDecoderTest, RunLengthLinesReachingThePaddingDropThePixelsPastTheWidth) {
    struct Row {
        const char* name;
        int bits;
        int32_t width;
        bool topDown;
    };
    for (const Row& r :
         {Row{"rle8 w1 bottom-up", 8, 1, false}, Row{"rle8 w3 top-down", 8, 3, true},
          Row{"rle8 w37 bottom-up", 8, 37, false}, Row{"rle8 w40 top-down", 8, 40, true},
          Row{"rle4 w1 top-down", 4, 1, true}, Row{"rle4 w3 bottom-up", 4, 3, false},
          Row{"rle4 w37 top-down", 4, 37, true}, Row{"rle4 w40 bottom-up", 4, 40, false}}) {
        SCOPED_TRACE(r.name);
        BaseImage im;
        ASSERT_EQ(RunDecoder(LoadBmpImage, MakeBmp(PaddedRleBmp(r.bits, r.width, r.topDown)), &im),
                  0);
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
        FreeBaseImagePixels(&im);
    }
}

TEST_F(BmpDecoderTest, FourBitTableWithoutCountReadsSixteenAndZeroesTheRest) {
    BmpSpec s;
    s.width = 1;
    s.height = 1;
    s.bits = 4;
    s.colors = GreyRamp(16);
    s.data = std::string("\xF0\0\0\0", 4);
    BaseImage im;
    ASSERT_EQ(RunDecoder(LoadBmpImage, MakeBmp(s), &im), 0);
    EXPECT_EQ(Line(im, 0)[0], 15);
    EXPECT_EQ(PaletteEntryValue(im.colorFormat.palette[15]), 0x00FFFFFFu);
    EXPECT_EQ(PaletteEntryValue(im.colorFormat.palette[200]), 0u);
    FreeBaseImagePixels(&im);
}

}  // namespace
