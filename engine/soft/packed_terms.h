// The packed term that the additive and subtractive modes add to or take
// from a destination pixel: each source channel scaled by p/255 and, where
// they weigh, by the blend factor and the source alpha. 16-bit terms all end
// in the parameter's product row; 32-bit terms use that row only on the
// opaque path without a blend image and otherwise multiply by p and shift.
#pragma once

#include <cstdint>

#include "soft/span_pipeline.h"

namespace DuRud {

template <bool Is32, bool Blend, bool White>
inline uint32_t PackedTermChannel(const SpanContext& c, int32_t lit, int32_t unlit,
                                  const int32_t* row, int32_t f, int32_t a, TexelPath path) {
    const uint32_t s = uint32_t(lit);
    const uint32_t p = uint32_t(c.parameter);
    const int32_t* P = c.parameterRow;
    if constexpr (Is32) {
        if constexpr (Blend) {
            if (path == TexelPath::Opaque) return (s * uint32_t(f) * p) >> 16;
            return (s * uint32_t(f) * uint32_t(a) * p) >> 24;  // up to 255^4: unsigned
        } else {
            if (path == TexelPath::Opaque) return uint32_t(P[s]);
            return (s * uint32_t(a) * p) >> 16;
        }
    } else {
        if constexpr (Blend) {
            if (path == TexelPath::Opaque) return uint32_t(P[(s * uint32_t(f)) >> 8]);
            return uint32_t(P[(s * uint32_t(f) * uint32_t(a)) >> 16]);
        } else {
            if (path == TexelPath::Opaque) return uint32_t(P[s]);
            // Without a blend image the alpha is applied to the unlit
            // channel and the brightness row to its result.
            if constexpr (White)
                return uint32_t(P[(s * uint32_t(a)) >> 8]);
            else
                return uint32_t(P[row[(uint32_t(unlit) * uint32_t(a)) >> 8]]);
        }
    }
}

// The whole term: R5G6B5, or blue, green, red in bytes 0-2 with byte 3 zero.
template <bool Is32, bool Blend, bool White>
inline uint32_t PackedTerm(const SpanContext& c, const Texel& t, int32_t f, int32_t a,
                           TexelPath path) {
    int32_t ur = 0, ug = 0, ub = 0;
    if constexpr (!Is32 && !Blend && !White) UnpackChannels<Is32>(t.whole, ur, ug, ub);
    const uint32_t r = PackedTermChannel<Is32, Blend, White>(c, t.r, ur, c.rowR, f, a, path);
    const uint32_t g = PackedTermChannel<Is32, Blend, White>(c, t.g, ug, c.rowG, f, a, path);
    const uint32_t b = PackedTermChannel<Is32, Blend, White>(c, t.b, ub, c.rowB, f, a, path);
    if constexpr (Is32)
        return (r << 16) | (g << 8) | b;
    else
        return (r << 11) | (g << 5) | b;
}

}  // namespace DuRud
