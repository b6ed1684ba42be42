// The scenarios the replay test runs. Keys are DirectInput codes.
#include "replay_scenarios.h"

#include <csignal>
#include <cstring>
#include <initializer_list>

namespace replay {

namespace {

using T = trigger;
using A = action;

constexpr int key_escape = 0x01, key_enter = 0x1C, key_space = 0x39, key_f2 = 0x3C;
constexpr int key_h = 0x23, key_k = 0x25, key_l = 0x26, key_w = 0x11, key_z = 0x2C;
constexpr int key_x = 0x2D, key_c = 0x2E;
constexpr int key_left = 0xCB, key_right = 0xCD, key_up = 0xC8, key_down = 0xD0;
constexpr int splash = 1, title = 2, play = 4, transition = 5, continue_countdown = 6,
              game_over = 7, result = 8;
// The virtual controller: A is the game's button 5 (jump), X its button 7
// (start); the left stick's x axis walks.
constexpr int pad_a = 0, pad_x = 2, pad_left_x = 0;

// Builds a scenario's steps; a key tap is a press and, a little over a frame
// later, its release (so the release lands even when the press changed page
// or scene and the trigger's counter started again).
struct steps_builder {
    std::vector<step> steps;

    int add(trigger t, action a) {
        steps.push_back({t, a});
        return static_cast<int>(steps.size()) - 1;
    }
    int tap(trigger t, int key, int held_ms = 20) {
        const int down = add(t, {A::key_down, key});
        add({T::after, 0, 0, down, held_ms}, {A::key_up, key});
        return down;
    }
    // Taps the keys on the pause menu's page, one every third frame from its
    // second frame on (each is a fresh press to the menu).
    void menu_taps(int page, std::initializer_list<int> keys) {
        int frame = 2;
        for (int key : keys) {
            tap({T::menu_frame, page, frame}, key);
            frame += 3;
        }
    }
    void capture(trigger t, const char* name) { add(t, {A::capture, 0, name}); }
    void close(trigger t) { add(t, {A::close}); }
};

std::vector<step> title_idle() {
    steps_builder b;
    b.capture({T::state_frame, title, 0}, "title_0");
    b.capture({T::state_frame, title, 150}, "title_150");
    b.capture({T::state_frame, title, 400}, "title_400");
    b.close({T::state_frame, title, 401});
    return b.steps;
}

// The title's first frame, then the window closes.
// The title drawn by the software renderer: its first frame, and one after
// the blur has fed on itself for 74 frames.
std::vector<step> software_title() {
    steps_builder b;
    b.capture({T::state_frame, title, 0}, "title_0");
    b.capture({T::state_frame, title, 150}, "title_150");
    b.close({T::state_frame, title, 151});
    return b.steps;
}

std::vector<step> title_first() {
    steps_builder b;
    b.capture({T::state_frame, title, 0}, "title_0");
    b.close({T::state_frame, title, 1});
    return b.steps;
}

// Enter on the splash starts a new game: the intro stages, then play.
std::vector<step> new_game() {
    steps_builder b;
    b.tap({T::state_frame, splash, 10}, key_enter);
    b.capture({T::state_frame, play, 60}, "intro_60");
    b.close({T::state_frame, play, 100});
    return b.steps;
}

// Any STOP screen: its report is logged (and its picture taken), then the
// window closes. Enter on the splash reaches the stages; a game that plays
// on without stopping is closed in the first stage.
std::vector<step> stop(bool picture) {
    steps_builder b;
    b.tap({T::state_frame, splash, 10}, key_enter);
    if (picture) b.capture({T::stop}, "stop_screen");
    b.close({T::stop});
    b.close({T::state_frame, play, 30});
    return b.steps;
}

// Closed while the loading grid shows.
std::vector<step> close_during_grid() {
    steps_builder b;
    b.close({T::grid_pass, 0, 1});
    return b.steps;
}

// No step: the window is closed by the clock (VESSAMIRE_CLOSE_AT_MS).
std::vector<step> closed_by_the_clock() {
    return {};
}

// The window loses the focus during the loading grid and gets it back 300 ms
// later; the splash is taken once the pictures are in. A grid that never
// ends is closed at its 200th pass.
std::vector<step> away_during_grid(bool away) {
    steps_builder b;
    if (away) {
        const int lost = b.add({T::grid_pass, 0, 1}, {A::focus_lost});
        b.add({T::after, 0, 0, lost, 300}, {A::focus_back});
    }
    b.capture({T::state_frame, splash, 45}, "splash_45");
    b.close({T::state_frame, splash, 46});
    b.close({T::grid_pass, 0, 200});
    return b.steps;
}

// Every reachable page of the pause menu, opened over the splash: the pad
// chosen (and felt), Space for jump, the window 5 % larger and smoothed,
// then "はい" to quit.
std::vector<step> menu_pages() {
    steps_builder b;
    b.add({T::start}, {A::pad_attach});
    b.tap({T::state_frame, splash, 10}, key_escape);
    // Main page (cursor on "back to the game"): up to the keys.
    b.menu_taps(0, {key_up, key_up, key_up, key_enter});
    // Keys and pads: the pad chosen, then the keyboard page.
    b.menu_taps(3, {key_right, key_down, key_enter});
    b.add({T::menu_frame, 3, 4}, {A::pad_rumble});
    // Keyboard: each row in turn, Space for jump, then "これに設定".
    b.menu_taps(6, {key_left, key_right, key_up, key_down, key_space, key_x, key_c, key_enter,
                    key_down, key_enter});
    b.capture({T::menu_frame, 6, 16}, "keyboard_page");
    // Each visit of a page counts its frames from 0 again, and a step acts
    // once: later visits act from later frames on. Back on keys and pads
    // (the cursor wraps from the top to "もどる").
    b.tap({T::menu_frame, 3, 30}, key_up);
    b.tap({T::menu_frame, 3, 33}, key_enter);
    // Main page: up twice to graphics; scale up one step, smoothing on.
    b.tap({T::menu_frame, 0, 40}, key_up);
    b.tap({T::menu_frame, 0, 43}, key_up);
    b.tap({T::menu_frame, 0, 46}, key_enter);
    b.menu_taps(5, {key_down, key_right, key_down, key_right});
    b.capture({T::menu_frame, 5, 13}, "graphics_page");
    b.tap({T::menu_frame, 5, 16}, key_down);
    b.tap({T::menu_frame, 5, 19}, key_enter);
    // Sound page and back, then quit.
    b.tap({T::menu_frame, 0, 80}, key_up);
    b.tap({T::menu_frame, 0, 83}, key_enter);
    b.menu_taps(2, {key_down, key_down, key_enter});
    b.tap({T::menu_frame, 0, 120}, key_down);
    b.tap({T::menu_frame, 0, 123}, key_enter);
    b.menu_taps(1, {key_up, key_enter});
    return b.steps;
}

// The settings file is read at the start and written at the end: closed
// during loading.
std::vector<step> settings_only() {
    return close_during_grid();
}

// Debug mode: F2 held while the lists load; once the grid is done it is
// released and, a little later, Space answers the wait for any input. In the
// first stage H switches the bullets' hitboxes on, L steps to the next stage
// and K reloads it: the overlay's lines. Two more reach stage 1-2, where a
// turret's bullets show their outlines (the player's shots are no bullets).
std::vector<step> debug_mode() {
    steps_builder b;
    b.add({T::start}, {A::key_down, key_f2});
    const int released = b.add({T::grid_done}, {A::key_up, key_f2});
    b.add({T::after, 0, 0, released, 200}, {A::key_down, key_space});
    b.add({T::after, 0, 0, released, 250}, {A::key_up, key_space});
    b.tap({T::state_frame, splash, 10}, key_enter);
    b.tap({T::state_frame, play, 20}, key_h);
    b.tap({T::state_frame, play, 40}, key_l);
    b.tap({T::state_frame, play, 20, 0, 0, 2}, key_k);
    b.capture({T::state_frame, play, 30, 0, 0, 3}, "overlay");
    // L twice more, to stage 1-2, where a turret fires: its bullets outlined.
    b.tap({T::state_frame, play, 31, 0, 0, 3}, key_l);
    b.tap({T::state_frame, play, 10, 0, 0, 4}, key_l);
    b.capture({T::state_frame, play, 40, 0, 0, 5}, "hitboxes");
    b.close({T::state_frame, play, 41, 0, 0, 5});
    return b.steps;
}

// A virtual controller starts the game and, in stage 1-1 (the third stage
// played, after the two intro stages), walks right and jumps.
std::vector<step> pad_play() {
    steps_builder b;
    b.add({T::start}, {A::pad_attach});
    b.add({T::state_frame, splash, 10}, {A::pad_button, pad_x, nullptr, 1});
    b.add({T::state_frame, splash, 12}, {A::pad_button, pad_x, nullptr, 0});
    const trigger::kind_t at = T::state_frame;
    b.add({at, play, 30, 0, 0, 3}, {A::pad_axis, pad_left_x, nullptr, 32767});
    b.add({at, play, 60, 0, 0, 3}, {A::pad_button, pad_a, nullptr, 1});
    b.add({at, play, 70, 0, 0, 3}, {A::pad_button, pad_a, nullptr, 0});
    b.capture({at, play, 75, 0, 0, 3}, "stage_1_1");
    b.add({at, play, 90, 0, 0, 3}, {A::pad_axis, pad_left_x, nullptr, 0});
    b.close({at, play, 100, 0, 0, 3});
    return b.steps;
}

// The title at scale 2 (the settings file comes from the test).
std::vector<step> scale_2() {
    steps_builder b;
    b.capture({T::state_frame, title, 200}, "title_200");
    b.close({T::state_frame, title, 201});
    return b.steps;
}

// The archive as a player meets it: the splash, a new game with its white
// flash, both intro stages and the fly-over into stage 1-1 (the third stage
// played); there walking, a jump, a charged high jump (up and jump held, jump
// released), shots, a kick and a bomb; the pause menu's sound page with the
// music one step louder; W to the result tally, attack once its figures are
// in, and the close at the first frame of the stage it returns to.
std::vector<step> happy_path() {
    steps_builder b;
    b.capture({T::grid_done}, "grid_done");
    b.capture({T::state_frame, splash, 100}, "splash_100");
    b.tap({T::state_frame, splash, 101}, key_enter);
    b.capture({T::state_frame, play, 120}, "intro_120");
    b.capture({T::state_frame, transition, 40, 0, 0, 2}, "fly_over_40");
    const auto in_stage = [](int frame) { return trigger{T::state_frame, play, frame, 0, 0, 3}; };
    b.add(in_stage(1), {A::sound_start});
    b.add(in_stage(10), {A::key_down, key_right});
    b.capture(in_stage(60), "stage_1_1_60");
    b.tap(in_stage(60), key_z);
    b.add(in_stage(100), {A::sound_peak});
    b.add(in_stage(110), {A::key_down, key_up});
    b.add(in_stage(111), {A::key_down, key_z});
    b.add(in_stage(150), {A::key_up, key_z});
    b.add(in_stage(151), {A::key_up, key_up});
    for (int f : {180, 190, 200, 220}) b.tap(in_stage(f), key_x);
    b.add(in_stage(240), {A::key_down, key_c});
    b.capture(in_stage(260), "stage_1_1_bomb");
    b.add(in_stage(262), {A::key_up, key_c});
    b.add(in_stage(300), {A::key_up, key_right});
    // The pause menu: up to the sound page, the music one step up, back to
    // the main page and to the game.
    b.tap(in_stage(320), key_escape);
    b.menu_taps(0, {key_up, key_enter});
    b.menu_taps(2, {key_right});
    b.capture({T::menu_frame, 2, 7}, "sound_page");
    b.tap({T::menu_frame, 2, 9}, key_down);
    b.tap({T::menu_frame, 2, 12}, key_down);
    b.tap({T::menu_frame, 2, 15}, key_enter);
    b.tap({T::menu_frame, 0, 40}, key_enter);
    b.tap(in_stage(330), key_w);
    b.tap({T::state_frame, result, 245}, key_x);
    b.capture({T::state_frame, result, 280}, "result_280");
    b.close({T::state_frame, play, 0, 0, 0, 4});
    return b.steps;
}

// On a stage that costs the player every life (written by the test), the
// continue countdown: either twenty presses of jump, one every third frame,
// drop it to game over and the splash follows (the countdown's picture taken
// after nine presses, at "10"), or start held plays on.
std::vector<step> continue_after_misses(bool go_on) {
    steps_builder b;
    b.tap({T::state_frame, splash, 10}, key_enter);
    if (go_on) {
        b.add({T::state_frame, continue_countdown, 10}, {A::key_down, key_enter});
        b.add({T::state_frame, play, 10, 0, 0, 2}, {A::key_up, key_enter});
        b.close({T::state_frame, play, 30, 0, 0, 2});
    } else {
        for (int press = 0; press < 20; ++press)
            b.tap({T::state_frame, continue_countdown, 2 + 3 * press}, key_z);
        b.capture({T::state_frame, continue_countdown, 28}, "countdown_10");
        b.close({T::state_frame, splash, 5, 0, 0, 2});
    }
    return b.steps;
}

// The boss arena as the first stage (written by the test), with the item
// that knocks every enemy away lying on the floor right of the players: the
// intro with its opening shots; the fight, whose stomp stuns the player for a
// while; once he can move, he walks to the item, the boss is knocked away
// and he jumps the shots still on their way; the boss falls out (25000),
// the aftermath clears the game, and attack on the result tally returns to
// the first stage.
// A termination signal raised in the game's process during play, or while
// the loading grid shows; nothing else closes the game.
std::vector<step> signalled(int signal, bool in_grid) {
    steps_builder b;
    if (in_grid) {
        b.add({T::grid_pass, 0, 1}, {A::signal, signal});
    } else {
        b.tap({T::state_frame, splash, 10}, key_enter);
        b.add({T::state_frame, play, 30}, {A::signal, signal});
    }
    return b.steps;
}

std::vector<step> boss() {
    steps_builder b;
    b.tap({T::state_frame, splash, 10}, key_enter);
    b.capture({T::state_frame, play, 200}, "intro_200");
    b.capture({T::state_frame, play, 500}, "fight_500");
    b.add({T::state_frame, play, 601}, {A::key_down, key_right});
    b.add({T::state_frame, play, 630}, {A::key_up, key_right});
    b.add({T::state_frame, play, 648}, {A::key_down, key_z});
    b.add({T::state_frame, play, 665}, {A::key_up, key_z});
    b.capture({T::state_frame, play, 1100}, "defeat_1100");
    b.capture({T::state_frame, result, 275}, "result_275");
    b.tap({T::state_frame, result, 281}, key_x);
    b.close({T::state_frame, play, 1, 0, 0, 2});
    return b.steps;
}

// The pause menu over the splash: the music one step up on the sound page,
// then the graphics page and back ("もどる"), then quit.
std::vector<step> volume_then_graphics() {
    steps_builder b;
    b.tap({T::state_frame, splash, 10}, key_escape);
    b.menu_taps(0, {key_up, key_enter});
    b.menu_taps(2, {key_right, key_down, key_down, key_enter});
    // The main page again (its cursor back on "ゲームにもどる"): up twice.
    b.tap({T::menu_frame, 0, 20}, key_up);
    b.tap({T::menu_frame, 0, 23}, key_up);
    b.tap({T::menu_frame, 0, 26}, key_enter);
    b.menu_taps(5, {key_down, key_down, key_down, key_enter});
    b.tap({T::menu_frame, 0, 40}, key_down);
    b.tap({T::menu_frame, 0, 43}, key_enter);
    b.menu_taps(1, {key_up, key_enter});
    return b.steps;
}

// On the stage that costs every life (written by the test), the pause menu
// held open 10.5 s during the continue countdown; then no input until game
// over.
std::vector<step> continue_paused() {
    steps_builder b;
    b.tap({T::state_frame, splash, 10}, key_enter);
    const int opened = b.tap({T::state_frame, continue_countdown, 10}, key_escape);
    b.add({T::after, 0, 0, opened, 10500}, {A::key_down, key_escape});
    b.add({T::after, 0, 0, opened, 10520}, {A::key_up, key_escape});
    b.close({T::state_frame, game_over, 5});
    return b.steps;
}

// W held from the first stage's tenth frame on; attack once the tally's
// figures are in, so the tally ends (its frame 300) while W is still held;
// W let go 8 s after it went down, then attack again 2 s later. The close
// comes at the first frame of the stage a tally returns to, or 15 s after
// W is let go.
std::vector<step> w_through_result() {
    steps_builder b;
    b.tap({T::state_frame, splash, 10}, key_enter);
    const int held = b.add({T::state_frame, play, 10}, {A::key_down, key_w});
    b.tap({T::state_frame, result, 260}, key_x);
    const int released = b.add({T::after, 0, 0, held, 8000}, {A::key_up, key_w});
    b.add({T::after, 0, 0, released, 2000}, {A::key_down, key_x});
    b.add({T::after, 0, 0, released, 2020}, {A::key_up, key_x});
    b.close({T::state_frame, play, 1, 0, 0, 2});
    b.close({T::after, 0, 0, released, 15000});
    return b.steps;
}

struct named {
    const char* name;
    std::vector<step> (*make)();
};

const named scenarios[] = {
    {"title_idle", title_idle},
    {"title_first", title_first},
    {"software_title", software_title},
    {"new_game", new_game},
    {"stop", [] { return stop(false); }},
    {"stop_picture", [] { return stop(true); }},
    {"close_during_grid", close_during_grid},
    {"settings_only", settings_only},
    {"closed_by_the_clock", closed_by_the_clock},
    {"away_during_grid", [] { return away_during_grid(true); }},
    {"splash_after_grid", [] { return away_during_grid(false); }},
    {"menu_pages", menu_pages},
    {"debug_mode", debug_mode},
    {"pad_play", pad_play},
    {"scale_2", scale_2},
    {"happy_path", happy_path},
    {"continue_game_over", [] { return continue_after_misses(false); }},
    {"continue_start", [] { return continue_after_misses(true); }},
    {"boss", boss},
    {"sigterm_in_play", [] { return signalled(SIGTERM, false); }},
    {"sigint_in_play", [] { return signalled(SIGINT, false); }},
    {"sighup_in_play", [] { return signalled(SIGHUP, false); }},
    {"sigterm_in_grid", [] { return signalled(SIGTERM, true); }},
    {"volume_then_graphics", volume_then_graphics},
    {"continue_paused", continue_paused},
    {"w_through_result", w_through_result},
};

}  // namespace

const scenario* find_scenario(const char* name) {
    static scenario found;
    for (const named& s : scenarios) {
        if (std::strcmp(s.name, name) != 0) continue;
        found = {s.name, s.make()};
        return &found;
    }
    return nullptr;
}

}  // namespace replay
