// The engine's one window: creation (machine measurements, double-start
// check, class, window, loader threads), termination, the switch between
// window mode and full screen, and fitting the window to the draw size.
//
// Menus, the tool bar, window regions, layered presentation, an
// application-supplied window and the keyboard-hook library are not used by
// this program: their state stays "none" and their branches never run.
#include "window/main_window.h"

#include <cstring>

#include "DuRud.h"
#include "core/async_loading.h"
#include "core/engine_lifecycle.h"
#include "core/module_calls.h"
#include "core/string_helpers.h"
#include "core/system_services.h"
#include "core/text_literals.h"
#include "window/window_calls.h"
#include "window/window_state.h"

namespace DuRud {
namespace {

constexpr const char* kDefaultClassName = "Z123987O";
constexpr const char* kDefaultCaption = "DuRud";

void Log(const char* utf8) {
    LogWrite(Cp932Text(utf8));
}

void SetQuitAndEnd() {
    WindowState().quit = 1;
    SetEndRequestFlag();
}

typedef BOOL(WINAPI* MemoryStatusExFunction)(LPMEMORYSTATUSEX);

// The extended status exists only on newer systems: looked up by name, with
// the older call as the fall-back.
void MeasureMemory(WindowSystemState& s) {
    if (GetSystemState().osVersionCode > kOsWindowsNT40) {
        HMODULE kernel = GetModuleHandleA("Kernel32.dll");
        const auto statusEx =
            kernel ? reinterpret_cast<MemoryStatusExFunction>(
                         reinterpret_cast<void*>(GetProcAddress(kernel, "GlobalMemoryStatusEx")))
                   : nullptr;
        MEMORYSTATUSEX status{};
        status.dwLength = sizeof(status);
        if (statusEx && statusEx(&status)) {
            s.totalMemory = status.ullTotalPhys;
            s.freeMemory = status.ullAvailPhys;
        }
    }
    if (s.totalMemory == 0) {
        MEMORYSTATUS status{};
        status.dwLength = sizeof(status);
        GlobalMemoryStatus(&status);
        s.totalMemory = status.dwTotalPhys;
        s.freeMemory = status.dwAvailPhys;
    }
    LogFormatLine(Cp932Text("メモリ総量:%.2fMB  空きメモリ領域:%.2fMB "), s.totalMemory / 1048576.0,
                  s.freeMemory / 1048576.0);
    char text[64];
    FormatString(text, sizeof(text), "%.2fMB\n", s.freeMemory / 1048576.0);
    OutputDebugStringA(text);
}

void MeasureDesktop(WindowSystemState& s) {
    s.desktopWidth = GetSystemMetrics(SM_CXSCREEN);
    s.desktopHeight = GetSystemMetrics(SM_CYSCREEN);
    HDC dc = GetDC(nullptr);
    s.desktopBits = dc ? GetDeviceCaps(dc, BITSPIXEL) * GetDeviceCaps(dc, PLANES) : 0;
    if (dc) ReleaseDC(nullptr, dc);
}

// Counts how often the millisecond clock and the performance counter change
// until one changed 60 times or a second has passed.
void TestTimerPrecision(WindowSystemState& s) {
    SystemState& system = MutableSystemState();
    Log("タイマーの精度を検査します\n");
    int mmChanges = 0, counterChanges = 0;
    const DWORD start = timeGetTime();
    DWORD lastMm = start;
    LARGE_INTEGER lastCounter{};
    QueryPerformanceCounter(&lastCounter);
    while (mmChanges < 60 && counterChanges < 60) {
        const DWORD mm = timeGetTime();
        LARGE_INTEGER counter{};
        QueryPerformanceCounter(&counter);
        if (mm != lastMm) ++mmChanges, lastMm = mm;
        if (counter.QuadPart != lastCounter.QuadPart) ++counterChanges, lastCounter = counter;
        if (mm - start >= 1000) break;
    }
    LogFormatLine(
        Cp932Text("精度結果 更新回数 マルチメディアタイマー：%d  パフォーマンスカウンター：%d"),
        mmChanges, counterChanges);
    if (counterChanges < mmChanges) {
        LogFormatLine(Cp932Text("Multi Media Timer を使用します Timer 精度 : %d.00 ms "),
                      static_cast<int>(s.timerPeriod));
        system.highResolutionTimer = 0;
    } else {
        LogFormatLine(Cp932Text("パフォーマンスカウンターを使用します タイマー精度 : %lf KHz "),
                      system.counterFrequency / 1000.0);
    }
}

void StartTimers(WindowSystemState& s) {
    SystemState& system = MutableSystemState();
    LARGE_INTEGER frequency{};
    if (!QueryPerformanceFrequency(&frequency)) frequency.QuadPart = 0;
    system.counterFrequency = frequency.QuadPart;
    system.highResolutionTimer = frequency.QuadPart != 0 ? 1 : 0;
    TIMECAPS caps{};
    if (timeGetDevCaps(&caps, sizeof(caps)) == 0) {
        s.timerPeriod = caps.wPeriodMin;
        system.minimumTimerPeriod = caps.wPeriodMin;
        if (timeBeginPeriod(caps.wPeriodMin) == 0) s.timerPeriodBegun = 1;
    }
    if (system.highResolutionTimer) TestTimerPrecision(s);
}

void ChooseCharacterSet() {
    if (GetEngineCharSet() != 0) return;
    const int oem = static_cast<int>(GetOEMCP());
    SetEngineCharSet(CharSetFromCodePage(oem));
    SetEngineCodePage(EngineCodePageFromCodePage(oem));
}

// Step 13: a running copy holds a window of the same class.
int CheckDoubleStart(WindowSystemState& s) {
    Log("ソフトの二重起動検査... ");
    if (!FindWindowA(s.settings.className, nullptr)) {
        Log("二重起動はされていませんでした\n");
        return 0;
    }
    if (!s.settings.doubleStartAllowed) {
        Log("二重起動されています、ソフトを終了します\n");
        SetQuitAndEnd();
        return -1;
    }
    Log("二重起動されていますが続行します\n");
    return 0;
}

void RegisterEngineClass(WindowSystemState& s) {
    WNDCLASSA wc{};
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = EngineWindowProc;
    wc.hInstance = s.instance;
    wc.hIcon = LoadIconA(s.instance, MAKEINTRESOURCEA(0x7F00));
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
    wc.lpszClassName = s.settings.className;
    Log("ウインドウクラスを登録します... ");
    if (RegisterClassA(&wc)) {
        Log("登録に成功しました\n");
    } else {
        SetQuitAndEnd();
    }
}

void ShiftRect(RECT* rect, int dx, int dy) {
    rect->left += dx;
    rect->right += dx;
    rect->top += dy;
    rect->bottom += dy;
}

void CentreOnDesktop(RECT* rect) {
    const int width = rect->right - rect->left, height = rect->bottom - rect->top;
    rect->left = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    rect->top = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    rect->right = rect->left + width;
    rect->bottom = rect->top + height;
}

HWND CreateTheWindow(WindowSystemState& s) {
    WindowSettings& set = s.settings;
    if (!set.windowMode) {
        Log("フルスクリーンモード用のウインドウを作成します\n");
        s.cursorVisibleSetting = 0;
        return CreateWindowExA(WS_EX_TOPMOST, set.className, set.caption, WS_POPUP, 0, 0,
                               s.baseWidth, s.baseHeight, nullptr, nullptr, s.instance, nullptr);
    }
    s.cursorVisibleSetting = 1;
    Log("ウインドウモード起動用のウインドウを作成します\n");
    DWORD style = 0, exStyle = 0;
    StyleForIndex(set, &style, &exStyle);
    int width, height;
    if (set.clientSizeSet) {
        width = set.clientWidth;
        height = set.clientHeight;
        if (!set.fixedWithoutScaling) {
            set.scaleX = static_cast<double>(width) / s.baseWidth;
            set.scaleY = static_cast<double>(height) / s.baseHeight;
        }
    } else {
        width = static_cast<int>(s.baseWidth * set.scaleX);
        height = static_cast<int>(s.baseHeight * set.scaleY);
    }
    RECT rect = {0, 0, width, height};
    AdjustWindowRectEx(&rect, style, FALSE, exStyle);
    s.captionHeight = -rect.top;
    ShiftRect(&rect, -rect.left, -rect.top);
    if (set.positionSet) {
        ShiftRect(&rect, set.positionX, set.positionY);
    } else {
        CentreOnDesktop(&rect);
    }
    return CreateWindowExA(exStyle, set.className, set.caption, style, rect.left, rect.top,
                           rect.right - rect.left, rect.bottom - rect.top, nullptr, nullptr,
                           s.instance, nullptr);
}

}  // namespace

void QueryWindowDrawSize(bool emulationCounts, int* width, int* height) {
    int w = 640, h = 480;
    Calls().QueryDrawSize(&w, &h);
    // A 320 x 240 screen is shown as a 640 x 480 one drawn at double size.
    if ((emulationCounts && Calls().GetEmulate320x240()) || w <= 0 || h <= 0) w = 640, h = 480;
    *width = w;
    *height = h;
}

void StyleForIndex(const WindowSettings& settings, DWORD* style, DWORD* exStyle) {
    static const DWORD kStyles[11] = {
        WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
        WS_POPUP | WS_SYSMENU,
        WS_POPUP | WS_SYSMENU,
        WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
        WS_POPUP | WS_SYSMENU,
        WS_POPUP | WS_CAPTION | WS_SYSMENU,
        WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
        WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX,
        WS_POPUP | WS_MAXIMIZE | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX,
        WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
        WS_POPUP | WS_MAXIMIZE | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX,
    };
    static const DWORD kExStyles[11] = {
        WS_EX_WINDOWEDGE | WS_EX_CLIENTEDGE,
        WS_EX_WINDOWEDGE | WS_EX_CLIENTEDGE,
        0,
        WS_EX_TOOLWINDOW,
        WS_EX_TOOLWINDOW,
        WS_EX_WINDOWEDGE,
        WS_EX_WINDOWEDGE | WS_EX_CLIENTEDGE,
        WS_EX_WINDOWEDGE | WS_EX_CLIENTEDGE,
        WS_EX_WINDOWEDGE | WS_EX_CLIENTEDGE,
        WS_EX_WINDOWEDGE,
        WS_EX_WINDOWEDGE,
    };
    const int index =
        settings.styleIndex >= 0 && settings.styleIndex <= 10 ? settings.styleIndex : 0;
    DWORD st = kStyles[index];
    if (settings.modeChangeAllowed) st |= WS_MAXIMIZEBOX;
    if (settings.visibleAtCreation) st |= WS_VISIBLE;
    if (settings.resizable) st |= WS_THICKFRAME;
    *style = st;
    *exStyle = kExStyles[index];
}

void StoreClientRect() {
    WindowSystemState& s = WindowState();
    if (!s.window) return;
    RECT client{};
    if (!GetClientRect(s.window, &client)) return;
    POINT topLeft = {0, 0};
    ClientToScreen(s.window, &topLeft);
    s.clientRect = {topLeft.x, topLeft.y, topLeft.x + client.right, topLeft.y + client.bottom};
}

int CreateMainWindow() {
    WindowSystemState& s = WindowState();
    const WindowSettings carried = s.settings;
    s = WindowSystemState{};
    s.settings = carried;
    s.creating = 1;
    s.instance = GetModuleHandleA(nullptr);
    s.mainThreadId = GetCurrentThreadId();

    AsyncLoadInit(s.mainThreadId);
    WindowCalls().InitFileHandles();

    if (!s.settings.className[0]) {
        CopyTextBounded(s.settings.className, kNameSize,
                        s.settings.caption[0] ? s.settings.caption : kDefaultClassName);
    }
    MeasureMemory(s);
    MeasureDesktop(s);
    QueryWindowDrawSize(true, &s.baseWidth, &s.baseHeight);
    StartTimers(s);
    SeedRandom(timeGetTime());
    BOOL saverActive = FALSE;
    if (SystemParametersInfoA(SPI_GETSCREENSAVEACTIVE, 0, &saverActive, 0)) {
        s.screenSaverWasActive = saverActive ? 1 : 0;
    }
    SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, FALSE, nullptr, 0);
    ChooseCharacterSet();

