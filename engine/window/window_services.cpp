// Settings made before start-up and the small services around the window:
// caption, scale, clipboard text, dropped files, cursor, mouse position and
// click log, desktop information and local file times.
#include <cstring>

#include "DuRud.h"
#include "core/engine_lifecycle.h"
#include "core/module_calls.h"
#include "core/system_services.h"
#include "core/text_literals.h"
#include "window/main_window.h"
#include "window/window_calls.h"
#include "window/window_state.h"

namespace DuRud {

WindowSystemState& WindowState() {
    static WindowSystemState* state = new WindowSystemState();  // lives for the process
    return *state;
}

void CopyTextBounded(char* destination, int size, const char* source) {
    if (!destination || size <= 0) return;
    if (!source) source = "";
    const int charSet = GetEngineCharSet() != 0 ? GetEngineCharSet() : 1;
    int i = 0;
    while (source[i]) {
        const int width =
            IsLeadByte(static_cast<unsigned char>(source[i]), charSet) && source[i + 1] ? 2 : 1;
        if (i + width > size - 1) break;
        for (int k = 0; k < width; ++k) destination[i + k] = source[i + k];
        i += width;
    }
    destination[i] = 0;
}

bool IsEngineMainThread() {
    const WindowSystemState& s = WindowState();
    return s.mainThreadId == 0 || GetCurrentThreadId() == s.mainThreadId;
}

// --- state read by start-up and shutdown ---------------------------------------

int SetWindowEndingFlag(int flag) {
    WindowState().ending = flag;
    return 0;
}
int GetWindowQuitFlag() {
    return WindowState().quit;
}
int GetWindowDestroyedFlag() {
    return WindowState().destroyed;
}
const char* GetWindowClassName() {
    return WindowState().window || WindowState().initialised ? WindowState().settings.className
                                                             : "";
}
void* GetWindowInstanceHandle() {
    return WindowState().instance;
}
void* GetMainWindowHandle() {
    return WindowState().window;
}
void* GetDisplayWindowHandle() {
    return WindowState().window;
}
int IsUserWindowMode() {
    return 0;
}

// --- mode settings ---------------------------------------------------------------

int GetWindowModeFlag() {
    return WindowState().settings.windowMode;
}
int SetWindowModeFlag(int flag) {
    WindowState().settings.windowMode = flag ? 1 : 0;
    LogWrite(Cp932Text(flag ? "ウインドウモードフラグが立てられました\n"
                            : "ウインドウモードフラグが倒されました\n"));
    return 0;
}
int SetWindowStyleIndex(int index) {
    if (index < 0 || index > 10) return -1;
    WindowState().settings.styleIndex = index;
    if (WindowState().window && WindowState().settings.windowMode) ApplyWindowStyle();
    return 0;
}
int SetWindowModeChangeAllowed(int flag) {
    WindowState().settings.modeChangeAllowed = flag ? 1 : 0;
    return 0;
}
int SetAlwaysRunFlag(int flag) {
    WindowState().settings.alwaysRun = flag ? 1 : 0;
    return 0;
}
int GetAlwaysRunFlag() {
    return WindowState().settings.alwaysRun;
}
int SetDoubleStartAllowed(int flag) {
    WindowState().settings.doubleStartAllowed = flag ? 1 : 0;
    return 0;
}
int SetWindowClientSize(int width, int height) {
    if (width <= 0 || height <= 0) return -1;
    WindowSettings& set = WindowState().settings;
    set.clientWidth = width;
    set.clientHeight = height;
    set.clientSizeSet = 1;
    return 0;
}
int GetWindowActiveFlag() {
    return static_cast<int>(WindowState().active);
}
int GetClosingFlag() {
    return WindowState().closing;
}
int GetWindowMinimisedFlag() {
    return static_cast<int>(WindowState().minimised);
}

// --- caption and scale -------------------------------------------------------------

// Desktop composition through the run-time entry; a repeat of the last
// setting is skipped. 1 when the setting changed, 0 for a repeat, -1 without
// the entry point.
int SetDesktopComposition(int enable) {
    int& last = WindowState().desktopComposition;
    enable = enable ? 1 : 0;
    if (enable == last) return 0;
    auto enableComposition = WinApi<HRESULT(WINAPI*)(UINT)>(Api_DwmEnableComposition);
    if (!enableComposition) return -1;
    enableComposition(static_cast<UINT>(enable));
    last = enable;
    return 1;
}

int SetMainWindowText(const char* text) {
    WindowSystemState& s = WindowState();
    CopyTextBounded(s.settings.caption, kNameSize, text);
    if (s.window) SetWindowTextA(s.window, s.settings.caption);
    return 0;
}

double GetWindowScale(double* x, double* y) {
    WindowSettings& set = WindowState().settings;
    if (set.scaleX <= 0) set.scaleX = 1.0;
    if (set.scaleY <= 0) set.scaleY = 1.0;
    const double sx = set.windowMode ? set.scaleX : 1.0;
    const double sy = set.windowMode ? set.scaleY : 1.0;
    if (x) *x = sx;
    if (y) *y = sy;
    return sx;
}

int SetWindowScale(double x, double y) {
    WindowSystemState& s = WindowState();
    if (y <= 0) y = x;
    if (x <= 0) x = 1.0;
    if (y <= 0) y = 1.0;
    if (x == s.settings.scaleX && y == s.settings.scaleY) return 0;
    s.settings.scaleX = x;
    s.settings.scaleY = y;
    s.sizeChanged = 0;
    if (s.window && s.settings.windowMode) ApplyWindowStyle();
    return 0;
}

// --- clipboard -----------------------------------------------------------------------

int GetClipboardText(char* buffer, int bufferSize) {
    if (!OpenClipboard(WindowState().window)) return -1;
    HANDLE data = GetClipboardData(CF_TEXT);
    const char* text = data ? static_cast<const char*>(GlobalLock(data)) : nullptr;
    if (!text) {
        CloseClipboard();
        return -1;
    }
    int result = 0;
    if (!buffer) {
        result = static_cast<int>(std::strlen(text)) + 1;
    } else {
        CopyTextBounded(buffer, bufferSize, text);
    }
    GlobalUnlock(data);
    CloseClipboard();
    return result;
}

int SetClipboardText(const char* text) {
    if (!text) return -1;
    const size_t length = std::strlen(text) + 1;
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, length);
    if (!memory) return -1;
    char* copy = static_cast<char*>(GlobalLock(memory));
    std::memcpy(copy, text, length);
    GlobalUnlock(memory);
    if (!OpenClipboard(WindowState().window)) {
        GlobalFree(memory);
        return -1;
    }
    EmptyClipboard();
    if (!SetClipboardData(CF_TEXT, memory)) GlobalFree(memory);
    CloseClipboard();
    return 0;
}

