// Display modes: the full-screen display switch, the list of display modes
// the screen-mode checks consult, the dialog-box mode and the DirectDraw
// object's availability.
#pragma once

#include "graphics/graphics_startup.h"

namespace DuRud {

int SetFullScreenDisplayMode();  // 0, or -1 when the display refused
// Frees the old list and builds a new one (modes of 16 bits or more).
int ListDisplayModes(int* count, DisplayModeInfo** list);
int FreeDisplayModeList();
int IsDisplayModeAvailable(int width, int height, int bits);
int SetDialogBoxModeFlag(int flag);
int GetDialogBoxModeFlag();
void* GetDirectDrawObject();

}  // namespace DuRud
