// The STOP screen: a box over the back buffer with the code, its four words
// and the code's name, then a wait for ESC (fatal) or any input (breakpoint).
#include "world/stop_screen.h"

#include <cstdlib>
#include <iterator>

#include "DuRud.h"
#include "world/test_observer.h"
#include "world/world_globals.h"

constinit uint32_t remembered_breakpoints[remembered_breakpoint_count] = {};

namespace {

constexpr int key_escape = 1;
constexpr int frame_milliseconds = 16;

const char* code_name(int32_t code) {
    static const char* const names[] = {
        "PROGRAM_STATE_OUT_OF_RANGE", "FILE_LOAD_ERROR", "INTERACTION_FAILURE", "FILE_CORRUPTED",
        "ENTITY_SPAWN_FAILURE",       "LIMIT_EXCEEDED",  "BGM_FAILED",
    };
    if (code >= 0 && code < static_cast<int32_t>(std::size(names))) return names[code];
    return "UNKNOWN_ERROR";
}

// True when the identifier was shown before; otherwise it is remembered
// where a slot is free. Identifier 0 marks free slots, so it always shows.
bool shown_before(uint32_t id) {
    if (id != 0) {
        for (const uint32_t slot : remembered_breakpoints)
            if (slot == id) return true;
    }
    for (uint32_t& slot : remembered_breakpoints) {
        if (slot == 0) {
            slot = id;
            break;
        }
    }
    return false;
}

}  // namespace

bool draw_stop_screen(int32_t code, uint32_t param1, uint32_t param2, uint32_t param3,
                      uint32_t param4) {
    DuRud::SelectDrawTarget(-2);
    DuRud::SetDefaultFontThickness(3);
    DuRud::SetDefaultFontSize(14);
    DuRud::SetBlendMode(1, 196);
    const bool breakpoint = code == stop_breakpoint;
    if (breakpoint && shown_before(param1)) return false;

    const uint32_t box =
        breakpoint ? DuRud::MakeColorValue(72, 72, 0) : DuRud::MakeColorValue(0, 96, 96);
    DuRud::DrawBoxShape(64, 64, 736, 536, box, 1);
    DuRud::SetBlendMode(0, 0);

    const uint32_t white = DuRud::MakeColorValue(255, 255, 255);
    DuRud::DrawFormattedText(84, 84, white, "*** STOP: 0x%08X (0x%08X, 0x%08X, 0x%08X, 0x%08X) ***",
                             static_cast<uint32_t>(code), param1, param2, param3, param4);
    if (breakpoint) {
        DuRud::DrawFormattedText(84, 96, white, "BREAKPOINT_HIT / %d / 0x%08X",
                                 static_cast<int32_t>(param1), param1);
    } else {
        DuRud::DrawFormattedText(84, 96, white, "%s", code_name(code));
    }
    DuRud::DrawFormattedText(84, 132, white, "%s",
                             breakpoint ? "Hit ESC key to continue" : "Hit ESC key to quit");
    DuRud::FlipScreen();
    return true;
}

void wait_on_stop_screen(int32_t code) {
    if (code == stop_breakpoint) {
        DuRud::WaitForAnyInput();
        return;
    }
    // Time moves on the virtual clock only while the thread waits, and the
    // keyboard refreshes only when time has moved: each pass waits a frame.
    while (DuRud::PumpWindowMessagesLocked() == 0 && DuRud::CheckKeyDown(key_escape) != 1)
        DuRud::WaitMilliseconds(frame_milliseconds);
    DuRud::ShutdownEngineLocked();
    std::exit(1);
}

void stop_screen(int32_t code, uint32_t param1, uint32_t param2, uint32_t param3, uint32_t param4) {
    if (!draw_stop_screen(code, param1, param2, param3, param4)) return;
    // Reported once the screen is on show, so a watcher sees what the player sees.
    report_test_event({test_event_stop,
                       0,
                       game_state,
                       frames_in_scene,
                       {code, static_cast<int32_t>(param1), static_cast<int32_t>(param2),
                        static_cast<int32_t>(param3), static_cast<int32_t>(param4)}});
    wait_on_stop_screen(code);
}
