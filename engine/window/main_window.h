// The main window and its message pump: the operations the engine's life
// cycle calls, and the window state it reads.
#pragma once

#include <cstdint>

namespace DuRud {

int CreateMainWindow();    // 0, or -1: start-up fails
int TerminateWindow();     // destroys the window, ends the loader and the file handle type
int PumpWindowMessages();  // 0 while running, -1 once the program must end
int GetWindowModeFlag();   // 1 window, 0 full screen
int ChangeWindowMode(int windowed);                    // 0, or -1 when the mode is not available
int ForceForegroundWindow(void* window, int topmost);  // the platform result

// Window state that start-up and shutdown read or write.
int SetWindowEndingFlag(int flag);
int GetWindowQuitFlag();
int GetWindowDestroyedFlag();
const char* GetWindowClassName();  // "" before a window class exists
void* GetWindowInstanceHandle();   // HINSTANCE
void* GetMainWindowHandle();       // HWND; null before the window exists
int IsUserWindowMode();            // 1 when drawing into a window the application supplies
// Clears the window's size-changed flag when window fitting deferred it to
// the end of start-up.
int FinishDeferredSizeChange();

}  // namespace DuRud
