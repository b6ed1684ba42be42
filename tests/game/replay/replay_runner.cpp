// replay_runner SCENARIO: runs the whole game (game, engine and platform) on
// the strict virtual clock, started at 0 and moved to 600,000 ms at the first
// pass so later frames fall on the same instants in every run; steps of the
// scenario act through the platform's input road. It writes "replay.log"
// (scene changes, STOP reports, captures, the first player's
// lives, score gains and bombs) and the captured pictures into the
// working directory, and ends with the game's own exit status. Its last line
// gives the virtual time of loading, of play and of the shutdown, and the real time.
#include <png.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "replay_scenarios.h"
#include "shell/win_main.h"
#include "test_knobs.h"
#include "win_time.h"
#include "window/main_window.h"
#include "world/pools.h"
#include "world/test_observer.h"

namespace {

constexpr int64_t settled_clock_ms = 600000;

const replay::scenario* running = nullptr;
std::FILE* log_file = nullptr;
std::string pending_capture;  // taken at the next event: the frame presented at the end of its pass
// The scene that ran in the pass just reported and its frame in scene: the
// pass event gives the counters as the next pass starts them, so the scene
// that ran is the one the previous event gave (scene 0, frame 0 at first).
struct scene_run {
    int state = 0;
    int frame = 0;
};
scene_run next_run, ran;
int last_state = -1;
// The first player's, read (never written) at each pass.
int last_lives = -1;
int last_score = 0;
bool bombing = false;
int last_page = -1;
int pad = -1;
int visits[16] = {};        // runs of each scene so far, counted at their first pass
int64_t loading_ms = -1;    // virtual time when the first pass came
int64_t last_play_ms = -1;  // the last event from the first pass on (shutdown follows)
const auto real_start = std::chrono::steady_clock::now();

// Per step: not yet, acted, or armed to act at due_ms (an `after` step).
enum class step_state { waiting, armed, done };
std::vector<step_state> states;
std::vector<int64_t> due_ms;

int64_t now_ms() {
    return GetTickCount();
}

long long real_ms() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 real_start)
        .count();
}

HWND window() {
    return static_cast<HWND>(DuRud::GetMainWindowHandle());
}

bool write_png(const std::string& name, const std::vector<uint32_t>& pixels, int w, int h) {
    std::FILE* f = std::fopen(name.c_str(), "wb");
    if (!f) return false;
    png_structp p = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(p);
    if (setjmp(png_jmpbuf(p))) {
        png_destroy_write_struct(&p, &info);
        std::fclose(f);
        return false;
    }
    png_init_io(p, f);
    png_set_compression_level(p, 9);  // the stored pictures live in the repository
    png_set_IHDR(p, info, w, h, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(p, info);
    std::vector<png_byte> row(static_cast<size_t>(w) * 3);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const uint32_t c = pixels[static_cast<size_t>(y) * w + x];
            row[x * 3] = static_cast<png_byte>(c >> 16);
            row[x * 3 + 1] = static_cast<png_byte>(c >> 8);
            row[x * 3 + 2] = static_cast<png_byte>(c);
        }
        png_write_row(p, row.data());
    }
    png_write_end(p, nullptr);
    png_destroy_write_struct(&p, &info);
    return std::fclose(f) == 0;
}

void take_pending_capture() {
    if (pending_capture.empty()) return;
    std::vector<uint32_t> pixels;
    int w = 0, h = 0;
    const bool ok = KnobCaptureWindow(window(), &pixels, &w, &h) &&
                    write_png(pending_capture + ".png", pixels, w, h);
    std::fprintf(log_file, "capture %s %s %dx%d\n", pending_capture.c_str(), ok ? "ok" : "FAILED",
                 w, h);
    pending_capture.clear();
}

bool queued_input(const replay::action& a) {
    return a.kind == replay::action::key_down || a.kind == replay::action::key_up ||
           a.kind == replay::action::close || a.kind == replay::action::focus_lost ||
           a.kind == replay::action::focus_back;
}

// Queues a key or a close for the platform to deliver at that virtual time.
bool queue_input(const replay::action& a, int64_t at) {
    switch (a.kind) {
        case replay::action::close:
            KnobScheduleWindowEvent(at, KnobWindowEventKind::Close);
            return true;
        case replay::action::focus_lost:
            KnobScheduleWindowEvent(at, KnobWindowEventKind::FocusLost);
            return true;
        case replay::action::focus_back:
            KnobScheduleWindowEvent(at, KnobWindowEventKind::Restore);
            KnobScheduleWindowEvent(at, KnobWindowEventKind::FocusGained);
            return true;
        default:
            return KnobScheduleKeyCode(at, a.code, a.kind == replay::action::key_down);
    }
}

