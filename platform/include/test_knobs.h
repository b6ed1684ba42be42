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

// --- clock (kernel) -----------------------------------------------------------
// Switches the layer's one clock between real time and the virtual clock,
// which moves only when the program sleeps or waits (see platform/win32/clock.h).
// Env: VESSAMIRE_VIRTUAL_CLOCK=1. Reset: real time.
void KnobSetVirtualClock(bool on);
bool KnobVirtualClock();
