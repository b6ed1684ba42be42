// The public graphic draws: vertices in the batch, texel-for-texel pixels
// with the draw area cutting each side on both renderers, and the checks
// every draw makes before drawing.
#include <gtest/gtest.h>

#include <vector>

#include "core/handle_manager.h"
#include "graphics/device_layer.h"
#include "graphics/device_setup.h"
#include "graphics/draw_settings.h"
#include "graphics/graphic_draws.h"
#include "graphics/graphic_handles.h"
#include "graphics/quad_draws.h"
#include "graphics/software_draw.h"
#include "graphics/vertex_batch.h"
#include "graphics_fixture.h"
#include "test_knobs.h"

using namespace DuRud;
using namespace graphicstest;

namespace {

constexpr int kScreenW = 100, kScreenH = 80;

// Every texel its own colour: red the column, green the row.
uint32_t Texel(int x, int y) {
    return 0xFF000000u | uint32_t(x * 4) << 16 | uint32_t(y * 4) << 8 | 0x40;
}

ScreenSettings SmallScreen(int software) {
    ScreenSettings s = WithHandles();
    s.width = kScreenW;
    s.height = kScreenH;
    s.softwareForced = software;
    return s;
}

uint32_t ScreenPixel(int software, int x, int y) {
    if (!software) return BackBufferPixel(x, y) & 0xFFFFFF;
    const MEMIMG* p = SoftwarePrimary();
    return reinterpret_cast<const uint32_t*>(p->pixels + y * p->body->pitch)[x] & 0xFFFFFF;
}

// The top-left w x h of the screen, row by row.
std::vector<uint32_t> Snapshot(int software, int w, int h) {
    std::vector<uint32_t> pixels;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) pixels.push_back(ScreenPixel(software, x, y));
    return pixels;
}

// Pixels of the top-left w x h that differ from want(x, y), or from the
// snapshot where want gives false; the first few are reported.
template <typename Want>
int WrongPixels(int software, int w, int h, const std::vector<uint32_t>& before, Want want) {
    int wrong = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint32_t expected = before[y * w + x];
            want(x, y, &expected);
            const uint32_t got = ScreenPixel(software, x, y);
            if (got != expected && ++wrong < 5)
                ADD_FAILURE() << "pixel " << x << ", " << y << ": " << std::hex << got << " want "
                              << expected;
        }
    return wrong;
}

class GraphicDrawsTest : public ::testing::Test {
  protected:
    void TearDown() override { StopDevice(); }
};

TEST_F(GraphicDrawsTest, PlainDrawWritesHalfPixelOffsetQuad) {
    ASSERT_EQ(0, StartDevice(SmallScreen(0)));
    const Handle g = GraphicOfPixels(32, 32, Texel);
    FlushVertexBatch();
    ASSERT_EQ(0, DrawGraphicAt(10, 20, g, 0));
    const VertexBatch& b = GetVertexBatch();
    ASSERT_EQ(1, b.kind);
    ASSERT_EQ(6, b.pending);
    const auto* v = reinterpret_cast<const Vertex2DTex*>(b.buffers[1]);
    EXPECT_FLOAT_EQ(9.5f, v[0].x);
    EXPECT_FLOAT_EQ(19.5f, v[0].y);
    EXPECT_FLOAT_EQ(41.5f, v[3].x);
    EXPECT_FLOAT_EQ(51.5f, v[3].y);
}

// A lost device leaves graphics without textures until the restore: their
// draws write nothing, neither into the plain slot nor past it.
TEST_F(GraphicDrawsTest, GraphicWithoutTexturesWritesNoVertices) {
    struct Row {
        const char* name;
        int (*draw)(Handle);
    };
    const Row rows[] = {
        {"At", [](Handle g) { return DrawGraphicAt(10, 10, g, 1); }},
        {"Stretched", [](Handle g) { return DrawGraphicStretched(10, 10, 40, 30, g, 1); }},
        {"Rotated", [](Handle g) { return DrawGraphicRotated(30, 30, 1.0, 0.5, g, 1, 0); }},
        {"FreeCorners",
         [](Handle g) { return DrawGraphicQuadF(10, 10, 40, 14, 44, 44, 14, 40, g, 1); }},
    };
    ASSERT_EQ(0, StartDevice(SmallScreen(0)));
    const Handle g = GraphicOfPixels(16, 16, Texel);
    ASSERT_GE(g, 0);
    ReleaseAllGraphicTextures();
    for (const Row& r : rows) {
        FlushVertexBatch();
        EXPECT_EQ(0, r.draw(g)) << r.name;
        EXPECT_EQ(0, GetVertexBatch().pending) << r.name;
    }
}

