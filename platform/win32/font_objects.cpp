// HFONTs: CreateFontA / CreateFontIndirectA, the stock font and the pixel
// size of a height. CreateFontA never fails for a name: the mapper always
// substitutes an installed face.
#include "font_objects.h"

#include <cstdlib>
#include <cstring>

#include "win_kernel.h"

namespace platform::gdi {

namespace {
constexpr int kMaxPixelsPerEm = 4096;  // larger glyphs would be bitmaps of many megabytes
constexpr int kDefaultCell = 16;
// The default face of a Japanese system ("MS Gothic" in code page 932).
constexpr char kDefaultFace[] = "\x82\x6C\x82\x72\x20\x83\x53\x83\x56\x83\x62\x83\x4E";
}  // namespace

Font::~Font() {
    if (face) {
        std::lock_guard<std::mutex> lock(FreeTypeMutex());
        FT_Done_Face(face);
    }
    if (counted) FontKnobLive(-1);
}

bool Font::Realise() {
    std::call_once(realiseOnce_, [this] {
        choice = ChooseFace(log);
        if (!choice.face) return;
        ppem = PixelsPerEm(*choice.face, log.lfHeight);
        if (ppem == 0) return;
        std::lock_guard<std::mutex> lock(FreeTypeMutex());
        if (FT_New_Face(FreeTypeLibrary(), choice.face->file.c_str(), choice.face->index, &face) !=
            0) {
            face = nullptr;
            return;
        }
        if (FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(ppem)) != 0) return;
        realised_ = true;
    });
    return realised_;
}

std::shared_ptr<Font> SelectedFont(HDC dc) {
    HGDIOBJ handle = GetCurrentObject(dc, OBJ_FONT);
    if (!handle) return nullptr;
    auto font = GetAs<Font>(handle);
    if (!font || !font->Realise()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return font;
}

std::shared_ptr<GdiObject> NewStockFont() {
    auto font = std::make_shared<Font>();
    font->log.lfHeight = kDefaultCell;
    font->log.lfWeight = FW_NORMAL;
    font->log.lfCharSet = SHIFTJIS_CHARSET;
    std::memcpy(font->log.lfFaceName, kDefaultFace, sizeof(kDefaultFace));
    return font;
}

int PixelsPerEm(const FaceInfo& face, LONG height) {
    const int64_t cell = height == 0 ? kDefaultCell : height;
    int64_t ppem;
    if (cell < 0) {
        ppem = -cell;
    } else {
        const int64_t design = face.winAscent + face.winDescent > 0
                                   ? face.winAscent + face.winDescent
                                   : face.unitsPerEm;
        ppem = (2 * cell * face.unitsPerEm + design) / (2 * design);  // rounded
        if (ppem < 1) ppem = 1;
        // The mapper never gives a taller cell than asked: ascent and descent
        // round apart, so the rounded em can overshoot by a pixel.
        if (face.winAscent + face.winDescent > 0 && ppem <= kMaxPixelsPerEm) {
            while (ppem > 1 && CellHeightAt(face, static_cast<int>(ppem)) > cell) --ppem;
            while (ppem < kMaxPixelsPerEm && CellHeightAt(face, static_cast<int>(ppem) + 1) <= cell)
                ++ppem;
        }
    }
    return ppem > kMaxPixelsPerEm ? 0 : static_cast<int>(ppem);
}

MetricsStyle StyleOf(const Font& font) {
    MetricsStyle style;
    style.weight = font.log.lfWeight <= 0 ? FW_NORMAL : font.log.lfWeight;
    style.italic = font.log.lfItalic != 0;
    style.underline = font.log.lfUnderline != 0;
    style.strikeOut = font.log.lfStrikeOut != 0;
    style.embolden = font.choice.embolden;
    style.charset = font.choice.charset;
    return style;
}

}  // namespace platform::gdi

using namespace platform::gdi;

HFONT WINAPI CreateFontIndirectA(const LOGFONTA* log) {
    if (!log) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (FontKnobRefusesCreate(*log)) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    // No caller draws rotated or stretched text.
    if (log->lfWidth != 0 || log->lfEscapement != 0 || log->lfOrientation != 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto font = std::make_shared<Font>();
    font->log = *log;
    const std::string name = FaceNameOf(*log);
    std::memset(font->log.lfFaceName, 0, LF_FACESIZE);
    std::memcpy(font->log.lfFaceName, name.data(), name.size());
    if (!font->Realise()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    font->counted = true;
    FontKnobLive(1);
    return static_cast<HFONT>(AddObject(font));
}

HFONT WINAPI CreateFontA(int height, int width, int escapement, int orientation, int weight,
                         DWORD italic, DWORD underline, DWORD strikeOut, DWORD charSet,
                         DWORD outPrecision, DWORD clipPrecision, DWORD quality,
                         DWORD pitchAndFamily, LPCSTR faceName) {
    LOGFONTA log{};
    log.lfHeight = height;
    log.lfWidth = width;
    log.lfEscapement = escapement;
    log.lfOrientation = orientation;
    log.lfWeight = weight;
    log.lfItalic = static_cast<BYTE>(italic);
    log.lfUnderline = static_cast<BYTE>(underline);
    log.lfStrikeOut = static_cast<BYTE>(strikeOut);
    log.lfCharSet = static_cast<BYTE>(charSet);
    log.lfOutPrecision = static_cast<BYTE>(outPrecision);
    log.lfClipPrecision = static_cast<BYTE>(clipPrecision);
    log.lfQuality = static_cast<BYTE>(quality);
    log.lfPitchAndFamily = static_cast<BYTE>(pitchAndFamily);
    if (faceName) std::memcpy(log.lfFaceName, faceName, strnlen(faceName, LF_FACESIZE - 1));
    return CreateFontIndirectA(&log);
}
