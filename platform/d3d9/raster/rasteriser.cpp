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

// Coverage of a triangle in snapped coordinates (any winding), spans handed
// to `span` within the clip rectangle.
void Cover(const DrawContext& ctx, const TriangleSetup& tri, SpanFunction span, int64_t X[3],
           int64_t Y[3]) {
    int64_t area = (X[1] - X[0]) * (Y[2] - Y[0]) - (X[2] - X[0]) * (Y[1] - Y[0]);
    if (area == 0) return;
    if (area < 0) std::swap(X[1], X[2]), std::swap(Y[1], Y[2]);
    Edge edges[3] = {MakeEdge(X[0], Y[0], X[1], Y[1]), MakeEdge(X[1], Y[1], X[2], Y[2]),
                     MakeEdge(X[2], Y[2], X[0], Y[0])};
    const RECT& clip = ctx.setup->clip;
    int64_t minY = std::min({Y[0], Y[1], Y[2]}), maxY = std::max({Y[0], Y[1], Y[2]});
    int64_t minX = std::min({X[0], X[1], X[2]}), maxX = std::max({X[0], X[1], X[2]});
    int64_t rowStart = std::max<int64_t>(CeilDiv(minY, kSub), clip.top);
    int64_t rowEnd = std::min<int64_t>(FloorDiv(maxY, kSub), clip.bottom - 1);
    int64_t colStart = std::max<int64_t>(CeilDiv(minX, kSub), clip.left);
    int64_t colEnd = std::min<int64_t>(FloorDiv(maxX, kSub), clip.right - 1);
    if (rowStart > rowEnd || colStart > colEnd) return;
    // Each sloped edge bounds the row's pixels at floor(m / A) with
    // m = e.bPerRow * y + e.k - e.bias and A = |e.a| (a lower bound, negated,
    // for left edges; an upper bound for right edges). m grows by a constant
    // per row, so the quotient steps exactly without a division per row.
    struct Walk {
        int64_t q, r, dq, dr, A;
        int kind;  // 1 lower bound, -1 upper bound, 0 horizontal
        int64_t m;
    } walks[3];
    for (int i = 0; i < 3; ++i) {
        const Edge& e = edges[i];
        Walk& w = walks[i];
        w.m = e.bPerRow * rowStart + e.k - e.bias;
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
    for (int64_t y = rowStart; y <= rowEnd; ++y) {
        int64_t lo = colStart, hi = colEnd;
        for (int i = 0; i < 3; ++i) {
            Walk& w = walks[i];
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
                w.m += edges[i].bPerRow;
            }
        }
        if (lo <= hi) span(*ctx.setup, tri, int(y), int(lo), int(hi + 1));
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

void DrawTriangle(const DrawContext& ctx, const RasterVertex& a, const RasterVertex& b,
                  const RasterVertex& c, const RasterVertex& flat) {
    const DrawSetup& ds = *ctx.setup;
    if (!Finite(a) || !Finite(b) || !Finite(c)) return;
    const RasterVertex* v[3] = {&a, &b, &c};
    double px[3], py[3];
    bool inside = true;
    for (int i = 0; i < 3; ++i) {
        px[i] = v[i]->x, py[i] = v[i]->y;
        inside = inside && std::fabs(px[i]) <= kGuard && std::fabs(py[i]) <= kGuard;
    }
    // Culling by the winding on screen (y down): clockwise has a positive area.
    double area = (px[1] - px[0]) * (py[2] - py[0]) - (px[2] - px[0]) * (py[1] - py[0]);
    int64_t X[3], Y[3];
    if (inside) {
        for (int i = 0; i < 3; ++i) {
            X[i] = Snap(px[i]), Y[i] = Snap(py[i]);
            px[i] = double(X[i]) / kSub, py[i] = double(Y[i]) / kSub;
        }
        int64_t ia = (X[1] - X[0]) * (Y[2] - Y[0]) - (X[2] - X[0]) * (Y[1] - Y[0]);
        area = double(ia);
    }
    if (!(area != 0.0) || !std::isfinite(area)) return;
    if ((ds.cull == D3DCULL_CW && area > 0) || (ds.cull == D3DCULL_CCW && area < 0)) return;
    if (ctx.setup->clip.left >= ctx.setup->clip.right ||
        ctx.setup->clip.top >= ctx.setup->clip.bottom)
        return;

    TriangleSetup tri;
    if (!SetupAttributes(ds, px, py, v, flat, tri)) return;
    SpanFunction span = ctx.spans.generic;
    if (ctx.spans.special && tri.affine) {
        if (!ctx.spans.depthGated) {
            span = ctx.spans.special;
        } else if (tri.z.dx == 0.0) {
            // 2D draws test depth at one depth per row: the test is settled
            // per span, and spans that pass whole take the specialised loop.
            tri.depthFree = ctx.spans.special;
            tri.fallback = ctx.spans.generic;
            span = &DepthGatedSpan;
        }
    }
    if (inside) {
        Cover(ctx, tri, span, X, Y);
        return;
    }
    // Guard band: clip the outline, then cover the pieces as a fan.
    double bx[2][9], by[2][9];
    int n = 3;
    for (int i = 0; i < 3; ++i) bx[0][i] = px[i], by[0][i] = py[i];
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
        Cover(ctx, tri, span, FX, FY);
    }
}

}  // namespace platform::raster
