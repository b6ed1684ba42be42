// One span of the blur kernel: the centre texel and, for each further
// weight, the sum of two neighbouring texels on each side, weighed in
// doubles and rounded once at the end. The plain form gathers every
// pixel's taps on its own; the fast form gathers a span's texels once and
// weighs all its pixels tap by tap, with the same operations in the same
// order per pixel (the same bytes; a test compares the two).
#pragma once

#include <cstdint>

#include "../shader_kernels.h"

namespace platform::d3d9::kernels {

struct BlurSpan {
    KernelImage image;  // the source
    // The texels the taps may read, inclusive, within the image: a tap past
    // them reads the nearest edge texel of this rectangle.
    int left = 0, top = 0, right = 1 << 30, bottom = 1 << 30;
    const int* tx = nullptr;  // each pixel's source texel
    const int* ty = nullptr;
    int count = 0;
    int half = 8;                    // weights in use, at most 16
    bool across = true;              // taps along the row, or down the column
    const double* weight = nullptr;  // [0] the centre's; the others halved
};

void BlurSpanPlain(const BlurSpan& span, uint32_t* out);
void BlurSpanFast(const BlurSpan& span, uint32_t* out);

}  // namespace platform::d3d9::kernels
