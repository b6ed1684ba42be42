// Alpha test, blend factors and operations on each target kind, the colour
// write mask and the depth test, against real-valued references.
#include <cmath>

#include "raster_fixture.h"

namespace {

using namespace rastertest;

constexpr DWORD kFvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE;

// Draws a 2 x 2 quad of `src` over a target filled with `dst`.
uint32_t DrawOver(RasterState& s, OwnedSurface& t, uint32_t src, uint32_t dst) {
    t.Fill(dst);
    auto q = Quad(-0.5f, -0.5f, 1.5f, 1.5f, src);
    EXPECT_EQ(DrawList(s, q).hr, S_OK);
    return t.Get(1, 1);
}

TEST(RasterBlending, AlphaTestEachComparisonAroundTheReference) {
    OwnedSurface t(2, 2, kFormatA8R8G8B8);
    RasterState s = StateFor(t.surface, kFvf);
    s.render[D3DRS_ALPHATESTENABLE] = TRUE;
    s.render[D3DRS_ALPHAREF] = 100;
    struct Case {
        DWORD func;
        bool below, at, above;
    } cases[] = {{D3DCMP_NEVER, false, false, false},      {D3DCMP_LESS, true, false, false},
                 {D3DCMP_EQUAL, false, true, false},       {D3DCMP_LESSEQUAL, true, true, false},
                 {D3DCMP_GREATER, false, false, true},     {D3DCMP_NOTEQUAL, true, false, true},
                 {D3DCMP_GREATEREQUAL, false, true, true}, {D3DCMP_ALWAYS, true, true, true}};
    for (const Case& c : cases) {
        s.render[D3DRS_ALPHAFUNC] = c.func;
        EXPECT_EQ(DrawOver(s, t, Argb(99, 1, 2, 3), 0) != 0, c.below) << c.func;
        EXPECT_EQ(DrawOver(s, t, Argb(100, 1, 2, 3), 0) != 0, c.at) << c.func;
        EXPECT_EQ(DrawOver(s, t, Argb(101, 1, 2, 3), 0) != 0, c.above) << c.func;
    }
}

// Real-valued blend of one channel.
double Factor(DWORD f, bool alpha, double s, double d, double sa, double da, double bf) {
    switch (f) {
        case D3DBLEND_ZERO:
            return 0;
        case D3DBLEND_ONE:
            return 1;
        case D3DBLEND_SRCCOLOR:
            return s / 255;
        case D3DBLEND_INVSRCCOLOR:
            return 1 - s / 255;
        case D3DBLEND_SRCALPHA:
            return sa / 255;
        case D3DBLEND_INVSRCALPHA:
            return 1 - sa / 255;
        case D3DBLEND_DESTALPHA:
            return da / 255;
        case D3DBLEND_INVDESTALPHA:
            return 1 - da / 255;
        case D3DBLEND_DESTCOLOR:
            return d / 255;
        case D3DBLEND_INVDESTCOLOR:
            return 1 - d / 255;
        case D3DBLEND_SRCALPHASAT:
            return alpha ? 1 : std::min(sa, 255 - da) / 255;
        case D3DBLEND_BLENDFACTOR:
            return bf / 255;
        default:
            return 1 - bf / 255;
    }
}

uint32_t ReferenceBlend(DWORD src, DWORD dst, DWORD op, uint32_t s, uint32_t d, uint32_t bf) {
    if (src == D3DBLEND_BOTHSRCALPHA) src = D3DBLEND_SRCALPHA, dst = D3DBLEND_INVSRCALPHA;
    if (src == D3DBLEND_BOTHINVSRCALPHA) src = D3DBLEND_INVSRCALPHA, dst = D3DBLEND_SRCALPHA;
    double sa = s >> 24, da = d >> 24;
    uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        bool alpha = shift == 24;
        double sc = (s >> shift) & 255, dc = (d >> shift) & 255, bc = (bf >> shift) & 255;
        double fs = Factor(src, alpha, sc, dc, sa, da, bc),
               fd = Factor(dst, alpha, sc, dc, sa, da, bc);
        double v;
        switch (op) {
            case D3DBLENDOP_SUBTRACT:
                v = sc * fs - dc * fd;
                break;
            case D3DBLENDOP_REVSUBTRACT:
                v = dc * fd - sc * fs;
                break;
            case D3DBLENDOP_MIN:
                v = std::min(sc, dc);
                break;
            case D3DBLENDOP_MAX:
                v = std::max(sc, dc);
                break;
            default:
                v = sc * fs + dc * fd;
                break;
        }
        v = std::min(255.0, std::max(0.0, std::round(v)));
        out |= uint32_t(v) << shift;
    }
    return out;
}

