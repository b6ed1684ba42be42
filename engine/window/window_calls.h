// The calls the main window, its procedure, the pump and the on-screen log
// make into modules that are built elsewhere (files, input, character input,
// network, graphics, sound, movies, fonts). The default table points at the
// real functions where they exist and at honest placeholders otherwise; tests
// install a table of their own to record and steer these calls.
#pragma once

#include <cstdint>

#include <windows.h>

#include "DuRud.h"
#include "font/font_handles.h"

namespace DuRud {

struct WindowModuleCalls {
    // file handle type and archive key
    int (*InitFileHandles)();
    int (*EndFileHandles)();
    int (*SetArchiveKey)(const char* key);
    // input
    int (*RefreshKeyboardState)();
    int (*ReacquireInputDevices)();
    int (*SetKeyboardFlag)(int which, int on);  // WM_USER+111 (which 0) / +112 (which 1)
    int (*GetAnyInputBits)();                   // keys, pad buttons, mouse buttons down
    int (*UpdateJoypadVibration)();
    int (*ApplyJoypadVibration)();
    // character input and IME
    int (*FeedCharMessage)(UINT message, WPARAM wParam, LPARAM lParam);
    // 1 when handled (its result in *result), else 0.
    int (*HandleImeMessage)(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                            LRESULT* result);
    int (*ProcessKeyInput)();
    int (*IsImeInputEnabled)();
    int (*EndTextInput)();
    int (*StartImeReset)();  // the window became active
    // network
    int (*ProcessNetworkMessages)();
    // 1 when the message was a socket notification it handled (result in *result).
    int (*NetworkWindowMessage)(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                LRESULT* result);
    // graphics
    int (*ChangeScreenMode)(int width, int height, int colorBits, int recreate, int refreshRate);
    int (*RestartDevice)();
    int (*HasDirectDrawWindow)();
    int (*IsModeChangeRunning)();
    int (*HasRestoreCallback)();
    int (*IsDeviceLost)();
    int (*ReleaseDeviceResources)();
    int (*IsFlipInProgress)();
    int (*GetBackgroundColor)(int* red, int* green, int* blue);  // 1 when set
    uint32_t (*MakeColorValue)(int red, int green, int blue);
    int (*SetVSyncWait)(int on);  // returns the previous setting
    int (*RepaintScreen)();
    int (*GetDrawTarget)();
    // sound and movies
    int (*RefillStreamSounds)();
    int (*RefillSoftSoundPlayers)();
    int (*PollMusicPlayState)();
    int (*HandleMidiNotify)();
    int (*PauseAllSounds)(int pause);
    int (*PauseSoftSoundPlayers)(int pause);
    int (*PauseAllMovies)();
    int (*ResumeAllMovies)();
    // fonts (the on-screen log's)
    Handle (*CreateFontHandle)(const FontCacheSettings* settings, const char* face, int size,
                               int thickness, int fontType, int charSet, int edgeSize, int italic,
                               Handle wanted, int asynchronous);
    int (*SetFontDeletedFlag)(Handle font, int32_t* flag);
    int (*GetFontCacheSettings)(FontCacheSettings* out);
    int (*GetTextWidthWithFont)(const char* text, int byteCount, Handle font, int vertical);
    int (*DrawTextWithFont)(int x, int y, const char* text, uint32_t color, Handle font,
                            uint32_t edgeColor, int vertical);
    int (*DeleteHandle)(Handle handle);
};

const WindowModuleCalls& WindowCalls();
const WindowModuleCalls& DefaultWindowModuleCalls();
// Installs a table (null: the default one); returns the one it replaces.
const WindowModuleCalls* InstallWindowModuleCalls(const WindowModuleCalls* table);

}  // namespace DuRud
