// Two pictures compared pixel by pixel within a tolerance per channel: how
// the tests prove two drawing paths (device and software, shaders and fixed
// function) give the same picture.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace testsupport {

// Both pictures are 0xAARRGGBB, row by row, `width` pixels wide. Passes when
// they have one size and every channel of every pixel differs by at most
// `tolerance`; a failure names the first pixels that differ (x, y and both
// values) and how many differ in all.
::testing::AssertionResult PixelsWithin(const std::vector<uint32_t>& expected,
                                        const std::vector<uint32_t>& actual, int width,
                                        int tolerance);

}  // namespace testsupport
