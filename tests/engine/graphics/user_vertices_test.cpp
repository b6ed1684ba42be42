// Caller-built vertices: the colour pre-pass scales diffuse colours by the
// brightness on a copy, the caller's array stays byte for byte, and counts
// that make no primitive or overflow one device draw are refused.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "graphics/device_layer.h"
#include "graphics/device_setup.h"
#include "graphics/software_draw.h"
#include "graphics/user_vertices.h"
#include "graphics_fixture.h"

using namespace DuRud;
using namespace graphicstest;

namespace {

class UserVertices : public ::testing::Test {
  protected:
    void TearDown() override { StopDevice(); }
};

// Two triangles over (10, 10)-(20, 20) in the colour, texture (0, 0)-(1, 1).
std::vector<Vertex2DTex> Square(uint32_t diffuse) {
    const float l = 9.5f, t = 9.5f, r = 19.5f, b = 19.5f;
    const Vertex2DTex corners[4] = {{l, t, 0, 1, diffuse, 0, 0},
                                    {r, t, 0, 1, diffuse, 1, 0},
                                    {l, b, 0, 1, diffuse, 0, 1},
                                    {r, b, 0, 1, diffuse, 1, 1}};
    return {corners[0], corners[1], corners[2], corners[3], corners[2], corners[1]};
}

TEST_F(UserVertices, BrightnessScalesACopyOfTheColours) {
    ScreenSettings s = WithHandles();
    s.width = 40, s.height = 30;
    ASSERT_EQ(0, StartDevice(s));
    DeviceColorFill(GetDeviceResources().backBuffer, nullptr, 0);
    const struct {
        const char* name;
        bool textured;
        int red, green, blue;
        uint32_t want;
    } rows[] = {
        // 200 x 128 / 255 = 100.4
        {"UntexturedRedHalved", false, 128, 255, 255, 0x646432},
        {"UntexturedWhite", false, 255, 255, 255, 0xC86432},
        // Texel 0x80C0FF times the vertex colour, then the brightness:
        // 0x80 x 200 / 255 = 100, then x 64 / 255 = 25.
        {"TexturedAll", true, 64, 255, 255, 0x194B32},
    };
    const Handle g = SolidGraphic(4, 4, 0xFF80C0FF);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_EQ(0, SetBrightness(row.red, row.green, row.blue));
        const auto given = Square(0xFFC86432);
        auto vertices = given;
        ASSERT_EQ(0, DrawGraphicPrimitive2D(vertices.data(), 6, D3DPT_TRIANGLELIST,
                                            row.textured ? g : kNoGraphic, 0));
        EXPECT_EQ(0, std::memcmp(given.data(), vertices.data(), 6 * sizeof(Vertex2DTex)));
        for (const POINT p : {POINT{10, 10}, POINT{19, 19}, POINT{15, 12}}) {
            const uint32_t got = BackBufferPixel(p.x, p.y) & 0xFFFFFF;
            // Colour products may round either way by one step.
            for (int shift : {0, 8, 16})
                EXPECT_NEAR(int(row.want >> shift & 0xFF), int(got >> shift & 0xFF), 1)
                    << std::hex << got << " at " << std::dec << p.x << ", " << p.y;
        }
        EXPECT_EQ(0u, BackBufferPixel(20, 15) & 0xFFFFFF) << "right of the square";
    }
}

TEST_F(UserVertices, RefusedCountsAndHandles) {
    ASSERT_EQ(0, StartDevice(WithHandles()));
    const auto v = Square(0xFFFFFFFF);
    const struct {
        const char* name;
        int count, type;
        Handle handle;
    } rows[] = {
        {"NoVertices", 0, D3DPT_TRIANGLELIST, kNoGraphic},
        {"NegativeCount", -6, D3DPT_TRIANGLELIST, kNoGraphic},
        {"TwoOfATriangle", 2, D3DPT_TRIANGLELIST, kNoGraphic},
        {"PastOneDraw", 3 * 0x100000, D3DPT_TRIANGLELIST, kNoGraphic},
        {"UnknownType", 6, 9, kNoGraphic},
        {"BadHandle", 6, D3DPT_TRIANGLELIST, 12345},
    };
    for (const auto& row : rows)
        EXPECT_EQ(-1, DrawGraphicPrimitive2D(v.data(), row.count, row.type, row.handle, 0))
            << row.name;
    EXPECT_EQ(-1, DrawGraphicPrimitive2D(nullptr, 6, D3DPT_TRIANGLELIST, kNoGraphic, 0));
    EXPECT_EQ(0, DrawGraphicPrimitive2D(v.data(), 3, D3DPT_TRIANGLESTRIP, kNoGraphic, 0));
}

TEST_F(UserVertices, SoftwareRendererDrawsNothing) {
    ScreenSettings s = WithHandles();
    s.softwareForced = 1;
    ASSERT_EQ(0, StartDevice(s));
    const auto v = Square(0xFFFFFFFF);
    const MEMIMG* screen = SoftwarePrimary();
    const auto* pixel =
        reinterpret_cast<const uint32_t*>(screen->pixels + 15 * screen->body->pitch);
    const uint32_t before = pixel[15];
    EXPECT_EQ(0, DrawGraphicPrimitive2D(v.data(), 6, D3DPT_TRIANGLELIST, kNoGraphic, 0));
    EXPECT_EQ(before, pixel[15]);
}

// Piece coordinates go to whole groups of six in the worker's own copy;
// the mirror flag swaps left and right.
TEST_F(UserVertices, PieceCoordinatesForWholeGroups) {
    ScreenSettings s = WithHandles();
    s.width = 40, s.height = 30;
    ASSERT_EQ(0, StartDevice(s));
    const Handle g = SolidGraphic(8, 8, 0xFFFF0000, 0xFF00FF00);  // red left, green right
    const GraphicRecord* record = GraphicFromHandle(g, 0);
    for (int mirror : {0, 1}) {
        // A group of six, then a triangle 15 pixels right: all at texture
        // coordinate 0.9 (green) until the group takes the piece's.
        std::vector<Vertex2DTex> given = Square(0xFFFFFFFF);
        for (int k : {0, 1, 2}) given.push_back(given[size_t(k)]), given.back().x += 15;
        for (Vertex2DTex& v : given) v.u = v.v = 0.9f;
        auto vertices = given;
        ASSERT_EQ(0, DrawUserVerticesHw(D3DPT_TRIANGLELIST, 9, vertices.data(), 0, 1, mirror,
                                        record, 0, 0));
        EXPECT_EQ(0, std::memcmp(given.data(), vertices.data(), 9 * sizeof(Vertex2DTex)));
        EXPECT_EQ(mirror ? 0x00FF00u : 0xFF0000u, BackBufferPixel(11, 15) & 0xFFFFFF) << mirror;
        EXPECT_EQ(mirror ? 0xFF0000u : 0x00FF00u, BackBufferPixel(18, 15) & 0xFFFFFF) << mirror;
        EXPECT_EQ(0x00FF00u, BackBufferPixel(26, 11) & 0xFFFFFF) << "its own coordinates";
    }
}

}  // namespace
