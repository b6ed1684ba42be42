// The scene function of each game_state 0..8.
#pragma once

using scene_function = int (*)();
inline constexpr int scene_count = 9;
extern const scene_function scene_table[scene_count];
