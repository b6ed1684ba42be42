#include "graphics/shader_package_names.h"
#include "../../../platform/d3d9/shader_kernels.h"
#include "d3d9_fixture.h"
#include "windows.h"

using namespace d3d9test;

namespace {

const platform::d3d9::ShaderKernel kernelTag{};

// A project blob: version, one comment naming the kernel, the end token.
std::vector<DWORD> Blob(DWORD version, const char* kernel) {
    std::vector<DWORD> tokens{version};
    const size_t words = (std::strlen(kernel) + 4) / 4;
    tokens.push_back(D3DSIO_COMMENT | DWORD(words << D3DSI_COMMENTSIZE_SHIFT));
    std::vector<DWORD> payload(words, 0);
    std::memcpy(payload.data(), kernel, std::strlen(kernel));
    tokens.insert(tokens.end(), payload.begin(), payload.end());
    tokens.push_back(D3DSIO_END);
    return tokens;
}

class D3D9Shaders : public DeviceTest {
  protected:
    void SetUp() override {
        KnobD3D9ShaderVersions(0xFFFE0300, 0xFFFF0300);
        platform::d3d9::RegisterShaderKernel("test_vs", true, &kernelTag);
        platform::d3d9::RegisterShaderKernel("test_ps", false, &kernelTag);
        DeviceTest::SetUp();
    }
    void TearDown() override {
        platform::d3d9::UnregisterShaderKernel("test_vs", true);
        platform::d3d9::UnregisterShaderKernel("test_ps", false);
        DeviceTest::TearDown();
    }
};

TEST_F(D3D9Shaders, RegisteredKernelIsAcceptedAndItsTokensReturned) {
    const auto blob = Blob(0xFFFE0200, "test_vs");
    IDirect3DVertexShader9* vs = nullptr;
    ASSERT_EQ(dev->CreateVertexShader(blob.data(), &vs), D3D_OK);
    UINT size = 0;
    ASSERT_EQ(vs->GetFunction(nullptr, &size), D3D_OK);
    ASSERT_EQ(size, blob.size() * 4);
    std::vector<DWORD> back(blob.size());
    ASSERT_EQ(vs->GetFunction(back.data(), &size), D3D_OK);
    EXPECT_EQ(back, blob);
    // Setting holds a reference; a draw with a shader is refused for now.
    EXPECT_EQ(dev->SetVertexShader(vs), D3D_OK);
    EXPECT_EQ(vs->Release(), 1u);
    dev->SetFVF(0x004);
    dev->BeginScene();
    const float tri[3][4] = {};
    EXPECT_EQ(dev->DrawPrimitiveUP(static_cast<D3DPRIMITIVETYPE>(4), 1, tri, 16),
              D3DERR_INVALIDCALL);
    dev->EndScene();
    EXPECT_EQ(dev->SetVertexShader(nullptr), D3D_OK);
    EXPECT_EQ(KnobD3D9LiveCount("VertexShader"), 0);

    const auto ps = Blob(0xFFFF0300, "test_ps");
    IDirect3DPixelShader9* pixel = nullptr;
    ASSERT_EQ(dev->CreatePixelShader(ps.data(), &pixel), D3D_OK);
    pixel->Release();
}

TEST_F(D3D9Shaders, BadBlobsAreRefused) {
    IDirect3DVertexShader9* vs = nullptr;
    IDirect3DPixelShader9* ps = nullptr;
    EXPECT_EQ(dev->CreateVertexShader(Blob(0xFFFE0101, "test_vs").data(), &vs), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->CreateVertexShader(Blob(0xFFFF0200, "test_vs").data(), &vs), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->CreateVertexShader(Blob(0xFFFE0200, "nobody").data(), &vs), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->CreatePixelShader(Blob(0xFFFF0200, "test_vs").data(), &ps), D3DERR_INVALIDCALL);
    auto unknown = Blob(0xFFFE0200, "test_vs");
    unknown.insert(unknown.end() - 1, 0x12345678);
    EXPECT_EQ(dev->CreateVertexShader(unknown.data(), &vs), D3DERR_INVALIDCALL);
    // No end token within the bound: empty comments all the way.
    std::vector<DWORD> endless(5000, D3DSIO_COMMENT);
    endless[0] = 0xFFFE0200;
    EXPECT_EQ(dev->CreateVertexShader(endless.data(), &vs), D3DERR_INVALIDCALL);
    // A comment whose length runs past the bound.
    std::vector<DWORD> longComment{0xFFFE0200, D3DSIO_COMMENT | (0x7FFFu << 16), 0, D3DSIO_END};
    longComment.resize(5000, 0);
    EXPECT_EQ(dev->CreateVertexShader(longComment.data(), &vs), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->CreateVertexShader(nullptr, &vs), D3DERR_INVALIDCALL);
    EXPECT_EQ(vs, nullptr);
    EXPECT_EQ(ps, nullptr);
}

TEST_F(D3D9Shaders, VersionAboveTheCapabilityIsRefused) {
    KnobD3D9ShaderVersions(0xFFFE0200, 0xFFFF0200);
    dev->Release();
    D3DPRESENT_PARAMETERS pp = Windowed(16, 16);
    ASSERT_EQ(Create(d3d, &pp, &dev), D3D_OK);
    IDirect3DVertexShader9* vs = nullptr;
    EXPECT_EQ(dev->CreateVertexShader(Blob(0xFFFE0300, "test_vs").data(), &vs), D3DERR_INVALIDCALL);
    ASSERT_EQ(dev->CreateVertexShader(Blob(0xFFFE0200, "test_vs").data(), &vs), D3D_OK);
    vs->Release();
}

TEST_F(D3D9Shaders, ConstantsStayWithinTheirRegisters) {
    const float f[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_EQ(dev->SetVertexShaderConstantF(254, f, 2), D3D_OK);
    EXPECT_EQ(dev->SetVertexShaderConstantF(255, f, 2), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->SetPixelShaderConstantF(223, f, 1), D3D_OK);
    EXPECT_EQ(dev->SetPixelShaderConstantF(224, f, 1), D3DERR_INVALIDCALL);
    const int i[4] = {1, 2, 3, 4};
    EXPECT_EQ(dev->SetVertexShaderConstantI(16, i, 1), D3DERR_INVALIDCALL);
    const BOOL b[2] = {TRUE, FALSE};
    EXPECT_EQ(dev->SetPixelShaderConstantB(15, b, 2), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->SetPixelShaderConstantB(14, b, 2), D3D_OK);
    float back[8] = {};
    ASSERT_EQ(dev->GetVertexShaderConstantF(254, back, 2), D3D_OK);
    EXPECT_EQ(back[7], 8.f);
    EXPECT_EQ(dev->SetVertexShaderConstantF(0, nullptr, 1), D3DERR_INVALIDCALL);
}

TEST_F(D3D9Shaders, DeclarationsAreCheckedAndStored) {
    const D3DVERTEXELEMENT9 good[] = {{0, 0, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 0},
                                      {0, 12, D3DDECLTYPE_D3DCOLOR, 0, D3DDECLUSAGE_COLOR, 0},
                                      D3DDECL_END()};
    IDirect3DVertexDeclaration9* decl = nullptr;
    ASSERT_EQ(dev->CreateVertexDeclaration(good, &decl), D3D_OK);
    UINT n = 0;
    ASSERT_EQ(decl->GetDeclaration(nullptr, &n), D3D_OK);
    EXPECT_EQ(n, 3u);
    EXPECT_EQ(dev->SetVertexDeclaration(decl), D3D_OK);
    DWORD fvf = 1;
    dev->GetFVF(&fvf);
    EXPECT_EQ(fvf, 0u);
    decl->Release();
    EXPECT_EQ(dev->SetFVF(0x144), D3D_OK);  // drops the declaration
    EXPECT_EQ(KnobD3D9LiveCount("VertexDeclaration"), 0);
    const D3DVERTEXELEMENT9 twice[] = {{0, 0, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 0},
                                       {0, 12, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 0},
                                       D3DDECL_END()};
    EXPECT_EQ(dev->CreateVertexDeclaration(twice, &decl), D3DERR_INVALIDCALL);
    std::vector<D3DVERTEXELEMENT9> noEnd(
        80, D3DVERTEXELEMENT9{0, 0, D3DDECLTYPE_FLOAT1, 0, D3DDECLUSAGE_TEXCOORD, 0});
    for (size_t k = 0; k < noEnd.size(); ++k) noEnd[k].UsageIndex = BYTE(k);
    EXPECT_EQ(dev->CreateVertexDeclaration(noEnd.data(), &decl), D3DERR_INVALIDCALL);
}

}  // namespace

TEST_F(D3D9Shaders, KnobKernelsAreAcceptedByKindUntilTheReset) {
    KnobD3D9RegisterTestKernel("knob_ps", false);
    KnobD3D9RegisterTestKernel("", false);  // ignored
    IDirect3DPixelShader9* ps = nullptr;
    IDirect3DVertexShader9* vs = nullptr;
    ASSERT_EQ(dev->CreatePixelShader(Blob(0xFFFF0200, "knob_ps").data(), &ps), D3D_OK);
    ps->Release();
    EXPECT_EQ(dev->CreateVertexShader(Blob(0xFFFE0200, "knob_ps").data(), &vs), D3DERR_INVALIDCALL);
    KnobResetAll();
    KnobD3D9ShaderVersions(0xFFFE0300, 0xFFFF0300);
    EXPECT_EQ(dev->CreatePixelShader(Blob(0xFFFF0200, "knob_ps").data(), &ps), D3DERR_INVALIDCALL);
    // Kernels registered by the device's own code stay.
    EXPECT_NE(platform::d3d9::FindShaderKernel("test_ps", false), nullptr);
}

namespace {

// Paints every pixel with c0 (the kernel reads nothing else).
const platform::d3d9::ShaderKernel kConstantColour = [] {
    platform::d3d9::ShaderKernel k;
    k.pixel = [](platform::d3d9::PixelSpan& s, int) {
        const auto channel = [&](int i) { return DWORD(s.c[0][i] * 255.0f + 0.5f); };
        for (int k = 0; k < s.count; ++k)
            s.out[k] = channel(3) << 24 | channel(0) << 16 | channel(1) << 8 | channel(2);
    };
    return k;
}();

// Copies sampler 0 at coordinate set 0.
const platform::d3d9::ShaderKernel kCopy = [] {
    platform::d3d9::ShaderKernel k;
    k.pixel = [](platform::d3d9::PixelSpan& s, int) { s.Sample(0, s.out); };
    k.coordinateSet[0] = 0;
    return k;
}();

struct ScreenVertex {
    float x, y, z, rhw;
    DWORD colour;
    float u, v;
};

TEST_F(D3D9Shaders, PixelShaderDrawsTheKernelsColours) {
    platform::d3d9::RegisterTestShaderKernel("paint_c0", false, &kConstantColour);
    IDirect3DPixelShader9* ps = nullptr;
    ASSERT_EQ(dev->CreatePixelShader(Blob(0xFFFF0200, "paint_c0").data(), &ps), D3D_OK);
    const float red[4] = {1.0f, 0.2f, 0.0f, 1.0f};
    dev->SetPixelShaderConstantF(0, red, 1);
    dev->SetPixelShader(ps);
    dev->SetFVF(D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1);
    const ScreenVertex quad[4] = {{-0.5f, -0.5f, 0, 1, 0, 0, 0},
                                  {3.5f, -0.5f, 0, 1, 0, 1, 0},
                                  {-0.5f, 3.5f, 0, 1, 0, 0, 1},
                                  {3.5f, 3.5f, 0, 1, 0, 1, 1}};
    ASSERT_EQ(dev->BeginScene(), D3D_OK);
    EXPECT_EQ(dev->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(ScreenVertex)), D3D_OK);
    dev->EndScene();
    IDirect3DSurface9* back = nullptr;
    ASSERT_EQ(dev->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back), D3D_OK);
    EXPECT_EQ(Pixel(back, 2, 2) & 0xFFFFFF, 0xFF3300u);  // 0.2 x 255 = 51
    EXPECT_EQ(Pixel(back, 5, 5) & 0xFFFFFF, 0u);
    back->Release();
    dev->SetPixelShader(nullptr);
    ps->Release();
}

