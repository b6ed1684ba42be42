// The blended-sprite row loop: the SIMD loop against its plain twin on random
// rows (straight and slanted across the texture), and whole 1:1 and rotated
// sprite draws against the generic path.
#include <cmath>
#include <random>

#include "../../../platform/d3d9/raster/sprite_rows.h"
#include "raster_fixture.h"

namespace {

using namespace rastertest;

// The AVX2 loop's bytes for a row (the plain twin's where the processor
// lacks AVX2, so the comparison passes trivially there).
std::vector<uint8_t> Avx2Row(const SpriteRow& s, int x0, int x1, std::vector<uint8_t> row) {
#if defined(__x86_64__)
    if (SpriteRowAvx2Available()) {
        SpriteRowAvx2(s, x0, x1, row.data());
        return row;
    }
#endif
    SpriteRowPlain(s, x0, x1, row.data());
    return row;
}

TEST(RasterSpriteRows, SimdLoopMatchesThePlainTwinOnRandomRows) {
#if defined(__SSE2__)
    std::mt19937 rng(77);
    const int funcs[] = {D3DCMP_NEVER,   D3DCMP_LESS,     D3DCMP_EQUAL,        D3DCMP_LESSEQUAL,
                         D3DCMP_GREATER, D3DCMP_NOTEQUAL, D3DCMP_GREATEREQUAL, D3DCMP_ALWAYS};
    int wide = 0;  // rounds the eight-pixel steps take
    for (int round = 0; round < 3000; ++round) {
        const int width = 1 + int(rng() % 64);
        // A sixth of the rows walk across a texture of several rows (rotated
        // quads), t stepping either way and past both edges.
        const bool slanted = round % 6 == 4;
        const int height = slanted ? 1 + int(rng() % 24) : 1;
        const int pitch = width * 4 + int(rng() % 3) * 4;
        std::vector<uint8_t> texels(size_t(height) * pitch);
        for (auto& b : texels) b = uint8_t(rng());
        // Alphas 0 and 255 and the reference value turn up often.
        for (size_t i = 3; i < texels.size(); i += 4)
            if (rng() % 3 == 0) texels[i] = uint8_t((rng() % 3) * 127 + (rng() & 1));
        SpriteRow s;
        s.texels = texels.data();
        s.width = width;
        if (slanted) {
            s.pitch = pitch, s.height = height;
            s.rowCoords.step =
                int64_t(rng() % (int64_t(2) << kCoordBits)) - (int64_t(1) << kCoordBits);
            s.rowCoords.base = int64_t(rng() % (uint64_t(height + 8) << kCoordBits)) -
                               (int64_t(4) << kCoordBits) - int64_t(rng() % 40) * s.rowCoords.step;
        }
        s.texFormat = rng() % 2 ? kFormatA8R8G8B8 : kFormatX8R8G8B8;
        // 1:1 steps (inside and overlapping the edges), and any other.
        s.coords.step =
            round % 2 ? int64_t(1) << kCoordBits : int64_t(rng() % (int64_t(3) << kCoordBits)) + 1;
        s.coords.base = int64_t(rng() % (uint64_t(width + 8) << kCoordBits)) -
                        (int64_t(4) << kCoordBits) - int64_t(rng() % 40) * s.coords.step;
        s.modulateColour = rng() % 2;
        s.alphaFrom = int(rng() % 3);
        s.constant = FromArgb(rng());
        if (rng() % 4 == 0) s.constant = Rgba{255, 255, 255, 255};
        s.alphaTest = rng() % 4 != 0;
        s.alphaFunc = funcs[rng() % 8];
        s.alphaRef = rng() % 3 ? uint32_t(rng() % 256) : 127;
        s.destFactor = rng() % 2 ? D3DBLEND_INVSRCALPHA : D3DBLEND_ONE;
        s.target = rng() % 2 ? kFormatA8R8G8B8 : kFormatX8R8G8B8;
        const int x0 = int(rng() % 40), x1 = x0 + int(rng() % 70);
        // The row may end with the span or leave room for a masked last group.
        s.rowPixels = rng() % 2 ? x1 : x1 + int(rng() % 5);
        std::vector<uint8_t> plain(size_t(x1) * 4 + 16);
        for (auto& b : plain) b = uint8_t(rng());
        std::vector<uint8_t> simd = plain, before = plain;
        SpriteRowPlain(s, x0, x1, plain.data());
        SpriteRowSse2(s, x0, x1, simd.data());
        ASSERT_EQ(simd, plain) << "round " << round;
        ASSERT_EQ(Avx2Row(s, x0, x1, before), plain) << "AVX2, round " << round;
        wide += x1 - x0 >= 8 && s.Contiguous(x0, x1);
        // Outside the span nothing moves.
        ASSERT_TRUE(std::equal(plain.begin(), plain.begin() + size_t(x0) * 4, before.begin()));
        ASSERT_TRUE(std::equal(plain.begin() + size_t(x1) * 4, plain.end(),
                               before.begin() + size_t(x1) * 4));
    }
    EXPECT_GT(wide, 100);
#else
    GTEST_SKIP() << "no SSE2 on this machine";
#endif
}

// Alpha-textured rows whose texels come in runs of opaque and clear, as
// tiles and backgrounds are: the SIMD loop stores whole opaque groups of
// four straight, and blends opaque groups under a constant's alpha by that
// alpha alone (the cross-fade of two backgrounds); both must still give the
// plain twin's bytes.
TEST(RasterSpriteRows, RunsOfOpaqueTexelsMatchThePlainTwin) {
#if defined(__SSE2__)
    std::mt19937 rng(78);
    for (int round = 0; round < 2000; ++round) {
        const int width = 8 + int(rng() % 120);
        std::vector<uint8_t> texels(size_t(width) * 4);
        for (auto& b : texels) b = uint8_t(rng());
        for (int i = 0; i < width;) {
            const int run = 1 + int(rng() % 12);
            const uint8_t alpha = rng() % 4 == 0 ? uint8_t(rng()) : rng() % 2 ? 255 : 0;
            for (int k = i; k < std::min(width, i + run); ++k) texels[size_t(k) * 4 + 3] = alpha;
            i += run;
        }
        SpriteRow s;
        s.texels = texels.data();
        s.width = width;
        s.coords.step = int64_t(1) << kCoordBits;
        s.coords.base = -int64_t(rng() % 8) << kCoordBits;
        const bool product = round % 2;
        s.alphaFrom = product ? SpriteRow::kAlphaProduct : SpriteRow::kAlphaTexture;
        if (product) {
            s.texFormat = rng() % 4 ? kFormatA8R8G8B8 : kFormatX8R8G8B8;
            s.modulateColour = rng() % 2;
            s.constant = FromArgb(rng());
            // Clear, opaque and the test's reference value turn up often.
            if (rng() % 3 == 0) s.constant.a = int(rng() % 2) * 255;
            if (rng() % 3 == 0) s.constant.a = 128;
            s.destFactor = rng() % 2 ? D3DBLEND_INVSRCALPHA : D3DBLEND_ONE;
        }
        s.alphaTest = rng() % 2;
        s.alphaFunc = rng() % 2 ? D3DCMP_GREATER : D3DCMP_LESS;
        s.alphaRef = rng() % 2 ? 0 : rng() % 2 ? 255 : 128;
        s.target = rng() % 2 ? kFormatA8R8G8B8 : kFormatX8R8G8B8;
        const int x0 = int(rng() % 8), x1 = x0 + int(rng() % uint32_t(width));
        s.rowPixels = x1 + int(rng() % 5);
        std::vector<uint8_t> plain(size_t(s.rowPixels) * 4 + 16);
        for (auto& b : plain) b = uint8_t(rng());
        std::vector<uint8_t> simd = plain, before = plain;
        SpriteRowPlain(s, x0, x1, plain.data());
        SpriteRowSse2(s, x0, x1, simd.data());
        ASSERT_EQ(simd, plain) << "round " << round;
        ASSERT_EQ(Avx2Row(s, x0, x1, before), plain) << "AVX2, round " << round;
    }
#else
    GTEST_SKIP() << "no SSE2 on this machine";
#endif
}

// Rows whose texels stay opaque for many groups (a background row, the
// inside of a large picture), the run ending at every place in a group: the
// eight-pixel loop copies the run's groups straight while it lasts, and must
// still give the plain twin's bytes where the run ends, fails the test or
// the row ends.
TEST(RasterSpriteRows, LongOpaqueRunsMatchThePlainTwin) {
    struct Row {
        const char* name;
        uint32_t texFormat;
        bool alphaTest;
        int alphaFunc;
        uint32_t alphaRef;
        uint8_t afterRun;  // the alpha of the texels after the run
    };
    const Row rows[] = {
        {"run then clear", kFormatA8R8G8B8, false, D3DCMP_ALWAYS, 0, 0},
        {"run then half", kFormatA8R8G8B8, false, D3DCMP_ALWAYS, 0, 128},
        {"run then almost opaque", kFormatA8R8G8B8, true, D3DCMP_GREATER, 0, 254},
        {"opaque passes GREATER 0", kFormatA8R8G8B8, true, D3DCMP_GREATER, 0, 0},
        {"opaque fails LESS 128", kFormatA8R8G8B8, true, D3DCMP_LESS, 128, 0},
        {"opaque fails NOTEQUAL 255", kFormatA8R8G8B8, true, D3DCMP_NOTEQUAL, 255, 40},
        {"X8 texels are all opaque", kFormatX8R8G8B8, false, D3DCMP_ALWAYS, 0, 0},
    };
    std::mt19937 rng(79);
    for (const Row& row : rows)
        for (int runStart = 0; runStart < 9; ++runStart)
            for (int runLength = 8; runLength < 60; runLength += 3)
                for (uint32_t target : {kFormatA8R8G8B8, kFormatX8R8G8B8}) {
                    const int width = 96;
                    std::vector<uint8_t> texels(size_t(width) * 4);
                    for (auto& b : texels) b = uint8_t(rng());
                    for (int i = 0; i < width; ++i)
                        texels[size_t(i) * 4 + 3] = i < runStart               ? uint8_t(rng())
                                                    : i < runStart + runLength ? 255
                                                                               : row.afterRun;
                    SpriteRow s;
                    s.texels = texels.data();
                    s.width = width;
                    s.texFormat = row.texFormat;
                    s.coords = RowCoords{0, int64_t(1) << kCoordBits};
                    s.alphaFrom = SpriteRow::kAlphaTexture;
                    s.alphaTest = row.alphaTest;
                    s.alphaFunc = row.alphaFunc;
                    s.alphaRef = row.alphaRef;
                    s.target = target;
                    const int x0 = int(rng() % 3), x1 = x0 + 40 + int(rng() % 50);
                    s.rowPixels = x1;
                    std::vector<uint8_t> plain(size_t(x1) * 4);
                    for (auto& b : plain) b = uint8_t(rng());
                    std::vector<uint8_t> before = plain;
                    SpriteRowPlain(s, x0, x1, plain.data());
                    ASSERT_EQ(Avx2Row(s, x0, x1, before), plain)
                        << row.name << ", run " << runStart << " + " << runLength << ", target "
                        << target;
                }
}

// Rows blended by one alpha for every pixel (constant alphas, opaque texels
// under a faded diffuse) take a multiply-add of byte pairs; onto a held fill
// they read no target at all. Every alpha, over texels running through
// every byte value, against the plain twin.
TEST(RasterSpriteRows, OneAlphaRowsMatchThePlainTwinAtEveryAlpha) {
#if defined(__x86_64__)
    if (!SpriteRowAvx2Available()) GTEST_SKIP() << "no AVX2 on this machine";
    struct Shape {
        const char* name;
        uint32_t texFormat, target;
        int alphaFrom;
    };
    const Shape shapes[] = {
        {"faded picture", kFormatA8R8G8B8, kFormatA8R8G8B8, SpriteRow::kAlphaProduct},
        {"faded picture onto X8", kFormatA8R8G8B8, kFormatX8R8G8B8, SpriteRow::kAlphaProduct},
        {"X8 picture, constant alpha", kFormatX8R8G8B8, kFormatA8R8G8B8, SpriteRow::kAlphaConstant},
        {"X8 onto X8, constant alpha", kFormatX8R8G8B8, kFormatX8R8G8B8, SpriteRow::kAlphaConstant},
    };
    constexpr int kTexels = 263;
    std::vector<uint8_t> texels(size_t(kTexels) * 4);
    for (int k = 0; k < kTexels; ++k) {
        const uint8_t texel[4] = {uint8_t(k), uint8_t(255 - k), uint8_t(k * 7), 255};
        std::memcpy(&texels[size_t(k) * 4], texel, 4);
    }
    std::mt19937 rng(80);
    for (const Shape& shape : shapes)
        for (int alpha = 0; alpha < 256; ++alpha) {
            SpriteRow s;
            s.texels = texels.data();
            s.width = kTexels;
            s.texFormat = shape.texFormat;
            s.coords = RowCoords{0, int64_t(1) << kCoordBits};
            s.alphaFrom = shape.alphaFrom;
            s.constant = Rgba{255, 255, 255, alpha};
            s.target = shape.target;
            const int x0 = int(rng() % 5), x1 = kTexels - int(rng() % 5);
            s.rowPixels = x1;
            std::vector<uint8_t> plain(size_t(kTexels) * 4);
            for (auto& b : plain) b = uint8_t(rng());
            std::vector<uint8_t> before = plain;
            SpriteRowPlain(s, x0, x1, plain.data());
            ASSERT_EQ(Avx2Row(s, x0, x1, before), plain) << shape.name << ", alpha " << alpha;
            // Stretched 2x, the row fetches its texels one by one.
            SpriteRow stretched = s;
            stretched.coords.step /= 2;
            std::vector<uint8_t> twice = before;
            SpriteRowPlain(stretched, x0, x1, twice.data());
            ASSERT_EQ(Avx2Row(stretched, x0, x1, before), twice)
                << shape.name << " stretched, alpha " << alpha;
            // Onto a fill: groups of eight, up to the group of the first
            // texel that is not opaque where the texel's alpha counts.
            const uint32_t under = rng() % 4 ? uint32_t(rng()) : 0xFF000000u;
            const bool check = shape.alphaFrom == SpriteRow::kAlphaProduct;
            const int notOpaque = x0 + int(rng() % uint32_t(x1 - x0));
            std::vector<uint8_t> holed = texels;
            holed[size_t(notOpaque) * 4 + 3] = 254;
            s.texels = holed.data();
            const int full = x0 + (x1 - x0) / 8 * 8;
            const int end = check ? std::min(full, x0 + (notOpaque - x0) / 8 * 8) : full;
            std::vector<uint8_t> simd = before;
            ASSERT_EQ(OneAlphaGroupsOverColourAvx2(s, alpha, under, x0, x1, check, simd.data()),
                      end)
                << shape.name << " over a fill, alpha " << alpha;
            plain = before;
            OneAlphaRowOverColourPlain(s, alpha, under, x0, end, plain.data());
            ASSERT_EQ(simd, plain) << shape.name << " over a fill, alpha " << alpha;
        }
#else
    GTEST_SKIP() << "no AVX2 loops on this machine";
#endif
}

TEST(RasterSpriteRows, PlainTwinBlendsByHand) {
    // One texel (alpha 0x80) over a grey pixel, alpha halved by the diffuse
    // alpha: a = round(128 * 128 / 255) = 64, then each channel
    // round((s * 64 + d * 191) / 255).
    const uint32_t texel = 0x80FF4000u;
    SpriteRow s;
    s.texels = reinterpret_cast<const uint8_t*>(&texel);
    s.width = 1;
    s.coords = RowCoords{0, int64_t(1) << kCoordBits};
    s.alphaFrom = SpriteRow::kAlphaProduct;
    s.constant = Rgba{255, 255, 255, 128};
    s.alphaTest = true;
    s.alphaFunc = D3DCMP_GREATER;
    uint32_t pixel = 0x40808080u;
    SpriteRowPlain(s, 0, 1, reinterpret_cast<uint8_t*>(&pixel));
    const uint32_t r = (255 * 64 + 128 * 191 + 127) / 255, g = (64 * 64 + 128 * 191 + 127) / 255,
                   b = (0 * 64 + 128 * 191 + 127) / 255, a = (64 * 64 + 64 * 191 + 127) / 255;
    EXPECT_EQ(pixel, (a << 24) | (r << 16) | (g << 8) | b);
    // Alpha 0 fails GREATER 0: the pixel stays as it was, alpha byte too.
    const uint32_t clear = 0x00FFFFFFu;
    s.texels = reinterpret_cast<const uint8_t*>(&clear);
    s.target = kFormatX8R8G8B8;
    pixel = 0x12345678u;
    SpriteRowPlain(s, 0, 1, reinterpret_cast<uint8_t*>(&pixel));
    EXPECT_EQ(pixel, 0x12345678u);
    // Onto a held fill of 0x00204060 (never read from the row) by alpha
    // 200 on an X8R8G8B8 target: round((s * 200 + d * 55) / 255), alpha 255.
    s.texels = reinterpret_cast<const uint8_t*>(&texel);
    pixel = 0x12345678u;
    OneAlphaRowOverColourPlain(s, 200, 0x00204060u, 0, 1, reinterpret_cast<uint8_t*>(&pixel));
    const uint32_t fr = (255 * 200 + 0x20 * 55 + 127) / 255,
                   fg = (64 * 200 + 0x40 * 55 + 127) / 255, fb = (0 * 200 + 0x60 * 55 + 127) / 255;
    EXPECT_EQ(pixel, 0xFF000000u | (fr << 16) | (fg << 8) | fb);
}

class RasterSpriteDraws : public ::testing::Test {
  protected:
    void TearDown() override { RasterForceGenericSpans(false); }
};

// 1:1 sprites at pixel centres (the engine's x - 0.5) take the contiguous
// loads; the result must be the generic path's to the byte.
TEST_F(RasterSpriteDraws, OneToOneSpritesMatchTheGenericPath) {
    std::mt19937 rng(31);
    struct Ops {
        DWORD colorOp, alphaOp;
    };
    const Ops ops[] = {{D3DTOP_SELECTARG1, D3DTOP_SELECTARG2},
                       {D3DTOP_SELECTARG1, D3DTOP_SELECTARG1},
                       {D3DTOP_SELECTARG1, D3DTOP_MODULATE},
                       {D3DTOP_MODULATE, D3DTOP_SELECTARG2},
                       {D3DTOP_MODULATE, D3DTOP_MODULATE}};
    for (uint32_t target : {kFormatA8R8G8B8, kFormatX8R8G8B8})
        for (uint32_t texFormat : {kFormatA8R8G8B8, kFormatX8R8G8B8})
            for (DWORD dest : {D3DBLEND_INVSRCALPHA, D3DBLEND_ONE})
                for (const Ops& op : ops) {
                    OwnedTexture tex(32, 32, texFormat);
                    OwnedSurface a(100, 70, target), g(100, 70, target);
                    RandomiseTwinPixels(tex, a, g, rng);
                    RasterState s =
                        StateFor(a.surface, D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1);
                    UseTexture(s, &tex.texture, op.colorOp, op.alphaOp);
                    s.render[D3DRS_ALPHABLENDENABLE] = TRUE;
                    s.render[D3DRS_SRCBLEND] = D3DBLEND_SRCALPHA;
                    s.render[D3DRS_DESTBLEND] = dest;
                    s.render[D3DRS_ALPHATESTENABLE] = TRUE;
                    s.render[D3DRS_ALPHAFUNC] = D3DCMP_GREATER;
                    s.render[D3DRS_ALPHAREF] = rng() % 2 ? 0 : 100;
                    RasterState sg = s;
                    sg.target = g.surface;
                    std::vector<V2DTex> v;
                    for (int i = 0; i < 12; ++i) {
                        // Inside, and hanging over every edge of the target.
                        float x = float(int(rng() % 130) - 30) - 0.5f;
                        float y = float(int(rng() % 100) - 30) - 0.5f;
                        uint32_t colour = i % 3 ? rng() : 0xFFFFFFFFu;
                        auto q = TexQuad(x, y, x + 32, y + 32, 0, 0, 1, 1, colour);
                        v.insert(v.end(), q.begin(), q.end());
                    }
                    ASSERT_EQ(DrawList(s, v).hr, S_OK);
                    RasterForceGenericSpans(true);
                    ASSERT_EQ(DrawList(sg, v).hr, S_OK);
                    RasterForceGenericSpans(false);
                    ASSERT_EQ(a.bytes, g.bytes)
                        << "target " << target << " texture " << texFormat << " dest " << dest
                        << " ops " << op.colorOp << "/" << op.alphaOp;
                }
}

}  // namespace

