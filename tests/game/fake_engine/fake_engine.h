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
void script(const char* function, std::vector<int> results);

// Off: calls are answered but not recorded (long runs stay cheap); on again
// with the next reset.
void set_recording(bool on);

// Inputs that stay until changed: key state bytes (GetAllKeyStates), the pad
// count (GetJoypadCount) and each 1-based pad's state word.
void set_key_state(int key, unsigned char state);
// The key reads down from the n-th GetAllKeyStates call on (1-based), up before.
void set_key_down_from_call(int key, int n);
void set_pad_count(int count);
void set_pad_state(int pad, int word);

// Files that OpenFileHandle opens and ReadFileHandleLine reads (lines end at
// CR LF); any other path does not open (handle 0).
void set_file(const std::string& path, std::string text);

// Answers of IsHandleAsyncPending for one handle, in order; the last one
// stays. Unscripted handles answer 0 (loaded) when above 0, else -1.
void script_handle_state(int handle, std::initializer_list<int> states);

// The size QueryGraphicSize reports for a graphic handle (others fail).
void set_graphic_size(int handle, int width, int height);

// The first handle the fake's graphic loads hand out, one more per graphic.
inline constexpr int first_loaded_graphic = 0x05000000;

}  // namespace fake_engine
