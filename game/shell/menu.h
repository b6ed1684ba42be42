// The pause menu's state and pages. Each page is a function of the menu's
// own key counters, its page state and the settings, so a test drives it
// without drawing through the engine.
#pragma once

#include <cstdint>

#include "world/input_polling.h"

struct menu_state_record {
    int page = 0;  // 0 main, 1 quit, 2 sound, 3 keys and pads, 4 game settings, 5 graphics, 6
                   // keyboard keys, 7 pad buttons
    int frames_on_page = 0;
    int previous_page = 0;
    int cursor[8] = {};
    key_state keys[256] = {};
    int32_t pad_held[4][32] = {};
};
extern menu_state_record menu_state;

// One frame of the current page: draws it and takes its input. 1 when the
// main page returns to the game or the quit page confirms; else 0. A page
// outside 0..7 ends the game on the STOP screen.
int run_menu_page();

// Each page; page_main and page_quit give 1 as above.
int menu_page_main();
int menu_page_quit();
int menu_page_sound();
int menu_page_key_configuration();
int menu_page_graphics();
int menu_page_assignments(bool pads);
