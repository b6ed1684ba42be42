// 2D kernels that equal one fixed-function stage draw through that stage's
// specialised row code. Their pixels must be the kernel's own (the kernel
// run span by span, forced through the generic choice), byte for byte, on
// random textures, quads, diffuse colours, blends, alpha tests and targets.
#include <random>

#include "../../../platform/d3d9/raster/draw_setup.h"
#include "../../../platform/d3d9/raster/span_shading.h"
#include "raster_fixture.h"

namespace {

using namespace rastertest;

struct TwinRow {
    const char* name;
    const char* kernel;
    bool textured;
};

const TwinRow kTwins[] = {
    {"plain, texture alpha", "ps_blend0_type0_igcolor0_igtalpha0.pso", true},
    {"plain, diffuse alpha", "ps_blend0_type0_igcolor0_igtalpha1.pso", true},
    {"times four, texture alpha", "ps_blend0_type3_igcolor0_igtalpha0.pso", true},
    {"shape", "ps_nonetex_type0.pso", false},
};

struct OutputRow {
    const char* name;
    bool blend;
    DWORD src, dst;
    bool alphaTest;
    int ref;
};

const OutputRow kOutputs[] = {
    {"opaque", false, D3DBLEND_ONE, D3DBLEND_ZERO, false, 0},
    {"opaque, alpha test above 16", false, D3DBLEND_ONE, D3DBLEND_ZERO, true, 16},
    {"alpha blend, alpha test above 0", true, D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA, true, 0},
    {"additive", true, D3DBLEND_SRCALPHA, D3DBLEND_ONE, false, 0},
    {"multiply (no specialised span)", true, D3DBLEND_ZERO, D3DBLEND_SRCCOLOR, false, 0},
};

class RasterKernelStageTwins : public ::testing::Test {
  protected:
    void SetUp() override { platform::d3d9::RegisterPackageShaderKernels(); }
    void TearDown() override { RasterForceGenericSpans(false); }
};

TEST_F(RasterKernelStageTwins, RowCodeGivesTheKernelsPixels) {
    std::mt19937 rng(2026);
    const float c[224][4] = {{0}, {0}, {0}, {0}, {0}, {0.2f, 0.4f, 0.6f, 0.8f}};
    for (const TwinRow& twin : kTwins) {
        const platform::d3d9::ShaderKernel* kernel =
            platform::d3d9::FindShaderKernel(twin.kernel, false);
        ASSERT_NE(kernel, nullptr) << twin.kernel;
        int specialised = 0;
        for (const OutputRow& out : kOutputs)
            for (uint32_t target : {kFormatA8R8G8B8, kFormatX8R8G8B8})
                for (uint32_t texFormat : {kFormatA8R8G8B8, kFormatX8R8G8B8})
                    for (DWORD filter : {D3DTEXF_POINT, D3DTEXF_LINEAR})
                        for (uint32_t diffuse : {0xFFFFFFFFu, 0x80FFFFFFu, uint32_t(rng())}) {
                            SCOPED_TRACE(std::string(twin.name) + ", " + out.name + ", target " +
                                         std::to_string(target) + ", texture " +
                                         std::to_string(texFormat) + ", filter " +
                                         std::to_string(filter) + ", diffuse " +
                                         std::to_string(diffuse));
                            OwnedTexture tex(8 + int(rng() % 40), 8 + int(rng() % 40), texFormat);
                            OwnedSurface a(64, 48, target), g(64, 48, target);
                            RandomiseTwinPixels(tex, a, g, rng);
                            RasterState s =
                                StateFor(a.surface, D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1);
                            s.pixelKernel = kernel;
                            s.pixelConstF = c;
                            s.textures[0] = twin.textured ? &tex.texture : nullptr;
                            s.sampler[0][D3DSAMP_ADDRESSU] = s.sampler[0][D3DSAMP_ADDRESSV] =
                                D3DTADDRESS_CLAMP;
                            s.sampler[0][D3DSAMP_MINFILTER] = s.sampler[0][D3DSAMP_MAGFILTER] =
                                filter;
                            s.render[D3DRS_ALPHABLENDENABLE] = out.blend;
                            s.render[D3DRS_SRCBLEND] = out.src;
                            s.render[D3DRS_DESTBLEND] = out.dst;
                            s.render[D3DRS_ALPHATESTENABLE] = out.alphaTest;
                            s.render[D3DRS_ALPHAFUNC] = D3DCMP_GREATER;
                            s.render[D3DRS_ALPHAREF] = DWORD(out.ref);
                            RasterState sg = s;
                            sg.target = g.surface;
                            DrawSetup setup;
                            ASSERT_EQ(BuildDrawSetup(s, setup), nullptr);
                            specialised += ChooseSpans(setup).special != nullptr;
                            // Quads at fractional places, 1:1, stretched and shrunk.
                            std::vector<V2DTex> v;
                            for (int q = 0; q < 6; ++q) {
                                const float x = float(rng() % 1200) / 16.0f - 8,
                                            y = float(rng() % 900) / 16.0f - 8;
                                const float w = q == 0 ? float(tex.levels[0].surface.width)
                                                       : float(rng() % 800) / 16.0f;
                                const float h = float(rng() % 600) / 16.0f;
                                const float u = float(rng() % 64) / 64.0f - 0.5f;
                                auto quad = q == 0 ? TexQuad(std::floor(x) - 0.5f, y,
                                                             std::floor(x) - 0.5f + w, y + h, 0, 0,
                                                             1, 1, diffuse)
                                                   : TexQuad(x, y, x + w, y + h, u, u * 0.5f,
                                                             u + 1.3f, 1.1f, diffuse);
                                v.insert(v.end(), quad.begin(), quad.end());
                            }
                            RasterForceGenericSpans(false);
                            ASSERT_EQ(DrawList(s, v).hr, S_OK);
                            RasterForceGenericSpans(true);
                            ASSERT_EQ(DrawList(sg, v).hr, S_OK);
                            RasterForceGenericSpans(false);
                            ASSERT_EQ(a.bytes, g.bytes);
                        }
        // The row code must actually be taken for this kernel.
        EXPECT_GT(specialised, 0) << twin.name;
    }
}

// A kernel whose equal stage has no row code of its own, or a draw the
// specialised spans do not cover (Gouraud shading), keeps the kernel.
TEST_F(RasterKernelStageTwins, KernelsWithoutAnEqualStageKeepTheirSpans) {
    OwnedTexture tex(8, 8, kFormatA8R8G8B8);
    OwnedSurface a(8, 8, kFormatA8R8G8B8);
    RasterState s = StateFor(a.surface, D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1);
    s.textures[0] = &tex.texture;
    for (const char* name : {"ps_blend0_type1_igcolor0_igtalpha0.pso",
                             "ps_blend0_type0_igcolor1_igtalpha0.pso", "ps_nonetex_type1.pso"}) {
        s.pixelKernel = platform::d3d9::FindShaderKernel(name, false);
        ASSERT_NE(s.pixelKernel, nullptr) << name;
        DrawSetup setup;
        ASSERT_EQ(BuildDrawSetup(s, setup), nullptr);
        EXPECT_EQ(ChooseSpans(setup).special, nullptr) << name;
    }
    s.pixelKernel =
        platform::d3d9::FindShaderKernel("ps_blend0_type0_igcolor0_igtalpha0.pso", false);
    s.render[D3DRS_SHADEMODE] = D3DSHADE_GOURAUD;
    DrawSetup setup;
    ASSERT_EQ(BuildDrawSetup(s, setup), nullptr);
    EXPECT_EQ(ChooseSpans(setup).special, nullptr);
}

}  // namespace
