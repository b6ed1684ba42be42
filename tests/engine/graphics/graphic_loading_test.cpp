// Loading pictures into graphics: whole files, sheets cut into pieces, the
// transparent colour turned into alpha, draw targets, images in memory, bad
// files, and the software renderer's MEMIMG bodies.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "DuRud.h"
#include "core/async_loading.h"
#include "core/handle_manager.h"
#include "core/text_literals.h"
#include "core/tracked_memory.h"
#include "engine/decoders/picture_corpus.h"
#include "files/full_path.h"
#include "graphics/device_layer.h"
#include "graphics/device_setup.h"
#include "graphics/graphic_handles.h"
#include "graphics/graphic_loading.h"
#include "graphics/graphic_transfer.h"
#include "graphics/screen_state.h"
#include "graphics/work_textures.h"
#include "graphics_fixture.h"
#include "image/image_loading.h"
#include "image/pixel_conversion.h"
#include "support/test_support.h"
#include "test_knobs.h"
#include "support/serve_until.h"

using namespace DuRud;
using namespace graphicstest;

namespace {

uint32_t Cell(int x, int y) {
    return 0xFF000000u | static_cast<uint32_t>(x * 2 + 1) << 16 |
           static_cast<uint32_t>(y * 3 + 1) << 8 | 0x20u;
}

std::string PatternBmp(int w, int h, bool black = false) {
    decodertest::BmpSpec spec;
    spec.width = w;
    spec.height = h;
    const int pitch = (w * 3 + 3) & ~3;
    spec.data.assign(static_cast<size_t>(pitch) * h, '\0');
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uint32_t c = black ? 0 : Cell(x, y);
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

std::string PatternTga(int w, int h) {
    decodertest::TgaSpec spec;
    spec.width = w;
    spec.height = h;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uint32_t c = Cell(x, y);
            spec.data += {static_cast<char>(c & 0xFF), static_cast<char>((c >> 8) & 0xFF),
                          static_cast<char>((c >> 16) & 0xFF)};
        }
    return decodertest::MakeTga(spec);
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
    testsupport::WriteFile("pic.tga", PatternTga(40, 30));
    for (const char* name : {"pic.bmp", "pic.png", "pic.tga"}) {
        const Handle g = LoadGraphic(name);
        ASSERT_GE(g, 0) << name;
        EXPECT_TRUE(ShowsCells(g, 0, 0)) << name;
        EXPECT_EQ(kSlotAlphaTest32, GraphicFromHandle(g, 0)->image->colorFormatKind) << name;
        const RestoreSource* restore = GraphicFromHandle(g, 0)->restore;
        ASSERT_NE(nullptr, restore);
        EXPECT_NE(std::string::npos, std::string(restore->fileName).find(name));
        DeleteGraphic(g);
    }
}

size_t LogCount(const char* utf8) {
    const std::string log = Log(), text = Cp932Text(utf8);
    size_t count = 0;
    for (size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1)) ++count;
    return count;
}

TEST_F(GraphicLoading, BadFilesLeaveNothing) {
    const long textures = KnobD3D9LiveCount("Texture");
    EXPECT_EQ(-1, LoadGraphic("missing.png"));
    char fullPath[1024] = {}, line[1200];
    ConvertToFullPath("missing.png", fullPath, sizeof fullPath, nullptr);
    std::snprintf(line, sizeof line, "画像ファイル %s がありません", fullPath);
    EXPECT_TRUE(LogHasInOrder({line}));
    // Every hostile file opens, so it is tried as a movie, which fails.
    const char* movieLine = "右記のグラフィックファイルのロードに失敗しました：";
    const size_t before = LogCount(movieLine);
    size_t files = 0;
    for (const auto& file : decodertest::HostileCorpus()) {
        testsupport::WriteFile("bad.bin", file.bytes);
        EXPECT_EQ(-1, LoadGraphic("bad.bin")) << file.name;
        ++files;
    }
    EXPECT_EQ(before + files, LogCount(movieLine));
    // Images in memory that decode to nothing fail at once.
    const char* memoryLine = "メモリからの画像データのローができませんでした";
    const size_t memoryBefore = LogCount(memoryLine);
    EXPECT_EQ(-1, LoadGraphicFromMemory("junk", 4, nullptr, 0, 0, -1, nullptr));
    const BaseImage empty{};
    EXPECT_EQ(-1, LoadGraphicFromBaseImages(&empty, nullptr, 0, -1, nullptr));
    EXPECT_EQ(memoryBefore + 2, LogCount(memoryLine));
    EXPECT_EQ(before + files, LogCount(movieLine));
    EXPECT_EQ(0, Graphics());
    EXPECT_EQ(textures, KnobD3D9LiveCount("Texture"));
}

