// The entity family and its pools, as built before main and reset later.
#include <climits>
#include <functional>
#include <tuple>
#include <typeindex>
#include <typeinfo>

#include "fake_engine_test.h"
#include "world/game_random.h"
#include "world/patterns_items.h"
#include "world/pools.h"

namespace {

using WorldPools = FakeEngineTest;

TEST_F(WorldPools, StartupSeedsTheGeneratorFromFourEngineDraws) {
    ASSERT_EQ(fake_engine::startup_calls().size(), 4u);
    for (const fake_engine::call& c : fake_engine::startup_calls()) {
        EXPECT_EQ(c.name + "(" + c.args + ")", "GetRandomInt(2147483647)");
    }
    // The fake's start-up answers -1, -0x12345678, INT_MIN and -7, as unsigned words.
    EXPECT_EQ(game_random_state.x, 0xFFFFFFFFu);
    EXPECT_EQ(game_random_state.y, 0xEDCBA988u);
    EXPECT_EQ(game_random_state.z, 0x80000000u);
    EXPECT_EQ(game_random_state.w, 0xFFFFFFF9u);
}

struct PoolRow {
    const char* name;
    int size;
    int type_code;
    std::type_index real_class;
    std::function<std::vector<entity*>()> slots;
};

template <class T, int N>
std::vector<entity*> slots_of(pool<T, N>& p) {
    std::vector<entity*> out;
    for (T& slot : p) out.push_back(&slot);
    return out;
}

TEST_F(WorldPools, EverySlotIsBuiltWithItsClassAndConstructionValues) {
    const PoolRow rows[] = {
        {"enemies", 256, 1, typeid(enemy), [] { return slots_of(enemies); }},
        {"items", 256, 3, typeid(item), [] { return slots_of(items); }},
        {"blocks", 1280, 4, typeid(block), [] { return slots_of(blocks); }},
        {"crackers", 128, 6, typeid(cracker), [] { return slots_of(crackers); }},
        {"players", 2, 0, typeid(tesmo), [] { return slots_of(players); }},
        {"bullets", 512, 5, typeid(bullet), [] { return slots_of(bullets); }},
        {"item points", 256, 7, typeid(itempoint), [] { return slots_of(itempoints); }},
    };
    for (const PoolRow& row : rows) {
        SCOPED_TRACE(row.name);
        const std::vector<entity*> slots = row.slots();
        ASSERT_EQ(static_cast<int>(slots.size()), row.size);
        for (entity* e : slots) {
            ASSERT_EQ(std::type_index(typeid(*e)), row.real_class);
            ASSERT_EQ(std::tie(e->type_code, e->sprite_base, e->placement_index, e->draw_layer),
                      std::make_tuple(row.type_code, -1, -1, -1));
            ASSERT_EQ(std::tie(e->hit_w, e->hit_h, e->bounce), std::make_tuple(1.0, 1.0, 0.7));
            ASSERT_EQ(e->move_pattern, &move_pattern_default);
            if (character* c = as_character(e)) {
                ASSERT_EQ(c->stun_effect, -1);
            }
            if (itempoint* p = as_itempoint(e)) {
                ASSERT_EQ(p->rarity, -1);
            }
        }
    }
    for (affecter& a : affecters) {
        ASSERT_EQ(a.handler, &affecter_default);
        ASSERT_EQ(a.active, 0);
        ASSERT_EQ(std::type_index(typeid(a.carried)), std::type_index(typeid(entity)));
        ASSERT_EQ(a.carried.type_code, 7);
    }
}

int pattern_calls = 0;
int pattern_seven(entity*) {
    ++pattern_calls;
    return 7;
}

TEST_F(WorldPools, ResetsFreeTheSlotsAndKeepWhatOutlivesAStage) {
    enemy& e = enemies[3];
    e.flags = flag_in_use;
    e.sprite_base = e.draw_layer = 5;
    e.chain_level = 4;
    e.interaction = [](entity*, entity*) { return 1; };
    e.move_pattern = pattern_seven;
    e.fall_tick = e.ride = 9;
    e.points = 100;
    e.opp_hit_w[5] = 3.0;
    tesmo& p = players[1];
    p.flags = flag_in_use;
    p.lives = 3;
    p.score = 500;
    p.key_codes[4] = 0x2C;
    items[2].speffect = [](entity*, entity*) { return 2; };
    const item_effect_handler carried_effect = items[2].speffect;
    affecters[0].active = 1;

    reset_world();

    // Freed: in-use bit, sprite, layer, chain level, interaction.
    EXPECT_EQ(std::tie(e.flags, e.sprite_base, e.draw_layer, e.chain_level),
              std::make_tuple(0u, -1, -1, 0));
    EXPECT_EQ(e.interaction, &interaction_default);
    // Kept: pattern, fall and ride counts, points, per-opponent boxes.
    EXPECT_EQ(e.move_pattern, &pattern_seven);
    EXPECT_EQ(std::tie(e.fall_tick, e.ride, e.points), std::make_tuple(9, 9, 100));
    EXPECT_EQ(e.opp_hit_w[5], 3.0);
    EXPECT_EQ(std::tie(p.flags, p.lives, p.score, p.key_codes[4]),
              std::make_tuple(0u, 3, 500, 0x2C));
    EXPECT_EQ(items[2].speffect, carried_effect);
    EXPECT_EQ(affecters[0].active, 1);
    affecters[0].active = 0;
    e.move_pattern = move_pattern_default;
}

TEST_F(WorldPools, SlotsDispatchByTheRealClass) {
    struct Row {
        const char* name;
        std::function<void()> check;
    };
    const Row rows[] = {
        {"an enemy's update stores its pattern's frame",
         [] {
             enemy e;
             e.move_pattern = pattern_seven;
             e.update();
             EXPECT_EQ(e.pattern_result, 7);
             EXPECT_EQ(pattern_calls, 1);
         }},
        {"a plain character's update does nothing",
         [] {
             character c;
             c.move_pattern = pattern_seven;
             c.update();
             EXPECT_EQ(c.pattern_result, 0);
             EXPECT_EQ(pattern_calls, 0);
         }},
        {"a player's update is the player's, which skips a free slot",
         [] {
             tesmo p;
             p.move_pattern = pattern_seven;
             p.update();
             EXPECT_EQ(pattern_calls, 0);
         }},
        {"a copy of an enemy is a plain entity",
         [] {
             enemy e;
             e.move_pattern = pattern_seven;
             entity copy = e;
             copy.update();
             EXPECT_EQ(copy.pattern_result, 7);
             EXPECT_EQ(copy.power_up(5), 0);
             EXPECT_EQ(copy.gain_life(1, 1), 0);
             EXPECT_EQ(copy.type_code, 1);
             EXPECT_EQ(as_enemy(&copy), nullptr);
             EXPECT_EQ(as_character(&copy), nullptr);
         }},
        {"entity_assign copies all but the class",
         [] {
             enemy target;
             item source;
             source.x = 12.5;
             source.free_var[15] = 3;
             entity_assign(&target, &source);
             EXPECT_EQ(target.type_code, 3);
             EXPECT_EQ(target.x, 12.5);
             EXPECT_EQ(target.free_var[15], 3);
             EXPECT_NE(as_enemy(&target), nullptr);
             EXPECT_EQ(as_item(&target), nullptr);
         }},
        {"checked downcasts follow the tree",
         [] {
             tesmo p;
             bullet b;
             EXPECT_EQ(as_character(&p), &p);
             EXPECT_EQ(as_enemy(&p), nullptr);
             EXPECT_EQ(as_object(&b), &b);
             EXPECT_EQ(as_bullet(&b), &b);
             EXPECT_EQ(as_cracker(&b), nullptr);
             EXPECT_EQ(as_block(nullptr), nullptr);
         }},
        {"flag masks of 0 always match",
         [] {
             entity e;
             EXPECT_TRUE(entity_has_flags(&e, 0, 0));
             e.flags = 0x5;
             EXPECT_TRUE(entity_has_flags(&e, 0x4, 0));
             EXPECT_FALSE(entity_has_flags(&e, 0x6, 0));
             EXPECT_FALSE(entity_has_flags(&e, 0, 0x2));
         }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        pattern_calls = 0;
        row.check();
    }
}

}  // namespace
