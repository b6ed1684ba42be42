// Triangle rasterisation. Positions snap to 1/256 pixel; a pixel (x, y) is
// covered when its centre, the integer point (x, y), is inside the triangle
// or on a top or left edge, evaluated exactly with integer edge functions.
// Triangles reaching beyond a guard band of 65536 pixels are clipped to it
// first (coverage only: attributes keep the original triangle's planes);
// non-finite positions drop the triangle.
#include "rasteriser.h"

#include "depth_gated_spans.h"

#include <algorithm>
#include <cmath>

namespace platform::raster {

namespace {

constexpr int kSubBits = 8;
constexpr int64_t kSub = 1 << kSubBits;
constexpr double kGuard = 65536.0;

int64_t FloorDiv(int64_t a, int64_t b) {  // b > 0
    int64_t q = a / b;
    return (a % b != 0 && a < 0) ? q - 1 : q;
}

int64_t CeilDiv(int64_t a, int64_t b) {
    return -FloorDiv(-a, b);
}

int64_t Snap(double v) {
    return int64_t(std::llround(v * double(kSub)));
}

bool Finite(const RasterVertex& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.rhw) && v.rhw > 0.0f;
}

Plane MakePlane(const double px[3], const double py[3], double det, double f0, double f1,
                double f2) {
    Plane p;
    double x10 = px[1] - px[0], y10 = py[1] - py[0], x20 = px[2] - px[0], y20 = py[2] - py[0];
    p.dx = ((f1 - f0) * y20 - (f2 - f0) * y10) / det;
    p.dy = ((f2 - f0) * x10 - (f1 - f0) * x20) / det;
    p.c = f0 - p.dx * px[0] - p.dy * py[0];
    return p;
}

// One edge function e(x, y) = a * x + bRow(y), covered when e >= bias.
struct Edge {
    int64_t a, bPerRow, k, bias;
};

Edge MakeEdge(int64_t x0, int64_t y0, int64_t x1, int64_t y1) {
    Edge e;
    e.a = -(y1 - y0) * kSub;
    e.bPerRow = (x1 - x0) * kSub;
    e.k = (y1 - y0) * x0 - (x1 - x0) * y0;
    bool topLeft = e.a > 0 || (e.a == 0 && e.bPerRow > 0);
    e.bias = topLeft ? 0 : 1;
    return e;
}

// Coverage of a triangle in snapped coordinates (any winding), row by row
// within the clip rectangle.
class CoverRows {
  public:
    // False when the triangle covers no row.
    bool Start(const RECT& clip, int64_t X[3], int64_t Y[3]) {
        int64_t area = (X[1] - X[0]) * (Y[2] - Y[0]) - (X[2] - X[0]) * (Y[1] - Y[0]);
        if (area == 0) return false;
        if (area < 0) std::swap(X[1], X[2]), std::swap(Y[1], Y[2]);
        Edge edges[3] = {MakeEdge(X[0], Y[0], X[1], Y[1]), MakeEdge(X[1], Y[1], X[2], Y[2]),
                         MakeEdge(X[2], Y[2], X[0], Y[0])};
        int64_t minY = std::min({Y[0], Y[1], Y[2]}), maxY = std::max({Y[0], Y[1], Y[2]});
        int64_t minX = std::min({X[0], X[1], X[2]}), maxX = std::max({X[0], X[1], X[2]});
        first = std::max<int64_t>(CeilDiv(minY, kSub), clip.top);
        last = std::min<int64_t>(FloorDiv(maxY, kSub), clip.bottom - 1);
        colStart_ = std::max<int64_t>(CeilDiv(minX, kSub), clip.left);
        colEnd_ = std::min<int64_t>(FloorDiv(maxX, kSub), clip.right - 1);
        if (first > last || colStart_ > colEnd_) return false;
        // Each sloped edge bounds the row's pixels at floor(m / A) with
        // m = e.bPerRow * y + e.k - e.bias and A = |e.a| (a lower bound,
        // negated, for left edges; an upper bound for right edges). m grows by
        // a constant per row, so the quotient steps exactly without a division
        // per row.
        for (int i = 0; i < 3; ++i) {
            const Edge& e = edges[i];
            Walk& w = walks_[i];
            w.m = e.bPerRow * first + e.k - e.bias;
            w.perRow = e.bPerRow;
            if (e.a == 0) {
                w.kind = 0;
                continue;
            }
            w.kind = e.a > 0 ? 1 : -1;
            w.A = e.a > 0 ? e.a : -e.a;
            w.q = FloorDiv(w.m, w.A);
            w.r = w.m - w.q * w.A;
            w.dq = FloorDiv(e.bPerRow, w.A);
            w.dr = e.bPerRow - w.dq * w.A;
        }
        return true;
    }

