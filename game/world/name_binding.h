// Binds a name from a data file to a handler of a behaviour table, once, when
// an entity is placed or spawned:
//   1. the row whose name is the field (its first 255 characters);
//   2. else the row whose name is the field without its first character;
//   3. else the site's own third step.
// The result is never a null handler: where nothing matches, row 0.
#pragma once

#include <string_view>

#include "world/behaviour_tables.h"

struct third_step {
    enum kind_t {
        field_number,   // the row whose index is the field read as a number
        stored_number,  // the row whose index is `number`
        default_row,    // row 0
        none,           // no third step: reported as no match, row 0 bound
    } kind;
    int number = 0;
};

template <class Handler>
struct binding {
    Handler handler;
    int step;  // 1, 2 or 3: the step that matched; 0: none did
};

template <class Handler>
binding<Handler> bind_behaviour(const behaviour_row<Handler>* table, const char* field,
                                third_step third);

// The leading decimal integer of text as atoi reads it (blanks, a sign,
// digits), without atoi's undefined overflow: a value beyond the int range
// is returned as it is, up to +-1e12.
long long leading_integer(std::string_view text);
