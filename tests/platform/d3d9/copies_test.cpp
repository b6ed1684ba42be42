#include <functional>

#include "d3d9_fixture.h"

using namespace d3d9test;

namespace {

class D3D9Copies : public DeviceTest {};

// Texel centres at (i + 0.5) / size: of four destination columns the outer
// two take the edge texels, the inner two mix them 3:1 and 1:3.
TEST_F(D3D9Copies, StretchRectLinearTwoByTwoToFourByFour) {
    IDirect3DSurface9* src = RenderTarget(2, 2, D3DFMT_X8R8G8B8);
    IDirect3DSurface9* dst = RenderTarget(4, 4, D3DFMT_X8R8G8B8);
    Put32(src, 0, 0, 0xFF000000);
    Put32(src, 1, 0, 0xFFC80000);  // red 200
    Put32(src, 0, 1, 0xFF006400);  // green 100
    Put32(src, 1, 1, 0xFFC86400);
    ASSERT_EQ(dev->StretchRect(src, nullptr, dst, nullptr, D3DTEXF_LINEAR), D3D_OK);
    const DWORD red[4] = {0, 50, 150, 200};
    const DWORD green[4] = {0, 25, 75, 100};
    for (UINT y = 0; y < 4; ++y)
        for (UINT x = 0; x < 4; ++x)
            EXPECT_EQ(Pixel(dst, x, y), 0xFF000000 | (red[x] << 16) | (green[y] << 8))
                << x << "," << y;
    // Point sampling of the same picture repeats each texel twice.
    ASSERT_EQ(dev->StretchRect(src, nullptr, dst, nullptr, D3DTEXF_POINT), D3D_OK);
    EXPECT_EQ(Pixel(dst, 1, 1), 0xFF000000u);
    EXPECT_EQ(Pixel(dst, 2, 1), 0xFFC80000u);
    EXPECT_EQ(Pixel(dst, 2, 2), 0xFFC86400u);
}

TEST_F(D3D9Copies, StretchRectReplicatesBitsFromR5G6B5) {
    IDirect3DSurface9* src = RenderTarget(1, 1, D3DFMT_R5G6B5);
    IDirect3DSurface9* dst = RenderTarget(1, 1, D3DFMT_X8R8G8B8);
    D3DLOCKED_RECT lr;
    ASSERT_EQ(src->LockRect(&lr, nullptr, 0), D3D_OK);
    const WORD v = (17 << 11) | (33 << 5) | 3;
    std::memcpy(lr.pBits, &v, 2);
    src->UnlockRect();
    ASSERT_EQ(dev->StretchRect(src, nullptr, dst, nullptr, D3DTEXF_NONE), D3D_OK);
    // 17 -> 140, 33 -> 134, 3 -> 24.
    EXPECT_EQ(Pixel(dst, 0, 0), 0xFF8C8618u);
}

TEST_F(D3D9Copies, ColorFillIntoA4R4G4B4) {
    IDirect3DSurface9* s = RenderTarget(3, 2, D3DFMT_A4R4G4B4);
    RECT r{1, 0, 3, 1};
    ASSERT_EQ(dev->ColorFill(s, nullptr, 0x00000000), D3D_OK);
    ASSERT_EQ(dev->ColorFill(s, &r, 0x80FF4020), D3D_OK);
    D3DLOCKED_RECT lr;
    ASSERT_EQ(s->LockRect(&lr, nullptr, D3DLOCK_READONLY), D3D_OK);
    auto at = [&](int x, int y) {
        WORD w;
        std::memcpy(&w, static_cast<BYTE*>(lr.pBits) + y * lr.Pitch + x * 2, 2);
        return w;
    };
    EXPECT_EQ(at(0, 0), 0x0000);
    EXPECT_EQ(at(1, 0), 0x8F42);
    EXPECT_EQ(at(2, 0), 0x8F42);
    EXPECT_EQ(at(1, 1), 0x0000);
    s->UnlockRect();
}

// Two rectangles under a smaller viewport: only their parts inside it change.
TEST_F(D3D9Copies, ClearOfTwoRectanglesUnderASmallerViewport) {
    IDirect3DSurface9* rt = RenderTarget(8, 8, D3DFMT_X8R8G8B8);
    ASSERT_EQ(dev->SetRenderTarget(0, rt), D3D_OK);
    ASSERT_EQ(dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.f, 0), D3D_OK);
    D3DVIEWPORT9 vp{2, 2, 4, 4, 0.f, 1.f};
    ASSERT_EQ(dev->SetViewport(&vp), D3D_OK);
    D3DRECT rects[2] = {{0, 0, 3, 3}, {5, 5, 8, 8}};
    ASSERT_EQ(dev->Clear(2, rects, D3DCLEAR_TARGET, 0xFFFF0000, 1.f, 0), D3D_OK);
    for (UINT y = 0; y < 8; ++y)
        for (UINT x = 0; x < 8; ++x) {
            const bool red = (x == 2 && y == 2) || (x == 5 && y == 5);
            EXPECT_EQ(Pixel(rt, x, y), red ? 0xFFFF0000u : 0xFF000000u) << x << "," << y;
        }
    // With the scissor test on, the scissor cuts the viewport further.
    RECT sc{0, 0, 3, 8};
    ASSERT_EQ(dev->SetScissorRect(&sc), D3D_OK);
    ASSERT_EQ(dev->SetRenderState(static_cast<D3DRENDERSTATETYPE>(174), TRUE), D3D_OK);
    ASSERT_EQ(dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF0000FF, 1.f, 0), D3D_OK);
    EXPECT_EQ(Pixel(rt, 2, 4), 0xFF0000FFu);
    EXPECT_EQ(Pixel(rt, 3, 4), 0xFF000000u);
}

