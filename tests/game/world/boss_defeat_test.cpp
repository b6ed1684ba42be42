// The boss's defeat: the start from the fight, the bounces, the fall-out with
// its points, and the players' aftermath that ends the game.
#include <gtest/gtest.h>

#include "boss_arena.h"

namespace {

class BossDefeat : public BossArena {
  protected:
    void SetUp() override {
        BossArena::SetUp();
        players[1].flags = flag_in_use, players[1].type_code = type_player;
        p.popup_red = 10, p.popup_green = 20, p.popup_blue = 30;
    }
    void defeated(double x, double y, double vx, double vy, int count) {
        boss.move_pattern = boss_defeat_pattern;
        boss.x = x, boss.y = y, boss.vx = vx, boss.vy = vy;
        boss.free_var[0] = count;
    }
};

TEST_F(BossDefeat, AKnockAwayOrDeathEndsTheFightAtOnce) {
    struct Row {
        const char* name;
        uint32_t flag;
        int killer, killer_facing;
        double vx;
    } rows[] = {
        {"knocked away by a player facing right", flag_knocked_away, 0, 1, 2.0},
        {"dead by the second player facing left", flag_defeated, 1, 0, -2.0},
        {"by something that is no player", flag_knocked_away, 5, 1, -2.0},
        {"by a negative killer", flag_defeated, -1, 1, -2.0},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        fighting(2, 7);
        boss.flags |= r.flag, boss.killer = r.killer;
        p.facing = players[1].facing = r.killer_facing;
        screen_shake = {};
        fake_engine::reset();
        EXPECT_EQ(frame(), r.vx > 0 ? 32 : 35) << "rising, to the killer's side";
        EXPECT_EQ(boss.move_pattern, &boss_defeat_pattern);
        EXPECT_EQ(std::tuple(boss.free_var[0], boss.health, screen_shake.magnitude),
                  std::tuple(1, 20, 5.0))
            << "the defeat ran in the same frame";
        EXPECT_DOUBLE_EQ(boss.vx, r.vx * 1.008);
        EXPECT_DOUBLE_EQ(boss.vy, -2.0 * 1.008);
        EXPECT_EQ(played("enemydefeat_echo"), 1);
        EXPECT_NE(boss.flags & flag_no_gravity, 0u);
    }
}

TEST_F(BossDefeat, BouncesOffTheArenaEdges) {
    // The arena is 800 x 576 and the boss 64 x 64.
    struct Row {
        const char* name;
        double x, y, vx, vy;
        double x_after, y_after, vx_after, vy_after;
        bool bounced;
    } rows[] = {
        {"left edge", 10, 300, -5, 1, 32, 300, 5 * 1.008, 1.008, true},
        {"right edge", 790, 300, 5, 1, 768, 300, -5 * 1.008, 1.008, true},
        {"top edge", 300, 10, 1, -5, 300, 32, 1.008, 5 * 1.008, true},
        {"bottom edge", 300, 570, 1, 10, 300, 544, 1.008, -10 * 1.008, true},
        {"bottom edge while falling fast", 300, 570, 1, 24, 300, 570, 1.02, 24.02, false},
        {"left edge below the stage", 10, 700, -5, 24, 10, 700, -5.02, 24.02, false},
        {"inside", 300, 300, 1, 1, 300, 300, 1.008, 1.008, false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        defeated(r.x, r.y, r.vx, r.vy, 3);  // count 4: no burst of its own
        free_bullets();
        fake_engine::reset();
        frame(false);
        EXPECT_DOUBLE_EQ(boss.x, r.x_after);
        EXPECT_DOUBLE_EQ(boss.y, r.y_after);
        EXPECT_DOUBLE_EQ(boss.vx, r.vx_after);
        EXPECT_DOUBLE_EQ(boss.vy, r.vy_after);
        EXPECT_EQ(played("cracker_hit"), r.bounced ? 1 : 0);
        EXPECT_EQ(live(bullets), r.bounced ? 20 : 0);
        for (const auto& b : bullets) {
            if (!(b.flags & flag_in_use)) continue;
            EXPECT_EQ(std::tuple(b.flags & 0x10000C0u, b.flags2 & 0x10u, b.draw_scale),
                      std::tuple(0x10000C0u, 0x10u, 0.5));
        }
    }
}

TEST_F(BossDefeat, FallingOutPaysTheKillerAndHandsOverToThePlayers) {
    struct Row {
        const char* name;
        int killer;
        int score0, score1;
        bool popup;
    } rows[] = {
        {"the first player", 0, 25000, 0, true},
        {"the second player", 1, 0, 25000, true},
        {"no player", 2, 0, 0, false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        p.score = players[1].score = 0;
        for (auto& t : popup_texts) t = {};
        boss.flags = flag_in_use, boss.killer = r.killer;
        defeated(400, 3 * 576 + 1, 0, 30, 10);
        current_music = 2;
        boss_bar.visible = 1, boss_bar.boss = &boss;
        screen_shake = {};
        fake_engine::reset();
        frame(false);
        EXPECT_EQ(std::pair(p.score, players[1].score), std::pair(r.score0, r.score1));
        EXPECT_EQ(popup_texts[0].life > 0, r.popup);
        if (r.popup) {
            EXPECT_STREQ(popup_texts[0].text, "25000!");
            EXPECT_EQ(std::pair(popup_texts[0].scale, popup_texts[0].life), std::pair(4.0, 60));
        }
        EXPECT_EQ(screen_shake.magnitude, 15.0);
        EXPECT_EQ(played("boss_defeat"), 1);
        EXPECT_EQ(current_music, -1);
        EXPECT_EQ(std::pair(boss_bar.visible, boss_bar.boss),
                  std::pair(uint8_t{0}, (entity*)nullptr));
        EXPECT_EQ(boss.flags & flag_in_use, 0u);
        for (tesmo& pl : players)
            EXPECT_EQ(std::pair(pl.move_pattern, pl.free_var[0]),
                      std::pair(&boss_aftermath_pattern, 0));
    }
}

TEST_F(BossDefeat, TheAftermathPlaysTheClearMusicAndEndsTheGame) {
    current_music = -1;
    for (int c = 1; c <= 301; ++c) {
        const int frame = boss_aftermath_pattern(&p);
        EXPECT_EQ(frame, c <= 90 ? 80 : 81) << c;
        EXPECT_EQ(current_music, c <= 120 ? -1 : 4) << c;
        EXPECT_EQ(game_cleared, c <= 300 ? 0 : 1) << c;
        int flashes = 0;
        for (int k = 0; k < effect_instance_count; ++k) flashes += effect_instance[k].life != 0;
        EXPECT_EQ(flashes, c < 295 ? 0 : 4) << c;
    }
}

TEST_F(BossDefeat, ShotsIntoAFullPoolChangeNothing) {
    for (auto& b : bullets) b.flags = flag_in_use, b.draw_scale = 1.0, b.life = 1000;
    boss.tick = 150;
    move_pattern_bossintro_dolvek(&boss);
    defeated(10, 300, -5, 1, 2);
    frame(false);
    for (const auto& b : bullets)
        EXPECT_EQ(std::pair(b.draw_scale, b.move_pattern), std::pair(1.0, &move_pattern_default));
}

}  // namespace
