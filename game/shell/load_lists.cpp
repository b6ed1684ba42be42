// Scene 0. Runs once, inside one call: the grid is drawn and presented pass
// after pass until the loads are done, then the game moves to the splash.
#include "shell/load_lists.h"

#include <algorithm>
#include <vector>

#include "DuRud.h"
#include "shell/line_source.h"
#include "shell/list_files.h"
#include "shell/present.h"
#include "shell/scenes.h"
#include "shell/work_graphic.h"
#include "world/entity.h"
#include "world/game_random.h"
#include "world/music.h"
#include "world/pools.h"
#include "world/stop_screen.h"
#include "world/test_observer.h"
#include "world/world_globals.h"

constinit int32_t scene_layers[4] = {-1, -1, -1, -1};
constinit int32_t menu_layers[4] = {-1, -1, -1, -1};
constinit int32_t loading_slot[3072] = {};

namespace {

constexpr int key_f2 = 0x3C;
constexpr int max_pads = 4;
constexpr uint32_t picture_load_failure = 0xE0000005;
constexpr uint32_t sound_load_failure = 0xE0000006;
constexpr uint32_t music_load_failure = 0x55555000;

// Reads one list file; one that cannot be opened stops the game.
template <class Reader>
void read_list(const char* path, uint32_t open_failure, Reader reader) {
    engine_line_source source(path);
    if (!source.is_open()) stop_screen(stop_file_load_error, open_failure, 0, 0, 0);
    reader(source);
}

void start_loads() {
    DuRud::SetTransparentColorToAlpha(1);
    DuRud::SetUseAsyncLoad(1);
    for (sprite_entry& s : sprite_table) s.handle = -1;
    for (int i = 0; i < picture_records_read; ++i) {
        const picture_record& r = picture_entry[i];
        if (r.count == -1 || r.columns == -1 || r.rows == -1) continue;
        DuRud::SetTransparentColor(r.transparent_red, r.transparent_green, r.transparent_blue);
        if (r.cell_width < 1 && r.cell_height < 1) {
            loading_slot[r.first_sprite] = DuRud::LoadGraphic(r.name, 0);
        } else {
            DuRud::LoadDividedGraphic(r.name, r.count, r.columns, r.rows, r.cell_width,
                                      r.cell_height, &loading_slot[r.first_sprite], 0);
        }
    }
    for (int j = 0; j < sound_records_read; ++j)
        sound_entry[j].handle = DuRud::LoadSoundFromFile(sound_entry[j].file, 3, -1);
    reset_music_slots();
    for (int k = 0; k < music_records_read; ++k)
        register_music(music_entry[k].name, music_entry[k].file, music_entry[k].loop);
    DuRud::SetUseAsyncLoad(0);
}

struct grid_state {
    bool pending = false;  // a picture or sound still loads
    bool done = true;      // every picture and sound loaded
};

// What each box of the grid last showed: the off-screen keeps the grid, so a
// pass draws only the boxes whose load changed state since the last, and
// every so many passes the whole grid (an off-screen whose contents were lost
// shows it again within half a second). A load that has ended stays as it
// ended (loaded or failed: nothing deletes a handle while the grid shows), so
// only the loads still pending are asked again.
constexpr int8_t box_not_drawn = -2;
constexpr int8_t load_pending = 1;
constexpr int passes_between_whole_grids = 30;
struct grid_boxes {
    std::vector<int8_t> shown;
    std::vector<int8_t> state;  // load_pending until the load has ended
};

// One box of the grid in the colour of its load's state.
void draw_state_box(int x1, int y1, int x2, int y2, int32_t handle, grid_state& grid, int8_t& shown,
                    int8_t& known) {
    if (known == load_pending) known = static_cast<int8_t>(DuRud::IsHandleAsyncPending(handle));
    const int state = known;
    grid.pending = grid.pending || state == 1;
    grid.done = grid.done && state == 0;
    if (shown == state) return;
    shown = static_cast<int8_t>(state);
    uint32_t color;
    if (state == 1)
        color = DuRud::MakeColorValue(64, 96, 96);
    else if (state == 0)
        color = DuRud::MakeColorValue(0, 196, 0);
    else
        color = DuRud::MakeColorValue(196, 0, 0);
    DuRud::DrawBoxShape(x1, y1, x2, y2, color, 1);
}

grid_state draw_grid(grid_boxes& boxes) {
    DuRud::SelectDrawTarget(offscreen);
    const auto count = static_cast<size_t>(sprite_table_size + sound_records_read);
    boxes.shown.resize(count, box_not_drawn);
    boxes.state.resize(count, load_pending);
    std::vector<int8_t>& shown = boxes.shown;
    grid_state grid;
    for (int i = 0; i < sprite_table_size; ++i) {
        const int x = (i % 64) * 8;
        const int y = 120 + (i / 64) * 8;
        if (!sprite_slot_used[i]) {
            if (shown[i] == box_not_drawn)
                DuRud::DrawBoxShape(x, y, x + 8, y + 8, DuRud::MakeColorValue(64, 64, 64), 0);
            shown[i] = 0;
            continue;
        }
        draw_state_box(x, y, x + 8, y + 8, loading_slot[i], grid, shown[i], boxes.state[i]);
    }
    for (int j = 0; j < sound_records_read; ++j) {
        const int x = 600 + (j % 8) * 16;
        const int y = 120 + (j / 8) * 16;
        const auto k = static_cast<size_t>(sprite_table_size + j);
        draw_state_box(x, y, x + 15, y + 15, sound_entry[j].handle, grid, shown[k], boxes.state[k]);
    }
    return grid;
}

// One grid every other frame: redrawn back to back it took the core the
// loader threads need. The wait comes before the present and pumps, so the
// loaders' posted calls are served while it lasts; the present then waits
// for the vertical blank only for the little that is left, instead of the
// main thread lying idle in that wait for most of a frame while the loaders
// wait for it. The lead is what drawing the grid and the present take; a
// pass that missed its blank gets more.
class grid_pacing {
  public:
    void wait_before_present() {
        if (presented_at_ < 0) return;
        // Bounded: a clock that wrapped or failed waits no more than a pass.
        const int32_t left =
            std::min(presented_at_ + grid_period_ms - lead_ms_ - now(), grid_period_ms);
        if (left > 0) DuRud::WaitMilliseconds(static_cast<uint32_t>(left));
    }
    void presented() {
        const int32_t at = now();
        if (at >= 0 && presented_at_ >= 0 && at - presented_at_ > grid_period_ms + frame_ms / 2)
            lead_ms_ = std::min(lead_ms_ + 2, max_lead_ms);
        presented_at_ = at;  // -1 without a clock: no wait
    }

