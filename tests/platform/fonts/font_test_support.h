// What the font tests share: the test face, fonts selected into a memory DC,
// and the names of installed faces in code page 932.
#pragma once

#include <string>

#include "test_knobs.h"
#include "windows.h"

namespace fonttest {

inline const char kMsGothic[] = "\x82\x6C\x82\x72\x20\x83\x53\x83\x56\x83\x62\x83\x4E";
inline const char kIpaGothicJapanese[] = "IPA\x83\x53\x83\x56\x83\x62\x83\x4E";
inline const MAT2 kIdentity = {{0, 1}, {0, 0}, {0, 0}, {0, 1}};

// Adds the face "Vessamire Test" (Latin 1 only; units per em 2048, so at
// ppem 16 a pixel is 128 units; OS/2 win ascent 1920, descent 384; hhea 1792,
// -256, line gap 640). Glyphs: 'A' a 5 x 7 rectangle at x 1, advance 7;
// 'B' the same with a quarter pixel column more on the right; 'W' 40 x 2 at
// x 0; ' ' empty with advance 4; glyph 0 a 3 x 9 rectangle at x 2.
void AddTestFace();

// A font selected into a memory DC; both are deleted with it.
struct Selected {
    Selected(const char* face, int height, int charset = DEFAULT_CHARSET, int weight = FW_NORMAL,
             int pitch = DEFAULT_PITCH, bool italic = false);
    ~Selected();
    KnobFontInfo Info() const;
    HDC dc = nullptr;
    HFONT font = nullptr;
};

// The file name (no folder) a font realised from.
std::string FileName(const KnobFontInfo& info);

}  // namespace fonttest