struct PlainCase {
    const char* name;
    RECT clip;
    int x, y;
    bool floatPosition;
};
// Column and row in the low bytes, their high bits in blue.
uint32_t WideTexel(int x, int y) {
    return 0xFF000000u | uint32_t(x & 0xFF) << 16 | uint32_t(y & 0xFF) << 8 |
           uint32_t(x >> 8 << 4 | y >> 8);
}

TEST_F(GraphicDrawsTest, TiledPictureIsSeamlessWithOneTextureAndFlushPerTile) {
    KnobD3D9MaxTextureSize(256);
    ScreenSettings s = WithHandles();
    s.width = 640;
    s.height = 320;
    ASSERT_EQ(0, StartDevice(s));
    const Handle g = GraphicOfPixels(600, 300, WideTexel);
    const int tiles = GraphicFromHandle(g, 0)->pieceCount;
    ASSERT_GE(tiles, 6);  // at least three across and two down
    FlushVertexBatch();
    KnobD3D9Trace(true);
    KnobD3D9TakeTrace();
    ASSERT_EQ(0, DrawGraphicAt(20, 10, g, 0));
    FlushVertexBatch();
    const auto trace = KnobD3D9TakeTrace();
    EXPECT_EQ(size_t(tiles), TraceOf(trace, "DrawPrimitiveUP").size());
    EXPECT_EQ(size_t(tiles), TraceOf(trace, "SetTexture").size());
    int wrong = 0;
    for (int y = 0; y < 300; ++y)
        for (int x = 0; x < 600; ++x)
            if ((BackBufferPixel(20 + x, 10 + y) & 0xFFFFFF) != (WideTexel(x, y) & 0xFFFFFF) &&
                ++wrong < 5)
                ADD_FAILURE() << "texel " << x << ", " << y;
    EXPECT_EQ(0, wrong);
}

TEST_F(GraphicDrawsTest, ManySpritesShareOneDeviceDraw) {
    ASSERT_EQ(0, StartDevice(SmallScreen(0)));
    const Handle g = SolidGraphic(8, 8, 0xFF00FF00);
    ASSERT_EQ(0, DrawGraphicAt(0, 0, g, 0));
    FlushVertexBatch();
    KnobD3D9Trace(true);
    KnobD3D9TakeTrace();
    for (int i = 0; i < 300; ++i) ASSERT_EQ(0, DrawGraphicAt(i % 90, i % 70, g, 0));
    EXPECT_EQ(1800, GetVertexBatch().pending);
    FlushVertexBatch();
    const auto trace = KnobD3D9TakeTrace();
    EXPECT_EQ(1u, TraceOf(trace, "DrawPrimitiveUP").size());
    EXPECT_EQ(1u, trace.size()) << trace.front();
}

struct PathCase {
    PlainCase row;
    int software;
};
void PrintTo(const PathCase& c, std::ostream* os) {
    *os << c.row.name << (c.software ? "Software" : "Direct3D");
}

class PlainDraw : public ::testing::TestWithParam<PathCase> {
  protected:
    void TearDown() override { StopDevice(); }
};

// Inside the draw area and over the graphic each pixel shows its texel;
// every other pixel keeps what was there.
TEST_P(PlainDraw, CopiesTexelsInsideTheDrawArea) {
    const PlainCase& c = GetParam().row;
    const int sw = GetParam().software;
    ASSERT_EQ(0, StartDevice(SmallScreen(sw)));
    const Handle g = GraphicOfPixels(32, 32, Texel);
    const auto before = Snapshot(sw, kScreenW, kScreenH);
    ASSERT_EQ(0, SetDrawClip(c.clip.left, c.clip.top, c.clip.right, c.clip.bottom));
    const int result = c.floatPosition ? DrawGraphicAtF(float(c.x), float(c.y), g, 0)
                                       : DrawGraphicAt(c.x, c.y, g, 0);
    ASSERT_EQ(0, result);
    EXPECT_EQ(0, WrongPixels(sw, kScreenW, kScreenH, before, [&c](int x, int y, uint32_t* want) {
                  if (x >= c.clip.left && x < c.clip.right && y >= c.clip.top &&
                      y < c.clip.bottom && x >= c.x && x < c.x + 32 && y >= c.y && y < c.y + 32)
                      *want = Texel(x - c.x, y - c.y) & 0xFFFFFF;
              }));
}

