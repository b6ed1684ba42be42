// Filters run through the device's pixel shaders give the CPU path's pixels:
// every kind within 1 per channel and the RGBA mixes exactly, into draw
// targets and plain graphics, in place and at offsets; the draws around a
// filter keep their pixels; a copy-out that fails is reported.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DuRud.h"
#include "graphics/filter_kinds.h"
#include "graphics/filter_passes.h"
#include "graphics/graphic_filters.h"
#include "graphics/graphics_startup.h"
#include "graphics/screen_state.h"
#include "graphics_fixture.h"
#include "support/pixel_comparison.h"
#include "test_knobs.h"

using namespace DuRud;
using namespace graphicstest;

namespace {

constexpr int kSize = 64;
constexpr int kGradientHandle = -100;  // a row's stand-in for the gradient graphic

// Every channel and alpha vary, each in its own direction.
uint32_t Source(int x, int y) {
    return uint32_t(255 - x * 2) << 24 | uint32_t(x * 4) << 16 | uint32_t(y * 4) << 8 |
           uint32_t((x ^ y) * 4 + 1);
}
uint32_t BlendSource(int x, int y) {
    return uint32_t(128 + y * 2) << 24 | uint32_t(250 - y * 3) << 16 |
           uint32_t((x * 7 + y) % 256) << 8 | uint32_t(x * 3 + 20);
}
uint32_t Gradient(int x, int) {
    return 0xFF000000u | uint32_t(x) << 16 | uint32_t(255 - x) << 8 | uint32_t(x * 3 % 256);
}

struct FilterRow {
    std::string name;
    int twoSource, kind;
    std::vector<int> params;
    int tolerance = 1;
    int width = kSize, height = kSize;
    int shown = kSize;  // the square of the destination read back
};

std::vector<FilterRow> EveryKind() {
    // Colour parameters are colour values of the 32-bit screen: 0x00RRGGBB.
    std::vector<FilterRow> rows = {
        {"Mono", 0, kFilterMono, {-60, 90}},
        {"BrightClipLessFill", 0, kFilterBrightClip, {2, 120, 1, 0x2040A0, 200}},
        {"BrightClipGreaterKeep", 0, kFilterBrightClip, {5, 80, 0, 0xF0E010, 255}},
        {"Invert", 0, kFilterInvert, {}},
        {"Level", 0, kFilterLevel, {30, 220, 150, 10, 240}},
        {"TwoColor", 0, kFilterTwoColor, {128, 0x2040A0, 255, 0xF0E010, 128}},
        {"GradientMap", 0, kFilterGradientMap, {kGradientHandle, 0}},
        {"GradientMapReversed", 0, kFilterGradientMap, {kGradientHandle, 1}},
        {"PremultipliedAlpha", 0, kFilterPremultipliedAlpha, {}},
    };
    for (int taps : {8, 16, 32})
        rows.push_back({"Blur" + std::to_string(taps), 0, kFilterGauss, {taps, 300}});
    for (int hueMode = 0; hueMode <= 2; ++hueMode)
        rows.push_back(
            {"HsbHueMode" + std::to_string(hueMode), 0, kFilterHsb, {hueMode, 60, 50, -30}});
    for (int scale : {2, 4, 8})
        rows.push_back({"DownScale" + std::to_string(scale), 0, kFilterDownScale, {scale}});
    for (int kind = 0; kind <= 16; ++kind)
        if (kind != kBlendRgbaMix)
            rows.push_back({"BlendKind" + std::to_string(kind), 1, kind, {}});
    return rows;
}

// The graphics a run filters: the same on both paths.
struct Sources {
    Handle source, blend, gradient;
};

Sources MakeSources(int size = kSize) {
    return {GraphicOfArgb(size, size, Source), GraphicOfArgb(size, size, BlendSource),
            GraphicOfArgb(256, 1, Gradient)};
}

int Apply(const Sources& s, const FilterRow& row, Handle dest, int destX = 0, int destY = 0,
          Handle source = -1) {
    std::vector<int> p = row.params;
    p.resize(kMaxFilterParameters);
    for (int& v : p)
        if (v == kGradientHandle) v = s.gradient;
    return ApplyFilter(row.twoSource, source >= 0 ? source : s.source, s.blend, dest, 160, row.kind,
                       0, 0, row.width, row.height, 0, 0, 0, destX, destY, p.data());
}

class FilterPaths : public OwnScreenTest {
  protected:
    static int Start(int shaders) {
        ScreenSettings settings = WithHandles();
        settings.width = kSize, settings.height = kSize;
        const int result = StartOnPath(shaders, settings);
        if (result == 0) {
            EXPECT_EQ(0x123456u, MakeColorValue(0x12, 0x34, 0x56) & 0xFFFFFF);
        }
        return result;
    }
    // Each row filtered from the sources into one draw-target graphic: the
    // destination's pixels after each.
    static std::vector<std::vector<uint32_t>> Results(int shaders, int size,
                                                      const std::vector<FilterRow>& rows) {
        std::vector<std::vector<uint32_t>> out;
        if (Start(shaders) != 0) return out;
        const Sources s = MakeSources(size);
        const Handle dest = CreateDrawableGraphic(kSize, kSize, 1);
        for (const FilterRow& row : rows) {
            EXPECT_EQ(0, Apply(s, row, dest)) << row.name;
            out.push_back(TargetPixels(dest, row.shown, row.shown));
        }
        StopDevice();
        return out;
    }
    // size: of the source and blend graphics.
    static void ExpectPathsAlike(const std::vector<FilterRow>& rows, int size = kSize) {
        const auto cpu = Results(0, size, rows);
        const auto shaded = Results(1, size, rows);
        ASSERT_EQ(rows.size(), cpu.size());
        ASSERT_EQ(rows.size(), shaded.size());
        for (size_t i = 0; i < rows.size(); ++i)
            EXPECT_TRUE(
                testsupport::PixelsWithin(cpu[i], shaded[i], rows[i].shown, rows[i].tolerance))
                << rows[i].name;
    }
};

TEST_F(FilterPaths, EveryKindGivesTheCpuPixels) {
    ExpectPathsAlike(EveryKind());
}

TEST_F(FilterPaths, EveryRgbaMixGivesTheCpuPixelsExactly) {
    // A mix only picks channels: 8 x 8 graphics hold every kind of pixel.
    std::vector<FilterRow> rows;
    for (int selectors = 0; selectors < 4096; ++selectors)
        rows.push_back(
            {.name = "Selectors" + std::to_string(selectors),
             .twoSource = 1,
             .kind = kBlendRgbaMix,
             .params = {selectors >> 9 & 7, selectors >> 6 & 7, selectors >> 3 & 7, selectors & 7},
             .tolerance = 0,
             .width = 8,
             .height = 8,
             .shown = 8});
    ExpectPathsAlike(rows, 8);
}

TEST_F(FilterPaths, DestinationsInPlaceAndAtOffsets) {
    // At an offset the whole source lands inside a larger destination.
    constexpr int kDestW = 96, kDestH = 80;
    const struct Destination {
        const char* name;
        bool drawTarget, inPlace;
        int x, y;
    } destinations[] = {
        {"DrawTargetInPlace", true, true, 0, 0},
        {"DrawTargetAtOffset", true, false, 10, 13},
        {"PlainGraphicInPlace", false, true, 0, 0},
        {"PlainGraphicAtOffset", false, false, 27, 3},
    };
    const FilterRow kinds[] = {
        {"Invert", 0, kFilterInvert, {}},
        {"Blur8", 0, kFilterGauss, {8, 300}},
        {"HsbHueMode0", 0, kFilterHsb, {0, 60, 50, -30}},
        {"BlendKind2", 1, kBlendMultiply, {}},
    };
    // Every destination of every kind on one path, then on the other.
    std::vector<std::vector<uint32_t>> pixels[2];
    for (int shaders = 0; shaders < 2; ++shaders) {
        ASSERT_EQ(0, Start(shaders));
        const Sources s = MakeSources();
        for (const Destination& d : destinations)
            for (const FilterRow& kind : kinds) {
                const int w = d.inPlace ? kSize : kDestW, h = d.inPlace ? kSize : kDestH;
                const Handle dest = d.drawTarget ? CreateDrawableGraphic(w, h, 1)
                                                 : GraphicOfArgb(w, h, BlendSource);
                // In place, the graphic starts as the inverted source: an
                // exact filter on both paths.
                if (d.inPlace) {
                    EXPECT_EQ(0, Apply(s, {"Fill", 0, kFilterInvert, {}}, dest));
                }
                EXPECT_EQ(0, Apply(s, kind, dest, d.x, d.y, d.inPlace ? dest : -1))
                    << d.name << " " << kind.name;
                pixels[shaders].push_back(TargetPixels(dest, w, h));
                DeleteGraphic(dest);
            }
        StopDevice();
    }
    size_t i = 0;
    for (const Destination& d : destinations)
        for (const FilterRow& kind : kinds) {
            ASSERT_LT(i, pixels[1].size());
            EXPECT_TRUE(testsupport::PixelsWithin(pixels[0][i], pixels[1][i],
                                                  d.inPlace ? kSize : kDestW, 1))
                << d.name << " " << kind.name;
            ++i;
        }
}

// Saturation 600 decodes past 1 and is held at 1 (times 5 when raising).
// (136, 120, 120): lightness 128/255, saturation 16/254, hue 0; shifted one
// sextant with saturation 6 x 16/254 = 96/254: top 128/255 + 96/254 x
// 127/255 = 176/255, bottom 256/255 - 176/255 = 80/255; hue 1 takes red
// and green to the top, blue to the bottom.
TEST_F(FilterPaths, SaturationPastItsRangeIsClampedOnBothPaths) {
    for (int shaders : {0, 1}) {
        SCOPED_TRACE(shaders ? "Device" : "Cpu");
        ASSERT_EQ(0, Start(shaders));
        const Handle g = SolidGraphic(8, 8, 0xFF887878);
        ASSERT_EQ(0, FilterGraphic(g, kFilterHsb, 0, 60, 600, 0));
        EXPECT_EQ(0xFFB0B050u, ShownPixel(g, 3, 3));
        StopDevice();
    }
}

TEST_F(FilterPaths, ARepeatedFilterGivesItsPixelsAgainAfterARestart) {
    ASSERT_EQ(0, Start(1));
    const Sources s = MakeSources();
    const Handle dest = CreateDrawableGraphic(kSize, kSize, 1);
    const FilterRow blur{"Blur16", 0, kFilterGauss, {16, 300}};
    ASSERT_EQ(0, Apply(s, blur, dest));
    const std::vector<uint32_t> first = TargetPixels(dest, kSize, kSize);
    ASSERT_EQ(0, Apply(s, blur, dest));
    EXPECT_EQ(first, TargetPixels(dest, kSize, kSize));
    ASSERT_EQ(0, RestartDevice());
    ASSERT_EQ(0, Apply(s, blur, dest));
    EXPECT_EQ(first, TargetPixels(dest, kSize, kSize));
}

TEST_F(FilterPaths, DrawsBeforeAndAfterABlurAlike) {
    ASSERT_EQ(0, Start(1));
    const Sources s = MakeSources();
    const Handle drawn = GraphicOfPixels(16, 16, Gradient);
    const Handle blend = GraphicOfArgb(16, 16, BlendSource);
    const Handle blurred = CreateDrawableGraphic(kSize, kSize, 1);
    // A cross-fade and a wipe over a box, as a scene's transition draws them.
    auto scene = [&] {
        DrawBoxShape(0, 0, kSize, kSize, MakeColorValue(30, 60, 90), 1);
        SetBlendSourceGraphic(blend, 0, 100, 0);
        DrawGraphicAt(4, 4, drawn, 1);
        SetBlendSourceGraphic(blend, 1, 100, 64);
        DrawGraphicAt(24, 4, drawn, 1);
        SetBlendSourceGraphic(-1, 0, 0, 0);
        return TargetPixels(-2, kSize, kSize);
    };
    const std::vector<uint32_t> before = scene();
    ASSERT_EQ(0, Apply(s, {"Blur32", 0, kFilterGauss, {32, 300}}, blurred));
    EXPECT_EQ(before, scene());
}

TEST_F(FilterPaths, AFailedCopyOutFailsTheFilterAndLeavesTheDestination) {
    ASSERT_EQ(0, Start(1));
    const Sources s = MakeSources();
    // A plain graphic is written by reading the work texture back: the read
    // needs a surface of its own, the one resource a second run creates.
    const Handle dest = GraphicOfArgb(kSize, kSize, BlendSource);
    const FilterRow invert{"Invert", 0, kFilterInvert, {}};
    ASSERT_EQ(0, Apply(s, invert, dest));
    const std::vector<uint32_t> once = TargetPixels(dest, kSize, kSize);
    KnobD3D9FailResourcesAfter(0);
    EXPECT_EQ(-1, Apply(s, invert, dest, 0, 0, s.blend));
    KnobD3D9FailResourcesAfter(-1);
    EXPECT_EQ(once, TargetPixels(dest, kSize, kSize));
    EXPECT_FALSE(LogHasInOrder({"作業用描画可能テクスチャの作成に失敗しました"}))
        << "the work texture was kept: only the copy-out failed";
}

}  // namespace

