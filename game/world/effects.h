// Visual effects: keyframed sprite animations of the effect list, played by
// the instances of effect_instance (world_globals.h). Every spawner returns
// the instance index, or -1 when no definition matches or no slot is free.
#pragma once

#include "world/entity.h"
#include "world/world_globals.h"

int spawn_effect(const char* name, double x, double y, double scale, double vx, double vy,
                 double ax, double ay);
int spawn_effect_by_index(int index, double x, double y, double scale, double vx, double vy,
                          double ax, double ay);
// Velocity and acceleration along the angle in degrees.
int spawn_effect_polar(const char* name, double x, double y, double scale, double angle,
                       double speed, double acceleration);
// A particle of the combo and bomb bursts: speed 12 to 15 and an angle from
// two raw game draws, scale 0.5, slowing by 0.5 a frame along its way.
int spawn_burst_particle(const char* name, double x, double y);
// Follows e at the offset; life -1 plays the whole effect, or for ever when
// the loop frame is not 0 (restarting there).
int attach_effect(const char* name, entity* e, int life, int loop_frame, double scale,
                  double offset_x, double offset_y);
int attach_effect_by_index(int index, entity* e, int life, int loop_frame, double scale,
                           double offset_x, double offset_y);

// Returns one instance to the free state.
int free_effect(int index);
void reset_effects();
// Frees every instance that follows an entity (before a stage is built).
void release_attached_effects();
// True while instance `index` is live and attached to e.
bool effect_is_attached_to(int index, const entity* e);

// Moves and draws every live instance once (bilinear sampling meanwhile).
void update_effects();
// Moves, draws and ages one instance.
void step_effect_instance(effect_instance_record& instance);

// The definition the name spawners use: exact name first, then a name
// without its first character; -1 when none.
int find_effect_definition(const char* name);
