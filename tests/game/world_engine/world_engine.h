// The world on the real engine: each test starts the engine headless as the
// game does and ends it; the world's globals a test fills (sprites, sounds,
// music slots, the shell's graphics) are emptied again around it.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "support/real_engine.h"
#include "world/draw_queue.h"
#include "world/music.h"
#include "world/stop_screen.h"
#include "world/world_globals.h"

class WorldEngine : public testing::Test {
  protected:
    void SetUp() override {
        empty_globals();
        engine_ = std::make_unique<testsupport::RealEngine>();
        ASSERT_TRUE(engine_->started()) << "the engine did not start";
    }
    void TearDown() override {
        engine_.reset();
        empty_globals();
    }
    HWND window() const { return engine_->window(); }

  private:
    static void empty_globals() {
        for (sprite_entry& s : sprite_table) s = sprite_entry{};
        for (sound_entry_record& s : sound_entry) s = sound_entry_record{};
        reset_music_slots();
        current_music = -1;
        music_retry_pending = music_retry_track = music_retry_argument = 0;
        bgm_volume = 0.5, se_volume = 1.0;
        stage_info = stage_info_record{};
        for (uint32_t& id : remembered_breakpoints) id = 0;
        offscreen = play_area_screen = -1;
        game_state = frames_in_scene = debug_mode = stage = dimension = 0;
        clear_draw_queue();
    }
    std::unique_ptr<testsupport::RealEngine> engine_;
};
