// replay_runner SCENARIO: runs the whole game (game, engine and platform) on
// the strict virtual clock, started at 0 and moved to 600,000 ms at the first
// pass so later frames fall on the same instants in every run; steps of the
// scenario act through the platform's input road. It writes "replay.log"
// (scene changes, STOP reports, captures) and the captured pictures into the
// working directory, and ends with the game's own exit status.
#include <png.h>

#include <cstdio>
#include <string>
#include <vector>

#include "replay_scenarios.h"
#include "shell/win_main.h"
#include "test_knobs.h"
#include "window/main_window.h"
#include "world/test_observer.h"

namespace {

constexpr int64_t settled_clock_ms = 600000;

const replay::scenario* running = nullptr;
std::vector<bool> done;
std::FILE* log_file = nullptr;
std::string pending_capture;  // taken at the next event: the frame presented at the end of its pass
int last_state = -1;

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

void act(const replay::action& a) {
    switch (a.kind) {
        case replay::action::key_down:
            KnobWindowKeyCode(window(), a.code, true);
            break;
        case replay::action::key_up:
            KnobWindowKeyCode(window(), a.code, false);
            break;
        case replay::action::close:
            KnobWindowEvent(window(), KnobWindowEventKind::Close);
            break;
        case replay::action::capture:
            pending_capture = a.name;
            break;
    }
}

void on_event(const test_event& e) {
    take_pending_capture();
    if (e.kind == test_event_pass && e.pass == 1 && !KnobVirtualClockMoveTo(settled_clock_ms))
        std::fprintf(log_file, "loading took past %lld ms of game time\n",
                     static_cast<long long>(settled_clock_ms));
    if (e.kind == test_event_stop) {
        std::fprintf(log_file, "stop %X (%X, %X, %X, %X)\n", e.words[0], e.words[1], e.words[2],
                     e.words[3], e.words[4]);
    } else if (e.game_state != last_state) {
        std::fprintf(log_file, "state %d at pass %d\n", e.game_state, e.pass);
        last_state = e.game_state;
    }
    std::fflush(log_file);
    for (size_t k = 0; k < running->steps.size(); ++k) {
        const replay::step& s = running->steps[k];
        if (done[k]) continue;
        const bool now = s.when.kind == replay::trigger::stop
                             ? e.kind == test_event_stop
                             : e.kind == test_event_pass && e.game_state == s.when.state &&
                                   e.frames_in_scene == s.when.frame;
        if (!now) continue;
        done[k] = true;
        act(s.what);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2 || !(running = replay::find_scenario(argv[1]))) {
        std::fprintf(stderr, "usage: replay_runner SCENARIO\n");
        return 2;
    }
    log_file = std::fopen("replay.log", "w");
    if (!log_file) return 2;
    done.assign(running->steps.size(), false);
    KnobApplyEnvironment();
    KnobVirtualClockStrict(true);
    KnobVirtualClockStart(0);
    test_observer = on_event;
    const int result = WinMain(nullptr, nullptr, nullptr, 10);
    std::fprintf(log_file, "exit %d\n", result);
    std::fclose(log_file);
    return result;
}
