// The engine's random generator (declared in DuRud.h) and its test reset.
#pragma once

#include <cstdint>

#include "DuRud.h"

namespace DuRud {

// GetRandomInt's mapping of one generator output onto 0..max.
int ScaleRandomOutput(uint32_t output, int max);

// Back to the unseeded state of program start.
int ResetRandomForTest();

}  // namespace DuRud
