// The filter kernels on small pictures: one pass drawn over a target with
// the source on sampler 0 (and the blend or table graphic on sampler 1),
// point-sampled, against pixels worked out by hand from the filters'
// integer rules; the channel mixes exactly for every selector set.
#include <cstdio>

#include "raster_fixture.h"

namespace {

using namespace rastertest;

constexpr DWORD kFvfTex2 = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_SPECULAR | D3DFVF_TEX2;

class RasterFilterKernels : public ::testing::Test {
  protected:
    float c[224][4] = {};
    OwnedTexture blendTexture{1, 1, kFormatA8R8G8B8};
    const RasterTexture* second = nullptr;

    void SetUp() override { platform::d3d9::RegisterPackageShaderKernels(); }

    // One pass of `name` reading `source` whole into a target of w x h.
    OwnedSurface Pass(const std::string& name, const OwnedTexture& source, int w, int h) {
        OwnedSurface out{w, h, kFormatA8R8G8B8};
        RasterState s = StateFor(out.surface, kFvfTex2);
        s.pixelKernel = platform::d3d9::FindShaderKernel(name, false);
        EXPECT_NE(s.pixelKernel, nullptr) << name;
        s.pixelConstF = c;
        s.textures[0] = &source.texture;
        s.textures[1] = second;
        for (int i = 0; i < 2; ++i)
            s.sampler[i][D3DSAMP_ADDRESSU] = s.sampler[i][D3DSAMP_ADDRESSV] = D3DTADDRESS_CLAMP;
        std::vector<V2DTex2> quad;
        for (auto [u, v] :
             std::vector<std::pair<float, float>>{{0, 0}, {1, 0}, {0, 1}, {1, 1}, {0, 1}, {1, 0}})
            quad.push_back({u * w - 0.5f, v * h - 0.5f, 0, 1, 0xFFFFFFFF, 0, u, v, u, v});
        EXPECT_EQ(DrawList(s, quad).hr, S_OK) << name;
        return out;
    }
    static OwnedTexture Picture(int w, int h, std::initializer_list<uint32_t> pixels) {
        OwnedTexture t{w, h, kFormatA8R8G8B8};
        int i = 0;
        for (uint32_t p : pixels) t.levels[0].Set(i % w, i / w, p), ++i;
        return t;
    }
    void Constant(int reg, float x, float y, float z, float w) {
        c[reg][0] = x, c[reg][1] = y, c[reg][2] = z, c[reg][3] = w;
    }
};

// Luminance of (100, 150, 200) in 12-bit weights: 1224 x 100 + 2404 x 150 +
// 466 x 200 = 576200, 140.7 after the shift.
constexpr uint32_t kGrey140 = 0x806496C8;  // alpha 128, (100, 150, 200)

struct PixelRow {
    const char* name;
    const char* file;
    void (*constants)(float (*c)[4]);
    uint32_t in, out;
};

TEST_F(RasterFilterKernels, OnePixelRules) {
    const PixelRow rows[] = {
        {"invert keeps alpha", "Invert.pso", nullptr, Argb(40, 10, 20, 30),
         Argb(40, 245, 235, 225)},
        {"premultiplied: c x a >> 8", "PremultipliedAlpha.pso", nullptr, Argb(128, 200, 100, 51),
         Argb(128, 100, 50, 25)},
        {"mono without tint is the luminance", "Mono.pso", nullptr, kGrey140,
         Argb(128, 140, 140, 140)},
        // cr = 0.1: 0.1402 x 255 x 4096 = 146436 and -0.071414 x 1044480 = -74590
        // added before the shift.
        {"mono tinted red", "Mono.pso",
         [](float(*c)[4]) { c[1][0] = 0.1402f, c[1][1] = -0.071414f; }, kGrey140,
         Argb(128, 176, 122, 140)},
        {"two colours below the threshold", "TwoColor.pso",
         [](float(*c)[4]) {
             c[0][3] = 141 / 255.0f;
             c[1][0] = 1, c[1][3] = 0.5f;  // first: red, alpha 128
             c[2][2] = 1, c[2][3] = 1;     // second: opaque blue
         },
         kGrey140, Argb(128, 255, 0, 0)},
        {"two colours at the threshold", "TwoColor.pso",
         [](float(*c)[4]) {
             c[0][3] = 140 / 255.0f;
             c[2][2] = 1, c[2][3] = 1;
         },
         kGrey140, Argb(255, 0, 0, 255)},
        {"clip below, filled", "BrightClipFillLess.pso",
         [](float(*c)[4]) {
             for (int i = 0; i < 4; ++i) c[0][i] = 141 / 255.0f;
             c[2][1] = 1, c[2][3] = 1;
         },
         kGrey140, Argb(255, 0, 255, 0)},
        {"clip below, not filled: transparent black", "BrightClipLess.pso",
         [](float(*c)[4]) { c[0][0] = 141 / 255.0f; }, kGrey140, 0},
        {"clip below keeps brighter pixels", "BrightClipLess.pso",
         [](float(*c)[4]) { c[0][0] = 140 / 255.0f; }, kGrey140, kGrey140},
        {"clip above", "BrightClipGreater.pso", [](float(*c)[4]) { c[0][0] = 140 / 255.0f; },
         kGrey140, 0},
        {"clip above, filled", "BrightClipFillGreater.pso",
         [](float(*c)[4]) {
             c[0][0] = 140 / 255.0f;
             c[2][0] = 1, c[2][3] = 1;
         },
         kGrey140, Argb(255, 255, 0, 0)},
        {"clip above keeps darker pixels", "BrightClipGreater.pso",
         [](float(*c)[4]) { c[0][0] = 141 / 255.0f; }, kGrey140, kGrey140},
        // (c - 50) x 256 / 150 through an identity table, then
        // (entry x 240 + 10 x 256) / 256.
        {"levels", "Level.pso",
         [](float(*c)[4]) {
             c[0][0] = 50 / 255.0f, c[0][1] = 200 / 255.0f, c[0][2] = 10 / 255.0f,
             c[0][3] = 250 / 255.0f;
             for (int i = 0; i < 256; ++i) c[1 + i / 4][i % 4] = i / 255.0f;
         },
         Argb(7, 100, 30, 220), Argb(7, 89, 10, 249)},
        // Brightness 0.5: c + (255 - c) x 128 >> 8; -0.5: c x 128 >> 8.
        {"lighter", "Hsb_RGB_TO_HSB.pso", [](float(*c)[4]) { c[0][2] = 0.5f; },
         Argb(9, 100, 0, 255), Argb(9, 177, 127, 255)},
        {"darker", "Hsb_RGB_TO_HSB.pso", [](float(*c)[4]) { c[0][2] = -0.5f; },
         Argb(9, 100, 0, 255), Argb(9, 50, 0, 127)},
        {"hue turned by a third", "Hsb_HSB_TO_RGB.pso", [](float(*c)[4]) { c[0][0] = 2; },
         Argb(9, 255, 0, 0), Argb(9, 0, 255, 0)},
        {"saturation removed", "Hsb_HSB_TO_RGB.pso", [](float(*c)[4]) { c[0][1] = -1; },
         Argb(9, 255, 0, 0), Argb(9, 128, 128, 128)},
        {"hue set to blue", "Hsb_HSB_HLOCK.pso", [](float(*c)[4]) { c[0][0] = 4; },
         Argb(9, 200, 100, 100), Argb(9, 100, 100, 200)},
    };
    for (const PixelRow& row : rows) {
        SCOPED_TRACE(row.name);
        for (auto& reg : c) reg[0] = reg[1] = reg[2] = reg[3] = 0;
        if (row.constants) row.constants(c);
        const OwnedTexture source = Picture(1, 1, {row.in});
        EXPECT_EQ(Pass(row.file, source, 1, 1).Get(0, 0), row.out);
    }
}

TEST_F(RasterFilterKernels, LevelAndGradientTables) {
    const OwnedTexture source = Picture(1, 1, {kGrey140});
    // The levels table in c1-c64: every entry 128 gives (128 x 240 + 2560) / 256.
    Constant(0, 0, 1, 10 / 255.0f, 250 / 255.0f);
    for (int i = 0; i < 256; ++i) c[1 + i / 4][i % 4] = 128 / 255.0f;
    EXPECT_EQ(Pass("Level.pso", source, 1, 1).Get(0, 0), Argb(128, 130, 130, 130));
    // The gradient's top row: luminance 140 picks texel 140, reversed 115;
    // a graphic half its texture's width reads entry i at x = i x 128 / 256.
    OwnedTexture gradient{256, 2, kFormatA8R8G8B8};
    for (int x = 0; x < 256; ++x) gradient.levels[0].Set(x, 0, Argb(x, 255 - x, x, 7));
    second = &gradient.texture;
    Constant(1, 256, 256, 2, 0);
    EXPECT_EQ(Pass("GradientMap.pso", source, 1, 1).Get(0, 0), Argb(140, 115, 140, 7));
    EXPECT_EQ(Pass("GradientMapRev.pso", source, 1, 1).Get(0, 0), Argb(115, 140, 115, 7));
    Constant(1, 128, 256, 2, 0);
    EXPECT_EQ(Pass("GradientMap.pso", source, 1, 1).Get(0, 0), Argb(70, 185, 70, 7));
}

TEST_F(RasterFilterKernels, DownScaleAveragesBlocksTruncated) {
    // 8 x 8 of red = x + 8y, alpha 255 - 10y.
    OwnedTexture source{8, 8, kFormatA8R8G8B8};
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) source.levels[0].Set(x, y, Argb(255 - 10 * y, x + 8 * y, 3, 0));
    const OwnedSurface half = Pass("DownScaleX2.pso", source, 4, 4);
    // Block (2..3, 0..1): red 2 + 3 + 10 + 11 = 26 >> 2 = 6; alpha (255 + 255 + 245 + 245) >> 2.
    EXPECT_EQ(half.Get(1, 0), Argb(250, 6, 3, 0));
    // Red (54 + 55 + 62 + 63) >> 2 = 58.5, alpha (195 + 195 + 185 + 185) >> 2.
    EXPECT_EQ(half.Get(3, 3), Argb(190, 58, 3, 0));
    const OwnedSurface quarter = Pass("DownScaleX4.pso", source, 2, 2);
    EXPECT_EQ(quarter.Get(0, 0), Argb(240, 13, 3, 0));  // red 216 >> 4, alpha 3840 >> 4
    const OwnedSurface eighth = Pass("DownScaleX8.pso", source, 1, 1);
    EXPECT_EQ(eighth.Get(0, 0), Argb(220, 31, 3, 0));  // red 2016 >> 6 = 31.5
}

