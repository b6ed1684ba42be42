// Font handles (type 8): start and end of the module, creation of a GDI
// font with its glyph cache (at once or on a loader thread), the default
// font the formatted-text call draws with, rebuilding every font after a
// device rebuild, and listing installed face names.
#include "font/font_handles.h"

#include <cmath>
#include <cstring>
#include <vector>

#include "core/async_loading.h"
#include "core/handle_manager.h"
#include "core/tracked_memory.h"
#include "font/font_records.h"
#include "graphics/display_modes.h"
#include "graphics/graphic_handles.h"
#include "graphics/graphic_transfer.h"
#include "graphics/graphics_startup.h"
#include "graphics/screen_state.h"
#include "window/main_window.h"

namespace DuRud {
namespace {

constexpr int kNameBytes = 64;
constexpr int kTemporaryNames = 4096;

struct DefaultFontSettings {
    char face[128];
    int size, thickness, type, charSet, edgeWidth, italic, spacing;
};

struct FontModule {
    int started = 0;
    DefaultFontSettings defaults{};
    Handle defaultFont = -1;
    FontCacheSettings cacheSettings{};
    uint8_t bitCounts[256] = {};
};

FontModule g_fonts;

void ResetDefaults() {
    DefaultFontSettings& d = g_fonts.defaults;
    d = {};
    d.size = 16;
    d.thickness = 6;
    d.type = 0;
    d.charSet = GetEngineCharSet();
    d.edgeWidth = 1;
}

// Engine char-set codes to GDI character sets.
int GdiCharSet(int engineCharSet) {
    switch (engineCharSet) {
        case 1:
            return SHIFTJIS_CHARSET;
        case 2:
            return HANGUL_CHARSET;
        case 3:
            return CHINESEBIG5_CHARSET;
        case 4:
            return GB2312_CHARSET;
        default:
            return DEFAULT_CHARSET;
    }
}

struct NameList {
    char* buffer;
    int maximum;  // 0: no limit
    int count;
};

int CALLBACK CollectName(const LOGFONTA* logFont, const TEXTMETRICA*, DWORD, LPARAM param) {
    auto* list = reinterpret_cast<NameList*>(param);
    const auto* full = reinterpret_cast<const ENUMLOGFONTEXA*>(logFont);
    char name[kNameBytes] = {};
    std::memcpy(name, full->elfFullName, kNameBytes - 1);
    if (name[0] == '@') return 1;
    for (int i = 0; i < list->count; ++i)
        if (std::strncmp(list->buffer + i * kNameBytes, name, kNameBytes) == 0) return 1;
    std::memcpy(list->buffer + list->count * kNameBytes, name, kNameBytes);
    list->count += 1;
    return list->maximum > 0 && list->count >= list->maximum ? 0 : 1;
}

void OnFontDeleted(FontRecord* r) {
    if (r->deletedFlag) *r->deletedFlag = 1;
    r->deletedFlag = nullptr;
}

void InitFontRecord(HandleHeader* header) {
    auto* r = reinterpret_cast<FontRecord*>(header);
    r->cacheGraphic = -1;
    r->edgeCacheGraphic = -1;
}

int TerminateFontRecord(HandleHeader* header) {
    auto* r = reinterpret_cast<FontRecord*>(header);
    if (r->gdiFont) DeleteObject(r->gdiFont);
    r->gdiFont = nullptr;
    TrackedFree(r->memoryPixels);
    r->memoryPixels = nullptr;
    // The edge graphic views the cache graphic: it goes first.
    if (r->edgeCacheGraphic != -1) DeleteGraphic(r->edgeCacheGraphic);
    if (r->cacheGraphic != -1) DeleteGraphic(r->cacheGraphic);
    r->cacheGraphic = r->edgeCacheGraphic = -1;
    if (r->cacheImage.pixels) FreeBaseImagePixels(&r->cacheImage);
    OnFontDeleted(r);
    return 0;
}

HFONT TryCreate(int height, int weight, int italic, int charSet, const char* face) {
    return CreateFontA(height, 0, 0, 0, weight, italic, FALSE, FALSE, charSet, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY, FIXED_PITCH, face);
}

// The GDI font in the order of fall-backs; null after the failure line.
HFONT CreateGdiFont(const FontRecord& r, int height, int gdiCharSet) {
    const int weight = r.thickness * 100;
    if (r.face[0] != '\0') {
        for (int set : {gdiCharSet, DEFAULT_CHARSET, SHIFTJIS_CHARSET})
            if (HFONT f = TryCreate(height, weight, r.italic, set, r.face)) return f;
        FontLog(Cp932Text("指定のフォントの作成に失敗しました\n"));
        return nullptr;
    }
    if (HFONT f = TryCreate(height, weight, r.italic, gdiCharSet, Cp932Text("ＭＳ ゴシック")))
        return f;
    if (HFONT f = TryCreate(height, weight, 0, DEFAULT_CHARSET, Cp932Text("ＭＳ ゴシック")))
        return f;
    if (HFONT f = TryCreate(height, weight, 0, DEFAULT_CHARSET, nullptr)) return f;
    FontLog(Cp932Text("フォントの作成に失敗しました\n"));
    return nullptr;
}

// Reads the metrics through a memory DC; the DC goes before the font.
bool ReadMetrics(HFONT font, TEXTMETRICA* metrics) {
    HDC dc = CreateCompatibleDC(nullptr);
    if (!dc) return false;
    HGDIOBJ old = SelectObject(dc, font);
    const BOOL ok = GetTextMetricsA(dc, metrics);
    SelectObject(dc, old);
    DeleteDC(dc);
    return ok != FALSE;
}

// True when the face is listed under the character set.
bool FaceListed(const char* face, int engineCharSet) {
    char names[16 * kNameBytes];
    int count = EnumFontNames(names, 16, face, engineCharSet);
    std::vector<char> more;
    const char* list = names;
    if (count >= 16) {
        count = EnumFontNames(nullptr, 0, face, engineCharSet);
        more.assign(static_cast<size_t>(count) * kNameBytes, 0);
        count = EnumFontNames(more.data(), count, face, engineCharSet);
        list = more.data();
    }
    for (int i = 0; i < count; ++i)
        if (std::strncmp(list + i * kNameBytes, face, kNameBytes) == 0) return true;
    return false;
}

int SetUpTextureCache(FontRecord* r, Handle handle, int asynchronous) {
    r->cacheWidth = r->cacheHeight = 512;
    const int cell = r->cellWidth;
    int capacity = (512 / cell) * (512 / cell);
    while (capacity < 10) {
        if (r->cacheWidth > r->cacheHeight)
            r->cacheHeight *= 2;
        else
            r->cacheWidth *= 2;
        capacity = (r->cacheHeight / cell) * (r->cacheWidth / cell);
    }
    r->capacity = capacity > kMaxGlyphs ? kMaxGlyphs : capacity;
    r->cellsPerColumn = r->cacheHeight / cell;
    r->cacheLost = 1;
    // The device draws text from the cache texture only: a font left with
    // the memory cache would be a handle that never shows, so it is refused.
    if (SetUpFontCacheGraphics(handle, asynchronous) != 0) {
        FontLog(Cp932Text("テクスチャ文字キャッシュの作成に失敗しました\n"));
        return -1;
    }
    const ColorFormat* format = QueryGraphicColorFormat(
        FontSmooth(r->type) ? 1 : 0, FontSmooth(r->type) ? 0 : 1, r->textureBits == 32 ? 1 : 0, 0);
    const int width = r->cacheWidth * (FontEdged(r->type) ? 2 : 1);
    if (!format || CreateBaseImage(width, r->cacheHeight, format, &r->cacheImage) != 0) {
        FontLog(Cp932Text("文字キャッシュ基本イメージ用のメモリの確保に失敗しました\n"));
        return -1;
    }
    std::memset(r->cacheImage.pixels, 0,
                static_cast<size_t>(r->cacheImage.pitch) * r->cacheImage.height);
    return 0;
}

int SetUpMemoryCache(FontRecord* r) {
    const int cell = r->cellWidth;
    int capacity = 327680 / (cell * cell);
    capacity = capacity < 20 ? 20 : capacity > kMaxGlyphs ? kMaxGlyphs : capacity;
    r->capacity = capacity;
    r->memoryBits = r->type == 0 ? 1 : 8;
    r->cacheWidth = cell;
    r->cacheHeight = capacity * cell;
    r->cellsPerColumn = capacity;
    r->memoryPitch = (cell * r->memoryBits + 7) / 8;
    r->memoryPixels = static_cast<uint8_t*>(
        TrackedAlloc(static_cast<uint32_t>(r->memoryPitch * r->cacheHeight), __FILE__, __LINE__));
    if (!r->memoryPixels) {
        FontLog(
            Cp932Text("フォントのキャッシュ用メモリの確保に失敗しました in CreateFontToHandle"));
        return -1;
    }
    return 0;
}

int CreateFontToHandle(int size, const FontCacheSettings* settings, Handle handle, const char* face,
                       int thickness, int type, int charSet, int edgeWidth, int italic,
                       int asynchronous) {
    if (GetWindowDestroyedFlag()) return -1;
    FontRecord* r = GetFontRecordAny(handle);
    if (!r) return -1;
    if (type == -1) type = 0;
    if (edgeWidth > 1) type |= 1;
    if (size == -1) size = 16;
    if (thickness == -1) thickness = 6;
    if (edgeWidth == -1) edgeWidth = 1;
    const bool charSetGiven = charSet != -1;
    if (!charSetGiven) charSet = GetEngineCharSet();
    if (QueryColorBits() == 8) type &= ~2;
    const int scale = FontScale(type);

    r->thickness = thickness;
    r->size = size;
    r->type = type;
    r->edgeWidth = edgeWidth;
    r->italic = italic ? 1 : 0;
    r->spacing = 0;
    const FontCacheSettings cache = settings ? *settings : FontCacheSettings{};
    r->usesTexture = GetScreenState().useDirect3D && !cache.noTextureCache ? 1 : 0;
    r->textureBits = r->usesTexture && FontSmooth(type) && !cache.use16BitCache ? 32 : 16;

    r->face[0] = '\0';
    if (face && face[0] != '\0') {
        CopyStringN(r->face, face, sizeof(r->face) - 1);
        if (!charSetGiven && !FaceListed(r->face, charSet)) charSet = 0;
    }

    const int height = size * scale;
    HFONT font = CreateGdiFont(*r, height, GdiCharSet(charSet));
    if (!font) return -1;
    TEXTMETRICA first{};
    if (!ReadMetrics(font, &first)) {
        FontLog(Cp932Text("ＤＣの取得に失敗しました\n"));
        DeleteObject(font);
        return -1;
    }
    TEXTMETRICA metrics = first;
    r->heightGrowth = 0;
    const int leading = first.tmInternalLeading + first.tmExternalLeading;
    // A leading of the whole height (or more) has no taller font to absorb it.
    if (leading >= 1 && leading < first.tmHeight) {
        const float corrected =
            static_cast<float>(height) /
            (1.0f - static_cast<float>(leading) / static_cast<float>(first.tmHeight));
        const int taller = static_cast<int>(corrected);
        DeleteObject(font);
        font = CreateGdiFont(*r, taller, GdiCharSet(charSet));
        if (!font) return -1;
        if (!ReadMetrics(font, &metrics)) {
            FontLog(Cp932Text("ＤＣの取得に失敗しました\n"));
            DeleteObject(font);
            return -1;
        }
        r->heightGrowth = (metrics.tmHeight - first.tmHeight) / scale;
    }

    const int edge = FontEdged(type) ? 2 * edgeWidth : 0;
    r->cellWidth = (metrics.tmMaxCharWidth / scale + 4 + edge + 7) / 8 * 8;
    r->cellHeight = (metrics.tmHeight / scale + 1 + edge + 1) / 2 * 2;
    if (r->cellWidth < r->cellHeight) r->cellWidth = r->cellHeight;
    if (r->gdiFont) DeleteObject(r->gdiFont);
    r->gdiFont = font;

    if (r->usesTexture ? SetUpTextureCache(r, handle, asynchronous) != 0 : SetUpMemoryCache(r) != 0)
        return -1;
    ResetFontCache(handle, 1);
    r->charSet = charSet;
    r->deletedFlag = nullptr;
    return 0;
}

void CreateFontAsyncWorker(AsyncRequest* request) {
    const uint8_t* params = AsyncRequestParams(request);
    int offset = 0;
    FontCacheSettings settings{};
    int blockSize = 0;
    const void* block = AsyncParamGetBlock(params, &offset, &blockSize);
    if (block && blockSize == sizeof(settings)) std::memcpy(&settings, block, sizeof(settings));
    const Handle handle = AsyncParamGetInt(params, &offset);
    const char* face = AsyncParamGetString(params, &offset);
    int values[6];
    for (int& v : values) v = AsyncParamGetInt(params, &offset);
    // The queuing thread records the pending load under the type's lock.
    HandleTypeRecord* type = GetHandleTypeRecord(HandleTypeFont);
    LockWithSource(&type->lock, __FILE__, __LINE__);
    LeaveLock(&type->lock);
    const int result = CreateFontToHandle(values[0], &settings, handle, face, values[1], values[2],
                                          values[3], values[4], values[5], 1);
    EndHandleAsyncLoad(handle);
    if (result < 0) DeleteHandle(handle);
}

Handle QueueFontCreation(const FontCacheSettings* settings, Handle handle, const char* face,
                         const int (&values)[6]) {
    const FontCacheSettings block = settings ? *settings : FontCacheSettings{};
    auto pack = [&](uint8_t* params, int* offset) {
        AsyncParamPutBlock(params, offset, &block, sizeof(block));
        AsyncParamPutInt(params, offset, handle);
        AsyncParamPutString(params, offset, face);
        for (int v : values) AsyncParamPutInt(params, offset, v);
    };
    int size = 0;
    pack(nullptr, &size);
    AsyncRequest* request = AsyncRequestAlloc(size);
    if (!request) {
        DeleteHandle(handle);
        return -1;
    }
    int offset = 0;
    pack(AsyncRequestParams(request), &offset);
    request->worker = CreateFontAsyncWorker;
    if (EnqueueHandleLoad(HandleTypeFont, handle, request) != 0) {
        DeleteHandle(handle);
        return -1;
    }
    return handle;
}

int InitFontHandles(int ending) {
    if (!GetDirectDrawObject()) return -1;
    FontLog(Cp932Text("フォントの初期化を行います\n"));
    LogIndent();
    DefaultFontSettings remembered = g_fonts.defaults;
    bool haveRemembered = false;
    if (const FontRecord* d =
            g_fonts.defaultFont >= 1 ? GetFontRecord(g_fonts.defaultFont) : nullptr) {
        CopyStringN(remembered.face, d->face, sizeof(remembered.face) - 1);
        remembered.size = d->size;
        remembered.thickness = d->thickness;
        remembered.type = d->type;
        remembered.charSet = d->charSet;
        remembered.edgeWidth = d->edgeWidth;
        remembered.italic = d->italic;
        haveRemembered = true;
    }
    DeleteAllHandles(HandleTypeFont, nullptr);
    g_fonts.defaultFont = -1;
    if (!ending) {
        const DefaultFontSettings& s = haveRemembered ? remembered : g_fonts.defaults;
        g_fonts.defaultFont = CreateFontHandle(&g_fonts.cacheSettings, s.face, s.size, s.thickness,
                                               s.type, s.charSet, s.edgeWidth, s.italic, -1, 0);
        SetHandleDeletedFlagPointer(g_fonts.defaultFont, &g_fonts.defaultFont);
    }
    LogUnindent();
    FontLog(Cp932Text("フォントの初期化は正常に終了しました\n"));
    return 0;
}

}  // namespace

int FontLog(const char* text) {
    return LogWrite(text);
}

const uint8_t* FontBitCounts() {
    return g_fonts.bitCounts;
}

FontRecord* GetFontRecord(Handle font) {
    return reinterpret_cast<FontRecord*>(TypedHandleRecord(font, HandleTypeFont, 0));
}
FontRecord* GetFontRecordAny(Handle font) {
    return reinterpret_cast<FontRecord*>(TypedHandleRecord(font, HandleTypeFont, 1));
}

int InitializeFonts() {
    if (g_fonts.started) return -1;
    if (RegisterHandleType(HandleTypeFont, sizeof(FontRecord), kMaxFontHandles, InitFontRecord,
                           TerminateFontRecord, Cp932Text("フォント")) != 0)
        return -1;
    ResetDefaults();
    g_fonts.defaultFont = -1;
    for (int n = 0; n < 256; ++n)
        g_fonts.bitCounts[n] = static_cast<uint8_t>(__builtin_popcount(n));
    g_fonts.started = 1;
    InitFontHandles(0);
    return 0;
}

int TerminateFonts() {
    if (!g_fonts.started) return -1;
    InitFontHandles(1);
    if (g_fonts.defaultFont != -1) DeleteHandle(g_fonts.defaultFont);
    g_fonts.defaultFont = -1;
    EndHandleType(HandleTypeFont);
    g_fonts.started = 0;
    return 0;
}

Handle CreateFontHandle(const FontCacheSettings* settings, const char* face, int size,
                        int thickness, int fontType, int charSet, int edgeSize, int italic,
                        Handle wanted, int asynchronous) {
    if (!GetWindowActiveFlag()) WaitWhileInactive();
    const Handle handle = AddHandle(HandleTypeFont, wanted);
    if (handle == -1) return -1;
    if (asynchronous) {
        const int values[6] = {size, thickness, fontType, charSet, edgeSize, italic};
        return QueueFontCreation(settings, handle, face, values);
    }
    if (CreateFontToHandle(size, settings, handle, face, thickness, fontType, charSet, edgeSize,
                           italic, 0) != 0) {
        DeleteHandle(handle);
        return -1;
    }
    return handle;
}

int IsFontHandleValid(Handle font) {
    return GetFontRecord(font) ? 1 : 0;
}

int GetFontInfo(char* face, int* size, int* thickness, Handle font) {
    const FontRecord* r = GetFontRecord(font);
    if (!r) return -1;
    if (face) CopyString(face, r->face);
    if (size) *size = r->size;
    if (thickness) *thickness = r->thickness;
    return 0;
}

int GetFontSize(Handle font) {
    const FontRecord* r = GetFontRecord(font);
    return r ? r->size : -1;
}

int SetFontSpacing(int spacing, Handle font) {
    FontRecord* r = GetFontRecord(font);
    if (!r) return -1;
    r->spacing = spacing;
    return 0;
}

int SetFontDeletedFlag(Handle font, int32_t* flag) {
    FontRecord* r = GetFontRecord(font);
    if (!r) return -1;
    r->deletedFlag = flag;
    if (flag) *flag = 0;
    return 0;
}

Handle GetDefaultFontHandle() {
    return g_fonts.defaultFont;
}

int GetFontCacheSettings(FontCacheSettings* out) {
    if (out) *out = g_fonts.cacheSettings;
    return 0;
}

int SetDefaultFont(const char* face, int size, int thickness) {
    if (!GetDirectDrawObject()) return -1;
    DefaultFontSettings& d = g_fonts.defaults;
    d.face[0] = '\0';
    if (face) CopyStringN(d.face, face, sizeof(d.face) - 1);
    d.size = size == -1 ? 16 : size;
    d.thickness = thickness == -1 ? 6 : thickness;
    RebuildDefaultFont();
    return 0;
}

int SetDefaultFontSize(int size) {
    g_fonts.defaults.size = size == -1 ? 16 : size;
    RebuildDefaultFont();
    return 0;
}

int SetDefaultFontThickness(int thickness) {
    g_fonts.defaults.thickness = thickness == -1 ? 6 : thickness;
    RebuildDefaultFont();
    return 0;
}

int RebuildDefaultFont() {
    const DefaultFontSettings& d = g_fonts.defaults;
    if (g_fonts.defaultFont >= 1) {
        const FontRecord* r = GetFontRecord(g_fonts.defaultFont);
        if (r && std::strcmp(r->face, d.face) == 0 && r->type == d.type && r->size == d.size &&
            r->thickness == d.thickness && r->charSet == d.charSet && r->edgeWidth == d.edgeWidth &&
            r->italic == d.italic)
            return 0;
        DeleteHandle(g_fonts.defaultFont);
    }
    if (!g_fonts.started) return 0;
    g_fonts.defaultFont =
        CreateFontHandle(&g_fonts.cacheSettings, d.face, d.size, d.thickness, d.type, d.charSet,
                         FontEdged(d.type) ? d.edgeWidth : -1, d.italic, -1, 0);
    SetHandleDeletedFlagPointer(g_fonts.defaultFont, &g_fonts.defaultFont);
    SetFontSpacing(d.spacing, g_fonts.defaultFont);
    return 0;
}

int RecreateAllFonts() {
    HandleTypeRecord* t = GetHandleTypeRecord(HandleTypeFont);
    if (!t || !t->initialised) return -1;
    std::vector<Handle> handles;
    ForEachHandleRecord(HandleTypeFont, [&](HandleHeader* h) { handles.push_back(h->handle); });
    for (const Handle handle : handles) {
        FontRecord* r = GetFontRecord(handle);
        if (!r) continue;
        char face[256];
        CopyString(face, r->face);
        const int charSet = r->charSet, edge = r->edgeWidth, thickness = r->thickness,
                  size = r->size, type = r->type, italic = r->italic, spacing = r->spacing;
        // Whoever watches the font keeps watching the re-made one: detach
        // both flags so that the delete does not report the font gone.
        int32_t* handleFlag = r->header.deletedFlag;
        int32_t* userFlag = r->deletedFlag;
        r->header.deletedFlag = nullptr;
        r->deletedFlag = nullptr;
        DeleteHandle(handle);
        const Handle again = AddHandle(HandleTypeFont, handle);
        if (again != -1 && CreateFontToHandle(size, &g_fonts.cacheSettings, again, face, thickness,
                                              type, charSet, edge, italic, 0) == 0) {
            SetHandleDeletedFlagPointer(again, handleFlag);
            GetFontRecord(again)->deletedFlag = userFlag;
            SetFontSpacing(spacing, handle);
            continue;
        }
        if (again != -1) DeleteHandle(again);
        if (handleFlag) *handleFlag = -1;
        if (userFlag) *userFlag = 1;
    }
    return 0;
}

int EnumFontNames(char* buffer, int maximum, const char* face, int charSet) {
    std::vector<char> temporary;
    NameList list{buffer, maximum, 0};
    if (!buffer) {
        temporary.assign(static_cast<size_t>(kTemporaryNames) * kNameBytes, 0);
        list.buffer = temporary.data();
        if (maximum <= 0 || maximum > kTemporaryNames) list.maximum = kTemporaryNames;
    }
    LOGFONTA logFont{};
    logFont.lfCharSet = static_cast<BYTE>(GdiCharSet(charSet == -1 ? 0 : charSet));
    if (face) CopyStringN(logFont.lfFaceName, face, LF_FACESIZE - 1);
    HDC screen = GetDC(nullptr);
    EnumFontFamiliesExA(screen, &logFont, CollectName, reinterpret_cast<LPARAM>(&list), 0);
    ReleaseDC(nullptr, screen);
    return list.count;
}

}  // namespace DuRud
