// The one rounding rule of the pipeline's 8-bit arithmetic.
#pragma once

#include <cstdint>

namespace platform::raster {

// round(x / 255) for x >= 0: 255 is odd, so x / 255 never ends in exactly
// one half and adding 127 before the truncating division rounds to nearest.
inline int Div255(int x) {
    return (x + 127) / 255;
}

// round(x / 255) for any sign, symmetric about 0.
inline int Div255Signed(int x) {
    return x >= 0 ? Div255(x) : -Div255(-x);
}

// Channel product a * b / 255, rounded.
inline int Mul255(int a, int b) {
    return Div255(a * b);
}

inline int Saturate(int v) {
    return v < 0 ? 0 : (v > 255 ? 255 : v);
}

// Colour channels 0..255 each.
struct Rgba {
    int r, g, b, a;
};

inline Rgba FromArgb(uint32_t c) {
    return Rgba{int((c >> 16) & 255), int((c >> 8) & 255), int(c & 255), int(c >> 24)};
}

inline uint32_t ToArgb(Rgba c) {
    return (uint32_t(c.a) << 24) | (uint32_t(c.r) << 16) | (uint32_t(c.g) << 8) | uint32_t(c.b);
}

}  // namespace platform::raster
