// The players' action animation queue.
#include "world/action_queue.h"

#include <algorithm>

constinit std::array<int32_t, action_queue_length> action_queue = [] {
    std::array<int32_t, action_queue_length> q{};
    q.fill(-1);
    return q;
}();

void set_action_queue(int frame, int n) {
    for (int i = 0; i < action_queue_length; ++i) action_queue[i] = i < n ? frame : -1;
}

void append_action_queue(int frame, int n) {
    for (int32_t& place : action_queue) {
        if (n <= 0) break;
        if (place == -1) {
            place = frame;
            --n;
        }
    }
}

void clear_action_queue() {
    action_queue.fill(-1);
}

int take_action_queue_head(int frame) {
    const int head = action_queue[0];
    if (head == -1) return frame;
    std::copy(action_queue.begin() + 1, action_queue.end(), action_queue.begin());
    action_queue.back() = -1;
    return head == 0 ? frame : head;
}
