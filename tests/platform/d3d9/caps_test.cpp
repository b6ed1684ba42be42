// The capabilities claim exactly what the device does: each flag and each
// texture stage operation against the device's answer.
#include "d3d9_fixture.h"

namespace {

using namespace d3d9test;

class D3D9Caps : public DeviceTest {};

TEST_F(D3D9Caps, EveryClaimMatchesTheDevicesAnswer) {
    D3DCAPS9 caps{};
    ASSERT_EQ(dev->GetDeviceCaps(&caps), D3D_OK);
    IDirect3DTexture9 *sys = nullptr, *tex = nullptr;
    ASSERT_EQ(dev->CreateTexture(4, 4, 1, 0, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM, &sys, nullptr),
              D3D_OK);
    ASSERT_EQ(dev->CreateTexture(4, 4, 1, D3DUSAGE_DYNAMIC, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT, &tex,
                                 nullptr),
              D3D_OK);
    IDirect3DSurface9* level = nullptr;
    tex->GetSurfaceLevel(0, &level);
    IDirect3DSurface9* rt = RenderTarget(4, 4, D3DFMT_X8R8G8B8);
    struct Flag {
        const char* name;
        bool claimed;
        HRESULT answer;
    };
    const Flag flags[] = {
        {"TEXTURESYSTEMMEMORY", (caps.DevCaps & D3DDEVCAPS_TEXTURESYSTEMMEMORY) != 0,
         dev->SetTexture(0, sys)},
        {"CAN_STRETCHRECT_FROM_TEXTURES",
         (caps.DevCaps2 & D3DDEVCAPS2_CAN_STRETCHRECT_FROM_TEXTURES) != 0,
         dev->StretchRect(level, nullptr, rt, nullptr, D3DTEXF_POINT)},
    };
    for (const Flag& f : flags) EXPECT_EQ(f.claimed, SUCCEEDED(f.answer)) << f.name;
    dev->SetTexture(0, nullptr);

    // Each operation as the colour and as the alpha operation of stage 0.
    dev->SetRenderState(D3DRS_LIGHTING, FALSE);
    dev->SetFVF(D3DFVF_XYZRHW | D3DFVF_DIFFUSE);
    struct V {
        float x, y, z, rhw;
        DWORD c;
    } tri[3] = {{0, 0, 0, 1, ~0u}, {4, 0, 0, 1, ~0u}, {0, 4, 0, 1, ~0u}};
    ASSERT_EQ(dev->BeginScene(), D3D_OK);
    for (DWORD op = D3DTOP_DISABLE; op <= D3DTOP_LERP; ++op) {
        const bool claimed = (caps.TextureOpCaps & (1u << (op - 1))) != 0;
        for (D3DTEXTURESTAGESTATETYPE which : {D3DTSS_COLOROP, D3DTSS_ALPHAOP}) {
            dev->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
            dev->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
            dev->SetTextureStageState(0, which, op);
            const HRESULT hr = dev->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, tri, sizeof(V));
            EXPECT_EQ(claimed, SUCCEEDED(hr)) << "operation " << op << " state " << which;
        }
    }
    ASSERT_EQ(dev->EndScene(), D3D_OK);
    SafeRelease(level);
    SafeRelease(tex);
    SafeRelease(sys);
    SafeRelease(rt);
}

}  // namespace