const PlainCase kPlainCases[] = {
    {"Inside", {0, 0, kScreenW, kScreenH}, 10, 20, false},
    {"InsideAtFloat", {0, 0, kScreenW, kScreenH}, 10, 20, true},
    {"PastScreenLeft", {0, 0, kScreenW, kScreenH}, -8, 0, false},
    {"ClipLeft", {20, 10, 70, 60}, 10, 20, false},
    {"ClipTop", {20, 10, 70, 60}, 30, 0, false},
    {"ClipRight", {20, 10, 70, 60}, 50, 20, false},
    {"ClipBottom", {20, 10, 70, 60}, 30, 40, false},
    {"ClipAllSides", {20, 10, 40, 30}, 15, 5, false},
    {"OffClip", {20, 10, 70, 60}, 70, 20, false},
};
std::vector<PathCase> BothPaths() {
    std::vector<PathCase> cases;
    for (const PlainCase& c : kPlainCases)
        for (int sw : {0, 1}) cases.push_back({c, sw});
    return cases;
}
INSTANTIATE_TEST_SUITE_P(Rows, PlainDraw, ::testing::ValuesIn(BothPaths()), [](const auto& info) {
    return std::string(info.param.row.name) + (info.param.software ? "Software" : "Direct3D");
});

struct EntryCase {
    const char* name;
    void (*setup)(Handle* graphic);
    int want;
};
void PrintTo(const EntryCase& c, std::ostream* os) {
    *os << c.name;
}
class DrawEntry : public ::testing::TestWithParam<EntryCase> {
  protected:
    void TearDown() override { StopDevice(); }
};

