// The face table and the font mapper: which installed face a LOGFONTA gets.
// The charset outranks the name (a Latin face never serves Japanese text),
// then the nearest weight of a normal-width file of the family.
#include "font_faces.h"

#include <fontconfig/fontconfig.h>
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <tuple>

#include "code_pages.h"
#include "win_process.h"
#include "win_text.h"

namespace platform::gdi {

namespace {

// The Windows character sets of the OS/2 code-page bits (ulCodePageRange1).
struct CodePageBit {
    int bit;
    BYTE charset;
    UINT codePage;
    const char* script;
};
constexpr CodePageBit kCodePageBits[] = {
    {0, ANSI_CHARSET, 1252, "Western"},          {1, EASTEUROPE_CHARSET, 1250, "Central European"},
    {2, RUSSIAN_CHARSET, 1251, "Cyrillic"},      {3, GREEK_CHARSET, 1253, "Greek"},
    {4, TURKISH_CHARSET, 1254, "Turkish"},       {5, HEBREW_CHARSET, 1255, "Hebrew"},
    {6, ARABIC_CHARSET, 1256, "Arabic"},         {7, BALTIC_CHARSET, 1257, "Baltic"},
    {8, VIETNAMESE_CHARSET, 1258, "Vietnamese"}, {16, THAI_CHARSET, 874, "Thai"},
    {17, SHIFTJIS_CHARSET, 932, "Japanese"},     {18, GB2312_CHARSET, 936, "CHINESE_GB2312"},
    {19, HANGUL_CHARSET, 949, "Hangul"},         {20, CHINESEBIG5_CHARSET, 950, "CHINESE_BIG5"},
    {21, JOHAB_CHARSET, 1361, "Johab"},          {29, MAC_CHARSET, 10000, "Mac"},
    {31, SYMBOL_CHARSET, 0, "Symbol"},
};

// Windows face names with no installed face of their own.
struct Alias {
    const char* name;  // code page 932
    const char* family;
};
constexpr Alias kAliases[] = {
    {"\x82\x6C\x82\x72\x20\x83\x53\x83\x56\x83\x62\x83\x4E", "IPAGothic"},           // MS Gothic
    {"\x82\x6C\x82\x72\x20\x82\x6F\x83\x53\x83\x56\x83\x62\x83\x4E", "IPAPGothic"},  // MS PGothic
    {"MS Gothic", "IPAGothic"},
    {"MS PGothic", "IPAPGothic"},
    {"MS UI Gothic", "IPAPGothic"},
    {"Arial", "DejaVu Sans"},
    {"Tahoma", "DejaVu Sans"},
    {"Verdana", "DejaVu Sans"},
    {"MS Sans Serif", "DejaVu Sans"},
    {"Courier New", "DejaVu Sans Mono"},
    {"Times New Roman", "DejaVu Serif"},
};

struct Table {
    std::mutex mutex;
    std::vector<Face> faces;  // ordered by file
};

Table& TheTable() {
    static Table* table = new Table;
    return *table;
}

std::optional<std::string> Utf8NameToCp932(const char* utf8) {
    std::u16string wide;
    std::string out;
    if (!CodePageDecode(CP_UTF8, utf8, true, wide)) return std::nullopt;
    if (!CodePageEncode(932, wide, true, {}, nullptr, out) || out.empty()) return std::nullopt;
    return out;
}

std::vector<std::string> PatternNames(FcPattern* pattern, const char* object) {
    std::vector<std::string> names;
    FcChar8* value = nullptr;
    for (int i = 0; FcPatternGetString(pattern, object, i, &value) == FcResultMatch; ++i) {
        auto name = Utf8NameToCp932(reinterpret_cast<const char*>(value));
        if (!name) continue;  // a name code page 932 cannot hold is not offered
        bool seen = std::any_of(names.begin(), names.end(),
                                [&](const std::string& n) { return n == *name; });
        if (!seen) names.push_back(*name);
    }
    return names;
}

BYTE FamilyOf(const TT_OS2* os2, bool fixed) {
    if (fixed) return FF_MODERN;
    if (!os2 || os2->panose[0] != 2) return FF_DONTCARE;  // not Latin text
    const BYTE serif = os2->panose[1];
    if (serif >= 11 && serif <= 15) return FF_SWISS;
    if (serif >= 2 && serif <= 10) return FF_ROMAN;
    return FF_DONTCARE;
}

// Reads what the mapper and the metrics need from the file itself; null (and
// one debug line) when FreeType cannot open it.
std::shared_ptr<FaceInfo> ReadFace(const std::string& path, int index) {
    auto info = std::make_shared<FaceInfo>();
    info->file = path;
    info->index = index;
    std::lock_guard<std::mutex> lock(FreeTypeMutex());
    FT_Face face = nullptr;
    if (FT_New_Face(FreeTypeLibrary(), path.c_str(), index, &face) != 0 || !FT_IS_SCALABLE(face)) {
        if (face) FT_Done_Face(face);
        std::string line =
            "gdi32: skipped a font file FreeType cannot open: " + Utf8ToCp932(path) + "\n";
        OutputDebugStringA(line.c_str());
        return nullptr;
    }
    auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    auto* hhea = static_cast<TT_HoriHeader*>(FT_Get_Sfnt_Table(face, FT_SFNT_HHEA));
    info->unitsPerEm = face->units_per_EM;
    info->xMin = face->bbox.xMin;
    info->xMax = face->bbox.xMax;
    info->ascender = hhea ? hhea->Ascender : face->ascender;
    info->descender = hhea ? hhea->Descender : face->descender;
    info->lineGap = hhea ? hhea->Line_Gap : 0;
    info->italic = (face->style_flags & FT_STYLE_FLAG_ITALIC) != 0;
    info->weight = (face->style_flags & FT_STYLE_FLAG_BOLD) ? FW_BOLD : FW_NORMAL;
    info->fixedPitch =
        FT_IS_FIXED_WIDTH(face) || (os2 && os2->version != 0xFFFF && os2->panose[3] == 9);
    if (os2 && os2->version != 0xFFFF) {
        info->winAscent = os2->usWinAscent;
        info->winDescent = os2->usWinDescent;
        if (os2->usWeightClass > 0) info->weight = os2->usWeightClass;
        info->widthClass = os2->usWidthClass;
        info->avgWidth = os2->xAvgCharWidth;
        info->firstChar = os2->usFirstCharIndex;
        info->lastChar = os2->usLastCharIndex;
        info->unicodeRanges[0] = static_cast<DWORD>(os2->ulUnicodeRange1);
        info->unicodeRanges[1] = static_cast<DWORD>(os2->ulUnicodeRange2);
        info->unicodeRanges[2] = static_cast<DWORD>(os2->ulUnicodeRange3);
        info->unicodeRanges[3] = static_cast<DWORD>(os2->ulUnicodeRange4);
        if (os2->version >= 1) {
            info->codePageRanges[0] = static_cast<DWORD>(os2->ulCodePageRange1);
            info->codePageRanges[1] = static_cast<DWORD>(os2->ulCodePageRange2);
        }
    } else {
        info->winAscent = info->ascender;
        info->winDescent = -info->descender;
    }
    info->family = FamilyOf(os2 && os2->version != 0xFFFF ? os2 : nullptr, info->fixedPitch);
    FT_Done_Face(face);
    for (const CodePageBit& bit : kCodePageBits)
        if (info->codePageRanges[0] & (1u << bit.bit)) info->charsets.push_back(bit.charset);
    if (info->charsets.empty()) info->charsets.push_back(ANSI_CHARSET);
    return info;
}

// The real path of a file fontconfig lists (links to one file are one face).
std::string RealPath(const char* path) {
    std::error_code error;
    auto real = std::filesystem::canonical(path, error);
    return error ? std::string(path) : real.string();
}

// Adds the faces of one fontconfig pattern (caller holds nothing).
void AddPattern(FcPattern* pattern, bool added) {
    FcChar8* file = nullptr;
    int index = 0;
    if (FcPatternGetString(pattern, FC_FILE, 0, &file) != FcResultMatch) return;
    FcPatternGetInteger(pattern, FC_INDEX, 0, &index);
    std::string path = RealPath(reinterpret_cast<const char*>(file));
    Table& t = TheTable();
    {
        std::lock_guard<std::mutex> lock(t.mutex);
        for (const Face& f : t.faces)
            if (f->file == path && f->index == index) return;
    }
    auto info = ReadFace(path, index);
    if (!info) return;
    info->families = PatternNames(pattern, FC_FAMILY);
    info->fullNames = PatternNames(pattern, FC_FULLNAME);
    if (info->families.empty()) return;
    if (info->fullNames.empty()) info->fullNames.push_back(info->families.front());
    info->added = added;
    std::lock_guard<std::mutex> lock(t.mutex);
    auto at =
        std::upper_bound(t.faces.begin(), t.faces.end(), info, [](const Face& a, const Face& b) {
            return std::tie(a->file, a->index) < std::tie(b->file, b->index);
        });
    t.faces.insert(at, info);
}

void BuildTableOnce() {
    static std::once_flag once;
    std::call_once(once, [] {
        FcInit();
        FcPattern* pattern = FcPatternBuild(nullptr, FC_SCALABLE, FcTypeBool, FcTrue, nullptr);
        FcObjectSet* objects = FcObjectSetBuild(FC_FAMILY, FC_FULLNAME, FC_FILE, FC_INDEX, nullptr);
        FcFontSet* set = FcFontList(nullptr, pattern, objects);
        for (int i = 0; set && i < set->nfont; ++i) AddPattern(set->fonts[i], false);
        if (set) FcFontSetDestroy(set);
        FcObjectSetDestroy(objects);
        FcPatternDestroy(pattern);
    });
}

std::vector<Face> Snapshot() {
    BuildTableOnce();
    Table& t = TheTable();
    std::lock_guard<std::mutex> lock(t.mutex);
    return t.faces;
}

template <class Names>
std::vector<Face> FacesWhere(const std::vector<Face>& all, std::string_view name, Names names) {
    std::vector<Face> out;
    for (const Face& f : all) {
        const std::vector<std::string>& list = (*f).*names;
        if (std::any_of(list.begin(), list.end(),
                        [&](const std::string& n) { return FaceNamesEqual(n, name); }))
            out.push_back(f);
    }
    return out;
}

// fontconfig's best face for a language, when the table holds it with the charset.
std::vector<Face> LanguageDefault(BYTE charset) {
    const char* lang = charset == HANGUL_CHARSET   ? "ko"
                       : charset == GB2312_CHARSET ? "zh-cn"
                                                   : "zh-tw";
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_LANG, reinterpret_cast<const FcChar8*>(lang));
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    std::vector<Face> out;
    FcChar8* file = nullptr;
    if (match && FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch) {
        std::string path = RealPath(reinterpret_cast<const char*>(file));
        for (const Face& f : Snapshot())
            if (f->file == path && f->HasCharset(charset)) out = FacesNamed(f->families.front());
    }
    if (match) FcPatternDestroy(match);
    return out;
}

std::vector<Face> CharsetDefault(BYTE charset, bool fixedPitch) {
    if (charset == ANSI_CHARSET) return FacesNamed(fixedPitch ? "DejaVu Sans Mono" : "DejaVu Sans");
    if (charset == HANGUL_CHARSET || charset == GB2312_CHARSET || charset == CHINESEBIG5_CHARSET) {
        auto faces = LanguageDefault(charset);
        if (!faces.empty()) return faces;
    }
    return FacesNamed("IPAGothic");
}

}  // namespace

