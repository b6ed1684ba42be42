// The three-step binding of names to handlers.
#include "world/name_binding.h"

#include <cstring>

#include "world/affecters.h"

namespace {

// A data field is copied into a 256-character buffer before binding.
constexpr std::size_t field_limit = 255;

template <class Handler>
int find_row(const behaviour_row<Handler>* table, std::string_view name) {
    for (int i = 0; table[i].name; ++i) {
        if (name == table[i].name) return table[i].handler ? i : -1;
    }
    return -1;
}

template <class Handler>
int row_count(const behaviour_row<Handler>* table) {
    int n = 0;
    while (table[n].name) ++n;
    return n;
}

bool is_blank(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

}  // namespace

long long leading_integer(std::string_view text) {
    constexpr long long cap = 1000000000000LL;
    std::size_t i = 0;
    while (i < text.size() && is_blank(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        if (value < cap) value = value * 10 + (text[i] - '0');
    }
    return negative ? -value : value;
}

template <class Handler>
binding<Handler> bind_behaviour(const behaviour_row<Handler>* table, const char* field,
                                third_step third) {
    const std::string_view name(field ? field : "", field ? strnlen(field, field_limit) : 0);
    int row = find_row(table, name);
    if (row >= 0) return {table[row].handler, 1};
    // An empty field has no first character to drop.
    if (!name.empty() && (row = find_row(table, name.substr(1))) >= 0) {
        return {table[row].handler, 2};
    }
    long long wanted = 0;
    switch (third.kind) {
        case third_step::field_number:
            wanted = leading_integer(name);
            break;
        case third_step::stored_number:
            wanted = third.number;
            break;
        case third_step::default_row:
            wanted = 0;
            break;
        case third_step::none:
            return {table[0].handler, 0};
    }
    // A number outside the table's rows binds row 0.
    if (wanted < 0 || wanted >= row_count(table)) wanted = 0;
    return {table[wanted].handler, 3};
}

template binding<move_pattern_handler> bind_behaviour(const behaviour_row<move_pattern_handler>*,
                                                      const char*, third_step);
template binding<item_effect_handler> bind_behaviour(const behaviour_row<item_effect_handler>*,
                                                     const char*, third_step);
template binding<affecter_handler> bind_behaviour(const behaviour_row<affecter_handler>*,
                                                  const char*, third_step);
