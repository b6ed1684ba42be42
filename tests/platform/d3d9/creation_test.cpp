// Creating the Direct3D objects and devices: versions, desktop formats,
// full-screen modes and refusals. The failure knobs are exercised through the
// engine's device set-up, which depends on them.
#include <functional>

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
        D3DPRESENT_PARAMETERS pp = Windowed(32, 16);
        IDirect3DDevice9* dev = nullptr;
        ASSERT_EQ(Create(d3d, &pp, &dev), D3D_OK);
        EXPECT_EQ(DWORD(pp.BackBufferFormat), desktop);
        IDirect3DSurface9* back = nullptr;
        ASSERT_EQ(dev->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back), D3D_OK);
        D3DSURFACE_DESC desc{};
        back->GetDesc(&desc);
        EXPECT_EQ(DWORD(desc.Format), desktop);
        ReleaseAll(back, dev, d3d);
    }
}

// Each row changes one thing in good windowed parameters; nothing is made.
TEST(D3D9Creation, BadParametersAreRefused) {
    using Change = std::function<void(D3DPRESENT_PARAMETERS&)>;
    struct Row {
        const char* name;
        Change change;
    };
    const Row rows[] = {
        {"multisampling", [](auto& p) { p.MultiSampleType = D3DMULTISAMPLE_4_SAMPLES; }},
        {"COPY with two back buffers", [](auto& p) { p.BackBufferCount = 2; }},
        {"windowed refresh rate", [](auto& p) { p.FullScreen_RefreshRateInHz = 60; }},
        {"colour format for depth",
         [](auto& p) {
             p.EnableAutoDepthStencil = TRUE;
             p.AutoDepthStencilFormat = D3DFMT_X8R8G8B8;
         }},
        {"full screen outside the mode list",
         [](auto& p) {
             p = Windowed(641, 480);
             p.Windowed = FALSE;
             p.BackBufferFormat = D3DFMT_X8R8G8B8;
         }},
        {"full screen at an unlisted rate",
         [](auto& p) {
             p = Windowed(640, 480);
             p.Windowed = FALSE;
             p.BackBufferFormat = D3DFMT_X8R8G8B8;
             p.FullScreen_RefreshRateInHz = 59;
         }},
    };
    IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
    IDirect3DDevice9* dev = nullptr;
    for (const Row& row : rows) {
        D3DPRESENT_PARAMETERS pp = Windowed(64, 64);
        row.change(pp);
        EXPECT_EQ(Create(d3d, &pp, &dev), D3DERR_INVALIDCALL) << row.name;
    }
    D3DPRESENT_PARAMETERS pp = Windowed(64, 64);
    const DWORD sw = D3DCREATE_SOFTWARE_VERTEXPROCESSING;
    EXPECT_EQ(d3d->CreateDevice(1, D3DDEVTYPE_HAL, TestWindow(), sw, &pp, &dev),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_REF, TestWindow(), sw, &pp, &dev),
              D3DERR_NOTAVAILABLE);
    EXPECT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, TestWindow(), 0, &pp, &dev), D3DERR_INVALIDCALL);
    EXPECT_EQ(Create(d3d, nullptr, &dev), D3DERR_INVALIDCALL);
    EXPECT_EQ(Create(d3d, &pp, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev, nullptr);
    d3d->Release();
    EXPECT_EQ(KnobD3D9LiveCount(nullptr), 0);
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
    ReleaseAll(dev, ex);
}

