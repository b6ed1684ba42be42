// Float vectors and 4 x 4 matrices for the 3D side (rows are vectors, a
// point p transforms as p x M, view and projection are left-handed), and the
// integer rectangle clip used by graphics and the blitters.
#include <cmath>
#include <cstring>

#include "DuRud.h"

namespace DuRud {
namespace {

int screenWidth = 0;
int screenHeight = 0;

// The default aspect (height / width), or 0.75 before a screen size is known.
float DefaultAspect() {
    if (screenWidth == 0 || screenHeight == 0) return 0.75f;
    return static_cast<float>(screenHeight) / static_cast<float>(screenWidth);
}

int Clamp(int v, int lo, int hi) {
    if (v > hi) return hi;
    if (v < lo) return lo;
    return v;
}

}  // namespace

int SetMathScreenSize(int width, int height) {
    screenWidth = width;
    screenHeight = height;
    return 0;
}

int MakeIdentityMatrix(Mat4* out) {
    std::memset(out, 0, sizeof(Mat4));
    for (int i = 0; i < 4; ++i) out->m[i][i] = 1.0f;
    return 0;
}

int MultiplyMatrix(Mat4* out, const Mat4* a, const Mat4* b) {
    Mat4 r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            r.m[i][j] = a->m[i][0] * b->m[0][j] + a->m[i][1] * b->m[1][j] +
                        a->m[i][2] * b->m[2][j] + a->m[i][3] * b->m[3][j];
    if (out) *out = r;
    return 0;
}

int TransposeMatrix(Mat4* out, const Mat4* in) {
    Mat4 r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) r.m[i][j] = in->m[j][i];
    *out = r;
    return 0;
}

int InvertMatrix(Mat4* out, const Mat4* in) {
    const float* m = &in->m[0][0];
    float inv[16];
    // Cofactors of the transposed matrix (the adjugate), row by row.
    inv[0] = m[5] * m[10] * m[15] - m[5] * m[11] * m[14] - m[9] * m[6] * m[15] +
             m[9] * m[7] * m[14] + m[13] * m[6] * m[11] - m[13] * m[7] * m[10];
    inv[4] = -m[4] * m[10] * m[15] + m[4] * m[11] * m[14] + m[8] * m[6] * m[15] -
             m[8] * m[7] * m[14] - m[12] * m[6] * m[11] + m[12] * m[7] * m[10];
    inv[8] = m[4] * m[9] * m[15] - m[4] * m[11] * m[13] - m[8] * m[5] * m[15] +
             m[8] * m[7] * m[13] + m[12] * m[5] * m[11] - m[12] * m[7] * m[9];
    inv[12] = -m[4] * m[9] * m[14] + m[4] * m[10] * m[13] + m[8] * m[5] * m[14] -
              m[8] * m[6] * m[13] - m[12] * m[5] * m[10] + m[12] * m[6] * m[9];
    inv[1] = -m[1] * m[10] * m[15] + m[1] * m[11] * m[14] + m[9] * m[2] * m[15] -
             m[9] * m[3] * m[14] - m[13] * m[2] * m[11] + m[13] * m[3] * m[10];
    inv[5] = m[0] * m[10] * m[15] - m[0] * m[11] * m[14] - m[8] * m[2] * m[15] +
             m[8] * m[3] * m[14] + m[12] * m[2] * m[11] - m[12] * m[3] * m[10];
    inv[9] = -m[0] * m[9] * m[15] + m[0] * m[11] * m[13] + m[8] * m[1] * m[15] -
             m[8] * m[3] * m[13] - m[12] * m[1] * m[11] + m[12] * m[3] * m[9];
    inv[13] = m[0] * m[9] * m[14] - m[0] * m[10] * m[13] - m[8] * m[1] * m[14] +
              m[8] * m[2] * m[13] + m[12] * m[1] * m[10] - m[12] * m[2] * m[9];
    inv[2] = m[1] * m[6] * m[15] - m[1] * m[7] * m[14] - m[5] * m[2] * m[15] + m[5] * m[3] * m[14] +
             m[13] * m[2] * m[7] - m[13] * m[3] * m[6];
    inv[6] = -m[0] * m[6] * m[15] + m[0] * m[7] * m[14] + m[4] * m[2] * m[15] -
             m[4] * m[3] * m[14] - m[12] * m[2] * m[7] + m[12] * m[3] * m[6];
    inv[10] = m[0] * m[5] * m[15] - m[0] * m[7] * m[13] - m[4] * m[1] * m[15] +
              m[4] * m[3] * m[13] + m[12] * m[1] * m[7] - m[12] * m[3] * m[5];
    inv[14] = -m[0] * m[5] * m[14] + m[0] * m[6] * m[13] + m[4] * m[1] * m[14] -
              m[4] * m[2] * m[13] - m[12] * m[1] * m[6] + m[12] * m[2] * m[5];
    inv[3] = -m[1] * m[6] * m[11] + m[1] * m[7] * m[10] + m[5] * m[2] * m[11] -
             m[5] * m[3] * m[10] - m[9] * m[2] * m[7] + m[9] * m[3] * m[6];
    inv[7] = m[0] * m[6] * m[11] - m[0] * m[7] * m[10] - m[4] * m[2] * m[11] + m[4] * m[3] * m[10] +
             m[8] * m[2] * m[7] - m[8] * m[3] * m[6];
    inv[11] = -m[0] * m[5] * m[11] + m[0] * m[7] * m[9] + m[4] * m[1] * m[11] - m[4] * m[3] * m[9] -
              m[8] * m[1] * m[7] + m[8] * m[3] * m[5];
    inv[15] = m[0] * m[5] * m[10] - m[0] * m[6] * m[9] - m[4] * m[1] * m[10] + m[4] * m[2] * m[9] +
              m[8] * m[1] * m[6] - m[8] * m[2] * m[5];

    const float det = m[0] * inv[0] + m[1] * inv[4] + m[2] * inv[8] + m[3] * inv[12];
    if (det > -1e-7f && det < 1e-7f) return -1;
    const float scale = 1.0f / det;
    for (int i = 0; i < 16; ++i) (&out->m[0][0])[i] = inv[i] * scale;
    return 0;
}