TEST_F(RasterFilterKernels, BlurTapsAlongEachAxis) {
    // One bright texel at 3 of 8; w0 = 0.5, w1 = 0.25: the centre keeps
    // half, each pixel whose pair of taps holds it a quarter of half.
    OwnedTexture row{8, 1, kFormatA8R8G8B8}, column{1, 8, kFormatA8R8G8B8};
    row.levels[0].Set(3, 0, 0xFFFFFFFF);
    column.levels[0].Set(0, 3, 0xFFFFFFFF);
    Constant(0, 0.5f, 0.25f, 0, 0);
    const uint32_t expected[8] = {0,          0x20202020, 0x20202020, 0x80808080,
                                  0x20202020, 0x20202020, 0,          0};
    Constant(8, 1, 0, 0, 0);
    const OwnedSurface across = Pass("Gauss_08Pixel_PS.pso", row, 8, 1);
    Constant(8, 0, 1, 0, 0);
    const OwnedSurface down = Pass("Gauss_08Pixel_PS.pso", column, 1, 8);
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(across.Get(i, 0), expected[i]) << i;
        EXPECT_EQ(down.Get(0, i), expected[i]) << i;
    }
    // Wider kernels reach further: weight 5 reads 9 and 10 texels away,
    // weight 12 reads 23 and 24; the 8-tap kernel has neither.
    OwnedTexture wide{40, 1, kFormatA8R8G8B8};
    wide.levels[0].Set(30, 0, 0xFFFFFFFF);
    Constant(8, 1, 0, 0, 0);
    Constant(0, 0, 0, 0, 0);
    Constant(1, 0, 1, 0, 0);
    EXPECT_EQ(Pass("Gauss_16Pixel_PS.pso", wide, 40, 1).Get(20, 0), 0x80808080u);
    EXPECT_EQ(Pass("Gauss_08Pixel_PS.pso", wide, 40, 1).Get(20, 0), 0u);
    Constant(1, 0, 0, 0, 0);
    Constant(3, 1, 0, 0, 0);
    EXPECT_EQ(Pass("Gauss_32Pixel_PS.pso", wide, 40, 1).Get(6, 0), 0x80808080u);
    EXPECT_EQ(Pass("Gauss_16Pixel_PS.pso", wide, 40, 1).Get(6, 0), 0u);
}