TEST(D3D9Creation, CapabilitiesAndAdapterRefusals) {
    IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
    D3DCAPS9 caps{};
    ASSERT_EQ(d3d->GetDeviceCaps(0, D3DDEVTYPE_HAL, &caps), D3D_OK);
    EXPECT_EQ(caps.TextureCaps & (D3DPTEXTURECAPS_POW2 | D3DPTEXTURECAPS_SQUAREONLY |
                                  D3DPTEXTURECAPS_NONPOW2CONDITIONAL),
              0u);
    // Shader model 2.0 by default.
    EXPECT_EQ(caps.VertexShaderVersion, 0xFFFE0200u);
    EXPECT_EQ(caps.PixelShaderVersion, 0xFFFF0200u);
    KnobD3D9BlendOp(false);
    KnobD3D9TssArgTemp(false);
    ASSERT_EQ(d3d->GetDeviceCaps(0, D3DDEVTYPE_HAL, &caps), D3D_OK);
    EXPECT_FALSE(caps.PrimitiveMiscCaps & (D3DPMISCCAPS_BLENDOP | D3DPMISCCAPS_TSSARGTEMP));
    EXPECT_EQ(d3d->GetDeviceCaps(0, D3DDEVTYPE_HAL, nullptr), D3DERR_INVALIDCALL);
    D3DADAPTER_IDENTIFIER9 id{};
    EXPECT_EQ(d3d->GetAdapterIdentifier(1, 0, &id), D3DERR_INVALIDCALL);
    DWORD levels = 0;
    EXPECT_EQ(d3d->CheckDeviceMultiSampleType(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, TRUE,
                                              D3DMULTISAMPLE_2_SAMPLES, &levels),
              D3DERR_NOTAVAILABLE);
    d3d->Release();
}

// The adapter's modes and desktop come from the window stand-in's display.
TEST(D3D9Creation, ModesFollowTheDisplay) {
    ASSERT_TRUE(KnobDisplayModes("640x480x16@60,800x600x32@60,1024x768x32@60"));
    KnobDesktopBits(16);
    IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
    EXPECT_EQ(d3d->GetAdapterModeCount(0, D3DFMT_R5G6B5), 1u);
    EXPECT_EQ(d3d->GetAdapterModeCount(0, D3DFMT_X8R8G8B8), 2u);
    EXPECT_EQ(d3d->GetAdapterModeCount(0, D3DFMT_A8R8G8B8), 0u);
    D3DDISPLAYMODE mode{};
    ASSERT_EQ(d3d->EnumAdapterModes(0, D3DFMT_X8R8G8B8, 1, &mode), D3D_OK);
    EXPECT_EQ(mode.Width, 1024u);
    EXPECT_EQ(d3d->EnumAdapterModes(0, D3DFMT_X8R8G8B8, 2, &mode), D3DERR_INVALIDCALL);
    ASSERT_EQ(d3d->GetAdapterDisplayMode(0, &mode), D3D_OK);
    EXPECT_EQ(mode.Format, D3DFMT_R5G6B5);
    EXPECT_EQ(d3d->CheckDeviceType(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8, TRUE),
              D3DERR_NOTAVAILABLE);
    d3d->Release();
}

// A full-screen device switches the display to its mode and gives the
// desktop back when it goes windowed.
TEST(D3D9Creation, FullScreenDeviceSwitchesTheDisplay) {
    IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
    DEVMODEA before{}, now{};
    before.dmSize = now.dmSize = sizeof before;
    ASSERT_TRUE(EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &before));
    D3DPRESENT_PARAMETERS pp = Windowed(800, 600);
    pp.Windowed = FALSE;
    pp.BackBufferFormat = D3DFMT_R5G6B5;
    IDirect3DDevice9* dev = nullptr;
    ASSERT_EQ(Create(d3d, &pp, &dev), D3D_OK);
    ASSERT_TRUE(EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &now));
    EXPECT_EQ(now.dmPelsWidth, 800u);
    EXPECT_EQ(now.dmBitsPerPel, 16u);
    D3DPRESENT_PARAMETERS windowed = Windowed(64, 64);
    ASSERT_EQ(dev->Reset(&windowed), D3D_OK);
    ASSERT_TRUE(EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &now));
    EXPECT_EQ(now.dmPelsWidth, before.dmPelsWidth);
    ReleaseAll(dev, d3d);
}

}  // namespace
