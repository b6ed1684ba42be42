// The filters' CPU pixel rules against values worked out by hand.
#include <gtest/gtest.h>

#include <functional>

#include "graphics/filter_kinds.h"
#include "image/image_record.h"

using namespace DuRud;

namespace DuRud {
bool operator==(FilterColor a, FilterColor b) {
    return a.red == b.red && a.green == b.green && a.blue == b.blue && a.alpha == b.alpha;
}
std::ostream& operator<<(std::ostream& os, FilterColor c) {
    return os << "(" << c.red << "," << c.green << "," << c.blue << "," << c.alpha << ")";
}
}  // namespace DuRud

namespace {

struct Image {
    BaseImage image{};
    Image(int width, int height) { CreateA8R8G8B8BaseImage(width, height, &image); }
    ~Image() { FreeBaseImagePixels(&image); }
    uint8_t* at(int x, int y) {
        return static_cast<uint8_t*>(image.pixels) + y * image.pitch + x * 4;
    }
    void set(int x, int y, FilterColor c) {
        uint8_t* p = at(x, y);
        p[0] = c.blue, p[1] = c.green, p[2] = c.red, p[3] = c.alpha;
    }
    FilterColor get(int x, int y) {
        const uint8_t* p = at(x, y);
        return {p[2], p[1], p[0], p[3]};
    }
};

using Rule = std::function<int(const BaseImage&, BaseImage&)>;

TEST(FilterKinds, OnePixelRules) {
    const FilterColor fill{1, 2, 3, 4};
    uint32_t ramp[256] = {};
    ramp[124] = 0x11223344u;
    const struct {
        const char* name;
        Rule rule;
        FilterColor in, out;
    } rows[] = {
        {"mono untinted",
         [](auto& s, auto& d) { return SoftMono(s, d, 0, 0); },
         {200, 100, 50, 77},
         {124, 124, 124, 77}},
        {"mono blue tint",
         [](auto& s, auto& d) { return SoftMono(s, d, 100, 0); },
         {100, 100, 100, 9},
         {99, 56, 255, 9}},
        {"invert",
         [](auto& s, auto& d) { return SoftInvert(s, d); },
         {10, 20, 30, 40},
         {245, 235, 225, 40}},
        {"premultiplied",
         [](auto& s, auto& d) { return SoftPremultipliedAlpha(s, d); },
         {200, 100, 0, 255},
         {199, 99, 0, 255}},
        {"white under threshold 255",
         [&](auto& s, auto& d) {
             return SoftTwoColor(s, d, 255, fill, {9, 9, 9, 9});
         },
         {255, 255, 255, 255},
         fill},
        {"white reaches 254",
         [&](auto& s, auto& d) {
             return SoftTwoColor(s, d, 254, fill, {9, 9, 9, 9});
         },
         {255, 255, 255, 255},
         {9, 9, 9, 9}},
        {"clip dark, filled",
         [&](auto& s, auto& d) { return SoftBrightClip(s, d, 2, 128, 1, fill); },
         {100, 100, 100, 255},
         fill},
        {"clip dark, bright kept",
         [&](auto& s, auto& d) { return SoftBrightClip(s, d, 2, 128, 1, fill); },
         {200, 200, 200, 7},
         {200, 200, 200, 7}},
        {"clip dark, cleared",
         [&](auto& s, auto& d) { return SoftBrightClip(s, d, 2, 128, 0, fill); },
         {100, 100, 100, 255},
         {0, 0, 0, 0}},
        {"clip bright",
         [&](auto& s, auto& d) { return SoftBrightClip(s, d, 5, 128, 1, fill); },
         {200, 200, 200, 7},
         fill},
        {"levels identity",
         [](auto& s, auto& d) { return SoftLevel(s, d, 0, 255, 1.0, 0, 255); },
         {255, 128, 0, 3},
         {254, 127, 0, 3}},
        {"levels output range",
         [](auto& s, auto& d) { return SoftLevel(s, d, 0, 255, 1.0, 100, 200); },
         {0, 0, 0, 3},
         {100, 100, 100, 3}},
        {"levels gamma 2",
         [](auto& s, auto& d) { return SoftLevel(s, d, 0, 255, 2.0, 0, 255); },
         {64, 64, 64, 3},
         {127, 127, 127, 3}},
        {"levels empty range",
         [](auto& s, auto& d) { return SoftLevel(s, d, 100, 100, 1.0, 0, 255); },
         {99, 100, 255, 3},
         {0, 254, 254, 3}},
        {"gradient by luminance",
         [&](auto& s, auto& d) { return SoftGradientMap(s, d, ramp); },
         {200, 100, 50, 9},
         {0x22, 0x33, 0x44, 0x11}},
        {"HSB grey",
         [](auto& s, auto& d) { return SoftHsb(s, d, 0, 0, -100, 0); },
         {200, 100, 50, 9},
         {125, 125, 125, 9}},
        {"HSB saturation past -1",
         [](auto& s, auto& d) { return SoftHsb(s, d, 0, 0, -300, 0); },
         {200, 100, 50, 9},
         {125, 125, 125, 9}},
        {"HSB white",
         [](auto& s, auto& d) { return SoftHsb(s, d, 0, 0, 0, 100); },
         {200, 100, 50, 9},
         {255, 255, 255, 9}},
        {"HSB black",
         [](auto& s, auto& d) { return SoftHsb(s, d, 0, 0, 0, -100); },
         {200, 100, 50, 9},
         {0, 0, 0, 9}},
        {"HSB red to green",
         [](auto& s, auto& d) { return SoftHsb(s, d, 0, 120, 0, 0); },
         {255, 0, 0, 9},
         {0, 255, 0, 9}},
        {"HSB hue locked blue",
         [](auto& s, auto& d) { return SoftHsb(s, d, 1, 240, 0, 0); },
         {200, 0, 0, 9},
         {0, 0, 200, 9}},
    };
    for (const auto& row : rows) {
        Image in(1, 1), out(1, 1);
        in.set(0, 0, row.in);
        ASSERT_EQ(0, row.rule(in.image, out.image)) << row.name;
        EXPECT_EQ(row.out, out.get(0, 0)) << row.name;
    }
    Image in(1, 1), out(1, 1);
    EXPECT_EQ(-1, SoftBrightClip(in.image, out.image, 3, 128, 1, fill)) << "comparison 3";
    EXPECT_EQ(-1, SoftDownScale(in.image, out.image, 0)) << "scale 0";
    BaseImage none{};
    EXPECT_EQ(-1, SoftInvert(none, out.image)) << "no pixels";
}

TEST(FilterKinds, HsbZeroIsIdentityWithinOne) {
    Image in(4, 1), out(4, 1);
    const FilterColor colours[] = {
        {200, 100, 50, 1}, {3, 250, 128, 2}, {17, 17, 17, 3}, {255, 0, 254, 4}};
    for (int x = 0; x < 4; ++x) in.set(x, 0, colours[x]);
    ASSERT_EQ(0, SoftHsb(in.image, out.image, 0, 0, 0, 0));
    for (int x = 0; x < 4; ++x) {
        const FilterColor c = out.get(x, 0);
        EXPECT_NEAR(colours[x].red, c.red, 1) << x;
        EXPECT_NEAR(colours[x].green, c.green, 1) << x;
        EXPECT_NEAR(colours[x].blue, c.blue, 1) << x;
    }
}

TEST(FilterKinds, DownScaleTruncatesTheBlockAverage) {
    Image in(4, 4), out(2, 2);
    for (int i = 0; i < 16; ++i) in.set(i % 4, i / 4, {i, 1, 2, 5});
    ASSERT_EQ(0, SoftDownScale(in.image, out.image, 2));
    // Top-left block: red 0, 1, 4, 5; green 1 x 4; blue 2 x 4; alpha 5 x 4.
    EXPECT_EQ((FilterColor{2, 1, 2, 5}), out.get(0, 0));
    ASSERT_EQ(0, SoftDownScale(in.image, out.image, 3)) << "scale 3 is 4";
    EXPECT_EQ((FilterColor{7, 1, 2, 5}), out.get(0, 0)) << "0..15 sum to 120";
}

TEST(FilterKinds, LoneWhitePixelBlursSymmetrically) {
    Image in(9, 9), out(9, 9);
    for (int i = 0; i < 81; ++i) in.set(i % 9, i / 9, {0, 0, 0, 255});
    in.set(4, 4, {255, 255, 255, 255});
    ASSERT_EQ(0, SoftGauss(in.image, out.image, 8, 2.0));
    const int centre = out.get(4, 4).red;
    EXPECT_GT(centre, 0);
    EXPECT_LT(centre, 255);
    EXPECT_GT(out.get(5, 4).red, 0);
    for (int d = 1; d <= 4; ++d) {
        EXPECT_EQ(out.get(4 + d, 4), out.get(4 - d, 4)) << d;
        EXPECT_EQ(out.get(4 + d, 4), out.get(4, 4 + d)) << d;
        EXPECT_EQ(out.get(4 + d, 4 + d), out.get(4 - d, 4 - d)) << d;
    }
    ASSERT_EQ(0, SoftGauss(in.image, out.image, 8, 0.00000001));
    EXPECT_EQ((FilterColor{255, 255, 255, 255}), out.get(4, 4)) << "no strength: a copy";
}

TEST(FilterKinds, CachesRebuildOnlyForRealChanges) {
    const float* w = GaussWeightsFor(8, 1.0);
    EXPECT_NEAR(1.0, w[0] + 2 * (w[1] + w[2] + w[3]), 1e-6);
    const int gauss = GaussWeightBuildCount();
    GaussWeightsFor(8, 1.0001);
    EXPECT_EQ(gauss, GaussWeightBuildCount());
    GaussWeightsFor(8, 1.01);
    EXPECT_EQ(gauss + 1, GaussWeightBuildCount());
    GammaTableFor(1.5);
    const int gamma = GammaTableBuildCount();
    GammaTableFor(1.50005);
    EXPECT_EQ(gamma, GammaTableBuildCount());
    GammaTableFor(1.5001);
    EXPECT_EQ(gamma + 1, GammaTableBuildCount());
}

// Grey pixels: the source's channels b, the blend's s.
TEST(FilterKinds, BlendKinds) {
    const struct {
        const char* name;
        int kind, parameter, b, sourceAlpha, s, blendAlpha, out, outAlpha;
    } rows[] = {
        {"multiply white", 2, 255, 255, 255, 255, 255, 254, 255},
        {"difference dark over bright", 3, 255, 0, 255, 255, 255, 0, 255},
        {"difference bright over dark", 3, 255, 255, 255, 0, 255, 255, 255},
        {"normal", 0, 255, 0, 255, 255, 255, 254, 255},
        {"normal, no parameter", 0, 0, 127, 255, 255, 255, 127, 255},
        {"normal, half parameter", 0, 128, 0, 255, 255, 255, 127, 255},
        {"normal, half blend alpha", 0, 255, 255, 9, 0, 128, 127, 9},
        {"normal, transparent blend", 0, 255, 127, 9, 255, 0, 127, 9},
        {"add", 4, 255, 127, 255, 128, 255, 254, 255},
        {"screen", 5, 255, 128, 255, 128, 255, 191, 255},
        {"overlay dark", 6, 255, 127, 255, 255, 255, 252, 255},
        {"overlay bright", 6, 255, 128, 255, 0, 255, 1, 255},
        {"dodge", 7, 255, 128, 255, 127, 255, 254, 255},
        {"dodge by white", 7, 255, 0, 255, 255, 255, 254, 255},
        {"burn", 8, 255, 128, 255, 127, 255, 1, 255},
        {"burn black", 8, 255, 0, 255, 0, 255, 0, 255},
        {"darken", 9, 255, 128, 255, 127, 255, 127, 255},
        {"lighten", 10, 255, 0, 255, 128, 255, 127, 255},
        {"soft light dark", 11, 255, 128, 255, 0, 255, 64, 255},
        {"soft light bright", 11, 255, 128, 255, 255, 255, 179, 255},
        {"hard light bright", 12, 255, 0, 255, 255, 255, 254, 255},
        {"hard light dark", 12, 255, 128, 255, 127, 255, 127, 255},
        {"exclusion white", 13, 255, 255, 255, 255, 255, 1, 255},
        {"exclusion", 13, 255, 0, 255, 128, 255, 127, 255},
        {"normal alpha over clear", 14, 255, 100, 0, 200, 255, 200, 255},
        {"normal alpha half", 14, 255, 0, 255, 255, 128, 127, 255},
        {"normal alpha, nothing", 14, 255, 100, 0, 200, 0, 0, 0},
        {"add alpha", 15, 255, 100, 255, 100, 255, 200, 255},
        {"add alpha, saturated", 15, 255, 200, 255, 200, 255, 255, 255},
        {"add alpha, nothing", 15, 255, 100, 0, 200, 0, 0, 0},
        {"alpha-only multiply", 16, 255, 77, 255, 9, 255, 77, 254},
        {"alpha-only by clear", 16, 255, 77, 200, 9, 0, 77, 0},
    };
    for (const auto& row : rows) {
        Image in(1, 1), blend(1, 1), out(1, 1);
        in.set(0, 0, {row.b, row.b, row.b, row.sourceAlpha});
        blend.set(0, 0, {row.s, row.s, row.s, row.blendAlpha});
        ASSERT_EQ(0, SoftBlend(in.image, blend.image, out.image, row.kind, row.parameter))
            << row.name;
        EXPECT_EQ((FilterColor{row.out, row.out, row.out, row.outAlpha}), out.get(0, 0))
            << row.name;
    }
    Image in(1, 1), out(1, 1);
    EXPECT_EQ(-1, SoftBlend(in.image, in.image, out.image, 17, 255)) << "kind 17";
}

TEST(FilterKinds, RgbaMixTakesTheSelectedBytes) {
    Image in(1, 1), blend(1, 1), out(1, 1);
    in.set(0, 0, {1, 2, 3, 4});
    blend.set(0, 0, {5, 6, 7, 8});
    int wrong = 0;
    for (int set = 0; set < 4096; ++set) {
        const int sel[4] = {set >> 9, set >> 6 & 7, set >> 3 & 7, set & 7};
        ASSERT_EQ(0, SoftRgbaMix(in.image, blend.image, out.image, sel));
        wrong += !(out.get(0, 0) == FilterColor{sel[0] + 1, sel[1] + 1, sel[2] + 1, sel[3] + 1});
    }
    EXPECT_EQ(0, wrong);
    for (int bad : {-1, 8}) {
        const int sel[4] = {0, 1, bad, 3};
        EXPECT_EQ(-1, SoftRgbaMix(in.image, blend.image, out.image, sel)) << bad;
    }
}

}  // namespace
