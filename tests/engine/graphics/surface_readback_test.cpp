// Read-back of graphics across texture seams, of draw targets and of the back
// buffer, on the device and in software, with its refusals.
#include <gtest/gtest.h>

#include "DuRud.h"
#include "graphics/device_layer.h"
#include "graphics/device_setup.h"
#include "graphics/graphic_handles.h"
#include "graphics/screen_state.h"
#include "graphics/surface_readback.h"
#include "graphics_fixture.h"
#include "image/image_record.h"
#include "image/pixel_conversion.h"
#include "test_knobs.h"

using namespace DuRud;
using namespace graphicstest;

namespace {

// Never black: black is the default transparent colour.
uint32_t Pattern(int x, int y) {
    return 0xFF000000u | static_cast<uint32_t>((x * 7) & 0xFF) << 16 |
           static_cast<uint32_t>((y * 13) & 0xFF) << 8 | static_cast<uint32_t>((x + y) % 200 + 1);
}

::testing::AssertionResult ReadsPattern(Handle g, const RECT* rect) {
    BaseImage out{};
    if (ReadGraphicToBaseImage(g, &out, rect) != 0) return ::testing::AssertionFailure() << "-1";
    const int x0 = rect ? rect->left : 0, y0 = rect ? rect->top : 0;
    for (int y = 0; y < out.height; ++y)
        for (int x = 0; x < out.width; ++x)
            if (GetBaseImagePixelArgb(&out, x, y) != Pattern(x0 + x, y0 + y)) {
                FreeBaseImagePixels(&out);
                return ::testing::AssertionFailure() << "at " << x0 + x << "," << y0 + y << std::hex
                                                     << ": " << GetBaseImagePixelArgb(&out, x, y);
            }
    FreeBaseImagePixels(&out);
    return ::testing::AssertionSuccess();
}

TEST(SurfaceReadback, TiledGraphicsReadBackWholeAndAcrossSeams) {
    KnobD3D9ShaderVersions(0, 0);
    KnobD3D9MaxTextureSize(256);
    ASSERT_EQ(0, StartDevice(WithHandles()));
    const Handle g = GraphicOfPixels(600, 300, Pattern);
    ASSERT_GE(g, 0);
    ASSERT_GT(GraphicFromHandle(g, 0)->image->tileCount, 2);
    EXPECT_TRUE(ReadsPattern(g, nullptr));
    const RECT seams{250, 250, 262, 262};
    EXPECT_TRUE(ReadsPattern(g, &seams));
    const Handle sub = CreateSubGraphic(250, 250, 20, 20, g);
    BaseImage out{};
    ASSERT_EQ(0, ReadGraphicToBaseImage(sub, &out, nullptr));
    EXPECT_EQ(Pattern(269, 269), GetBaseImagePixelArgb(&out, 19, 19)) << "a sub-graphic's corner";
    FreeBaseImagePixels(&out);
    const struct {
        const char* name;
        RECT rect;
    } bad[] = {{"past the right", {590, 0, 601, 10}},
               {"negative", {-1, 0, 10, 10}},
               {"empty", {10, 10, 10, 20}}};
    for (const auto& b : bad) EXPECT_EQ(-1, ReadGraphicToBaseImage(g, &out, &b.rect)) << b.name;
    EXPECT_EQ(-1, ReadGraphicToBaseImage(0x04000000 | 999, &out, nullptr)) << "bad handle";
    BaseImage view{};
    EXPECT_EQ(-1, LockGraphicSurface(nullptr, &view, g, 1, 99)) << "no such tile";
    ASSERT_EQ(0, LockGraphicSurface(nullptr, &view, g, 1, 0));
    EXPECT_EQ(-1, LockGraphicSurface(nullptr, &view, g, 1, 1)) << "one lock at a time";
    UnlockGraphicSurface();
    StopDevice();
}

TEST(SurfaceReadback, DrawTargetsAndTheBackBufferGoThroughACopy) {
    KnobD3D9ShaderVersions(0, 0);
    ASSERT_EQ(0, StartDevice(WithHandles()));
    const Handle target = CreateDrawableGraphic(64, 32, 1);
    IDirect3DSurface9* surface = GraphicFromHandle(target, 0)->image->tiles[0].surface;
    const RECT box{10, 5, 20, 15};
    DeviceColorFill(surface, &box, 0x80123456);
    BaseImage out{};
    ASSERT_EQ(0, ReadGraphicToBaseImage(target, &out, nullptr));
    EXPECT_EQ(0x80123456u, GetBaseImagePixelArgb(&out, 10, 5));
    EXPECT_EQ(0u, GetBaseImagePixelArgb(&out, 20, 15));
    FreeBaseImagePixels(&out);
    IDirect3DSurface9* back = GetDeviceResources().backBuffer;
    DeviceColorFill(back, &box, 0xFF654321);
    ASSERT_EQ(0, ReadGraphicToBaseImage(kBackBufferGraphic, &out, nullptr));
    EXPECT_EQ(800, out.width);
    for (const POINT p : {POINT{10, 5}, POINT{19, 14}, POINT{20, 15}}) {
        DWORD argb = 0;
        KnobD3D9ReadPixel(back, p.x, p.y, &argb);
        EXPECT_EQ(argb | 0xFF000000u, GetBaseImagePixelArgb(&out, p.x, p.y)) << p.x;
    }
    FreeBaseImagePixels(&out);
    StopDevice();
}

TEST(SurfaceReadback, SoftwareGraphicsReadTheirMemImg) {
    KnobHideModule("d3d9.dll", true);
    ASSERT_EQ(0, StartDevice(WithHandles()));
    ASSERT_EQ(0, GetScreenState().useDirect3D);
    const Handle g = GraphicOfPixels(40, 30, Pattern);
    const RECT part{5, 6, 40, 30};
    EXPECT_TRUE(ReadsPattern(g, nullptr));
    EXPECT_TRUE(ReadsPattern(g, &part));
    BaseImage out{};
    ASSERT_EQ(0, ReadGraphicToBaseImage(kBackBufferGraphic, &out, nullptr))
        << "the software screen reads the primary image";
    EXPECT_EQ(800, out.width);
    EXPECT_EQ(600, out.height);
    FreeBaseImagePixels(&out);
    StopDevice();
}

}  // namespace
