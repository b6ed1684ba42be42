// EnumFontFamiliesExA: one callback per (face, charset). With an empty name
// every family is listed under its own name; with a name, the family known
// by it is listed under that very name. Faces of East Asian charsets are
// also listed as vertical ("@" + name) faces when every family is listed.
#include <cstring>
#include <string>
#include <vector>

#include "code_pages.h"
#include "font_objects.h"
#include "win_kernel.h"

namespace platform::gdi {

namespace {

struct Listed {
    Face face;
    std::string faceName;
    std::string fullName;
};

// Copies a name into a fixed field, never cutting a double-byte character.
void CopyName(BYTE* field, size_t fieldSize, const std::string& name) {
    size_t n = 0;
    while (n < name.size()) {
        const size_t step =
            CodePageIsLeadByte(932, static_cast<unsigned char>(name[n])) && n + 1 < name.size() ? 2
                                                                                                : 1;
        if (n + step > fieldSize - 1) break;
        n += step;
    }
    std::memcpy(field, name.data(), n);
}

std::vector<Listed> FamiliesToList(const std::string& name) {
    std::vector<Listed> out;
    if (!name.empty()) {
        const bool vertical = name[0] == '@';
        std::vector<Face> faces = FacesNamed(vertical ? name.substr(1) : name);
        if (Face face = BestOf(faces, FW_NORMAL, false); face && (!vertical || face->IsCjk()))
            out.push_back({face, name, name});
        return out;
    }
    std::vector<std::string> seen;
    for (const Face& face : AllFaces()) {
        const std::string& family = face->families.front();
        bool listed = false;
        for (const std::string& s : seen) listed = listed || FaceNamesEqual(s, family);
        if (listed) continue;
        seen.push_back(family);
        Face regular = BestOf(FacesNamed(family), FW_NORMAL, false);
        out.push_back({regular, family, regular->fullNames.front()});
    }
    return out;
}

const char* StyleName(const FaceInfo& f) {
    const bool bold = f.weight >= FW_SEMIBOLD;
    return bold ? (f.italic ? "Bold Italic" : "Bold") : (f.italic ? "Italic" : "Regular");
}

int Report(const Listed& item, BYTE charset, bool vertical, FONTENUMPROCA callback, LPARAM lParam) {
    const FaceInfo& f = *item.face;
    MetricsStyle style;
    style.weight = f.weight;
    style.italic = f.italic;
    style.charset = charset;
    TEXTMETRICA tm;
    FillTextMetrics(f, f.unitsPerEm, style, &tm);  // at the face's em

    ENUMLOGFONTEXA elf{};
    LOGFONTA& lf = elf.elfLogFont;
    lf.lfHeight = tm.tmHeight;
    lf.lfWidth = tm.tmAveCharWidth;
    lf.lfWeight = f.weight;
    lf.lfItalic = f.italic ? 0xFF : 0;
    lf.lfCharSet = charset;
    lf.lfOutPrecision = 3;   // OUT_STROKE_PRECIS
    lf.lfClipPrecision = 2;  // CLIP_STROKE_PRECIS
    lf.lfQuality = DRAFT_QUALITY;
    lf.lfPitchAndFamily =
        static_cast<BYTE>(f.family | (f.fixedPitch ? FIXED_PITCH : VARIABLE_PITCH));
    const std::string prefix = vertical ? "@" : "";
    CopyName(reinterpret_cast<BYTE*>(lf.lfFaceName), LF_FACESIZE, prefix + item.faceName);
    CopyName(elf.elfFullName, LF_FULLFACESIZE, prefix + item.fullName);
    CopyName(elf.elfStyle, LF_FACESIZE, StyleName(f));
    CopyName(elf.elfScript, LF_FACESIZE, CharsetScript(charset));

    NEWTEXTMETRICEXA ntm{};
    static_cast<TEXTMETRICA&>(ntm.ntmTm) = tm;
    ntm.ntmTm.ntmFlags = (f.italic ? NTM_ITALIC : 0) | (f.weight >= FW_SEMIBOLD ? NTM_BOLD : 0);
    if (ntm.ntmTm.ntmFlags == 0) ntm.ntmTm.ntmFlags = NTM_REGULAR;
    ntm.ntmTm.ntmSizeEM = static_cast<UINT>(f.unitsPerEm);
    ntm.ntmTm.ntmCellHeight = static_cast<UINT>(f.winAscent + f.winDescent);
    ntm.ntmTm.ntmAvgWidth = static_cast<UINT>(f.avgWidth);
    std::memcpy(ntm.ntmFontSig.fsUsb, f.unicodeRanges, sizeof(ntm.ntmFontSig.fsUsb));
    std::memcpy(ntm.ntmFontSig.fsCsb, f.codePageRanges, sizeof(ntm.ntmFontSig.fsCsb));
    return callback(&elf.elfLogFont, reinterpret_cast<const TEXTMETRICA*>(&ntm), TRUETYPE_FONTTYPE,
                    lParam);
}

}  // namespace

}  // namespace platform::gdi

using namespace platform::gdi;

int WINAPI EnumFontFamiliesExA(HDC dc, LPLOGFONTA logFont, FONTENUMPROCA callback, LPARAM lParam,
                               DWORD flags) {
    if (!GetDc(dc)) return 0;
    if (!logFont || !callback) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const std::string name = FaceNameOf(*logFont);
    const BYTE asked = logFont->lfCharSet;
    int result = 1;
    for (const Listed& item : FamiliesToList(name)) {
        for (BYTE charset : item.face->charsets) {
            if (asked != DEFAULT_CHARSET && charset != asked) continue;
            if ((result = Report(item, charset, false, callback, lParam)) == 0) return 0;
            if (name.empty() && item.face->IsCjk() &&
                (result = Report(item, charset, true, callback, lParam)) == 0)
                return 0;
        }
    }
    return result;
}
