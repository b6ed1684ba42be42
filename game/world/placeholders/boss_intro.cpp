// Placeholder of the boss intro (deleted when that module is built): each
// handler changes nothing and returns 0.
#include "world/boss_intro.h"

int move_pattern_bossintro_dolvek(entity*) {
    return 0;
}
