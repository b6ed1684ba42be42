// Point-sampled rows tinted by a flat diffuse colour (fades over whole-screen
// copies): the SIMD loop against its plain twin, the plain twin against
// products worked by hand, and whole draws against the generic path.
#include <random>

#include "../../../platform/d3d9/raster/span_rows.h"
#include "random_point_rows.h"
#include "raster_fixture.h"

namespace {

using namespace rastertest;

TEST(RasterTintedRows, PlainTwinMultipliesByHand) {
    // One texel 0x80FF4001 under a colour (r 128, g 64, b 255): each channel
    // round(t * c / 255) = (t * c + 127) / 255; alpha kept.
    const uint32_t texel = 0x80FF4001u;
    const RowCoords c{0, int64_t(1) << kCoordBits};
    uint32_t pixel = 0;
    TintedPointRowPlain(reinterpret_cast<const uint8_t*>(&texel), 1, kFormatA8R8G8B8, c,
                        Rgba{128, 64, 255, 7}, 0, 1, ~0u, 0, reinterpret_cast<uint8_t*>(&pixel));
    const uint32_t r = (255 * 128 + 127) / 255, g = (64 * 64 + 127) / 255, b = 1;
    EXPECT_EQ(pixel, 0x80000000u | (r << 16) | (g << 8) | b);
    // X8 texels read alpha 255; keep and set replace it.
    TintedPointRowPlain(reinterpret_cast<const uint8_t*>(&texel), 1, kFormatX8R8G8B8, c,
                        Rgba{0, 0, 0, 0}, 0, 1, 0x00FFFFFFu, 0x33000000u,
                        reinterpret_cast<uint8_t*>(&pixel));
    EXPECT_EQ(pixel, 0x33000000u);
}

TEST(RasterTintedRows, SimdLoopMatchesThePlainTwinOnRandomRows) {
    std::mt19937 rng(5858);
    for (int round = 0; round < 2000; ++round) {
        RandomPointRow r(rng, round);
        Rgba colour = FromArgb(rng());
        if (round % 5 == 0) colour = Rgba{255, 255, 255, 255};
        if (round % 7 == 0) colour = Rgba{0, 0, 0, 0};
        std::vector<uint8_t> plain = r.dest, widest = r.dest, sse2 = r.dest;
        TintedPointRowPlain(r.texels.data(), r.width, r.format, r.c, colour, r.x0, r.x1, r.keep,
                            r.set, plain.data());
        // The widest loop the processor has (AVX2 here, where it has it).
        TintedPointRow(r.texels.data(), r.width, r.format, r.c, colour, r.x0, r.x1, r.keep, r.set,
                       widest.data());
        ASSERT_EQ(widest, plain) << "round " << round;
#if defined(__SSE2__)
        TintedPointRowSse2(r.texels.data(), r.width, r.format, r.c, colour, r.x0, r.x1, r.keep,
                           r.set, sse2.data());
        ASSERT_EQ(sse2, plain) << "SSE2, round " << round;
#endif
    }
}

class RasterTintedDraws : public ::testing::Test {
  protected:
    void TearDown() override { RasterForceGenericSpans(false); }
};

// A whole-target copy drawn 1:1 with a flat diffuse colour, as fades draw
// it: the result must be the generic path's to the byte.
TEST_F(RasterTintedDraws, ScreenCopiesUnderAColourMatchTheGenericPath) {
    struct Row {
        const char* name;
        uint32_t colour;
        bool blend;
    };
    const Row rows[] = {
        {"white", 0xFFFFFFFFu, false},
        {"black", 0xFF000000u, false},
        {"grey", 0xFF808080u, false},
        {"tinted", 0xFFC04020u, false},
        {"alpha below 255", 0x60A0B0C0u, false},
        {"grey blended", 0xFF808080u, true},
        {"alpha below 255 blended", 0x60A0B0C0u, true},
    };
    const DWORD alphaOps[] = {D3DTOP_SELECTARG2, D3DTOP_SELECTARG1, D3DTOP_MODULATE};
    std::mt19937 rng(59);
    for (const Row& row : rows)
        for (uint32_t target : {kFormatA8R8G8B8, kFormatX8R8G8B8})
            for (uint32_t texFormat : {kFormatA8R8G8B8, kFormatX8R8G8B8})
                for (DWORD alphaOp : alphaOps)
                    for (bool alphaTest : {false, true}) {
                        OwnedTexture tex(64, 48, texFormat);
                        OwnedSurface a(64, 48, target), g(64, 48, target);
                        RandomiseTwinPixels(tex, a, g, rng);
                        RasterState s =
                            StateFor(a.surface, D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1);
                        UseTexture(s, &tex.texture, D3DTOP_MODULATE, alphaOp);
                        s.render[D3DRS_ALPHABLENDENABLE] = row.blend;
                        s.render[D3DRS_SRCBLEND] = D3DBLEND_SRCALPHA;
                        s.render[D3DRS_DESTBLEND] = D3DBLEND_INVSRCALPHA;
                        s.render[D3DRS_ALPHATESTENABLE] = alphaTest;
                        s.render[D3DRS_ALPHAFUNC] = D3DCMP_GREATER;
                        s.render[D3DRS_ALPHAREF] = 100;
                        RasterState sg = s;
                        sg.target = g.surface;
                        // The whole target, and a part hanging over its edge.
                        auto v = TexQuad(-0.5f, -0.5f, 63.5f, 47.5f, 0, 0, 1, 1, row.colour);
                        auto part = TexQuad(20.5f, 10.5f, 84.5f, 58.5f, 0, 0, 1, 1, row.colour);
                        v.insert(v.end(), part.begin(), part.end());
                        ASSERT_EQ(DrawList(s, v).hr, S_OK);
                        RasterForceGenericSpans(true);
                        ASSERT_EQ(DrawList(sg, v).hr, S_OK);
                        RasterForceGenericSpans(false);
                        ASSERT_EQ(a.bytes, g.bytes)
                            << row.name << ": target " << target << " texture " << texFormat
                            << " alpha op " << alphaOp << " alpha test " << alphaTest;
                    }
}

}  // namespace
