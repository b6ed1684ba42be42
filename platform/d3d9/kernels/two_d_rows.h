// The per-pixel arithmetic of the textured 2D kernels over one span's
// texels: each layout has a plain form, pixel by pixel in the kernels'
// integer rules, and a fast form (SIMD where the processor has it) that
// gives the same bytes; a test compares the two on random rows.
#pragma once

#include <cstdint>

#include "kernel_math.h"

namespace platform::d3d9::kernels {

// Colour times diffuse: four times, saturated, for kind 3.
inline int Shade(int colour, int diffuse, int kind) {
    return kind == 3 ? std::min(255, Over255(4 * colour * diffuse)) : Times(colour, diffuse);
}

// The drawn graphic's colour channel as the kind reads it.
inline int Drawn(int texel, int kind) {
    return kind == 2 ? 255 - texel : texel;
}

struct BlendGraphicRow {
    const uint32_t* blend = nullptr;     // the blend graphic's texels
    const uint32_t* drawn = nullptr;     // the drawn graphic's texels
    const uint32_t* diffuse = nullptr;   // v0 of every pixel
    const uint32_t* specular = nullptr;  // v1 (the wipe reads its alpha)
    int count = 0;
    int kind = 0;                       // 0 plain, 2 inverted colour, 3 colour times four
    bool ignoreAlpha = false;           // the drawn graphic's alpha is not read (wipe)
    int weight = 0;                     // cross-fade: the blend graphic's share, 0..255
    int shift = 0, scale = 1;           // wipe: channel steps added to the ramp, its multiplier
    bool replaceColour = false;         // one texture: the factor's colour in place of the texel's
    Colour factor{255, 255, 255, 255};  // one texture: c5 as channels
};

// One texture (the drawn graphic) times diffuse; kind 1 then fades toward
// the factor as the alpha falls.
void OneTextureRowPlain(const BlendGraphicRow& row, uint32_t* out);
void OneTextureRow(const BlendGraphicRow& row, uint32_t* out);

// The blend graphic fading into the drawn one by `weight`, times diffuse.
void CrossFadeRowPlain(const BlendGraphicRow& row, uint32_t* out);
void CrossFadeRow(const BlendGraphicRow& row, uint32_t* out);

// The drawn graphic under the blend graphic's alpha ramp.
void WipeRowPlain(const BlendGraphicRow& row, uint32_t* out);
void WipeRow(const BlendGraphicRow& row, uint32_t* out);

// The drawn graphic with its alpha times the blend graphic's.
void AlphaMaskRowPlain(const BlendGraphicRow& row, uint32_t* out);
void AlphaMaskRow(const BlendGraphicRow& row, uint32_t* out);

}  // namespace platform::d3d9::kernels
