// Placeholder of the enemy move patterns (deleted when that module is built): each
// handler changes nothing and returns 0.
#include "world/patterns_enemies.h"

int move_pattern_trollface_movearound(entity*) {
    return 0;
}

int move_pattern_trollface_turret(entity*) {
    return 0;
}

int move_pattern_rabbit_idle(entity*) {
    return 0;
}

int move_pattern_rabbit_movearound(entity*) {
    return 0;
}

int move_pattern_rabbit_follow(entity*) {
    return 0;
}

int move_pattern_rabbit_shoots(entity*) {
    return 0;
}

int move_pattern_rabbit_walkfollow(entity*) {
    return 0;
}

int move_pattern_rabbit_move1way(entity*) {
    return 0;
}

int move_pattern_fairy_movearound(entity*) {
    return 0;
}

int move_pattern_fairy_follow(entity*) {
    return 0;
}

int move_pattern_fairy_shoots(entity*) {
    return 0;
}

int move_pattern_fairy_movearound_floor(entity*) {
    return 0;
}

int move_pattern_fairy_turret(entity*) {
    return 0;
}

int move_pattern_fairy_gazer(entity*) {
    return 0;
}

int move_pattern_furball_charge(entity*) {
    return 0;
}

int move_pattern_furball_bounce(entity*) {
    return 0;
}

int move_pattern_furball_upaway(entity*) {
    return 0;
}

int move_pattern_furball_shoots(entity*) {
    return 0;
}

int move_pattern_bossfairy(entity*) {
    return 0;
}

int move_pattern_ghost_follow(entity*) {
    return 0;
}

int move_pattern_book_shotgun(entity*) {
    return 0;
}

int move_pattern_book_crazyturret(entity*) {
    return 0;
}

int move_pattern_book_sniper(entity*) {
    return 0;
}
