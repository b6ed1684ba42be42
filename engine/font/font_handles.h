// Fonts: the operations graphics and the on-screen log call (font handles
// are handle type 8).
#pragma once

#include <cstdint>

#include "DuRud.h"

namespace DuRud {

// Handed to every font creation; all zero in this program.
struct FontCacheSettings {
    int32_t noTextureCache;
    int32_t use16BitCache;
    int32_t cachedCharacters;
};

int InitializeFonts();  // registers type 8 and creates the default font; -1 when started
int TerminateFonts();   // -1 when not started
Handle GetDefaultFontHandle();
int IsFontHandleValid(Handle font);  // 1 live and not loading, else 0
// Each output may be null; -1 for a bad handle.
int GetFontInfo(char* face, int* size, int* thickness, Handle font);
int SetDefaultFont(const char* face, int size, int thickness);  // -1 size: 16, -1 thickness: 6
int RecreateAllFonts();  // every font rebuilt under its old handle value
int GetFontCacheSettings(FontCacheSettings* out);
Handle CreateFontHandle(const FontCacheSettings* settings, const char* face, int size,
                        int thickness, int fontType, int charSet, int edgeSize, int italic,
                        Handle wanted, int asynchronous);
int SetFontDeletedFlag(Handle font, int32_t* flag);  // the int becomes 1 when the font goes
int GetTextWidthWithFont(const char* text, int byteCount, Handle font, int vertical);
int DrawTextWithFont(int x, int y, const char* text, uint32_t color, Handle font,
                     uint32_t edgeColor, int vertical);

// Besides: the font's size (-1 for a bad handle), its extra pixels per
// character, and the installed full face names for a face and engine
// character set (-1: the default set), 64 bytes each, "@" names and repeats
// skipped, at most maximum (0: no limit); a null buffer only counts.
int GetFontSize(Handle font);
int SetFontSpacing(int spacing, Handle font);
int EnumFontNames(char* buffer, int maximum, const char* face, int charSet);

}  // namespace DuRud
