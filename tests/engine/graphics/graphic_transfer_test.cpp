// Transfers into mip chains and from block-compressed pictures, and a
// loader thread's transfer waiting for a work texture.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <ostream>

#include "DuRud.h"
#include "core/async_loading.h"
#include "engine/decoders/picture_corpus.h"
#include "graphics/device_setup.h"
#include "graphics/graphic_handles.h"
#include "graphics/graphic_loading.h"
#include "graphics/graphic_transfer.h"
#include "graphics/movie_frames.h"
#include "graphics/work_textures.h"
#include "graphics_fixture.h"
#include "image/pixel_conversion.h"
#include "support/test_support.h"
#include "test_knobs.h"
#include "support/serve_until.h"

using namespace DuRud;
using namespace graphicstest;

namespace {

DWORD Texel(IDirect3DTexture9* texture, UINT level, int x, int y) {
    IDirect3DSurface9* surface = nullptr;
    texture->GetSurfaceLevel(level, &surface);
    DWORD argb = 0;
    KnobD3D9ReadPixel(surface, x, y, &argb);
    surface->Release();
    return argb;
}

IDirect3DTexture9* FirstTexture(Handle handle) {
    return GraphicFromHandle(handle, 0)->image->tiles[0].texture;
}

class GraphicTransfer : public ::testing::Test {
  protected:
    void SetUp() override {
        KnobD3D9ShaderVersions(0, 0);
        KnobD3D9PitchPadding(12);
        ASSERT_EQ(0, StartDevice(WithHandles()));
    }
    void TearDown() override { StopDevice(); }
};

TEST_F(GraphicTransfer, FullMipChainIsCopiedLevelByLevel) {
    // 8 x 8, 4 x 4 and 2 x 2 levels, each one colour of its own.
    const uint32_t colours[3] = {0xFF102030, 0xFF405060, 0xFF708090};
    BaseImage image{};
    ASSERT_EQ(0, CreateA8R8G8B8BaseImage(8, 8, &image));
    void* levels = TrackedAlloc(256 + 64 + 16, __FILE__, __LINE__);
    auto* p = static_cast<uint32_t*>(levels);
    for (int i = 0; i < 64; ++i) *p++ = colours[0];
    for (int i = 0; i < 16; ++i) *p++ = colours[1];
    for (int i = 0; i < 4; ++i) *p++ = colours[2];
    TrackedFree(image.pixels);
    image.pixels = levels;
    image.mipMapCount = 3;
    const Handle g = NewGraphicFromBaseImage(&image, nullptr);
    ASSERT_GE(g, 0);
    IDirect3DTexture9* texture = FirstTexture(g);
    ASSERT_EQ(3u, texture->GetLevelCount());
    EXPECT_EQ(colours[0], Texel(texture, 0, 7, 7));
    EXPECT_EQ(colours[1], Texel(texture, 1, 3, 3));
    EXPECT_EQ(colours[2], Texel(texture, 2, 1, 1));
    FreeBaseImagePixels(&image);
}

TEST_F(GraphicTransfer, OneSourceLevelIsHalvedByAveraging) {
    CurrentGraphicCreateParams().words[kWordMipLevels] = 2;
    BaseImage image{};
    ASSERT_EQ(0, CreateX8R8G8B8BaseImage(4, 4, &image));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            SetBaseImagePixel(&image, x, y, 40 * (1 + x + 2 * y), 16, 32, 255);
    const Handle g = NewGraphicFromBaseImage(&image, nullptr);
    ASSERT_GE(g, 0);
    IDirect3DTexture9* texture = FirstTexture(g);
    ASSERT_EQ(2u, texture->GetLevelCount());
    // Block (0, 0): reds 40, 80, 120, 160 give 100; block (1, 0): 120, 160,
    // 200, 240 give 180.
    EXPECT_EQ(0xFF641020u, Texel(texture, 1, 0, 0));
    EXPECT_EQ(0xFFB41020u, Texel(texture, 1, 1, 0));
    FreeBaseImagePixels(&image);
}

TEST_F(GraphicTransfer, BlockCompressedPicturesLandInTheFallbackSlot) {
    decodertest::DdsSpec spec;
    spec.data = std::string("\x00\xF8\x1F\x00\x00\x00\x00\x00", 8);  // all colour 0: red
    testsupport::WriteFile("red.dds", decodertest::MakeDds(spec));
    const Handle g = LoadGraphic("red.dds");
    ASSERT_GE(g, 0);
    D3DSURFACE_DESC desc{};
    FirstTexture(g)->GetLevelDesc(0, &desc);
    EXPECT_EQ(GetDeviceResources().formats[kSlotDxt1], desc.Format);
    EXPECT_EQ(0xFFFF0000u, Texel(FirstTexture(g), 0, 3, 3));
}

// A block code no decoder knows has no data size: the transfer is refused
// and the picture freed, never copied by a size it cannot have.
TEST_F(GraphicTransfer, UnknownBlockCodeIsRefused) {
    const Handle g = GraphicOfPixels(8, 8, [](int, int) { return 0xFF336699u; });
    ASSERT_GE(g, 0);
    BaseImage picture{};
    ASSERT_EQ(0, CreateX8R8G8B8BaseImage(8, 8, &picture));
    picture.colorFormat.formatCode = 9;
    EXPECT_EQ(-1, TransferReleasingImageToGraphic(g, nullptr, 0, 0, &picture, nullptr, 0, 0, 0, 0));
    EXPECT_EQ(nullptr, picture.pixels);
    EXPECT_EQ(0xFF336699u, ShownPixel(g, 3, 3)) << "the graphic keeps its pixels";
}

// A 4 x 3 bitmap whose pixel (x, y) is red x * 0x40, green y * 0x50, blue
// 0x11, stored top-down or bottom-up, into (2, 1) of an 8 x 8 black graphic.
TEST_F(GraphicTransfer, BitmapsAreReadThroughTheirBits) {
    struct Row {
        const char* name;
        LONG height;
    };
    ColorFormat x8r8g8b8{}, r5g6b5{};
    SetColorFormatX8R8G8B8(&x8r8g8b8);
    SetupColorFormat(&r5g6b5, 16, 0xF800, 0x07E0, 0x001F, 0, 0, 0, 0);
    BaseImage black{};
    ASSERT_EQ(0, CreateX8R8G8B8BaseImage(8, 8, &black));
    ClearBaseImageRect(&black, 0, 0, 8, 8);
    for (const Row& row : {Row{"TopDown", -3}, Row{"BottomUp", 3}}) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = 4;
        info.bmiHeader.biHeight = row.height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        ASSERT_NE(nullptr, bitmap);
        for (int line = 0; line < 3; ++line)
            for (int x = 0; x < 4; ++x)
                static_cast<uint32_t*>(bits)[line * 4 + x] =
                    static_cast<uint32_t>(x * 0x40) << 16 |
                    static_cast<uint32_t>((row.height < 0 ? line : 2 - line) * 0x50) << 8 | 0x11;
        const Handle g = NewGraphicFromBaseImage(&black, nullptr);
        ASSERT_EQ(
            0, TransferBitmapToGraphic(g, &x8r8g8b8, bitmap, nullptr, nullptr, 2, 1, 0, 0, 0, 0));
        EXPECT_EQ(0xFF000011u, ShownPixel(g, 2, 1)) << row.name;
        EXPECT_EQ(0xFFC0A011u, ShownPixel(g, 5, 3)) << row.name;
        EXPECT_EQ(0u, ShownPixel(g, 6, 3)) << row.name << ": black, the key, outside";
        EXPECT_EQ(-1,
                  TransferBitmapToGraphic(g, &r5g6b5, bitmap, nullptr, nullptr, 0, 0, 0, 0, 0, 0))
            << "16-bit format over 32-bit bits";
        EXPECT_EQ(
            -1, TransferBitmapToGraphic(g, &x8r8g8b8, nullptr, nullptr, nullptr, 0, 0, 0, 0, 0, 0));
        DeleteObject(bitmap);
    }
    FreeBaseImagePixels(&black);
}

