// A recording fake of the engine for the game's unit tests. It defines every
// engine function the game calls, records each call in order and returns
// what the test scripted, then the engine's "nothing happened" value. It
// draws, plays and reads nothing. Constant-initialised: the world's start-up
// draws before main are answered from a built-in script and kept apart.
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

namespace fake_engine {

struct call {
    std::string name;
    std::string args;  // "1, 2.5, text"; a printf-style call records its formatted text
};

// Calls recorded since the last reset, and those made before the first one
// (before main).
const std::vector<call>& calls();
const std::vector<call>& startup_calls();

// "Name(args)" of each recorded call since the last reset.
std::vector<std::string> trace();

// Forgets the calls, scripts, keys and pads (the startup record stays).
void reset();

// The next results of one function, in order; once used up the function
// returns its "nothing happened" value again.
void script(const char* function, std::initializer_list<int> results);

// Inputs that stay until changed: key state bytes (GetAllKeyStates), the pad
// count (GetJoypadCount) and each 1-based pad's state word.
void set_key_state(int key, unsigned char state);
void set_pad_count(int count);
void set_pad_state(int pad, int word);

}  // namespace fake_engine