    if (!GetEngineFlags().noWindow && CheckDoubleStart(s) == -1) {
        s.creating = 0;
        return -1;
    }
    RegisterEngineClass(s);
    if (!s.settings.caption[0]) CopyTextBounded(s.settings.caption, kNameSize, kDefaultCaption);

    s.window = CreateTheWindow(s);
    if (!s.window) {
        SetQuitAndEnd();
        Log("ウインドウの作成に失敗しました\n");
        s.creating = 0;
        return -1;
    }
    Log("ウインドウの作成に成功しました\n");

    if (s.settings.startHidden) {
        ShowWindow(s.window, SW_HIDE);
    } else if (s.settings.startMinimised) {
        ShowWindow(s.window, SW_MINIMIZE);
        UpdateWindow(s.window);
    } else {
        Log("ウインドウを表示します\n");
        ShowWindow(s.window, SW_SHOW);
        UpdateWindow(s.window);
    }
    s.closing = 0;
    s.destroyed = 0;
    s.active = 1;
    if (!s.settings.windowMode) {
        Log("カーソルを不可視にしました\n");
        SetCursor(nullptr);
    }
    Log("ＩＭＥを無効にしました\n");
    // Letter keys must not go into a composition unless text input with the
    // IME is in use.
    if (auto enableIme = WinApi<BOOL(WINAPI*)(HWND, BOOL)>(Api_WINNLSEnableIME))
        enableIme(s.window, WindowCalls().IsImeInputEnabled() ? TRUE : FALSE);
    if (s.settings.windowMode) StoreClientRect();
    s.cursorShown = -1;  // unknown: the first apply always acts
    SetMouseCursorVisible(s.cursorVisibleSetting);
    s.ending = 0;
    s.creating = 0;
    s.initialised = 1;
    if (!s.settings.startHidden && !s.settings.startMinimised) {
        SetWindowPos(s.window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        FitWindowToScreen();
    }
    const int threads =
        s.settings.loaderThreads > 0 ? s.settings.loaderThreads : GetSystemState().processorCount;
    if (AsyncLoadStartThreads(threads > 0 ? threads : 1) == -1) {
        Log("非同期読み込み処理を行うスレッドの立ち上げに失敗しました\n");
        SetQuitAndEnd();
        return -1;
    }
    return 0;
}

int TerminateWindow() {
    WindowSystemState& s = WindowState();
    if (s.window) {
        SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, s.screenSaverWasActive, nullptr, 0);
        if (!GetEngineFlags().noWindow) {
            if (!s.cursorShown) SetMouseCursorVisible(1);
            if (!s.closing && !s.destroyed) {
                s.closing = 1;
                PostMessageA(s.window, WM_CLOSE, 0, 0);
            }
            while (PumpWindowMessages() == 0 && !s.destroyed) {
            }
            UnregisterClassA(s.settings.className, s.instance);
        }
        WindowCalls().EndTextInput();
        FreeDroppedFiles();
    }
    AsyncLoadStopThreads();
    AsyncLoadTerm();
    WindowCalls().EndFileHandles();
    if (s.timerPeriodBegun) {
        timeEndPeriod(s.timerPeriod);
        s.timerPeriodBegun = 0;
    }
    s.initialised = 0;
    return 0;
}

