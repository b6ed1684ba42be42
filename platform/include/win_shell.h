// The shell part of the Windows stand-in: files dropped onto a window.
#pragma once

#include "win_types.h"

void WINAPI DragAcceptFiles(HWND window, BOOL accept);
UINT WINAPI DragQueryFileA(HDROP drop, UINT index, LPSTR file, UINT size);
BOOL WINAPI DragQueryPoint(HDROP drop, LPPOINT point);
void WINAPI DragFinish(HDROP drop);