  private:
    static int32_t now() { return DuRud::GetMillisecondCounter(); }
    static constexpr int32_t frame_ms = 17;
    static constexpr int32_t grid_period_ms = 33;  // two frames at 60 a second
    static constexpr int32_t max_lead_ms = 12;
    int32_t presented_at_ = -1;
    int32_t lead_ms_ = 5;
};

bool pending(int32_t handle) {
    return DuRud::IsHandleAsyncPending(handle) == 1;
}

bool music_pending() {
    for (const music_slot_record& slot : music_slot)
        if (slot.state == 2 && pending(slot.handle)) return true;
    return false;
}

// Once nothing is pending: the first failed load stops the game, pictures
// in record order, then sounds, then music.
void stop_on_failed_load() {
    for (int i = 0; i < picture_records_read; ++i) {
        const picture_record& r = picture_entry[i];
        for (int id = r.first_sprite; id < r.first_sprite + std::max(r.count, 0); ++id) {
            if (DuRud::IsHandleAsyncPending(loading_slot[id]) == -1) {
                DuRud::PrintOnScreenLog("%s\n", r.name);
                stop_screen(stop_file_load_error, picture_load_failure, static_cast<uint32_t>(i),
                            static_cast<uint32_t>(r.first_sprite), 0);
            }
        }
    }
    for (int j = 0; j < sound_records_read; ++j) {
        if (DuRud::IsHandleAsyncPending(sound_entry[j].handle) == -1) {
            DuRud::PrintOnScreenLog("%s\n", sound_entry[j].file);
            stop_screen(stop_file_load_error, sound_load_failure, static_cast<uint32_t>(j), 0, 0);
        }
    }
    for (int k = 0; k < music_slot_count; ++k) {
        const music_slot_record& slot = music_slot[k];
        if (slot.state == 2 && DuRud::IsHandleAsyncPending(slot.handle) == -1) {
            DuRud::PrintOnScreenLog("%s\n", slot.file);
            stop_screen(stop_file_load_error, music_load_failure, static_cast<uint32_t>(k), 0, 0);
        }
    }
}

void fill_sprite_table() {
    for (int i = 0; i < sprite_table_size; ++i) {
        sprite_entry& s = sprite_table[i];
        s.handle = loading_slot[i];
        s.width = s.height = 0;
        if (s.handle != -1) DuRud::QueryGraphicSize(s.handle, &s.width, &s.height);
    }
}

}  // namespace

