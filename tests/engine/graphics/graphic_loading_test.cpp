// Loading pictures into graphics: whole files, sheets cut into pieces, the
// transparent colour turned into alpha, draw targets, images in memory, bad
// files, and the software renderer's MEMIMG bodies.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DuRud.h"
#include "core/async_loading.h"
#include "core/handle_manager.h"
#include "core/text_literals.h"
#include "engine/decoders/picture_corpus.h"
#include "files/full_path.h"
#include "graphics/device_layer.h"
#include "graphics/device_setup.h"
#include "graphics/graphic_handles.h"
#include "graphics/graphic_loading.h"
#include "graphics/screen_state.h"
#include "graphics_fixture.h"
#include "image/image_loading.h"
#include "image/pixel_conversion.h"
#include "support/test_support.h"
#include "test_knobs.h"

using namespace DuRud;
using namespace graphicstest;

namespace {

uint32_t Cell(int x, int y) {
    return 0xFF000000u | static_cast<uint32_t>(x * 2 + 1) << 16 |
           static_cast<uint32_t>(y * 3 + 1) << 8 | 0x20u;
}

std::string PatternBmp(int w, int h) {
    decodertest::BmpSpec spec;
    spec.width = w;
    spec.height = h;
    const int pitch = (w * 3 + 3) & ~3;
    spec.data.assign(static_cast<size_t>(pitch) * h, '\0');
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uint32_t c = Cell(x, y);
            char* p = &spec.data[static_cast<size_t>(h - 1 - y) * pitch + x * 3];
            p[0] = static_cast<char>(c & 0xFF);
            p[1] = static_cast<char>((c >> 8) & 0xFF);
            p[2] = static_cast<char>((c >> 16) & 0xFF);
        }
    return decodertest::MakeBmp(spec);
}

std::string PatternPng(int w, int h) {
    decodertest::PngSpec spec;
    spec.width = w;
    spec.height = h;
    for (int y = 0; y < h; ++y) {
        std::string row;
        for (int x = 0; x < w; ++x) {
            const uint32_t c = Cell(x, y);
            row += static_cast<char>((c >> 16) & 0xFF);
            row += static_cast<char>((c >> 8) & 0xFF);
            row += static_cast<char>(c & 0xFF);
        }
        spec.rows.push_back(row);
    }
    return decodertest::EncodePng(spec);
}

::testing::AssertionResult ShowsCells(Handle handle, int originX, int originY,
                                      bool mirrored = false, int cellWidth = 0) {
    GraphicRecord* g = GraphicFromHandle(handle, 0);
    if (!g) return ::testing::AssertionFailure() << "bad handle";
    for (int y = 0; y < g->height; ++y)
        for (int x = 0; x < g->width; ++x) {
            const int sx = mirrored ? originX + cellWidth - 1 - x : originX + x;
            if (ShownPixel(handle, x, y) != Cell(sx, originY + y))
                return ::testing::AssertionFailure() << "at " << x << "," << y;
        }
    return ::testing::AssertionSuccess();
}

class GraphicLoading : public ::testing::Test {
  protected:
    void SetUp() override {
        KnobD3D9ShaderVersions(0, 0);
        ASSERT_EQ(0, StartDevice(WithHandles()));
    }
    void TearDown() override { StopDevice(); }
    static int Graphics() { return GetHandleTypeRecord(HandleTypeGraphic)->count; }
};

TEST_F(GraphicLoading, PicturesBecomeTheirPixels) {
    testsupport::WriteFile("pic.bmp", PatternBmp(40, 30));
    testsupport::WriteFile("pic.png", PatternPng(40, 30));
    for (const char* name : {"pic.bmp", "pic.png"}) {
        const Handle g = LoadGraphic(name);
        ASSERT_GE(g, 0) << name;
        EXPECT_TRUE(ShowsCells(g, 0, 0)) << name;
        const RestoreSource* restore = GraphicFromHandle(g, 0)->restore;
        ASSERT_NE(nullptr, restore);
        EXPECT_NE(std::string::npos, std::string(restore->fileName).find(name));
        DeleteGraphic(g);
    }
}

TEST_F(GraphicLoading, BadFilesLeaveNothing) {
    const long textures = KnobD3D9LiveCount("Texture");
    EXPECT_EQ(-1, LoadGraphic("missing.png"));
    char fullPath[1024] = {}, line[1200];
    ConvertToFullPath("missing.png", fullPath, sizeof fullPath, nullptr);
    std::snprintf(line, sizeof line, "画像ファイル %s がありません", fullPath);
    EXPECT_TRUE(LogHasInOrder({line}));
    int refused = 0;
    for (const auto& file : decodertest::HostileCorpus()) {
        if (++refused > 100000) break;
        testsupport::WriteFile("bad.bin", file.bytes);
        EXPECT_EQ(-1, LoadGraphic("bad.bin")) << file.name;
    }
    EXPECT_EQ(0, Graphics());
    EXPECT_EQ(textures, KnobD3D9LiveCount("Texture"));
}

