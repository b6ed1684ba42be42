// The scene function of each game_state 0..8 (a test may put its own in).
#pragma once

using scene_function = int (*)();
inline constexpr int scene_count = 9;
extern scene_function scene_table[scene_count];
