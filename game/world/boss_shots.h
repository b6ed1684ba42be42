// What the boss's three patterns share: its bullets, changed only when the
// spawner gave a slot, its spark bursts and stopping the music.
#pragma once

#include "world/entity.h"

// The bullet of the list's type, or null when the type is undefined or the
// pool is full (the caller then has nothing to change).
bullet* boss_bullet(int type, int life, int flicker, double x, double y, double angle,
                    double speed);
// A bullet that slows by its speed / life each frame.
bullet* boss_slowing_bullet(int type, int life, int flicker, double x, double y, double angle,
                            double speed);
// n sparks of a random small type, 40 frames, speed 5, from near (x, y); each
// out of every contact test (0x80) with the extra flags and scale.
void boss_sparks(int n, double x, double y, uint32_t flags, uint32_t flags2, double scale);
// Stops the current music (position saved, volume applied, stopped if
// playing); nothing is sent while no music is current.
void boss_stop_music();
// The boss's fields: null for an entity of another class.
enemy* boss_of(entity* self);
