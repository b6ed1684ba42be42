// Truncations, absolute values, sin/cos and the 128-bit multiply and divide.
#include <climits>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>

#include <gtest/gtest.h>

#include "DuRud.h"

namespace DuRud {
namespace {

using u128 = unsigned __int128;

TEST(NumberHelpers, MultiplyMatchesInt128) {
    std::mt19937_64 gen(12345);
    const uint64_t edges[] = {0,         1, 0xFFFFFFFFu, 0x100000000u, UINT64_MAX, UINT64_MAX - 1,
                              1ull << 63};
    for (uint64_t a : edges)
        for (uint64_t b : edges) {
            uint64_t out[2];
            MultiplyU64To128(a, b, out);
            const u128 p = static_cast<u128>(a) * b;
            ASSERT_EQ(out[0], static_cast<uint64_t>(p));
            ASSERT_EQ(out[1], static_cast<uint64_t>(p >> 64));
        }
    for (int i = 0; i < 10000; ++i) {
        const uint64_t a = gen(), b = gen() >> (i % 64);
        uint64_t out[2];
        MultiplyU64To128(a, b, out);
        const u128 p = static_cast<u128>(a) * b;
        ASSERT_EQ(out[0], static_cast<uint64_t>(p)) << a << " * " << b;
        ASSERT_EQ(out[1], static_cast<uint64_t>(p >> 64)) << a << " * " << b;
    }
}

TEST(NumberHelpers, DivideMatchesInt128) {
    std::mt19937_64 gen(777);
    for (int i = 0; i < 10000; ++i) {
        const uint64_t dividend[2] = {gen(), gen() >> (i % 64)};
        uint64_t divisor = gen() >> (i % 61);
        if (divisor == 0) divisor = 3;
        uint64_t q = 0;
        ASSERT_EQ(DivideU128ByU64(dividend, divisor, &q), 0);
        const u128 n = (static_cast<u128>(dividend[1]) << 64) | dividend[0];
        ASSERT_EQ(q, static_cast<uint64_t>(n / divisor));  // low 64 bits when it overflows
    }
    const uint64_t max[2] = {UINT64_MAX, UINT64_MAX};
    uint64_t q = 0;
    DivideU128ByU64(max, UINT64_MAX, &q);
    EXPECT_EQ(q, 1u);  // (2^128 - 1) / (2^64 - 1) = 2^64 + 1, low word 1
}

TEST(NumberHelpers, DivideByZeroGivesZero) {
    const uint64_t n[2] = {1000, 5};
    uint64_t q = 99;
    EXPECT_EQ(DivideU128ByU64(n, 0, &q), -1);
    EXPECT_EQ(q, 0u);
}

TEST(NumberHelpers, TruncationsGoTowardZeroAndNeverOverflow) {
    EXPECT_EQ(TruncFloatToInt(2.9f), 2);
    EXPECT_EQ(TruncFloatToInt(-2.9f), -2);
    EXPECT_EQ(TruncDoubleToInt(-0.5), 0);
    EXPECT_EQ(TruncDoubleToInt(2147483647.9), 2147483647);
    EXPECT_EQ(TruncDoubleToInt(-2147483648.9), INT_MIN);
    EXPECT_EQ(TruncDoubleToInt(2147483648.0), INT_MIN);
    EXPECT_EQ(TruncDoubleToInt(-2147483649.0), INT_MIN);
    EXPECT_EQ(TruncDoubleToInt(std::numeric_limits<double>::quiet_NaN()), INT_MIN);
    EXPECT_EQ(TruncDoubleToInt(std::numeric_limits<double>::infinity()), INT_MIN);
    EXPECT_EQ(TruncFloatToInt(3e9f), INT_MIN);
    EXPECT_EQ(TruncFloatToInt(std::numeric_limits<float>::quiet_NaN()), INT_MIN);

    const float f[4] = {1.5f, -1.5f, 1e20f, -0.0f};
    int out[4];
    TruncVec4ToInt4(f, out);
    EXPECT_EQ(out[0], 1);
    EXPECT_EQ(out[1], -1);
    EXPECT_EQ(out[2], INT_MIN);
    EXPECT_EQ(out[3], 0);
    const double d[4] = {7.99, -7.99, -1e300, 100.0};
    TruncVec4dToInt4(d, out);
    EXPECT_EQ(out[0], 7);
    EXPECT_EQ(out[1], -7);
    EXPECT_EQ(out[2], INT_MIN);
    EXPECT_EQ(out[3], 100);
}

TEST(NumberHelpers, AbsoluteValues) {
    EXPECT_EQ(AbsInt(-5), 5);
    EXPECT_EQ(AbsInt(5), 5);
    EXPECT_EQ(AbsInt(INT_MIN), INT_MIN);
    EXPECT_EQ(AbsFloat(-2.5f), 2.5f);
}

TEST(NumberHelpers, FloatFunctions) {
    float s = 0, c = 0;
    ComputeSinCos(0.5f, &s, &c);  // sine first, cosine second
    EXPECT_NEAR(s, 0.4794255f, 1e-6f);
    EXPECT_NEAR(c, 0.8775826f, 1e-6f);
    EXPECT_NEAR(ComputeAtan2F(1.0f, 0.0f), 1.5707964f, 1e-6f);  // y first
    EXPECT_FLOAT_EQ(ComputePowF(2.0f, 10.0f), 1024.0f);         // base first
}

}  // namespace
}  // namespace DuRud
