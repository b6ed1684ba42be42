// The graphics road end to end, through the public header as the game uses
// it: the real engine start-up in a 400 x 300 window, a PNG loaded on the
// asynchronous loader, a frame drawn into an off-screen and shown, read
// back from the window, and the shutdown. Run on the Ex device, the plain
// device and the software renderer.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "../decoders/picture_corpus.h"
#include "DuRud.h"
#include "core/async_loading.h"
#include "core/engine_lifecycle.h"
#include "core/log.h"
#include "core/tracked_memory.h"
#include "graphics/surface_readback.h"
#include "graphics_fixture.h"
#include "image/image_record.h"
#include "support/test_support.h"
#include "test_knobs.h"
#include "window/main_window.h"
#include "window/window_state.h"

using namespace DuRud;

namespace {

enum class Renderer { kEx, kPlain, kSoftware };

struct Road {
    const char* name;
    Renderer renderer;
};

struct Rgb {
    double r, g, b;
};

// The picture: four 16-column bands, opaque, alpha 128, alpha 0 and the
// opaque transparent colour.
constexpr int kWidth = 64, kHeight = 48;
constexpr uint32_t kOpaque = 0xC86432;  // (200, 100, 50)
constexpr uint32_t kHalf = 0x14DC78;    // (20, 220, 120) at alpha 128
constexpr uint32_t kClear = 0x5A5A5A;   // alpha 0
constexpr uint32_t kKey = 0xFF00FF;     // the transparent colour
constexpr Rgb kBox{40, 80, 120};

std::string ThePicture() {
    decodertest::PngSpec spec;
    spec.width = kWidth;
    spec.height = kHeight;
    spec.colorType = 6;
    for (int y = 0; y < kHeight; ++y) {
        std::string row;
        for (int x = 0; x < kWidth; ++x) {
            const int band = x / 16;
            const uint32_t c = band == 0 ? kOpaque : band == 1 ? kHalf : band == 2 ? kClear : kKey;
            const int alpha = band == 1 ? 128 : band == 2 ? 0 : 255;
            row += {static_cast<char>(c >> 16), static_cast<char>(c >> 8), static_cast<char>(c),
                    static_cast<char>(alpha)};
        }
        spec.rows.push_back(row);
    }
    return decodertest::EncodePng(spec);
}

Rgb Of(uint32_t c) {
    return {static_cast<double>(c >> 16 & 0xFF), static_cast<double>(c >> 8 & 0xFF),
            static_cast<double>(c & 0xFF)};
}

// Source over destination at alpha a (0..1).
Rgb Over(Rgb s, Rgb d, double a) {
    return {s.r * a + d.r * (1 - a), s.g * a + d.g * (1 - a), s.b * a + d.b * (1 - a)};
}

struct Frame {
    std::vector<uint32_t> pixels;
    int width = 0, height = 0;
    uint32_t At(int x, int y) const {
        return pixels[static_cast<size_t>(y) * width + x] & 0xFFFFFF;
    }
};

Frame Capture() {
    Frame f;
    KnobCaptureWindow(graphicstest::MainWindow(), &f.pixels, &f.width, &f.height);
    return f;
}

::testing::AssertionResult Near(const Frame& f, int x, int y, Rgb want, double tolerance) {
    if (x >= f.width || y >= f.height) return ::testing::AssertionFailure() << "outside";
    const Rgb got = Of(f.At(x, y));
    if (std::fabs(got.r - want.r) > tolerance || std::fabs(got.g - want.g) > tolerance ||
        std::fabs(got.b - want.b) > tolerance)
        return ::testing::AssertionFailure()
               << "at " << x << "," << y << ": got " << got.r << "," << got.g << "," << got.b
               << " want " << want.r << "," << want.g << "," << want.b;
    return ::testing::AssertionSuccess();
}

// Pumps (virtual time) until the condition holds; false when it never did.
template <typename Done>
bool PumpUntil(Done done) {
    for (int pass = 0; pass < 200; ++pass) {
        if (done()) return true;
        PumpWindowMessages();
        Sleep(5);
    }
    return done();
}

// Where each draw of the frame puts the picture's top-left.
struct Placement {
    int x, y;
};
constexpr Placement kPlain{8, 8}, kMode1{80, 8}, kMode2{152, 8}, kMode10{224, 8}, kBright{296, 8},
    kStretched{8, 64}, kMirrored{144, 64}, kRotated{224, 64};

int DrawTheFrame(Handle picture, Handle offscreen) {
    if (SelectDrawTarget(offscreen) != 0) return -1;
    SetBlendMode(0, 0);
    DrawBoxShape(0, 0, 400, 300, MakeColorValue(40, 80, 120), 1);
    DrawGraphicAt(kPlain.x, kPlain.y, picture, 1);
    SetBlendMode(1, 128);
    DrawGraphicAt(kMode1.x, kMode1.y, picture, 1);
    SetBlendMode(2, 255);
    DrawGraphicAt(kMode2.x, kMode2.y, picture, 1);
    SetBlendMode(10, 196);
    DrawGraphicAt(kMode10.x, kMode10.y, picture, 1);
    SetBlendMode(0, 0);
    SetBrightness(255, 128, 64);
    DrawGraphicAt(kBright.x, kBright.y, picture, 1);
    SetBrightness(255, 255, 255);
    DrawGraphicStretched(kStretched.x, kStretched.y, kStretched.x + 2 * kWidth,
                         kStretched.y + 2 * kHeight, picture, 1);
    DrawGraphicStretched(kMirrored.x + kWidth, kMirrored.y, kMirrored.x, kMirrored.y + kHeight,
                         picture, 1);
    DrawGraphicRotated(kRotated.x + kWidth / 2, kRotated.y + kHeight / 2, 1.0, 0.0, picture, 1, 0);
    if (SelectDrawTarget(-2) != 0) return -1;
    DrawGraphicAt(0, 0, offscreen, 0);
    return FlipScreen();
}

// The frame's pixels by hand: exact where the picture is opaque in mode 0
// and on the box, within `tolerance` where blending rounds.
void ExpectTheFrame(const Frame& f, double tolerance) {
    const int mid = kHeight / 2;
    auto band = [](Placement p, int b) { return p.x + 16 * b + 8; };
    EXPECT_TRUE(Near(f, 390, 290, kBox, 0)) << "the box";
    EXPECT_TRUE(Near(f, band(kPlain, 0), kPlain.y + mid, Of(kOpaque), 0));
    // A picture with alpha drawn with transparency in mode 0 blends by its
    // alpha on both renderers.
    EXPECT_TRUE(
        Near(f, band(kPlain, 1), kPlain.y + mid, Over(Of(kHalf), kBox, 128 / 255.0), tolerance))
        << "alpha 128";
    EXPECT_TRUE(Near(f, band(kPlain, 2), kPlain.y + mid, kBox, 0)) << "alpha 0";
    EXPECT_TRUE(Near(f, band(kPlain, 3), kPlain.y + mid, kBox, 0)) << "the transparent colour";
    EXPECT_TRUE(
        Near(f, band(kMode1, 0), kMode1.y + mid, Over(Of(kOpaque), kBox, 128 / 255.0), tolerance))
        << "mode 1 at 128";
    EXPECT_TRUE(Near(f, band(kMode1, 1), kMode1.y + mid,
                     Over(Of(kHalf), kBox, 128 / 255.0 * 128 / 255.0), tolerance))
        << "mode 1 blends by the texel's alpha too";
    EXPECT_TRUE(Near(f, band(kMode2, 0), kMode2.y + mid, Rgb{240, 180, 170}, tolerance))
        << "mode 2 adds";
    const Rgb inverted{255 - 200.0, 255 - 100.0, 255 - 50.0};
    EXPECT_TRUE(
        Near(f, band(kMode10, 0), kMode10.y + mid, Over(inverted, kBox, 196 / 255.0), tolerance))
        << "mode 10 complements";
    EXPECT_TRUE(Near(f, band(kBright, 0), kBright.y + mid,
                     Rgb{200, 100 * 128 / 255.0, 50 * 64 / 255.0}, tolerance))
        << "brightness";
    EXPECT_TRUE(Near(f, kStretched.x + 2 * 8, kStretched.y + 2 * mid, Of(kOpaque), 0))
        << "stretched twice";
    EXPECT_TRUE(Near(f, kStretched.x + 2 * 56, kStretched.y + 2 * mid, kBox, 0));
    EXPECT_TRUE(Near(f, kMirrored.x + kWidth - 1 - 8, kMirrored.y + mid, Of(kOpaque), 0))
        << "mirrored: the opaque band on the right";
    EXPECT_TRUE(Near(f, kMirrored.x + 8, kMirrored.y + mid, kBox, 0));
    EXPECT_TRUE(Near(f, band(kRotated, 0), kRotated.y + mid, Of(kOpaque), 0)) << "rotated by 0";
    EXPECT_TRUE(Near(f, band(kRotated, 3), kRotated.y + mid, kBox, 0));
}

// The Ex device's capture, for the other roads to compare with.
std::map<int, Frame>& Captures() {
    static std::map<int, Frame> captures;
    return captures;
}

class GraphicsRoadThreads : public ::testing::TestWithParam<Road> {
  protected:
    void SetUp() override {
        KnobSetVirtualClock(true);
        if (GetParam().renderer == Renderer::kPlain)
            KnobHideExport("d3d9.dll", "Direct3DCreate9Ex", true);
        if (GetParam().renderer == Renderer::kSoftware) KnobHideModule("d3d9.dll", true);
        const EngineFlags& f = GetEngineFlags();
        skips_ = {f.noWindow, f.noGraphics, f.noSound, f.noInput};
        SetEngineSkipFlags(0, 0, 0, 0);
        // The log goes to this test's folder; the window takes the screen's size.
        logFolder_ = GetLogFolder();
        SetLogFolder("");
        window_ = WindowState().settings;
        WindowSettings& w = WindowState().settings;
        w.scaleX = w.scaleY = 1.0;
        w.clientWidth = w.clientHeight = w.clientSizeSet = w.fixedWithoutScaling = 0;
        blocksBefore_ = MemGetCount();
    }
    void TearDown() override {
        ShutdownEngineLocked();
        SetLogFolder(logFolder_.c_str());
        WindowState().settings = window_;
        SetEngineSkipFlags(skips_[0], skips_[1], skips_[2], skips_[3]);
    }

