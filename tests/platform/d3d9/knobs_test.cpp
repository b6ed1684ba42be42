#include <cstdlib>

#include "d3d9_fixture.h"

using namespace d3d9test;

namespace {

struct Vertex {
    float x, y, z, rhw;
    DWORD colour;
};

TEST(D3D9Knobs, EnvironmentSetsCapabilitiesAndRefusals) {
    setenv("VESSAMIRE_D3D_CAPS", "pow2,noblendop,vs=0xFFFE0200,ps=0xFFFF0200,maxtex=512", 1);
    setenv("VESSAMIRE_D3D_REFUSE", "A4R4G4B4,X1R5G5B5:1", 1);
    setenv("VESSAMIRE_D3D_DESKTOP", "R5G6B5", 1);
    KnobApplyEnvironment();
    unsetenv("VESSAMIRE_D3D_CAPS");
    unsetenv("VESSAMIRE_D3D_REFUSE");
    unsetenv("VESSAMIRE_D3D_DESKTOP");
    IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
    D3DCAPS9 caps{};
    ASSERT_EQ(d3d->GetDeviceCaps(0, D3DDEVTYPE_HAL, &caps), D3D_OK);
    EXPECT_TRUE(caps.TextureCaps & D3DPTEXTURECAPS_POW2);
    EXPECT_FALSE(caps.PrimitiveMiscCaps & D3DPMISCCAPS_BLENDOP);
    EXPECT_EQ(caps.VertexShaderVersion, 0xFFFE0200u);
    EXPECT_EQ(caps.PixelShaderVersion, 0xFFFF0200u);
    EXPECT_EQ(caps.MaxTextureWidth, 512u);
    EXPECT_EQ(d3d->CheckDeviceFormat(0, D3DDEVTYPE_HAL, D3DFMT_R5G6B5, 0, D3DRTYPE_TEXTURE,
                                     D3DFMT_A4R4G4B4),
              D3DERR_NOTAVAILABLE);
    EXPECT_EQ(d3d->CheckDeviceFormat(0, D3DDEVTYPE_HAL, D3DFMT_R5G6B5, 0, D3DRTYPE_TEXTURE,
                                     D3DFMT_X1R5G5B5),
              D3D_OK);
    EXPECT_EQ(d3d->CheckDeviceFormat(0, D3DDEVTYPE_HAL, D3DFMT_R5G6B5, D3DUSAGE_RENDERTARGET,
                                     D3DRTYPE_TEXTURE, D3DFMT_X1R5G5B5),
              D3DERR_NOTAVAILABLE);
    D3DDISPLAYMODE mode{};
    d3d->GetAdapterDisplayMode(0, &mode);
    EXPECT_EQ(mode.Format, D3DFMT_R5G6B5);
    d3d->Release();
}

struct ShaderCapsRow {
    const char* name;
    const char* caps;
    DWORD vertex, pixel;
};

// The caps list writes versions as major.minor; the device keeps 256 vertex
// constants at every version.
TEST(D3D9Knobs, ShaderVersionsFromTheEnvironment) {
    const ShaderCapsRow rows[] = {
        {"model 2.0", "vs=2.0,ps=2.0", 0xFFFE0200, 0xFFFF0200},
        {"pixel 1.4", "vs=1.1,ps=1.4", 0xFFFE0101, 0xFFFF0104},
        {"model 3.0", "vs=3.0,ps=3.0", 0xFFFE0300, 0xFFFF0300},
        {"none", "vs=0,ps=0", 0, 0},
        {"tokens", "vs=0xFFFE0200,ps=0xFFFF0300", 0xFFFE0200, 0xFFFF0300},
    };
    for (const ShaderCapsRow& row : rows) {
        SCOPED_TRACE(row.name);
        KnobResetAll();
        setenv("VESSAMIRE_D3D_CAPS", row.caps, 1);
        KnobApplyEnvironment();
        unsetenv("VESSAMIRE_D3D_CAPS");
        IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
        D3DCAPS9 caps{};
        ASSERT_EQ(d3d->GetDeviceCaps(0, D3DDEVTYPE_HAL, &caps), D3D_OK);
        EXPECT_EQ(caps.VertexShaderVersion, row.vertex);
        EXPECT_EQ(caps.PixelShaderVersion, row.pixel);
        EXPECT_EQ(caps.MaxVertexShaderConst, 256u);
        d3d->Release();
    }
    KnobResetAll();
}

// Without the temporary-register capability a stage writing to TEMP is refused.
TEST(D3D9Knobs, TemporaryRegisterNeedsItsCapability) {
    KnobD3D9TssArgTemp(false);
    IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
    D3DPRESENT_PARAMETERS pp = Windowed(8, 8);
    IDirect3DDevice9* dev = nullptr;
    ASSERT_EQ(Create(d3d, &pp, &dev), D3D_OK);
    const Vertex tri[3] = {
        {0, 0, 0, 1, 0xFFFFFFFF}, {4, 0, 0, 1, 0xFFFFFFFF}, {0, 4, 0, 1, 0xFFFFFFFF}};
    dev->SetFVF(D3DFVF_XYZRHW | D3DFVF_DIFFUSE);
    dev->BeginScene();
    EXPECT_EQ(dev->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, tri, sizeof(Vertex)), D3D_OK);
    dev->SetTextureStageState(0, D3DTSS_RESULTARG, D3DTA_TEMP);
    EXPECT_EQ(dev->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, tri, sizeof(Vertex)), D3DERR_INVALIDCALL);
    dev->SetTextureStageState(0, D3DTSS_RESULTARG, D3DTA_CURRENT);
    dev->SetTextureStageState(1, D3DTSS_COLORARG2, D3DTA_TEMP | D3DTA_COMPLEMENT);
    EXPECT_EQ(dev->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, tri, sizeof(Vertex)), D3DERR_INVALIDCALL);
    dev->EndScene();
    dev->Release();
    d3d->Release();
}