TEST(RasterBlending, EveryFactorAndOperationOnEachTargetKind) {
    const uint32_t src = 0x9C40B4E6u, bf = 0x7850A0C8u;
    for (uint32_t format : {kFormatA8R8G8B8, kFormatX8R8G8B8, kFormatR5G6B5, kFormatA4R4G4B4}) {
        OwnedSurface t(2, 2, format), expect(1, 1, format);
        RasterState s = StateFor(t.surface, kFvf);
        s.render[D3DRS_ALPHABLENDENABLE] = TRUE;
        s.render[D3DRS_BLENDFACTOR] = bf;
        for (DWORD op = D3DBLENDOP_ADD; op <= D3DBLENDOP_MAX; ++op)
            for (DWORD sf = D3DBLEND_ZERO; sf <= D3DBLEND_INVBLENDFACTOR; ++sf)
                for (DWORD df = D3DBLEND_ZERO; df <= D3DBLEND_INVBLENDFACTOR; ++df) {
                    // The two "both" factors are source factors only.
                    if (df == D3DBLEND_BOTHSRCALPHA || df == D3DBLEND_BOTHINVSRCALPHA) continue;
                    s.render[D3DRS_BLENDOP] = op;
                    s.render[D3DRS_SRCBLEND] = sf;
                    s.render[D3DRS_DESTBLEND] = df;
                    // The destination as the target holds it (alpha 255
                    // where the format has none, narrowed channels).
                    expect.Set(0, 0, 0x5A3C7896u);
                    uint32_t dst = expect.Get(0, 0);
                    expect.Set(0, 0, ReferenceBlend(sf, df, op, src, dst, bf));
                    uint32_t got = DrawOver(s, t, src, 0x5A3C7896u);
                    ASSERT_EQ(got, expect.Get(0, 0))
                        << "format " << format << " op " << op << " src " << sf << " dst " << df;
                }
    }
}

TEST(RasterBlending, AlphaChannelOfTheOffScreenTarget) {
    OwnedSurface t(2, 2, kFormatA8R8G8B8);
    RasterState s = StateFor(t.surface, kFvf);
    s.render[D3DRS_ALPHABLENDENABLE] = TRUE;
    s.render[D3DRS_SRCBLEND] = D3DBLEND_SRCALPHA;
    s.render[D3DRS_DESTBLEND] = D3DBLEND_INVSRCALPHA;
    // Alpha: 128 * 128 / 255 + 64 * 127 / 255 = 64.25 + 31.88 = 96.1 -> 96.
    // Red: 200 * 128 / 255 + 100 * 127 / 255 = 100.4 + 49.8 = 150.2 -> 150.
    EXPECT_EQ(DrawOver(s, t, Argb(128, 200, 0, 0), Argb(64, 100, 0, 0)), Argb(96, 150, 0, 0));
    // An X8 target reads destination alpha as 255 and keeps none.
    OwnedSurface x(2, 2, kFormatX8R8G8B8);
    RasterState sx = StateFor(x.surface, kFvf);
    sx.render[D3DRS_ALPHABLENDENABLE] = TRUE;
    sx.render[D3DRS_SRCBLEND] = D3DBLEND_INVDESTALPHA;
    sx.render[D3DRS_DESTBLEND] = D3DBLEND_DESTALPHA;
    EXPECT_EQ(DrawOver(sx, x, Argb(128, 200, 0, 0), Argb(0, 100, 0, 0)), Argb(255, 100, 0, 0));
    EXPECT_EQ(x.bytes[3], 0xFF);
}

