// The per-call context of a blit and the per-pixel blend forms that the
// clipped and the run-table paths share (and the stretched blit reuses).
// Each form is a template over the call's fixed choices, so every
// combination compiles to its own loop with no per-pixel test of them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

#include <windows.h>

#include "soft/packed_pixel_math.h"

namespace DuRud {

struct BlitCall {
    const uint8_t* src = nullptr;
    uint8_t* dst = nullptr;
    const uint8_t* blend = nullptr;  // null without a blend image
    ptrdiff_t srcSkip = 0, dstSkip = 0, blendSkip = 0;
    int w = 0, h = 0;
    bool trans = false;                // transparent flag not 0
    uint32_t transColor = 0;           // raw, in the source's own format
    uint32_t transWord = 0;            // the compare word of the two-pixel loops
    const uint8_t* palette = nullptr;  // the source body's own palette
    const uint8_t* runs = nullptr;     // the source body's run table
    const uint8_t* runsEnd = nullptr;  // one past its last byte
    int mode = 0;
    uint32_t p = 0;
    bool white = true;
    bool hasBlend = false;
    bool alpha = false;  // source alpha flag 1
    bool mmx = false;
    const int32_t* rowP = nullptr;        // term row of p (additive and subtractive)
    const int32_t* bright[3] = {};        // product rows of blue, green, red brightness
    const int32_t* signedRow = nullptr;   // signed scale row of p at its entry 255
    const uint8_t (*mix6)[64] = nullptr;  // six-bit mix layer p / 4
    const uint8_t* blendTable = nullptr;  // blend-image factor table
};

template <int Mode>
constexpr bool kModeUsesParameter = Mode == 1 || Mode == 2 || Mode == 3 || Mode == 10 || Mode == 11;

// One 32-bit pixel. UseA: the source alpha (byte 3 of s) is a weight; t is
// the blend-image factor when Blend.
template <int Mode, bool Blend, bool White, bool UseA>
inline void Pixel32(uint8_t* dp, uint32_t s, uint32_t t, const BlitCall& c) {
    constexpr bool usesP = kModeUsesParameter<Mode>;
    constexpr int n = 8 * (int(Blend) + int(UseA) + int(usesP));
    uint32_t w = 1;
    if constexpr (Blend) w *= t;
    if constexpr (UseA) w *= s >> 24;
    if constexpr (usesP) w *= c.p;
    const uint32_t d = Load32(dp);
    if constexpr (Mode == 0 && n == 0) {
        if constexpr (White) {
            Store32(dp, s);
        } else {
            Store24(dp, uint32_t(c.bright[0][s & 0xFF]) |
                            uint32_t(c.bright[1][(s >> 8) & 0xFF]) << 8 |
                            uint32_t(c.bright[2][(s >> 16) & 0xFF]) << 16);
        }
        return;
    }
    uint32_t out = 0;
    for (int ch = 0; ch < 3; ++ch) {
        uint32_t sc = (s >> (8 * ch)) & 0xFF;
        if constexpr (Mode == 10) sc = 255 - sc;
        const uint32_t v = White ? sc : uint32_t(c.bright[ch][sc]);
        const uint32_t dc = (d >> (8 * ch)) & 0xFF;
        uint32_t r;
        if constexpr (Mode == 0 || Mode == 1 || Mode == 10) {
            r = MemImgMix(v, dc, w, n);
        } else if constexpr (Mode == 11) {
            r = MemImgMix((v * dc) >> 8, dc, w, n);
        } else if constexpr (Mode == 2 || Mode == 3) {
            r = n == 8 ? uint32_t(c.rowP[v]) : (v * w) >> n;
        } else {
            static_assert(Mode == 4);
            r = n == 0 ? (dc * v) >> 8 : (w * v * dc) >> (n + 8);
        }
        out |= (r & 0xFF) << (8 * ch);
    }
    if constexpr (Mode == 2) {
        Store32(dp, MemImgAdd32(d, out));
    } else if constexpr (Mode == 3) {
        Store32(dp, MemImgSubtract32(d, out));
    } else {
        Store24(dp, out);
    }
}

// One 16-bit pixel: d the destination, s the R5G6B5 source value, a its
// alpha (used when UseA), t the blend-image factor (used when Blend).
template <int Mode, bool Blend, bool White, bool UseA>
inline uint16_t Pixel16(uint32_t d, uint32_t s, uint32_t a, uint32_t t, const BlitCall& c) {
    constexpr bool usesP = kModeUsesParameter<Mode>;
    constexpr int n = 8 * (int(Blend) + int(UseA) + int((usesP && Mode != 2 && Mode != 3)));
    constexpr int kShift[3] = {11, 5, 0};
    constexpr int kWidth[3] = {5, 6, 5};
    constexpr uint32_t kMax[3] = {31, 63, 31};
    constexpr int kBright[3] = {2, 1, 0};  // red, green, blue brightness rows
    uint32_t w = 1;
    if constexpr (Blend) w *= t;
    if constexpr (UseA) w *= a;
    if constexpr (usesP && Mode != 2 && Mode != 3) w *= c.p;
    if constexpr (Mode == 0 && n == 0) {
        if constexpr (White) return uint16_t(s);
    }
    uint32_t out = 0;
    for (int ch = 0; ch < 3; ++ch) {
        const uint32_t S = (s >> kShift[ch]) & kMax[ch];
        const uint32_t D = (d >> kShift[ch]) & kMax[ch];
        const int32_t* br = c.bright[kBright[ch]];
        uint32_t r;
        if constexpr (Mode == 0 || Mode == 1 || Mode == 10 || Mode == 11) {
            uint32_t V = Mode == 10 ? kMax[ch] - S : S;
            if constexpr (!White) V = uint32_t(br[V]);
            if constexpr (Mode == 11) V = (V * D) >> kWidth[ch];
            if constexpr (Mode == 0 && n == 0) {
                r = V;
            } else if constexpr (usesP && n == 8) {
                r = uint32_t(int32_t(D) + c.signedRow[int32_t(V) - int32_t(D)]);
            } else {
                r = MemImgMix(V, D, w, n);
            }
            if constexpr (Mode == 11 && White && !Blend && UseA) {
                // Green keeps five more fraction bits of its product.
                if (ch == 1) r = ((D << 21) + ((S * D >> 1) - 32 * D) * w) >> 21;
            }
        } else if constexpr (Mode == 2 || Mode == 3) {
            uint32_t y;
            if constexpr (!Blend && !UseA) {
                y = White ? S : uint32_t(br[S]);
            } else if constexpr (!Blend) {
                y = (S * a) >> 8;
                if constexpr (!White) y = uint32_t(br[y]);
            } else if constexpr (!UseA) {
                y = ((White ? S : uint32_t(br[S])) * t) >> 8;
            } else {
                y = ((White ? S : uint32_t(br[S])) * a * t) >> 16;
            }
            r = uint32_t(c.rowP[y]);
        } else {
            static_assert(Mode == 4);
            const uint32_t V = White ? S : uint32_t(br[S]);
            r = (D * V * w) >> (kWidth[ch] + n);
        }
        out |= (r & kMax[ch]) << kShift[ch];
    }
    if constexpr (Mode == 2) return MemImgAdd16(d, out);
    if constexpr (Mode == 3) return MemImgSubtract16(d, out);
    return uint16_t(out);
}

// Calls f with std::bool_constant values for the run-time flags, so that
// each combination gets its own instantiation.
template <class F>
inline void WithBool(bool b, F&& f) {
    if (b) {
        f(std::true_type{});
    } else {
        f(std::false_type{});
    }
}

// Calls f with std::integral_constant<int, mode> for the blend modes the
// blits draw (0-4, 10, 11); any other mode draws nothing.
template <class F>
inline void WithBlendMode(int mode, F&& f) {
    switch (mode) {
        case 0:
            f(std::integral_constant<int, 0>{});
            break;
        case 1:
            f(std::integral_constant<int, 1>{});
            break;
        case 2:
            f(std::integral_constant<int, 2>{});
            break;
        case 3:
            f(std::integral_constant<int, 3>{});
            break;
        case 4:
            f(std::integral_constant<int, 4>{});
            break;
        case 10:
            f(std::integral_constant<int, 10>{});
            break;
        case 11:
            f(std::integral_constant<int, 11>{});
            break;
        default:
            break;
    }
}

// The refusals both blit entries share: valid records with the pixel size
// their kind needs, the same colour type on both sides, a plain 16- or
// 32-bit destination, a palette where one is flagged, and a blend image at
// least as large as the source.
bool BlitImagesAcceptable(const MEMIMG* dest, const MEMIMG* src, const MEMIMG* blend);
// Fills c's draw-state values (mode, with mode 1 at p = 255 as mode 0; p and
// its table rows; brightness; transparency; source alpha; MMX flag) from
// MemImgDrawState and the source body. False: the mode or parameter draws
// nothing.
bool BlitSetDrawState(BlitCall& c, const MemImgBody* sb, int trans);
// The draw area of MemImgDrawState, kept inside the destination.
RECT BlitDrawArea(const MEMIMG* dest);

// Kernel groups (one per file).
// The work palette of the whole-image blit: every call with a palette source
// copies all 256 entries of the source's palette here first.
uint8_t* MemImgBlitWorkPalette();
void BlitClipped32(const BlitCall& c);
void BlitClipped16(const BlitCall& c);
void BlitRuns32(const BlitCall& c, bool paletteSource);
// What the sprite rows read (blend mode 0, white, no blend image, a source
// with the alpha flag): pitches in bytes. The run-table walk also reads the
// runs; the clipped rows leave them null.
struct SpriteCall {
    const uint8_t* src;
    uint8_t* dst;
    ptrdiff_t srcPitch, dstPitch;
    int w, h;
    const uint8_t* runs;
    const uint8_t* runsEnd;
};
// The sprite rows' view of a call (four-byte source pixels); the runs are
// null on the clipped path.
inline SpriteCall SpriteCallOf(const BlitCall& c, int dstBpp) {
    return SpriteCall{c.src,
                      c.dst,
                      ptrdiff_t(c.w) * 4 + c.srcSkip,
                      ptrdiff_t(c.w) * dstBpp + c.dstSkip,
                      c.w,
                      c.h,
                      c.runs,
                      c.runsEnd};
}
// Straight-alpha sprite rows of the clipped path: a = 0 left out, a = 255
// stored, others weighted, pixel by pixel as the sources are now (32-bit,
// and 16-bit destinations under four-byte sources).
void BlitClippedSprite32(const SpriteCall& c);
void BlitClippedSprite16(const SpriteCall& c);
// Draws a 32-bit sprite call; false (nothing drawn) when its source and
// destination rows share bytes, which the general run walk then draws.
bool BlitSpriteRuns32(const SpriteCall& c);
// The same for a 16-bit destination under four-byte sources.
bool BlitSpriteRuns16(const SpriteCall& c);
void BlitRuns16(const BlitCall& c, bool paletteSource);
// The clipped path for palette sources (is32: 4-byte entries, else 2-byte).
void BlitClippedPalette(const BlitCall& c, bool is32);

}  // namespace DuRud
