// The kernels' own rounding helpers against the library calls they stand
// in for, value for value (the filter kernels must keep the CPU path's
// pixels exactly as they did with the library calls).
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "../../../platform/d3d9/kernels/kernel_math.h"

namespace {

using namespace platform::d3d9::kernels;

// Values around every half and every whole channel, and at random.
std::vector<double> ChannelValues() {
    std::vector<double> v = {-0.0, 0.0, -0.5, -0.49999999999999994, 1e300, -1e300};
    for (int k = -2; k <= 258; ++k)
        for (double at : {double(k), k + 0.5})
            v.insert(v.end(), {at, std::nextafter(at, -1e9), std::nextafter(at, 1e9)});
    std::mt19937_64 rng(7);
    std::uniform_real_distribution<double> any(-3.0, 259.0);
    for (int i = 0; i < 200000; ++i) v.push_back(any(rng));
    return v;
}

TEST(KernelRounding, RoundChannelIsTheClampedLround) {
    for (double v : ChannelValues()) {
        const long expected = std::clamp(std::lround(std::clamp(v, -1e9, 1e9)), 0L, 255L);
        ASSERT_EQ(RoundChannel(v), int(expected)) << std::hexfloat << v;
    }
}

TEST(KernelRounding, SextantIsFmodBySix) {
    std::vector<double> values = {-0.0, 0.0, 64.0, -64.0, 1e20, -1e20};
    for (int k = -12; k <= 12; ++k)
        values.insert(values.end(),
                      {6.0 * k, std::nextafter(6.0 * k, -1e9), std::nextafter(6.0 * k, 1e9)});
    std::mt19937_64 rng(8);
    std::uniform_real_distribution<double> any(-70.0, 70.0);
    for (int i = 0; i < 200000; ++i) values.push_back(any(rng));
    for (double v : values) {
        const double expected = std::fmod(v, 6.0), got = Sextant(v);
        // Bit for bit, the sign of a zero included.
        ASSERT_EQ(std::memcmp(&got, &expected, sizeof got), 0)
            << std::hexfloat << v << " gives " << got << ", fmod " << expected;
    }
}

}  // namespace