TEST(RasterBlending, NativeReverseSubtractEqualsInvertAddInvert) {
    for (uint32_t format : {kFormatA8R8G8B8, kFormatX8R8G8B8}) {
        OwnedSurface native(2, 2, format), emulated(2, 2, format);
        RasterState s = StateFor(native.surface, kFvf);
        RasterState e = StateFor(emulated.surface, kFvf);
        s.render[D3DRS_ALPHABLENDENABLE] = e.render[D3DRS_ALPHABLENDENABLE] = TRUE;
        for (uint32_t src : {0x80FF8040u, 0xFF102030u, 0x20FFFFFFu, 0x00FFFFFFu})
            for (uint32_t dst : {0xFF808080u, 0xFF0A0B0Cu, 0xFFFFFFFFu, 0xFF000000u}) {
                s.render[D3DRS_SRCBLEND] = D3DBLEND_SRCALPHA;
                s.render[D3DRS_DESTBLEND] = D3DBLEND_ONE;
                s.render[D3DRS_BLENDOP] = D3DBLENDOP_REVSUBTRACT;
                uint32_t n = DrawOver(s, native, src, dst);
                // Invert (white with INVDESTCOLOR, ZERO), add (SRCALPHA, ONE),
                // invert again.
                emulated.Fill(dst);
                auto pass = [&](DWORD sf, DWORD df, uint32_t colour) {
                    e.render[D3DRS_SRCBLEND] = sf;
                    e.render[D3DRS_DESTBLEND] = df;
                    auto q = Quad(-0.5f, -0.5f, 1.5f, 1.5f, colour);
                    EXPECT_EQ(DrawList(e, q).hr, S_OK);
                };
                pass(D3DBLEND_INVDESTCOLOR, D3DBLEND_ZERO, 0xFFFFFFFFu);
                pass(D3DBLEND_SRCALPHA, D3DBLEND_ONE, src);
                pass(D3DBLEND_INVDESTCOLOR, D3DBLEND_ZERO, 0xFFFFFFFFu);
                EXPECT_EQ(n & 0xFFFFFF, emulated.Get(1, 1) & 0xFFFFFF)
                    << std::hex << src << " " << dst;
            }
    }
}

TEST(RasterBlending, ColourWriteMaskKeepsTheOtherChannels) {
    OwnedSurface t(2, 2, kFormatA8R8G8B8);
    RasterState s = StateFor(t.surface, kFvf);
    s.render[D3DRS_COLORWRITEENABLE] = D3DCOLORWRITEENABLE_RED | D3DCOLORWRITEENABLE_ALPHA;
    EXPECT_EQ(DrawOver(s, t, 0x11223344u, 0xAABBCCDDu), 0x1122CCDDu);
    s.render[D3DRS_COLORWRITEENABLE] = D3DCOLORWRITEENABLE_GREEN | D3DCOLORWRITEENABLE_BLUE;
    EXPECT_EQ(DrawOver(s, t, 0x11223344u, 0xAABBCCDDu), 0xAABB3344u);
    s.render[D3DRS_COLORWRITEENABLE] = 0;
    EXPECT_EQ(DrawOver(s, t, 0x11223344u, 0xAABBCCDDu), 0xAABBCCDDu);
}

TEST(RasterBlending, FailingAlphaTestWritesNoDepth) {
    OwnedSurface t(2, 2, kFormatX8R8G8B8), depth(2, 2, kFormatD16);
    RasterState s = StateFor(t.surface, kFvf);
    s.depth = depth.surface;
    s.render[D3DRS_ZENABLE] = D3DZB_TRUE;
    s.render[D3DRS_ZWRITEENABLE] = TRUE;
    s.render[D3DRS_ZFUNC] = D3DCMP_ALWAYS;
    s.render[D3DRS_ALPHATESTENABLE] = TRUE;
    s.render[D3DRS_ALPHAFUNC] = D3DCMP_GREATER;
    s.render[D3DRS_ALPHAREF] = 0;
    std::fill(depth.bytes.begin(), depth.bytes.end(), 0x11);
    auto q = Quad(-0.5f, -0.5f, 1.5f, 1.5f, 0x00FF0000u);
    for (auto& v : q) v.z = 0.5f;
    ASSERT_EQ(DrawList(s, q).hr, S_OK);
    EXPECT_EQ(depth.bytes[0], 0x11);
    EXPECT_EQ(t.Get(0, 0), 0xFF000000u);
}

