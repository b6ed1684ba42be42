#include <thread>

#include "d3d9_fixture.h"
#include "windows.h"

using namespace d3d9test;

namespace {

HWND RealWindow(int w, int h) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = "D3D9TestWindow";
    RegisterClassA(&wc);  // already there after the first call
    HWND window = CreateWindowExA(0, "D3D9TestWindow", "d3d9", WS_POPUP, 0, 0, w, h, nullptr,
                                  nullptr, nullptr, nullptr);
    if (window) ShowWindow(window, SW_SHOW);
    return window;
}

class D3D9Present : public ::testing::Test {
  protected:
    void SetUp() override {
        window = RealWindow(32, 16);
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
        ASSERT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, window, D3DCREATE_SOFTWARE_VERTEXPROCESSING,
                                    &pp, &dev),
                  D3D_OK);
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
    std::vector<uint32_t> pixels;
    int w = 0, h = 0;
    ASSERT_TRUE(KnobCaptureWindow(window, &pixels, &w, &h));
    ASSERT_EQ(w, 32);
    ASSERT_EQ(h, 16);
    EXPECT_EQ(pixels[5 * 32 + 3] & 0xFFFFFF, 0x336699u);
    EXPECT_EQ(pixels[5 * 32 + 20] & 0xFFFFFF, 0xFF8000u);
    EXPECT_EQ(KnobD3D9PresentCount(), 1);
    // COPY keeps the back buffer.
    IDirect3DSurface9* back = nullptr;
    dev->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back);
    DWORD v = 0;
    ASSERT_TRUE(KnobD3D9ReadPixel(back, 3, 5, &v));
    EXPECT_EQ(v, 0xFF336699u);
    // A source rectangle stretched over the whole client area.
    RECT src{16, 0, 32, 16};
    ASSERT_EQ(dev->Present(&src, nullptr, nullptr, nullptr), D3D_OK);
    ASSERT_TRUE(KnobCaptureWindow(window, &pixels, &w, &h));
    EXPECT_EQ(pixels[5 * 32 + 3] & 0xFFFFFF, 0xFF8000u);
    RECT bad{0, 0, 33, 16};
    EXPECT_EQ(dev->Present(&bad, nullptr, nullptr, nullptr), D3DERR_INVALIDCALL);
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
    back->Release();
}

TEST_F(D3D9Present, IntervalOneLandsOnVerticalBlanks) {
    KnobSetVirtualClock(true);
    D3DPRESENT_PARAMETERS pp = Windowed(32, 16);
    pp.hDeviceWindow = window;
    pp.PresentationInterval = D3DPRESENT_INTERVAL_ONE;
    ASSERT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, window, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp,
                                &dev),
              D3D_OK);
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

TEST_F(D3D9PresentThreads, CallsFromAnotherThreadAreCounted) {
    Make(D3DSWAPEFFECT_COPY);
    const long before = KnobD3D9ForeignThreadCalls();
    std::thread([&] {
        dev->BeginScene();
        dev->EndScene();
    }).join();
    EXPECT_EQ(KnobD3D9ForeignThreadCalls(), before + 2);
}

}  // namespace
