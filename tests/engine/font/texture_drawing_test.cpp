// Text through the cache texture on the Direct3D device, read back from the
// back buffer: glyphs at pen + offsets, colour by the brightness, coverage
// levels blended, the edge under the body, turned glyphs, and the draw
// state put back afterwards; a reused cell, the box of emulated subtraction
// and masks (beside the software renderer where it draws too), a lost cache
// texture, and a device rebuilt while a text call waits.
#include <gtest/gtest.h>

#include "core/handle_manager.h"
#include "font_fixture.h"
#include "graphics/draw_settings.h"
#include "graphics/masks.h"
#include "support/test_support.h"
#include "support/truetype_face.h"
#include "test_knobs.h"

using namespace DuRud;
using namespace fonttest;

namespace {

const uint32_t kWhite = 0xFFFFFF;

std::vector<std::string> Colored(std::vector<std::string> rows, char c) {
    for (auto& row : rows)
        for (char& p : row)
            if (p == '#') p = c;
    return rows;
}

struct TypeZeroRow {
    const char* name;
    int red, green, blue;  // brightness
    char shown;
};

TEST_F(FontTest, TypeZeroPlacesTheGlyphsExactly) {
    const Handle font = TestFont(0);
    ASSERT_NE(-1, font);
    const TypeZeroRow rows[] = {
        {"White", 255, 255, 255, '#'},
        {"RedByBrightness", 255, 0, 0, 'r'},
    };
    for (const TypeZeroRow& r : rows) {
        SCOPED_TRACE(r.name);
        ClearScreen();
        SetBrightness(r.red, r.green, r.blue);
        EXPECT_EQ(0, DrawTextWithFont(10, 20, "AB", MakeColorValue(255, 255, 255), font, 0, 0));
        SetBrightness(255, 255, 255);
        EXPECT_EQ(Colored(kAB, r.shown), Block(10, 20, 12, 12));
    }
    ClearScreen();
    SetBlendMode(1, 128);
    DrawTextWithFont(10, 20, "AB", MakeColorValue(255, 255, 255), font, 0, 0);
    SetBlendMode(0, 255);
    EXPECT_NEAR(128, static_cast<int>(ScreenPixel(12, 25) & 0xFF), 1);
    EXPECT_EQ(0u, ScreenPixel(14, 25));
}

TEST_F(FontTest, EdgedTypeDrawsTheEdgeFirst) {
    // Type 3, edge 1: 'A' has full coverage, so its body is opaque white and
    // the edge (the full square around it in the texture) opaque red; the
    // box starts at the pen + offsets, the body a pixel inside it.
    const Handle font = TestFont(3, 16, 1);
    ASSERT_NE(-1, font);
    DrawTextWithFont(10, 20, "A", kWhite, font, MakeColorValue(255, 0, 0), 0);
    const std::vector<std::string> want = {
        "......", "......", "......", "......", ".rrrrr", ".r###r", ".r###r", ".r###r",
        ".r###r", ".r###r", ".r###r", ".r###r", ".r###r", ".rrrrr", "......",
    };
    EXPECT_EQ(want, Block(10, 20, 6, 15));
}

struct EdgedPairRow {
    const char* name;
    int red, green, blue;  // brightness in force
    uint32_t text, edge;
    char body, border;  // as Block shows them
};

// Every glyph of a string sets the edge colour, then the text colour: the
// second glyph must not keep the first one's last colour for its edge.
TEST_F(FontTest, EveryGlyphTakesItsEdgeAndBodyColours) {
    const Handle font = TestFont(3, 16, 1);
    ASSERT_NE(-1, font);
    const int advance = GetTextWidthWithFont("A", -1, font, 0);
    const EdgedPairRow rows[] = {
        {"WhiteBodyRedEdge", 255, 255, 255, kWhite, MakeColorValue(255, 0, 0), '#', 'r'},
        {"RedBodyWhiteEdge", 255, 255, 255, MakeColorValue(255, 0, 0), kWhite, 'r', '#'},
        {"BodyAsTheBrightness", 255, 0, 0, kWhite, MakeColorValue(0, 255, 0), 'r', '.'},
    };
    for (const EdgedPairRow& r : rows) {
        SCOPED_TRACE(r.name);
        ClearScreen();
        SetBrightness(r.red, r.green, r.blue);
        EXPECT_EQ(0, DrawTextWithFont(10, 20, "AA", r.text, font, r.edge, 0));
        const DrawSettings& d = GetDrawSettings();
        EXPECT_EQ((std::vector<int>{r.red, r.green, r.blue}),
                  (std::vector<int>{d.brightRed, d.brightGreen, d.brightBlue}));
        SetBrightness(255, 255, 255);
        const std::vector<std::string> first = Block(10, 20, 6, 15);
        EXPECT_EQ(r.body, first[6][2]);
        EXPECT_EQ(r.border, first[4][2]);
        EXPECT_EQ(first, Block(10 + advance, 20, 6, 15));
    }
}

TEST_F(FontTest, CoverageLevelsBlend) {
    // 'q' at ppem 16: a box from x 1.25 to 3.5 px and y -0.75 to 5.5 px, and
    // one from 0.5 to 1 across, 3.5 to 4.25 up. The glyph's box is 4 x 7 at
    // offsets (0, 12 - 6); coverage x 64 is its level v, (v - 1) x 4 its
    // alpha, which over black is the pixel.
    const Handle font = TestFont(2);
    ASSERT_NE(-1, font);
    DrawTextWithFont(10, 20, "q", kWhite, font, 0, 0);
    const int levels[7][4] = {
        {0, 24, 32, 16}, {8, 48, 64, 32}, {16, 48, 64, 32}, {0, 48, 64, 32},
        {0, 48, 64, 32}, {0, 48, 64, 32}, {0, 36, 48, 24},
    };
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 4; ++x) {
            const int v = levels[y][x];
            const int want = v == 0 ? 0 : (v - 1) * 4;
            EXPECT_NEAR(want, static_cast<int>(ScreenPixel(10 + x, 26 + y) & 0xFF), 1)
                << x << "," << y;
        }
}

