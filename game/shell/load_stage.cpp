// Scene 3: follows the play list to a stage file, resets what belongs to one
// stage, reads the file, places the entities and moves to play (scene 4).
#include <cstdlib>

#include "DuRud.h"
#include "shell/line_source.h"
#include "shell/list_files.h"
#include "shell/scenes.h"
#include "shell/stage_file.h"
#include "shell/stage_placement.h"
#include "world/affecters.h"
#include "world/block_ignorance.h"
#include "world/boss_bar.h"
#include "world/debug_overlay.h"
#include "world/effects.h"
#include "world/pools.h"
#include "world/sprites.h"
#include "world/stop_screen.h"
#include "world/world_globals.h"

namespace {

bool in_play_lists(int d, int s) {
    return d >= 0 && d < playlist_dimensions && s >= 0 && s < playlist_stages;
}

// The play list's rules for the entry at (dimension, stage); outside the
// lists the stage file is as missing.
void follow_play_list() {
    const auto check = [] {
        if (!in_play_lists(dimension, stage)) {
            stop_screen(stop_file_load_error, stage_word(), 0, 0, 0);
            std::abort();  // not reached outside tests
        }
    };
    check();
    if (playlist[dimension].code[stage] == -1) {
        ++stage;
        check();
        stage = playlist[dimension].code[stage];
        check();
    }
    if (playlist[dimension].code[stage] == -2) {
        ++dimension;
        stage = 0;
        check();
    }
}

void reset_stage_state() {
    for (affecter& a : affecters) {
        a.active = 0;
        a.tick = 0;
    }
    release_attached_effects();
    players[0].placement_index = 0;
    players[1].placement_index = 1;
    const auto clear = [](auto& pool) {
        int slot = 0;
        for (auto& e : pool) {
            e.placement_index = slot++;
            e.flags = 0;
            e.flags2 = 0;
        }
    };
    clear(blocks);
    clear(enemies);
    clear(crackers);
    clear(items);
    clear(bullets);
    clear(itempoints);
    for (screen_sprite& s : screen_sprites) s = {0, -1, 0, 0};
    stage_info = stage_info_record{};
    stage_info.stage_number = playlist[dimension].code[stage];
    unique_item_shown = 0;
    if (food_counter >= 160) {
        well_fed = 1;
        food_counter = (2 * food_counter - 320) / 3;
    } else {
        well_fed = 0;
    }
}

}  // namespace

int load_stage() {
    const boss_bar_state kept = boss_bar;
    reset_boss_bar();
    boss_bar.frame_sprite = kept.frame_sprite;
    boss_bar.bar_sprite = kept.bar_sprite;
    boss_bar.frame_sprite_copy = kept.frame_sprite_copy;
    boss_bar.bar_sprite_copy = kept.bar_sprite_copy;
    DuRud::SetSamplingMode(0);
    follow_play_list();
    {
        engine_line_source file(playlist[dimension].file[stage]);
        if (!file.is_open()) stop_screen(stop_file_load_error, stage_word(), 0, 0, 0);
        reset_stage_state();
        item_points_placed = 0;
        read_stage_file(file);
    }
    DuRud::ClearOnScreenLog();
    place_stage_entities();
    screen_shake = screen_shake_record{};
    for (tesmo& p : players)
        if (p.flags & flag_in_use) p.invulnerable_frames = 180;
    add_debug_message("Initialized.", 300);
    detect_ignorable_blocks();
    add_debug_message("Block ignorance auto-detection completed.", 300);
    game_state = 4;
    door_open = 0;
    stage_bonus_settled = 0;
    DuRud::FlipScreen();
    return 0;
}
