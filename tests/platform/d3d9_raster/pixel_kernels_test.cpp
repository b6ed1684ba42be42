// Draws with a pixel kernel: every covered pixel gets the kernel's output
// from the inputs the span hands it, then the same tests and blending as
// fixed-function pixels; draws the kernel path cannot make are refused.
#include "raster_fixture.h"

namespace {

using namespace rastertest;
using platform::d3d9::PixelSpan;
using platform::d3d9::ShaderKernel;

constexpr DWORD kFvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE;
constexpr DWORD kFvfTex2 = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_SPECULAR | D3DFVF_TEX2;

ShaderKernel Kernel(platform::d3d9::PixelKernelFunction fn, std::initializer_list<int> sets = {}) {
    ShaderKernel k;
    k.pixel = fn;
    int i = 0;
    for (int s : sets) k.coordinateSet[i++] = int8_t(s);
    return k;
}

const ShaderKernel kDiffuse = Kernel([](PixelSpan& s, int) {
    const uint32_t* d = s.Diffuse();
    for (int k = 0; k < s.count; ++k) s.out[k] = d[k];
});
const ShaderKernel kSpecular = Kernel([](PixelSpan& s, int) {
    const uint32_t* d = s.Specular();
    for (int k = 0; k < s.count; ++k) s.out[k] = d[k];
});
const ShaderKernel kTexture = Kernel([](PixelSpan& s, int) { s.Sample(0, s.out); }, {0});
// Coordinates as colours: red u x 64, green v x 64 of set 1, blue u of set 2.
const ShaderKernel kCoordinates = Kernel([](PixelSpan& s, int) {
    float u[PixelSpan::kMaxPixels], v[PixelSpan::kMaxPixels], w[PixelSpan::kMaxPixels];
    s.Coordinates(1, u, v);
    s.Coordinates(2, w, w);
    for (int k = 0; k < s.count; ++k)
        s.out[k] = Argb(255, int(u[k] * 64 + 0.5f), int(v[k] * 64 + 0.5f), int(w[k]));
});
// c7 as a colour; discards the pixels of odd columns when b2 is set and
// takes alpha from i3.x.
const ShaderKernel kConstants = Kernel([](PixelSpan& s, int) {
    for (int k = 0; k < s.count; ++k) {
        s.out[k] =
            Argb(s.i[3][0], int(s.c[7][0] * 255), int(s.c[7][1] * 255), int(s.c[7][2] * 255));
        if (s.b[2] && (s.x + k) % 2) s.keep[k] = 0;
    }
});
const ShaderKernel kNameOnly{};

class RasterPixelKernels : public ::testing::Test {
  protected:
    OwnedSurface target{8, 8, kFormatA8R8G8B8};
    RasterState state = StateFor(target.surface, kFvf);
    float constF[224][4] = {};
    int constI[16][4] = {};
    int constB[16] = {};

    void SetUp() override { target.Fill(Argb(255, 1, 2, 3)); }
    void Use(const ShaderKernel& k) {
        state.pixelKernel = &k;
        state.pixelConstF = constF;
        state.pixelConstI = constI;
        state.pixelConstB = constB;
    }
};

TEST_F(RasterPixelKernels, DiffuseIsFlatOrGouraudAsTheStagesSeeIt) {
    // A Gouraud triangle fan over the target: the kernel's v0 is the
    // fixed-function diffuse pixel for pixel.
    const std::vector<V2D> tri = {{-0.5f, -0.5f, 0, 1, 0xFF0000FF},
                                  {7.5f, -0.5f, 0, 1, 0x8000FF00},
                                  {-0.5f, 7.5f, 0, 1, 0x40FF0000}};
    state.render[D3DRS_SHADEMODE] = D3DSHADE_GOURAUD;
    OwnedSurface fixed{8, 8, kFormatA8R8G8B8};
    fixed.Fill(Argb(255, 1, 2, 3));
    RasterState ff = StateFor(fixed.surface, kFvf);
    ff.render[D3DRS_SHADEMODE] = D3DSHADE_GOURAUD;
    ASSERT_EQ(DrawList(ff, tri).hr, S_OK);
    Use(kDiffuse);
    ASSERT_EQ(DrawList(state, tri).hr, S_OK);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8 - y; ++x)
            EXPECT_EQ(target.Get(x, y), fixed.Get(x, y)) << x << "," << y;
    // Flat: the first vertex's colour everywhere.
    state.render[D3DRS_SHADEMODE] = D3DSHADE_FLAT;
    ASSERT_EQ(DrawList(state, tri).hr, S_OK);
    EXPECT_EQ(target.Get(3, 3), 0xFF0000FFu);
}

