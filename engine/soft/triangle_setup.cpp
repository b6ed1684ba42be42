// Triangle set-up. Whole pixels of 14.18 values are taken by floor (an
// arithmetic shift), so a shape moved by whole pixels covers the same cells
// at negative coordinates as at positive ones; vertices are kept within
// -8192..8191 and differences and products are formed in 64-bit, so nothing
// overflows.
#include <cmath>

#include "DuRud.h"
#include "soft/triangle_setup.h"

namespace DuRud {
namespace {

constexpr int32_t kOne = 262144;    // one pixel in 14.18
constexpr int32_t kHalf = 0x20000;  // the vertex names its pixel's centre

// The exchange sort: not stable (keys 5, 5, 3 end as 2, 1, 0), and the anchor
// and the edges follow from exactly this order.
void ExchangeSort(int list[3], const int32_t key[3]) {
    for (int i = 0; i < 2; ++i)
        for (int j = i + 1; j < 3; ++j)
            if (key[list[i]] > key[list[j]]) {
                const int t = list[i];
                list[i] = list[j];
                list[j] = t;
            }
}

bool InRange(int32_t v) {
    return v >= kShapeCoordMin && v <= kShapeCoordMax;
}

int32_t Gradient(int64_t numerator, int64_t denominator) {
    return TruncDoubleToInt(static_cast<double>(numerator) * 262144.0 /
                            static_cast<double>(denominator));
}

}  // namespace

int SetUpTriangle(const MemImgVertex* v, TriangleSetup* out) {
    int32_t X[3], Y[3];
    for (int i = 0; i < 3; ++i) {
        if (!InRange(v[i].x) || !InRange(v[i].y) || !InRange(v[i].u) || !InRange(v[i].v)) return 0;
        X[i] = v[i].x * kOne + kHalf;
        Y[i] = v[i].y * kOne + kHalf;
    }
    int xs[3] = {0, 1, 2};
    int ys[3] = {0, 1, 2};
    ExchangeSort(xs, X);
    ExchangeSort(ys, Y);

    // Gradients relative to the anchor, from whole differences.
    const MemImgVertex& a0 = v[xs[0]];
    const MemImgVertex& a1 = v[xs[1]];
    const MemImgVertex& a2 = v[xs[2]];
    const int64_t dx1 = a1.x - a0.x, dx2 = a2.x - a0.x;
    const int64_t dy1 = a1.y - a0.y, dy2 = a2.y - a0.y;
    const int64_t du1 = a1.u - a0.u, du2 = a2.u - a0.u;
    const int64_t dv1 = a1.v - a0.v, dv2 = a2.v - a0.v;
    const int64_t d = dy1 * dx2 - dy2 * dx1;
    if (d == 0) return 0;
    out->dudx = static_cast<uint32_t>(Gradient(dy1 * du2 - dy2 * du1, d));
    out->dudy = static_cast<uint32_t>(Gradient(du1 * dx2 - dx1 * du2, d));
    out->dvdx = static_cast<uint32_t>(Gradient(dy1 * dv2 - dy2 * dv1, d));
    out->dvdy = static_cast<uint32_t>(Gradient(dv1 * dx2 - dv2 * dx1, d));
    out->xa = a0.x;  // floor of X[A0] >> 18
    out->ya = a0.y;
    out->ua = static_cast<uint32_t>(a0.u * kOne);
    out->va = static_cast<uint32_t>(a0.v * kOne);

    const int b0 = ys[0], b1 = ys[1], b2 = ys[2];
    auto edge = [&](int s, int e, int64_t startX, bool left) {
        EdgeSlot slot;
        slot.lines = v[e].y - v[s].y;
        slot.startX = startX;
        if (slot.lines > 0) slot.step = (int64_t(X[e]) - startX) / slot.lines;
        if (left) slot.startRow = v[s].y;
        return slot;
    };
    const double toPixels = 3.814697265625e-6;
    if (Y[b0] == Y[b1]) {
        // Flat top.
        const int rightTop = X[b0] > X[b1] ? b0 : b1;
        const int leftTop = rightTop == b0 ? b1 : b0;
        if ((int64_t(Y[b2]) - Y[b0]) * toPixels == 0.0) return 0;
        out->left[1] = edge(leftTop, b2, X[leftTop], true);
        out->right[1] = edge(rightTop, b2, X[rightTop], false);
        out->leftFirst = out->rightFirst = 1;
    } else if (Y[b1] == Y[b2]) {
        // Flat bottom.
        const int leftBottom = X[b1] > X[b2] ? b2 : b1;
        const int rightBottom = leftBottom == b2 ? b1 : b2;
        if ((int64_t(Y[b1]) - Y[b0]) * toPixels == 0.0) return 0;
        out->left[1] = edge(b0, leftBottom, X[b0], true);
        out->right[1] = edge(b0, rightBottom, X[b0], false);
        out->leftFirst = out->rightFirst = 1;
    } else {
        const double h1 = (int64_t(Y[b1]) - Y[b0]) * toPixels;
        const double h2 = (int64_t(Y[b2]) - Y[b0]) * toPixels;
        if (h1 == 0.0 || h2 == 0.0) return 0;
        const double s1 = static_cast<double>(int64_t(X[b1]) - X[b0]) / h1;
        const double s2 = static_cast<double>(int64_t(X[b2]) - X[b0]) / h2;
        if (s1 < s2) {
            // The middle vertex lies left of the long edge.
            out->left[0] = edge(b0, b1, X[b0], true);
            out->left[1] = edge(b1, b2, X[b1], true);
            out->right[1] = edge(b0, b2, X[b0], false);
            out->leftFirst = 0;
            out->rightFirst = 1;
        } else {
            out->right[0] = edge(b0, b1, X[b0], false);
            // One 14.18 unit right of the middle vertex.
            out->right[1] = edge(b1, b2, int64_t(X[b1]) + 1, false);
            out->left[1] = edge(b0, b2, X[b0], true);
            out->leftFirst = 1;
            out->rightFirst = 0;
        }
    }
    for (int side = 0; side < 2; ++side) {
        const EdgeSlot* slots = side ? out->right : out->left;
        const int first = side ? out->rightFirst : out->leftFirst;
        for (int i = first; i < 2; ++i)
            if (slots[i].lines <= 0) return 0;
    }
    return 1;
}

}  // namespace DuRud
