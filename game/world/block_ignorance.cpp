// Block-ignorance detection: four probes around each block look for
// neighbouring blocks and leave the answer in the block's flags.
#include "world/block_ignorance.h"

#include "DuRud.h"
#include "world/collision_geometry.h"
#include "world/key_codes.h"
#include "world/motion.h"
#include "world/pools.h"
#include "world/world_globals.h"

namespace {

enum side { left_side, right_side, top_side, bottom_side };

// Where a probe goes for one side of a block (the probes subtract the
// block's hitbox offsets).
void place_probe(entity* probe, const block& b, side s) {
    probe->x = b.x;
    probe->y = b.y;
    switch (s) {
        case left_side:
            probe->x = b.x - b.hit_w / 2 - 4 - b.hit_dx;
            break;
        case right_side:
            probe->x = b.x + b.hit_w / 2 + 4 - b.hit_dx;
            break;
        case top_side:
            probe->y = b.y - b.hit_h / 2 - 4 - b.hit_dy;
            break;
        case bottom_side:
            probe->y = b.y + b.hit_h / 2 + 4 - b.hit_dy;
            break;
    }
    wrap_entity_position(probe);
}

// The first active block the probe touches whose flags hold all of `need`
// and none of `refuse`; null when none.
const block* find_block(const entity& probe, uint32_t need, uint32_t refuse) {
    for (const block& b : blocks) {
        if (!(b.flags & flag_in_use) || (b.flags & need) != need || (b.flags & refuse)) continue;
        if (entities_overlap(probe, b)) return &b;
    }
    return nullptr;
}

struct debug_view {
    bool on = false;
    void box(const entity& e, int r, int g, int b) const {
        if (!on) return;
        DuRud::DrawBoxShape(static_cast<int>(e.x + e.hit_dx - e.hit_w / 2),
                            static_cast<int>(e.y + e.hit_dy - e.hit_h / 2),
                            static_cast<int>(e.x + e.hit_dx + e.hit_w / 2),
                            static_cast<int>(e.y + e.hit_dy + e.hit_h / 2),
                            DuRud::MakeColorValue(r, g, b), 0);
    }
};

}  // namespace

int detect_ignorable_blocks() {
    debug_view view;
    view.on = debug_mode && DuRud::CheckKeyDown(key_code_g) == 1;
    if (view.on) {
        DuRud::SelectDrawTarget(-2);
        DuRud::SetBlendMode(0, 0);
        DuRud::SetBrightness(255, 255, 255);
    }
    entity probe;  // a plain entity with a 2 x 2 box
    probe.hit_w = probe.hit_h = 2.0;

    struct side_rule {
        side s;
        uint32_t refuse;  // the right probe passes over blocks leaving play
        uint32_t bit;
    };
    constexpr side_rule sides[4] = {{left_side, 0, block_left_neighbour},
                                    {right_side, flag_falling_out, block_right_neighbour},
                                    {top_side, 0, block_top_neighbour},
                                    {bottom_side, 0, block_bottom_neighbour}};
    for (block& b : blocks) {
        if (!(b.flags & flag_in_use)) continue;
        view.box(b, 128, 128, 128);
        for (const side_rule& rule : sides) {
            place_probe(&probe, b, rule.s);
            view.box(probe, 255, 255, 0);
            if (const block* found = find_block(probe, 0, rule.refuse)) {
                b.flags |= rule.bit;
                const bool sideways = rule.s == left_side || rule.s == right_side;
                view.box(*found, 0, sideways ? 255 : 0, sideways ? 0 : 255);
            }
        }
        if (b.flags & (block_top_neighbour | block_bottom_neighbour)) {
            b.flags &= ~block_water;
        } else {
            b.flags |= block_water;
        }
        if (view.on) DuRud::FlipScreen();
    }

    constexpr uint32_t all_sides =
        block_left_neighbour | block_right_neighbour | block_top_neighbour | block_bottom_neighbour;
    for (block& b : blocks) {
        if (!(b.flags & flag_in_use) || (b.flags & all_sides) != all_sides) continue;
        place_probe(&probe, b, left_side);
        bool found = find_block(probe, block_water, 0) != nullptr;
        if (!found) {
            place_probe(&probe, b, right_side);
            found = find_block(probe, 0, 0) != nullptr;
        }
        if (found) {
            b.flags |= block_enclosed;
        } else {
            b.flags &= ~block_enclosed;
        }
    }

    if (view.on) {
        DuRud::FlipScreen();
        DuRud::WaitForAnyInput();
    }
    return 0;
}
