// Every way out of a render target sees the fills a draw held back on it: a
// target filled green and then partly covered by a red box reads green
// outside the box and red inside, whichever call reads it.
#include <algorithm>
#include <functional>

#include "../d3d9/d3d9_fixture.h"

namespace {

using d3d9test::DeviceTest;

#pragma pack(push, 1)
struct Vertex2D {
    float x, y, z, rhw;
    DWORD diffuse;
};
struct Vertex2DTex {
    float x, y, z, rhw;
    DWORD diffuse;
    float u, v;
};
#pragma pack(pop)

constexpr UINT kSide = 8;
constexpr DWORD kGreen = 0xFF00FF00u, kRed = 0xFFFF0000u;

// The red box: x in 2 .. 5, y in 1 .. 3.
DWORD Expected(UINT x, UINT y) {
    return x >= 2 && x < 6 && y >= 1 && y < 4 ? kRed : kGreen;
}

class HeldFillReads : public DeviceTest {
  protected:
    void Box(float x1, float y1, float x2, float y2, DWORD colour) {
        const Vertex2D v[6] = {{x1, y1, 0, 1, colour}, {x2, y1, 0, 1, colour},
                               {x1, y2, 0, 1, colour}, {x2, y2, 0, 1, colour},
                               {x1, y2, 0, 1, colour}, {x2, y1, 0, 1, colour}};
        dev->SetFVF(D3DFVF_XYZRHW | D3DFVF_DIFFUSE);
        dev->SetTexture(0, nullptr);
        dev->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
        dev->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
        dev->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG2);
        dev->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
        ASSERT_EQ(dev->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, v, sizeof(Vertex2D)), D3D_OK);
    }
    // The picture on `target`: filled twice (the first fill wholly
    // overwritten), then the red box.
    void DrawPicture(IDirect3DSurface9* target) {
        ASSERT_EQ(dev->SetRenderTarget(0, target), D3D_OK);
        dev->SetRenderState(D3DRS_LIGHTING, FALSE);
        dev->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        dev->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
        dev->SetRenderState(D3DRS_SHADEMODE, D3DSHADE_FLAT);
        ASSERT_EQ(dev->BeginScene(), D3D_OK);
        Box(0, 0, kSide, kSide, kRed);
        Box(0, 0, kSide, kSide, kGreen);
        Box(2, 1, 6, 4, kRed);
        ASSERT_EQ(dev->EndScene(), D3D_OK);
    }
    void ExpectPicture(IDirect3DSurface9* s) {
        for (UINT y = 0; y < kSide; ++y)
            for (UINT x = 0; x < kSide; ++x)
                EXPECT_EQ(Pixel(s, x, y) | 0xFF000000u, Expected(x, y)) << x << "," << y;
    }
};

TEST_F(HeldFillReads, Locked) {
    IDirect3DSurface9* t = RenderTarget(kSide, kSide, D3DFMT_X8R8G8B8);
    DrawPicture(t);
    D3DLOCKED_RECT lr;
    ASSERT_EQ(t->LockRect(&lr, nullptr, D3DLOCK_READONLY), D3D_OK);
    for (UINT y = 0; y < kSide; ++y)
        for (UINT x = 0; x < kSide; ++x) {
            DWORD v;
            std::memcpy(&v, static_cast<uint8_t*>(lr.pBits) + y * lr.Pitch + x * 4, 4);
            EXPECT_EQ(v | 0xFF000000u, Expected(x, y)) << x << "," << y;
        }
    ASSERT_EQ(t->UnlockRect(), D3D_OK);
}

TEST_F(HeldFillReads, ReadBackAndStretchedOut) {
    IDirect3DSurface9* t = RenderTarget(kSide, kSide, D3DFMT_X8R8G8B8, FALSE);
    DrawPicture(t);
    IDirect3DSurface9* mem = Plain(kSide, kSide, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM);
    ASSERT_EQ(dev->GetRenderTargetData(t, mem), D3D_OK);
    ExpectPicture(mem);
    IDirect3DSurface9* other = RenderTarget(kSide, kSide, D3DFMT_X8R8G8B8);
    ASSERT_EQ(dev->StretchRect(t, nullptr, other, nullptr, D3DTEXF_NONE), D3D_OK);
    ExpectPicture(other);
}

