// Knobs and hooks for tests: every switch the tests use to steer the platform
// layer (hidden modules, the virtual clock, captured output, ...). Each knob
// also has an environment variable for whole-program runs (see README).
#pragma once

#include <cstddef>
#include <string>

#include "win_types.h"

// Restores every knob to its default. The test support calls it around every test.
void KnobResetAll();

// Reads the VESSAMIRE_* environment variables into the knobs. The process
// entry calls it once before WinMain.
void KnobApplyEnvironment();

// --- modules: run-time loaded stand-in libraries ---------------------------
// Makes a module absent: LoadLibraryA / GetModuleHandleA fail with
// ERROR_MOD_NOT_FOUND. Env VESSAMIRE_HIDE=d3d9.dll,dsound.dll
void KnobHideModule(const char* name, bool hidden);
// Makes one export absent: GetProcAddress gives null with ERROR_PROC_NOT_FOUND.
void KnobHideExport(const char* module, const char* name, bool hidden);
// Outstanding LoadLibraryA loads of a module; -1 for an unknown name.
int KnobModuleLoadCount(const char* name);

// --- process: debugger output, desktop composition, common controls --------
// Collects OutputDebugStringA text (code page 932 bytes); switching clears it.
void KnobCaptureDebugOutput(bool on);
std::string KnobDebugOutput();
// Copies debugger output to stderr as UTF-8. Env VESSAMIRE_DEBUG_OUTPUT=1
void KnobDebugOutputToStderr(bool on);
// The last DwmEnableComposition action, -1 when never called.
int KnobDesktopComposition();
// How often InitCommonControls(Ex) succeeded.
int KnobCommonControlsInitialised();

// --- clock (kernel) -----------------------------------------------------------
// Switches the layer's one clock between real time and the virtual clock,
// which moves only when the program sleeps or waits (see platform/win32/clock.h).
// Env: VESSAMIRE_VIRTUAL_CLOCK=1. Reset: real time.
void KnobSetVirtualClock(bool on);
bool KnobVirtualClock();

// --- memory (kernel) ----------------------------------------------------------
// Makes the n-th HeapAlloc from now (1 = the next one) fail with
// ERROR_NOT_ENOUGH_MEMORY; later calls succeed again. 0 turns it off.
// Env VESSAMIRE_FAIL_HEAP_ALLOC=n. Reset: off.
void KnobFailHeapAlloc(int n);
// Blocks now live in the process heap (HeapAlloc minus HeapFree).
size_t KnobHeapBlockCount();