namespace {

// Sources larger than 64 pixels: every channel still varies within a byte.
uint32_t Wide(int x, int y) {
    return uint32_t(255 - (x * 3 + y) % 200) << 24 | uint32_t(x * 9 & 255) << 16 |
           uint32_t(y * 7 & 255) << 8 | uint32_t(((x ^ y) * 5 + 1) & 255);
}
uint32_t WideBlend(int x, int y) {
    return uint32_t(128 + y * 2 % 128) << 24 | uint32_t((250 - y * 3) & 255) << 16 |
           uint32_t((x * 7 + y) % 256) << 8 | uint32_t((x * 3 + 20) & 255);
}
// A blend texel that names its own position: red x, green y.
uint32_t Position(int x, int y) {
    return 0xFF000000u | uint32_t(x) << 16 | uint32_t(y) << 8;
}

// A rectangle of a source graphic filtered with a blend graphic of its own
// size, into (0, 0) of a 64 x 64 draw target.
struct Placement {
    const char* name;
    int sourceW, sourceH, x1, y1, x2, y2;
    int blendW, blendH, flag = 0, blendX = 0, blendY = 0;
};

struct Placed {
    Placement at;
    FilterRow kind;
};

// Each placement's filter on one path: the target's pixels (empty: the
// path did not start).
std::vector<std::vector<uint32_t>> PlacedResults(int shaders, const std::vector<Placed>& rows) {
    std::vector<std::vector<uint32_t>> out;
    ScreenSettings settings = WithHandles();
    settings.width = kSize, settings.height = kSize;
    if (StartOnPath(shaders, settings) != 0) return out;
    const Handle dest = CreateDrawableGraphic(kSize, kSize, 1);
    for (const Placed& row : rows) {
        const Placement& a = row.at;
        const Handle source = GraphicOfArgb(a.sourceW, a.sourceH, Wide);
        const Handle blend = GraphicOfArgb(a.blendW, a.blendH, WideBlend);
        std::vector<int> p = row.kind.params;
        p.resize(kMaxFilterParameters);
        EXPECT_EQ(0, ApplyFilter(row.kind.twoSource, source, blend, dest, 160, row.kind.kind, a.x1,
                                 a.y1, a.x2, a.y2, a.blendX, a.blendY, a.flag, 0, 0, p.data()))
            << a.name << " " << row.kind.name;
        out.push_back(TargetPixels(dest, kSize, kSize));
        DeleteGraphic(source);
        DeleteGraphic(blend);
    }
    StopDevice();
    return out;
}

}  // namespace

