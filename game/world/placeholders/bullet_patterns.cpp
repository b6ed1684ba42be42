// Placeholder of the bullet sub-patterns (deleted when that module is built): each
// handler changes nothing and returns 0.
#include "world/bullet_patterns.h"

int move_pattern_bullet_stopandfollow(entity*) {
    return 0;
}

int move_pattern_bullet_speedlimiter(entity*) {
    return 0;
}
