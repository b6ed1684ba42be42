// The game-wide values, constant-initialised so they hold before main.
#include "world/world_globals.h"

constinit stage_info_record stage_info;

constinit int game_state = 0;
constinit int frames_in_scene = 0;
constinit int debug_mode = 0;
constinit int dimension = 0;
constinit int stage = 0;
constinit double bgm_volume = 0.5;  // the settings' defaults
constinit double se_volume = 1.0;

constinit sound_entry_record sound_entry[sound_entry_count] = {};
