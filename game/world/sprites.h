// Sprite drawing of the world's entities.
#pragma once

#include "world/entity.h"

// Queues the entity's sprite at the given angle in degrees.
int draw_entity(entity* e, float angle);
