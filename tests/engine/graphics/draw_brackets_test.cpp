// Subtractive draws on a device that cannot subtract: the emulation's two
// inversions leave destination - source x alpha, within one step of the
// native blend, and untouched pixels outside the drawn shape. The inverted
// rectangle of a rotated draw is its bounding box widened by five.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "graphics/graphic_draws.h"
#include "graphics/vertex_batch.h"
#include "graphics_fixture.h"
#include "test_knobs.h"

using namespace DuRud;
using namespace graphicstest;

namespace {

constexpr int kW = 80, kH = 60;

struct SubtractCase {
    const char* name;
    int (*draw)(Handle graphic);
    RECT drawn;  // the pixels the source covers
};
void PrintTo(const SubtractCase& c, std::ostream* os) {
    *os << c.name;
}

class SubtractEmulation : public ::testing::TestWithParam<SubtractCase> {
  protected:
    void TearDown() override { StopDevice(); }
    // The screen after the draw in mode 3 at 128 over a (200, 100, 50) ground.
    static std::vector<uint32_t> DrawSubtracted(const SubtractCase& c) {
        ScreenSettings s = WithHandles();
        s.width = kW, s.height = kH;
        if (StartDevice(s) != 0) return {};
        DrawBoxShape(0, 0, kW, kH, MakeColorValue(200, 100, 50), 1);
        const Handle g = SolidGraphic(20, 10, 0xFF3C9614);  // (60, 150, 20)
        SetBlendMode(3, 128);
        c.draw(g);
        std::vector<uint32_t> pixels;
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) pixels.push_back(BackBufferPixel(x, y) & 0xFFFFFF);
        return pixels;
    }
};

int Channel(uint32_t c, int shift) {
    return int(c >> shift & 0xFF);
}

TEST_P(SubtractEmulation, MatchesNativeAndHandValues) {
    const SubtractCase& c = GetParam();
    const auto native = DrawSubtracted(c);
    ASSERT_FALSE(native.empty());
    StopDevice();
    KnobD3D9BlendOp(false);
    const auto emulated = DrawSubtracted(c);
    ASSERT_FALSE(emulated.empty());
    // 200 - 60 x 128 / 255 = 169.9, 100 - 150 x 128 / 255 = 24.7, 50 - 20 x 128 / 255 = 40.0
    const int inside[3] = {170, 25, 40}, outside[3] = {200, 100, 50};
    int wrong = 0;
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            const RECT& r = c.drawn;
            const bool in = x >= r.left && x < r.right && y >= r.top && y < r.bottom;
            const uint32_t e = emulated[y * kW + x], n = native[y * kW + x];
            for (int k = 0; k < 3; ++k) {
                const int shift = 16 - 8 * k;
                const int want = in ? inside[k] : outside[k];
                const bool bad = std::abs(Channel(e, shift) - want) > (in ? 1 : 0) ||
                                 std::abs(Channel(e, shift) - Channel(n, shift)) > 1;
                if (bad && ++wrong < 5)
                    ADD_FAILURE() << x << ", " << y << ": emulated " << std::hex << e << " native "
                                  << n;
            }
        }
    EXPECT_EQ(0, wrong);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SubtractEmulation,
    ::testing::Values(
        SubtractCase{"At", [](Handle g) { return DrawGraphicAt(7, 9, g, 0); }, {7, 9, 27, 19}},
        SubtractCase{"RotatedHalfTurn",
                     [](Handle g) { return DrawGraphicRotated(40, 30, 1.0, 3.14159265, g, 0, 0); },
                     {30, 25, 50, 35}},
        SubtractCase{"Stretched",
                     [](Handle g) { return DrawGraphicStretched(50, 20, 10, 40, g, 0); },
                     {10, 20, 50, 40}},
        SubtractCase{
            "Box",
            [](Handle) { return DrawBoxShape(12, 30, 2, 5, MakeColorValue(60, 150, 20), 1); },
            {2, 5, 12, 30}}),
    [](const auto& info) { return std::string(info.param.name); });

// The second inversion is the last plain quad written: its corners are
// the bracket rectangle.
class DrawBracketRectangle : public ::testing::Test {
  protected:
    void TearDown() override { StopDevice(); }
};

TEST_F(DrawBracketRectangle, RotatedIsTheBoundingBoxWidenedByFive) {
    KnobD3D9BlendOp(false);
    ScreenSettings s = WithHandles();
    s.width = kW, s.height = kH;
    ASSERT_EQ(0, StartDevice(s));
    const Handle g = SolidGraphic(20, 10, 0xFF3C9614);
    ASSERT_EQ(0, SetBlendMode(3, 255));
    ASSERT_EQ(0, DrawGraphicRotated(40, 30, 1.0, 0.52359878, g, 0, 0));
    // Corners (+-10, +-5) turned by 30 degrees reach +-11.16 across and
    // +-9.33 down: (23.84, 15.67) - (56.16, 44.33), truncated.
    const auto* v = reinterpret_cast<const Vertex2D*>(GetVertexBatch().buffers[0]);
    EXPECT_EQ((std::vector<float>{23, 15, 56, 44}),
              (std::vector<float>{v[0].x, v[0].y, v[3].x, v[3].y}));
}

}  // namespace