// Direct3D 9 leaves a draw that reads its own target undefined: refused
// when the kernel reads that sampler, drawn when the binding is stale.
TEST_F(D3D9Shaders, ADrawSamplingItsOwnTargetIsRefused) {
    platform::d3d9::RegisterTestShaderKernel("copy_s0", false, &kCopy);
    IDirect3DTexture9* work =
        MakeTexture(8, 8, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT);
    IDirect3DSurface9* level = nullptr;
    ASSERT_EQ(work->GetSurfaceLevel(0, &level), D3D_OK);
    Hold(level);
    IDirect3DPixelShader9* ps = nullptr;
    ASSERT_EQ(dev->CreatePixelShader(Blob(0xFFFF0200, "copy_s0").data(), &ps), D3D_OK);
    Hold(ps);
    dev->SetRenderTarget(0, level);
    dev->SetFVF(D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1);
    const ScreenVertex quad[4] = {{-0.5f, -0.5f, 0, 1, 0, 0, 0},
                                  {7.5f, -0.5f, 0, 1, 0, 1, 0},
                                  {-0.5f, 7.5f, 0, 1, 0, 0, 1},
                                  {7.5f, 7.5f, 0, 1, 0, 1, 1}};
    dev->BeginScene();
    dev->SetTexture(0, work);
    dev->SetPixelShader(ps);
    KnobD3D9TakeTrace();
    EXPECT_EQ(dev->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(ScreenVertex)),
              D3DERR_INVALIDCALL);
    EXPECT_TRUE(TraceHas(KnobD3D9TakeTrace(), "Rasteriser", "render target"));
    // Fixed function: stage 0 reading the texture is refused alike; left on
    // a stage the draw does not use, the binding does not matter.
    dev->SetPixelShader(nullptr);
    EXPECT_EQ(dev->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(ScreenVertex)),
              D3DERR_INVALIDCALL);
    dev->SetTexture(0, nullptr);
    dev->SetTexture(3, work);
    EXPECT_EQ(dev->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(ScreenVertex)), D3D_OK);
    dev->SetTexture(3, nullptr);
    dev->EndScene();
}

