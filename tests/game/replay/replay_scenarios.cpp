// The scenarios the replay test runs. Keys are DirectInput codes: Enter
// 0x1C, Space 0x39, ESC 0x01.
#include "replay_scenarios.h"

#include <cstring>

namespace replay {

namespace {

using T = trigger;
using A = action;

constexpr int enter = 0x1C;

const scenario scenarios[] = {
    // No input: the title over its demo stage, then the window closes.
    {"title_idle",
     {{{T::state_frame, 2, 0}, {A::capture, 0, "title_0"}},
      {{T::state_frame, 2, 150}, {A::capture, 0, "title_150"}},
      {{T::state_frame, 2, 400}, {A::capture, 0, "title_400"}},
      {{T::state_frame, 2, 401}, {A::close}}}},
    // Enter on the splash starts a new game: the intro stages, then play.
    {"new_game",
     {{{T::state_frame, 1, 10}, {A::key_down, enter}},
      {{T::state_frame, 1, 12}, {A::key_up, enter}},
      {{T::state_frame, 4, 60}, {A::capture, 0, "intro_60"}},
      {{T::state_frame, 4, 100}, {A::close}}}},
    // Any STOP screen: its report is logged, then the window closes.
    {"stop", {{{T::stop}, {A::close}}}},
    // Closed while the lists load.
    {"close_at_start", {{{T::state_frame, 0, 0}, {A::close}}}},
};

}  // namespace

const scenario* find_scenario(const char* name) {
    for (const scenario& s : scenarios)
        if (std::strcmp(s.name, name) == 0) return &s;
    return nullptr;
}

}  // namespace replay
