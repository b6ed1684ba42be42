// Draws that move bytes instead of writing them: a texture drawn texel for
// pixel over its whole target, and an opaque texture blended over held
// fills. Whatever comes next, every surface reads as if each pixel had been
// drawn, which the same draws on the generic path give.
#include <functional>
#include <vector>

#include "../../../platform/d3d9/raster/raster.h"
#include "../d3d9/d3d9_fixture.h"

namespace {

using d3d9test::DeviceTest;
using platform::raster::RasterForceGenericSpans;
using MovePixels = std::vector<DWORD>;

#pragma pack(push, 1)
struct CopyVertex {
    float x, y, z, rhw;
    DWORD diffuse;
    float u, v;
};
#pragma pack(pop)

constexpr UINT kMoveW = 8, kMoveH = 6;

class MovedDraws : public DeviceTest {
  protected:
    void TearDown() override {
        RasterForceGenericSpans(false);
        DeviceTest::TearDown();
    }
    // A one-level texture whose pixel i is `colour(i)`; a render target
    // texture gets them from a system-memory one.
    IDirect3DTexture9* Texture(const std::function<DWORD(UINT)>& colour, DWORD usage = 0,
                               D3DPOOL pool = D3DPOOL_MANAGED) {
        IDirect3DTexture9* t = MakeTexture(kMoveW, kMoveH, 1, usage, D3DFMT_A8R8G8B8, pool);
        const bool viaSystem = (usage & D3DUSAGE_RENDERTARGET) != 0;
        IDirect3DTexture9* filled =
            viaSystem ? MakeTexture(kMoveW, kMoveH, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM) : t;
        D3DLOCKED_RECT lr;
        EXPECT_EQ(filled->LockRect(0, &lr, nullptr, 0), D3D_OK);
        for (UINT y = 0; y < kMoveH; ++y)
            for (UINT x = 0; x < kMoveW; ++x) {
                const DWORD c = colour(y * kMoveW + x);
                std::memcpy(static_cast<uint8_t*>(lr.pBits) + y * lr.Pitch + x * 4, &c, 4);
            }
        EXPECT_EQ(filled->UnlockRect(0), D3D_OK);
        if (viaSystem) {
            EXPECT_EQ(dev->UpdateTexture(filled, t), D3D_OK);
        }
        return t;
    }
    MovePixels Read(IDirect3DSurface9* s) {
        MovePixels out(kMoveW * kMoveH);
        for (UINT i = 0; i < kMoveW * kMoveH; ++i) out[i] = Pixel(s, i % kMoveW, i / kMoveW);
        return out;
    }
    MovePixels Read(IDirect3DTexture9* t) {
        IDirect3DSurface9* level = nullptr;
        EXPECT_EQ(t->GetSurfaceLevel(0, &level), D3D_OK);
        MovePixels out = Read(level);
        level->Release();
        return out;
    }
    // The bytes a lock hands out.
    MovePixels Locked(IDirect3DSurface9* s) {
        MovePixels out(kMoveW * kMoveH);
        D3DLOCKED_RECT lr;
        EXPECT_EQ(s->LockRect(&lr, nullptr, D3DLOCK_READONLY), D3D_OK);
        for (UINT y = 0; y < kMoveH; ++y)
            std::memcpy(&out[y * kMoveW], static_cast<uint8_t*>(lr.pBits) + y * lr.Pitch,
                        kMoveW * 4);
        EXPECT_EQ(s->UnlockRect(), D3D_OK);
        return out;
    }
    void Begin(IDirect3DSurface9* target) {
        ASSERT_EQ(dev->SetRenderTarget(0, target), D3D_OK);
        dev->SetRenderState(D3DRS_LIGHTING, FALSE);
        dev->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        dev->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
        dev->SetRenderState(D3DRS_SHADEMODE, D3DSHADE_FLAT);
        ASSERT_EQ(dev->BeginScene(), D3D_OK);
    }
    // One-colour quad over x0 .. x1, y0 .. y1 (pixel edges).
    void Fill(float x0, float y0, float x1, float y1, DWORD colour) {
        const CopyVertex v[6] = {{x0, y0, 0, 1, colour}, {x1, y0, 0, 1, colour},
                                 {x0, y1, 0, 1, colour}, {x1, y1, 0, 1, colour},
                                 {x0, y1, 0, 1, colour}, {x1, y0, 0, 1, colour}};
        dev->SetTexture(0, nullptr);
        dev->SetFVF(D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1);
        dev->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
        dev->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
        dev->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG2);
        dev->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
        dev->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
        ASSERT_EQ(dev->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, v, sizeof(CopyVertex)), D3D_OK);
    }
    // The texture drawn with its top-left texel's corner at (x0, y0), scaled
    // by `scale`, colour times `diffuse`, alpha from the texture.
    void Draw(IDirect3DTexture9* t, float x0, float y0, float scale, DWORD diffuse, bool blend) {
        const float x1 = x0 + kMoveW * scale, y1 = y0 + kMoveH * scale;
        const CopyVertex v[6] = {{x0, y0, 0, 1, diffuse, 0, 0}, {x1, y0, 0, 1, diffuse, 1, 0},
                                 {x0, y1, 0, 1, diffuse, 0, 1}, {x1, y1, 0, 1, diffuse, 1, 1},
                                 {x0, y1, 0, 1, diffuse, 0, 1}, {x1, y0, 0, 1, diffuse, 1, 0}};
        dev->SetTexture(0, t);
        dev->SetFVF(D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1);
        dev->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
        dev->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
        dev->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
        dev->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
        dev->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
        dev->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_POINT);
        dev->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_POINT);
        dev->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
        dev->SetSamplerState(0, D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP);
        dev->SetRenderState(D3DRS_ALPHABLENDENABLE, blend);
        dev->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
        dev->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
        ASSERT_EQ(dev->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, v, sizeof(CopyVertex)), D3D_OK);
        dev->SetTexture(0, nullptr);
    }
};

