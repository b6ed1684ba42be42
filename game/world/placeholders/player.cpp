// Placeholder of the player character (deleted when that module is built): each
// handler changes nothing and returns 0.
#include "world/player.h"

int update_player(tesmo*) {
    return 0;
}

int power_up_player(tesmo*, int) {
    return 0;
}

int gain_life_player(tesmo*, int, int) {
    return 0;
}

int stun_player(tesmo*, double) {
    return 0;
}

int hit_player(tesmo*, double, double) {
    return 0;
}
