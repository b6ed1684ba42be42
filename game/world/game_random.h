// The game's own xorshift128 generator (shifts 11, 19, 8), apart from the
// engine's Mersenne Twister. Every draw of the world goes through it, so the
// call counter counts them all.
#pragma once

#include <cstdint>

struct game_random_state_record {
    uint32_t x, y, z, w;
    uint32_t calls;  // draws since start
};
extern game_random_state_record game_random_state;

// One draw: the new w.
uint32_t game_random_draw();

// One draw modulo n; n 0 or 1 gives 0 (and still draws).
uint32_t game_random(uint32_t n);

// x, y, z and w from four draws of the engine's generator over 0x7FFFFFFF.
void seed_game_random();
