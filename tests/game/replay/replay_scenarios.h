// Whole-game replays as data: what to do at which point of the game.
#pragma once

#include <cstdint>
#include <vector>

namespace replay {

// When a step acts.
// - start: before the game starts (keys then wait for its first message pump;
//   a pad is attached at once, as the engine counts pads when it starts);
// - state_frame: the main loop's pass in which that scene ran with that
//   frame in scene, in its `visit`-th run (the first is 1);
// - grid_pass: the loading grid's pass `frame` (the first is 1); grid_done:
//   the grid has stopped waiting for loads;
// - menu_frame: the pause menu's frame on page `state` with `frame` frames on it;
// - stop: the STOP screen is on show;
// - after: `ms` of virtual time after step `step` acted. Keys and closes are
//   then queued for that time and reach the game through its message pump
//   (so they also land while the game waits for input); other actions run
//   at the first event at or after it.
struct trigger {
    enum kind_t { start, state_frame, grid_pass, grid_done, menu_frame, stop, after } kind;
    int state = 0;
    int frame = 0;
    int step = 0;
    int ms = 0;
    int visit = 1;
};

// What it does: a key by DirectInput code, a window close, the window losing
// the focus or getting it back (restored), the picture of the
// frame presented at the end of this pass (written as <name>.png), the
// virtual game controller (attach it, a button in SDL controller numbering,
// an axis, log the last rumble it was sent as "rumble LOW HIGH"), or the
// mixed sound: start collecting it, then log the loudest sample collected
// since ("sound peak N"), or a signal (`code`) raised in the game's process.
struct action {
    enum kind_t {
        key_down,
        key_up,
        close,
        focus_lost,
        focus_back,
        capture,
        pad_attach,
        pad_button,
        pad_axis,
        sound_start,
        sound_peak,
        pad_rumble,
        signal
    } kind;
    int code = 0;  // key code, button or axis
    const char* name = nullptr;
    int value = 0;  // button down (1) or up (0); axis position
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