TEST_F(GraphicLoading, DividedSheetsShareOneBody) {
    testsupport::WriteFile("sheet.bmp", PatternBmp(128, 64));
    Handle pieces[8];
    ASSERT_EQ(0, LoadDividedGraphic("sheet.bmp", 8, 4, 2, 32, 32, pieces));
    for (int k = 0; k < 8; ++k) {
        EXPECT_TRUE(ShowsCells(pieces[k], (k % 4) * 32, (k / 4) * 32)) << k;
        EXPECT_EQ(GraphicFromHandle(pieces[0], 0)->image, GraphicFromHandle(pieces[k], 0)->image);
        EXPECT_EQ(GraphicFromHandle(pieces[0], 0)->restore,
                  GraphicFromHandle(pieces[k], 0)->restore);
    }
    EXPECT_EQ(8, Graphics()) << "the base graphic is gone";
    for (Handle h : pieces) DeleteGraphic(h);
    Handle five[5];
    ASSERT_EQ(0, LoadDividedGraphic("sheet.bmp", 5, 4, 2, 32, 32, five));
    EXPECT_TRUE(ShowsCells(five[4], 0, 32));
    for (Handle h : five) DeleteGraphic(h);
    Handle outside[3];
    EXPECT_EQ(-1, LoadDividedGraphic("sheet.bmp", 3, 3, 1, 64, 32, outside));
    EXPECT_EQ(-1, outside[0]);
    for (int bad : {0, -1}) {
        EXPECT_EQ(-1, LoadDividedGraphic("sheet.bmp", bad, 4, 2, 32, 32, five));
        EXPECT_EQ(-1, LoadDividedGraphic("sheet.bmp", 2, bad, 2, 32, 32, five));
        EXPECT_EQ(-1, LoadDividedGraphic("sheet.bmp", 2, 2, bad, 32, 32, five));
        EXPECT_EQ(-1, LoadDividedGraphic("sheet.bmp", 2, 2, 2, bad, 32, five));
    }
    EXPECT_EQ(0, Graphics());
}

TEST_F(GraphicLoading, MirroredPiecesComeInMirroredOrder) {
    testsupport::WriteFile("sheet.bmp", PatternBmp(64, 32));
    BaseImage image{};
    ASSERT_EQ(0, LoadBaseImage("sheet.bmp", nullptr, 0, 0, &image, 1));
    GraphicCreateParams params;
    FillGraphicCreateParams(&params, 1);
    Handle pieces[2] = {NewGraphicHandle(), NewGraphicHandle()};
    const Handle base = NewGraphicHandle();
    ASSERT_EQ(0, CreateDivGraphFromGraphImage(params, 0, base, &image, nullptr, 2, 2, 1, 32, 32,
                                              pieces, 0, 1, 0));
    EXPECT_TRUE(ShowsCells(pieces[0], 0, 0, true, 32));
    EXPECT_TRUE(ShowsCells(pieces[1], 32, 0, true, 32));
    FreeBaseImagePixels(&image);
}

TEST_F(GraphicLoading, TransparentColourBecomesAlpha) {
    // A 3 x 3 key-coloured picture with a red centre, and a pixel between
    // red and blue: the later neighbour (blue, to its right) wins.
    BaseImage image{};
    CreateX8R8G8B8BaseImage(5, 3, &image);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) SetBaseImagePixel(&image, x, y, 0, 255, 0, 255);
    SetBaseImagePixel(&image, 1, 1, 255, 0, 0, 255);
    SetBaseImagePixel(&image, 3, 1, 0, 0, 255, 255);
    SetTransparentColor(0, 255, 0);
    SetTransparentColorToAlpha(1);
    const Handle g = NewGraphicFromBaseImage(&image, nullptr);
    ASSERT_GE(g, 0);
    EXPECT_EQ(0x00FF0000u, ShownPixel(g, 1, 0));
    EXPECT_EQ(0x00FF0000u, ShownPixel(g, 0, 1));
    EXPECT_EQ(0x00FF0000u, ShownPixel(g, 1, 2));
    EXPECT_EQ(0x0000FF00u, ShownPixel(g, 0, 0)) << "corners keep the key";
    EXPECT_EQ(0xFFFF0000u, ShownPixel(g, 1, 1));
    EXPECT_EQ(0x000000FFu, ShownPixel(g, 2, 1)) << "between red and blue";
    FreeBaseImagePixels(&image);
}

