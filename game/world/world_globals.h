// Game-wide values that the world reads and the shell fills. They live in the
// world so that the shell depends on the world, never the reverse.
#pragma once

#include <cstdint>

// The current stage's settings, rewritten by every stage load; the initial
// values are the load defaults.
struct stage_info_record {
    int32_t width = 800;
    int32_t height = 576;
    uint8_t horizontal_wrap = 1;
    uint8_t vertical_wrap = 1;
    double gravity = 0.5;
    int32_t background_list[16] = {-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1};
    int32_t crossfade_level = 0;
    int32_t crossfade_step = 5;
    int32_t background_cycling = 0;  // 0 runs the list through once, 1 rotates it
    double scroll_speed_x = 0, scroll_speed_y = 0;
    int32_t stage_value_a = 0;
    double stage_pair_b[2] = {0, 0};
    int32_t stage_value_c = 0;
    int32_t transition_kind = 0;
    int32_t stage_music = -1;
    int32_t stage_number = 0;
};
extern stage_info_record stage_info;

extern int game_state;       // the current scene, 0 to 8
extern int frames_in_scene;  // passes since game_state last changed
extern int debug_mode;       // 1 when F2 was down as the lists began to load
extern int dimension;        // the play list in use
extern int stage;            // the stage's index in it
extern double bgm_volume;    // 0.0 to 1.0
extern double se_volume;     // 0.0 to 1.0

// The sound list's effects, in file order, played by name; unused records
// are empty with handle 0.
struct sound_entry_record {
    char file[256];
    char name[256];
    int32_t handle;
};
inline constexpr int sound_entry_count = 256;
extern sound_entry_record sound_entry[sound_entry_count];
