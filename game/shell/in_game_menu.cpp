// The pause menu's loop: the game picture saved and blurred, one page a
// frame with the menu's own key and pad counters, a fade, and the settings
// written on close. Paced by the device's present, not the frame keeper.
#include <algorithm>
#include <cstring>

#include "DuRud.h"
#include "shell/blur.h"
#include "shell/load_lists.h"
#include "shell/menu.h"
#include "shell/present.h"
#include "shell/scenes.h"
#include "shell/settings.h"
#include "world/music.h"
#include "world/test_observer.h"
#include "world/world_globals.h"

namespace {

constexpr int key_escape = 0x01;

void present_menu_frame() {
    present(true);
}

void poll_menu_input() {
    unsigned char down[256] = {};
    DuRud::GetAllKeyStates(down);
    for (int k = 0; k < 256; ++k) {
        key_state& s = menu_state.keys[k];
        if (down[k]) {
            ++s.held;
        } else {
            s.released = s.held;
            s.held = 0;
        }
    }
    const int pads = std::min(DuRud::GetJoypadCount(), 4);
    for (int pad = 0; pad < pads; ++pad) {
        const uint32_t word = static_cast<uint32_t>(DuRud::GetJoypadInputState(pad + 1));
        for (int b = 0; b < 32; ++b) {
            // Button 0 is bit 31, button b bit b - 1.
            const uint32_t bit = b == 0 ? 0x80000000u : 1u << (b - 1);
            int32_t& held = menu_state.pad_held[pad][b];
            held = (word & bit) ? held + 1 : 0;
        }
    }
}

}  // namespace

int in_game_menu() {
    const int32_t opened = DuRud::GetMillisecondCounter();
    const int32_t blurred = menu_layers[0], saved = menu_layers[1];
    DuRud::SelectDrawTarget(saved);
    DuRud::SetBlendMode(0, 0);
    DuRud::DrawGraphicAt(0, 0, offscreen, 0);
    for (int frame = 0; frame < 30; ++frame) {
        DuRud::SelectDrawTarget(blurred);
        blur_into_target(offscreen, 10, 173, 600);
        DuRud::SelectDrawTarget(offscreen);
        DuRud::SetBlendMode(0, 0);
        DuRud::DrawGraphicAt(0, 0, blurred, 0);
        present_menu_frame();
    }
    std::memcpy(menu_state.keys, keyboard_state, sizeof(menu_state.keys));
    int result = 2;  // none yet
    while (result == 2) {
        if (DuRud::PumpWindowMessagesLocked() != 0) {
            result = -1;
            break;
        }
        poll_menu_input();
        DuRud::SelectDrawTarget(offscreen);
        DuRud::SetBlendMode(0, 0);
        DuRud::DrawGraphicAt(0, 0, blurred, 0);
        const int page = menu_state.page;
        if (run_menu_page() == 1) result = page == 1 ? 1 : 0;
        if (menu_state.keys[key_escape].held == 1) result = 0;
        if (menu_state.page != menu_state.previous_page) {
            menu_state.frames_on_page = 0;
            menu_state.previous_page = menu_state.page;
        } else {
            ++menu_state.frames_on_page;
        }
        report_test_event({test_event_menu,
                           0,
                           game_state,
                           frames_in_scene,
                           {menu_state.page, menu_state.frames_on_page}});
        refresh_music();
        present_menu_frame();
    }
    for (int a = 7650, b = 255; a > 0; a -= 255, b += 255) {
        DuRud::SelectDrawTarget(offscreen);
        DuRud::SetBlendMode(0, 0);
        if (result == 0) {
            DuRud::DrawGraphicAt(0, 0, saved, 0);
            DuRud::SetBlendMode(1, a / 30);
            DuRud::DrawGraphicAt(0, 0, blurred, 0);
        } else {
            DuRud::DrawGraphicAt(0, 0, blurred, 0);
            DuRud::SetBlendMode(1, b / 30);
            DuRud::DrawBoxShape(0, 0, 800, 600, DuRud::MakeColorValue(0, 0, 0), 1);
        }
        present_menu_frame();
    }
    menu_state.page = 0;
    write_settings(&settings);
    hold_continue_countdown(opened);
    return result;
}
