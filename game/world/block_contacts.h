// The blocks a mover touches, in index order. The contact steps test every
// mover against every block; a first look at the box centres on each axis
// (with the stage's wrap copies) drops the pairs that cannot touch before
// the full entities_overlap test runs.
#pragma once

#include <cmath>

#include "world/collision_geometry.h"
#include "world/pools.h"

// Where a box lies for the first look: its centre at the wrapped position.
struct block_span {
    double cx, cy, half_w, half_h;
    bool no_wrap;
};
block_span span_against(const entity& e, int other_type);

// The in-use blocks without 0x80, their spans and the stage's wrap.
struct gathered_blocks_record {
    int count = 0;
    int index[decltype(blocks)::size];
    block_span span[decltype(blocks)::size];
    double width, height;
    bool wrap_x, wrap_y;
};
extern gathered_blocks_record gathered_blocks;
// Call before each contact step: handlers of the step before may have
// changed blocks.
void gather_blocks();

// False only when no copy of the two boxes can touch: on each axis the
// centres, or a centre and the other's copy one stage size away, are
// within reach (with a margin for rounding; the full test decides).
inline bool spans_may_touch(const block_span& a, const block_span& b) {
    const bool wrap = !a.no_wrap && !b.no_wrap;
    const double dx = std::abs(a.cx - b.cx), reach_x = a.half_w + b.half_w + 1e-6;
    if (dx > reach_x &&
        !(wrap && gathered_blocks.wrap_x && std::abs(dx - gathered_blocks.width) <= reach_x))
        return false;
    const double dy = std::abs(a.cy - b.cy), reach_y = a.half_h + b.half_h + 1e-6;
    return dy <= reach_y ||
           (wrap && gathered_blocks.wrap_y && std::abs(dy - gathered_blocks.height) <= reach_y);
}

// Calls f(block&) for every gathered block that e touches, in index order,
// until f returns true. The mover is looked at again after each call, as f
// may move it.
template <class F>
void for_touching_blocks(entity& e, F f) {
    block_span mover = span_against(e, type_block);
    for (int n = 0, count = gathered_blocks.count; n < count; ++n) {
        if (!spans_may_touch(mover, gathered_blocks.span[n])) continue;
        block& b = blocks[gathered_blocks.index[n]];
        if (!(b.flags & flag_in_use) || !entities_overlap(e, b)) continue;
        if (f(b)) return;
        mover = span_against(e, type_block);
    }
}
