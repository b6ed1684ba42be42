// The player's settings: the 21-line file "setting.qvx" in the working
// directory, read at start-up and written at the end and when the menu closes.
#pragma once

#include <cstdint>

struct settings_record {
    uint8_t full_screen;     // 1: full screen at start
    double bgm_volume;       // 0.0..1.0
    double se_volume;        // 0.0..1.0
    double screen_scale;     // 0.4..4.0
    int32_t sampling_mode;   // 0 nearest, 1 bilinear
    int32_t key_codes[8];    // keyboard codes, left right up down jump attack bomb start
    int32_t pad_buttons[8];  // pad buttons 0..31, same order
};
extern settings_record settings;

// What the settings feed (the volumes are the world's globals).
extern double screen_scale;
extern int sampling_mode;

inline constexpr const char* settings_file_name = "setting.qvx";

void default_settings(settings_record* record);
// Defaults, then whatever the file holds that reads as a sound value.
void read_settings(settings_record* record);
// The whole file or nothing: a failed write keeps the old file.
void write_settings(const settings_record* record);
// Record -> globals and the first player's keys and pad buttons, and back.
void apply_settings(const settings_record* record);
void collect_settings(settings_record* record);
