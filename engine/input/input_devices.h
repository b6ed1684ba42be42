// Keyboard, mouse and joypads: start and end of the input module, and the
// window state it reads.
#pragma once

#include <cstdint>

namespace DuRud {

int InitializeInput();  // 0, or -1: start-up fails
int ShutdownInput();
int ReacquireInputDevices();
int RefreshKeyboardState(int pump);  // 1 when the key state was read anew
// Window procedure hook: WM_USER+111 (F10 down) and WM_USER+112; 1 when the
// message was one of them.
int HandleInputWindowMessage(unsigned message, uintptr_t wParam);

// The window operations input needs. Defaults: the engine's pump and main
// window, the layer's activation, cursor and client rectangle; tests replace
// them with doubles.
struct InputWindowLink {
    int (*pump)();  // 0 while running, non-zero once the program must end
    int (*waitWhileInactive)();
    int (*isActive)();      // 1 when the main window is active
    void* (*mainWindow)();  // HWND or null
    uint32_t (*mainThreadId)();
    int (*closeRequested)();  // 1 once a window close was requested
    // Mouse position in window coordinates and the client size; 0, or -1.
    int (*mousePosition)(int* x, int* y);
    int (*clientSize)(int* width, int* height);
};
void SetInputWindowLink(const InputWindowLink* link);  // null restores the defaults
const InputWindowLink& GetInputWindowLink();

// Back to the state at program start, kept fields included (tests).
int ResetInputForTest();

}  // namespace DuRud
