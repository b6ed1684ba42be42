// Window classes: registered by name (matched without regard to ASCII case),
// refused while windows of the class exist. Stock icons and cursors.
#include <cctype>

#include "test_knobs.h"
#include "user_state.h"
#include "win_kernel.h"

namespace platform::user {

namespace {
bool refuseRegisterClass = false;
}

std::string LowerName(const char* name) {
    std::string out = name ? name : "";
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

void ResetClassKnobs() {
    refuseRegisterClass = false;
}

}  // namespace platform::user

using namespace platform::user;

void KnobRefuseRegisterClass(bool refuse) {
    refuseRegisterClass = refuse;
}

ATOM WINAPI RegisterClassA(const WNDCLASSA* wndClass) {
    if (!wndClass || !wndClass->lpszClassName || IS_INTRESOURCE(wndClass->lpszClassName) ||
        !wndClass->lpszClassName[0] || !wndClass->lpfnWndProc) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (refuseRegisterClass) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    auto entry = std::make_shared<WindowClass>();
    entry->name = wndClass->lpszClassName;
    entry->style = wndClass->style;
    entry->proc = wndClass->lpfnWndProc;
    entry->instance = wndClass->hInstance;
    entry->icon = wndClass->hIcon;
    entry->cursor = wndClass->hCursor;
    entry->background = wndClass->hbrBackground;
    UserGlobals& g = Globals();
    std::lock_guard<std::mutex> lock(g.mutex);
    auto key = LowerName(wndClass->lpszClassName);
    if (g.classes.count(key)) {
        SetLastError(ERROR_CLASS_ALREADY_EXISTS);
        return 0;
    }
    g.classes[key] = entry;
    // Atoms of registered classes live in 0xC000..0xFFFF.
    static ATOM nextAtom = 0xC000;
    ATOM atom = nextAtom;
    nextAtom = nextAtom == 0xFFFF ? 0xC000 : static_cast<ATOM>(nextAtom + 1);
    return atom;
}

BOOL WINAPI UnregisterClassA(LPCSTR className, HINSTANCE instance) {
    if (!className || IS_INTRESOURCE(className)) {
        SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
        return FALSE;
    }
    UserGlobals& g = Globals();
    std::lock_guard<std::mutex> lock(g.mutex);
    auto it = g.classes.find(LowerName(className));
    if (it == g.classes.end()) {
        SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
        return FALSE;
    }
    if (it->second->windowCount > 0) {
        SetLastError(ERROR_CLASS_HAS_WINDOWS);
        return FALSE;
    }
    g.classes.erase(it);
    return TRUE;
}

namespace {
// Stock icons and cursors are fixed values; there are no resources to load.
constexpr ULONG_PTR kStockBase = 0x7F000000;
bool IsStockId(LPCSTR name, WORD first, WORD last) {
    if (!IS_INTRESOURCE(name)) return false;
    WORD id = static_cast<WORD>(reinterpret_cast<ULONG_PTR>(name));
    return id >= first && id <= last;
}
}  // namespace

HICON WINAPI LoadIconA(HINSTANCE instance, LPCSTR name) {
    if (instance == nullptr && IsStockId(name, 32512, 32518)) {
        return reinterpret_cast<HICON>(kStockBase + reinterpret_cast<ULONG_PTR>(name));
    }
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return nullptr;
}

HCURSOR WINAPI LoadCursorA(HINSTANCE instance, LPCSTR name) {
    if (instance == nullptr && IsStockId(name, 32512, 32651)) {
        return reinterpret_cast<HCURSOR>(kStockBase + 0x10000 + reinterpret_cast<ULONG_PTR>(name));
    }
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return nullptr;
}
