// MemImgBlit: draws a whole MEMIMG at a position. The entry refuses what it
// cannot draw, clips against the draw area (itself kept inside the
// destination), sets up pointers, row skips and table rows once, and hands
// the call to one kernel group: the clipped path or the run-table walk.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "core/math.h"
#include "core/system_services.h"
#include "soft/blit_pixel_forms.h"
#include "soft/memimg_renderer.h"

namespace DuRud {

namespace {

alignas(16) uint8_t gWorkPalette[1024];

// The bytes per pixel each kind of body must have; 0 for kinds never drawn.
int ExpectedBytesPerPixel(const MemImgBody* b) {
    if (b->paletteFlag == 1) return 1;
    if (b->colorType == kMemImgColor16) return b->alphaFlag == 1 ? 4 : 2;
    if (b->colorType == kMemImgColor32) return 4;
    return 0;
}

bool HasFormat(const MEMIMG* m) {
    return MemImgIsValid(m) && m->body->colorFormat && m->pixels;
}

}  // namespace

bool BlitImagesAcceptable(const MEMIMG* dest, const MEMIMG* src, const MEMIMG* blend) {
    if (!HasFormat(dest) || !HasFormat(src)) return false;
    if (blend && !HasFormat(blend)) return false;
    const MemImgBody* db = dest->body;
    const MemImgBody* sb = src->body;
    if (sb->colorType != db->colorType) return false;
    if (db->paletteFlag == 1 || db->alphaFlag == 1) return false;
    if (sb->colorType != kMemImgColor16 && sb->colorType != kMemImgColor32) return false;
    if (sb->colorFormat->bytesPerPixel != ExpectedBytesPerPixel(sb) ||
        db->colorFormat->bytesPerPixel != ExpectedBytesPerPixel(db)) {
        return false;
    }
    if (sb->paletteFlag == 1 && !sb->palette) return false;
    // A blend image smaller than the source would be read outside itself.
    if (blend && (blend->width < src->width || blend->height < src->height ||
                  blend->body->colorFormat->bytesPerPixel < 1)) {
        return false;
    }
    return true;
}

bool BlitSetDrawState(BlitCall& c, const MemImgBody* sb, int trans) {
    int mode = MemImgDrawState.blendMode;
    const int p = MemImgDrawState.blendParameter;
    if (uint32_t(mode) > 11 || (mode >= 5 && mode <= 9)) return false;
    if (p < 0 || p > 255) return false;  // no table row for it
    if ((mode == 1 || mode == 2) && p == 0) return false;
    if (mode == 3 && p == 0 && sb->paletteFlag != 1) return false;
    if (mode == 1 && p == 255) mode = 0;
    c.mode = mode;
    c.p = uint32_t(p);
    c.trans = trans != 0;
    c.transColor = sb->transparentColor;
    c.palette = sb->palette;
    const uint32_t bright = MemImgDrawState.drawBright;
    c.white = MemImgBrightIsWhite(bright);
    for (int ch = 0; ch < 3; ++ch) c.bright[ch] = MemImgBrightRow(bright, ch);
    c.rowP = MemImgTermMulTable[p];
    c.signedRow = MemImgSignedMulTable[p] + 255;
    c.mix6 = MemImgBlend6Table[p / 4];
    c.blendTable = MemImgBlendImageTable;
    c.alpha = sb->alphaFlag == 1 && sb->paletteFlag != 1;
    c.mmx = GetMmxAvailable() == 1;
    return true;
}

RECT BlitDrawArea(const MEMIMG* dest) {
    RECT area{MemImgDrawState.clipLeft, MemImgDrawState.clipTop, MemImgDrawState.clipRight,
              MemImgDrawState.clipBottom};
    const RECT destBounds{0, 0, dest->width, dest->height};
    ClipRect(&area, &destBounds);
    return area;
}

uint8_t* MemImgBlitWorkPalette() {
    return gWorkPalette;
}

void MemImgBlit(MEMIMG* dest, const MEMIMG* src, int x, int y, int trans, const MEMIMG* blend) {
    if (!BlitImagesAcceptable(dest, src, blend)) return;
    const MemImgBody* db = dest->body;
    const MemImgBody* sb = src->body;
    const int srcBpp = sb->colorFormat->bytesPerPixel;
    const int dstBpp = db->colorFormat->bytesPerPixel;

    // The drawn rectangle: the source at (x, y), inside the draw area and the
    // destination, in 64 bits so that no sum overflows.
    const int64_t left = std::max<int64_t>({x, MemImgDrawState.clipLeft, 0});
    const int64_t top = std::max<int64_t>({y, MemImgDrawState.clipTop, 0});
    const int64_t right =
        std::min<int64_t>({int64_t(x) + src->width, MemImgDrawState.clipRight, dest->width});
    const int64_t bottom =
        std::min<int64_t>({int64_t(y) + src->height, MemImgDrawState.clipBottom, dest->height});
    if (right <= left || bottom <= top) return;
    const int w = int(right - left);
    const int h = int(bottom - top);
    const int64_t ox = left - x;
    const int64_t oy = top - y;

    // Straight-alpha sprites, the commonest call, go straight to their rows:
    // whole ones with a current table to the run walk, the rest
    // (clipped, or drawn without the table) to the clipped path's sprite
    // rows. The refusals are those below (a mode 0 parameter outside 0..255
    // draws nothing), only the context is smaller.
    const int mode = MemImgDrawState.blendMode;
    const int p = MemImgDrawState.blendParameter;
    if (trans != 0 && !blend && ((mode == 0 && uint32_t(p) <= 255) || (mode == 1 && p == 255)) &&
        MemImgBrightIsWhite(MemImgDrawState.drawBright) && sb->alphaFlag == 1 &&
        sb->paletteFlag != 1) {
        uint8_t* const dst = dest->pixels + int64_t(db->pitch) * top + int64_t(dstBpp) * left;
        const bool tableWalk = trans == 1 && w == src->width && h == src->height &&
                               sb->runTableValid == 1 && MemImgRunTableMatches(src) == 1;
        if (!tableWalk) {
            const SpriteCall rows{
                .src = src->pixels + int64_t(sb->pitch) * oy + 4 * ox,
                .dst = dst,
                .srcPitch = sb->pitch,
                .dstPitch = db->pitch,
                .w = w,
                .h = h,
                .runs = nullptr,
                .runsEnd = nullptr,
            };
            if (sb->colorType == kMemImgColor32) {
                BlitClippedSprite32(rows);
            } else {
                BlitClippedSprite16(rows);
            }
            return;
        }
        const SpriteCall sprite{
            .src = src->pixels,
            .dst = dst,
            .srcPitch = sb->pitch,
            .dstPitch = db->pitch,
            .w = w,
            .h = h,
            .runs = sb->runTable,
            .runsEnd = sb->runTable + (int64_t(sb->width) + 5) * sb->height,
        };
        if (sb->colorType == kMemImgColor32 ? BlitSpriteRuns32(sprite) : BlitSpriteRuns16(sprite)) {
            return;
        }
    }

    // The geometry goes into the context's initialiser: stored after a
    // whole-context clear, it costs small sprites stalled loads.
    BlitCall c{
        .src = src->pixels + int64_t(sb->pitch) * oy + srcBpp * ox,
        .dst = dest->pixels + int64_t(db->pitch) * top + int64_t(dstBpp) * left,
        .blend = blend ? blend->pixels + int64_t(blend->body->pitch) * oy + ox : nullptr,
        .srcSkip = sb->pitch - ptrdiff_t(srcBpp) * w,
        .dstSkip = db->pitch - ptrdiff_t(dstBpp) * w,
        .blendSkip = blend ? blend->body->pitch - ptrdiff_t(w) : 0,
        .w = w,
        .h = h,
        .hasBlend = blend != nullptr,
    };
    if (!BlitSetDrawState(c, sb, trans)) return;

    const bool palette = sb->paletteFlag == 1;
    if (palette) {
        const uint32_t index = sb->transparentColor & 0xFF;
        c.transWord = index * 0x01010101u;
        // All 256 entries, so that no kernel sees an earlier call's entry.
        std::memcpy(gWorkPalette, sb->palette, sizeof gWorkPalette);
    } else if (sb->colorType == kMemImgColor16) {
        c.transWord = (sb->transparentColor & 0xFFFF) * 0x00010001u;
    } else {
        c.transWord = sb->transparentColor;
    }

    const bool runPath = trans == 1 && sb->runTableValid == 1 && w == src->width &&
                         h == src->height && MemImgRunTableMatches(src) == 1;
    if (runPath) {
        c.runs = sb->runTable;
        c.runsEnd = sb->runTable + (int64_t(sb->width) + 5) * sb->height;
        if (sb->colorType == kMemImgColor32) {
            BlitRuns32(c, palette);
        } else {
            BlitRuns16(c, palette);
        }
        return;
    }
    if (palette) {
        BlitClippedPalette(c, sb->colorType == kMemImgColor32);
        return;
    }
    if (sb->colorType == kMemImgColor32) {
        BlitClipped32(c);
    } else {
        BlitClipped16(c);
    }
}

}  // namespace DuRud
