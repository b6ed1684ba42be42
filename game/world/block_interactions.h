// What a block does to an entity that touches it (interaction rows 1 to 4;
// row 0 is interaction_default).
#pragma once

#include "world/entity.h"

int interaction_block_updown(entity* mover, entity* block);
int interaction_block_leftright(entity* mover, entity* block);
int interaction_block_typical(entity* mover, entity* block);
int interaction_block_noclimb(entity* mover, entity* block);
