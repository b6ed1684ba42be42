// A random point-sampled row for the SIMD-against-plain-twin tests: texels,
// coordinates (one texel per pixel most of the time, to reach the contiguous
// loads inside and across the edges; any step otherwise), the span, the
// keep and set masks and a destination of random bytes.
#pragma once

#include <cstdint>
#include <random>
#include <vector>

#include "../../../platform/d3d9/raster/span_rows.h"

namespace rastertest {

struct RandomPointRow {
    uint32_t format;
    int width;
    std::vector<uint8_t> texels;
    platform::raster::RowCoords c;
    int x0, x1;
    uint32_t keep, set;
    std::vector<uint8_t> dest;

    RandomPointRow(std::mt19937& rng, int round) {
        using namespace platform::raster;
        format = rng() % 2 ? kFormatA8R8G8B8 : kFormatX8R8G8B8;
        width = 1 + int(rng() % 100);
        texels.resize(size_t(width) * 4);
        for (auto& b : texels) b = uint8_t(rng());
        c.step = round % 4 ? int64_t(1) << kCoordBits : int64_t(rng() % (int64_t(3) << kCoordBits));
        c.base = int64_t(rng() % (uint64_t(width + 8) << kCoordBits)) - (int64_t(4) << kCoordBits) -
                 int64_t(rng() % 30) * c.step;
        x0 = int(rng() % 30);
        x1 = x0 + int(rng() % 110);
        keep = round % 3 ? 0x00FFFFFFu : 0xFFFFFFFFu;
        set = round % 3 ? (rng() & 0xFF000000u) : 0;
        dest.resize(size_t(x1) * 4 + 16);
        for (auto& b : dest) b = uint8_t(rng());
    }
};

}  // namespace rastertest
