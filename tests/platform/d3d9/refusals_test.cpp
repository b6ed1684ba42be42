#include <functional>

#include "d3d9_fixture.h"

using namespace d3d9test;

namespace {

class D3D9Refusals : public DeviceTest {};

// Each refusal Direct3D 9 makes: the code, a trace entry, the destination
// untouched.
TEST_F(D3D9Refusals, LocksTheEngineMeets) {
    IDirect3DTexture9* def = MakeTexture(8, 8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT);
    IDirect3DSurface9* rt = RenderTarget(8, 8, D3DFMT_X8R8G8B8, FALSE);
    IDirect3DSurface9* ds = nullptr;
    ASSERT_EQ(dev->CreateDepthStencilSurface(8, 8, D3DFMT_D16, D3DMULTISAMPLE_NONE, 0, FALSE, &ds,
                                             nullptr),
              D3D_OK);
    IDirect3DSurface9* plain = Plain(8, 8, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM);
    D3DLOCKED_RECT lr{};
    KnobD3D9TakeTrace();
    EXPECT_EQ(def->LockRect(0, &lr, nullptr, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(rt->LockRect(&lr, nullptr, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(ds->LockRect(&lr, nullptr, 0), D3DERR_INVALIDCALL);
    RECT outside{4, 4, 9, 6}, empty{3, 3, 3, 5}, negative{-1, 0, 2, 2};
    EXPECT_EQ(plain->LockRect(&lr, &outside, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(plain->LockRect(&lr, &empty, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(plain->LockRect(&lr, &negative, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(plain->LockRect(nullptr, nullptr, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(plain->UnlockRect(), D3DERR_INVALIDCALL);
    ASSERT_EQ(plain->LockRect(&lr, nullptr, 0), D3D_OK);
    EXPECT_EQ(plain->LockRect(&lr, nullptr, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(plain->UnlockRect(), D3D_OK);
    EXPECT_EQ(def->LockRect(1, &lr, nullptr, 0), D3DERR_INVALIDCALL);
    auto trace = KnobD3D9TakeTrace();
    EXPECT_TRUE(TraceHas(trace, "Surface::LockRect", "not lockable"));
    EXPECT_TRUE(TraceHas(trace, "Texture::LockRect", "level 1"));
    ReleaseAll(ds);
}

TEST_F(D3D9Refusals, BackBufferLocksOnlyWhenLockable) {
    IDirect3DSurface9* back = nullptr;
    ASSERT_EQ(dev->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back), D3D_OK);
    D3DLOCKED_RECT lr;
    ASSERT_EQ(back->LockRect(&lr, nullptr, 0), D3D_OK);  // the fixture asks for a lockable one
    back->UnlockRect();
    back->Release();
    IDirect3DDevice9* other = nullptr;
    D3DPRESENT_PARAMETERS pp = Windowed(16, 16, 0);
    ASSERT_EQ(Create(d3d, &pp, &other), D3D_OK);
    ASSERT_EQ(other->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back), D3D_OK);
    EXPECT_EQ(back->LockRect(&lr, nullptr, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(other->GetBackBuffer(0, 1, D3DBACKBUFFER_TYPE_MONO, &back), D3DERR_INVALIDCALL);
    EXPECT_EQ(back, nullptr);
    other->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back);
    ReleaseAll(back, back, other);
}

TEST_F(D3D9Refusals, CreationRules) {
    IDirect3DTexture9* t = nullptr;
    auto texture = [&](UINT w, UINT levels, DWORD usage, D3DFORMAT f, D3DPOOL pool) {
        return dev->CreateTexture(w, 8, levels, usage, f, pool, &t, nullptr);
    };
    const D3DFORMAT argb = D3DFMT_A8R8G8B8;
    // Render targets live in the default pool, dynamic textures outside the managed one.
    EXPECT_EQ(texture(8, 1, D3DUSAGE_RENDERTARGET, argb, D3DPOOL_SYSTEMMEM), D3DERR_INVALIDCALL);
    EXPECT_EQ(texture(8, 1, D3DUSAGE_RENDERTARGET, argb, D3DPOOL_MANAGED), D3DERR_INVALIDCALL);
    EXPECT_EQ(texture(8, 1, D3DUSAGE_DYNAMIC, argb, D3DPOOL_MANAGED), D3DERR_INVALIDCALL);
    EXPECT_EQ(texture(0, 1, 0, argb, D3DPOOL_MANAGED), D3DERR_INVALIDCALL);
    EXPECT_EQ(texture(8, 5, 0, argb, D3DPOOL_MANAGED), D3DERR_INVALIDCALL);  // 8x8 has 4 levels
    EXPECT_EQ(texture(8, 1, 0, D3DFMT_DXT1, D3DPOOL_MANAGED), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->CreateTexture(8, 8, 1, 0, argb, D3DPOOL_MANAGED, nullptr, nullptr),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(t, nullptr);
    IDirect3DSurface9* s = nullptr;
    EXPECT_EQ(dev->CreateOffscreenPlainSurface(8, 8, D3DFMT_YUY2, D3DPOOL_DEFAULT, &s, nullptr),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->CreateOffscreenPlainSurface(8, 8, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, &s, nullptr),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->CreateRenderTarget(8, 8, D3DFMT_X8R8G8B8, D3DMULTISAMPLE_2_SAMPLES, 0, FALSE, &s,
                                      nullptr),
              D3DERR_INVALIDCALL);
    IDirect3DIndexBuffer9* ib = nullptr;
    EXPECT_EQ(dev->CreateIndexBuffer(64, 0, D3DFMT_INDEX32, D3DPOOL_MANAGED, &ib, nullptr),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->CreateIndexBuffer(0, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &ib, nullptr),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(s, nullptr);
    EXPECT_EQ(ib, nullptr);
}

TEST_F(D3D9Refusals, CopiesLeaveTheDestinationUntouched) {
    IDirect3DSurface9* rt = RenderTarget(8, 8, D3DFMT_X8R8G8B8);
    IDirect3DSurface9* rt16 = RenderTarget(8, 8, D3DFMT_R5G6B5);
    IDirect3DSurface9* sys = Plain(8, 8, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM);
    IDirect3DSurface9* sys16 = Plain(8, 8, D3DFMT_R5G6B5, D3DPOOL_SYSTEMMEM);
    IDirect3DSurface9* small = Plain(4, 4, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM);
    IDirect3DTexture9* plainTex =
        MakeTexture(8, 8, 1, D3DUSAGE_DYNAMIC, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT);
    IDirect3DSurface9* plainLevel = nullptr;
    plainTex->GetSurfaceLevel(0, &plainLevel);
    ASSERT_EQ(dev->ColorFill(rt, nullptr, 0xFF112233), D3D_OK);
    Put32(sys, 0, 0, 0xFFABCDEF);
    Put32(small, 0, 0, 0xFF445566);
    Put32(plainLevel, 0, 0, 0xFF778899);
    KnobD3D9TakeTrace();

    RECT left{0, 0, 4, 4}, overlapping{2, 2, 6, 6};
    EXPECT_EQ(dev->StretchRect(rt, nullptr, plainLevel, nullptr, D3DTEXF_NONE), D3DERR_INVALIDCALL);
    EXPECT_EQ(Pixel(plainLevel, 0, 0), 0xFF778899u);
    EXPECT_EQ(dev->StretchRect(rt, &left, rt, &overlapping, D3DTEXF_NONE), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->StretchRect(rt, nullptr, rt16, nullptr, D3DTEXF_ANISOTROPIC),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->StretchRect(sys, nullptr, rt, nullptr, D3DTEXF_NONE), D3DERR_INVALIDCALL);
    EXPECT_EQ(Pixel(rt, 0, 0), 0xFF112233u);
    EXPECT_EQ(dev->UpdateSurface(rt16, nullptr, rt, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->UpdateSurface(sys16, nullptr, rt, nullptr), D3DERR_INVALIDCALL);
    POINT far{6, 6};
    EXPECT_EQ(dev->UpdateSurface(sys, nullptr, rt, &far), D3DERR_INVALIDCALL);
    EXPECT_EQ(Pixel(rt, 0, 0), 0xFF112233u);
    EXPECT_EQ(dev->GetRenderTargetData(rt, small), D3DERR_INVALIDCALL);
    EXPECT_EQ(Pixel(small, 0, 0), 0xFF445566u);
    EXPECT_EQ(dev->GetRenderTargetData(rt, sys16), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->GetRenderTargetData(sys, sys), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->ColorFill(sys, nullptr, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->ColorFill(plainLevel, nullptr, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(Pixel(plainLevel, 0, 0), 0xFF778899u);
    RECT beyond{0, 0, 9, 1};
    EXPECT_EQ(dev->ColorFill(rt, &beyond, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(Pixel(rt, 0, 0), 0xFF112233u);
    EXPECT_EQ(dev->StretchRect(nullptr, nullptr, rt, nullptr, D3DTEXF_NONE), D3DERR_INVALIDCALL);
    auto trace = KnobD3D9TakeTrace();
    EXPECT_TRUE(TraceHas(trace, "StretchRect", "plain texture"));
    EXPECT_TRUE(TraceHas(trace, "UpdateSurface", "formats"));

    IDirect3DTexture9* sysTex = nullptr;
    IDirect3DTexture9* sysTex16 = nullptr;
    IDirect3DTexture9* defTex = nullptr;
    sysTex = MakeTexture(8, 8, 1, 0, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM);
    sysTex16 = MakeTexture(8, 8, 1, 0, D3DFMT_R5G6B5, D3DPOOL_SYSTEMMEM);
    defTex = MakeTexture(8, 8, 1, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED);
    EXPECT_EQ(dev->UpdateTexture(defTex, plainTex), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->UpdateTexture(sysTex16, plainTex), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->UpdateTexture(sysTex, defTex), D3DERR_INVALIDCALL);
    EXPECT_EQ(Pixel(plainLevel, 0, 0), 0xFF778899u);
    EXPECT_EQ(dev->UpdateTexture(sysTex, plainTex), D3D_OK);
    ReleaseAll(plainLevel);
}

TEST_F(D3D9Refusals, DeviceStateRules) {
    IDirect3DSurface9* rt = RenderTarget(8, 8, D3DFMT_X8R8G8B8);
    IDirect3DSurface9* sys = Plain(8, 8, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM);
    IDirect3DTexture9* sysTex = MakeTexture(8, 8, 1, 0, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM);
    ASSERT_EQ(dev->ColorFill(rt, nullptr, 0xFF010203), D3D_OK);
    KnobD3D9TakeTrace();
    // No depth surface: ZBUFFER is refused and the target keeps its pixels.
    ASSERT_EQ(dev->SetRenderTarget(0, rt), D3D_OK);
    EXPECT_EQ(dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFFFFFFFF, 1.f, 0),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(Pixel(rt, 0, 0), 0xFF010203u);
    IDirect3DSurface9* d16 = nullptr;
    ASSERT_EQ(dev->CreateDepthStencilSurface(8, 8, D3DFMT_D16, D3DMULTISAMPLE_NONE, 0, FALSE, &d16,
                                             nullptr),
              D3D_OK);
    ASSERT_EQ(dev->SetDepthStencilSurface(d16), D3D_OK);
    EXPECT_EQ(dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_STENCIL, 0xFFFFFFFF, 1.f, 0),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(Pixel(rt, 0, 0), 0xFF010203u);
    D3DRECT r{0, 0, 1, 1};
    EXPECT_EQ(dev->Clear(1, nullptr, D3DCLEAR_TARGET, 0, 1.f, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->Clear(0, &r, D3DCLEAR_TARGET, 0, 1.f, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->SetRenderTarget(0, sys), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->SetRenderTarget(0, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->SetRenderTarget(1, rt), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->SetDepthStencilSurface(rt), D3DERR_INVALIDCALL);
    D3DVIEWPORT9 vp{4, 0, 5, 8, 0.f, 1.f};
    EXPECT_EQ(dev->SetViewport(&vp), D3DERR_INVALIDCALL);
    D3DVIEWPORT9 got{};
    dev->GetViewport(&got);
    EXPECT_EQ(got.Width, 8u);
    EXPECT_EQ(dev->SetTexture(0, sysTex), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->SetTexture(16, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->BeginScene(), D3D_OK);
    EXPECT_EQ(dev->BeginScene(), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->EndScene(), D3D_OK);
    EXPECT_EQ(dev->EndScene(), D3DERR_INVALIDCALL);
    const float tri[3][4] = {};
    ASSERT_EQ(dev->SetFVF(0x004), D3D_OK);
    EXPECT_EQ(dev->DrawPrimitiveUP(static_cast<D3DPRIMITIVETYPE>(4), 1, tri, 16),
              D3DERR_INVALIDCALL);
    const WORD idx[3] = {0, 1, 2};
    EXPECT_EQ(dev->DrawIndexedPrimitiveUP(static_cast<D3DPRIMITIVETYPE>(4), 0, 3, 1, idx,
                                          D3DFMT_INDEX16, tri, 16),
              D3DERR_INVALIDCALL);
    auto trace = KnobD3D9TakeTrace();
    EXPECT_TRUE(TraceHas(trace, "Clear", "no depth surface"));
    EXPECT_TRUE(TraceHas(trace, "SetRenderTarget", "not a render target"));
    EXPECT_TRUE(TraceHas(trace, "DrawPrimitiveUP", "outside a scene"));
    ReleaseAll(d16);
}

struct Vertex {
    float x, y, z, rhw;
    DWORD colour;
};

// Validated draws reach the rasteriser: a red triangle in the back buffer.
TEST_F(D3D9Refusals, DrawsValidateAndReachTheRasteriser) {
    const Vertex tri[3] = {
        {0, 0, 0, 1, 0xFFFF0000}, {4, 0, 0, 1, 0xFFFF0000}, {0, 4, 0, 1, 0xFFFF0000}};
    const WORD bad[3] = {0, 1, 7};
    const WORD good[3] = {0, 1, 2};
    IDirect3DSurface9* back = nullptr;
    ASSERT_EQ(dev->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back), D3D_OK);
    ASSERT_EQ(dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.f, 0), D3D_OK);
    ASSERT_EQ(dev->SetFVF(D3DFVF_XYZRHW | D3DFVF_DIFFUSE), D3D_OK);
    ASSERT_EQ(dev->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE), D3D_OK);
    ASSERT_EQ(dev->BeginScene(), D3D_OK);
    KnobD3D9TakeTrace();
    EXPECT_EQ(dev->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, tri, sizeof(Vertex)), D3D_OK);
    EXPECT_EQ(Pixel(back, 1, 1), 0xFFFF0000u);
    EXPECT_EQ(Pixel(back, 3, 3), 0xFF000000u);
    EXPECT_EQ(dev->DrawPrimitiveUP(static_cast<D3DPRIMITIVETYPE>(9), 1, tri, sizeof(Vertex)),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, nullptr, sizeof(Vertex)),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 0, 3, 1, bad, D3DFMT_INDEX16, tri,
                                          sizeof(Vertex)),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 0, 3, 1, good, D3DFMT_INDEX16, tri,
                                          sizeof(Vertex)),
              D3D_OK);
    // Subtraction needs the BLENDOP capability.
    KnobD3D9BlendOp(false);
    IDirect3DDevice9* other = nullptr;
    D3DPRESENT_PARAMETERS pp = Windowed(8, 8);
    ASSERT_EQ(Create(d3d, &pp, &other), D3D_OK);
    other->SetFVF(D3DFVF_XYZRHW | D3DFVF_DIFFUSE);
    other->BeginScene();
    other->SetRenderState(D3DRS_BLENDOP, D3DBLENDOP_SUBTRACT);
    EXPECT_EQ(other->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, tri, sizeof(Vertex)),
              D3DERR_INVALIDCALL);
    other->EndScene();
    other->Release();
    auto trace = KnobD3D9TakeTrace();
    EXPECT_TRUE(TraceHas(trace, "DrawIndexedPrimitiveUP", "index 7 outside"));
    dev->EndScene();
    back->Release();
}

TEST_F(D3D9Refusals, UnsupportedMethodsAreNamedInTheTrace) {
    KnobD3D9TakeTrace();
    EXPECT_EQ(dev->DrawPrimitive(static_cast<D3DPRIMITIVETYPE>(4), 0, 1), D3DERR_INVALIDCALL);
    IDirect3DStateBlock9* sb = nullptr;
    EXPECT_EQ(dev->CreateStateBlock(D3DSBT_ALL, &sb), D3DERR_INVALIDCALL);
    IDirect3DCubeTexture9* cube = nullptr;
    EXPECT_EQ(dev->CreateCubeTexture(8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &cube, nullptr),
              D3DERR_INVALIDCALL);
    auto trace = KnobD3D9TakeTrace();
    EXPECT_TRUE(TraceHas(trace, "DrawPrimitive", "unsupported"));
    EXPECT_TRUE(TraceHas(trace, "CreateStateBlock", "unsupported"));
    EXPECT_TRUE(TraceHas(trace, "CreateCubeTexture", "unsupported"));
}

}  // namespace

namespace {

class D3D9HostileInput : public DeviceTest {};

TEST_F(D3D9HostileInput, HugeSizesAndCoordinatesFailCleanly) {
    IDirect3DVertexBuffer9* vb = nullptr;
    EXPECT_EQ(dev->CreateVertexBuffer(0xFFFFFFFFu, 0, 0, D3DPOOL_SYSTEMMEM, &vb, nullptr),
              D3DERR_OUTOFVIDEOMEMORY);
    IDirect3DSurface9* s = nullptr;
    EXPECT_EQ(dev->CreateOffscreenPlainSurface(0x7FFFFFFF, 2, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM,
                                               &s, nullptr),
              D3DERR_INVALIDCALL);
    IDirect3DTexture9* t = nullptr;
    EXPECT_EQ(
        dev->CreateTexture(0x40000000, 1, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_SCRATCH, &t, nullptr),
        D3DERR_INVALIDCALL);
    IDirect3DSurface9* sys = Plain(4, 4, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM);
    IDirect3DSurface9* rt = RenderTarget(4, 4, D3DFMT_X8R8G8B8);
    POINT far{0x7FFFFFFE, 0x7FFFFFFE};
    EXPECT_EQ(dev->UpdateSurface(sys, nullptr, rt, &far), D3DERR_INVALIDCALL);
    RECT huge{-0x7FFFFFFF, 0, 0x7FFFFFFF, 2};
    D3DLOCKED_RECT lr;
    EXPECT_EQ(sys->LockRect(&lr, &huge, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->StretchRect(rt, &huge, rt, nullptr, D3DTEXF_LINEAR), D3DERR_INVALIDCALL);
    ASSERT_EQ(dev->SetRenderTarget(0, rt), D3D_OK);
    D3DRECT wide{-0x7FFFFFFF, -0x7FFFFFFF, 0x7FFFFFFF, 0x7FFFFFFF};
    EXPECT_EQ(dev->Clear(1, &wide, D3DCLEAR_TARGET, 0xFF00FF00, 1.f, 0), D3D_OK);
    EXPECT_EQ(Pixel(rt, 3, 3), 0xFF00FF00u);
    D3DVIEWPORT9 vp{0xFFFFFFFF, 0, 2, 2, 0.f, 1.f};
    EXPECT_EQ(dev->SetViewport(&vp), D3DERR_INVALIDCALL);
    KnobD3D9MaxTextureSize(0xFFFFFFFF);
    D3DCAPS9 caps{};
    d3d->GetDeviceCaps(0, D3DDEVTYPE_HAL, &caps);
    EXPECT_EQ(caps.MaxTextureWidth, 16384u);
}

}  // namespace
