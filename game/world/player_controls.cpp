// The player's per-frame control: walking, the four jumps, the dash, wall
// clinging, swimming, the kick and the shot, and the bomb.
#include <algorithm>
#include <utility>

#include "DuRud.h"
#include "world/action_queue.h"
#include "world/affecters.h"
#include "world/collision_geometry.h"
#include "world/effects.h"
#include "world/game_random.h"
#include "world/items.h"
#include "world/player.h"
#include "world/pools.h"
#include "world/sound_effects.h"
#include "world/world_globals.h"
#include "world/data_names.h"

namespace {

constexpr uint32_t cling_flags = flag_slide_left | flag_slide_right;
constexpr int frame_knocked = 29;
constexpr int frame_stunned = 9;
constexpr int frame_bomb_charge = 83;
constexpr int frame_bomb_blast = 84;
constexpr int frame_debug_pose = 81;
constexpr int key_debug_pose = 25;
constexpr int bomb_blast_tick = 20;
constexpr int bomb_end_tick = 45;
constexpr double bomb_reach_squared = 140.0 * 140.0;

// The frame with the facing's offset; the bomb and debug poses have none.
int shown_frame(const tesmo* p, int frame) {
    if (frame == frame_debug_pose || frame == frame_bomb_charge || frame == frame_bomb_blast)
        return frame;
    return p->facing * 40 + frame;
}

int show(tesmo* p, int frame) {
    p->pattern_result = shown_frame(p, frame);
    return p->pattern_result;
}

bool held(const tesmo* p, int action) {
    return p->held[action] != 0;
}
bool pressed(const tesmo* p, int action) {
    return p->held[action] == 1;
}
bool facing_held(const tesmo* p) {
    return held(p, p->facing == 0 ? action_left : action_right);
}
double feet_y(const tesmo* p) {
    return p->y + p->hit_dy + p->hit_h / 2;
}

void jump_sound_and_blast(const tesmo* p) {
    play_sound_effect(data_names::sound::tesmo_jump);
    spawn_effect(data_names::effect::white_jumpblast, p->x, feet_y(p), 1.0, 0, 0, 0, 0);
}

void start_bomb(tesmo* p) {
    p->bomb_timer = 1;
    for (int i = 0; i < 5; ++i)
        spawn_effect(data_names::effect::tesmo_bomb_bg, p->x, p->y, 1.0, 0, 0, 0, 0);
    spawn_effect(data_names::effect::black_ring, p->x, p->y, 1.0, 0, 0, 0, 0);
    play_sound_effect(data_names::sound::charge1);
    p->flags |= flag_blinking;
    p->bomb_gauge = p->bomb_cost;
}

void bomb_blast(tesmo* p) {
    screen_shake.magnitude += 20;
    spawn_affecter("affecter_tesmobomb", *p, 0, 0, 0, 0);
    for (itempoint& spot : itempoints) {
        if (!(spot.flags & flag_in_use)) continue;
        const double dx = spot.x - p->x, dy = spot.y - p->y;
        if (dx * dx + dy * dy < bomb_reach_squared) open_itempoint(&spot);
    }
}

// A running bomb: the frame it shows.
int run_bomb(tesmo* p) {
    p->vy /= 1.5;
    p->vx = 0;
    p->flags |= flag_blinking | flag_no_gravity;
    p->flags &= ~(flag_glow | flag_stunned);
    p->draw_layer = 252;
    p->stun_frames = 0;
    p->invulnerable_frames = 120;
    p->bomb_gauge = p->bomb_gauge * 5 / 6;
    int frame = 0;
    if (p->bomb_timer < bomb_blast_tick) {
        frame = frame_bomb_charge;
        p->draw_dx = (p->bomb_timer % 8) / 4 == 0 ? -1.0 : 1.0;  // the charge shakes
    } else if (p->bomb_timer < bomb_end_tick) {
        frame = frame_bomb_blast;
        p->draw_dx = 0;
    } else if (p->bomb_timer == bomb_end_tick) {
        p->bomb_gauge = 0;
        p->bomb_timer = -10;
        frame = take_action_queue_head(frame);
        p->flags &= ~(flag_blinking | flag_back_jump | flag_rising | flag_pushing);
        p->flags |= flag_standing;
    }
    if (p->bomb_timer == bomb_blast_tick) bomb_blast(p);
    return frame;
}

void kick_particles(double x, double y) {
    for (const char* name :
         {data_names::effect::small_particle_white, data_names::effect::small_particle_orange}) {
        for (int i = 0; i < 5; ++i) {
            const double angle = game_random(360);
            const double speed = 12 + game_random(4);
            spawn_effect_polar(name, x, y, 1.0, angle, speed, -0.5);
        }
    }
}

// The kick; true when it hit an enemy.
bool kick(tesmo* p) {
    entity box;
    box.x = p->x;
    box.y = p->y;
    box.flags = p->flags & flag_no_wrap;
    box.hit_w = box.hit_h = 24;
    box.hit_dx = p->facing == 0 ? -8 : 8;
    bool hit = false;
    for (enemy& e : enemies) {
        if ((e.flags & flag_in_use) == 0 || (e.flags & (flag_knocked_away | flag_defeated)) != 0)
            continue;
        if (!entities_overlap(box, e)) continue;
        hit = true;
        if (e.flags & flag_stunned) {
            play_sound_effect(data_names::sound::enemy_kicked);
            e.knock_away(p->facing == 0 ? 190 : -10, 15);
            e.killer = player_number(p);
            e.chain_level = 1;
        } else {
            play_sound_effect(data_names::sound::enemy_kick_hit);
            e.take_damage((e.flags2 & 0x4) ? 6 : 25);  // a boss takes less
        }
        kick_particles((p->x + e.x) / 2, (p->y + e.y) / 2);
    }
    return hit;
}

void attack(tesmo* p) {
    if (p->flags & cling_flags) {
        fire_player_shots(p, p->facing == 0 ? 360 : 180);  // away from the wall
        set_action_queue(23, 3);
        append_action_queue(24, 4);
        append_action_queue(23, 2);
    } else if (kick(p)) {
        ++kick_count;
        set_action_queue(13, 2);
        append_action_queue(14, 4);
        append_action_queue(15, 10);
        append_action_queue(13, 4);
    } else {
        fire_player_shots(p, p->facing == 0 ? 180 : 360);
        set_action_queue(5, 2);
        append_action_queue(6, 3);
        append_action_queue(7, 3);
    }
}

void add_tag_frames(tesmo* p) {
    p->flags2 |= flag2_tagged;
    p->tag_frames = std::min(p->tag_frames + 15, 15);
}

// Jumps from the ground (or out of a dash). Returns the frame.
int ground_jumps(tesmo* p, int frame) {
    const double side = p->facing == 0 ? -1.0 : 1.0;
    if (held(p, action_up)) {
        const int h = p->released[action_jump];
        if (h <= 0) return held(p, action_jump) ? 17 : 16;  // the charge crouch
        p->flags &= ~flag_standing;
        p->flags |= flag_rising | flag_high_jump;
        p->vy -= h > 60 ? 16 : h / 7.5 + 8;
        play_sound_effect(data_names::sound::tesmo_jump);
        for (double scale : {1.0, 1.2, 1.4})
            spawn_effect(data_names::effect::white_jumpblast, p->x, feet_y(p), scale, 0, 0, 0, 0);
        for (int i = 0; i < -1.5 * p->vy; ++i) {
            spawn_effect_polar(data_names::effect::small_particle_morewhite, p->x, feet_y(p), 1.0,
                               45 + game_random(90), 4, -0.2);
        }
        return frame;
    }
    if (!pressed(p, action_jump)) return frame;
    p->flags &= ~flag_standing;
    p->ride = 1;
    if (held(p, action_down) && facing_held(p)) {  // the dash
        p->vy -= 2.0;
        p->flags |= flag_dash | flag_rising;
        p->flags2 &= ~flag2_dash_released;
        play_sound_effect(data_names::sound::tesmo_jump);
        p->vx = 6.0 * side;
        add_tag_frames(p);
        set_action_queue(18, 5);
        for (const auto& [f, n] :
             {std::pair{30, 2}, {31, 2}, {32, 3}, {33, 3}, {34, 3}, {35, 3}, {36, 3}})
            append_action_queue(f, n);
    } else if (held(p, action_down)) {  // the back-jump
        p->vy -= 4.0;
        p->flags |= flag_back_jump | flag_rising;
        play_sound_effect(data_names::sound::tesmo_jump);
        p->vx = -4.0 * side;
        add_tag_frames(p);
    } else {
        p->flags |= flag_rising;
        p->vy -= 6.0;
        jump_sound_and_blast(p);
    }
    return frame;
}

// The dash under way; true when the ground jump rules follow this frame.
bool dash(tesmo* p, int* frame) {
    if (!held(p, action_down) || !facing_held(p)) p->flags2 |= flag2_dash_released;
    const int n = ++p->ride;
    const bool released = p->flags2 & flag2_dash_released;
    if (pressed(p, action_jump) && released) {
        p->flags &= ~flag_dash;
        clear_action_queue();
        p->tag_frames = -10;
        return true;
    }
    if (pressed(p, action_attack)) {
        p->flags &= ~flag_dash;
        p->tag_frames = -10;
        return false;
    }
    if (n <= 24) {
        p->vx += (1.4 - n * 0.054) * (p->facing == 0 ? -1 : 1);
    } else if (released) {
        p->flags &= ~flag_dash;
    } else {
        *frame = (n - 24) % 48 < 24 ? 36 : 35;
    }
    if (n > 20 && !released && pressed(p, action_jump)) {
        p->tag_frames = -4;
        return true;
    }
    return false;
}

void back_jump(tesmo* p) {
    const bool standing = p->flags & flag_standing;
    if (held(p, action_jump) && !standing) {
        if (p->held[action_jump] - p->ride < 9) {
            p->vy -= 0.25;
            p->vx += p->facing == 0 ? 1.1 : -1.1;
        }
        return;
    }
    p->tag_frames = -10;
    if (p->vy >= 0) p->flags &= ~(flag_back_jump | flag_rising);
}

void cling_jumps(tesmo* p) {
    if (p->flags & flag_rising) {
        if (held(p, action_jump) && p->held[action_jump] - p->ride < 9) p->vy -= 0.29;
        if (!held(p, action_jump) && p->vy >= 0) p->flags &= ~flag_rising;
        return;
    }
    if (!held(p, action_jump) || held(p, action_down)) return;
    const bool left_wall = p->flags & flag_slide_left;
    const bool away = left_wall ? held(p, action_right) : held(p, action_left);
    if (away) {
        p->vx = left_wall ? 3.2 : -3.2;
        p->facing = left_wall ? 1 : 0;
        p->flags &= ~cling_flags;
        p->fall_tick = 0;
    } else {
        p->flags &= ~flag_standing;
        p->fall_tick -= 300;
    }
    p->flags |= flag_rising;
    p->vy -= 3.5;
    p->ride = p->held[action_jump];
    play_sound_effect(data_names::sound::tesmo_jump);
}

// Walking, the air and cling poses. Returns the frame.
int poses(tesmo* p) {
    int frame = 0;
    const uint32_t no_walk = flag_back_jump | cling_flags | flag_dash;
    if (!(p->flags & no_walk) && !held(p, action_up)) {
        const bool left = held(p, action_left), right = held(p, action_right);
        if (left != right) {
            p->vx += left ? -1.6 : 1.6;
            p->facing = left ? 0 : 1;
            const int h = p->held[left ? action_left : action_right];
            frame = (p->flags & flag_pushing) ? 4 : 1 + (h / 5) % 4;
        }
    }
    if (!(p->flags & (flag_standing | cling_flags | flag_back_jump))) {
        frame = p->vy < 0 || (p->flags & flag_in_water) ? 10 : 10 + (p->tick % 15) / 5;
    }
    if (p->flags & flag_back_jump) {
        const int h = p->held[action_jump];
        if (h == 1 || h == 2) {
            set_action_queue(25, 5);
        } else {
            frame = 26;
        }
        if (p->flags & flag_standing) set_action_queue(25, 8);
    }
    if (p->flags & flag_high_jump) {
        frame = 18;
        if (p->flags & flag_standing) p->flags &= ~flag_high_jump;
    }
    if (p->flags & flag_in_water) p->flags &= ~cling_flags;
    const int h = p->held[action_jump];
    const bool jump_tap = h >= 1 && h <= 3 && !held(p, action_down);
    if (p->flags & flag_slide_left) {
        frame = held(p, action_right) ? 23 : jump_tap ? 21 : 20;
        p->vx = -1.6;
    } else if (p->flags & flag_slide_right) {
        frame = held(p, action_left) ? 63 : jump_tap ? 61 : 60;
        p->vx = 1.6;
    }
    return frame;
}

}  // namespace