    // The pixels lo .. hi of the next row (from `first` on, one call a row);
    // lo > hi when it has none.
    void Next(int64_t& lo, int64_t& hi) {
        lo = colStart_, hi = colEnd_;
        for (Walk& w : walks_) {
            if (w.kind == 1)
                lo = std::max(lo, -w.q);
            else if (w.kind == -1)
                hi = std::min(hi, w.q);
            else if (w.m < 0)
                hi = lo - 1;
            if (w.kind != 0) {
                w.q += w.dq;
                w.r += w.dr;
                if (w.r >= w.A) w.r -= w.A, ++w.q;
            } else {
                w.m += w.perRow;
            }
        }
    }

    int64_t first = 0, last = -1;  // rows covered, at most

  private:
    struct Walk {
        int64_t q = 0, r = 0, dq = 0, dr = 0, A = 1;
        int kind = 0;  // 1 lower bound, -1 upper bound, 0 horizontal
        int64_t m = 0, perRow = 0;
    } walks_[3];
    int64_t colStart_ = 0, colEnd_ = -1;
};

void Cover(const DrawContext& ctx, const TriangleSetup& tri, SpanFunction span, int64_t X[3],
           int64_t Y[3]) {
    CoverRows rows;
    if (!rows.Start(ctx.setup->clip, X, Y)) return;
    for (int64_t y = rows.first; y <= rows.last; ++y) {
        int64_t lo, hi;
        rows.Next(lo, hi);
        if (lo <= hi) ShadeOverHeld(*ctx.setup, span, tri, int(y), int(lo), int(hi + 1));
    }
}

// Clips a polygon to one side of the guard band.
int ClipSide(const double* inX, const double* inY, int n, double* outX, double* outY, int axis,
             double sign) {
    int m = 0;
    for (int i = 0; i < n; ++i) {
        int j = (i + 1) % n;
        double a = (axis == 0 ? inX[i] : inY[i]) * sign, b = (axis == 0 ? inX[j] : inY[j]) * sign;
        bool ain = a <= kGuard, bin = b <= kGuard;
        if (ain) outX[m] = inX[i], outY[m] = inY[i], ++m;
        if (ain != bin) {
            // The crossing lies on the boundary exactly; the other coordinate
            // is interpolated from the nearer end, which keeps precision when
            // the far end is enormous.
            const double* other = axis == 0 ? inY : inX;
            double o;
            if (std::fabs(kGuard - a) <= std::fabs(kGuard - b))
                o = other[i] + (other[j] - other[i]) * ((kGuard - a) / (b - a));
            else
                o = other[j] + (other[i] - other[j]) * ((kGuard - b) / (a - b));
            double c = kGuard * sign;
            outX[m] = axis == 0 ? c : o;
            outY[m] = axis == 0 ? o : c;
            ++m;
        }
    }
    return m;
}

}  // namespace