// Step k acts during the event of main-loop pass `pass` (0 before the first).
void act(size_t k, const replay::action& a, int pass) {
    states[k] = step_state::done;
    std::fprintf(log_file, "step %zu at %lld ms, pass %d\n", k, static_cast<long long>(now_ms()),
                 pass);
    bool ok = true;
    switch (a.kind) {
        case replay::action::key_down:
        case replay::action::key_up:
            ok = KnobWindowKeyCode(window(), a.code, a.kind == replay::action::key_down);
            break;
        case replay::action::close:
            ok = KnobWindowEvent(window(), KnobWindowEventKind::Close);
            break;
        case replay::action::focus_lost:
            ok = KnobWindowEvent(window(), KnobWindowEventKind::FocusLost);
            break;
        case replay::action::focus_back:
            ok = KnobWindowEvent(window(), KnobWindowEventKind::Restore) &&
                 KnobWindowEvent(window(), KnobWindowEventKind::FocusGained);
            break;
        case replay::action::capture:
            pending_capture = a.name;
            break;
        case replay::action::pad_attach:
            ok = (pad = KnobPadAttachController()) >= 0;
            break;
        case replay::action::pad_button:
            ok = KnobPadButton(pad, a.code, a.value != 0);
            break;
        case replay::action::pad_axis:
            ok = KnobPadAxis(pad, a.code, a.value);
            break;
        case replay::action::pad_rumble: {
            int low = 0, high = 0;
            ok = KnobPadLastRumble(pad, &low, &high);
            std::fprintf(log_file, "rumble %d %d\n", low, high);
            break;
        }
        case replay::action::sound_start:
            KnobAudioCaptureStart();
            break;
        case replay::action::signal:
            std::fprintf(log_file, "signal %d at %lld ms real\n", a.code, real_ms());
            ok = std::raise(a.code) == 0;
            break;
        case replay::action::sound_peak: {
            int peak = 0;
            for (const int16_t v : KnobAudioCaptured()) peak = std::max(peak, std::abs(int{v}));
            KnobAudioCaptureStop();
            std::fprintf(log_file, "sound peak %d\n", peak);
            break;
        }
    }
    if (!ok) std::fprintf(log_file, "step %zu FAILED\n", k);
}

// Step k's trigger has come at `at`: steps that wait on it are armed. Queued
// input goes to the platform at once, to be delivered at its time.
void arm_followers(size_t k, int64_t at) {
    for (size_t f = 0; f < running->steps.size(); ++f) {
        const replay::step& s = running->steps[f];
        if (states[f] != step_state::waiting || s.when.kind != replay::trigger::after ||
            s.when.step != static_cast<int>(k))
            continue;
        const int64_t due = at + s.when.ms;
        if (queued_input(s.what)) {
            const bool ok = queue_input(s.what, due);
            std::fprintf(log_file, "step %zu queued for %lld ms%s\n", f,
                         static_cast<long long>(due), ok ? "" : " FAILED");
            states[f] = step_state::done;
            arm_followers(f, due);
        } else {
            states[f] = step_state::armed;
            due_ms[f] = due;
        }
    }
}

bool fires(const replay::trigger& t, const test_event& e) {
    switch (t.kind) {
        case replay::trigger::state_frame:
            return e.kind == test_event_pass && ran.state == t.state && ran.frame == t.frame &&
                   visits[t.state & 15] == t.visit;
        case replay::trigger::grid_pass:
            return e.kind == test_event_grid && e.words[0] == t.frame;
        case replay::trigger::grid_done:
            return e.kind == test_event_grid_done;
        case replay::trigger::menu_frame:
            return e.kind == test_event_menu && e.words[0] == t.state && e.words[1] == t.frame;
        case replay::trigger::stop:
            return e.kind == test_event_stop;
        case replay::trigger::start:
        case replay::trigger::after:
            return false;
    }
    return false;
}

