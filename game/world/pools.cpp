// The pools and the world's one start-up sequence. Static initialisation
// order across files is unspecified, so the whole sequence runs from one
// function here; every record it touches elsewhere is constant-initialised.
#include "world/pools.h"

#include <new>

#include "world/game_random.h"

pool<affecter, 256> affecters;
pool<enemy, 256> enemies;
pool<item, 256> items;
pool<block, 1280> blocks;
pool<cracker, 128> crackers;
pool<tesmo, 2> players;
pool<bullet, 512> bullets;
pool<itempoint, 256> itempoints;

namespace {

template <class T, int N>
void construct_pool(pool<T, N>& p) {
    for (T& slot : p) new (&slot) T();
}

void build_world() {
    construct_pool(affecters);
    seed_game_random();
    construct_pool(enemies);
    construct_pool(items);
    construct_pool(blocks);
    construct_pool(crackers);
    construct_pool(players);
    construct_pool(bullets);
    construct_pool(itempoints);
}

const struct world_builder {
    world_builder() { build_world(); }
} builder;

template <class T, int N>
void reset_pool(pool<T, N>& p) {
    for (T& slot : p) reset_entity(&slot);
}

}  // namespace

void reset_world() {
    for (enemy& e : enemies) reset_enemy(&e);
    reset_pool(items);
    reset_pool(blocks);
    reset_pool(crackers);
    reset_pool(players);
    reset_pool(bullets);
    reset_pool(itempoints);
}
