// PNG and JPEG decoding over pictures written by libpng and libjpeg.
#include <gtest/gtest.h>

#include "decoder_test_support.h"
#include "image/image_record.h"
#include "picture_corpus.h"
#include "test_knobs.h"

using namespace DuRud;
using namespace decodertest;

namespace {

class LibraryDecoderTest : public DecoderTest {};

TEST_F(LibraryDecoderTest, PngSixteenBitRgbKeepsHighBytesAsR8G8B8) {
    PngSpec s;
    s.width = 2;
    s.bitDepth = 16;
    s.rows = {std::string("\x12\x34\x56\x78\x9A\xBC\xFF\x00\x00\x01\x80\x80", 12)};
    BaseImage im;
    ASSERT_EQ(RunDecoder(LoadPngImage, EncodePng(s), &im), 0);
    EXPECT_EQ(im.colorFormat.bitsPerPixel, 24);
    EXPECT_EQ(im.colorFormat.alphaMask, 0u);
    EXPECT_EQ(im.pitch, 6);
    EXPECT_EQ(GetBaseImagePixelArgb(&im, 0, 0) & 0xFFFFFF, 0x12569Au);
    EXPECT_EQ(GetBaseImagePixelArgb(&im, 1, 0) & 0xFFFFFF, 0xFF0080u);
    FreeBaseImagePixels(&im);
}

TEST_F(LibraryDecoderTest, PngPaletteWithTransparencyBecomesA8R8G8B8) {
    PngSpec s;
    s.width = 2;
    s.colorType = 3;
    s.palette = {0x102030, 0x405060};
    s.transparency = {0x80};
    s.rows = {std::string("\x00\x01", 2)};
    BaseImage im;
    ASSERT_EQ(RunDecoder(LoadPngImage, EncodePng(s), &im), 0);
    EXPECT_EQ(im.colorFormat.bitsPerPixel, 32);
    EXPECT_EQ(im.colorFormat.alphaMask, 0xFF000000u);
    EXPECT_EQ(GetBaseImagePixelArgb(&im, 0, 0), 0x80102030u);
    EXPECT_EQ(GetBaseImagePixelArgb(&im, 1, 0), 0xFF405060u);
    FreeBaseImagePixels(&im);
}

TEST_F(LibraryDecoderTest, PngPaletteWithoutTransparencyIsPal8ZeroedPastItsCount) {
    PngSpec s;
    s.width = 3;
    s.colorType = 3;
    s.bitDepth = 4;
    s.palette = {0x102030, 0x405060, 0x708090};
    s.rows = {std::string("\x21\x00", 2)};  // 2 1 0
    BaseImage im;
    ASSERT_EQ(RunDecoder(LoadPngImage, EncodePng(s), &im), 0);
    EXPECT_EQ(im.colorFormat.bytesPerPixel, 1);
    EXPECT_EQ(im.pitch, 3);
    EXPECT_EQ(LineBytes(im, 0, 3), std::string("\x02\x01\x00", 3));
    EXPECT_EQ(PaletteEntryValue(im.colorFormat.palette[2]), 0x00708090u);
    EXPECT_EQ(PaletteEntryValue(im.colorFormat.palette[3]), 0u);
    EXPECT_EQ(PaletteEntryValue(im.colorFormat.palette[255]), 0u);
    FreeBaseImagePixels(&im);
}

TEST_F(LibraryDecoderTest, PngOneBitGreyBecomesZeroOr255Grey) {
    PngSpec s;
    s.width = 4;
    s.colorType = 0;
    s.bitDepth = 1;
    s.rows = {std::string("\xA0", 1)};  // 1 0 1 0
    BaseImage im;
    ASSERT_EQ(RunDecoder(LoadPngImage, EncodePng(s), &im), 0);
    EXPECT_EQ(im.colorFormat.bytesPerPixel, 1);
    EXPECT_EQ(im.colorFormat.bitsPerPixel, 8);
    EXPECT_EQ(PaletteEntryValue(im.colorFormat.palette[255]) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(LineBytes(im, 0, 4), std::string("\xFF\x00\xFF\x00", 4));
    FreeBaseImagePixels(&im);
}

TEST_F(LibraryDecoderTest, PngGreyWithAlphaKeepsAlphaInTheHighByte) {
    PngSpec s;
    s.width = 2;
    s.colorType = 4;
    s.rows = {std::string("\x40\x80\xC0\xFF", 4)};
    BaseImage im;
    ASSERT_EQ(RunDecoder(LoadPngImage, EncodePng(s), &im), 0);
    EXPECT_EQ(im.colorFormat.bitsPerPixel, 16);
    EXPECT_EQ(im.colorFormat.alphaMask, 0xFF00u);
    EXPECT_EQ(im.colorFormat.redMask, 0xFFu);
    EXPECT_EQ(im.pitch, 4);
    EXPECT_EQ(GetBaseImagePixelArgb(&im, 0, 0), 0x80404040u);
    EXPECT_EQ(GetBaseImagePixelArgb(&im, 1, 0), 0xFFC0C0C0u);
    FreeBaseImagePixels(&im);
}

TEST_F(LibraryDecoderTest, PngRgbaIsStoredBlueGreenRedAlpha) {
    PngSpec s;
    s.colorType = 6;
    s.rows = {std::string("\x11\x22\x33\x44", 4)};
    BaseImage im;
    ASSERT_EQ(RunDecoder(LoadPngImage, EncodePng(s), &im), 0);
    EXPECT_EQ(LineBytes(im, 0, 4), "\x33\x22\x11\x44");
    EXPECT_EQ(GetBaseImagePixelArgb(&im, 0, 0), 0x44112233u);
    FreeBaseImagePixels(&im);
}

TEST_F(LibraryDecoderTest, PngInterlacedEqualsPlain) {
    PngSpec s;
    s.width = 9;
    s.height = 7;
    for (int y = 0; y < s.height; ++y) {
        std::string row;
        for (int x = 0; x < s.width * 3; ++x) row += char(x * 13 + y * 29);
        s.rows.push_back(row);
    }
    BaseImage plain, interlaced;
    ASSERT_EQ(RunDecoder(LoadPngImage, EncodePng(s), &plain), 0);
    s.interlaced = true;
    ASSERT_EQ(RunDecoder(LoadPngImage, EncodePng(s), &interlaced), 0);
    ASSERT_EQ(plain.pitch, 27);
    ASSERT_EQ(interlaced.pitch, 27);
    for (int y = 0; y < 7; ++y) EXPECT_EQ(LineBytes(interlaced, y, 27), LineBytes(plain, y, 27));
    EXPECT_EQ(Line(plain, 1)[2], uint8_t(29));  // red of (0, 1) in the third byte
    FreeBaseImagePixels(&plain);
    FreeBaseImagePixels(&interlaced);
}

std::string Gradient(int width, int height, int components) {
    std::string p;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            for (int c = 0; c < components; ++c) p += char((x * 40 + y * 25 + c * 70) & 0xFF);
        }
    }
    return p;
}