TEST_F(RasterPixelKernels, SpecularAndCoordinateSetsReachTheKernel) {
    state.fvf = kFvfTex2;
    // Set 1 runs 0..1 across and down; the format has no set 2, read as 0.
    std::vector<V2DTex2> quad;
    for (const auto& c :
         std::vector<std::pair<float, float>>{{0, 0}, {1, 0}, {0, 1}, {1, 1}, {0, 1}, {1, 0}})
        quad.push_back({c.first * 8 - 0.5f, c.second * 8 - 0.5f, 0, 1, 0, 0x11223344, 0, 0, c.first,
                        c.second});
    Use(kSpecular);
    ASSERT_EQ(DrawList(state, quad).hr, S_OK);
    EXPECT_EQ(target.Get(5, 2), 0x11223344u);
    Use(kCoordinates);
    ASSERT_EQ(DrawList(state, quad).hr, S_OK);
    // Pixel centre x sits at (x + 0.5) / 8 of the set.
    EXPECT_EQ(target.Get(0, 0), Argb(255, 4, 4, 0));
    EXPECT_EQ(target.Get(5, 2), Argb(255, 44, 20, 0));
    EXPECT_EQ(target.Get(7, 7), Argb(255, 60, 60, 0));
}

TEST_F(RasterPixelKernels, ConstantsDiscardsAndLongRows) {
    OwnedSurface wide{600, 2, kFormatA8R8G8B8};
    wide.Fill(0);
    state = StateFor(wide.surface, kFvf);
    Use(kConstants);
    constF[7][0] = 1.0f, constF[7][1] = 0.5f, constF[7][2] = 0.2f;
    constI[3][0] = 200;
    constB[2] = 1;
    ASSERT_EQ(DrawList(state, Quad(-0.5f, -0.5f, 599.5f, 1.5f, 0)).hr, S_OK);
    // Rows longer than one span are covered in several, every pixel once.
    EXPECT_EQ(wide.Count(Argb(200, 255, 127, 51)), 600);
    EXPECT_EQ(wide.Count(0), 600);
}

TEST_F(RasterPixelKernels, OutputGoesThroughAlphaTestAndBlending) {
    Use(kDiffuse);
    state.render[D3DRS_ALPHABLENDENABLE] = TRUE;
    state.render[D3DRS_SRCBLEND] = D3DBLEND_SRCALPHA;
    state.render[D3DRS_DESTBLEND] = D3DBLEND_INVSRCALPHA;
    target.Fill(Argb(255, 0, 0, 0));
    ASSERT_EQ(DrawList(state, Quad(-0.5f, -0.5f, 3.5f, 7.5f, Argb(128, 255, 100, 0))).hr, S_OK);
    // 255 x 128 / 255 = 128; 100 x 128 / 255 = 50.2; alpha 128 x 128 + 255 x 127 over 255.
    EXPECT_EQ(target.Get(1, 1), Argb(191, 128, 50, 0));
    state.render[D3DRS_ALPHATESTENABLE] = TRUE;
    state.render[D3DRS_ALPHAFUNC] = D3DCMP_GREATER;
    state.render[D3DRS_ALPHAREF] = 128;
    ASSERT_EQ(DrawList(state, Quad(3.5f, -0.5f, 7.5f, 7.5f, Argb(128, 255, 100, 0))).hr, S_OK);
    EXPECT_EQ(target.Get(5, 1), Argb(255, 0, 0, 0)) << "the alpha test let the pixel through";
}

