// The pause menu's tests start from closed menu state, the default settings,
// volumes 0.5 and 1.0 and no pad chosen for the first player.
#pragma once

#include "fake_engine_test.h"
#include "shell/menu.h"
#include "shell/settings.h"
#include "world/player.h"
#include "world/pools.h"
#include "world/world_globals.h"

class MenuFixture : public FakeEngineTest {
  protected:
    void SetUp() override {
        FakeEngineTest::SetUp();
        menu_state = menu_state_record{};
        default_settings(&settings);
        bgm_volume = 0.5;
        se_volume = 1.0;
        players[0].pad = -1;
    }
    void TearDown() override {
        players[0].pad = -1;
        FakeEngineTest::TearDown();
    }
};
