// A stage with player 0 in play: keys 10 + action, no pad, a 16 x 32 box at
// (400, 300), respawn point (100, 50); sound "extend" is entry 0 (handle 100);
// the item list holds a small (sprite 1) and a big (sprite 2) power item.
#pragma once

#include <cstring>

#include "DuRud.h"
#include "draw_world.h"
#include "world/action_queue.h"
#include "world/input_polling.h"
#include "world/player.h"
#include "world/stop_screen.h"

inline void add_item_type(const char* name, int sprite, int code, int rarity,
                          const char* effect = "nothing") {
    item_type_record& t = item_types[item_type_count++];
    std::strcpy(t.name, name);
    std::strcpy(t.speffect, effect);
    t.sprite_base = sprite, t.code = code, t.rarity = rarity;
}

inline int count_of(const std::string& call) {
    int n = 0;
    for (const std::string& c : fake_engine::trace()) n += c == call;
    return n;
}

class Actors : public DrawWorld {
  protected:
    enum : unsigned { L = 1, R = 2, U = 4, D = 8, J = 16, A = 32, B = 64 };
    tesmo& p = players[0];

    void SetUp() override {
        DrawWorld::SetUp();
        wipe();
        reset_player(&p);
        p.pad = -1;
        for (int a = 0; a < 8; ++a) p.key_codes[a] = 10 + a;
        p.opp_hit_w[7] = 16, p.opp_hit_h[7] = 32;
        p.x = 400, p.y = 300, p.respawn_x = 100, p.respawn_y = 50;
        sound_entry[0] = {"", "extend", 100};
        add_item_type("[P]", 1, 0, 0);
        add_item_type(DuRud::Cp932Text("[P](大)"), 2, 0, 0);
    }
    void TearDown() override {
        wipe();
        DrawWorld::TearDown();
    }
    void wipe() {
        static_cast<tesmo&>(p) = tesmo{};
        for (auto& k : keyboard_state) k = {};
        for (auto& s : sound_entry) s = {};
        for (auto& t : item_types) t = {};
        for (auto& t : bullet_types) t = {};
        for (auto& a : affecters) a.active = 0;
        for (auto& id : remembered_breakpoints) id = 0;
        item_type_count = bullet_type_count = food_counter = kick_count = 0;
        unique_item_shown = 0;
        well_fed = 1;
        clear_action_queue();
    }
    // One frame of input: the keys of the actions in mask down, the others up.
    void input(unsigned mask) {
        for (int a = 0; a < 8; ++a) fake_engine::set_key_state(10 + a, (mask >> a) & 1);
        poll_keyboard();
        update_action_input(&p);
    }
    static int live(auto& pool) {
        int n = 0;
        for (auto& e : pool) n += (e.flags & flag_in_use) != 0;
        return n;
    }
};
