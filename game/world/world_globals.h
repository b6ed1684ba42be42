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

// --- Sprites, screen shake and visual effects --------------------------------
class entity;

// One picture of the sprite table: the list loader fills handle and size.
struct sprite_entry {
    int32_t handle = -1;
    int32_t width = 0;
    int32_t height = 0;
};
inline constexpr int sprite_table_size = 3072;
extern sprite_entry sprite_table[sprite_table_size];

// The shake every world sprite and effect is offset by.
struct screen_shake_record {
    double magnitude = 0;
    double offset_x = 0, offset_y = 0;
};
extern screen_shake_record screen_shake;

// One effect of the effect list: up to 20 keyframes, unused ones at their
// defaults (duration and end time -1).
inline constexpr int effect_keyframes = 20;
template <class T>
struct keyframe_values {
    T at[effect_keyframes];
    T& operator[](int k) { return at[k]; }
    const T& operator[](int k) const { return at[k]; }
};
template <class T>
constexpr keyframe_values<T> all_keyframes(T value) {
    keyframe_values<T> v{};
    for (T& slot : v.at) slot = value;
    return v;
}
struct effect_definition_record {
    char name[256] = {};
    int32_t kind = 0;
    keyframe_values<int32_t> sprite = all_keyframes<int32_t>(0);
    keyframe_values<int32_t> alpha = all_keyframes<int32_t>(255);
    keyframe_values<double> scale = all_keyframes(1.0);
    keyframe_values<int32_t> pair_a = all_keyframes<int32_t>(32);  // read, not drawn
    keyframe_values<int32_t> pair_b = all_keyframes<int32_t>(32);
    keyframe_values<double> angle = all_keyframes(0.0);
    keyframe_values<int32_t> duration = all_keyframes<int32_t>(-1);
    keyframe_values<int32_t> end_time = all_keyframes<int32_t>(-1);   // running sum of durations
    char picture[effect_keyframes][256] = {};                         // read, not drawn
    keyframe_values<int32_t> alpha_mode = all_keyframes<int32_t>(0);  // 0 step, 1 linear
    keyframe_values<int32_t> scale_mode = all_keyframes<int32_t>(0);
    keyframe_values<int32_t> angle_mode = all_keyframes<int32_t>(0);
    keyframe_values<int32_t> hidden = all_keyframes<int32_t>(0);
};
inline constexpr int effect_definition_count = 256;
extern effect_definition_record effect_definition[effect_definition_count];

// One playing effect; free while life is 0 or -1.
inline constexpr int32_t effect_life_endless = -52149;
struct effect_instance_record {
    int32_t definition = 0;
    double x = 0, y = 0;
    double vx = 0, vy = 0;  // an attached instance's offset from its entity
    double ax = 0, ay = 0;
    double scale = 1.0;
    int32_t life = 0;
    int32_t frame = 0;
    int32_t loop_frame = 0;
    uint8_t attached = 0;
    entity* followed = nullptr;
};
inline constexpr int effect_instance_count = 1024;
extern effect_instance_record effect_instance[effect_instance_count];

// The sound list's effects, in file order, played by name; unused records
// are empty with handle 0.
struct sound_entry_record {
    char file[256];
    char name[256];
    int32_t handle;
};
inline constexpr int sound_entry_count = 256;
extern sound_entry_record sound_entry[sound_entry_count];

// --- Stage counters, per-stage flags and the entity type lists ---------------
// Food points of the whole game; the stage loader reads and adjusts it.
extern int food_counter;
// Kicks that hit something, counted and read by nothing.
extern int kick_count;
// Set once an item of the unique category has shown up this stage.
extern uint8_t unique_item_shown;
// Set from food_counter at each stage load; while 0 no first-rank chest shows up.
extern int well_fed;

// One record of the item list (list order; the list loader fills it).
struct item_type_record {
    int32_t code;  // category mask; 0x400 a unique item
    char name[256];
    int32_t sprite_base;
    char speffect[256];    // the pickup effect's name
    int32_t speffect_row;  // that name read as a number
    int32_t rarity;        // 1 common .. 6 rarest
    int32_t spare;
    float hit_w, hit_h, hit_dx, hit_dy;
    int32_t points;
};
inline constexpr int item_type_capacity = 480;
extern item_type_record item_types[item_type_capacity];
extern int item_type_count;  // records read

// One record of the enemy list (list order; the list loader fills it). The
// boss list has the same shape; nothing in the game reads it.
struct enemy_type_record {
    int32_t code;
    char name[256];
    int32_t sprite_base;  // the sprite id of frame 0
    float health;
    float hit_w, hit_h, hit_dx, hit_dy;
    int32_t points;
};
inline constexpr int enemy_type_capacity = 256;
extern enemy_type_record enemy_types[enemy_type_capacity];
extern int enemy_type_count;  // records read
extern enemy_type_record boss_enemy_types[enemy_type_capacity];
extern int boss_enemy_type_count;

// One record of the block list.
struct block_type_record {
    int32_t code;
    char name[256];
    int32_t sprite_base;
    float hit_w, hit_h, hit_dx, hit_dy;
};
inline constexpr int block_type_capacity = 256;
extern block_type_record block_types[block_type_capacity];
extern int block_type_count;  // records read

// One record of the bullet list.
struct bullet_type_record {
    int32_t code;  // -1: no such type
    char name[256];
    int32_t sprite_base;
    float hit_w, hit_h, hit_dx, hit_dy;
    int32_t extra;  // the spin mode
};
inline constexpr int bullet_type_capacity = 256;
extern bullet_type_record bullet_types[bullet_type_capacity];
extern int bullet_type_count;  // records read

// --- Stage frame: requests, the stage bonus and the screens drawn on --------
// A scene change asked for during play; the stage transition applies it.
struct stage_change_request_record {
    uint8_t flag = 0;          // 1: change the stage now
    int32_t step = 0;          // added to the current stage when not 0
    int32_t target_stage = 0;  // else the stage and play list to go to
    int32_t target_dimension = 0;
};
extern stage_change_request_record stage_change_request;
extern uint8_t game_cleared;         // the boss aftermath finished the game
extern uint8_t stage_bonus_settled;  // the all-enemies-down check ran this stage
extern int chest_counter;            // treasure points of the whole game
extern uint8_t door_open;            // an opened door shows; the stage loader shuts it
// Graphics the shell creates: the 800 x 600 off-screen the frame is composed
// on, and the 800 x 536 play area the world is drawn into (-1: none yet).
extern int32_t offscreen;
extern int32_t play_area_screen;
