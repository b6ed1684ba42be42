// Matrices, projections, vectors and the rectangle clip.
#include "core/math.h"

#include <array>
#include <cmath>
#include <cstring>

#include <gtest/gtest.h>

namespace DuRud {
namespace {

class MathTest : public testing::Test {
  protected:
    void SetUp() override { SetMathScreenSize(0, 0); }
    void TearDown() override { SetMathScreenSize(0, 0); }
};

Mat4 Filled(float base) {
    Mat4 m;
    for (int i = 0; i < 16; ++i) (&m.m[0][0])[i] = base + static_cast<float>(i);
    return m;
}

void ExpectIdentity(const Mat4& m, float tolerance) {
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            EXPECT_NEAR(m.m[r][c], r == c ? 1.0f : 0.0f, tolerance) << r << "," << c;
}

TEST_F(MathTest, InverseTimesMatrixIsIdentity) {
    const Mat4 m = {{{2, 0, 1, 0}, {1, 3, 0, 0}, {0, 1, 4, 0}, {5, -2, 7, 1}}};
    Mat4 inv, product;
    ASSERT_EQ(InvertMatrix(&inv, &m), 0);
    MultiplyMatrix(&product, &inv, &m);
    ExpectIdentity(product, 1e-5f);
    MultiplyMatrix(&product, &m, &inv);
    ExpectIdentity(product, 1e-5f);
}

TEST_F(MathTest, SingularMatrixLeavesOutUntouched) {
    const Mat4 singular = Filled(1.0f);  // rows in arithmetic progression
    Mat4 out = Filled(100.0f);
    const Mat4 before = out;
    EXPECT_EQ(InvertMatrix(&out, &singular), -1);
    EXPECT_EQ(0, std::memcmp(&out, &before, sizeof(Mat4)));

    // A determinant just inside 1e-7 fails, one just outside passes.
    Mat4 tiny{};
    tiny.m[0][0] = tiny.m[1][1] = tiny.m[2][2] = 1.0f;
    tiny.m[3][3] = 0.5e-7f;
    EXPECT_EQ(InvertMatrix(&out, &tiny), -1);
    tiny.m[3][3] = 2e-7f;
    EXPECT_EQ(InvertMatrix(&out, &tiny), 0);
}

TEST_F(MathTest, MultiplyIntoAnOperandAndIntoNull) {
    Mat4 a = Filled(1.0f), b = Filled(-3.0f), expected;
    MultiplyMatrix(&expected, &a, &b);
    // Hand check of one element: row 0 of a = 1 2 3 4, column 1 of b = -2 2 6 10.
    EXPECT_FLOAT_EQ(expected.m[0][1], 1 * -2 + 2 * 2 + 3 * 6 + 4 * 10);
    MultiplyMatrix(&a, &a, &b);
    EXPECT_EQ(0, std::memcmp(&a, &expected, sizeof(Mat4)));
    EXPECT_EQ(MultiplyMatrix(nullptr, &a, &b), 0);

    Mat4 t = Filled(0.0f);
    TransposeMatrix(&t, &t);
    EXPECT_EQ(t.m[0][1], 4.0f);
    EXPECT_EQ(t.m[1][0], 1.0f);
}

TEST_F(MathTest, PerspectiveDefaultsAndFailures) {
    Mat4 m = Filled(9.0f);
    ASSERT_EQ(MakePerspectiveMatrix(&m, static_cast<float>(M_PI / 2), 1.0f, 101.0f, -1.0f), 0);
    EXPECT_NEAR(m.m[0][0], 0.75f, 1e-6f);
    EXPECT_NEAR(m.m[1][1], 1.0f, 1e-6f);
    EXPECT_NEAR(m.m[2][2], 101.0f / 100.0f, 1e-6f);
    EXPECT_NEAR(m.m[3][2], -101.0f / 100.0f, 1e-6f);
    EXPECT_EQ(m.m[2][3], 1.0f);
    EXPECT_EQ(m.m[3][3], 0.0f);
    EXPECT_EQ(m.m[0][1], 0.0f);

    SetMathScreenSize(800, 600);  // aspect = height / width
    ASSERT_EQ(MakePerspectiveMatrix(&m, static_cast<float>(M_PI / 2), 1.0f, 10.0f, -1.0f), 0);
    EXPECT_NEAR(m.m[0][0], 0.75f, 1e-6f);
    SetMathScreenSize(600, 800);
    ASSERT_EQ(MakePerspectiveMatrix(&m, static_cast<float>(M_PI / 2), 1.0f, 10.0f, -1.0f), 0);
    EXPECT_NEAR(m.m[0][0], 800.0f / 600.0f, 1e-6f);

    const Mat4 before = m;
    EXPECT_EQ(MakePerspectiveMatrix(&m, 1.0f, 5.0f, 5.00005f, 1.0f), -1);
    EXPECT_EQ(MakePerspectiveMatrix(&m, 0.0f, 1.0f, 10.0f, 1.0f), -1);  // sin of 0
    EXPECT_EQ(0, std::memcmp(&m, &before, sizeof(Mat4)));
    EXPECT_EQ(MakeOrthoMatrix(&m, 100.0f, 3.0f, 3.0f, 1.0f), -1);
}

TEST_F(MathTest, OrthoAndViewport) {
    Mat4 m;
    ASSERT_EQ(MakeOrthoMatrix(&m, 600.0f, 0.0f, 10.0f, -1.0f), 0);  // aspect 0.75
    EXPECT_NEAR(m.m[0][0], 2.0f / 800.0f, 1e-7f);
    EXPECT_NEAR(m.m[1][1], 2.0f / 600.0f, 1e-7f);
    EXPECT_NEAR(m.m[2][2], 0.1f, 1e-7f);
    EXPECT_EQ(m.m[3][2], 0.0f);
    EXPECT_EQ(m.m[3][3], 1.0f);

    MakeViewportMatrix(&m, 10.0f, 20.0f, 640.0f, 480.0f);
    const Vec3 p{1.0f, 1.0f, 0.5f};
    Vec3 out;
    TransformPoint(&out, &p, &m);
    EXPECT_FLOAT_EQ(out.x, 330.0f);
    EXPECT_FLOAT_EQ(out.y, -220.0f);
    EXPECT_FLOAT_EQ(out.z, 0.5f);
}

TEST_F(MathTest, LookAtIsLeftHanded) {
    const Vec3 eye{0, 0, -10}, target{0, 0, 0}, up{0, 1, 0};
    Mat4 view;
    MakeLookAtMatrix(&view, &eye, &target, &up);
    Vec3 out;
    TransformPoint(&out, &target, &view);
    EXPECT_NEAR(out.x, 0.0f, 1e-6f);
    EXPECT_NEAR(out.y, 0.0f, 1e-6f);
    EXPECT_NEAR(out.z, 10.0f, 1e-6f);  // in front of the eye: positive z
    const Vec3 right{1, 0, 0};
    TransformPoint(&out, &right, &view);
    EXPECT_NEAR(out.x, 1.0f, 1e-6f);
}

TEST_F(MathTest, Vectors) {
    const Vec3 a{1, 0, 0}, b{0, 1, 0};
    Vec3 c;
    CrossVector(&c, &a, &b);
    EXPECT_EQ(c.z, 1.0f);
    SubtractVector(&c, &a, &b);
    EXPECT_EQ(c.y, -1.0f);
    Vec3 n;
    NormalizeXYZ(&n, 3, 0, 4);
    EXPECT_FLOAT_EQ(n.x, 0.6f);
    EXPECT_FLOAT_EQ(n.z, 0.8f);
    EXPECT_FLOAT_EQ(GetVectorLength(3, 0, 4), 5.0f);
    EXPECT_EQ(GetVectorLength(1e-4f, 0, 0), 0.0f);

    Vec4 plane;
    const Vec3 point{0, 5, 0}, normal{0, 2, 0};
    MakePlaneFromPoint(&plane, &point, &normal);
    EXPECT_FLOAT_EQ(plane.b, 1.0f);
    EXPECT_FLOAT_EQ(plane.d, -5.0f);

    Mat4 m;
    MakeIdentityMatrix(&m);
    m.m[3][3] = 2.0f;
    float w = 0;
    TransformVector4(&c, &w, &a, 3.0f, &m);
    EXPECT_EQ(w, 6.0f);
}

TEST_F(MathTest, ClipRectExamples) {
    const IntRect bounds{0, 0, 10, 10};
    auto clip = [&](IntRect r) {
        ClipRect(&r, &bounds);
        return std::array{r.left, r.top, r.right, r.bottom};
    };
    EXPECT_EQ(clip({-5, -5, 3, 3}), (std::array{0, 0, 3, 3}));
    EXPECT_EQ(clip({20, 20, 30, 30}), (std::array{10, 10, 10, 10}));
    // Reversed: right raised to left, bottom to top first.
    EXPECT_EQ(clip({5, 8, 2, 1}), (std::array{5, 8, 5, 8}));
    RECT w{-1, 2, 50, 7};
    const RECT wb{0, 0, 10, 10};
    ClipRect(&w, &wb);
    EXPECT_EQ((std::array{w.left, w.top, w.right, w.bottom}), (std::array<LONG, 4>{0, 2, 10, 7}));
}

}  // namespace
}  // namespace DuRud
