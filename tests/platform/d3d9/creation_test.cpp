#include "d3d9_fixture.h"
#include "windows.h"

using namespace d3d9test;

namespace {

TEST(D3D9Creation, SdkVersionAndExObject) {
    EXPECT_EQ(Direct3DCreate9(31), nullptr);
    IDirect3D9Ex* ex = nullptr;
    EXPECT_EQ(Direct3DCreate9Ex(D3D_SDK_VERSION, nullptr), D3DERR_INVALIDCALL);
    ASSERT_EQ(Direct3DCreate9Ex(D3D_SDK_VERSION, &ex), D3D_OK);
    IDirect3D9* plain = nullptr;
    EXPECT_EQ(ex->QueryInterface(IID_IDirect3D9, reinterpret_cast<void**>(&plain)), S_OK);
    EXPECT_EQ(plain->Release(), 1u);
    EXPECT_EQ(ex->Release(), 0u);
    IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
    void* none = nullptr;
    EXPECT_EQ(d3d->QueryInterface(IID_IDirect3D9Ex, &none), E_NOINTERFACE);
    d3d->Release();
    EXPECT_EQ(KnobD3D9LiveCount("Direct3D"), 0);
}

TEST(D3D9Creation, WindowedDeviceTakesTheDesktopFormat) {
    for (DWORD desktop : {DWORD(D3DFMT_X8R8G8B8), DWORD(D3DFMT_R5G6B5)}) {
        KnobD3D9DesktopFormat(desktop);
        IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
        D3DDISPLAYMODE mode{};
        ASSERT_EQ(d3d->GetAdapterDisplayMode(0, &mode), D3D_OK);
        EXPECT_EQ(DWORD(mode.Format), desktop);
        D3DPRESENT_PARAMETERS pp = Windowed(32, 16);
        IDirect3DDevice9* dev = nullptr;
        ASSERT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, TestWindow(),
                                    D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp, &dev),
                  D3D_OK);
        EXPECT_EQ(DWORD(pp.BackBufferFormat), desktop);
        IDirect3DSurface9* back = nullptr;
        ASSERT_EQ(dev->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back), D3D_OK);
        D3DSURFACE_DESC desc{};
        back->GetDesc(&desc);
        EXPECT_EQ(DWORD(desc.Format), desktop);
        EXPECT_EQ(desc.Width, 32u);
        ReleaseAll(back, dev, d3d);
    }
}

TEST(D3D9Creation, FullScreenOnlyInTheModeList) {
    IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
    const UINT count = d3d->GetAdapterModeCount(0, D3DFMT_X8R8G8B8);
    ASSERT_GT(count, 0u);
    D3DDISPLAYMODE mode{};
    ASSERT_EQ(d3d->EnumAdapterModes(0, D3DFMT_X8R8G8B8, 0, &mode), D3D_OK);
    EXPECT_EQ(d3d->EnumAdapterModes(0, D3DFMT_X8R8G8B8, count, &mode), D3DERR_INVALIDCALL);
    EXPECT_EQ(d3d->GetAdapterModeCount(0, D3DFMT_A8R8G8B8), 0u);

    D3DPRESENT_PARAMETERS pp = Windowed(640, 480);
    pp.Windowed = FALSE;
    pp.BackBufferFormat = D3DFMT_X8R8G8B8;
    IDirect3DDevice9* dev = nullptr;
    ASSERT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, TestWindow(),
                                D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp, &dev),
              D3D_OK);
    dev->Release();
    dev = nullptr;
    pp.BackBufferWidth = 641;
    EXPECT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, TestWindow(),
                                D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp, &dev),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(dev, nullptr);
    pp.BackBufferWidth = 640;
    pp.FullScreen_RefreshRateInHz = 59;
    EXPECT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, TestWindow(),
                                D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp, &dev),
              D3DERR_INVALIDCALL);
    d3d->Release();
}

TEST(D3D9Creation, BadParametersAreRefused) {
    IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
    IDirect3DDevice9* dev = nullptr;
    D3DPRESENT_PARAMETERS pp = Windowed(64, 64);
    const DWORD sw = D3DCREATE_SOFTWARE_VERTEXPROCESSING;
    EXPECT_EQ(d3d->CreateDevice(1, D3DDEVTYPE_HAL, TestWindow(), sw, &pp, &dev),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_REF, TestWindow(), sw, &pp, &dev),
              D3DERR_NOTAVAILABLE);
    EXPECT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, TestWindow(), 0, &pp, &dev), D3DERR_INVALIDCALL);
    EXPECT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, TestWindow(), sw, nullptr, &dev),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, TestWindow(), sw, &pp, nullptr),
              D3DERR_INVALIDCALL);
    D3DPRESENT_PARAMETERS bad = pp;
    bad.MultiSampleType = D3DMULTISAMPLE_4_SAMPLES;
    EXPECT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, TestWindow(), sw, &bad, &dev),
              D3DERR_INVALIDCALL);
    bad = pp;
    bad.SwapEffect = D3DSWAPEFFECT_COPY;
    bad.BackBufferCount = 2;
    EXPECT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, TestWindow(), sw, &bad, &dev),
              D3DERR_INVALIDCALL);
    bad = pp;
    bad.FullScreen_RefreshRateInHz = 60;
    EXPECT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, TestWindow(), sw, &bad, &dev),
              D3DERR_INVALIDCALL);
    bad = pp;
    bad.EnableAutoDepthStencil = TRUE;
    bad.AutoDepthStencilFormat = D3DFMT_X8R8G8B8;
    EXPECT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, TestWindow(), sw, &bad, &dev),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(dev, nullptr);
    d3d->Release();
    EXPECT_EQ(KnobD3D9LiveCount(nullptr), 0);
}

