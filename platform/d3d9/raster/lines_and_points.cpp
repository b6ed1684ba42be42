// Lines by the diamond rule and one-pixel points. A line steps along its
// major axis and draws the pixel of each column (or row) whose diamond it
// leaves; the pixel holding the end point is drawn only with LASTPIXEL.
// A point covers the pixel whose centre lies in [x - 0.5, x + 0.5) x
// [y - 0.5, y + 0.5).
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "depth_gated_spans.h"
#include "rasteriser.h"

namespace platform::raster {

namespace {

constexpr int64_t kSub = 256;

int64_t FloorDiv(int64_t a, int64_t b) {
    int64_t q = a / b;
    return (a % b != 0 && a < 0) ? q - 1 : q;
}

int64_t CeilDiv(int64_t a, int64_t b) {
    return -FloorDiv(-a, b);
}

bool Usable(const RasterVertex& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.rhw) && v.rhw > 0.0f &&
           std::fabs(v.x) <= 65536.0f && std::fabs(v.y) <= 65536.0f;
}

void Plot(const DrawContext& ctx, const TriangleSetup& tri, int64_t x, int64_t y) {
    const RECT& c = ctx.setup->clip;
    if (x < c.left || x >= c.right || y < c.top || y >= c.bottom) return;
    // A depth-gated special span ignores depth: one pixel takes the generic one.
    const bool special = ctx.spans.special && tri.affine && !ctx.spans.depthGated;
    SpanFunction span = special ? ctx.spans.special : ctx.spans.generic;
    ShadeOverHeld(*ctx.setup, span, tri, int(y), int(x), int(x) + 1);
}

}  // namespace

void DrawLine(const DrawContext& ctx, const RasterVertex& a, const RasterVertex& b,
              const RasterVertex& flat, bool drawLast) {
    if (!Usable(a) || !Usable(b)) return;
    int64_t AX = std::llround(double(a.x) * kSub), AY = std::llround(double(a.y) * kSub);
    int64_t BX = std::llround(double(b.x) * kSub), BY = std::llround(double(b.y) * kSub);
    int64_t dx = BX - AX, dy = BY - AY;
    if (dx == 0 && dy == 0) return;
    // Attributes vary along the line only: the third point stands off at a
    // right angle with the first vertex's values.
    double px[3] = {double(AX) / kSub, double(BX) / kSub, double(AX - dy) / kSub};
    double py[3] = {double(AY) / kSub, double(BY) / kSub, double(AY + dx) / kSub};
    const RasterVertex* v[3] = {&a, &b, &a};
    TriangleSetup tri;
    if (!SetupAttributes(*ctx.setup, px, py, v, flat, tri)) return;

    bool xMajor = std::abs(dx) >= std::abs(dy);
    int64_t A = xMajor ? AX : AY, B = xMajor ? BX : BY;
    int64_t first, last;
    if (B > A) {
        first = FloorDiv(A - kSub / 2, kSub) + 1;
        last = FloorDiv(B - kSub / 2, kSub);
    } else {
        first = CeilDiv(B + kSub / 2, kSub);
        last = CeilDiv(A + kSub / 2, kSub) - 1;
    }
    // Clamp the walk to the clip rectangle along the major axis.
    const RECT& c = ctx.setup->clip;
    int64_t lo = xMajor ? c.left : c.top, hi = (xMajor ? c.right : c.bottom) - 1;
    double slope = xMajor ? double(dy) / double(dx) : double(dx) / double(dy);
    double a0 = double(A) / kSub, m0 = double(xMajor ? AY : AX) / kSub;
    auto minorAt = [&](int64_t major) {
        return int64_t(std::floor(m0 + (double(major) - a0) * slope + 0.5));
    };
    int64_t endMajor = FloorDiv(B + kSub / 2, kSub);
    int64_t endMinor = FloorDiv((xMajor ? BY : BX) + kSub / 2, kSub);
    bool endDrawn = false;
    for (int64_t m = std::max(first, lo); m <= std::min(last, hi); ++m) {
        int64_t n = minorAt(m);
        if (m == endMajor && n == endMinor) endDrawn = true;
        if (xMajor)
            Plot(ctx, tri, m, n);
        else
            Plot(ctx, tri, n, m);
    }
    if (drawLast && !endDrawn) {
        if (xMajor)
            Plot(ctx, tri, endMajor, endMinor);
        else
            Plot(ctx, tri, endMinor, endMajor);
    }
}

void DrawPoint(const DrawContext& ctx, const RasterVertex& p) {
    if (!Usable(p)) return;
    int64_t X = std::llround(double(p.x) * kSub), Y = std::llround(double(p.y) * kSub);
    double px[3] = {double(X) / kSub, double(X) / kSub + 1.0, double(X) / kSub};
    double py[3] = {double(Y) / kSub, double(Y) / kSub, double(Y) / kSub + 1.0};
    const RasterVertex* v[3] = {&p, &p, &p};
    TriangleSetup tri;
    if (!SetupAttributes(*ctx.setup, px, py, v, p, tri)) return;
    Plot(ctx, tri, CeilDiv(X - kSub / 2, kSub), CeilDiv(Y - kSub / 2, kSub));
}

}  // namespace platform::raster
