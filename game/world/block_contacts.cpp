// The first look of the block contact steps.
#include "world/block_contacts.h"

#include "world/motion.h"
#include "world/world_globals.h"

gathered_blocks_record gathered_blocks;

block_span span_against(const entity& e, int other_type) {
    double x = e.x, y = e.y;
    const bool no_wrap = (e.flags & flag_no_wrap) != 0;
    if (!no_wrap && stage_info.horizontal_wrap) x = wrap_coordinate(x, stage_info.width);
    if (!no_wrap && stage_info.vertical_wrap) y = wrap_coordinate(y, stage_info.height);
    if (e.type_code == type_player && other_type >= 0 && other_type < 8) {
        return {x + e.opp_hit_dx[other_type], y + e.opp_hit_dy[other_type],
                std::abs(e.opp_hit_w[other_type]) / 2, std::abs(e.opp_hit_h[other_type]) / 2,
                no_wrap};
    }
    return {x + e.hit_dx, y + e.hit_dy, std::abs(e.hit_w) / 2, std::abs(e.hit_h) / 2, no_wrap};
}

void gather_blocks() {
    gathered_blocks_record& g = gathered_blocks;
    g.width = stage_info.width, g.height = stage_info.height;
    g.wrap_x = stage_info.horizontal_wrap, g.wrap_y = stage_info.vertical_wrap;
    g.count = 0;
    for (int i = 0; i < blocks.size; ++i) {
        const block& b = blocks[i];
        if ((b.flags & (flag_in_use | flag_falling_out)) != flag_in_use) continue;
        g.index[g.count] = i;
        g.span[g.count] = span_against(b, type_block);
        // Spans are taken against the block class: a block of another
        // class always gets the full test.
        if (b.type_code != type_block) g.span[g.count].half_w = g.span[g.count].half_h = 1e300;
        ++g.count;
    }
}
