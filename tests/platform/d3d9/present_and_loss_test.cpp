#include <thread>

#include "d3d9_fixture.h"
#include "support/window_test_support.h"
#include "windows.h"

using namespace d3d9test;

namespace {

class D3D9Present : public ::testing::Test {
  protected:
    void SetUp() override {
        window = windowtest::MakeWindow(32, 16, WS_POPUP);
        ASSERT_NE(window, nullptr);
        d3d = Direct3DCreate9(D3D_SDK_VERSION);
    }
    void TearDown() override {
        SafeRelease(dev);
        SafeRelease(d3d);
        DestroyWindow(window);
        EXPECT_EQ(KnobD3D9LiveCount(nullptr), 0);
    }
    void Make(D3DSWAPEFFECT effect) {
        D3DPRESENT_PARAMETERS pp = Windowed(32, 16);
        pp.SwapEffect = effect;
        pp.hDeviceWindow = window;
        ASSERT_EQ(Create(d3d, &pp, &dev), D3D_OK);
    }
    HWND window = nullptr;
    IDirect3D9* d3d = nullptr;
    IDirect3DDevice9* dev = nullptr;
};

TEST_F(D3D9Present, ClearedBackBufferReachesTheWindow) {
    Make(D3DSWAPEFFECT_COPY);
    ASSERT_EQ(dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF336699, 1.f, 0), D3D_OK);
    D3DRECT right{16, 0, 32, 16};
    ASSERT_EQ(dev->Clear(1, &right, D3DCLEAR_TARGET, 0xFFFF8000, 1.f, 0), D3D_OK);
    ASSERT_EQ(dev->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    EXPECT_EQ(windowtest::Capture(window), windowtest::Picture(32, 16, [](int x, int) {
                  return x < 16 ? 0x336699u : 0xFF8000u;
              }));
    EXPECT_EQ(KnobD3D9PresentCount(), 1);
    // COPY keeps the back buffer.
    IDirect3DSurface9* back = nullptr;
    dev->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back);
    DWORD v = 0;
    ASSERT_TRUE(KnobD3D9ReadPixel(back, 3, 5, &v));
    EXPECT_EQ(v, 0xFF336699u);
    HWND madeUp = reinterpret_cast<HWND>(static_cast<uintptr_t>(0x4321));
    EXPECT_EQ(dev->Present(nullptr, nullptr, madeUp, nullptr), D3DERR_INVALIDCALL);
    back->Release();
}

TEST_F(D3D9Present, DiscardLeavesTheMarkerAndRefusesRectangles) {
    Make(D3DSWAPEFFECT_DISCARD);
    ASSERT_EQ(dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.f, 0), D3D_OK);
    RECT src{0, 0, 8, 8};
    EXPECT_EQ(dev->Present(&src, nullptr, nullptr, nullptr), D3DERR_INVALIDCALL);
    ASSERT_EQ(dev->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    IDirect3DSurface9* back = nullptr;
    dev->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back);
    DWORD v = 0;
    ASSERT_TRUE(KnobD3D9ReadPixel(back, 0, 0, &v));
    EXPECT_EQ(v, 0xFFFF00FFu);
    // A frame that covers only the left half shows the marker on the right.
    struct {
        float x, y, z, rhw;
        DWORD c;
    } quad[6] = {{0, 0, 0, 1, 0xFF336699},  {16, 0, 0, 1, 0xFF336699},  {0, 16, 0, 1, 0xFF336699},
                 {16, 0, 0, 1, 0xFF336699}, {16, 16, 0, 1, 0xFF336699}, {0, 16, 0, 1, 0xFF336699}};
    dev->SetRenderState(D3DRS_LIGHTING, FALSE);
    dev->SetFVF(D3DFVF_XYZRHW | D3DFVF_DIFFUSE);
    ASSERT_EQ(dev->BeginScene(), D3D_OK);
    ASSERT_EQ(dev->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, quad, sizeof quad[0]), D3D_OK);
    ASSERT_EQ(dev->EndScene(), D3D_OK);
    ASSERT_EQ(dev->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    EXPECT_EQ(windowtest::Capture(window), windowtest::Picture(32, 16, [](int x, int) {
                  return x < 16 ? 0x336699u : 0xFF00FFu;
              }));
    ASSERT_TRUE(KnobD3D9ReadPixel(back, 31, 15, &v));
    EXPECT_EQ(v, 0xFFFF00FFu);
    back->Release();
}