TEST_F(LibraryDecoderTest, JpegWidth3HasPitch9InBlueGreenRedEqualToTheLibrarysDecode) {
    std::string jpeg = EncodeJpeg(3, 5, 3, Gradient(3, 5, 3));
    int w = 0, h = 0, c = 0;
    std::string reference = DecodeJpegReference(jpeg, &w, &h, &c);
    ASSERT_EQ(c, 3);
    BaseImage im;
    ASSERT_EQ(RunDecoder(LoadJpegImage, jpeg, &im), 0);
    EXPECT_EQ(im.width, 3);
    EXPECT_EQ(im.height, 5);
    EXPECT_EQ(im.pitch, 9);
    EXPECT_EQ(im.colorFormat.bitsPerPixel, 24);
    for (int y = 0; y < 5; ++y) {
        for (int x = 0; x < 3; ++x) {
            const uint8_t* px = Line(im, y) + x * 3;
            const char* ref = reference.data() + (y * 3 + x) * 3;
            EXPECT_EQ(px[0], uint8_t(ref[2]));
            EXPECT_EQ(px[1], uint8_t(ref[1]));
            EXPECT_EQ(px[2], uint8_t(ref[0]));
        }
    }
    FreeBaseImagePixels(&im);
}

TEST_F(LibraryDecoderTest, JpegGreyIsGray8) {
    std::string jpeg = EncodeJpeg(5, 2, 1, Gradient(5, 2, 1));
    int w = 0, h = 0, c = 0;
    std::string reference = DecodeJpegReference(jpeg, &w, &h, &c);
    BaseImage im;
    ASSERT_EQ(RunDecoder(LoadJpegImage, jpeg, &im), 0);
    EXPECT_EQ(im.colorFormat.bytesPerPixel, 1);
    EXPECT_EQ(im.pitch, 5);
    EXPECT_EQ(PaletteEntryValue(im.colorFormat.palette[77]) & 0xFFFFFF, 0x4D4D4Du);
    EXPECT_EQ(LineBytes(im, 0, 5) + LineBytes(im, 1, 5), reference);
    FreeBaseImagePixels(&im);
}

