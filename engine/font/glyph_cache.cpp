// The glyph rasteriser and text cache: a ring of square cells, one glyph
// each, in a texture (the cache graphic) or in plain memory. Characters are
// rendered through GetGlyphOutlineA at 1x, 4x or 8x, reduced to the font's
// levels, given their edge and stored in the next cell.
#include <algorithm>
#include <cstring>
#include <vector>

#include "core/tracked_memory.h"
#include "font/font_records.h"
#include "graphics/display_modes.h"
#include "graphics/graphic_create_params.h"
#include "graphics/graphic_fill.h"
#include "graphics/graphic_handles.h"
#include "graphics/graphic_loading.h"
#include "graphics/graphic_transfer.h"
#include "image/pixel_conversion.h"

namespace DuRud {
namespace {

constexpr MAT2 kIdentity = {{0, 1}, {0, 0}, {0, 0}, {0, 1}};

// Edge discs of widths 2 to 4, row by row.
const char* const kDisc2[] = {".###.", "#####", "#####", "#####", ".###."};
const char* const kDisc3[] = {"...#...", ".#####.", ".#####.", "#######",
                              ".#####.", ".#####.", "...#..."};
const char* const kDisc4[] = {"..#####..", ".#######.", "#########", "#########", "#########",
                              "#########", "#########", ".#######.", "..#####.."};

// Whether the edge mask of the width covers (dx, dy) from its centre.
bool InEdgeMask(int width, int dx, int dy, bool texture) {
    if (width == 1) return texture || dx == 0 || dy == 0;
    const char* const* disc = width == 2   ? kDisc2
                              : width == 3 ? kDisc3
                              : width == 4 ? kDisc4
                                           : nullptr;
    if (!disc) return true;
    return disc[dy + width][dx + width] == '#';
}

// The glyph's levels over its box, 0 to top (1 for one-bit glyphs).
struct GlyphLevels {
    int width = 0, height = 0;
    int top = 1;
    std::vector<uint8_t> levels;  // width x height
    uint8_t At(int x, int y) const { return levels[static_cast<size_t>(y) * width + x]; }
};

bool IsSpace(const CharRecord& c) {
    return (c.bytes[0] == 0x20 && c.bytes[1] == 0) || (c.bytes[0] == 0x81 && c.bytes[1] == 0x40);
}

bool DoubleByte(const CharRecord& c) {
    return c.bytes[1] != 0;
}

// Levels of one glyph from GDI's bitmap; the bitmap is fetched below
// padRows rows of zeros so that blocks that start above it read zeros.
void ReduceBitmap(const uint8_t* bitmap, int pitch, int boxWidth, int boxHeight, int scale, int r,
                  int levelsWanted, GlyphLevels* out) {
    const uint8_t* bits = FontBitCounts();
    out->top = levelsWanted - 1;
    const int evenWidth = (out->width + 1) / 2 * 2;
    for (int oy = 0; oy < out->height; ++oy) {
        const int firstRow = oy * scale - r;
        for (int ox = 0; ox < evenWidth && ox < out->width; ++ox) {
            int sum = 0;
            for (int k = 0; k < scale; ++k) {
                const int row = firstRow + k;
                if (row >= boxHeight) break;  // a partial last block
                if (row < 0) continue;        // the zero rows above
                const uint8_t* line = bitmap + static_cast<ptrdiff_t>(row) * pitch;
                if (scale == 4) {
                    const uint8_t byte = line[ox / 2];
                    sum += bits[ox % 2 == 0 ? byte >> 4 : byte & 0x0F];
                } else {
                    sum += bits[line[ox]];
                }
            }
            if (scale == 4 && levelsWanted == 65) sum *= 4;
            if (scale == 8 && levelsWanted == 17) sum /= 4;
            out->levels[static_cast<size_t>(oy) * out->width + ox] = static_cast<uint8_t>(sum);
        }
    }
    (void)boxWidth;
}

void ReadLevels(const uint8_t* bitmap, int pitch, int grey, GlyphLevels* out) {
    out->top = grey;
    for (int y = 0; y < out->height; ++y)
        for (int x = 0; x < out->width; ++x) {
            const uint8_t* line = bitmap + static_cast<ptrdiff_t>(y) * pitch;
            out->levels[static_cast<size_t>(y) * out->width + x] =
                grey ? line[x] : (line[x / 8] >> (7 - x % 8)) & 1;
        }
}

uint32_t WhiteMasks(const ColorFormat& f) {
    return f.redMask | f.greenMask | f.blueMask;
}

void PutPixel(BaseImage* image, int x, int y, uint32_t value) {
    if (x < 0 || y < 0 || x >= image->width || y >= image->height) return;
    uint8_t* p = static_cast<uint8_t*>(image->pixels) + static_cast<ptrdiff_t>(y) * image->pitch +
                 x * image->colorFormat.bytesPerPixel;
    WritePixelValue(p, image->colorFormat.bytesPerPixel, value);
}

// The texture value of level x out of top.
uint32_t TextureValue(const ColorFormat& f, int x, int top, bool edged) {
    const uint32_t white = WhiteMasks(f);
    if (x <= 0) return white;
    if (top == 1) return white | f.alphaMask;
    const int shift = f.alphaShift + f.alphaWidth;
    if (top == 64)
        return white | (edged ? static_cast<uint32_t>(x * 255 / 64) << f.alphaShift
                              : static_cast<uint32_t>(x - 1) << (shift - 6));
    return white | ((static_cast<uint32_t>(x) << (shift - 4)) - 1);
}

void StoreInTexture(FontRecord* r, const GlyphLevels& g, int cellX, int cellY, int boxW, int boxH) {
    const ColorFormat& f = r->cacheImage.colorFormat;
    const int e = FontEdged(r->type) ? r->edgeWidth : 0;
    const int x0 = cellX + 1, y0 = cellY + 1;
    if (!e) {
        for (int y = 0; y < std::min(g.height, boxH); ++y)
            for (int x = 0; x < std::min(g.width, boxW); ++x)
                PutPixel(&r->cacheImage, x0 + x, y0 + y, TextureValue(f, g.At(x, y), g.top, false));
        return;
    }
    const int w = g.width + 2 * e, h = g.height + 2 * e;
    std::vector<int> body(static_cast<size_t>(w) * h, 0), edge(body.size(), 0);
    const int top = g.top;
    for (int y = 0; y < g.height; ++y)
        for (int x = 0; x < g.width; ++x) {
            const int v = g.At(x, y);
            if (!v) continue;
            body[static_cast<size_t>(y + e) * w + x + e] = v;
            for (int dy = -e; dy <= e; ++dy)
                for (int dx = -e; dx <= e; ++dx) {
                    if (!InEdgeMask(e, dx, dy, true)) continue;
                    int& level = edge[static_cast<size_t>(y + e + dy) * w + x + e + dx];
                    level = level + (top - level) * v / top;
                }
        }
    for (int y = 0; y < std::min(h, boxH); ++y)
        for (int x = 0; x < std::min(w, boxW); ++x) {
            const int b = body[static_cast<size_t>(y) * w + x];
            const int ed = edge[static_cast<size_t>(y) * w + x];
            const uint32_t bodyValue =
                b == top ? WhiteMasks(f) | f.alphaMask : TextureValue(f, b, top, true);
            const uint32_t edgeValue = b == top ? WhiteMasks(f) : TextureValue(f, ed, top, true);
            PutPixel(&r->cacheImage, x0 + x, y0 + y, bodyValue);
            PutPixel(&r->cacheImage, x0 + x + r->cacheWidth, y0 + y, edgeValue);
        }
}

void StoreInMemory(FontRecord* r, const GlyphLevels& g, int cellY, int boxW, int boxH) {
    uint8_t* cell = r->memoryPixels + static_cast<ptrdiff_t>(cellY) * r->memoryPitch;
    auto byteAt = [&](int x, int y) -> uint8_t& {
        return cell[static_cast<ptrdiff_t>(y) * r->memoryPitch + x];
    };
    if (r->type == 0) {
        for (int y = 0; y < std::min(g.height, boxH); ++y)
            for (int x = 0; x < std::min(g.width, boxW); ++x)
                if (g.At(x, y)) cell[y * r->memoryPitch + x / 8] |= 0x80 >> (x % 8);
        return;
    }
    const int e = FontEdged(r->type) ? r->edgeWidth : 0;
    for (int y = 0; y < g.height; ++y)
        for (int x = 0; x < g.width; ++x) {
            const int v = g.At(x, y);
            const int bx = x + e, by = y + e;
            if (!v || bx >= boxW || by >= boxH) continue;
            if (r->type == 1) {
                byteAt(bx, by) = 1;
            } else if (!e) {
                byteAt(bx, by) = static_cast<uint8_t>(v - 1);
                continue;
            } else {
                byteAt(bx, by) = static_cast<uint8_t>((byteAt(bx, by) & 0xF0) | (v - 1));
            }
            for (int dy = -e; dy <= e; ++dy)
                for (int dx = -e; dx <= e; ++dx) {
                    const int px = bx + dx, py = by + dy;
                    if (!InEdgeMask(e, dx, dy, false) || px >= boxW || py >= boxH) continue;
                    uint8_t& p = byteAt(px, py);
                    if (r->type == 1) {
                        if (p != 1) p = 2;
                    } else if ((p >> 4) < v - 1) {
                        p = static_cast<uint8_t>((p & 0x0F) | (v - 1) << 4);
                    }
                }
        }
}

// Copies the cell from the cache image into the cache graphic (both halves
// of an edged font). The whole cell goes, not only the new box: the cell was
// cleared, and a turned glyph's clip reaches a pixel past its box, where the
// evicted glyph would otherwise still show.
void UploadCell(FontRecord* r, int cellX, int cellY, bool fromWorker) {
    auto copy = [&](int x, int y, int halfEnd) {
        RECT rect{x, y, std::min(x + r->cellWidth, halfEnd),
                  std::min(y + r->cellWidth, r->cacheImage.height)};
        TransferImageToGraphic(r->cacheGraphic, &rect, x, y, &r->cacheImage, nullptr, 0, 0,
                               fromWorker ? 1 : 0, fromWorker ? 1 : 0);
    };
    copy(cellX + 1, cellY + 1, r->cacheWidth);
    if (FontEdged(r->type)) copy(cellX + 1 + r->cacheWidth, cellY + 1, 2 * r->cacheWidth);
}

void ClearCell(FontRecord* r, int cellIndex) {
    const int cellX = cellIndex / r->cellsPerColumn * r->cellWidth;
    const int cellY = cellIndex % r->cellsPerColumn * r->cellWidth;
    if (!r->usesTexture) {
        std::memset(r->memoryPixels + static_cast<ptrdiff_t>(cellY) * r->memoryPitch, 0,
                    static_cast<size_t>(r->cellWidth) * r->memoryPitch);
        return;
    }
    ClearBaseImageRect(&r->cacheImage, cellX, cellY, r->cellWidth, r->cellWidth);
    if (FontEdged(r->type))
        ClearBaseImageRect(&r->cacheImage, cellX + r->cacheWidth, cellY, r->cellWidth,
                           r->cellWidth);
}

// Renders one character into the slot at the next index. False when GDI
// failed on it (logged; nothing cached).
bool RasterizeOne(FontRecord* r, HDC dc, const TEXTMETRICA& metrics, const CharRecord& c,
                  bool fromWorker, GlyphSlot** last) {
    GlyphSlot* slot = &r->slots[r->nextSlot];
    if (slot->inUse && slot->entry) {
        slot->entry->cached = 0;
        slot->entry->slot = nullptr;
        slot->entry = nullptr;
        slot->inUse = 0;
    }
    ClearCell(r, slot->cellIndex);
    const int scale = FontScale(r->type);
    const bool oneBit = !(r->type == 2 || r->type == 3);
    const int levelsWanted = r->textureBits == 32 ? 65 : 17;
    const UINT format = oneBit               ? GGO_BITMAP
                        : levelsWanted == 65 ? GGO_GRAY8_BITMAP
                                             : GGO_GRAY4_BITMAP;
    const UINT code = DoubleByte(c) ? (c.bytes[0] << 8 | c.bytes[1]) : c.bytes[0];
    GLYPHMETRICS gm{};
    const DWORD size = GetGlyphOutlineA(dc, code, format, &gm, 0, nullptr, &kIdentity);
    if (size == GDI_ERROR) {
        FontLog(Cp932Text("GetGlyphOutline 関数が失敗しました\n"));
        return false;
    }
    const int e = FontEdged(r->type) ? r->edgeWidth : 0;
    const int cellX = slot->cellIndex / r->cellsPerColumn * r->cellWidth;
    const int cellY = slot->cellIndex % r->cellsPerColumn * r->cellWidth;
    if (IsSpace(c) || size == 0) {
        // A space, or a glyph without ink: an advance, no pixels.
        slot->width = slot->height = 0;
        const int rounding = IsSpace(c) ? scale / 2 : scale / 4;
        slot->advance = static_cast<int16_t>((gm.gmCellIncX + rounding) / scale);
        if (!IsSpace(c)) slot->xOffset = slot->yOffset = 0;
    } else {
        const int boxHeight = static_cast<int>(gm.gmBlackBoxY);
        const int pitch = boxHeight > 0 ? static_cast<int>(size) / boxHeight : 0;
        const int padRows = std::max(boxHeight + 1, scale);
        const size_t bytes = static_cast<size_t>(padRows + 1) * pitch + size;
        auto* buffer =
            static_cast<uint8_t*>(TrackedCalloc(static_cast<uint32_t>(bytes), __FILE__, __LINE__));
        if (!buffer) FatalExit(Cp932Text("アンチエイリアス文字取得用バッファの確保に失敗しました"));
        uint8_t* bitmap = buffer + static_cast<ptrdiff_t>(padRows) * pitch;
        if (GetGlyphOutlineA(dc, code, format, &gm, size, bitmap, &kIdentity) == GDI_ERROR) {
            FontLog(Cp932Text("GetGlyphOutline 関数が失敗しました\n"));
            TrackedFree(buffer);
            return false;
        }
        const int ascentOffset = metrics.tmAscent - gm.gmptGlyphOrigin.y;
        int yOffset = ascentOffset / scale, rest = ascentOffset % scale;
        if (rest < 0) yOffset -= 1, rest += scale;  // floor division keeps the top rows
        GlyphLevels g;
        g.width = (static_cast<int>(gm.gmBlackBoxX) + scale - 1) / scale;
        g.height = (boxHeight + rest + scale - 1) / scale;
        g.levels.assign(static_cast<size_t>(g.width) * g.height, 0);
        if (scale == 1)
            ReadLevels(bitmap, pitch, oneBit ? 0 : (levelsWanted == 65 ? 64 : 16), &g);
        else
            ReduceBitmap(bitmap, pitch, static_cast<int>(gm.gmBlackBoxX), boxHeight, scale, rest,
                         levelsWanted, &g);
        if (oneBit && scale == 1) g.top = 1;
        TrackedFree(buffer);

        slot->xOffset = static_cast<int16_t>((gm.gmptGlyphOrigin.x + scale / 4) / scale);
        slot->yOffset = static_cast<int16_t>(yOffset);
        slot->advance = static_cast<int16_t>((gm.gmCellIncX + scale / 4) / scale);
        // The box stays inside its cell (the texture cell starts a pixel in).
        const int room = r->cellWidth - (r->usesTexture ? 1 : 0);
        const int boxW = std::min(g.width + 2 * e, room);
        const int boxH = std::min(g.height + 2 * e, room);
        if (r->usesTexture) {
            StoreInTexture(r, g, cellX, cellY, boxW, boxH);
            UploadCell(r, cellX, cellY, fromWorker);
        } else {
            StoreInMemory(r, g, cellY, boxW, boxH);
        }
        slot->width = static_cast<int16_t>(boxW - 2 * e);
        slot->height = static_cast<int16_t>(boxH - 2 * e);
    }
    slot->width = static_cast<int16_t>(slot->width + 2 * e);
    slot->height = static_cast<int16_t>(slot->height + 2 * e);
    slot->advance = static_cast<int16_t>(slot->advance + 2 * e);
    GlyphCodeEntry* entry = &r->codes[c.Code()];
    entry->cached = 1;
    entry->slot = slot;
    slot->entry = entry;
    slot->inUse = 1;
    r->nextSlot = (r->nextSlot + 1) % r->capacity;
    *last = slot;
    return true;
}

}  // namespace

int ResetFontCache(Handle font, int asynchronous) {
    FontRecord* r = asynchronous ? GetFontRecordAny(font) : GetFontRecord(font);
    if (!r) return -1;
    std::memset(r->codes, 0, sizeof(r->codes));
    std::memset(r->slots, 0, sizeof(r->slots));
    for (int i = 0; i < r->capacity; ++i) r->slots[i].cellIndex = i;
    r->slots[r->capacity].cellIndex = -1;
    r->nextSlot = 0;
    return 0;
}

int SetUpFontCacheGraphics(Handle font, int asynchronous) {
    FontRecord* r = asynchronous ? GetFontRecordAny(font) : GetFontRecord(font);
    if (!r || r->cacheLost != 1) return 0;
    r->cacheLost = 0;
    // Whatever of the old pair the graphics layer left goes now.
    if (r->edgeCacheGraphic != -1) DeleteGraphic(r->edgeCacheGraphic);
    if (r->cacheGraphic != -1) DeleteGraphic(r->cacheGraphic);
    r->cacheGraphic = r->edgeCacheGraphic = -1;
    const bool smooth = FontSmooth(r->type), edged = FontEdged(r->type);
    GraphicCreateParams params{};
    FillGraphicCreateParams(&params, 0);
    params.words[kWordDrawTarget] = 0;
    params.words[kWordMipLevels] = 0;
    if (smooth) {
        params.words[kWordEmptyAlpha] = 1;
        params.words[kWordAlphaTest] = 0;
        params.words[kWordColorBits] = r->textureBits;
    } else {
        params.words[kWordAlphaTest] = 1;
        params.words[kWordEmptyAlpha] = 0;
        params.words[kWordColorBits] = 16;
    }
    const int width = r->cacheWidth * (edged ? 2 : 1);
    // The cache is a texture even where software drawing was asked for; the
    // setting is refused once the engine runs, so the answer is not needed.
    const int wanted = IsHardwareRenderingWanted();
    SetHardwareRenderingWanted(1);
    r->cacheGraphic = CreateEmptyGraphic(params, width, r->cacheHeight, 0, asynchronous);
    SetHardwareRenderingWanted(wanted);
    if (r->cacheGraphic == -1) {
        r->cacheLost = 1;  // tried again at the next draw
        return -1;
    }
    r->edgeCacheGraphic = edged ? CreateSubGraphicEx(r->cacheWidth, 0, r->cacheWidth,
                                                     r->cacheHeight, r->cacheGraphic, 1)
                                : -1;
    SetGraphicDeletedFlag(r->cacheGraphic, &r->cacheLost);
    FillGraphic(r->cacheGraphic, 255, 255, 255, 0, asynchronous);
    ResetFontCache(font, asynchronous);
    return 0;
}

int CountStringChars(const char* text, int length, int charSet, CharRecord* out) {
    int count = 0;
    for (int i = 0; i < length; ++count) {
        const auto first = static_cast<uint8_t>(text[i]);
        // A lead byte that ends the string is a character of its own.
        const bool pair = IsLeadByte(first, charSet) && i + 1 < length;
        const auto second = pair ? static_cast<uint8_t>(text[i + 1]) : uint8_t{0};
        if (out) out[count] = CharRecord{{first, second, 0}};
        i += pair ? 2 : 1;
    }
    return count;
}

int CacheStringGlyphs(int length, const char* text, Handle font, CharRecord* out, int* count) {
    FontRecord* r = GetFontRecord(font);
    if (!r || !text) return -1;
    const int textLength = StringLength(text);
    if (length < 0 || length > textLength) length = textLength;
    std::vector<CharRecord> local;
    if (!out) {
        local.resize(static_cast<size_t>(length) + 1);
        out = local.data();
    }
    const int n = CountStringChars(text, length, r->charSet, out);
    std::vector<CharRecord> fresh;
    for (int i = 0; i < n && static_cast<int>(fresh.size()) < r->capacity; ++i) {
        GlyphCodeEntry& entry = r->codes[out[i].Code()];
        if (entry.cached) continue;
        entry.cached = 1;  // a tag: listed once
        fresh.push_back(out[i]);
    }
    for (const CharRecord& c : fresh) r->codes[c.Code()].cached = 0;
    if (!fresh.empty()) RasterizeGlyphs(font, static_cast<int>(fresh.size()), fresh.data());
    if (count) *count = n;
    return 0;
}

GlyphSlot* RasterizeGlyphs(Handle font, int count, const CharRecord* chars) {
    if (!GetDirectDrawObject()) return nullptr;
    FontRecord* r = GetFontRecord(font);
    if (!r) return nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    if (!dc) FatalExit(Cp932Text("テキストキャッシュサーフェスのＤＣの取得に失敗しました"));
    HGDIOBJ old = SelectObject(dc, r->gdiFont);
    if (!old || old == HGDI_ERROR) {
        DeleteDC(dc);
        FatalExit(Cp932Text("テキストキャッシュサーフェスのＤＣの取得に失敗しました"));
    }
    TEXTMETRICA metrics{};
    GetTextMetricsA(dc, &metrics);
    GlyphSlot* last = nullptr;
    for (int i = 0; i < count; ++i) RasterizeOne(r, dc, metrics, chars[i], false, &last);
    SelectObject(dc, old);
    DeleteDC(dc);
    return last;
}

}  // namespace DuRud