TEST_F(RasterFilterKernels, BlurReadsOnlyTheRectangleOfItsPass) {
    // A bright texel at 2 of 8, the pass reading texels 2 to 4 (c9); w0 =
    // 0.5, w1 = 0.25. Taps past the rectangle repeat its edge texels:
    // pixel 2 = 127.5 + 0.125 x (255 + 255) = 191.25 (its left pair both
    // read texel 2), pixel 3 = 0.125 x 2 x 255, pixel 4 = 0.125 x 255.
    OwnedTexture row{8, 1, kFormatA8R8G8B8}, column{1, 8, kFormatA8R8G8B8};
    row.levels[0].Set(2, 0, 0xFFFFFFFF);
    column.levels[0].Set(0, 2, 0xFFFFFFFF);
    Constant(0, 0.5f, 0.25f, 0, 0);
    const uint32_t expected[3] = {0xBFBFBFBF, 0x40404040, 0x20202020};
    Constant(8, 1, 0, 0, 0);
    Constant(9, 2 / 8.0f, 0, 5 / 8.0f, 1);
    const OwnedSurface across = Pass("Gauss_08Pixel_PS.pso", row, 8, 1);
    Constant(8, 0, 1, 0, 0);
    Constant(9, 0, 2 / 8.0f, 1, 5 / 8.0f);
    const OwnedSurface down = Pass("Gauss_08Pixel_PS.pso", column, 1, 8);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(across.Get(2 + i, 0), expected[i]) << i;
        EXPECT_EQ(down.Get(0, 2 + i), expected[i]) << i;
    }
}