TEST_F(GraphicLoading, ReloadsAndUpdatesRefillTheSameHandles) {
    const std::string png = PatternPng(40, 30);
    testsupport::WriteFile("pic.png", png);
    testsupport::WriteFile("narrow.png", PatternPng(20, 30));
    const Handle fromMemory =
        LoadGraphicFromMemory(png.data(), static_cast<int>(png.size()), nullptr, 0, 0, -1, nullptr);
    ASSERT_GE(fromMemory, 0);
    EXPECT_TRUE(ShowsCells(fromMemory, 0, 0));
    EXPECT_EQ(static_cast<int>(png.size()), GraphicFromHandle(fromMemory, 0)->restore->memorySize);
    BaseImage black{};
    CreateX8R8G8B8BaseImage(40, 30, &black);
    ClearBaseImageRect(&black, 0, 0, 40, 30);
    const Handle g = NewGraphicFromBaseImage(&black, nullptr);
    EXPECT_EQ(-1, ReloadGraphic("narrow.png", g)) << "another size";
    EXPECT_EQ(-1, ReloadGraphic("pic.png", g + 1)) << "stale handle";
    EXPECT_EQ(0u, ShownPixel(g, 5, 5));
    ASSERT_EQ(0, ReloadGraphic("pic.png", g));
    EXPECT_TRUE(ShowsCells(g, 0, 0));
    EXPECT_NE(nullptr, std::strstr(GraphicFromHandle(g, 0)->restore->fileName, "pic.png"));
    ASSERT_EQ(0, LoadGraphicFromBaseImages(&black, nullptr, 1, g, nullptr));
    EXPECT_EQ(0u, ShownPixel(g, 5, 5));
    // A 10 x 10 part of the picture at the same place: only it changes.
    BaseImage picture{};
    ASSERT_EQ(0, LoadBaseImage("pic.png", nullptr, 0, 0, &picture, 0));
    const RECT part{4, 5, 14, 15};
    ASSERT_EQ(0, UpdateGraphicFromImage(&picture, nullptr, &part, 4, 5, g));
    EXPECT_EQ(Cell(4, 5), ShownPixel(g, 4, 5));
    EXPECT_EQ(Cell(13, 14), ShownPixel(g, 13, 14));
    EXPECT_EQ(0u, ShownPixel(g, 14, 14));
    EXPECT_EQ(0u, ShownPixel(g, 3, 5));
    EXPECT_EQ(-1, UpdateGraphicFromImage(&picture, nullptr, &part, 4, 5, g + 1));
    // Divided pieces refilled from a sheet of their size; a smaller one is refused.
    testsupport::WriteFile("black.bmp", PatternBmp(128, 64, true));
    testsupport::WriteFile("sheet.bmp", PatternBmp(128, 64));
    Handle pieces[8];
    ASSERT_EQ(0, LoadDividedGraphic("black.bmp", 8, 4, 2, 32, 32, pieces));
    EXPECT_EQ(-1, ReloadDividedGraphic("pic.png", 8, 4, 2, 32, 32, pieces));
    ASSERT_EQ(0, ReloadDividedGraphic("sheet.bmp", 8, 4, 2, 32, 32, pieces));
    for (int k = 0; k < 8; ++k) EXPECT_TRUE(ShowsCells(pieces[k], (k % 4) * 32, (k / 4) * 32)) << k;
    FreeBaseImagePixels(&picture);
    FreeBaseImagePixels(&black);
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

// Every key-coloured pixel of a 5 x 3 picture, worked out by hand: it takes
// the colour of its lower neighbour when that is opaque, else of its right,
// left or upper one (the order in which later writes win); with none it
// keeps the key. Opaque pixels keep their alpha when the source has one.
TEST(TransparentAlphaImage, KeyPixelsTakeTheLastOpaqueNeighboursColour) {
    constexpr uint32_t K = 0x00FF00, A = 0x100000, B = 0x200000, C = 0x300000, D = 0x400000,
                       E = 0x500000;
    const uint32_t picture[3][5] = {{K, A, K, K, K}, {B, K, C, E, K}, {K, D, K, K, K}};
    const uint32_t filled[3][5] = {{B, A, C, E, K}, {B, D, C, E, E}, {D, D, D, E, K}};
    struct Row {
        const char* name;
        bool alpha;  // an A8R8G8B8 source whose opaque pixels have alpha 0x40
    } rows[] = {{"source without alpha", false}, {"source with alpha", true}};
    for (const Row& r : rows) {
        BaseImage image{};
        if (r.alpha)
            ASSERT_EQ(0, CreateA8R8G8B8BaseImage(5, 3, &image));
        else
            ASSERT_EQ(0, CreateX8R8G8B8BaseImage(5, 3, &image));
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 5; ++x) {
                const uint32_t c = picture[y][x];
                // Key pixels show the key whatever their alpha.
                SetBaseImagePixel(&image, x, y, c >> 16 & 0xFF, c >> 8 & 0xFF, c & 0xFF,
                                  c == K ? 0x80 : 0x40);
            }
        BaseImage out{};
        ASSERT_EQ(0, MakeTransparentAlphaImage(&image, nullptr, K, &out)) << r.name;
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 5; ++x) {
                const uint32_t alpha = picture[y][x] == K ? 0 : r.alpha ? 0x40 : 0xFF;
                const uint32_t got = reinterpret_cast<const uint32_t*>(
                    static_cast<const uint8_t*>(out.pixels) + y * out.pitch)[x];
                EXPECT_EQ(alpha << 24 | filled[y][x], got) << r.name << " at " << x << "," << y;
            }
        FreeBaseImagePixels(&out);
        FreeBaseImagePixels(&image);
    }
}

