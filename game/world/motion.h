// Entity motion and the character operations behind the virtual slots.
#pragma once

#include "world/entity.h"

int take_damage(character* c, int damage);                   // character slot 4
int stun_character(character* c, double seconds);            // character slot 5
int knock_away(character* c, double degrees, double speed);  // character slot 6
int character_noop(character* c, double a, double b);        // character slot 7
int advance_object(object* o);                               // object slot 3
