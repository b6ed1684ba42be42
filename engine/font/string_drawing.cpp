// String drawing: one line of text laid out through a font's glyph cache and
// put on the draw target, through the cache texture on the Direct3D device
// or pixel by pixel into a MEMIMG that the software renderer composes onto
// the screen. The same layout measures strings.
#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstring>
#include <numbers>
#include <vector>

#include "font/font_records.h"
#include "graphics/device_setup.h"
#include "graphics/display_modes.h"
#include "graphics/draw_settings.h"
#include "graphics/masked_draw.h"
#include "graphics/subtract_emulation.h"
#include "graphics/screen_state.h"
#include "graphics/software_draw.h"
#include "soft/memimg_renderer.h"
#include "window/main_window.h"

namespace DuRud {
namespace {

constexpr int kFormatBytes = 2048;
constexpr int kShortStringChars = 256;

// A colour under the draw brightness: the screen value and, for the
// texture road, the packed brightness.
struct TextColor {
    uint32_t value;
    uint32_t packed;
};

TextColor UnderBrightness(uint32_t color) {
    const DrawSettings& d = GetDrawSettings();
    int r = 0, g = 0, b = 0;
    SplitColorValue(color, &r, &g, &b);
    r = r * d.brightRed / 255;
    g = g * d.brightGreen / 255;
    b = b * d.brightBlue / 255;
    const uint32_t value = MakeColorValue(r, g, b) & ~MakeColorValue(0, 0, 0);
    return {value, 0xFF000000u | static_cast<uint32_t>(r) << 16 | static_cast<uint32_t>(g) << 8 |
                       static_cast<uint32_t>(b)};
}

bool Blank(const CharRecord& c, const GlyphSlot& s) {
    return (c.bytes[0] == 0x20 && c.bytes[1] == 0) || (c.bytes[0] == 0x81 && c.bytes[1] == 0x40) ||
           (s.width == 0 && s.height == 0);
}

// What the texture road changes per glyph, put back after it.
struct SavedDrawState {
    int blendGraphic, blendType, blendParameter1, blendParameter2;
    int red, green, blue;
};

// Each glyph sets only what differs from the settings in force: a setter
// that changes nothing still marks the draw state changed, and the next
// glyph would then work the whole device state out again for nothing.
SavedDrawState SaveAndClearBlendGraphic() {
    const DrawSettings& d = GetDrawSettings();
    SavedDrawState s{d.blendGraphic, d.blendType,   d.blendParameter1, d.blendParameter2,
                     d.brightRed,    d.brightGreen, d.brightBlue};
    if (d.blendGraphic != -1) SetBlendSourceGraphic(-1, 0, 0, 0);
    return s;
}

void SetGlyphBrightness(uint32_t packed) {
    const DrawSettings& d = GetDrawSettings();
    if (d.brightRed != static_cast<uint8_t>(packed >> 16) ||
        d.brightGreen != static_cast<uint8_t>(packed >> 8) ||
        d.brightBlue != static_cast<uint8_t>(packed))
        SetBrightnessColor(packed);
}

void Restore(const SavedDrawState& s) {
    const DrawSettings& d = GetDrawSettings();
    if (s.blendGraphic != d.blendGraphic)
        SetBlendSourceGraphic(s.blendGraphic, s.blendType, s.blendParameter1, s.blendParameter2);
    if (s.red != d.brightRed || s.green != d.brightGreen || s.blue != d.brightBlue)
        SetBrightness(s.red, s.green, s.blue);
}

// The glyph a quarter turn clockwise into the box from column X - h to X
// and row Y to Y + w: the whole graphic is turned about its centre so that
// the cell lands there, clipped to the box.
void DrawTurnedGlyph(Handle graphic, int X, int Y, int srcX, int srcY, int w, int h) {
    const DrawSettings& d = GetDrawSettings();
    const int saved[4] = {d.areaX1, d.areaY1, d.areaX2, d.areaY2};
    const int left = std::max(X - h - 1, saved[0]), top = std::max(Y, saved[1]);
    const int right = std::min(X + 1, saved[2]), bottom = std::min(Y + w, saved[3]);
    if (right <= left || bottom <= top) return;
    int width = 0, height = 0;
    QueryGraphicSize(graphic, &width, &height);
    SetDrawClip(left, top, right, bottom);
    DrawGraphicRotated(X + srcY - height / 2, Y - srcX + width / 2, 1.0, std::numbers::pi / 2,
                       graphic, 1, 0);
    SetDrawClip(saved[0], saved[1], saved[2], saved[3]);
}

void DrawGlyphHardware(const FontRecord& r, int x, int y, int srcX, int srcY, const GlyphSlot& s,
                       const TextColor& color, const TextColor& edge, int vertical) {
    const SavedDrawState saved = SaveAndClearBlendGraphic();
    const bool edged = FontEdged(r.type) && r.edgeCacheGraphic != -1;
    if (!vertical) {
        if (edged) {
            SetGlyphBrightness(edge.packed);
            DrawGraphicPart(x, y, srcX, srcY, s.width, s.height, r.edgeCacheGraphic, 1, 0);
        }
        SetGlyphBrightness(color.packed);
        DrawGraphicPart(x, y, srcX, srcY, s.width, s.height, r.cacheGraphic, 1, 0);
    } else {
        if (edged) {
            SetGlyphBrightness(edge.packed);
            DrawTurnedGlyph(r.edgeCacheGraphic, x, y, srcX, srcY, s.width, s.height);
        }
        SetGlyphBrightness(color.packed);
        DrawTurnedGlyph(r.cacheGraphic, x, y, srcX, srcY, s.width, s.height);
    }
    Restore(saved);
}

// One cache pixel of the memory cache.
int CachePixel(const FontRecord& r, int x, int y) {
    const uint8_t* line = r.memoryPixels + static_cast<ptrdiff_t>(y) * r.memoryPitch;
    return r.memoryBits == 1 ? (line[x / 8] >> (7 - x % 8)) & 1 : line[x];
}

uint32_t Mix(uint32_t edge, uint32_t text, int t, int shift, int bits) {
    const int mask = (1 << bits) - 1;
    const int e = static_cast<int>(edge >> shift) & mask,
              c = static_cast<int>(text >> shift) & mask;
    return static_cast<uint32_t>(e + (c - e) * t / 256) << shift;
}

// The destination value of a cache pixel, or false for an empty one.
bool SoftwareValue(const FontRecord& r, int p, uint32_t text, uint32_t edge, bool wide,
                   bool sixteen, uint32_t* out) {
    if (p == 0) return false;
    switch (r.type) {
        case 0:
            *out = text;
            return true;
        case 1:
            *out = (p == 1 ? text : edge) & 0xFFFFFF;
            return true;
        case 2:
        case 18:
        case 34:
            if (!wide) return false;
            *out = sixteen ? static_cast<uint32_t>(p) << 20 | (text & 0xFFFF)
                           : static_cast<uint32_t>(p) << 28 | text;
            return true;
        default:
            break;
    }
    if (!wide) return false;
    const int b = p & 0x0F, e = p >> 4;
    uint32_t alpha = 0, rgb = 0;
    if (b == 15) {
        alpha = 0xFF, rgb = text;
    } else if (b > 0) {
        alpha = static_cast<uint32_t>((15 - b) * e + 16 * b);
        const int t = b * 4096 / static_cast<int>(alpha);
        rgb = sixteen
                  ? Mix(edge, text, t, 11, 5) | Mix(edge, text, t, 5, 6) | Mix(edge, text, t, 0, 5)
                  : Mix(edge, text, t, 16, 8) | Mix(edge, text, t, 8, 8) | Mix(edge, text, t, 0, 8);
    } else {
        alpha = static_cast<uint32_t>(16 * e), rgb = edge;
    }
    *out = sixteen ? alpha << 16 | (rgb & 0xFFFF) : alpha << 24 | (rgb & 0xFFFFFF);
    return true;
}

// Source pixel (c, r) of the glyph at (boxX + c, boxY + r), or turned: at
// column X - 1 - r, row Y + c.
void DrawGlyphSoftware(const FontRecord& r, MEMIMG* dest, const RECT& clip, int transparent, int x,
                       int y, int srcX, int srcY, const GlyphSlot& s, uint32_t text, uint32_t edge,
                       int vertical) {
    const int bits = QueryColorBits();
    if (bits != 32 && bits != 16 && bits != 8) return;
    if (bits == 8 && r.type > 1) return;
    const int bpp = GetMemImgBytesPerPixel(dest);
    const bool wide = bpp == 4;
    const bool sixteen = bits == 16;
    RECT box =
        vertical ? RECT{x - s.height, y, x, y + s.width} : RECT{x, y, x + s.width, y + s.height};
    box.left = std::max<LONG>({box.left, clip.left, 0});
    box.top = std::max<LONG>({box.top, clip.top, 0});
    box.right = std::min<LONG>({box.right, clip.right, dest->width});
    box.bottom = std::min<LONG>({box.bottom, clip.bottom, dest->height});
    if (box.right <= box.left || box.bottom <= box.top) return;
    const int pitch = dest->body->pitch;
    for (int dy = box.top; dy < box.bottom; ++dy)
        for (int dx = box.left; dx < box.right; ++dx) {
            const int col = vertical ? dy - y : dx - x;
            const int row = vertical ? x - 1 - dx : dy - y;
            uint32_t value = 0;
            const bool set = SoftwareValue(r, CachePixel(r, srcX + col, srcY + row), text, edge,
                                           wide || bits == 32, sixteen, &value);
            if (!set && transparent) continue;
            uint8_t* p = dest->pixels + static_cast<ptrdiff_t>(dy) * pitch + dx * bpp;
            if (bpp == 1) value &= 0xFF;
            WritePixelValue(p, bpp, set ? value : 0);
        }
}

int DrawStringHardware(int x, int y, uint32_t color, uint32_t edgeColor, int vertical, Handle font,
                       const char* text) {
    FontRecord* r = GetFontRecord(font);
    if (!r || !r->usesTexture) return 0;
    if (SetUpFontCacheGraphics(font, 0) != 0) return -1;  // nothing to draw from
    const DrawSettings& d = GetDrawSettings();
    const RECT clip{d.areaX1, d.areaY1, d.areaX2, d.areaY2};
    DrawStringThroughCache(1, x, y, 0, 1.0, 1.0, text, color, nullptr, &clip, 1, font, edgeColor,
                           -1, vertical, nullptr);
    return 0;
}

int DrawStringSoftware(int x, int y, const char* text, uint32_t color, Handle font,
                       uint32_t edgeColor, int vertical) {
    FontRecord* r = GetFontRecord(font);
    MEMIMG* screen = SoftwareDrawTarget();
    if (!r || !screen) return 0;
    SIZE size{};
    if (DrawStringThroughCache(0, 0, 0, 0, 1.0, 1.0, text, color, nullptr, nullptr, 1, font,
                               edgeColor, -1, vertical, &size) < 0)
        return 0;
    const ScreenState& s = GetScreenState();
    const RECT box{0, 0, std::min<LONG>(size.cx, s.screenWidth),
                   std::min<LONG>(size.cy, s.screenHeight)};
    const DrawSettings& d = GetDrawSettings();
    const RECT area{d.areaX1, d.areaY1, d.areaX2, d.areaY2};
    const bool smooth = FontSmooth(r->type);
    if (!smooth && (d.blendMode == 0 || (d.blendMode == 1 && d.blendParameter == 255))) {
        DrawStringThroughCache(1, x, y, 0, 1.0, 1.0, text, color, screen, &area, 1, font, edgeColor,
                               -1, vertical, nullptr);
        return 0;
    }
    MEMIMG* work = SoftwareWorkImage(smooth ? 1 : 0);
    if (!work || box.right <= 0 || box.bottom <= 0) return 0;
    uint32_t key = 0;
    if (!smooth) {
        const uint32_t mask = GetMemImgBytesPerPixel(work) == 2 ? 0xFFFF : 0xFFFFFFFF;
        const uint32_t text = UnderBrightness(color).value & mask;
        const uint32_t edge = UnderBrightness(edgeColor).value & mask;
        while (key == text || key == edge) ++key;
    }
    const RECT savedArea{MemImgDrawState.clipLeft, MemImgDrawState.clipTop,
                         MemImgDrawState.clipRight, MemImgDrawState.clipBottom};
    const uint32_t savedBright = MemImgDrawState.drawBright;
    SetMemImgDrawArea(&box);
    work->body->transparentColor = key;
    ClearMemImgRect(work, &box, key);
    DrawStringThroughCache(1, 0, 0, 0, 1.0, 1.0, text, color, work, &box, 1, font, edgeColor, -1,
                           vertical, nullptr);
    const RECT target{std::max<LONG>(x, savedArea.left), std::max<LONG>(y, savedArea.top),
                      std::min<LONG>(x + box.right, savedArea.right),
                      std::min<LONG>(y + box.bottom, savedArea.bottom)};
    SetMemImgDrawArea(&target);
    SetMemImgDrawBright(0xFFFFFF);
    MEMIMG view{};
    if (ViewMemImg(&view, work, 0, 0, box.right, box.bottom) == 0) {
        MemImgBlit(screen, &view, x, y, 1, nullptr);
        DropMemImg(&view);
    }
    SetMemImgDrawArea(&savedArea);
    SetMemImgDrawBright(savedBright);
    return 0;
}

// Grows the box by the rectangle (an empty box takes it whole).
void Unite(RECT* box, const RECT& r) {
    if (box->right <= box->left || box->bottom <= box->top) {
        *box = r;
        return;
    }
    box->left = std::min(box->left, r.left);
    box->top = std::min(box->top, r.top);
    box->right = std::max(box->right, r.right);
    box->bottom = std::max(box->bottom, r.bottom);
}

// The layout core; with ink, also the box the glyphs' pixels fill.
int LayOutString(int draw, int x, int y, int scaleFlag, double scaleX, double scaleY,
                 const char* text, uint32_t color, MEMIMG* dest, const RECT* clip, int transparent,
                 Handle font, uint32_t edgeColor, int length, int vertical, SIZE* sizeOut,
                 RECT* ink) {
    if (ink) *ink = RECT{};
    if (!GetDirectDrawObject()) return -1;
    FontRecord* r = GetFontRecord(font);
    if (!r) return -1;
    if ((!draw && !r->usesTexture) || (draw && !scaleFlag)) scaleX = scaleY = 1.0;
    const int shift = static_cast<int>(r->heightGrowth * scaleY) / 2;
    if (vertical)
        x -= shift;
    else
        y -= shift;
    const TextColor textColor = UnderBrightness(color), edge = UnderBrightness(edgeColor);
    if (sizeOut) *sizeOut = vertical ? SIZE{r->cellHeight, 0} : SIZE{0, r->cellHeight};
    if (!text || !text[0]) return 0;
    const int textLength = StringLength(text);
    if (length < 0 || length > textLength) length = textLength;
    // Short strings (every one this game draws) keep their characters on
    // the stack; longer ones get a buffer for the call.
    CharRecord shortChars[kShortStringChars + 1];
    std::vector<CharRecord> longChars;
    CharRecord* chars = shortChars;
    if (length > kShortStringChars) {
        longChars.resize(static_cast<size_t>(length) + 1);
        chars = longChars.data();
    }
    int count = 0;
    if (CacheStringGlyphs(length, text, font, chars, &count) != 0) return -1;
    double pen = 0.0;
    for (int i = 0; i < count; ++i) {
        const CharRecord& c = chars[i];
        GlyphCodeEntry* entry = &r->codes[c.Code()];
        if (!entry->cached && !RasterizeGlyphs(font, 1, &c)) {
            FontLog(Cp932Text("テキストキャッシュの作成に失敗しました"));
            return -1;
        }
        if (!entry->cached) {  // GDI could not render it: nothing to show
            continue;
        }
        const GlyphSlot& s = *entry->slot;
        if ((draw || ink) && !Blank(c, s)) {
            const int cellX = s.cellIndex / r->cellsPerColumn * r->cellWidth;
            const int cellY = s.cellIndex % r->cellsPerColumn * r->cellWidth;
            const int inset = r->usesTexture ? 1 : 0;
            const int at = static_cast<int>(pen);
            // Horizontal: the box's top-left. Vertical: its right edge X and top Y.
            const int gx = vertical ? x + r->cellHeight - s.yOffset : x + at + s.xOffset;
            const int gy = vertical ? y + at + s.xOffset : y + s.yOffset;
            if (ink)
                Unite(ink, vertical ? RECT{gx - s.height, gy, gx, gy + s.width}
                                    : RECT{gx, gy, gx + s.width, gy + s.height});
            if (draw && !dest)
                DrawGlyphHardware(*r, gx, gy, cellX + inset, cellY + inset, s, textColor, edge,
                                  vertical);
            else if (draw)
                DrawGlyphSoftware(*r, dest, *clip, transparent, gx, gy, cellX, cellY, s,
                                  textColor.value, edge.value, vertical);
        }
        pen += (s.advance + r->spacing) * (vertical ? scaleY : scaleX);
    }
    const int advance = static_cast<int>(pen);
    if (sizeOut) *sizeOut = vertical ? SIZE{r->cellHeight, advance} : SIZE{advance, r->cellHeight};
    return advance;
}

}  // namespace

int DrawStringThroughCache(int draw, int x, int y, int scaleFlag, double scaleX, double scaleY,
                           const char* text, uint32_t color, MEMIMG* dest, const RECT* clip,
                           int transparent, Handle font, uint32_t edgeColor, int length,
                           int vertical, SIZE* sizeOut) {
    return LayOutString(draw, x, y, scaleFlag, scaleX, scaleY, text, color, dest, clip, transparent,
                        font, edgeColor, length, vertical, sizeOut, nullptr);
}

int DrawTextWithFont(int x, int y, const char* text, uint32_t color, Handle font,
                     uint32_t edgeColor, int vertical) {
    if (!text || !text[0] || GetDrawSettings().areaEmpty) return 0;
    FontRecord* r = GetFontRecord(font);
    if (!r) {
        FontLog(Cp932Text("フォントハンドル値が異常です\n"));
        return -1;
    }
    if (!GetWindowActiveFlag()) {
        WaitWhileInactive();
        // A device rebuilt meanwhile made every font record anew.
        r = GetFontRecord(font);
        if (!r) {
            FontLog(Cp932Text("フォントハンドル値が異常です\n"));
            return -1;
        }
    }
    const DrawSettings& d = GetDrawSettings();
    const bool emulatedSubtract =
        d.blendMode == 3 && !GetDeviceResources().caps.blendOperation && r->usesTexture;
    const bool masked = IsMaskInUse() != 0;
    if (!emulatedSubtract && !masked)
        return r->usesTexture ? DrawStringHardware(x, y, color, edgeColor, vertical, font, text)
                              : DrawStringSoftware(x, y, text, color, font, edgeColor, vertical);
    // A start right of the draw area shows nothing (vertical text is moved
    // left by the line shift).
    const int g = r->heightGrowth / 2;
    if ((vertical ? x - g : x) >= d.areaX2) return 0;
    // The box is what the glyphs fill, edges and parts beyond the line's
    // height included: a pixel outside it would be added instead of
    // subtracted, or left on the mask's work surface.
    RECT box{};
    if (LayOutString(0, x, y, 0, 1.0, 1.0, text, color, nullptr, nullptr, 1, font, edgeColor, -1,
                     vertical, nullptr, &box) < 0)
        return -1;
    box.left = std::max<LONG>(box.left, d.areaX1);
    box.top = std::max<LONG>(box.top, d.areaY1);
    box.right = std::min<LONG>(box.right, d.areaX2);
    box.bottom = std::min<LONG>(box.bottom, d.areaY2);
    if (box.right <= box.left || box.bottom <= box.top) return 0;
    if (masked) BeginMaskedDraw(box.left, box.top, box.right, box.bottom);
    int result = 0;
    if (emulatedSubtract) {
        BeginSubtractEmulation(box.left, box.top, box.right, box.bottom);
        result = DrawStringHardware(x, y, color, edgeColor, vertical, font, text);
        EndSubtractEmulation(box.left, box.top, box.right, box.bottom);
    } else {
        result = r->usesTexture ? DrawStringHardware(x, y, color, edgeColor, vertical, font, text)
                                : DrawStringSoftware(x, y, text, color, font, edgeColor, vertical);
    }
    if (masked) EndMaskedDraw(box.left, box.top, box.right, box.bottom);
    return result;
}

int GetTextWidthWithFont(const char* text, int byteCount, Handle font, int vertical) {
    return DrawStringThroughCache(0, 0, 0, 0, 1.0, 1.0, text, 0, nullptr, nullptr, 0, font, 0,
                                  byteCount, vertical, nullptr);
}

int DrawFormattedText(int x, int y, uint32_t color, const char* format, ...) {
    char text[kFormatBytes];
    text[0] = '\0';
    va_list args;
    va_start(args, format);
    FormatStringV(text, sizeof(text), format, args);
    va_end(args);
    // Cut at the buffer's end, no double-byte character is split.
    const int length = StringLength(text);
    for (int i = 0; length == kFormatBytes - 1 && i < length;) {
        if (IsLeadByte(static_cast<unsigned char>(text[i]), GetEngineCharSet())) {
            if (i + 1 >= length) {
                text[i] = '\0';
                break;
            }
            i += 2;
        } else {
            i += 1;
        }
    }
    RebuildDefaultFont();
    return DrawTextWithFont(x, y, text, color, GetDefaultFontHandle(), 0, 0);
}

}  // namespace DuRud