TEST_F(HeldFillReads, ClearedInPart) {
    IDirect3DSurface9* t = RenderTarget(kSide, kSide, D3DFMT_X8R8G8B8);
    DrawPicture(t);
    const D3DRECT corner{6, 6, 8, 8};
    ASSERT_EQ(dev->Clear(1, &corner, D3DCLEAR_TARGET, 0xFF0000FFu, 1.f, 0), D3D_OK);
    for (UINT y = 0; y < kSide; ++y)
        for (UINT x = 0; x < kSide; ++x)
            EXPECT_EQ(Pixel(t, x, y) | 0xFF000000u, x >= 6 && y >= 6 ? 0xFF0000FFu : Expected(x, y))
                << x << "," << y;
}

TEST_F(HeldFillReads, SampledByTheNextDraw) {
    IDirect3DTexture9* tex =
        MakeTexture(kSide, kSide, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT);
    IDirect3DSurface9* level = nullptr;
    ASSERT_EQ(tex->GetSurfaceLevel(0, &level), D3D_OK);
    Hold(level);
    DrawPicture(level);
    IDirect3DSurface9* out = RenderTarget(kSide, kSide, D3DFMT_X8R8G8B8);
    ASSERT_EQ(dev->SetRenderTarget(0, out), D3D_OK);
    ASSERT_EQ(dev->BeginScene(), D3D_OK);
    dev->SetTexture(0, tex);
    dev->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    dev->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    dev->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    dev->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    dev->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_POINT);
    dev->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_POINT);
    dev->SetFVF(D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1);
    const float s = float(kSide);
    const Vertex2DTex v[6] = {{0, 0, 0, 1, ~0u, 0, 0}, {s, 0, 0, 1, ~0u, 1, 0},
                              {0, s, 0, 1, ~0u, 0, 1}, {s, s, 0, 1, ~0u, 1, 1},
                              {0, s, 0, 1, ~0u, 0, 1}, {s, 0, 0, 1, ~0u, 1, 0}};
    ASSERT_EQ(dev->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, v, sizeof(Vertex2DTex)), D3D_OK);
    ASSERT_EQ(dev->EndScene(), D3D_OK);
    dev->SetTexture(0, nullptr);
    ExpectPicture(out);
}

}  // namespace

// A whole-surface StretchRect between two targets of one size moves the
// bytes; whatever comes next, both read as if they had been copied.
class MovedCopy : public HeldFillReads {
  protected:
    static constexpr UINT kW = 8, kH = 6;
    using Pixels = std::vector<DWORD>;
    void SetUp() override {
        HeldFillReads::SetUp();
        a = RenderTarget(kW, kH, D3DFMT_X8R8G8B8);
        b = RenderTarget(kW, kH, D3DFMT_X8R8G8B8);
        for (UINT i = 0; i < kW * kH; ++i) {
            wantA.push_back(0xFF000000u | (i * 0x010203u));
            wantB.push_back(0xFF800000u | i);
        }
        Write(a, wantA);
        Write(b, wantB);
        ASSERT_EQ(dev->StretchRect(a, nullptr, b, nullptr, D3DTEXF_NONE), D3D_OK);
        wantB = wantA;
    }
    void Write(IDirect3DSurface9* s, const Pixels& p) {
        D3DLOCKED_RECT lr;
        ASSERT_EQ(s->LockRect(&lr, nullptr, 0), D3D_OK);
        for (UINT y = 0; y < kH; ++y)
            std::memcpy(static_cast<uint8_t*>(lr.pBits) + y * lr.Pitch, &p[y * kW], kW * 4);
        ASSERT_EQ(s->UnlockRect(), D3D_OK);
    }
    Pixels Read(IDirect3DSurface9* s) {
        Pixels out(kW * kH);
        D3DLOCKED_RECT lr;
        EXPECT_EQ(s->LockRect(&lr, nullptr, D3DLOCK_READONLY), D3D_OK);
        for (UINT y = 0; y < kH; ++y)
            std::memcpy(&out[y * kW], static_cast<uint8_t*>(lr.pBits) + y * lr.Pitch, kW * 4);
        EXPECT_EQ(s->UnlockRect(), D3D_OK);
        return out;
    }
    // A green box drawn on `s` (x 1 .. 4, y 2 .. 3), or over all of it.
    void GreenBox(IDirect3DSurface9* s, Pixels& want, bool whole) {
        ASSERT_EQ(dev->SetRenderTarget(0, s), D3D_OK);
        dev->SetRenderState(D3DRS_LIGHTING, FALSE);
        dev->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        dev->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
        ASSERT_EQ(dev->BeginScene(), D3D_OK);
        if (whole)
            Box(0, 0, kW, kH, kGreen);
        else
            Box(1, 2, 5, 4, kGreen);
        ASSERT_EQ(dev->EndScene(), D3D_OK);
        for (UINT y = 0; y < kH; ++y)
            for (UINT x = 0; x < kW; ++x)
                if (whole || (x >= 1 && x < 5 && y >= 2 && y < 4)) want[y * kW + x] = kGreen;
    }
    IDirect3DSurface9 *a = nullptr, *b = nullptr;
    Pixels wantA, wantB;
};

