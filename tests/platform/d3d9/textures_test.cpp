#include "d3d9_fixture.h"

using namespace d3d9test;

namespace {

class D3D9Textures : public DeviceTest {};

TEST_F(D3D9Textures, FullChainOfAThousandBySevenHundred) {
    IDirect3DTexture9* t = MakeTexture(1000, 700, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED);
    ASSERT_EQ(t->GetLevelCount(), 10u);
    for (UINT level = 0; level < 10; ++level) {
        D3DSURFACE_DESC d{};
        ASSERT_EQ(t->GetLevelDesc(level, &d), D3D_OK);
        EXPECT_EQ(d.Width, std::max(1u, 1000u >> level));
        EXPECT_EQ(d.Height, std::max(1u, 700u >> level));
        EXPECT_EQ(d.Pool, D3DPOOL_MANAGED);
    }
    D3DSURFACE_DESC d{};
    EXPECT_EQ(t->GetLevelDesc(10, &d), D3DERR_INVALIDCALL);
}

TEST_F(D3D9Textures, CapabilityKnobsChangeWhatCreationAccepts) {
    IDirect3DTexture9* t = nullptr;
    auto make = [&](UINT w, UINT h, UINT levels) {
        HRESULT hr =
            dev->CreateTexture(w, h, levels, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t, nullptr);
        SafeRelease(t);
        return hr;
    };
    ASSERT_EQ(make(100, 100, 1), D3D_OK);
    auto recreate = [&] {
        dev->Release();
        D3DPRESENT_PARAMETERS pp = Windowed(64, 64);
        ASSERT_EQ(Create(d3d, &pp, &dev), D3D_OK);
    };
    KnobD3D9TextureCaps(true, false, false);
    recreate();
    EXPECT_EQ(make(100, 100, 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(make(128, 64, 0), D3D_OK);
    KnobD3D9TextureCaps(true, false, true);
    recreate();
    EXPECT_EQ(make(100, 100, 1), D3D_OK);
    EXPECT_EQ(make(100, 100, 0), D3DERR_INVALIDCALL);
    KnobD3D9TextureCaps(false, true, false);
    recreate();
    EXPECT_EQ(make(128, 64, 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(make(64, 64, 1), D3D_OK);
    KnobD3D9TextureCaps(false, false, false);
    KnobD3D9MaxTextureSize(256);
    recreate();
    EXPECT_EQ(make(512, 16, 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(make(256, 256, 1), D3D_OK);
}

// The levels share the texture's count: holding a level keeps the texture.
TEST_F(D3D9Textures, LevelsShareTheTexturesReferenceCount) {
    IDirect3DTexture9* t = nullptr;  // released by hand: the counts are the point
    ASSERT_EQ(dev->CreateTexture(16, 16, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t, nullptr),
              D3D_OK);
    IDirect3DSurface9* level = nullptr;
    ASSERT_EQ(t->GetSurfaceLevel(2, &level), D3D_OK);
    EXPECT_EQ(t->AddRef(), 3u);
    EXPECT_EQ(t->Release(), 2u);
    EXPECT_EQ(dev->SetTexture(0, t), D3D_OK);
    EXPECT_EQ(level->AddRef(), 4u);
    level->Release();
    EXPECT_EQ(t->Release(), 2u);  // the level and the stage still hold it
    IDirect3DTexture9* container = nullptr;
    ASSERT_EQ(level->GetContainer(IID_IDirect3DTexture9, reinterpret_cast<void**>(&container)),
              D3D_OK);
    EXPECT_EQ(container, t);
    container->Release();
    EXPECT_EQ(level->Release(), 1u);
    EXPECT_EQ(KnobD3D9LiveCount("Texture"), 1);
    EXPECT_EQ(dev->SetTexture(0, nullptr), D3D_OK);
    EXPECT_EQ(KnobD3D9LiveCount("Texture"), 0);
}

TEST_F(D3D9Textures, VolumeTextureLocksAndUpdates) {
    IDirect3DVolumeTexture9* sys = nullptr;
    IDirect3DVolumeTexture9* vid = nullptr;
    ASSERT_EQ(
        dev->CreateVolumeTexture(8, 8, 8, 1, 0, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM, &sys, nullptr),
        D3D_OK);
    ASSERT_EQ(
        dev->CreateVolumeTexture(8, 8, 8, 1, 0, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT, &vid, nullptr),
        D3D_OK);
    D3DLOCKED_BOX box;
    EXPECT_EQ(vid->LockBox(0, &box, nullptr, 0), D3DERR_INVALIDCALL);
    D3DBOX outside{0, 0, 0, 9, 1, 1};
    EXPECT_EQ(sys->LockBox(0, &box, &outside, 0), D3DERR_INVALIDCALL);
    ASSERT_EQ(sys->LockBox(0, &box, nullptr, 0), D3D_OK);
    const DWORD v = 0xFF204060;
    std::memcpy(static_cast<BYTE*>(box.pBits) + 7 * box.SlicePitch + 3 * box.RowPitch + 2 * 4, &v,
                4);
    EXPECT_EQ(sys->LockBox(0, &box, nullptr, 0), D3DERR_INVALIDCALL);
    ASSERT_EQ(sys->UnlockBox(0), D3D_OK);
    ASSERT_EQ(dev->UpdateTexture(sys, vid), D3D_OK);
    EXPECT_EQ(dev->SetTexture(0, vid), D3D_OK);
    EXPECT_EQ(dev->SetTexture(0, nullptr), D3D_OK);
    IDirect3DVolume9* level = nullptr;
    ASSERT_EQ(vid->GetVolumeLevel(0, &level), D3D_OK);
    D3DVOLUME_DESC d{};
    level->GetDesc(&d);
    EXPECT_EQ(d.Depth, 8u);
    ReleaseAll(level, sys, vid);
}

TEST_F(D3D9Textures, BuffersLockWithinTheirLength) {
    IDirect3DVertexBuffer9* vb = nullptr;
    ASSERT_EQ(dev->CreateVertexBuffer(64, D3DUSAGE_WRITEONLY, 0x2D2, D3DPOOL_DEFAULT, &vb, nullptr),
              D3D_OK);
    void* p = nullptr;
    EXPECT_EQ(vb->Lock(60, 8, &p, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(vb->Unlock(), D3DERR_INVALIDCALL);
    ASSERT_EQ(vb->Lock(16, 0, &p, 0), D3D_OK);
    std::memset(p, 0xAB, 48);
    EXPECT_EQ(vb->Unlock(), D3D_OK);
    D3DVERTEXBUFFER_DESC d{};
    vb->GetDesc(&d);
    EXPECT_EQ(d.Size, 64u);
    EXPECT_EQ(d.FVF, 0x2D2u);
    vb->Release();
    IDirect3DIndexBuffer9* ib = nullptr;
    ASSERT_EQ(dev->CreateIndexBuffer(12, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPOOL_DEFAULT, &ib,
                                     nullptr),
              D3D_OK);
    ASSERT_EQ(ib->Lock(0, 12, &p, 0), D3D_OK);
    EXPECT_EQ(ib->Unlock(), D3D_OK);
    ib->Release();
}

}  // namespace
