// MemImgQuad: the whole source onto four free corners, as two triangles
// sharing the edge from corner 1 to corner 2.
#include <algorithm>
#include <climits>

#include "core/math.h"
#include "soft/memimg_renderer.h"

namespace DuRud {

void MemImgQuad(MEMIMG* dest, const MEMIMG* src, const int32_t* corners, int trans,
                const MEMIMG* blend) {
    if (!dest || !src || !corners || !MemImgIsValid(src)) return;
    int32_t c[8];
    std::copy(corners, corners + 8, c);

    // Ties keep the lower index.
    int minX = 0, maxX = 0, minY = 0, maxY = 0;
    for (int i = 1; i < 4; ++i) {
        if (c[2 * i] < c[2 * minX]) minX = i;
        if (c[2 * i] > c[2 * maxX]) maxX = i;
        if (c[2 * i + 1] < c[2 * minY + 1]) minY = i;
        if (c[2 * i + 1] > c[2 * maxY + 1]) maxY = i;
    }
    // Widened in 64-bit so corners near the ends of the range cannot wrap.
    auto clampInt = [](int64_t v) {
        return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
    };
    RECT box{clampInt(int64_t(c[2 * minX]) - 2), clampInt(int64_t(c[2 * minY + 1]) - 2),
             clampInt(int64_t(c[2 * maxX]) + 4), clampInt(int64_t(c[2 * maxY + 1]) + 4)};
    const MemImgDrawStateRecord& s = MemImgDrawState;
    const RECT area{s.clipLeft, s.clipTop, s.clipRight, s.clipBottom};
    ClipRect(&box, &area);
    if (box.left == box.right || box.top == box.bottom) return;

    const int32_t w = src->width;
    const int32_t h = src->height;
    const MemImgVertex first[3] = {{c[0], c[1], 0, 0}, {c[2], c[3], w, 0}, {c[4], c[5], 0, h}};
    const MemImgVertex second[3] = {{c[2], c[3], w, 0}, {c[4], c[5], 0, h}, {c[6], c[7], w, h}};
    MemImgTriangle(dest, src, first, trans, blend, 0);
    MemImgTriangle(dest, src, second, trans, blend, 0);
}

}  // namespace DuRud
