// Rectangle copy between MEMIMGs and rectangle clear. Both change pixels
// behind the run table and the alpha plane, so both mark them stale.
#include <algorithm>

#include "core/math.h"
#include "image/memimg.h"
#include "image/pixel_conversion.h"

namespace DuRud {
namespace {

void MarkPlanesStale(MemImgBody* body) {
    body->alphaPlaneValid = 0;
    body->runTableValid = 0;
}

}  // namespace

// Clipped to both records before the conversion, which trusts its rectangle.
int CopyMemImgRect(MEMIMG* dest, const MEMIMG* src, const RECT* srcRect, int destX, int destY) {
    if (!MemImgIsValid(dest) || !MemImgIsValid(src)) return -1;
    const RECT whole{0, 0, src->width, src->height};
    const RECT& r = srcRect ? *srcRect : whole;
    int64_t sx = r.left, sy = r.top, dx = destX, dy = destY;
    int64_t w = int64_t(r.right) - r.left, h = int64_t(r.bottom) - r.top;
    if (w <= 0 || h <= 0) return 0;
    // Cut whatever lies left of or above either record from both sides.
    const int64_t cutX = std::max<int64_t>({0, -sx, -dx});
    const int64_t cutY = std::max<int64_t>({0, -sy, -dy});
    sx += cutX;
    dx += cutX;
    w -= cutX;
    sy += cutY;
    dy += cutY;
    h -= cutY;
    w = std::min({w, int64_t(dest->width) - dx, int64_t(src->width) - sx});
    h = std::min({h, int64_t(dest->height) - dy, int64_t(src->height) - sy});
    if (w < 1 || h < 1) return 0;
    const RECT rect{LONG(sx), LONG(sy), LONG(sx + w), LONG(sy + h)};
    MemImgBody* db = dest->body;
    const MemImgBody* sb = src->body;
    MarkPlanesStale(db);
    return ConvertPixelRect(dest->pixels, db->pitch, db->colorFormat, src->pixels, sb->pitch,
                            sb->colorFormat, nullptr, 0, nullptr, int(dx), int(dy), &rect, 0, 0, 0,
                            kDitherNone, 0, 0, 0, 0);
}

int ClearMemImgRect(MEMIMG* record, const RECT* rect, uint32_t value) {
    if (!MemImgIsValid(record)) return -1;
    const RECT bounds{0, 0, record->width, record->height};
    RECT r = rect ? *rect : bounds;
    ClipRect(&r, &bounds);
    if (r.right <= r.left || r.bottom <= r.top) return 0;
    MemImgBody* body = record->body;
    const int bpp = body->colorFormat->bytesPerPixel;
    for (int y = r.top; y < r.bottom; ++y) {
        uint8_t* p = record->pixels + int64_t(y) * body->pitch + int64_t(r.left) * bpp;
        for (int x = r.left; x < r.right; ++x, p += bpp) WritePixelValue(p, bpp, value);
    }
    MarkPlanesStale(body);
    return 0;
}

}  // namespace DuRud
