// Scenes 4 and 5 and the new game: one frame of play through the stage
// frame, and the stage transitions (fly-over, cut, white flash).
#include <cmath>
#include <cstdint>

#include "DuRud.h"
#include "shell/blur.h"
#include "shell/load_lists.h"
#include "shell/scenes.h"
#include "world/debug_overlay.h"
#include "world/draw_queue.h"
#include "world/effects.h"
#include "world/game_random.h"
#include "world/hud.h"
#include "world/item_effects.h"
#include "world/music.h"
#include "world/player.h"
#include "world/pools.h"
#include "world/screen_decor.h"
#include "world/sprites.h"
#include "world/stage_frame.h"
#include "world/stage_label.h"
#include "world/world_globals.h"
#include "world/data_names.h"

namespace {

constexpr int key_f11 = 0x57;

// What the transition remembers of the leaving stage.
struct transition_record {
    int kind = 0;
    double x[2] = {}, y[2] = {};
    int label = 0;
};
constinit transition_record transition;

}  // namespace

void request_first_stage() {
    stage_change_request.target_dimension = 0;
    stage_change_request.target_stage = 0;
    stage_change_request.step = 0;
    stage_change_request.flag = 1;
}

int scene_play() {
    if (!run_stage_frame()) return 0;
    if (DuRud::CheckKeyDown(key_f11) == 1) {
        entity opener;
        itempoints_showup(&opener, &opener);
    }
    draw_debug_log();
    return 0;
}

void start_new_game() {
    reset_world();
    reset_effects();
    tesmo& p = players[0];
    reset_player(&p);
    p.x = 400.0;
    p.y = 268.0;
    p.carried_score = p.miss_count = p.continue_count = p.stun_count = 0;
    request_first_stage();
    chest_counter = 0;
    food_counter = static_cast<int>(game_random_draw() % 160);
    stage_info.transition_kind = 2;
    game_state = 5;
}

int scene_stage_transition() {
    const int f = frames_in_scene;
    const int32_t layer_1 = scene_layers[1], layer_a = scene_layers[2], layer_b = scene_layers[3];
    update_screen_shake();
    if (f == 0) {
        if (stage_change_request.step == 0) {
            stage = stage_change_request.target_stage;
            dimension = stage_change_request.target_dimension;
        } else {
            stage += stage_change_request.step;
            stage_change_request.step = 0;
        }
        stage_change_request.flag = 0;
        transition.kind = stage_info.transition_kind;
        draw_stage_still(layer_a, 0, true);
        DuRud::SelectDrawTarget(offscreen);
        for (int k = 0; k < 2; ++k) {
            transition.x[k] = players[k].x;
            transition.y[k] = players[k].y;
        }
        transition.label = stage_info.stage_number;
        load_stage();
        game_state = 5;
        draw_stage_still(layer_1, 0, true);
        control_music(music_play, stage_info.stage_music, 0);
    } else {
        DuRud::SelectDrawTarget(layer_a);
        DuRud::DrawGraphicAt(0, 0, layer_b, 0);
    }
    switch (transition.kind) {
        case 0:
            DuRud::SelectDrawTarget(layer_b);
            blur_into_target(layer_a, 24, 68, 536);
            DuRud::SelectDrawTarget(offscreen);
            DuRud::SetBlendMode(0, 0);
            DuRud::DrawGraphicAt(0, 0, layer_b, 0);
            if (f >= 40) {
                DuRud::SetBlendMode(1, (3 * f - 120) * 2);
                DuRud::DrawGraphicAt(0, 0, layer_1, 0);
            }
            for (int k = 0; k < 2; ++k) {
                const tesmo& p = players[k];
                if (!(p.flags & flag_in_use)) continue;
                const double x = (transition.x[k] * (80 - f) + p.x * f) / 80;
                const double y = (transition.y[k] * (80 - f) + p.y * f) / 80;
                DuRud::SetBlendMode(2, 96);
                if (p.pattern_result >= 0)
                    draw_sprite(p.sprite_base + p.pattern_result, x, y, 0, 1.0);
                DuRud::SetBlendMode(1, 192);
                draw_sprite(data_names::sprite::transition_orb, x, y, 0,
                            f < 6 ? 0.24 / (7 - f) : 0.24);
            }
            if (f >= 81) {
                for (const tesmo& p : players) {
                    if (!(p.flags & flag_in_use)) continue;
                    spawn_effect(data_names::effect::darkball_out, p.x, p.y, 1.0, 0, 0, 0, 0);
                    for (int n = 0; n < 10; ++n) {
                        const double speed = game_random_draw() % 5 + 4;
                        const double a = (game_random_draw() % 360) * 0.0174532925;
                        const double scale = (game_random_draw() % 6) * 0.05 + 0.5;
                        spawn_effect(data_names::effect::small_particle_darkball, p.x, p.y, scale,
                                     speed * std::cos(a), speed * std::sin(a), -0.25 * std::cos(a),
                                     -0.25 * std::sin(a));
                    }
                }
                game_state = 4;
            }
            break;
        case 2:
            DuRud::SelectDrawTarget(offscreen);
            DuRud::SetBlendMode(0, 0);
            DuRud::DrawBoxShape(0, 0, 800, 536, DuRud::MakeColorValue(255, 255, 255), 1);
            spawn_effect(data_names::effect::white_in, 400, 268, 1.0, 0, 0, 0, 0);
            game_state = 4;
            break;
        default:  // 1, and any kind a stage file names that no branch knows: a cut
            DuRud::SelectDrawTarget(offscreen);
            DuRud::SetBlendMode(0, 0);
            DuRud::DrawGraphicAt(0, 0, layer_1, 0);
            game_state = 4;
            break;
    }
    DuRud::SetBlendMode(0, 255);
    if (f < 40)
        draw_stage_label(transition.label, 2 * f - 64);
    else
        draw_stage_label(stage_info.stage_number, static_cast<int>(64 - 64.0 / (2 * (f - 39) + 1)));
    draw_hud();
    draw_debug_log();
    return 0;
}
