// A small TrueType writer for font tests: a face made from parameters
// (metrics, code-page bits, glyphs of axis-aligned rectangles, no hinting
// instructions), so glyph bitmaps and metrics can be worked out by hand.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

struct TestGlyph {
    char16_t code = 0;                      // the character (ignored for glyph 0)
    int advance = 0;                        // design units
    std::vector<std::array<int, 4>> boxes;  // xMin, yMin, xMax, yMax: one contour each
};

struct TestFaceSpec {
    std::string family = "Vessamire Test";  // ASCII
    int unitsPerEm = 2048;
    int winAscent = 1920, winDescent = 384;                // OS/2
    int ascender = 1792, descender = -256, lineGap = 640;  // hhea
    uint32_t codePages = 1;  // OS/2 ulCodePageRange1: bit 0 Latin 1, 17 Japanese
    int weight = 400;
    int avgWidth = 1024;
    TestGlyph notdef;               // glyph 0
    std::vector<TestGlyph> glyphs;  // any order
};

// The bytes of a TrueType file with head, hhea, maxp, OS/2, hmtx, cmap
// (format 4), loca, glyf, name and post.
std::string MakeTrueTypeFace(const TestFaceSpec& spec);

}  // namespace testsupport