TEST_F(D3D9Copies, ClearWritesDepthAndStencil) {
    IDirect3DSurface9* ds = nullptr;
    ASSERT_EQ(dev->CreateDepthStencilSurface(4, 4, D3DFMT_D24S8, D3DMULTISAMPLE_NONE, 0, FALSE, &ds,
                                             nullptr),
              D3D_OK);
    ASSERT_EQ(dev->SetDepthStencilSurface(ds), D3D_OK);
    ASSERT_EQ(dev->Clear(0, nullptr, D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL, 0, 1.f, 0x5A), D3D_OK);
    EXPECT_EQ(Pixel(ds, 3, 3), 0xFFFFFF5Au);
    ASSERT_EQ(dev->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 0.f, 0), D3D_OK);
    EXPECT_EQ(Pixel(ds, 0, 0), 0x0000005Au);
    // The stencil alone keeps the depth; half depth rounds 8388607.5 up.
    ASSERT_EQ(dev->Clear(0, nullptr, D3DCLEAR_STENCIL, 0, 1.f, 0x1C7), D3D_OK);
    EXPECT_EQ(Pixel(ds, 2, 1), 0x000000C7u);
    ASSERT_EQ(dev->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 0.5f, 0), D3D_OK);
    EXPECT_EQ(Pixel(ds, 1, 2), 0x800000C7u);
    ds->Release();
}