uint32_t Stripes(int x, int y) {
    return 0xFF000000u | static_cast<uint32_t>(x * 7 & 0xFF) << 16 |
           static_cast<uint32_t>(y * 5 & 0xFF) << 8 | 0x33;
}

// A picture given up to a transfer is freed when the last texture has read
// it: every tile it reaches, the last one included, still gets its pixels,
// and the picture is gone when the transfer returns, refused or not.
TEST_F(GraphicTransfer, GivenUpPictureReachesEveryTileAndIsFreed) {
    StopDevice();
    const struct {
        const char* name;
        int width, height, maxTexture;
        bool drawTarget;
    } rows[] = {{"OneTile", 40, 30, 0, false},
                {"Tiles", 600, 300, 256, false},
                {"DrawTarget", 40, 30, 0, true}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        if (row.maxTexture) KnobD3D9MaxTextureSize(row.maxTexture);
        ASSERT_EQ(0, StartDevice(WithHandles()));
        const Handle g = row.drawTarget
                             ? CreateDrawableGraphic(row.width, row.height, 0)
                             : GraphicOfPixels(row.width, row.height, [](int, int) { return 0u; });
        ASSERT_GE(g, 0);
        const int tiles = GraphicFromHandle(g, 0)->image->tileCount;
        if (row.maxTexture)
            ASSERT_GT(tiles, 2);
        else
            ASSERT_EQ(1, tiles);
        BaseImage picture{};
        ASSERT_EQ(0, CreateX8R8G8B8BaseImage(row.width, row.height, &picture));
        for (int y = 0; y < row.height; ++y)
            for (int x = 0; x < row.width; ++x) {
                const uint32_t c = Stripes(x, y);
                SetBaseImagePixel(&picture, x, y, c >> 16 & 0xFF, c >> 8 & 0xFF, c & 0xFF, 255);
            }
        EXPECT_EQ(0,
                  TransferReleasingImageToGraphic(g, nullptr, 0, 0, &picture, nullptr, 0, 0, 0, 0));
        EXPECT_EQ(nullptr, picture.pixels);
        const int right = row.width - 1, bottom = row.height - 1;
        for (const POINT p : {POINT{0, 0}, POINT{right, 0}, POINT{0, bottom}, POINT{255, 255},
                              POINT{256, 256}, POINT{right, bottom}})
            if (p.x <= right && p.y <= bottom) {
                EXPECT_EQ(Stripes(p.x, p.y), ShownPixel(g, p.x, p.y)) << p.x << ", " << p.y;
            }
        ASSERT_EQ(0, CreateX8R8G8B8BaseImage(4, 4, &picture));
        EXPECT_EQ(
            -1, TransferReleasingImageToGraphic(-1, nullptr, 0, 0, &picture, nullptr, 0, 0, 0, 0));
        EXPECT_EQ(nullptr, picture.pixels) << "a refused transfer frees it too";
        StopDevice();
    }
    ASSERT_EQ(0, StartDevice(WithHandles()));
}

