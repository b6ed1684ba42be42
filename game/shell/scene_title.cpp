// Scenes 1 and 2: the opening logos over a white panel, then the title over
// a blurring still of a demo stage with a bouncing prompt.
#include <cmath>
#include <cstdlib>

#include "DuRud.h"
#include "shell/blur.h"
#include "shell/load_lists.h"
#include "shell/scenes.h"
#include "world/bullet.h"
#include "world/draw_queue.h"
#include "world/hud.h"
#include "world/player.h"
#include "world/pools.h"
#include "world/screen_decor.h"
#include "world/sprites.h"
#include "world/world_globals.h"
#include "world/data_names.h"

namespace {

constexpr double radians_per_degree = 0.0174532925;

uint32_t black() {
    return DuRud::MakeColorValue(0, 0, 0);
}

void start_if_held() {
    for (tesmo& p : players)
        if (p.held[action_start] > 0) start_new_game();
}

void dark() {
    DuRud::SetBrightness(0, 0, 0);
}
void bright() {
    DuRud::SetBrightness(255, 255, 255);
}

}  // namespace

void draw_stage_still(int32_t target, int copies, bool whole_world) {
    DuRud::SelectDrawTarget(target);
    clear_draw_queue();
    draw_background_layers();
    for (block& b : blocks)
        if (b.flags & flag_in_use) draw_entity(&b, 0);
    if (whole_world) {
        for (enemy& e : enemies)
            if (e.flags & flag_in_use) draw_entity(&e, 0);
        for (cracker& c : crackers)
            if (c.flags & flag_in_use) draw_entity(&c, 0);
        for (bullet& b : bullets)
            if (b.flags & flag_in_use) draw_bullet(&b);
    }
    for (item& it : items)
        if (it.flags & flag_in_use) draw_entity(&it, 0);
    flush_draw_queue(0, 254, copies, 0.0, 0.0, stage_info.width, stage_info.height, 0.0, 0.0);
}

void draw_prompt(int frame) {
    const double lift = std::fabs(8 * std::sin(16 * frame * radians_per_degree));
    dark();
    draw_sprite(data_names::sprite::prompt, 400, 469 - lift + 2, 0, 0.3);
    bright();
    draw_sprite(data_names::sprite::prompt, 400, 469 - lift, 0, 0.3);
}

int scene_splash() {
    const int f = frames_in_scene, phase = f / 30, sub = f % 30;
    DuRud::SetBlendMode(0, 0);
    DuRud::DrawBoxShape(0, 0, 800, 600, black(), 1);
    if (phase == 0) DuRud::SetBlendMode(1, static_cast<int>(8.5 * sub));
    if (phase == 7) DuRud::SetBlendMode(1, static_cast<int>(255 - 8.5 * sub));
    if (phase == 8) {
        game_state = 2;
        return 0;
    }
    DuRud::DrawBoxShape(0, 0, 800, 600, DuRud::MakeColorValue(255, 255, 255), 1);
    start_if_held();
    DuRud::SetBlendMode(0, 0);
    draw_hud();
    const int p = phase / 2;
    const auto at = [](int sprite, int alpha) {
        DuRud::SetBlendMode(1, alpha);
        draw_sprite(sprite, 400, 300, 0, 1.0);
    };
    if (phase % 2 == 0 && p >= 1) {
        at(data_names::sprite::splash_logo - 1 + p, 255);
    } else if (phase % 2 == 1 && p >= 1) {
        at(data_names::sprite::splash_logo - 1 + p, static_cast<int>(255 - 8.5 * sub));
        at(data_names::sprite::splash_logo + p, static_cast<int>(8.5 * sub));
    } else if (phase == 1) {
        at(data_names::sprite::splash_logo, static_cast<int>(8.5 * sub));
    }
    return 0;
}

int scene_title() {
    const int f = frames_in_scene;
    const int32_t layer_a = scene_layers[2], layer_b = scene_layers[3];
    if (f == 0) {
        load_stage();
        game_state = 2;
        draw_stage_still(layer_a, 1, false);
    } else {
        DuRud::SelectDrawTarget(layer_a);
        DuRud::DrawGraphicAt(0, 0, layer_b, 0);
    }
    DuRud::SelectDrawTarget(layer_b);
    if (f >= 76) {
        blur_into_target(layer_a, 10, 175, 536);
    } else {
        DuRud::SetBlendMode(0, 0);
        DuRud::DrawGraphicAt(0, 0, layer_a, 0);
    }
    DuRud::SelectDrawTarget(offscreen);
    DuRud::SetBlendMode(0, 255);
    DuRud::DrawBoxShape(0, 0, 800, 600, black(), 1);
    DuRud::DrawGraphicAt(0, 0, layer_b, 0);
    if (f >= 76) {
        DuRud::SetBlendMode(1, f <= 125 ? 2 * f - 150 : 100);
        DuRud::DrawBoxShape(0, 0, 800, 600, black(), 1);
    }
    const auto logo = [](int sprite, int alpha) {
        DuRud::SetBlendMode(1, alpha);
        draw_sprite(sprite, 414, 240, 0, 0.7);
    };
    if (f >= 131 && f <= 139) {
        logo(data_names::sprite::title_shadow, (f - 130) * 25);
    } else if (f >= 140 && f <= 190) {
        logo(data_names::sprite::title_shadow, (191 - f) * 5);
        logo(2038, 5 * f - 700);
    } else if (f >= 191) {
        DuRud::SetBlendMode(0, 255);
        draw_sprite(data_names::sprite::title_logo, 414, 240, 0, 0.7);
    }
    DuRud::SetBlendMode(0, 255);
    draw_prompt(f);
    draw_sprite(data_names::sprite::footer, 400, 557.142857, 0, 0.2);
    start_if_held();
    draw_hud();
    return 0;
}
