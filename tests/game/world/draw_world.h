// A world stage whose sprite table is loaded: sprite id i has graphic 1000 + i
// and is 32 x 32. The queue, effects, shake, popups, panels and bar start empty.
#pragma once

#include <string>
#include <vector>

#include "world/boss_bar.h"
#include "world/draw_queue.h"
#include "world/effects.h"
#include "world/hud.h"
#include "world/popups.h"
#include "world/screen_decor.h"
#include "world/sprites.h"
#include "world_stage.h"

class DrawWorld : public WorldStage {
  protected:
    void SetUp() override {
        WorldStage::SetUp();
        empty();
    }
    void TearDown() override {
        empty();
        WorldStage::TearDown();
    }
    static void empty() {
        for (int i = 0; i < sprite_table_size; ++i) sprite_table[i] = {1000 + i, 32, 32};
        for (auto& d : effect_definition) d = effect_definition_record{};
        for (auto& p : popup_texts) p = popup_text{};
        for (auto& s : screen_sprites) s = screen_sprite{};
        hud_panels[0] = hud_panels[1] = hud_panel{};
        clear_draw_queue();
        reset_effects();
        reset_boss_bar();
        screen_shake = {};
        sprite_count = 0;
        background_scroll_x = background_scroll_y = 0;
    }
    // The recorded calls whose name starts with the prefix.
    static std::vector<std::string> only(const std::string& prefix) {
        std::vector<std::string> out;
        for (const std::string& c : fake_engine::trace()) {
            if (c.rfind(prefix, 0) == 0) out.push_back(c);
        }
        return out;
    }
    static std::string rotated(int x, int y, const char* scale, const char* angle, int sprite) {
        return "DrawGraphicRotated(" + std::to_string(x) + ", " + std::to_string(y) + ", " + scale +
               ", " + angle + ", " + std::to_string(1000 + sprite) + ", 1, 0)";
    }
};
