// The fonts in the real engine start-up: the game's fps text in the default
// font and an on-screen log line reach the window, and the shutdown takes
// every font with it. On the Direct3D device and on the software renderer.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DuRud.h"
#include "core/engine_lifecycle.h"
#include "core/handle_manager.h"
#include "core/log.h"
#include "core/tracked_memory.h"
#include "font/font_handles.h"
#include "font/font_records.h"
#include "graphics_fixture.h"
#include "test_knobs.h"

using namespace DuRud;

namespace {

struct Road {
    const char* name;
    bool software;
};

struct Frame {
    std::vector<uint32_t> pixels;
    int width = 0, height = 0;
    uint32_t At(int x, int y) const {
        return pixels[static_cast<size_t>(y) * width + x] & 0xFFFFFF;
    }
    // Pixels in [x1, x2) x [y1, y2) for which the test holds.
    template <typename Test>
    int Count(int x1, int y1, int x2, int y2, Test test) const {
        int n = 0;
        for (int y = y1; y < y2; ++y)
            for (int x = x1; x < x2; ++x) n += test(At(x, y)) ? 1 : 0;
        return n;
    }
};

bool White(uint32_t c) {
    return c == 0xFFFFFF;
}
bool Black(uint32_t c) {
    return c == 0;
}
bool Grey(uint32_t c) {
    return c == 0x646464;
}

class FontStartUpThreads : public ::testing::TestWithParam<Road> {
  protected:
    void SetUp() override {
        KnobSetVirtualClock(true);
        if (GetParam().software) KnobHideModule("d3d9.dll", true);
        const EngineFlags& f = GetEngineFlags();
        skips_ = {f.noWindow, f.noGraphics, f.noSound, f.noInput};
        SetEngineSkipFlags(0, 0, 0, 0);
        logFolder_ = GetLogFolder();
        SetLogFolder("");
        blocksBefore_ = MemGetCount();
        hfontsBefore_ = KnobFontCounts().liveFonts;
    }
    void TearDown() override {
        ShutdownEngineLocked();
        SetLogFolder(logFolder_.c_str());
        SetEngineSkipFlags(skips_[0], skips_[1], skips_[2], skips_[3]);
    }
    int blocksBefore_ = 0;
    long hfontsBefore_ = 0;
    std::string logFolder_;
    std::vector<int> skips_;
};

TEST_P(FontStartUpThreads, FpsTextAndLogLineReachTheWindow) {
    ASSERT_EQ(0, ChangeWindowMode(1));
    ASSERT_EQ(0, SetScreenMode(400, 300, 32, 0));
    ASSERT_EQ(0, InitializeEngineLocked());
    ASSERT_EQ(GetParam().software ? 1 : 0, IsSoftwareRenderer());
    ASSERT_EQ(1, IsFontHandleValid(GetDefaultFontHandle()));

    // The game's frame: the default font at thickness 3, size 10, the fps
    // text at (100, 200) on a grey back buffer.
    ASSERT_EQ(0, SelectDrawTarget(-2));
    DrawBoxShape(0, 0, 400, 300, MakeColorValue(100, 100, 100), 1);
    SetDefaultFontThickness(3);
    SetDefaultFontSize(10);
    EXPECT_EQ(0, DrawFormattedText(100, 200, MakeColorValue(255, 255, 255), "fps:%0.1f", 59.9));
    const Handle font = GetDefaultFontHandle();
    EXPECT_EQ(10, GetFontSize(font));
    const int width = GetTextWidthWithFont("fps:59.9", -1, font, 0);
    const int height = GetFontRecord(font)->cellHeight;
    PrintOnScreenLog("log line");
    ASSERT_EQ(0, FlipScreen());

    Frame f;
    KnobCaptureWindow(graphicstest::MainWindow(), &f.pixels, &f.width, &f.height);
    ASSERT_EQ(400, f.width);
    // The text: white inside its box, the grey untouched around it.
    EXPECT_GT(f.Count(100, 200, 100 + width, 200 + height, White), 20);
    EXPECT_EQ(0, f.Count(90, 190, 100, 200 + height, [](uint32_t c) { return !Grey(c); }));
    EXPECT_EQ(0, f.Count(100 + width, 190, 100 + width + 10, 200 + height,
                         [](uint32_t c) { return !Grey(c); }));
    // The log line at the top left: white on a black edge over the grey.
    EXPECT_GT(f.Count(0, 0, 100, 20, White), 10);
    EXPECT_GT(f.Count(0, 0, 100, 20, Black), 10);

    // The shutdown takes every font.
    ASSERT_EQ(0, ShutdownEngineLocked());
    EXPECT_EQ(0, GetHandleTypeRecord(HandleTypeFont)->initialised);
    EXPECT_EQ(hfontsBefore_, KnobFontCounts().liveFonts);
    EXPECT_EQ(blocksBefore_, MemGetCount()) << "no tracked block left";
}

INSTANTIATE_TEST_SUITE_P(Renderers, FontStartUpThreads,
                         ::testing::Values(Road{"Device", false}, Road{"Software", true}),
                         [](const ::testing::TestParamInfo<Road>& info) {
                             return std::string(info.param.name);
                         });

}  // namespace