TEST_F(D3D9Shaders, TheKnobRefusesShadersNamingAKernel) {
    KnobD3D9RefuseShaderKernel("test_ps");
    IDirect3DPixelShader9* ps = nullptr;
    IDirect3DVertexShader9* vs = nullptr;
    KnobD3D9TakeTrace();
    EXPECT_EQ(dev->CreatePixelShader(Blob(0xFFFF0200, "test_ps").data(), &ps),
              D3DERR_OUTOFVIDEOMEMORY);
    EXPECT_EQ(ps, nullptr);
    EXPECT_TRUE(TraceHas(KnobD3D9TakeTrace(), "CreatePixelShader", "test_ps refused"));
    ASSERT_EQ(dev->CreateVertexShader(Blob(0xFFFE0200, "test_vs").data(), &vs), D3D_OK);
    vs->Release();
    KnobD3D9RefuseShaderKernel("test_vs");
    EXPECT_EQ(dev->CreateVertexShader(Blob(0xFFFE0200, "test_vs").data(), &vs),
              D3DERR_OUTOFVIDEOMEMORY);
    KnobResetAll();
    KnobD3D9ShaderVersions(0xFFFE0300, 0xFFFF0300);
    ASSERT_EQ(dev->CreatePixelShader(Blob(0xFFFF0200, "test_ps").data(), &ps), D3D_OK);
    ps->Release();
}