// The engine retries a failed Ex device once with software vertex
// processing and then answers -2; the knob makes both attempts fail.
TEST(D3D9Creation, KnobFailsCreateDeviceExTwice) {
    KnobD3D9FailCreateDeviceEx(2);
    IDirect3D9Ex* ex = nullptr;
    ASSERT_EQ(Direct3DCreate9Ex(D3D_SDK_VERSION, &ex), D3D_OK);
    D3DPRESENT_PARAMETERS pp = Windowed(64, 64);
    IDirect3DDevice9Ex* dev = nullptr;
    EXPECT_EQ(ex->CreateDeviceEx(0, D3DDEVTYPE_HAL, TestWindow(), D3DCREATE_MIXED_VERTEXPROCESSING,
                                 &pp, nullptr, &dev),
              D3DERR_NOTAVAILABLE);
    EXPECT_EQ(ex->CreateDeviceEx(0, D3DDEVTYPE_HAL, TestWindow(),
                                 D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp, nullptr, &dev),
              D3DERR_NOTAVAILABLE);
    // The plain kind still works, and so does a third Ex attempt.
    IDirect3DDevice9* plain = nullptr;
    ASSERT_EQ(ex->CreateDevice(0, D3DDEVTYPE_HAL, TestWindow(), D3DCREATE_SOFTWARE_VERTEXPROCESSING,
                               &pp, &plain),
              D3D_OK);
    plain->Release();
    ASSERT_EQ(ex->CreateDeviceEx(0, D3DDEVTYPE_HAL, TestWindow(),
                                 D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp, nullptr, &dev),
              D3D_OK);
    EXPECT_EQ(dev->SetMaximumFrameLatency(1), D3D_OK);
    dev->Release();
    ex->Release();
}

TEST(D3D9Creation, KnobFailsForOneBackBufferSize) {
    KnobD3D9FailCreateDeviceForSize(800, 600);
    IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
    IDirect3DDevice9* dev = nullptr;
    D3DPRESENT_PARAMETERS pp = Windowed(800, 600);
    EXPECT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, TestWindow(),
                                D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp, &dev),
              D3DERR_NOTAVAILABLE);
    pp = Windowed(1024, 768);
    ASSERT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, TestWindow(),
                                D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp, &dev),
              D3D_OK);
    dev->Release();
    d3d->Release();
}

TEST(D3D9Creation, ExFullScreenNeedsItsDisplayMode) {
    IDirect3D9Ex* ex = nullptr;
    ASSERT_EQ(Direct3DCreate9Ex(D3D_SDK_VERSION, &ex), D3D_OK);
    D3DPRESENT_PARAMETERS pp = Windowed(800, 600);
    pp.Windowed = FALSE;
    pp.BackBufferFormat = D3DFMT_R5G6B5;
    IDirect3DDevice9Ex* dev = nullptr;
    const DWORD sw = D3DCREATE_SOFTWARE_VERTEXPROCESSING;
    EXPECT_EQ(ex->CreateDeviceEx(0, D3DDEVTYPE_HAL, TestWindow(), sw, &pp, nullptr, &dev),
              D3DERR_INVALIDCALL);
    D3DDISPLAYMODEEX mode{sizeof mode, 800, 600, 0, D3DFMT_R5G6B5, D3DSCANLINEORDERING_PROGRESSIVE};
    ASSERT_EQ(ex->CreateDeviceEx(0, D3DDEVTYPE_HAL, TestWindow(), sw, &pp, &mode, &dev), D3D_OK);
    // MANAGED resources do not exist on an Ex device.
    IDirect3DTexture9* tex = nullptr;
    EXPECT_EQ(dev->CreateTexture(8, 8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &tex, nullptr),
              D3DERR_INVALIDCALL);
    dev->Release();
    ex->Release();
}

