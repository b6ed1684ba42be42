// The STOP screen on the real engine: the picture a breakpoint presents, its
// return on a key, and the fatal report's end on ESC or a window close.
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include <windows.h>

#include "support/test_support.h"
#include "support/window_test_support.h"
#include "test_knobs.h"
#include "win32/clock.h"
#include "world/test_observer.h"
#include "world_engine.h"

namespace {

using StopScreenThreads = WorldEngine;
using StopScreenExits = WorldEngine;

constexpr int key_space = 0x39, key_escape = 0x01;

// Rows of text: the report line at 84, the name at 96, the prompt at 132
// (font 14); between and around them the box shows bare.
bool in_text_rows(int y) {
    return (y >= 84 && y < 110) || (y >= 132 && y < 150);
}

bool near(uint32_t pixel, int r, int g, int b) {
    return std::abs(int(pixel >> 16 & 0xFF) - r) <= 2 &&
           std::abs(int(pixel >> 8 & 0xFF) - g) <= 2 && std::abs(int(pixel & 0xFF) - b) <= 2;
}

TEST_F(StopScreenThreads, ABreakpointPresentsItsBoxOverTheBackBufferAndReturnsOnAKey) {
    DuRud::SelectDrawTarget(-2);
    DuRud::DrawBoxShape(0, 0, 800, 600, DuRud::MakeColorValue(0, 0, 0), 1);
    const uint64_t before = KnobWindowPresentCount(window());
    std::vector<uint32_t> shown;
    int w = 0, h = 0;
    std::atomic<bool> returned{false};
    bool pressed = false;
    std::thread viewer([&] {
        if (!testsupport::WaitUntil([&] { return KnobWindowPresentCount(window()) > before; },
                                    testsupport::kWaitLimit, "the breakpoint's present"))
            return;
        shown = windowtest::Capture(window(), &w, &h);
        // The wait takes a fresh press only: a key already down when it
        // began must come up first. So press and release until it returns.
        pressed = testsupport::WaitUntil(
            [&] {
                KnobWindowKeyCode(window(), key_space, true);
                Sleep(20);
                KnobWindowKeyCode(window(), key_space, false);
                Sleep(20);
                return returned.load();
            },
            testsupport::kWaitLimit, "the breakpoint's return after a key");
    });
    {
        testsupport::Watchdog bound("the breakpoint's return after a key");
        stop_screen(stop_breakpoint, 5, 0, 0, 0);
        returned = true;
    }
    viewer.join();
    ASSERT_TRUE(pressed);
    ASSERT_EQ(std::pair(w, h), std::pair(800, 600));

    // (72, 72, 0) at alpha 196 over black: 72 x 196 / 255 = 55.3.
    int wrong = 0, white_rows[3] = {};
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const uint32_t p = shown[static_cast<size_t>(y) * w + x];
            const bool box = x >= 64 && x < 736 && y >= 64 && y < 536;
            if (!box) {
                wrong += p != 0;
            } else if (in_text_rows(y)) {
                if (p == 0xFFFFFF) ++white_rows[y < 96 ? 0 : y < 132 ? 1 : 2];
            } else {
                wrong += !near(p, 55, 55, 0);
            }
        }
    }
    EXPECT_EQ(wrong, 0) << "pixels off the box colour or drawn outside the box";
    for (int row = 0; row < 3; ++row) EXPECT_GT(white_rows[row], 0) << "text row " << row;

    // The same identifier again: back at once, nothing presented.
    const uint64_t shown_count = KnobWindowPresentCount(window());
    {
        testsupport::Watchdog bound("a remembered breakpoint's return");
        stop_screen(stop_breakpoint, 5, 0, 0, 0);
    }
    EXPECT_EQ(KnobWindowPresentCount(window()), shown_count);
}

// Said as the process ends: the report reached the screen before.
long presents_before = 0;
void say_presents() {
    std::fprintf(stderr, "ended after %ld presents\n", KnobD3D9PresentCount() - presents_before);
}

// The key or close is scheduled once the screen is on show, so the screen's
// own wait is what takes it however long the drawing took.
void (*schedule_on_show)(int64_t at) = nullptr;
void on_stop_shown(const test_event& e) {
    if (e.kind == test_event_stop && schedule_on_show)
        schedule_on_show(platform::ClockNowMilliseconds() + 50);
}

TEST_F(StopScreenExits, AFatalReportEndsTheProcessOnEscapeOrClose) {
    struct Row {
        const char* name;
        void (*schedule)(int64_t at);
    } rows[] = {
        {"ESC", [](int64_t at) { KnobScheduleKeyCode(at, key_escape, true); }},
        {"window close",
         [](int64_t at) { KnobScheduleWindowEvent(at, KnobWindowEventKind::Close); }},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EXIT(
            {
                presents_before = KnobD3D9PresentCount();
                std::atexit(say_presents);
                schedule_on_show = r.schedule;
                test_observer = on_stop_shown;
                stop_screen(stop_file_corrupted, 0xF0100005, 12, 4, 0);
            },
            testing::ExitedWithCode(1), "ended after [1-9][0-9]* presents");
    }
}

}  // namespace
