// Keyboard and pad polling into frame counters.
#include "world/input_polling.h"

#include "DuRud.h"

key_state keyboard_state[keyboard_key_count];
key_state pad_state[polled_pad_count][pad_button_count];

namespace {

void count(key_state& k, bool down) {
    if (down) {
        ++k.held;
    } else {
        k.released = k.held;
        k.held = 0;
    }
}

// Button index 0 is the top bit of the engine's pad word; index k is bit k - 1.
uint32_t button_bit(int button) {
    return button == 0 ? 0x80000000u : 1u << (button - 1);
}

}  // namespace

int poll_keyboard() {
    unsigned char states[keyboard_key_count] = {};
    DuRud::GetAllKeyStates(states);
    for (int k = 0; k < keyboard_key_count; ++k) count(keyboard_state[k], states[k] == 1);
    return 0;
}

int poll_pads() {
    // With p pads found, pads 1 to p + 1 are read (at most 4), the count asked
    // again before each.
    for (int n = 0; n < polled_pad_count && DuRud::GetJoypadCount() >= n; ++n) {
        const uint32_t word = static_cast<uint32_t>(DuRud::GetJoypadInputState(n + 1));
        for (int b = 0; b < pad_button_count; ++b)
            count(pad_state[n][b], (word & button_bit(b)) != 0);
    }
    return 0;
}

key_state key_counter(int key) {
    if (key < 0 || key >= keyboard_key_count) return {0, 0};
    return keyboard_state[key];
}

key_state pad_button_counter(int pad, int button) {
    // A player's pad comes from the pad count (up to 15); only four are read.
    if (pad < 0 || pad >= polled_pad_count || button < 0 || button >= pad_button_count)
        return {0, 0};
    return pad_state[pad][button];
}
