// Texture mapping: texel centres, clipping that moves coordinates, point
// and bilinear filters, address modes, mip levels and perspective.
#include <cmath>

#include "raster_fixture.h"

namespace {

using namespace rastertest;

constexpr DWORD kFvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;

uint32_t TexelValue(int x, int y) {
    return Argb(255, x * 7, y * 7, (x ^ y) & 255);
}

TEST(RasterTexturing, PointSampledSpriteAtHalfPixelOffsetIsTexelForTexel) {
    OwnedTexture tex(32, 32, kFormatA8R8G8B8);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) tex.levels[0].Set(x, y, TexelValue(x, y));
    OwnedSurface t(64, 64, kFormatA8R8G8B8);
    RasterState s = StateFor(t.surface, kFvf);
    UseTexture(s, &tex.texture);
    ASSERT_EQ(DrawList(s, TexQuad(9.5f, 19.5f, 41.5f, 51.5f, 0, 0, 1, 1)).hr, S_OK);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            ASSERT_EQ(t.Get(x + 10, y + 20), TexelValue(x, y)) << x << "," << y;
    EXPECT_EQ(t.Get(9, 20), 0u);
    EXPECT_EQ(t.Get(42, 20), 0u);
}

TEST(RasterTexturing, LeftClipThatMovesUKeepsTheMapping) {
    OwnedTexture tex(32, 32, kFormatA8R8G8B8);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) tex.levels[0].Set(x, y, TexelValue(x, y));
    OwnedSurface t(64, 64, kFormatA8R8G8B8);
    RasterState s = StateFor(t.surface, kFvf);
    UseTexture(s, &tex.texture);
    // Drawn at (-8, 0) and clipped at x = 0: the left vertices move to 0 and
    // their u by 8.5 texels.
    float u = (0.0f - (-8.5f)) / 32.0f;
    ASSERT_EQ(DrawList(s, TexQuad(0.0f, -0.5f, 23.5f, 31.5f, u, 0, 1, 1)).hr, S_OK);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 24; ++x) ASSERT_EQ(t.Get(x, y), TexelValue(x + 8, y)) << x << "," << y;
    EXPECT_EQ(t.Get(24, 0), 0u);
}

TEST(RasterTexturing, BilinearTwoByTwoToFourByFour) {
    OwnedTexture tex(2, 2, kFormatA8R8G8B8);
    tex.levels[0].Set(0, 0, Argb(255, 0, 0, 0));
    tex.levels[0].Set(1, 0, Argb(255, 255, 0, 0));
    tex.levels[0].Set(0, 1, Argb(255, 100, 0, 0));
    tex.levels[0].Set(1, 1, Argb(255, 200, 0, 0));
    OwnedSurface t(4, 4, kFormatA8R8G8B8);
    RasterState s = StateFor(t.surface, kFvf);
    UseTexture(s, &tex.texture);
    s.sampler[0][D3DSAMP_MINFILTER] = s.sampler[0][D3DSAMP_MAGFILTER] = D3DTEXF_LINEAR;
    ASSERT_EQ(DrawList(s, TexQuad(-0.5f, -0.5f, 3.5f, 3.5f, 0, 0, 1, 1)).hr, S_OK);
    // Sample points u * 2 - 0.5 = -0.25, 0.25, 0.75, 1.25: clamped edges,
    // weights 64/256 and 192/256 between. By hand (red channel):
    const int expected[4][4] = {
        {0, 64, 191, 255},     // row 0: top texels only
        {25, 79, 187, 241},    // row 1: 3/4 top, 1/4 bottom
        {75, 110, 179, 214},   // row 2: 1/4 top, 3/4 bottom
        {100, 125, 175, 200},  // row 3: bottom texels only
    };
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_NEAR(int((t.Get(x, y) >> 16) & 255), expected[y][x], 1) << x << "," << y;
    // Exact value of the 8-bit weight rule at (1, 1): ((0 * 192 + 255 * 64)
    // * 192 + (100 * 192 + 200 * 64) * 64 + 32768) >> 16 = 79.
    EXPECT_EQ((t.Get(1, 1) >> 16) & 255, 79u);
}

TEST(RasterTexturing, AddressModesAtTheEdges) {
    OwnedTexture tex(4, 1, kFormatA8R8G8B8);
    for (int x = 0; x < 4; ++x) tex.levels[0].Set(x, 0, Argb(255, 10 * (x + 1), 0, 0));
    OwnedSurface t(12, 1, kFormatA8R8G8B8);
    RasterState s = StateFor(t.surface, kFvf);
    UseTexture(s, &tex.texture);
    s.sampler[0][D3DSAMP_BORDERCOLOR] = Argb(255, 99, 0, 0);
    // u from -1 to 2 over 12 pixels: pixel x samples texel x - 4.
    auto run = [&](DWORD mode) {
        s.sampler[0][D3DSAMP_ADDRESSU] = s.sampler[0][D3DSAMP_ADDRESSV] = mode;
        t.Fill(0);
        EXPECT_EQ(DrawList(s, TexQuad(-0.5f, -0.5f, 11.5f, 0.5f, -1, 0, 2, 1)).hr, S_OK);
        std::vector<int> reds;
        for (int x = 0; x < 12; ++x) reds.push_back(int((t.Get(x, 0) >> 16) & 255));
        return reds;
    };
    EXPECT_EQ(run(D3DTADDRESS_WRAP),
              (std::vector<int>{10, 20, 30, 40, 10, 20, 30, 40, 10, 20, 30, 40}));
    EXPECT_EQ(run(D3DTADDRESS_MIRROR),
              (std::vector<int>{40, 30, 20, 10, 10, 20, 30, 40, 40, 30, 20, 10}));
    EXPECT_EQ(run(D3DTADDRESS_CLAMP),
              (std::vector<int>{10, 10, 10, 10, 10, 20, 30, 40, 40, 40, 40, 40}));
    EXPECT_EQ(run(D3DTADDRESS_BORDER),
              (std::vector<int>{99, 99, 99, 99, 10, 20, 30, 40, 99, 99, 99, 99}));
    EXPECT_EQ(run(D3DTADDRESS_MIRRORONCE),
              (std::vector<int>{40, 30, 20, 10, 10, 20, 30, 40, 40, 40, 40, 40}));
}