// A picture drawn texel for pixel over the whole back buffer moves its bytes
// there and holds its own rows as a copy; text drawn over a few rows, the
// DISCARD present and whatever comes next leave the picture's pixels as they
// were (save what is drawn on the picture itself).
TEST_F(D3D9Present, DiscardKeepsThePictureMovedOntoTheBackBuffer) {
    struct Vertex {
        float x, y, z, rhw;
        DWORD c;
        float u, v;
    };
    auto pattern = [](int x, int y) { return 0xFF000000u | DWORD(x * 7) << 16 | DWORD(y * 13); };
    struct Row {
        const char* name;
        int next;  // 0 nothing, 1 a quad on the picture's bottom rows, 2 the back buffer
                   // cleared, 3 the picture moved again, 4 part of a row filled and moved
                   // again, 5 the bottom rows drawn and moved again
    };
    const Row rows[] = {{"read at once", 0},
                        {"the picture drawn on", 1},
                        {"the back buffer cleared", 2},
                        {"moved again", 3},
                        {"part of a row filled, moved again", 4},
                        {"drawn on, moved again", 5}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        Make(D3DSWAPEFFECT_DISCARD);
        IDirect3DTexture9* picture = nullptr;
        ASSERT_EQ(dev->CreateTexture(32, 16, 1, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8,
                                     D3DPOOL_DEFAULT, &picture, nullptr),
                  D3D_OK);
        IDirect3DSurface9 *level = nullptr, *back = nullptr;
        ASSERT_EQ(picture->GetSurfaceLevel(0, &level), D3D_OK);
        ASSERT_EQ(dev->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back), D3D_OK);
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 32; ++x) {
                const RECT one{x, y, x + 1, y + 1};
                ASSERT_EQ(dev->ColorFill(level, &one, pattern(x, y)), D3D_OK);
            }
        dev->SetRenderState(D3DRS_LIGHTING, FALSE);
        dev->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        dev->SetRenderState(D3DRS_SHADEMODE, D3DSHADE_FLAT);
        dev->SetFVF(D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1);
        dev->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
        dev->SetSamplerState(0, D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP);
        auto quad = [&](IDirect3DSurface9* target, IDirect3DTexture9* t, float x0, float y0,
                        float x1, float y1, DWORD c) {
            const Vertex v[6] = {{x0, y0, 0, 1, c, 0, 0}, {x1, y0, 0, 1, c, 1, 0},
                                 {x0, y1, 0, 1, c, 0, 1}, {x1, y0, 0, 1, c, 1, 0},
                                 {x1, y1, 0, 1, c, 1, 1}, {x0, y1, 0, 1, c, 0, 1}};
            dev->SetRenderTarget(0, target);
            dev->SetTexture(0, t);
            dev->SetTextureStageState(0, D3DTSS_COLOROP, t ? D3DTOP_SELECTARG1 : D3DTOP_SELECTARG2);
            dev->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
            dev->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
            ASSERT_EQ(dev->BeginScene(), D3D_OK);
            ASSERT_EQ(dev->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, v, sizeof v[0]), D3D_OK);
            ASSERT_EQ(dev->EndScene(), D3D_OK);
            dev->SetTexture(0, nullptr);
        };
        quad(back, picture, -0.5f, -0.5f, 31.5f, 15.5f, ~0u);  // moved
        quad(back, nullptr, 2, 1, 10, 4, 0xFFFFFFFFu);         // text over rows 1 to 3
        ASSERT_EQ(dev->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
        EXPECT_EQ(windowtest::Capture(window), windowtest::Picture(32, 16, [&](int x, int y) {
                      const bool text = x >= 2 && x < 10 && y >= 1 && y < 4;
                      return text ? 0xFFFFFFu : pattern(x, y) & 0xFFFFFFu;
                  }));
        const bool drawnOn = r.next == 1 || r.next == 5;
        if (drawnOn) quad(level, nullptr, 0, 12, 32, 16, 0xFF0000FFu);
        if (r.next == 4) quad(level, nullptr, 0, 8, 12, 9, 0xFF00FFFFu);
        if (r.next == 2) {
            ASSERT_EQ(dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF00FF00u, 1, 0), D3D_OK);
        }
        if (r.next >= 3) quad(back, picture, -0.5f, -0.5f, 31.5f, 15.5f, ~0u);
        if (r.next >= 3) quad(back, nullptr, 20, 0, 24, 16, 0xFF808080u);  // over every row
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 32; ++x) {
                const bool filled = r.next == 4 && x < 12 && y == 8;
                const DWORD picturePixel = drawnOn && y >= 12 ? 0xFF0000FFu
                                           : filled           ? 0xFF00FFFFu
                                                              : pattern(x, y);
                DWORD v = 0;
                ASSERT_TRUE(KnobD3D9ReadPixel(level, UINT(x), UINT(y), &v));
                EXPECT_EQ(v, picturePixel) << x << "," << y;
                if (r.next < 2) continue;
                ASSERT_TRUE(KnobD3D9ReadPixel(back, UINT(x), UINT(y), &v));
                const DWORD backPixel = r.next == 2         ? 0xFF00FF00u
                                        : x >= 20 && x < 24 ? 0xFF808080u
                                                            : picturePixel;
                EXPECT_EQ(v, backPixel) << x << "," << y;
            }
        ReleaseAll(level, back, picture);
        SafeRelease(dev);
    }
}

