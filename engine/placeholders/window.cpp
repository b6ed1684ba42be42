// Placeholder of the main window and message pump (deleted when that module
// is built): no window exists, so creation and the pump report failure.
#include "placeholders/missing_module.h"
#include "window/main_window.h"
#include "window/on_screen_log.h"

namespace DuRud {
namespace {
constexpr const char* kModule = "main window";
int g_windowMode = 0;  // the setting only: full screen until changed
}  // namespace

int CreateMainWindow() {
    return ReportMissingModule(kModule, "CreateMainWindow");
}
int TerminateWindow() {
    return 0;
}
int PumpWindowMessages() {
    return ReportMissingModule(kModule, "PumpWindowMessages");
}
int GetWindowModeFlag() {
    return g_windowMode;
}
int ChangeWindowMode(int windowed) {
    // Before start-up this only stores the choice, which needs no window.
    g_windowMode = windowed ? 1 : 0;
    return 0;
}
int ForceForegroundWindow(void*, int) {
    return ReportMissingModule(kModule, "ForceForegroundWindow");
}
int SetWindowEndingFlag(int) {
    return 0;
}
int GetWindowQuitFlag() {
    return 0;
}
int GetWindowDestroyedFlag() {
    return 0;
}
const char* GetWindowClassName() {
    return "";
}
void* GetWindowInstanceHandle() {
    return nullptr;
}
void* GetMainWindowHandle() {
    return nullptr;
}
int IsUserWindowMode() {
    return 0;
}
int FinishDeferredSizeChange() {
    return 0;
}

}  // namespace DuRud
