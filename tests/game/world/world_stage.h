// A fresh, empty stage for world tests: the load defaults of stage_info
// (800 x 576, both wraps, gravity 0.5), debug mode off, every pool free.
#pragma once

#include "fake_engine_test.h"
#include "world/pools.h"
#include "world/world_globals.h"

class WorldStage : public FakeEngineTest {
  protected:
    void SetUp() override {
        FakeEngineTest::SetUp();
        stage_info = stage_info_record{};
        debug_mode = 0;
        reset_world();
    }
    void TearDown() override {
        stage_info = stage_info_record{};
        debug_mode = 0;
        reset_world();
    }
    // An active block of the pool with its box centred on (x, y).
    static block& place_block(int slot, double x, double y, double w = 32, double h = 32) {
        block& b = blocks[slot];
        b.flags = flag_in_use;
        b.x = x;
        b.y = y;
        b.hit_w = w;
        b.hit_h = h;
        return b;
    }
};
