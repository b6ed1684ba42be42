// MemImgBlitStretch: draws a whole MEMIMG scaled into a destination
// rectangle, mirrored on an axis whose corners come in reverse order. The
// entry refuses what MemImgBlit refuses, hands an unmirrored rectangle of the
// source's own size to MemImgBlit, works out the 16.16 steps and clipping
// offsets in 64-bit, and dispatches to one kernel group. This file also holds
// the group for 32-bit sources without a palette.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "core/math.h"
#include "soft/memimg_renderer.h"
#include "soft/stretch_walk.h"

namespace DuRud {

namespace {

// Past these sizes the 16.16 products would overflow and a step could be 0.
constexpr int64_t kMaxDestExtent = 32767;
constexpr int64_t kMaxSourceExtent = 65535;

alignas(16) uint8_t gStretchWorkPalette[1024];

// ---- 32-bit group ----------------------------------------------------------

template <int Mode, bool Blend, bool White, bool Alpha, bool Trans, Advance Form>
void Stretch32(const StretchCall& c) {
    const BlitCall& k = c.k;
    // The whole-word copy does not read the destination.
    constexpr bool copy = Mode == 0 && !Blend && White && !Alpha && !Trans;
    if constexpr (copy) {
        StretchCopyWalk<Form, 4>(c, [](const uint8_t* s) { return Load32(s); });
        return;
    }
    StretchWalk<Form, 4, Blend>(c, [&](const uint8_t* s, const uint8_t* b, uint8_t* d, int n) {
        const uint32_t sv = Load32(s);
        uint32_t t = 0;
        if constexpr (Blend) t = k.blendTable[*b];
        if constexpr (!Alpha) {
            if constexpr (Trans) {
                if (sv == k.transColor) return;
            }
            for (int i = 0; i < n; ++i) Pixel32<Mode, Blend, White, false>(d + 4 * i, sv, t, k);
        } else if constexpr (Trans) {
            const uint32_t a = sv >> 24;
            if (a == 0) return;
            if (a == 255) {
                for (int i = 0; i < n; ++i) Pixel32<Mode, Blend, White, false>(d + 4 * i, sv, t, k);
            } else {
                for (int i = 0; i < n; ++i) Pixel32<Mode, Blend, White, true>(d + 4 * i, sv, t, k);
            }
        } else {
            for (int i = 0; i < n; ++i) Pixel32<Mode, Blend, White, true>(d + 4 * i, sv, t, k);
        }
    });
}

// Blend mode 3 at p = 255 with no blend image, white and no alpha: the MMX
// form subtracts every byte with saturation, fourth byte included.
template <bool Trans>
void SaturatingSubtract32(const StretchCall& c) {
    StretchWalk<Advance::Strict, 4, false>(
        c, [&](const uint8_t* s, const uint8_t*, uint8_t* d, int n) {
            const uint32_t sv = Load32(s);
            if constexpr (Trans) {
                if (sv == c.k.transColor) return;
            }
            for (int i = 0; i < n; ++i)
                Store32(d + 4 * i, SubtractSaturateBytes32(Load32(d + 4 * i), sv));
        });
}

template <int Mode>
void Select32(const StretchCall& c) {
    const BlitCall& k = c.k;
    const bool plainSource = !k.hasBlend && k.white && !k.alpha;
    if constexpr (Mode == 0) {
        // The whole-word copy.
        if (plainSource) {
            WithBool(k.trans, [&](auto trans) {
                Stretch32<0, false, true, false, trans(), Advance::Strict>(c);
            });
            return;
        }
    }
    if constexpr (Mode == 3) {
        // The whole-word subtract: the plain form is the packed subtract of
        // the source word, which the general form gives at p = 255.
        if (plainSource && k.p == 255) {
            WithBool(k.trans, [&](auto trans) {
                if (k.mmx) {
                    SaturatingSubtract32<trans()>(c);
                } else {
                    Stretch32<3, false, true, false, trans(), Advance::Strict>(c);
                }
            });
            return;
        }
    }
    WithBool(k.hasBlend, [&](auto blend) {
        WithBool(k.white, [&](auto white) {
            WithBool(k.alpha, [&](auto alpha) {
                WithBool(k.trans, [&](auto trans) {
                    Stretch32<Mode, blend(), white(), alpha(), trans(), Advance::Inclusive>(c);
                });
            });
        });
    });
}

}  // namespace

void StretchGroup32(const StretchCall& c) {
    WithBlendMode(c.k.mode, [&](auto mode) { Select32<mode()>(c); });
}

void MemImgBlitStretch(MEMIMG* dest, const MEMIMG* src, const RECT* destRect, int trans,
                       const MEMIMG* blend) {
    if (!destRect || !BlitImagesAcceptable(dest, src, blend)) return;
    const MemImgBody* db = dest->body;
    const MemImgBody* sb = src->body;

    // The rectangle in 64-bit: its extents may not fit 32 bits.
    const int64_t x1 = destRect->left, y1 = destRect->top;
    const int64_t x2 = destRect->right, y2 = destRect->bottom;
    const bool mirrorX = x1 > x2;
    const bool mirrorY = y1 > y2;
    const int64_t left0 = std::min(x1, x2), right0 = std::max(x1, x2);
    const int64_t top0 = std::min(y1, y2), bottom0 = std::max(y1, y2);
    const int64_t dw = right0 - left0;
    const int64_t dh = bottom0 - top0;
    if (dw == 0 || dh == 0) return;
    const int64_t sw = src->width, sh = src->height;
    if (dw == sw && dh == sh && !mirrorX && !mirrorY) {
        MemImgBlit(dest, src, int(left0), int(top0), trans, blend);
        return;
    }
    if (dw > kMaxDestExtent || dh > kMaxDestExtent) return;
    if (sw < 1 || sh < 1 || sw > kMaxSourceExtent || sh > kMaxSourceExtent) return;

    StretchCall c;
    if (!BlitSetDrawState(c.k, sb, trans)) return;

    // At most 32767 * 65536 / 1, so each step fits and is at least 1.
    const int64_t stepX = dw * 65536 / sw;
    const int64_t stepY = dh * 65536 / sh;

    const RECT area = BlitDrawArea(dest);
    RECT r{int32_t(left0), int32_t(top0), int32_t(right0), int32_t(bottom0)};
    ClipRect(&r, &area);
    const int64_t w = int64_t(r.right) - r.left;
    const int64_t h = int64_t(r.bottom) - r.top;
    if (w <= 0 || h <= 0) return;
    const int64_t clipX = (r.left - left0) * 65536;
    const int64_t clipY = (r.top - top0) * 65536;
    const int64_t skipX = clipX / stepX, skipY = clipY / stepY;

    const int srcBpp = sb->colorFormat->bytesPerPixel;
    const int dstBpp = db->colorFormat->bytesPerPixel;
    // The first source column and row drawn, counted from the far edge when
    // mirrored; always inside the source (the skip is below its size).
    const int64_t col = mirrorX ? sw - skipX - 1 : skipX;
    const int64_t row = mirrorY ? sh - skipY - 1 : skipY;
    c.w = int(w);
    c.h = int(h);
    c.stepX = int32_t(stepX);
    c.stepY = int32_t(stepY);
    c.accX0 = int32_t(stepX - clipX % stepX);
    c.accY0 = int32_t(stepY - clipY % stepY);
    c.src = src->pixels + row * sb->pitch + col * srcBpp;
    c.srcStepX = mirrorX ? -srcBpp : srcBpp;
    c.srcStepY = mirrorY ? -ptrdiff_t(sb->pitch) : sb->pitch;
    c.dst = dest->pixels + int64_t(r.top) * db->pitch + int64_t(r.left) * dstBpp;
    c.dstPitch = db->pitch;
    if (blend) {
        const ptrdiff_t pitch = blend->body->pitch;
        c.k.hasBlend = true;
        c.blend = blend->pixels + row * pitch + col;
        c.blendStepX = mirrorX ? -1 : 1;
        c.blendStepY = mirrorY ? -pitch : pitch;
    }

    if (sb->paletteFlag == 1) {
        // All 256 entries, so that no kernel sees an earlier call's entry.
        std::memcpy(gStretchWorkPalette, sb->palette, sizeof gStretchWorkPalette);
        c.workPalette = gStretchWorkPalette;
        StretchGroupPalette(c, sb->colorType == kMemImgColor32);
    } else if (sb->colorType == kMemImgColor32) {
        StretchGroup32(c);
    } else {
        StretchGroup16(c);
    }
}

}  // namespace DuRud