// A depth clear of one rectangle, in each word width: the pixels inside take
// the cleared bits (a stencil kept where only the depth is cleared), every
// pixel around them keeps what the first clear left.
TEST_F(D3D9Copies, DepthClearOfARectangleInEachWordWidth) {
    struct Row {
        const char* name;
        D3DFORMAT format;
        DWORD flags;
        float z;
        DWORD before, inside;  // whole-surface clear to z 1, stencil 0x5A; then the rectangle
    };
    const Row rows[] = {
        {"D16 depth", D3DFMT_D16, D3DCLEAR_ZBUFFER, 0.f, 0xFFFFu, 0x0000u},
        {"D32 depth", D3DFMT_D32, D3DCLEAR_ZBUFFER, 0.f, 0xFFFFFFFFu, 0u},
        {"D24S8 depth keeps the stencil", D3DFMT_D24S8, D3DCLEAR_ZBUFFER, 0.f, 0xFFFFFF5Au,
         0x0000005Au},
        {"D24S8 both", D3DFMT_D24S8, D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL, 0.f, 0xFFFFFF5Au,
         0x00000007u},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        IDirect3DSurface9* ds = nullptr;
        ASSERT_EQ(dev->CreateDepthStencilSurface(9, 5, row.format, D3DMULTISAMPLE_NONE, 0, FALSE,
                                                 &ds, nullptr),
                  D3D_OK);
        ASSERT_EQ(dev->SetDepthStencilSurface(ds), D3D_OK);
        const DWORD first = D3DCLEAR_ZBUFFER | (row.format == D3DFMT_D24S8 ? D3DCLEAR_STENCIL : 0);
        ASSERT_EQ(dev->Clear(0, nullptr, first, 0, 1.f, 0x5A), D3D_OK);
        const D3DRECT r{2, 1, 7, 4};
        ASSERT_EQ(dev->Clear(1, &r, row.flags, 0, row.z, 7), D3D_OK);
        for (UINT y = 0; y < 5; ++y)
            for (UINT x = 0; x < 9; ++x) {
                const bool in = x >= 2 && x < 7 && y >= 1 && y < 4;
                EXPECT_EQ(Pixel(ds, x, y), in ? row.inside : row.before) << x << "," << y;
            }
        ds->Release();
    }
}

// Only the locked 16 x 16 sub-rectangle is dirty, so only it reaches the
// DEFAULT texture; a whole-level copy would overwrite the rest.
TEST_F(D3D9Copies, UpdateTextureCopiesOnlyDirtyRegions) {
    IDirect3DTexture9* sys = nullptr;
    IDirect3DTexture9* vid = nullptr;
    sys = MakeTexture(64, 64, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM);
    vid = MakeTexture(64, 64, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT);
    auto fill = [&](const RECT* r, DWORD v, DWORD flags) {
        D3DLOCKED_RECT lr;
        ASSERT_EQ(sys->LockRect(0, &lr, r, flags), D3D_OK);
        const LONG w = r ? r->right - r->left : 64, h = r ? r->bottom - r->top : 64;
        for (LONG y = 0; y < h; ++y)
            for (LONG x = 0; x < w; ++x)
                std::memcpy(static_cast<BYTE*>(lr.pBits) + y * lr.Pitch + x * 4, &v, 4);
        ASSERT_EQ(sys->UnlockRect(0), D3D_OK);
    };
    fill(nullptr, 0xFF0000AA, 0);
    ASSERT_EQ(dev->UpdateTexture(sys, vid), D3D_OK);
    fill(nullptr, 0xFFBBBBBB, D3DLOCK_NO_DIRTY_UPDATE);
    RECT sub{8, 16, 24, 32};
    fill(&sub, 0xFF00CC00, 0);
    ASSERT_EQ(dev->UpdateTexture(sys, vid), D3D_OK);
    IDirect3DSurface9* level = nullptr;
    ASSERT_EQ(vid->GetSurfaceLevel(0, &level), D3D_OK);
    for (UINT y = 0; y < 64; y += 3)
        for (UINT x = 0; x < 64; x += 3) {
            const bool inside = x >= 8 && x < 24 && y >= 16 && y < 32;
            EXPECT_EQ(Pixel(level, x, y), inside ? 0xFF00CC00u : 0xFF0000AAu) << x << "," << y;
        }
    // Nothing is dirty any more: a third update changes nothing.
    fill(nullptr, 0xFF123456, D3DLOCK_NO_DIRTY_UPDATE);
    ASSERT_EQ(dev->UpdateTexture(sys, vid), D3D_OK);
    EXPECT_EQ(Pixel(level, 0, 0), 0xFF0000AAu);
    ReleaseAll(level);
}

TEST_F(D3D9Copies, UpdateSurfaceAndRenderTargetReadBack) {
    IDirect3DSurface9* sys = Plain(4, 4, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM);
    IDirect3DSurface9* rt = RenderTarget(8, 8, D3DFMT_X8R8G8B8, FALSE);
    Put32(sys, 1, 1, 0xFF102030);
    RECT r{1, 1, 3, 3};
    POINT p{5, 6};
    ASSERT_EQ(dev->UpdateSurface(sys, &r, rt, &p), D3D_OK);
    EXPECT_EQ(Pixel(rt, 5, 6), 0xFF102030u);
    IDirect3DSurface9* back = Plain(8, 8, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM);
    ASSERT_EQ(dev->GetRenderTargetData(rt, back), D3D_OK);
    EXPECT_EQ(Pixel(back, 5, 6), 0xFF102030u);
}

