// GetGlyphOutlineA on the test face at ppem 16, where a pixel is 128 design
// units and its rectangles fall on whole pixels: one-bit rows padded to four
// bytes, grey levels (coverage x n + 127) / 255, the buffer rules; then the
// code-page rules on IPA Gothic.
#include <gtest/gtest.h>

#include <vector>

#include "font_test_support.h"

using namespace fonttest;

namespace {

struct Glyph {
    DWORD result = 0;
    GLYPHMETRICS gm{};
    std::vector<BYTE> bits;
};

Glyph Fetch(HDC dc, UINT code, UINT format) {
    Glyph g;
    DWORD size = GetGlyphOutlineA(dc, code, format, &g.gm, 0, nullptr, &kIdentity);
    if (size == GDI_ERROR || size == 0) {
        g.result = size;
        return g;
    }
    g.bits.assign(size + 1, 0xAB);  // one canary byte after the glyph
    g.result = GetGlyphOutlineA(dc, code, format, &g.gm, size, g.bits.data(), &kIdentity);
    EXPECT_EQ(g.bits.back(), 0xAB);
    g.bits.pop_back();
    return g;
}

struct GlyphRow {
    const char* name;
    UINT code, format;
    UINT boxX, boxY;
    LONG originX, originY;
    short advance;
    DWORD size;
    std::vector<BYTE> firstRow;  // what every row of the rectangle holds
};

const GlyphRow kRows[] = {
    {"Bitmap", 'A', GGO_BITMAP, 5, 7, 1, 7, 7, 28, {0xF8, 0, 0, 0}},
    {"Gray8", 'A', GGO_GRAY8_BITMAP, 5, 7, 1, 7, 7, 56, {64, 64, 64, 64, 64, 0, 0, 0}},
    {"Gray4", 'A', GGO_GRAY4_BITMAP, 5, 7, 1, 7, 7, 56, {16, 16, 16, 16, 16, 0, 0, 0}},
    {"MetricsOnly", 'A', GGO_METRICS, 5, 7, 1, 7, 7, 0, {}},
    {"QuarterColumnClearInBitmap", 'B', GGO_BITMAP, 5, 7, 1, 7, 7, 28, {0xF8, 0, 0, 0}},
    {"WideBitmap", 'W', GGO_BITMAP, 40, 2, 0, 2, 41, 16, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0}},
    {"WideGray", 'W', GGO_GRAY8_BITMAP, 40, 2, 0, 2, 41, 80, std::vector<BYTE>(40, 64)},
    {"Space", ' ', GGO_GRAY8_BITMAP, 1, 1, 0, 0, 4, 0, {}},
    {"MissingIsGlyph0", 'Z', GGO_BITMAP, 3, 9, 2, 9, 6, 36, {0xE0, 0, 0, 0}},
    {"TwoBytesInOneByteCodePage", 0x8120, GGO_BITMAP, 3, 9, 2, 9, 6, 36, {0xE0, 0, 0, 0}},
};

}  // namespace

TEST(GlyphOutline, TestFaceRectangles) {
    AddTestFace();
    Selected s("Vessamire Test", -16, ANSI_CHARSET);
    for (const GlyphRow& row : kRows) {
        SCOPED_TRACE(row.name);
        Glyph g = Fetch(s.dc, row.code, row.format);
        EXPECT_EQ(g.result, row.size);
        EXPECT_EQ(g.gm.gmBlackBoxX, row.boxX);
        EXPECT_EQ(g.gm.gmBlackBoxY, row.boxY);
        EXPECT_EQ(g.gm.gmptGlyphOrigin.x, row.originX);
        EXPECT_EQ(g.gm.gmptGlyphOrigin.y, row.originY);
        EXPECT_EQ(g.gm.gmCellIncX, row.advance);
        EXPECT_EQ(g.gm.gmCellIncY, 0);
        ASSERT_EQ(g.bits.size(), row.size);
        const size_t pitch = row.firstRow.size();
        for (size_t at = 0; pitch > 0 && at < g.bits.size(); at += pitch)
            EXPECT_EQ(std::vector<BYTE>(g.bits.begin() + at, g.bits.begin() + at + pitch),
                      row.firstRow)
                << at / pitch;
    }
    // A quarter-covered column: 64 x 64 / 255 rounds to 16, 64 x 16 / 255 to 4.
    Glyph gray8 = Fetch(s.dc, 'B', GGO_GRAY8_BITMAP);
    Glyph gray4 = Fetch(s.dc, 'B', GGO_GRAY4_BITMAP);
    ASSERT_EQ(gray8.bits.size(), 56u);
    EXPECT_NEAR(gray8.bits[5], 16, 1);
    EXPECT_EQ(gray8.bits[4], 64);
    EXPECT_NEAR(gray4.bits[5], 4, 1);
}

