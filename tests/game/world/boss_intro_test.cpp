// The boss's entrance frame by frame, and the players' scripted jump.
#include <gtest/gtest.h>

#include "boss_arena.h"
#include "world/affecters.h"
#include "world/bullet_patterns.h"
#include "world/patterns_items.h"

namespace {

using BossIntro = BossArena;

// Runs the entrance for ticks from..to.
void run(enemy& boss, int from, int to) {
    for (int t = from; t <= to; ++t) {
        boss.tick = t;
        move_pattern_bossintro_dolvek(&boss);
    }
}

TEST_F(BossIntro, TheFirstFreeBlockBecomesTheArenaBorder) {
    run(boss, 0, 1);
    const block& border = blocks[25];
    EXPECT_EQ(std::tuple(border.x, border.y, border.hit_w, border.hit_h, border.hit_dy),
              std::tuple(400.0, 288.0, 736.0, 480.0, -32.0));
    EXPECT_EQ(border.flags, flag_in_use | 0x80u);
    EXPECT_EQ(border.move_pattern, &move_pattern_nothing);
    ASSERT_EQ(affecters[0].active, 1);
    EXPECT_EQ(affecters[0].handler, &affecter_absolute_border);
    EXPECT_EQ(std::pair(affecters[0].carried.hit_w, affecters[0].carried.hit_dy),
              std::pair(736.0, -32.0));
    run(boss, 2, 2);
    EXPECT_EQ(live(blocks), 26) << "one border only";
}

TEST_F(BossIntro, NoFreeBlockMeansNoBorder) {
    for (auto& b : blocks) b.flags |= flag_in_use;
    run(boss, 1, 1);
    EXPECT_EQ(affecters[0].active, 0);
    EXPECT_EQ(blocks[25].hit_w, 1.0);
}

TEST_F(BossIntro, OpeningShots) {
    struct Row {
        const char* name;
        int tick, undefined_type;
        int bullets;
        double speed;
    } rows[] = {
        {"first spray", 80, 0, 6, 12}, {"second spray", 110, 0, 6, 13},
        {"the orb", 150, 0, 1, 9},     {"the orb of an undefined type", 150, 4, 0, 0},
        {"quiet frame", 81, 0, 0, 0},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        free_bullets();
        if (r.undefined_type) bullet_types[r.undefined_type].code = -1;
        run(boss, r.tick, r.tick);
        bullet_types[4].code = 4;
        ASSERT_EQ(live(bullets), r.bullets);
        for (int k = 0; k < r.bullets; ++k) {
            EXPECT_EQ(bullets[k].speed, r.speed);
            EXPECT_EQ(bullets[k].move_pattern, &bullet_nonnegative_speed_pattern);
        }
        if (r.bullets == 6) {
            EXPECT_EQ(std::pair(bullets[0].heading, bullets[5].heading), std::pair(177.0, 182.0));
            EXPECT_DOUBLE_EQ(bullets[0].accel, -2 * r.speed / 60);
        }
        if (r.bullets == 1) {
            EXPECT_EQ(std::tuple(bullets[0].sprite_base, bullets[0].draw_scale, bullets[0].flicker,
                                 bullets[0].accel),
                      std::tuple(301, 1.5, 1, 0.3));
        }
    }
}

TEST_F(BossIntro, OpeningSprayWithAnUndefinedTypeSkipsOnlyThoseShots) {
    bullet_types[3].code = bullet_types[5].code = -1;
    run(boss, 80, 80);
    EXPECT_EQ(live_bullets_of(300) + live_bullets_of(302), 0);
    EXPECT_EQ(live(bullets), live_bullets_of(301) + live_bullets_of(303));
    for (auto& b : bullets)
        if (b.flags & flag_in_use) {
            EXPECT_EQ(b.move_pattern, &bullet_nonnegative_speed_pattern);
        }
}

TEST_F(BossIntro, MusicFadesStopsAndTheBossTrackStarts) {
    run(boss, 1, 10);
    EXPECT_DOUBLE_EQ(music_slot[2].volume_factor, 235 / 255.0);
    run(boss, 11, 127);
    EXPECT_DOUBLE_EQ(music_slot[2].volume_factor, 1 / 255.0);
    EXPECT_EQ(current_music, 2);
    run(boss, 128, 128);
    EXPECT_EQ(std::pair(current_music, music_slot[2].saved_position), std::pair(-1, -1));
    run(boss, 129, 159);
    EXPECT_EQ(stage_info.scroll_speed_x, 0.0);
    run(boss, 160, 160);
    EXPECT_EQ(current_music, 3);
    run(boss, 161, 260);
    EXPECT_NEAR(stage_info.scroll_speed_x, -0.025 * 101, 1e-9);
    run(boss, 261, 261);
    EXPECT_NEAR(stage_info.scroll_speed_x, -0.025 * 101, 1e-9);
}

TEST_F(BossIntro, WithNoMusicPlayingTheFadeSendsNothing) {
    current_music = -1;
    run(boss, 1, 159);
    EXPECT_EQ(only("GetSoundPosition").size() + only("SetSoundVolume(").size() +
                  only("StopSoundHandle").size(),
              only("PlaySoundHandle").size())
        << "only the shots' sounds set a volume";
    EXPECT_EQ(current_music, -1);
}

TEST_F(BossIntro, TheLastFrameArmsTheFight) {
    run(boss, 1, 159);
    EXPECT_EQ(p.move_pattern, &boss_player_jump_pattern);
    boss.free_var[13] = boss.free_var[14] = boss.free_var[15] = 5;
    run(boss, 160, 261);
    EXPECT_EQ(std::tuple(boss.phases_left, boss.health, boss.health_max),
              std::tuple(3, 11000, 11000));
    EXPECT_EQ(std::tuple(boss.free_var[13], boss.free_var[14], boss.free_var[15]),
              std::tuple(0, 0, 0));
    EXPECT_EQ(boss.move_pattern, &move_pattern_bossdolvek);
    EXPECT_EQ(
        std::tuple(boss_bar.visible, boss_bar.boss, boss_bar.full_health, boss_bar.empty_health),
        std::tuple(uint8_t{1}, static_cast<entity*>(&boss), 11000, 10000));
    EXPECT_EQ(std::tuple(boss_bar.shown_health, boss_bar.icon_empty, boss_bar.icon, boss_bar.y),
              std::tuple(-1000.0f, 1502, 1503, -80.0f));
    EXPECT_EQ(std::pair(p.move_pattern, p.invulnerable_frames),
              std::pair(&move_pattern_default, 180));
    int auras = 0;
    for (int k = 0; k < effect_instance_count; ++k)
        if (effect_is_attached_to(k, &boss)) {
            ++auras;
            EXPECT_EQ(std::pair(effect_instance[k].loop_frame, effect_instance[k].life),
                      std::pair(20, effect_life_endless));
        }
    EXPECT_EQ(auras, 2);
    EXPECT_NE(boss.flags2 & 0x4, 0u);
}

TEST_F(BossIntro, EntrancePoses) {
    struct Row {
        int tick, frame;
        double draw_dy;  // from 0.5
    } rows[] = {{70, 0, 0.5}, {71, 3, 0.5}, {74, 3, 0.5}, {75, 4, -1}, {80, 7, 0},
                {105, 4, -1}, {110, 7, 0},  {145, 4, -1}, {179, 7, 0}, {180, 0, 0.5}};
    for (const Row& r : rows) {
        boss.draw_dy = 0.5;
        boss.tick = r.tick;
        EXPECT_EQ(move_pattern_bossintro_dolvek(&boss), r.frame) << r.tick;
        EXPECT_EQ(boss.draw_dy, r.draw_dy) << r.tick;
    }
}

TEST_F(BossIntro, ThePlayersScriptedJump) {
    p.facing = 1;
    const int queued[] = {18, 18, 18, 18, 18, 30, 30, 31, 31, 32, 32, 32,
                          33, 33, 33, 34, 34, 34, 35, 35, 35, 36, 36, 36};
    for (p.tick = 150; p.tick < 175 + 24; ++p.tick) {
        const int frame = boss_player_jump_pattern(&p);
        const int expected = p.tick < 166 ? 40 : p.tick < 175 ? 65 : queued[p.tick - 175] + 40;
        EXPECT_EQ(frame, expected) << "tick " << p.tick;
        EXPECT_EQ((p.flags2 & 2) != 0, p.tick > 175 && p.tick < 190) << "tick " << p.tick;
        if (p.tick == 175) {
            EXPECT_EQ(p.vx, 6.0);
        }
        if (p.tick == 189) {
            EXPECT_NEAR(p.vx, 6 + 14 * 1.4 - 0.054 * 105, 1e-9);
        }
    }
    EXPECT_EQ(played("tesmo_jump"), 1);
    EXPECT_EQ(action_queue[0], -1);
}

TEST_F(BossIntro, BoundToAnotherKindOfEntityNothingChanges) {
    block& b = blocks[100];
    b.flags = flag_in_use, b.tick = 261, b.pattern_result = 9;
    EXPECT_EQ(move_pattern_bossintro_dolvek(&b), 0);
    EXPECT_EQ(move_pattern_bossdolvek(&b), 0);
    EXPECT_EQ(std::tuple(b.flags, b.flags2, b.free_var[0], b.move_pattern),
              std::tuple(flag_in_use, 0u, 0, &move_pattern_default));
    EXPECT_EQ(boss_bar.visible, 0);
    enemy& other = enemies[1];
    other.type_code = type_enemy, other.tick = 170, other.pattern_result = 9;
    EXPECT_EQ(boss_player_jump_pattern(&other), 0);
    EXPECT_EQ(other.pattern_result, 9);
}

}  // namespace