bool SetupAttributes(const DrawSetup& ds, const double px[3], const double py[3],
                     const RasterVertex* v[3], const RasterVertex& flat, TriangleSetup& tri) {
    double det = (px[1] - px[0]) * (py[2] - py[0]) - (px[2] - px[0]) * (py[1] - py[0]);
    if (det == 0.0 || !std::isfinite(det)) return false;
    tri.affine = v[0]->rhw == v[1]->rhw && v[1]->rhw == v[2]->rhw;
    double q[3] = {1.0, 1.0, 1.0};
    if (!tri.affine) {
        for (int i = 0; i < 3; ++i) q[i] = v[i]->rhw;
        tri.q = MakePlane(px, py, det, q[0], q[1], q[2]);
    }
    tri.z = MakePlane(px, py, det, v[0]->z, v[1]->z, v[2]->z);
    tri.gouraud = !ds.flat;
    if (tri.gouraud) {
        for (int c = 0; c < 4; ++c) {
            int shift = c == 3 ? 24 : 16 - 8 * c;
            auto ch = [&](uint32_t col, int i) { return double((col >> shift) & 255) * q[i]; };
            tri.diffuse[c] = MakePlane(px, py, det, ch(v[0]->diffuse, 0), ch(v[1]->diffuse, 1),
                                       ch(v[2]->diffuse, 2));
            tri.specular[c] = MakePlane(px, py, det, ch(v[0]->specular, 0), ch(v[1]->specular, 1),
                                        ch(v[2]->specular, 2));
        }
    } else {
        tri.flatDiffuse = FromArgb(flat.diffuse);
        tri.flatSpecular = FromArgb(flat.specular);
    }
    for (int i = 0; i < ds.stageCount; ++i) {
        const StageSetup& st = ds.stages[i];
        tri.perPixelLod[i] = false;
        tri.level[i] = LevelChoice{};
        if (!st.usesTexture || !st.texture) continue;
        const RasterSurface& l0 = st.texture->levels[0];
        double f[3], g[3];
        for (int k = 0; k < 3; ++k) {
            double u = st.texCoordSet >= 0 ? v[k]->tex[st.texCoordSet][0] : 0.0;
            double w = st.texCoordSet >= 0 ? v[k]->tex[st.texCoordSet][1] : 0.0;
            f[k] = u * l0.width * q[k];
            g[k] = w * l0.height * q[k];
        }
        tri.s[i] = MakePlane(px, py, det, f[0], f[1], f[2]);
        tri.t[i] = MakePlane(px, py, det, g[0], g[1], g[2]);
        const SamplerSetup& sm = st.sampler;
        bool lodMatters = sm.minFilter != sm.magFilter ||
                          (sm.mipFilter != kMipNone && st.texture->levelCount > 1);
        if (!lodMatters) {
            tri.level[i].filter = sm.magFilter;
        } else if (tri.affine) {
            tri.level[i] = ChooseLevel(
                sm, *st.texture, LevelOfDetail(tri.s[i].dx, tri.t[i].dx, tri.s[i].dy, tri.t[i].dy));
        } else {
            tri.perPixelLod[i] = true;
        }
    }
    // Kernels read the coordinate sets themselves (t0 to t7).
    if (ds.kernel)
        for (int k = 0; k < ds.layout.texCount; ++k) {
            double f[3], g[3];
            for (int j = 0; j < 3; ++j)
                f[j] = v[j]->tex[k][0] * q[j], g[j] = v[j]->tex[k][1] * q[j];
            tri.coordU[k] = MakePlane(px, py, det, f[0], f[1], f[2]);
            tri.coordV[k] = MakePlane(px, py, det, g[0], g[1], g[2]);
        }
    return true;
}

