// Engine start-up and shutdown in their fixed order, the three locked public
// entries and FatalExit. Every other module is reached through the module
// call table, so the order can be observed.
//
// A start-up that fails ends, in shutdown order, every step that ran (the
// failing one included), so that the window, threads and handle types do not
// outlive it and a later start-up works.
#include "core/engine_lifecycle.h"

#include <atomic>
#include <cstdarg>
#include <cstring>
#include <optional>

#include <windows.h>

#include "DuRud.h"
#include "core/api_lock.h"
#include "core/log.h"
#include "core/module_calls.h"
#include "core/system_services.h"
#include "core/text_literals.h"
#include "font/faces_read_ahead.h"
#include "window/main_window.h"

namespace DuRud {
namespace {

EngineFlags g_flags;
char g_startDirectory[MAX_PATH + 1];
DWORD g_mainThreadId = 0;
std::atomic<int> g_fatalEntered{0};
std::atomic<int> g_shuttingDown{0};

// Start-up steps whose ends a failed start-up must run.
enum StartedStep : uint32_t {
    kStartedWinApis = 1u << 0,
    kStartedArchives = 1u << 1,
    kStartedDirectory = 1u << 2,
    kStartedLog = 1u << 3,
    kStartedCom = 1u << 4,
    kStartedWindow = 1u << 5,
    kStartedInput = 1u << 6,
    kStartedSound = 1u << 7,
    kStartedGraphics = 1u << 8,
};
std::atomic<uint32_t> g_started{0};

void MarkStarted(uint32_t step) {
    g_started.fetch_or(step);
}

// Shutdown steps 15-17: pump until the window is gone, unregister the class,
// destroy a window that is still found.
void EndWindowRemains() {
    const ModuleCalls& calls = Calls();
    if (!g_flags.noWindow) {
        while (calls.PumpWindowMessages() == 0 && !GetWindowQuitFlag() &&
               !GetWindowDestroyedFlag()) {
        }
    }
    const char* className = GetWindowClassName();
    if (!g_flags.noWindow && className && className[0]) {
        HWND main = static_cast<HWND>(GetMainWindowHandle());
        // A window that refuses to go must not hold shutdown for ever.
        for (int turn = 0; main && turn < 50 && FindWindowA(className, nullptr) == main; ++turn) {
            DestroyWindow(main);
            Sleep(100);
        }
    }
    // Only once its window is gone: a class with a live window stays registered,
    // and the next start-up in this process could not register it again.
    if (className && className[0]) {
        UnregisterClassA(className, static_cast<HINSTANCE>(GetWindowInstanceHandle()));
    }
    // The window's destruction posted WM_QUIT to this thread; left queued it
    // would end the first pump of a later start-up in this process.
    if (!g_flags.noWindow) {
        MSG quit{};
        PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
    }
}

// Ends the started steps in shutdown order (the failure path of start-up).
void EndStartedSteps() {
    const ModuleCalls& calls = Calls();
    const uint32_t started = g_started.load();
    if (started & kStartedGraphics) {
        calls.EndGraphics();
        calls.TerminateBaseImage();
        calls.TerminateSoftImages();
        calls.TerminateMovieModule();
    }
    if (started & kStartedInput) calls.ShutdownInput();
    if (started & kStartedSound) {
        calls.TerminateSoundSystem();
        calls.TerminateSoundConvert();
    }
    if (started & kStartedWindow) calls.TerminateWindow();
    if (started & kStartedCom) calls.TerminateCom();
    if (started & kStartedWindow) EndWindowRemains();
    if (started & kStartedDirectory) calls.ChangeStreamDir(g_startDirectory);
    if (started & kStartedArchives) calls.EndArchives();
    if (started & kStartedLog) calls.MemDumpAll();
    if (started & kStartedWinApis) calls.UnloadWinApis();
    g_started.store(0);
}

int FailStartUp() {
    EndStartedSteps();
    g_flags.initialising = 0;
    return -1;
}

bool IsListedDisplayMode(int width, int height, int bits) {
    const ModuleCalls& calls = Calls();
    const int count = calls.QueryDisplayModeCount();
    for (int i = 0; i < count; ++i) {
        const DisplayModeInfo mode = calls.QueryDisplayMode(i);
        if (mode.width == width && mode.height == height && mode.colorBits == bits) return true;
    }
    return false;
}

// Full screen: keep the requested mode when the display lists it, else fall
// back (640 x 480 x 16 to x 32 once, then window mode).
void CheckFullScreenMode() {
    const ModuleCalls& calls = Calls();
    for (int attempt = 0;; ++attempt) {
        int width = 0, height = 0;
        calls.QueryDrawSize(&width, &height);
        const int bits = calls.QueryColorBits();
        LogFormatLine(Cp932Text("設定されている画面設定 %dx%d %dbit color"), width, height, bits);
        if (IsListedDisplayMode(width, height, bits)) break;
        LogFormatLine("%s", Cp932Text("対応している画面モードなし"));
        // Once only: a mode change that stored nothing would loop for ever.
        if (attempt == 0 && width == 640 && height == 480 && bits == 16) {
            calls.SetScreenMode(640, 480, 32, calls.QueryRefreshRate());
            continue;
        }
        if (width == 320 && height == 240 && calls.IsHardwareRenderingWanted()) break;
        calls.ChangeWindowMode(TRUE);
        break;
    }
    int width = 0, height = 0;
    calls.QueryDrawSize(&width, &height);
    if (width == 320 && height == 240 && !GetWindowModeFlag()) {
        calls.SetAutoEmulate320x240(1);
        calls.StoreScreenSize(640, 480);
    }
}

int DesktopColorDepth() {
    HDC dc = GetDC(nullptr);
    if (!dc) return 0;
    const int depth = GetDeviceCaps(dc, BITSPIXEL) * GetDeviceCaps(dc, PLANES);
    ReleaseDC(nullptr, dc);
    return depth;
}

}  // namespace

const EngineFlags& GetEngineFlags() {
    return g_flags;
}

int SetEngineSkipFlags(int noWindow, int noGraphics, int noSound, int noInput) {
    g_flags.noWindow = noWindow ? 1 : 0;
    g_flags.noGraphics = noGraphics ? 1 : 0;
    g_flags.noSound = noSound ? 1 : 0;
    g_flags.noInput = noInput ? 1 : 0;
    return 0;
}

const char* GetStartDirectory() {
    return g_startDirectory;
}
DWORD GetEngineMainThreadId() {
    return g_mainThreadId;
}

int ClearEndRequestFlag() {
    g_flags.endRequest = 0;
    return 0;
}
int SetEndRequestFlag() {
    g_flags.endRequest = 1;
    return 0;
}
int GetEndRequestFlag() {
    return g_flags.endRequest;
}
int SetUseAsyncLoad(int flag) {
    g_flags.useAsyncLoad = flag;
    return 0;
}
int GetUseAsyncLoad() {
    return g_flags.useAsyncLoad != 0 ? 1 : 0;
}

int InitializeEngine() {
    if (g_flags.initialised) return 0;
    g_flags.initialising = 1;
    g_mainThreadId = GetCurrentThreadId();
    g_started.store(0);
    const ModuleCalls& calls = Calls();
    calls.ClearEndRequestFlag();
    calls.LoadWinApis();
    MarkStarted(kStartedWinApis);
    calls.InitTheoraColorTables();
    calls.InitArchives();
    MarkStarted(kStartedArchives);
    calls.SetStreamFunctionTable(nullptr);
    g_startDirectory[0] = 0;
    calls.GetStreamDir(g_startDirectory);
    MarkStarted(kStartedDirectory);
    if (GetLogFolder()[0] == 0) SetLogFolder(g_startDirectory);
    calls.LogStart();
    MarkStarted(kStartedLog);
    if (!GetWindowModeFlag()) CheckFullScreenMode();
    if (!g_flags.noWindow) {
        if ((DesktopColorDepth() == 24 && GetWindowModeFlag()) || Calls().QueryColorBits() == 24) {
            LogWrite(Cp932Text("ROderazは２４ビットカラーモードに対応していません\n"));
            return FailStartUp();
        }
    }
    LARGE_INTEGER frequency{};
    if (!QueryPerformanceFrequency(&frequency)) frequency.QuadPart = 0;
    MutableSystemState().counterFrequency = frequency.QuadPart;
    MutableSystemState().highResolutionTimer = frequency.QuadPart != 0 ? 1 : 0;
    // The fonts made with the graphics read every installed face first: that
    // reading is started now, beside the processor-speed count's sleep.
    std::optional<FacesReadAhead> facesAhead;
    if (!g_flags.noGraphics) facesAhead.emplace();
    calls.LogSystemInfo();
    calls.SetRestoreCallback(nullptr);
    calls.InitializeCom();
    MarkStarted(kStartedCom);
    MarkStarted(kStartedWindow);
    if (calls.CreateMainWindow() == -1) return FailStartUp();
    if (!g_flags.noInput) {
        MarkStarted(kStartedInput);
        if (calls.InitializeInput() == -1) return FailStartUp();
    }
    if (!g_flags.noSound) {
        MarkStarted(kStartedSound);
        calls.InitSoundConvert();
        calls.InitSoundSystem();
    }
    if (!g_flags.noGraphics) {
        MarkStarted(kStartedGraphics);
        calls.InitializeBaseImage();
        calls.InitializeSoftImages();
        calls.InitMovieModule();
        if (calls.StartGraphics() < 0) return FailStartUp();
    }
    calls.InitCharBuffer();
    g_flags.initialised = 1;
    if (!GetWindowModeFlag() && !IsUserWindowMode()) {
        calls.ForceForegroundWindow(GetMainWindowHandle(), 1);
    }
    calls.StartOnScreenLog();
    calls.SelectDrawTarget(-2);
    calls.SelectDrawTarget(-4);
    if (!g_flags.noGraphics) calls.StartModels();
    FinishDeferredSizeChange();
    g_flags.initialising = 0;
    return 0;
}

int ShutdownEngine() {
    if (!g_flags.initialised) return 0;
    g_shuttingDown.store(1);
    const ModuleCalls& calls = Calls();
    SetWindowEndingFlag(1);
    // No load may run on while the modules it fills end: the loads running
    // finish, the queued ones go with their handles.
    calls.StopAsyncLoading();
    calls.DeleteAllSoftImages();
    calls.EndOnScreenLog();
    calls.EndNetwork();
    calls.StopCurrentMusic();
    calls.EndModels();
    calls.EndGraphics();
    calls.TerminateBaseImage();
    calls.TerminateSoftImages();
    calls.TerminateMovieModule();
    calls.ShutdownInput();
    calls.TerminateSoundSystem();
    calls.TerminateSoundConvert();
    calls.TerminateWindow();
    calls.TerminateCom();
    g_flags.initialised = 0;
    EndWindowRemains();
    calls.ChangeStreamDir(g_startDirectory);
    calls.EndArchives();
    calls.MemDumpAll();
    calls.UnloadWinApis();
    g_started.store(0);
    g_shuttingDown.store(0);
    return 0;
}

int InitializeEngineLocked() {
    if (g_flags.initialised) return 0;
    LockEngineApi();
    const int result = InitializeEngine();
    UnlockEngineApi();
    return result;
}

int ShutdownEngineLocked() {
    if (!g_flags.initialised) return 0;
    LockEngineApi();
    ShutdownEngine();
    UnlockEngineApi();
    DestroyEngineApiLock();
    return 0;
}

int PumpWindowMessagesLocked() {
    LockEngineApi();
    const int result = Calls().PumpWindowMessages();
    UnlockEngineApi();
    return result;
}

void FatalExit(const char* text) {
    LogWrite(text ? text : "");
    LogWrite("\n");
    // One exit only: a second fatal error (or one raised while shutting
    // down) ends the process at once. Off the engine's main thread the
    // shutdown would race the main thread, so the process ends there too.
    const bool first = g_fatalEntered.exchange(1) == 0;
    const bool onMain = g_mainThreadId == 0 || GetCurrentThreadId() == g_mainThreadId;
    if (first && onMain && !g_shuttingDown.load()) {
        if (g_flags.initialising && !g_flags.initialised) {
            EndStartedSteps();
        } else {
            ShutdownEngine();
        }
    }
    ExitProcess(static_cast<UINT>(-1));
}

void FatalExitFormat(const char* format, ...) {
    char text[1024];
    va_list args;
    va_start(args, format);
    FormatStringV(text, sizeof(text), format, args);
    va_end(args);
    FatalExit(text);
}

}  // namespace DuRud
