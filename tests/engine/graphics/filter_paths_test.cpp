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
        if (result == 0) EXPECT_EQ(0x123456u, MakeColorValue(0x12, 0x34, 0x56) & 0xFFFFFF);
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
                if (d.inPlace) EXPECT_EQ(0, Apply(s, {"Fill", 0, kFilterInvert, {}}, dest));
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
