// Channel arithmetic the shader kernels share: colours split into 0..255
// integers, products over 255 rounded to nearest, the conversion of float
// register values to channels, and the 12-bit luminance of the filters.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <deque>
#include <string>

#include "../shader_kernels.h"

namespace platform::d3d9::kernels {

struct Colour {
    int r, g, b, a;
};

inline Colour Split(uint32_t argb) {
    return Colour{int(argb >> 16 & 255), int(argb >> 8 & 255), int(argb & 255), int(argb >> 24)};
}

inline int Clamp255(int v) {
    return std::clamp(v, 0, 255);
}

inline uint32_t Join(int r, int g, int b, int a) {
    return uint32_t(Clamp255(a)) << 24 | uint32_t(Clamp255(r)) << 16 | uint32_t(Clamp255(g)) << 8 |
           uint32_t(Clamp255(b));
}

inline uint32_t Join(const Colour& c) {
    return Join(c.r, c.g, c.b, c.a);
}

// n / 255 to the nearest integer (n >= 0; never a tie, 255 being odd).
inline int Over255(int n) {
    return (2 * n + 255) / 510;
}

// a * b / 255, rounded: a channel times a channel.
inline int Times(int a, int b) {
    return Over255(a * b);
}

// a weighted by w against b weighted by 255 - w.
inline int Mix(int a, int b, int w) {
    return Over255(a * w + b * (255 - w));
}

// A register value as a channel: saturated to 0..1, then v * 255 to the
// nearest integer, halves up (the device's rounding of shader outputs).
inline int ChannelOf(float v) {
    if (!(v > 0.0f)) return 0;
    if (v >= 1.0f) return 255;
    return int(double(v) * 255.0 + 0.5);
}

// A signed register value in channel steps (-255..255), to the nearest.
inline int StepsOf(float v) {
    const double s = std::clamp(double(v), -1.0, 1.0) * 255.0;
    return int(s >= 0 ? s + 0.5 : s - 0.5);
}

// Clamp255(lround(v)) without the library call: v minus its truncation is
// exact, so the half is found exactly.
inline int RoundChannel(double v) {
    if (!(v > 0.0)) return 0;
    if (v >= 256.0) return 255;
    const int whole = int(v);
    return std::min(255, whole + (v - double(whole) >= 0.5 ? 1 : 0));
}

// fmod(v, 6) without the library call for the sextants hues take: each
// step's difference is a multiple of v's unit in the last place no larger
// than v, so it is exact, as fmod's result is.
inline double Sextant(double v) {
    double a = v < 0 ? -v : v;
    if (!(a < 64.0)) return std::fmod(v, 6.0);
    while (a >= 6.0) a -= 6.0;
    return v < 0 ? -a : a;
}

inline Colour ColourOf(const float (&reg)[4]) {
    return Colour{ChannelOf(reg[0]), ChannelOf(reg[1]), ChannelOf(reg[2]), ChannelOf(reg[3])};
}

// Luminance in 12-bit fixed point: the filters compare and index by it.
inline int Luma4096(const Colour& c) {
    return 1224 * c.r + 2404 * c.g + 466 * c.b;
}

// The two 32-bit formats by their D3DFORMAT numbers (A8R8G8B8, X8R8G8B8).
constexpr uint32_t kFormatArgb32 = 21, kFormatXrgb32 = 22;

// A texel of an image by position, clamped to its edges, as A8R8G8B8.
uint32_t ReadTexel(const KernelImage& image, int x, int y);

// A family's pixel kernels under their file names, made once and kept for
// the program's life (the registry points into it).
class KernelTable {
  public:
    void Add(std::string name, const ShaderKernel& kernel) {
        entries_.push_back({std::move(name), kernel});
    }
    void Register() const {
        for (const Entry& e : entries_) RegisterShaderKernel(e.name, false, &e.kernel);
    }

  private:
    struct Entry {
        std::string name;
        ShaderKernel kernel;
    };
    std::deque<Entry> entries_;
};

// A kernel reading sampler i at coordinate set sets[i] (-1: not read).
ShaderKernel PixelKernel(PixelKernelFunction fn, int variant, std::initializer_list<int> sets);

// The kernel families (each file registers its own).
void RegisterTwoDKernels();
void RegisterFilterKernels();
void RegisterBlendFilterKernels();
void RegisterModelKernels();

}  // namespace platform::d3d9::kernels
