// Draws through the device's calls: the engine's vertex layouts and states
// reach the rasteriser, and the bilinear 2x draw equals StretchRect LINEAR.
#include <random>

#include "../d3d9/d3d9_fixture.h"

namespace {

using d3d9test::DeviceTest;
using d3d9test::SafeRelease;

#pragma pack(push, 1)
struct Vertex2DTex {
    float x, y, z, rhw;
    DWORD diffuse;
    float u, v;
};
#pragma pack(pop)

class RasterDeviceDraw : public DeviceTest {
  protected:
    // Copies rows of a lockable surface out.
    std::vector<uint8_t> Bytes(IDirect3DSurface9* s, UINT w, UINT h) {
        std::vector<uint8_t> out(size_t(w) * h * 4);
        D3DLOCKED_RECT lr;
        EXPECT_EQ(s->LockRect(&lr, nullptr, D3DLOCK_READONLY), D3D_OK);
        for (UINT y = 0; y < h; ++y)
            std::memcpy(&out[size_t(y) * w * 4], static_cast<uint8_t*>(lr.pBits) + y * lr.Pitch,
                        size_t(w) * 4);
        EXPECT_EQ(s->UnlockRect(), D3D_OK);
        return out;
    }
    void Fill(IDirect3DSurface9* s, UINT w, UINT h, uint32_t seed) {
        std::mt19937 rng(seed);
        D3DLOCKED_RECT lr;
        ASSERT_EQ(s->LockRect(&lr, nullptr, 0), D3D_OK);
        for (UINT y = 0; y < h; ++y)
            for (UINT x = 0; x < w; ++x) {
                DWORD c = rng();
                std::memcpy(static_cast<uint8_t*>(lr.pBits) + y * lr.Pitch + x * 4, &c, 4);
            }
        ASSERT_EQ(s->UnlockRect(), D3D_OK);
    }
    // A managed 4 x 4 texture whose texel (x, y) is 0xFF00xy40 (x in red, y
    // in green).
    void CodedTexture(IDirect3DTexture9*& tex, IDirect3DSurface9*& level) {
        ASSERT_EQ(dev->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &tex, nullptr),
                  D3D_OK);
        ASSERT_EQ(tex->GetSurfaceLevel(0, &level), D3D_OK);
        for (UINT y = 0; y < 4; ++y)
            for (UINT x = 0; x < 4; ++x)
                Put32(level, x, y, 0xFF000000u | (x << 16) | (y << 8) | 0x40);
    }
    // The engine's 2D textured draw state, blend mode 0, bilinear sampling.
    void SpriteState(DWORD filter) {
        dev->SetRenderState(D3DRS_LIGHTING, FALSE);
        dev->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        dev->SetRenderState(D3DRS_SHADEMODE, D3DSHADE_FLAT);
        dev->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
        dev->SetRenderState(D3DRS_SPECULARENABLE, TRUE);
        dev->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
        dev->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
        dev->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
        dev->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
        dev->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
        dev->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
        dev->SetSamplerState(0, D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP);
        dev->SetSamplerState(0, D3DSAMP_MINFILTER, filter);
        dev->SetSamplerState(0, D3DSAMP_MAGFILTER, filter);
        dev->SetFVF(D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1);
    }
    HRESULT DrawQuad(float x1, float y1, float x2, float y2) {
        Vertex2DTex v[6] = {{x1, y1, 0, 1, 0xFFFFFFFF, 0, 0}, {x2, y1, 0, 1, 0, 1, 0},
                            {x1, y2, 0, 1, 0, 0, 1},          {x2, y2, 0, 1, 0xFFFFFFFF, 1, 1},
                            {x1, y2, 0, 1, 0, 0, 1},          {x2, y1, 0, 1, 0, 1, 0}};
        return dev->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, v, sizeof(Vertex2DTex));
    }
};

TEST_F(RasterDeviceDraw, BilinearDoubleSizeDrawEqualsStretchRectLinear) {
    const UINT w = 800, h = 600;
    IDirect3DTexture9* tex = nullptr;
    ASSERT_EQ(dev->CreateTexture(w, h, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &tex, nullptr),
              D3D_OK);
    IDirect3DSurface9* level = nullptr;
    ASSERT_EQ(tex->GetSurfaceLevel(0, &level), D3D_OK);
    Fill(level, w, h, 11);
    IDirect3DSurface9* plain = Plain(w, h, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT);
    Fill(plain, w, h, 11);
    IDirect3DSurface9* drawn = RenderTarget(2 * w, 2 * h, D3DFMT_X8R8G8B8);
    IDirect3DSurface9* stretched = RenderTarget(2 * w, 2 * h, D3DFMT_X8R8G8B8);
    ASSERT_NE(drawn, nullptr);
    ASSERT_NE(stretched, nullptr);

    ASSERT_EQ(dev->SetRenderTarget(0, drawn), D3D_OK);
    SpriteState(D3DTEXF_LINEAR);
    ASSERT_EQ(dev->SetTexture(0, tex), D3D_OK);
    ASSERT_EQ(dev->BeginScene(), D3D_OK);
    EXPECT_EQ(DrawQuad(-0.5f, -0.5f, 2 * w - 0.5f, 2 * h - 0.5f), D3D_OK);
    ASSERT_EQ(dev->EndScene(), D3D_OK);
    ASSERT_EQ(dev->StretchRect(plain, nullptr, stretched, nullptr, D3DTEXF_LINEAR), D3D_OK);
    EXPECT_TRUE(Bytes(drawn, 2 * w, 2 * h) == Bytes(stretched, 2 * w, 2 * h));

    dev->SetTexture(0, nullptr);
    SafeRelease(level);
    SafeRelease(tex);
}