TEST_F(GraphicLoading, DrawTargetsAndImagesInMemory) {
    const Handle target = CreateDrawableGraphic(800, 600, 1);
    ASSERT_GE(target, 0);
    const SharedImage* body = GraphicFromHandle(target, 0)->image;
    ASSERT_EQ(1, body->tileCount);
    D3DSURFACE_DESC desc{};
    body->tiles[0].texture->GetLevelDesc(0, &desc);
    EXPECT_EQ(800u, desc.Width);
    EXPECT_EQ(D3DFMT_A8R8G8B8, desc.Format);
    EXPECT_EQ(static_cast<DWORD>(D3DUSAGE_RENDERTARGET), desc.Usage);
    ASSERT_NE(nullptr, body->tiles[0].depthSurface);
    body->tiles[0].depthSurface->GetDesc(&desc);
    EXPECT_EQ(D3DFMT_D16, desc.Format);
    DWORD texel = 1;
    KnobD3D9ReadPixel(body->tiles[0].surface, 799, 599, &texel);
    EXPECT_EQ(0u, texel);
    BaseImage image{};
    CreateX8R8G8B8BaseImage(4, 4, &image);
    SetBaseImagePixel(&image, 2, 2, 10, 20, 30, 255);
    const Handle copy = NewGraphicFromBaseImage(&image, nullptr);
    ASSERT_GE(copy, 0);
    const BaseImage* kept = GraphicFromHandle(copy, 0)->restore->image;
    ASSERT_NE(nullptr, kept);
    EXPECT_NE(image.pixels, kept->pixels);
    FreeBaseImagePixels(&image);
    EXPECT_EQ(0xFF0A141Eu, ShownPixel(copy, 2, 2));
}

TEST(GraphicLoadingSoftware, WithoutDirect3DPixelsLandInMemImgs) {
    KnobHideModule("d3d9.dll", true);
    ScreenSettings settings = WithHandles();
    ASSERT_EQ(0, StartDevice(settings));
    ASSERT_EQ(0, GetScreenState().useDirect3D);
    testsupport::WriteFile("pic.bmp", PatternBmp(40, 30));
    const Handle g = LoadGraphic("pic.bmp");
    ASSERT_GE(g, 0);
    EXPECT_TRUE(ShowsCells(g, 0, 0));
    const Handle sub = CreateSubGraphic(10, 5, 8, 8, g);
    EXPECT_TRUE(ShowsCells(sub, 10, 5));
    EXPECT_EQ(-1, CreateDrawableGraphic(64, 64, 1));
    StopDevice();
}

TEST(GraphicLoadingThreads, QueuedLoadsMatchSynchronousOnes) {
    KnobD3D9ShaderVersions(0, 0);
    ASSERT_EQ(0, StartDevice(WithHandles()));
    testsupport::WriteFile("pic.bmp", PatternBmp(40, 30));
    testsupport::WriteFile("sheet.png", PatternPng(128, 64));
    SetTransparentColor(1, 2, 3);
    SetUseAsyncLoad(1);
    std::vector<Handle> singles;
    for (int i = 0; i < 40; ++i) singles.push_back(LoadGraphic("pic.bmp"));
    std::vector<std::vector<Handle>> sheets(10, std::vector<Handle>(8));
    for (auto& sheet : sheets)
        ASSERT_EQ(0, LoadDividedGraphic("sheet.png", 8, 4, 2, 32, 32, sheet.data()));
    const Handle missing = LoadGraphic("missing.bmp");
    SetTransparentColor(0, 0, 0);  // too late for the queued loads
    ASSERT_GE(missing, 0);
    for (Handle h : singles) {
        ASSERT_GE(h, 0);
        EXPECT_EQ(nullptr, GraphicFromHandle(h, 0)) << "refused while pending";
    }
    auto anyPending = [&] {
        for (Handle h : singles)
            if (IsHandleAsyncPending(h) == 1) return true;
        for (const auto& sheet : sheets)
            for (Handle h : sheet)
                if (IsHandleAsyncPending(h) == 1) return true;
        return IsHandleAsyncPending(missing) == 1;
    };
    while (anyPending()) {
        ServeMainThreadRequests();
        Sleep(1);
    }
    SetUseAsyncLoad(0);
    for (Handle h : singles) {
        EXPECT_TRUE(ShowsCells(h, 0, 0));
        EXPECT_EQ(0x010203u, GraphicFromHandle(h, 0)->image->transparentColor);
    }
    for (const auto& sheet : sheets)
        for (int k = 0; k < 8; ++k) EXPECT_TRUE(ShowsCells(sheet[k], (k % 4) * 32, (k / 4) * 32));
    EXPECT_EQ(-1, IsHandleAsyncPending(missing)) << "a failed load deletes its handle";
    EXPECT_EQ(40 + 80, GetHandleTypeRecord(HandleTypeGraphic)->count);
    EXPECT_EQ(0, KnobD3D9ForeignThreadCalls());
    StopDevice();
}

}  // namespace
