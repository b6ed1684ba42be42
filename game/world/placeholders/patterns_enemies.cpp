// Placeholder of the boss fairy's move pattern (deleted when it is built): it
// changes nothing and returns 0.
#include "world/patterns_enemies.h"

int move_pattern_bossfairy(entity*) {
    return 0;
}