// Loading the module registers a kernel for every file of the shader package.
TEST_F(D3D9Shaders, TheModuleRegistersEveryPackageKernel) {
    HMODULE module = LoadLibraryA("d3d9.dll");
    ASSERT_NE(module, nullptr);
    // The names the package generator writes into its blobs.
    std::vector<std::string> pixel = DuRud::BaseShaderFiles();
    for (const std::string& name : DuRud::FilterShaderFiles()) pixel.push_back(name);
    for (int i = 0; i < 256; ++i) pixel.push_back(DuRud::MixTableKernel(i));
    pixel.push_back(DuRud::kModelPixelKernel);
    for (const std::string& name : pixel) {
        const auto* k = platform::d3d9::FindShaderKernel(name, false);
        ASSERT_NE(k, nullptr) << name;
        EXPECT_NE(k->pixel, nullptr) << name;
    }
    const auto* vertex = platform::d3d9::FindShaderKernel(DuRud::kModelVertexKernel, true);
    ASSERT_NE(vertex, nullptr);
    EXPECT_NE(vertex->vertex, nullptr);
    EXPECT_EQ(platform::d3d9::FindShaderKernel(DuRud::kModelVertexKernel, false), nullptr);
    FreeLibrary(module);
}

}  // namespace

namespace {

// Tests register in front of the device's kernels and never take one away.
TEST_F(D3D9Shaders, TestKernelsShadowThePackagesUntilTheReset) {
    platform::d3d9::RegisterPackageShaderKernels();
    const auto* own = platform::d3d9::FindShaderKernel("Invert.pso", false);
    ASSERT_NE(own, nullptr);
    ASSERT_NE(own->pixel, nullptr);
    KnobD3D9RegisterTestKernel("Invert.pso", false);  // a bare name: the device's stays
    EXPECT_EQ(platform::d3d9::FindShaderKernel("Invert.pso", false), own);
    platform::d3d9::RegisterTestShaderKernel("Invert.pso", false, &kCopy);
    EXPECT_EQ(platform::d3d9::FindShaderKernel("Invert.pso", false), &kCopy);
    KnobResetAll();
    KnobD3D9ShaderVersions(0xFFFE0300, 0xFFFF0300);
    EXPECT_EQ(platform::d3d9::FindShaderKernel("Invert.pso", false), own);
}

}  // namespace