namespace {

// A triangle ready to cover: its attribute planes, its span function and its
// corners (snapped when inside the guard band).
struct PreparedTriangle {
    TriangleSetup tri;
    SpanFunction span = nullptr;
    bool inside = true;
    double px[3], py[3];
    int64_t X[3], Y[3];
};

// False when nothing of the triangle is drawn.
bool PrepareTriangle(const DrawContext& ctx, const RasterVertex& a, const RasterVertex& b,
                     const RasterVertex& c, const RasterVertex& flat, PreparedTriangle& p) {
    const DrawSetup& ds = *ctx.setup;
    if (!Finite(a) || !Finite(b) || !Finite(c)) return false;
    const RasterVertex* v[3] = {&a, &b, &c};
    double* px = p.px;
    double* py = p.py;
    p.inside = true;
    for (int i = 0; i < 3; ++i) {
        px[i] = v[i]->x, py[i] = v[i]->y;
        p.inside = p.inside && std::fabs(px[i]) <= kGuard && std::fabs(py[i]) <= kGuard;
    }
    // Culling by the winding on screen (y down): clockwise has a positive area.
    double area = (px[1] - px[0]) * (py[2] - py[0]) - (px[2] - px[0]) * (py[1] - py[0]);
    if (p.inside) {
        for (int i = 0; i < 3; ++i) {
            p.X[i] = Snap(px[i]), p.Y[i] = Snap(py[i]);
            px[i] = double(p.X[i]) / kSub, py[i] = double(p.Y[i]) / kSub;
        }
        int64_t ia = (p.X[1] - p.X[0]) * (p.Y[2] - p.Y[0]) - (p.X[2] - p.X[0]) * (p.Y[1] - p.Y[0]);
        area = double(ia);
    }
    if (!(area != 0.0) || !std::isfinite(area)) return false;
    if ((ds.cull == D3DCULL_CW && area > 0) || (ds.cull == D3DCULL_CCW && area < 0)) return false;
    if (ds.clip.left >= ds.clip.right || ds.clip.top >= ds.clip.bottom) return false;

    TriangleSetup& tri = p.tri;
    if (!SetupAttributes(ds, px, py, v, flat, tri)) return false;
    p.span = ctx.spans.generic;
    if (ctx.spans.special && tri.affine) {
        if (!ctx.spans.depthGated) {
            p.span = ctx.spans.special;
        } else if (tri.z.dx == 0.0) {
            // 2D draws test depth at one depth per row: the test is settled
            // per span, and spans that pass whole take the specialised loop.
            tri.depthFree = ctx.spans.special;
            tri.fallback = ctx.spans.generic;
            tri.depthWriting = ctx.spans.depthWriting;
            p.span = &DepthGatedSpan;
        }
    }
    return true;
}

void CoverPrepared(const DrawContext& ctx, PreparedTriangle& p) {
    if (p.inside) {
        Cover(ctx, p.tri, p.span, p.X, p.Y);
        return;
    }
    // Guard band: clip the outline, then cover the pieces as a fan.
    double bx[2][9], by[2][9];
    int n = 3;
    for (int i = 0; i < 3; ++i) bx[0][i] = p.px[i], by[0][i] = p.py[i];
    int cur = 0;
    for (int axis = 0; axis < 2 && n > 0; ++axis)
        for (double sign : {1.0, -1.0}) {
            n = ClipSide(bx[cur], by[cur], n, bx[1 - cur], by[1 - cur], axis, sign);
            cur = 1 - cur;
            if (n == 0) break;
        }
    for (int i = 1; i + 1 < n; ++i) {
        int64_t FX[3] = {Snap(bx[cur][0]), Snap(bx[cur][i]), Snap(bx[cur][i + 1])};
        int64_t FY[3] = {Snap(by[cur][0]), Snap(by[cur][i]), Snap(by[cur][i + 1])};
        Cover(ctx, p.tri, p.span, FX, FY);
    }
}

// Whether two snapped triangles are the two halves of one axis-aligned
// rectangle (corners on two columns and two rows, each triangle three of the
// four, the corners they leave out opposite): `box` is then the rectangle in
// snapped units. The top-left rule gives each centre on the shared diagonal
// to one of them.
struct SnappedBox {
    int64_t left, top, right, bottom;
};

bool RectangleHalves(const PreparedTriangle& a, const PreparedTriangle& b, SnappedBox& box) {
    const int64_t xl = std::min({a.X[0], a.X[1], a.X[2]}), xr = std::max({a.X[0], a.X[1], a.X[2]});
    const int64_t yt = std::min({a.Y[0], a.Y[1], a.Y[2]}), yb = std::max({a.Y[0], a.Y[1], a.Y[2]});
    if (xl == xr || yt == yb) return false;
    // The corner each leaves out, as bits (right, bottom); -1 when not three
    // distinct corners of the box.
    auto missing = [&](const PreparedTriangle& t) {
        int seen = 0;
        for (int i = 0; i < 3; ++i) {
            const bool left = t.X[i] == xl, top = t.Y[i] == yt;
            if ((!left && t.X[i] != xr) || (!top && t.Y[i] != yb)) return -1;
            seen |= 1 << ((left ? 0 : 1) | (top ? 0 : 2));
        }
        if (__builtin_popcount(unsigned(seen)) != 3) return -1;
        return __builtin_ctz(unsigned(~seen & 15));
    };
    const int ma = missing(a), mb = missing(b);
    if (ma < 0 || mb < 0 || (ma ^ mb) != 3) return false;
    box = SnappedBox{xl, yt, xr, yb};
    return true;
}

// The span functions read a plane only through sums, products and roundings
// of its values, where the sign of a zero changes nothing.
bool SamePlane(const Plane& a, const Plane& b) {
    return a.c == b.c && a.dx == b.dx && a.dy == b.dy;
}

// Whether two triangles' specialised spans give every pixel the same value:
// the same planes, flat colours and sampling for everything the span reads.
bool SameSpanInputs(const DrawSetup& ds, const TriangleSetup& a, const TriangleSetup& b,
                    bool kernelSpan) {
    if (!a.affine || !b.affine || a.gouraud || b.gouraud || !SamePlane(a.z, b.z)) return false;
    if (ToArgb(a.flatDiffuse) != ToArgb(b.flatDiffuse) ||
        ToArgb(a.flatSpecular) != ToArgb(b.flatSpecular))
        return false;
    for (int i = 0; i < ds.stageCount; ++i) {
        const LevelChoice &la = a.level[i], &lb = b.level[i];
        if (!SamePlane(a.s[i], b.s[i]) || !SamePlane(a.t[i], b.t[i]) ||
            a.perPixelLod[i] != b.perPixelLod[i] || la.level != lb.level ||
            la.level2 != lb.level2 || la.weight != lb.weight || la.filter != lb.filter)
            return false;
    }
    // A kernel's coordinate sets are read only by its own span (which a
    // depth-gated span falls back to); the specialised spans read the stages.
    if (ds.kernel && (a.fallback || kernelSpan))
        for (int k = 0; k < ds.layout.texCount; ++k)
            if (!SamePlane(a.coordU[k], b.coordU[k]) || !SamePlane(a.coordV[k], b.coordV[k]))
                return false;
    return a.depthFree == b.depthFree && a.fallback == b.fallback;
}

}  // namespace

