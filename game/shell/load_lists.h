// Scene 0: reads the list files, loads every picture, sound and music file
// behind the loading grid and fills the sprite table.
#pragma once

#include <cstdint>

// Work graphics made by scene 0 (800 x 536 scene layers, 800 x 600 menu
// layers), -1 until then.
extern int32_t scene_layers[4];
extern int32_t menu_layers[4];

// Each sprite id's handle as the loads gave it (0 where no record loaded).
extern int32_t loading_slot[3072];

// How many passes the grid waits for music still loading once every picture
// and sound is done; a track still loading then starts later by retry.
inline constexpr int music_grace_passes = 600;