// A zero fill of a target nothing has written yet may leave its fresh bytes
// alone, but once anything wrote them it must really clear them.
TEST_F(D3D9Copies, ZeroFillClearsWhateverWroteTheTargetBefore) {
    IDirect3DSurface9* source = RenderTarget(8, 8, D3DFMT_A8R8G8B8);
    ASSERT_EQ(dev->ColorFill(source, nullptr, 0x80112233), D3D_OK);
    IDirect3DSurface9* back = nullptr;
    ASSERT_EQ(dev->GetRenderTarget(0, &back), D3D_OK);
    dev->SetRenderState(D3DRS_LIGHTING, FALSE);
    dev->SetFVF(D3DFVF_XYZRHW | D3DFVF_DIFFUSE);
    const RECT part{1, 1, 3, 3};
    struct Row {
        const char* name;
        std::function<void(IDirect3DSurface9*)> write;
    };
    const Row rows[] = {
        {"nothing", [](IDirect3DSurface9*) {}},
        {"lock", [&](IDirect3DSurface9* rt) { Put32(rt, 2, 2, 0x80112233); }},
        {"colour fill", [&](IDirect3DSurface9* rt) { dev->ColorFill(rt, &part, 0x80112233); }},
        {"stretch",
         [&](IDirect3DSurface9* rt) { dev->StretchRect(source, &part, rt, &part, D3DTEXF_NONE); }},
        {"whole copy",
         [&](IDirect3DSurface9* rt) {
             dev->StretchRect(source, nullptr, rt, nullptr, D3DTEXF_NONE);
         }},
        {"clear",
         [&](IDirect3DSurface9* rt) {
             dev->SetRenderTarget(0, rt);
             dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0x80112233, 1.f, 0);
         }},
        {"draw",
         [&](IDirect3DSurface9* rt) {
             struct {
                 float x, y, z, rhw;
                 DWORD c;
             } tri[3] = {
                 {0, 0, 0, 1, 0x80112233}, {8, 0, 0, 1, 0x80112233}, {0, 8, 0, 1, 0x80112233}};
             dev->SetRenderTarget(0, rt);
             dev->BeginScene();
             dev->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, tri, sizeof tri[0]);
             dev->EndScene();
         }},
    };
    for (const Row& row : rows) {
        IDirect3DSurface9* rt = RenderTarget(8, 8, D3DFMT_A8R8G8B8);
        row.write(rt);
        dev->SetRenderTarget(0, back);
        ASSERT_EQ(dev->ColorFill(rt, nullptr, 0), D3D_OK) << row.name;
        for (UINT y = 0; y < 8; ++y)
            for (UINT x = 0; x < 8; ++x)
                ASSERT_EQ(Pixel(rt, x, y), 0u) << row.name << " " << x << "," << y;
        // What comes after the fill lands on the zeros.
        Put32(rt, 5, 5, 0x01020304);
        ASSERT_EQ(dev->ColorFill(rt, &part, 0x80405060), D3D_OK);
        EXPECT_EQ(Pixel(rt, 5, 5), 0x01020304u) << row.name;
        EXPECT_EQ(Pixel(rt, 2, 1), 0x80405060u) << row.name;
        EXPECT_EQ(Pixel(rt, 3, 3), 0u) << row.name;
    }
    // Zero without alpha bits still writes the X byte as one.
    IDirect3DSurface9* x8 = RenderTarget(2, 2, D3DFMT_X8R8G8B8);
    ASSERT_EQ(dev->ColorFill(x8, nullptr, 0), D3D_OK);
    EXPECT_EQ(Pixel(x8, 1, 1), 0xFF000000u);
    SafeRelease(back);
}

}  // namespace