// Keyed pictures are keyed as their textures are written: on 16-pixel tiles
// every tile edge must show what the whole keyed copy holds, for a picture in
// memory of either width and for a 24-bit file (whose picture is freed once
// read).
TEST(GraphicLoadingTiles, KeyedPicturesMatchTheirKeyedCopyOnEveryTile) {
    KnobD3D9ShaderVersions(0, 0);
    KnobD3D9MaxTextureSize(16);
    ASSERT_EQ(0, StartDevice(WithHandles()));
    constexpr int kWidth = 40, kHeight = 30;
    constexpr uint32_t kKey = 0x00FF00;
    // About half the pixels show the key, in runs and lone, so that every
    // neighbour's turn comes up on the tile edges.
    auto colour = [](int x, int y) {
        uint32_t h = static_cast<uint32_t>(x) * 374761393u + static_cast<uint32_t>(y) * 668265263u;
        h = (h ^ (h >> 13)) * 1274126177u;
        return (h >> 16) % 2 == 0 ? kKey : Cell(x, y) & 0xFFFFFF;
    };
    BaseImage wide{}, narrow{};
    ASSERT_EQ(0, CreateX8R8G8B8BaseImage(kWidth, kHeight, &wide));
    ColorFormat rgb{};
    SetColorFormatR8G8B8(&rgb);
    ASSERT_EQ(0, CreateBaseImage(kWidth, kHeight, &rgb, &narrow));
    decodertest::BmpSpec bmp;
    bmp.width = kWidth;
    bmp.height = kHeight;
    const int bmpPitch = (kWidth * 3 + 3) & ~3;
    bmp.data.assign(static_cast<size_t>(bmpPitch) * kHeight, '\0');
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const uint32_t c = colour(x, y);
            SetBaseImagePixel(&wide, x, y, c >> 16, c >> 8 & 0xFF, c & 0xFF, 255);
            SetBaseImagePixel(&narrow, x, y, c >> 16, c >> 8 & 0xFF, c & 0xFF, 255);
            char* p = &bmp.data[static_cast<size_t>(kHeight - 1 - y) * bmpPitch + x * 3];
            p[0] = static_cast<char>(c & 0xFF);
            p[1] = static_cast<char>(c >> 8 & 0xFF);
            p[2] = static_cast<char>(c >> 16);
        }
    testsupport::WriteFile("keyed.bmp", decodertest::MakeBmp(bmp));
    BaseImage expected{};
    ASSERT_EQ(0, MakeTransparentAlphaImage(&wide, nullptr, kKey, &expected));
    SetTransparentColor(0, 255, 0);
    SetTransparentColorToAlpha(1);
    const struct {
        const char* name;
        Handle graphic;
    } rows[] = {{"X8R8G8B8 in memory", NewGraphicFromBaseImage(&wide, nullptr)},
                {"R8G8B8 in memory", NewGraphicFromBaseImage(&narrow, nullptr)},
                {"24-bit file", LoadGraphic("keyed.bmp")}};
    for (const auto& r : rows) {
        ASSERT_GE(r.graphic, 0) << r.name;
        ASSERT_GT(GraphicFromHandle(r.graphic, 0)->image->tileCount, 4) << r.name;
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x)
                ASSERT_EQ(GetBaseImagePixelArgb(&expected, x, y), ShownPixel(r.graphic, x, y))
                    << r.name << " at " << x << "," << y;
        DeleteGraphic(r.graphic);
    }
    SetTransparentColorToAlpha(0);
    SetTransparentColor(0, 0, 0);
    FreeBaseImagePixels(&expected);
    FreeBaseImagePixels(&narrow);
    FreeBaseImagePixels(&wide);
    StopDevice();
}

