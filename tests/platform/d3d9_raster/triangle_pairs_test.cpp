// Triangle lists drawn a pair at a time (a quad's two halves as one span per
// row where everything the spans read is the same) against the generic path,
// which draws every triangle on its own.
#include <algorithm>
#include <cmath>
#include <random>

#include "../../../platform/d3d9/raster/known_depth_rows.h"
#include "../../../platform/d3d9/shader_kernels.h"
#include "raster_fixture.h"

namespace {

using namespace rastertest;

class RasterTrianglePairs : public ::testing::Test {
  protected:
    void SetUp() override { platform::d3d9::RegisterPackageShaderKernels(); }
    void TearDown() override { RasterForceGenericSpans(false); }
};

// The six vertices of a quad's two triangles in one of the orders a program
// may give them: either diagonal, either winding.
std::vector<V2DTex> QuadInOrder(const V2DTex corner[4], int order) {
    // Corners: 0 top-left, 1 top-right, 2 bottom-left, 3 bottom-right.
    static const int kOrders[4][6] = {
        {0, 1, 2, 3, 2, 1},  // the engine's
        {0, 2, 1, 1, 2, 3},  // the same diagonal, the other winding
        {0, 1, 3, 0, 3, 2},  // the other diagonal
        {3, 2, 0, 0, 1, 3},  // the other diagonal, the other winding
    };
    std::vector<V2DTex> v;
    for (int i : kOrders[order]) v.push_back(corner[i]);
    return v;
}

TEST_F(RasterTrianglePairs, RandomQuadListsMatchTheGenericPath) {
    std::mt19937 rng(5150);
    constexpr const char* kPlain = "ps_blend0_type0_igcolor0_igtalpha0.pso";
    // No fixed stage equals these: the kernel's own span covers the pairs.
    constexpr const char* kFaded = "ps_blend0_type1_igcolor0_igtalpha0.pso";
    constexpr const char* kReplaced = "ps_blend0_type0_igcolor1_igtalpha1.pso";
    struct Case {
        const char* name;
        bool blend, depth, linear;
        const char* kernel;  // null: the fixed stages
        float z;             // over stored depths of 0 (z = 0) or random ones
        uint32_t texFormat = kFormatA8R8G8B8;
    };
    const Case cases[] = {
        {"opaque", false, false, false, nullptr, 0},
        {"blended", true, false, false, nullptr, 0},
        {"blended, depth-tested at one depth", true, true, false, nullptr, 0},
        {"opaque, depth-tested, bilinear", false, true, true, nullptr, 0},
        {"blended through a kernel", true, false, false, kPlain, 0},
        {"kernel over stored depths in the way", true, true, false, kPlain, 0.5f},
        {"fixed stages over stored depths in the way", true, true, true, nullptr, 0.5f},
        {"kernel on a 16-bit texture", true, false, false, kPlain, 0, kFormatA1R5G5B5},
        {"kernel on a 16-bit texture, bilinear", false, false, true, kPlain, 0, kFormatA4R4G4B4},
        {"kernel on a 16-bit texture, depth in the way", true, true, false, kPlain, 0.5f,
         kFormatR5G6B5},
        {"kernel fading to the factor", true, false, true, kFaded, 0},
        {"kernel replacing the colour, depth-tested", true, true, false, kReplaced, 0},
    };
    float constants[224][4] = {};
    // The texture factor (read only by the kernels that fade or replace).
    const float factor[4] = {0.2f, 0.6f, 1.0f, 1.0f};
    std::copy(factor, factor + 4, constants[5]);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        OwnedTexture tex(16, 16, c.texFormat);
        for (int round = 0; round < 60; ++round) {
            for (auto& b : tex.levels[0].bytes) b = uint8_t(rng());
            OwnedSurface paired(64, 48, kFormatA8R8G8B8), single(64, 48, kFormatA8R8G8B8);
            OwnedSurface pairedDepth(64, 48, kFormatD24S8), singleDepth(64, 48, kFormatD24S8);
            for (auto& b : paired.bytes) b = uint8_t(rng());
            single.bytes = paired.bytes;
            if (c.z > 0) {
                for (auto& b : pairedDepth.bytes) b = uint8_t(rng());
                singleDepth.bytes = pairedDepth.bytes;
            }
            KnownDepthRows known(48);
            std::vector<V2DTex> v;
            for (int q = 0; q < 12; ++q) {
                // Whole and fractional corners, mirrored and scaled texels,
                // hanging over the edges; now and then the second half has a
                // colour of its own, or a lone triangle shifts the pairing.
                const float step = rng() % 2 ? 1.0f : 0.25f;
                const float x1 = float(int(rng() % 80) - 10) * step - 0.5f;
                const float y1 = float(int(rng() % 60) - 8) * step - 0.5f;
                const float x2 = x1 + 1 + float(rng() % 40), y2 = y1 + 1 + float(rng() % 30);
                const float u1 = rng() % 3 ? 0.0f : 1.0f, u2 = 1.0f - u1;
                const float v2 = rng() % 2 ? 1.0f : 0.5f + float(rng() % 100) / 100.0f;
                const uint32_t colour = rng() % 2 ? 0xFFFFFFFFu : rng();
                V2DTex corner[4] = {{x1, y1, c.z, 1, colour, u1, 0},
                                    {x2, y1, c.z, 1, colour, u2, 0},
                                    {x1, y2, c.z, 1, colour, u1, v2},
                                    {x2, y2, c.z, 1, colour, u2, v2}};
                auto quad = QuadInOrder(corner, int(rng() % 4));
                if (rng() % 6 == 0) quad[3].diffuse = rng();
                if (rng() % 8 == 0) quad.resize(3);
                v.insert(v.end(), quad.begin(), quad.end());
            }
            for (bool generic : {false, true}) {
                OwnedSurface& target = generic ? single : paired;
                RasterState s = StateFor(target.surface, D3DFVF_XYZRHW | D3DFVF_DIFFUSE | 0x100);
                UseTexture(s, &tex.texture, D3DTOP_MODULATE, D3DTOP_MODULATE);
                const DWORD filter = c.linear ? D3DTEXF_LINEAR : D3DTEXF_POINT;
                s.sampler[0][D3DSAMP_MINFILTER] = s.sampler[0][D3DSAMP_MAGFILTER] = filter;
                s.render[D3DRS_ALPHABLENDENABLE] = c.blend;
                s.render[D3DRS_SRCBLEND] = D3DBLEND_SRCALPHA;
                s.render[D3DRS_DESTBLEND] = D3DBLEND_INVSRCALPHA;
                if (c.kernel) {
                    s.pixelKernel = platform::d3d9::FindShaderKernel(c.kernel, false);
                    ASSERT_NE(s.pixelKernel, nullptr);
                    s.pixelConstF = constants;
                }
                if (c.depth) {
                    s.depth = (generic ? singleDepth : pairedDepth).surface;
                    if (!generic) s.depth.known = &known;
                    s.render[D3DRS_ZENABLE] = D3DZB_TRUE;
                }
                RasterForceGenericSpans(generic);
                ASSERT_EQ(DrawList(s, v).hr, S_OK);
                // Drawn twice: the second time over the depths the first wrote.
                ASSERT_EQ(DrawList(s, v).hr, S_OK);
                RasterForceGenericSpans(false);
            }
            ASSERT_EQ(paired.bytes, single.bytes) << "round " << round;
            ASSERT_EQ(pairedDepth.bytes, singleDepth.bytes) << "round " << round;
        }
    }
}