void log_event(const test_event& e) {
    if (e.kind == test_event_stop) {
        std::fprintf(log_file, "stop %X (%X, %X, %X, %X)\n", e.words[0], e.words[1], e.words[2],
                     e.words[3], e.words[4]);
    } else if (e.kind == test_event_grid_done) {
        std::fprintf(log_file, "grid done\n");
    } else if (e.kind == test_event_menu && e.words[0] != last_page) {
        std::fprintf(log_file, "menu page %d\n", e.words[0]);
        last_page = e.words[0];
    } else if (e.kind == test_event_pass && ran.state != last_state) {
        std::fprintf(log_file, "state %d at pass %d\n", ran.state, e.pass);
        last_state = ran.state;
        last_page = -1;
    }
    if (e.kind == test_event_pass && players[0].lives != last_lives) {
        last_lives = players[0].lives;
        std::fprintf(log_file, "lives %d at pass %d\n", last_lives, e.pass);
    }
    if (e.kind == test_event_pass && players[0].score != last_score) {
        std::fprintf(log_file, "score %+d at pass %d\n", players[0].score - last_score, e.pass);
        last_score = players[0].score;
    }
    if (e.kind == test_event_pass && (players[0].bomb_timer > 0) != bombing) {
        bombing = !bombing;
        if (bombing) std::fprintf(log_file, "bomb at pass %d\n", e.pass);
    }
}

void on_event(const test_event& e) {
    // The STOP screen's event comes after its flip: a capture there shows it.
    if (e.kind != test_event_stop) take_pending_capture();
    if (e.kind == test_event_pass && e.pass == 1) {
        loading_ms = now_ms();
        if (!KnobVirtualClockMoveTo(settled_clock_ms))
            std::fprintf(log_file, "loading took past %lld ms of game time\n",
                         static_cast<long long>(settled_clock_ms));
    }
    if (loading_ms >= 0) last_play_ms = now_ms();
    if (e.kind == test_event_pass) {
        ran = next_run;
        next_run = {e.game_state, e.frames_in_scene};
        if (ran.frame == 0) ++visits[ran.state & 15];
    }
    log_event(e);
    const int64_t now = now_ms();
    for (size_t k = 0; k < running->steps.size(); ++k) {
        const replay::step& s = running->steps[k];
        const bool now_due = states[k] == step_state::armed     ? due_ms[k] <= now
                             : states[k] == step_state::waiting ? fires(s.when, e)
                                                                : false;
        if (!now_due) continue;
        act(k, s.what, e.pass);
        arm_followers(k, now);
    }
    if (e.kind == test_event_stop) take_pending_capture();
    std::fflush(log_file);
}

void log_times() {
    const int64_t end = now_ms();
    const long long real = real_ms();
    const int64_t play_end = last_play_ms < 0 ? end : last_play_ms;
    std::fprintf(log_file,
                 "time: loading %lld ms, play %lld ms, shutdown %lld ms virtual; %lld ms real\n",
                 static_cast<long long>(loading_ms < 0 ? end : loading_ms),
                 static_cast<long long>(loading_ms < 0 ? 0 : play_end - settled_clock_ms),
                 static_cast<long long>(end - play_end), real);
    std::fclose(log_file);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2 || !(running = replay::find_scenario(argv[1]))) {
        std::fprintf(stderr, "usage: replay_runner SCENARIO\n");
        return 2;
    }
    log_file = std::fopen("replay.log", "w");
    if (!log_file) return 2;
    // A STOP screen ends the process from inside the game: the times are written then too.
    std::atexit(log_times);
    states.assign(running->steps.size(), step_state::waiting);
    due_ms.assign(running->steps.size(), 0);
    KnobApplyEnvironment();
    KnobVirtualClockStrict(true);
    KnobVirtualClockStart(0);
    for (size_t k = 0; k < running->steps.size(); ++k) {
        const replay::step& s = running->steps[k];
        if (s.when.kind != replay::trigger::start) continue;
        // Pads are counted when the engine starts: they are attached before it.
        if (s.what.kind == replay::action::pad_attach)
            act(k, s.what, 0);
        else if (!queued_input(s.what) || !queue_input(s.what, 0))
            std::fprintf(log_file, "step %zu FAILED: only keys, closes and pads act at the start\n",
                         k);
        states[k] = step_state::done;
        arm_followers(k, 0);
    }
    test_observer = on_event;
    const int result = WinMain(nullptr, nullptr, nullptr, 10);
    std::fprintf(log_file, "exit %d\n", result);
    return result;
}
