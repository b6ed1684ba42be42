// Knobs and hooks for tests: every switch the tests use to steer the platform
// layer (hidden modules, the virtual clock, captured output, ...). Each knob
// also has an environment variable for whole-program runs (see README).
#pragma once

#include "win_types.h"

// Restores every knob to its default. The test support calls it around every test.
void KnobResetAll();

// Reads the VESSAMIRE_* environment variables into the knobs. The process
// entry calls it once before WinMain.
void KnobApplyEnvironment();