int update_player(tesmo* p) {
    p->hit_w = p->opp_hit_w[7];
    p->hit_h = p->opp_hit_h[7];
    p->hit_dx = p->opp_hit_dx[7];
    p->hit_dy = p->opp_hit_dy[7];
    if (!(p->flags & flag_in_use)) return 0;
    if (p->move_pattern != move_pattern_default) {  // a scripted scene drives the player
        p->pattern_result = p->move_pattern(p);
        return p->pattern_result;
    }
    p->flags &= ~flag_no_wrap;
    if (p->flags & (flag_knocked_away | flag_defeated)) {
        --p->health;
        p->flags |= flag_no_wrap;
        if (p->health <= 0) respawn_player(p);
        return show(p, frame_knocked);
    }

    if (held(p, action_bomb) && p->bomb_gauge >= p->bomb_cost) start_bomb(p);
    if (p->bomb_timer != 0) {
        ++p->bomb_timer;
        const bool grounded = (p->flags & flag_standing) && !(p->flags & flag_rising);
        if (p->bomb_timer < 0 && grounded) {
            p->flags |= flag_no_gravity;
        } else {
            p->flags &= ~flag_no_gravity;
        }
    }
    if (p->bomb_timer > 0) return show(p, run_bomb(p));

    p->draw_layer = -1;
    if (p->flags & flag_stunned) return show(p, take_action_queue_head(frame_stunned));

    int frame = poses(p);
    if (pressed(p, action_attack)) attack(p);

    if (!(p->flags & cling_flags)) {
        bool ground_rules = false;
        bool handled = false;
        if (p->flags & flag_dash) {
            ground_rules = dash(p, &frame);
            handled = !ground_rules;
        } else if (p->flags & flag_back_jump) {
            back_jump(p);
            handled = true;
        }
        const bool standing = (p->flags & flag_standing) && !(p->flags & flag_rising);
        if (ground_rules || (!handled && standing)) {
            frame = ground_jumps(p, frame);
        } else if (!handled && (p->flags & flag_rising)) {
            if (held(p, action_jump) && p->held[action_jump] - p->ride < 9) p->vy -= 0.5;
            if (!held(p, action_jump)) p->flags &= ~flag_rising;
        }
    } else {
        cling_jumps(p);
    }

    if ((p->flags & flag_in_water) && pressed(p, action_jump) && !(p->flags & flag_swim_stroke)) {
        play_sound_effect(data_names::sound::tesmo_jump);
        p->vy = -6.0;
        p->flags |= flag_swim_stroke;
    }
    if ((p->flags & cling_flags) && held(p, action_down)) {
        const bool toward_facing = p->facing == 0 ? held(p, action_left) : held(p, action_right);
        if (!toward_facing) {
            p->vx = 0;
            p->flags &= ~cling_flags;
            p->fall_tick = 0;
        }
    }
    if (p->bomb_timer <= 0) p->flags &= ~flag_standing;

    frame = take_action_queue_head(frame);
    if (DuRud::CheckKeyDown(key_debug_pose) == 1) frame = frame_debug_pose;
    return show(p, frame);
}
