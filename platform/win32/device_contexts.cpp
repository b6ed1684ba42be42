// Device contexts: window DCs draw into the window picture, memory DCs into
// the DIB section selected into them. The screen DC (GetDC(NULL)) answers
// questions about the display but cannot be drawn on.
#include <algorithm>

#include "gdi_objects.h"
#include "user_state.h"
#include "win_kernel.h"
#include "win_user.h"
#include "window_picture.h"

namespace platform::gdi {

namespace {

HGDIOBJ DefaultBitmap() {
    static HGDIOBJ handle = [] {
        auto bitmap = std::make_shared<Bitmap>();
        bitmap->format.width = 1;
        bitmap->format.height = 1;
        bitmap->format.bitCount = 1;
        bitmap->format.stride = 4;
        bitmap->format.palette = {0x000000, 0xFFFFFF};
        bitmap->storage.assign(4, 0);
        bitmap->stock = true;
        return AddObject(bitmap);
    }();
    return handle;
}

std::shared_ptr<DeviceContext> NewDc(HWND window, bool memory) {
    auto dc = std::make_shared<DeviceContext>();
    dc->window = window;
    dc->memory = memory;
    dc->selected[OBJ_BRUSH] = GetStockObject(WHITE_BRUSH);
    dc->selected[OBJ_FONT] = GetStockObject(SYSTEM_FONT);
    if (memory) dc->selected[OBJ_BITMAP] = DefaultBitmap();
    // Counted like any selection, so that releasing the DC balances them.
    for (auto& [type, handle] : dc->selected)
        if (auto object = GetObjectOf(handle)) ++object->selectedCount;
    return dc;
}

void ReleaseSelections(DeviceContext& dc) {
    for (auto& [type, handle] : dc.selected) {
        if (auto object = GetObjectOf(handle)) --object->selectedCount;
    }
    dc.selected.clear();
}

bool BrushColour(HBRUSH brush, COLORREF* colour, bool* hollow) {
    auto value = reinterpret_cast<uintptr_t>(brush);
    if (value > 0 && value <= 31) {  // COLOR_x + 1: a system colour
        *colour = GetSysColor(static_cast<int>(value - 1));
        *hollow = false;
        return true;
    }
    auto object = GetAs<Brush>(brush);
    if (!object) return false;
    *colour = object->colour;
    *hollow = object->style == BS_NULL;
    return true;
}

}  // namespace

}  // namespace platform::gdi

using namespace platform::gdi;

HDC WINAPI GetDC(HWND window) {
    if (window && !platform::user::GetWindow(window)) return nullptr;
    return AddDc(NewDc(window, false));
}

int WINAPI ReleaseDC(HWND window, HDC handle) {
    auto dc = GetDc(handle);
    if (!dc || dc->memory || dc->window != window) return 0;
    ReleaseSelections(*dc);
    RemoveObject(handle);
    return 1;
}

HDC WINAPI CreateCompatibleDC(HDC handle) {
    if (handle && !GetDc(handle)) return nullptr;
    return AddDc(NewDc(nullptr, true));
}

BOOL WINAPI DeleteDC(HDC handle) {
    auto dc = GetDc(handle);
    if (!dc) return FALSE;
    ReleaseSelections(*dc);
    RemoveObject(handle);
    return TRUE;
}

HGDIOBJ WINAPI SelectObject(HDC handle, HGDIOBJ objectHandle) {
    auto dc = GetDc(handle);
    auto object = GetObjectOf(objectHandle);
    if (!dc || !object) return nullptr;
    const DWORD type = object->Type();
    if (type == OBJ_DC || type == OBJ_MEMDC) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (type == OBJ_BITMAP) {
        // A bitmap goes into one memory DC at a time.
        if (!dc->memory || (object->selectedCount > 0 && !object->stock)) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return nullptr;
        }
    }
    HGDIOBJ previous = nullptr;
    auto it = dc->selected.find(type);
    if (it != dc->selected.end()) {
        previous = it->second;
        if (auto old = GetObjectOf(previous)) --old->selectedCount;
    }
    dc->selected[type] = objectHandle;
    ++object->selectedCount;
    return previous;
}

HGDIOBJ WINAPI GetCurrentObject(HDC handle, UINT type) {
    auto dc = GetDc(handle);
    if (!dc) return nullptr;
    auto it = dc->selected.find(type);
    return it == dc->selected.end() ? nullptr : it->second;
}

int WINAPI GetDeviceCaps(HDC handle, int index) {
    auto dc = GetDc(handle);
    if (!dc) return 0;
    int width, height, bits, frequency;
    platform::user::CurrentDisplayMode(&width, &height, &bits, &frequency);
    switch (index) {
        case BITSPIXEL:
            return bits;
        case PLANES:
            return 1;
        case HORZRES:
            return width;
        case VERTRES:
            return height;
        case VREFRESH:
            return frequency;
        case NUMCOLORS:
            return bits <= 8 ? 1 << bits : -1;
        default:
            return 0;
    }
}

int WINAPI FillRect(HDC handle, const RECT* rect, HBRUSH brush) {
    auto dc = GetDc(handle);
    if (!dc) return 0;
    if (!rect) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    COLORREF colour;
    bool hollow;
    if (!BrushColour(brush, &colour, &hollow)) return 0;
    if (hollow) return 1;
    const uint32_t xrgb = ((colour & 0xFF) << 16) | (colour & 0xFF00) | ((colour >> 16) & 0xFF);
    if (dc->window) {
        bool ok = platform::WindowPictureEdit(dc->window, [&](uint32_t* pixels, int w, int h) {
            for (int y = std::max<LONG>(rect->top, 0); y < std::min<LONG>(rect->bottom, h); ++y)
                for (int x = std::max<LONG>(rect->left, 0); x < std::min<LONG>(rect->right, w); ++x)
                    pixels[static_cast<size_t>(y) * w + x] = xrgb;
        });
        return ok ? 1 : 0;
    }
    if (!dc->memory) {
        SetLastError(ERROR_NOT_SUPPORTED);  // the screen DC has no pixels here
        return 0;
    }
    auto bitmap = GetAs<Bitmap>(dc->selected[OBJ_BITMAP]);
    if (!bitmap) return 0;
    std::lock_guard<std::mutex> lock(DrawMutex());
    const DibFormat& f = bitmap->format;
    for (int y = std::max<LONG>(rect->top, 0); y < std::min<LONG>(rect->bottom, f.height); ++y) {
        size_t storageRow = f.topDown ? y : f.height - 1 - y;
        uint8_t* row = bitmap->storage.data() + storageRow * f.stride;
        for (int x = std::max<LONG>(rect->left, 0); x < std::min<LONG>(rect->right, f.width); ++x)
            WriteDibPixel(f, row, x, xrgb);
    }
    return 1;
}
