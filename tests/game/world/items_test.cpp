#include <functional>

#include "actors.h"
#include "world/enemy.h"
#include "world/item_effects.h"
#include "world/items.h"
#include "world/patterns_items.h"

namespace {

using Items = Actors;
using ItemsDeathTest = Items;

bool any_breakpoint_wait() {
    for (const std::string& c : fake_engine::trace())
        if (c == "WaitForAnyInput()") return true;
    return false;
}

TEST_F(Items, RollsListsSlotsAndSpots) {
    struct Row {
        const char* name;
        std::function<int()> run;
        int expected;
    };
    auto fill_items = [] {
        for (item& it : items) it.flags = flag_in_use, it.vx = 0;
    };
    auto unmoved = [] {
        int n = 0;
        for (item& it : items) n += it.vx == 0;
        return n;
    };
    const Row rows[] = {
        {"roll 10", [] { return rarity_of_roll(10); }, 6},
        {"roll 200", [] { return rarity_of_roll(200); }, 5},
        {"roll 2000", [] { return rarity_of_roll(2000); }, 4},
        {"roll 10000", [] { return rarity_of_roll(10000); }, 3},
        {"roll 50000", [] { return rarity_of_roll(50000); }, 2},
        {"roll 50001", [] { return rarity_of_roll(50001); }, 1},
        {"small power item", [] { return items[spawn_item(false, 0, 0, 0, 1)].sprite_base; }, 1},
        {"big power item", [] { return items[spawn_item(true, 0, 0, 0, 1)].sprite_base; }, 2},
        {"no power item listed: record 0", [] {
             std::strcpy(item_types[0].name, "coin");
             std::strcpy(item_types[1].name, "gem");
             item_types[0].sprite_base = 9;
             return items[spawn_item(true, 0, 0, 0, 1)].sprite_base;
         }, 9},
        {"a slot's last effect is gone", [] {
             items[0].interaction = powerup;
             return int(items[spawn_item(false, 0, 0, 0, 1)].interaction == interaction_default);
         }, 1},
        {"full pool: no slot", [&] {
             fill_items();
             return spawn_item(false, 0, 0, 0, 1);
         }, no_item_slot},
        {"full pool: a miss moves no item", [&] {
             fill_items();
             p.power = 100, p.vx = 5;
             p.knock_away(0, 1);
             return unmoved();
         }, 256},
        {"full pool: a payout moves no item", [&] {
             fill_items();
             enemies[0].flags = flag_in_use | flag_knocked_away, enemies[0].health = 1;
             enemies[0].vx = 5;
             update_enemy(&enemies[0]);
             return unmoved();
         }, 256},
        {"unique stays out after one showed", [] {
             add_item_type("crown", 5, 0x401, 1);
             add_item_type("coin", 6, 0x1, 1);
             unique_item_shown = 1;
             int crowns = 0;
             for (int i = 0; i < 40; ++i) crowns += items[show_up_item(1, 1, 0, 0)].sprite_base == 5;
             return crowns;
         }, 0},
        {"unique shows for category 1024", [] {
             add_item_type("crown", 5, 0x401, 1);
             unique_item_shown = 1;
             return items[show_up_item(1024, 1, 0, 0)].sprite_base;
         }, 5},
        {"a unique showing sets the flag", [] {
             add_item_type("crown", 5, 0x401, 1);
             show_up_item(1, 1, 0, 0);
             return int(unique_item_shown);
         }, 1},
        {"life fragments move importantly", [] {
             add_item_type(DuRud::Cp932Text("ざんきのカケラ"), 5, 0x1, 1);
             return int(items[show_up_item(1, 1, 0, 0)].move_pattern == move_pattern_important_effective);
         }, 1},
        {"effect bound by name", [] {
             add_item_type("food", 5, 0x1, 1, "onpickup_food");
             return int(items[show_up_item(1, 1, 0, 0)].speffect == onpickup_food);
         }, 1},
        {"unknown effect: alert and one breakpoint per type", [] {
             add_item_type("odd", 5, 0x1, 1, "no_such_effect");
             const bool bound_nothing = items[show_up_item(1, 1, 0, 0)].speffect == nothing;
             const bool first = any_breakpoint_wait();
             fake_engine::reset();
             show_up_item(1, 1, 0, 0);
             const bool again = any_breakpoint_wait();
             const bool alert = fake_engine::trace()[0] ==
                                "PrintOnScreenLog(Alert: invalid speffect name. Name: no_such_effect)";
             return bound_nothing + 2 * first + 4 * again + 8 * alert;
         }, 1 + 2 + 8},
        {"a spot hands over its pattern and interaction", [] {
             add_item_type("coin", 6, 0x1, 1);
             itempoint& s = itempoints[4];
             s.flags = flag_in_use, s.category_mask = 1, s.rarity = 1;
             s.move_pattern = move_pattern_key, s.interaction = powerup;
             const item& it = items[open_itempoint(&s)];
             return (it.move_pattern == move_pattern_key) + 2 * (it.interaction == powerup) +
                    4 * int(s.flags & flag_in_use);
         }, 3},
        {"a default spot leaves the item's own", [] {
             add_item_type("coin", 6, 0x1, 1);
             itempoint& s = itempoints[4];
             s.flags = flag_in_use, s.category_mask = 1, s.rarity = 1;
             s.move_pattern = move_pattern_default;
             const item& it = items[open_itempoint(&s)];
             return (it.move_pattern == move_pattern_nothing) + 2 * (it.interaction == nothing);
         }, 3},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        SetUp();
        EXPECT_EQ(row.run(), row.expected);
        TearDown();
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
