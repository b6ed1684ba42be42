// Fixed-formula conversions between the common layouts (used by
// ConvertPixelRect when no option asks for the generic path).
#pragma once

#include <cstdint>

#include "image/image_record.h"

namespace DuRud {

struct PairJob {
    uint8_t* dest;  // first destination pixel
    int destPitch;
    const uint8_t* src;  // first source pixel
    int srcPitch;
    int width;
    int height;
    const ColorFormat* destFormat;
    const ColorFormat* srcFormat;
    bool colorKey;              // effective colour-key-to-alpha
    uint32_t transparentColor;  // 0x00RRGGBB
};

// Runs the fixed pair for the two formats; false when there is none.
bool RunFixedPair(const PairJob& job);

}  // namespace DuRud