// --- dropped files -------------------------------------------------------------------

int RefreshDragAcceptFiles() {
    if (WindowState().window) DragAcceptFiles(WindowState().window, TRUE);
    return 0;
}
int GetDroppedFileCount() {
    return WindowState().droppedCount;
}
const char* GetDroppedFileName(int index) {
    const WindowSystemState& s = WindowState();
    return index >= 0 && index < s.droppedCount ? s.droppedFiles[index] : nullptr;
}
int FreeDroppedFiles() {
    WindowSystemState& s = WindowState();
    for (int i = 0; i < s.droppedCount; ++i) {
        TrackedFree(s.droppedFiles[i]);
        s.droppedFiles[i] = nullptr;
    }
    s.droppedCount = 0;
    return 0;
}

// --- cursor, mouse, click log --------------------------------------------------------

int SetMouseCursorVisible(int flag) {
    WindowSystemState& s = WindowState();
    if (flag != -1) s.cursorVisibleSetting = flag ? 1 : 0;
    const int show = s.cursorVisibleSetting;
    if (show == s.cursorShown) return 0;
    s.cursorShown = show;
    // The platform keeps a display counter: repeat until it crosses 0.
    if (show) {
        for (int turn = 0; turn < 64 && ShowCursor(TRUE) < 0; ++turn) {
        }
    } else {
        for (int turn = 0; turn < 64 && ShowCursor(FALSE) >= 0; ++turn) {
        }
    }
    if (s.window) PostMessageA(s.window, WM_SETCURSOR, reinterpret_cast<WPARAM>(s.window), 0);
    return 0;
}

int GetMousePosition(int* x, int* y) {
    WindowSystemState& s = WindowState();
    POINT p{};
    if (!GetCursorPos(&p)) return -1;
    if (s.window) ScreenToClient(s.window, &p);
    double px = p.x, py = p.y;
    if (s.settings.windowMode) {
        double sx = 1.0, sy = 1.0;
        GetWindowScale(&sx, &sy);
        px /= sx;
        py /= sy;
    }
    if (x) *x = static_cast<int>(px);
    if (y) *y = static_cast<int>(py);
    return 0;
}

int RecordMouseClick(int button) {
    WindowSystemState& s = WindowState();
    if (s.clickCount >= kClickLogSize) return -1;
    int x = 0, y = 0;
    GetMousePosition(&x, &y);
    s.clicks[s.clickCount++] = {button, x, y};
    return 0;
}
int GetMouseClickCount() {
    return WindowState().clickCount;
}
int GetMouseClick(int index, int* button, int* x, int* y) {
    const WindowSystemState& s = WindowState();
    if (index < 0 || index >= s.clickCount) return -1;
    if (button) *button = s.clicks[index].button;
    if (x) *x = s.clicks[index].x;
    if (y) *y = s.clicks[index].y;
    return 0;
}
int ClearMouseClicks() {
    WindowState().clickCount = 0;
    return 0;
}
int GetMouseWheel(int* vertical, int* horizontal) {
    if (vertical) *vertical = WindowState().wheelVertical;
    if (horizontal) *horizontal = WindowState().wheelHorizontal;
    return 0;
}

int GetWindowClientRect(RECT* rect) {
    if (!rect) return -1;
    *rect = WindowState().clientRect;
    return 0;
}

// --- desktop, time ---------------------------------------------------------------------

int GetDesktopDisplayInfo(int* width, int* height, int* bits) {
    const WindowSystemState& s = WindowState();
    int w = s.desktopWidth, h = s.desktopHeight, b = s.desktopBits;
    if (!s.initialised) {
        w = GetSystemMetrics(SM_CXSCREEN);
        h = GetSystemMetrics(SM_CYSCREEN);
        HDC dc = GetDC(nullptr);
        b = dc ? GetDeviceCaps(dc, BITSPIXEL) * GetDeviceCaps(dc, PLANES) : 0;
        if (dc) ReleaseDC(nullptr, dc);
    }
    if (width) *width = w;
    if (height) *height = h;
    if (bits) *bits = b;
    return 0;
}

int FileTimeToLocalFields(const FILETIME* fileTime, int* year, int* month, int* day, int* hour,
                          int* minute, int* second) {
    if (!fileTime) return -1;
    FILETIME local{};
    SYSTEMTIME t{};
    if (!FileTimeToLocalFileTime(fileTime, &local) || !FileTimeToSystemTime(&local, &t)) return -1;
    if (year) *year = t.wYear;
    if (month) *month = t.wMonth;
    if (day) *day = t.wDay;
    if (hour) *hour = t.wHour;
    if (minute) *minute = t.wMinute;
    if (second) *second = t.wSecond;
    return 0;
}

}  // namespace DuRud
