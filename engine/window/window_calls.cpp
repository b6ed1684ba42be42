// The default table of the window module's outgoing calls. Modules that are
// not built yet answer with placeholders: actions report the missing module
// and fail, queries give the honest "nothing there" answer (no DirectDraw
// window, no lost device, no input down); graphics answers for the mode
// change, device restart and release, restore path, repaint, DirectDraw
// window and device loss, the draw settings for the flip, background colour,
// colour value, vertical sync and target.
#include "window/window_calls.h"

#include "files/file_handles.h"
#include "graphics/device_layer.h"
#include "graphics/draw_settings.h"
#include "graphics/draw_target.h"
#include "graphics/graphic_handles.h"
#include "graphics/graphics_startup.h"
#include "graphics/screen_state.h"
#include "input/char_input_state.h"
#include "input/input_devices.h"
#include "input/input_state.h"
#include "net/network.h"
#include "window/main_window.h"
#include "sound/movie/movie_module.h"
#include "sound/sound_system.h"

namespace DuRud {
namespace {

int RefreshKeyboardOnPump() {
    return RefreshKeyboardState(0);
}
int SetKeyboardFlag(int which, int on) {
    HandleInputWindowMessage(WM_USER + 111 + (which ? 1 : 0), on ? 1 : 0);
    return 0;
}
// Anything down: keys, pad buttons, mouse buttons in the window (0 without one).
int GetAnyInputBits() {
    if (!GetMainWindowHandle()) return 0;
    return CheckAnyInput(7);
}
int HandleImeMessageCall(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    *result = HandleImeMessage(window, message, wParam, lParam);
    return 1;
}
int IsImeInputEnabled() {
    return CharInput().imeInUse;
}
const WindowModuleCalls kDefaultCalls = {
    InitFileHandles,
    EndFileHandles,
    SetArchiveKey,
    RefreshKeyboardOnPump,
    ReacquireInputDevices,
    SetKeyboardFlag,
    GetAnyInputBits,
    UpdateJoypadVibration,
    ApplyJoypadVibration,
    FeedCharMessage,
    HandleImeMessageCall,
    ProcessKeyInput,
    IsImeInputEnabled,
    DeleteAllKeyInputs,  // EndTextInput
    StartImeReset,
    ProcessNetworkMessagesFromPump,
    HandleNetworkSelectMessage,
    ChangeScreenMode,
    RestartDevice,
    HasDirectDrawWindow,
    IsModeChangeRunning,
    HasRestoreCallback,
    IsDeviceLost,
    ReleaseDeviceResources,
    IsFlipInProgress,
    GetBackgroundColorSetting,
    MakeColorValue,
    SetVSyncWaitReturningOld,
    RepaintScreen,
    QueryDrawTarget,
    RefillStreamSounds,
    RefillSoftSoundPlayers,
    PollMusicPlayState,
    HandleMidiNotify,
    PauseAllSounds,
    PauseSoftSoundPlayers,
    PauseAllMovies,
    ResumeAllMovies,
    CreateFontHandle,
    SetFontDeletedFlag,
    GetFontCacheSettings,
    GetTextWidthWithFont,
    DrawTextWithFont,
    DeleteHandle,
};

const WindowModuleCalls* g_windowCalls = &kDefaultCalls;

}  // namespace

const WindowModuleCalls& WindowCalls() {
    return *g_windowCalls;
}
const WindowModuleCalls& DefaultWindowModuleCalls() {
    return kDefaultCalls;
}
const WindowModuleCalls* InstallWindowModuleCalls(const WindowModuleCalls* table) {
    const WindowModuleCalls* old = g_windowCalls;
    g_windowCalls = table ? table : &kDefaultCalls;
    return old;
}

}  // namespace DuRud