TEST_F(RasterPixelKernels, SamplingMatchesTheFixedFunctionStage) {
    OwnedTexture tex{4, 4, kFormatA8R8G8B8};
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            tex.levels[0].Set(x, y, Argb(40 * x + y, 60 * y, 17 * x * y, 255 - 50 * x));
    state.fvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;
    UseTexture(state, &tex.texture);
    state.sampler[0][D3DSAMP_MAGFILTER] = state.sampler[0][D3DSAMP_MINFILTER] = D3DTEXF_LINEAR;
    const auto quad = TexQuad(-0.5f, -0.5f, 7.5f, 7.5f, 0.1f, 0.05f, 0.93f, 0.97f);
    OwnedSurface fixed{8, 8, kFormatA8R8G8B8};
    RasterState ff = state;
    ff.target = fixed.surface;
    ASSERT_EQ(DrawList(ff, quad).hr, S_OK);
    Use(kTexture);
    ASSERT_EQ(DrawList(state, quad).hr, S_OK);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) EXPECT_EQ(target.Get(x, y), fixed.Get(x, y)) << x << "," << y;
}

// Rows of 16-bit textures read by a kernel, under each address mode, give
// the texels the fixed-function stage reads.
TEST_F(RasterPixelKernels, SixteenBitTexelsMatchTheFixedFunctionStage) {
    struct Row {
        const char* name;
        uint32_t format;
        DWORD address;
    };
    const Row rows[] = {
        {"R5G6B5 clamped", kFormatR5G6B5, D3DTADDRESS_CLAMP},
        {"X1R5G5B5 wrapped", kFormatX1R5G5B5, D3DTADDRESS_WRAP},
        {"A1R5G5B5 mirrored", kFormatA1R5G5B5, D3DTADDRESS_MIRROR},
        {"A4R4G4B4 with a border", kFormatA4R4G4B4, D3DTADDRESS_BORDER},
        {"A1R5G5B5 mirrored once", kFormatA1R5G5B5, D3DTADDRESS_MIRRORONCE},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        OwnedTexture tex{5, 3, r.format};
        uint8_t seed = 7;
        for (auto& b : tex.levels[0].bytes) b = seed = uint8_t(seed * 37 + 11);
        OwnedSurface kernelTarget{40, 6, kFormatA8R8G8B8}, fixed{40, 6, kFormatA8R8G8B8};
        RasterState s =
            StateFor(kernelTarget.surface, D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1);
        UseTexture(s, &tex.texture);
        s.sampler[0][D3DSAMP_ADDRESSU] = s.sampler[0][D3DSAMP_ADDRESSV] = r.address;
        s.sampler[0][D3DSAMP_BORDERCOLOR] = 0x80406080u;
        // Each row reads one texture row, reaching past both ends of it.
        const auto quad = TexQuad(0.0f, 0.0f, 40.0f, 6.0f, -1.3f, -0.6f, 2.7f, 1.9f);
        RasterState ff = s;
        ff.target = fixed.surface;
        ASSERT_EQ(DrawList(ff, quad).hr, S_OK);
        state = s;
        Use(kTexture);
        ASSERT_EQ(DrawList(state, quad).hr, S_OK);
        EXPECT_EQ(kernelTarget.bytes, fixed.bytes);
    }
}

struct RefusalRow {
    const char* name;
    void (*set)(RasterState&, const RasterTexture* targetTexture, const RasterTexture* other);
    bool drawn;
};

const ShaderKernel kSecondSampler = Kernel([](PixelSpan& s, int) { s.Sample(1, s.out); }, {-1, 0});

