// Scenes 6, 7 and 8: the continue countdown over a blurring still of the
// play area, the game-over picture, and the result tally.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "DuRud.h"
#include "shell/blur.h"
#include "shell/frame_keeper.h"
#include "shell/load_lists.h"
#include "shell/scenes.h"
#include "world/debug_overlay.h"
#include "world/game_random.h"
#include "world/hud.h"
#include "world/music.h"
#include "world/player.h"
#include "world/pools.h"
#include "world/sprites.h"
#include "world/stage_label.h"
#include "world/world_globals.h"
#include "world/data_names.h"

constinit int clear_count = 0;

namespace {

constexpr int countdown_start = 19999;

struct continue_record {
    int countdown = 0;
    int32_t clock = 0;
};
constinit continue_record continue_state;
constinit int result_phase = 0;

uint32_t black() {
    return DuRud::MakeColorValue(0, 0, 0);
}

void set_music_factor(double factor) {
    if (current_music < 0 || current_music >= music_slot_count) return;
    music_slot_record& slot = music_slot[current_music];
    slot.saved_position = DuRud::GetSoundPositionSamples(slot.handle);
    DuRud::SetSoundVolume(static_cast<int>(bgm_volume * 255.0 * slot.volume_factor), slot.handle);
    slot.volume_factor = factor;
}

void continue_player(tesmo& p) {
    p.carried_score += p.score;
    p.continue_count += 1;
    const int32_t carried = p.carried_score, continues = p.continue_count;
    const int32_t misses = p.miss_count, stuns = p.stun_count, pad = p.pad;
    int32_t keys[8], buttons[8];
    std::memcpy(keys, p.key_codes, sizeof(keys));
    std::memcpy(buttons, p.pad_buttons, sizeof(buttons));
    // The counters a new game clears, the way a new game clears them.
    reset_player(&p);
    p.carried_score = carried;
    p.continue_count = continues;
    p.miss_count = misses;
    p.stun_count = stuns;
    p.pad = pad;
    std::memcpy(p.key_codes, keys, sizeof(keys));
    std::memcpy(p.pad_buttons, buttons, sizeof(buttons));
    p.flags |= flag_in_use;
    p.lives = 2;
    players[0].popup_red = 255;
    players[0].popup_green = 255;
    players[0].popup_blue = 0;
    p.lives += 1;
    respawn_player(&p);
}

}  // namespace

void hold_continue_countdown(int32_t since) {
    const int32_t held = clock_difference(DuRud::GetMillisecondCounter(), since);
    continue_state.clock = static_cast<int32_t>(
        (static_cast<uint32_t>(continue_state.clock) + static_cast<uint32_t>(held)) & 0x7FFFFFFF);
}

int scene_continue() {
    const int f = frames_in_scene;
    const int32_t layer_a = scene_layers[2], layer_b = scene_layers[3];
    if (f == 0) {
        DuRud::SelectDrawTarget(layer_a);
        DuRud::SetBlendMode(0, 0);
        DuRud::DrawGraphicAt(0, 0, play_area_screen, 0);
        continue_state.countdown = countdown_start;
        continue_state.clock = DuRud::GetMillisecondCounter();
    }
    const int b = std::min(5 * (f / 50) + 10, 20);
    DuRud::SelectDrawTarget(layer_b);
    blur_into_target(layer_a, b, (32 - b) * 8, 536);
    DuRud::SelectDrawTarget(layer_a);
    DuRud::SetBlendMode(0, 0);
    DuRud::DrawGraphicAt(0, 0, layer_b, 0);
    DuRud::SelectDrawTarget(offscreen);
    DuRud::DrawGraphicAt(0, 0, layer_a, 0);
    const int countdown = continue_state.countdown;
    DuRud::SetBlendMode(1, static_cast<int>(255 - countdown / 19999.0 * 255));
    DuRud::DrawBoxShape(0, 0, 800, 600, black(), 1);
    DuRud::SetBlendMode(0, 0);
    DuRud::SetBrightness(0, 0, 0);
    draw_sprite(data_names::sprite::continue_caption, 400 + 8 * std::cos(f * 0.0174532925),
                158.142857, 0, 0.75);
    DuRud::SetBrightness(255, 255, 255);
    draw_sprite(data_names::sprite::continue_caption, 400, 153.142857, 0, 0.75);
    draw_prompt(f);
    DuRud::SetBrightness(255, 0, 0);
    if (countdown / 1000 + data_names::sprite::countdown >= 0)
        draw_sprite(countdown / 1000 + data_names::sprite::countdown, 400, 306.285714, 0, 8.0);
    DuRud::SetBrightness(255, 255, 255);
    draw_stage_label(stage_info.stage_number, 0);
    draw_hud();
    draw_debug_log();
    for (const tesmo& p : players) {
        if (p.held[action_jump] == 1 || p.held[action_attack] == 1)
            continue_state.countdown = ((continue_state.countdown - 1) / 1000) * 1000;
    }
    set_music_factor(static_cast<int>(continue_state.countdown / 19999.0 * 255) / 255.0);
    if (continue_state.countdown < 1) {
        game_state = 7;
    } else {
        const int32_t now = DuRud::GetMillisecondCounter();
        const int32_t passed = clock_difference(now, continue_state.clock);
        continue_state.countdown = std::max(continue_state.countdown - passed, 0);
        continue_state.clock = now;
    }
    for (tesmo& p : players) {
        if (p.held[action_start] <= 0) continue;
        continue_player(p);
        game_state = 4;
        set_music_factor(1.0);
    }
    return 0;
}

