// The software draw path into the window, the screen flip with the
// on-screen log, and the device and software renderers side by side.
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <vector>

#include "graphics/device_setup.h"
#include "graphics/graphic_handles.h"
#include "graphics/draw_settings.h"
#include "graphics/draw_state_apply.h"
#include "graphics/software_draw.h"
#include "image/pixel_conversion.h"
#include "graphics_fixture.h"
#include "test_knobs.h"
#include "window/main_window.h"
#include "window/on_screen_log.h"
#include "window/window_calls.h"

using namespace DuRud;
using namespace graphicstest;

namespace {

struct Capture {
    std::vector<uint32_t> pixels;
    int width = 0, height = 0;
    uint32_t At(int x, int y) const { return pixels[size_t(y) * width + x] & 0xFFFFFF; }
};
Capture CaptureWindow() {
    Capture c;
    EXPECT_TRUE(KnobCaptureWindow(MainWindow(), &c.pixels, &c.width, &c.height));
    return c;
}

// The primary image's pixel as X8R8G8B8 truncated to the primary's format.
uint32_t PrimaryPixel(int x, int y) {
    const MEMIMG* p = SoftwarePrimary();
    const uint8_t* row = p->pixels + y * p->body->pitch;
    if (p->body->colorFormat->bytesPerPixel == 4)
        return reinterpret_cast<const uint32_t*>(row)[x] & 0xFFFFFF;
    const uint32_t v = reinterpret_cast<const uint16_t*>(row)[x];
    return (v >> 11) << 19 | ((v >> 5) & 63) << 10 | (v & 31) << 3;
}
uint32_t Truncated(uint32_t rgb, int bits) {
    return bits == 32 ? rgb : rgb & 0xF8FCF8;
}

// The software renderer on a screen of that size and depth over a dark blue
// background; StartGraphics' result.
int StartSoftware(int width, int height, int bits) {
    SetBackgroundColor(0, 0, 96);
    ScreenSettings settings = WithHandles();
    settings.width = width;
    settings.height = height;
    settings.colorBits = bits;
    settings.softwareForced = 1;
    return StartDevice(settings);
}

struct SoftCase {
    const char* name;
    int bits;
    double scale;
};
void PrintTo(const SoftCase& c, std::ostream* os) {
    *os << c.name;
}
class SoftwarePath : public ::testing::TestWithParam<SoftCase> {};

TEST_P(SoftwarePath, TheWindowShowsThePrimaryAsDrawn) {
    const SoftCase& c = GetParam();
    KnobSetVirtualClock(true);
    SetWindowScale(c.scale, c.scale);
    ASSERT_EQ(0, StartSoftware(200, 150, c.bits));
    EXPECT_EQ(0x000060u, PrimaryPixel(0, 0));
    const Handle g = SolidGraphic(8, 8, 0xFFFF0000, 0xFF0000FF),
                 blend = SolidGraphic(8, 8, 0xFF808080);
    SoftDrawGraphic(10, 20, 1, g);
    SoftDrawGraphicStretched(60, 10, 44, 26, g, 1);  // mirrored: blue on the left
    SoftDrawGraphicRotated(100.0f, 50.0f, 1.0f, 0.5f, g, 1, 0);
    SoftDrawGraphicFree(120, 10, 150, 12, 118, 40, 152, 44, g, 1);
    const RECT fill{5, 100, 50, 120};
    SoftFillRect(&fill, MakeColorValue(0, 255, 0));
    ASSERT_EQ(0, SetBlendSourceGraphic(blend, 1, 255, 0));  // a wipe that shows nothing
    SoftDrawGraphic(10, 60, 1, g);
    ASSERT_EQ(0, SetBlendSourceGraphic(-1, 0, 0, 0));
    SoftDrawGraphic(30, 60, 1, g);
    const struct {
        const char* what;
        int x, y;
        uint32_t want;
    } marks[] = {{"background", 0, 0, 0x000060},       {"graphic", 11, 21, 0xFF0000},
                 {"its right half", 16, 21, 0x0000FF}, {"mirrored", 45, 12, 0x0000FF},
                 {"fill", 6, 101, 0x00FF00},           {"wiped away", 11, 61, 0x000060},
                 {"blend cleared", 31, 61, 0xFF0000}};
    for (const auto& m : marks)
        EXPECT_EQ(Truncated(m.want, c.bits), PrimaryPixel(m.x, m.y)) << m.what;
    ASSERT_EQ(0, FlipScreen());
    const Capture shown = CaptureWindow();
    const int k = static_cast<int>(c.scale);
    ASSERT_EQ(200 * k, shown.width);
    for (int y = 0; y < 150; ++y)
        for (int x = 0; x < 200; ++x)
            ASSERT_EQ(PrimaryPixel(x, y), Truncated(shown.At(x * k, y * k), c.bits))
                << x << "," << y;
    StopDevice();
    SetWindowScale(1.0, 1.0);
}

INSTANTIATE_TEST_SUITE_P(Software, SoftwarePath,
                         ::testing::Values(SoftCase{"Bits16Scale1", 16, 1.0},
                                           SoftCase{"Bits32Scale1", 32, 1.0},
                                           SoftCase{"Bits16Scale2", 16, 2.0},
                                           SoftCase{"Bits32Scale2", 32, 2.0}));

// Without Direct3D an off-screen asked for with alpha is a plain image in the
// screen's format, keyed by the transparent colour (black unless set): what
// is drawn into it shows, and its black is skipped when it is drawn with
// transparency, as its alpha 0 would be on the device.
TEST(SoftwareOffScreen, AskedWithAlphaItIsAPlainTargetKeyedByItsTransparentColour) {
    const struct {
        const char* name;
        int bits;
    } rows[] = {{"Bits32", 32}, {"Bits16", 16}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_EQ(0, StartSoftware(64, 32, row.bits));
        const Handle target = CreateDrawableGraphic(32, 16, 1);
        ASSERT_GE(target, 0);
        const MemImgBody* body = GraphicFromHandle(target, 0)->image->memImg.body;
        EXPECT_EQ(0, body->alphaFlag);
        EXPECT_EQ(SoftwarePrimary()->body->colorType, body->colorType);
        const Handle red = SolidGraphic(8, 8, 0xFFFF0000);
        ASSERT_EQ(0, SelectDrawTarget(target));
        DrawBoxShape(0, 0, 32, 16, MakeColorValue(0, 0, 0), 1);
        DrawGraphicAt(4, 4, red, 1);
        ASSERT_EQ(0, SelectDrawTarget(-2));
        DrawGraphicAt(0, 0, target, 1);
        DrawGraphicAt(32, 0, target, 0);
        const struct {
            const char* what;
            int x, y;
            uint32_t want;
        } marks[] = {{"drawn into it", 5, 5, 0xFF0000},
                     {"its black keyed", 20, 10, 0x000060},
                     {"drawn opaque", 37, 5, 0xFF0000},
                     {"its black shown", 52, 10, 0x000000}};
        for (const auto& m : marks)
            EXPECT_EQ(Truncated(m.want, row.bits), PrimaryPixel(m.x, m.y)) << m.what;
        StopDevice();
    }
}

// --- the flip and the on-screen log -------------------------------------------------

// Blend mode and parameter, right edge of the draw area, red brightness.
using Settings = std::array<int, 4>;
Settings Snapshot() {
    const DrawSettings& d = GetDrawSettings();
    return {d.blendMode, d.blendParameter, d.areaX2, d.brightRed};
}
Settings g_duringLog{};
int g_nestedFlip = -9;
int RecordTextDraw(int, int, const char*, uint32_t, Handle, uint32_t, int) {
    g_duringLog = Snapshot();
    g_nestedFlip = FlipScreen();
    return 0;
}
Handle FakeFont(const FontCacheSettings*, const char*, int, int, int, int, int, int, Handle, int) {
    return 0x20000001;
}
int NoFlag(Handle, int32_t*) {
    return 0;
}
int NoWidth(const char*, int, Handle, int) {
    return 8;
}

TEST(ScreenFlip, PresentsAndDrawsTheLogUnderNeutralSettings) {
    KnobD3D9ShaderVersions(0, 0);
    KnobSetVirtualClock(true);
    ASSERT_EQ(0, StartDevice(WithHandles()));
    WindowModuleCalls calls = DefaultWindowModuleCalls();
    calls.CreateFontHandle = FakeFont;
    calls.SetFontDeletedFlag = NoFlag;
    calls.GetTextWidthWithFont = NoWidth;
    calls.DrawTextWithFont = RecordTextDraw;
    const WindowModuleCalls* previous = InstallWindowModuleCalls(&calls);
    ASSERT_EQ(0, StartOnScreenLog());
    PrintOnScreenLog("log");
    SetDrawClip(1, 2, 30, 40);
    SetBlendMode(1, 100);
    SetBrightness(10, 20, 30);
    ASSERT_EQ(0, FlipScreen());
    EXPECT_EQ((Settings{0, 0, 800, 255}), g_duringLog);
    EXPECT_EQ(0, g_nestedFlip);  // from inside the overlay: at once
    EXPECT_EQ((Settings{1, 100, 30, 10}), Snapshot());
    EXPECT_EQ(0, IsFlipInProgress());
    SetEndRequestFlag();
    EXPECT_EQ(-1, FlipScreen());
    ClearEndRequestFlag();
    ClearOnScreenLog();
    EndOnScreenLog();
    InstallWindowModuleCalls(previous);
    StopDevice();
}

// The software tables truncate: within 2 per channel where a blend weighs.
TEST(Renderers, DeviceAndSoftwareDrawTheSameScene) {
    const struct { int mode, parameter, tolerance; } rows[] = {{0, 0, 0}, {1, 128, 2}, {2, 200, 2}};
    for (const auto& row : rows) {
        KnobD3D9ShaderVersions(0, 0);
        KnobSetVirtualClock(true);
        SetBackgroundColor(40, 80, 120);
        Capture shown[2];
        for (int software = 0; software < 2; ++software) {
            ScreenSettings settings = WithHandles();
            settings.width = 64;
            settings.height = 32;
            settings.softwareForced = software;
            ASSERT_EQ(0, StartDevice(settings));
            const Handle g = SolidGraphic(8, 8, 0xFFC08040);
            SetBlendMode(row.mode, row.parameter);
            if (software)
                SoftDrawGraphic(10, 10, 1, g);
            else
                DrawAsWorker(g, 10, 10, kDrawTransparent | kDrawIntegerPlacement);
            ASSERT_EQ(0, FlipScreen());
            shown[software] = CaptureWindow();
            StopDevice();
        }
        for (int i = 0; i < 12 * 12 * 3; ++i) {
            const int x = 8 + i % 12, y = 8 + i / 12 % 12, shift = 8 * (i / 144);
            ASSERT_LE(std::abs(int(shown[0].At(x, y) >> shift & 0xFF) -
                               int(shown[1].At(x, y) >> shift & 0xFF)),
                      row.tolerance)
                << "mode " << row.mode << " at " << x << "," << y;
        }
    }
}

}  // namespace
