// Graphics start-up, screen modes, device re-creation and the restore of
// every graphic.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "../decoders/picture_corpus.h"
#include "DuRud.h"
#include "core/engine_lifecycle.h"
#include "core/handle_manager.h"
#include "core/log.h"
#include "core/tracked_memory.h"
#include "files/file_access_table.h"
#include "graphics/device_layer.h"
#include "graphics/device_setup.h"
#include "graphics/display_modes.h"
#include "graphics/draw_settings.h"
#include "graphics/graphic_handles.h"
#include "graphics/graphics_startup.h"
#include "graphics/lights.h"
#include "graphics/screen_state.h"
#include "graphics_fixture.h"
#include "image/pixel_conversion.h"
#include "support/test_support.h"
#include "test_knobs.h"
#include "window/window_state.h"

using namespace DuRud;
using namespace graphicstest;

namespace {

class GraphicsStartup : public ::testing::Test {
  protected:
    void SetUp() override {
        kept_ = GetScreenState();
        logFolder_ = GetLogFolder();
        SetLogFolder("");
    }
    void TearDown() override {
        StopDevice();
        SetRestoreCallback(nullptr);
        SetUseAsyncLoad(0);
        GetScreenState() = kept_;
        SetLogFolder(logFolder_.c_str());
    }
    ScreenState kept_{};
    std::string logFolder_;
};

bool Registered(int type) {
    const HandleTypeRecord* t = GetHandleTypeRecord(type);
    return t && t->initialised;
}

TEST_F(GraphicsStartup, TwiceIsOnceAndAStartAfterAnEndLeavesNothing) {
    KnobD3D9ShaderVersions(0, 0);
    ASSERT_EQ(0, StartDevice());
    for (int type : {1, 12, 15, 16}) EXPECT_TRUE(Registered(type)) << type;
    EXPECT_EQ(0, GetHandleTypeRecord(HandleTypeGraphic)->count) << "no probe graphic";
    const Handle kept = CreateDrawableGraphic(16, 16, 0);
    EXPECT_EQ(0, StartGraphics());
    EXPECT_EQ(1, IsGraphicValid(kept)) << "the second start changes nothing";

    EXPECT_EQ(0, EndGraphics());
    EXPECT_EQ(0, EndGraphics()) << "twice is harmless";
    for (int type : {1, 12, 15, 16}) EXPECT_FALSE(Registered(type)) << type;
    EXPECT_EQ(0, KnobD3D9LiveCount(nullptr));
    EXPECT_EQ(-1, GetLightTable().defaultLight);
    const int blocks = MemGetCount();
    ASSERT_EQ(0, StartGraphics());
    ASSERT_EQ(0, EndGraphics());
    EXPECT_EQ(blocks, MemGetCount());
    EXPECT_EQ(0, KnobD3D9LiveCount(nullptr));
    ASSERT_EQ(0, StartGraphics());  // for the fixture's end
}

TEST_F(GraphicsStartup, EndDeletesLightsShadersAndBuffers) {
    ASSERT_EQ(0, StartDevice());
    const Handle light = CreateDirectionalLight(0, 0, 1);
    ASSERT_NE(-1, light);
    const Handle buffer = AddHandle(HandleTypeVertexBuffer, -1);
    ASSERT_NE(-1, buffer);
    EXPECT_EQ(0, EndGraphics());
    EXPECT_EQ(nullptr, GetLightRecord(light));
    EXPECT_EQ(0, GetLightTable().count);
    EXPECT_EQ(nullptr, GetHandleRecord(buffer));
    ASSERT_EQ(0, StartGraphics());
}

struct BadMode {
    const char* name;
    int width, height, bits;
};

TEST_F(GraphicsStartup, RefusedModesChangeNothing) {
    ASSERT_EQ(0, StartDevice());
    IDirect3DDevice9* device = GetDeviceLayer().device;
    for (const BadMode& m :
         {BadMode{"NoWidth", 0, 480, 16}, BadMode{"TwentyFourBits", 640, 480, 24},
          BadMode{"NegativeHeight", 640, -1, 32}}) {
        EXPECT_EQ(-1, SetScreenMode(m.width, m.height, m.bits, 0)) << m.name;
        EXPECT_EQ(800, GetScreenState().screenWidth) << m.name;
        EXPECT_EQ(32, GetScreenState().colorBits) << m.name;
        EXPECT_EQ(device, GetDeviceLayer().device) << m.name;
    }
}

TEST_F(GraphicsStartup, BeforeStartUpAModeIsOnlyStored) {
    GetScreenState() = ScreenState{};
    EXPECT_EQ(0, SetScreenMode(1024, 768, 16, 75));
    EXPECT_EQ(1024, GetScreenState().screenWidth);
    EXPECT_EQ(768, GetScreenState().screenHeight);
    EXPECT_EQ(16, QueryColorBits());
    EXPECT_EQ(75, QueryRefreshRate());
    EXPECT_EQ(0, GetScreenState().started);
    EXPECT_EQ(0, KnobD3D9LiveCount(nullptr));
}

TEST_F(GraphicsStartup, FullScreen320x240IsDrawnOn640x480) {
    ScreenSettings settings;
    settings.windowed = false;
    settings.width = 640;
    settings.height = 480;
    ASSERT_EQ(0, StartEngine(settings));
    StoreScreenSize(320, 240);
    ASSERT_EQ(0, StartGraphics());
    int width = 0, height = 0;
    QueryDrawSize(&width, &height);
    EXPECT_EQ(640, GetScreenState().screenWidth);
    EXPECT_EQ(480, GetScreenState().screenHeight);
    EXPECT_EQ(320, width);
    EXPECT_EQ(240, height);
    EXPECT_EQ(1, GetScreenState().autoEmulate320x240);
}

// The engine's own start-up turns the unlisted 320 x 240 full screen into
// the doubled 640 x 480 one; back in a window the picture is 320 x 240 again.
TEST_F(GraphicsStartup, Leaving320x240FullScreenGivesTheWindowItsOwnSize) {
    ScreenSettings settings;
    settings.windowed = false;
    settings.width = 320;
    settings.height = 240;
    ASSERT_EQ(0, StartDevice(settings));
    ASSERT_EQ(640, GetScreenState().screenWidth);
    ASSERT_EQ(0, ChangeWindowMode(TRUE));
    int width = 0, height = 0;
    QueryDrawSize(&width, &height);
    EXPECT_EQ(std::pair(320, 240), std::pair(width, height));
    EXPECT_EQ(std::pair(320, 240),
              std::pair(GetScreenState().screenWidth, GetScreenState().screenHeight));
    EXPECT_EQ(0, GetEmulate320x240());
}

TEST_F(GraphicsStartup, ForcedModeChangeRebuildsInTheSameMode) {
    ASSERT_EQ(0, StartDevice());
    ASSERT_EQ(0, SelectDrawTarget(-2));
    EXPECT_EQ(0, ChangeScreenMode(-1, -1, -1, 1, -1));
    EXPECT_TRUE(LogHasInOrder(
        {"画面モード変更処理を開始します\n", "画面モード変更処理は正常に終了しました\n"}));
    EXPECT_EQ(800, GetScreenState().screenWidth);
    EXPECT_EQ(600, GetScreenState().screenHeight);
    EXPECT_EQ(32, GetScreenState().colorBits);
    EXPECT_EQ(0, GetScreenState().modeChangeRunning);
    EXPECT_EQ(-2, QueryDrawTarget());
    IDirect3DSurface9* target = nullptr;
    ASSERT_EQ(D3D_OK, GetDeviceLayer().device->GetRenderTarget(0, &target));
    EXPECT_EQ(GetDeviceResources().backBuffer, target) << "the target selected again";
    target->Release();
}

struct DesktopChange {
    const char* name;
    int bits, width, height;
    int closes;
};

// A desktop change is measured against the screen graphics runs in (here
// 640 x 480 drawn as 320 x 240), not against the draw size.
TEST_F(GraphicsStartup, ADesktopSmallerThanTheScreenEndsTheProgram) {
    ScreenSettings settings;
    settings.width = 640;
    settings.height = 480;
    settings.emulate320x240 = 1;
    ASSERT_EQ(0, StartDevice(settings));
    for (const DesktopChange& c : {DesktopChange{"LargerDesktop", 32, 1024, 768, 0},
                                   DesktopChange{"SameAsTheScreen", 32, 640, 480, 0},
                                   DesktopChange{"SmallerThanTheScreen", 32, 400, 300, 1}}) {
        WindowState().closing = 0;
        SendMessageA(MainWindow(), WM_DISPLAYCHANGE, c.bits, MAKELPARAM(c.width, c.height));
        EXPECT_EQ(c.closes, WindowState().closing) << c.name;
    }
    WindowState().closing = 0;
}

// --- re-creation -------------------------------------------------------------------

void LoseAndRestart() {
    KnobD3D9LoseDevices();
    KnobD3D9RegainDevices();
    ASSERT_EQ(1, IsDeviceLost());
    ASSERT_EQ(0, RestartDevice());
    ASSERT_EQ(0, IsDeviceLost());
}

// Without shaders, mode 12 modulates the box's colour by the engine's 8 x 8
// white graphic, four times over: (40, 30, 20) shows as (160, 120, 80), after
// a rebuilt device as before it.
TEST_F(GraphicsStartup, ColourTimesFourBoxesKeepTheirColourAfterADeviceLoss) {
    KnobD3D9ShaderVersions(0, 0);
    ASSERT_EQ(0, StartDevice(WithHandles()));
    ASSERT_EQ(0, SelectDrawTarget(-2));
    const uint32_t colour = MakeColorValue(40, 30, 20);
    SetBlendMode(12, 255);
    ASSERT_EQ(0, DrawBoxShape(0, 0, 8, 8, colour, 1));
    EXPECT_EQ(0xA07850u, BackBufferPixel(4, 4) & 0xFFFFFF);
    LoseAndRestart();
    SetBlendMode(12, 255);
    ASSERT_EQ(0, DrawBoxShape(0, 0, 8, 8, colour, 1));
    EXPECT_EQ(0xA07850u, BackBufferPixel(4, 4) & 0xFFFFFF);
}

TEST_F(GraphicsStartup, StateReachesTheNewDevice) {
    ASSERT_EQ(0, StartDevice(WithHandles()));
    const Handle target = CreateDrawableGraphic(200, 100, 0);
    ASSERT_EQ(0, SelectDrawTarget(target));
    ASSERT_EQ(0, SetDrawClip(10, 20, 110, 70));
    ASSERT_EQ(0, SetSamplingMode(1));
    ASSERT_EQ(0, SetBlendMode(1, 100));
    ASSERT_EQ(0, SetBrightness(10, 20, 30));
    ASSERT_EQ(0, SetUseZBuffer(1));
    Mat4 world{};
    MakeIdentityMatrix(&world);
    world.m[3][0] = 7;
    ASSERT_EQ(0, SetWorldMatrix(&world));
    TerminateLights();
    CreateDirectionalLight(0, 0, 1);
    ApplyLights();
    const IDirect3DDevice9* old = GetDeviceLayer().device;
    LoseAndRestart();
    IDirect3DDevice9* device = GetDeviceLayer().device;
    ASSERT_NE(nullptr, device);
    EXPECT_EQ(1, KnobD3D9LiveCount("Device")) << "the old device " << old << " released";
    IDirect3DSurface9* rt = nullptr;
    ASSERT_EQ(D3D_OK, device->GetRenderTarget(0, &rt));
    EXPECT_EQ(GraphicFromHandle(target, 0)->image->tiles[0].surface, rt) << "draw target";
    rt->Release();
    D3DVIEWPORT9 viewport{};
    device->GetViewport(&viewport);
    EXPECT_EQ((std::vector<DWORD>{10, 20, 100, 50}),
              (std::vector<DWORD>{viewport.X, viewport.Y, viewport.Width, viewport.Height}))
        << "clip";
    DWORD value = 0;
    device->GetSamplerState(0, D3DSAMP_MAGFILTER, &value);
    EXPECT_EQ(static_cast<DWORD>(D3DTEXF_LINEAR), value) << "sampling";
    device->GetRenderState(D3DRS_ZENABLE, &value);
    EXPECT_EQ(static_cast<DWORD>(TRUE), value) << "z-buffer";
    D3DMATRIX m{};
    device->GetTransform(D3DTS_WORLD, &m);
    EXPECT_EQ(7.0f, m._41) << "world matrix";
    D3DLIGHT9 light{};
    ASSERT_EQ(D3D_OK, device->GetLight(0, &light));
    EXPECT_EQ(1.0f, light.Direction.z) << "lights";
    EXPECT_EQ(target, QueryDrawTarget());
    EXPECT_EQ(0x640A141Eu, DrawDiffuseColor()) << "blend and brightness kept";
}

int g_callbackRuns = 0;
int g_asyncDuringCallback = -1;
int CountingRestore() {
    ++g_callbackRuns;
    g_asyncDuringCallback = GetUseAsyncLoad();
    return 0;
}

std::string SolidPng(int width, int height, uint32_t rgb) {
    decodertest::PngSpec spec;
    spec.width = width;
    spec.height = height;
    for (int y = 0; y < height; ++y) {
        std::string row;
        for (int x = 0; x < width; ++x)
            row +=
                {static_cast<char>(rgb >> 16), static_cast<char>(rgb >> 8), static_cast<char>(rgb)};
        spec.rows.push_back(row);
    }
    return decodertest::EncodePng(spec);
}

TEST_F(GraphicsStartup, ACustomRestoreReplacesTheReloadUntilCleared) {
    ASSERT_EQ(0, StartDevice(WithHandles()));
    testsupport::WriteFile("a.png", SolidPng(8, 8, 0x102030));
    g_callbackRuns = 0;
    SetRestoreCallback(CountingRestore);
    SetUseAsyncLoad(1);
    const Handle queued = LoadGraphic("a.png");
    ASSERT_NE(-1, queued);
    LoseAndRestart();
    EXPECT_EQ(0, IsHandleAsyncPending(queued)) << "the queued load finished first";
    EXPECT_EQ(1, g_callbackRuns);
    EXPECT_EQ(0, g_asyncDuringCallback) << "asynchronous loading off meanwhile";
    EXPECT_EQ(1, GetUseAsyncLoad()) << "and on again";
    EXPECT_FALSE(LogHasInOrder({"グラフィックを復帰します\n"}));
    SetRestoreCallback(nullptr);
    LoseAndRestart();
    EXPECT_EQ(1, g_callbackRuns);
    EXPECT_TRUE(LogHasInOrder({"グラフィックを復帰します\n"}));
    EXPECT_EQ(0xFF102030u, ShownPixel(queued, 3, 3));
}

// Counts the file opens that go through the file-access table.
int g_opens = 0;
StreamFunctionTable g_counting{};
StreamHandle (*g_realOpen)(const char*, int, int, int) = nullptr;
StreamHandle CountingOpen(const char* path, int useCache, int blockRead, int asyncRead) {
    if (std::strstr(path, "sheet.png")) ++g_opens;
    return g_realOpen(path, useCache, blockRead, asyncRead);
}

uint32_t Cell(int x, int y) {
    return 0xFF000000u | static_cast<uint32_t>(x * 4) << 16 | static_cast<uint32_t>(y * 4) << 8 |
           0x40;
}

TEST_F(GraphicsStartup, DividedPicturesReloadFromOneOpenAndAMissingFileIsLogged) {
    ASSERT_EQ(0, StartDevice(WithHandles()));
    decodertest::PngSpec spec;
    spec.width = 64;
    spec.height = 40;
    for (int y = 0; y < 40; ++y) {
        std::string row;
        for (int x = 0; x < 64; ++x) {
            const uint32_t c = Cell(x, y);
            row += {static_cast<char>(c >> 16), static_cast<char>(c >> 8), static_cast<char>(c)};
        }
        spec.rows.push_back(row);
    }
    testsupport::WriteFile("sheet.png", decodertest::EncodePng(spec));
    testsupport::WriteFile("gone.png", SolidPng(4, 4, 0x808080));
    Handle pieces[40];
    ASSERT_EQ(0, LoadDividedGraphic("sheet.png", 40, 8, 5, 8, 8, pieces));
    const Handle gone = LoadGraphic("gone.png");
    ASSERT_NE(-1, gone);
    BaseImage image{};
    CreateX8R8G8B8BaseImage(4, 4, &image);
    SetBaseImagePixel(&image, 1, 1, 9, 8, 7, 255);
    const Handle kept = NewGraphicFromBaseImage(&image, nullptr);
    FreeBaseImagePixels(&image);
    ASSERT_EQ(0, std::remove("gone.png"));

    g_counting = *GetStreamFunctionTable();
    g_realOpen = g_counting.Open;
    g_counting.Open = CountingOpen;
    g_opens = 0;
    SetStreamFunctionTable(&g_counting);
    LoseAndRestart();
    SetStreamFunctionTable(nullptr);
    EXPECT_EQ(1, g_opens) << "the sheet is read once for its forty pieces";
    EXPECT_TRUE(LogHasInOrder({"グラフィックを復帰します\n",
                               "ファイル:", "gone.png がロードできませんでした",
                               "グラフィックの復帰が完了しました\n"}));
    for (int k : {0, 9, 39})
        EXPECT_EQ(Cell(k % 8 * 8 + 3, k / 8 * 8 + 5), ShownPixel(pieces[k], 3, 5)) << k;
    EXPECT_EQ(0xFF090807u, ShownPixel(kept, 1, 1)) << "a kept image restores too";
}

TEST_F(GraphicsStartup, TheSoftwareRendererKeepsItsPicturesOverARestart) {
    ScreenSettings settings = WithHandles();
    settings.softwareForced = 1;
    ASSERT_EQ(0, StartDevice(settings));
    const Handle g = SolidGraphic(8, 8, 0xFF336699);
    ASSERT_EQ(0, RestartDevice());
    EXPECT_EQ(1, IsSoftwareRenderer());
    EXPECT_EQ(0xFF336699u, ShownPixel(g, 4, 4));
}

TEST_F(GraphicsStartup, AFullScreenWindowGivesTheDeviceUpWhileAway) {
    ASSERT_EQ(0, StartDevice(FullScreenWithHandles()));
    const Handle g = SolidGraphic(8, 8, 0xFF336699);
    KnobWindowEvent(MainWindow(), KnobWindowEventKind::FocusLost);
    for (int pass = 0; pass < 100 && KnobD3D9LiveCount("Device") != 0; ++pass) PumpWindowMessages();
    EXPECT_EQ(0, KnobD3D9LiveCount("Device")) << "released while away";
    EXPECT_EQ(0, GetScreenState().displayModeChanged) << "the desktop mode is back";
    KnobWindowEvent(MainWindow(), KnobWindowEventKind::Restore);
    KnobWindowEvent(MainWindow(), KnobWindowEventKind::FocusGained);
    for (int pass = 0; pass < 100 && KnobD3D9LiveCount("Device") != 1; ++pass) PumpWindowMessages();
    EXPECT_TRUE(LogHasInOrder({"Direct3DDevice9 の解放", "グラフィックを復帰します\n",
                               "グラフィックの復帰が完了しました\n"}));
    EXPECT_EQ(0, IsSoftwareRenderer());
    EXPECT_EQ(1, KnobD3D9LiveCount("Device"));
    EXPECT_EQ(0xFF336699u, ShownPixel(g, 4, 4)) << "the same pixels";
}

// Full screen at 800 x 600; then the display forgets modes the engine
// listed already, so the mode change finds them refused.
void StartFullScreenAndDrop(const char* left) {
    ASSERT_TRUE(KnobDisplayModes("640x480x16,640x480x32,800x600x32,1024x768x32"));
    ScreenSettings settings;
    settings.windowed = false;
    ASSERT_EQ(0, StartDevice(settings));
    ASSERT_EQ(1, IsDisplayModeAvailable(1024, 768, 32));
    ASSERT_TRUE(KnobDisplayModes(left));
}

TEST_F(GraphicsStartup, AFullScreenModeChangeFallsBack) {
    StartFullScreenAndDrop("640x480x16,640x480x32,800x600x32");
    EXPECT_EQ(0, SetScreenMode(640, 480, 32, 0)) << "a mode the display has";
    EXPECT_EQ(640, GetScreenState().screenWidth);
    EXPECT_EQ(-1, SetScreenMode(1024, 768, 32, 0)) << "dropped: back to the old mode";
    EXPECT_EQ(640, GetScreenState().screenWidth);
    EXPECT_EQ(0, IsSoftwareRenderer());
}

using GraphicsStartupDeathTest = GraphicsStartup;

TEST_F(GraphicsStartupDeathTest, ARebuildWithoutDirect3DEndsTheProgram) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            KnobDebugOutputToStderr(true);  // the log's lines, as UTF-8
            if (StartDevice() != 0) std::exit(3);
            KnobD3D9LoseDevices();
            KnobD3D9RegainDevices();
            KnobD3D9FailCreateDeviceEx(100);
            KnobD3D9FailCreateDevice(100);
            RestartDevice();
            std::exit(4);
        },
        testing::ExitedWithCode(255), "Direct3D デバイスの再作成に失敗しました");
    ASSERT_EQ(0, StartDevice());  // for the fixture's end
}

}  // namespace
