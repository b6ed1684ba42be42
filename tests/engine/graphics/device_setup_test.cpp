// The screen device comes up in the chosen mode with the module's
// fall-backs, ends on the software renderer whenever Direct3D cannot serve,
// chooses its formats and device-wide resources, and leaves nothing behind.
#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <vector>

#include "DuRud.h"
#include "graphics/brightness_volume.h"
#include "graphics/device_layer.h"
#include "graphics/device_setup.h"
#include "graphics/screen_state.h"
#include "graphics/work_textures.h"
#include "graphics_fixture.h"
#include "test_knobs.h"

using namespace DuRud;
using namespace graphicstest;

namespace {

struct DesktopCase {
    const char* name;
    DWORD desktopFormat;
    int colorBits;
};
void PrintTo(const DesktopCase& c, std::ostream* os) {
    *os << c.name;
}

class WindowedBringUp : public ::testing::TestWithParam<DesktopCase> {};

TEST_P(WindowedBringUp, MakesAnExDeviceInTheDesktopFormat) {
    KnobD3D9ShaderVersions(0, 0);
    KnobD3D9DesktopFormat(GetParam().desktopFormat);
    ASSERT_EQ(0, StartDevice());
    const DeviceLayerState& d = GetDeviceLayer();
    ASSERT_NE(nullptr, d.deviceEx);
    EXPECT_EQ(1, GetScreenState().useDirect3D);
    EXPECT_EQ(GetParam().colorBits, GetScreenState().colorBits);
    D3DPRESENT_PARAMETERS pp{};
    ASSERT_EQ(D3D_OK, d.swapChain->GetPresentParameters(&pp));
    EXPECT_EQ(800u, pp.BackBufferWidth);
    EXPECT_EQ(600u, pp.BackBufferHeight);
    EXPECT_EQ(static_cast<D3DFORMAT>(GetParam().desktopFormat), pp.BackBufferFormat);
    EXPECT_EQ(static_cast<DWORD>(D3DPRESENTFLAG_LOCKABLE_BACKBUFFER), pp.Flags);
    EXPECT_EQ(D3DSWAPEFFECT_COPY, pp.SwapEffect);
    EXPECT_EQ(static_cast<UINT>(D3DPRESENT_INTERVAL_ONE), pp.PresentationInterval);
    EXPECT_EQ(1, KnobDesktopComposition());
    EXPECT_TRUE(LogHasInOrder(
        {"DirectDraw オブジェクトの取得を行います....  ", "成功\n", "初期化に成功しました\n",
         "IDirect3D9Ex オブジェクトを取得します.... ", "成功\n",
         "IDirect3DDevice9Ex オブジェクトを取得します.... ", "ソフトウエア頂点演算を使用します\n",
         "成功\n", "Driver:", "画面のフォーマットは", "Ｚバッファのフォーマットは D3DFMT_D16 です",
         "16bit カラーフォーマットは D3DFMT_R5G6B5 です", "最大テクスチャサイズ",
         "ピクセルシェーダーバージョンコード：0", "Ｚバッファを作成します.... ", "成功\n",
         "プログラマブルシェーダーを使用しません\n"}));
    StopDevice();
}

INSTANTIATE_TEST_SUITE_P(Desktops, WindowedBringUp,
                         ::testing::Values(DesktopCase{"X8R8G8B8", D3DFMT_X8R8G8B8, 32},
                                           DesktopCase{"R5G6B5", D3DFMT_R5G6B5, 16}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(DeviceBringUp, RetriesAfterRefusals) {
    // The Ex device fails twice: -2, then a plain device; Ex stays disabled.
    KnobD3D9ShaderVersions(0, 0);
    KnobD3D9FailCreateDeviceEx(2);
    ASSERT_EQ(0, StartDevice());
    EXPECT_EQ(nullptr, GetDeviceLayer().deviceEx);
    EXPECT_NE(nullptr, GetDeviceLayer().device);
    EXPECT_EQ(1, GetDeviceLayer().exDisabled);
    EXPECT_TRUE(LogHasInOrder({"Direct3DDevice9Ex の作成に失敗しました\n",
                               "IDirect3D9 オブジェクトを取得します.... ",
                               "IDirect3DDevice9 オブジェクトを取得します.... "}));
    ShutdownScreenDevice();
    ASSERT_EQ(0, SetupScreenDevice());
    EXPECT_EQ(nullptr, GetDeviceLayer().deviceEx);
    StopDevice();
}

TEST(DeviceBringUp, RefusedSizeFallsTo800x600) {
    KnobD3D9ShaderVersions(0, 0);
    KnobHideExport("d3d9.dll", "Direct3DCreate9Ex", true);
    KnobD3D9FailCreateDeviceForSize(1000, 700);
    ASSERT_EQ(0, StartDevice({1000, 700}));
    const ScreenState& s = GetScreenState();
    EXPECT_EQ(1, s.useDirect3D);
    EXPECT_EQ(800, s.screenWidth);
    EXPECT_EQ(600, s.screenHeight);
    EXPECT_EQ(800, s.drawWidth);
    EXPECT_EQ(600, s.drawHeight);
    StopDevice();
}

TEST(DeviceBringUp, FullScreen24BitsRetriesAt32) {
    KnobD3D9ShaderVersions(0, 0);
    ScreenSettings settings;
    settings.windowed = false;
    ASSERT_EQ(0, StartEngine(settings));  // start-up itself refuses a 24-bit screen
    GetScreenState().colorBits = 24;
    ASSERT_EQ(0, SetupScreenDevice());
    EXPECT_EQ(1, GetScreenState().useDirect3D);
    EXPECT_EQ(32, GetScreenState().colorBits);
    EXPECT_EQ(0, KnobDesktopComposition());
    EXPECT_TRUE(LogHasInOrder({"非対応のバックバッファービット深度が指定されました\n",
                               "Desktop Window Manager を無効にしました\n",
                               "IDirect3DDevice9Ex オブジェクトを取得します.... "}));
    StopDevice();
}

struct FallbackCase {
    const char* name;
    std::function<void(ScreenSettings&)> arrange;
    const char* logLine;
};
void PrintTo(const FallbackCase& c, std::ostream* os) {
    *os << c.name;
}

class SoftwareFallback : public ::testing::TestWithParam<FallbackCase> {};

TEST_P(SoftwareFallback, EndsOnTheSoftwareRenderer) {
    KnobD3D9ShaderVersions(0, 0);
    ScreenSettings settings;
    GetParam().arrange(settings);
    KnobD3D9Trace(true);
    ASSERT_EQ(0, StartDevice(settings));
    EXPECT_EQ(0, GetScreenState().useDirect3D);
    EXPECT_EQ(0, HasDevice());
    EXPECT_EQ(0, KnobD3D9LiveCount("Device"));
    EXPECT_EQ(0, KnobD3D9LiveCount("Direct3D"));
    EXPECT_TRUE(LogHasInOrder({GetParam().logLine}));
    StopDevice();
}

const FallbackCase kFallbacks[] = {
    {"NoD3D9Library", [](ScreenSettings&) { KnobHideModule("d3d9.dll", true); },
     "d3d9.dll の読み込みに失敗しました\n"},
    {"NoCreationExports",
     [](ScreenSettings&) {
         KnobHideExport("d3d9.dll", "Direct3DCreate9Ex", true);
         KnobHideExport("d3d9.dll", "Direct3DCreate9", true);
     },
     "Direct3DCreate9 APIのアドレス取得に失敗しました\n"},
    {"NoDirectDraw", [](ScreenSettings&) { KnobHideExport("ole32.dll", "CoCreateInstance", true); },
     "オブジェクトの取得に失敗しました\n"},
    {"EverySizeRefused",
     [](ScreenSettings&) {
         KnobD3D9FailCreateDeviceEx(1000);
         KnobD3D9FailCreateDevice(1000);
     },
     "Direct3DDevice9 の作成に失敗しました\n"},
    {"NoAlphaFormat",
     [](ScreenSettings&) {
         KnobD3D9RefuseFormat(D3DFMT_A4R4G4B4, 0);
         KnobD3D9RefuseFormat(D3DFMT_A8R8G8B8, 0);
     },
     "使用できるアルファ付き 16bit カラーフォーマットが見つかりませんでした\n"},
    {"NoDepthFormat",
     [](ScreenSettings&) {
         for (DWORD depth : {D3DFMT_D16, D3DFMT_D24X8, D3DFMT_D32}) KnobD3D9RefuseFormat(depth, 0);
     },
     "使用できる Zバッファフォーマットが見つかりませんでした\n"},
    {"SoftwareForced", [](ScreenSettings& s) { s.softwareForced = 1; },
     "DirectDraw オブジェクトの取得を行います....  "},
};

INSTANTIATE_TEST_SUITE_P(Causes, SoftwareFallback, ::testing::ValuesIn(kFallbacks),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(DeviceBringUp, SoftwareForcedMakesNoDirect3DObjectAndKeepsDirectDraw) {
    ScreenSettings settings;
    settings.softwareForced = 1;
    KnobD3D9Trace(true);
    ASSERT_EQ(0, StartDevice(settings));
    for (const std::string& line : KnobD3D9TakeTrace())
        EXPECT_EQ(std::string::npos, line.find("Direct3D")) << line;
    EXPECT_EQ(1, HasDirectDrawWindow());
    StopDevice();
}

TEST(DeviceBringUp, WithoutD3D9TheDirectDrawWindowRemains) {
    // Strict: the start-up going on beside the measurement cannot move the
    // clock while a loaded machine holds the measuring thread up.
    KnobVirtualClockStrict(true);
    KnobHideModule("d3d9.dll", true);
    ASSERT_EQ(0, StartDevice());
    EXPECT_EQ(1, HasDirectDrawWindow());
    EXPECT_GT(QueryRefreshPeriod(), 0);
    StopDevice();
}

TEST(DeviceBringUp, WithoutDirectDrawNoPeriodIsMeasured) {
    KnobHideExport("ole32.dll", "CoCreateInstance", true);
    ASSERT_EQ(0, StartDevice());
    EXPECT_EQ(0, HasDirectDrawWindow());
    EXPECT_EQ(-1, QueryRefreshPeriod());
    StopDevice();
}

TEST(FormatTable, DefaultDeviceChoices) {
    KnobD3D9ShaderVersions(0, 0);
    ASSERT_EQ(0, StartDevice());
    const DeviceResources& r = GetDeviceResources();
    const D3DFORMAT expected[] = {D3DFMT_R5G6B5,   D3DFMT_X8R8G8B8, D3DFMT_A4R4G4B4,
                                  D3DFMT_A8R8G8B8, D3DFMT_A1R5G5B5, D3DFMT_A8R8G8B8,
                                  D3DFMT_A1R5G5B5, D3DFMT_A8R8G8B8, D3DFMT_A8R8G8B8,
                                  D3DFMT_A8R8G8B8, D3DFMT_A8R8G8B8};
    for (int slot = 0; slot <= kSlotDxt5; ++slot)
        EXPECT_EQ(expected[slot], r.formats[slot]) << slot;
    for (int slot : {kSlotDrawAbgr16Float, kSlotDrawAbgr32Float, kSlotDrawOne16Float,
                     kSlotDrawOne32Float, kSlotDrawTwo16Float, kSlotDrawTwo32Float})
        EXPECT_EQ(D3DFMT_UNKNOWN, r.formats[slot]) << slot;
    EXPECT_TRUE(LogHasInOrder(
        {"16bit カラーフォーマットは D3DFMT_R5G6B5 です",
         "32bit カラーフォーマットは D3DFMT_X8R8G8B8 です",
         "アルファ付き 16bit カラーフォーマットは D3DFMT_A4R4G4B4 です",
         "アルファ付き 32bit カラーフォーマットは D3DFMT_A8R8G8B8 です",
         "アルファテスト用 16bit カラーフォーマットは D3DFMT_A1R5G5B5 です",
         "アルファテスト用 32bit カラーフォーマットは D3DFMT_A8R8G8B8 です",
         "ＤＸＴ１テクスチャフォーマットは使えません",
         "使用できる描画用ABGR浮動小数点16ビット型カラーフォーマットがありませんでした\n",
         "使用できる描画用２チャンネル浮動小数点32ビット型カラーフォーマットがありませんでした"
         "\n"}));
    StopDevice();
}

TEST(FormatTable, RefusalsAndCapabilityDefaults) {
    KnobD3D9ShaderVersions(0, 0);
    KnobD3D9RefuseFormat(D3DFMT_A1R5G5B5, 0);
    KnobD3D9MaxTextureSize(0);
    ASSERT_EQ(0, StartDevice());
    const DeviceResources& r = GetDeviceResources();
    EXPECT_EQ(D3DFMT_A8R8G8B8, r.formats[kSlotAlphaTest16]);
    EXPECT_EQ(D3DFMT_A8R8G8B8, r.formats[kSlotAlphaTest32]);
    EXPECT_EQ(D3DFMT_A8R8G8B8, r.formats[kSlotDxt1]);
    EXPECT_EQ(256, r.caps.maxTextureSize);
    StopDevice();
}

TEST(DeviceResources, ReadBackAndDepthSizesFollowTheScreen) {
    const struct {
        int width, height, readBack, depthWidth, depthHeight;
    } cases[] = {
        {800, 600, 256, 1024, 1024}, {200, 150, 128, 256, 256}, {1000, 700, 256, 1024, 1024}};
    KnobD3D9ShaderVersions(0, 0);
    for (const auto& c : cases) {
        KnobD3D9Trace(true);
        ASSERT_EQ(0, StartDevice({c.width, c.height}));
        const DeviceResources& r = GetDeviceResources();
        EXPECT_EQ(c.readBack, r.readBackSize) << c.width;
        const std::string size = std::to_string(c.readBack) + "x" + std::to_string(c.readBack);
        const auto plain = TraceOf(KnobD3D9TakeTrace(), "CreateOffscreenPlainSurface");
        ASSERT_FALSE(plain.empty());
        for (const std::string& line : plain) EXPECT_NE(std::string::npos, line.find(size)) << line;
        EXPECT_EQ(c.depthWidth, r.depthWidth);
        EXPECT_EQ(c.depthHeight, r.depthHeight);
        IDirect3DSurface9* bound = nullptr;
        ASSERT_EQ(D3D_OK, DeviceGetDepthStencilSurface(&bound));
        EXPECT_EQ(r.depthSurface, bound);
        bound->Release();
        StopDevice();
    }
}

TEST(DeviceResources, MaxBrightnessKeepsHueAndSaturation) {
    const struct {
        int in[3], out[3];
    } cases[] = {{{0, 0, 0}, {255, 255, 255}},
                 {{100, 100, 100}, {255, 255, 255}},
                 {{0, 0, 128}, {0, 0, 255}},
                 {{200, 100, 50}, {255, 128, 64}},
                 {{400, -3, 0}, {255, 0, 0}}};
    for (const auto& c : cases) {
        int r = -1, g = -1, b = -1;
        MaxBrightnessColour(c.in[0], c.in[1], c.in[2], &r, &g, &b);
        EXPECT_EQ(c.out[0], r) << c.in[0] << "," << c.in[1] << "," << c.in[2];
        EXPECT_EQ(c.out[1], g) << c.in[0] << "," << c.in[1] << "," << c.in[2];
        EXPECT_EQ(c.out[2], b) << c.in[0] << "," << c.in[1] << "," << c.in[2];
    }
    EXPECT_EQ(0xFFFFFFFFu, BrightnessVolumeTexel(7, 7, 7));
    EXPECT_EQ(0xFFFF8040u, BrightnessVolumeTexel(100, 50, 25));
    KnobD3D9ShaderVersions(0, 0);
    ASSERT_EQ(0, StartDevice());
    EXPECT_EQ(0, CreateBrightnessVolume());
    EXPECT_EQ(1, KnobD3D9LiveCount("VolumeTexture"));
    StopDevice();
}

// The fill works each sorted coordinate triple out once and writes it at every
// ordering, so the rows pin all six orderings of one triple, ties of the
// largest and smallest channel, the white corner's edge and the far corner.
TEST(DeviceResources, BrightnessVolumeFillHoldsEveryOrdering) {
    const struct {
        const char* name;
        int x, y, z;
        uint32_t texel;
    } rows[] = {
        // (200, 100, 50): S = 255 * 150 / 200 = 191, T = 255 - 255 * 50 / 150 =
        // 170; middle 255 - 170 * 191 / 255 = 128, smallest 255 - 191 = 64.
        {"red largest", 100, 50, 25, 0xFFFF8040u},
        {"green largest", 25, 100, 50, 0xFF40FF80u},
        {"red largest, green smallest", 100, 25, 50, 0xFFFF4080u},
        {"green largest, blue smallest", 50, 100, 25, 0xFF80FF40u},
        {"blue largest", 50, 25, 100, 0xFF8040FFu},
        {"blue largest, red smallest", 25, 50, 100, 0xFF4080FFu},
        // Tied largest: T = 0, both 255. Tied smallest: T = 255, both 64.
        {"tied largest", 100, 100, 25, 0xFFFFFF40u},
        {"tied largest apart", 100, 25, 100, 0xFFFF40FFu},
        {"tied smallest", 25, 100, 25, 0xFF40FF40u},
        // All three below 8 is white; one at 8 is a pure colour (S = 255).
        {"white corner", 7, 7, 7, 0xFFFFFFFFu},
        {"white corner edge", 0, 7, 0, 0xFFFFFFFFu},
        {"first red", 8, 0, 0, 0xFFFF0000u},
        {"first blue", 0, 0, 8, 0xFF0000FFu},
        // (0, 254, 2): S = 255, T = 255 - 255 * 2 / 254 = 253, middle 2.
        {"far green edge", 0, 127, 1, 0xFF00FF02u},
        {"far red edge", 127, 1, 0, 0xFFFF0200u},
        {"far grey corner", 127, 127, 127, 0xFFFFFFFFu},
    };
    // Rows of 130 texels and slices of 129 rows: the fill must follow the
    // pitches, and the padding stays untouched.
    constexpr int kRow = 130, kSlice = kRow * 129;
    std::vector<uint32_t> bits(size_t{kSlice} * 128, 0x12345678u);
    FillBrightnessVolume(D3DLOCKED_BOX{kRow * 4, kSlice * 4, bits.data()});
    for (const auto& r : rows) EXPECT_EQ(r.texel, bits[r.z * kSlice + r.y * kRow + r.x]) << r.name;
    EXPECT_EQ(0x12345678u, bits[5 * kSlice + 6 * kRow + 128]) << "row padding";
    EXPECT_EQ(0x12345678u, bits[5 * kSlice + 128 * kRow + 3]) << "slice padding";
    // Every texel against the plain per-texel rule.
    int wrong = 0;
    for (int z = 0; z < 128; ++z)
        for (int y = 0; y < 128; ++y)
            for (int x = 0; x < 128; ++x)
                wrong += bits[z * kSlice + y * kRow + x] != BrightnessVolumeTexel(x, y, z);
    EXPECT_EQ(0, wrong);
}

TEST(DeviceShutdown, LeavesNothingAndRestoresASwitchedMode) {
    DEVMODEA before{};
    before.dmSize = sizeof before;
    ASSERT_TRUE(EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &before));
    ScreenSettings fullScreen;
    fullScreen.windowed = false;
    fullScreen.softwareForced = 1;
    for (int cycle = 0; cycle < 2; ++cycle) {
        ASSERT_EQ(0, StartDevice(cycle == 0 ? ScreenSettings{} : fullScreen)) << cycle;
        if (cycle == 1) {
            EXPECT_EQ(1, GetScreenState().displayModeChanged);
        }
        StopDevice();
        EXPECT_EQ(0, KnobD3D9LiveCount(nullptr)) << cycle;
        EXPECT_EQ(0, GetScreenState().displayModeChanged);
        DEVMODEA after{};
        after.dmSize = sizeof after;
        ASSERT_TRUE(EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &after));
        EXPECT_EQ(before.dmPelsWidth, after.dmPelsWidth) << cycle;
        EXPECT_EQ(before.dmBitsPerPel, after.dmBitsPerPel) << cycle;
    }
}

}  // namespace
