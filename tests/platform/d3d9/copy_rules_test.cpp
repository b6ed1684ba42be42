// Copies between resources as Direct3D 9 documents them: which levels
// UpdateTexture matches, which pairs StretchRect takes.
#include "d3d9_fixture.h"

namespace {

using namespace d3d9test;

class D3D9CopyRules : public DeviceTest {
  protected:
    IDirect3DTexture9* Texture(UINT w, UINT h, UINT levels, D3DPOOL pool) {
        IDirect3DTexture9* t = nullptr;
        const DWORD usage = pool == D3DPOOL_DEFAULT ? D3DUSAGE_DYNAMIC : 0;
        EXPECT_EQ(dev->CreateTexture(w, h, levels, usage, D3DFMT_X8R8G8B8, pool, &t, nullptr),
                  D3D_OK);
        return t;
    }
    DWORD LevelPixel(IDirect3DTexture9* t, UINT level) {
        IDirect3DSurface9* s = nullptr;
        EXPECT_EQ(t->GetSurfaceLevel(level, &s), D3D_OK);
        const DWORD v = s ? Pixel(s, 0, 0) : 0;
        SafeRelease(s);
        return v;
    }
};

// Source level n is filled with 0xFF0000n0; the destination's first level
// shows which source level it was matched with (-1: refused).
TEST_F(D3D9CopyRules, UpdateTextureMatchesLevelsFromTheSmallestUp) {
    struct Row {
        const char* name;
        UINT sw, sh, sl, dw, dh, dl;
        int matched;
    };
    const Row rows[] = {
        {"six levels into three from 4x2", 32, 16, 6, 4, 2, 3, 3},
        {"six levels into 1x1", 32, 16, 6, 1, 1, 1, 5},
        {"equal chains", 8, 8, 4, 8, 8, 4, 0},
        {"top levels of one size, fewer destination levels", 8, 8, 4, 8, 8, 2, -1},
        {"destination with more levels", 8, 8, 2, 8, 8, 4, -1},
    };
    for (const Row& row : rows) {
        IDirect3DTexture9* src = Texture(row.sw, row.sh, row.sl, D3DPOOL_SYSTEMMEM);
        IDirect3DTexture9* dst = Texture(row.dw, row.dh, row.dl, D3DPOOL_DEFAULT);
        for (UINT l = 0; l < row.sl; ++l) {
            IDirect3DSurface9* s = nullptr;
            ASSERT_EQ(src->GetSurfaceLevel(l, &s), D3D_OK);
            Put32(s, 0, 0, 0xFF000000u | (l << 4));
            SafeRelease(s);
        }
        EXPECT_EQ(dev->UpdateTexture(src, dst), row.matched < 0 ? D3DERR_INVALIDCALL : D3D_OK)
            << row.name;
        if (row.matched >= 0) {
            for (UINT l = 0; l < row.dl; ++l)
                EXPECT_EQ(LevelPixel(dst, l), 0xFF000000u | ((row.matched + l) << 4)) << row.name;
        }
        SafeRelease(src);
        SafeRelease(dst);
    }
}

TEST_F(D3D9CopyRules, StretchRectTakesTheDocumentedPairsOnly) {
    IDirect3DSurface9* rt = RenderTarget(8, 8, D3DFMT_X8R8G8B8);
    IDirect3DSurface9* plain = Plain(8, 8, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT);
    IDirect3DSurface9* plain2 = Plain(8, 8, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT);
    IDirect3DTexture9* tex = Texture(8, 8, 1, D3DPOOL_DEFAULT);
    IDirect3DTexture9* rtTex =
        MakeTexture(8, 8, 1, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT);
    IDirect3DSurface9 *texLevel = nullptr, *rtLevel = nullptr;
    tex->GetSurfaceLevel(0, &texLevel);
    rtTex->GetSurfaceLevel(0, &rtLevel);
    const RECT small{0, 0, 2, 2}, left{0, 0, 4, 4}, right{4, 4, 8, 8};
    struct Row {
        const char* name;
        IDirect3DSurface9 *src, *dst;
        const RECT *sr, *dr;
        HRESULT want;
    };
    const Row rows[] = {
        {"render target to off-screen plain", rt, plain, nullptr, nullptr, D3DERR_INVALIDCALL},
        {"off-screen plain to off-screen plain", plain, plain2, nullptr, nullptr,
         D3DERR_INVALIDCALL},
        {"texture to off-screen plain", texLevel, plain, nullptr, nullptr, D3DERR_INVALIDCALL},
        {"stretch within one surface", rt, rt, &small, &right, D3DERR_INVALIDCALL},
        {"copy within one surface", rt, rt, &left, &right, D3D_OK},
        {"off-screen plain to render target", plain, rt, nullptr, nullptr, D3D_OK},
        {"texture to render-target texture", texLevel, rtLevel, &small, nullptr, D3D_OK},
        {"render-target texture to render target", rtLevel, rt, nullptr, &left, D3D_OK},
    };
    for (const Row& row : rows)
        EXPECT_EQ(dev->StretchRect(row.src, row.sr, row.dst, row.dr, D3DTEXF_LINEAR), row.want)
            << row.name;
    ReleaseAll(texLevel, rtLevel);
    SafeRelease(tex);
}

// Clear, ColorFill, StretchRect and a drawn triangle turn one colour into the
// same 16-bit pixel: each channel rounded, round(v * max / 255).
TEST_F(D3D9CopyRules, EveryPathWritesOneSixteenBitPixelForAColour) {
    struct Row {
        D3DFORMAT format;
        DWORD colour;
        WORD want;
    };
    const Row rows[] = {
        {D3DFMT_R5G6B5, 0xFF0F0F0F, 0x1082},    // 15 -> 2 of 31, 4 of 63
        {D3DFMT_R5G6B5, 0xFF8040C0, 0x8217},    // 128 -> 16 and 192 -> 23 of 31, 64 -> 16 of 63
        {D3DFMT_X1R5G5B5, 0xFF0F0F0F, 0x8842},  // 15 -> 2 of 31
    };
    IDirect3DSurface9* source = RenderTarget(4, 4, D3DFMT_X8R8G8B8);
    IDirect3DSurface9* back = nullptr;
    ASSERT_EQ(dev->GetRenderTarget(0, &back), D3D_OK);
    dev->SetRenderState(D3DRS_LIGHTING, FALSE);
    dev->SetFVF(D3DFVF_XYZRHW | D3DFVF_DIFFUSE);
    for (const Row& row : rows) {
        IDirect3DSurface9* rt = RenderTarget(4, 4, row.format);
        ASSERT_EQ(dev->ColorFill(source, nullptr, row.colour), D3D_OK);
        ASSERT_EQ(dev->SetRenderTarget(0, rt), D3D_OK);
        const RECT r0{0, 0, 1, 1}, r1{1, 0, 2, 1}, r2{2, 0, 3, 1};
        const D3DRECT cleared{0, 0, 1, 1};
        ASSERT_EQ(dev->Clear(1, &cleared, D3DCLEAR_TARGET, row.colour, 1.f, 0), D3D_OK);
        ASSERT_EQ(dev->ColorFill(rt, &r1, row.colour), D3D_OK);
        ASSERT_EQ(dev->StretchRect(source, &r0, rt, &r2, D3DTEXF_NONE), D3D_OK);
        struct {
            float x, y, z, rhw;
            DWORD c;
        } tri[3] = {
            {2.5f, 0, 0, 1, row.colour}, {5, 0, 0, 1, row.colour}, {5, 4, 0, 1, row.colour}};
        ASSERT_EQ(dev->BeginScene(), D3D_OK);
        ASSERT_EQ(dev->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, tri, sizeof tri[0]), D3D_OK);
        ASSERT_EQ(dev->EndScene(), D3D_OK);
        D3DLOCKED_RECT lr;
        ASSERT_EQ(rt->LockRect(&lr, nullptr, D3DLOCK_READONLY), D3D_OK);
        const WORD* px = static_cast<const WORD*>(lr.pBits);
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(px[x], row.want) << "format " << row.format << " pixel " << x;
        rt->UnlockRect();
        dev->SetRenderTarget(0, back);
    }
    SafeRelease(back);
}

}  // namespace
