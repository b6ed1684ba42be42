// Graphic handles: tiles cut to the device's limits, sub-graphics over one
// body, deletion, and the pixels each transfer road leaves in the tiles.
#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <vector>

#include "DuRud.h"
#include "core/handle_manager.h"
#include "graphics/device_layer.h"
#include "graphics/device_setup.h"
#include "graphics/graphic_handles.h"
#include "graphics/graphic_loading.h"
#include "graphics/graphic_transfer.h"
#include "graphics/screen_state.h"
#include "graphics/work_textures.h"
#include "graphics_fixture.h"
#include "image/pixel_conversion.h"
#include "test_knobs.h"

using namespace DuRud;
using namespace graphicstest;

namespace {

// A pattern without black (black is the default key colour).
uint32_t Pattern(int x, int y) {
    return 0xFF000000u | static_cast<uint32_t>((x * 3 + 1) & 0xFF) << 16 |
           static_cast<uint32_t>((y * 5 + 1) & 0xFF) << 8 | 0x40u;
}

struct Picture {
    BaseImage image{};
    Picture(int w, int h, uint32_t (*colour)(int, int) = Pattern) {
        CreateX8R8G8B8BaseImage(w, h, &image);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(image.pixels) +
                                            y * image.pitch)[x] = colour(x, y) & 0xFFFFFF;
    }
    ~Picture() { FreeBaseImagePixels(&image); }
};

::testing::AssertionResult ShowsPattern(Handle handle, int originX, int originY, int step = 1) {
    GraphicRecord* g = GraphicFromHandle(handle, 0);
    if (!g) return ::testing::AssertionFailure() << "bad handle";
    for (int y = 0; y < g->height; y += step)
        for (int x = 0; x < g->width; x += step)
            if (ShownPixel(handle, x, y) != Pattern(originX + x, originY + y))
                return ::testing::AssertionFailure()
                       << "at " << x << "," << y << ": " << std::hex << ShownPixel(handle, x, y)
                       << " want " << Pattern(originX + x, originY + y);
    return ::testing::AssertionSuccess();
}

TEST(GraphicTiles, SplitTextureAxis) {
    KnobD3D9ShaderVersions(0, 0);
    ASSERT_EQ(0, StartDevice(WithHandles()));
    const struct {
        int maximum, length, exact;
        std::vector<int> sizes;
    } cases[] = {{1024, 1000, 0, {1024}},
                 {1024, 1500, 0, {1024, 512}},
                 {1024, 1030, 0, {1024, 4, 2}},
                 {1024, 0, 0, {1}},
                 {0, 800, 1, {800}},
                 {256, 1200, 0, {256, 256, 256, 256, 128, 32, 16}}};
    for (const auto& c : cases) {
        uint16_t sizes[kMaxTilesPerAxis] = {};
        const int n = SplitTextureAxis(c.maximum, c.length, sizes, c.exact, 1);
        EXPECT_EQ(std::vector<int>(sizes, sizes + n), c.sizes) << c.length;
    }
    StopDevice();
    KnobD3D9TextureCaps(true, false, false);
    ASSERT_EQ(0, StartDevice(WithHandles()));
    uint16_t sizes[kMaxTilesPerAxis] = {};
    ASSERT_EQ(1, SplitTextureAxis(0, 800, sizes, 1, 1));
    EXPECT_EQ(1024, sizes[0]) << "power-of-two textures only";
    StopDevice();
}

struct TilingCase {
    const char* name;
    bool squareOnly;
    int maxTexture, width, height, minimumTiles;
};
void PrintTo(const TilingCase& c, std::ostream* os) {
    *os << c.name;
}

class GraphicTiling : public ::testing::TestWithParam<TilingCase> {};

