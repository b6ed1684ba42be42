// Placeholder of the boss fight (deleted when that module is built): each
// handler changes nothing and returns 0.
#include "world/boss_fight.h"

int move_pattern_bossdolvek(entity*) {
    return 0;
}
