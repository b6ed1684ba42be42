// MemImgLine and MemImgLineList: one-colour lines clipped to the draw area
// in double precision, then walked with an integer error term. The first end
// point is drawn, the second never, so outlines made of joined lines touch
// each pixel once.
#include <algorithm>
#include <cstddef>

#include "DuRud.h"
#include "soft/flat_colour.h"
#include "soft/memimg_renderer.h"

namespace DuRud {

namespace {

struct LineEquations {
    double kx = 0, ky = 0, bx = 0, by = 0;
    int X(double y) const { return TruncDoubleToInt(bx + y * kx); }
    int Y(double x) const { return TruncDoubleToInt(by + x * ky); }
};

}  // namespace

void MemImgLine(MEMIMG* dest, int x1, int y1, int x2, int y2, uint32_t colour) {
    RECT area;
    bool is32 = false;
    if (!FlatTarget(dest, &area, &is32)) return;
    const int L = area.left, T = area.top, R = area.right, B = area.bottom;
    if (std::max(y1, y2) < T || std::min(y1, y2) >= B || std::min(x1, x2) >= R ||
        std::max(x1, x2) < L) {
        return;
    }
    // Doubles before subtracting: far-apart ends overflow 32 bits.
    LineEquations q;
    const double fx1 = x1, fy1 = y1, fx2 = x2, fy2 = y2;
    if (y1 != y2) q.kx = (fx2 - fx1) / (fy2 - fy1);
    if (x1 != x2) q.ky = (fy2 - fy1) / (fx2 - fx1);
    q.bx = fx1 - fy1 * q.kx;
    q.by = fy1 - fx1 * q.ky;

    if (x1 < L) {
        x1 = L;
        y1 = q.Y(L);
    } else if (x1 >= R) {
        x1 = R - 1;
        y1 = q.Y(R - 1);
    }
    if (x2 < L) {
        x2 = L - 1;
        y2 = q.Y(L - 1.0);
    } else if (x2 >= R) {
        x2 = R;
        y2 = q.Y(R);
    }
    if (y1 < T) {
        y1 = T;
        x1 = q.X(T);
    } else if (y1 >= B) {
        y1 = B - 1;
        x1 = q.X(B - 1);
    }
    if (y2 < T) {
        y2 = T - 1;
        x2 = q.X(T - 1.0);
    } else if (y2 >= B) {
        y2 = B;
        x2 = q.X(B);
    }
    // The area lies inside the image, so L, T >= 0 and these cannot wrap.
    x1 = std::clamp(x1, L, R - 1);
    y1 = std::clamp(y1, T, B - 1);
    x2 = std::clamp(x2, L - 1, R);
    y2 = std::clamp(y2, T - 1, B);

    const int dx = x2 - x1, dy = y2 - y1;
    if (dx == 0 && dy == 0) return;
    const int p = MemImgDrawState.blendParameter;
    const int mode = FlatEffectiveMode(MemImgDrawState.blendMode, p);
    if (mode < 0) return;
    const FlatColour k =
        FlatPrepare(FlatLightFillLine(colour, is32, MemImgDrawState.drawBright), is32, p);

    const int bpp = is32 ? 4 : 2;
    const ptrdiff_t pitch = dest->body->pitch;
    const ptrdiff_t colStep = dx < 0 ? -bpp : bpp;
    const ptrdiff_t rowStep = dy < 0 ? -pitch : pitch;
    const int adx = dx < 0 ? -dx : dx, ady = dy < 0 ? -dy : dy;
    uint8_t* const base = dest->pixels;
    // An offset, not a pointer: the step after the last pixel may leave the image.
    ptrdiff_t at = pitch * y1 + ptrdiff_t(bpp) * x1;

    FlatDispatch(is32, mode, [&](auto depth, auto m) {
        constexpr bool Is32 = decltype(depth)::value;
        constexpr int Mode = decltype(m)::value;
        int e = 0;
        if (adx >= ady) {
            for (int i = 0; i < adx; ++i) {
                FlatCombine<Is32, Mode>(base + at, k);
                e += ady;
                at += colStep;
                if (e >= adx) {
                    at += rowStep;
                    e -= adx;
                }
            }
        } else {
            for (int i = 0; i < ady; ++i) {
                FlatCombine<Is32, Mode>(base + at, k);
                e += adx;
                at += rowStep;
                if (e >= ady) {
                    at += colStep;
                    e -= ady;
                }
            }
        }
    });
}

void MemImgLineList(MEMIMG* dest, const MemImgLineRecord* lines, int count) {
    if (!lines || count <= 0) return;
    for (int i = 0; i < count; ++i)
        MemImgLine(dest, lines[i].x1, lines[i].y1, lines[i].x2, lines[i].y2, lines[i].colour);
}

}  // namespace DuRud
