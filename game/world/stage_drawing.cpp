// Stage drawing. The draw queue is flushed in four layer ranges with the
// stage label, boss bar, popups and effects drawn between them.
#include "world/stage_drawing.h"

#include "DuRud.h"
#include "world/boss_bar.h"
#include "world/bullet.h"
#include "world/draw_queue.h"
#include "world/effects.h"
#include "world/hud.h"
#include "world/pools.h"
#include "world/popups.h"
#include "world/screen_decor.h"
#include "world/sprites.h"
#include "world/stage_label.h"
#include "world/world_globals.h"

int hitbox_display = 0;

namespace {

constexpr int key_h = 0x23;
constexpr int blend_none = 0, blend_alpha = 1;
constexpr int screen_w = 800, screen_h = 600, play_area_h = 536;
constexpr int label_offset = -64;

int h_was_down = 0;  // H toggles on its press only

void toggle_hitbox_display() {
    const int down = DuRud::CheckKeyDown(key_h) == 1;
    if (down && !h_was_down) hitbox_display = hitbox_display == 1 ? 0 : 1;
    h_was_down = down;
}

void fill_black(int w, int h) {
    DuRud::DrawBoxShape(0, 0, w, h, DuRud::MakeColorValue(0, 0, 0), 1);
}

void flush(int lo, int hi) {
    flush_draw_queue(lo, hi, 1, 0.0, 0.0, stage_info.width, stage_info.height, 0.0, 0.0);
}

void debug_sprite_count() {
    if (debug_mode) DuRud::PrintOnScreenLog("sprite_count: %d \n", sprite_count);
}

void queue_entities() {
    for (block& b : blocks) {
        if (b.flags & flag_in_use) draw_entity(&b, 0.0f);
    }
    for (item& i : items) {
        if (i.flags & flag_in_use) draw_entity(&i, 0.0f);
    }
    for (enemy& e : enemies) {
        if (e.flags & flag_in_use) draw_entity(&e, 0.0f);
    }
    for (tesmo& p : players) {
        if (p.flags & flag_in_use) draw_entity(&p, 0.0f);
    }
    for (cracker& c : crackers) {
        if (c.flags & flag_in_use) draw_entity(&c, 0.0f);
    }
    for (bullet& b : bullets) {
        if (b.flags & flag_in_use) draw_bullet(&b);
    }
}

// Opaque while the stage starts, then fading to a steady 155.
void draw_label() {
    const int t = frames_in_scene;
    if (t <= 120)
        DuRud::SetBlendMode(blend_none, 0);
    else
        DuRud::SetBlendMode(blend_alpha, t < 220 ? 375 - t : 155);
    draw_stage_label(stage_info.stage_number, label_offset);
    DuRud::SetBlendMode(blend_none, 0);
}

void draw_bullet_hitboxes() {
    const uint32_t red = DuRud::MakeColorValue(255, 0, 0);
    int count = 0;
    for (bullet& b : bullets) {
        if (!(b.flags & flag_in_use)) continue;
        DuRud::DrawBoxShape(
            static_cast<int>(b.x - b.hit_w / 2), static_cast<int>(b.y - b.hit_h / 2),
            static_cast<int>(b.x + b.hit_w / 2), static_cast<int>(b.y + b.hit_h / 2), red, 0);
        ++count;
    }
    if (debug_mode) DuRud::PrintOnScreenLog("%d bullets in this house \n", count);
}

}  // namespace

int draw_world() {
    if (debug_mode) toggle_hitbox_display();
    sprite_count = 0;
    DuRud::SelectDrawTarget(offscreen);
    fill_black(screen_w, screen_h);
    // Cleared too: a stage whose background leaves gaps would keep every
    // earlier frame's sprites as trails.
    DuRud::SelectDrawTarget(play_area_screen);
    fill_black(screen_w, play_area_h);
    draw_background_layers();
    update_screen_shake();
    draw_screen_sprites();
    DuRud::ClearOnScreenLog();
    debug_sprite_count();
    sprite_count = 0;
    queue_entities();
    flush(0, 29);
    draw_label();
    draw_boss_bar();
    flush(30, 49);
    draw_popup_texts();
    flush(50, 249);
    update_effects();
    flush(250, 254);
    debug_sprite_count();
    if (hitbox_display == 1) draw_bullet_hitboxes();
    DuRud::SelectDrawTarget(offscreen);
    DuRud::SetBlendMode(blend_none, 0);
    fill_black(screen_w, screen_h);
    DuRud::DrawGraphicAt(0, 0, play_area_screen, 0);
    draw_hud();
    if (debug_mode) DuRud::PrintOnScreenLog("Dimension %d -- Stage %d", dimension, stage);
    return 1;
}