TEST(D3D9Creation, CapabilitiesByDefaultAndByKnob) {
    IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
    D3DCAPS9 caps{};
    ASSERT_EQ(d3d->GetDeviceCaps(0, D3DDEVTYPE_HAL, &caps), D3D_OK);
    EXPECT_EQ(caps.NumSimultaneousRTs, 1u);
    EXPECT_TRUE(caps.PrimitiveMiscCaps & D3DPMISCCAPS_BLENDOP);
    EXPECT_TRUE(caps.PrimitiveMiscCaps & D3DPMISCCAPS_TSSARGTEMP);
    EXPECT_EQ(caps.MaxTextureWidth, 4096u);
    EXPECT_EQ(caps.TextureCaps & (D3DPTEXTURECAPS_POW2 | D3DPTEXTURECAPS_SQUAREONLY |
                                  D3DPTEXTURECAPS_NONPOW2CONDITIONAL),
              0u);
    EXPECT_EQ(caps.VertexShaderVersion, 0u);
    EXPECT_EQ(caps.PixelShaderVersion, 0u);
    EXPECT_EQ(caps.MaxTextureBlendStages, 8u);
    EXPECT_EQ(caps.MaxVertexIndex, 0xFFFFu);
    KnobD3D9ShaderVersions(0xFFFE0200, 0xFFFF0200);
    KnobD3D9BlendOp(false);
    KnobD3D9TssArgTemp(false);
    ASSERT_EQ(d3d->GetDeviceCaps(0, D3DDEVTYPE_HAL, &caps), D3D_OK);
    EXPECT_EQ(caps.VertexShaderVersion, 0xFFFE0200u);
    EXPECT_EQ(caps.PixelShaderVersion, 0xFFFF0200u);
    EXPECT_FALSE(caps.PrimitiveMiscCaps & (D3DPMISCCAPS_BLENDOP | D3DPMISCCAPS_TSSARGTEMP));
    EXPECT_EQ(d3d->GetDeviceCaps(0, D3DDEVTYPE_HAL, nullptr), D3DERR_INVALIDCALL);
    D3DADAPTER_IDENTIFIER9 id{};
    EXPECT_EQ(d3d->GetAdapterIdentifier(0, 0, &id), D3D_OK);
    EXPECT_NE(id.Description[0], 0);
    EXPECT_EQ(d3d->GetAdapterIdentifier(1, 0, &id), D3DERR_INVALIDCALL);
    DWORD levels = 0;
    EXPECT_EQ(d3d->CheckDeviceMultiSampleType(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, TRUE,
                                              D3DMULTISAMPLE_NONE, &levels),
              D3D_OK);
    EXPECT_EQ(d3d->CheckDeviceMultiSampleType(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, TRUE,
                                              D3DMULTISAMPLE_2_SAMPLES, &levels),
              D3DERR_NOTAVAILABLE);
    d3d->Release();
}

}  // namespace

namespace {

// The adapter's modes and desktop come from the window stand-in's display.
TEST(D3D9Creation, ModesFollowTheDisplay) {
    ASSERT_TRUE(KnobDisplayModes("640x480x16@60,800x600x32@60,1024x768x32@60"));
    KnobDesktopBits(16);
    IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
    EXPECT_EQ(d3d->GetAdapterModeCount(0, D3DFMT_R5G6B5), 1u);
    EXPECT_EQ(d3d->GetAdapterModeCount(0, D3DFMT_X8R8G8B8), 2u);
    D3DDISPLAYMODE mode{};
    ASSERT_EQ(d3d->EnumAdapterModes(0, D3DFMT_X8R8G8B8, 1, &mode), D3D_OK);
    EXPECT_EQ(mode.Width, 1024u);
    EXPECT_EQ(mode.RefreshRate, 60u);
    ASSERT_EQ(d3d->GetAdapterDisplayMode(0, &mode), D3D_OK);
    EXPECT_EQ(mode.Format, D3DFMT_R5G6B5);
    EXPECT_EQ(d3d->CheckDeviceType(0, D3DDEVTYPE_HAL, D3DFMT_R5G6B5, D3DFMT_R5G6B5, TRUE), D3D_OK);
    EXPECT_EQ(d3d->CheckDeviceType(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8, TRUE),
              D3DERR_NOTAVAILABLE);
    d3d->Release();
}

}  // namespace

namespace {

// A full-screen device switches the display to its mode and gives the
// desktop back when it goes.
TEST(D3D9Creation, FullScreenDeviceSwitchesTheDisplay) {
    IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
    DEVMODEA before{};
    before.dmSize = sizeof before;
    ASSERT_TRUE(EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &before));
    D3DPRESENT_PARAMETERS pp = Windowed(800, 600);
    pp.Windowed = FALSE;
    pp.BackBufferFormat = D3DFMT_R5G6B5;
    IDirect3DDevice9* dev = nullptr;
    ASSERT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, TestWindow(),
                                D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp, &dev),
              D3D_OK);
    DEVMODEA now{};
    now.dmSize = sizeof now;
    ASSERT_TRUE(EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &now));
    EXPECT_EQ(now.dmPelsWidth, 800u);
    EXPECT_EQ(now.dmBitsPerPel, 16u);
    D3DPRESENT_PARAMETERS windowed = Windowed(64, 64);
    ASSERT_EQ(dev->Reset(&windowed), D3D_OK);
    ASSERT_TRUE(EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &now));
    EXPECT_EQ(now.dmPelsWidth, before.dmPelsWidth);
    dev->Release();
    d3d->Release();
}

}  // namespace
