// One-colour drawing shared by rectangle fills and lines (and the flat
// triangle): the lighting of the colour argument once per call and the
// combine step of every blend mode at both depths. The drawers call
// FlatDispatch once, which hands their loop a compile-time depth and mode so
// the per-pixel work is only the combine step.
#pragma once

#include <cstdint>
#include <type_traits>

#include <windows.h>

#include "image/memimg.h"
#include "soft/packed_pixel_math.h"

namespace DuRud {

// The lit colour and what every pixel of one call needs from it.
struct FlatColour {
    uint32_t c = 0;  // lit colour (16-bit: low 16 bits only)
    uint32_t e = 0;  // colour scaled by the parameter, for modes 2 and 3
    int32_t p = 0;   // blend parameter
};

// The fill-and-line lighting: only under a non-white brightness, each
// channel times its factor >> 8; byte 3 kept.
uint32_t FlatLightFillLine(uint32_t colour, bool is32, uint32_t bright);
// The flat triangle's lighting: through the product table, always.
uint32_t FlatLightTriangle(uint32_t colour, bool is32, uint32_t bright);

// The effective mode for (mode, p): -1 when nothing is drawn; mode 1 at 255
// becomes mode 0.
int FlatEffectiveMode(int mode, int p);

// Checks a fill or line destination (valid record, no palette, no alpha,
// 16- or 32-bit with the matching pixel size) and gives the draw area kept
// inside the image. False: draw nothing.
bool FlatTarget(const MEMIMG* dest, RECT* area, bool* is32);

// Fills in e for modes 2 and 3.
FlatColour FlatPrepare(uint32_t litColour, bool is32, int p);

namespace flat_detail {

inline int32_t Mix32(int32_t v, int32_t d, int32_t p) {
    return ((v - d) * p + d * 256) >> 8;
}
inline int32_t Mix16(int32_t v, int32_t d, int32_t p) {
    return d + MemImgSignedMulTable[p][v - d + 255];
}

}  // namespace flat_detail

template <bool Is32, int Mode>
inline void FlatCombine(uint8_t* px, const FlatColour& k) {
    using namespace flat_detail;
    if constexpr (Is32) {
        if constexpr (Mode == 0) {
            Store32(px, k.c);
        } else if constexpr (Mode == 2) {
            Store32(px, MemImgAdd32(Load32(px), k.e));
        } else if constexpr (Mode == 3) {
            Store32(px, MemImgSubtract32(Load32(px), k.e));
        } else {
            const uint32_t d = Load32(px);
            uint32_t out = d & 0xFF000000u;
            for (int s = 0; s < 24; s += 8) {
                const int32_t dc = int32_t((d >> s) & 0xFF);
                const int32_t cc = int32_t((k.c >> s) & 0xFF);
                int32_t v;
                if constexpr (Mode == 1)
                    v = Mix32(cc, dc, k.p);
                else if constexpr (Mode == 4)
                    v = (dc * cc) >> 8;
                else if constexpr (Mode == 10)
                    v = Mix32(255 - cc, dc, k.p);
                else
                    v = Mix32((dc * cc) >> 8, dc, k.p);  // 11
                out |= uint32_t(v & 0xFF) << s;
            }
            Store32(px, out);
        }
    } else {
        if constexpr (Mode == 0) {
            Store16(px, uint16_t(k.c));
        } else if constexpr (Mode == 2) {
            Store16(px, MemImgAdd16(Load16(px), k.e));
        } else if constexpr (Mode == 3) {
            Store16(px, MemImgSubtract16(Load16(px), k.e));
        } else {
            const uint32_t d = Load16(px);
            const int32_t dr = int32_t(d >> 11), dg = int32_t((d >> 5) & 63), db = int32_t(d & 31);
            const uint32_t cw = Mode == 10 ? (~k.c & 0xFFFFu) : k.c;
            const int32_t cr = int32_t(cw >> 11), cg = int32_t((cw >> 5) & 63),
                          cb = int32_t(cw & 31);
            int32_t r, g, b;
            if constexpr (Mode == 1 || Mode == 10) {
                r = Mix16(cr, dr, k.p);
                g = Mix16(cg, dg, k.p);
                b = Mix16(cb, db, k.p);
            } else if constexpr (Mode == 4) {
                r = (dr * cr) >> 5;
                g = (dg * cg) >> 6;
                b = (db * cb) >> 5;
            } else {  // 11
                r = Mix16((dr * cr) >> 5, dr, k.p);
                g = Mix16((dg * cg) >> 6, dg, k.p);
                b = Mix16((db * cb) >> 5, db, k.p);
            }
            Store16(px, uint16_t((r << 11) | (g << 5) | b));
        }
    }
}

// Calls loop(std::bool_constant<Is32>, std::integral_constant<int, Mode>)
// for an effective mode from FlatEffectiveMode.
template <class Loop>
inline void FlatDispatch(bool is32, int mode, Loop&& loop) {
    auto at = [&](auto depth) {
        switch (mode) {
            case 0:
                loop(depth, std::integral_constant<int, 0>{});
                break;
            case 1:
                loop(depth, std::integral_constant<int, 1>{});
                break;
            case 2:
                loop(depth, std::integral_constant<int, 2>{});
                break;
            case 3:
                loop(depth, std::integral_constant<int, 3>{});
                break;
            case 4:
                loop(depth, std::integral_constant<int, 4>{});
                break;
            case 10:
                loop(depth, std::integral_constant<int, 10>{});
                break;
            case 11:
                loop(depth, std::integral_constant<int, 11>{});
                break;
            default:
                break;
        }
    };
    if (is32)
        at(std::true_type{});
    else
        at(std::false_type{});
}

}  // namespace DuRud