struct BlendRow {
    const char* file;
    uint32_t full, half, translucent;  // parameter 255, 128, and 255 over alpha
};

TEST_F(RasterFilterKernels, BlendKindsWeighedByTheBlendAlpha) {
    // Source (100, 200, 30), blend (200, 50, 128); the translucent column
    // has source alpha 128 and blend alpha 100.
    const BlendRow rows[] = {
        {"BasBF_Normal.pso", Argb(255, 199, 50, 127), Argb(255, 149, 125, 78),
         Argb(128, 139, 141, 68)},
        {"BasBF_Multiple.pso", Argb(255, 78, 39, 15), Argb(255, 89, 119, 22),
         Argb(128, 91, 137, 24)},
        {"BasBF_Difference.pso", Argb(255, 0, 150, 0), Argb(255, 50, 175, 15),
         Argb(128, 60, 180, 18)},
        {"BasBF_Add.pso", Argb(255, 254, 249, 157), Argb(255, 177, 224, 93),
         Argb(128, 160, 219, 80)},
        {"BasBF_Screen.pso", Argb(255, 221, 210, 143), Argb(255, 160, 205, 86),
         Argb(128, 147, 204, 74)},
        {"BasBF_Overlay.pso", Argb(255, 155, 166, 30), Argb(255, 127, 183, 30),
         Argb(128, 121, 186, 30)},
        {"BasBF_Dodge.pso", Argb(255, 254, 248, 59), Argb(255, 177, 224, 44),
         Argb(128, 160, 219, 41)},
        {"BasBF_Burn.pso", Argb(255, 58, 0, 0), Argb(255, 79, 100, 15), Argb(128, 83, 121, 18)},
        {"BasBF_Darken.pso", Argb(255, 100, 50, 30), Argb(255, 100, 125, 30),
         Argb(128, 100, 141, 30)},
        {"BasBF_Lighten.pso", Argb(255, 199, 200, 127), Argb(255, 149, 200, 78),
         Argb(128, 139, 200, 68)},
        {"BasBF_SoftLight.pso", Argb(255, 139, 172, 30), Argb(255, 119, 186, 30),
         Argb(128, 115, 189, 30)},
        {"BasBF_HardLight.pso", Argb(255, 187, 78, 30), Argb(255, 143, 139, 30),
         Argb(128, 134, 152, 30)},
        {"BasBF_Exclusion.pso", Argb(255, 142, 171, 127), Argb(255, 121, 185, 78),
         Argb(128, 116, 188, 68)},
        {"BasBF_Normal_AlphaCh.pso", Argb(255, 199, 50, 127), Argb(255, 149, 125, 78),
         Argb(178, 156, 115, 85)},
        {"BasBF_Add_AlphaCh.pso", Argb(255, 255, 250, 158), Argb(255, 199, 224, 93),
         Argb(178, 184, 171, 93)},
        {"BasBF_Multiple_AOnly.pso", Argb(254, 100, 200, 30), Argb(254, 100, 200, 30),
         Argb(50, 100, 200, 30)},
    };
    const OwnedTexture source = Picture(2, 1, {Argb(255, 100, 200, 30), Argb(128, 100, 200, 30)});
    const OwnedTexture blend = Picture(2, 1, {Argb(255, 200, 50, 128), Argb(100, 200, 50, 128)});
    second = &blend.texture;
    for (const BlendRow& row : rows) {
        SCOPED_TRACE(row.file);
        Constant(0, 1, 1, 1, 1);
        const OwnedSurface full = Pass(row.file, source, 2, 1);
        EXPECT_EQ(full.Get(0, 0), row.full);
        EXPECT_EQ(full.Get(1, 0), row.translucent);
        const float half = 128 / 255.0f;
        Constant(0, half, half, half, half);
        EXPECT_EQ(Pass(row.file, source, 2, 1).Get(0, 0), row.half);
    }
    // Nothing to show (both alphas 0): cleared.
    const OwnedTexture clear = Picture(1, 1, {Argb(0, 9, 9, 9)});
    const OwnedTexture none = Picture(1, 1, {Argb(0, 50, 50, 50)});
    second = &none.texture;
    Constant(0, 1, 1, 1, 1);
    EXPECT_EQ(Pass("BasBF_Normal_AlphaCh.pso", clear, 1, 1).Get(0, 0), 0u);
    EXPECT_EQ(Pass("BasBF_Add_AlphaCh.pso", clear, 1, 1).Get(0, 0), 0u);
}

