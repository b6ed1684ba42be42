// The four list files under "datas/lists/" and the tables they fill. The
// world's tables (sprite table, entity types, sounds, effects) live in the
// world; the picture records, music records and play lists are the shell's.
#pragma once

#include <cstdint>

#include "shell/line_source.h"

// One PICTURE_LIST record; count, columns and rows -1 mark it unused.
struct picture_record {
    char name[256];
    int32_t count, columns, rows;
    int32_t cell_width, cell_height;
    int32_t first_sprite;
    int32_t transparent_red, transparent_green, transparent_blue;
};
inline constexpr int picture_record_count = 1024;
extern picture_record picture_entry[picture_record_count];
extern int picture_records_read;

// One MUSIC_LIST record: file, name, text, loop position and the optional
// fifth column.
struct music_record {
    char file[256];
    char name[256];
    char text[512];
    int32_t loop;
    int32_t extra;
};
inline constexpr int music_record_count = 64;
extern music_record music_entry[music_record_count];
extern int music_records_read;
extern int sound_records_read;

// One dimension's play list: stage files and their entry codes (-1: go on at
// the stage in the next entry's code, -2: the dimension ends).
inline constexpr int playlist_dimensions = 4;
inline constexpr int playlist_stages = 256;
struct playlist_record {
    char file[playlist_stages][256];
    int32_t code[playlist_stages];
    int32_t count;
};
extern playlist_record playlist[playlist_dimensions];

// Sprite ids a picture record covers; the loading grid waits only for these.
extern uint8_t sprite_slot_used[3072];

// Number of each file in STOP reports.
enum list_file_number : int {
    list_file_files = 1,
    list_file_entities = 2,
    list_file_plays = 3,
    list_file_effects = 4,
};

// Empties every table the four readers fill (picture records unused, play
// lists empty, counts 0).
void reset_list_tables();

// The readers. Each reads to the end of the source; a missing column or a
// table overrun ends the game through the STOP screen.
void read_file_list(line_source& source);
void read_entity_list(line_source& source);
void read_play_list(line_source& source);
void read_effect_list(line_source& source);
