// The screen-state queries and the full-screen display switch with its
// fall-backs, over the platform's display-mode list.
#include <gtest/gtest.h>

#include <ostream>

#include "DuRud.h"
#include "core/log.h"
#include "core/system_services.h"
#include "core/text_literals.h"
#include "graphics/display_modes.h"
#include "graphics/screen_state.h"
#include "graphics_fixture.h"
#include "support/test_support.h"
#include "test_knobs.h"

using namespace DuRud;
using namespace graphicstest;

namespace {

TEST(ScreenState, UnsetValuesAndTheEmulatedDrawSize) {
    int width = 0, height = 0;
    QueryDrawSize(&width, &height);
    EXPECT_EQ(640, width);
    EXPECT_EQ(480, height);
    EXPECT_EQ(16, QueryColorBits());
    SetEmulate320x240(1);
    StoreScreenSize(640, 480);
    QueryDrawSize(&width, &height);
    EXPECT_EQ(320, width);
    EXPECT_EQ(240, height);
    EXPECT_EQ(1, GetEmulate320x240());
}

struct SwitchCase {
    const char* name;
    int width, height, bits, rate;
    int result;
    int screenWidth, screenHeight, storedRate, emulation;
};
void PrintTo(const SwitchCase& c, std::ostream* os) {
    *os << c.name;
}

class FullScreenSwitch : public ::testing::TestWithParam<SwitchCase> {};

TEST_P(FullScreenSwitch, SwitchesOrFallsBack) {
    const SwitchCase& c = GetParam();
    LoadWinApis();
    SetLogFolder(testsupport::TestDirectory().c_str());
    LogStart();
    KnobDisplayModes("640x480x16@60,640x480x32@60,800x600x32@60");
    ScreenState& s = GetScreenState();
    StoreScreenSize(c.width, c.height);
    s.colorBits = c.bits;
    s.refreshRate = c.rate;
    EXPECT_EQ(c.result, SetFullScreenDisplayMode());
    EXPECT_EQ(c.result == 0 ? 1 : 0, s.displayModeChanged);
    EXPECT_EQ(c.screenWidth, s.screenWidth);
    EXPECT_EQ(c.screenHeight, s.screenHeight);
    EXPECT_EQ(c.storedRate, s.refreshRate);
    EXPECT_EQ(c.emulation, GetEmulate320x240());
    const bool changeTried =
        Log().find(Cp932Text("画面解像度を変更します... ")) != std::string::npos;
    EXPECT_EQ(c.bits != 24, changeTried);
    DEVMODEA now{};
    now.dmSize = sizeof now;
    ASSERT_TRUE(EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &now));
    if (c.result == 0) {
        EXPECT_EQ(static_cast<DWORD>(s.screenWidth), now.dmPelsWidth);
    }
    ChangeDisplaySettingsA(nullptr, 0);
    UnloadWinApis();
}

INSTANTIATE_TEST_SUITE_P(
    Requests, FullScreenSwitch,
    ::testing::Values(SwitchCase{"Listed", 800, 600, 32, 60, 0, 800, 600, 60, 0},
                      SwitchCase{"Bits24", 800, 600, 24, 0, -1, 800, 600, 0, 0},
                      SwitchCase{"RefusedRate", 800, 600, 32, 75, 0, 800, 600, 0, 0},
                      SwitchCase{"Unlisted320x240", 320, 240, 16, 0, 0, 640, 480, 0, 1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DisplayModeList, SkipsEightBitModesAndAnswersOutOfRange) {
    KnobDisplayModes("640x480x8,640x480x16,800x600x32@75");
    ASSERT_EQ(2, QueryDisplayModeCount());
    const DisplayModeInfo first = QueryDisplayMode(0), second = QueryDisplayMode(1);
    EXPECT_EQ(640, first.width);
    EXPECT_EQ(16, first.colorBits);
    EXPECT_EQ(800, second.width);
    EXPECT_EQ(75, second.refreshRate);
    EXPECT_EQ(1, IsDisplayModeAvailable(800, 600, 32));
    EXPECT_EQ(0, IsDisplayModeAvailable(640, 480, 8));
    for (int index : {2, -1}) {
        const DisplayModeInfo none = QueryDisplayMode(index);
        EXPECT_EQ(-1, none.width);
        EXPECT_EQ(-1, none.height);
        EXPECT_EQ(-1, none.colorBits);
        EXPECT_EQ(-1, none.refreshRate);
    }
}

}  // namespace
