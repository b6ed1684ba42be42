#include "actors.h"
#include "world/enemy.h"
#include "world/item_effects.h"
#include "world/items.h"
#include "world/patterns_items.h"

namespace {

using Items = Actors;
using ItemsDeathTest = Items;

// Fills the item pool; the number of items left unmoved after f.
int unmoved_in_full_pool(void (*f)()) {
    for (item& it : items) it.flags = flag_in_use, it.vx = 0;
    f();
    int n = 0;
    for (const item& it : items) n += it.vx == 0;
    return n;
}

int opened(itempoint& s) {
    add_item_type("coin", 6, 0x1, 1);
    s.flags = flag_in_use, s.category_mask = 1, s.rarity = 1;
    const item& it = items[open_itempoint(&s)];
    return (it.move_pattern == move_pattern_key) + 2 * (it.interaction == powerup) +
           4 * (it.move_pattern == move_pattern_nothing) + 8 * int(s.flags & flag_in_use);
}

TEST_F(Items, RollsListsSlotsAndSpots) {
    struct Row {
        const char* name;
        int (*run)();
        int expected;
    };
    const Row rows[] = {
        {"rolls of 10 .. 50001",
         [] {
             int r = 0;
             for (int roll : {10, 200, 2000, 10000, 50000, 50001})
                 r = r * 10 + rarity_of_roll(roll);
             return r;
         },
         654321},
        {"small and big power items",
         [] {
             return items[spawn_item(false, 0, 0, 0, 1)].sprite_base * 10 +
                    items[spawn_item(true, 0, 0, 0, 1)].sprite_base;
         },
         12},
        {"no power item listed: record 0",
         [] {
             std::strcpy(item_types[0].name, "coin");
             std::strcpy(item_types[1].name, "gem");
             return items[spawn_item(true, 0, 0, 0, 1)].sprite_base;
         },
         1},
        {"a slot's last interaction is gone",
         [] {
             items[0].interaction = powerup;
             return int(items[spawn_item(false, 0, 0, 0, 1)].interaction == nothing);
         },
         1},
        {"full pool: no slot",
         [] { return unmoved_in_full_pool([] {}) + spawn_item(false, 0, 0, 0, 1); }, 512},
        {"full pool: a miss moves no item",
         [] {
             return unmoved_in_full_pool([] {
                 players[0].power = 100, players[0].vx = 5;
                 players[0].knock_away(0, 1);
             });
         },
         256},
        {"full pool: a payout moves no item",
         [] {
             return unmoved_in_full_pool([] {
                 enemies[0].flags = flag_in_use | flag_knocked_away;
                 enemies[0].health = 1, enemies[0].vx = 5;
                 update_enemy(&enemies[0]);
             });
         },
         256},
        {"a unique stays out after one showed",
         [] {
             add_item_type("crown", 5, 0x401, 1);
             add_item_type("coin", 6, 0x1, 1);
             unique_item_shown = 1;
             int crowns = 0;
             for (int i = 0; i < 40; ++i)
                 crowns += items[show_up_item(1, 1, 0, 0)].sprite_base == 5;
             return crowns;
         },
         0},
        {"category 1024 shows uniques again",
         [] {
             add_item_type("crown", 5, 0x401, 1);
             const int first = items[show_up_item(1024, 1, 0, 0)].sprite_base;
             return first + 10 * unique_item_shown +
                    100 * items[show_up_item(1024, 1, 0, 0)].sprite_base;
         },
         515},
        {"life fragments move importantly",
         [] {
             add_item_type(DuRud::Cp932Text("ざんきのカケラ"), 5, 0x1, 1, "onpickup_food");
             const item& it = items[show_up_item(1, 1, 0, 0)];
             return (it.move_pattern == move_pattern_important_effective) +
                    2 * (it.speffect == onpickup_food);
         },
         3},
        {"unknown effect: alert, one breakpoint per type",
         [] {
             add_item_type("odd", 5, 0x1, 1, "no_such_effect");
             const int bound_nothing = items[show_up_item(1, 1, 0, 0)].speffect == nothing;
             const int alert =
                 count_of("PrintOnScreenLog(Alert: invalid speffect name. Name: no_such_effect)");
             show_up_item(1, 1, 0, 0);
             return bound_nothing + 2 * alert + 8 * count_of("WaitForAnyInput()");
         },
         1 + 2 + 8},
        {"a spot hands over its pattern and interaction",
         [] {
             itempoints[4].move_pattern = move_pattern_key, itempoints[4].interaction = powerup;
             return opened(itempoints[4]);
         },
         3},
        {"a default spot leaves the item's own",
         [] {
             itempoints[4].move_pattern = move_pattern_default;
             return opened(itempoints[4]);
         },
         4},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        SetUp();
        EXPECT_EQ(row.run(), row.expected);
    }
}

TEST_F(ItemsDeathTest, ChestsOnlyWhileHungryStopTheGame) {
    item_type_count = 0;
    add_item_type("chest", 5, 0x1, 1, "xtreasure_chest_1");
    well_fed = 0;
    fake_engine::set_key_state(1, 1);  // ESC on the STOP screen
    EXPECT_EXIT(show_up_item(1, 1, 0, 0), testing::ExitedWithCode(1),
                "fake engine: ShutdownEngineLocked");
}

}  // namespace
