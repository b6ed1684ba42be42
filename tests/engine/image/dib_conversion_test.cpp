// Record <-> DIB conversions, including DIBs drawn through the GDI stand-in.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "core/tracked_memory.h"
#include "image/image_memory.h"
#include "image/dib_conversion.h"
#include "image_test_formats.h"

using namespace DuRud;
using namespace imagetest;

namespace {

// A header with room for 256 colour entries (or three masks) behind it.
struct DibInfo {
    BITMAPINFOHEADER header;
    RGBQUAD colors[256];
    BITMAPINFO* info() { return reinterpret_cast<BITMAPINFO*>(this); }
};

DibInfo Header(int w, int h, int bits, DWORD compression) {
    DibInfo d{};
    d.header.biSize = sizeof(BITMAPINFOHEADER);
    d.header.biWidth = w;
    d.header.biHeight = h;
    d.header.biPlanes = 1;
    d.header.biBitCount = WORD(bits);
    d.header.biCompression = compression;
    return d;
}

const uint8_t* Row(const BaseImage& im, int y) {
    return static_cast<const uint8_t*>(im.pixels) + y * im.pitch;
}

// Record -> DIB -> record; the record that comes back is freed by the caller.
BaseImage RoundTrip(const BaseImage& im, int* toDibResult) {
    DibInfo d{};
    void* bits = nullptr;
    *toDibResult = ConvertBaseImageToDib(&im, d.info(), &bits, 0, 0);
    EXPECT_GE(*toDibResult, 0);
    BaseImage back{};
    EXPECT_EQ(ConvertDibToBaseImage(d.info(), bits, &back, 1), 1);
    if (*toDibResult == 1) ImageFree(bits);
    return back;
}

}  // namespace

TEST(DibConversion, RecordRoundTripsGiveTheFormulaColours) {
    int result = -1;
    // 8-bit grey: the DIB carries the palette; it comes back as R8G8B8.
    BaseImage gray{};
    ColorFormat g = Gray8();
    ASSERT_EQ(CreateBaseImage(3, 2, &g, &gray), 0);
    std::memcpy(static_cast<uint8_t*>(gray.pixels), "\x10\x80\xFF\x00", 4);
    std::memcpy(static_cast<uint8_t*>(gray.pixels) + 4, "\x01\x02\x03\x00", 4);
    BaseImage back = RoundTrip(gray, &result);
    EXPECT_EQ(result, 0);  // DIB line 4 equals the pitch: borrowed
    EXPECT_EQ(back.colorFormat.bytesPerPixel, 3);
    EXPECT_EQ(back.width, 3);
    EXPECT_EQ(back.height, 2);
    EXPECT_EQ(std::memcmp(Row(back, 0), "\x10\x10\x10\x80\x80\x80\xFF\xFF\xFF", 9), 0);
    EXPECT_EQ(std::memcmp(Row(back, 1), "\x01\x01\x01\x02\x02\x02\x03\x03\x03", 9), 0);
    FreeBaseImagePixels(&back);
    FreeBaseImagePixels(&gray);

    // R5G6B5 0xF81F and 0x07E0 through the fixed pair: (F8, 0, F8), (0, FC, 0).
    BaseImage r565{};
    ColorFormat f565 = R5G6B5();
    ASSERT_EQ(CreateBaseImage(2, 1, &f565, &r565), 0);
    std::memcpy(r565.pixels, "\x1F\xF8\xE0\x07", 4);
    back = RoundTrip(r565, &result);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(std::memcmp(Row(back, 0), "\xF8\x00\xF8\x00\xFC\x00", 6), 0);
    FreeBaseImagePixels(&back);
    FreeBaseImagePixels(&r565);

    // 24-bit: kept as it is.
    BaseImage rgb{};
    ColorFormat f24 = R8G8B8();
    ASSERT_EQ(CreateBaseImage(1, 1, &f24, &rgb), 0);
    std::memcpy(rgb.pixels, "\x01\x02\x03", 3);
    back = RoundTrip(rgb, &result);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(std::memcmp(Row(back, 0), "\x01\x02\x03", 3), 0);
    FreeBaseImagePixels(&back);

    // 32-bit X8R8G8B8 0x00ABCDEF: B EF, G CD, R AB.
    BaseImage x32{};
    ASSERT_EQ(CreateX8R8G8B8BaseImage(1, 1, &x32), 0);
    std::memcpy(x32.pixels, "\xEF\xCD\xAB\x00", 4);
    back = RoundTrip(x32, &result);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(std::memcmp(Row(back, 0), "\xEF\xCD\xAB", 3), 0);
    FreeBaseImagePixels(&back);
    FreeBaseImagePixels(&x32);

    // An R8G8B8 record is borrowed unless the copy flag asks for a copy.
    DibInfo d{};
    void* bits = nullptr;
    EXPECT_EQ(ConvertBaseImageToDib(&rgb, d.info(), &bits, 0, 0), 0);
    EXPECT_EQ(bits, rgb.pixels);
    EXPECT_EQ(d.header.biHeight, -1);
    EXPECT_EQ(d.header.biBitCount, 24);
    EXPECT_EQ(ConvertBaseImageToDib(&rgb, d.info(), &bits, 1, 0), 1);
    EXPECT_NE(bits, rgb.pixels);
    ImageFree(bits);
    FreeBaseImagePixels(&rgb);
}