TEST_F(RasterDeviceDraw, EngineSpriteLandsTexelForTexelAndRefusalsAreTraced) {
    IDirect3DTexture9* tex = nullptr;
    IDirect3DSurface9* level = nullptr;
    ASSERT_NO_FATAL_FAILURE(CodedTexture(tex, level));
    IDirect3DSurface9* rt = RenderTarget(16, 16, D3DFMT_A8R8G8B8);
    ASSERT_EQ(dev->SetRenderTarget(0, rt), D3D_OK);
    SpriteState(D3DTEXF_POINT);
    ASSERT_EQ(dev->SetTexture(0, tex), D3D_OK);
    ASSERT_EQ(dev->BeginScene(), D3D_OK);
    // A 4 x 4 graphic at (5, 7).
    EXPECT_EQ(DrawQuad(4.5f, 6.5f, 8.5f, 10.5f), D3D_OK);
    for (UINT y = 0; y < 4; ++y)
        for (UINT x = 0; x < 4; ++x)
            EXPECT_EQ(Pixel(rt, 5 + x, 7 + y), 0xFF000000u | (x << 16) | (y << 8) | 0x40);
    EXPECT_EQ(Pixel(rt, 4, 7), 0u);

    // A world-space format is refused with a trace line naming the cause.
    KnobD3D9TakeTrace();
    dev->SetFVF(D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1);
    float tri[18] = {};
    EXPECT_EQ(dev->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, tri, 24), D3DERR_INVALIDCALL);
    auto trace = KnobD3D9TakeTrace();
    EXPECT_TRUE(d3d9test::TraceHas(trace, "Rasteriser", "vertex format"));
    ASSERT_EQ(dev->EndScene(), D3D_OK);

    dev->SetTexture(0, nullptr);
    SafeRelease(level);
    SafeRelease(tex);
}

// The 2D draws' depth rows are remembered between draws; a depth clear must
// make the device forget them: a quad at z 0.5 over a depth cleared to 0.25
// fails LESSEQUAL on every pixel, though the same quad drew there before.
TEST_F(RasterDeviceDraw, DepthClearedBetweenDrawsIsTestedAgain) {
    IDirect3DTexture9* tex = nullptr;
    IDirect3DSurface9* level = nullptr;
    ASSERT_NO_FATAL_FAILURE(CodedTexture(tex, level));
    IDirect3DSurface9* rt = RenderTarget(16, 16, D3DFMT_A8R8G8B8);
    IDirect3DSurface9* depth = nullptr;
    ASSERT_EQ(dev->CreateDepthStencilSurface(16, 16, D3DFMT_D16, D3DMULTISAMPLE_NONE, 0, FALSE,
                                             &depth, nullptr),
              D3D_OK);
    ASSERT_EQ(dev->SetRenderTarget(0, rt), D3D_OK);
    ASSERT_EQ(dev->SetDepthStencilSurface(depth), D3D_OK);
    SpriteState(D3DTEXF_POINT);
    dev->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    dev->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
    dev->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESSEQUAL);
    ASSERT_EQ(dev->SetTexture(0, tex), D3D_OK);
    auto quad = [&](float z) {
        Vertex2DTex v[6] = {{-0.5f, -0.5f, z, 1, 0xFFFFFFFF, 0, 0}, {15.5f, -0.5f, z, 1, 0, 1, 0},
                            {-0.5f, 15.5f, z, 1, 0, 0, 1},          {15.5f, 15.5f, z, 1, 0, 1, 1},
                            {-0.5f, 15.5f, z, 1, 0, 0, 1},          {15.5f, -0.5f, z, 1, 0, 1, 0}};
        return dev->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, v, sizeof(Vertex2DTex));
    };
    ASSERT_EQ(dev->BeginScene(), D3D_OK);
    ASSERT_EQ(dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0), D3D_OK);
    EXPECT_EQ(quad(0.5f), D3D_OK);            // writes 0.5 everywhere
    EXPECT_EQ(quad(0.5f), D3D_OK);            // finds 0.5 everywhere
    EXPECT_EQ(Pixel(rt, 3, 3), 0xFF000040u);  // texel (0, 0)
    ASSERT_EQ(dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000u, 0.25f, 0),
              D3D_OK);
    EXPECT_EQ(quad(0.5f), D3D_OK);
    EXPECT_EQ(Pixel(rt, 3, 3), 0xFF000000u);
    EXPECT_EQ(Pixel(rt, 15, 15), 0xFF000000u);
    ASSERT_EQ(dev->EndScene(), D3D_OK);

    dev->SetDepthStencilSurface(nullptr);
    dev->SetTexture(0, nullptr);
    SafeRelease(depth);
    SafeRelease(level);
    SafeRelease(tex);
}

}  // namespace