TEST_F(FontTest, VerticalTextTurnsClockwise) {
    const Handle font = TestFont(0);
    SetDrawClip(5, 5, 150, 110);
    SetBlendSourceGraphic(-1, 0, 0, 0);
    EXPECT_EQ(0, DrawTextWithFont(10, 20, "AB", kWhite, font, 0, 1));
    const std::vector<std::string> want = TurnedAB();
    EXPECT_EQ(want, Block(10, 20, 16, 12));
    const DrawSettings& d = GetDrawSettings();
    EXPECT_EQ((std::vector<int>{5, 5, 150, 110}),
              (std::vector<int>{d.areaX1, d.areaY1, d.areaX2, d.areaY2}));
    EXPECT_EQ((std::vector<int>{255, 255, 255}),
              (std::vector<int>{d.brightRed, d.brightGreen, d.brightBlue}));
    SIZE size{};
    EXPECT_EQ(13, DrawStringThroughCache(0, 0, 0, 0, 1.0, 1.0, "AB", kWhite, nullptr, nullptr, 0,
                                         font, 0, -1, 1, &size));
    EXPECT_EQ(18, size.cx);
    EXPECT_EQ(13, size.cy);
}

TEST_F(FontTest, BlendGraphicAndBrightnessComeBack) {
    const Handle font = TestFont(1, 16, 1);
    const Handle blend = graphicstest::SolidGraphic(256, 256, 0xFF808080);
    ASSERT_EQ(0, SetBlendSourceGraphic(blend, 1, 40, 90));
    SetBrightness(10, 20, 30);
    DrawTextWithFont(10, 20, "AB", kWhite, font, 0, 0);
    const DrawSettings& d = GetDrawSettings();
    EXPECT_EQ((std::vector<int>{blend, 1, 40, 90, 10, 20, 30}),
              (std::vector<int>{d.blendGraphic, d.blendType, d.blendParameter1, d.blendParameter2,
                                d.brightRed, d.brightGreen, d.brightBlue}));
    SetBlendSourceGraphic(-1, 0, 0, 0);
}