namespace {

using namespace rastertest;

// Rotated and scaled sprites (each row walks across the texture on a slant)
// through the same loop, against the generic path, for each state row, point
// sampled and bilinear (whose rows sample their texels first).
TEST_F(RasterSpriteDraws, RotatedSpritesMatchTheGenericPath) {
    struct Row {
        const char* name;
        DWORD colorOp, alphaOp, dest;
        bool alphaTest;
    };
    const Row rows[] = {
        {"texture alpha, over", D3DTOP_SELECTARG1, D3DTOP_SELECTARG1, D3DBLEND_INVSRCALPHA, true},
        {"texture alpha, over, no test", D3DTOP_SELECTARG1, D3DTOP_SELECTARG1, D3DBLEND_INVSRCALPHA,
         false},
        {"diffuse alpha, added", D3DTOP_SELECTARG1, D3DTOP_SELECTARG2, D3DBLEND_ONE, false},
        {"faded, over", D3DTOP_SELECTARG1, D3DTOP_MODULATE, D3DBLEND_INVSRCALPHA, true},
        {"tinted and faded, over", D3DTOP_MODULATE, D3DTOP_MODULATE, D3DBLEND_INVSRCALPHA, true},
        {"tinted and faded, added", D3DTOP_MODULATE, D3DTOP_MODULATE, D3DBLEND_ONE, false},
        {"tinted, texture alpha", D3DTOP_MODULATE, D3DTOP_SELECTARG1, D3DBLEND_INVSRCALPHA, false},
    };
    std::mt19937 rng(32);
    for (const Row& row : rows)
        for (uint32_t target : {kFormatA8R8G8B8, kFormatX8R8G8B8})
            for (uint32_t texFormat : {kFormatA8R8G8B8, kFormatX8R8G8B8})
                for (DWORD filter : {D3DTEXF_POINT, D3DTEXF_LINEAR}) {
                    OwnedTexture tex(24, 40, texFormat);
                    OwnedSurface a(90, 80, target), g(90, 80, target);
                    RandomiseTwinPixels(tex, a, g, rng);
                    // Runs of clear and opaque texels, as sprites have.
                    auto& texels = tex.levels[0].bytes;
                    for (size_t i = 3; i < texels.size(); i += 4)
                        if ((i / 40) % 3 != 2) texels[i] = (i / 40) % 3 ? 0 : 255;
                    RasterState s =
                        StateFor(a.surface, D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1);
                    UseTexture(s, &tex.texture, row.colorOp, row.alphaOp);
                    s.sampler[0][D3DSAMP_MINFILTER] = s.sampler[0][D3DSAMP_MAGFILTER] = filter;
                    s.render[D3DRS_ALPHABLENDENABLE] = TRUE;
                    s.render[D3DRS_SRCBLEND] = D3DBLEND_SRCALPHA;
                    s.render[D3DRS_DESTBLEND] = row.dest;
                    s.render[D3DRS_ALPHATESTENABLE] = row.alphaTest;
                    s.render[D3DRS_ALPHAFUNC] = D3DCMP_GREATER;
                    s.render[D3DRS_ALPHAREF] = rng() % 2 ? 0 : 100;
                    RasterState sg = s;
                    sg.target = g.surface;
                    std::vector<V2DTex> v;
                    for (int i = 0; i < 10; ++i) {
                        // Centred anywhere (over the edges too), any angle, scaled
                        // 0.5x to 2.5x, the texture coordinates past its edges at
                        // times (clamped).
                        const float cx = float(int(rng() % 130) - 20),
                                    cy = float(int(rng() % 120) - 20);
                        // Upright at times: bilinear rows of one texture row pair.
                        const float angle = i % 4 == 1 ? 0.0f : float(rng() % 6283) / 1000.0f;
                        const float scale = 0.5f + float(rng() % 200) / 100.0f;
                        const float c = std::cos(angle) * scale, sn = std::sin(angle) * scale;
                        const float over = i % 3 == 0 ? 0.2f : 0.0f;
                        const uint32_t colour = i % 2 ? rng() : 0xFFFFFFFFu;
                        V2DTex corner[4];
                        const float hx[4] = {-12, 12, -12, 12}, hy[4] = {-20, -20, 20, 20};
                        for (int k = 0; k < 4; ++k)
                            corner[k] = {cx + hx[k] * c - hy[k] * sn,
                                         cy + hx[k] * sn + hy[k] * c,
                                         0,
                                         1,
                                         colour,
                                         (k & 1) ? 1 + over : -over,
                                         (k & 2) ? 1 + over : -over};
                        for (int k : {0, 1, 2, 3, 2, 1}) v.push_back(corner[k]);
                    }
                    ASSERT_EQ(DrawList(s, v).hr, S_OK);
                    RasterForceGenericSpans(true);
                    ASSERT_EQ(DrawList(sg, v).hr, S_OK);
                    RasterForceGenericSpans(false);
                    ASSERT_EQ(a.bytes, g.bytes) << row.name << ", target " << target << " texture "
                                                << texFormat << " filter " << filter;
                }
}

}  // namespace
