// What the capabilities claim against what the device does, depth written
// by Clear against the depth a draw tests, and what a lock rules out.
#include "d3d9_fixture.h"

namespace {

using namespace d3d9test;

class D3D9Caps : public DeviceTest {};

TEST_F(D3D9Caps, EveryClaimMatchesTheDevicesAnswer) {
    D3DCAPS9 caps{};
    ASSERT_EQ(dev->GetDeviceCaps(&caps), D3D_OK);
    IDirect3DTexture9 *sys = nullptr, *tex = nullptr;
    sys = MakeTexture(4, 4, 1, 0, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM);
    tex = MakeTexture(4, 4, 1, D3DUSAGE_DYNAMIC, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT);
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
}

class D3D9Depth : public DeviceTest {};

TEST_F(D3D9Depth, DepthClearedByClearIsTheDepthTheDrawTests) {
    for (D3DFORMAT f : {D3DFMT_D16, D3DFMT_D24X8, D3DFMT_D24S8, D3DFMT_D32}) {
        IDirect3DSurface9* ds = nullptr;
        ASSERT_EQ(
            dev->CreateDepthStencilSurface(8, 8, f, D3DMULTISAMPLE_NONE, 0, FALSE, &ds, nullptr),
            D3D_OK);
        IDirect3DSurface9* rt = RenderTarget(8, 8, D3DFMT_X8R8G8B8);
        ASSERT_EQ(dev->SetRenderTarget(0, rt), D3D_OK);
        ASSERT_EQ(dev->SetDepthStencilSurface(ds), D3D_OK);
        ASSERT_EQ(dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 0.5f, 0), D3D_OK);
        dev->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
        dev->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESSEQUAL);
        dev->SetRenderState(D3DRS_LIGHTING, FALSE);
        dev->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        dev->SetFVF(D3DFVF_XYZRHW | D3DFVF_DIFFUSE);
        struct V {
            float x, y, z, rhw;
            DWORD c;
        };
        auto draw = [&](float z, DWORD c) {
            V v[3] = {{-1, -1, z, 1, c}, {20, -1, z, 1, c}, {-1, 20, z, 1, c}};
            ASSERT_EQ(dev->BeginScene(), D3D_OK);
            EXPECT_EQ(dev->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, v, sizeof(V)), D3D_OK);
            ASSERT_EQ(dev->EndScene(), D3D_OK);
        };
        draw(0.25f, 0xFF00FF00);  // nearer than the clear: drawn
        EXPECT_EQ(Pixel(rt, 2, 2), 0xFF00FF00u) << f;
        draw(0.75f, 0xFFFF0000);  // behind what the first draw wrote: kept out
        EXPECT_EQ(Pixel(rt, 2, 2), 0xFF00FF00u) << f;
        dev->SetDepthStencilSurface(nullptr);
        SafeRelease(ds);
    }
}

class D3D9Locks : public DeviceTest {};

TEST_F(D3D9Locks, LockedSurfacesAndDiscardLocksFollowTheDocumentedRules) {
    IDirect3DSurface9* sys = Plain(8, 8, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM);
    IDirect3DSurface9* rt = RenderTarget(8, 8, D3DFMT_X8R8G8B8);
    D3DLOCKED_RECT lr;
    for (IDirect3DSurface9* held : {sys, rt}) {
        ASSERT_EQ(held->LockRect(&lr, nullptr, 0), D3D_OK);
        EXPECT_EQ(dev->UpdateSurface(sys, nullptr, rt, nullptr), D3DERR_INVALIDCALL);
        ASSERT_EQ(held->UnlockRect(), D3D_OK);
    }
    EXPECT_EQ(dev->UpdateSurface(sys, nullptr, rt, nullptr), D3D_OK);

    IDirect3DTexture9* dynamic =
        MakeTexture(8, 8, 1, D3DUSAGE_DYNAMIC, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT);
    const RECT part{0, 0, 4, 4}, whole{0, 0, 8, 8};
    const std::pair<const RECT*, HRESULT> discards[] = {
        {&part, D3DERR_INVALIDCALL}, {nullptr, D3D_OK}, {&whole, D3D_OK}};
    for (auto [rect, want] : discards) {
        const HRESULT hr = dynamic->LockRect(0, &lr, rect, D3DLOCK_DISCARD);
        EXPECT_EQ(hr, want) << (rect ? rect->right : 0);
        if (SUCCEEDED(hr)) dynamic->UnlockRect(0);
    }
}

}  // namespace
