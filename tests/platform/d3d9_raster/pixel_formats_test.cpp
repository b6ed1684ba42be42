// Reading and writing the colour formats: widening by bit replication and
// narrowing by rounding, by hand and over every value.
#include "raster_fixture.h"

namespace {

using namespace rastertest;

TEST(RasterPixelFormats, HandValues) {
    OwnedSurface s(1, 1, kFormatR5G6B5);
    uint16_t w = 0xF800;  // pure red
    std::memcpy(s.bytes.data(), &w, 2);
    EXPECT_EQ(s.Get(0, 0), 0xFFFF0000u);
    w = 0x0410;  // g = 32 (6 bits) -> 130, b = 16 -> 132
    std::memcpy(s.bytes.data(), &w, 2);
    EXPECT_EQ(s.Get(0, 0), Argb(255, 0, 130, 132));
    // 128 narrows to round(128 * 31 / 255) = 16 and round(128 * 63 / 255) = 32.
    s.Set(0, 0, Argb(0, 128, 128, 128));
    std::memcpy(&w, s.bytes.data(), 2);
    EXPECT_EQ(w, (16 << 11) | (32 << 5) | 16);

    OwnedSurface a4(1, 1, kFormatA4R4G4B4);
    a4.Set(0, 0, Argb(0x77, 0x88, 0x08, 0xF7));  // 7.0, 8.0, 0.47, 14.5 -> 7, 8, 0, 15
    std::memcpy(&w, a4.bytes.data(), 2);
    EXPECT_EQ(w, 0x780F);
    EXPECT_EQ(a4.Get(0, 0), 0x778800FFu);

    OwnedSurface a1(1, 1, kFormatA1R5G5B5);
    a1.Set(0, 0, Argb(127, 255, 0, 0));
    EXPECT_EQ(a1.Get(0, 0), 0x00FF0000u);
    a1.Set(0, 0, Argb(128, 255, 0, 0));
    EXPECT_EQ(a1.Get(0, 0), 0xFFFF0000u);

    OwnedSurface x1(1, 1, kFormatX1R5G5B5);
    x1.Set(0, 0, Argb(0, 8, 8, 8));  // 8 * 31 / 255 = 0.97 -> 1 -> 8
    EXPECT_EQ(x1.Get(0, 0), 0xFF080808u);

    OwnedSurface x8(1, 1, kFormatX8R8G8B8);
    x8.Set(0, 0, 0x12345678u);
    EXPECT_EQ(x8.Get(0, 0), 0xFF345678u);
}

TEST(RasterPixelFormats, WidenedValuesSurviveANarrowingRoundTrip) {
    for (uint32_t format : {kFormatR5G6B5, kFormatX1R5G5B5, kFormatA1R5G5B5, kFormatA4R4G4B4}) {
        OwnedSurface s(1, 1, format);
        for (uint32_t w = 0; w < 65536; ++w) {
            uint16_t h = uint16_t(w);
            if (format == kFormatX1R5G5B5) h |= 0x8000;
            std::memcpy(s.bytes.data(), &h, 2);
            uint32_t c = s.Get(0, 0);
            s.Set(0, 0, c);
            uint16_t back;
            std::memcpy(&back, s.bytes.data(), 2);
            ASSERT_EQ(back, h) << format << " " << w;
        }
    }
}

TEST(RasterPixelFormats, NarrowingIsNearest) {
    // Every 8-bit value narrows to the nearest of the 32 five-bit levels.
    OwnedSurface s(1, 1, kFormatX1R5G5B5);
    for (int v = 0; v < 256; ++v) {
        s.Set(0, 0, Argb(255, 0, 0, v));
        uint16_t w;
        std::memcpy(&w, s.bytes.data(), 2);
        int k = w & 31;
        for (int j = 0; j < 32; ++j)
            ASSERT_LE(std::abs(v * 31 - k * 255), std::abs(v * 31 - j * 255)) << v;
    }
}

}  // namespace
