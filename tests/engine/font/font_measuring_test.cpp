// Measuring, the default font, the glyph ring (counted through the GDI
// stand-in), formatted text, re-creating every font and listing faces.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "core/handle_manager.h"
#include "font_fixture.h"
#include "test_knobs.h"

using namespace DuRud;
using namespace fonttest;

namespace {

long Bitmaps() {
    return KnobFontCounts().glyphBitmaps;
}

struct WidthRow {
    const char* name;
    const char* text;
    int length;
    int spacing;
    int width;
};

TEST_F(FontTest, WidthsAddUp) {
    const Handle font = TestFont(0);
    // Around the longest string whose characters the layout keeps on the stack.
    const std::string a256(256, 'A'), a257(257, 'A'), a600(600, 'A');
    const WidthRow rows[] = {
        {"A", "A", -1, 0, 6},
        {"B", "B", -1, 0, 7},
        {"AB", "AB", -1, 0, 13},
        {"SpacingAfterEachCharacter", "AB", -1, 2, 17},
        {"FirstByteOnly", "AB", 1, 0, 6},
        {"LengthBeyondTheString", "AB", 50, 0, 13},
        {"Empty", "", -1, 0, 0},
        {"Space", " ", -1, 0, 4},
        {"FullWidthSpace", "\x81\x40", -1, 0, 4},  // glyph 0's advance
        {"LeadByteLast", "A\x81", -1, 0, 10},      // a character of its own
        {"256Characters", a256.c_str(), -1, 0, 256 * 6},
        {"257Characters", a257.c_str(), -1, 0, 257 * 6},
        {"600CharactersCutAt300", a600.c_str(), 300, 0, 300 * 6},
        {"600Characters", a600.c_str(), -1, 0, 600 * 6},
    };
    for (const WidthRow& r : rows) {
        SCOPED_TRACE(r.name);
        SetFontSpacing(r.spacing, font);
        EXPECT_EQ(r.width, GetTextWidthWithFont(r.text, r.length, font, 0));
    }
}

TEST_F(FontTest, BadHandlesAreRefused) {
    const Handle font = TestFont(0);
    DeleteHandle(font);
    for (Handle bad : {font, Handle{-1}, Handle{12345}, GetDefaultFontHandle() + 1}) {
        SCOPED_TRACE(bad);
        EXPECT_EQ(-1, GetTextWidthWithFont("A", -1, bad, 0));
        EXPECT_EQ(-1, DrawTextWithFont(0, 0, "A", 0, bad, 0, 0));
        EXPECT_EQ(-1, SetFontSpacing(1, bad));
        EXPECT_EQ(-1, GetFontInfo(nullptr, nullptr, nullptr, bad));
        EXPECT_EQ(0, IsFontHandleValid(bad));
    }
    EXPECT_TRUE(graphicstest::LogHasInOrder({"フォントハンドル値が異常です\n"}));
    EXPECT_EQ(0, DrawTextWithFont(0, 0, "", 0, font, 0, 0));  // nothing to draw
}

TEST_F(FontTest, DefaultFontIsRebuiltOnlyOnChange) {
    const Handle first = GetDefaultFontHandle();
    int size = 0, thickness = 0;
    ASSERT_EQ(0, GetFontInfo(nullptr, &size, &thickness, first));
    EXPECT_EQ(16, size);
    EXPECT_EQ(6, thickness);
    const long creates = KnobFontCounts().creates;
    EXPECT_EQ(0, SetDefaultFontSize(-1));
    EXPECT_EQ(0, SetDefaultFontThickness(-1));
    EXPECT_EQ(first, GetDefaultFontHandle());
    EXPECT_EQ(creates, KnobFontCounts().creates);

    SetDefaultFontSize(10);
    SetDefaultFontThickness(3);
    EXPECT_EQ(10, GetFontSize(GetDefaultFontHandle()));
    EXPECT_EQ(0, IsFontHandleValid(first));
    EXPECT_EQ(0, SetDefaultFont(nullptr, -1, -1));
    ASSERT_EQ(0, GetFontInfo(nullptr, &size, &thickness, GetDefaultFontHandle()));
    EXPECT_EQ(16, size);
    EXPECT_EQ(6, thickness);
    // The global follows a deletion.
    DeleteHandle(GetDefaultFontHandle());
    EXPECT_EQ(-1, GetDefaultFontHandle());
}

TEST_F(FontTest, EachCharacterIsRenderedOnce) {
    const Handle font = TestFont(0);
    long before = Bitmaps();
    GetTextWidthWithFont("AAB A", -1, font, 0);
    EXPECT_EQ(2, Bitmaps() - before);  // the space has no pixels
    before = Bitmaps();
    GetTextWidthWithFont("BA", -1, font, 0);
    EXPECT_EQ(0, Bitmaps() - before);
}

TEST_F(FontTest, TheRingEvictsTheOldestGlyph) {
    // Memory cache, cell 128: 20 glyphs.
    FontCacheSettings memory{1, 0, 0};
    const Handle font = CreateFontHandle(&memory, kFace, 126, 4, 0, -1, -1, 0, -1, 0);
    ASSERT_EQ(20, Record(font)->capacity);
    const char* twentyOne = "ABCDEFGHIJKLMNOPQRSTU";
    long before = Bitmaps();
    const int width = GetTextWidthWithFont(twentyOne, -1, font, 0);
    EXPECT_EQ(21, Bitmaps() - before);
    before = Bitmaps();
    GetTextWidthWithFont("U", -1, font, 0);
    EXPECT_EQ(0, Bitmaps() - before);
    GetTextWidthWithFont("A", -1, font, 0);
    EXPECT_EQ(1, Bitmaps() - before);
    // Every character counted, the one drawn from outside the batch too.
    EXPECT_EQ(GetTextWidthWithFont("A", -1, font, 0) + GetTextWidthWithFont("B", -1, font, 0) +
                  19 * GetTextWidthWithFont("U", -1, font, 0),
              width);
}

TEST_F(FontTest, MoreNewCharactersThanTheCacheStillDraw) {
    // Size 200: cell 202, ten glyphs in a 1024 x 512 cache.
    const Handle font = TestFont(0, 200);
    ASSERT_EQ(10, Record(font)->capacity);
    const long before = Bitmaps();
    EXPECT_EQ(0, DrawTextWithFont(0, 0, "ABCDEFGHIJK", 0xFFFFFF, font, 0, 0));
    EXPECT_EQ(11, Bitmaps() - before);
    EXPECT_EQ(0u, Record(font)->codes['A'].cached);  // K took its cell
    EXPECT_EQ(1u, Record(font)->codes['K'].cached);
}

struct FormattedRow {
    const char* name;
    int lengthA;     // 'A's before the double-byte character
    long newGlyphs;  // glyphs rendered
};

TEST_F(FontTest, FormattedTextIsCutAtTheBuffer) {
    // 'A' x n, then "あ" (0x82 0xA0) and filler up to 3,000 bytes: the text
    // keeps 2,047 bytes; a double-byte character at 2,046 is dropped whole.
    const FormattedRow rows[] = {
        {"CharacterFits", 2045, 2},
        {"CharacterWouldSplit", 2046, 1},
    };
    for (const FormattedRow& r : rows) {
        SCOPED_TRACE(r.name);
        SetDefaultFontSize(10 + static_cast<int>(r.lengthA % 2));  // a fresh cache
        std::string text(static_cast<size_t>(r.lengthA), 'A');
        text += "\x82\xA0";
        text.resize(3000, 'A');
        const long before = Bitmaps();
        EXPECT_EQ(0, DrawFormattedText(0, 0, 0xFFFFFF, "%s", text.c_str()));
        EXPECT_EQ(r.newGlyphs, Bitmaps() - before);
    }
}

TEST_F(FontTest, RecreatedFontsKeepValuesSpacingAndWatchers) {
    const Handle plain = TestFont(0);
    const Handle edged = TestFont(3, 16, 1);
    SetFontSpacing(3, plain);
    int32_t watcher = 1;
    SetFontDeletedFlag(edged, &watcher);
    PrintOnScreenLog("log line");
    const Handle defaultFont = GetDefaultFontHandle();
    const int fonts = GetHandleTypeRecord(HandleTypeFont)->count;
    const long hfonts = KnobFontCounts().liveFonts;
    for (int i = 0; i < 20; ++i) ASSERT_EQ(0, RecreateAllFonts());
    PrintOnScreenLog("another line");
    EXPECT_EQ(fonts, GetHandleTypeRecord(HandleTypeFont)->count);
    EXPECT_EQ(hfonts, KnobFontCounts().liveFonts);
    EXPECT_EQ(defaultFont, GetDefaultFontHandle());
    EXPECT_EQ(1, IsFontHandleValid(defaultFont));
    EXPECT_EQ(0, watcher);
    EXPECT_EQ(13 + 6, GetTextWidthWithFont("AB", -1, plain, 0));
    SetFontSpacing(0, plain);
    DrawTextWithFont(10, 20, "AB", 0xFFFFFF, plain, 0, 0);
    EXPECT_EQ((std::vector<std::string>{".###..#####."}), Block(10, 26, 12, 1));
    DeleteHandle(edged);
    EXPECT_EQ(1, watcher);
}

TEST_F(FontTest, FaceNamesAreListedOnce) {
    const int all = EnumFontNames(nullptr, 0, "", -1);
    ASSERT_GT(all, 2);
    std::vector<char> names(static_cast<size_t>(all) * 64 + 64, '\x7F');
    EXPECT_EQ(all, EnumFontNames(names.data(), 0, "", -1));
    std::set<std::string> seen;
    for (int i = 0; i < all; ++i) {
        const std::string name(&names[static_cast<size_t>(i) * 64]);
        EXPECT_NE('@', name[0]) << name;
        EXPECT_TRUE(seen.insert(name).second) << name;
    }
    EXPECT_EQ('\x7F', names[static_cast<size_t>(all) * 64]);  // nothing past the last
    EXPECT_EQ(2, EnumFontNames(names.data(), 2, "", -1));
    EXPECT_EQ(1, EnumFontNames(nullptr, 0, kFace, 0));
}

}  // namespace
