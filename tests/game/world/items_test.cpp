#include "actors.h"
#include "world/enemy.h"
#include "world/item_effects.h"
#include "world/items.h"
#include "world/patterns_items.h"

namespace {

using Items = Actors;
using ItemsDeathTest = Items;

TEST_F(Items, PowerItemsAndAFullPool) {
    const int rolls[] = {10, 200, 2000, 10000, 50000, 50001};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(rarity_of_roll(rolls[i]), 6 - i) << rolls[i];
    items[0].interaction = powerup;
    EXPECT_EQ(items[spawn_item(false, 0, 0, 0, 1)].sprite_base, 1) << "[P]";
    EXPECT_EQ(items[0].interaction, nothing) << "nothing of the slot's last item stays";
    EXPECT_EQ(items[spawn_item(true, 0, 0, 0, 1)].sprite_base, 2) << "[P](big)";
    item_types[1].name[1] = 'Q';
    EXPECT_EQ(items[spawn_item(true, 0, 0, 0, 1)].sprite_base, 1) << "no big one: record 0";

    for (item& it : items) it.flags = flag_in_use, it.vx = 0;
    EXPECT_EQ(spawn_item(false, 0, 0, 0, 1), no_item_slot);
    p.power = 100, p.vx = 5;
    p.knock_away(0, 1);
    enemies[0].flags = flag_in_use | flag_knocked_away, enemies[0].health = 1, enemies[0].vx = 5;
    update_enemy(&enemies[0]);
    for (const item& it : items) ASSERT_EQ(it.vx, 0) << "a miss and a payout write no slot";
}

TEST_F(Items, ShowUpRollsByCategoryAndRarity) {
    struct Row {
        const char* name;
        const char* effect;  // of a second record: "crown", unique, sprite 5
        int category, unique_shown;
        int sprite, unique_after;
        item_effect_handler effect_after;
    };
    const Row rows[] = {
        {"a unique stays out after one showed", "nothing", 1, 1, 6, 1, nothing},
        {"category 1024 shows uniques again", "nothing", 1024, 1, 5, 1, nothing},
        {"a unique showing sets the flag", "nothing", 0x400, 0, 5, 1, nothing},
        {"effect bound by name", "onpickup_food", 0x400, 0, 5, 1, onpickup_food},
        {"effect bound without its first letter", "-onpickup_food", 0x400, 0, 5, 1, onpickup_food},
        {"unknown effect: nothing", "no_such_effect", 0x400, 0, 5, 1, nothing},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        SetUp();
        add_item_type(DuRud::Cp932Text("ざんきのカケラ"), 6, 0x1, 1);
        add_item_type("crown", 5, 0x401, 1, row.effect);
        unique_item_shown = row.unique_shown;
        for (int i = 0; i < 20; ++i) {
            const item& it = items[show_up_item(row.category, 1, 0, 0)];
            if (row.sprite == 6) {
                ASSERT_EQ(it.move_pattern, move_pattern_important_effective);
            }
            ASSERT_EQ(it.sprite_base, row.sprite);
            ASSERT_EQ(it.speffect, row.effect_after);
        }
        EXPECT_EQ(unique_item_shown, row.unique_after);
    }
    const std::string alert =
        "PrintOnScreenLog(Alert: invalid speffect name. Name: no_such_effect)";
    EXPECT_EQ(count_of(alert), 20);
    EXPECT_EQ(count_of("WaitForAnyInput()"), 1) << "one breakpoint per item type";

    itempoint& spot = itempoints[4];
    for (const bool handed : {true, false}) {
        spot.flags = flag_in_use, spot.category_mask = 1, spot.rarity = 1;
        spot.move_pattern = handed ? move_pattern_key : move_pattern_default;
        spot.interaction = handed ? powerup : nothing;
        const item& it = items[open_itempoint(&spot)];
        EXPECT_EQ(it.move_pattern, handed ? move_pattern_key : move_pattern_important_effective);
        EXPECT_EQ(it.interaction, handed ? powerup : nothing);
        EXPECT_EQ(spot.flags & flag_in_use, 0u);
    }
}

TEST_F(ItemsDeathTest, ChestsOnlyWhileHungryStopTheGame) {
    add_item_type("chest", 5, 0x1, 1, "xtreasure_chest_1");
    well_fed = 0;
    fake_engine::set_key_state(1, 1);  // ESC on the STOP screen
    EXPECT_EXIT(show_up_item(1, 1, 0, 0), testing::ExitedWithCode(1),
                "fake engine: ShutdownEngineLocked");
}

}  // namespace
