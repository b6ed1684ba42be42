// Presenting the back buffer into the window, the vertical-blank pacing and
// the repaint timer, on the virtual clock.
#include <gtest/gtest.h>

#include <vector>

#include "DuRud.h"
#include "graphics/device_layer.h"
#include "graphics/device_setup.h"
#include "graphics/screen_state.h"
#include "graphics_fixture.h"
#include "test_knobs.h"
#include "window/main_window.h"
#include "window/window_calls.h"

using namespace DuRud;
using namespace graphicstest;

namespace {

constexpr D3DCOLOR kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF;

void Fill(const RECT* rect, D3DCOLOR colour) {
    ASSERT_EQ(D3D_OK, DeviceColorFill(GetDeviceResources().backBuffer, rect, colour));
}

struct Capture {
    std::vector<uint32_t> pixels;
    int width = 0, height = 0;
    uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

Capture CaptureWindow() {
    Capture c;
    EXPECT_TRUE(KnobCaptureWindow(MainWindow(), &c.pixels, &c.width, &c.height));
    return c;
}

TEST(PresentScreen, ShowsTheBackBufferInTheWindow) {
    KnobD3D9ShaderVersions(0, 0);
    ASSERT_EQ(0, StartDevice());
    Fill(nullptr, kRed);
    ASSERT_EQ(0, PresentScreen(nullptr));
    const Capture c = CaptureWindow();
    ASSERT_EQ(800, c.width);
    ASSERT_EQ(600, c.height);
    EXPECT_EQ(0xFF0000u, c.At(0, 0));
    EXPECT_EQ(0xFF0000u, c.At(799, 599));
    StopDevice();
}

TEST(PresentScreen, DoublesPixelsAtScaleTwo) {
    KnobD3D9ShaderVersions(0, 0);
    SetWindowScale(2.0, 2.0);
    ASSERT_EQ(0, StartDevice({200, 150}));
    Fill(nullptr, kBlue);
    const RECT corner{0, 0, 1, 1};
    Fill(&corner, kRed);
    ASSERT_EQ(0, PresentScreen(nullptr));
    const Capture c = CaptureWindow();
    ASSERT_EQ(400, c.width);
    ASSERT_EQ(300, c.height);
    EXPECT_EQ(0xFF0000u, c.At(0, 0));
    EXPECT_EQ(0xFF0000u, c.At(1, 1));
    EXPECT_EQ(0x0000FFu, c.At(2, 0));
    EXPECT_EQ(0x0000FFu, c.At(0, 2));
    StopDevice();
}

TEST(PresentScreen, EmulationShowsTheTopLeftQuarter) {
    KnobD3D9ShaderVersions(0, 0);
    ScreenSettings settings;
    settings.width = 640;
    settings.height = 480;
    settings.emulate320x240 = 1;
    ASSERT_EQ(0, StartDevice(settings));
    Fill(nullptr, kBlue);
    const RECT quarter{0, 0, 320, 240}, inner{0, 0, 160, 120};
    Fill(&quarter, kRed);
    Fill(&inner, kGreen);
    ASSERT_EQ(0, PresentScreen(nullptr));
    const Capture c = CaptureWindow();  // the window is sized for the draw size
    ASSERT_EQ(320, c.width);
    ASSERT_EQ(240, c.height);
    EXPECT_EQ(0x00FF00u, c.At(0, 0));
    EXPECT_EQ(0x00FF00u, c.At(159, 119));
    EXPECT_EQ(0xFF0000u, c.At(160, 120));
    EXPECT_EQ(0xFF0000u, c.At(319, 239));
    StopDevice();
}

TEST(PresentScreen, MinimisedOrEmptyRectangles) {
    KnobD3D9ShaderVersions(0, 0);
    ASSERT_EQ(0, StartDevice());
    const RECT client{0, 0, 400, 300};
    EXPECT_EQ(-1, PresentScreen(&client)) << "nothing was presented yet";
    ASSERT_EQ(0, PresentScreen(nullptr));
    EXPECT_EQ(0, PresentScreen(&client));
    const RECT thin{10, 10, 10, 300};
    EXPECT_EQ(-1, PresentScreen(&thin));
    ASSERT_TRUE(KnobWindowEvent(MainWindow(), KnobWindowEventKind::Minimise));
    PumpWindowMessages();
    ASSERT_EQ(1, GetWindowMinimisedFlag());
    const long presents = KnobD3D9PresentCount();
    EXPECT_EQ(0, PresentScreen(nullptr));
    EXPECT_EQ(presents, KnobD3D9PresentCount());
    StopDevice();
}

// The measurement runs beside the caller: on the strict clock neither side's
// sleeps can move time while the other is held up by a loaded machine, so the
// period and the clock readings are exact.
TEST(VerticalBlank, PacesOnTheMeasuredPeriod) {
    KnobVirtualClockStrict(true);
    KnobD3D9ShaderVersions(0, 0);
    ASSERT_EQ(0, StartDevice());
    const int64_t period = QueryRefreshPeriod();
    EXPECT_GE(period, 16666);
    EXPECT_LE(period, 16667);
    WaitVerticalBlank();
    const int64_t start = DeviceClockMicroseconds();
    WaitVerticalBlank();
    const int64_t elapsed = DeviceClockMicroseconds() - start;
    EXPECT_GE(elapsed, 16666);
    EXPECT_LE(elapsed, 16667);
    StopDevice();
}

// The measurement waits for its blanks on a thread of its own: the caller
// goes on at once and gets the period when it asks.
TEST(RefreshMeasurementThreads, RunsBesideTheCallerAndAnswersWhenAsked) {
    KnobVirtualClockStrict(true);
    KnobD3D9ShaderVersions(0, 0);
    ASSERT_EQ(0, StartDevice());
    ASSERT_GT(QueryRefreshPeriod(), 0);
    const int64_t start = DeviceClockMicroseconds();
    MeasureRefreshPeriod();
    EXPECT_LT(DeviceClockMicroseconds() - start, 16666);  // not one blank waited for here
    const int64_t period = QueryRefreshPeriod();
    EXPECT_GE(period, 16666);
    EXPECT_LE(period, 16667);
    EXPECT_GE(DeviceClockMicroseconds() - start, 11 * 16666);  // the whole count before the answer
    StopDevice();
}

TEST(RefreshMeasurementThreads, ReleasingDirectDrawWaitsForARunningMeasurement) {
    KnobVirtualClockStrict(true);
    KnobD3D9ShaderVersions(0, 0);
    ASSERT_EQ(0, StartDevice());
    MeasureRefreshPeriod();
    StopDevice();  // DirectDraw goes while the thread may still wait on it
    EXPECT_EQ(nullptr, QueryDirectDrawObject());
    EXPECT_GT(QueryRefreshPeriod(), 0);
}

TEST(VerticalBlank, WithoutDirectDrawSleepsToTheFixedThreshold) {
    KnobSetVirtualClock(true);
    KnobHideExport("ole32.dll", "CoCreateInstance", true);
    ASSERT_EQ(0, StartDevice());
    ASSERT_EQ(-1, QueryRefreshPeriod());
    WaitVerticalBlank();
    const int64_t start = DeviceClockMicroseconds();
    WaitVerticalBlank();
    const int64_t elapsed = DeviceClockMicroseconds() - start;
    EXPECT_GE(elapsed, 4000);
    EXPECT_LT(elapsed, 5000);
    StopDevice();
}

int g_target = -4;
int g_repaints = 0;

class RepaintTimer : public ::testing::TestWithParam<int> {};

TEST_P(RepaintTimer, RepaintsOnlyWhileTheFrontScreenIsTheTarget) {
    KnobSetVirtualClock(true);
    WindowModuleCalls table = DefaultWindowModuleCalls();
    table.GetDrawTarget = [] { return g_target; };
    table.RepaintScreen = [] { return ++g_repaints, 0; };
    const WindowModuleCalls* previous = InstallWindowModuleCalls(&table);
    g_target = GetParam();
    ASSERT_EQ(0, StartDevice());
    for (int i = 0; i < 20 && !GetWindowActiveFlag(); ++i) PumpWindowMessages();
    ASSERT_EQ(1, GetWindowActiveFlag());
    g_repaints = 0;
    StartRepaintTimer(1);
    const int64_t start = DeviceClockMicroseconds();
    while (DeviceClockMicroseconds() - start < 1000000) {
        PumpWindowMessages();
        Sleep(1);
    }
    EXPECT_EQ(GetParam() == -4 ? 31 : 0, g_repaints);
    StopDevice();
    InstallWindowModuleCalls(previous);
}

INSTANTIATE_TEST_SUITE_P(Targets, RepaintTimer, ::testing::Values(-4, -2), [](const auto& info) {
    return std::string(info.param == -4 ? "FrontScreen" : "BackBuffer");
});

}  // namespace
