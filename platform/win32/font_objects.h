// Fonts in the GDI object table: an HFONT keeps the LOGFONTA it was made from
// and, once realised, its face at a pixel size in an FT_Face of its own (never
// shared: a font may be made and used on a load worker while another thread
// uses another font).
#pragma once

#include <memory>
#include <mutex>

#include "font_faces.h"
#include "gdi_objects.h"

namespace platform::gdi {

struct Font : GdiObject {
    LOGFONTA log{};
    DWORD Type() const override { return OBJ_FONT; }
    ~Font() override;

    // Chooses the face and opens it at its pixel size, once (the stock font
    // on first use, others at creation). False when no face can be opened.
    bool Realise();

    // Valid once Realise returned true.
    FaceChoice choice;
    int ppem = 0;
    FT_Face face = nullptr;  // used only under FreeTypeMutex()
    bool counted = false;    // counted among the live HFONTs

  private:
    std::once_flag realiseOnce_;
    bool realised_ = false;
};

// The realised font selected into a DC; null for a bad DC (ERROR_INVALID_HANDLE)
// or a font without a face.
std::shared_ptr<Font> SelectedFont(HDC dc);

// The stock SYSTEM_FONT: the default Japanese gothic face at cell 16.
std::shared_ptr<GdiObject> NewStockFont();

// The pixel size a LOGFONTA height asks of a face: a positive height is the
// cell (ascent plus descent), met by the largest size whose cell does not
// exceed it; a negative one the em, 0 the cell 16. 0 when out of range.
int PixelsPerEm(const FaceInfo& face, LONG height);

// How the metrics of a face are asked for.
struct MetricsStyle {
    int weight = FW_NORMAL;
    bool italic = false, underline = false, strikeOut = false, embolden = false;
    BYTE charset = ANSI_CHARSET;
};
// tmHeight at a pixel size: the scaled Windows ascent plus descent.
LONG CellHeightAt(const FaceInfo& face, int ppem);
void FillTextMetrics(const FaceInfo& face, int ppem, const MetricsStyle& style, TEXTMETRICA* out);
MetricsStyle StyleOf(const Font& font);

// Test hooks (font_knobs.cpp).
bool FontKnobRefusesCreate(const LOGFONTA& log);  // counts the call, uses up a refusal
bool FontKnobRefusesGlyph(UINT code);
void FontKnobCountGlyph(bool sizeOnly);
void FontKnobLive(int delta);
void ResetFontKnobs();

}  // namespace platform::gdi