int scene_game_over() {
    DuRud::SetBlendMode(0, 0);
    DuRud::DrawBoxShape(0, 0, 800, 600, black(), 1);
    DuRud::SetBrightness(255, 255, 255);
    draw_sprite(data_names::sprite::game_over, 400, 153.142857, 0, 0.75);
    draw_stage_label(stage_info.stage_number, 2 * frames_in_scene);
    draw_hud();
    if (frames_in_scene >= 181) game_state = 1;
    return 0;
}

namespace {

void draw_figures() {
    const tesmo& p = players[0];
    const int values[4] = {p.score + p.carried_score, p.stun_count, p.miss_count, p.continue_count};
    const int rows[4] = {248, 310, 372, 434};
    DuRud::SetBrightness(255, 255, 255);
    draw_sprite(data_names::sprite::clear_count + clear_count, 297, 140, 0, 1.0);
    for (int r = 0; r < 4; ++r) {
        char text[16];
        std::snprintf(text, sizeof(text), "%d", values[r]);
        const int n = static_cast<int>(std::strlen(text));
        for (int i = 0; i < n; ++i)
            draw_sprite(static_cast<unsigned char>(text[i]) + data_names::sprite::label_glyph_base,
                        640 + (i - n) * 24, rows[r], 0, 1.0);
    }
}

bool released_on(const tesmo& p) {
    return p.released[action_jump] > 0 || p.released[action_attack] > 0 ||
           p.released[action_start] > 0;
}

}  // namespace

int scene_result() {
    const int f = frames_in_scene;
    DuRud::SetBlendMode(0, 0);
    DuRud::DrawBoxShape(0, 0, 800, 600, black(), 1);
    if (f < 60) result_phase = 0;
    const int v = static_cast<int>(f / 60.0 * 255);
    DuRud::SetBrightness(v, v, v);
    DuRud::DrawGraphicAt(0, 0, sprite_table[data_names::sprite::results].handle, 1);
    if (f >= 181) {
        DuRud::SetBlendMode(1, f < 240 ? static_cast<int>((f - 180) / 60.0 * 128) : 128);
        DuRud::DrawBoxShape(0, 0, 800, 600, black(), 1);
    }
    if (f >= 241 && result_phase == 0) {
        DuRud::SetBlendMode(1, f < 270 ? static_cast<int>((f - 240) / 30.0 * 255) : 255);
        DuRud::DrawGraphicAt(0, 0, sprite_table[data_names::sprite::results + 1].handle, 1);
        draw_figures();
        if (released_on(players[0]) || released_on(players[1])) {
            result_phase = 1;
            frames_in_scene = 240;
            return 0;
        }
    } else if (result_phase == 1) {
        DuRud::SetBlendMode(0, 0);
        DuRud::DrawGraphicAt(0, 0, sprite_table[data_names::sprite::results + 1].handle, 1);
        draw_figures();
        const uint32_t white = DuRud::MakeColorValue(255, 255, 255);
        if (f < 300) {
            DuRud::SetBlendMode(1, static_cast<int>((f - 240) / 60.0 * 255));
            DuRud::DrawBoxShape(0, 0, 800, 600, white, 1);
        } else if (f == 300) {
            clear_count += 1;
            food_counter = static_cast<int>(game_random_draw() % 160);
            request_first_stage();
            chest_counter = 0;
            stage_info.transition_kind = 2;
            game_state = 5;
            DuRud::SetBlendMode(0, 0);
            DuRud::DrawBoxShape(0, 0, 800, 600, white, 1);
        }
    }
    return 0;
}
