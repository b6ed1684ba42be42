#include "font_fixture.h"

#include "core/log.h"
#include "graphics/screen_state.h"
#include "graphics/software_draw.h"
#include "image/memimg.h"
#include "support/test_support.h"
#include "support/truetype_face.h"
#include "test_knobs.h"

using namespace DuRud;

namespace fonttest {

const std::vector<std::string> kAB = {
    "............", "............", "............", "............", ".###........", ".###........",
    ".###..#####.", ".###..#####.", ".###..#####.", ".###..#####.", ".###........", ".###........",
};

std::vector<std::string> TurnedAB() {
    std::vector<std::string> rows(12, std::string(16, '.'));
    for (int y = 21; y <= 23; ++y)
        for (int x = 16; x <= 23; ++x) rows[y - 20][x - 10] = '#';
    for (int y = 26; y <= 30; ++y)
        for (int x = 18; x <= 21; ++x) rows[y - 20][x - 10] = '#';
    return rows;
}

void AddGlyphFace() {
    constexpr int px = 128;
    testsupport::TestFaceSpec spec;
    spec.family = kFace;
    spec.winAscent = 1536;
    spec.winDescent = 512;
    spec.ascender = 1536;
    spec.descender = -512;
    spec.lineGap = 0;
    spec.notdef = {0, 4 * px, {{1 * px, 0, 3 * px, 2 * px}}};
    spec.glyphs = {
        {u'A', 6 * px, {{1 * px, 0, 4 * px, 8 * px}}},
        {u'B', 7 * px, {{0, 2 * px, 5 * px, 6 * px}}},
        {u'W', 12 * px, {{0, 0, 11 * px, 3 * px}}},
        {u' ', 4 * px, {}},
        {u'.', 4 * px, {{2 * px, 3 * px, 3 * px, 4 * px}}},
        {u'_', 5 * px, {}},                              // no ink, no name of a space
        {u'^', 3 * px, {{1 * px, 1280, 2 * px, 1600}}},  // up to 12.5 px: above the ascent
        // x 5/4 .. 7/2 px, y -3/4 .. 11/2 px, and a second box from
        // 1/2 .. 1 px across, 7/2 .. 17/4 px up.
        {u'q', 6 * px, {{160, -96, 448, 704}, {64, 448, 128, 544}}},
    };
    testsupport::WriteFile("glyph_face.ttf", testsupport::MakeTrueTypeFace(spec));
    ASSERT_TRUE(KnobFontAddFile((testsupport::TestDirectory() + "/glyph_face.ttf").c_str()));
}

void FontTest::Start(const Screen& screen) {
    screen_ = screen;
    AddGlyphFace();
    graphicstest::ScreenSettings s = graphicstest::WithHandles();
    s.width = screen.width;
    s.height = screen.height;
    s.colorBits = screen.colorBits;
    s.softwareForced = screen.software;
    s.windowed = !screen.fullScreen;
    savedLogFolder_ = GetLogFolder();
    SetLogFolder(testsupport::TestDirectory().c_str());
    ASSERT_EQ(0, graphicstest::StartDevice(s));
    // Where graphics start-up already started the fonts, they stay.
    if (GetDefaultFontHandle() == -1) {
        ASSERT_EQ(0, InitializeFonts());
    }
    ASSERT_NE(-1, GetDefaultFontHandle());
    started_ = true;
    ClearScreen();
}

void FontTest::Stop() {
    if (!started_) return;
    TerminateFonts();
    graphicstest::StopDevice();
    SetLogFolder(savedLogFolder_.c_str());
    started_ = false;
}

Handle TestFont(int type, int size, int edge) {
    FontCacheSettings settings{};
    return CreateFontHandle(&settings, kFace, size, 4, type, -1, edge, 0, -1, 0);
}

FontRecord* Record(Handle font) {
    return GetFontRecord(font);
}

const GlyphSlot& Slot(Handle font, char c) {
    const char text[2] = {c, 0};
    GetTextWidthWithFont(text, -1, font, 0);
    return *Record(font)->codes[static_cast<uint8_t>(c)].slot;
}

uint32_t CacheWord(Handle font, char c, int x, int y, bool edgeHalf) {
    const FontRecord& r = *Record(font);
    const GlyphSlot& s = Slot(font, c);
    const int cellX = s.cellIndex / r.cellsPerColumn * r.cellWidth;
    const int cellY = s.cellIndex % r.cellsPerColumn * r.cellWidth;
    if (!r.usesTexture) {
        const uint8_t* row = r.memoryPixels + (cellY + y) * r.memoryPitch;
        return r.memoryBits == 1 ? (row[x / 8] >> (7 - x % 8)) & 1 : row[x];
    }
    const BaseImage& image = r.cacheImage;
    const int bpp = image.colorFormat.bytesPerPixel;
    const int px = cellX + 1 + x + (edgeHalf ? r.cacheWidth : 0);
    const uint8_t* p =
        static_cast<const uint8_t*>(image.pixels) + (cellY + 1 + y) * image.pitch + px * bpp;
    return bpp == 2 ? uint32_t(p[0] | p[1] << 8)
                    : uint32_t(p[0] | p[1] << 8 | p[2] << 16 | p[3] << 24);
}

uint32_t ScreenPixel(int x, int y) {
    if (GetScreenState().useDirect3D) return graphicstest::BackBufferPixel(x, y) & 0xFFFFFF;
    const MEMIMG* p = SoftwarePrimary();
    const uint8_t* row = p->pixels + y * p->body->pitch;
    if (GetMemImgBytesPerPixel(p) == 2) {
        const uint32_t v = reinterpret_cast<const uint16_t*>(row)[x];
        const uint32_t r = (v >> 11) * 255 / 31, g = (v >> 5 & 63) * 255 / 63,
                       b = (v & 31) * 255 / 31;
        return r << 16 | g << 8 | b;
    }
    return reinterpret_cast<const uint32_t*>(row)[x] & 0xFFFFFF;
}

void ClearScreen() {
    SetBlendMode(0, 255);
    SetBrightness(255, 255, 255);
    DrawBoxShape(0, 0, 4000, 4000, MakeColorValue(0, 0, 0), 1);
}

std::vector<std::string> Block(int x, int y, int w, int h) {
    std::vector<std::string> rows;
    for (int j = 0; j < h; ++j) {
        std::string row;
        for (int i = 0; i < w; ++i) {
            const uint32_t p = ScreenPixel(x + i, y + j);
            row += p == 0xFFFFFF ? '#' : p == 0 ? '.' : p == 0xFF0000 ? 'r' : '?';
        }
        rows.push_back(row);
    }
    return rows;
}

}  // namespace fonttest