TEST_F(GraphicLoading, AlphaImageOfAnotherSizeIsRefusedInEveryMode) {
    struct Row {
        const char* name;
        int keyToAlpha;
    };
    const Row rows[] = {{"KeyKept", 0}, {"KeyToAlpha", 1}};
    BaseImage image{}, alpha{};
    CreateX8R8G8B8BaseImage(64, 64, &image);
    CreateX8R8G8B8BaseImage(8, 2, &alpha);
    for (const Row& r : rows) {
        SetTransparentColorToAlpha(r.keyToAlpha);
        EXPECT_EQ(-1, NewGraphicFromBaseImage(&image, &alpha)) << r.name;
        EXPECT_EQ(0, Graphics()) << r.name;
    }
    SetTransparentColorToAlpha(0);
    FreeBaseImagePixels(&alpha);
    FreeBaseImagePixels(&image);
}

TEST_F(GraphicLoading, DrawTargetsAndImagesInMemory) {
    const Handle target = CreateDrawableGraphic(800, 600, 1);
    ASSERT_GE(target, 0);
    SharedImage* body = GraphicFromHandle(target, 0)->image;
    ASSERT_EQ(1, body->tileCount);
    EXPECT_EQ(0, IsGraphicMultiSampled(target)) << "the device refuses multisampling";
    EXPECT_EQ(-1, ResolveMultiSampleTile(&body->tiles[0]));
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
    StopDevice();
}