int ApplyWindowStyle() {
    WindowSystemState& s = WindowState();
    if (!s.window) return 0;
    int drawWidth = 640, drawHeight = 480;
    QueryWindowDrawSize(true, &drawWidth, &drawHeight);
    if (!s.settings.windowMode) {
        Log("ウインドウスタイルをフルスクリーンモード用に変更します... ");
        SetWindowLongA(s.window, GWL_EXSTYLE, WS_EX_TOPMOST);
        SetWindowLongA(s.window, GWL_STYLE, WS_POPUP);
        s.clientRect = {0, 0, drawWidth, drawHeight};
        ShowWindow(s.window, SW_SHOW);
        UpdateWindow(s.window);
        SetWindowPos(s.window, HWND_TOPMOST, 0, 0, drawWidth, drawHeight, SWP_NOACTIVATE);
        SetMouseCursorVisible(0);
    } else {
        Log("ウインドウスタイルをウインドウモード用に変更します... ");
        DWORD style = 0, exStyle = 0;
        StyleForIndex(s.settings, &style, &exStyle);
        SetWindowLongA(s.window, GWL_EXSTYLE, static_cast<LONG>(exStyle));
        SetWindowLongA(s.window, GWL_STYLE, static_cast<LONG>(style));
        int width, height;
        if (s.sizeChanged && s.settings.clientSizeSet) {
            width = s.settings.clientWidth;
            height = s.settings.clientHeight;
        } else {
            width = static_cast<int>(drawWidth * s.settings.scaleX);
            height = static_cast<int>(drawHeight * s.settings.scaleY);
        }
        RECT rect = {0, 0, width, height};
        AdjustWindowRectEx(&rect, style, FALSE, exStyle);
        ShiftRect(&rect, -rect.left, -rect.top);
        CentreOnDesktop(&rect);
        if (s.settings.positionSet) {
            ShiftRect(&rect, s.settings.positionX - rect.left, s.settings.positionY - rect.top);
        }
        SetWindowPos(s.window, HWND_NOTOPMOST, rect.left, rect.top, rect.right - rect.left,
                     rect.bottom - rect.top, 0);
        SetWindowPos(s.window, nullptr, rect.left, rect.top, rect.right - rect.left,
                     rect.bottom - rect.top, SWP_NOZORDER);
        StoreClientRect();
        if (s.clientRect.left < 0 || s.clientRect.top < 0) {
            const int dx = s.clientRect.left < 0 ? -s.clientRect.left : 0;
            const int dy = s.clientRect.top < 0 ? -s.clientRect.top : 0;
            ShiftRect(&rect, dx, dy);
            ShiftRect(&s.clientRect, dx, dy);
            SetWindowPos(s.window, nullptr, rect.left, rect.top, rect.right - rect.left,
                         rect.bottom - rect.top, SWP_NOZORDER);
        }
        SetMouseCursorVisible(1);
    }
    Log("完了\n");
    SetActiveWindow(s.window);
    PostMessageA(s.window, WM_SETCURSOR, reinterpret_cast<WPARAM>(s.window), 0);
    return 0;
}

