// Fills held back on a 32-bit target leave, once written out, the very bytes
// the same draws give with every fill written as it comes; so do rows held as
// a copy of another buffer's.
#include <functional>
#include <random>

#include "../../../platform/d3d9/raster/held_rows.h"
#include "../../../platform/d3d9/shader_kernels.h"
#include "raster_fixture.h"

namespace {

using namespace rastertest;

constexpr int kW = 37, kH = 23;
constexpr uint32_t kBlack = 0xFF000000u, kRed = 0xFFFF0000u;

// A colour target and, when the frame tests depth, its depth surface.
struct Target {
    RasterSurface colour, depth;
};

// The engine's 2D state over a target: depth-tested at z when it has depths.
RasterState On(const Target& t, DWORD fvf) {
    RasterState s = StateFor(t.colour, fvf);
    if (t.depth.pixels) {
        s.depth = t.depth;
        s.render[D3DRS_ZENABLE] = D3DZB_TRUE;
    }
    return s;
}

// One step of a frame on a target: what it draws, given the target.
using Step = std::function<void(const Target&, const RasterTexture&)>;

Step FillBox(float x1, float y1, float x2, float y2, uint32_t colour, float z = 0) {
    return [=](const Target& t, const RasterTexture&) {
        auto v = Quad(x1, y1, x2, y2, colour);
        for (auto& p : v) p.z = z;
        ASSERT_EQ(DrawList(On(t, D3DFVF_XYZRHW | D3DFVF_DIFFUSE), v).hr, HRESULT(0));
    };
}

// The texture over a box, unblended, or blended by its alpha.
Step Picture(float x1, float y1, float x2, float y2, bool blended, float z = 0) {
    return [=](const Target& t, const RasterTexture& tex) {
        RasterState s = On(t, D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1);
        UseTexture(s, &tex);
        if (blended) {
            s.render[D3DRS_ALPHABLENDENABLE] = TRUE;
            s.render[D3DRS_SRCBLEND] = D3DBLEND_SRCALPHA;
            s.render[D3DRS_DESTBLEND] = D3DBLEND_INVSRCALPHA;
        }
        auto v = TexQuad(x1, y1, x2, y2, 0, 0, 1, 1);
        for (auto& p : v) p.z = z;
        ASSERT_EQ(DrawList(s, v).hr, HRESULT(0));
    };
}

// The texture over a box through a pixel kernel, unblended.
Step KernelPicture(float z) {
    return [=](const Target& t, const RasterTexture& tex) {
        static float constants[224][4] = {};
        for (float& f : constants[5]) f = 1.0f;  // the white texture factor
        RasterState s = On(t, D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1);
        UseTexture(s, &tex, D3DTOP_MODULATE, D3DTOP_MODULATE);
        s.pixelKernel =
            platform::d3d9::FindShaderKernel("ps_blend0_type0_igcolor0_igtalpha0.pso", false);
        ASSERT_NE(s.pixelKernel, nullptr);
        s.pixelConstF = constants;
        auto v = TexQuad(0, 0, kW, kH, 0, 0, 1, 1);
        for (auto& p : v) p.z = z;
        ASSERT_EQ(DrawList(s, v).hr, HRESULT(0));
    };
}

// A box whose pixels pass the alpha test or not by the texture's alpha.
Step AlphaTested(float x1, float y1, float x2, float y2) {
    return [=](const Target& t, const RasterTexture& tex) {
        RasterState s = On(t, D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1);
        UseTexture(s, &tex);
        s.render[D3DRS_ALPHATESTENABLE] = TRUE;
        s.render[D3DRS_ALPHAFUNC] = D3DCMP_GREATER;
        s.render[D3DRS_ALPHAREF] = 128;
        ASSERT_EQ(DrawList(s, TexQuad(x1, y1, x2, y2, 0, 0, 1, 1)).hr, HRESULT(0));
    };
}

// An opaque picture of its own (`seed` picks its texels; texel `seeThrough`
// of its top row half clear) drawn 1:1 at (x, y), its alpha times the
// diffuse alpha, blended over: a background fading.
Step Faded(int x, int y, int w, int h, uint32_t diffuse, uint32_t seed,
           DWORD colorOp = D3DTOP_SELECTARG1, bool alphaTested = false, int seeThrough = -1) {
    return [=](const Target& t, const RasterTexture&) {
        OwnedTexture picture(w, h, kFormatA8R8G8B8);
        std::mt19937 rng(seed);
        auto& bytes = picture.levels[0].bytes;
        for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = i % 4 == 3 ? 255 : uint8_t(rng());
        if (seeThrough >= 0) bytes[size_t(seeThrough) * 4 + 3] = 0x80;
        RasterState s = On(t, D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1);
        UseTexture(s, &picture.texture, colorOp, D3DTOP_MODULATE);
        s.render[D3DRS_ALPHABLENDENABLE] = TRUE;
        s.render[D3DRS_SRCBLEND] = D3DBLEND_SRCALPHA;
        s.render[D3DRS_DESTBLEND] = D3DBLEND_INVSRCALPHA;
        s.render[D3DRS_ALPHATESTENABLE] = alphaTested;
        s.render[D3DRS_ALPHAFUNC] = D3DCMP_GREATER;
        s.render[D3DRS_ALPHAREF] = 100;
        auto v = TexQuad(float(x), float(y), float(x + w), float(y + h), 0, 0, 1, 1, diffuse);
        ASSERT_EQ(DrawList(s, v).hr, HRESULT(0));
    };
}

Step Line(float x1, float y1, float x2, float y2) {
    return [=](const Target& t, const RasterTexture&) {
        const V2D v[2] = {{x1, y1, 0, 1, 0xFF12A0C0u}, {x2, y2, 0, 1, 0xFF12A0C0u}};
        ASSERT_EQ(RasterDrawPrimitiveUP(On(t, D3DFVF_XYZRHW | D3DFVF_DIFFUSE), D3DPT_LINELIST, 1, v,
                                        sizeof(V2D))
                      .hr,
                  HRESULT(0));
    };
}

struct Case {
    const char* name;
    std::vector<Step> steps;
    int depths = 0;            // 0: none, 1: all farthest, 2: random
    bool startAsCopy = false;  // every row held as a copy of a random buffer
};

class HeldRowsTwin : public ::testing::TestWithParam<Case> {
  protected:
    void SetUp() override { platform::d3d9::RegisterPackageShaderKernels(); }
};

TEST_P(HeldRowsTwin, SameBytesAsFillsWrittenAtOnce) {
    std::mt19937 rng(58);
    OwnedTexture tex(8, 8, kFormatA8R8G8B8);
    OwnedSurface plain(kW, kH, kFormatA8R8G8B8), held(kW, kH, kFormatA8R8G8B8);
    OwnedSurface plainDepth(kW, kH, kFormatD32), heldDepth(kW, kH, kFormatD32);
    RandomiseTwinPixels(tex, plain, held, rng);
    tex.Sync();
    const Case& c = GetParam();
    for (auto& b : plainDepth.bytes) b = c.depths == 1 ? 0xFF : uint8_t(rng());
    heldDepth.bytes = plainDepth.bytes;
    HeldRows fills(kH);
    // A copy held: the plain target gets the source's pixels at once.
    OwnedSurface source(kW, kH, kFormatA8R8G8B8);
    for (auto& b : source.bytes) b = uint8_t(rng());
    if (c.startAsCopy) {
        for (int y = 0; y < kH; ++y)
            std::memcpy(&plain.bytes[size_t(y) * plain.surface.pitch],
                        &source.bytes[size_t(y) * source.surface.pitch], size_t(kW) * 4);
        fills.HoldCopy(source.bytes.data(), source.surface.pitch, kW);
    }
    Target plainTarget{plain.surface, {}}, heldTarget{held.surface, {}};
    heldTarget.colour.held = &fills;
    if (c.depths) plainTarget.depth = plainDepth.surface, heldTarget.depth = heldDepth.surface;
    for (const Step& step : c.steps) {
        step(plainTarget, tex.texture);
        step(heldTarget, tex.texture);
    }
    fills.WriteAll(held.surface);
    EXPECT_FALSE(fills.Any());
    EXPECT_EQ(held.bytes, plain.bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Frames, HeldRowsTwin,
    ::testing::Values(
        Case{"wholly_covered", {FillBox(0, 0, kW, kH, kBlack), Picture(0, 0, kW, kH, false)}},
        Case{"filled_twice", {FillBox(0, 0, kW, kH, kRed), FillBox(0, 0, kW, kH, kBlack)}},
        Case{"partly_covered_top", {FillBox(0, 0, kW, kH, kBlack), Picture(0, 0, kW, 15, false)}},
        Case{"partly_covered_left_and_right",
             {FillBox(0, 0, kW, kH, kBlack), Picture(0, 0, 10, kH, false),
              Picture(30, 0, kW, kH, false)}},
        Case{"covered_inside", {FillBox(0, 0, kW, kH, kBlack), Picture(5, 4, 20, 19, false)}},
        Case{"blended_over", {FillBox(0, 0, kW, kH, kBlack), Picture(3, 2, 30, 20, true)}},
        Case{"alpha_tested_over", {FillBox(0, 0, kW, kH, kRed), AlphaTested(0, 0, kW, kH)}},
        Case{"line_over", {FillBox(2, 2, 30, 20, kBlack), Line(0, 0, kW, kH)}},
        Case{"side_by_side_fills",
             {FillBox(0, 0, 12, kH, kBlack), FillBox(12, 0, kW, kH, kBlack),
              FillBox(6, 3, 20, 9, kRed), Picture(0, 0, kW, 5, true)}},
        Case{"depth_tested_wholly_covered",
             {FillBox(0, 0, kW, kH, kBlack), Picture(0, 0, kW, kH, false)},
             1},
        Case{"depth_tested_in_the_way",
             {FillBox(0, 0, kW, kH, kRed, 0.5f), Picture(0, 0, kW, kH, false, 0.5f)},
             2},
        Case{"kernel_over", {FillBox(0, 0, kW, kH, kRed), KernelPicture(0)}},
        Case{"kernel_depth_tested_in_the_way",
             {FillBox(0, 0, kW, kH, kRed, 0.5f), KernelPicture(0.5f)},
             2},
        Case{"copy_wholly_covered", {Picture(0, 0, kW, kH, false)}, 0, true},
        Case{"copy_partly_covered", {Picture(4, 0, kW, 12, false)}, 0, true},
        Case{"copy_filled_in_part", {FillBox(3, 3, 9, 9, kRed)}, 0, true},
        Case{"copy_blended_over", {Picture(0, 0, kW, kH, true)}, 0, true},
        Case{"copy_read_untouched", {}, 0, true},
        Case{"faded_over", {FillBox(0, 0, kW, kH, kRed), Faded(0, 0, kW, kH, 0x80FFFFFFu, 1)}},
        Case{"cross_fade",
             {FillBox(0, 0, kW, kH, kBlack), Faded(0, 0, kW, kH, 0xA0FFFFFFu, 1),
              Faded(0, 0, kW, kH, 0x5FFFFFFFu, 2)}},
        Case{"faded_inside", {FillBox(0, 0, kW, kH, kRed), Faded(5, 3, 20, 15, 0x40FFFFFFu, 3)}},
        Case{"faded_over_an_end",
             {FillBox(0, 0, kW, kH, kBlack), Faded(-4, -2, 30, 30, 0x40FFFFFFu, 4)}},
        Case{"faded_and_tinted",
             {FillBox(0, 0, kW, kH, kBlack), Faded(0, 0, kW, kH, 0x80C08040u, 6, D3DTOP_MODULATE)}},
        Case{"faded_white_modulated",
             {FillBox(0, 0, kW, kH, kBlack), Faded(0, 0, kW, kH, 0x80FFFFFFu, 7, D3DTOP_MODULATE)}},
        Case{"faded_below_the_alpha_test",
             {FillBox(0, 0, kW, kH, kRed),
              Faded(0, 0, kW, kH, 0x50FFFFFFu, 8, D3DTOP_SELECTARG1, true)}},
        Case{"faded_above_the_alpha_test",
             {FillBox(0, 0, kW, kH, kRed),
              Faded(0, 0, kW, kH, 0x90FFFFFFu, 9, D3DTOP_SELECTARG1, true)}},
        Case{"faded_picture_partly_clear",
             {FillBox(0, 0, kW, kH, kRed),
              Faded(0, 0, kW, kH, 0xA0FFFFFFu, 10, D3DTOP_SELECTARG1, false, 11)}},
        Case{"the_stage_frame",
             {FillBox(0, 0, kW, kH, kBlack), Picture(0, 0, kW, kH, true),
              FillBox(0, 0, kW, kH, kBlack), Picture(0, 0, kW, 18, false),
              Picture(4, 18, 30, kH, true)}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