TEST_F(FilterPaths, RectanglesInsideLargerGraphicsAndSmallOnesGiveTheCpuPixels) {
    const Placement placements[] = {
        {"AtAnOffset", 96, 80, 10, 7, 50, 37, 96, 80},
        {"AtAnOffsetBlendFromAPosition", 96, 80, 10, 7, 50, 37, 96, 80, 1, 5, 9},
        {"OddSizedWhole", 40, 30, 0, 0, 40, 30, 40, 30},
        {"BlendLarger", 40, 30, 0, 0, 40, 30, 64, 64},
        {"BlendLargerFromAPosition", 40, 30, 0, 0, 40, 30, 64, 64, 1, 3, 4},
        {"BlendSmaller", 40, 30, 0, 0, 40, 30, 16, 12},
        {"BlendSmallerOddSized", 40, 30, 0, 0, 40, 30, 13, 7},
        {"EightSquareBlendLarger", 64, 64, 8, 8, 16, 16, 64, 64},
        {"EightSquareBlendFromAPosition", 64, 64, 8, 8, 16, 16, 64, 64, 1, 5, 6},
        {"OnePixel", 20, 20, 5, 6, 6, 7, 20, 20},
        {"OnePixelBlendFromAPosition", 20, 20, 5, 6, 6, 7, 20, 20, 1, 2, 3},
        {"ThreeByFive", 20, 20, 5, 6, 8, 11, 20, 20},
        {"ThreeByFiveBlendFromAPosition", 20, 20, 5, 6, 8, 11, 20, 20, 1, 7, 1},
        {"PartBlocksLeftOver", 40, 30, 3, 2, 16, 13, 40, 30},
    };
    const FilterRow kinds[] = {
        {"Blur8", 0, kFilterGauss, {8, 300}},
        {"Blur32", 0, kFilterGauss, {32, 300}},
        {"HsbHueMode0", 0, kFilterHsb, {0, 60, 50, -30}},
        {"HsbHueMode1", 0, kFilterHsb, {1, 60, 50, -30}},
        {"DownScale2", 0, kFilterDownScale, {2}},
        {"DownScale4", 0, kFilterDownScale, {4}},
        {"BlendKind0", 1, kBlendNormal, {}},
        {"BlendKind2", 1, kBlendMultiply, {}},
        {"BlendKind14", 1, kBlendNormalAlpha, {}},
        {"MixAcross", 1, kBlendRgbaMix, {4, 1, 6, 7}, 0},
        {"MixOfTheBlend", 1, kBlendRgbaMix, {4, 5, 6, 7}, 0},
    };
    std::vector<Placed> rows;
    for (const Placement& at : placements)
        for (const FilterRow& kind : kinds) rows.push_back({at, kind});
    const auto cpu = PlacedResults(0, rows);
    const auto shaded = PlacedResults(1, rows);
    ASSERT_EQ(rows.size(), cpu.size());
    ASSERT_EQ(rows.size(), shaded.size());
    for (size_t i = 0; i < rows.size(); ++i)
        EXPECT_TRUE(testsupport::PixelsWithin(cpu[i], shaded[i], kSize, rows[i].kind.tolerance))
            << rows[i].at.name << " " << rows[i].kind.name;
}