TEST(RasterBlending, DepthLessEqualWithWritesOff) {
    OwnedSurface t(4, 1, kFormatX8R8G8B8), depth(4, 1, kFormatD16);
    RasterState s = StateFor(t.surface, kFvf);
    s.depth = depth.surface;
    s.render[D3DRS_ZENABLE] = D3DZB_TRUE;
    s.render[D3DRS_ZWRITEENABLE] = FALSE;
    s.render[D3DRS_ZFUNC] = D3DCMP_LESSEQUAL;
    // Stored depths; z 0.5 quantises to round(0.5 * 65535) = 32768.
    uint16_t stored[4] = {32767, 32768, 32769, 65535};
    for (int i = 0; i < 4; ++i) std::memcpy(depth.bytes.data() + 2 * i, &stored[i], 2);
    auto q = Quad(-0.5f, -0.5f, 3.5f, 0.5f, 0xFF00FF00u);
    for (auto& v : q) v.z = 0.5f;
    ASSERT_EQ(DrawList(s, q).hr, S_OK);
    EXPECT_EQ(t.Get(0, 0), 0xFF000000u);
    EXPECT_EQ(t.Get(1, 0), 0xFF00FF00u);
    EXPECT_EQ(t.Get(2, 0), 0xFF00FF00u);
    EXPECT_EQ(t.Get(3, 0), 0xFF00FF00u);
    for (int i = 0; i < 4; ++i) {
        uint16_t d;
        std::memcpy(&d, depth.bytes.data() + 2 * i, 2);
        EXPECT_EQ(d, stored[i]);
    }
    // With writes on the passing pixels take the new depth.
    s.render[D3DRS_ZWRITEENABLE] = TRUE;
    ASSERT_EQ(DrawList(s, q).hr, S_OK);
    uint16_t d;
    std::memcpy(&d, depth.bytes.data() + 2 * 3, 2);
    EXPECT_EQ(d, 32768);
    // No depth surface: no test at all.
    t.Fill(0);
    s.depth = RasterSurface{};
    s.render[D3DRS_ZFUNC] = D3DCMP_NEVER;
    ASSERT_EQ(DrawList(s, q).hr, S_OK);
    EXPECT_EQ(t.Get(0, 0), 0xFF00FF00u);
}

TEST(RasterBlending, DepthComparisonsOnEachDepthFormat) {
    for (uint32_t format : {kFormatD16, kFormatD24X8, kFormatD32}) {
        OwnedSurface t(2, 2, kFormatX8R8G8B8), depth(2, 2, format);
        RasterState s = StateFor(t.surface, kFvf);
        s.depth = depth.surface;
        s.render[D3DRS_ZENABLE] = D3DZB_TRUE;
        s.render[D3DRS_ZWRITEENABLE] = TRUE;
        s.render[D3DRS_ZFUNC] = D3DCMP_LESS;
        auto q = Quad(-0.5f, -0.5f, 1.5f, 1.5f, 0xFF0000FFu);
        for (auto& v : q) v.z = 0.25f;
        std::fill(depth.bytes.begin(), depth.bytes.end(), 0xFF);  // far
        ASSERT_EQ(DrawList(s, q).hr, S_OK);
        EXPECT_EQ(t.Get(0, 0), 0xFF0000FFu);
        for (auto& v : q) v.z = 0.75f, v.diffuse = 0xFFFF0000u;
        ASSERT_EQ(DrawList(s, q).hr, S_OK);  // behind: kept out
        EXPECT_EQ(t.Get(0, 0), 0xFF0000FFu) << format;
    }
}

}  // namespace
