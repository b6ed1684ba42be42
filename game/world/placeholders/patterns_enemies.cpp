// Placeholder of the enemy move patterns not built yet (walls and floors ahead,
// the charge, the books' attack, the boss fairy): each changes nothing and returns 0.
#include "world/patterns_enemies.h"

int move_pattern_fairy_movearound_floor(entity*) {
    return 0;
}

int move_pattern_furball_charge(entity*) {
    return 0;
}

int move_pattern_furball_upaway(entity*) {
    return 0;
}

int move_pattern_bossfairy(entity*) {
    return 0;
}

int move_pattern_book_shotgun(entity*) {
    return 0;
}

int move_pattern_book_sniper(entity*) {
    return 0;
}