int FitWindowToScreen() {
    WindowSystemState& s = WindowState();
    if (!s.window) return 0;
    int drawWidth = 640, drawHeight = 480;
    QueryWindowDrawSize(!s.settings.windowMode, &drawWidth, &drawHeight);
    const double sx = s.settings.windowMode ? s.settings.scaleX : 1.0;
    const double sy = s.settings.windowMode ? s.settings.scaleY : 1.0;
    const int targetWidth = static_cast<int>(drawWidth * sx);
    const int targetHeight = static_cast<int>(drawHeight * sy);
    RECT window{}, client{};
    GetWindowRect(s.window, &window);
    if (!GetClientRect(s.window, &client)) return 0;
    s.clientRect.right = s.clientRect.left + client.right;
    s.clientRect.bottom = s.clientRect.top + client.bottom;
    int width = targetWidth, height = targetHeight;
    if (s.sizeChanged) {
        if (s.settings.clientSizeSet) {
            width = s.settings.clientWidth;
            height = s.settings.clientHeight;
        } else {
            width = client.right;
            height = client.bottom;
        }
        if (s.creating || GetEngineFlags().initialising) {
            s.deferSizeChangedClear = 1;
        } else {
            s.sizeChanged = 0;
        }
        if (width > targetWidth) width = targetWidth;
        if (height > targetHeight) height = targetHeight;
    }
    const int frameWidth = (window.right - window.left) - client.right;
    const int frameHeight = (window.bottom - window.top) - client.bottom;
    int left = window.left, top = window.top;
    if (s.settings.positionSet && s.settings.windowMode) {
        left = s.settings.positionX;
        top = s.settings.positionY;
    }
    MoveWindow(s.window, left, top, width + frameWidth, height + frameHeight, TRUE);
    if (s.settings.windowMode && !s.firstFitDone) {
        s.firstFitDone = 1;
        ApplyWindowStyle();
    }
    return 0;
}