TEST_F(LibraryDecoderTest, JpegCutAfterSomeLinesKeepsItsTopRows) {
    std::string jpeg = EncodeJpeg(32, 256, 3, Gradient(32, 256, 3));
    int w = 0, h = 0, c = 0;
    std::string reference = DecodeJpegReference(jpeg, &w, &h, &c);
    KnobCaptureDebugOutput(true);
    BaseImage im;
    ASSERT_EQ(RunDecoder(LoadJpegImage, jpeg.substr(0, jpeg.size() * 2 / 3), &im), 0);
    EXPECT_FALSE(KnobDebugOutput().empty());  // the premature-end warning
    KnobCaptureDebugOutput(false);
    ASSERT_EQ(im.height, 256);
    // Well over a quarter of the scan data is there: the top 64 lines match.
    int mismatches = 0;
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 32; ++x) {
            const uint8_t* px = Line(im, y) + x * 3;
            const char* ref = reference.data() + (y * 32 + x) * 3;
            mismatches +=
                px[2] != uint8_t(ref[0]) || px[1] != uint8_t(ref[1]) || px[0] != uint8_t(ref[2]);
        }
    }
    EXPECT_EQ(mismatches, 0);
    // The last line was never in the cut file.
    std::string lastReference;
    for (int x = 0; x < 32; ++x) {
        const char* ref = reference.data() + (255 * 32 + x) * 3;
        lastReference += std::string{ref[2], ref[1], ref[0]};
    }
    EXPECT_NE(LineBytes(im, 255, 96), lastReference);
    FreeBaseImagePixels(&im);
}

TEST_F(LibraryDecoderTest, JpegEmptyAndFourComponentFilesAreRefused) {
    BaseImage im;
    EXPECT_EQ(RunDecoder(LoadJpegImage, std::string(), &im), -1);
    std::string cmyk = EncodeJpeg(4, 4, 4, Gradient(4, 4, 4));
    int w = 0, h = 0, c = 0;
    ASSERT_FALSE(DecodeJpegReference(cmyk, &w, &h, &c).empty());
    ASSERT_EQ(c, 4);
    EXPECT_EQ(RunDecoder(LoadJpegImage, cmyk, &im), -1);
}

TEST_F(LibraryDecoderTest, LibraryMessagesGoToTheDebuggerOutput) {
    KnobCaptureDebugOutput(true);
    BaseImage im;
    EXPECT_EQ(
        RunDecoder(LoadJpegImage,
                   EncodePng(PngSpec{1, 1, 0, 8, false, {std::string(1, '\0')}, {}, {}}), &im),
        -1);
    EXPECT_EQ(
        RunDecoder(
            LoadPngImage,
            EncodePng(PngSpec{1, 1, 0, 8, false, {std::string(1, '\0')}, {}, {}}).substr(0, 40),
            &im),
        -1);
    std::string out = KnobDebugOutput();
    KnobCaptureDebugOutput(false);
    EXPECT_NE(out.find("JPEG"), std::string::npos) << out;
    EXPECT_NE(out.find("Read Error"), std::string::npos) << out;
}

}  // namespace