TEST_F(RasterPixelKernels, RefusalsOfTheKernelPath) {
    OwnedTexture other{4, 4, kFormatA8R8G8B8};
    other.levels[0].Fill(0xFF808080u);
    RasterTexture self;  // the render target as a texture
    self.levelCount = 1;
    self.levels[0] = target.surface;
    const RefusalRow rows[] = {
        {"vertex shader set",
         [](RasterState& s, const RasterTexture*, const RasterTexture*) {
             s.pixelKernel = &kDiffuse;
             s.vertexShaderSet = true;
         },
         false},
        {"declaration without a vertex format",
         [](RasterState& s, const RasterTexture*, const RasterTexture*) {
             s.pixelKernel = &kDiffuse;
             s.declarationSet = true;
         },
         false},
        {"kernel that runs nothing",
         [](RasterState& s, const RasterTexture*, const RasterTexture*) {
             s.pixelKernel = &kNameOnly;
         },
         false},
        {"target on a sampler the kernel reads",
         [](RasterState& s, const RasterTexture* self, const RasterTexture* other) {
             s.pixelKernel = &kSecondSampler;
             s.textures[0] = other;
             s.textures[1] = self;
         },
         false},
        {"target on a sampler the kernel never reads",
         [](RasterState& s, const RasterTexture* self, const RasterTexture* other) {
             s.pixelKernel = &kSecondSampler;
             s.textures[0] = self;
             s.textures[1] = other;
         },
         true},
        {"target on a stage in use",
         [](RasterState& s, const RasterTexture* self, const RasterTexture*) {
             UseTexture(s, self);
         },
         false},
        {"target left on a disabled stage",
         [](RasterState& s, const RasterTexture* self, const RasterTexture*) {
             s.textures[1] = self;  // stage 1 is DISABLE
         },
         true},
    };
    for (const RefusalRow& row : rows) {
        SCOPED_TRACE(row.name);
        target.Fill(0);
        RasterState s = StateFor(target.surface, kFvf);
        s.pixelConstF = constF;
        row.set(s, &self, &other.texture);
        RasterResult r = DrawList(s, Quad(-0.5f, -0.5f, 7.5f, 7.5f, 0xFFFFFFFF));
        EXPECT_EQ(r.hr, row.drawn ? S_OK : kInvalidCall);
        EXPECT_EQ(target.Count(0), row.drawn ? 0 : 64);
        if (!row.drawn) {
            EXPECT_NE(r.reason, nullptr);
        }
    }
}

}  // namespace

namespace {

using namespace rastertest;

// The model pair: the vertex kernel runs the matrices the engine uploads
// (transposed, one row a register); the pixel kernel shades texture by
// colour. Draws with a vertex shader stay refused (above).
TEST(RasterModelKernels, VertexThroughTheMatricesAndPixelShading) {
    platform::d3d9::RegisterPackageShaderKernels();
    const auto* vertex = platform::d3d9::FindShaderKernel("Model_VS_0", true);
    ASSERT_NE(vertex, nullptr);
    ASSERT_NE(vertex->vertex, nullptr);
    float c[256][4] = {};
    auto identity = [&](int first) {
        for (int r = 0; r < 4; ++r) c[first + r][r] = 1;
    };
    identity(2), identity(6), identity(94);
    c[94][3] = 5, c[95][3] = -2;  // world: move by (5, -2, 0)
    c[4][2] = 0.5f;               // projection: z halved
    platform::d3d9::VertexShaderIo io;
    io.c = c;
    const float position[4] = {1, 2, 3, 1}, colour[4] = {0.25f, 0.5f, 0.75f, 1},
                uv[4] = {0.5f, 0.125f};
    std::memcpy(io.in[0], position, sizeof position);
    std::memcpy(io.in[2], colour, sizeof colour);
    std::memcpy(io.in[3], uv, sizeof uv);
    vertex->vertex(io, vertex->variant);
    EXPECT_FLOAT_EQ(io.position[0], 6);
    EXPECT_FLOAT_EQ(io.position[1], 0);
    EXPECT_FLOAT_EQ(io.position[2], 1.5f);
    EXPECT_FLOAT_EQ(io.position[3], 1);
    EXPECT_FLOAT_EQ(io.diffuse[2], 0.75f);
    EXPECT_FLOAT_EQ(io.texture[0][1], 0.125f);

    OwnedSurface target{4, 4, kFormatA8R8G8B8};
    OwnedTexture tex{4, 4, kFormatA8R8G8B8};
    tex.levels[0].Fill(Argb(255, 200, 100, 50));
    RasterState s = StateFor(target.surface, D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1);
    s.pixelKernel = platform::d3d9::FindShaderKernel("Model_PS_0", false);
    ASSERT_NE(s.pixelKernel, nullptr);
    s.textures[0] = &tex.texture;
    ASSERT_EQ(DrawList(s, TexQuad(-0.5f, -0.5f, 3.5f, 3.5f, 0, 0, 1, 1, Argb(128, 255, 128, 0))).hr,
              S_OK);
    // 200 x 255 / 255, 100 x 128 / 255 = 50.2, 50 x 0, alpha 255 x 128 / 255.
    EXPECT_EQ(target.Get(2, 1), Argb(128, 200, 50, 0));
}

}  // namespace

