// Numeric helpers: float functions, truncations that never hit undefined
// behaviour, and the 64 x 64 -> 128 multiply and 128 / 64 divide used to
// turn counter ticks into microseconds without overflow.
#include <cmath>
#include <cstdint>

#include "DuRud.h"

namespace DuRud {
namespace {

constexpr int32_t kIntegerIndefinite = INT32_MIN;  // 0x80000000

int32_t TruncChecked(double v) {
    if (!(v > -2147483649.0 && v < 2147483648.0)) return kIntegerIndefinite;  // NaN too
    return static_cast<int32_t>(v);
}

}  // namespace

void ComputeSinCos(float angle, float* sinOut, float* cosOut) {
    long double s = 0, c = 0;
    sincosl(static_cast<long double>(angle), &s, &c);
    if (sinOut) *sinOut = static_cast<float>(s);
    if (cosOut) *cosOut = static_cast<float>(c);
}

float ComputePowF(float x, float y) {
    return std::pow(x, y);
}
float ComputeExpF(float x) {
    return std::exp(x);
}
float ComputeAcosF(float x) {
    return std::acos(x);
}
float ComputeAtan2F(float y, float x) {
    return std::atan2(y, x);
}
double ComputeLog10(double x) {
    return std::log10(x);
}
float ComputeSqrtF(float x) {
    return std::sqrt(x);
}

int AbsInt(int value) {
    return value < 0 ? static_cast<int>(0u - static_cast<unsigned>(value)) : value;
}
float AbsFloat(float value) {
    return std::fabs(value);
}

int TruncFloatToInt(float value) {
    return TruncChecked(static_cast<double>(value));
}
int TruncDoubleToInt(double value) {
    return TruncChecked(value);
}

int TruncVec4ToInt4(const float in[4], int out[4]) {
    for (int i = 0; i < 4; ++i) out[i] = TruncChecked(static_cast<double>(in[i]));
    return 0;
}

int TruncVec4dToInt4(const double in[4], int out[4]) {
    for (int i = 0; i < 4; ++i) out[i] = TruncChecked(in[i]);
    return 0;
}

int MultiplyU64To128(uint64_t a, uint64_t b, uint64_t out[2]) {
    const uint64_t aLo = a & 0xFFFFFFFFu, aHi = a >> 32;
    const uint64_t bLo = b & 0xFFFFFFFFu, bHi = b >> 32;
    const uint64_t ll = aLo * bLo;
    const uint64_t lh = aLo * bHi;
    const uint64_t hl = aHi * bLo;
    const uint64_t hh = aHi * bHi;
    const uint64_t mid = (ll >> 32) + (lh & 0xFFFFFFFFu) + (hl & 0xFFFFFFFFu);
    out[0] = (ll & 0xFFFFFFFFu) | (mid << 32);
    out[1] = hh + (lh >> 32) + (hl >> 32) + (mid >> 32);
    return 0;
}

// Quotient of the 128-bit dividend by the divisor, by shift and subtract;
// its low 64 bits when it does not fit. A divisor of 0 gives 0.
int DivideU128ByU64(const uint64_t dividend[2], uint64_t divisor, uint64_t* quotient) {
    if (divisor == 0) {
        *quotient = 0;
        return -1;
    }
    uint64_t hi = dividend[1], lo = dividend[0];
    uint64_t remainder = 0, q = 0;
    for (int i = 0; i < 128; ++i) {
        const bool carry = (remainder >> 63) != 0;
        remainder = (remainder << 1) | (hi >> 63);
        hi = (hi << 1) | (lo >> 63);
        lo <<= 1;
        q <<= 1;
        if (carry || remainder >= divisor) {
            remainder -= divisor;
            q |= 1;
        }
    }
    *quotient = q;
    return 0;
}

}  // namespace DuRud
