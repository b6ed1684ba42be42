// One scene of opaque draws at whole-pixel positions, white brightness and
// point sampling: the software renderer's screen equals the device's pixel
// for pixel.
#include <gtest/gtest.h>

#include <vector>

#include "graphics/graphic_draws.h"
#include "graphics/graphic_fill.h"
#include "graphics/screen_state.h"
#include "graphics/software_draw.h"
#include "graphics_fixture.h"

using namespace DuRud;
using namespace graphicstest;

namespace {

constexpr int kW = 100, kH = 60;

uint32_t Texel(int x, int y) {
    return 0xFF000000u | uint32_t(x * 30) << 16 | uint32_t(y * 40) << 8 | 0x55;
}

// The scene's screen, RGB row by row; empty when the device did not start.
std::vector<uint32_t> Scene(int software) {
    ScreenSettings s = WithHandles();
    s.width = kW, s.height = kH, s.softwareForced = software;
    std::vector<uint32_t> pixels;
    if (StartDevice(s) != 0) return pixels;
    const Handle g = GraphicOfPixels(7, 5, Texel);  // odd on both sides
    const Handle filled = GraphicOfPixels(6, 4, Texel);
    const uint32_t colour = MakeColorValue(200, 90, 40);
    const int results[] = {
        DrawGraphicAt(2, 2, g, 0),
        DrawGraphicTurned(12, 2, g, 0),
        DrawGraphicPart(22, 2, 1, 1, 4, 3, g, 0, 0),
        DrawGraphicPart(28, 2, 1, 1, 4, 3, g, 0, 1),
        DrawGraphicStretched(34, 2, 48, 12, g, 0),
        DrawGraphicStretched(64, 2, 50, 12, g, 0),
        DrawGraphicRotated(80, 20, 1.0, 0.0, g, 0, 0),
        DrawBoxShape(2, 30, 20, 40, colour, 1),
        DrawBoxShape(40, 45, 25, 30, colour, 0),
        FillGraphic(filled, 10, 200, 30, 255, 0),
        DrawGraphicAt(50, 30, filled, 0),
    };
    for (int r : results)
        if (r != 0) return pixels;
    if (!software) BackBufferPixel(0, 0);  // draws what is batched
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) pixels.push_back(ScreenPixel(software, x, y));
    StopDevice();
    return pixels;
}

using BothRenderers = OwnScreenTest;  // the scene sets its own screen size

TEST_F(BothRenderers, DrawTheSamePixels) {
    const auto device = Scene(0);
    ASSERT_EQ(size_t(kW * kH), device.size());
    const auto software = Scene(1);
    ASSERT_EQ(size_t(kW * kH), software.size());
    int wrong = 0, drawn = 0;
    for (int i = 0; i < kW * kH; ++i) {
        drawn += device[i] != device[0];
        if (device[i] != software[i] && ++wrong < 6)
            ADD_FAILURE() << "pixel " << i % kW << ", " << i / kW << ": device " << std::hex
                          << device[i] << " software " << software[i];
    }
    EXPECT_EQ(0, wrong);
    // At, turned, rotated 7x5 each; two 4x3 parts; two 14x10 stretches; the
    // 18x10 box, the 15x15 outline's 56 pixels and the 6x4 filled graphic.
    EXPECT_EQ(105 + 24 + 280 + 180 + 56 + 24, drawn);
}

// A sprite with half alpha drawn with transparency in blend mode 0 is
// alpha-blended, whatever blend mode the draw before it left on the device.
TEST_F(BothRenderers, AlphaSpriteInModeZeroBlendsAfterAnyMode) {
    struct Row {
        const char* name;
        int earlierMode;  // -1: nothing drawn before the sprite
    };
    const Row rows[] = {{"FreshDevice", -1}, {"AfterAdditive", 2}, {"AfterAlphaBlend", 1}};
    // 0x80 of (200, 0, 0) over (40, 80, 160): 200 * 128/255 + 40 * 127/255
    // = 120.3, 80 * 127/255 = 39.8, 160 * 127/255 = 79.7.
    constexpr uint32_t kBlended = 0x782850;
    for (const Row& r : rows) {
        uint32_t shown[2] = {};
        for (int software = 0; software < 2; ++software) {
            ScreenSettings s = WithHandles();
            s.width = kW, s.height = kH, s.softwareForced = software;
            ASSERT_EQ(0, StartDevice(s)) << r.name;
            const Handle sprite = SolidGraphic(8, 8, 0x80C80000u);
            ASSERT_GE(sprite, 0) << r.name;
            ASSERT_EQ(0, DrawBoxShape(0, 0, kW, kH, MakeColorValue(40, 80, 160), 1));
            if (r.earlierMode >= 0) {
                SetBlendMode(r.earlierMode, 255);
                ASSERT_EQ(0, DrawBoxShape(60, 40, 70, 50, MakeColorValue(10, 10, 10), 1));
                SetBlendMode(0, 255);
            }
            ASSERT_EQ(0, DrawGraphicAt(10, 10, sprite, 1)) << r.name;
            shown[software] = ScreenPixel(software, 13, 13);
            StopDevice();
        }
        EXPECT_EQ(shown[1], shown[0])
            << r.name << std::hex << ": device " << shown[0] << ", software " << shown[1];
        for (int channel = 0; channel < 24; channel += 8)
            EXPECT_NEAR(int(kBlended >> channel & 0xFF), int(shown[0] >> channel & 0xFF), 1)
                << r.name << " channel at bit " << channel;
    }
}

}  // namespace
