// The game's entry. Until the game shell lands it only says so and ends.
#include <cstdio>

#include "DuRud.h"

int WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    std::fputs("Vessamire -prelude- ver 0.10: the game shell is not built yet.\n", stderr);
    return 0;
}
