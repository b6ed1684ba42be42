// The screen for failures the game cannot continue from, and for breakpoints
// while developing.
#pragma once

#include <cstdint>

// Codes of the report; any other value shows as an unknown error.
enum stop_code : int32_t {
    stop_program_state_out_of_range = 0,
    stop_file_load_error = 1,
    stop_interaction_failure = 2,
    stop_file_corrupted = 3,
    stop_entity_spawn_failure = 4,
    stop_limit_exceeded = 5,
    stop_bgm_failed = 6,
    stop_breakpoint = 0xB00B00,  // the one code that returns
};

// Breakpoint identifiers already shown; 0 marks a free slot. Kept for the run.
inline constexpr int remembered_breakpoint_count = 256;
extern uint32_t remembered_breakpoints[remembered_breakpoint_count];

// Shows the report and waits: a breakpoint returns after any input (at once,
// without drawing, when its identifier was shown before); any other code
// ends the engine and the process with exit code 1 on ESC or window close.
// Leaves the back buffer selected, blend none and the default font at 14/3.
void stop_screen(int32_t code, uint32_t param1, uint32_t param2, uint32_t param3, uint32_t param4);

// The two halves of stop_screen. Drawing returns false for a breakpoint shown
// before (nothing drawn, nothing to wait for).
bool draw_stop_screen(int32_t code, uint32_t param1, uint32_t param2, uint32_t param3,
                      uint32_t param4);
void wait_on_stop_screen(int32_t code);
