// The font module's inside: the font handle record with its glyph cache,
// the module's default-font settings, and the operations the font handles,
// the glyph rasteriser and the string drawer share.
#pragma once

#include <cstdint>

#include <windows.h>

#include "DuRud.h"
#include "font/font_handles.h"
#include "image/image_record.h"
#include "image/memimg.h"

namespace DuRud {

constexpr int kMaxFontHandles = 40;
constexpr int kGlyphSlotCount = 2025;  // the last one ends the ring
constexpr int kMaxGlyphs = 2024;
constexpr int kCodeCount = 65536;

struct GlyphCodeEntry;

struct GlyphSlot {
    uint8_t inUse;
    int16_t xOffset;  // pen to the glyph box's left
    int16_t yOffset;  // line top to the glyph box's top
    int16_t advance;
    int32_t cellIndex;  // -1 in the slot after the last usable one
    int16_t width, height;
    GlyphCodeEntry* entry;
};

struct GlyphCodeEntry {
    uint32_t cached;
    GlyphSlot* slot;
};

// One character of a string: first byte, second byte (0 for a single byte).
struct CharRecord {
    uint8_t bytes[3];
    uint16_t Code() const { return static_cast<uint16_t>(bytes[0] | bytes[1] << 8); }
};

struct FontRecord {
    HandleHeader header;
    int32_t* deletedFlag;  // the caller's int, set to 1 when the font goes
    GlyphSlot slots[kGlyphSlotCount];
    GlyphCodeEntry codes[kCodeCount];  // first byte | second byte << 8
    int32_t nextSlot;
    int32_t capacity;
    uint8_t* memoryPixels;  // the memory cache (no texture cache)
    int32_t memoryPitch;
    int32_t memoryBits;  // 1 or 8
    char face[256];      // empty: the default face
    int32_t thickness, size;
    int32_t cellHeight;
    int32_t heightGrowth;
    int32_t italic;
    int32_t spacing;
    int32_t cellWidth;
    HFONT gdiFont;
    int32_t type;
    int32_t charSet;  // engine code: 0 default, 1 Shift-JIS, 2 Korean, 3, 4 Chinese
    int32_t edgeWidth;
    int32_t cacheWidth, cacheHeight;
    int32_t cellsPerColumn;
    Handle cacheGraphic, edgeCacheGraphic;
    int32_t cacheLost;
    BaseImage cacheImage;
    int32_t textureBits;  // 32 or 16
    int32_t usesTexture;
};

// Font type bits.
inline bool FontEdged(int type) {
    return (type & 1) != 0;
}
inline bool FontSmooth(int type) {
    return (type & 2) != 0;
}
inline int FontScale(int type) {
    return type == 18 || type == 19 ? 4 : type == 34 || type == 35 ? 8 : 1;
}

// The record of a live font handle whose creation is not pending, or null.
FontRecord* GetFontRecord(Handle font);
// The same, pending creations included (the creating worker's own view).
FontRecord* GetFontRecordAny(Handle font);
// The 256-entry table of set bits per byte.
const uint8_t* FontBitCounts();
// Logs a message already in code page 932 (Cp932Text at the literal).
int FontLog(const char* text);
int RebuildDefaultFont();

// Glyph cache.
int ResetFontCache(Handle font, int asynchronous);
int SetUpFontCacheGraphics(Handle font, int asynchronous);
// Splits the first length bytes into characters (out), caches the new ones;
// the character count in *count. 0 or -1.
int CacheStringGlyphs(int length, const char* text, Handle font, CharRecord* out, int* count);
// Renders the characters into the next cells; the slot of the last one
// handled, or null when nothing could be done.
GlyphSlot* RasterizeGlyphs(Handle font, int count, const CharRecord* chars);
// The characters of the first length bytes (at most the string's).
int CountStringChars(const char* text, int length, int charSet, CharRecord* out);

// String drawing: the layout core; the total advance or -1.
int DrawStringThroughCache(int draw, int x, int y, int scaleFlag, double scaleX, double scaleY,
                           const char* text, uint32_t color, MEMIMG* dest, const RECT* clip,
                           int transparent, Handle font, uint32_t edgeColor, int length,
                           int vertical, SIZE* sizeOut);

}  // namespace DuRud
