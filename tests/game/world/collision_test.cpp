// The wrap-aware contact test, overlap extents, the block interactions and
// the block-ignorance detection.
#include <functional>

#include "world/block_ignorance.h"
#include "world/block_interactions.h"
#include "world/collision_geometry.h"
#include "world/key_codes.h"
#include "world_stage.h"

namespace {

using Collision = WorldStage;

entity box_at(double x, double y, double w = 10, double h = 10, uint32_t flags = 0) {
    entity e;
    e.x = x;
    e.y = y;
    e.hit_w = w;
    e.hit_h = h;
    e.flags = flags;
    return e;
}

// A player at (x, 100) whose box against type code `opponent` is size x size;
// every other box of it is 1 x 1.
entity player_at(double x, int opponent, double size) {
    entity p = box_at(x, 100, 1, 1);
    p.type_code = type_player;
    p.opp_hit_w[opponent] = p.opp_hit_h[opponent] = size;
    return p;
}
entity bullet_at(double x) {
    entity b = box_at(x, 100, 1, 1);
    b.type_code = type_bullet;
    return b;
}

TEST_F(Collision, EntitiesTouchAcrossTheSeams) {
    EXPECT_TRUE(boxes_overlap(0, 0, 10, 10, 10, 0, 10, 10));
    EXPECT_FALSE(boxes_overlap(0, 0, 10, 10, 10.001, 0, 10, 10));
    struct Row {
        const char* name;
        entity a, b;
        bool wrap_x, wrap_y, overlap;
    };
    const Row rows[] = {
        {"across the left seam", box_at(2, 100), box_at(798, 100), true, true, true},
        {"horizontal wrap off", box_at(2, 100), box_at(798, 100), false, true, false},
        {"a does not wrap", box_at(2, 100, 10, 10, flag_no_wrap), box_at(798, 100), true, true,
         false},
        {"b does not wrap", box_at(798, 100), box_at(2, 100, 10, 10, flag_no_wrap), true, true,
         false},
        {"across the top seam", box_at(100, 2), box_at(100, 574), true, true, true},
        {"vertical wrap off", box_at(100, 2), box_at(100, 574), true, false, false},
        {"across the corner", box_at(798, 574), box_at(2, 2), true, true, true},
        {"a wrapped position", box_at(-795, 100), box_at(2, 100), true, true, true},
        {"a player's box against bullets", player_at(100, 5, 40), bullet_at(118), true, true, true},
        {"a bullet against a player's box", bullet_at(118), player_at(100, 5, 40), true, true,
         true},
        {"a player's box against players", player_at(100, 0, 4), player_at(118, 0, 4), true, true,
         false},
        {"the other player's box too", player_at(100, 0, 4), player_at(118, 0, 40), true, true,
         true},
    };
    for (const Row& row : rows) {
        stage_info.horizontal_wrap = row.wrap_x;
        stage_info.vertical_wrap = row.wrap_y;
        EXPECT_EQ(entities_overlap(row.a, row.b), row.overlap) << row.name;
    }
}

TEST_F(Collision, OverlapExtentsAndTheNearestCopy) {
    double dx, dy;
    overlap_extent(0, 0, 10, 10, 5, 0, 20, 10, &dx, &dy);
    EXPECT_EQ(dx, 5);
    EXPECT_EQ(dy, 10);
    overlap_extent(0, 0, 10, 10, 15, 0, 20, 10, &dx, &dy);
    EXPECT_EQ(dx, 5);  // the gap
    const entity a = box_at(3, 100), b = box_at(795, 100);
    int i, j;
    nearest_wrap_copy(a, b, &i, &j);
    EXPECT_EQ(i, 1);
    EXPECT_EQ(j, 0);
    wrapped_overlap_extent(a, b, &dx, &dy);
    EXPECT_EQ(dx, 2);
    EXPECT_EQ(dy, 10);
}

TEST_F(Collision, ContactTestsCopyAndChangeNothing) {
    place_block(0, 16, 16);
    place_block(1, 784, 16);
    enemies[0].flags = flag_in_use;
    enemies[0].x = -10;
    const uint64_t copies = entity_copy_tally::count;
    EXPECT_TRUE(entities_overlap(enemies[0], blocks[1]));
    detect_ignorable_blocks();
    EXPECT_EQ(entity_copy_tally::count, copies);
    EXPECT_EQ(enemies[0].x, -10);
    EXPECT_EQ(blocks[1].x, 784);
}

// A 10 x 10 mover against a 10 x 10 block.
struct Contact {
    const char* name;
    entity a;
    double bx, by;
    uint32_t block_flags;
    std::function<int(entity*, entity*)> handler;
    int result;
    double x, y, vx, vy;
    uint32_t flags_set, flags_clear;
};

entity mover(double x, double y, double vx, double vy, uint32_t flags = 0, double bounce = 0.7) {
    entity e = box_at(x, y);
    e.vx = vx;
    e.vy = vy;
    e.flags = flags;
    e.bounce = bounce;
    return e;
}

TEST_F(Collision, BlocksPushMoversOut) {
    const auto typical = interaction_block_typical;
    constexpr uint32_t knocked = flag_knockback_state;
    constexpr uint32_t standing_set = flag_standing, water_rising = flag_in_water | 0x20;
    const Contact rows[] = {
        {"updown, block above", mover(100, 100, 0, -4), 100, 92, 0, interaction_block_updown, 0,
         100, 102, 0, -2, 0, 0},
        {"updown, block below", mover(100, 100, 0, 4, 0x20), 100, 108, 0, interaction_block_updown,
         0, 100, 98, 0, 0, standing_set, 0x20},
        {"leftright, block left", mover(100, 100, -3, 0), 92, 100, 0, interaction_block_leftright,
         0, 102, 100, 0, 0, 0, 0},
        {"leftright, block right", mover(100, 100, 3, 0), 108, 100, 0, interaction_block_leftright,
         0, 98, 100, 0, 0, 0, 0},
        {"typical, landing", mover(100, 95, 0, 3, water_rising), 100, 104, 0, typical, 0, 100, 94,
         0, 0, standing_set, water_rising},
        {"typical, top face off", mover(100, 95, 0, 3), 100, 104, 0x1000, typical, 0, 100, 95, 0, 3,
         0, standing_set},
        {"typical, knocked back bounce", mover(100, 95, 0, 5, knocked, 1.2), 100, 104, 0, typical,
         0, 100, 94, 0, -4.2, standing_set, 0},
        {"typical, rising into the bottom face", mover(100, 106, 0, -3), 100, 98, 0, typical, 0,
         100, 108, 0, 0, 0, standing_set},
        {"typical, side contact", mover(100, 100, 2, 0), 108, 100, 0, typical, 1, 98, 100, 0, 0, 0,
         0},
        {"typical, side while back-jumping", mover(100, 100, 2, 0, 0x80000), 108, 100, 0, typical,
         0, 98, 100, 0, 0, 0, 0},
        {"noclimb, side contact", mover(100, 100, 2, 0), 108, 100, 0, interaction_block_noclimb, 0,
         98, 100, 0, 0, 0, 0},
        {"an overlap below 1/4 of the height is vertical", mover(100, 96, 2, 3), 108, 104, 0,
         typical, 0, 100, 94, 2, 0, standing_set, 0},
        {"knocked back: shallow is up to 1/2.5", mover(100, 97, 2, 3, knocked), 108, 104, 0,
         typical, 0, 100, 94, 2, -1.47, standing_set, 0},
        {"not knocked back, the same overlap is a side", mover(100, 97, 2, 3), 108, 104, 0, typical,
         1, 98, 97, 0, 3, 0, standing_set},
        {"rising fast into water", mover(100, 106, 0, -3), 100, 98, block_water, typical, 0, 100,
         106, 0, -3, flag_in_water, 0},
        {"in water, a water block has no side", mover(100, 100, 2, 0, flag_in_water), 108, 100,
         block_water, typical, 0, 100, 100, 2, 0, 0, 0},
        {"across the seam onto the nearest copy", mover(3, 100, -2, 0), 795, 100, 0, typical, 1,
         805, 100, 0, 0, 0, 0},
    };
    for (const Contact& row : rows) {
        SCOPED_TRACE(row.name);
        entity a = row.a;
        block b;
        b.x = row.bx;
        b.y = row.by;
        b.hit_w = b.hit_h = 10;
        b.flags = flag_in_use | row.block_flags;
        EXPECT_EQ(row.handler(&a, &b), row.result);
        EXPECT_DOUBLE_EQ(a.x, row.x);
        EXPECT_DOUBLE_EQ(a.y, row.y);
        EXPECT_DOUBLE_EQ(a.vx, row.vx);
        EXPECT_DOUBLE_EQ(a.vy, row.vy);
        EXPECT_EQ(a.flags & row.flags_set, row.flags_set);
        EXPECT_EQ(a.flags & row.flags_clear, 0u);
    }
    EXPECT_TRUE(fake_engine::calls().empty());
}

TEST_F(Collision, BouncesAndTheDebugOutline) {
    entity a = mover(100, 95, 0, 5, flag_knockback_state, 1.2);
    a.flags2 = 0x800;
    block b;
    b.x = 100;
    b.y = 104;
    b.hit_w = b.hit_h = 10;
    interaction_block_typical(&a, &b);
    EXPECT_DOUBLE_EQ(a.vy, -5);

    debug_mode = 1;
    tesmo p;
    p.x = 100;
    p.y = 95;
    p.hit_w = p.hit_h = 10;
    interaction_block_typical(&p, &b);
    EXPECT_EQ(fake_engine::trace(), (std::vector<std::string>{"CheckKeyDown(34)"}));
    fake_engine::reset();
    fake_engine::set_key_state(key_code_g, 1);
    interaction_block_typical(&p, &b);
    EXPECT_EQ(fake_engine::trace(),
              (std::vector<std::string>{"CheckKeyDown(34)", "MakeColorValue(255, 255, 0)",
                                        "DrawBoxShape(95, 154, 105, 164, 4294967040, 0)",
                                        "MakeColorValue(0, 255, 255)",
                                        "DrawBoxShape(95, 163, 105, 173, 4278255615, 0)"}));
}

TEST_F(Collision, DetectionFlagsNeighbours) {
    struct Row {
        const char* name;
        std::function<void()> build;
        int slot;
        uint32_t flags;  // the block's flags afterwards, in-use bit aside
    };
    constexpr uint32_t four =
        block_left_neighbour | block_right_neighbour | block_top_neighbour | block_bottom_neighbour;
    const Row rows[] = {
        {"a lone block", [] { place_block(0, 400, 300); }, 0, block_water},
        {"the centre of a solid 3 x 3",
         [] {
             for (int k = 0; k < 9; ++k) place_block(k, 300 + 32 * (k % 3), 200 + 32 * (k / 3));
         },
         4, four | block_enclosed},
        {"a right neighbour leaving play",
         [] {
             place_block(0, 400, 300);
             place_block(1, 432, 300).flags |= flag_falling_out;
         },
         0, block_water},
        {"neighbours across the seam",
         [] {
             place_block(0, 16, 300);
             place_block(1, 784, 300);
         },
         1, block_right_neighbour | block_water},
        {"no neighbours across the seam without wrap",
         [] {
             stage_info.horizontal_wrap = 0;
             place_block(0, 16, 300);
             place_block(1, 784, 300);
         },
         1, block_water},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        reset_world();
        stage_info = stage_info_record{};
        row.build();
        detect_ignorable_blocks();
        EXPECT_EQ(blocks[row.slot].flags & ~flag_in_use & ~flag_falling_out, row.flags);
    }
    EXPECT_TRUE(fake_engine::calls().empty());
}

TEST_F(Collision, DetectionDebugViewFlipsPerBlockThenWaits) {
    debug_mode = 1;
    fake_engine::set_key_state(key_code_g, 1);
    place_block(0, 400, 300);
    place_block(1, 432, 300);
    detect_ignorable_blocks();
    const std::vector<std::string> trace = fake_engine::trace();
    ASSERT_GE(trace.size(), 4u);
    EXPECT_EQ(trace[0], "CheckKeyDown(34)");
    EXPECT_EQ(trace[1], "SelectDrawTarget(-2)");
    EXPECT_EQ(std::count(trace.begin(), trace.end(), "FlipScreen()"), 3);
    EXPECT_EQ(trace[trace.size() - 2], "FlipScreen()");
    EXPECT_EQ(trace.back(), "WaitForAnyInput()");
}

}  // namespace
