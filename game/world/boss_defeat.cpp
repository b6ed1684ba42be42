// The beaten boss flies about the arena bouncing off its edges until it falls
// out below; then the players score, the music ends and the aftermath plays
// the clear music and ends the game.
#include "world/boss_defeat.h"

#include <cmath>

#include "world/boss_bar.h"
#include "world/boss_shots.h"
#include "world/effects.h"
#include "world/music.h"
#include "world/player.h"
#include "world/pools.h"
#include "world/sound_effects.h"
#include "world/world_globals.h"

namespace {

constexpr uint32_t flag_through_blocks = 0x40;
constexpr uint32_t flag2_fast = flag2_no_speed_limit;
constexpr int defeat_points = 25000;

// A component at exactly 0 stays 0.
double away_from_zero(double v, double step) {
    return v > 0 ? v + step : v < 0 ? v - step : v;
}

void bounce(enemy& boss, double& position, double edge, double& velocity) {
    screen_shake.magnitude += std::fabs(velocity) / 5;
    play_sound_effect("cracker_hit");
    position = edge;
    velocity = -velocity;
    boss_sparks(20, boss.x, boss.y, flag_through_blocks | flag_no_wrap, flag2_no_clamp, 0.5);
}

void bounce_off_edges(enemy& boss) {
    const double w = stage_info.width, h = stage_info.height;
    if (boss.y >= h + 100) return;
    if (boss.x < boss.hit_w / 2) bounce(boss, boss.x, boss.hit_w / 2, boss.vx);
    if (boss.x > w - boss.hit_w / 2) bounce(boss, boss.x, w - boss.hit_w / 2, boss.vx);
    if (boss.vy >= 24) return;  // falling fast, it leaves through the bottom
    if (boss.y < boss.hit_h / 2) bounce(boss, boss.y, boss.hit_h / 2, boss.vy);
    if (boss.y > h - boss.hit_h / 2) bounce(boss, boss.y, h - boss.hit_h / 2, boss.vy);
}

void finish_fight(enemy& boss) {
    screen_shake.magnitude += 15;
    play_sound_effect("boss_defeat");
    boss_stop_music();
    // The killer field comes from whatever hit last: only the players score.
    if (boss.killer == 0 || boss.killer == 1)
        add_score(boss.killer, defeat_points, stage_info.width / 2.0, stage_info.height / 2.0);
    reset_boss_bar();
    boss.flags &= ~flag_in_use;
    for (tesmo& p : players) {
        p.move_pattern = boss_aftermath_pattern;
        p.free_var[0] = 0;
    }
}

int tumble_frame(const enemy& boss) {
    if (boss.vx > 0 && boss.vy < 0) return 32;
    if (boss.vx > 0 && boss.vy > 0) return 33;
    if (boss.vx < 0 && boss.vy > 0) return 34;
    if (boss.vx < 0 && boss.vy < 0) return 35;
    return 11;
}

}  // namespace

int boss_defeat_pattern(entity* self) {
    enemy* boss = boss_of(self);
    if (!boss) return 0;
    stage_info.scroll_speed_x /= 1.3;
    const int count = ++boss->free_var[0];
    boss->health = 20;  // keeps the enemy update from paying out for the knock-away
    if (count == 1) {
        boss->flags |= flag_knockback_state | flag_knocked_back | flag_deep_chain |
                       flag_through_blocks | flag_no_friction | flag_no_gravity | flag_no_wrap;
        boss->flags2 |= flag2_no_clamp | flag2_fast;
    }
    if (std::fabs(boss->vy) >= 22) {
        boss->vx = away_from_zero(boss->vx, 0.02);
        boss->vy = away_from_zero(boss->vy, 0.02);
    } else {
        boss->vx *= 1.008;
        boss->vy *= 1.008;
    }
    if (count % 3 == 0) boss_sparks(5, boss->x, boss->y, 0, flag2_no_clamp, 0.2);
    bounce_off_edges(*boss);
    if (boss->y > 3.0 * stage_info.height) finish_fight(*boss);
    return tumble_frame(*boss);
}

int boss_aftermath_pattern(entity* self) {
    const int c = ++self->free_var[0];
    if (c > 120) control_music(music_play, 4, 0);
    if (c == 295) {
        for (int k = 0; k < 4; ++k) spawn_effect("tesmo_bomb_bg", 0, 0, 1.0, 0, 0, 0, 0);
    }
    if (c > 300) game_cleared = 1;
    return c <= 90 ? 80 : 81;
}
