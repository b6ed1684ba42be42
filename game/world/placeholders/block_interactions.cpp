// Placeholder of the block interactions (deleted when that module is built): each
// handler changes nothing and returns 0.
#include "world/block_interactions.h"

int interaction_block_updown(entity*, entity*) {
    return 0;
}

int interaction_block_leftright(entity*, entity*) {
    return 0;
}

int interaction_block_typical(entity*, entity*) {
    return 0;
}

int interaction_block_noclimb(entity*, entity*) {
    return 0;
}
