// Draws the pipeline refuses: D3DERR_INVALIDCALL, a reason for the trace,
// and not one pixel written.
#include <limits>

#include "raster_fixture.h"

namespace {

using namespace rastertest;

constexpr DWORD kFvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE;

class RasterRefusals : public ::testing::Test {
  protected:
    OwnedSurface target{8, 8, kFormatA8R8G8B8};
    RasterState state = StateFor(target.surface, kFvf);
    std::vector<V2D> quad = Quad(-0.5f, -0.5f, 7.5f, 7.5f, 0xFFFFFFFFu);

    void ExpectRefused(RasterResult r) {
        EXPECT_EQ(r.hr, kInvalidCall);
        EXPECT_NE(r.reason, nullptr);
        EXPECT_EQ(target.Count(0), 64) << "pixels were written";
    }
};

TEST_F(RasterRefusals, FormatsShadersAndDeclarations) {
    state.fvf = D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1;  // 0x142
    ExpectRefused(DrawList(state, quad));
    state.fvf = D3DFVF_XYZRHW | D3DFVF_NORMAL;
    ExpectRefused(DrawList(state, quad));
    state.fvf = kFvf;
    state.vertexShaderSet = true;
    ExpectRefused(DrawList(state, quad));
    state.vertexShaderSet = false;
    state.declarationSet = true;
    ExpectRefused(DrawList(state, quad));
}

TEST_F(RasterRefusals, StrideCountAndType) {
    ExpectRefused(RasterDrawPrimitiveUP(state, D3DPT_TRIANGLELIST, 2, quad.data(), 16));
    ExpectRefused(RasterDrawPrimitiveUP(state, D3DPT_TRIANGLELIST, 0, quad.data(), sizeof(V2D)));
    state.maxPrimitiveCount = 1;
    ExpectRefused(RasterDrawPrimitiveUP(state, D3DPT_TRIANGLELIST, 2, quad.data(), sizeof(V2D)));
    state.maxPrimitiveCount = 0xFFFFF;
    ExpectRefused(RasterDrawPrimitiveUP(state, D3DPRIMITIVETYPE(7), 2, quad.data(), sizeof(V2D)));
    ExpectRefused(RasterDrawPrimitiveUP(state, D3DPT_TRIANGLELIST, 2, nullptr, sizeof(V2D)));
    // A larger stride than the format is fine.
    EXPECT_EQ(DrawList(state, quad).hr, S_OK);
}

TEST_F(RasterRefusals, IndicesOutsideTheDeclaredRange) {
    std::vector<V2D> v = {{-0.5f, -0.5f, 0, 1, 0xFFFFFFFFu},
                          {7.5f, -0.5f, 0, 1, 0},
                          {-0.5f, 7.5f, 0, 1, 0},
                          {7.5f, 7.5f, 0, 1, 0xFFFFFFFFu}};
    uint16_t good[6] = {0, 1, 2, 3, 2, 1};
    uint16_t bad[6] = {0, 1, 2, 3, 2, 4};  // 4 is past the four vertices
    ExpectRefused(RasterDrawIndexedPrimitiveUP(state, D3DPT_TRIANGLELIST, 0, 4, 2, bad,
                                               kFormatIndex16, v.data(), sizeof(V2D)));
    // An index below MinVertexIndex is refused as well.
    ExpectRefused(RasterDrawIndexedPrimitiveUP(state, D3DPT_TRIANGLELIST, 1, 3, 2, good,
                                               kFormatIndex16, v.data(), sizeof(V2D)));
    uint16_t huge[6] = {0, 1, 60000, 3, 2, 1};
    ExpectRefused(RasterDrawIndexedPrimitiveUP(state, D3DPT_TRIANGLELIST, 0, 4, 2, huge,
                                               kFormatIndex16, v.data(), sizeof(V2D)));
    ExpectRefused(RasterDrawIndexedPrimitiveUP(state, D3DPT_TRIANGLELIST, 0, 4, 2, good, 42,
                                               v.data(), sizeof(V2D)));
    ExpectRefused(RasterDrawIndexedPrimitiveUP(state, D3DPT_TRIANGLELIST, 0, 0, 2, good,
                                               kFormatIndex16, v.data(), sizeof(V2D)));
    ExpectRefused(RasterDrawIndexedPrimitiveUP(state, D3DPT_TRIANGLELIST, 0, 4, 2, nullptr,
                                               kFormatIndex16, v.data(), sizeof(V2D)));
    // The good indices draw the quad.
    EXPECT_EQ(RasterDrawIndexedPrimitiveUP(state, D3DPT_TRIANGLELIST, 0, 4, 2, good, kFormatIndex16,
                                           v.data(), sizeof(V2D))
                  .hr,
              S_OK);
    EXPECT_EQ(target.Count(0xFFFFFFFFu), 64);
    // 32-bit indices and a strip.
    target.Fill(0);
    uint32_t strip[4] = {0, 1, 2, 3};
    EXPECT_EQ(RasterDrawIndexedPrimitiveUP(state, D3DPT_TRIANGLESTRIP, 0, 4, 2, strip,
                                           kFormatIndex32, v.data(), sizeof(V2D))
                  .hr,
              S_OK);
    // Triangle 0 (white) holds the 28 pixels above the diagonal; the
    // diagonal is its right edge, so it belongs to triangle 1 (vertex 1's
    // colour, 0).
    EXPECT_EQ(target.Count(0xFFFFFFFFu), 28);
}

TEST_F(RasterRefusals, StatesThePipelineDoesNotCompute) {
    auto refusedWith = [&](auto change) {
        RasterState s = state;
        change(s);
        ExpectRefused(DrawList(s, quad));
    };
    refusedWith([](RasterState& s) { s.stage[0][D3DTSS_COLOROP] = D3DTOP_DOTPRODUCT3; });
    refusedWith([](RasterState& s) { s.stage[0][D3DTSS_ALPHAOP] = D3DTOP_LERP; });
    refusedWith([](RasterState& s) { s.stage[0][D3DTSS_COLORARG2] = D3DTA_CONSTANT; });
    refusedWith([](RasterState& s) { s.stage[0][D3DTSS_RESULTARG] = D3DTA_TEXTURE; });
    refusedWith([](RasterState& s) { s.render[D3DRS_FILLMODE] = D3DFILL_WIREFRAME; });
    refusedWith([](RasterState& s) { s.render[D3DRS_FOGENABLE] = TRUE; });
    refusedWith([](RasterState& s) { s.render[D3DRS_STENCILENABLE] = TRUE; });
    refusedWith([](RasterState& s) {
        s.render[D3DRS_ALPHABLENDENABLE] = TRUE;
        s.render[D3DRS_SRCBLEND] = D3DBLEND_SRCCOLOR2;
    });
    refusedWith([](RasterState& s) {
        s.render[D3DRS_ALPHABLENDENABLE] = TRUE;
        s.render[D3DRS_BLENDOP] = 6;
    });
    refusedWith([](RasterState& s) {
        s.render[D3DRS_ALPHATESTENABLE] = TRUE;
        s.render[D3DRS_ALPHAFUNC] = 0;
    });
    refusedWith([](RasterState& s) { s.render[D3DRS_CULLMODE] = 0; });
    refusedWith([](RasterState& s) { s.target = RasterSurface{}; });
}

TEST_F(RasterRefusals, SamplingTheRenderTargetAndSmallDepth) {
    OwnedTexture tex(8, 8, kFormatA8R8G8B8);
    RasterState s = StateFor(tex.levels[0].surface, D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1);
    UseTexture(s, &tex.texture);
    auto tq = TexQuad(-0.5f, -0.5f, 7.5f, 7.5f, 0, 0, 1, 1);
    RasterResult r = DrawList(s, tq);
    EXPECT_EQ(r.hr, kInvalidCall);
    EXPECT_NE(r.reason, nullptr);

    OwnedSurface depth(4, 4, kFormatD16);
    state.depth = depth.surface;
    ExpectRefused(DrawList(state, quad));
    OwnedSurface notDepth(8, 8, kFormatA8R8G8B8);
    state.depth = notDepth.surface;
    state.render[D3DRS_ZENABLE] = D3DZB_TRUE;
    ExpectRefused(DrawList(state, quad));
}

TEST_F(RasterRefusals, TexturesWithBrokenLevels) {
    OwnedTexture tex(4, 4, kFormatA8R8G8B8);
    state.fvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;
    UseTexture(state, &tex.texture);
    auto tq = TexQuad(-0.5f, -0.5f, 7.5f, 7.5f, 0, 0, 1, 1);
    tex.texture.levelCount = 0;
    ExpectRefused(DrawList(state, tq));
    tex.texture.levelCount = 99;
    ExpectRefused(DrawList(state, tq));
    tex.Sync();
    tex.texture.levels[0].format = kFormatD16;
    ExpectRefused(DrawList(state, tq));
    tex.Sync();
    state.sampler[0][D3DSAMP_ADDRESSU] = 9;
    ExpectRefused(DrawList(state, tq));
    state.sampler[0][D3DSAMP_ADDRESSU] = D3DTADDRESS_CLAMP;
    state.sampler[0][D3DSAMP_MIPFILTER] = D3DTEXF_GAUSSIANQUAD;
    ExpectRefused(DrawList(state, tq));
    state.sampler[0][D3DSAMP_MIPFILTER] = D3DTEXF_NONE;
    state.stage[0][D3DTSS_TEXCOORDINDEX] = D3DTSS_TCI_CAMERASPACENORMAL;
    ExpectRefused(DrawList(state, tq));
    state.stage[0][D3DTSS_TEXCOORDINDEX] = 0;
    // A texture of huge coordinates is clamped, not overflowed.
    auto far = TexQuad(-0.5f, -0.5f, 7.5f, 7.5f, -1e30f, 1e30f, std::numeric_limits<float>::max(),
                       -std::numeric_limits<float>::infinity());
    state.sampler[0][D3DSAMP_ADDRESSU] = state.sampler[0][D3DSAMP_ADDRESSV] = D3DTADDRESS_WRAP;
    state.sampler[0][D3DSAMP_MINFILTER] = state.sampler[0][D3DSAMP_MAGFILTER] = D3DTEXF_LINEAR;
    EXPECT_EQ(DrawList(state, far).hr, S_OK);
}

}  // namespace
