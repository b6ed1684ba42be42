// Process-level functions: debug output, process exit, the command line,
// desktop composition ("dwmapi.dll") and common controls ("comctl32.dll").
#pragma once

#include "win_types.h"

// Sends a code page 932 string to the debugger output (a test capture and,
// when switched on, stderr as UTF-8).
void WINAPI OutputDebugStringA(LPCSTR text);

// Flushes the layer's output and ends the process at once with the code's low
// 8 bits as exit status; no static destructors run, other threads just stop.
[[noreturn]] void WINAPI ExitProcess(UINT exitCode);

// The whole command line (program name included) in code page 932.
LPSTR WINAPI GetCommandLineA();

// DwmEnableComposition actions.
#define DWM_EC_DISABLECOMPOSITION 0
#define DWM_EC_ENABLECOMPOSITION 1

// Switches desktop composition; E_INVALIDARG for another action.
HRESULT WINAPI DwmEnableComposition(UINT compositionAction);

// InitCommonControlsEx classes.
#define ICC_LISTVIEW_CLASSES 0x00000001
#define ICC_TREEVIEW_CLASSES 0x00000002
#define ICC_BAR_CLASSES 0x00000004
#define ICC_TAB_CLASSES 0x00000008
#define ICC_UPDOWN_CLASS 0x00000010
#define ICC_PROGRESS_CLASS 0x00000020
#define ICC_WIN95_CLASSES 0x000000FF
#define ICC_STANDARD_CLASSES 0x00004000

struct INITCOMMONCONTROLSEX {
    DWORD dwSize;
    DWORD dwICC;
};
typedef INITCOMMONCONTROLSEX* LPINITCOMMONCONTROLSEX;

void WINAPI InitCommonControls();
// FALSE when the record is missing or its size is wrong.
BOOL WINAPI InitCommonControlsEx(const INITCOMMONCONTROLSEX* init);
