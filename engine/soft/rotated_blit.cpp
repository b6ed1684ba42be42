// MemImgBlitRotate: the whole source turned and scaled about a centre. The
// set-up rounds to float at every step (this file is built without
// floating-point contraction), then walks the clipped bounding rectangle and
// lets the span pipeline's bounds test drop what lies outside the picture.
#include <algorithm>
#include <climits>
#include <cmath>

#include "DuRud.h"
#include "core/math.h"
#include "soft/memimg_renderer.h"
#include "soft/textured_call.h"

namespace DuRud {
namespace {

constexpr int64_t kOne = 262144;

// A float truncated toward zero into 32 bits; false when it does not fit
// (NaN and infinities included).
bool ToFixed(float f, int32_t* out) {
    if (!(f >= -2147483648.0f && f < 2147483648.0f)) return false;
    *out = TruncFloatToInt(f);
    return true;
}

bool InRange(int64_t v) {
    return v >= INT32_MIN && v <= INT32_MAX;
}

}  // namespace

void MemImgBlitRotate(MEMIMG* dest, const MEMIMG* src, int centreX, int centreY, float angle,
                      float scale, int trans, int turn, const MEMIMG* blend) {
    if (!MemImgIsValid(dest) || !MemImgIsValid(src)) return;
    if (src->body->colorType != dest->body->colorType || dest->body->paletteFlag ||
        dest->body->alphaFlag)
        return;
    if (!std::isfinite(scale)) return;
    if (centreX < kShapeCoordMin || centreX > kShapeCoordMax || centreY < kShapeCoordMin ||
        centreY > kShapeCoordMax)
        return;

    float sinNeg, cosNeg, sinPos, cosPos;
    ComputeSinCos(-angle, &sinNeg, &cosNeg);
    ComputeSinCos(angle, &sinPos, &cosPos);
    int32_t sp, cp, s, c;
    if (!ToFixed(sinNeg * 262144.0f, &sp) || !ToFixed(cosNeg * 262144.0f, &cp) ||
        !ToFixed(sinPos * 262144.0f, &s) || !ToFixed(cosPos * 262144.0f, &c))
        return;

    const uint32_t width = static_cast<uint32_t>(src->width);
    const uint32_t height = static_cast<uint32_t>(src->height);
    float hw = static_cast<float>(width) * scale;
    hw = hw * 0.5f;
    float hh = static_cast<float>(height) * scale;
    hh = hh * 0.5f;
    const float cf = static_cast<float>(c);
    const float sf = static_cast<float>(s);
    const float a = cf * hw;
    const float b = sf * hw;
    const float d = cf * hh;
    const float e = sf * hh;
    const float fx[4] = {-a + e, -a - e, a - e, a + e};
    const float fy[4] = {-d - b, d - b, d + b, -d + b};
    int64_t px[4], py[4];
    for (int i = 0; i < 4; ++i) {
        int32_t x, y;
        if (!ToFixed(fx[i], &x) || !ToFixed(fy[i], &y)) return;
        px[i] = x + int64_t(centreX) * kOne;
        py[i] = y + int64_t(centreY) * kOne;
        if (!InRange(px[i]) || !InRange(py[i])) return;
    }

    if (turn) {
        // The picture's corners P3, P0, P2, P1 as the quad's top-left,
        // top-right, bottom-left and bottom-right: mirrored left to right.
        const int order[4] = {3, 0, 2, 1};
        int32_t corners[8];
        for (int i = 0; i < 4; ++i) {
            corners[2 * i] = static_cast<int32_t>(px[order[i]] / kOne);
            corners[2 * i + 1] = static_cast<int32_t>(py[order[i]] / kOne);
        }
        MemImgQuad(dest, src, corners, trans, blend);
        return;
    }

    TexturedCall call;
    if (!PrepareTexturedCall(dest, src, blend, trans, &call)) return;

    int32_t dudx, dvdx;
    if (!ToFixed(cf / scale, &dudx) || !ToFixed(static_cast<float>(sp) / scale, &dvdx)) return;

    // Ties keep the earlier corner.
    int minX = 0, maxX = 0, minY = 0, maxY = 0;
    for (int i = 1; i < 4; ++i) {
        if (px[i] < px[minX]) minX = i;
        if (px[i] > px[maxX]) maxX = i;
        if (py[i] < py[minY]) minY = i;
        if (py[i] > py[maxY]) maxY = i;
    }
    if (minY == maxY) return;
    RECT box{static_cast<int32_t>(px[minX] / kOne - 2), static_cast<int32_t>(py[minY] / kOne - 2),
             static_cast<int32_t>(px[maxX] / kOne + 4), static_cast<int32_t>(py[maxY] / kOne + 4)};
    const RECT area{call.area.left, call.area.top, call.area.right, call.area.bottom};
    ClipRect(&box, &area);
    if (box.left == box.right || box.top == box.bottom) return;

    // Start positions at the top and the (exclusive) bottom line; the source
    // centre is the integer point (width >> 1, height >> 1).
    const int64_t dx = int64_t(box.left) - centreX;
    auto start = [&](int64_t dy, int32_t* u, int32_t* v) {
        return ToFixed(static_cast<float>(dx * cp - dy * sp) / scale, u) &&
               ToFixed(static_cast<float>(dy * cp + dx * sp) / scale, v);
    };
    int32_t uTop, vTop, uBottom, vBottom;
    if (!start(int64_t(box.top) - centreY, &uTop, &vTop) ||
        !start(int64_t(box.bottom) - centreY, &uBottom, &vBottom))
        return;
    const int32_t lines = box.bottom - box.top;
    const int32_t pixels = box.right - box.left;
    const uint32_t dudy = static_cast<uint32_t>((int64_t(uBottom) - uTop) / lines);
    const uint32_t dvdy = static_cast<uint32_t>((int64_t(vBottom) - vTop) / lines);
    uint32_t u = static_cast<uint32_t>(uTop) + ((width >> 1) << 18);
    uint32_t v = static_cast<uint32_t>(vTop) + ((height >> 1) << 18);

    uint8_t* row = call.destPixels + intptr_t(box.top) * call.destPitch +
                   intptr_t(box.left) * call.destPixelSize;
    for (int32_t line = 0; line < lines; ++line) {
        call.span(call.context, row, pixels, u, v, static_cast<uint32_t>(dudx),
                  static_cast<uint32_t>(dvdx));
        u += dudy;
        v += dvdy;
        row += call.destPitch;
    }
}

}  // namespace DuRud
