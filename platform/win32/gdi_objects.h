// The GDI object table: brushes, bitmaps (DIB sections) and device contexts
// share one generation-free table of handles, each value used once per process
// so a deleted handle never names a new object. Other areas add their own
// kinds (fonts) by deriving from GdiObject and selecting them into DCs.
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <memory>
#include <vector>

#include "win_gdi.h"
#include "win_types.h"

namespace platform::gdi {

struct GdiObject {
    virtual ~GdiObject() = default;
    virtual DWORD Type() const = 0;     // OBJ_BRUSH, OBJ_BITMAP, OBJ_DC, OBJ_MEMDC, OBJ_FONT ...
    bool stock = false;                 // stock objects ignore DeleteObject
    std::atomic<int> selectedCount{0};  // DCs that hold it selected (DCs live on any thread)
};

struct Brush : GdiObject {
    UINT style = BS_SOLID;
    COLORREF colour = 0;
    DWORD Type() const override { return OBJ_BRUSH; }
};

// How the pixels of a DIB are laid out (source or DIB section).
struct DibFormat {
    int width = 0;
    int height = 0;  // rows, always positive
    bool topDown = false;
    int bitCount = 0;
    DWORD compression = BI_RGB;
    DWORD masks[3] = {0, 0, 0};     // red, green, blue (16 and 32 bits)
    std::vector<uint32_t> palette;  // X8R8G8B8 (1, 4 and 8 bits)
    size_t stride = 0;              // bytes per row, rounded up to 4
};

struct Bitmap : GdiObject {
    DibFormat format;
    std::vector<uint8_t> storage;  // the section's pixels
    DWORD Type() const override { return OBJ_BITMAP; }
};

struct DeviceContext : GdiObject {
    HWND window = nullptr;              // window DC: draws into the window picture
    bool memory = false;                // memory DC: draws into its selected bitmap
    std::map<DWORD, HGDIOBJ> selected;  // by object type
    DWORD Type() const override { return memory ? OBJ_MEMDC : OBJ_DC; }
};

HGDIOBJ AddObject(std::shared_ptr<GdiObject> object);
std::shared_ptr<GdiObject> GetObjectOf(HGDIOBJ handle);  // null with ERROR_INVALID_HANDLE
bool RemoveObject(HGDIOBJ handle);
size_t ObjectCount();

template <class T>
std::shared_ptr<T> GetAs(HGDIOBJ handle) {
    return std::dynamic_pointer_cast<T>(GetObjectOf(handle));
}

inline HDC AddDc(std::shared_ptr<DeviceContext> dc) {
    return static_cast<HDC>(AddObject(dc));
}
inline std::shared_ptr<DeviceContext> GetDc(HDC dc) {
    return GetAs<DeviceContext>(dc);
}

// Decodes and checks a BITMAPINFO: false (ERROR_INVALID_PARAMETER) for widths
// below 1, height 0, bit counts other than 1, 4, 8, 16, 24, 32, compressions
// other than BI_RGB and BI_BITFIELDS (the latter for 16 and 32 bits only),
// more colours than the bit count allows, or an image past 32-bit size.
bool DecodeDibFormat(const BITMAPINFO* info, UINT usage, DibFormat* out);

// Reads pixel x of a row as X8R8G8B8; writes one into a row.
uint32_t ReadDibPixel(const DibFormat& format, const uint8_t* row, int x);
void WriteDibPixel(const DibFormat& format, uint8_t* row, int x, uint32_t xrgb);
// The same for `count` pixels from x0 (the layout is decided once per row).
void ReadDibRow(const DibFormat& format, const uint8_t* row, int x0, int count, uint32_t* out);
void WriteDibRow(const DibFormat& format, uint8_t* row, int x0, int count, const uint32_t* in);

// Adds a stock object under a GetStockObject index (pens, fonts) for areas
// that bring those kinds; the object is marked stock.
void SetStockObject(int index, std::shared_ptr<GdiObject> object);
HGDIOBJ StockObjectAt(int index);  // null when none

// The process's serialisation of GDI drawing.
std::mutex& DrawMutex();

}  // namespace platform::gdi
