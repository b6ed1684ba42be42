// The game's xorshift128 generator.
#include "world/game_random.h"

#include "DuRud.h"

// Constant-initialised, so seeding before main finds it ready.
constinit game_random_state_record game_random_state = {0, 0, 0, 0, 0};

uint32_t game_random_draw() {
    game_random_state_record& s = game_random_state;
    const uint32_t t = s.x ^ (s.x << 11);
    s.x = s.y;
    s.y = s.z;
    s.z = s.w;
    s.w = s.w ^ (s.w >> 19) ^ t ^ (t >> 8);
    ++s.calls;
    return s.w;
}

uint32_t game_random(uint32_t n) {
    const uint32_t r = game_random_draw();
    // A boss on a stage of the minimum height asks for n = 0.
    return n == 0 ? 0 : r % n;
}

void seed_game_random() {
    // The engine's draws over 0x7FFFFFFF are -2^31..0; the words keep their bits.
    game_random_state.x = static_cast<uint32_t>(DuRud::GetRandomInt(0x7FFFFFFF));
    game_random_state.y = static_cast<uint32_t>(DuRud::GetRandomInt(0x7FFFFFFF));
    game_random_state.z = static_cast<uint32_t>(DuRud::GetRandomInt(0x7FFFFFFF));
    game_random_state.w = static_cast<uint32_t>(DuRud::GetRandomInt(0x7FFFFFFF));
}