TEST_P(DrawEntry, ChecksBeforeDrawing) {
    ASSERT_EQ(0, StartDevice(SmallScreen(0)));
    Handle g = SolidGraphic(8, 8, 0xFF00FF00);
    GetParam().setup(&g);
    EXPECT_EQ(GetParam().want, DrawGraphicAt(1, 1, g, 0));
    EXPECT_EQ(GetParam().want, DrawGraphicAtF(1.0f, 1.0f, g, 0));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, DrawEntry,
    ::testing::Values(EntryCase{"Valid", [](Handle*) {}, 0},
                      EntryCase{"BadHandle", [](Handle* g) { *g = 12345; }, -1},
                      EntryCase{"DeletedHandle", [](Handle* g) { DeleteGraphic(*g); }, -1},
                      EntryCase{"EmptyClipBeforeHandleCheck",
                                [](Handle* g) {
                                    SetDrawClip(5, 5, 5, 5);
                                    *g = 12345;
                                },
                                0},
                      EntryCase{"BlendGraphicOneNarrower",
                                [](Handle* g) {
                                    SetBlendSourceGraphic(SolidGraphic(7, 8, 0xFF808080), 0, 128,
                                                          0);
                                },
                                -1},
                      EntryCase{"BlendGraphicLarger",
                                [](Handle* g) {
                                    SetBlendSourceGraphic(SolidGraphic(9, 9, 0xFF808080), 0, 128,
                                                          0);
                                },
                                0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(GraphicDrawsTest, StillLoadingIsRefused) {
    ASSERT_EQ(0, StartDevice(SmallScreen(0)));
    const Handle g = SolidGraphic(8, 8, 0xFF00FF00);
    ASSERT_EQ(0, BeginHandleAsyncLoad(g, 1));
    EXPECT_EQ(-1, DrawGraphicAt(1, 1, g, 0));
    EXPECT_EQ(-1, DrawGraphicRotated(10, 10, 1.0, 0.0, g, 0, 0));
    ASSERT_EQ(0, EndHandleAsyncLoad(g));
    EXPECT_EQ(0, DrawGraphicAt(1, 1, g, 0));
}

TEST(GraphicDrawsEntry, BeforeEngineStartIsRefused) {
    EXPECT_EQ(-1, DrawGraphicAt(0, 0, 1, 0));
}

}  // namespace

namespace {

int GraphicHandleCount() {
    int count = 0;
    ForEachHandleRecord(HandleTypeGraphic, [&count](HandleHeader*) { ++count; });
    return count;
}

// Placed draws of an 8 x 6 graphic: which texel each screen pixel shows.
struct PlacedCase {
    const char* name;
    int (*draw)(Handle graphic);
    // The covered box at (10, 5) sized w x h; pixel (10 + i, 5 + j) shows
    // texel (firstX + stepX * (i / repeat), firstY + j / repeat).
    int w, h, firstX, stepX, firstY, repeat;
};
struct PlacedPath {
    PlacedCase row;
    int software;
};
void PrintTo(const PlacedPath& c, std::ostream* os) {
    *os << c.row.name;
}
class PlacedDraw : public ::testing::TestWithParam<PlacedPath> {
  protected:
    void TearDown() override { StopDevice(); }
};

TEST_P(PlacedDraw, ShowsHandComputedTexels) {
    const PlacedCase& c = GetParam().row;
    const int sw = GetParam().software;
    ASSERT_EQ(0, StartDevice(SmallScreen(sw)));
    const Handle g = GraphicOfPixels(8, 6, Texel);
    const auto before = Snapshot(sw, 40, 30);
    const DrawSettings& d = GetDrawSettings();
    const int area[4] = {d.areaX1, d.areaY1, d.areaX2, d.areaY2};
    const int handles = GraphicHandleCount();
    ASSERT_EQ(0, c.draw(g));
    EXPECT_EQ(handles, GraphicHandleCount()) << "no handle left behind";
    EXPECT_EQ(area[0], d.areaX1);
    EXPECT_EQ(area[3], d.areaY2);
    EXPECT_EQ(float(area[2]), d.areaFloat[2]) << "the draw area is given back";
    EXPECT_EQ(0, WrongPixels(sw, 40, 30, before, [&c](int x, int y, uint32_t* want) {
                  const int i = x - 10, j = y - 5;
                  if (i >= 0 && i < c.w && j >= 0 && j < c.h)
                      *want = Texel(c.firstX + c.stepX * (i / c.repeat), c.firstY + j / c.repeat) &
                              0xFFFFFF;
              }));
}

const PlacedCase kPlaced[] = {
    {"TurnedMirrors", [](Handle g) { return DrawGraphicTurned(10, 5, g, 0); }, 8, 6, 7, -1, 0, 1},
    {"StretchedDoubles", [](Handle g) { return DrawGraphicStretched(10, 5, 26, 17, g, 0); }, 16, 12,
     0, 1, 0, 2},
    {"StretchedReversedMirrorsDoubled",
     [](Handle g) { return DrawGraphicStretched(26, 5, 10, 17, g, 0); }, 16, 12, 7, -1, 0, 2},
    {"PartShowsOnlyThePiece", [](Handle g) { return DrawGraphicPart(10, 5, 2, 1, 4, 3, g, 0, 0); },
     4, 3, 2, 1, 1, 1},
    {"PartStretchedDoublesThePiece",
     [](Handle g) { return DrawGraphicPartStretchedF(10, 5, 18, 11, 2, 1, 4, 3, g, 0); }, 8, 6, 2,
     1, 1, 2},
    {"PartTurnedStartsAtItsLastColumn",
     [](Handle g) { return DrawGraphicPart(10, 5, 2, 1, 4, 3, g, 0, 1); }, 4, 3, 5, -1, 1, 1},
};
std::vector<PlacedPath> PlacedBothPaths() {
    std::vector<PlacedPath> cases;
    for (const PlacedCase& c : kPlaced)
        for (int sw : {0, 1}) cases.push_back({c, sw});
    return cases;
}
INSTANTIATE_TEST_SUITE_P(Rows, PlacedDraw, ::testing::ValuesIn(PlacedBothPaths()),
                         [](const auto& info) {
                             return std::string(info.param.row.name) +
                                    (info.param.software ? "Software" : "Direct3D");
                         });

struct RefusedCase {
    const char* name;
    int (*draw)(Handle graphic);
};
class RefusedDraw : public ::testing::TestWithParam<RefusedCase> {
  protected:
    void TearDown() override { StopDevice(); }
};
TEST_P(RefusedDraw, AnswersMinusOneAndKeepsTheDrawArea) {
    ASSERT_EQ(0, StartDevice(SmallScreen(0)));
    ASSERT_EQ(0, SetDrawClip(5, 6, 50, 60));
    EXPECT_EQ(-1, GetParam().draw(SolidGraphic(8, 8, 0xFF00FF00)));
    const DrawSettings& d = GetDrawSettings();
    EXPECT_EQ(5, d.areaX1);
    EXPECT_EQ(60, d.areaY2);
    EXPECT_EQ(50.0f, d.areaFloat[2]);
    const MemImgDrawStateRecord& soft = MemImgDrawState;
    EXPECT_EQ((std::vector<int>{5, 6, 50, 60}),
              (std::vector<int>{soft.clipLeft, soft.clipTop, soft.clipRight, soft.clipBottom}))
        << "the software renderer's area";
}
INSTANTIATE_TEST_SUITE_P(
    Rows, RefusedDraw,
    ::testing::Values(
        RefusedCase{"StretchedZeroWidth",
                    [](Handle g) { return DrawGraphicStretched(10, 5, 10, 17, g, 0); }},
        RefusedCase{"PartZeroWidth",
                    [](Handle g) { return DrawGraphicPart(0, 0, 0, 0, 0, 3, g, 0, 0); }},
        RefusedCase{"PartTurnedBadHandle",
                    [](Handle) { return DrawGraphicPart(0, 0, 0, 0, 4, 3, 12345, 0, 1); }},
        RefusedCase{
            "PartStretchedEmptyPiece",
            [](Handle g) { return DrawGraphicPartStretchedF(0, 0, 8, 8, 1, 1, 4, 0, g, 0); }},
        RefusedCase{
            "PartStretchedBadHandle",
            [](Handle) { return DrawGraphicPartStretchedF(0, 0, 8, 8, 0, 0, 4, 4, 12345, 0); }},
        RefusedCase{"RotatedScaleZero",
                    [](Handle g) { return DrawGraphicRotated(10, 10, 0.0, 0.5, g, 0, 0); }},
        RefusedCase{"TurnedBadHandle", [](Handle) { return DrawGraphicTurned(0, 0, 12345, 0); }}),
    [](const auto& info) { return std::string(info.param.name); });

// Quarter turns about (20, 15) at scale 1: texel (i, j) lands on
// (x0 + xi * i + xj * j, y0 + yi * i + yj * j).
struct TurnCase {
    const char* name;
    int width, height, quarters, software;
    int x0, xi, xj, y0, yi, yj;
};
void PrintTo(const TurnCase& c, std::ostream* os) {
    *os << c.name;
}
class RotatedDraw : public ::testing::TestWithParam<TurnCase> {
  protected:
    void TearDown() override { StopDevice(); }
};

TEST_P(RotatedDraw, LandsEveryTexelOnceWhereComputed) {
    const TurnCase& c = GetParam();
    ASSERT_EQ(0, StartDevice(SmallScreen(c.software)));
    const Handle g = GraphicOfPixels(c.width, c.height, Texel);
    const auto before = Snapshot(c.software, 40, 30);
    ASSERT_EQ(0, DrawGraphicRotated(20, 15, 1.0, c.quarters * 1.5707963267948966, g, 0, 0));
    for (int j = 0; j < c.height; ++j)
        for (int i = 0; i < c.width; ++i) {
            const int x = c.x0 + c.xi * i + c.xj * j, y = c.y0 + c.yi * i + c.yj * j;
            EXPECT_EQ(Texel(i, j) & 0xFFFFFF, ScreenPixel(c.software, x, y))
                << "texel " << i << ", " << j << " at " << x << ", " << y;
        }
    int changed = 0;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x) changed += ScreenPixel(c.software, x, y) != before[y * 40 + x];
    EXPECT_EQ(c.width * c.height, changed);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, RotatedDraw,
    ::testing::Values(TurnCase{"Odd0", 5, 3, 0, 0, 18, 1, 0, 14, 0, 1},
                      TurnCase{"Odd0Software", 5, 3, 0, 1, 18, 1, 0, 14, 0, 1},
                      TurnCase{"Odd90", 5, 3, 1, 0, 21, 0, -1, 13, 1, 0},
                      TurnCase{"Odd180", 5, 3, 2, 0, 22, -1, 0, 16, 0, -1},
                      TurnCase{"Odd270", 5, 3, 3, 0, 19, 0, 1, 17, -1, 0},
                      TurnCase{"Even0", 4, 2, 0, 0, 18, 1, 0, 14, 0, 1},
                      TurnCase{"Even90", 4, 2, 1, 0, 20, 0, -1, 13, 1, 0},
                      TurnCase{"Even180", 4, 2, 2, 0, 21, -1, 0, 15, 0, -1},
                      TurnCase{"Even270", 4, 2, 3, 0, 19, 0, 1, 16, -1, 0},
                      // One odd side: each screen axis placed by the
                      // side along it, as when both are even or odd.
                      TurnCase{"WideOdd0", 4, 3, 0, 0, 18, 1, 0, 14, 0, 1},
                      TurnCase{"WideOdd0Software", 4, 3, 0, 1, 18, 1, 0, 14, 0, 1},
                      TurnCase{"WideOdd90", 4, 3, 1, 0, 21, 0, -1, 13, 1, 0},
                      TurnCase{"WideOdd180", 4, 3, 2, 0, 21, -1, 0, 16, 0, -1},
                      TurnCase{"WideOdd270", 4, 3, 3, 0, 19, 0, 1, 16, -1, 0},
                      TurnCase{"TallOdd0", 5, 2, 0, 0, 18, 1, 0, 14, 0, 1},
                      TurnCase{"TallOdd0Software", 5, 2, 0, 1, 18, 1, 0, 14, 0, 1},
                      TurnCase{"TallOdd90", 5, 2, 1, 0, 20, 0, -1, 13, 1, 0},
                      TurnCase{"TallOdd180", 5, 2, 2, 0, 22, -1, 0, 15, 0, -1},
                      TurnCase{"TallOdd270", 5, 2, 3, 0, 19, 0, 1, 17, -1, 0}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace

namespace {

// A red graphic drawn (transparent) over black through a blend graphic: a cross-fade
// weights the blue blend graphic by its parameter, an alpha mask of alpha
// 128 lets half the red through, a wipe at threshold 255 shows nothing.
struct BlendCase {
    const char* name;
    uint32_t blendArgb;
    int type, first, second;
    uint32_t want;  // RGB, each channel within one step
};
class BlendGraphicDraw : public ::testing::TestWithParam<BlendCase> {
  protected:
    void TearDown() override { StopDevice(); }
};

TEST_P(BlendGraphicDraw, GivesHandValues) {
    const BlendCase& c = GetParam();
    ASSERT_EQ(0, StartDevice(SmallScreen(0)));
    DeviceColorFill(GetDeviceResources().backBuffer, nullptr, 0);
    const Handle red = SolidGraphic(8, 8, 0xFFFF0000);
    ASSERT_EQ(0, SetBlendSourceGraphic(SolidGraphic(8, 8, c.blendArgb), c.type, c.first, c.second));
    ASSERT_EQ(0, DrawGraphicAt(10, 10, red, 1));
    const uint32_t got = BackBufferPixel(13, 13);
    for (int shift : {0, 8, 16})
        EXPECT_NEAR(int(c.want >> shift & 0xFF), int(got >> shift & 0xFF), 1) << std::hex << got;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, BlendGraphicDraw,
    ::testing::Values(BlendCase{"CrossFade0", 0xFF0000FF, 0, 0, 0, 0xFF0000},
                      BlendCase{"CrossFade128", 0xFF0000FF, 0, 128, 0, 0x7F0080},
                      BlendCase{"CrossFade255", 0xFF0000FF, 0, 255, 0, 0x0000FF},
                      BlendCase{"AlphaMaskHalf", 0x80FFFFFF, 2, 0, 0, 0x800000},
                      BlendCase{"WipeThreshold255", 0xFF808080, 1, 255, 100, 0x000000}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
