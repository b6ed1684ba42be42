// GetGlyphOutlineA over FreeType: metrics, one-bit bitmaps and 17- and
// 65-level grey bitmaps of one character, rows top-down, each padded to 4
// bytes. Glyphs load as outlines hinted by the TrueType driver alone, so a
// face without instructions keeps its exact outline; synthetic bold and
// italic change the outline before it is rendered, for the size query and
// the bitmap call alike.
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H

#include <cstring>
#include <string>
#include <vector>

#include "code_pages.h"
#include "font_objects.h"
#include "win_kernel.h"

namespace platform::gdi {

namespace {

bool IsIdentity(const MAT2& m) {
    return m.eM11.value == 1 && m.eM11.fract == 0 && m.eM12.value == 0 && m.eM12.fract == 0 &&
           m.eM21.value == 0 && m.eM21.fract == 0 && m.eM22.value == 1 && m.eM22.fract == 0;
}

// The glyph of a character code in the charset's code page; glyph 0 for a
// code that does not convert or a character the face lacks.
FT_UInt GlyphOf(FT_Face face, UINT code, BYTE charset) {
    std::string bytes;
    if (code < 0x100) {
        bytes.push_back(static_cast<char>(code));
    } else if (code <= 0xFFFF) {
        bytes.push_back(static_cast<char>(code >> 8));
        bytes.push_back(static_cast<char>(code & 0xFF));
    } else {
        return 0;
    }
    std::u16string wide;
    if (!CodePageDecode(CharsetCodePage(charset), bytes, true, wide) || wide.size() != 1) return 0;
    return FT_Get_Char_Index(face, wide[0]);
}

// One rendered glyph: its metrics and its bitmap in GDI's layout.
struct Rendered {
    GLYPHMETRICS metrics{};
    size_t pitch = 0;
    std::vector<BYTE> bits;  // rows * pitch bytes
};

bool Render(Font& font, UINT code, UINT format, Rendered* out) {
    std::lock_guard<std::mutex> lock(FreeTypeMutex());
    FT_Face face = font.face;
    const bool mono = format == GGO_BITMAP;
    const FT_UInt glyph = GlyphOf(face, code, font.log.lfCharSet);
    const FT_Int32 flags = FT_LOAD_NO_BITMAP | FT_LOAD_NO_AUTOHINT |
                           (mono ? FT_LOAD_TARGET_MONO : FT_LOAD_TARGET_NORMAL);
    if (FT_Load_Glyph(face, glyph, flags) != 0) return false;
    FT_GlyphSlot slot = face->glyph;
    if (font.choice.embolden) FT_GlyphSlot_Embolden(slot);
    if (font.choice.oblique) FT_GlyphSlot_Oblique(slot);
    if (FT_Render_Glyph(slot, mono ? FT_RENDER_MODE_MONO : FT_RENDER_MODE_NORMAL) != 0)
        return false;
    const FT_Bitmap& bitmap = slot->bitmap;
    GLYPHMETRICS& gm = out->metrics;
    gm.gmCellIncX = static_cast<short>((slot->advance.x + 32) >> 6);
    gm.gmCellIncY = 0;
    gm.gmptGlyphOrigin.x = slot->bitmap_left;
    gm.gmptGlyphOrigin.y = slot->bitmap_top;
    if (bitmap.width == 0 || bitmap.rows == 0) {  // an empty glyph: a 1 x 1 box and no bytes
        gm.gmBlackBoxX = 1;
        gm.gmBlackBoxY = 1;
        return true;
    }
    gm.gmBlackBoxX = bitmap.width;
    gm.gmBlackBoxY = bitmap.rows;
    if (format == GGO_METRICS) return true;
    out->pitch = mono ? (bitmap.width + 31) / 32 * 4 : (bitmap.width + 3) / 4 * 4;
    out->bits.assign(out->pitch * bitmap.rows, 0);
    const unsigned levels = format == GGO_GRAY4_BITMAP ? 16 : 64;
    for (unsigned y = 0; y < bitmap.rows; ++y) {
        const unsigned char* src = bitmap.buffer + static_cast<ptrdiff_t>(y) * bitmap.pitch;
        BYTE* dst = out->bits.data() + y * out->pitch;
        if (mono) {
            std::memcpy(dst, src, (bitmap.width + 7) / 8);
        } else {
            for (unsigned x = 0; x < bitmap.width; ++x)
                dst[x] = static_cast<BYTE>((src[x] * levels + 127) / 255);
        }
    }
    return true;
}

}  // namespace

}  // namespace platform::gdi

using namespace platform::gdi;

DWORD WINAPI GetGlyphOutlineA(HDC dc, UINT character, UINT format, LPGLYPHMETRICS metrics,
                              DWORD bufferSize, LPVOID buffer, const MAT2* matrix) {
    const bool sizeOnly = format == GGO_METRICS || !buffer || bufferSize == 0;
    FontKnobCountGlyph(sizeOnly);
    if (!metrics || !matrix ||
        (format != GGO_METRICS && format != GGO_BITMAP && format != GGO_GRAY4_BITMAP &&
         format != GGO_GRAY8_BITMAP)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return GDI_ERROR;
    }
    if (!IsIdentity(*matrix)) {  // no caller transforms glyphs
        SetLastError(ERROR_INVALID_PARAMETER);
        return GDI_ERROR;
    }
    auto font = SelectedFont(dc);
    if (!font) return GDI_ERROR;
    if (FontKnobRefusesGlyph(character)) return GDI_ERROR;
    Rendered glyph;
    if (!Render(*font, character, format, &glyph)) return GDI_ERROR;
    const DWORD size = static_cast<DWORD>(glyph.bits.size());
    if (!sizeOnly && size > 0) {
        if (bufferSize < size) {
            SetLastError(ERROR_INSUFFICIENT_BUFFER);
            return GDI_ERROR;
        }
        std::memcpy(buffer, glyph.bits.data(), size);
    }
    *metrics = glyph.metrics;
    return size;
}
