// Background music from eight slots, one current at a time.
#pragma once

#include <cstdint>

struct music_slot_record {
    int32_t index = -1;  // the slot's own number once registered, -1 when free
    char name[256] = {};
    char file[256] = {};
    int32_t state = 0;  // 2 once registered
    int32_t handle = 0;
    int32_t loop_position = 0;  // samples
    int32_t frequency = 44100;
    int32_t saved_position = -1;  // samples, stored each frame while current; -1 stopped
    double volume_factor = 1.0;   // multiplies bgm_volume
};
inline constexpr int music_slot_count = 8;
extern music_slot_record music_slot[music_slot_count];
extern int current_music;  // the current slot, -1 when none

// A start that failed is retried each frame until it plays.
extern int music_retry_pending;  // -1 pending, 0 not
extern int music_retry_track;
extern int music_retry_argument;

// Commands of control_music.
enum music_command : int {
    music_play = 1,    // from the loop start of track
    music_switch = 2,  // to track, keeping the play position
    music_volume = 3,  // track is the volume 0..255 of the current slot
    music_stop = 4,
};

void reset_music_slots();
// Takes the first free slot and loads the file; a file that cannot be loaded
// ends the game through the STOP screen. 0 (also when no slot is free).
int register_music(const char* name, const char* file, int loop_position);
// 0, or -1 when a start failed (it is then retried by refresh_music).
int control_music(int command, int track, int argument);
// Once per frame: stores the current slot's position, sets its volume and
// retries a failed start.
int refresh_music();
