// The main window and its message pump: the operations the engine's life
// cycle calls, and the window state it reads.
#pragma once

#include <cstdint>

#include <windows.h>

#include "DuRud.h"

namespace DuRud {

// Also public (DuRud.h): ChangeWindowMode, SetMainWindowText,
// SetMouseCursorVisible, GetWindowActiveFlag, PumpWindowMessages,
// WaitWhileInactive, WaitMilliseconds, WaitForAnyInput.

int CreateMainWindow();   // 0, or -1: start-up fails
int TerminateWindow();    // destroys the window, ends the loader and the file handle type
int GetWindowModeFlag();  // 1 window, 0 full screen
int SetWindowModeFlag(int flag);
int ForceForegroundWindow(void* window, int topmost);  // the platform result

// Window state that start-up and shutdown read or write.
int SetWindowEndingFlag(int flag);
int GetWindowQuitFlag();
int GetWindowDestroyedFlag();
const char* GetWindowClassName();  // "" before a window class exists
void* GetWindowInstanceHandle();   // HINSTANCE
void* GetMainWindowHandle();       // HWND; null before the window exists
void* GetDisplayWindowHandle();    // the main window (no application-supplied one here)
int IsUserWindowMode();            // 1 when drawing into a window the application supplies
// Clears the window's size-changed flag when window fitting deferred it to
// the end of start-up.
int FinishDeferredSizeChange();

// Settings (before start-up) and flags.
int SetWindowStyleIndex(int index);  // 0 to 10; -1 otherwise
int SetWindowModeChangeAllowed(int flag);
int SetAlwaysRunFlag(int flag);
int GetAlwaysRunFlag();
int SetDoubleStartAllowed(int flag);
int SetWindowClientSize(int width, int height);  // -1 for a size below 1
int GetWindowMinimisedFlag();
int GetClosingFlag();
// 1 when switched, 0 when it already was so, -1 without the entry point.
int SetDesktopComposition(int enable);

// Services.
double GetWindowScale(double* x, double* y);
int SetWindowScale(double x, double y);
// Copies at most bufferSize - 1 bytes (never half a double-byte character)
// and a NUL; a null buffer gives the text's size + 1. -1 without text.
int GetClipboardText(char* buffer, int bufferSize);
int SetClipboardText(const char* text);
int RefreshDragAcceptFiles();
int GetDroppedFileCount();
const char* GetDroppedFileName(int index);  // null out of range
int FreeDroppedFiles();
int GetMousePosition(int* x, int* y);
int RecordMouseClick(int button);  // -1 when the log holds 32
int GetMouseClickCount();
int GetMouseClick(int index, int* button, int* x, int* y);
int ClearMouseClicks();
int GetMouseWheel(int* vertical, int* horizontal);
int GetWindowClientRect(RECT* rect);
int GetDesktopDisplayInfo(int* width, int* height, int* bits);
int FileTimeToLocalFields(const FILETIME* fileTime, int* year, int* month, int* day, int* hour,
                          int* minute, int* second);

// Procedure, activation and waits.
LRESULT CALLBACK EngineWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
int QueueWindowActivation(WPARAM wParam, int fromActivateApp);
int WindowActivate(WPARAM wParam, int fromActivateApp);  // -1: a lost full screen ends
int IsWaitWhileInactiveNeeded();

}  // namespace DuRud
