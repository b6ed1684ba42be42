// A hook through which a test program watches the whole game run: null by
// default, so the shipped program never reports; a test sets the pointer.
#pragma once

#include <cstdint>

enum test_event_kind : int32_t {
    test_event_pass = 1,  // the main loop has counted a pass (after frames_in_scene)
    test_event_stop = 2,  // the STOP screen has been flipped and is about to wait: words = code,
                          // four parameters (breakpoints too, when they show)
    test_event_grid = 3,  // a loading-grid pass has drawn, before it is presented: words[0] = grid
                          // passes so far, words[1] = 1 when nothing was pending in it
    test_event_grid_done = 4,  // the grid has stopped waiting for loads (before failed loads stop
                               // the game and before debug mode's wait for input)
    test_event_menu = 5,       // a pause-menu frame whose page has run, before it is presented:
                               // words[0] = page, words[1] = frames on that page (as the
                               // main loop counts scenes)
};

struct test_event {
    int32_t kind;
    int32_t pass;  // passes of the main loop, the first one 1
    int32_t game_state;
    int32_t frames_in_scene;
    int32_t words[5];  // more about the event, by kind
};

using test_observer_function = void (*)(const test_event& event);
extern test_observer_function test_observer;

// Hands the event to the observer, if one is set.
inline void report_test_event(const test_event& event) {
    if (test_observer) test_observer(event);
}
