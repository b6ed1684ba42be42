// What is known of a depth surface's rows without reading them: for each
// row, one stretch of pixels that all hold one depth. The 2D draws of a frame
// test depth at one depth per row, and every span used to read its stored
// depths first to see that the test settles nothing; once a row is known to
// hold that depth there, the read is skipped. Every writer of the surface
// tells it what it wrote, or makes it forget.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

namespace platform::raster {

class KnownDepthRows {
  public:
    explicit KnownDepthRows(int height) : rows_(size_t(height > 0 ? height : 0)) {}

    // Whether every pixel x0 .. x1 - 1 of row y is known to hold depth d.
    bool Holds(int y, int x0, int x1, uint32_t d) const {
        if (y < 0 || size_t(y) >= rows_.size()) return false;
        const Row& r = rows_[size_t(y)];
        return r.value == d && r.lo <= x0 && x1 <= r.hi;
    }

    // Every pixel x0 .. x1 - 1 of row y now holds d (written or read so).
    void Learn(int y, int x0, int x1, uint32_t d) {
        if (y < 0 || size_t(y) >= rows_.size() || x0 >= x1) return;
        Row& r = rows_[size_t(y)];
        if (r.lo < r.hi && r.value == d && x0 <= r.hi && r.lo <= x1) {
            r.lo = std::min(r.lo, x0), r.hi = std::max(r.hi, x1);
            return;
        }
        Forget(y, x0, x1);
        if (x1 - x0 > r.hi - r.lo) r = Row{d, x0, x1};
    }

    // Pixels x0 .. x1 - 1 of row y may have changed to anything.
    void Forget(int y, int x0, int x1) {
        if (y < 0 || size_t(y) >= rows_.size()) return;
        Row& r = rows_[size_t(y)];
        if (x1 <= r.lo || r.hi <= x0) return;
        // Keep the longer piece left over on either side.
        const int left = x0 - r.lo, right = r.hi - x1;
        if (left >= right)
            r.hi = x0;
        else
            r.lo = x1;
        if (r.hi <= r.lo) r = Row{};
    }

    void ForgetAll() { std::fill(rows_.begin(), rows_.end(), Row{}); }

  private:
    struct Row {
        uint32_t value = 0;
        int lo = 0, hi = 0;  // the known stretch [lo, hi); empty when hi <= lo
    };
    std::vector<Row> rows_;
};

}  // namespace platform::raster