    int blocksBefore_ = 0;
    std::string logFolder_;
    std::vector<int> skips_;
    WindowSettings window_{};
};

TEST_P(GraphicsRoadThreads, StartDrawShowAndEnd) {
    const bool software = GetParam().renderer == Renderer::kSoftware;
    // 1. The real start-up, windowed at 400 x 300.
    ASSERT_EQ(0, ChangeWindowMode(1));
    ASSERT_EQ(0, SetScreenMode(400, 300, 32, 0));
    ASSERT_EQ(0, InitializeEngineLocked());
    EXPECT_EQ(software ? 1 : 0, IsSoftwareRenderer());
    EXPECT_TRUE(PumpUntil([] { return KnobWindowPresentCount(graphicstest::MainWindow()) > 0; }))
        << "the first frame reaches the window";

    // 2. The picture, loaded as the game loads it.
    testsupport::WriteFile("picture.png", ThePicture());
    SetTransparentColor(255, 0, 255);
    SetTransparentColorToAlpha(1);
    SetUseAsyncLoad(1);
    const Handle picture = LoadGraphic("picture.png");
    SetUseAsyncLoad(0);
    ASSERT_NE(-1, picture);
    ASSERT_TRUE(PumpUntil([&] { return IsHandleAsyncPending(picture) == 0; }));

    // 3. The frame, drawn into the off-screen and shown.
    const Handle offscreen = CreateDrawableGraphic(400, 300, software ? 0 : 1);
    ASSERT_NE(-1, offscreen);
    ASSERT_EQ(0, DrawTheFrame(picture, offscreen));

    // 4. What the window shows, and the picture read back.
    const Frame a = Capture();
    ASSERT_EQ(400, a.width);
    ASSERT_EQ(300, a.height);
    ExpectTheFrame(a, software ? 3 : 1);
    BaseImage screen{};
    ASSERT_EQ(0, ReadGraphicToBaseImage(-2, &screen, nullptr));
    int differing = 0;
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x)
            differing += (GetBaseImagePixelArgb(&screen, x, y) & 0xFFFFFF) != a.At(x, y);
    EXPECT_EQ(0, differing) << "the back buffer read back is what the window shows";
    FreeBaseImagePixels(&screen);
    BaseImage back{};
    ASSERT_EQ(0, ReadGraphicToBaseImage(picture, &back, nullptr));
    EXPECT_EQ(0xFF000000u | kOpaque, GetBaseImagePixelArgb(&back, 3, 5)) << "opaque texels exact";
    EXPECT_EQ(0u, GetBaseImagePixelArgb(&back, 52, 5) >> 24) << "the key became alpha 0";
    EXPECT_EQ(0x80000000u | kHalf, GetBaseImagePixelArgb(&back, 20, 5));
    Captures()[static_cast<int>(GetParam().renderer)] = a;
    if (GetParam().renderer == Renderer::kPlain && Captures().count(0)) {
        EXPECT_EQ(Captures()[0].pixels, a.pixels) << "both devices show the same frame";
    }

