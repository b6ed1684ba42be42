// The players' action animation queue: one list of sprite frames shared by
// both players, played out one place per frame ahead of the frame the
// controls chose. -1 marks an empty place.
#pragma once

#include <array>
#include <cstdint>

inline constexpr int action_queue_length = 100;
extern std::array<int32_t, action_queue_length> action_queue;

// A new sequence: the first n places hold frame, the rest are emptied.
void set_action_queue(int frame, int n);
// Writes frame into the first n empty places.
void append_action_queue(int frame, int n);
// Empties every place.
void clear_action_queue();
// Takes the head: the frame to show (the given frame while the head is -1 or
// 0), and moves the list up by one place.
int take_action_queue_head(int frame);