TEST_F(FontTest, LostCacheGraphicIsMadeAgain) {
    const Handle font = TestFont(0);
    DrawTextWithFont(10, 20, "AB", kWhite, font, 0, 0);
    const long before = KnobFontCounts().glyphBitmaps;
    DeleteGraphic(Record(font)->cacheGraphic);
    EXPECT_EQ(1, Record(font)->cacheLost);
    ClearScreen();
    DrawTextWithFont(10, 20, "AB", kWhite, font, 0, 0);
    EXPECT_EQ(2, KnobFontCounts().glyphBitmaps - before);
    EXPECT_EQ(kAB, Block(10, 20, 12, 12));
    // The new graphic starts white and transparent where no glyph went.
    EXPECT_EQ(0x00FFFFFFu, graphicstest::ShownPixel(Record(font)->cacheGraphic, 511, 511));
    // An edged font's pair comes back whole: no graphic is left behind.
    const Handle edged = TestFont(1, 16, 1);
    DrawTextWithFont(10, 20, "AB", kWhite, edged, 0, 0);
    const int graphics = GetHandleTypeRecord(HandleTypeGraphic)->count;
    DeleteGraphic(Record(edged)->cacheGraphic);
    DrawTextWithFont(10, 20, "AB", kWhite, edged, 0, 0);
    EXPECT_EQ(graphics, GetHandleTypeRecord(HandleTypeGraphic)->count);
}

// A lost cache graphic that cannot be made again fails the call (there is
// nothing to draw from), and the next call tries again.
TEST_F(FontTest, CacheGraphicNotMadeAgainFailsTheDrawUntilItIs) {
    const Handle font = TestFont(0);
    DrawTextWithFont(10, 20, "AB", kWhite, font, 0, 0);
    DeleteGraphic(Record(font)->cacheGraphic);
    ClearScreen();
    KnobD3D9FailResourcesAfter(0);
    EXPECT_EQ(-1, DrawTextWithFont(10, 20, "AB", kWhite, font, 0, 0));
    KnobD3D9FailResourcesAfter(-1);
    EXPECT_EQ(0, DrawTextWithFont(10, 20, "AB", kWhite, font, 0, 0));
    EXPECT_EQ(kAB, Block(10, 20, 12, 12));
}

}  // namespace

namespace {

class NoBlendOperationFontTest : public FontTest {
  protected:
    void SetUp() override {
        KnobD3D9BlendOp(false);
        Start({});
    }
};

TEST_F(NoBlendOperationFontTest, EmulatedSubtractStartingRightOfTheAreaDrawsNothing) {
    const Handle font = TestFont(0);
    SetDrawClip(0, 0, 100, 120);
    SetBlendMode(3, 255);
    const long before = KnobFontCounts().glyphBitmaps;
    EXPECT_EQ(0, DrawTextWithFont(100, 20, "AB", kWhite, font, 0, 0));
    EXPECT_EQ(0, KnobFontCounts().glyphBitmaps - before);
    EXPECT_EQ(0, DrawTextWithFont(99, 20, "AB", kWhite, font, 0, 0));
    EXPECT_EQ(2, KnobFontCounts().glyphBitmaps - before);
    SetBlendMode(0, 255);
    // Destination - text: grey 100 minus red 255 leaves (0, 100, 100).
    ClearScreen();
    DrawBoxShape(0, 0, 100, 120, MakeColorValue(100, 100, 100), 1);
    SetBlendMode(3, 255);
    DrawTextWithFont(10, 20, "AB", MakeColorValue(255, 0, 0), font, 0, 0);
    SetBlendMode(0, 255);
    EXPECT_EQ(0x006464u, ScreenPixel(12, 25));
    EXPECT_EQ(0x646464u, ScreenPixel(14, 25));
}

}  // namespace

