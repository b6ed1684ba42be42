// What the rasteriser stores: 4x and 8x reductions of a glyph whose edges
// fall on chosen sub-pixel rows and columns, the words of each cache
// format, and the edge masks.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "font_fixture.h"

using namespace DuRud;
using namespace fonttest;

namespace {

// 'q' at 4x (ppem 64, 32 units a source pixel): black box 12 x 25 from
// (2, 22), ascent 48: y offset (48 - 22) / 4 = 6 rest r = 2, so blocks start
// two rows above the bitmap; the last block has 3 rows. Set bits per block:
// the main box covers source columns 3..11 of the box in every row, the
// small one columns 0..1 in rows 5..7. At 8x (ppem 128) the same shape
// gives (52 / 8 = 6, r = 4) the same counts out of 64. Levels out of 64:
const int kLevels64[7][3] = {
    {8, 32, 32}, {24, 64, 64}, {32, 64, 64}, {16, 64, 64}, {16, 64, 64}, {16, 64, 64}, {12, 48, 48},
};

struct ReductionRow {
    const char* name;
    int type;
    int cache16;  // the 16-bit cache setting: 17 levels
};

TEST_F(FontTest, ReducedLevelsAreExact) {
    const ReductionRow rows[] = {
        {"4x65", 18, 0}, {"8x65", 34, 0}, {"4x17", 18, 1}, {"8x17", 34, 1}};
    for (const ReductionRow& r : rows) {
        SCOPED_TRACE(r.name);
        FontCacheSettings settings{0, r.cache16, 0};
        const Handle font = CreateFontHandle(&settings, kFace, 16, 4, r.type, -1, -1, 0, -1, 0);
        ASSERT_NE(-1, font);
        const GlyphSlot& s = Slot(font, 'q');
        EXPECT_EQ((std::vector<int>{0, 6, 3, 7, 6}),
                  (std::vector<int>{s.xOffset, s.yOffset, s.width, s.height, s.advance}));
        for (int y = 0; y < 7; ++y)
            for (int x = 0; x < 3; ++x) {
                const int v64 = kLevels64[y][x];
                // A8R8G8B8: (v - 1) << 26; A4R4G4B4: ((v << 12) - 1) | 0x0FFF.
                const uint32_t want = r.cache16 ? ((uint32_t(v64 / 4) << 12) - 1) | 0x0FFF
                                                : uint32_t(v64 - 1) << 26 | 0x00FFFFFF;
                EXPECT_EQ(want, CacheWord(font, 'q', x, y)) << x << "," << y;
            }
        DeleteHandle(font);
    }
}

struct WordRow {
    const char* name;
    int type, edge, noTexture;
    char c;
    int x, y;
    bool edgeHalf;
    uint32_t word;
};

TEST_F(FontTest, StoredWordsPerType) {
    // 'A' at 1x covers its 3 x 8 box fully (level 64, or 16 for 17 levels).
    const WordRow rows[] = {
        {"Type0Set", 0, -1, 0, 'A', 0, 0, false, 0xFFFF},       // A1R5G5B5
        {"Type0Empty", 0, -1, 0, 'q', 0, 0, false, 0x7FFF},     // white, alpha 0
        {"Type1Body", 1, 1, 0, 'A', 1, 1, false, 0xFFFF},       // body half
        {"Type1BodyNoEdge", 1, 1, 0, 'A', 1, 1, true, 0x7FFF},  // edge half under it
        {"Type1Ring", 1, 1, 0, 'A', 0, 0, true, 0xFFFF},        // corner: square mask
        {"Type1RingBody", 1, 1, 0, 'A', 0, 0, false, 0x7FFF},
        {"Type2Full", 2, -1, 0, 'A', 0, 0, false, 0xFCFFFFFF},  // (64 - 1) << 26
        {"Type3Body", 3, 1, 0, 'A', 1, 1, false, 0xFFFFFFFF},   // level 64: opaque
        {"Type3Ring", 3, 1, 0, 'A', 0, 0, true, 0xFFFFFFFF},    // 0 + 64 x 64 / 64
        {"Type3Outside", 3, 1, 0, 'A', 1, 1, true, 0x00FFFFFF},
        {"MemoryType0", 0, -1, 1, 'A', 2, 7, false, 1},
        {"MemoryType0Beyond", 0, -1, 1, 'A', 3, 7, false, 0},
        {"MemoryType2", 2, -1, 1, 'A', 2, 7, false, 15},       // level 16 - 1
        {"MemoryType3Body", 3, 1, 1, 'A', 2, 2, false, 0xFF},  // body 15, edge 15
        {"MemoryType3Ring", 3, 1, 1, 'A', 1, 0, false, 0xF0},
        {"MemoryType3Corner", 3, 1, 1, 'A', 0, 0, false, 0x00},  // plus mask
    };
    for (const WordRow& r : rows) {
        SCOPED_TRACE(r.name);
        FontCacheSettings settings{r.noTexture, 0, 0};
        const Handle font = CreateFontHandle(&settings, kFace, 16, 4, r.type, -1, r.edge, 0, -1, 0);
        ASSERT_NE(-1, font);
        EXPECT_EQ(r.word, CacheWord(font, r.c, r.x, r.y, r.edgeHalf));
        DeleteHandle(font);
    }
}

TEST_F(FontTest, ReducedNibblesInMemory) {
    // Type 19 in memory, edge 1 (plus): the 4x levels out of 16, body v - 1
    // in the low nibble one pixel inside the box, the edge nibble the
    // largest v - 1 of the body pixels the plus around it reaches.
    FontCacheSettings memory{1, 0, 0};
    const Handle font = CreateFontHandle(&memory, kFace, 16, 4, 19, -1, 1, 0, -1, 0);
    const GlyphSlot& s = Slot(font, 'q');
    EXPECT_EQ(5, s.width);
    EXPECT_EQ(9, s.height);
    const struct {
        const char* name;
        int x, y;
        uint32_t byte;
    } pixels[] = {
        {"Corner", 0, 0, 0x00},
        {"AboveFirst", 1, 0, 0x10},  // body (0, 0): 2 - 1
        {"FirstBody", 1, 1, 0x71},   // its right neighbour 8 - 1
        {"SecondRow", 2, 1, 0xF7},   // below it 16 - 1
        {"RightOfLastColumn", 4, 4, 0xF0},
        {"LastRowLeft", 1, 7, 0xB2},   // 3 - 1, right of it 12 - 1
        {"BelowLastRow", 2, 8, 0xB0},  // 12 - 1
    };
    for (const auto& p : pixels) {
        SCOPED_TRACE(p.name);
        EXPECT_EQ(p.byte, CacheWord(font, 'q', p.x, p.y));
    }
}

std::vector<std::string> MaskPicture(Handle font) {
    const GlyphSlot& s = Slot(font, '.');
    std::vector<std::string> rows;
    for (int y = 0; y < s.height; ++y) {
        std::string row;
        for (int x = 0; x < s.width; ++x) row += ".#o"[CacheWord(font, '.', x, y) % 3];
        rows.push_back(row);
    }
    return rows;
}

struct MaskRow {
    const char* name;
    int edge;
    std::vector<std::string> picture;
};

TEST_F(FontTest, EdgeMasksInMemory) {
    // A one-pixel glyph of type 1: 1 body, 2 edge.
    const MaskRow rows[] = {
        {"Width1Plus", 1, {".o.", "o#o", ".o."}},
        {"Width2", 2, {".ooo.", "ooooo", "oo#oo", "ooooo", ".ooo."}},
        {"Width3",
         3,
         {"...o...", ".ooooo.", ".ooooo.", "ooo#ooo", ".ooooo.", ".ooooo.", "...o..."}},
        {"Width4",
         4,
         {"..ooooo..", ".ooooooo.", "ooooooooo", "ooooooooo", "oooo#oooo", "ooooooooo", "ooooooooo",
          ".ooooooo.", "..ooooo.."}},
        {"Width6Square", 6, std::vector<std::string>(13, std::string(13, 'o'))},
    };
    for (MaskRow r : rows) {
        SCOPED_TRACE(r.name);
        if (r.edge == 6) r.picture[6][6] = '#';
        FontCacheSettings memory{1, 0, 0};
        const Handle font = CreateFontHandle(&memory, kFace, 16, 4, 1, -1, r.edge, 0, -1, 0);
        ASSERT_NE(-1, font);
        EXPECT_EQ(r.picture, MaskPicture(font));
        DeleteHandle(font);
    }
}

TEST_F(FontTest, BlankGlyphsKeepOnlyTheirAdvance) {
    // GDI gives grey levels of an inkless glyph as a 1 x 1 box and no bytes.
    const struct {
        const char* name;
        const char* text;
        int type, advance;
    } rows[] = {{"Space", " ", 0, 4}, {"FullWidthSpace", "\x81\x40", 0, 4}, {"NoInk", "_", 2, 5}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        const Handle font = TestFont(r.type);
        EXPECT_EQ(r.advance, GetTextWidthWithFont(r.text, -1, font, 0));
        const uint16_t code = static_cast<uint8_t>(r.text[0]) | static_cast<uint8_t>(r.text[1])
                                                                    << 8;
        const GlyphSlot& s = *Record(font)->codes[code].slot;
        EXPECT_EQ(0, s.width);
        EXPECT_EQ(0, s.height);
        EXPECT_EQ(r.advance, s.advance);
        EXPECT_EQ(0, DrawTextWithFont(10, 20, r.text, 0xFFFFFF, font, 0, 0));
    }
}

TEST_F(FontTest, InkAboveTheAscentKeepsItsTopRows) {
    // '^' at 4x: rows 40 to 50 up, ascent 48: (48 - 50) / 4 floors to -1
    // with r = 2, so the first output row sums two bitmap rows (4 bits
    // each: 8 of 16, level 32 of 64) and the box is ceil((10 + 2) / 4) = 3.
    const Handle font = TestFont(18);
    const GlyphSlot& s = Slot(font, '^');
    EXPECT_EQ((std::vector<int>{1, -1, 1, 3}),
              (std::vector<int>{s.xOffset, s.yOffset, s.width, s.height}));
    EXPECT_EQ(0x7CFFFFFFu, CacheWord(font, '^', 0, 0));  // (32 - 1) << 26
    EXPECT_EQ(0xFCFFFFFFu, CacheWord(font, '^', 0, 2));
}

}  // namespace
