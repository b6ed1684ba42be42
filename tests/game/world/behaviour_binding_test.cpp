// The behaviour tables and the three-step binding of data names.
#include <sstream>
#include <string>
#include <vector>

#include "fake_engine_test.h"
#include "world/affecters.h"
#include "world/name_binding.h"

namespace {

using BehaviourTables = FakeEngineTest;

template <class Handler>
std::string names_of(const behaviour_row<Handler>* table, int rows) {
    std::string out;
    for (int i = 0; i < rows; ++i)
        out += std::string(table[i].name ? table[i].name : "(end)") + " ";
    return out;
}

TEST_F(BehaviourTables, RowsAreTheDataFormatsNamesInOrder) {
    const std::string speffects =
        "nothing open_door onpickup_redbull onpickup_food onpickup_bigfood onpickup_nothing "
        "onpickup_nothing_mini onpickup_bigitem allenemy_destroy powerup powerup_8 powerup_8_mini "
        "lifefragment extend stage_progression_normal treasure_chest_1 treasure_chest_2 "
        "treasure_chest_3 itempoints_showup itempoints_search heavy_dropper gravity_weakener "
        "coin_shower allenemy_stun teleporter teleport_back back_to_first special_item (end) ";
    std::istringstream pattern_words(
        "default nothing bigitem poweritem poweritem_switched important_effective key door "
        "toggle trollface_movearound trollface_turret rabbit_idle rabbit_movearound "
        "rabbit_follow rabbit_shoots rabbit_walkfollow rabbit_move1way fairy_movearound "
        "fairy_follow fairy_shoots fairy_movearound_floor fairy_turret fairy_gazer "
        "furball_charge furball_bounce furball_upaway furball_shoots bossfairy tesmo_intro1 "
        "tesmo_intro2 introblock ghost_follow ghost_looselyfollow book_shotgun book_crazyturret "
        "book_sniper bossintro_dolvek bossdolvek bullet_stopandfollow bullet_speedlimiter");
    std::string patterns, word;
    while (pattern_words >> word) patterns += "move_pattern_" + word + " ";
    patterns += "(end) ";
    const std::string interactions =
        "interaction_default interaction_block_updown interaction_block_leftright "
        "interaction_block_typical interaction_block_noclimb (end) ";
    const std::string affecter_names =
        "affecter_default affecter_tesmobomb affecter_coin_shower affecter_timed_bomb "
        "affecter_heavy_dropper affecter_absolute_border (end) ";

    EXPECT_EQ(names_of(speffect_table, 29), speffects);
    EXPECT_EQ(names_of(move_pattern_table, 41), patterns);
    EXPECT_EQ(names_of(interaction_table, 6), interactions);
    EXPECT_EQ(names_of(affecter_table, 7), affecter_names);
    EXPECT_EQ(speffect_table[28].handler, nullptr);
    EXPECT_EQ(move_pattern_table[40].handler, nullptr);

    // Shared handlers are one function each.
    EXPECT_EQ(move_pattern_table[31].handler, move_pattern_table[32].handler);
    EXPECT_EQ(affecter_table[0].handler, affecter_table[3].handler);
    EXPECT_NE(move_pattern_table[30].handler, move_pattern_table[31].handler);
    EXPECT_EQ(speffect_table[0].handler, interaction_table[0].handler);
    entity e;
    block b;
    item i;
    EXPECT_EQ(e.interaction, speffect_table[0].handler);
    EXPECT_EQ(b.contact, speffect_table[0].handler);
    EXPECT_EQ(i.speffect, speffect_table[0].handler);
}

TEST_F(BehaviourTables, OneBinderServesEverySite) {
    struct Row {
        const char* name;
        std::string field;
        third_step third;
        int row;
        int step;
    };
    const third_step by_field{third_step::field_number};
    const Row rows[] = {
        {"exact name", "move_pattern_key", by_field, 6, 1},
        {"one extra leading character", "#move_pattern_key", by_field, 6, 2},
        {"number", "6", by_field, 6, 3},
        {"number after blanks and a sign", " +6x", by_field, 6, 3},
        {"last row by number", "39", by_field, 39, 3},
        {"first letter in upper case", "Move_pattern_key", by_field, 0, 3},
        {"two extra leading characters", "##move_pattern_key", by_field, 0, 3},
        {"empty field", "", by_field, 0, 3},
        {"1,000 characters", std::string(1000, '7'), by_field, 0, 3},
        {"1,000 characters after a name", "move_pattern_key" + std::string(984, 'x'), by_field, 0,
         3},
        {"negative number", "-1", by_field, 0, 3},
        {"the terminator's index", "40", by_field, 0, 3},
        {"past the int range", "99999999999", by_field, 0, 3},
        {"stored number", "no_such_pattern", {third_step::stored_number, 7}, 7, 3},
        {"stored number out of range", "no_such_pattern", {third_step::stored_number, 41}, 0, 3},
        {"no third step", "no_such_pattern", {third_step::none}, 0, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const binding<move_pattern_handler> b =
            bind_behaviour(move_pattern_table, row.field.c_str(), row.third);
        EXPECT_EQ(b.handler, move_pattern_table[row.row].handler);
        EXPECT_EQ(b.step, row.step);
    }

    const third_step by_default{third_step::default_row};
    EXPECT_EQ(bind_behaviour(affecter_table, "xaffecter_heavy_dropper", by_default).handler,
              &affecter_heavy_dropper);
    EXPECT_EQ(bind_behaviour(affecter_table, "affecter_unknown", by_default).handler,
              &affecter_default);
    EXPECT_EQ(bind_behaviour(speffect_table, "[P]", {third_step::stored_number, 9}).handler,
              speffect_table[9].handler);
    EXPECT_EQ(bind_behaviour(interaction_table, "3", by_field).handler,
              interaction_table[3].handler);
}

}  // namespace
