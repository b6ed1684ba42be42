#include "support/pixel_comparison.h"

#include <cstdio>
#include <cstdlib>

namespace testsupport {

::testing::AssertionResult PixelsWithin(const std::vector<uint32_t>& expected,
                                        const std::vector<uint32_t>& actual, int width,
                                        int tolerance) {
    if (expected.size() != actual.size() || width <= 0 || expected.size() % width != 0)
        return ::testing::AssertionFailure() << "sizes differ: " << expected.size() << " and "
                                             << actual.size() << " pixels, " << width << " wide";
    auto result = ::testing::AssertionFailure();
    int differing = 0;
    for (size_t i = 0; i < expected.size(); ++i) {
        bool near = true;
        for (int shift = 0; shift < 32; shift += 8)
            near &= std::abs(int(expected[i] >> shift & 0xFF) - int(actual[i] >> shift & 0xFF)) <=
                    tolerance;
        if (near) continue;
        if (++differing <= 4) {
            char line[96];
            std::snprintf(line, sizeof line, "(%zu, %zu): %08X against %08X; ", i % width,
                          i / width, expected[i], actual[i]);
            result << line;
        }
    }
    if (differing == 0) return ::testing::AssertionSuccess();
    return result << differing << " of " << expected.size() << " pixels differ by more than "
                  << tolerance;
}

}  // namespace testsupport
