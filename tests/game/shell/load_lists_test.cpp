// Scene 0 on the fake engine: the lists it reads, the loads it starts, the
// grid it repeats while anything loads, and how a failed load ends.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "data_stop.h"
#include "fake_engine_test.h"
#include "shell/list_files.h"
#include "shell/load_lists.h"
#include "shell/scenes.h"
#include "world/game_random.h"
#include "world/music.h"
#include "world/pools.h"
#include "world/world_globals.h"

namespace {

constexpr int first = fake_engine::first_loaded_graphic;

class SceneZero : public FakeEngineTest {
  protected:
    void SetUp() override {
        FakeEngineTest::SetUp();
        debug_mode = 0;
        game_state = 0;
        fake_engine::set_file("datas/lists/filelist.list",
                              "PICTURE_LIST\r\na.png,1,1x1,0x0,0\r\nBGCOLOR,255,0,255\r\n"
                              "b.png,2,2x1,16x16,1\r\nSOUND_LIST\r\nse/jump.wav,jump\r\n"
                              "MUSIC_LIST\r\nbgm/one.ogg,one,text,100\r\n");
        fake_engine::set_file("datas/lists/entitylist.list",
                              "ENEMY_LIST\r\nslime,1,1,3,8x8,0x0,10\r\n");
        fake_engine::set_file("datas/lists/playlist.list", "GAME_2\r\nstage.txt,1\r\n");
        fake_engine::set_file("datas/lists/effect.list", "");
        fake_engine::script("LoadSoundFromFile", {0x300, 0x301});
    }
    std::string run(int* result = nullptr) {
        return stop_of([&] {
            const int r = load_lists();
            if (result) *result = r;
        });
    }
    int count(const std::string& call) {
        const auto t = fake_engine::trace();
        return static_cast<int>(std::count(t.begin(), t.end(), call));
    }
};

TEST_F(SceneZero, LoadsEveryFileAndWaitsOutTheGrid) {
    fake_engine::script_handle_state(first + 1, {1, 1, 0});  // loads on the third pass
    fake_engine::set_graphic_size(first, 64, 48);
    fake_engine::set_pad_count(6);
    const game_random_state_record before = game_random_state;
    int result = -2;
    ASSERT_EQ(run(&result), "none");
    EXPECT_EQ(result, 0);
    std::vector<std::string> loads;
    for (const std::string& c : fake_engine::trace())
        if (c.find("Load") != std::string::npos || c.find("Transparent") != std::string::npos ||
            c.find("Async") != std::string::npos)
            loads.push_back(c);
    EXPECT_EQ(loads, (std::vector<std::string>{
                         "SetTransparentColorToAlpha(1)", "SetUseAsyncLoad(1)",
                         "SetTransparentColor(0, 0, 0)", "LoadGraphic(a.png, 0)",
                         "SetTransparentColor(255, 0, 255)",
                         "LoadDividedGraphic(b.png, 2, 2, 1, 16, 16, 0)",
                         "LoadSoundFromFile(se/jump.wav, 3, -1)",
                         "LoadSoundFromFile(bgm/one.ogg, 3, -1)", "SetUseAsyncLoad(0)"}));
    EXPECT_EQ(count("FlipScreen()"), 3);
    // The off-screen keeps the grid: the second picture's box is drawn when
    // its load starts pending and again when it is done, not on every pass.
    int box_draws = 0;
    for (const std::string& c : fake_engine::trace())
        box_draws += c.rfind("DrawBoxShape(8, 120, 16, 128, ", 0) == 0;
    EXPECT_EQ(box_draws, 2);
    EXPECT_EQ(sprite_table[0].handle, first);
    EXPECT_EQ(sprite_table[0].width, 64);
    EXPECT_EQ(sprite_table[2].handle, first + 2);
    EXPECT_EQ(sprite_table[3].handle, 0);  // no record filled it
    EXPECT_EQ(sound_entry[0].handle, 0x300);
    EXPECT_EQ(music_slot[0].handle, 0x301);
    EXPECT_EQ(enemy_type_count, 1);
    EXPECT_EQ(count("PrintOnScreenLog(1 enemy(s) loaded. \n)"), 1);
    EXPECT_EQ(players[0].pad, 3);  // five or more pads: the fourth
    game_random_state_record drawn = before;
    game_random_state = drawn;
    EXPECT_EQ(stage, static_cast<int>(game_random_draw() & 7));
    EXPECT_EQ(dimension, 1);
    EXPECT_EQ(game_state, 1);
    EXPECT_EQ(fake_engine::trace().back().substr(0, 12), "DrawBoxShape");
}

TEST_F(SceneZero, FailedLoadsStopOnceNothingLoads) {
    struct Row {
        const char* name;
        int handle, state;
        std::string expected;
    } rows[] = {
        {"second picture's second cell", first + 2, -1, "1 (E0000005, 1, 1, 0)"},
        {"the sound", 0x300, -1, "1 (E0000006, 0, 0, 0)"},
        {"the music", 0x301, -1, "1 (55555000, 0, 0, 0)"},
    };
    for (const Row& r : rows) {
        SetUp();
        fake_engine::script_handle_state(r.handle, {r.state});
        EXPECT_EQ(run(), r.expected) << r.name;
    }
    // Music still loading: one pass, then the grace passes, then the scene
    // goes on (the track starts later by retry). A window closed on the last
    // grace pass is still seen.
    for (const int passes : {1 + music_grace_passes, music_grace_passes}) {
        SetUp();
        fake_engine::set_recording(false);
        fake_engine::script_handle_state(0x301, {1});
        std::vector<int> pumps(passes, 0);
        pumps.push_back(1);
        fake_engine::script("PumpWindowMessagesLocked", pumps);
        int result = -2;
        EXPECT_EQ(run(&result), "none");
        EXPECT_EQ(result, passes == music_grace_passes ? -1 : 0) << passes;
    }
}

TEST_F(SceneZero, MissingListsAndAClosedWindow) {
    int result = 0;
    fake_engine::script("PumpWindowMessagesLocked", {1});
    EXPECT_EQ(run(&result), "none");
    EXPECT_EQ(result, -1);
    const char* lists[] = {"filelist", "entitylist", "playlist", "effect"};
    for (int k = 0; k < 4; ++k) {
        fake_engine::reset();
        for (int other = 0; other < 4; ++other)
            if (other != k)
                fake_engine::set_file(std::string("datas/lists/") + lists[other] + ".list", "");
        char expected[32];
        std::snprintf(expected, sizeof(expected), "1 (E000000%d, 0, 0, 0)", k + 1);
        EXPECT_EQ(run(), expected) << lists[k];
    }
}

}  // namespace
