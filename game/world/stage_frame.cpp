// The stage frame. Order is behaviour here: an item's move pattern sees the
// players already moved, and affecters act after every entity has moved.
#include "world/stage_frame.h"

#include "DuRud.h"
#include "world/bullet.h"
#include "world/draw_queue.h"
#include "world/enemy.h"
#include "world/interactions.h"
#include "world/items.h"
#include "world/motion.h"
#include "world/name_binding.h"
#include "world/player.h"
#include "world/pools.h"
#include "world/sound_effects.h"
#include "world/stage_drawing.h"
#include "world/world_globals.h"
#include "world/data_names.h"

namespace {

enum : int {
    key_f = 0x21,
    key_r = 0x13,
    key_t = 0x14,
    key_j = 0x24,
    key_k = 0x25,
    key_l = 0x26,
    key_semicolon = 0x27,
    key_comma = 0x33,
    key_colon = 0x92,
};
constexpr int state_reload_stage = 3, state_transition = 5, state_continue = 6, state_result = 8;
constexpr int big_item_category = 2048;
constexpr uint32_t flag_big_item = 0x1000000;

bool active(const entity& e) {
    return (e.flags & flag_in_use) != 0;
}
bool key_down(int key) {
    return DuRud::CheckKeyDown(key) == 1;
}

int f_was_down = 0;  // F acts on its press only

void request_step(int step) {
    stage_change_request.step += step;
    stage_change_request.flag = 1;
}

// 0 when a key ended the step.
int debug_keys() {
    const int f_down = key_down(key_f);
    const bool f_pressed = f_down && !f_was_down;
    f_was_down = f_down;
    if (key_down(key_k)) {
        game_state = state_reload_stage;
        return 0;
    }
    if (key_down(key_j)) {
        if (stage != 0) request_step(-1);
        return 0;
    }
    const struct { int key, step; } steps[] = {{key_l, 1}, {key_semicolon, 5}, {key_colon, -5}};
    for (const auto& s : steps) {
        if (key_down(s.key)) {
            request_step(s.step);
            return 0;
        }
    }
    tesmo& p = players[0];
    if (f_pressed) p.power_up(128);
    if (!f_down && key_down(key_r)) ++p.bomb_gauge;
    if (key_down(key_comma)) p.stun(0.1);
    if (key_down(key_t)) {
        for (enemy& e : enemies) e.flags &= ~flag_in_use;
        for (item& i : items) i.flags &= ~flag_in_use;
    }
    return 1;
}

void settle_stage_bonus() {
    for (enemy& e : enemies) {
        if (active(e) && !(e.flags & (flag_knocked_away | flag_defeated))) return;
    }
    if (frames_in_scene > 10) {
        food_counter += 9;
        ++chest_counter;
        const int rarity = chest_counter > 150  ? 3
                           : chest_counter > 50 ? 2
                           : chest_counter > 20 ? 1
                                                : 0;
        if (rarity > 0) {
            chest_counter = 0;
            const int slot = show_up_item(big_item_category, rarity, stage_info.width * 0.5, -96.0);
            play_sound_effect(data_names::sound::bigitem_fall);
            if (slot >= 0 && slot < no_item_slot) {
                items[slot].flags |= flag_big_item;
                items[slot].move_pattern =
                    bind_behaviour(move_pattern_table, "move_pattern_bigitem",
                                   {third_step::default_row})
                        .handler;
            }
        } else if (well_fed == 1) {
            chest_counter += 10;
        }
    }
    stage_bonus_settled = 1;
}

}  // namespace

int check_players_alive() {
    for (tesmo& p : players) {
        if (active(p)) return 1;
    }
    game_state = state_continue;
    return 0;
}

int update_world() {
    for (tesmo& p : players) {
        if (active(p)) step_player(&p);
    }
    for (block& b : blocks) {
        if (!active(b)) continue;
        advance_object(&b);
        update_entity(&b);
        move_entity(&b);
    }
    for (enemy& e : enemies) {
        if (active(e)) step_enemy(&e);
    }
    for (cracker& c : crackers) {
        if (active(c)) step_cracker(&c);
    }
    for (item& i : items) {
        if (!active(i)) continue;
        advance_object(&i);
        apply_entity_physics(&i);
        update_entity(&i);
        move_entity(&i);
    }
    for (bullet& b : bullets) {
        if (active(b)) step_bullet(&b);
    }
    for (affecter& a : affecters) {
        if (a.active != 1) continue;
        ++a.tick;
        if (a.handler(&a, &a.carried) == -1) {
            a.tick = 0;
            a.active = 0;
        }
    }
    return 1;
}

int update_progress() {
    if (debug_mode && debug_keys() == 0) return 0;
    if (!stage_bonus_settled) settle_stage_bonus();
    if (stage_change_request.flag == 1) game_state = state_transition;
    if (game_cleared == 1) {
        game_cleared = 0;
        game_state = state_result;
    }
    return 1;
}

bool run_stage_frame() {
    clear_draw_queue();
    return check_players_alive() == 1 && update_world() == 1 && process_interactions() == 1 &&
           update_progress() == 1 && draw_world() == 1;
}
