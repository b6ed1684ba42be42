// What the font tests share: a face whose glyphs are rectangles on whole
// pixels (so bitmaps, offsets and advances are known by hand), a screen with
// graphic handles and the font module started, and screen readers.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DuRud.h"
#include "font/font_handles.h"
#include "font/font_records.h"
#include "graphics_fixture.h"

namespace fonttest {

// "Vessamire Glyphs", Latin 1, 2048 units per em, win ascent 1536 and
// descent 512, no line gap: cell 16 is ppem 16 (128 units a pixel), ascent
// 12, no leading. At ppem 16:
//   'A' 3 x 8 at x 1, bottom on the baseline: offsets (1, 4), advance 6
//   'B' 5 x 4 at x 0, 2 px above the baseline: offsets (0, 6), advance 7
//   'W' 11 x 3 at x 0 (the widest box: tmMaxCharWidth 11), advance 12
//   '.' 1 x 1 at x 2, 3 px above the baseline
//   '_' no ink, advance 5; '^' 1 px wide from 10 to 12.5 px up
//   ' ' advance 4; glyph 0 (any other character) 2 x 2 at x 1, advance 4
//   'q' edges on quarter and eighth pixels (see the level tests)
inline const char kFace[] = "Vessamire Glyphs";
void AddGlyphFace();

struct Screen {
    int width = 160;
    int height = 120;
    int colorBits = 32;
    int software = 0;
    int fullScreen = 0;
};

class FontTest : public ::testing::Test {
  protected:
    void SetUp() override { Start({}); }
    void TearDown() override { Stop(); }
    void Start(const Screen& screen);
    void Stop();
    bool started_ = false;
    std::string savedLogFolder_;
    Screen screen_;
};

// A synchronous font of the test face (thickness 4: no emboldening).
DuRud::Handle TestFont(int type, int size = 16, int edge = -1);
DuRud::FontRecord* Record(DuRud::Handle font);
// The cached glyph of a single-byte character (after caching it).
const DuRud::GlyphSlot& Slot(DuRud::Handle font, char c);
// The stored word at (x, y) of the glyph box: of the cache image (the edge
// half with edgeHalf), or the memory cache byte (bit for one-bit caches).
uint32_t CacheWord(DuRud::Handle font, char c, int x, int y, bool edgeHalf = false);

// The screen's pixel (0x00RRGGBB): the back buffer, or the software primary.
uint32_t ScreenPixel(int x, int y);
void ClearScreen();
// The w x h block at (x, y), one string per row: '#' for white, '.' for
// black, 'r' for red, '?' for anything else.
std::vector<std::string> Block(int x, int y, int w, int h);

// "AB" of the test face drawn at (10, 20), the 12 x 12 block from there:
// 'A' 3 x 8 from x 11, y 24; 'B' 5 x 4 from x 16, y 26.
extern const std::vector<std::string> kAB;
// The same turned (vertical), the 16 x 12 block from (10, 20): with X = x +
// cell height (18) - y offset, Y = y + pen + x offset, 'A' fills columns
// 16..23, rows 21..23 and 'B' columns 18..21, rows 26..30.
std::vector<std::string> TurnedAB();

}  // namespace fonttest