void DrawTriangle(const DrawContext& ctx, const RasterVertex& a, const RasterVertex& b,
                  const RasterVertex& c, const RasterVertex& flat) {
    PreparedTriangle p;
    if (PrepareTriangle(ctx, a, b, c, flat, p)) CoverPrepared(ctx, p);
}

void DrawTrianglePair(const DrawContext& ctx, const RasterVertex* first,
                      const RasterVertex* second) {
    PreparedTriangle pa, pb;
    const bool hasA = PrepareTriangle(ctx, first[0], first[1], first[2], first[0], pa);
    const bool hasB = PrepareTriangle(ctx, second[0], second[1], second[2], second[0], pb);
    const DrawSetup& ds = *ctx.setup;
    const bool generic = pa.span == ctx.spans.generic;
    if (!hasA || !hasB || !pa.inside || !pb.inside || pa.span != pb.span ||
        (generic && !ctx.spans.genericPairs) || !SameSpanInputs(ds, pa.tri, pb.tri, generic)) {
        if (hasA) CoverPrepared(ctx, pa);
        if (hasB) CoverPrepared(ctx, pb);
        return;
    }
    // The two halves of an axis-aligned rectangle cover, row by row, the
    // pixels whose centres lie in [left, right) x [top, bottom): one span a
    // row, the same every row, with no edge to step.
    SnappedBox box;
    if (RectangleHalves(pa, pb, box)) {
        const RECT& clip = ds.clip;
        const int64_t x0 = std::max<int64_t>(CeilDiv(box.left, kSub), clip.left);
        const int64_t x1 = std::min<int64_t>(CeilDiv(box.right, kSub), clip.right);
        const int64_t y0 = std::max<int64_t>(CeilDiv(box.top, kSub), clip.top);
        const int64_t y1 = std::min<int64_t>(CeilDiv(box.bottom, kSub), clip.bottom);
        if (x0 < x1)
            for (int64_t y = y0; y < y1; ++y)
                ShadeOverHeld(ds, pa.span, pa.tri, int(y), int(x0), int(x1));
        return;
    }
    // Row by row, the first triangle's pixels before the second's as when
    // drawn one after the other; where the two spans of a row meet (the two
    // halves of a quad) they are one span.
    CoverRows ra, rb;
    const bool rowsA = ra.Start(ds.clip, pa.X, pa.Y), rowsB = rb.Start(ds.clip, pb.X, pb.Y);
    if (!rowsA || !rowsB) {
        if (rowsA) Cover(ctx, pa.tri, pa.span, pa.X, pa.Y);
        if (rowsB) Cover(ctx, pb.tri, pb.span, pb.X, pb.Y);
        return;
    }
    const int64_t top = std::min(ra.first, rb.first), bottom = std::max(ra.last, rb.last);
    for (int64_t y = top; y <= bottom; ++y) {
        int64_t la = 1, ha = 0, lb = 1, hb = 0;
        if (y >= ra.first && y <= ra.last) ra.Next(la, ha);
        if (y >= rb.first && y <= rb.last) rb.Next(lb, hb);
        if (la <= ha && lb <= hb && (ha + 1 == lb || hb + 1 == la)) {
            ShadeOverHeld(ds, pa.span, pa.tri, int(y), int(std::min(la, lb)),
                          int(std::max(ha, hb) + 1));
            continue;
        }
        if (la <= ha) ShadeOverHeld(ds, pa.span, pa.tri, int(y), int(la), int(ha + 1));
        if (lb <= hb) ShadeOverHeld(ds, pb.span, pb.tri, int(y), int(lb), int(hb + 1));
    }
}

}  // namespace platform::raster
