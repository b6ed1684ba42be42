// The four tables that turn behaviour names in data files into handlers.
// Numeric fields select rows by index, so the rows and their order are part
// of the data format. Each table ends at a row whose name is null.
#pragma once

#include "world/entity.h"

template <class Handler>
struct behaviour_row {
    const char* name;
    Handler handler;
};

extern const behaviour_row<item_effect_handler> speffect_table[29];
extern const behaviour_row<move_pattern_handler> move_pattern_table[41];
extern const behaviour_row<interaction_handler> interaction_table[6];
extern const behaviour_row<affecter_handler> affecter_table[7];
