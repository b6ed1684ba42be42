// Placeholder of entity motion (deleted when that module is built): each
// handler changes nothing and returns 0.
#include "world/motion.h"

int take_damage(character*, int) {
    return 0;
}

int stun_character(character*, double) {
    return 0;
}

int knock_away(character*, double, double) {
    return 0;
}

int character_noop(character*, double, double) {
    return 0;
}

int advance_object(object*) {
    return 0;
}