    // 5. The device is lost and comes back; the window's reactivation
    // rebuilds it and restores the graphics by itself.
    const long devicesBefore = KnobD3D9LiveCount("Device");
    if (!software) {
        KnobD3D9LoseDevices();
        KnobD3D9RegainDevices();
    }
    KnobWindowEvent(graphicstest::MainWindow(), KnobWindowEventKind::FocusLost);
    KnobWindowEvent(graphicstest::MainWindow(), KnobWindowEventKind::FocusGained);
    const auto restored = [] {
        return static_cast<bool>(
            graphicstest::LogHasInOrder({"グラフィックの復帰が完了しました\n"}));
    };
    PumpUntil([&] { return software ? GetWindowActiveFlag() == 1 : restored(); });
    if (!software) {
        EXPECT_TRUE(graphicstest::LogHasInOrder(
            {"グラフィックを復帰します\n", "グラフィックの復帰が完了しました\n"}));
        EXPECT_EQ(devicesBefore, KnobD3D9LiveCount("Device")) << "the old device released";
    }

    // 6. The same frame again: the same pixels.
    ASSERT_EQ(0, DrawTheFrame(picture, offscreen));
    const Frame b = Capture();
    EXPECT_EQ(a.pixels, b.pixels) << "the frame after the restore";
    BaseImage again{};
    ASSERT_EQ(0, ReadGraphicToBaseImage(picture, &again, nullptr));
    EXPECT_EQ(
        0, std::memcmp(back.pixels, again.pixels, static_cast<size_t>(back.pitch) * back.height));
    FreeBaseImagePixels(&again);
    FreeBaseImagePixels(&back);

    // 7. Shut down: nothing of the engine is left.
    HWND window = graphicstest::MainWindow();
    ASSERT_EQ(0, ShutdownEngineLocked());
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(0, AsyncLiveWorkerThreads());
    EXPECT_EQ(0, KnobD3D9LiveCount(nullptr));
    EXPECT_EQ(blocksBefore_, MemGetCount()) << "no tracked block left";
}

INSTANTIATE_TEST_SUITE_P(Renderers, GraphicsRoadThreads,
                         ::testing::Values(Road{"ExDevice", Renderer::kEx},
                                           Road{"PlainDevice", Renderer::kPlain},
                                           Road{"Software", Renderer::kSoftware}),
                         [](const ::testing::TestParamInfo<Road>& info) {
                             return std::string(info.param.name);
                         });

}  // namespace
