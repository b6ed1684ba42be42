// One-colour triangles, fills and lines in every blend mode at both depths
// against the per-pixel combine model, and the flat triangle's coverage
// under a mode that shows double writes.
#include <random>
#include <vector>

#include "../soft_shapes/shape_reference.h"
#include "flat_fixture.h"

using namespace DuRud;
using namespace softmodes;

namespace {

class FlatModes : public softblit::SoftBlitTest {};

// The brightness of each primitive's own rule, computed by hand: the
// triangle through floor(c*k/255) always, fills and lines (c*k) >> 8 and
// only under a brightness that is not white.
uint32_t LitByTable(bool is32, uint32_t c, uint32_t bright) {
    const shapetest::RefChannels ch = shapetest::RefUnpack(is32, c);
    shapetest::RefChannels out;
    for (int i = 0; i < 3; ++i) out.v[i] = ch.v[i] * int((bright >> (8 * i)) & 255) / 255;
    return shapetest::RefPack(is32, out, c);
}
uint32_t LitByShift(bool is32, uint32_t c, uint32_t bright) {
    if ((bright & 0xFFFFFF) == 0xFFFFFF) return is32 ? c : (c & 0xFFFF);
    const shapetest::RefChannels ch = shapetest::RefUnpack(is32, c);
    shapetest::RefChannels out;
    for (int i = 0; i < 3; ++i) out.v[i] = (ch.v[i] * int((bright >> (8 * i)) & 255)) >> 8;
    return shapetest::RefPack(is32, out, c);
}

enum Shape { kTriangle, kFill, kLine };

void DrawShape(Shape s, Canvas& c, uint32_t colour) {
    const MemImgVertex v[3] = {{1, 0, 0, 0}, {11, 4, 0, 0}, {3, 9, 0, 0}};
    const RECT r{2, 3, 9, 7};
    switch (s) {
        case kTriangle:
            MemImgTriangle(&c.view, nullptr, v, 0, nullptr, colour);
            break;
        case kFill:
            MemImgFillRect(&c.view, &r, colour);
            break;
        case kLine:
            MemImgLine(&c.view, 0, 1, 11, 8, colour);
            break;
    }
}

TEST_F(FlatModes, EveryModeAndDepthMatchesTheCombineModel) {
    std::mt19937 rng(2024);
    for (int type : {kMemImgColor16, kMemImgColor32})
        for (int mode : {0, 1, 2, 3, 4, 5, 9, 10, 11, 12})
            for (int p : {0, 1, 127, 128, 254, 255})
                for (uint32_t bright : {0x00FFFFFFu, 0x00FFFF80u, 0x00407FC0u})
                    for (Shape shape : {kTriangle, kFill, kLine}) {
                        SCOPED_TRACE(testing::Message()
                                     << "type " << type << " mode " << mode << " p " << p
                                     << " bright " << bright << " shape " << shape);
                        const bool is32 = type == kMemImgColor32;
                        const int w = 12, h = 10;
                        // Where the shape lies: a plain-copy draw on a blank canvas.
                        Canvas where(w, h, type);
                        where.Fill(0);
                        State(0, 255);
                        DrawShape(shape, where, 1);

                        Canvas c(w, h, type);
                        std::vector<uint32_t> before;
                        for (int y = 0; y < h; ++y)
                            for (int x = 0; x < w; ++x) {
                                uint32_t v = rng() % 5 == 0 ? 0xFFFFFFFFu : rng();
                                if (!is32) v &= 0xFFFF;
                                c.Put(x, y, v);
                                before.push_back(v);
                            }
                        uint32_t colour = rng() % 4 == 0 ? 0xFFFFFFFFu : rng();
                        if (!is32) colour &= 0xFFFF;
                        State(mode, p, bright);
                        DrawShape(shape, c, colour);
                        ASSERT_TRUE(MarginsIntact(c));
                        const uint32_t lit = shape == kTriangle ? LitByTable(is32, colour, bright)
                                                                : LitByShift(is32, colour, bright);
                        for (int y = 0; y < h; ++y)
                            for (int x = 0; x < w; ++x) {
                                const uint32_t d = before[size_t(y * w + x)];
                                const uint32_t want =
                                    where.Get(x, y) ? shapetest::RefFlat(is32, mode, p, lit, d) : d;
                                ASSERT_EQ(c.Get(x, y), want) << x << "," << y;
                            }
                    }
}

// Rows of a triangle whose top vertex lies above row 0 are each drawn once:
// under an additive mode a second pass would double the colour.
TEST_F(FlatModes, AdditiveTriangleDrawsEveryCoveredPixelOnce) {
    Canvas c(24, 10, kMemImgColor32);
    c.Fill(0);
    State(2, 255);
    const MemImgVertex v[3] = {{10, -3, 0, 0}, {0, 2, 0, 0}, {20, 6, 0, 0}};
    MemImgTriangle(&c.view, nullptr, v, 0, nullptr, 10);
    const Points covered = Changed(c, 0);
    EXPECT_FALSE(covered.empty());
    for (const auto& [x, y] : covered) EXPECT_EQ(c.Get(x, y), 10u) << x << "," << y;
    // Row 2 is the middle vertex's: it must be there, once.
    EXPECT_TRUE(covered.count({0, 2}) || covered.count({1, 2}));
    EXPECT_TRUE(MarginsIntact(c));
}

// Under a blue brightness of 128 the triangle lights through the product
// table (255 keeps 100), fills and lines by (c * k) >> 8 (100 becomes 99).
TEST_F(FlatModes, BlueBrightnessDarkensRedAndGreenOnlyInFillsAndLines) {
    for (Shape shape : {kTriangle, kFill, kLine}) {
        Canvas c(12, 10, kMemImgColor32);
        c.Fill(0);
        State(0, 255, 0x00FFFF80);
        DrawShape(shape, c, 0x00646464);
        const uint32_t want = shape == kTriangle ? 0x00646432u : 0x00636332u;
        const Points drawn = Changed(c, 0);
        ASSERT_FALSE(drawn.empty());
        for (const auto& [x, y] : drawn) EXPECT_EQ(c.Get(x, y), want) << shape;
    }
}

// Pinned values of the flat combine through the triangle.
TEST_F(FlatModes, TrianglePinnedCombines) {
    auto one = [](int type, uint32_t d, uint32_t colour, int mode, int p) {
        Canvas c(4, 3, type);
        c.Fill(d);
        State(mode, p);
        const MemImgVertex v[3] = {{0, 0, 0, 0}, {2, 0, 0, 0}, {0, 2, 0, 0}};
        MemImgTriangle(&c.view, nullptr, v, 0, nullptr, colour);
        EXPECT_TRUE(MarginsIntact(c));
        EXPECT_EQ(c.Get(3, 2), d);  // outside the triangle
        return c.Get(0, 0);
    };
    constexpr int k32 = kMemImgColor32, k16 = kMemImgColor16;
    // Blue 240 + 32 saturates; green is untouched.
    EXPECT_EQ(one(k32, 0x000000F0, 0x00000020, 2, 255), 0x000000FFu);
    // Subtracting 0 sets green's and red's lowest bits and clears byte 3.
    EXPECT_EQ(one(k32, 0xFF123456, 0, 3, 255), 0x00133556u);
    // White modulates every non-zero channel down one step.
    EXPECT_EQ(one(k32, 0x7F0180FF, 0x00FFFFFF, 4, 0), 0x7F007FFEu);
    EXPECT_EQ(one(k16, 0xFFFF, 0xFFFF, 4, 0), 0xF7DEu);  // 30, 62, 30
    // Mode 0 writes all four bytes of the colour; mode 1 p = 0 nothing.
    EXPECT_EQ(one(k32, 0x11111111, 0xAB123456, 0, 0), 0xAB123456u);
    EXPECT_EQ(one(k32, 0x11111111, 0xAB123456, 1, 0), 0x11111111u);
    // A 16-bit colour uses its low 16 bits only.
    EXPECT_EQ(one(k16, 0, 0xFFFF001Fu, 0, 255), 0x001Fu);
    EXPECT_EQ(one(k16, 0, 0x12340000u | 0x0821u, 2, 255), 0x0821u);
    // Mode 7 draws nothing.
    EXPECT_EQ(one(k16, 0x1234, 0xFFFF, 7, 255), 0x1234u);
}

}  // namespace
