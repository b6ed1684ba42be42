// Boxes on both renderers: under additive blending every covered pixel
// shows how many times it was drawn, so the outline's once-only rule and the
// sorted corners are seen in the pixels.
#include <gtest/gtest.h>

#include <vector>

#include "graphics/software_draw.h"
#include "graphics_fixture.h"
#include "image/memimg.h"

using namespace DuRud;
using namespace graphicstest;

namespace {

constexpr int kW = 32, kH = 40, kStep = 0x30;

struct BoxCase {
    const char* name;
    int x1, y1, x2, y2, filled;
    RECT covered;  // sorted; each pixel once (outline: its border pixels only)
};
struct PathCase {
    BoxCase row;
    int software;
};
void PrintTo(const PathCase& c, std::ostream* os) {
    *os << c.row.name;
}

class BoxShapes : public ::testing::TestWithParam<PathCase> {
  protected:
    void TearDown() override { StopDevice(); }
};

uint32_t Red(int software, int x, int y) {
    if (!software) return BackBufferPixel(x, y) >> 16 & 0xFF;
    const MEMIMG* p = SoftwarePrimary();
    return reinterpret_cast<const uint32_t*>(p->pixels + y * p->body->pitch)[x] >> 16 & 0xFF;
}

TEST_P(BoxShapes, CoverTheirPixelsOnce) {
    const BoxCase& c = GetParam().row;
    const int sw = GetParam().software;
    BuildMemImgBlendTables();
    ScreenSettings s = WithHandles();
    s.width = kW;
    s.height = kH;
    s.softwareForced = sw;
    ASSERT_EQ(0, StartDevice(s));
    std::vector<uint32_t> before;
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) before.push_back(Red(sw, x, y));
    ASSERT_EQ(0, SetBlendMode(2, 255));
    ASSERT_EQ(0, DrawBoxShape(c.x1, c.y1, c.x2, c.y2, MakeColorValue(kStep, 0, 0), c.filled));
    const RECT& r = c.covered;
    int wrong = 0;
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            const bool in = x >= r.left && x < r.right && y >= r.top && y < r.bottom;
            const bool border = x == r.left || x == r.right - 1 || y == r.top || y == r.bottom - 1;
            const uint32_t want = before[y * kW + x] + (in && (c.filled || border) ? kStep : 0);
            if (Red(sw, x, y) != want && ++wrong < 5)
                ADD_FAILURE() << "pixel " << x << ", " << y << ": red " << Red(sw, x, y) << " want "
                              << want;
        }
    EXPECT_EQ(0, wrong);
}

const BoxCase kBoxes[] = {
    {"FilledReversedCorners", 20, 30, 10, 5, 1, {10, 5, 20, 30}},
    {"FilledEmpty", 10, 10, 10, 20, 1, {0, 0, 0, 0}},
    {"Outline3x3", 0, 0, 3, 3, 0, {0, 0, 3, 3}},
    {"Outline1x1", 4, 4, 5, 5, 0, {4, 4, 5, 5}},
    {"Outline1x5", 6, 0, 7, 5, 0, {6, 0, 7, 5}},
    {"Outline5x1", 0, 8, 5, 9, 0, {0, 8, 5, 9}},
    {"OutlineReversedX", 15, 5, 10, 9, 0, {10, 5, 15, 9}},
    {"OutlineEmpty", 3, 3, 3, 8, 0, {0, 0, 0, 0}},
};
std::vector<PathCase> BothPaths() {
    std::vector<PathCase> cases;
    for (const BoxCase& c : kBoxes)
        for (int sw : {0, 1}) cases.push_back({c, sw});
    return cases;
}
INSTANTIATE_TEST_SUITE_P(Rows, BoxShapes, ::testing::ValuesIn(BothPaths()), [](const auto& info) {
    return std::string(info.param.row.name) + (info.param.software ? "Software" : "Direct3D");
});

}  // namespace
