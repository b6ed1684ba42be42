// Pictures presented by the layer reach the X server's screen: the software
// present (a DIB set into the window) and the Direct3D device's Present at
// 800 x 600, and a full-screen pop-up scaled onto the whole screen.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "d3d9.h"
#include "test_knobs.h"
#include "support/window_test_support.h"
#include "windows.h"
#include "x_server.h"

using windowtest::MakeWindow;
using windowtest::PumpAll;

namespace {

// 8 x 8 blocks of colours that differ in every channel from block to block.
uint32_t Block(int x, int y) {
    const uint32_t bx = static_cast<uint32_t>(x / 8), by = static_cast<uint32_t>(y / 8);
    return ((bx * 37) & 0xFF) << 16 | ((by * 53) & 0xFF) << 8 | ((bx * 11 + by * 29) & 0xFF);
}

std::vector<uint32_t> BlockPicture(int width, int height) {
    std::vector<uint32_t> pixels;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) pixels.push_back(Block(x, y));
    return pixels;
}

void SetPicture(HWND window, const std::vector<uint32_t>& pixels, int width, int height) {
    const windowtest::DibInfo info = windowtest::MakeInfo(width, -height, 32);  // top row first
    HDC dc = GetDC(window);
    ASSERT_EQ(SetDIBitsToDevice(dc, 0, 0, width, height, 0, 0, 0, height, pixels.data(), info.get(),
                                DIB_RGB_COLORS),
              height);
    ReleaseDC(window, dc);
}

std::vector<uint32_t> ClientOnScreen(HWND window, int width, int height) {
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    return xtest::ReadScreen(origin.x, origin.y, width, height);
}

bool Within1(uint32_t a, uint32_t b) {
    for (int shift = 0; shift < 24; shift += 8) {
        if (std::abs(static_cast<int>((a >> shift) & 0xFF) -
                     static_cast<int>((b >> shift) & 0xFF)) > 1)
            return false;
    }
    return true;
}

}  // namespace

TEST(XScreen, SoftwarePresentShowsThePictureExactly) {
    SKIP_WITHOUT_X_SERVER();
    HWND window = MakeWindow(800, 600);
    ASSERT_NE(window, nullptr);
    PumpAll();
    const std::vector<uint32_t> picture = BlockPicture(800, 600);
    SetPicture(window, picture, 800, 600);
    PumpAll();
    EXPECT_EQ(ClientOnScreen(window, 800, 600), picture);
    DestroyWindow(window);
}

TEST(XScreen, Direct3DPresentShowsTheBackBufferExactly) {
    SKIP_WITHOUT_X_SERVER();
    HWND window = MakeWindow(800, 600);
    ASSERT_NE(window, nullptr);
    IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
    ASSERT_NE(d3d, nullptr);
    D3DPRESENT_PARAMETERS pp{};
    pp.BackBufferWidth = 800;
    pp.BackBufferHeight = 600;
    pp.BackBufferCount = 1;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.hDeviceWindow = window;
    pp.Windowed = TRUE;
    pp.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
    IDirect3DDevice9* device = nullptr;
    ASSERT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, window, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp,
                                &device),
              D3D_OK);
    // Four quarters of four colours.
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF102030, 1.f, 0), D3D_OK);
    const D3DRECT quarters[] = {{400, 0, 800, 300}, {0, 300, 400, 600}, {400, 300, 800, 600}};
    const D3DCOLOR colours[] = {0xFFF0E0D0, 0xFF00FF7F, 0xFF806040};
    for (int i = 0; i < 3; ++i)
        ASSERT_EQ(device->Clear(1, &quarters[i], D3DCLEAR_TARGET, colours[i], 1.f, 0), D3D_OK);
    ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    PumpAll();
    const std::vector<uint32_t> screen = ClientOnScreen(window, 800, 600);
    ASSERT_EQ(screen.size(), 800u * 600u);
    size_t wrong = 0;
    for (int y = 0; y < 600; ++y)
        for (int x = 0; x < 800; ++x) {
            const uint32_t want =
                y < 300 ? (x < 400 ? 0x102030u : 0xF0E0D0u) : (x < 400 ? 0x00FF7Fu : 0x806040u);
            wrong += screen[static_cast<size_t>(y) * 800 + x] != want;
        }
    EXPECT_EQ(wrong, 0u);
    device->Release();
    d3d->Release();
    DestroyWindow(window);
}

TEST(XScreen, FullScreenPopUpIsScaledWithItsAspectKept) {
    SKIP_WITHOUT_X_SERVER();
    HWND window = CreateWindowExA(0, windowtest::RecordingClass(), "full", WS_POPUP, 0, 0, 640, 480,
                                  nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    ShowWindow(window, SW_SHOW);
    ASSERT_TRUE(KnobDisplayModes("640x480x32"));
    DEVMODEA mode{};
    mode.dmSize = sizeof(mode);
    mode.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT | DM_BITSPERPEL;
    mode.dmPelsWidth = 640;
    mode.dmPelsHeight = 480;
    mode.dmBitsPerPel = 32;
    ASSERT_EQ(ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN), DISP_CHANGE_SUCCESSFUL);
    PumpAll();
    const std::vector<uint32_t> picture = BlockPicture(640, 480);
    SetPicture(window, picture, 640, 480);
    // 640 x 480 on 1280 x 1024: twice the size, 1280 x 960, 32 black rows above and below.
    auto wrongPixels = [] {
        const std::vector<uint32_t> screen = xtest::ReadScreen(0, 0, 1280, 1024);
        if (screen.size() != 1280u * 1024u) return screen.size() + 1;
        size_t wrong = 0;
        for (int y = 0; y < 1024; ++y)
            for (int x = 0; x < 1280; ++x) {
                const uint32_t got = screen[static_cast<size_t>(y) * 1280 + x];
                const int px = x / 2, py = (y - 32) / 2;
                if (y < 32 || y >= 992) {
                    wrong += got != 0;
                } else if (px % 8 != 0 && px % 8 != 7 && py % 8 != 0 && py % 8 != 7) {
                    // Inside a block, away from the edges a scaler may blend.
                    wrong += !Within1(got, Block(px, py));
                }
            }
        return wrong;
    };
    size_t wrong = 0;
    xtest::PumpUntil([&] { return (wrong = wrongPixels()) == 0; });
    EXPECT_EQ(wrong, 0u);
    DestroyWindow(window);
    ChangeDisplaySettingsA(nullptr, 0);
}
