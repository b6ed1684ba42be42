// Per-frame key and pad counters. The main loop polls once per frame before
// any scene runs; the player's action mapping and the menus read the
// counters instead of the raw states, so presses, holds and releases of any
// length can be told apart.
#pragma once

#include <cstdint>

struct key_state {
    int32_t held;      // frames held so far; 0 while up
    int32_t released;  // on the first frame after a release: frames it was held; else 0
};

constexpr int keyboard_key_count = 256;
constexpr int polled_pad_count = 4;
constexpr int pad_button_count = 32;

extern key_state keyboard_state[keyboard_key_count];
extern key_state pad_state[polled_pad_count][pad_button_count];  // pad 0 is engine pad 1

int poll_keyboard();  // 0
int poll_pads();      // 0

// The counters of a key (0..255) or of a pad (0..3) button (0..31); anything
// else reads as never held.
key_state key_counter(int key);
key_state pad_button_counter(int pad, int button);
