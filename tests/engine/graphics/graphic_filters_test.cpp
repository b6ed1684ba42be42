// The filter dispatcher over real graphics, on the device (no pixel shaders)
// and on the software renderer: refusals, clipping and in-place filtering.
#include <gtest/gtest.h>

#include <algorithm>

#include "DuRud.h"
#include "core/handle_manager.h"
#include "graphics/graphic_filters.h"
#include "graphics/graphic_handles.h"
#include "graphics/surface_readback.h"
#include "graphics_fixture.h"
#include "image/pixel_conversion.h"
#include "test_knobs.h"

using namespace DuRud;
using namespace graphicstest;

namespace {

// Opaque and never black (black is the default transparent colour).
uint32_t Pattern(int x, int y) {
    return 0xFF000000u | uint32_t(x * 9 + 1) << 16 | uint32_t(y * 11 + 2) << 8 |
           uint32_t(x + y + 3);
}

uint32_t PixelOf(Handle g, int x, int y) {
    BaseImage out{};
    const RECT r{x, y, x + 1, y + 1};
    if (ReadGraphicToBaseImage(g, &out, &r) != 0) return 0;
    const uint32_t c = GetBaseImagePixelArgb(&out, 0, 0);
    FreeBaseImagePixels(&out);
    return c;
}

uint32_t Inverted(uint32_t c) {
    return c ^ 0x00FFFFFFu;
}

class GraphicFilters : public ::testing::TestWithParam<int> {
  protected:
    void SetUp() override {
        KnobD3D9ShaderVersions(0, 0);
        ScreenSettings s = WithHandles();
        s.softwareForced = GetParam();
        ASSERT_EQ(0, StartDevice(s));
        source = GraphicOfPixels(8, 8, Pattern);
        dest = GraphicOfPixels(16, 8, Pattern);
        ASSERT_GE(source, 0);
        ASSERT_GE(dest, 0);
    }
    void TearDown() override { StopDevice(); }
    // True when no pixel of the destination moved.
    bool DestUntouched() {
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 16; ++x)
                if (PixelOf(dest, x, y) != Pattern(x, y)) return false;
        return true;
    }
    Handle source = -1, dest = -1;
};

TEST_P(GraphicFilters, InvertsInPlaceKeepingAlpha) {
    ASSERT_EQ(0, FilterGraphic(source, 5));
    for (int i = 0; i < 64; ++i)
        ASSERT_EQ(Inverted(Pattern(i % 8, i / 8)), PixelOf(source, i % 8, i / 8)) << i;
    // Translucent pixels are read and written straight, never premultiplied.
    BaseImage image{};
    CreateA8R8G8B8BaseImage(2, 1, &image);
    SetBaseImagePixel(&image, 0, 0, 200, 100, 40, 128);
    SetBaseImagePixel(&image, 1, 0, 10, 20, 30, 255);
    const Handle translucent = NewGraphicFromBaseImage(&image, nullptr);
    FreeBaseImagePixels(&image);
    ASSERT_EQ(0, FilterGraphic(translucent, 5));
    EXPECT_EQ(0x80379BD7u, PixelOf(translucent, 0, 0));
    EXPECT_EQ(0xFFF5EBE1u, PixelOf(translucent, 1, 0));
}

TEST_P(GraphicFilters, RefusalsChangeNothing) {
    const int sel[4] = {0, 1, 2, 3};
    const struct {
        const char* name;
        int twoSource;
        Handle source, blend;
        int kind, x1, y1, x2, y2, blendX, flag;
    } rows[] = {
        {"bad source", 0, 0x04000000 | 999, -1, 5, 0, 0, 8, 8, 0, 0},
        {"one-source kind 10", 0, source, -1, 10, 0, 0, 8, 8, 0, 0},
        {"two-source kind 17", 1, source, source, 17, 0, 0, 8, 8, 0, 0},
        {"bad blend graphic", 1, source, 12345, 0, 0, 0, 8, 8, 0, 0},
        {"empty rectangle", 0, source, -1, 5, 4, 0, 4, 8, 0, 0},
        {"reversed rectangle", 0, source, -1, 5, 0, 6, 8, 2, 0, 0},
        {"blend rectangle outside", 1, source, source, 0, 0, 0, 8, 8, 4, 1},
    };
    for (const auto& row : rows)
        EXPECT_EQ(-1, ApplyFilter(row.twoSource, row.source, row.blend, dest, 255, row.kind, row.x1,
                                  row.y1, row.x2, row.y2, row.blendX, 0, row.flag, 0, 0, sel))
            << row.name;
    const int badGradient[2] = {0x04000000 | 999, 0};
    EXPECT_EQ(-1, ApplyFilter(0, source, -1, dest, 0, 8, 0, 0, 8, 8, 0, 0, 0, 0, 0, badGradient));
    const int badScale[1] = {0};
    EXPECT_EQ(-1, ApplyFilter(0, source, -1, dest, 0, 2, 0, 0, 8, 8, 0, 0, 0, 0, 0, badScale));
    EXPECT_TRUE(DestUntouched());
}