bool FaceInfo::HasCharset(BYTE charset) const {
    return std::find(charsets.begin(), charsets.end(), charset) != charsets.end();
}

bool FaceInfo::IsCjk() const {
    return HasCharset(SHIFTJIS_CHARSET) || HasCharset(HANGUL_CHARSET) ||
           HasCharset(GB2312_CHARSET) || HasCharset(CHINESEBIG5_CHARSET);
}

std::string FaceNameOf(const LOGFONTA& log) {
    return std::string(log.lfFaceName, strnlen(log.lfFaceName, LF_FACESIZE - 1));
}

bool FaceNamesEqual(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        const auto x = static_cast<unsigned char>(a[i]);
        const auto y = static_cast<unsigned char>(b[i]);
        if (CodePageIsLeadByte(932, x)) {
            if (x != y || i + 1 >= a.size() || a[i + 1] != b[i + 1]) return false;
            ++i;
            continue;
        }
        if (std::tolower(x) != std::tolower(y)) return false;
    }
    return true;
}

std::vector<Face> AllFaces() {
    return Snapshot();
}

std::vector<Face> FacesNamed(std::string_view name) {
    if (name.empty()) return {};
    std::vector<Face> all = Snapshot();
    std::vector<Face> out = FacesWhere(all, name, &FaceInfo::families);
    if (out.empty()) out = FacesWhere(all, name, &FaceInfo::fullNames);
    if (!out.empty()) return out;
    for (const Alias& alias : kAliases)
        if (FaceNamesEqual(alias.name, name))
            return FacesWhere(all, alias.family, &FaceInfo::families);
    return {};
}

