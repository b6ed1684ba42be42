// The scene functions, one per game_state, and the in-game menu. A scene
// draws one frame into the off-screen; it changes scene by writing
// game_state, which takes effect at the next pass. A negative result ends
// the main loop.
#pragma once

#include <cstdint>

int load_lists();              // 0
int scene_splash();            // 1
int scene_title();             // 2
int load_stage();              // 3
int scene_play();              // 4
int scene_stage_transition();  // 5
int scene_continue();          // 6
int scene_game_over();         // 7
int scene_result();            // 8

// The menu opened by ESC; 1 when the player chose to quit.
int in_game_menu();

// The game stood still from the millisecond clock's value `since` until now
// (the menu was open): the continue countdown leaves that time out.
void hold_continue_countdown(int32_t since);

// Starts a new game: world and first player reset, the first stage
// requested, a white-flash transition (state 5).
void start_new_game();

// Asks for dimension 0, stage 0 at the next transition.
void request_first_stage();

// Finished result tallies; selects the clear-count picture 301 + count.
extern int clear_count;

// Parts the scenes share: a still of the current stage into target (blocks
// and items, with enemies, crackers and bullets when whole_world) flushed
// with the given wrap copies; the bouncing title prompt.
void draw_stage_still(int target, int copies, bool whole_world);
void draw_prompt(int frame);
