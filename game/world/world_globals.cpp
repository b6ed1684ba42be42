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

constinit sprite_entry sprite_table[sprite_table_size];
constinit screen_shake_record screen_shake;
constinit effect_definition_record effect_definition[effect_definition_count];
constinit effect_instance_record effect_instance[effect_instance_count];

constinit sound_entry_record sound_entry[sound_entry_count] = {};