TEST(DibConversion, TopDownLayoutsAreKeptOrRefused) {
    // Top-down 32-bit bit fields: described as they stand and borrowed.
    DibInfo d = Header(2, -1, 32, BI_BITFIELDS);
    const uint32_t masks[3] = {0xFF0000, 0xFF00, 0};
    std::memcpy(d.colors, masks, sizeof(masks));
    uint32_t px[2] = {0x11223344, 0x55667788};
    BaseImage im{};
    EXPECT_EQ(ConvertDibToBaseImage(d.info(), px, &im, 0), 0);
    EXPECT_EQ(im.pixels, static_cast<void*>(px));
    EXPECT_EQ(im.pitch, 8);
    EXPECT_EQ(im.colorFormat.redShift, 16);
    EXPECT_EQ(im.colorFormat.redWidth, 8);
    EXPECT_EQ(im.colorFormat.blueWidth, 0);  // a zero mask: width 0, shift 0
    EXPECT_EQ(im.colorFormat.blueShift, 0);
    EXPECT_EQ(im.colorFormat.alphaMask, 0u);
    EXPECT_EQ(im.colorFormat.unusedMask, 0xFF0000FFu);
    EXPECT_EQ(GetBaseImagePixelArgb(&im, 1, 0), 0x00667700u);

    // Top-down 16-bit BI_RGB: X1R5G5B5, copied with flag 1.
    d = Header(1, -2, 16, BI_RGB);
    uint16_t p16[4] = {0x7C00, 0, 0x001F, 0};
    EXPECT_EQ(ConvertDibToBaseImage(d.info(), p16, &im, 1), 1);
    EXPECT_NE(im.pixels, static_cast<void*>(p16));
    EXPECT_EQ(im.colorFormat.redMask, 0x7C00u);
    EXPECT_EQ(im.pitch, 4);
    EXPECT_EQ(GetBaseImagePixelArgb(&im, 0, 1), 0x000000F8u);
    FreeBaseImagePixels(&im);

    // Top-down 32-bit BI_RGB is refused.
    d = Header(2, -1, 32, BI_RGB);
    EXPECT_EQ(ConvertDibToBaseImage(d.info(), px, &im, 0), -1);
    EXPECT_EQ(im.pixels, nullptr);
    EXPECT_EQ(ConvertDibToBaseImage(nullptr, px, &im, 0), -1);
    EXPECT_EQ(ConvertDibToBaseImage(d.info(), nullptr, &im, 0), -1);
}

