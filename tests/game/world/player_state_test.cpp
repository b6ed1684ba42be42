#include <cstdlib>
#include <string>
#include <tuple>

#include "actors.h"
#include "world/patterns_items.h"

namespace {

using PlayerState = Actors;

TEST_F(PlayerState, HitsMissesAndRespawns) {
    struct Row {
        const char* name;
        int gauge, lives, power, frames;  // frames stepped after the hit; < 0: scripted
        int power_after, units;           // units: 4 per big item, 1 per small
        const char* popup;
        int defeated, in_use, lives_after;
    };
    const Row rows[] = {
        {"gauge equal to cost: a miss", 100, 2, 100, 0, 40, 36, "-60", 8, 1, 2},
        {"gauge above cost: shielded", 101, 2, 100, 0, 100, 0, "", 0, 1, 2},
        {"no lives: all power lost", 0, 0, 50, 0, 0, 30, "", 8, 1, 0},
        {"power above the cap is cut first", 0, 1, 200, 0, 52, 45, "-76", 8, 1, 1},
        {"79 frames: still falling", 0, 2, 0, 79, 0, 0, "-0", 8, 1, 2},
        {"80 frames: back", 0, 2, 0, 80, 0, 0, "-0", 0, 1, 1},
        {"no lives: slot freed", 0, 0, 0, 80, 0, 0, "", 8, 0, 0},
        {"scripted, lives left: back after 160", 0, 1, 0, -160, 0, 0, "-0", 0, 1, 0},
        {"scripted, no lives: freed", 0, 0, 0, -160, 0, 0, "", 8, 0, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        SetUp();
        p.bomb_gauge = row.gauge, p.lives = row.lives, p.power = row.power;
        p.knock_away(0, 3);
        const int shield = p.health + p.stun_frames + p.invulnerable_frames;
        EXPECT_EQ(shield, row.gauge > 100 ? 20 + 80 : 160);
        if (row.frames < 0) p.move_pattern = move_pattern_nothing;
        for (int f = 0; f < std::abs(row.frames); ++f) step_player(&p);
        p.move_pattern = move_pattern_default;
        int units = 0;
        for (const item& it : items) units += (it.flags & flag_in_use) ? it.sprite_base * 3 - 2 : 0;
        EXPECT_EQ(std::tuple(p.power, units, std::string(popup_texts[0].text)),
                  std::tuple(row.power_after, row.units, std::string(row.popup)));
        EXPECT_EQ(std::tuple(p.flags & flag_defeated, p.flags & flag_in_use, p.lives),
                  std::tuple(uint32_t(row.defeated), uint32_t(row.in_use), row.lives_after));
        if (row.in_use && !row.defeated && row.frames > 0) {
            EXPECT_EQ(std::tuple(p.x, p.invulnerable_frames), std::tuple(100.0, 180));
        }
    }
}

TEST_F(PlayerState, PowerUpsLivesAndScore) {
    struct Row {
        const char* name;
        int power, amount;
        const char *first, *second;
        int score;
    };
    const Row rows[] = {
        {"reaching level 1", 10, 6, "Lv2", "", 0}, {"within level 1", 20, 5, "+5", "", 0},
        {"at level 4", 128, 8, "+8", "40", 40},    {"11 over the cap", 128, 11, "+11", "60", 60},
        {"cap + 30", 150, 8, "+8", "250", 250},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        SetUp();
        p.power = row.power;
        p.power_up(row.amount);
        EXPECT_EQ(std::tuple(p.power, std::string(popup_texts[0].text),
                             std::string(popup_texts[1].text), p.score),
                  std::tuple(row.power + row.amount, std::string(row.first),
                             std::string(row.second), row.score));
    }
    SetUp();
    p.life_fragments = 15;
    for (int f = 0; f < 3; ++f) update_player_state(&p);
    EXPECT_EQ(p.lives, 4) << "one life per frame";
    EXPECT_EQ(p.life_fragments, 1);
    EXPECT_EQ(count_of("PlaySoundHandle(100, 1, 1)"), 2);
    EXPECT_EQ(add_score(2, 10, 0, 0) + add_score(-1, 10, 0, 0) + add_score(0, 10, 0, 0), -2);
    EXPECT_EQ(p.score, 10);
}

}  // namespace
