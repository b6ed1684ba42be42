// The on-screen log: text lines drawn over the screen with a font of its own.
// It runs only while graphics has a DirectDraw window; otherwise every call
// does nothing and returns 0 (StartOnScreenLog -1).
#pragma once

namespace DuRud {

int StartOnScreenLog();                // 0, or -1 without the DirectDraw window
int EndOnScreenLog();                  // deletes its font, marks the log not started
int SetOnScreenLogFontSize(int size);  // below 1: 16
int PrintOnScreenLog(const char* format, ...) __attribute__((format(printf, 1, 2)));
int ClearOnScreenLog();
int GetOnScreenLogFlag();  // 1 while printed text is to be drawn
int DrawOnScreenLog();

}  // namespace DuRud
