// The boss's entrance: the arena border, the opening shots, the music fade,
// the players' scripted jump and, at its end, the fight armed.
#include "world/boss_intro.h"

#include "world/action_queue.h"
#include "world/affecters.h"
#include "world/boss_bar.h"
#include "world/boss_fight.h"
#include "world/boss_shots.h"
#include "world/bullet_patterns.h"
#include "world/effects.h"
#include "world/game_random.h"
#include "world/music.h"
#include "world/patterns_items.h"
#include "world/pools.h"
#include "world/sound_effects.h"
#include "world/world_globals.h"

namespace {

constexpr uint32_t flag2_boss_entering = 0x4;
constexpr uint32_t flag2_player_scripted = 0x2;
constexpr uint32_t flag_player_blinks = flag_blinking;  // 0x20000

// The border keeps every entity inside the stage less a margin; the block
// itself is out of every contact test.
void close_arena() {
    for (block& b : blocks) {
        if (b.flags & flag_in_use) continue;
        b.reset();
        b.x = stage_info.width / 2.0;
        b.y = stage_info.height / 2.0;
        b.hit_w = stage_info.width - 64;
        b.hit_h = stage_info.height - 96;
        b.hit_dx = 0;
        b.hit_dy = -32.0;
        b.move_pattern = move_pattern_nothing;
        b.interaction = interaction_default;
        b.flags = flag_in_use | flag_falling_out;
        spawn_affecter("affecter_absolute_border", b, 0, 0, 0, 0);
        return;
    }
}

int entrance_pose(enemy& boss, int t) {
    if (t <= 70 || t >= 180) return 0;
    switch (t / 5) {
        case 14:
            return 3;
        case 15:
        case 21:
        case 29:
        case 36:
            boss.draw_dy = -1.0;
            return 4;
        default:
            boss.draw_dy = 0;
            return 7;
    }
}

void opening_spray(const enemy& boss, int t) {
    screen_shake.magnitude += 2.5;
    play_sound_effect("enemyheavyshot2");
    const double speed = 12 + t / 100;
    for (int k = 0; k < 6; ++k) {
        const int type = 3 + static_cast<int>(game_random_draw() & 3);
        if (bullet* b = boss_bullet(type, 60, 0, boss.x, boss.y, 177 + k, speed)) {
            b->move_pattern = bullet_nonnegative_speed_pattern;
            b->accel = -2 * speed / 60;
            b->accel_change = -(b->accel / 60);
        }
    }
}

void opening_orb(const enemy& boss) {
    screen_shake.magnitude += 2.5;
    play_sound_effect("enemyheavyshot2");
    const double speed = 9.0;
    if (bullet* b = boss_bullet(4, 60, 1, boss.x, boss.y, 180, speed)) {
        b->move_pattern = bullet_nonnegative_speed_pattern;
        b->accel = 2 * speed / 60;
        b->accel_change = -(b->accel / 60);
        b->draw_scale = 1.5;
    }
}

void fade_music(int t) {
    const int v = 255 - 2 * t;
    if (current_music == -1) return;
    if (v >= 0)
        control_music(music_volume, v, 0);
    else
        boss_stop_music();
}

void script_players(move_pattern_handler pattern, bool release) {
    for (tesmo& p : players) {
        if (!(p.flags & flag_in_use)) continue;
        p.move_pattern = pattern;
        if (release) p.invulnerable_frames = 180;
    }
}

void arm_fight(enemy& boss) {
    attach_effect("circle1_red1", &boss, -1, 20, 1.0, 0, 0);
    attach_effect("circle1_red2", &boss, -1, 20, 1.0, 0, 0);
    boss.phases_left = 3;
    boss.health = boss.health_max = 11000;
    boss_bar.visible = 1;
    boss_bar.boss = &boss;
    boss_bar.full_health = 11000;
    boss_bar.empty_health = 10000;
    boss_bar.shown_health = -1000.0f;
    boss_bar.icon_empty = 1502;
    boss_bar.icon = 1503;
    boss_bar.y = -80.0f;
    boss_bar.counter = 0;
    boss_bar.second_byte = 0;
    boss_bar.fade = 0;
    boss.free_var[13] = boss.free_var[14] = boss.free_var[15] = 0;
    boss.move_pattern = move_pattern_bossdolvek;
    script_players(move_pattern_default, true);
}

}  // namespace

int move_pattern_bossintro_dolvek(entity* self) {
    enemy* boss = boss_of(self);
    if (!boss) return 0;  // bound to another kind of entity by a stage file
    const int t = boss->tick;
    boss->flags2 |= flag2_boss_entering;
    if (t == 1) close_arena();
    const int pose = entrance_pose(*boss, t);
    if (t == 80 || t == 110) opening_spray(*boss, t);
    if (t == 150) opening_orb(*boss);
    if (t < 160) {
        fade_music(t);
        script_players(boss_player_jump_pattern, false);
    } else if (t < 261) {
        if (t == 160) control_music(music_play, 3, 0);
        stage_info.scroll_speed_x -= 0.025;
    } else {
        arm_fight(*boss);
    }
    return pose;
}

int boss_player_jump_pattern(entity* self) {
    self->flags &= ~(flag_glow | flag_player_blinks);
    self->flags2 &= ~flag2_player_scripted;
    if (self->type_code != type_player) return 0;
    self->pattern_result = self->tick < 166 ? 40 : 65;
    if (self->tick == 175) {
        play_sound_effect("tesmo_jump");
        self->vx = 6.0;
        clear_action_queue();
        append_action_queue(18, 5);
        append_action_queue(30, 2);
        append_action_queue(31, 2);
        for (int frame = 32; frame <= 36; ++frame) append_action_queue(frame, 3);
    }
    if (self->tick > 175 && self->tick < 190) {
        self->vx += 1.4 - (self->tick - 175) * 0.054;
        self->flags2 |= flag2_player_scripted;
    }
    const int head = action_queue[0];
    if (head != -1) {
        if (head != 0) self->pattern_result = head + self->facing * 40;
        take_action_queue_head(0);
    }
    return self->pattern_result;
}