int ChangeWindowMode(int windowed) {
    WindowSystemState& s = WindowState();
    const int mode = windowed ? 1 : 0;
    Log("ChangeWindowMode実行 \n");
    if (mode == s.settings.windowMode) return 0;
    // Before the window exists only the choice is stored; start-up checks it.
    if (!mode && s.window) {
        int width = 640, height = 480;
        Calls().QueryDrawSize(&width, &height);
        bool found = false;
        const int count = Calls().QueryDisplayModeCount();
        for (int i = 0; i < count && !found; ++i) {
            const DisplayModeInfo m = Calls().QueryDisplayMode(i);
            found = m.width == width && m.height == height;
        }
        const bool emulated = width == 320 && height == 240;
        if (!found && !(emulated && Calls().IsHardwareRenderingWanted())) return -1;
        if (emulated) {
            Calls().SetAutoEmulate320x240(1);
            Calls().StoreScreenSize(640, 480);
        }
    }
    s.firstShowDone = 1;
    s.displayChangeMarked = 0;
    SetWindowModeFlag(mode);
    if (!s.window) return 0;
    ApplyWindowStyle();
    return WindowCalls().ChangeScreenMode(-1, -1, -1, 1, -1);
}

int FinishDeferredSizeChange() {
    WindowSystemState& s = WindowState();
    if (s.deferSizeChangedClear) {
        s.deferSizeChangedClear = 0;
        s.sizeChanged = 0;
    }
    return 0;
}

}  // namespace DuRud
