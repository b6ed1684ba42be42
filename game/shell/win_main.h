// The game's entry and main loop.
#pragma once

#include "DuRud.h"

// The game_state seen at the end of the last pass (0 at program start).
extern int previous_state;

// Runs the game: -1 when the engine does not start, else 0 after a normal
// end. A state outside 0..8 ends the process through the STOP screen (1).
int WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCommand);
