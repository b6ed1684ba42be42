// The player character: its controls, hits and misses, respawn, power,
// lives and score, and its shots (player_shots.cpp).
#pragma once

#include "world/entity.h"

// Action indices of held, released, key_codes and pad_buttons.
enum player_action : int {
    action_left = 0,
    action_right = 1,
    action_up = 2,
    action_down = 3,
    action_jump = 4,
    action_attack = 5,
    action_bomb = 6,
    action_start = 7,
};

// Player `flags` bits of the controls.
inline constexpr uint32_t flag_rising = 0x20;
inline constexpr uint32_t flag_pushing = 0x40000;
inline constexpr uint32_t flag_back_jump = 0x80000;
inline constexpr uint32_t flag_swim_stroke = 0x8000000;
inline constexpr uint32_t flag_high_jump = 0x40000000;
inline constexpr uint32_t flag_dash = 0x80000000;
// Player `flags2` bit: the dash's button was let go.
inline constexpr uint32_t flag2_dash_released = 0x1;

int update_player(tesmo* p);                               // slot 0
int power_up_player(tesmo* p, int amount);                 // slot 1
int gain_life_player(tesmo* p, int fragments, int lives);  // slot 2
int stun_player(tesmo* p, double seconds);                 // slot 5
int hit_player(tesmo* p, double degrees, double speed);    // slot 6

// Counts how long each action has been held (keyboard or the player's pad).
void update_action_input(tesmo* p);
// New-game state.
void reset_player(tesmo* p);
// The per-frame bookkeeping before the controls: the fall-out countdown,
// the character timers and extra lives from fragments.
void update_player_state(tesmo* p);
// 1 when the player came back at the respawn point, 0 when it had no life left.
int respawn_player(tesmo* p);
// The player's step of the stage frame: bookkeeping, physics, controls, move.
void step_player(tesmo* p);

// The power level 0..4 of the power (-1: the player's own), or with percent
// set the progress towards the next level (100 at the top).
int player_power_level(const tesmo* p, int power, bool percent);

// The player's index in the pool, or -1 for an entity outside it.
int player_number(const entity* p);

// Adds points to player index (0 or 1) with a score popup at (x, y); -1 for
// any other index.
int add_score(int index, int points, double x, double y);

// --- Shots (player_shots.cpp) ------------------------------------------------
// One shot of the player's kind and level in the direction.
int fire_player_shots(tesmo* p, double angle);
// 0 when the owner already has the row's maximum of live shots (or the row
// does not exist); else spawn_cracker's result.
int spawn_player_shot(int kind, int owner, int level, double x, double y, double angle);
// The first free cracker slot, or -1 when all are in use.
int spawn_cracker(int damage, int second_damage, int remaining_life, int owner, int sprite,
                  double x, double y, double hit_w, double hit_h, double angle, double speed);
// The cracker's step of the stage frame.
void step_cracker(cracker* c);
