// Whole-game replays as data: what to do at which point of the game.
#pragma once

#include <cstdint>
#include <vector>

namespace replay {

// When a step acts. A trigger on a state waits for that scene's frame; on a
// STOP it fires when the STOP screen shows.
struct trigger {
    enum kind_t { state_frame, stop } kind;
    int state = 0;
    int frame = 0;
};

// What it does: a key by DirectInput code, a window close, or the picture of
// the frame presented at the end of this pass, written as <name>.png.
struct action {
    enum kind_t { key_down, key_up, close, capture } kind;
    int code = 0;
    const char* name = nullptr;
};

struct step {
    trigger when;
    action what;
};

struct scenario {
    const char* name;
    std::vector<step> steps;
};

// The scenario of that name, or null.
const scenario* find_scenario(const char* name);

}  // namespace replay
