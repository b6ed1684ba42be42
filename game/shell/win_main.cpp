// The game's entry: reads the settings, configures and starts the engine,
// runs one scene per pass at the frame keeper's pace, presents the
// off-screen, and on a normal end stops the engine and writes the settings.
#include "shell/win_main.h"

#include "DuRud.h"
#include "shell/frame_keeper.h"
#include "shell/key_names.h"
#include "shell/present.h"
#include "shell/scene_table.h"
#include "shell/scenes.h"
#include "shell/settings.h"
#include "shell/work_graphic.h"
#include "world/draw_queue.h"
#include "world/game_random.h"
#include "world/input_polling.h"
#include "world/music.h"
#include "world/player.h"
#include "world/pools.h"
#include "world/stop_screen.h"
#include "world/test_observer.h"
#include "world/world_globals.h"

constinit int previous_state = 0;

namespace {

constexpr int key_escape = 0x01;
constexpr int key_w = 0x11;
constexpr int back_buffer = -2;

// Start-up up to the engine's start; false when the engine did not start.
bool start_engine() {
    read_settings(&settings);
    apply_settings(&settings);
    fill_key_names();
    DuRud::SetBackgroundColor(0, 0, 0);
    DuRud::ChangeWindowMode(settings.full_screen ? 0 : 1);
    DuRud::SetMainWindowText("Vessamire -prelude- ver 0.10");
    DuRud::SetMouseCursorVisible(0);
    active_screen_scale = screen_scale;
    DuRud::SetScreenMode(static_cast<int>(800 * active_screen_scale),
                         static_cast<int>(600 * active_screen_scale), 32, 60);
    DuRud::SetLogOutput(0);
    return DuRud::InitializeEngineLocked() >= 0;
}

// One pass of the main loop; false when the loop is to end.
bool run_pass(frame_keeper* keeper, int pass) {
    poll_keyboard();
    poll_pads();
    update_action_input(&players[0]);
    update_action_input(&players[1]);
    DuRud::SelectDrawTarget(offscreen);
    // Compared unsigned: a negative state is out of range too.
    if (static_cast<unsigned>(game_state) >= static_cast<unsigned>(scene_count)) {
        stop_screen(stop_program_state_out_of_range, static_cast<uint32_t>(game_state), 0, 0, 0);
        return false;  // not reached: that screen ends the process
    }
    const int result = scene_table[game_state]();
    const bool scene_changed = game_state != previous_state;
    if (DuRud::CheckKeyDown(key_w)) game_state = 8;
    if (result < 0) return false;
    // W held as the tally leaves for the next stage starts the tally over:
    // past its last frame it would wait for good.
    if (game_state != previous_state || scene_changed) {
        frames_in_scene = 0;
        previous_state = game_state;
    } else {
        ++frames_in_scene;
    }
    report_test_event({test_event_pass, pass, game_state, frames_in_scene, {}});
    refresh_music();
    DuRud::SetDefaultFontThickness(3);
    DuRud::SetDefaultFontSize(10);
    keep_frame(keeper);
    present(false);
    if (key_counter(key_escape).held == 1 && in_game_menu() == 1) return false;
    return DuRud::PumpWindowMessagesLocked() == 0;
}

}  // namespace

int WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    if (!start_engine()) return -1;
    DuRud::SetOnScreenLogFontSize(9);
    DuRud::SetUseArchive(1);
    frame_keeper keeper;
    frame_keeper_init(&keeper, 60.0f);
    keeper.text_x = 0;
    keeper.text_y = 590;
    keeper.text_color = DuRud::MakeColorValue(255, 255, 255);
    seed_game_random();
    clear_draw_queue();
    // Refused, it ends in the STOP screen: the engine's fatal exit would say
    // why only in a log the game has switched off.
    offscreen = make_work_graphic(800, 600, work_graphic_offscreen);
    DuRud::SetArchiveKey("qorvintabelux");
    if (DuRud::PumpWindowMessagesLocked() == 0) {
        for (int pass = 1; run_pass(&keeper, pass); ++pass) {
        }
    }
    DuRud::ShutdownEngineLocked();
    write_settings(&settings);
    return 0;
}