TEST(GlyphOutline, BufferRulesAndRefusals) {
    AddTestFace();
    Selected s("Vessamire Test", -16, ANSI_CHARSET);
    GLYPHMETRICS gm{};
    std::vector<BYTE> buffer(56, 0xAB);
    EXPECT_EQ(GetGlyphOutlineA(s.dc, 'A', GGO_GRAY8_BITMAP, &gm, 55, buffer.data(), &kIdentity),
              GDI_ERROR);
    EXPECT_EQ(buffer, std::vector<BYTE>(56, 0xAB));  // one byte short: untouched
    EXPECT_EQ(GetGlyphOutlineA(s.dc, 'A', GGO_GRAY8_BITMAP, &gm, 56, nullptr, &kIdentity), 56u);

    const MAT2 stretched = {{0, 2}, {0, 0}, {0, 0}, {0, 1}};
    const struct {
        const char* name;
        HDC dc;
        UINT format;
        GLYPHMETRICS* gm;
        const MAT2* matrix;
    } kRefused[] = {
        {"NoMetrics", s.dc, GGO_BITMAP, nullptr, &kIdentity},
        {"NoMatrix", s.dc, GGO_BITMAP, &gm, nullptr},
        {"Transformed", s.dc, GGO_BITMAP, &gm, &stretched},
        {"OutlineFormat", s.dc, GGO_NATIVE, &gm, &kIdentity},
        {"Gray2", s.dc, GGO_GRAY2_BITMAP, &gm, &kIdentity},
        {"BadDc", reinterpret_cast<HDC>(0x1234), GGO_BITMAP, &gm, &kIdentity},
    };
    for (const auto& row : kRefused) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(GetGlyphOutlineA(row.dc, 'A', row.format, row.gm, 56, buffer.data(), row.matrix),
                  GDI_ERROR);
    }
    EXPECT_EQ(buffer, std::vector<BYTE>(56, 0xAB));

    KnobFontRefuseGlyph('A', true);
    EXPECT_EQ(GetGlyphOutlineA(s.dc, 'A', GGO_BITMAP, &gm, 0, nullptr, &kIdentity), GDI_ERROR);
    EXPECT_EQ(GetGlyphOutlineA(s.dc, 'B', GGO_BITMAP, &gm, 0, nullptr, &kIdentity), 28u);
    KnobFontCounters counts = KnobFontCounts();
    EXPECT_EQ(counts.glyphBitmaps, 1 + 6);
    EXPECT_EQ(counts.glyphSizeQueries, 1 + 2);
}

TEST(GlyphOutline, ShiftJisCodesOnIpaGothic) {
    Selected s("IPAGothic", 16, SHIFTJIS_CHARSET);  // ppem 15
    const struct {
        const char* name;
        UINT code;
        short advance;
        bool blank;
    } kRows[] = {{"Hiragana", 0x82A0, 15, false},
                 {"FullWidthSpace", 0x8140, 15, true},
                 {"Latin", 0x41, 0, false},
                 {"HalfWidthKana", 0xB1, 0, false}};
    for (const auto& row : kRows) {
        SCOPED_TRACE(row.name);
        Glyph g = Fetch(s.dc, row.code, GGO_GRAY8_BITMAP);
        if (row.advance > 0) {
            EXPECT_EQ(g.gm.gmCellIncX, row.advance);
        } else {
            EXPECT_NEAR(g.gm.gmCellIncX, 7.5, 0.5);  // half of the full width
        }
        EXPECT_EQ(g.bits.empty(), row.blank);
        if (row.blank) {
            EXPECT_EQ(g.gm.gmBlackBoxX * g.gm.gmBlackBoxY, 1u);
        }
    }
    // A trail byte below 0x40 does not convert: glyph 0, like a lead byte alone.
    Glyph bad = Fetch(s.dc, 0x8120, GGO_GRAY8_BITMAP), lone = Fetch(s.dc, 0x81, GGO_GRAY8_BITMAP);
    EXPECT_NE(bad.result, GDI_ERROR);
    EXPECT_EQ(bad.bits, lone.bits);
    EXPECT_EQ(bad.gm.gmCellIncX, lone.gm.gmCellIncX);

    Selected bold("IPAGothic", 32, SHIFTJIS_CHARSET, FW_SEMIBOLD);
    Selected regular("IPAGothic", 32, SHIFTJIS_CHARSET, FW_NORMAL);
    for (UINT format : {GGO_BITMAP, GGO_GRAY8_BITMAP}) {
        Glyph b = Fetch(bold.dc, 0x88A4, format), r = Fetch(regular.dc, 0x88A4, format);  // a kanji
        EXPECT_GT(b.gm.gmBlackBoxX, r.gm.gmBlackBoxX);
        EXPECT_GE(b.gm.gmCellIncX, r.gm.gmCellIncX);
    }
}
