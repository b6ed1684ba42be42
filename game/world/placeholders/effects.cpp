// Placeholder of the visual effects (deleted when that module is built):
// nothing is attached and no instance is live.
#include "world/effects.h"

int attach_effect(const char*, entity*, int, int, double, double, double) {
    return -1;
}

int free_effect(int) {
    return 0;
}

bool effect_is_attached_to(int, const entity*) {
    return false;
}
