// The stage file's text: stage information, placement lines and repeat
// lines, read into placement records (item points are placed as they are
// read). Every failure ends the game on the STOP screen.
#pragma once

#include <cstdint>

#include "shell/line_source.h"

// One placement line of the players', enemies', boss enemies', items' or
// blocks' section (kind 1, 2, 3, 5, 6; 0 an empty record).
struct placement_record {
    int32_t kind;
    int32_t type_number;
    char type_name[256];
    float x, y;
    int32_t flags;
    int32_t start_tick;   // -1 when absent
    int32_t facing;       // -1 when absent
    double speed_factor;  // -1.0 when absent
    char move_pattern[256];
    char block_interaction[256];
    char own_interaction[256];
};
inline constexpr int placement_record_capacity = 1024;
extern placement_record placement_records[placement_record_capacity];
extern int placement_record_count;

// The stage word of the STOP reports: 0xF0000000 + dimension x 0x100000 + stage.
uint32_t stage_word();

// Empties the records, then reads the file to its end: stage_info from its
// information block, records from its placement and repeat lines.
void read_stage_file(line_source& source);