// Rectangles at any 1/256 pixel, thinner than a pixel up to wide ones, with
// corners on pixel centres and the scissor cutting them: the pair's one span
// a row covers what the two triangles cover on their own.
TEST_F(RasterTrianglePairs, RectanglesAtAnySubpixelPositionMatchTheGenericPath) {
    std::mt19937 rng(6160);
    OwnedTexture tex(16, 16, kFormatA8R8G8B8);
    for (auto& b : tex.levels[0].bytes) b = uint8_t(rng());
    for (int round = 0; round < 300; ++round) {
        OwnedSurface paired(48, 40, kFormatA8R8G8B8), single(48, 40, kFormatA8R8G8B8);
        for (auto& b : paired.bytes) b = uint8_t(rng());
        single.bytes = paired.bytes;
        std::vector<V2DTex> v;
        for (int q = 0; q < 8; ++q) {
            // Whole pixels (centres on the edges), or any 1/256.
            const bool whole = rng() % 3 == 0;
            auto at = [&](int range, int below) {
                const int v = int(rng() % uint32_t(range * 256)) - below * 256;
                return whole ? float(v / 256) : float(v) / 256;
            };
            const float x1 = at(60, 6), y1 = at(50, 5);
            const float x2 = x1 + at(20, 0) + (whole ? 1 : 1.0f / 256);
            const float y2 = y1 + at(16, 0) + (whole ? 1 : 1.0f / 256);
            V2DTex corner[4] = {{x1, y1, 0, 1, 0xFFFFFFFFu, 0, 0},
                                {x2, y1, 0, 1, 0xFFFFFFFFu, 1, 0},
                                {x1, y2, 0, 1, 0xFFFFFFFFu, 0, 1},
                                {x2, y2, 0, 1, 0xFFFFFFFFu, 1, 1}};
            auto quad = QuadInOrder(corner, int(rng() % 4));
            v.insert(v.end(), quad.begin(), quad.end());
        }
        const RECT scissor = {LONG(rng() % 20), LONG(rng() % 16), LONG(24 + rng() % 25),
                              LONG(20 + rng() % 21)};
        const bool scissored = rng() % 2;
        for (bool generic : {false, true}) {
            OwnedSurface& target = generic ? single : paired;
            RasterState s = StateFor(target.surface, D3DFVF_XYZRHW | D3DFVF_DIFFUSE | 0x100);
            UseTexture(s, &tex.texture, D3DTOP_MODULATE, D3DTOP_MODULATE);
            s.render[D3DRS_ALPHABLENDENABLE] = TRUE;
            s.render[D3DRS_SRCBLEND] = D3DBLEND_SRCALPHA;
            s.render[D3DRS_DESTBLEND] = D3DBLEND_INVSRCALPHA;
            s.render[D3DRS_SCISSORTESTENABLE] = scissored;
            s.scissor = scissor;
            RasterForceGenericSpans(generic);
            ASSERT_EQ(DrawList(s, v).hr, S_OK);
            RasterForceGenericSpans(false);
        }
        ASSERT_EQ(paired.bytes, single.bytes) << "round " << round;
    }
}

}  // namespace
