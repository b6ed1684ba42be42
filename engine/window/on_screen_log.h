// The on-screen log: text lines drawn over the screen with a font of its own.
// It runs only while graphics has a DirectDraw window; otherwise every call
// does nothing and returns 0 (StartOnScreenLog -1).
#pragma once

#include "DuRud.h"  // PrintOnScreenLog, ClearOnScreenLog, SetOnScreenLogFontSize

namespace DuRud {

int StartOnScreenLog();    // 0, or -1 without the DirectDraw window
int EndOnScreenLog();      // deletes its font, marks the log not started
int GetOnScreenLogFlag();  // 1 while printed text is to be drawn
int DrawOnScreenLog();

}  // namespace DuRud
