// The scanline walk: rows from the top vertex to the row above the bottom
// one, both span ends drawn, each side moving to its second edge once.
#include "soft/triangle_setup.h"

namespace DuRud {

void WalkTriangle(const TriangleSetup& s, const DrawArea& area, TriangleLine line, void* context) {
    int leftSlot = s.leftFirst, rightSlot = s.rightFirst;
    int64_t lx = s.left[leftSlot].startX, ls = s.left[leftSlot].step;
    int64_t rx = s.right[rightSlot].startX, rs = s.right[rightSlot].step;
    int32_t lc = s.left[leftSlot].lines, rc = s.right[rightSlot].lines;
    int32_t y = s.left[leftSlot].startRow;
    for (;;) {
        if (y >= area.top && y < area.bottom) {
            const int64_t xl = lx >> 18;  // floor
            const int64_t xr = rx >> 18;
            const int64_t start = xl < area.left ? area.left : xl;
            const int64_t end = xr < area.right - 1 ? xr : area.right - 1;
            if (end >= start)
                line(context, y, static_cast<int32_t>(start),
                     static_cast<int32_t>(end - start + 1));
        }
        lx += ls;
        rx += rs;
        ++y;
        --lc;
        --rc;
        if (lc <= 0) {
            if (leftSlot == 1) break;
            leftSlot = 1;
            lx = s.left[1].startX;
            ls = s.left[1].step;
            lc = s.left[1].lines;
            y = s.left[1].startRow;
        }
        if (rc <= 0) {
            if (rightSlot == 1) break;
            rightSlot = 1;
            rx = s.right[1].startX;
            rs = s.right[1].step;
            rc = s.right[1].lines;
        }
    }
}

}  // namespace DuRud
