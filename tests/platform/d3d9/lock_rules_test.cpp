// What a lock rules out: copies through a locked surface.
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
    const Row rows[] = {
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
    SafeRelease(sys);
    SafeRelease(rt);
}

}  // namespace
