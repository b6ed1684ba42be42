// Lighting and per-call preparation of one-colour drawing.
#include "soft/flat_colour.h"

#include "core/math.h"

namespace DuRud {

namespace {
bool White(uint32_t bright) {
    return (bright & 0xFFFFFFu) == 0xFFFFFFu;
}
}  // namespace

uint32_t FlatLightFillLine(uint32_t colour, bool is32, uint32_t bright) {
    if (!is32) colour &= 0xFFFFu;  // higher bits would leak into red
    if (White(bright)) return colour;
    const uint32_t fb = bright & 0xFF, fg = (bright >> 8) & 0xFF, fr = (bright >> 16) & 0xFF;
    if (is32) {
        const uint32_t b = ((colour & 0xFF) * fb) >> 8;
        const uint32_t g = (((colour >> 8) & 0xFF) * fg) >> 8;
        const uint32_t r = (((colour >> 16) & 0xFF) * fr) >> 8;
        return (colour & 0xFF000000u) | (r << 16) | (g << 8) | b;
    }
    const uint32_t r = ((colour >> 11) * fr) >> 8;
    const uint32_t g = (((colour >> 5) & 63) * fg) >> 8;
    const uint32_t b = ((colour & 31) * fb) >> 8;
    return (r << 11) | (g << 5) | b;
}

uint32_t FlatLightTriangle(uint32_t colour, bool is32, uint32_t bright) {
    if (!is32) colour &= 0xFFFFu;
    const uint32_t fb = bright & 0xFF, fg = (bright >> 8) & 0xFF, fr = (bright >> 16) & 0xFF;
    if (is32) {
        const uint32_t b = uint32_t(MemImgMulTable[fb][colour & 0xFF]);
        const uint32_t g = uint32_t(MemImgMulTable[fg][(colour >> 8) & 0xFF]);
        const uint32_t r = uint32_t(MemImgMulTable[fr][(colour >> 16) & 0xFF]);
        return (colour & 0xFF000000u) | (r << 16) | (g << 8) | b;
    }
    const uint32_t r = uint32_t(MemImgMulTable[fr][colour >> 11]);
    const uint32_t g = uint32_t(MemImgMulTable[fg][(colour >> 5) & 63]);
    const uint32_t b = uint32_t(MemImgMulTable[fb][colour & 31]);
    return (r << 11) | (g << 5) | b;
}

bool FlatTarget(const MEMIMG* dest, RECT* area, bool* is32) {
    if (!MemImgIsValid(dest) || !dest->pixels || !dest->body->colorFormat) return false;
    const MemImgBody* b = dest->body;
    if (b->paletteFlag == 1 || b->alphaFlag == 1) return false;
    if (b->colorType == kMemImgColor32)
        *is32 = true;
    else if (b->colorType == kMemImgColor16)
        *is32 = false;
    else
        return false;
    if (b->colorFormat->bytesPerPixel != (*is32 ? 4 : 2)) return false;
    *area = RECT{MemImgDrawState.clipLeft, MemImgDrawState.clipTop, MemImgDrawState.clipRight,
                 MemImgDrawState.clipBottom};
    const RECT bounds{0, 0, dest->width, dest->height};
    ClipRect(area, &bounds);
    return area->right > area->left && area->bottom > area->top;
}

int FlatEffectiveMode(int mode, int p) {
    if (p < 0 || p > 255) return -1;  // no table row for it
    if (mode < 0 || mode > 11 || (mode >= 5 && mode <= 9)) return -1;
    if (mode == 1 && p == 255) return 0;
    if ((mode == 1 || mode == 2 || mode == 3) && p == 0) return -1;
    return mode;
}

FlatColour FlatPrepare(uint32_t lit, bool is32, int p) {
    FlatColour k;
    k.c = is32 ? lit : (lit & 0xFFFFu);
    k.p = p;
    if (is32) {
        k.e = uint32_t(MemImgTermMulTable[p][k.c & 0xFF]) |
              uint32_t(MemImgTermMulTable[p][(k.c >> 8) & 0xFF]) << 8 |
              uint32_t(MemImgTermMulTable[p][(k.c >> 16) & 0xFF]) << 16;
    } else {
        k.e = uint32_t(MemImgTermMulTable[p][k.c >> 11]) << 11 |
              uint32_t(MemImgTermMulTable[p][(k.c >> 5) & 63]) << 5 |
              uint32_t(MemImgTermMulTable[p][k.c & 31]);
    }
    return k;
}

}  // namespace DuRud
