// The on-screen log: text lines drawn over the screen with a font of its own.
#pragma once

namespace DuRud {

int StartOnScreenLog();  // 0, or -1
int EndOnScreenLog();    // deletes its font, marks the log not started

}  // namespace DuRud
