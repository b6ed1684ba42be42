// Visual effect instances that the world attaches to entities.
#pragma once

#include "world/entity.h"

// Attaches an instance of the named effect to the entity; its index, or -1.
int attach_effect(const char* name, entity* e, int life, int loop_frame, double scale,
                  double offset_x, double offset_y);
// Returns one instance to the free state.
int free_effect(int index);
// True while instance `index` is live and attached to e.
bool effect_is_attached_to(int index, const entity* e);
