// Writing held fills (see held_fills.h).
#include "held_fills.h"

#include "span_rows.h"

namespace platform::raster {

void HeldFills::WriteRow(const RasterSurface& s, int y) {
    Row& r = rows_[size_t(y)];
    if (r.x0 >= r.x1) return;
    FillRow(s.pixels + size_t(y) * size_t(s.pitch), s.format, r.argb, r.x0, r.x1);
    Drop(r);
}

void HeldFills::WriteAll(const RasterSurface& s) {
    for (size_t y = 0; y < rows_.size() && held_ > 0; ++y) WriteRow(s, int(y));
}

}  // namespace platform::raster
