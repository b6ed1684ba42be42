// The window module's one record, shared by window creation, the window
// procedure, the pump and the services. Main thread only, no lock.
#pragma once

#include <cstdint>

#include <windows.h>

#include "window/main_window.h"

namespace DuRud {

constexpr int kActivationRingSize = 512;
constexpr int kClickLogSize = 32;
constexpr int kMaxDroppedFiles = 1000;
constexpr int kNameSize = 256;

// Settings made before start-up; creation keeps them.
struct WindowSettings {
    int windowMode = 0;  // 1 window, 0 full screen
    int styleIndex = 0;  // 0 to 10
    int modeChangeAllowed = 0;
    int resizable = 0;
    int visibleAtCreation = 0;
    int startHidden = 0;
    int startMinimised = 0;
    int alwaysRun = 0;
    int doubleStartAllowed = 0;
    int cursorClip = 0;
    int loaderThreads = 0;  // 0: one per logical processor
    double scaleX = 1.0;
    double scaleY = 1.0;
    int clientWidth = 0;  // explicit client size, 0 when unset
    int clientHeight = 0;
    int clientSizeSet = 0;
    int fixedWithoutScaling = 0;
    int positionX = 0;
    int positionY = 0;
    int positionSet = 0;
    char caption[kNameSize] = {};
    char className[kNameSize] = {};
    char startDirectory[kNameSize] = {};
};

struct ClickRecord {
    int button;
    int x;
    int y;
};

struct ActivationEntry {
    uint32_t wParam;
    uint32_t fromActivateApp;
};

struct WindowSystemState {
    WindowSettings settings;
    // handles
    HINSTANCE instance = nullptr;
    HWND window = nullptr;
    DWORD mainThreadId = 0;
    // geometry
    RECT windowRect = {};
    RECT clientRect = {};  // screen coordinates
    int captionHeight = 0;
    int sizeChanged = 0;
    int deferSizeChangedClear = 0;
    int firstShowDone = 0;
    int firstFitDone = 0;
    int baseWidth = 640;
    int baseHeight = 480;
    // desktop, memory
    int desktopWidth = 0;
    int desktopHeight = 0;
    int desktopBits = 0;
    uint64_t totalMemory = 0;
    uint64_t freeMemory = 0;
    int initialised = 0;
    // state flags
    int quit = 0;
    int destroyed = 0;
    int closing = 0;
    int ending = 0;
    uint32_t active = 0;
    uint32_t minimised = 0;
    int painted = 0;
    int inPaint = 0;
    int inPump = 0;
    int creating = 0;
    int textInputGuard = 0;
    int altEnterRequest = 0;
    int menuLoopMarked = 0;
    int cursorClipped = 0;
    int displayChangeMarked = 0;
    int repaintPending = 0;
    int32_t lastRepaintTime = 0;
    int32_t inactiveSince = 0;
    int timerPeriodBegun = 0;
    uint32_t timerPeriod = 0;
    int screenSaverWasActive = 0;
    int desktopComposition = -1;  // the last setting made, -1: none yet
    // cursor
    int cursorVisibleSetting = 1;
    int cursorShown = 1;
    ClickRecord clicks[kClickLogSize] = {};
    int clickCount = 0;
    int wheelVertical = 0;
    int wheelHorizontal = 0;
    // dropped files (tracked allocations)
    char* droppedFiles[kMaxDroppedFiles] = {};
    int droppedCount = 0;
    // activation ring
    ActivationEntry ring[kActivationRingSize] = {};
    int ringRead = 0;
    int ringWrite = 0;
    int ringCount = 0;
    // the mode-change callback after Alt+Enter
    void (*modeChangeCallback)(void*) = nullptr;
    void* modeChangeData = nullptr;
    void (*activationCallback)(int active, void* data) = nullptr;
    void* activationData = nullptr;
};

WindowSystemState& WindowState();

// Bounded copy that never splits a double-byte character of the engine's
// character set; always NUL-terminates (size > 0).
void CopyTextBounded(char* destination, int size, const char* source);

// The draw size the window is sized for (640 x 480 when unset); with
// emulationCounts, 640 x 480 while the 320x240 emulation is asked for or on.
void QueryWindowDrawSize(bool emulationCounts, int* width, int* height);
// Style helpers shared by the window files.
void StyleForIndex(const WindowSettings& settings, DWORD* style, DWORD* exStyle);
void StoreClientRect();
int ApplyWindowStyle();
int FitWindowToScreen();
bool IsEngineMainThread();

}  // namespace DuRud