// Source (11, 22, 33, 44), blend (55, 66, 77, 88): selector i reads
// channel i % 4 of the source (0-3) or the blend (4-7).
int Selected(int selector) {
    static const int values[8] = {11, 22, 33, 44, 55, 66, 77, 88};
    return values[selector];
}

TEST_F(RasterFilterKernels, ChannelMixesExactlyForEverySelectorSet) {
    const OwnedTexture source = Picture(1, 1, {Argb(44, 11, 22, 33)});
    const OwnedTexture blend = Picture(1, 1, {Argb(88, 55, 66, 77)});
    second = &blend.texture;
    for (int set = 0; set < 4096; ++set) {
        const int r = set & 7, g = set >> 3 & 7, b = set >> 6 & 7, a = set >> 9 & 7;
        Constant(1, r + 0.5f, g + 0.5f, b + 0.5f, a + 0.5f);
        ASSERT_EQ(Pass("RGBAMix_Base.pso", source, 1, 1).Get(0, 0),
                  Argb(Selected(a), Selected(r), Selected(g), Selected(b)))
            << r << g << b << a;
    }
    for (int index = 0; index < 256; ++index) {
        char name[32];
        std::snprintf(name, sizeof name, "RGBAMix_Table_%03d", index);
        ASSERT_EQ(Pass(name, source, 1, 1).Get(0, 0),
                  Argb(Selected(index & 3), Selected(index >> 6), Selected(index >> 4 & 3),
                       Selected(index >> 2 & 3)))
            << name;
    }
    const char letters[] = "RGBA";
    for (int alpha = 0; alpha < 4; ++alpha)
        for (int colour = 0; colour < 4; ++colour) {
            // colour 3 stands for the identity mix (the source's own red,
            // green and blue).
            const int rgb[3] = {colour == 3 ? 0 : colour, colour == 3 ? 1 : colour,
                                colour == 3 ? 2 : colour};
            const std::string name = std::string("RGBAMix_S") + letters[rgb[0]] + "S" +
                                     letters[rgb[1]] + "S" + letters[rgb[2]] + "B" +
                                     letters[alpha] + ".pso";
            EXPECT_EQ(
                Pass(name, source, 1, 1).Get(0, 0),
                Argb(Selected(4 + alpha), Selected(rgb[0]), Selected(rgb[1]), Selected(rgb[2])))
                << name;
        }
}

}  // namespace