Face BestOf(const std::vector<Face>& faces, int weight, bool italic) {
    Face best;
    auto score = [&](const Face& f) {
        return std::make_tuple(std::abs(f->widthClass - 5), std::abs(f->weight - weight),
                               f->italic != italic);
    };
    for (const Face& f : faces)
        if (!best || score(f) < score(best)) best = f;
    return best;
}

FaceChoice ChooseFace(const LOGFONTA& log) {
    std::string name = FaceNameOf(log);
    if (!name.empty() && name[0] == '@')
        name.erase(0, 1);  // vertical faces are the same faces here
    const BYTE asked = log.lfCharSet;
    auto withCharset = [asked](std::vector<Face> faces) {
        if (asked != DEFAULT_CHARSET)
            std::erase_if(faces, [asked](const Face& f) { return !f->HasCharset(asked); });
        return faces;
    };
    std::vector<Face> faces = withCharset(FacesNamed(name));
    if (faces.empty())
        faces = withCharset(CharsetDefault(asked, (log.lfPitchAndFamily & 3) == FIXED_PITCH));
    if (faces.empty()) faces = withCharset(AllFaces());
    if (faces.empty()) faces = AllFaces();
    const int weight = log.lfWeight <= 0 ? FW_NORMAL : log.lfWeight;
    FaceChoice choice;
    choice.face = BestOf(faces, weight, log.lfItalic != 0);
    if (!choice.face) return choice;
    const FaceInfo& f = *choice.face;
    if (asked != DEFAULT_CHARSET && f.HasCharset(asked))
        choice.charset = asked;
    else if (f.HasCharset(SHIFTJIS_CHARSET))
        choice.charset = SHIFTJIS_CHARSET;  // the system's own charset
    else
        choice.charset = f.charsets.front();
    choice.embolden = weight >= FW_SEMIBOLD && f.weight < FW_SEMIBOLD;
    choice.oblique = log.lfItalic != 0 && !f.italic;
    return choice;
}