TEST_P(GraphicTiling, TilesCoverThePictureExactly) {
    const TilingCase& c = GetParam();
    KnobD3D9ShaderVersions(0, 0);
    if (c.squareOnly) KnobD3D9TextureCaps(true, true, false);
    if (c.maxTexture) KnobD3D9MaxTextureSize(c.maxTexture);
    ASSERT_EQ(0, StartDevice(WithHandles()));
    Picture picture(c.width, c.height);
    const Handle g = NewGraphicFromBaseImage(&picture.image, nullptr);
    ASSERT_GE(g, 0);
    const GraphicRecord* record = GraphicFromHandle(g, 0);
    EXPECT_GE(record->pieceCount, c.minimumTiles);
    for (int i = 0; i < record->image->tileCount; ++i) {
        const TextureTile& t = record->image->tiles[i];
        if (c.squareOnly) {
            EXPECT_EQ(t.textureWidth, t.textureHeight);
        }
        if (c.maxTexture) {
            EXPECT_LE(t.textureWidth, c.maxTexture);
        }
    }
    EXPECT_TRUE(ShowsPattern(g, 0, 0, 7));
    EXPECT_TRUE(ShowsPattern(g, 0, 0, 1) || c.width * c.height > 70000);
    StopDevice();
}

INSTANTIATE_TEST_SUITE_P(Limits, GraphicTiling,
                         ::testing::Values(TilingCase{"SquareOnly", true, 0, 1024, 256, 4},
                                           TilingCase{"Max256", false, 256, 1200, 300, 5},
                                           TilingCase{"OneTile", false, 0, 64, 48, 1}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(GraphicHandles, SubGraphicsShareTheBodyAndOutliveTheParent) {
    KnobD3D9ShaderVersions(0, 0);
    ASSERT_EQ(0, StartDevice(WithHandles()));
    Picture picture(64, 64);
    const Handle parent = NewGraphicFromBaseImage(&picture.image, nullptr);
    ASSERT_GE(parent, 0);
    EXPECT_EQ(-1, CreateSubGraphic(64, 0, 8, 8, parent));
    EXPECT_EQ(-1, CreateSubGraphic(0, -1, 8, 8, parent));
    const Handle child = CreateSubGraphic(40, 8, 100, 16, parent);
    ASSERT_GE(child, 0);
    EXPECT_EQ(24, GraphicFromHandle(child, 0)->width) << "cut to the source";
    const Handle grandchild = CreateSubGraphic(4, 2, 4, 4, child);
    ASSERT_GE(grandchild, 0);
    EXPECT_EQ(44, GraphicFromHandle(grandchild, 0)->originX);
    EXPECT_EQ(10, GraphicFromHandle(grandchild, 0)->originY);
    EXPECT_EQ(GraphicFromHandle(parent, 0)->image, GraphicFromHandle(grandchild, 0)->image);
    int32_t deleted = -5;
    ASSERT_EQ(0, SetGraphicDeletedFlag(parent, &deleted));
    EXPECT_EQ(0, deleted);
    EXPECT_EQ(0, DeleteGraphic(parent));
    EXPECT_EQ(1, deleted);
    EXPECT_EQ(nullptr, GraphicFromHandle(parent, 0)) << "stale handle";
    EXPECT_EQ(-1, SetGraphicDeletedFlag(parent, &deleted));
    EXPECT_TRUE(ShowsPattern(grandchild, 44, 10));
    ClearWorkTextureCache();
    EXPECT_EQ(1, KnobD3D9LiveCount("Texture"));
    DeleteGraphic(child);
    DeleteGraphic(grandchild);
    EXPECT_EQ(0, KnobD3D9LiveCount("Texture"));
    EXPECT_EQ(nullptr, GraphicFromHandle(0x7C000000 | 5, 0)) << "wrong type";
    const Handle pending = NewGraphicHandle();
    BeginHandleAsyncLoad(pending, 0);
    EXPECT_EQ(nullptr, GraphicFromHandle(pending, 0));
    EXPECT_NE(nullptr, GraphicFromHandle(pending, 1));
    EndHandleAsyncLoad(pending);
    StopDevice();
}

TEST(GraphicHandles, RefusedEmptySizesLeaveNoHandleBehind) {
    struct Row {
        const char* name;
        int width, height;
    };
    const Row rows[] = {{"NoWidth", 0, 64}, {"NoHeight", 64, 0}, {"NegativeWidth", -3, 8}};
    KnobD3D9ShaderVersions(0, 0);
    ASSERT_EQ(0, StartDevice(WithHandles()));
    for (const Row& r : rows) {
        EXPECT_EQ(-1, CreateDrawableGraphic(r.width, r.height, 0)) << r.name;
        EXPECT_EQ(0, GetHandleTypeRecord(HandleTypeGraphic)->count) << r.name;
    }
    StopDevice();
}

struct RoadCase {
    const char* name;
    bool exDevice;
    bool drawTarget;
};
void PrintTo(const RoadCase& c, std::ostream* os) {
    *os << c.name;
}

class TransferRoads : public ::testing::TestWithParam<RoadCase> {};

TEST_P(TransferRoads, ASmallTransferChangesOnlyItsPixels) {
    const RoadCase& c = GetParam();
    KnobD3D9ShaderVersions(0, 0);
    if (!c.exDevice) KnobHideExport("d3d9.dll", "Direct3DCreate9Ex", true);
    ASSERT_EQ(0, StartDevice(WithHandles()));
    ASSERT_EQ(c.exDevice, GetDeviceLayer().deviceEx != nullptr);
    Picture picture(64, 64);
    const Handle g = c.drawTarget ? CreateDrawableGraphic(64, 64, 0)
                                  : NewGraphicFromBaseImage(&picture.image, nullptr);
    ASSERT_GE(g, 0);
    if (c.drawTarget) {
        ASSERT_EQ(0, TransferImageToGraphic(g, nullptr, 0, 0, &picture.image, nullptr, 0, 0, 0, 0));
    }
    // Managed textures only for plain-device pictures; the others borrow.
    EXPECT_EQ(!c.exDevice && !c.drawTarget, GraphicFromHandle(g, 0)->image->request.managed != 0);
    Picture red(10, 10, [](int, int) { return 0xFFFF0000u; });
    ASSERT_EQ(0, TransferImageToGraphic(g, nullptr, 20, 30, &red.image, nullptr, 0, 0, 0, 0));
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            const bool inside = x >= 20 && x < 30 && y >= 30 && y < 40;
            ASSERT_EQ(inside ? 0xFFFF0000u : Pattern(x, y), ShownPixel(g, x, y)) << x << "," << y;
        }
    StopDevice();
}

INSTANTIATE_TEST_SUITE_P(Roads, TransferRoads,
                         ::testing::Values(RoadCase{"ManagedLock", false, false},
                                           RoadCase{"WorkTexture", true, false},
                                           RoadCase{"DrawTargetPlain", false, true},
                                           RoadCase{"DrawTargetEx", true, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(GraphicTextures, ReleaseAndRecreateKeepTheRecords) {
    KnobD3D9ShaderVersions(0, 0);
    ASSERT_EQ(0, StartDevice(WithHandles()));
    Picture picture(300, 40);
    const Handle g = NewGraphicFromBaseImage(&picture.image, nullptr);
    ASSERT_GE(g, 0);
    ASSERT_GE(GetWorkTexture(8, 8, 1, kSlotColour32, 0), 0);
    const long textures = KnobD3D9LiveCount("Texture");
    ReleaseAllGraphicTextures();
    EXPECT_EQ(0, KnobD3D9LiveCount("Texture"));
    ASSERT_NE(nullptr, GraphicFromHandle(g, 0));
    ASSERT_EQ(0, RecreateDeviceResources());
    EXPECT_EQ(textures, KnobD3D9LiveCount("Texture"));
    ReleaseDeviceResources();
    EXPECT_EQ(0, KnobD3D9LiveCount(nullptr));
    StopDevice();
}

TEST(GraphicTextures, RefusedThirdTileFailsTheLoad) {
    KnobD3D9ShaderVersions(0, 0);
    KnobD3D9MaxTextureSize(64);
    ASSERT_EQ(0, StartDevice(WithHandles()));
    Picture picture(192, 64);
    KnobD3D9FailResourcesAfter(2);
    EXPECT_EQ(-1, NewGraphicFromBaseImage(&picture.image, nullptr));
    EXPECT_EQ(0, KnobD3D9LiveCount("Texture"));
    EXPECT_EQ(0, GetHandleTypeRecord(HandleTypeGraphic)->count);
    EXPECT_TRUE(LogHasInOrder({"テクスチャの作成に失敗しました\n"}));
    StopDevice();
}

// 64 tiles of at most 64 pixels cover 4096 columns; a wider picture is
// refused rather than made with columns in no tile.
TEST(GraphicTextures, PictureBeyondTheTileLimitIsRefused) {
    struct Row {
        const char* name;
        int width;
        bool made;
    };
    const Row rows[] = {
        {"AtTheLimit", 4096, true}, {"OneColumnPast", 4097, false}, {"FarPast", 5000, false}};
    KnobD3D9ShaderVersions(0, 0);
    KnobD3D9MaxTextureSize(64);
    ASSERT_EQ(0, StartDevice(WithHandles()));
    for (const Row& r : rows) {
        Picture picture(r.width, 4);
        const Handle g = NewGraphicFromBaseImage(&picture.image, nullptr);
        EXPECT_EQ(r.made, g >= 0) << r.name;
        if (r.made) {
            EXPECT_EQ(Pattern(r.width - 1, 3), ShownPixel(g, r.width - 1, 3)) << r.name;
        }
        DeleteGraphic(g);
        EXPECT_EQ(0, GetHandleTypeRecord(HandleTypeGraphic)->count) << r.name;
    }
    EXPECT_TRUE(LogHasInOrder({"グラフィックのテクスチャ分割数が許容量を越えました\n"}));
    StopDevice();
}

TEST(GraphicFormats, ClassifyTruthTable) {
    struct Row {
        uint8_t compressed, channels, floats, bitsPerChannel, colorBits, drawTarget, alpha,
            alphaTest;
        int kind;
    };
    const Row rows[] = {
        {3, 0, 0, 0, 32, 0, 0, 0, 8},   {0, 1, 1, 32, 0, 1, 0, 0, 20},
        {0, 1, 1, 16, 0, 1, 0, 0, 19},  {0, 1, 0, 0, 16, 1, 0, 0, 18},
        {0, 1, 0, 8, 0, 1, 0, 0, 17},   {0, 2, 1, 0, 64, 1, 0, 0, 24},
        {0, 2, 1, 16, 32, 1, 0, 0, 23}, {0, 2, 0, 0, 32, 1, 0, 0, 22},
        {0, 2, 0, 8, 16, 1, 0, 0, 21},  {0, 0, 1, 0, 128, 1, 0, 0, 16},
        {0, 0, 1, 16, 64, 1, 0, 0, 15}, {0, 0, 0, 16, 64, 1, 0, 0, 14},
        {0, 0, 0, 0, 32, 1, 1, 1, 13},  {0, 0, 0, 0, 16, 1, 0, 0, 11},
        {0, 0, 0, 0, 32, 1, 0, 0, 12},  {0, 0, 0, 0, 16, 1, 0, 1, 13},
        {0, 0, 0, 0, 16, 0, 1, 1, 2},   {0, 0, 0, 0, 32, 0, 1, 0, 3},
        {0, 0, 0, 0, 16, 0, 0, 0, 0},   {0, 0, 0, 0, 32, 0, 0, 0, 1},
        {0, 0, 0, 0, 16, 0, 0, 1, 4},   {0, 0, 0, 0, 32, 0, 0, 1, 5},
    };
    for (const Row& r : rows) {
        TextureFormatRequest request{};
        request.compressed = r.compressed;
        request.channelCount = r.channels;
        request.floatChannels = r.floats;
        request.bitsPerChannel = r.bitsPerChannel;
        request.colorBits = r.colorBits;
        request.drawTarget = r.drawTarget;
        request.alpha = r.alpha;
        request.alphaTest = r.alphaTest;
        EXPECT_EQ(r.kind, ClassifyGraphicFormat(request)) << &r - rows;
    }
}

}  // namespace
