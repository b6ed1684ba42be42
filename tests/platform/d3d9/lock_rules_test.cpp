// What a lock rules out: copies through a locked surface, and a DISCARD lock
// of less than the whole surface.
#include "d3d9_fixture.h"

namespace {

using namespace d3d9test;

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

    IDirect3DTexture9* dynamic = nullptr;
    ASSERT_EQ(dev->CreateTexture(8, 8, 1, D3DUSAGE_DYNAMIC, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT,
                                 &dynamic, nullptr),
              D3D_OK);
    const RECT part{0, 0, 4, 4}, whole{0, 0, 8, 8};
    const std::pair<const RECT*, HRESULT> discards[] = {
        {&part, D3DERR_INVALIDCALL}, {nullptr, D3D_OK}, {&whole, D3D_OK}};
    for (auto [rect, want] : discards) {
        const HRESULT hr = dynamic->LockRect(0, &lr, rect, D3DLOCK_DISCARD);
        EXPECT_EQ(hr, want) << (rect ? rect->right : 0);
        if (SUCCEEDED(hr)) dynamic->UnlockRect(0);
    }
    SafeRelease(dynamic);
    SafeRelease(sys);
    SafeRelease(rt);
}

}  // namespace