// Defaults, the product of MultiplyTransform, a light made by enabling it,
// and out-of-range states refused.
TEST(D3D9Knobs, StatesDefaultsProductsAndRanges) {
    IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
    D3DPRESENT_PARAMETERS pp = Windowed(8, 8);
    IDirect3DDevice9* dev = nullptr;
    ASSERT_EQ(Create(d3d, &pp, &dev), D3D_OK);
    DWORD v = 0;
    ASSERT_EQ(dev->GetRenderState(D3DRS_CULLMODE, &v), D3D_OK);
    EXPECT_EQ(v, DWORD(D3DCULL_CCW));
    ASSERT_EQ(dev->GetTextureStageState(1, D3DTSS_TEXCOORDINDEX, &v), D3D_OK);
    EXPECT_EQ(v, 1u);
    EXPECT_EQ(dev->SetRenderState(static_cast<D3DRENDERSTATETYPE>(300), 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->SetTextureStageState(8, D3DTSS_COLOROP, 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->SetSamplerState(16, D3DSAMP_MAGFILTER, 1), D3DERR_INVALIDCALL);
    D3DMATRIX m{};
    m._11 = 2.f;
    m._22 = m._33 = m._44 = 1.f;
    ASSERT_EQ(dev->SetTransform(D3DTS_VIEW, &m), D3D_OK);
    ASSERT_EQ(dev->MultiplyTransform(D3DTS_VIEW, &m), D3D_OK);
    D3DMATRIX got{};
    dev->GetTransform(D3DTS_VIEW, &got);
    EXPECT_EQ(got._11, 4.f);
    EXPECT_EQ(dev->SetTransform(static_cast<D3DTRANSFORMSTATETYPE>(5), &m), D3DERR_INVALIDCALL);
    D3DLIGHT9 light{};
    EXPECT_EQ(dev->GetLight(0, &light), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->LightEnable(3, TRUE), D3D_OK);
    ASSERT_EQ(dev->GetLight(3, &light), D3D_OK);
    EXPECT_EQ(light.Type, D3DLIGHT_DIRECTIONAL);
    EXPECT_EQ(light.Direction.z, 1.f);
    ReleaseAll(dev, d3d);
}

}  // namespace