namespace {

const uint32_t kRed = 0xFF0000;

// Both the device and the software renderer: the same glyph boxes.
class SoftwareScreenFontTest : public FontTest {
  protected:
    void SetUp() override { Start({.software = 1}); }
};

// An edged glyph into the cell of a taller evicted one, drawn turned.
// Size 48 (3 px a unit pixel): cell 52 ('W' 33 + 4 + 2 -> 40, below the
// height 48 + 1 + 2 -> 52). 'A' leaves its 11 x 26 box (edge included),
// 'B' takes the cell with 17 x 14 at offsets (0, 18): X = 10 + 52 - 18 =
// 44, Y = 20; its ring in columns 30 and 43, rows 20 and 36, body inside.
// Column 29 is source row 14, where the old 'A' had its body. The texture's
// edge of width 1 is the full square around each pixel, the memory cache's
// the plus: its ring has no corners.
void EvictedGlyphLeavesNothingBeside(bool corners) {
    const Handle font = TestFont(1, 48, 1);
    ASSERT_NE(-1, font);
    GetTextWidthWithFont("A", -1, font, 0);
    // The rest of the ring: printable bytes that start no double-byte character.
    std::string others;
    for (int c = '!'; static_cast<int>(others.size()) < Record(font)->capacity - 1; ++c)
        if (c != 'A' && c != 'B' && (c < 0x7F || c > 0xA0)) others += static_cast<char>(c);
    GetTextWidthWithFont(others.c_str(), -1, font, 0);
    ASSERT_EQ(1, Record(font)->codes['A'].cached);
    DrawTextWithFont(10, 20, "B", kWhite, font, MakeColorValue(255, 0, 0), 1);
    ASSERT_EQ(0, Record(font)->codes['A'].cached) << "evicted by 'B'";
    std::vector<std::string> want(17, std::string(16, '.'));
    for (int y = 20; y <= 36; ++y)
        for (int x = 30; x <= 43; ++x)
            want[y - 20][x - 29] = (x == 30 || x == 43) && (y == 20 || y == 36)
                                       ? (corners ? 'r' : '.')
                                   : x == 30 || x == 43 || y == 20 || y == 36 ? 'r'
                                                                              : '#';
    EXPECT_EQ(want, Block(29, 20, 16, 17));
}

TEST_F(FontTest, TurnedEdgedGlyphShowsNothingOfTheEvictedOne) {
    EvictedGlyphLeavesNothingBeside(true);
}

TEST_F(SoftwareScreenFontTest, TurnedEdgedGlyphShowsNothingOfTheEvictedOne) {
    EvictedGlyphLeavesNothingBeside(false);
}

}  // namespace

namespace {

// The test face's 'A' in a face with a line gap of 8 px at ppem 16: the
// font is made at cell 16 / (1 - 8 / 16) = 32, ppem 32, so its height grew
// by 16 and its text moves up (turned: left) by 8. At ppem 32 'A' is 6 x 16
// at offsets (2, 24 - 16).
const char kGapFace[] = "Vessamire Wide Gap";
void AddGapFace() {
    testsupport::TestFaceSpec spec;
    spec.family = kGapFace;
    spec.winAscent = 1536, spec.winDescent = 512;
    spec.ascender = 1536, spec.descender = -512, spec.lineGap = 1024;
    spec.glyphs = {{u'A', 768, {{128, 0, 512, 1024}}}};
    testsupport::WriteFile("gap_face.ttf", testsupport::MakeTrueTypeFace(spec));
    ASSERT_TRUE(KnobFontAddFile((testsupport::TestDirectory() + "/gap_face.ttf").c_str()));
}

struct SubtractBoxRow {
    const char* name;
    const char* face;
    int type, edge, vertical;
    int x, y;            // a pixel of 'A' drawn at (10, 20) that the old box missed
    int clearX, clearY;  // the next pixel out, not drawn
};

TEST_F(NoBlendOperationFontTest, EmulatedSubtractCoversEveryGlyphPixel) {
    // Edge 4: cell height 16 + 1 + 8 = 26, the box of 'A' 11 x 16 at (1, 4).
    // Level: the disc's bottom row 4 below the body's last row 35 reaches
    // columns 16 - 2 .. 16 + 2 at row 39, past y + 16 + 3. Turned: X = 10 +
    // 26 - 4 = 32; the disc's top row lands in column 31, rows 21 + 2 .. 21 + 8.
    // The grown face turned: X = 10 - 8 + 34 - 8 = 28, columns 12 to 27, rows
    // 22 to 27, left of x + 8.
    AddGapFace();
    const SubtractBoxRow rows[] = {
        {"LevelEdge", kFace, 1, 4, 0, 16, 39, 16, 40},
        {"TurnedEdge", kFace, 1, 4, 1, 31, 25, 32, 25},
        {"TurnedGrownFont", kGapFace, 0, -1, 1, 12, 24, 11, 24},
    };
    for (const SubtractBoxRow& r : rows) {
        SCOPED_TRACE(r.name);
        FontCacheSettings settings{};
        const Handle font =
            CreateFontHandle(&settings, r.face, 16, 4, r.type, -1, r.edge, 0, -1, 0);
        ASSERT_NE(-1, font);
        ClearScreen();
        DrawBoxShape(0, 0, 160, 120, MakeColorValue(100, 100, 100), 1);
        SetBlendMode(3, 255);
        const uint32_t red = MakeColorValue(255, 0, 0);
        EXPECT_EQ(0, DrawTextWithFont(10, 20, "A", red, font, red, r.vertical));
        SetBlendMode(0, 255);
        // Grey 100 less red 255: (0, 100, 100); added it would be (255, 100, 100).
        EXPECT_EQ(0x006464u, ScreenPixel(r.x, r.y));
        EXPECT_EQ(0x646464u, ScreenPixel(r.clearX, r.clearY));
        DeleteHandle(font);
    }
}

// Through a mask that lets everything through, the edges outside the old
// box reach the screen (the same pixels as above).
void EdgesThroughAnOpenMask() {
    const Handle font = TestFont(1, 16, 4);
    ASSERT_NE(-1, font);
    ASSERT_EQ(0, MakeTestMaskScreen());
    ASSERT_EQ(0, WriteTestMaskBytes(0, 0, 160, 120, 0));
    for (int vertical : {0, 1}) {
        SCOPED_TRACE(vertical);
        ClearScreen();
        ASSERT_EQ(0, SetMaskEnabled(1));
        EXPECT_EQ(0,
                  DrawTextWithFont(10, 20, "A", kWhite, font, MakeColorValue(255, 0, 0), vertical));
        ASSERT_EQ(0, SetMaskEnabled(0));
        EXPECT_EQ(kRed, ScreenPixel(vertical ? 31 : 16, vertical ? 25 : 39));
    }
}

TEST_F(FontTest, MaskedTextKeepsItsEdges) {
    EdgesThroughAnOpenMask();
}

TEST_F(SoftwareScreenFontTest, MaskedTextKeepsItsEdges) {
    EdgesThroughAnOpenMask();
}

}  // namespace

