// PNG and JPEG decoding over pictures written by libpng and libjpeg.
#include <gtest/gtest.h>

#include "decoder_test_support.h"
#include "picture_corpus.h"
#include "test_knobs.h"

using namespace DuRud;
using namespace decodertest;

namespace {

class LibraryDecoderTest : public DecoderTest {};

// Each PNG kind: the record's layout and its first pixels, worked out by hand.
TEST_F(LibraryDecoderTest, PngKinds) {
    struct Row {
        const char* name;
        PngSpec spec;
        int bits, pitch;
        uint32_t alphaMask;
        std::string line;  // the stored bytes of line 0
    } rows[] = {
        // Sixteen bits a channel keep the high bytes, as R8G8B8 (blue first).
        {"16-bit RGB",
         {.width = 2,
          .bitDepth = 16,
          .rows = {std::string("\x12\x34\x56\x78\x9A\xBC\xFF\x00\x00\x01\x80\x80", 12)}},
         24,
         6,
         0,
         std::string("\x9A\x56\x12\x80\x00\xFF", 6)},
        // A palette with transparency becomes A8R8G8B8 (absent alpha is opaque).
        {"palette + tRNS",
         {.width = 2,
          .colorType = 3,
          .rows = {std::string("\x00\x01", 2)},
          .palette = {0x102030, 0x405060},
          .transparency = {0x80}},
         32,
         8,
         0xFF000000u,
         "\x30\x20\x10\x80\x60\x50\x40\xFF"},
        // Without transparency it stays indexed: 2 1 0.
        {"4-bit palette",
         {.width = 3,
          .colorType = 3,
          .bitDepth = 4,
          .rows = {std::string("\x21\x00", 2)},
          .palette = {0x102030, 0x405060, 0x708090}},
         8,
         3,
         0,
         std::string("\x02\x01\x00", 3)},
        // One-bit grey widens to 0 or 255: 1 0 1 0.
        {"1-bit grey",
         {.width = 4, .colorType = 0, .bitDepth = 1, .rows = {"\xA0"}},
         8,
         4,
         0,
         std::string("\xFF\x00\xFF\x00", 4)},
        {"grey + alpha",
         {.width = 2, .colorType = 4, .rows = {"\x40\x80\xC0\xFF"}},
         16,
         4,
         0xFF00u,
         "\x40\x80\xC0\xFF"},
        {"RGBA",
         {.colorType = 6, .rows = {"\x11\x22\x33\x44"}},
         32,
         4,
         0xFF000000u,
         "\x33\x22\x11\x44"},
    };
    for (const Row& r : rows) {
        ASSERT_EQ(Run(LoadPngImage, EncodePng(r.spec)), 0) << r.name;
        EXPECT_EQ(im.colorFormat.bitsPerPixel, r.bits) << r.name;
        EXPECT_EQ(im.pitch, r.pitch) << r.name;
        EXPECT_EQ(im.colorFormat.alphaMask, r.alphaMask) << r.name;
        EXPECT_EQ(LineBytes(im, 0, int(r.line.size())), r.line) << r.name;
    }
    // The last row's pixel read back through its masks; grey + alpha likewise.
    EXPECT_EQ(GetBaseImagePixelArgb(&im, 0, 0), 0x44112233u);
    ASSERT_EQ(Run(LoadPngImage, EncodePng(rows[4].spec)), 0);
    EXPECT_EQ(im.colorFormat.redMask, 0xFFu);
    EXPECT_EQ(GetBaseImagePixelArgb(&im, 1, 0), 0xFFC0C0C0u);
    // Palettes are zeroed past their count; one-bit grey's 255 is white.
    ASSERT_EQ(Run(LoadPngImage, EncodePng(rows[2].spec)), 0);
    EXPECT_EQ(PaletteEntryValue(im.colorFormat.palette[2]), 0x00708090u);
    EXPECT_EQ(PaletteEntryValue(im.colorFormat.palette[3]), 0u);
    EXPECT_EQ(PaletteEntryValue(im.colorFormat.palette[255]), 0u);
    ASSERT_EQ(Run(LoadPngImage, EncodePng(rows[3].spec)), 0);
    EXPECT_EQ(PaletteEntryValue(im.colorFormat.palette[255]) & 0xFFFFFF, 0xFFFFFFu);
}

TEST_F(LibraryDecoderTest, PngInterlacedEqualsPlain) {
    PngSpec s{.width = 9, .height = 7};
    for (int y = 0; y < s.height; ++y) {
        std::string row;
        for (int x = 0; x < s.width * 3; ++x) row += char(x * 13 + y * 29);
        s.rows.push_back(row);
    }
    ASSERT_EQ(Run(LoadPngImage, EncodePng(s)), 0);
    ASSERT_EQ(im.pitch, 27);
    EXPECT_EQ(Line(im, 1)[2], uint8_t(29));  // red of (0, 1) in the third byte
    std::string plain;
    for (int y = 0; y < 7; ++y) plain += LineBytes(im, y, 27);
    s.interlaced = true;
    ASSERT_EQ(Run(LoadPngImage, EncodePng(s)), 0);
    std::string interlaced;
    for (int y = 0; y < 7; ++y) interlaced += LineBytes(im, y, 27);
    EXPECT_EQ(interlaced, plain);
}

std::string Gradient(int width, int height, int components) {
    std::string p;
    for (int i = 0; i < width * height * components; ++i) {
        int x = i / components % width, y = i / components / width, c = i % components;
        p += char((x * 40 + y * 25 + c * 70) & 0xFF);
    }
    return p;
}

// libjpeg's own decode, RGB turned to the record's blue, green, red.
std::string ReferenceBgr(const std::string& jpeg, int* components) {
    int w = 0, h = 0;
    std::string rgb = DecodeJpegReference(jpeg, &w, &h, components);
    if (*components == 3)
        for (size_t i = 0; i + 2 < rgb.size(); i += 3) std::swap(rgb[i], rgb[i + 2]);
    return rgb;
}

TEST_F(LibraryDecoderTest, JpegMatchesTheLibrarysDecode) {
    int c = 0;
    std::string jpeg = EncodeJpeg(3, 5, 3, Gradient(3, 5, 3));
    std::string reference = ReferenceBgr(jpeg, &c);
    ASSERT_EQ(c, 3);
    ASSERT_EQ(Run(LoadJpegImage, jpeg), 0);
    EXPECT_EQ(im.width, 3);
    EXPECT_EQ(im.height, 5);
    EXPECT_EQ(im.pitch, 9);
    EXPECT_EQ(im.colorFormat.bitsPerPixel, 24);
    EXPECT_EQ(std::string(static_cast<const char*>(im.pixels), 45), reference);

    jpeg = EncodeJpeg(5, 2, 1, Gradient(5, 2, 1));
    reference = ReferenceBgr(jpeg, &c);
    ASSERT_EQ(Run(LoadJpegImage, jpeg), 0);
    EXPECT_EQ(im.colorFormat.bytesPerPixel, 1);
    EXPECT_EQ(im.pitch, 5);
    EXPECT_EQ(PaletteEntryValue(im.colorFormat.palette[77]) & 0xFFFFFF, 0x4D4D4Du);
    EXPECT_EQ(LineBytes(im, 0, 5) + LineBytes(im, 1, 5), reference);
}

TEST_F(LibraryDecoderTest, JpegCutAfterSomeLinesKeepsItsTopRows) {
    int c = 0;
    std::string jpeg = EncodeJpeg(32, 256, 3, Gradient(32, 256, 3));
    std::string reference = ReferenceBgr(jpeg, &c);
    KnobCaptureDebugOutput(true);
    ASSERT_EQ(Run(LoadJpegImage, jpeg.substr(0, jpeg.size() * 2 / 3)), 0);
    EXPECT_FALSE(KnobDebugOutput().empty());  // the premature-end warning
    KnobCaptureDebugOutput(false);
    ASSERT_EQ(im.height, 256);
    // Well over a quarter of the scan data is there: the top 64 lines match;
    // the last line was never in the cut file.
    EXPECT_EQ(std::string(static_cast<const char*>(im.pixels), 64 * 96),
              reference.substr(0, 64 * 96));
    EXPECT_NE(LineBytes(im, 255, 96), reference.substr(255 * 96));
}

TEST_F(LibraryDecoderTest, RefusalsAndLibraryMessagesGoToTheDebuggerOutput) {
    EXPECT_EQ(Run(LoadJpegImage, std::string()), -1);
    int c = 0;
    std::string cmyk = EncodeJpeg(4, 4, 4, Gradient(4, 4, 4));
    ASSERT_FALSE(ReferenceBgr(cmyk, &c).empty());
    ASSERT_EQ(c, 4);
    EXPECT_EQ(Run(LoadJpegImage, cmyk), -1);

    KnobCaptureDebugOutput(true);
    std::string png = EncodePng({.colorType = 0, .rows = {std::string(1, '\0')}});
    EXPECT_EQ(Run(LoadJpegImage, png), -1);
    EXPECT_EQ(Run(LoadPngImage, png.substr(0, 40)), -1);
    std::string out = KnobDebugOutput();
    KnobCaptureDebugOutput(false);
    EXPECT_NE(out.find("JPEG"), std::string::npos) << out;
    EXPECT_NE(out.find("Read Error"), std::string::npos) << out;
}

}  // namespace
