// The GDI object table and the objects every DC starts with: stock brushes,
// solid brushes, GetObjectA and DeleteObject.
#include "gdi_objects.h"

#include <cstring>
#include <mutex>

#include "font_objects.h"
#include "win_kernel.h"
#include "win_user.h"

namespace platform::gdi {

namespace {

struct Table {
    std::mutex mutex;
    std::map<uintptr_t, std::shared_ptr<GdiObject>> objects;
    uintptr_t next = 1;
};

Table& TheTable() {
    static Table* table = new Table;
    return *table;
}

constexpr uintptr_t kGdiHandleBase = 0x01000000;

}  // namespace

HGDIOBJ AddObject(std::shared_ptr<GdiObject> object) {
    Table& t = TheTable();
    std::lock_guard<std::mutex> lock(t.mutex);
    uintptr_t value = kGdiHandleBase + 4 * t.next++;
    t.objects[value] = std::move(object);
    return reinterpret_cast<HGDIOBJ>(value);
}

std::shared_ptr<GdiObject> GetObjectOf(HGDIOBJ handle) {
    Table& t = TheTable();
    std::lock_guard<std::mutex> lock(t.mutex);
    auto it = t.objects.find(reinterpret_cast<uintptr_t>(handle));
    if (it == t.objects.end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return it->second;
}

bool RemoveObject(HGDIOBJ handle) {
    Table& t = TheTable();
    std::lock_guard<std::mutex> lock(t.mutex);
    return t.objects.erase(reinterpret_cast<uintptr_t>(handle)) > 0;
}

size_t ObjectCount() {
    Table& t = TheTable();
    std::lock_guard<std::mutex> lock(t.mutex);
    size_t n = 0;
    for (auto& [key, object] : t.objects) n += object->stock ? 0 : 1;
    return n;
}

std::mutex& DrawMutex() {
    static std::mutex* mutex = new std::mutex;
    return *mutex;
}

namespace {
std::mutex stockMutex;
std::map<int, HGDIOBJ> extraStock;
}  // namespace

void SetStockObject(int index, std::shared_ptr<GdiObject> object) {
    object->stock = true;
    HGDIOBJ handle = AddObject(std::move(object));
    std::lock_guard<std::mutex> lock(stockMutex);
    extraStock[index] = handle;
}

HGDIOBJ StockObjectAt(int index) {
    std::lock_guard<std::mutex> lock(stockMutex);
    auto it = extraStock.find(index);
    return it == extraStock.end() ? nullptr : it->second;
}

}  // namespace platform::gdi

using namespace platform::gdi;

HGDIOBJ WINAPI GetStockObject(int index) {
    static HGDIOBJ stock[NULL_BRUSH + 1] = {};
    static std::once_flag once;
    std::call_once(once, [] {
        const COLORREF colours[] = {RGB(255, 255, 255), RGB(192, 192, 192), RGB(128, 128, 128),
                                    RGB(64, 64, 64),    RGB(0, 0, 0),       0};
        for (int i = 0; i <= NULL_BRUSH; ++i) {
            auto brush = std::make_shared<Brush>();
            brush->style = i == NULL_BRUSH ? BS_NULL : BS_SOLID;
            brush->colour = colours[i];
            brush->stock = true;
            stock[i] = AddObject(brush);
        }
        SetStockObject(SYSTEM_FONT, NewStockFont());
    });
    if (index < 0 || index > NULL_BRUSH) {
        if (HGDIOBJ other = StockObjectAt(index)) return other;
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return stock[index];
}

HBRUSH WINAPI CreateSolidBrush(COLORREF colour) {
    auto brush = std::make_shared<Brush>();
    brush->colour = colour & 0x00FFFFFF;
    return static_cast<HBRUSH>(AddObject(brush));
}

BOOL WINAPI DeleteObject(HGDIOBJ handle) {
    auto object = GetObjectOf(handle);
    if (!object) return FALSE;
    if (object->stock) return TRUE;
    if (object->Type() == OBJ_DC || object->Type() == OBJ_MEMDC) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    // Windows refuses to delete an object that a DC holds selected.
    if (object->selectedCount > 0) return FALSE;
    RemoveObject(handle);
    return TRUE;
}

DWORD WINAPI GetObjectType(HGDIOBJ handle) {
    auto object = GetObjectOf(handle);
    return object ? object->Type() : 0;
}

int WINAPI GetObjectA(HGDIOBJ handle, int size, LPVOID buffer) {
    auto object = GetObjectOf(handle);
    if (!object) return 0;
    if (auto bitmap = std::dynamic_pointer_cast<Bitmap>(object)) {
        const DibFormat& f = bitmap->format;
        DIBSECTION section{};
        section.dsBm.bmType = 0;
        section.dsBm.bmWidth = f.width;
        section.dsBm.bmHeight = f.height;
        section.dsBm.bmWidthBytes = static_cast<LONG>(f.stride);
        section.dsBm.bmPlanes = 1;
        section.dsBm.bmBitsPixel = static_cast<WORD>(f.bitCount);
        section.dsBm.bmBits = bitmap->storage.data();
        section.dsBmih.biSize = sizeof(BITMAPINFOHEADER);
        section.dsBmih.biWidth = f.width;
        section.dsBmih.biHeight = f.topDown ? -f.height : f.height;
        section.dsBmih.biPlanes = 1;
        section.dsBmih.biBitCount = static_cast<WORD>(f.bitCount);
        section.dsBmih.biCompression = f.compression;
        section.dsBmih.biSizeImage = static_cast<DWORD>(f.stride * f.height);
        section.dsBmih.biClrUsed = static_cast<DWORD>(f.palette.size());
        std::memcpy(section.dsBitfields, f.masks, sizeof(section.dsBitfields));
        if (!buffer) return static_cast<int>(sizeof(DIBSECTION));
        if (size >= static_cast<int>(sizeof(DIBSECTION))) {
            std::memcpy(buffer, &section, sizeof(DIBSECTION));
            return sizeof(DIBSECTION);
        }
        if (size >= static_cast<int>(sizeof(BITMAP))) {
            std::memcpy(buffer, &section.dsBm, sizeof(BITMAP));
            return sizeof(BITMAP);
        }
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    if (auto brush = std::dynamic_pointer_cast<Brush>(object)) {
        LOGBRUSH log{brush->style, brush->colour, 0};
        if (!buffer) return sizeof(LOGBRUSH);
        if (size < static_cast<int>(sizeof(LOGBRUSH))) {
            SetLastError(ERROR_INSUFFICIENT_BUFFER);
            return 0;
        }
        std::memcpy(buffer, &log, sizeof(LOGBRUSH));
        return sizeof(LOGBRUSH);
    }
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
}

DWORD WINAPI GetSysColor(int index) {
    switch (index) {
        case COLOR_BACKGROUND:
            return RGB(0, 0, 0);
        case COLOR_WINDOW:
            return RGB(255, 255, 255);
        case COLOR_WINDOWTEXT:
            return RGB(0, 0, 0);
        case COLOR_BTNFACE:
            return RGB(240, 240, 240);
        default:
            return RGB(192, 192, 192);
    }
}