const char* CharsetScript(BYTE charset) {
    for (const CodePageBit& bit : kCodePageBits)
        if (bit.charset == charset) return bit.script;
    return "";
}

UINT CharsetCodePage(BYTE charset) {
    if (charset == DEFAULT_CHARSET) return 932;
    for (const CodePageBit& bit : kCodePageBits)
        if (bit.charset == charset && CodePageResolve(bit.codePage) != 0) return bit.codePage;
    return 1252;
}

bool AddFaceFile(const char* utf8Path) {
    BuildTableOnce();
    if (!utf8Path) return false;
    const auto* file = reinterpret_cast<const FcChar8*>(utf8Path);
    int count = 0;
    FcPattern* pattern = FcFreeTypeQuery(file, 0, nullptr, &count);
    if (!pattern) return false;
    FcConfigAppFontAddFile(nullptr, file);
    AddPattern(pattern, true);
    FcPatternDestroy(pattern);
    const std::string path = RealPath(utf8Path);
    for (const Face& f : AllFaces())
        if (f->file == path) return true;
    return false;
}

void RemoveAddedFaces() {
    Table& t = TheTable();
    std::lock_guard<std::mutex> lock(t.mutex);
    if (std::erase_if(t.faces, [](const Face& f) { return f->added; }) > 0)
        FcConfigAppFontClear(nullptr);
}

std::mutex& FreeTypeMutex() {
    static std::mutex* mutex = new std::mutex;
    return *mutex;
}

FT_Library FreeTypeLibrary() {
    static FT_Library library = [] {
        FT_Library made = nullptr;
        FT_Init_FreeType(&made);
        return made;
    }();
    return library;
}

}  // namespace platform::gdi
