// The four weighted mixes of the blend modes that move a destination channel
// towards a target by the blend parameter p (alpha blend towards the lit
// source, inverted source towards the lit complement, multiply towards the
// product), further weighted by the blend factor F and the source alpha A.
// Every weight counts as w/256 except p in the 16-bit parameter mix, which
// goes through the signed product row and rounds toward zero.
#pragma once

#include <cstdint>

#include "soft/packed_pixel_math.h"
#include "soft/span_pipeline.h"

namespace DuRud {

// One channel: v the target, d the destination, both at the channel's width.
// The weight product stays below its divisor, so the numerator is never
// negative and never passes 2^32; MemImgMix forms it in wrapping unsigned
// arithmetic, exact for F * A * p at 32 bits too.
template <bool Is32, bool Blend>
inline int32_t ParameterMix(const SpanContext& c, int32_t v, int32_t d, int32_t f, int32_t a,
                            TexelPath path) {
    const uint32_t p = uint32_t(c.parameter);
    const uint32_t uv = uint32_t(v), ud = uint32_t(d);
    if constexpr (Blend) {
        if (path == TexelPath::Opaque) return int32_t(MemImgMix(uv, ud, uint32_t(f) * p, 16));
        return int32_t(MemImgMix(uv, ud, uint32_t(f) * uint32_t(a) * p, 24));
    } else {
        if (path == TexelPath::Alpha) return int32_t(MemImgMix(uv, ud, uint32_t(a) * p, 16));
        if constexpr (Is32)
            return int32_t(MemImgMix(uv, ud, p, 8));
        else
            return d + c.signedRow[v - d];
    }
}

// All three channels towards (vr, vg, vb); byte 3 of a 32-bit pixel kept.
template <bool Is32, bool Blend>
inline void WriteParameterMix(const SpanContext& c, uint8_t* d, int32_t vr, int32_t vg, int32_t vb,
                              int32_t f, int32_t a, TexelPath path) {
    int32_t dr, dg, db;
    LoadChannels<Is32>(d, dr, dg, db);
    StoreChannels<Is32>(d, ParameterMix<Is32, Blend>(c, vr, dr, f, a, path),
                        ParameterMix<Is32, Blend>(c, vg, dg, f, a, path),
                        ParameterMix<Is32, Blend>(c, vb, db, f, a, path));
}

}  // namespace DuRud