// A 2 x 2 palette picture whose entries are red, (0, 253, 2) and green: the
// body's transparent index is the first entry equal to the packed key.
TEST(GraphicLoadingSoftware, PaletteBodiesKeyTheirTransparentIndex) {
    struct Row {
        const char* name;
        int screenBits;
        int r, g, b;
        uint32_t index;
    };
    const Row rows[] = {{"GreenOn32Bits", 32, 0, 255, 0, 2},
                        {"GreenOn16BitsMatchesTheNearEntry", 16, 0, 255, 0, 1},
                        {"NoEntryGivesZero", 32, 1, 2, 3, 0}};
    ColorFormat pal{};
    SetColorFormatPal8(&pal);
    pal.palette[0] = PaletteEntry{0, 0, 255, 0};
    pal.palette[1] = PaletteEntry{2, 253, 0, 0};
    pal.palette[2] = PaletteEntry{0, 255, 0, 0};
    BaseImage image{};
    ASSERT_EQ(0, CreateBaseImage(2, 2, &pal, &image));
    std::memset(image.pixels, 1, static_cast<size_t>(image.pitch) * 2);
    for (const Row& row : rows) {
        KnobHideModule("d3d9.dll", true);
        ScreenSettings settings = WithHandles();
        settings.colorBits = row.screenBits;
        ASSERT_EQ(0, StartDevice(settings)) << row.name;
        SetTransparentColor(row.r, row.g, row.b);
        const Handle g = NewGraphicFromBaseImage(&image, nullptr);
        ASSERT_GE(g, 0) << row.name;
        const MemImgBody* body = GraphicFromHandle(g, 0)->image->memImg.body;
        ASSERT_EQ(1, body->paletteFlag) << row.name;
        EXPECT_EQ(row.index, body->transparentColor) << row.name;
        StopDevice();
    }
    FreeBaseImagePixels(&image);
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
    ASSERT_TRUE(testsupport::ServeUntil([&] { return !anyPending(); }, "every queued load"));
    SetUseAsyncLoad(0);
    for (Handle h : singles) {
        EXPECT_TRUE(ShowsCells(h, 0, 0));
        EXPECT_EQ(0x010203u, GraphicFromHandle(h, 0)->image->transparentColor);
    }
    for (const auto& sheet : sheets)
        for (int k = 0; k < 8; ++k) EXPECT_TRUE(ShowsCells(sheet[k], (k % 4) * 32, (k / 4) * 32));
    EXPECT_EQ(-1, IsHandleAsyncPending(missing)) << "a failed load deletes its handle";
    EXPECT_EQ(40 + 80, GetHandleTypeRecord(HandleTypeGraphic)->count);
    // Queued too: an empty draw target, a picture from a buffer the caller
    // overwrites at once, a reload, and a load whose texture is refused.
    SetUseAsyncLoad(1);
    const Handle target = CreateDrawableGraphic(64, 64, 0);
    std::string png = PatternPng(40, 30);
    const Handle fromMemory =
        LoadGraphicFromMemory(png.data(), static_cast<int>(png.size()), nullptr, 0, 0, -1, nullptr);
    png.assign(png.size(), '\0');
    testsupport::WriteFile("black.bmp", PatternBmp(40, 30, true));
    ASSERT_EQ(0, ReloadGraphic("black.bmp", singles[0]));
    EXPECT_EQ(nullptr, GraphicFromHandle(target, 0));
    EXPECT_EQ(nullptr, GraphicFromHandle(singles[0], 0));
    for (Handle h : {target, fromMemory, singles[0]})
        ASSERT_TRUE(testsupport::ServeUntil([h] { return IsHandleAsyncPending(h) != 1; },
                                            "the queued target, memory load and reload"));
    KnobD3D9FailResourcesAfter(0);
    const Handle refused = LoadGraphic("pic.bmp");
    ASSERT_TRUE(testsupport::ServeUntil([refused] { return IsHandleAsyncPending(refused) != 1; },
                                        "the refused load's end"));
    KnobD3D9FailResourcesAfter(-1);
    SetUseAsyncLoad(0);
    EXPECT_EQ(-1, IsHandleAsyncPending(refused)) << "deleted by its loader, no hang";
    ASSERT_NE(nullptr, GraphicFromHandle(target, 0));
    EXPECT_EQ(1, GraphicFromHandle(target, 0)->image->request.drawTarget);
    EXPECT_TRUE(ShowsCells(fromMemory, 0, 0));
    EXPECT_EQ(0xFF000000u, ShownPixel(singles[0], 5, 5)) << "its key stays 0x010203";
    EXPECT_EQ(0, KnobD3D9ForeignThreadCalls());
    StopDevice();
}

bool LoaderIdle() {
    return AsyncRequestCount() == 0 && AsyncRunningWorkers() == 0 && AsyncMainQueueCount() == 0;
}

