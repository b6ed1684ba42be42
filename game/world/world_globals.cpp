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

constinit int food_counter = 0;
constinit int kick_count = 0;
constinit uint8_t unique_item_shown = 0;
constinit int well_fed = 0;
constinit item_type_record item_types[item_type_capacity] = {};
constinit int item_type_count = 0;
constinit enemy_type_record enemy_types[enemy_type_capacity] = {};
constinit int enemy_type_count = 0;
constinit enemy_type_record boss_enemy_types[enemy_type_capacity] = {};
constinit int boss_enemy_type_count = 0;
constinit block_type_record block_types[block_type_capacity] = {};
constinit int block_type_count = 0;
constinit bullet_type_record bullet_types[bullet_type_capacity] = {};
constinit int bullet_type_count = 0;

constinit stage_change_request_record stage_change_request;
constinit uint8_t game_cleared = 0;
constinit uint8_t stage_bonus_settled = 0;
constinit int chest_counter = 0;
constinit uint8_t door_open = 0;
constinit int32_t offscreen = -1;
constinit int32_t play_area_screen = -1;
