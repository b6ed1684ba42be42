// GetTextMetricsA: a face's design metrics at a pixel size. The height comes
// from the Windows ascent and descent, so a positive LOGFONTA height (the
// cell) gives back that height, and the internal leading tells the em apart.
#include <algorithm>
#include <cmath>

#include "font_objects.h"
#include "win_kernel.h"

namespace platform::gdi {

namespace {

LONG Scaled(long designUnits, int ppem, int unitsPerEm) {
    return static_cast<LONG>(std::lround(static_cast<double>(designUnits) * ppem / unitsPerEm));
}

// Whole pixels an emboldened glyph grows by (FreeType's strength is ppem / 24).
LONG EmboldenPixels(int ppem) {
    return (ppem * 64 / 24 + 63) / 64;
}

int UnitsPerEm(const FaceInfo& f) {
    return f.unitsPerEm > 0 ? f.unitsPerEm : 2048;
}

}  // namespace

LONG CellHeightAt(const FaceInfo& f, int ppem) {
    return Scaled(f.winAscent, ppem, UnitsPerEm(f)) + Scaled(f.winDescent, ppem, UnitsPerEm(f));
}

void FillTextMetrics(const FaceInfo& f, int ppem, const MetricsStyle& style, TEXTMETRICA* tm) {
    const int upem = UnitsPerEm(f);
    *tm = TEXTMETRICA{};
    tm->tmAscent = Scaled(f.winAscent, ppem, upem);
    tm->tmDescent = Scaled(f.winDescent, ppem, upem);
    tm->tmHeight = CellHeightAt(f, ppem);
    tm->tmInternalLeading = tm->tmHeight - ppem;
    const long hheaHeight = f.ascender - f.descender;
    const long external = std::max(0L, f.lineGap - ((f.winAscent + f.winDescent) - hheaHeight));
    tm->tmExternalLeading = Scaled(external, ppem, upem);
    tm->tmAveCharWidth = Scaled(f.avgWidth, ppem, upem);
    tm->tmMaxCharWidth =
        Scaled(f.xMax - f.xMin, ppem, upem) + (style.embolden ? EmboldenPixels(ppem) : 0);
    tm->tmWeight = style.embolden ? style.weight : f.weight;
    tm->tmOverhang = 0;
    tm->tmDigitizedAspectX = 96;
    tm->tmDigitizedAspectY = 96;
    tm->tmFirstChar = static_cast<BYTE>(std::min(f.firstChar, 0xFF));
    tm->tmLastChar = static_cast<BYTE>(std::min(f.lastChar, 0xFF));
    tm->tmDefaultChar = tm->tmFirstChar > 0 ? tm->tmFirstChar - 1 : 0;
    tm->tmBreakChar = ' ';
    tm->tmItalic = style.italic ? 0xFF : 0;
    tm->tmUnderlined = style.underline ? 0xFF : 0;
    tm->tmStruckOut = style.strikeOut ? 0xFF : 0;
    // TMPF_FIXED_PITCH set means the opposite: a variable pitch.
    tm->tmPitchAndFamily = static_cast<BYTE>(f.family | TMPF_VECTOR | TMPF_TRUETYPE |
                                             (f.fixedPitch ? 0 : TMPF_FIXED_PITCH));
    tm->tmCharSet = style.charset;
}

}  // namespace platform::gdi

using namespace platform::gdi;

BOOL WINAPI GetTextMetricsA(HDC dc, LPTEXTMETRICA metrics) {
    if (!metrics) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    auto font = SelectedFont(dc);
    if (!font) return FALSE;
    FillTextMetrics(*font->choice.face, font->ppem, StyleOf(*font), metrics);
    return TRUE;
}