std::atomic<int> g_transferResult{-5};
BaseImage g_picture{};
Handle g_target = -1;

void TransferOnWorker(AsyncRequest*) {
    g_transferResult =
        TransferImageToGraphic(g_target, nullptr, 0, 0, &g_picture, nullptr, 0, 0, 1, 1);
}

TEST(GraphicTransferThreads, WorkerWaitsForAHeldWorkTexture) {
    KnobD3D9ShaderVersions(0, 0);  // the Ex device: pictures borrow work textures
    ASSERT_EQ(0, StartDevice(WithHandles()));
    ASSERT_EQ(0, CreateX8R8G8B8BaseImage(16, 16, &g_picture));
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) SetBaseImagePixel(&g_picture, x, y, 200, 100, 50, 255);
    g_target = NewGraphicFromBaseImage(&g_picture, nullptr);
    ASSERT_GE(g_target, 0);
    const SharedImage* body = GraphicFromHandle(g_target, 0)->image;
    const TextureTile& tile = body->tiles[0];
    int held[kWorkTexturesPerShape];
    for (int& index : held)
        ASSERT_GE(index = GetWorkTexture(tile.textureWidth, tile.textureHeight, body->mipLevels,
                                         body->colorFormatKind, 0),
                  0);
    AsyncRequest* request = AsyncRequestAlloc(0);
    request->worker = TransferOnWorker;
    ASSERT_EQ(0, AsyncRequestEnqueue(request));
    for (int i = 0; i < 50; ++i) {
        ServeMainThreadRequests();
        Sleep(1);
    }
    EXPECT_EQ(-5, g_transferResult.load()) << "waits while every work texture is held";
    ReleaseWorkTexture(held[7], 0);
    ASSERT_TRUE(testsupport::ServeUntil([] { return g_transferResult != -5; },
                                        "the transfer once a work texture was free"));
    EXPECT_EQ(0, g_transferResult.load());
    // A shape with no work texture yet, while creations are refused: the
    // transfer fails with its line instead of waiting.
    BaseImage wide{};
    ASSERT_EQ(0, CreateX8R8G8B8BaseImage(40, 8, &wide));
    g_target = NewGraphicFromBaseImage(&wide, nullptr);
    ASSERT_GE(g_target, 0);
    ClearWorkTextureCache();
    FreeBaseImagePixels(&wide);
    KnobD3D9FailResourcesAfter(0);
    g_transferResult = -5;
    request = AsyncRequestAlloc(0);
    request->worker = TransferOnWorker;
    ASSERT_EQ(0, AsyncRequestEnqueue(request));
    ASSERT_TRUE(testsupport::ServeUntil([] { return g_transferResult != -5; },
                                        "the refused transfer's end"));
    EXPECT_EQ(-1, g_transferResult.load());
    EXPECT_TRUE(LogHasInOrder({"描画可能テクスチャへの画像の転送に失敗しました\n"}));
    KnobD3D9FailResourcesAfter(-1);
    EXPECT_EQ(0, KnobD3D9ForeignThreadCalls());
    FreeBaseImagePixels(&g_picture);
    StopDevice();
}

}  // namespace

