// A hand-built arena for the boss: a floor of 25 blocks (slots 0 to 24) whose
// top is 80 px above the bottom (inside the arena border), player 0 on it, the boss in enemy slot 0
// with start tick 0, bullet types 3 to 6 (sprites 300 to 303; 0 to 2 undefined), the boss's sounds
// as entries 1.. (handles 201..), music tracks 0 to 7 on handles 400.. with track 2 playing, and
// the effects the boss attaches.
#pragma once

#include <cmath>
#include <cstring>
#include <string>

#include "actors.h"
#include "world/boss_defeat.h"
#include "world/boss_fight.h"
#include "world/block_interactions.h"
#include "world/boss_intro.h"
#include "world/debug_overlay.h"
#include "world/music.h"

class BossArena : public Actors {
  protected:
    enemy& boss = enemies[0];
    static constexpr const char* sounds[] = {"enemyheavyshot1",  "enemyheavyshot2", "enemy_jump",
                                             "charge1",          "charge5",         "charge6_",
                                             "charge7",          "kvorn",           "tesmo_jump",
                                             "enemydefeat_echo", "cracker_hit",     "boss_defeat"};

    void SetUp() override {
        Actors::SetUp();
        arena(stage_info.width, stage_info.height);
        for (int k = 0; k < 3; ++k) bullet_types[k].code = -1;
        for (int k = 3; k <= 6; ++k) bullet_types[k] = {k, "", 297 + k, 8, 8, 0, 0, 0};
        bullet_type_count = 7;
        int n = 1;
        for (const char* s : sounds)
            sound_entry[n] = {"", "", 200 + n}, std::strcpy(sound_entry[n].name, s), ++n;
        const char* effects[] = {"circle1_red1", "circle1_red2", "black_ring", "ring_slow",
                                 "tesmo_bomb_bg"};
        for (int k = 0; k < 5; ++k) {
            std::strcpy(effect_definition[k].name, effects[k]);
            effect_definition[k].duration[0] = 10;
            effect_definition[k].end_time[0] = 10;
        }
        reset_music_slots();
        for (int k = 0; k < music_slot_count; ++k)
            music_slot[k].index = k, music_slot[k].state = 2, music_slot[k].handle = 400 + k;
        current_music = 2;
        for (auto& line : debug_log) line = {};
        game_cleared = 0;
        fake_engine::reset();
    }
    void TearDown() override {
        reset_music_slots();
        current_music = -1;
        music_retry_pending = 0;
        game_cleared = 0;
        for (auto& line : debug_log) line = {};
        static_cast<tesmo&>(players[1]) = tesmo{};
        for (auto& d : effect_definition) d = effect_definition_record{};
        Actors::TearDown();
    }
    // A stage of the size with its floor, the player standing at x 200 and the
    // boss at x 600 on the floor, bound to its entrance.
    void arena(int w, int h) {
        stage_info.width = w, stage_info.height = h;
        for (auto& b : blocks) b.flags = 0;
        for (int k = 0; k < 25; ++k)
            place_block(k, (k + 0.5) * w / 25.0, h - 64, w / 25.0 + 1, 32).contact =
                interaction_block_typical;
        p.flags = flag_in_use, p.type_code = type_player, p.lives = 5;
        p.x = 200, p.y = h - 96;
        boss = enemy{};
        boss.flags = flag_in_use, boss.type_code = type_enemy;
        boss.hit_w = boss.hit_h = 64;
        boss.x = 600, boss.y = h - 112;
        boss.move_pattern = move_pattern_bossintro_dolvek;
    }
    // The boss's fight fields as the entrance leaves them, in the state given.
    void fighting(int phases, int state, bool grounded = true) {
        boss.move_pattern = move_pattern_bossdolvek;
        boss.phases_left = phases;
        boss.health = boss.health_max = 11000;
        boss.free_var[15] = 1000;
        boss.free_var[0] = state;
        if (grounded) boss.flags |= flag_standing;
    }
    static int played(const char* name) {
        for (int k = 1; k < sound_entry_count; ++k)
            if (std::strcmp(sound_entry[k].name, name) == 0)
                return count_of("PlaySoundHandle(" + std::to_string(sound_entry[k].handle) +
                                ", 1, 1)");
        return -1;
    }
    static bool overlay_shows(const std::string& text) {
        for (const auto& line : debug_log)
            if (line.lifetime > 0 && text == line.text) return true;
        return false;
    }
    static int live_bullets_of(int sprite) {
        int n = 0;
        for (auto& b : bullets) n += (b.flags & flag_in_use) && b.sprite_base == sprite;
        return n;
    }
    static void free_bullets() {
        for (auto& b : bullets) b.flags = 0;
    }
    int frame(bool grounded = true) {
        if (grounded) boss.flags |= flag_standing;
        return boss.move_pattern(&boss);
    }
};
