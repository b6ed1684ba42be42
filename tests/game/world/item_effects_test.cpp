#include <tuple>

#include "actors.h"
#include "world/item_effects.h"

namespace {

class ItemEffects : public Actors {
  protected:
    void SetUp() override {
        Actors::SetUp();
        const char* names[] = {"opendoor", "tesmo_item",    "alert1",         "alert2",
                               "alert3",   "tesmo_bigitem", "tesmo_miniitem", "warpzone"};
        for (int i = 0; i < 8; ++i)
            sound_entry[i + 1] = {"", {}, 101 + i}, std::strcpy(sound_entry[i + 1].name, names[i]);
        food_counter = 100, chest_counter = 10, stage = 4, door_open = stage_bonus_settled = 0;
        stage_change_request = {};
        enemies[0] = enemies[1] = enemy{};
        enemies[0].flags = enemies[1].flags = flag_in_use;
        add_item_type("gem", 7, 1, 1);
        itempoints[0].flags = flag_in_use, itempoints[0].category_mask = 1,
        itempoints[0].rarity = 1;
    }
    // The names of the sounds played, in order.
    static std::string sounds() {
        std::string out;
        for (const std::string& c : only("PlaySoundHandle(")) {
            const int entry = std::stoi(c.substr(16)) - 100;
            out += (out.empty() ? "" : " ") + std::string(sound_entry[entry].name);
        }
        return out;
    }
};

TEST_F(ItemEffects, EveryRowForAPlayerAndAnotherPicker) {
    struct Row {
        item_effect_handler handler;
        const char* sounds;
        int result, food, chest, gauge, power, lives, fragments, door, request, enemy;
        double gravity;
    } rows[] = {
        {nothing, "", 0, 100, 10, 0, 0, 2, 0, 0, 0, 0, 0.5},
        {open_door, "opendoor", 0, 100, 10, 0, 0, 2, 0, 1, 0, 0, 0.5},
        {onpickup_redbull, "tesmo_item", 0, 102, 10, 5, 0, 2, 0, 0, 0, 0, 0.5},
        {onpickup_food, "tesmo_item", 0, 102, 10, 1, 0, 2, 0, 0, 0, 0, 0.5},
        {onpickup_bigfood, "tesmo_bigitem", 0, 100, 10, 33, 0, 2, 0, 0, 0, 0, 0.5},
        {onpickup_nothing, "tesmo_item", 0, 102, 10, 0, 0, 2, 0, 0, 0, 0, 0.5},
        {onpickup_nothing_mini, "tesmo_miniitem", 0, 100, 10, 0, 0, 2, 0, 0, 0, 0, 0.5},
        {onpickup_bigitem, "tesmo_bigitem", 0, 100, 10, 0, 0, 2, 0, 0, 0, 0, 0.5},
        {allenemy_destroy, "tesmo_item", 2, 100, 10, 0, 0, 2, 0, 0, 0, 4, 0.5},
        {powerup, "tesmo_miniitem", 0, 100, 10, 0, 1, 2, 0, 0, 0, 0, 0.5},
        {powerup_8, "tesmo_item", 0, 100, 10, 0, 4, 2, 0, 0, 0, 0, 0.5},
        {powerup_8_mini, "tesmo_miniitem", 0, 100, 10, 0, 4, 2, 0, 0, 0, 0, 0.5},
        {lifefragment, "tesmo_item", 0, 100, 10, 0, 0, 2, 1, 0, 0, 0, 0.5},
        {extend, "extend", 0, 100, 10, 0, 0, 3, 0, 0, 0, 0, 0.5},
        {stage_progression_normal, "", 0, 100, 10, 0, 0, 2, 0, 0, 1100, 0, 0.5},
        {treasure_chest_1, "tesmo_item", 0, 100, 30, 0, 0, 2, 0, 0, 0, 0, 0.5},
        {treasure_chest_2, "tesmo_item alert1", 0, 100, 90, 0, 0, 2, 0, 0, 0, 0, 0.5},
        {treasure_chest_3, "tesmo_item alert1", 0, 100, 150, 0, 0, 2, 0, 0, 0, 0, 0.5},
        {itempoints_showup, "tesmo_item warpzone", 0, 100, 10, 0, 0, 2, 0, 0, 0, 0, 0.5},
        {itempoints_search, "", 0, 100, 10, 0, 0, 2, 0, 0, 0, 0, 0.5},
        {heavy_dropper, "", 0, 100, 10, 0, 0, 2, 0, 0, 0, 0, 0.5},
        {gravity_weakener, "", 0, 100, 10, 0, 0, 2, 0, 0, 0, 0, 1.0 / 3},
        {coin_shower, "", 0, 100, 10, 0, 0, 2, 0, 0, 0, 0, 0.5},
        {allenemy_stun, "", 0, 100, 10, 0, 0, 2, 0, 0, 0, 720, 0.5},
        {teleporter, "warpzone", 0, 100, 10, 0, 0, 2, 0, 0, 1042, 0, 0.5},
        {teleport_back, "", 0, 100, 10, 0, 0, 2, 0, 0, 1051, 0, 0.5},
        {back_to_first, "", 0, 100, 10, 0, 0, 2, 0, 0, 1001, 0, 0.5},
        {special_item, "alert1", 0, 100, 10, 0, 0, 2, 0, 0, 0, 0, 0.5},
    };
    for (const bool by_player : {true, false}) {
        for (int r = 0; r < 28; ++r) {
            const Row& row = rows[r];
            SetUp();
            entity& picker = by_player ? static_cast<entity&>(p) : enemies[9];
            EXPECT_EQ(row.handler(&picker, &items[0]), row.result) << r;
            const bool own = by_player;  // gauge, power and lives are the player's
            const std::string heard = row.handler == extend && !own ? "" : row.sounds;
            const auto& q = stage_change_request;
            EXPECT_EQ(
                std::tuple(sounds(), food_counter, chest_counter, door_open,
                           q.flag * 1000 + q.step * 100 + q.target_stage * 10 + q.target_dimension,
                           enemies[0].stun_frames + (enemies[0].flags & 4)),
                std::tuple(heard, row.food, row.chest, uint8_t(row.door), row.request, row.enemy))
                << r;
            EXPECT_EQ(std::tuple(p.bomb_gauge, p.power, p.lives, p.life_fragments),
                      own ? std::tuple(row.gauge, row.power, row.lives, row.fragments)
                          : std::tuple(0, 0, 2, 0))
                << r;
            EXPECT_DOUBLE_EQ(stage_info.gravity, row.gravity) << r;
            EXPECT_EQ(itempoints[0].flags, row.handler == itempoints_showup ? 0u : 1u) << r;
            EXPECT_EQ(affecters[0].active,
                      row.handler == heavy_dropper || row.handler == coin_shower)
                << r;
        }
    }
}

TEST_F(ItemEffects, CounterAlerts) {
    const struct {
        const char* name;
        item_effect_handler handler;
        int food, chest, settled, food_after, chest_after;
        const char* sounds;
    } rows[] = {
        {"food lands on 160", onpickup_food, 158, 0, 0, 160, 0, "tesmo_item alert2"},
        {"food passes 160", onpickup_food, 160, 0, 0, 162, 0, "tesmo_item"},
        {"chest over 50", treasure_chest_1, 0, 40, 0, 0, 60, "tesmo_item alert1"},
        {"chest over 150", treasure_chest_1, 0, 140, 0, 0, 160, "tesmo_item alert3"},
        {"bonus settled: sound only", treasure_chest_3, 0, 40, 1, 0, 40, "tesmo_item"},
    };
    for (const auto& row : rows) {
        SetUp();
        food_counter = row.food, chest_counter = row.chest, stage_bonus_settled = row.settled;
        row.handler(&p, &items[0]);
        EXPECT_EQ(std::tuple(food_counter, chest_counter, sounds()),
                  std::tuple(row.food_after, row.chest_after, std::string(row.sounds)))
            << row.name;
    }
    SetUp();
    gravity_weakener(&p, &items[0]), gravity_weakener(&p, &items[0]);
    EXPECT_DOUBLE_EQ(stage_info.gravity, 0.5 / 2.25);
}

}  // namespace
