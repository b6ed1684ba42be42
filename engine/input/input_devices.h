// Keyboard, mouse and joypads: start and end of the input module.
#pragma once

namespace DuRud {

int InitializeInput();  // 0, or -1: start-up fails
int ShutdownInput();

}  // namespace DuRud