namespace {

struct MovieCase {
    const char* name;
    bool direct3D;
    bool packed;
};
void PrintTo(const MovieCase& c, std::ostream* os) {
    *os << c.name;
}

class MovieFrames : public ::testing::TestWithParam<MovieCase> {};

// Frames of 8 x 4 pixels (x * 20 + 10, y * 40 + 20, 0x30); packed frames
// carry alpha x * 30 + 5 in their right half.
TEST_P(MovieFrames, FramesReachTheGraphic) {
    const MovieCase& c = GetParam();
    KnobD3D9ShaderVersions(0, 0);
    if (!c.direct3D) KnobHideModule("d3d9.dll", true);
    ASSERT_EQ(0, StartDevice(WithHandles()));
    MovieHandleRecord movie{};
    movie.alphaBesideColour = c.packed ? 1 : 0;
    const int frameWidth = c.packed ? 16 : 8;
    ASSERT_EQ(0, CreateX8R8G8B8BaseImage(frameWidth, 4, &movie.frameImage));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 8; ++x) {
            SetBaseImagePixel(&movie.frameImage, x, y, x * 20 + 10, y * 40 + 20, 0x30, 255);
            if (c.packed) {
                const int a = x * 30 + 5;
                SetBaseImagePixel(&movie.frameImage, x + 8, y, a, a, a, 255);
            }
        }
    GraphicCreateParams params;
    FillGraphicCreateParams(&params, 0);
    const Handle g = NewGraphicHandle();
    ASSERT_EQ(0, CreateSharedImage(params, g, 8, 4, c.packed ? 1 : 0, 0, 0, 1, 0, 0));
    ASSERT_EQ(0, MovieFrameToTexture(&movie, g));
    GraphicRecord* record = GraphicFromHandle(g, 0);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 8; ++x) {
            const uint32_t rgb = static_cast<uint32_t>(x * 20 + 10) << 16 |
                                 static_cast<uint32_t>(y * 40 + 20) << 8 | 0x30u;
            if (c.direct3D) {
                const uint32_t alpha = c.packed ? static_cast<uint32_t>(x * 30 + 5) : 255u;
                EXPECT_EQ(alpha << 24 | rgb, Texel(record->image->tiles[0].texture, 0, x, y))
                    << x << "," << y;
            } else {
                const uint32_t pixel = reinterpret_cast<const uint32_t*>(
                    record->view.pixels + y * record->view.body->pitch)[x];
                EXPECT_EQ(rgb, pixel & 0xFFFFFF) << x << "," << y;
            }
        }
    FreeBaseImagePixels(&movie.frameImage);
    StopDevice();
}

INSTANTIATE_TEST_SUITE_P(Frames, MovieFrames,
                         ::testing::Values(MovieCase{"Direct3DPlain", true, false},
                                           MovieCase{"Direct3DPacked", true, true},
                                           MovieCase{"SoftwarePlain", false, false},
                                           MovieCase{"SoftwarePacked", false, true}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
