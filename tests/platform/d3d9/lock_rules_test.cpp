// What a lock rules out: copies through a locked surface, and a DISCARD lock
// of less than the whole surface.
#include <functional>

#include "d3d9_fixture.h"

namespace {

using namespace d3d9test;

class D3D9Locks : public DeviceTest {};

TEST_F(D3D9Locks, LockedSurfacesAndDiscardLocksFollowTheDocumentedRules) {
    IDirect3DSurface9* sys = Plain(8, 8, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM);
    IDirect3DSurface9* rt = RenderTarget(8, 8, D3DFMT_X8R8G8B8);
    struct Row {
        const char* name;
        IDirect3DSurface9* held;  // locked around the call
        std::function<HRESULT()> call;
        HRESULT want;
    };
    const auto update = [&] { return dev->UpdateSurface(sys, nullptr, rt, nullptr); };
    IDirect3DTexture9* dynamic = nullptr;
    ASSERT_EQ(dev->CreateTexture(8, 8, 1, D3DUSAGE_DYNAMIC, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT,
                                 &dynamic, nullptr),
              D3D_OK);
    const auto discard = [&](const RECT* r) {
        D3DLOCKED_RECT lr;
        HRESULT hr = dynamic->LockRect(0, &lr, r, D3DLOCK_DISCARD);
        if (SUCCEEDED(hr)) dynamic->UnlockRect(0);
        return hr;
    };
    const RECT part{0, 0, 4, 4}, whole{0, 0, 8, 8};
    const Row rows[] = {
        {"DISCARD of a sub-rectangle", nullptr, [&] { return discard(&part); }, D3DERR_INVALIDCALL},
        {"DISCARD of the whole level", nullptr, [&] { return discard(nullptr); }, D3D_OK},
        {"DISCARD of a rectangle covering it", nullptr, [&] { return discard(&whole); }, D3D_OK},
        {"UpdateSurface from a locked source", sys, update, D3DERR_INVALIDCALL},
        {"UpdateSurface into a locked destination", rt, update, D3DERR_INVALIDCALL},
        {"UpdateSurface unlocked", nullptr, update, D3D_OK},
    };
    for (const Row& row : rows) {
        D3DLOCKED_RECT lr;
        if (row.held) {
            ASSERT_EQ(row.held->LockRect(&lr, nullptr, 0), D3D_OK);
        }
        EXPECT_EQ(row.call(), row.want) << row.name;
        if (row.held) {
            ASSERT_EQ(row.held->UnlockRect(), D3D_OK);
        }
    }
    SafeRelease(dynamic);
    SafeRelease(sys);
    SafeRelease(rt);
}

}  // namespace
