// Depth rows known without reading them: the record's own rules by hand, and
// depth-tested draws with the record against the same draws without one
// (which read every stored depth) and against the generic path, with and
// without a pixel kernel.
#include <random>

#include "../../../platform/d3d9/raster/known_depth_rows.h"
#include "raster_fixture.h"

namespace {

using namespace rastertest;

// Pixel kernels with no fixed-function twin, so their draws stay on the
// kernel's own spans: the texel times the diffuse colour, and the diffuse
// colour alone.
platform::d3d9::ShaderKernel DepthTestKernel(platform::d3d9::PixelKernelFunction fn, int set) {
    platform::d3d9::ShaderKernel k;
    k.pixel = fn;
    k.coordinateSet[0] = int8_t(set);
    return k;
}
const platform::d3d9::ShaderKernel kTexelTimesDiffuse = DepthTestKernel(
    [](platform::d3d9::PixelSpan& s, int) {
        uint32_t texels[platform::d3d9::PixelSpan::kMaxPixels];
        s.Sample(0, texels);
        const uint32_t* d = s.Diffuse();
        for (int k = 0; k < s.count; ++k) {
            uint32_t c = 0;
            for (int shift = 0; shift < 32; shift += 8)
                c |= ((texels[k] >> shift & 0xFF) * (d[k] >> shift & 0xFF) / 255) << shift;
            s.out[k] = c;
        }
    },
    0);
const platform::d3d9::ShaderKernel kDiffuseOnly = DepthTestKernel(
    [](platform::d3d9::PixelSpan& s, int) {
        const uint32_t* d = s.Diffuse();
        for (int k = 0; k < s.count; ++k) s.out[k] = d[k];
    },
    -1);

struct KnownStep {
    const char* name;
    char op;  // 'L' learn, 'F' forget
    int x0, x1;
    uint32_t d;
    int askX0, askX1;  // then asked whether [askX0, askX1) holds askD
    uint32_t askD;
    bool holds;
};

// One row, in order: each step changes it, then asks one question.
const KnownStep kSteps[] = {
    {"learnt stretch holds", 'L', 10, 50, 7, 10, 50, 7, true},
    {"not past its end", 'L', 10, 50, 7, 10, 51, 7, false},
    {"nor another depth", 'L', 10, 50, 7, 20, 30, 8, false},
    {"same depth touching joins", 'L', 50, 60, 7, 10, 60, 7, true},
    {"forgetting the middle keeps the longer side", 'F', 20, 25, 0, 25, 60, 7, true},
    {"the shorter side is gone", 'F', 20, 25, 0, 10, 20, 7, false},
    {"a shorter other depth leaves the rest of the old", 'L', 25, 30, 9, 30, 60, 7, true},
    {"and is not itself kept", 'L', 25, 30, 9, 25, 30, 9, false},
    {"a longer other depth replaces it", 'L', 0, 100, 9, 0, 100, 9, true},
    {"forgetting everything", 'F', -5, 200, 0, 40, 41, 9, false},
};

TEST(RasterKnownDepthRows, StepsByHand) {
    KnownDepthRows known(4);
    for (const KnownStep& s : kSteps) {
        SCOPED_TRACE(s.name);
        if (s.op == 'L')
            known.Learn(2, s.x0, s.x1, s.d);
        else
            known.Forget(2, s.x0, s.x1);
        EXPECT_EQ(known.Holds(2, s.askX0, s.askX1, s.askD), s.holds);
        EXPECT_FALSE(known.Holds(1, s.askX0, s.askX1, s.askD));  // other rows untouched
    }
    // Rows outside the surface are never known and never fail.
    known.Learn(9, 0, 10, 1);
    EXPECT_FALSE(known.Holds(9, 0, 10, 1));
    EXPECT_FALSE(known.Holds(-1, 0, 10, 1));
}

// A random run of depth-tested quads (one depth or sloped, any comparison,
// writes on or off, alpha-tested textures or plain shapes) and foreign
// writes of the depth surface, drawn three ways: with the record, without
// it, and on the generic path. Colours and depths must agree after every
// draw.
TEST(RasterKnownDepthRows, DrawsWithTheRecordMatchDrawsWithout) {
    struct Way {
        OwnedSurface colour{48, 40, kFormatA8R8G8B8}, depth;
        explicit Way(uint32_t format) : depth(48, 40, format) {}
    };
    std::mt19937 rng(4242);
    const DWORD funcs[] = {D3DCMP_LESSEQUAL, D3DCMP_LESSEQUAL,    D3DCMP_LESS,
                           D3DCMP_ALWAYS,    D3DCMP_GREATEREQUAL, D3DCMP_EQUAL};
    const float depths[] = {0.0f, 0.0f, 0.5f, 1.0f};
    for (uint32_t format : {kFormatD16, kFormatD24S8, kFormatD32}) {
        Way with(format), without(format), generic(format);
        KnownDepthRows known(40);
        with.depth.surface.known = &known;
        OwnedTexture tex(16, 16, kFormatA8R8G8B8);
        for (auto& b : tex.levels[0].bytes) b = uint8_t(rng());
        for (int i = 0; i < 16 * 16; i += 3) tex.levels[0].bytes[size_t(i) * 4 + 3] = 0;
        for (int step = 0; step < 300; ++step) {
            SCOPED_TRACE(testing::Message() << "format " << format << " step " << step);
            if (rng() % 10 == 0) {
                // Someone else writes depths (a clear): the record forgets them.
                const int y0 = int(rng() % 40), y1 = y0 + 1 + int(rng() % 8);
                const uint8_t fill = uint8_t(rng() % 2 ? 0 : rng());
                for (Way* w : {&with, &without, &generic})
                    for (int y = y0; y < std::min(y1, 40); ++y)
                        std::memset(w->depth.bytes.data() + size_t(y) * w->depth.surface.pitch,
                                    fill, size_t(w->depth.surface.pitch));
                for (int y = y0; y < y1; ++y) known.Forget(y, 0, 48);
                continue;
            }
            const bool textured = rng() % 2;
            const bool kernel = rng() % 3 == 0;
            const float z = depths[rng() % 4];
            const float zRight = rng() % 6 == 0 ? depths[rng() % 4] : z;
            const float x1 = float(rng() % 40) - 0.5f, y1 = float(rng() % 34) - 0.5f;
            const float x2 = x1 + 1 + float(rng() % 30), y2 = y1 + 1 + float(rng() % 20);
            const uint32_t colour = rng(), diffuse = 0xFF000000u | rng();
            for (Way* w : {&with, &without, &generic}) {
                RasterState s = StateFor(w->colour.surface, textured ? 0x144 : 0x44);
                if (textured) {
                    UseTexture(s, &tex.texture);
                    s.render[D3DRS_ALPHABLENDENABLE] = TRUE;
                    s.render[D3DRS_SRCBLEND] = D3DBLEND_SRCALPHA;
                    s.render[D3DRS_DESTBLEND] = D3DBLEND_INVSRCALPHA;
                }
                s.render[D3DRS_ALPHATESTENABLE] = textured && step % 3 != 0;
                s.render[D3DRS_ALPHAFUNC] = D3DCMP_GREATER;
                s.depth = w->depth.surface;
                s.render[D3DRS_ZENABLE] = D3DZB_TRUE;
                s.render[D3DRS_ZWRITEENABLE] = step % 5 != 0;
                s.render[D3DRS_ZFUNC] = funcs[step % 6];
                if (kernel) s.pixelKernel = textured ? &kTexelTimesDiffuse : &kDiffuseOnly;
                RasterForceGenericSpans(w == &generic);
                RasterResult r;
                if (textured) {
                    auto v = TexQuad(x1, y1, x2, y2, 0, 0, 1, 1, diffuse);
                    for (V2DTex& p : v) p.z = p.x > x1 ? zRight : z;
                    r = DrawList(s, v);
                } else {
                    auto v = Quad(x1, y1, x2, y2, colour);
                    for (V2D& p : v) p.z = p.x > x1 ? zRight : z;
                    r = DrawList(s, v);
                }
                RasterForceGenericSpans(false);
                ASSERT_EQ(r.hr, S_OK);
            }
            ASSERT_EQ(with.colour.bytes, without.colour.bytes);
            ASSERT_EQ(with.depth.bytes, without.depth.bytes);
            ASSERT_EQ(with.colour.bytes, generic.colour.bytes);
            ASSERT_EQ(with.depth.bytes, generic.depth.bytes);
        }
    }
}

}  // namespace
