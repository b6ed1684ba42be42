// Neighbour flags of the placed blocks, computed once per stage load: faces
// that another block covers are not open faces.
#pragma once

#include <cstdint>

// Block bits written by the detection.
inline constexpr uint32_t block_left_neighbour = 0x4000;
inline constexpr uint32_t block_right_neighbour = 0x8000;
inline constexpr uint32_t block_top_neighbour = 0x1000;
inline constexpr uint32_t block_bottom_neighbour = 0x2000;
inline constexpr uint32_t block_water = 0x2000000;  // no block above or below
inline constexpr uint32_t block_enclosed = 0x100000;

// Probes around every active block. In debug mode with G down at the start,
// draws each probe and find on the back buffer and waits for any input.
int detect_ignorable_blocks();
