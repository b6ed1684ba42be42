// The font mapper's view of the installed faces: one table built once from
// fontconfig's scalable faces (names in code page 932, weights, code-page
// charsets and design metrics read through FreeType), the Windows face names
// mapped onto them, and the choice of a face for a LOGFONTA.
#pragma once

#include <ft2build.h>
#include FT_FREETYPE_H

#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "win_gdi.h"

namespace platform::gdi {

// One installed face: a file (its real path) and a face index in it.
struct FaceInfo {
    std::string file;
    int index = 0;
    std::vector<std::string> families;   // code page 932; the first names the family
    std::vector<std::string> fullNames;  // code page 932
    int weight = FW_NORMAL;              // OS/2 weight class
    bool italic = false;
    int widthClass = 5;  // OS/2 width class, 5 is normal
    bool fixedPitch = false;
    BYTE family = FF_DONTCARE;   // FF_ROMAN, FF_SWISS, FF_MODERN
    std::vector<BYTE> charsets;  // from the OS/2 code-page bits, in bit order
    DWORD unicodeRanges[4] = {};
    DWORD codePageRanges[2] = {};
    // Design units.
    int unitsPerEm = 2048;
    int winAscent = 0, winDescent = 0;
    int ascender = 0, descender = 0, lineGap = 0;  // hhea
    int xMin = 0, xMax = 0;                        // head
    int avgWidth = 0;
    int firstChar = 0x20, lastChar = 0xFF;
    bool added = false;  // an application font a test added

    bool HasCharset(BYTE charset) const;
    bool IsCjk() const;
};
using Face = std::shared_ptr<const FaceInfo>;

// What a LOGFONTA realises as.
struct FaceChoice {
    Face face;              // null only when no face is installed at all
    BYTE charset = 0;       // the realised character set
    bool embolden = false;  // asked 600 or more of a lighter file
    bool oblique = false;   // asked italic of an upright file
};

// The face name of a LOGFONTA: up to LF_FACESIZE - 1 bytes even without a NUL.
std::string FaceNameOf(const LOGFONTA& log);

// ASCII case-insensitive equality of code page 932 names (trail bytes of
// double-byte characters compare exactly).
bool FaceNamesEqual(std::string_view a, std::string_view b);

FaceChoice ChooseFace(const LOGFONTA& log);

// Faces known by a name: family names first, then full names, then the
// Windows names mapped onto installed families. Empty when none.
std::vector<Face> FacesNamed(std::string_view name);
// Every face, ordered by file.
std::vector<Face> AllFaces();
// The face of a set that best fits a weight and slant (normal width first).
Face BestOf(const std::vector<Face>& faces, int weight, bool italic);

// The Windows character sets of the OS/2 code-page bits, with script names.
const char* CharsetScript(BYTE charset);
// The code page that turns a character code of the charset into Unicode.
UINT CharsetCodePage(BYTE charset);

// Faces of a test's application font; removed by RemoveAddedFaces.
bool AddFaceFile(const char* utf8Path);
void RemoveAddedFaces();

// One FreeType library for the process; every FreeType call holds the lock.
std::mutex& FreeTypeMutex();
FT_Library FreeTypeLibrary();

}  // namespace platform::gdi