int MakePerspectiveMatrix(Mat4* out, float fov, float zNear, float zFar, float aspect) {
    if (aspect < 0.0f) aspect = DefaultAspect();
    float s = 0, c = 0;
    ComputeSinCos(fov / 2.0f, &s, &c);
    if (std::fabs(zFar - zNear) < 1e-4f || std::fabs(s) < 1e-4f) return -1;
    const float cot = c / s;
    std::memset(out, 0, sizeof(Mat4));
    out->m[0][0] = aspect * cot;
    out->m[1][1] = cot;
    out->m[2][2] = zFar / (zFar - zNear);
    out->m[3][2] = -zNear * zFar / (zFar - zNear);
    out->m[2][3] = 1.0f;
    return 0;
}

int MakeOrthoMatrix(Mat4* out, float height, float zNear, float zFar, float aspect) {
    if (aspect < 0.0f) aspect = DefaultAspect();
    if (std::fabs(zNear - zFar) < 1e-4f) return -1;
    std::memset(out, 0, sizeof(Mat4));
    out->m[0][0] = 2.0f / (height / aspect);
    out->m[1][1] = 2.0f / height;
    out->m[2][2] = 1.0f / (zFar - zNear);
    out->m[3][2] = zNear / (zNear - zFar);
    out->m[3][3] = 1.0f;
    return 0;
}

int MakeViewportMatrix(Mat4* out, float x, float y, float width, float height) {
    std::memset(out, 0, sizeof(Mat4));
    out->m[0][0] = width / 2.0f;
    out->m[1][1] = -height / 2.0f;
    out->m[2][2] = 1.0f;
    out->m[3][3] = 1.0f;
    out->m[3][0] = x;
    out->m[3][1] = y;
    return 0;
}

int MakeLookAtMatrix(Mat4* out, const Vec3* eye, const Vec3* target, const Vec3* up) {
    Vec3 z, x, y, t;
    SubtractVector(&t, target, eye);
    NormalizeVector(&z, &t);
    CrossVector(&t, up, &z);
    NormalizeVector(&x, &t);
    CrossVector(&y, &z, &x);
    const Vec3* axes[3] = {&x, &y, &z};
    std::memset(out, 0, sizeof(Mat4));
    for (int c = 0; c < 3; ++c) {
        out->m[0][c] = axes[c]->x;
        out->m[1][c] = axes[c]->y;
        out->m[2][c] = axes[c]->z;
        out->m[3][c] = -(axes[c]->x * eye->x + axes[c]->y * eye->y + axes[c]->z * eye->z);
    }
    out->m[3][3] = 1.0f;
    return 0;
}

int MakePlaneFromPoint(Vec4* out, const Vec3* point, const Vec3* normal) {
    Vec3 n;
    NormalizeVector(&n, normal);
    out->a = n.x;
    out->b = n.y;
    out->c = n.z;
    out->d = -(n.x * point->x + n.y * point->y + n.z * point->z);
    return 0;
}

int NormalizeVector(Vec3* out, const Vec3* in) {
    const float len = std::sqrt(in->x * in->x + in->y * in->y + in->z * in->z);
    *out = Vec3{in->x / len, in->y / len, in->z / len};
    return 0;
}

Vec3* NormalizeXYZ(Vec3* out, float x, float y, float z) {
    const Vec3 in{x, y, z};
    NormalizeVector(out, &in);
    return out;
}

float GetVectorLength(float x, float y, float z) {
    const float sq = x * x + y * y + z * z;
    return sq < 1e-7f ? 0.0f : std::sqrt(sq);
}

int SubtractVector(Vec3* out, const Vec3* a, const Vec3* b) {
    *out = Vec3{a->x - b->x, a->y - b->y, a->z - b->z};
    return 0;
}

int CrossVector(Vec3* out, const Vec3* a, const Vec3* b) {
    *out = Vec3{a->y * b->z - a->z * b->y, a->z * b->x - a->x * b->z, a->x * b->y - a->y * b->x};
    return 0;
}

int TransformPoint(Vec3* out, const Vec3* in, const Mat4* m) {
    float w = 0;
    return TransformVector4(out, &w, in, 1.0f, m);
}

int TransformVector4(Vec3* out, float* outW, const Vec3* in, float inW, const Mat4* m) {
    const float v[4] = {in->x, in->y, in->z, inW};
    float r[4];
    for (int c = 0; c < 4; ++c)
        r[c] = v[0] * m->m[0][c] + v[1] * m->m[1][c] + v[2] * m->m[2][c] + v[3] * m->m[3][c];
    *out = Vec3{r[0], r[1], r[2]};
    if (outW) *outW = r[3];
    return 0;
}

int ClipRect(IntRect* r, const IntRect* b) {
    if (r->right < r->left) r->right = r->left;
    if (r->bottom < r->top) r->bottom = r->top;
    r->bottom = Clamp(r->bottom, b->top, b->bottom);
    r->top = Clamp(r->top, b->top, b->bottom);
    r->right = Clamp(r->right, b->left, b->right);
    r->left = Clamp(r->left, b->left, b->right);
    return 0;
}

}  // namespace DuRud
