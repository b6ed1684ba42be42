// The textured span pipeline shared by the triangle and the rotated blit:
// bounds test, texel fetch, transparency or alpha gate, palette, brightness
// and blend factor, then one blend mode's arithmetic writes the pixel. Every
// flag constant for a call is a template parameter, so each source kind,
// blend image, white brightness and transparent flag combination is its own
// loop (48 per blend mode); a blend mode plugs in as a struct with one Write
// function and reuses the walks untouched.
#pragma once

#include <cstdint>
#include <cstring>

#include "soft/packed_pixel_math.h"

namespace DuRud {

enum class SourceKind { Direct16, Alpha16, Direct32, Alpha32, Palette16, Palette32 };

template <SourceKind K>
struct KindTraits {
    static constexpr bool is32 =
        K == SourceKind::Direct32 || K == SourceKind::Alpha32 || K == SourceKind::Palette32;
    static constexpr bool hasAlpha = K == SourceKind::Alpha16 || K == SourceKind::Alpha32;
    static constexpr bool paletted = K == SourceKind::Palette16 || K == SourceKind::Palette32;
    static constexpr int texelSize = paletted ? 1 : (K == SourceKind::Direct16 ? 2 : 4);
    static constexpr int destSize = is32 ? 4 : 2;
};

// Everything a span loop reads, fixed before the first pixel of a call.
struct SpanContext {
    const uint8_t* srcPixels = nullptr;
    intptr_t srcPitch = 0;
    uint32_t boundU = 0;  // source width << 18 (width <= 8192, so it fits)
    uint32_t boundV = 0;  // source height << 18
    uint32_t transparent = 0;
    const uint8_t* palette = nullptr;
    const uint8_t* blendPixels = nullptr;
    intptr_t blendPitch = 0;
    const uint8_t* blendTable = nullptr;  // 256 factors
    const int32_t* rowB = nullptr;        // brightness rows of the product table
    const int32_t* rowG = nullptr;
    const int32_t* rowR = nullptr;
    int32_t parameter = 0;                  // blend parameter, for the modes that read it
    const int32_t* parameterRow = nullptr;  // its term row (additive and subtractive)
    const int32_t* signedRow = nullptr;     // its signed product row at d = 0
};

// One span: count destination pixels from dest, texel position (u, v)
// stepping by (du, dv) per pixel, all in wrapping 32-bit 14.18 arithmetic.
using SpanFunction = void (*)(const SpanContext&, uint8_t* dest, int32_t count, uint32_t u,
                              uint32_t v, uint32_t du, uint32_t dv);

// Which of the blend mode's paths a texel takes.
enum class TexelPath { Opaque, Alpha };

// A fetched texel: the raw texel or palette entry as stored (for the
// whole-entry copies) and the lit channels at the source's widths.
struct Texel {
    uint32_t whole;
    int32_t r, g, b;
};

// Destination channels at the destination's widths; storing keeps byte 3 of
// a 32-bit pixel.
template <bool Is32>
inline void LoadChannels(const uint8_t* d, int32_t& r, int32_t& g, int32_t& b) {
    if constexpr (Is32) {
        b = d[0];
        g = d[1];
        r = d[2];
    } else {
        const uint32_t p = Load16(d);
        r = p >> 11;
        g = (p >> 5) & 63;
        b = p & 31;
    }
}
// The channels of a raw texel or palette entry, before any brightness.
template <bool Is32>
inline void UnpackChannels(uint32_t whole, int32_t& r, int32_t& g, int32_t& b) {
    if constexpr (Is32) {
        b = int32_t(whole & 255);
        g = int32_t((whole >> 8) & 255);
        r = int32_t((whole >> 16) & 255);
    } else {
        r = int32_t((whole >> 11) & 31);
        g = int32_t((whole >> 5) & 63);
        b = int32_t(whole & 31);
    }
}
template <bool Is32>
inline void StoreChannels(uint8_t* d, int32_t r, int32_t g, int32_t b) {
    if constexpr (Is32) {
        d[0] = static_cast<uint8_t>(b);
        d[1] = static_cast<uint8_t>(g);
        d[2] = static_cast<uint8_t>(r);
    } else {
        Store16(d, static_cast<uint16_t>((r << 11) | (g << 5) | b));
    }
}
template <bool Is32>
inline void StoreWhole(uint8_t* d, uint32_t whole) {
    if constexpr (Is32)
        Store32(d, whole);
    else
        Store16(d, static_cast<uint16_t>(whole));
}

template <class Mode, SourceKind K, bool Blend, bool White, bool Trans>
void SpanLoop(const SpanContext& c, uint8_t* d, int32_t count, uint32_t u, uint32_t v, uint32_t du,
              uint32_t dv) {
    using T = KindTraits<K>;
    for (; count > 0; --count, d += T::destSize, u += du, v += dv) {
        // Unsigned: a negative position fails too.
        if (u >= c.boundU || v >= c.boundV) continue;
        const uint32_t tx = u >> 18;
        const uint32_t ty = v >> 18;
        const uint8_t* p = c.srcPixels + intptr_t(ty) * c.srcPitch + intptr_t(tx) * T::texelSize;

        uint32_t raw;
        int32_t alpha = 255;
        if constexpr (T::paletted)
            raw = p[0];
        else if constexpr (K == SourceKind::Direct16)
            raw = Load16(p);
        else
            raw = Load32(p);
        if constexpr (K == SourceKind::Alpha16) alpha = p[2];
        if constexpr (K == SourceKind::Alpha32) alpha = p[3];

        // Rejection on the raw texel, before palette and brightness.
        TexelPath path = TexelPath::Opaque;
        if constexpr (T::hasAlpha) {
            if constexpr (Trans) {
                if (alpha == 0) continue;
                if (alpha != 255) path = TexelPath::Alpha;
            } else {
                path = TexelPath::Alpha;
            }
        } else if constexpr (Trans) {
            if (raw == c.transparent) continue;
        }

        Texel t;
        if constexpr (K == SourceKind::Palette16)
            t.whole = Load16(c.palette + 2 * raw);
        else if constexpr (K == SourceKind::Palette32)
            t.whole = Load32(c.palette + 4 * raw);
        else if constexpr (K == SourceKind::Alpha16)
            t.whole = raw & 0xFFFF;
        else
            t.whole = raw;
        if constexpr (T::is32) {
            t.b = t.whole & 255;
            t.g = (t.whole >> 8) & 255;
            t.r = (t.whole >> 16) & 255;
        } else {
            t.r = (t.whole >> 11) & 31;
            t.g = (t.whole >> 5) & 63;
            t.b = t.whole & 31;
        }
        if constexpr (!White) {
            // 5- and 6-bit fields index the rows directly.
            t.r = c.rowR[t.r];
            t.g = c.rowG[t.g];
            t.b = c.rowB[t.b];
        }

        int32_t factor = 255;
        if constexpr (Blend)
            factor = c.blendTable[c.blendPixels[intptr_t(ty) * c.blendPitch + intptr_t(tx)]];

        Mode::template Write<T::is32, Blend, White>(c, d, t, factor, alpha, path);
    }
}

template <class Mode, SourceKind K>
SpanFunction PickSpanFlags(bool blend, bool white, bool trans) {
    if (blend) {
        if (white)
            return trans ? &SpanLoop<Mode, K, true, true, true>
                         : &SpanLoop<Mode, K, true, true, false>;
        return trans ? &SpanLoop<Mode, K, true, false, true>
                     : &SpanLoop<Mode, K, true, false, false>;
    }
    if (white)
        return trans ? &SpanLoop<Mode, K, false, true, true>
                     : &SpanLoop<Mode, K, false, true, false>;
    return trans ? &SpanLoop<Mode, K, false, false, true> : &SpanLoop<Mode, K, false, false, false>;
}

// One of the 48 loops of a blend mode.
template <class Mode>
SpanFunction PickSpan(SourceKind kind, bool blend, bool white, bool trans) {
    switch (kind) {
        case SourceKind::Direct16:
            return PickSpanFlags<Mode, SourceKind::Direct16>(blend, white, trans);
        case SourceKind::Alpha16:
            return PickSpanFlags<Mode, SourceKind::Alpha16>(blend, white, trans);
        case SourceKind::Direct32:
            return PickSpanFlags<Mode, SourceKind::Direct32>(blend, white, trans);
        case SourceKind::Alpha32:
            return PickSpanFlags<Mode, SourceKind::Alpha32>(blend, white, trans);
        case SourceKind::Palette16:
            return PickSpanFlags<Mode, SourceKind::Palette16>(blend, white, trans);
        case SourceKind::Palette32:
            return PickSpanFlags<Mode, SourceKind::Palette32>(blend, white, trans);
    }
    return nullptr;
}

}  // namespace DuRud
