// A set of register ranges: up to 256 sorted, merged [start, end) pairs of
// 16-bit values, telling which shader-constant registers hold values.
#pragma once

#include <cstdint>

namespace DuRud {

constexpr int kMaxRanges = 256;

struct RegisterRange {
    uint16_t start, end;  // end exclusive
};

struct RangeSet {
    int32_t count;
    RegisterRange ranges[kMaxRanges];
};

// Adds (add non-zero) or removes [start, start + count). 0, or -1 for a
// range past 65535, a negative count, or when the set would need more
// than kMaxRanges ranges (the set is then unchanged).
int RangeSetAddRemove(RangeSet* set, int add, int start, int count);
// Writes value into table[i] for every i the ranges cover. 0.
int RangeSetFill(const RangeSet* set, uint8_t* table, uint8_t value);

}  // namespace DuRud