TEST_F(MovedCopy, BothReadAsCopied) {
    EXPECT_EQ(Read(b), wantB);
    EXPECT_EQ(Read(a), wantA);
}

TEST_F(MovedCopy, SourceDrawnOverWhollyThenInPart) {
    GreenBox(a, wantA, true);
    EXPECT_EQ(Read(b), wantB);
    EXPECT_EQ(Read(a), wantA);
    GreenBox(a, wantA, false);
    EXPECT_EQ(Read(a), wantA);
}

TEST_F(MovedCopy, SourceDrawnOverInPart) {
    GreenBox(a, wantA, false);
    EXPECT_EQ(Read(a), wantA);
    EXPECT_EQ(Read(b), wantB);
}

TEST_F(MovedCopy, DestinationDrawnOnFirst) {
    GreenBox(b, wantB, false);
    EXPECT_EQ(Read(b), wantB);
    EXPECT_EQ(Read(a), wantA);
}

TEST_F(MovedCopy, DestinationClearedOrWrittenByAnotherCopy) {
    const D3DRECT corner{0, 0, 2, 2};
    ASSERT_EQ(dev->SetRenderTarget(0, b), D3D_OK);
    ASSERT_EQ(dev->Clear(1, &corner, D3DCLEAR_TARGET, kRed, 1.f, 0), D3D_OK);
    for (UINT y = 0; y < 2; ++y)
        for (UINT x = 0; x < 2; ++x) wantB[y * kW + x] = kRed;
    EXPECT_EQ(Read(a), wantA);
    EXPECT_EQ(Read(b), wantB);
    IDirect3DSurface9* c = RenderTarget(kW, kH, D3DFMT_X8R8G8B8);
    ASSERT_EQ(dev->StretchRect(a, nullptr, c, nullptr, D3DTEXF_NONE), D3D_OK);
    ASSERT_EQ(dev->StretchRect(c, nullptr, b, nullptr, D3DTEXF_POINT), D3D_OK);
    EXPECT_EQ(Read(b), wantA);
    EXPECT_EQ(Read(c), wantA);
    EXPECT_EQ(Read(a), wantA);
}

TEST_F(MovedCopy, CopiedBackAndAgain) {
    ASSERT_EQ(dev->StretchRect(b, nullptr, a, nullptr, D3DTEXF_NONE), D3D_OK);
    ASSERT_EQ(dev->StretchRect(a, nullptr, b, nullptr, D3DTEXF_LINEAR), D3D_OK);
    EXPECT_EQ(Read(a), wantA);
    EXPECT_EQ(Read(b), wantA);
}

TEST_F(MovedCopy, DestinationReleasedBeforeTheSourceIsRead) {
    // The fixture holds a reference of its own: the last one goes here.
    b->AddRef();
    held.erase(std::find(held.begin(), held.end(), static_cast<IUnknown*>(b)));
    b->Release();
    b->Release();
    EXPECT_EQ(Read(a), wantA);
}
