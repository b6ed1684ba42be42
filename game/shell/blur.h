// The soft blur the title, the stage transition, the continue screen and the
// menu build their backdrops with: the source drawn additively at eight
// one- and two-pixel offsets and once more at the centre over a black box.
#pragma once

#include <cstdint>

// Into the current draw target: a black box (0, 0)-(800, box_bottom) with
// blend none, the source under SetBlendMode(2, around) at the eight offsets,
// then under SetBlendMode(2, centre) at (0, 0).
void blur_into_target(int32_t source, int around, int centre, int box_bottom);
