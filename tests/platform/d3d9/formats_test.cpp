#include "d3d9_fixture.h"

using namespace d3d9test;

namespace {

const D3DFORMAT kFormats[] = {
    D3DFMT_X8R8G8B8, D3DFMT_A8R8G8B8,      D3DFMT_R5G6B5, D3DFMT_X1R5G5B5,    D3DFMT_A1R5G5B5,
    D3DFMT_A4R4G4B4, D3DFMT_R8G8B8,        D3DFMT_DXT1,   D3DFMT_DXT5,        D3DFMT_L8,
    D3DFMT_A8L8,     D3DFMT_A16B16G16R16F, D3DFMT_R32F,   D3DFMT_UYVY,        D3DFMT_YUY2,
    D3DFMT_D16,      D3DFMT_D24X8,         D3DFMT_D32,    D3DFMT_A16B16G16R16};
const DWORD kUsages[] = {0, D3DUSAGE_RENDERTARGET, D3DUSAGE_DYNAMIC, D3DUSAGE_DEPTHSTENCIL};
const D3DPOOL kPools[] = {D3DPOOL_DEFAULT, D3DPOOL_MANAGED, D3DPOOL_SYSTEMMEM, D3DPOOL_SCRATCH};

bool PoolAllows(DWORD usage, D3DPOOL pool) {
    if ((usage & (D3DUSAGE_RENDERTARGET | D3DUSAGE_DEPTHSTENCIL)) && pool != D3DPOOL_DEFAULT)
        return false;
    if ((usage & D3DUSAGE_DYNAMIC) && pool == D3DPOOL_MANAGED) return false;
    return true;
}

// 0xFF808080 as each colour format stores it.
DWORD GreyRaw(D3DFORMAT f) {
    switch (f) {
        case D3DFMT_X8R8G8B8:
        case D3DFMT_A8R8G8B8:
            return 0xFF808080;
        case D3DFMT_R5G6B5:
            return 0x8410;
        case D3DFMT_X1R5G5B5:
        case D3DFMT_A1R5G5B5:
            return 0xC210;
        case D3DFMT_A4R4G4B4:
            return 0xF888;
        default:
            return 0;
    }
}

UINT Bytes(D3DFORMAT f) {
    return f == D3DFMT_X8R8G8B8 || f == D3DFMT_A8R8G8B8 ? 4 : 2;
}

class D3D9Formats : public DeviceTest {};

// CheckDeviceFormat and CreateTexture agree over format x usage x pool, and
// what was written reads back the same (pitch widened by the knob).
TEST_F(D3D9Formats, CheckAndCreationAgreeAndPixelsRoundTrip) {
    KnobD3D9PitchPadding(12);
    for (D3DFORMAT f : kFormats)
        for (DWORD usage : kUsages)
            for (D3DPOOL pool : kPools) {
                SCOPED_TRACE(testing::Message()
                             << "format " << f << " usage " << usage << " pool " << pool);
                const bool check = d3d->CheckDeviceFormat(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, usage,
                                                          D3DRTYPE_TEXTURE, f) == D3D_OK;
                IDirect3DTexture9* tex = nullptr;
                const HRESULT hr = dev->CreateTexture(5, 3, 1, usage, f, pool, &tex, nullptr);
                EXPECT_EQ(hr == D3D_OK, check && PoolAllows(usage, pool));
                if (hr != D3D_OK) {
                    EXPECT_EQ(tex, nullptr);
                    continue;
                }
                const UINT bpp = Bytes(f);
                if (pool != D3DPOOL_DEFAULT || (usage & D3DUSAGE_DYNAMIC)) {
                    D3DLOCKED_RECT lr;
                    ASSERT_EQ(tex->LockRect(0, &lr, nullptr, 0), D3D_OK);
                    EXPECT_EQ(UINT(lr.Pitch), ((5 * bpp + 3) & ~3u) + 12);
                    for (UINT y = 0; y < 3; ++y)
                        for (UINT i = 0; i < 5 * bpp; ++i)
                            static_cast<BYTE*>(lr.pBits)[y * lr.Pitch + i] =
                                BYTE(y * 31 + i * 7 + 1);
                    ASSERT_EQ(tex->UnlockRect(0), D3D_OK);
                    ASSERT_EQ(tex->LockRect(0, &lr, nullptr, D3DLOCK_READONLY), D3D_OK);
                    for (UINT y = 0; y < 3; ++y)
                        for (UINT i = 0; i < 5 * bpp; ++i)
                            ASSERT_EQ(static_cast<BYTE*>(lr.pBits)[y * lr.Pitch + i],
                                      BYTE(y * 31 + i * 7 + 1));
                    ASSERT_EQ(tex->UnlockRect(0), D3D_OK);
                } else if (usage & D3DUSAGE_RENDERTARGET) {
                    IDirect3DSurface9* level = nullptr;
                    ASSERT_EQ(tex->GetSurfaceLevel(0, &level), D3D_OK);
                    ASSERT_EQ(dev->ColorFill(level, nullptr, 0xFF808080), D3D_OK);
                    IDirect3DSurface9* sys = Plain(5, 3, f, D3DPOOL_SYSTEMMEM);
                    ASSERT_EQ(dev->GetRenderTargetData(level, sys), D3D_OK);
                    D3DLOCKED_RECT lr;
                    ASSERT_EQ(sys->LockRect(&lr, nullptr, D3DLOCK_READONLY), D3D_OK);
                    for (UINT y = 0; y < 3; ++y)
                        for (UINT x = 0; x < 5; ++x) {
                            DWORD v = 0;
                            std::memcpy(&v, static_cast<BYTE*>(lr.pBits) + y * lr.Pitch + x * bpp,
                                        bpp);
                            ASSERT_EQ(v, GreyRaw(f));
                        }
                    sys->UnlockRect();
                    level->Release();
                }
                tex->Release();
            }
}

TEST_F(D3D9Formats, SurfacesAgreeWithTheSurfaceCheck) {
    for (D3DFORMAT f : kFormats) {
        SCOPED_TRACE(testing::Message() << "format " << f);
        const auto check = [&](DWORD usage) {
            return d3d->CheckDeviceFormat(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, usage,
                                          D3DRTYPE_SURFACE, f) == D3D_OK;
        };
        IDirect3DSurface9* s = nullptr;
        EXPECT_EQ(
            dev->CreateRenderTarget(4, 4, f, D3DMULTISAMPLE_NONE, 0, FALSE, &s, nullptr) == D3D_OK,
            check(D3DUSAGE_RENDERTARGET));
        SafeRelease(s);
        EXPECT_EQ(dev->CreateDepthStencilSurface(4, 4, f, D3DMULTISAMPLE_NONE, 0, FALSE, &s,
                                                 nullptr) == D3D_OK,
                  check(D3DUSAGE_DEPTHSTENCIL));
        SafeRelease(s);
        EXPECT_EQ(
            dev->CreateOffscreenPlainSurface(4, 4, f, D3DPOOL_SYSTEMMEM, &s, nullptr) == D3D_OK,
            check(0));
        SafeRelease(s);
    }
}

// Layouts are little-endian: X8R8G8B8 is stored as bytes B, G, R, X.
TEST_F(D3D9Formats, ByteOrderOfThirtyTwoBitPixels) {
    IDirect3DSurface9* s = Plain(1, 1, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT);
    ASSERT_EQ(dev->ColorFill(s, nullptr, D3DCOLOR_ARGB(0x00, 0x11, 0x22, 0x33)), D3D_OK);
    D3DLOCKED_RECT lr;
    ASSERT_EQ(s->LockRect(&lr, nullptr, D3DLOCK_READONLY), D3D_OK);
    const BYTE* b = static_cast<const BYTE*>(lr.pBits);
    EXPECT_EQ(b[0], 0x33);
    EXPECT_EQ(b[1], 0x22);
    EXPECT_EQ(b[2], 0x11);
    s->UnlockRect();
}

}  // namespace
