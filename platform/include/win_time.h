// Clocks: performance counter, tick counts, local time, file-time conversion, winmm timers.
#pragma once

#include "win_types.h"
