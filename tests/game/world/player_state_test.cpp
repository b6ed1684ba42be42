#include "actors.h"
#include "world/patterns_items.h"

namespace {

using PlayerState = Actors;

TEST_F(PlayerState, HitsShieldOrMissAndScatterTheLostPower) {
    struct Row {
        const char* name;
        int gauge, lives, power, power_after, units;  // units: 4 per big item, 1 per small
        const char* popup;
    };
    const Row rows[] = {
        {"gauge equal to cost: a miss", 100, 2, 100, 40, 36, "-60"},
        {"gauge above cost: shielded", 101, 2, 100, 100, 0, ""},
        {"no lives: all power lost", 0, 0, 50, 0, 30, ""},
        {"power above the cap is cut first", 0, 1, 200, 52, 45, "-76"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        SetUp();
        p.bomb_gauge = row.gauge, p.lives = row.lives, p.power = row.power;
        p.knock_away(0, 3);
        const bool missed = row.gauge <= 100;
        EXPECT_EQ(p.flags & flag_defeated, missed ? flag_defeated : 0);
        EXPECT_EQ(p.health + p.stun_frames + p.invulnerable_frames, missed ? 160 : 100);
        EXPECT_EQ(p.power, row.power_after);
        int units = 0;
        for (const item& it : items) units += (it.flags & flag_in_use) ? it.sprite_base * 3 - 2 : 0;
        EXPECT_EQ(units, row.units);
        EXPECT_STREQ(popup_texts[0].text, row.popup);
    }
}

TEST_F(PlayerState, MissedPlayersComeBackOrLeave) {
    struct Row {
        const char* name;
        int lives;
        bool scripted;
        int frames;
        bool in_use, falling;
        int lives_after;
    };
    const Row rows[] = {
        {"79 frames: still falling", 2, false, 79, true, true, 2},
        {"80 frames: back", 2, false, 80, true, false, 1},
        {"no lives: slot freed", 0, false, 80, false, true, 0},
        {"scripted, lives left: back after 160", 1, true, 160, true, false, 0},
        {"scripted, no lives: freed", 0, true, 160, false, true, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        SetUp();
        p.lives = row.lives;
        p.knock_away(90, 1);
        if (row.scripted) p.move_pattern = move_pattern_nothing;
        for (int f = 0; f < row.frames; ++f) step_player(&p);
        p.move_pattern = move_pattern_default;
        EXPECT_EQ((p.flags & flag_in_use) != 0, row.in_use);
        EXPECT_EQ((p.flags & flag_defeated) != 0, row.falling);
        EXPECT_EQ(p.lives, row.lives_after);
        if (row.in_use && !row.falling) EXPECT_EQ(p.x, 100);
        if (row.in_use && !row.scripted && !row.falling) EXPECT_EQ(p.invulnerable_frames, 180);
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
        EXPECT_EQ(p.power, row.power + row.amount);
        EXPECT_STREQ(popup_texts[0].text, row.first);
        EXPECT_STREQ(popup_texts[1].text, row.second);
        EXPECT_EQ(p.score, row.score);
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