// A queued load that fails once its texture exists, deleted before its
// worker takes it, while it runs, and after it ended: each texture is
// released once, by one owner.
TEST(GraphicLoadingThreads, DeletingAFailingLoadReleasesEachTextureOnce) {
    struct Row {
        const char* name;
        int deleteWhen;  // 0 at once, 1 once a worker runs it, 2 after it ended
    };
    const Row rows[] = {{"BeforeItRuns", 0}, {"WhileItRuns", 1}, {"AfterItEnded", 2}};
    KnobD3D9ShaderVersions(0, 0);
    ASSERT_EQ(0, StartDevice(WithHandles()));
    testsupport::WriteFile("big.png", PatternPng(1024, 1024));
    const long textures = KnobD3D9LiveCount("Texture");
    SetUseAsyncLoad(1);
    for (const Row& r : rows) {
        KnobD3D9FailResourcesAfter(1);
        const Handle h = LoadGraphic("big.png");
        ASSERT_GE(h, 0) << r.name;
        if (r.deleteWhen == 1) {
            EXPECT_TRUE(testsupport::ServeUntil(
                [&] { return AsyncRunningWorkers() > 0 || IsHandleAsyncPending(h) != 1; },
                "the load runs"))
                << r.name;
        }
        if (r.deleteWhen == 2) {
            EXPECT_TRUE(testsupport::ServeUntil([&] { return IsHandleAsyncPending(h) != 1; },
                                                "the load ends"))
                << r.name;
        }
        DeleteGraphic(h);
        EXPECT_TRUE(testsupport::ServeUntil(LoaderIdle, "the loader is idle")) << r.name;
        KnobD3D9FailResourcesAfter(-1);
        EXPECT_EQ(-1, IsHandleAsyncPending(h)) << r.name;
        EXPECT_EQ(0, GetHandleTypeRecord(HandleTypeGraphic)->count) << r.name;
        EXPECT_EQ(textures, KnobD3D9LiveCount("Texture")) << r.name;
    }
    SetUseAsyncLoad(0);
    EXPECT_EQ(0, KnobD3D9ForeignThreadCalls());
    StopDevice();
}

// With every worker held at its file read, a divided load and a single load
// stay queued: deleting one piece and the single graphic removes the request,
// and the other pieces still load.
TEST(GraphicLoadingThreads, DeletingAQueuedPieceLeavesItsSiblingsLoading) {
    KnobD3D9ShaderVersions(0, 0);
    ASSERT_EQ(0, StartDevice(WithHandles()));
    testsupport::WriteFile("pic.bmp", PatternBmp(40, 30));
    testsupport::WriteFile("sheet.png", PatternPng(96, 64));
    SetUseAsyncLoad(1);
    KnobHoldReadFile(true);
    const int workers = AsyncAllowedWorkers();
    std::vector<Handle> blockers;
    for (int i = 0; i < workers; ++i) blockers.push_back(LoadGraphic("pic.bmp"));
    ASSERT_TRUE(testsupport::ServeUntil([&] { return KnobReadFileWaiting() == workers; },
                                        "every worker holds at its read"));
    Handle pieces[6];
    ASSERT_EQ(0, LoadDividedGraphic("sheet.png", 6, 3, 2, 32, 32, pieces));
    const Handle single = LoadGraphic("pic.bmp");
    ASSERT_GE(single, 0);
    EXPECT_EQ(0, DeleteGraphic(pieces[0]));
    EXPECT_EQ(0, DeleteGraphic(single));
    EXPECT_EQ(-1, IsHandleAsyncPending(pieces[0]));
    EXPECT_EQ(-1, IsHandleAsyncPending(single));
    KnobHoldReadFile(false);
    EXPECT_TRUE(testsupport::ServeUntil(LoaderIdle, "the loader is idle"));
    for (int k = 1; k < 6; ++k) {
        EXPECT_EQ(0, IsHandleAsyncPending(pieces[k])) << k;
        EXPECT_TRUE(ShowsCells(pieces[k], (k % 3) * 32, (k / 3) * 32)) << k;
    }
    EXPECT_EQ(workers + 5, GetHandleTypeRecord(HandleTypeGraphic)->count);
    SetUseAsyncLoad(0);
    StopDevice();
}

}  // namespace

