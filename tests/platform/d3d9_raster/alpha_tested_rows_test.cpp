// Unblended, alpha-tested, point-sampled rows (glyphs from a 16-bit font
// cache, sprites from 32-bit textures): the row loop against values worked
// by hand, and whole draws against the generic path, with and without the
// kernel the engine draws them with and over depth surfaces.
#include <random>
#include <string>

#include "../../../platform/d3d9/raster/draw_setup.h"
#include "../../../platform/d3d9/raster/known_depth_rows.h"
#include "../../../platform/d3d9/raster/span_shading.h"
#include "raster_fixture.h"

namespace {

using namespace rastertest;

constexpr RowCoords kTestedOneToOne{0, int64_t(1) << kCoordBits};

TEST(RasterAlphaTestedRows, SixteenBitTexelsByHand) {
    // A1R5G5B5: 0xFC1F is alpha 1, red 31, green 0, blue 31; 0x8421 alpha 1
    // with 1 in each channel (8 once widened: 1 << 3 | 1 >> 2); 0x7FFF alpha 0.
    const uint16_t texels[3] = {0xFC1Fu, 0x8421u, 0x7FFFu};
    uint32_t pixels[3] = {1, 2, 3};
    uint16_t depths[3] = {9, 9, 9};
    TestedRow tr;
    tr.alphaFunc = D3DCMP_GREATER;
    tr.alphaRef = 16;
    tr.set = 0xFF000000u;  // an X8 target's top byte
    tr.depthRow = reinterpret_cast<uint8_t*>(depths);
    tr.depthFormat = kFormatD16;
    tr.depth = 3;
    auto draw = [&] {
        TestedPointRow<kFormatA1R5G5B5, true, TestedRow::kAlphaProduct>(
            reinterpret_cast<const uint8_t*>(texels), 3, kTestedOneToOne, tr, 0, 3,
            reinterpret_cast<uint8_t*>(pixels));
    };
    draw();
    // The clear texel fails "greater than 16": its pixel and depth stay.
    EXPECT_EQ(pixels[0], 0xFFFF00FFu);
    EXPECT_EQ(pixels[1], 0xFF080808u);
    EXPECT_EQ(pixels[2], 3u);
    EXPECT_EQ(std::vector<uint16_t>(depths, depths + 3), (std::vector<uint16_t>{3, 3, 9}));
    // Diffuse (a 10, r 128, g 64, b 255) on channels of 8: r (8 * 128 + 127)
    // / 255 = 4, g (8 * 64 + 127) / 255 = 2, b 8; alpha 255 * 10 -> 10 passes
    // "less than 16", and so does the clear texel's 0.
    tr.diffuse = Rgba{128, 64, 255, 10};
    tr.alphaFunc = D3DCMP_LESS;
    tr.set = 0;
    draw();
    EXPECT_EQ(pixels[1], 0x0A040208u);
    EXPECT_EQ(pixels[2], 0x008040FFu);  // 255 times (128, 64, 255)
}

struct TestedAlphaRow {
    const char* name;
    DWORD func;
    int ref;
};

const TestedAlphaRow kTestedAlphaTests[] = {
    {"greater than 16 (glyphs)", D3DCMP_GREATER, 16},
    {"less than 128", D3DCMP_LESS, 128},
    {"equal 0", D3DCMP_EQUAL, 0},
};

struct TestedDiffuseRow {
    const char* name;
    uint32_t argb;
};

const TestedDiffuseRow kTestedDiffuse[] = {
    {"white (brightness off)", 0xFFFFFFFFu},
    {"black (glyph edges)", 0xFF000000u},
    {"brightness", 0xFFC08040u},
    {"alpha below 255", 0x40FFFFFFu},
};

struct TestedDepthRow {
    const char* name;
    bool depth;
    int fill;  // byte every stored depth is made of; -1 random
    bool known;
};

const TestedDepthRow kTestedDepths[] = {
    {"no depth surface", false, 0, false},
    {"depth cleared to far, rows known", true, 0xFF, true},
    {"depth all at the draw's own", true, 0, true},
    {"random stored depths", true, -1, false},
};

class RasterAlphaTestedDraws : public ::testing::Test {
  protected:
    void SetUp() override { platform::d3d9::RegisterPackageShaderKernels(); }
    void TearDown() override { RasterForceGenericSpans(false); }
};

// Glyph-like quads (1:1, at whole pixels, some over the target's edges and
// past the texture's) drawn with the engine's glyph state: the pixels and
// depths must be the generic path's to the byte.
TEST_F(RasterAlphaTestedDraws, RowsMatchTheGenericPath) {
    const platform::d3d9::ShaderKernel* glyphKernel =
        platform::d3d9::FindShaderKernel("ps_blend0_type0_igcolor0_igtalpha0.pso", false);
    ASSERT_NE(glyphKernel, nullptr);
    const float c[224][4] = {};
    std::mt19937 rng(1555);
    int specialised = 0, cases = 0;
    for (const TestedAlphaRow& test : kTestedAlphaTests)
        for (const TestedDiffuseRow& diffuse : kTestedDiffuse)
            for (const TestedDepthRow& depth : kTestedDepths)
                for (uint32_t texFormat : {kFormatA1R5G5B5, kFormatA8R8G8B8, kFormatX8R8G8B8})
                    for (uint32_t target : {kFormatA8R8G8B8, kFormatX8R8G8B8})
                        for (bool kernel : {true, false}) {
                            SCOPED_TRACE(std::string(test.name) + ", " + diffuse.name + ", " +
                                         depth.name + ", texture " + std::to_string(texFormat) +
                                         ", target " + std::to_string(target) +
                                         (kernel ? ", kernel" : ", stage"));
                            OwnedTexture tex(24, 16, texFormat);
                            OwnedSurface a(40, 24, target), g(40, 24, target);
                            OwnedSurface da(40, 24, kFormatD16), dg(40, 24, kFormatD16);
                            RandomiseTwinPixels(tex, a, g, rng);
                            for (auto& b : da.bytes)
                                b = depth.fill < 0 ? uint8_t(rng()) : uint8_t(depth.fill);
                            dg.bytes = da.bytes;
                            KnownDepthRows known(24);
                            if (depth.known) {
                                for (int y = 0; y < 24; ++y)
                                    known.Learn(y, 0, 40, depth.fill ? 0xFFFFu : 0u);
                                da.surface.known = &known;
                            }
                            RasterState s =
                                StateFor(a.surface, D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1);
                            UseTexture(s, &tex.texture, D3DTOP_MODULATE, D3DTOP_MODULATE);
                            if (kernel) {
                                s.pixelKernel = glyphKernel;
                                s.pixelConstF = c;
                            }
                            s.render[D3DRS_ALPHATESTENABLE] = TRUE;
                            s.render[D3DRS_ALPHAFUNC] = test.func;
                            s.render[D3DRS_ALPHAREF] = DWORD(test.ref);
                            RasterState sg = s;
                            sg.target = g.surface;
                            if (depth.depth) {
                                s.depth = da.surface;
                                sg.depth = dg.surface;
                                s.render[D3DRS_ZENABLE] = sg.render[D3DRS_ZENABLE] = TRUE;
                                s.render[D3DRS_ZWRITEENABLE] = sg.render[D3DRS_ZWRITEENABLE] = TRUE;
                                s.render[D3DRS_ZFUNC] = sg.render[D3DRS_ZFUNC] = D3DCMP_LESSEQUAL;
                            }
                            DrawSetup setup;
                            ASSERT_EQ(BuildDrawSetup(s, setup), nullptr);
                            specialised += ChooseSpans(setup).special != nullptr;
                            ++cases;
                            std::vector<V2DTex> v;
                            const float w = 24, h = 16;
                            for (int q = 0; q < 5; ++q) {
                                const float x = float(int(rng() % 50) - 12) - 0.5f,
                                            y = float(int(rng() % 30) - 8) - 0.5f;
                                const float gw = float(3 + rng() % 8), gh = float(3 + rng() % 10);
                                const float u = float(int(rng() % 28) - 2), t = float(rng() % 14);
                                auto quad = TexQuad(x, y, x + gw, y + gh, u / w, t / h,
                                                    (u + gw) / w, (t + gh) / h, diffuse.argb);
                                v.insert(v.end(), quad.begin(), quad.end());
                            }
                            ASSERT_EQ(DrawList(s, v).hr, S_OK);
                            RasterForceGenericSpans(true);
                            ASSERT_EQ(DrawList(sg, v).hr, S_OK);
                            RasterForceGenericSpans(false);
                            ASSERT_EQ(a.bytes, g.bytes);
                            ASSERT_EQ(da.bytes, dg.bytes);
                        }
    // Every one of these states has row code.
    EXPECT_EQ(specialised, cases);
}

}  // namespace
