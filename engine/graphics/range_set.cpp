// The register range set: sorted, non-touching ranges kept in one array.
#include "graphics/range_set.h"

#include <algorithm>
#include <cstring>

namespace DuRud {

int RangeSetAddRemove(RangeSet* set, int add, int start, int count) {
    if (!set || start < 0 || count < 0 || start + count > 0xFFFF) return -1;
    if (count == 0) return 0;
    const int end = start + count;
    RegisterRange out[kMaxRanges + 1];
    int n = 0;
    auto push = [&](int s, int e) {
        if (s >= e) return true;
        if (n == kMaxRanges) return false;
        out[n++] = RegisterRange{static_cast<uint16_t>(s), static_cast<uint16_t>(e)};
        return true;
    };
    bool placed = !add;
    int newStart = start, newEnd = end;
    for (int i = 0; i < set->count; ++i) {
        const int s = set->ranges[i].start, e = set->ranges[i].end;
        if (add) {
            if (e < newStart) {
                if (!push(s, e)) return -1;
            } else if (s > newEnd) {
                if (!placed && !push(newStart, newEnd)) return -1;
                placed = true;
                if (!push(s, e)) return -1;
            } else {  // touching or overlapping: merge
                newStart = std::min(newStart, s);
                newEnd = std::max(newEnd, e);
            }
        } else if (!push(s, std::min(e, start)) || !push(std::max(s, end), e)) {
            return -1;
        }
    }
    if (!placed && !push(newStart, newEnd)) return -1;
    std::memcpy(set->ranges, out, sizeof(RegisterRange) * n);
    set->count = n;
    return 0;
}

int RangeSetFill(const RangeSet* set, uint8_t* table, uint8_t value) {
    if (!set || !table) return -1;
    for (int i = 0; i < set->count; ++i)
        std::memset(table + set->ranges[i].start, value,
                    static_cast<size_t>(set->ranges[i].end - set->ranges[i].start));
    return 0;
}

}  // namespace DuRud
