// Copies between resources as Direct3D 9 documents them: which pairs
// UpdateTexture matches.
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

}  // namespace
