#include <cmath>
#include <tuple>

#include "actors.h"
#include "world/game_random.h"
#include "world/interactions.h"

namespace {

// Player 0 at (400, 300), a 16 x 32 box against everything.
class Interactions : public Actors {
  protected:
    void SetUp() override {
        Actors::SetUp();
        for (int t = 0; t < 8; ++t) p.opp_hit_w[t] = 16, p.opp_hit_h[t] = 32;
        touches[0] = touches[1] = picked = chest_counter = 0;
        screen_shake = {};
        sound_entry[1] = {"", "graze", 101};
        sound_entry[2] = {"", "tesmo_hit2", 102};
    }
    static block& touch_block(int slot, double x, double y) {
        block& b = place_block(slot, x, y);
        b.contact = [](entity*, entity* k) { return ++touches[k == &blocks[1]], 1; };
        return b;
    }
    template <class T>
    static T& at(T& e, double x, double y, uint32_t flags = 0) {
        e.flags = flag_in_use | flags, e.x = x, e.y = y, e.hit_w = e.hit_h = 32;
        return e;
    }
    static inline int touches[2], picked;
};

TEST_F(Interactions, Blocks) {
    const uint32_t marks = 0x400000 | 0x800000 | 0x8000000;  // slowed fall, swim stroke
    struct Row {
        const char* name;
        double vy, vy_after;
        uint32_t block_flags, player_flags, marks_after;
        int touched;
    } rows[] = {
        {"landing at 3.5 counts: cling by facing", 3.5, 3.5, 0, 0, marks, 1},
        {"at 5.0 braked, no landing", 5.0, 3.75, 0, 0, 0x8000000, 1},
        {"contact-free block: handler, no swim", 3.5, 3.5, 0x3000, 0, 0xC00000, 1},
        {"0x80 block never tested", 3.5, 3.5, 0x80, 0, 0, 0},
        {"standing keeps its cling flags", 3.5, 3.5, 0, 0x10, 0x400000 | 0x8000000, 1},
    };
    for (const Row& row : rows) {
        SetUp();
        touch_block(0, 400, 330).flags |= row.block_flags;
        p.flags |= 0x400000 | 0x8000000 | row.player_flags, p.vy = row.vy, p.facing = 1;
        EXPECT_EQ(process_interactions(), 1);
        EXPECT_EQ(std::tuple(touches[0], p.vy, p.flags & marks),
                  std::tuple(row.touched, row.vy_after, row.marks_after))
            << row.name;
    }
    const struct {
        const char* name;
        int kind;  // 0 enemy, 1 item, 2 cracker
        double x;
        uint32_t flags;
        int touched0, touched1;
    } knocked[] = {
        {"equal areas: the lower index", 0, 400, flag_knockback_state, 1, 0},
        {"knocked item nearer block 1", 1, 410, flag_knockback_state, 0, 1},
        {"cracker: the larger overlap", 2, 390, 0, 1, 0},
        {"cracker passing through blocks", 2, 390, 0x40, 0, 0},
        {"0x80 enemy never tested", 0, 400, flag_knockback_state | 0x80, 0, 0},
        {"across the stage's seam", 0, 790, flag_knockback_state, 1, 0},
    };
    for (const auto& row : knocked) {
        SetUp();
        p.flags = 0;
        touch_block(0, 380, 100), touch_block(1, 420, 100), touch_block(2, 10, 100);
        entity* e[] = {&enemies[0], &items[0], &crackers[0]};
        at(*e[row.kind], row.x, 100, row.flags);
        process_interactions();
        EXPECT_EQ(std::pair(touches[0], touches[1]), std::pair(row.touched0, row.touched1))
            << row.name;
    }
    at(bullets[0], 400, 100), at(bullets[1], 400, 100, 0x40);
    process_interactions();
    EXPECT_EQ(bullets[0].flags | bullets[1].flags, flag_in_use | 0x40) << "0x40 passes through";
}

TEST_F(Interactions, EnemiesAndBulletsAgainstThePlayer) {
    struct Row {
        const char* name;
        int flicker;  // -1: an enemy touches
        uint8_t spare;
        uint32_t player_flags, player_flags2;
        double vx, vy, shake;
        int misses, stun, alive, sound;
    } rows[] = {
        {"enemy touch pushes and hits", -1, 0, 0, 0, 4.5, -6, 20, 1, 0, 1, 0},
        {"invulnerable: no push", -1, 0, 0x20000, 0, 1, 2, 0, 0, 0, 1, 0},
        {"plain bullet stuns", 0, 0, 0, 0, 4, -5, 2.5, 0, 144, 0, 102},
        {"plain bullet with spare byte: no push", 0, 1, 0, 0, 1, 2, 2.5, 0, 144, 0, 102},
        {"flickering bullet pushes and hits", 1, 0, 0, 0, 4, -4, 20, 1, 0, 0, 0},
        {"with spare byte: 15 along the heading", 1, 1, 0, 0, 16, 2, 20, 1, 0, 0, 0},
        {"grazing keeps the bullet", 0, 0, 0, 0x2, 1, 2, 0, 0, 0, 1, 101},
        {"invulnerable: not hit", 0, 0, 0x20000, 0, 1, 2, 0, 0, 0, 1, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        SetUp();
        p.flags |= row.player_flags, p.flags2 = row.player_flags2, p.vx = 1, p.vy = 2;
        entity& other = row.flicker < 0 ? static_cast<entity&>(at(enemies[0], 400, 300))
                                        : at(bullets[0], 400, 300);
        other.vx = 2, other.vy = -1;
        bullets[0].flicker = row.flicker, bullets[0].spare_byte = row.spare;
        bullets[0].cvx = 1, bullets[0].cvy = -2;
        process_interactions();
        EXPECT_EQ(std::tuple(p.vx, p.vy, screen_shake.magnitude, p.miss_count, p.stun_frames),
                  std::tuple(row.vx, row.vy, row.shake, row.misses, row.stun));
        EXPECT_EQ(p.stun_count, row.stun ? 1 : 0);
        if (row.stun) {
            EXPECT_EQ(action_queue[7] * 10 + action_queue[8], 289) << "eight 29s";
        }
        EXPECT_EQ(other.flags & flag_in_use, static_cast<uint32_t>(row.alive));
        const auto sounds = only("PlaySoundHandle");
        EXPECT_EQ(sounds.size(), row.sound ? 1u : 0u);
        if (row.sound) {
            EXPECT_EQ(sounds[0].substr(16, 3), std::to_string(row.sound));
        }
    }
}

TEST_F(Interactions, ComboChain) {
    struct Row {
        const char* name;
        int level, health;
        uint32_t b_flags;
        int level_after, health_after, a_health, chest, food;
        double speed;  // of B's flight; -1: not checked
        int draws;     // -1: not counted
    } rows[] = {
        {"1 hurts B", 1, 100, 0, 0, 60, 0, 0, 0, -1, 24},
        {"1 flings a stunned B", 1, 100, flag_stunned, 2, 300, 240, 0, 0, -1, 24},
        {"2 lays a weak B down", 2, 10, 0, 2, 1, 0, 0, 3, 0, 24},
        {"2 flings a stunned B", 2, 100, flag_stunned, 3, 360, 240, 0, 3, -1, 25},
        {"3 on a tough B stops A", 3, 100, 0, 0, 52, 0, 1, 5, -1, 28},
        {"3 flings a beaten B", 3, 40, 0, 4, 480, 240, 1, 5, -1, 29},
        {"4 flings slanted", 4, 50, flag_stunned, 5, 480, 240, 2, 10, 30, -1},
        {"5 flings faster", 5, 60, 0, 5, 480, 240, 4, 20, 40, -1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        SetUp();
        p.flags = 0;
        enemy& a = at(enemies[1], 300, 200, flag_knocked_away);
        enemy& b = at(enemies[0], 300, 200, row.b_flags);
        a.chain_level = row.level, a.health = 240, a.vx = 3, b.health = row.health;
        const int calls = static_cast<int>(game_random_state.calls);
        process_interactions();
        EXPECT_EQ(std::tuple(b.chain_level, b.health, a.health, chest_counter, food_counter),
                  std::tuple(row.level_after, row.health_after, row.a_health, row.chest, row.food));
        if (row.draws >= 0) {
            EXPECT_EQ(static_cast<int>(game_random_state.calls) - calls, row.draws);
        }
        if (row.speed >= 0) {
            EXPECT_NEAR(std::hypot(b.vx, b.vy), row.speed, 1e-9);
        }
        if (row.speed > 0) {
            EXPECT_GT(std::abs(b.vx * b.vy), 1) << "never along an axis";
        }
    }
    SetUp();
    enemy& b = at(enemies[0], 300, 200, flag_stunned);
    at(enemies[1], 300, 200, flag_knocked_away).chain_level = 1;
    enemies[1].vx = 3;
    add_item_type("gem", 7, 1, 1);
    itempoint& spot = at(itempoints[0], 300, 200);
    spot.category_mask = 1, spot.rarity = 1;
    process_interactions();
    EXPECT_EQ(std::pair(b.vx, b.vy), std::pair(15.0, -10.0)) << "vy 0 lifted upwards";
    EXPECT_EQ(spot.flags, 0u) << "the flung enemy opens the spot";
    EXPECT_EQ(items[0].sprite_base, 7);
}

TEST_F(Interactions, PickupsAndShots) {
    const struct {
        const char* name;
        int points;
        bool second, stunned;
        const char* text;
        double scale;
        int life, picks;
    } pickups[] = {
        {"9200", 9200, false, false, "9200", 2, 30, 1},
        {"9201!", 9201, false, false, "9201!", 4, 60, 1},
        {"both players take one item", 5, true, false, "5", 2, 30, 2},
        {"a stunned player takes nothing", 5, false, true, "", 1, 0, 0},
    };
    for (const auto& row : pickups) {
        SCOPED_TRACE(row.name);
        SetUp();
        if (row.stunned) p.flags |= flag_stunned;
        if (row.second) players[1] = p;
        item& it = at(items[0], 400, 300);
        it.points = row.points;
        it.speffect = [](entity*, entity*) { return ++picked, 0; };
        process_interactions();
        EXPECT_EQ(std::tuple(picked, p.score + players[1].score, popup_texts[0].scale,
                             popup_texts[0].life, it.flags & flag_in_use),
                  std::tuple(row.picks, row.picks * row.points, row.scale, row.life,
                             row.picks ? 0u : 1u));
        EXPECT_STREQ(popup_texts[0].text, row.text);
        players[1] = tesmo{};
    }
    const struct {
        const char* name;
        uint32_t flags, flags2, owner_flags;
        int owner, health0, health1;
    } shots[] = {
        {"normal damage", 0, 0, 0, 0, 70, 100},
        {"a third", 0x10000000, 0, 0, 0, 90, 100},
        {"second damage", 0, 0x4, 0, 0, 40, 100},
        {"a sixth while the owner is shielded", 0, 0x4, 0x20000, 0, 90, 100},
        {"owner 7 has no record", 0, 0x4, 0, 7, 40, 100},
        {"a tagged enemy is passed over", 0, 0x2, 0, 0, 100, 70},
    };
    for (const auto& row : shots) {
        SetUp();
        p.flags = flag_in_use | row.owner_flags, p.y = 0;
        cracker& c = at(crackers[0], 100, 100);
        c.damage = 30, c.second_damage = 60, c.owner = row.owner;
        at(enemies[0], 100, 100, row.flags).flags2 = row.flags2;
        at(enemies[1], 100, 100);
        enemies[0].health = enemies[1].health = 100;
        process_interactions();
        EXPECT_EQ(std::tuple(enemies[0].health, enemies[1].health, c.flags,
                             enemies[0].flash_frames + enemies[1].flash_frames),
                  std::tuple(row.health0, row.health1, 0u, 2))
            << row.name;
    }
}

}  // namespace