DWORD MoveTexel(UINT i) {
    return (i * 0x2B000000u) | (i * 0x050709u);  // alpha from 0 up, in steps of 43
}

// A whole-target copy, then whatever comes next: the target and the texture
// read on the fast path as on the generic one (which draws every pixel).
TEST_F(MovedDraws, WholeCopyThenAnything) {
    struct Row {
        const char* name;
        D3DFORMAT target;
        float x0, scale;  // -0.5 and 1: texel for pixel
        DWORD diffuse;
        std::function<void(IDirect3DTexture9*, IDirect3DSurface9*)> next;
    };
    const auto nothing = [](IDirect3DTexture9*, IDirect3DSurface9*) {};
    const auto textureFilled = [this](IDirect3DTexture9* t, IDirect3DSurface9*) {
        IDirect3DSurface9* level = nullptr;
        ASSERT_EQ(t->GetSurfaceLevel(0, &level), D3D_OK);
        Begin(level);
        Fill(1, 1, 4, 3, 0x80FF0000u);
        ASSERT_EQ(dev->EndScene(), D3D_OK);
        level->Release();
    };
    const auto targetBlendedOver = [this](IDirect3DTexture9*, IDirect3DSurface9* s) {
        IDirect3DTexture9* other = Texture([](UINT i) { return 0x80000000u | i; });
        Begin(s);
        Draw(other, 1.5f, 0.5f, 0.5f, ~0u, true);
        ASSERT_EQ(dev->EndScene(), D3D_OK);
    };
    const Row rows[] = {
        {"x8 target", D3DFMT_X8R8G8B8, -0.5f, 1, ~0u, nothing},
        {"a8 target", D3DFMT_A8R8G8B8, -0.5f, 1, ~0u, nothing},
        {"half a texel off", D3DFMT_X8R8G8B8, 0.0f, 1, ~0u, nothing},
        {"scaled", D3DFMT_X8R8G8B8, -0.5f, 1.5f, ~0u, nothing},
        {"tinted", D3DFMT_X8R8G8B8, -0.5f, 1, 0xFF80FF80u, nothing},
        {"texture then drawn on", D3DFMT_X8R8G8B8, -0.5f, 1, ~0u, textureFilled},
        {"target then blended over", D3DFMT_X8R8G8B8, -0.5f, 1, ~0u, targetBlendedOver},
        {"a8 target blended over", D3DFMT_A8R8G8B8, -0.5f, 1, ~0u, targetBlendedOver},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        MovePixels got[2][2];
        for (int generic = 0; generic < 2; ++generic) {
            RasterForceGenericSpans(generic == 1);
            IDirect3DTexture9* t = Texture(MoveTexel, D3DUSAGE_RENDERTARGET, D3DPOOL_DEFAULT);
            IDirect3DSurface9* s = RenderTarget(kMoveW, kMoveH, row.target);
            Begin(s);
            Fill(0, 0, kMoveW, kMoveH, 0xFF00FF00u);
            Draw(t, row.x0, row.x0, row.scale, row.diffuse, false);
            ASSERT_EQ(dev->EndScene(), D3D_OK);
            row.next(t, s);
            got[generic][0] = Read(s);
            got[generic][1] = Read(t);
        }
        EXPECT_EQ(got[0][0], got[1][0]);
        EXPECT_EQ(got[0][1], got[1][1]);
    }
}

