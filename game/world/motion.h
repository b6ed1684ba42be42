// How entities move each frame: the physics step, the move with its water
// variant and the entity's own interaction handler, the wrap of a looping
// stage, clamping, and the character operations behind the virtual slots.
#pragma once

#include "world/entity.h"

// Friction, gravity, the wall slide and the speed limit of the entity's class.
int apply_entity_physics(entity* e);
// Moves by the velocity, then returns interaction(e, e).
int move_entity(entity* e);
// Brings the position back into a wrapping stage; nothing with flag_no_wrap.
int wrap_entity_position(entity* e);
// Keeps the position within the bounds, unless flags2 has flag2_no_clamp.
int clamp_entity_position(entity* e, int min_x, int max_x, int min_y, int max_y);
// A coordinate brought into 0..size as adding or taking whole sizes would:
// below 0 it rises into [0, size), above size it falls into (0, size]; 0 and
// size stay. A size of 0 or less, or a value that is not finite, is left alone.
double wrap_coordinate_outside(double v, int size);
inline double wrap_coordinate(double v, int size) {
    // Inline for the contact tests, which wrap four coordinates per call.
    return v >= 0 && v <= size ? v : wrap_coordinate_outside(v, size);
}

int update_stun_state(character* c);  // the per-frame character bookkeeping

int take_damage(character* c, int damage);                   // character slot 4
int stun_character(character* c, double seconds);            // character slot 5
int knock_away(character* c, double degrees, double speed);  // character slot 6
int character_noop(character* c, double a, double b);        // character slot 7
int advance_object(object* o);                               // object slot 3

// Degrees to radians, as the world converts them everywhere.
inline constexpr double radians_per_degree = 0.0174532925;
