// Placeholder of the item, door and intro move patterns (deleted when that module is built): each
// handler changes nothing and returns 0.
#include "world/patterns_items.h"

int move_pattern_default(entity*) {
    return 0;
}

int move_pattern_nothing(entity*) {
    return 0;
}

int move_pattern_bigitem(entity*) {
    return 0;
}

int move_pattern_poweritem(entity*) {
    return 0;
}

int move_pattern_poweritem_switched(entity*) {
    return 0;
}

int move_pattern_important_effective(entity*) {
    return 0;
}

int move_pattern_key(entity*) {
    return 0;
}

int move_pattern_door(entity*) {
    return 0;
}

int move_pattern_toggle(entity*) {
    return 0;
}

int move_pattern_tesmo_intro1(entity*) {
    return 0;
}

int move_pattern_tesmo_intro2(entity*) {
    return 0;
}

int move_pattern_introblock(entity*) {
    return 0;
}