TEST_P(GraphicFilters, ClippingMovesAndCutsTheRectangle) {
    const struct {
        const char* name;
        int x1, x2, destX, destY, result;
    } nothing[] = {
        {"source past its graphic", 8, 12, 0, 0, 0},
        {"destination past the right", 0, 4, 16, 0, 0},
        {"destination past the bottom", 0, 4, 0, 8, 0},
    };
    for (const auto& row : nothing)
        EXPECT_EQ(row.result, ApplyFilter(0, source, -1, dest, 0, 5, row.x1, 0, row.x2, 8, 0, 0, 0,
                                          row.destX, row.destY, nullptr))
            << row.name;
    EXPECT_TRUE(DestUntouched());
    // x1 = -10 over a 4-wide rectangle leaves source columns 0..3 landing at 10..13.
    ASSERT_EQ(0, ApplyFilter(0, source, -1, dest, 0, 5, -10, 0, 4, 8, 0, 0, 0, 0, 0, nullptr));
    EXPECT_EQ(Pattern(9, 0), PixelOf(dest, 9, 0));
    EXPECT_EQ(Inverted(Pattern(0, 0)), PixelOf(dest, 10, 0));
    EXPECT_EQ(Inverted(Pattern(3, 7)), PixelOf(dest, 13, 7));
    EXPECT_EQ(Pattern(14, 0), PixelOf(dest, 14, 0));
    // A negative destination cuts the source's left columns instead.
    ASSERT_EQ(0, ApplyFilter(0, source, -1, dest, 0, 5, 0, 0, 8, 8, 0, 0, 0, -6, 0, nullptr));
    EXPECT_EQ(Inverted(Pattern(6, 0)), PixelOf(dest, 0, 0));
    EXPECT_EQ(Inverted(Pattern(7, 0)), PixelOf(dest, 1, 0));
    EXPECT_EQ(Pattern(2, 0), PixelOf(dest, 2, 0));
}

TEST_P(GraphicFilters, TwoSourceMixReadsTheBlendGraphic) {
    // Red from the blend graphic, the rest from the source.
    const int sel[4] = {4, 1, 2, 3};
    ASSERT_EQ(0, ApplyFilter(1, source, dest, source, 255, 1, 0, 0, 8, 8, 8, 0, 1, 0, 0, sel));
    EXPECT_EQ((Pattern(2, 3) & 0xFF00FFFFu) | (Pattern(10, 3) & 0x00FF0000u),
              PixelOf(source, 2, 3));
    // Without the position flag the 16-wide blend graphic is squeezed over the
    // 8-wide rectangle: column x reads the blend column under its centre,
    // (x + 0.5) x 2 = 2x + 1 (its rows are the rectangle's).
    const uint32_t before = PixelOf(source, 2, 3);
    ASSERT_EQ(0, ApplyFilter(1, source, dest, source, 255, 1, 0, 0, 8, 8, 0, 0, 0, 0, 0, sel));
    EXPECT_EQ((before & 0xFF00FFFFu) | (Pattern(5, 3) & 0x00FF0000u), PixelOf(source, 2, 3));
}

TEST_P(GraphicFilters, RepeatedRunsHoldNothingMore) {
    const int blur[2] = {32, 300};
    const auto counts = [] {
        return std::make_pair(KnobD3D9LiveCount(nullptr),
                              GetHandleTypeRecord(HandleTypeGraphic)->count);
    };
    ASSERT_EQ(0, ApplyFilter(0, source, -1, dest, 0, 1, 0, 0, 8, 8, 0, 0, 0, 2, 0, blur));
    const auto first = counts();
    for (int i = 0; i < 9; ++i)
        ASSERT_EQ(0, ApplyFilter(0, source, -1, dest, 0, 1, 0, 0, 8, 8, 0, 0, 0, 2, 0, blur));
    EXPECT_EQ(first, counts());
}

INSTANTIATE_TEST_SUITE_P(Renderers, GraphicFilters, ::testing::Values(0, 1),
                         [](const auto& info) { return info.param ? "Software" : "Device"; });

}  // namespace

TEST(FilterShaderSlots, ResetClearsEverySlot) {
    ResetFilterShaderSlots();
    const int32_t* slots = FilterShaderSlots();
    EXPECT_EQ(317, kFilterShaderSlots);
    EXPECT_EQ(317, std::count(slots, slots + kFilterShaderSlots, -1));
}