int load_lists() {
    if (DuRud::CheckKeyDown(key_f2)) debug_mode = 1;
    DuRud::SetSamplingMode(0);
    play_area_screen = make_work_graphic(800, 536, work_graphic_play_area);
    for (uint32_t k = 0; k < 4; ++k)
        scene_layers[k] = make_work_graphic(800, 536, work_graphic_scene_layer + k);
    for (uint32_t k = 0; k < 4; ++k)
        menu_layers[k] = make_work_graphic(800, 600, work_graphic_menu_layer + k);

    reset_list_tables();
    std::fill(std::begin(loading_slot), std::end(loading_slot), 0);
    {
        engine_line_source files("datas/lists/filelist.list");
        DuRud::DrawBoxShape(0, 0, 800, 600, DuRud::MakeColorValue(0, 0, 0), 1);
        if (!files.is_open()) stop_screen(stop_file_load_error, 0xE0000001, 0, 0, 0);
        read_file_list(files);
    }
    read_list("datas/lists/entitylist.list", 0xE0000002, read_entity_list);
    DuRud::PrintOnScreenLog("%d enemy(s) loaded. \n", enemy_type_count);
    DuRud::PrintOnScreenLog("%d item(s) loaded. \n", item_type_count);
    DuRud::PrintOnScreenLog("%d block(s) loaded. \n", block_type_count);
    DuRud::PrintOnScreenLog("%d bullet(s) loaded. \n", bullet_type_count);
    read_list("datas/lists/playlist.list", 0xE0000003, read_play_list);
    read_list("datas/lists/effect.list", 0xE0000004, read_effect_list);

    start_loads();
    grid_boxes boxes;
    grid_pacing pacing;
    for (int music_waits = 0, pass = 0;; ++pass) {
        // The grid is drawn after the wait: it shows the loads as they
        // stand when it is presented.
        pacing.wait_before_present();
        if (pass % passes_between_whole_grids == 0)
            boxes.shown.assign(boxes.shown.size(), box_not_drawn);
        const grid_state grid = draw_grid(boxes);
        report_test_event(
            {test_event_grid, 0, game_state, frames_in_scene, {pass + 1, grid.pending ? 0 : 1}});
        present(false);
        pacing.presented();
        if (DuRud::PumpWindowMessagesLocked() != 0) return -1;
        const bool again = grid.pending || (music_pending() && music_waits++ < music_grace_passes);
        if (!again) break;
    }
    report_test_event({test_event_grid_done, 0, game_state, frames_in_scene, {}});
    stop_on_failed_load();
    fill_sprite_table();

    players[0].pad = std::min(DuRud::GetJoypadCount(), max_pads) - 1;
    DuRud::ClearOnScreenLog();
    if (debug_mode)
        DuRud::WaitForAnyInput();
    else
        DuRud::DrawBoxShape(0, 0, 800, 600, DuRud::MakeColorValue(0, 0, 0), 1);
    stage = static_cast<int>(game_random_draw() & 7);
    dimension = 1;
    game_state = 1;
    return 0;
}