TEST_F(D3D9Present, IntervalOneLandsOnVerticalBlanks) {
    KnobSetVirtualClock(true);
    D3DPRESENT_PARAMETERS pp = Windowed(32, 16);
    pp.hDeviceWindow = window;
    pp.PresentationInterval = D3DPRESENT_INTERVAL_ONE;
    ASSERT_EQ(Create(d3d, &pp, &dev), D3D_OK);
    LARGE_INTEGER freq, t0, t1;
    QueryPerformanceFrequency(&freq);
    ASSERT_EQ(dev->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    QueryPerformanceCounter(&t0);
    for (int i = 0; i < 6; ++i) ASSERT_EQ(dev->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    QueryPerformanceCounter(&t1);
    const int64_t micros = (t1.QuadPart - t0.QuadPart) * 1000000 / freq.QuadPart;
    EXPECT_GE(micros, 6 * 16666);
    EXPECT_LE(micros, 6 * 16667 + 1);
}

TEST_F(D3D9Present, LossThenResetOnceDefaultResourcesAreGone) {
    Make(D3DSWAPEFFECT_COPY);
    IDirect3DTexture9* def = nullptr;
    IDirect3DTexture9* managed = nullptr;
    ASSERT_EQ(dev->CreateTexture(8, 8, 1, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT,
                                 &def, nullptr),
              D3D_OK);
    ASSERT_EQ(dev->CreateTexture(8, 8, 1, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, &managed, nullptr),
              D3D_OK);
    ASSERT_EQ(dev->SetTexture(0, managed), D3D_OK);
    KnobD3D9LoseDevices();
    EXPECT_EQ(dev->TestCooperativeLevel(), D3DERR_DEVICELOST);
    EXPECT_EQ(dev->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICELOST);
    D3DPRESENT_PARAMETERS pp = Windowed(32, 16);
    pp.hDeviceWindow = window;
    EXPECT_EQ(dev->Reset(&pp), D3DERR_DEVICELOST);
    KnobD3D9RegainDevices();
    EXPECT_EQ(dev->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    KnobD3D9Trace(true);
    EXPECT_EQ(dev->Reset(&pp), D3DERR_INVALIDCALL);
    EXPECT_TRUE(TraceHas(KnobD3D9TakeTrace(), "Reset", "still alive: texture 8x8"));
    EXPECT_EQ(dev->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    // A held back buffer blocks Reset too.
    def->Release();
    IDirect3DSurface9* back = nullptr;
    dev->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back);
    EXPECT_EQ(dev->Reset(&pp), D3DERR_INVALIDCALL);
    back->Release();
    pp.BackBufferWidth = 24;
    ASSERT_EQ(dev->Reset(&pp), D3D_OK);
    EXPECT_EQ(dev->TestCooperativeLevel(), D3D_OK);
    IDirect3DBaseTexture9* bound = nullptr;
    ASSERT_EQ(dev->GetTexture(0, &bound), D3D_OK);
    EXPECT_EQ(bound, nullptr);  // Reset returns every state to its default
    ASSERT_EQ(dev->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back), D3D_OK);
    D3DSURFACE_DESC d{};
    back->GetDesc(&d);
    EXPECT_EQ(d.Width, 24u);
    back->Release();
    EXPECT_EQ(dev->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    managed->Release();
}

// A failed Reset of a working device loses it: TestCooperativeLevel says
// lost once, then waits for Reset; a good Reset brings it back.
TEST_F(D3D9Present, FailedResetOfAWorkingDeviceLosesIt) {
    Make(D3DSWAPEFFECT_COPY);
    IDirect3DTexture9* held = nullptr;
    struct Row {
        const char* name;
        UINT backBuffers;
        bool holdTexture;
    };
    const Row rows[] = {{"parameters refused", 9, false}, {"DEFAULT texture alive", 1, true}};
    for (const Row& row : rows) {
        if (row.holdTexture) {
            ASSERT_EQ(dev->CreateTexture(8, 8, 1, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8,
                                         D3DPOOL_DEFAULT, &held, nullptr),
                      D3D_OK);
        }
        D3DPRESENT_PARAMETERS pp = Windowed(32, 16);
        pp.hDeviceWindow = window;
        pp.BackBufferCount = row.backBuffers;
        EXPECT_EQ(dev->Reset(&pp), D3DERR_INVALIDCALL) << row.name;
        EXPECT_EQ(dev->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICELOST) << row.name;
        EXPECT_EQ(dev->TestCooperativeLevel(), D3DERR_DEVICELOST) << row.name;
        EXPECT_EQ(dev->TestCooperativeLevel(), D3DERR_DEVICENOTRESET) << row.name;
        SafeRelease(held);
        pp.BackBufferCount = 1;
        ASSERT_EQ(dev->Reset(&pp), D3D_OK) << row.name;
        EXPECT_EQ(dev->TestCooperativeLevel(), D3D_OK) << row.name;
    }
}

// An Ex device's presents report an occluded window under loss, never a lost
// device; TestCooperativeLevel still tells the loss.
TEST_F(D3D9Present, ExPresentUnderLossReportsOcclusion) {
    IDirect3D9Ex* ex = nullptr;
    ASSERT_EQ(Direct3DCreate9Ex(D3D_SDK_VERSION, &ex), D3D_OK);
    D3DPRESENT_PARAMETERS pp = Windowed(32, 16);
    pp.hDeviceWindow = window;
    IDirect3DDevice9Ex* exDev = nullptr;
    ASSERT_EQ(ex->CreateDeviceEx(0, D3DDEVTYPE_HAL, window, D3DCREATE_SOFTWARE_VERTEXPROCESSING,
                                 &pp, nullptr, &exDev),
              D3D_OK);
    IDirect3DSwapChain9* chain = nullptr;
    ASSERT_EQ(exDev->GetSwapChain(0, &chain), D3D_OK);
    KnobD3D9LoseDevices();
    EXPECT_EQ(exDev->Present(nullptr, nullptr, nullptr, nullptr), S_PRESENT_OCCLUDED);
    EXPECT_EQ(exDev->PresentEx(nullptr, nullptr, nullptr, nullptr, 0), S_PRESENT_OCCLUDED);
    EXPECT_EQ(chain->Present(nullptr, nullptr, nullptr, nullptr, 0), S_PRESENT_OCCLUDED);
    EXPECT_EQ(exDev->TestCooperativeLevel(), D3DERR_DEVICELOST);
    KnobD3D9RegainDevices();
    ReleaseAll(chain, exDev, ex);
}

// The engine's way after loss: release everything and make a new device.
TEST_F(D3D9Present, ReleaseAllAndRecreateListsALeakedTexture) {
    Make(D3DSWAPEFFECT_COPY);
    KnobD3D9Trace(true);
    IDirect3DTexture9* leaked = nullptr;
    ASSERT_EQ(dev->CreateTexture(16, 8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &leaked, nullptr),
              D3D_OK);
    KnobD3D9LoseDevices();
    KnobD3D9RegainDevices();
    EXPECT_EQ(dev->Release(), 0u);
    dev = nullptr;
    EXPECT_TRUE(TraceHas(KnobD3D9TakeTrace(), "Device::Release", "leak: texture 16x8"));
    EXPECT_EQ(KnobD3D9LiveCount("Device"), 0);
    EXPECT_EQ(KnobD3D9LiveCount("Texture"), 1);
    IDirect3DDevice9* gone = nullptr;
    EXPECT_EQ(leaked->GetDevice(&gone), D3DERR_INVALIDCALL);
    leaked->Release();
    Make(D3DSWAPEFFECT_COPY);
    EXPECT_EQ(dev->TestCooperativeLevel(), D3D_OK);
}

using D3D9PresentThreads = D3D9Present;

// The engine's tests count on this staying 0: it must count when it should.
TEST_F(D3D9PresentThreads, CallsFromAnotherThreadAreCounted) {
    Make(D3DSWAPEFFECT_COPY);
    const long before = KnobD3D9ForeignThreadCalls();
    std::thread([&] {
        dev->BeginScene();
        dev->EndScene();
    }).join();
    EXPECT_EQ(KnobD3D9ForeignThreadCalls(), before + 2);
}

// The back buffer is blue left of x = 16 and orange right of it; the window
// starts black. A source rectangle past the buffer is clipped, and the
// destination with it in proportion.
TEST_F(D3D9Present, SourceRectanglesPastTheBackBufferAreClipped) {
    constexpr DWORD B = 0x336699, O = 0xFF8000, K = 0;
    struct Probe {
        int x, y;
        DWORD want;
    };
    struct Row {
        const char* name;
        RECT src;
        const RECT* dst;
        Probe probes[3];
    };
    const RECT half{0, 0, 16, 8};
    const Row rows[] = {
        {"past the right", {16, 0, 48, 16}, nullptr, {{8, 8, O}, {24, 8, K}, {15, 15, O}}},
        {"before the left", {-16, 0, 16, 16}, nullptr, {{8, 8, K}, {24, 8, B}, {16, 0, B}}},
        {"above the top", {0, -8, 32, 8}, nullptr, {{8, 3, K}, {8, 12, B}, {24, 12, O}}},
        {"into a destination", {8, 0, 40, 16}, &half, {{2, 4, B}, {8, 4, O}, {14, 4, K}}},
        {"wholly outside", {40, 0, 50, 16}, nullptr, {{8, 8, K}, {24, 8, K}, {0, 0, K}}},
    };
    Make(D3DSWAPEFFECT_COPY);
    D3DRECT right{16, 0, 32, 16};
    for (const Row& row : rows) {
        ASSERT_EQ(dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.f, 0), D3D_OK);
        ASSERT_EQ(dev->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
        ASSERT_EQ(dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000 | B, 1.f, 0), D3D_OK);
        ASSERT_EQ(dev->Clear(1, &right, D3DCLEAR_TARGET, 0xFF000000 | O, 1.f, 0), D3D_OK);
        EXPECT_EQ(dev->Present(&row.src, row.dst, nullptr, nullptr), D3D_OK) << row.name;
        const std::vector<uint32_t> pixels = windowtest::Capture(window);
        ASSERT_EQ(pixels.size(), 32u * 16u);
        for (const Probe& p : row.probes)
            EXPECT_EQ(pixels[size_t(p.y) * 32 + p.x], p.want)
                << row.name << " at " << p.x << "," << p.y;
    }
}

TEST_F(D3D9Present, PresentInsideASceneIsRefusedAndTraced) {
    Make(D3DSWAPEFFECT_COPY);
    IDirect3DSwapChain9* chain = nullptr;
    ASSERT_EQ(dev->GetSwapChain(0, &chain), D3D_OK);
    KnobD3D9Trace(true);
    ASSERT_EQ(dev->BeginScene(), D3D_OK);
    EXPECT_EQ(dev->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(chain->Present(nullptr, nullptr, nullptr, nullptr, 0), D3DERR_INVALIDCALL);
    EXPECT_TRUE(TraceHas(KnobD3D9TakeTrace(), "Present", "inside a scene"));
    ASSERT_EQ(dev->EndScene(), D3D_OK);
    EXPECT_EQ(dev->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    chain->Release();
}

TEST(D3D9DialogBoxMode, NeedsDiscardInFullScreenAndNoOpenScene) {
    struct Row {
        const char* name;
        BOOL windowed;
        D3DSWAPEFFECT effect;
        bool inScene;
        HRESULT want;
    };
    const Row rows[] = {
        {"full screen, DISCARD", FALSE, D3DSWAPEFFECT_DISCARD, false, D3D_OK},
        {"full screen, COPY", FALSE, D3DSWAPEFFECT_COPY, false, D3DERR_INVALIDCALL},
        {"full screen, inside a scene", FALSE, D3DSWAPEFFECT_DISCARD, true, D3DERR_INVALIDCALL},
        {"windowed, COPY", TRUE, D3DSWAPEFFECT_COPY, false, D3D_OK},
        {"windowed, inside a scene", TRUE, D3DSWAPEFFECT_COPY, true, D3DERR_INVALIDCALL},
    };
    IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
    for (const Row& row : rows) {
        D3DPRESENT_PARAMETERS pp = Windowed(640, 480);
        pp.Windowed = row.windowed;
        pp.BackBufferFormat = D3DFMT_X8R8G8B8;
        pp.SwapEffect = row.effect;
        IDirect3DDevice9* dev = nullptr;
        ASSERT_EQ(Create(d3d, &pp, &dev), D3D_OK);
        if (row.inScene) dev->BeginScene();
        EXPECT_EQ(dev->SetDialogBoxMode(TRUE), row.want) << row.name;
        SafeRelease(dev);
    }
    SafeRelease(d3d);
}

}  // namespace