namespace {

// A lost full-screen device is not a failed one: the loads queued as the
// window goes away finish before the device is given up, and a graphic made
// while it is away is a Direct3D one that comes back with it.
TEST(GraphicLoadingThreads, AFullScreenWindowAwayKeepsItsLoadsAndItsNewGraphics) {
    KnobD3D9ShaderVersions(0, 0);
    ASSERT_EQ(0, StartDevice(FullScreenWithHandles()));
    testsupport::WriteFile("pic.png", PatternPng(700, 500));
    // Textures counted without the work textures transfers borrow.
    ClearWorkTextureCache();
    const long textures = KnobD3D9LiveCount("Texture");
    SetUseAsyncLoad(1);
    std::vector<Handle> loads;
    for (int i = 0; i < 24; ++i) loads.push_back(LoadGraphic("pic.png"));
    SetUseAsyncLoad(0);
    KnobWindowEvent(MainWindow(), KnobWindowEventKind::FocusLost);
    for (int pass = 0; pass < 100 && KnobD3D9LiveCount("Device") != 0; ++pass) PumpWindowMessages();
    ASSERT_EQ(0, KnobD3D9LiveCount("Device")) << "given up while away";
    const Handle made = SolidGraphic(8, 8, 0xFF336699);
    ASSERT_GE(made, 0);
    EXPECT_EQ(0, KnobD3D9LiveCount("Texture"));
    KnobWindowEvent(MainWindow(), KnobWindowEventKind::Restore);
    KnobWindowEvent(MainWindow(), KnobWindowEventKind::FocusGained);
    for (int pass = 0; pass < 100 && KnobD3D9LiveCount("Device") != 1; ++pass) PumpWindowMessages();
    ASSERT_EQ(1, KnobD3D9LiveCount("Device"));
    for (Handle h : loads) {
        ASSERT_EQ(0, IsHandleAsyncPending(h)) << h;
        EXPECT_EQ(1, GraphicFromHandle(h, 0)->image->request.direct3D) << h;
        for (const auto& [x, y] : {std::pair(0, 0), std::pair(350, 250), std::pair(699, 499)})
            EXPECT_EQ(Cell(x, y), ShownPixel(h, x, y)) << h << " at " << x << "," << y;
    }
    EXPECT_EQ(1, GraphicFromHandle(made, 0)->image->request.direct3D);
    EXPECT_EQ(0xFF336699u, ShownPixel(made, 4, 4));
    // One texture each: 700 x 500 fits one 1024 x 512 tile, 8 x 8 one of 8.
    ClearWorkTextureCache();
    EXPECT_EQ(textures + 25, KnobD3D9LiveCount("Texture"));
    EXPECT_EQ(25, GetHandleTypeRecord(HandleTypeGraphic)->count);
    StopDevice();
}

}  // namespace

namespace {

// Closing the window while its pictures load. A full-screen window gives
// its device up as it goes, once no loader writes a texture any more (every
// load ends as a Direct3D graphic first); a window keeps it, and the engine's
// end stops the loaders with loads still queued. Either way no texture,
// thread or block is left.
TEST(GraphicLoadingThreads, ClosingTheWindowWhileLoadsRunLeavesNothing) {
    struct Row {
        const char* name;
        bool fullScreen;
    };
    for (const Row& row : {Row{"FullScreen", true}, Row{"Windowed", false}}) {
        SCOPED_TRACE(row.name);
        KnobD3D9ShaderVersions(0, 0);
        const int blocks = MemGetCount();
        ASSERT_EQ(0, StartDevice(row.fullScreen ? FullScreenWithHandles() : WithHandles()));
        testsupport::WriteFile("pic.png", PatternPng(700, 500));
        testsupport::WriteFile("sheet.png", PatternPng(128, 64));
        SetUseAsyncLoad(1);
        std::vector<Handle> loaded;
        for (int i = 0; i < 16; ++i) {
            loaded.push_back(LoadGraphic("pic.png"));
            Handle pieces[8];
            ASSERT_EQ(0, LoadDividedGraphic("sheet.png", 8, 4, 2, 32, 32, pieces));
            loaded.insert(loaded.end(), pieces, pieces + 8);
        }
        SetUseAsyncLoad(0);
        ASSERT_TRUE(
            testsupport::ServeUntil([] { return AsyncLoadsInFlight() > 0; }, "a load runs"));
        // The player's window has the focus, which the close takes away.
        KnobWindowEvent(MainWindow(), KnobWindowEventKind::FocusGained);
        KnobWindowEvent(MainWindow(), KnobWindowEventKind::Close);
        int pumped = 0;
        for (int pass = 0; pass < 100 && pumped == 0; ++pass) pumped = PumpWindowMessages();
        EXPECT_EQ(-1, pumped) << "the window closed";
        if (row.fullScreen) {
            EXPECT_EQ(0, KnobD3D9LiveCount("Device"));
            for (Handle h : loaded) {
                ASSERT_EQ(0, IsHandleAsyncPending(h)) << h;
                EXPECT_EQ(1, GraphicFromHandle(h, 0)->image->request.direct3D) << h;
            }
        }
        StopDevice();
        EXPECT_EQ(0, KnobD3D9LiveCount("Texture"));
        EXPECT_EQ(0, AsyncLiveWorkerThreads());
        EXPECT_EQ(blocks, MemGetCount());
    }
}

}  // namespace
