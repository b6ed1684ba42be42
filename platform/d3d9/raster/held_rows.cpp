// Writing held rows (see held_rows.h).
#include "held_rows.h"

#include <cstring>

#include "span_rows.h"

namespace platform::raster {

void HeldRows::WriteRow(const RasterSurface& s, int y) {
    Row& r = rows_[size_t(y)];
    if (r.x0 >= r.x1) return;
    uint8_t* row = s.pixels + size_t(y) * size_t(s.pitch);
    if (r.copy)
        std::memcpy(row + size_t(r.x0) * 4,
                    copySource_ + size_t(y) * size_t(copyPitch_) + size_t(r.x0) * 4,
                    size_t(r.x1 - r.x0) * 4);
    else
        FillRow(row, s.format, r.argb, r.x0, r.x1);
    Drop(r);
}

void HeldRows::WriteAll(const RasterSurface& s) {
    for (size_t y = 0; y < rows_.size() && held_ > 0; ++y) WriteRow(s, int(y));
}

void HeldRows::WriteRows(const RasterSurface& s, int y0, int y1) {
    y0 = y0 < 0 ? 0 : y0;
    y1 = y1 > int(rows_.size()) ? int(rows_.size()) : y1;
    for (int y = y0; y < y1 && held_ > 0; ++y) WriteRow(s, y);
}

}  // namespace platform::raster