// The copy moves the bytes: the texture's pixels now live where the
// target's were, and the target's top bytes read 255 by any way out.
TEST_F(MovedDraws, WholeCopyMovesTheBytes) {
    IDirect3DTexture9* t = Texture(MoveTexel, D3DUSAGE_DYNAMIC, D3DPOOL_DEFAULT);
    IDirect3DSurface9* s = RenderTarget(kMoveW, kMoveH, D3DFMT_X8R8G8B8);
    D3DLOCKED_RECT lr;
    ASSERT_EQ(s->LockRect(&lr, nullptr, D3DLOCK_READONLY), D3D_OK);
    void* targetBytes = lr.pBits;
    ASSERT_EQ(s->UnlockRect(), D3D_OK);
    Begin(s);
    Draw(t, -0.5f, -0.5f, 1, ~0u, false);
    ASSERT_EQ(dev->EndScene(), D3D_OK);
    MovePixels want(kMoveW * kMoveH);
    for (UINT i = 0; i < kMoveW * kMoveH; ++i) want[i] = MoveTexel(i) | 0xFF000000u;
    EXPECT_EQ(Locked(s), want);
    for (UINT i = 0; i < kMoveW * kMoveH; ++i) want[i] = MoveTexel(i);
    IDirect3DSurface9* level = nullptr;
    ASSERT_EQ(t->GetSurfaceLevel(0, &level), D3D_OK);
    EXPECT_EQ(Locked(level), want);
    ASSERT_EQ(level->LockRect(&lr, nullptr, D3DLOCK_READONLY), D3D_OK);
    EXPECT_EQ(lr.pBits, targetBytes);
    ASSERT_EQ(level->UnlockRect(), D3D_OK);
    level->Release();
}

// An opaque picture blended over a filled target covers the fill; a texel
// made translucent through a lock afterwards is blended again.
TEST_F(MovedDraws, OpaqueBlendOverHeldFills) {
    MovePixels got[2];
    for (int generic = 0; generic < 2; ++generic) {
        RasterForceGenericSpans(generic == 1);
        IDirect3DTexture9* t = Texture([](UINT i) { return 0xFF000000u | (i * 0x030507u); });
        IDirect3DSurface9* s = RenderTarget(kMoveW, kMoveH, D3DFMT_A8R8G8B8);
        Begin(s);
        Fill(0, 0, kMoveW, kMoveH, 0x4000FF00u);
        Draw(t, 1.5f, 0.5f, 0.5f, ~0u, true);
        ASSERT_EQ(dev->EndScene(), D3D_OK);
        IDirect3DSurface9* level = nullptr;
        ASSERT_EQ(t->GetSurfaceLevel(0, &level), D3D_OK);
        Put32(level, 0, 0, 0x40FF0000u);
        level->Release();
        Begin(s);
        Fill(0, 0, kMoveW, kMoveH, 0x800000FFu);  // not what the bytes under it hold
        Draw(t, -0.5f, -0.5f, 1, ~0u, true);
        ASSERT_EQ(dev->EndScene(), D3D_OK);
        got[generic] = Read(s);
    }
    EXPECT_EQ(got[0], got[1]);
    EXPECT_NE(got[0][0] & 0xFF000000u, 0xFF000000u);  // the translucent texel blended
}

}  // namespace