namespace {

using namespace rastertest;

struct MergeRow {
    const char* name;
    uint32_t target;
    bool blend;
    DWORD destBlend;
    bool alphaTest;
    DWORD alphaFunc;
    DWORD alphaRef;
    DWORD filter;
};

// A kernel that passes its texel on is the fixed-function SELECTARG1 stage:
// alpha test, blending and the write give the same pixels on either path.
TEST(RasterKernelMerges, MatchTheFixedFunctionPipeline) {
    platform::d3d9::RegisterPackageShaderKernels();
    const MergeRow rows[] = {
        {"opaque copy", kFormatA8R8G8B8, false, 0, false, 0, 0, D3DTEXF_POINT},
        {"opaque onto X8", kFormatX8R8G8B8, false, 0, false, 0, 0, D3DTEXF_POINT},
        {"alpha blend, test above 0", kFormatA8R8G8B8, true, D3DBLEND_INVSRCALPHA, true,
         D3DCMP_GREATER, 0, D3DTEXF_POINT},
        {"alpha blend onto X8, test above 16", kFormatX8R8G8B8, true, D3DBLEND_INVSRCALPHA, true,
         D3DCMP_GREATER, 16, D3DTEXF_LINEAR},
        {"additive, test at least 100", kFormatA8R8G8B8, true, D3DBLEND_ONE, true,
         D3DCMP_GREATEREQUAL, 100, D3DTEXF_POINT},
        {"additive onto X8, no test", kFormatX8R8G8B8, true, D3DBLEND_ONE, false, 0, 0,
         D3DTEXF_LINEAR},
        {"test below 128 (one pixel at a time)", kFormatA8R8G8B8, true, D3DBLEND_INVSRCALPHA, true,
         D3DCMP_LESS, 128, D3DTEXF_POINT},
        {"reference out of range", kFormatA8R8G8B8, false, 0, true, D3DCMP_GREATER, 0xFFFFFFFF,
         D3DTEXF_POINT},
    };
    OwnedTexture tex{16, 16, kFormatA8R8G8B8};
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            tex.levels[0].Set(
                x, y,
                Argb((x * 47 + y * 13) % 256, (x * 31) % 256, (y * 23) % 256, (x * y * 7) % 256));
    for (const MergeRow& row : rows) {
        SCOPED_TRACE(row.name);
        OwnedSurface kernel{37, 21, row.target}, fixed{37, 21, row.target};
        for (OwnedSurface* s : {&kernel, &fixed})
            for (int y = 0; y < 21; ++y)
                for (int x = 0; x < 37; ++x) s->Set(x, y, Argb(x * 6, y * 12, 200 - x * 5, 90));
        auto draw = [&](OwnedSurface& out, bool shader) {
            RasterState s = StateFor(out.surface, D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1);
            UseTexture(s, &tex.texture);
            s.sampler[0][D3DSAMP_MINFILTER] = s.sampler[0][D3DSAMP_MAGFILTER] = row.filter;
            s.render[D3DRS_ALPHABLENDENABLE] = row.blend;
            s.render[D3DRS_SRCBLEND] = D3DBLEND_SRCALPHA;
            s.render[D3DRS_DESTBLEND] = row.destBlend;
            s.render[D3DRS_ALPHATESTENABLE] = row.alphaTest;
            s.render[D3DRS_ALPHAFUNC] = row.alphaFunc;
            s.render[D3DRS_ALPHAREF] = row.alphaRef;
            static float c[224][4];
            if (shader) {
                s.pixelKernel = platform::d3d9::FindShaderKernel(
                    "ps_blend0_type0_igcolor0_igtalpha0.pso", false);
                s.pixelConstF = c;
            }
            // Odd edges: spans of every length, starting anywhere.
            ASSERT_EQ(DrawList(s, TexQuad(0.3f, 1.7f, 35.2f, 19.9f, 0, 0, 1, 1)).hr, S_OK);
        };
        draw(kernel, true);
        draw(fixed, false);
        for (int y = 0; y < 21; ++y)
            for (int x = 0; x < 37; ++x)
                ASSERT_EQ(kernel.bytes[size_t(y) * kernel.surface.pitch + x * 4 + 3],
                          fixed.bytes[size_t(y) * fixed.surface.pitch + x * 4 + 3])
                    << "stored alpha byte " << x << "," << y;
        for (int y = 0; y < 21; ++y)
            for (int x = 0; x < 37; ++x)
                ASSERT_EQ(kernel.Get(x, y), fixed.Get(x, y)) << x << "," << y;
    }
}

}  // namespace