TEST(RasterTexturing, MipLevelOfATwoToOneMinification) {
    OwnedTexture tex(8, 8, kFormatX8R8G8B8, 2);
    tex.levels[0].Fill(0xFFFF0000u);
    tex.levels[1].Fill(0xFF00FF00u);
    OwnedSurface t(8, 8, kFormatX8R8G8B8);
    RasterState s = StateFor(t.surface, kFvf);
    UseTexture(s, &tex.texture);
    auto draw = [&](float size, DWORD mip) {
        s.sampler[0][D3DSAMP_MIPFILTER] = mip;
        t.Fill(0);
        EXPECT_EQ(DrawList(s, TexQuad(-0.5f, -0.5f, size - 0.5f, size - 0.5f, 0, 0, 1, 1)).hr,
                  S_OK);
        return t.Get(1, 1);
    };
    EXPECT_EQ(draw(4, D3DTEXF_POINT), 0xFF00FF00u);   // 8 texels on 4 pixels: level 1
    EXPECT_EQ(draw(4, D3DTEXF_LINEAR), 0xFF00FF00u);  // lod exactly 1: all level 1
    EXPECT_EQ(draw(4, D3DTEXF_NONE), 0xFFFF0000u);    // no mip filter: level 0
    EXPECT_EQ(draw(8, D3DTEXF_POINT), 0xFFFF0000u);   // 1:1: level 0
    // Linear mip filter between the levels: 1.5 texels per pixel is lod
    // log2(1.5) = 0.585, weight round(0.585 * 256) = 150 toward level 1.
    s.sampler[0][D3DSAMP_MIPFILTER] = D3DTEXF_LINEAR;
    t.Fill(0);
    float size = 8.0f / 1.5f;
    ASSERT_EQ(DrawList(s, TexQuad(-0.5f, -0.5f, size - 0.5f, size - 0.5f, 0, 0, 1, 1)).hr, S_OK);
    uint32_t c = t.Get(1, 1);
    EXPECT_EQ((c >> 16) & 255, uint32_t((255 * (256 - 150) + 128) >> 8));
    EXPECT_EQ((c >> 8) & 255, uint32_t((255 * 150 + 128) >> 8));
}

TEST(RasterTexturing, PerspectiveCorrectCoordinates) {
    OwnedTexture tex(10, 1, kFormatA8R8G8B8);
    for (int x = 0; x < 10; ++x) tex.levels[0].Set(x, 0, Argb(255, x, 0, 0));
    OwnedSurface t(10, 1, kFormatA8R8G8B8);
    RasterState s = StateFor(t.surface, kFvf);
    UseTexture(s, &tex.texture);
    // Left edge at w = 1, right edge at w = 4.
    std::vector<V2DTex> v = {{-0.5f, -0.5f, 0, 1.0f, 0, 0, 0}, {9.5f, -0.5f, 0, 0.25f, 0, 1, 0},
                             {-0.5f, 0.5f, 0, 1.0f, 0, 0, 1},  {9.5f, 0.5f, 0, 0.25f, 0, 1, 1},
                             {-0.5f, 0.5f, 0, 1.0f, 0, 0, 1},  {9.5f, -0.5f, 0, 0.25f, 0, 1, 0}};
    ASSERT_EQ(DrawList(s, v).hr, S_OK);
    for (int x = 0; x < 10; ++x) {
        double f = (x + 0.5) / 10.0;
        double u = (f * 0.25) / ((1 - f) + f * 0.25);
        EXPECT_EQ(int((t.Get(x, 0) >> 16) & 255), int(std::floor(u * 10))) << x;
    }
    // By hand at the middle pixel x = 4: f = 0.45, u = 0.1125 / 0.6625 =
    // 0.1698: texel 1, where an affine mapping would give texel 4.
    EXPECT_EQ((t.Get(4, 0) >> 16) & 255, 1u);
}

TEST(RasterTexturing, MissingCoordinateSetReadsZero) {
    OwnedTexture tex(2, 1, kFormatA8R8G8B8);
    tex.levels[0].Set(0, 0, 0xFF112233u);
    tex.levels[0].Set(1, 0, 0xFF445566u);
    OwnedSurface t(4, 4, kFormatA8R8G8B8);
    RasterState s = StateFor(t.surface, kFvf);
    UseTexture(s, &tex.texture);
    s.stage[0][D3DTSS_TEXCOORDINDEX] = 3;  // the format has only set 0
    ASSERT_EQ(DrawList(s, TexQuad(-0.5f, -0.5f, 3.5f, 3.5f, 0.9f, 0.9f, 0.9f, 0.9f)).hr, S_OK);
    EXPECT_EQ(t.Get(3, 3), 0xFF112233u);
}

}  // namespace
