// The fixed pools of the world, built before main. Nothing in the world is
// allocated at run time: a spawner takes the first slot whose in-use bit
// (flags bit 0) is clear.
#pragma once

#include "world/affecters.h"
#include "world/entity.h"

// A fixed array whose slots are built by build_world (pools.cpp) in the
// world's order of construction, not by the static initialisation of
// whichever file happens to run first.
template <class T, int N>
class pool {
  public:
    static constexpr int size = N;
    constexpr pool() {}
    T& operator[](int i) { return slots_[i]; }
    T* begin() { return slots_; }
    T* end() { return slots_ + N; }

  private:
    union {
        T slots_[N];
    };
};

extern pool<affecter, 256> affecters;
extern pool<enemy, 256> enemies;
extern pool<item, 256> items;
extern pool<block, 1280> blocks;
extern pool<cracker, 128> crackers;
extern pool<tesmo, 2> players;
extern pool<bullet, 512> bullets;
extern pool<itempoint, 256> itempoints;

// Frees every slot of every pool but the affecters: the entity fields get
// their reset values (enemies also chain_level 0); move patterns, the
// players' own state and the items' effects survive.
void reset_world();