namespace {

class FullScreenFontTest : public FontTest {
  protected:
    void SetUp() override { Start({.width = 640, .height = 480, .fullScreen = 1}); }
};

struct WaitingCallRow {
    const char* name;
    int (*draw)(Handle font);
};

// Full screen, focus lost: the text call waits for the window, whose return
// rebuilds the device (given up while away) and with it every font record
// under the same handle. Each call shows what it showed before the window
// went away ("AB" of the test face; the default font's face is the
// machine's). The software renderer rebuilds no font.
TEST_F(FullScreenFontTest, TextThatWaitedForTheWindowDrawsWithTheRebuiltFont) {
    const Handle font = TestFont(0);
    ASSERT_NE(-1, font);
    const WaitingCallRow rows[] = {
        {"WithFont", [](Handle f) { return DrawTextWithFont(10, 20, "AB", kWhite, f, 0, 0); }},
        {"Formatted", [](Handle) { return DrawFormattedText(10, 20, kWhite, "%s", "AB"); }},
    };
    const HWND window = graphicstest::MainWindow();
    for (const WaitingCallRow& r : rows) {
        SCOPED_TRACE(r.name);
        ClearScreen();
        ASSERT_EQ(0, r.draw(font));
        const std::vector<std::string> shown = Block(10, 20, 12, 12);
        if (r.draw == rows[0].draw) {
            EXPECT_EQ(kAB, shown);
        }
        ClearScreen();
        KnobWindowEvent(window, KnobWindowEventKind::FocusLost);
        for (int pass = 0; pass < 100 && KnobD3D9LiveCount("Device") != 0; ++pass)
            PumpWindowMessages();
        ASSERT_EQ(0, KnobD3D9LiveCount("Device")) << "given up while away";
        KnobWindowEvent(window, KnobWindowEventKind::Restore);
        KnobWindowEvent(window, KnobWindowEventKind::FocusGained);
        {
            testsupport::Watchdog bound("the text call's return after the window came back");
            EXPECT_EQ(0, r.draw(font));
        }
        EXPECT_EQ(1, KnobD3D9LiveCount("Device"));
        EXPECT_EQ(shown, Block(10, 20, 12, 12));
    }
}

}  // namespace
