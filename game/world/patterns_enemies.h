// Move patterns of the ordinary enemies (move-pattern rows 9 to 27 and 31 to 35).
#pragma once

#include "world/entity.h"

// The boss fairy's aim in degrees, shared by every boss fairy; -1.0 until first aimed.
extern double bossfairy_aim;

int move_pattern_trollface_movearound(entity* self);
int move_pattern_trollface_turret(entity* self);
int move_pattern_rabbit_idle(entity* self);
int move_pattern_rabbit_movearound(entity* self);
int move_pattern_rabbit_follow(entity* self);
int move_pattern_rabbit_shoots(entity* self);
int move_pattern_rabbit_walkfollow(entity* self);
int move_pattern_rabbit_move1way(entity* self);
int move_pattern_fairy_movearound(entity* self);
int move_pattern_fairy_follow(entity* self);
int move_pattern_fairy_shoots(entity* self);
int move_pattern_fairy_movearound_floor(entity* self);
int move_pattern_fairy_turret(entity* self);
int move_pattern_fairy_gazer(entity* self);
int move_pattern_furball_charge(entity* self);
int move_pattern_furball_bounce(entity* self);
int move_pattern_furball_upaway(entity* self);
int move_pattern_furball_shoots(entity* self);
int move_pattern_bossfairy(entity* self);
int move_pattern_ghost_follow(entity* self);
inline constexpr auto& move_pattern_ghost_looselyfollow = move_pattern_ghost_follow;
int move_pattern_book_shotgun(entity* self);
int move_pattern_book_crazyturret(entity* self);
int move_pattern_book_sniper(entity* self);
