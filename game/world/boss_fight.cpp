// The boss fight: one state machine driven once a frame, its attacks chosen by
// the phase, the distance to player 0 and the recent history of attacks.
#include "world/boss_fight.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "world/boss_bar.h"
#include "world/boss_defeat.h"
#include "world/boss_shots.h"
#include "world/bullet.h"
#include "world/bullet_patterns.h"
#include "world/debug_overlay.h"
#include "world/draw_queue.h"
#include "world/effects.h"
#include "world/game_random.h"
#include "world/items.h"
#include "world/pools.h"
#include "world/sound_effects.h"
#include "world/text_format.h"
#include "world/world_globals.h"

namespace {

// free_var slots of the state machine.
enum : int {
    v_state = 0,
    v_timer = 1,
    v_volleys = 2,
    v_passes = 3,   // in the beam: its angle
    v_history = 4,  // 4..7, newest first; scratch in the later phases
    v_scratch = 5,
    v_moves = 8,
    v_combo_timer = 13,
    v_combo = 14,
    v_last_health = 15,
};
constexpr int v_beam_angle = v_passes;
constexpr int v_wait = v_history;
constexpr int v_dive_step = v_history;
constexpr int v_dive_speed = v_scratch;
constexpr int v_landing_wait = 6;  // in the dive: frames since it ended, waiting to land

constexpr uint32_t flag_float = flag_no_gravity;      // 0x200
constexpr uint32_t flag_blink = flag_glow;            // 0x200000
constexpr uint32_t flag_landing = flag_knocked_back;  // 0x400
constexpr uint32_t flag_sliding = flag_no_friction;   // 0x100
constexpr uint32_t flag_dash_series = 0x40;
constexpr uint32_t flag_dash = flag_no_wrap;       // 0x1000000
constexpr uint32_t flag2_bounds = flag2_no_clamp;  // 0x10
constexpr uint32_t flag2_dash = 0x8;
constexpr uint32_t movement_flags = flag_landing | flag_sliding;
constexpr uint32_t dash_flags = flag_dash_series | flag_dash;

constexpr int health_base = 10000;
constexpr int phase_health = 11000;
constexpr int no_pose = -1;
// Frames a dive waits to land once it has ended; a fall from the top of the
// stage takes about half of it.
constexpr int landing_wait_limit = 120;

enum : int {
    pose_stand = 0,
    pose_crouch = 3,
    pose_air = 4,
    pose_hover = 5,
    pose_charge = 6,
    pose_fire = 7,
    pose_leap = 8,
    pose_fan = 9,
    pose_after_fan = 10,
    pose_hurt = 11,
    pose_beam_rising = 12,
    pose_beam = 13,
};

struct fight {
    enemy& b;
    tesmo& player;
    int P = 0, Q = 0;  // penalty frames: charge windows, recovery
    int pose = no_pose;
    int& var(int k) { return b.free_var[k]; }
    int& timer() { return b.free_var[v_timer]; }
};

int mod(int a, int n) {
    const int r = a % n;
    return r < 0 ? r + n : r;
}

double degrees(double dy, double dx) {
    return std::atan2(dy, dx) * 180 / std::numbers::pi;
}

void show(const char* format, int value, int frames) {
    if (!debug_mode) return;
    char text[256];
    format_text_256(text, format, value);
    add_debug_message(text, frames);
}

bool on_ground(const enemy& b) {
    return (b.flags & flag_standing) != 0;
}

void leave_ground(enemy& b) {
    b.flags &= ~flag_standing;
}

void set_blink(enemy& b, bool on) {
    b.flags = on ? b.flags | flag_blink : b.flags & ~flag_blink;
}

void set_state(fight& f, int state) {
    f.var(v_state) = state;
    f.timer() = 0;
}

void push_history(fight& f) {
    for (int k = v_history + 3; k > v_history; --k) f.var(k) = f.var(k - 1);
    f.var(v_history) = f.var(v_state);
}

void face_player(fight& f) {
    if (f.b.x < f.player.x) f.b.facing = 1;
    if (f.b.x > f.player.x) f.b.facing = 0;
}

void face_by_thirds(fight& f) {
    const double third = stage_info.width / 3.0;
    if (f.b.x < third)
        f.b.facing = 1;
    else if (f.b.x > 2 * third)
        f.b.facing = 0;
    else
        face_player(f);
}

bool player_down(const tesmo& p) {
    return (p.flags & (flag_defeated | flag_knocked_away)) != 0;
}

// +1 when facing right, -1 when facing left.
double ahead(const enemy& b) {
    return b.facing == 0 ? -1.0 : 1.0;
}

// Sideways shake of one pixel while charging.
void shake_sideways(enemy& b, int t) {
    set_blink(b, mod(t, 6) < 3);
    b.draw_dx = mod(t, 12) < 6 ? 1.0 : -1.0;
}

// Inside the charge window the boss blinks and shakes; outside it is still.
void charge_shake(enemy& b, int t, bool in_window) {
    if (in_window) {
        shake_sideways(b, t);
    } else {
        set_blink(b, false);
        b.draw_dx = 0;
    }
}

void hurt_shake(enemy& b, int t) {
    const int step = mod(t, 8) / 2;
    b.draw_dx = step == 0 ? -1.0 : step == 2 ? 1.0 : 0.0;
}

void trail_burst(const enemy& b) {
    boss_sparks(5, b.x, b.y, 0, 0, 0.2);
}

int random_small_type() {
    return 3 + static_cast<int>(game_random(4));
}

void ring(const enemy& b, int n, double first, double step, double speed, int life) {
    for (int k = 0; k < n; ++k)
        boss_slowing_bullet(random_small_type(), life, 0, b.x, b.y, first + k * step, speed);
}

// The dash acceleration of the later phases: d / 10 a frame along the facing.
void dash_on(fight& f, double d) {
    f.b.vx += ahead(f.b) * d / 10;
}

// --- Phase 3 ----------------------------------------------------------------
// Hurt after a phase end (state -1) and staggered by a combo (state 11): the
// boss stands shaking until the timer reaches last, then goes on to next.
void stagger(fight& f, int last, int next) {
    enemy& b = f.b;
    const int t = ++f.timer();
    b.flags &= ~(movement_flags | flag_float | dash_flags | flag_blink);
    // Either may begin off-screen, between passes: with its bounds back the
    // arena's border pulls the boss in before it falls below the stage.
    b.flags2 &= ~(flag2_dash | flag2_bounds);
    b.vx = 0;
    f.pose = pose_hurt;
    hurt_shake(b, t);
    if (t >= last) {
        b.draw_dx = 0;
        set_state(f, next);
    }
}

// The charging states wait in the air in their charge pose; on ground their
// timer runs. The new timer, or 0 while waiting.
int charge_timer(fight& f) {
    if (!on_ground(f.b)) {
        f.b.flags |= flag_landing;
        f.pose = pose_charge;
        return 0;
    }
    f.b.flags &= ~flag_landing;
    return ++f.timer();
}

void hop_and_shoot(fight& f) {
    enemy& b = f.b;
    face_player(f);
    const int t = charge_timer(f);
    if (t == 0) return;
    const double p = 0.33 * f.P;
    if (t == 1) {
        b.vx = -4.0 * ahead(b);
        b.vy = -2.0;
        leave_ground(b);
    } else {
        b.vx = -ahead(b) * 2 / (t + 1);
    }
    charge_shake(b, t, t > 20 - p && t <= 50 - p);
    if (t > 50 - p && t <= 60 - p && mod(t, 3) == 1) {
        play_sound_effect("enemyheavyshot1");
        const double a = degrees(f.player.y - b.y, f.player.x - b.x);
        for (int k = -1; k <= 1; ++k) {
            if (bullet* s = boss_bullet(4, 100, 1, b.x, b.y, a + 5 * k, 6.0)) {
                s->accel = -0.8;
                s->accel_change = 0.04;
                s->move_pattern = move_pattern_bullet_speedlimiter;
            }
        }
    }
    f.pose = t > 60 - p ? pose_fire : pose_charge;
    if (t > 160 - p) set_state(f, 0);
}

void walk(fight& f, int direction) {
    enemy& b = f.b;
    const int t = ++f.timer();
    b.facing = direction;
    const double step = on_ground(b) ? 0.8 : 0.24;
    b.vx += direction == 0 ? -step : step;
    if (on_ground(b)) {
        constexpr int cycle[] = {0, 1, 0, 2};
        f.pose = cycle[mod(b.tick, 32) / 8];
    }
    if (t > 5) set_state(f, 0);
}

void high_jump(fight& f) {
    enemy& b = f.b;
    const int t = ++f.timer();
    if (t == 1) {
        leave_ground(b);
        play_sound_effect("enemy_jump");
        b.vy -= 9.6;
    } else {
        b.vy -= 0.8;
    }
    f.pose = t < 3 ? pose_crouch : pose_air;
    if (t > 10) set_state(f, 0);
}

// count bullets ahead, speed base_speed + 0..9, within spread degrees.
void spray_volley(fight& f, int count, int life, double spread, int base_speed, int type) {
    enemy& b = f.b;
    const double base = b.facing == 0 ? 180 : 0;
    for (int k = 0; k < count; ++k) {
        const double speed = base_speed + game_random(10);
        const double angle = base + game_random(static_cast<uint32_t>(spread)) - spread / 2;
        if (bullet* s = boss_bullet(type, life, 1, b.x, b.y, angle, speed)) {
            s->move_pattern = bullet_early_flag_pattern;
            s->accel = -speed / life;
        }
    }
}

void ground_spray(fight& f) {
    enemy& b = f.b;
    if (f.timer() < 60 - f.P) face_player(f);
    const int t = charge_timer(f);
    if (t == 0) return;
    charge_shake(b, t, t > 20 - f.P && t <= 60 - f.P);
    if (t > 60 - f.P && t <= 84 - f.P && mod(t, 8) == 1) {
        constexpr int kinds[] = {0, 2, 3};
        const int type = 3 + kinds[mod(f.var(v_volleys), 3)];
        play_sound_effect("enemyheavyshot1");
        spray_volley(f, 20, 60, 40, 10, type);
        ++f.var(v_volleys);
    }
    f.pose = t > 60 - f.P ? pose_fire : pose_charge;
    if (t > 144 - f.P - 1.5 * f.Q) {
        push_history(f);
        set_state(f, 0);
    }
}

void rush(fight& f) {
    enemy& b = f.b;
    if (f.timer() < 60 - f.P) face_player(f);
    const int t = ++f.timer();
    if (t == 1) {
        leave_ground(b);
        b.vy = -3.0;
    }
    if (!on_ground(b) && b.vy > 0) {
        b.flags |= flag_float;
        b.vy = 0;
        b.flags2 |= flag2_dash;
    }
    set_blink(b, t >= 31 && t <= 60 - f.P);
    if (t > 60 - f.P) {
        b.vx += ahead(b) * 7.68;
        if (t % 5 == 0) trail_burst(b);
    }
    if (t == 72 - f.P && game_random(3) == 0 && f.player.y > 400) {
        b.flags &= ~flag_float;
        b.vy = -6.0;
        b.flags2 &= ~flag2_dash;
        b.vx /= 10;
        play_sound_effect("enemyheavyshot1");
        ring(b, 10, 0, 36, 14.0, 40);
        ring(b, 10, 0, 36, 10.0, 40);
        set_state(f, 0);
        return;
    }
    if (t > 115 - f.P) {
        b.flags &= ~flag_float;
        b.flags2 &= ~flag2_dash;
        push_history(f);
        set_state(f, 0);
    }
}

void leap_and_fan(fight& f) {
    enemy& b = f.b;
    const int t = ++f.timer();
    if (t == 1) {
        play_sound_effect("enemy_jump");
        b.vy = -10.0;
        const bool left_of_player = b.x <= f.player.x;
        b.vx = left_of_player ? -5.0 : 5.0;
        b.facing = left_of_player ? 1 : 0;
        leave_ground(b);
    }
    f.pose = pose_leap;
    if (!on_ground(b)) {
        if (b.vy < 0)
            b.vx = b.vx > 0 ? std::max(0.0, b.vx - 1.76) : std::min(0.0, b.vx + 1.76);
        else if (b.vy > 0)
            b.vy = 0, b.flags |= flag_float;
    }
    if (t == 36 - f.P) {
        attach_effect("black_ring", &b, -1, 0, 0.5, 0, 0);
        play_sound_effect("charge1");
    }
    set_blink(b, t >= 31 && t <= 60 - f.P);
    if (t == 60 - f.P) screen_shake.magnitude += 8;
    if (t > 60 - f.P && t <= 70 - f.P) {
        f.pose = pose_fan;
        if (t % 2 == 0) {
            play_sound_effect("enemyheavyshot2");
            const double first = b.facing == 0 ? 95 : 5;
            for (int k = 0; k < 6; ++k) {
                if (bullet* s =
                        boss_bullet(random_small_type(), 40, 1, b.x, b.y, first + 16 * k, 14.0)) {
                    s->hit_w *= 1.1;
                    s->hit_h *= 1.1;
                    s->draw_scale *= 1.25;
                    s->move_pattern = bullet_blink_pattern;
                }
            }
        }
    }
    if (t > 64 - f.P) f.pose = pose_after_fan;
    if (t > 110 - f.P - f.Q) {
        b.flags &= ~flag_float;
        push_history(f);
        set_state(f, 0);
    }
}

// --- Phase 2 ----------------------------------------------------------------
void dash_flags_on(enemy& b) {
    b.flags |= dash_flags;
    b.flags2 |= flag2_bounds | flag2_dash;
}

void rise_and_leave(fight& f) {
    enemy& b = f.b;
    if (stage_info.scroll_speed_x > -8.0) stage_info.scroll_speed_x -= 0.025;
    dash_flags_on(b);
    const int t = ++f.timer();
    if (t == 1) {
        leave_ground(b);
        b.vy = -3.0;
    }
    if (!on_ground(b) && b.vy > 0) b.flags |= flag_float, b.vy = 0;
    if (t > 40) {
        const double d = (t - 40) * 1.6;
        dash_on(f, d);
        b.vy = -d / 10;
        if (t % 5 == 0) trail_burst(b);
    }
    if (b.x > stage_info.width + 200 || b.x < -200) set_state(f, 0);
}

// The first frame of a pass: in from the side the boss left by.
int enter_pass(fight& f) {
    enemy& b = f.b;
    b.vx = b.vy = 0;
    if (b.x >= 0) {
        b.facing = 0;
        b.x = stage_info.width + 200;
    } else {
        b.facing = 1;
        b.x = -200;
    }
    ++f.var(v_passes);
    return f.var(v_wait) = std::max(80 - f.var(v_passes), 40);
}

// A height away from the player's. A stage lower than the band gets a range
// of 1, and the draw is tried at most 16 times (the last one stands).
double pass_height(const tesmo& p) {
    const int range = std::max(1, stage_info.height - 224);
    double y = 0;
    for (int tries = 0; tries < 16; ++tries) {
        y = 64 + static_cast<double>(game_random(static_cast<uint32_t>(range)));
        if (std::fabs(y - p.y) > 60) break;
    }
    return y;
}

void dash_across(fight& f) {
    enemy& b = f.b;
    dash_flags_on(b);
    const int t = ++f.timer();
    const int w = t == 1 ? enter_pass(f) : f.var(v_wait);
    if (t < w) {
        b.vx = 0;
        const int pass = mod(f.var(v_passes), 5);
        if (pass == 0 || pass == 3) {
            if (debug_mode) add_debug_message("Tesmo targetted", 2);
            if (!player_down(f.player)) b.y = f.player.y;
        } else {
            b.y = pass_height(f.player);
        }
        b.y = std::min(b.y, stage_info.height - 48.0);
    } else {
        const double dy = f.player.y - b.y;
        b.vy = std::fabs(dy) <= 2.5 ? 0 : dy > 0 ? 0.5 : -0.5;
        dash_on(f, (t - w) * 1.6);
        if (t % 5 == 0) trail_burst(b);
        if (t % 7 == 0 && b.x > 64 && b.x < stage_info.width - 64) {
            screen_shake.magnitude += 2;
            play_sound_effect("enemyheavyshot1");
            for (int k = 0; k < 7; ++k) {
                const int type = random_small_type();
                const double dx = static_cast<int>(game_random(16)) - 8;
                const double dy2 = static_cast<int>(game_random(16)) - 8;
                const double angle = game_random(360);
                const double speed = 5 + game_random(6);
                boss_slowing_bullet(type, 120, 0, b.x + dx, b.y + dy2, angle, speed);
            }
        }
    }
    if (b.x > stage_info.width + 300 || b.x < -300)
        set_state(f, mod(f.var(v_passes), 5) == 4 ? 10 : 0);
}

void last_pass(fight& f) {
    enemy& b = f.b;
    const int t = ++f.timer();
    int w = f.var(v_wait);
    if (t == 1) {
        w = enter_pass(f);
        b.y = f.player.y - 16;
    }
    const int landing = w + 38;
    if (t <= w) {
        b.vx = 0;
    } else if (t < landing && (b.flags2 & flag2_bounds)) {
        dash_on(f, (t - w) * 1.6);
        if (t % 5 == 0) trail_burst(b);
    }
    if (t == landing) {
        // The pass ends inside the arena: the bounds come back with the landing.
        b.flags &= ~(flag_float | dash_flags);
        b.flags2 &= ~(flag2_dash | flag2_bounds);
        b.vy = -5.0;
        f.var(v_combo) = 0;
        f.var(v_volleys) = 0;
        b.vx /= 1.5;
    }
    if (t > landing && !on_ground(b) && t < w + 54) {
        b.vy -= 0.17;
        b.vx += ahead(b) * 1.12;
    }
    if (t > landing && on_ground(b)) {
        b.vx *= 0.94;
        b.flags |= movement_flags;
        f.pose = pose_charge;
        if (std::fabs(b.vx) >= 0.3)
            face_player(f);
        else
            b.flags &= ~movement_flags;
        if (!(b.flags & movement_flags)) {
            f.pose = pose_fire;
            if (mod(t, 8) == 1) {
                if (f.var(v_volleys) < 5) {
                    screen_shake.magnitude += 2;
                    play_sound_effect("enemyheavyshot1");
                    constexpr int kinds[] = {0, 2, 3, 1};
                    const int type = 3 + kinds[mod(f.var(v_volleys), 4)];
                    spray_volley(f, 50, 70, 90, 12, type);
                }
                ++f.var(v_volleys);
            }
            if (f.var(v_volleys) > 8) {
                b.draw_dx = 0;
                set_state(f, 8);
                return;
            }
        }
    }
    if (f.var(v_combo) > 27 && (std::fabs(b.vx) > 0.3 || !on_ground(b))) set_state(f, 11);
}

// --- Phase 1 ----------------------------------------------------------------
void slow_background(double floor) {
    if (stage_info.scroll_speed_x > floor) stage_info.scroll_speed_x -= 0.025;
}

struct ray {
    double offset;
    int red, green, blue;
};
constexpr ray aim_rays[] = {{0.5, 250, 250, 100}, {-0.5, 100, 250, 250}};
constexpr ray beam_rays[] = {{15, 250, 100, 100}, {9, 250, 250, 100},  {3, 100, 250, 100},
                             {-3, 100, 250, 250}, {-9, 100, 100, 250}, {-15, 250, 100, 250}};

void queue_rays(const enemy& b, int angle, const auto& rays, int sprite, int layer, int param) {
    for (const ray& r : rays)
        queue_sprite_ex(sprite, layer, 0, 0, 2, param, r.red, r.green, r.blue, b.x, b.y,
                        angle + r.offset, 1.0);
}

void turn_aim(fight& f) {
    int& a = f.var(v_beam_angle);
    double target = degrees(f.b.y - f.player.y, f.b.x - f.player.x);
    if (target < -90) target += 360;
    if (a < target) ++a;
    if (a > target) --a;
    a = f.b.facing == 0 ? std::clamp(a, -20, 20) : std::clamp(a, 160, 200);
}

void beam_bullets(const enemy& b, int angle) {
    for (int k = 0; k < 25; ++k) {
        const double inner = 96 + (5.0 * k - 125) / 3, outer = 96 - 4.0 * k / 3;
        const double rays[][2] = {{182.5, inner}, {177.5, inner}, {172.5, outer}, {187.5, outer}};
        for (const auto& r : rays) {
            const int slot =
                spawn_bullet(2, 1, -1, 0, b.x, b.y, r[1], r[1], angle + r[0], 32.0 * k, 0, 0, 0, 0);
            if (slot < 0 || slot >= bullets.size) continue;
            bullet& s = bullets[slot];
            s.flags |= flag_dash_series | flag_no_wrap;
            s.flags2 |= flag2_no_clamp;
            s.spare_byte = 1;  // the collision step counts the beam as a miss
        }
    }
}

void beam(fight& f) {
    enemy& b = f.b;
    slow_background(-12.0);
    if (f.timer() < 40) face_by_thirds(f);
    const int t = charge_timer(f);
    if (t == 0) return;
    int& a = f.var(v_beam_angle);
    if (t == 1) {
        b.vy = -2.0;
        leave_ground(b);
    } else {
        b.vx = -ahead(b) * 2 / (t + 1);
    }
    if (t == 20) {
        attach_effect("ring_slow", &b, -1, 0, 1.0, 0, 0);
        play_sound_effect("charge5");
        play_sound_effect("charge6_");
        a = static_cast<int>(degrees(b.y - f.player.y, b.x - f.player.x));
    }
    if (t == 70) {
        screen_shake.magnitude += 8;
        attach_effect("black_ring", &b, -1, 0, 1.3, 0, 0);
        play_sound_effect("charge7");
    }
    if (t >= 20 && t < 40 && mod(t, 3) == 1) turn_aim(f);
    if (t >= 21 && t <= 95) {
        const int param = t <= 30 ? 20 * t - 400 : t <= 85 ? 100 : (90 - t) * 20;
        queue_rays(b, a, aim_rays, 268, 250, param);
        screen_shake.magnitude = std::max(screen_shake.magnitude, 2.0);
        shake_sideways(b, t);
    }
    if (t == 95) play_sound_effect("kvorn");
    if (t >= 96 && t <= 250) {
        const int width = t <= 105 ? 14 * (t - 95) : t <= 240 ? 140 : 14 * (250 - t);
        screen_shake.magnitude = t <= 105 ? (t - 95) + 10 : t <= 240 ? 20 : 20 - (t - 240);
        queue_rays(b, a, beam_rays, 269, 120, width);
        if (width > 139) beam_bullets(b, a);
    }
    f.pose = t <= 60 ? pose_charge : t <= 100 ? pose_beam_rising : pose_beam;
    if (t > 270) {
        ++f.var(v_scratch);
        set_state(f, 0);
    }
}

void dive(fight& f) {
    enemy& b = f.b;
    slow_background(-12.0);
    const int t = ++f.timer();
    const double w = stage_info.width;
    if (t == 1) {
        leave_ground(b);
        b.vy = -3.0;
        b.flags |= dash_flags;
        b.flags2 |= flag2_dash;
        f.var(v_dive_step) = 0;
        face_by_thirds(f);
    }
    int& step = f.var(v_dive_step);
    int& speed = f.var(v_dive_speed);
    if (!on_ground(b) && b.vy > 0 && step == 0) {
        b.flags |= flag_float;
        b.vy = 0;
        step = 1;
    }
    if (t < 21 && step == 1) {
        if (std::fabs(b.y - f.player.y) < 50)
            speed = 0;
        else if (b.y < f.player.y)
            speed = 5;
        else
            speed = b.x < w / 4 || b.x > 3 * w / 4 ? -5 : -8;
    }
    if (t > 20 && (b.flags & flag_dash) && step == 1) {
        b.vy = speed;
        dash_on(f, t * 1.6);
        if (t % 5 == 0) trail_burst(b);
        if (t % 8 == 0) {
            play_sound_effect("enemyheavyshot1");
            ring(b, 4, 45, 90, 8.0, 80);
            ring(b, 4, 45, 90, 5.0, 80);
        }
    }
    const bool past = b.facing == 0 ? b.x < w / 5 : b.x > w - w / 5;
    if (step == 1 && past) {
        b.flags &= ~(flag_float | dash_flags);
        b.flags2 &= ~(flag2_dash | flag2_bounds);
        step = 2;
        if (speed != 0)
            b.flags &= ~flag_sliding, b.vx = 0;
        else
            b.flags |= flag_sliding;
        b.vy = -6.0;
        play_sound_effect("enemyheavyshot1");
        ring(b, 8, 22.5, 45, 8.0, 120);
        ring(b, 8, 22.5, 45, 5.0, 120);
        f.var(v_landing_wait) = 0;
    }
    if (step != 2) return;
    if (on_ground(b)) {
        b.flags &= ~flag_sliding;
        const bool in_front = b.facing == 0 ? f.player.x < b.x : f.player.x > b.x;
        set_state(f, std::fabs(b.y - f.player.y) < 80 && in_front ? 5 : 12);
        return;
    }
    // A dive that passed through the floor can end held inside it, where no
    // top face is met: the boss would wait there for good. Dive again.
    if (++f.var(v_landing_wait) > landing_wait_limit) set_state(f, 0);
}

void beaten(fight& f) {
    enemy& b = f.b;
    b.flags &= ~(movement_flags | flag_float | flag_blink | dash_flags);
    b.flags2 &= ~(flag2_dash | flag2_bounds);
    f.pose = pose_hurt;
    b.flags |= flag_stunned;
    b.stun_frames = 99;
}

// --- The choice -------------------------------------------------------------
// Phase 3 with the player more than 128 px above or below.
int choose_by_column(fight& f, double dy, bool count_k_walks) {
    enemy& b = f.b;
    if (dy < 0) {
        const int c = static_cast<int>(b.x * 0.03125);
        show("factor %d", c, 5);
        if (c == 0 || c == 1 || c == 12 || c == 23 || c == 24) {
            if (!on_ground(b)) return 0;
            f.var(v_moves) += 4;
            return 4;
        }
        if ((c >= 2 && c <= 6) || (c >= 13 && c <= 17)) return ++f.var(v_moves), 2;
        if ((c >= 7 && c <= 11) || (c >= 18 && c <= 22) || c > 24) return ++f.var(v_moves), 3;
        return 0;
    }
    const int k = static_cast<int>(b.x / 200);
    if (count_k_walks) ++f.var(v_moves);
    return k == 1 || k == 3 ? 2 : 3;
}

int choose_in_phase_3(fight& f) {
    enemy& b = f.b;
    const tesmo& p = f.player;
    if (player_down(p) || !(p.flags & flag_in_use)) {
        f.pose = pose_stand;
        for (int k = v_history; k < v_history + 4; ++k) f.var(k) = 0;
        return 0;
    }
    const double dy = p.y - b.y;
    const bool stunned = (p.flags & flag_stunned) != 0;
    if (std::fabs(dy) > 128) return choose_by_column(f, dy, stunned);
    if (stunned) return 1;
    if (!on_ground(b)) return b.facing == 0 ? 2 : 3;
    const double dx = std::fabs(b.x - p.x), ey = b.y - p.y;
    if (dx < 80 && std::fabs(ey) < 75 && ey > -20) return 7;
    if (dx < 300 && std::fabs(ey) < 40) return 5;
    if (dx > 400 && std::fabs(ey) < 40) return 6;
    ++f.var(v_moves);
    return b.x <= p.x ? 3 : 2;
}

int choose(fight& f) {
    enemy& b = f.b;
    if (b.phases_left >= 3) return choose_in_phase_3(f);
    if (b.phases_left == 2) {
        if (b.flags & flag_dash_series) return 9;
        const int c = static_cast<int>(b.x * 0.03125);
        if (c == 12) {
            f.var(v_passes) = 0;
            f.var(v_wait) = 0;
            return 8;
        }
        return c >= 0 && c <= 11 ? 3 : 2;
    }
    return b.phases_left == 1 ? 13 : 99;
}

// Returns true when state 0 picked another state.
bool run_state(fight& f) {
    switch (f.var(v_state)) {
        case -1:
            stagger(f, 61, 0);
            break;
        case 0: {
            const int next = choose(f);
            if (next == 0) return false;
            set_state(f, next);
            return true;
        }
        case 1:
            hop_and_shoot(f);
            break;
        case 2:
            walk(f, 0);
            break;
        case 3:
            walk(f, 1);
            break;
        case 4:
            high_jump(f);
            break;
        case 5:
            ground_spray(f);
            break;
        case 6:
            rush(f);
            break;
        case 7:
            leap_and_fan(f);
            break;
        case 8:
            rise_and_leave(f);
            break;
        case 9:
            dash_across(f);
            break;
        case 10:
            last_pass(f);
            break;
        case 11:
            stagger(f, 161, 8);
            break;
        case 12:
            beam(f);
            break;
        case 13:
            dive(f);
            break;
        case 99:
            beaten(f);
            break;
        default:
            set_state(f, 0);
            break;  // a state no frame of the fight sets
    }
    return false;
}

// --- Every frame ------------------------------------------------------------
int start_defeat(enemy& b) {
    screen_shake.magnitude = 5.0;
    b.move_pattern = boss_defeat_pattern;
    b.free_var[v_state] = 0;
    b.free_var[v_timer] = 0;
    play_sound_effect("enemydefeat_echo");
    b.vy = -2.0;
    // The killer field comes from whatever hit last: only a player's facing counts.
    const bool by_player = b.killer == 0 || b.killer == 1;
    b.vx = by_player && players[b.killer].facing == 1 ? 2.0 : -2.0;
    return boss_defeat_pattern(&b);
}

void end_phase(fight& f) {
    enemy& b = f.b;
    if (b.health >= health_base) return;
    if (--b.phases_left <= 0) {
        set_state(f, 99);
        return;
    }
    b.health = phase_health;
    boss_bar.boss = &b;
    boss_bar.full_health = phase_health;
    boss_bar.empty_health = health_base;
    for (int k = 0; k < 20; ++k) spawn_item(false, b.x, b.y, game_random(360), 26.0);
    set_state(f, -1);
}

void show_state(const enemy& b) {
    if (!debug_mode) return;
    char text[256];
    for (int k : {0, 1, 8}) {
        format_text_256(text, "Entity.free_var[%d] %d", k, b.free_var[k]);
        add_debug_message(text, 1);
        format_text_256(text, "myself->free_var[%d] %d", k, b.free_var[k]);
        add_debug_message(text, 1);
    }
    format_text_256(text, "Entity (%.1f, %.1f)", b.x, b.y);
    add_debug_message(text, 1);
}

void track_combo(fight& f) {
    int& timer = f.var(v_combo_timer);
    int& combo = f.var(v_combo);
    if (timer >= 0 && --timer < 0) combo /= 2;
    const int h = f.b.health - health_base;
    if (h != f.var(v_last_health)) {
        if (h < f.var(v_last_health)) {
            combo += f.var(v_last_health) - h;
            timer = 60;
        }
        f.var(v_last_health) = h;
    }
    if (combo > 0) show("COMBO DMG (%d)", combo, 1);
}

void age_history(fight& f) {
    if (f.var(v_moves) <= 6) return;
    f.var(v_moves) -= 6;
    for (int k = v_history + 3; k > v_history; --k) f.var(k) = f.var(k - 1);
    f.var(v_history) = 0;
}

void weigh_penalty(fight& f) {
    f.P = f.Q = 0;
    if (f.b.phases_left == 1) {
        f.P = 50, f.Q = 25;
        return;
    }
    if (f.b.phases_left != 3) return;
    int same = 0;
    for (int k = v_history; k < v_history + 4; ++k) same += f.var(k) == f.var(v_state);
    constexpr int charge[] = {0, 8, 16, 30, 45}, recovery[] = {0, 8, 16, 30, 35};
    f.P = charge[same], f.Q = recovery[same];
    if (same > 0 && debug_mode) {
        char text[256];
        format_text_256(text, "penalty %d+%d frames", f.P, f.Q);
        add_debug_message(text, 1);
    }
}

int finish_frame(fight& f) {
    enemy& b = f.b;
    if (f.pose == no_pose) {
        if (b.flags & flag_float) {
            f.pose = pose_hover;
            constexpr double bob[] = {0, 1, 0, -1};
            b.draw_dy = bob[mod(b.tick, 16) / 4];
        } else if (!on_ground(b)) {
            f.pose = pose_air;
        } else {
            f.pose = pose_stand;  // a state that sets no standing pose shows the first
        }
    }
    b.flags &= ~flag_standing;
    return b.facing * 16 + f.pose;
}

int run_fight(enemy& b, bool may_run_again) {
    if (b.flags & (flag_knocked_away | flag_defeated)) return start_defeat(b);
    fight f{b, players[0]};
    end_phase(f);
    show_state(b);
    b.draw_dy = 0;
    track_combo(f);
    age_history(f);
    weigh_penalty(f);
    // The new state's first frame runs at once, once per frame at most.
    if (run_state(f) && may_run_again) return run_fight(b, false);
    return finish_frame(f);
}

}  // namespace

int move_pattern_bossdolvek(entity* self) {
    enemy* boss = boss_of(self);
    if (!boss) return 0;  // bound to another kind of entity by a stage file
    return run_fight(*boss, true);
}
