// GetTextMetricsA: heights worked out from the faces' Windows ascent and
// descent (IPA Gothic: 1802 + 401 of 2048; DejaVu Sans: 1901 + 483 of 2048;
// the test face: 1920 + 384 of 2048 with an hhea line gap beyond them).
#include <gtest/gtest.h>

#include "font_test_support.h"
#include "support/error_checks.h"

using namespace fonttest;

namespace {

struct MetricsRow {
    const char* name;
    const char* face;
    int charset;
    int height;
    LONG tmHeight, ascent, descent, internal, external;
};

// Cell 16 of IPA Gothic: ppem round(16 * 2048 / 2203) = 15, ascent
// round(1802 * 15 / 2048) = 13, descent round(401 * 15 / 2048) = 3.
const MetricsRow kRows[] = {
    {"IpaCell16", "IPAGothic", SHIFTJIS_CHARSET, 16, 16, 13, 3, 1, 0},
    {"IpaCell17", "IPAGothic", SHIFTJIS_CHARSET, 17, 17, 14, 3, 1, 0},
    {"IpaCell10", "IPAGothic", SHIFTJIS_CHARSET, 10, 10, 8, 2, 1, 0},
    // Cell 20: the rounded em 19 gives 17 + 4 = 21, taller than asked; em 18
    // gives round(15.84) + round(3.52) = 20.
    {"IpaCell20", "IPAGothic", SHIFTJIS_CHARSET, 20, 20, 16, 4, 2, 0},
    {"IpaEm16", "IPAGothic", SHIFTJIS_CHARSET, -16, 17, 14, 3, 1, 0},
    {"IpaDefaultCell", "IPAGothic", SHIFTJIS_CHARSET, 0, 16, 13, 3, 1, 0},
    {"DejaVuCell16", "DejaVu Sans", ANSI_CHARSET, 16, 16, 13, 3, 2, 0},
    {"DejaVuCell18", "DejaVu Sans", ANSI_CHARSET, 18, 18, 14, 4, 3, 0},
    // ppem 16: 15 + 3; external (640 - (2304 - 2048)) * 16 / 2048 = 3.
    {"TestEm16", "Vessamire Test", ANSI_CHARSET, -16, 18, 15, 3, 2, 3},
    // Cell 13: ppem round(13 * 2048 / 2304) = 12: 11.25 + 2.25, external 2.25.
    {"TestCell13", "Vessamire Test", ANSI_CHARSET, 13, 13, 11, 2, 1, 2},
};

}  // namespace

TEST(TextMetrics, HeightsFollowTheCellOrTheEm) {
    AddTestFace();
    for (const MetricsRow& row : kRows) {
        SCOPED_TRACE(row.name);
        Selected s(row.face, row.height, row.charset);
        TEXTMETRICA tm{};
        ASSERT_TRUE(GetTextMetricsA(s.dc, &tm));
        EXPECT_EQ(tm.tmHeight, row.tmHeight);
        EXPECT_EQ(tm.tmAscent, row.ascent);
        EXPECT_EQ(tm.tmDescent, row.descent);
        EXPECT_EQ(tm.tmInternalLeading, row.internal);
        EXPECT_EQ(tm.tmExternalLeading, row.external);
        EXPECT_EQ(tm.tmCharSet, row.charset);
    }
}

// A positive height is a cell the font never exceeds, met by the largest em
// that fits: one pixel more of em (asked as a negative height) is too tall.
TEST(TextMetrics, ACellIsTheLargestThatFits) {
    for (const char* face : {"IPAGothic", "DejaVu Sans"}) {
        for (int cell = 1; cell <= 128; ++cell) {
            SCOPED_TRACE(testing::Message() << face << " cell " << cell);
            Selected asked(face, cell, ANSI_CHARSET);
            TEXTMETRICA tm{};
            ASSERT_TRUE(GetTextMetricsA(asked.dc, &tm));
            EXPECT_LE(tm.tmHeight, cell);
            const int em = tm.tmHeight - tm.tmInternalLeading;
            Selected larger(face, -(em + 1), ANSI_CHARSET);
            TEXTMETRICA next{};
            ASSERT_TRUE(GetTextMetricsA(larger.dc, &next));
            EXPECT_GT(next.tmHeight, cell);
        }
    }
}

TEST(TextMetrics, WidestBoxAndStyleFields) {
    AddTestFace();
    Selected test("Vessamire Test", -16, ANSI_CHARSET);
    TEXTMETRICA tm{};
    ASSERT_TRUE(GetTextMetricsA(test.dc, &tm));
    EXPECT_EQ(tm.tmMaxCharWidth, 40);  // head x 0 .. 5120 at 128 units a pixel
    EXPECT_EQ(tm.tmAveCharWidth, 8);   // xAvgCharWidth 1024
    EXPECT_EQ(tm.tmWeight, FW_NORMAL);
    EXPECT_EQ(tm.tmPitchAndFamily & (TMPF_FIXED_PITCH | TMPF_TRUETYPE),
              TMPF_FIXED_PITCH | TMPF_TRUETYPE);

    // Emboldening widens the widest box: IPA Gothic has one weight.
    Selected regular("IPAGothic", 32, SHIFTJIS_CHARSET, FW_NORMAL);
    Selected bold("IPAGothic", 32, SHIFTJIS_CHARSET, FW_SEMIBOLD);
    TEXTMETRICA r{}, b{};
    ASSERT_TRUE(GetTextMetricsA(regular.dc, &r));
    ASSERT_TRUE(GetTextMetricsA(bold.dc, &b));
    EXPECT_GT(b.tmMaxCharWidth, r.tmMaxCharWidth);
    EXPECT_EQ(b.tmHeight, r.tmHeight);
}

TEST(TextMetrics, EveryNewDcAnswersWithTheStockFont) {
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(nullptr);
    for (HDC dc : {screen, memory}) {
        TEXTMETRICA tm{};
        ASSERT_TRUE(GetTextMetricsA(dc, &tm));
        EXPECT_EQ(tm.tmHeight, 16);  // cell 16 of the default face
        EXPECT_EQ(tm.tmCharSet, SHIFTJIS_CHARSET);
        EXPECT_EQ(GetCurrentObject(dc, OBJ_FONT), GetStockObject(SYSTEM_FONT));
    }
    TEXTMETRICA tm{};
    EXPECT_ERROR(GetTextMetricsA(memory, nullptr), FALSE, ERROR_INVALID_PARAMETER);
    EXPECT_FALSE(GetTextMetricsA(reinterpret_cast<HDC>(0x4321), &tm));
    ReleaseDC(nullptr, screen);
    DeleteDC(memory);
    EXPECT_FALSE(GetTextMetricsA(memory, &tm));
}
