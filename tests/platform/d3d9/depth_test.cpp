// Depth through the device: Clear and the rasteriser agree on each format's
// layout (24-bit depth in the high bits, stencil or padding in the low 8).
#include "d3d9_fixture.h"

namespace {

using namespace d3d9test;

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
        SafeRelease(rt);
    }
}

}  // namespace