TEST(DibConversion, OtherDibsComeBackThroughTheSection) {
    // 1-bit, bottom-up, 10 wide: colour 0 blue, colour 1 red.
    DibInfo d = Header(10, 2, 1, BI_RGB);
    d.colors[0] = RGBQUAD{0xFF, 0, 0, 0};
    d.colors[1] = RGBQUAD{0, 0, 0xFF, 0};
    // Lines of 4 bytes; the last line in memory is the top line.
    const uint8_t one[8] = {0x80, 0x40, 0, 0, /*top:*/ 0x00, 0xC0, 0, 0};
    BaseImage im{};
    ASSERT_EQ(ConvertDibToBaseImage(d.info(), one, &im, 0), 1);
    EXPECT_EQ(im.width, 10);
    EXPECT_EQ(im.pitch, 32);
    EXPECT_EQ(GetBaseImagePixelArgb(&im, 0, 0), 0x000000FFu);
    EXPECT_EQ(GetBaseImagePixelArgb(&im, 8, 0), 0x00FF0000u);
    EXPECT_EQ(GetBaseImagePixelArgb(&im, 9, 0), 0x00FF0000u);
    EXPECT_EQ(GetBaseImagePixelArgb(&im, 0, 1), 0x00FF0000u);
    EXPECT_EQ(GetBaseImagePixelArgb(&im, 9, 1), 0x00FF0000u);
    EXPECT_EQ(GetBaseImagePixelArgb(&im, 1, 1), 0x000000FFu);
    FreeBaseImagePixels(&im);

    // 4-bit, top-down: nibbles 2, 1.
    d = Header(2, -1, 4, BI_RGB);
    d.colors[1] = RGBQUAD{0x10, 0x20, 0x30, 0};
    d.colors[2] = RGBQUAD{0x40, 0x50, 0x60, 0};
    const uint8_t four[4] = {0x21, 0, 0, 0};
    ASSERT_EQ(ConvertDibToBaseImage(d.info(), four, &im, 0), 1);
    EXPECT_EQ(GetBaseImagePixelArgb(&im, 0, 0), 0x00605040u);
    EXPECT_EQ(GetBaseImagePixelArgb(&im, 1, 0), 0x00302010u);
    FreeBaseImagePixels(&im);

    // Bottom-up BI_BITFIELDS 5:6:5: red 16 widens to 16 << 3 | 16 >> 2 = 0x84.
    d = Header(1, 2, 16, BI_BITFIELDS);
    const uint32_t m565[3] = {0xF800, 0x7E0, 0x1F};
    std::memcpy(d.colors, m565, sizeof(m565));
    const uint16_t p565[4] = {0x001F, 0, /*top:*/ 0x8000, 0};
    ASSERT_EQ(ConvertDibToBaseImage(d.info(), p565, &im, 0), 1);
    EXPECT_EQ(im.colorFormat.bytesPerPixel, 3);
    EXPECT_EQ(GetBaseImagePixelArgb(&im, 0, 0), 0x00840000u);
    EXPECT_EQ(GetBaseImagePixelArgb(&im, 0, 1), 0x000000FFu);
    FreeBaseImagePixels(&im);
}

TEST(DibConversion, HostileHeadersFailCleanly) {
    const uint8_t bits[64] = {};
    BaseImage im{};
    DibInfo d = Header(2, 2, 7, BI_RGB);  // no such bit count
    EXPECT_EQ(ConvertDibToBaseImage(d.info(), bits, &im, 0), -1);
    EXPECT_EQ(im.pixels, nullptr);
    d = Header(-2, 2, 24, BI_RGB);
    EXPECT_EQ(ConvertDibToBaseImage(d.info(), bits, &im, 0), -1);
    d = Header(100000, -100000, 24, BI_RGB);  // over the size limit
    EXPECT_EQ(ConvertDibToBaseImage(d.info(), bits, &im, 1), -1);
    EXPECT_EQ(im.pixels, nullptr);
    d = Header(100000, 100000, 8, BI_RGB);
    EXPECT_EQ(ConvertDibToBaseImage(d.info(), bits, &im, 1), -1);
    EXPECT_EQ(im.pixels, nullptr);

    BaseImage dxt{};
    dxt.colorFormat.formatCode = kFormatDxt1;
    dxt.pixels = const_cast<uint8_t*>(bits);
    void* out = nullptr;
    EXPECT_EQ(ConvertBaseImageToDib(&dxt, d.info(), &out, 0, 0), -1);
    EXPECT_EQ(ConvertBaseImageToDib(nullptr, d.info(), &out, 0, 0), -1);
}

TEST(DibConversion, EveryPathReleasesWhatItTook) {
    const int live = MemGetCount();
    DibInfo d = Header(3, 3, 1, BI_RGB);
    d.colors[1] = RGBQUAD{1, 2, 3, 0};
    const uint8_t bits[12] = {0xFF, 0, 0, 0, 0x40, 0, 0, 0, 0xA0, 0, 0, 0};
    BaseImage im{};
    ASSERT_EQ(ConvertDibToBaseImage(d.info(), bits, &im, 0), 1);
    EXPECT_EQ(MemGetCount(), live + 1);  // only the record's pixels remain
    void* out = nullptr;
    DibInfo back{};
    ASSERT_EQ(ConvertBaseImageToDib(&im, back.info(), &out, 1, 0), 1);
    EXPECT_EQ(MemGetCount(), live + 2);
    ImageFree(out);
    FreeBaseImagePixels(&im);
    EXPECT_EQ(MemGetCount(), live);
}