TEST_F(FilterPaths, ABlurReadsNothingAroundItsRectangle) {
    // A grey 10 x 6 block inside white: blurred alone it stays grey (every
    // tap past its edge repeats an edge pixel), a 1 x 1 rectangle too.
    const struct Row {
        const char* name;
        int x1, y1, x2, y2;
    } rows[] = {{"Block", 8, 8, 18, 14}, {"OnePixel", 9, 9, 10, 10}};
    for (int shaders = 0; shaders < 2; ++shaders) {
        ASSERT_EQ(0, Start(shaders));
        const Handle source = GraphicOfArgb(32, 32, [](int x, int y) {
            return x >= 8 && x < 18 && y >= 8 && y < 14 ? 0xC0604020u : 0xFFFFFFFFu;
        });
        const Handle dest = CreateDrawableGraphic(kSize, kSize, 1);
        for (const Row& r : rows) {
            int p[kMaxFilterParameters] = {16, 300};
            ASSERT_EQ(0, ApplyFilter(0, source, -1, dest, 0, kFilterGauss, r.x1, r.y1, r.x2, r.y2,
                                     0, 0, 0, 0, 0, p));
            const std::vector<uint32_t> got = TargetPixels(dest, kSize, kSize);
            for (int y = 0; y < r.y2 - r.y1; ++y)
                for (int x = 0; x < r.x2 - r.x1; ++x)
                    EXPECT_EQ(0xC0604020u, got[y * kSize + x])
                        << r.name << " shaders " << shaders << " at " << x << "," << y;
        }
        StopDevice();
    }
}

