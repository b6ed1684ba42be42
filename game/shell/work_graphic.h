// The alpha draw-target graphics the game draws through: the off-screen, the
// play area and the scene and menu layers. The game cannot draw without them.
#pragma once

#include <cstdint>

// Which work graphic a failure report names (its second parameter).
enum work_graphic_index : uint32_t {
    work_graphic_play_area = 0,
    work_graphic_scene_layer = 1,  // to 4
    work_graphic_menu_layer = 5,   // to 8
    work_graphic_offscreen = 9,
};

// A width x height draw target with alpha. When the engine refuses it (the
// software renderer refuses alpha draw targets), the STOP screen reports
// FILE_LOAD_ERROR with (0xE0000007, index, 0, 0) and the game ends there.
int32_t make_work_graphic(int width, int height, uint32_t index);