TEST_F(FilterPaths, ABlendGraphicIsReadUnderPixelCentresOrFromItsPosition) {
    // The mix takes every channel from the blend graphic: each pixel shows
    // the blend texel it read (red its x, green its y).
    const struct Row {
        const char* name;
        int blendW, blendH, width, flag, blendX, blendY;
        int expectedX[8], expectedY;  // texels read by pixels 0-7 of row 0
    } rows[] = {
        // 64 texels over 8 pixels: centres at 4, 12, ... 60.
        {"EightTimesLarger", 64, 64, 8, 0, 0, 0, {4, 12, 20, 28, 36, 44, 52, 60}, 4},
        // 16 over 40: 0.5 x 0.4 = 0.2, 0.6, 1.0 (an edge: texel 1), 1.4, 1.8,
        // 2.2, 2.6, 3.0; rows 12 over 8: 0.75.
        {"SmallerWithCentresOnEdges", 16, 12, 40, 0, 0, 0, {0, 0, 1, 1, 1, 2, 2, 3}, 0},
        {"FromAPosition", 64, 64, 8, 1, 5, 6, {5, 6, 7, 8, 9, 10, 11, 12}, 6},
    };
    for (int shaders = 0; shaders < 2; ++shaders) {
        ASSERT_EQ(0, Start(shaders));
        const Handle source = GraphicOfArgb(40, 8, Wide);
        const Handle dest = CreateDrawableGraphic(kSize, kSize, 1);
        for (const Row& r : rows) {
            const Handle blend = GraphicOfArgb(r.blendW, r.blendH, Position);
            int p[kMaxFilterParameters] = {4, 5, 6, 7};
            ASSERT_EQ(0, ApplyFilter(1, source, blend, dest, 255, kBlendRgbaMix, 0, 0, r.width, 8,
                                     r.blendX, r.blendY, r.flag, 0, 0, p));
            const std::vector<uint32_t> got = TargetPixels(dest, kSize, kSize);
            std::vector<uint32_t> expected, row0(got.begin(), got.begin() + 8);
            for (int x : r.expectedX) expected.push_back(Position(x, r.expectedY));
            EXPECT_EQ(expected, row0) << r.name << " shaders " << shaders;
            DeleteGraphic(blend);
        }
        StopDevice();
    }
}

TEST_F(FilterPaths, ABlendRectangleOutsideItsGraphicFailsOnBothPaths) {
    const struct Row {
        const char* name;
        int blendX, blendY;
    } rows[] = {{"PastTheRight", 30, 0}, {"PastTheBottom", 0, 20}, {"Negative", -1, 0}};
    for (int shaders = 0; shaders < 2; ++shaders) {
        ASSERT_EQ(0, Start(shaders));
        const Handle source = GraphicOfArgb(40, 30, Wide);
        const Handle blend = GraphicOfArgb(40, 30, WideBlend);
        const Handle dest = GraphicOfArgb(kSize, kSize, Wide);
        const std::vector<uint32_t> before = TargetPixels(dest, kSize, kSize);
        for (const Row& r : rows) {
            EXPECT_EQ(-1, ApplyFilter(1, source, blend, dest, 160, kBlendMultiply, 0, 0, 16, 16,
                                      r.blendX, r.blendY, 1, 0, 0, nullptr))
                << r.name << " shaders " << shaders;
            EXPECT_EQ(before, TargetPixels(dest, kSize, kSize)) << r.name;
        }
        StopDevice();
    }
}
