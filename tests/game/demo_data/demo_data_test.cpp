// The demo data as the game reads it: every list through the game's readers
// without a STOP, every stage of the play lists through the stage loader,
// names and ranges the code relies on, and the same bytes from a second run.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "../shell/data_stop.h"
#include "fake_engine_test.h"
#include "shell/list_files.h"
#include "shell/scenes.h"
#include "world/pools.h"
#include "world/world_globals.h"

namespace fs = std::filesystem;

namespace {

const fs::path plain = fs::path(DEMO_DIR) / "plain";

std::string read_file(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string read_list(void (*reader)(line_source&), const char* name) {
    text_line_source source(read_file(plain / "datas/lists" / name));
    return stop_of([&] { reader(source); });
}

class DemoData : public FakeEngineTest {
  protected:
    void SetUp() override {
        FakeEngineTest::SetUp();
        reset_list_tables();
        ASSERT_EQ(read_list(read_file_list, "filelist.list"), "none");
        ASSERT_EQ(read_list(read_entity_list, "entitylist.list"), "none");
        ASSERT_EQ(read_list(read_play_list, "playlist.list"), "none");
        ASSERT_EQ(read_list(read_effect_list, "effect.list"), "none");
    }
};

TEST_F(DemoData, ListsReadWithoutAStopAndNameWhatTheCodePlays) {
    // Every line ends CR LF; no lone LF.
    for (const auto& entry : fs::recursive_directory_iterator(plain / "datas")) {
        const std::string ext = entry.path().extension().string();
        if (ext != ".list" && ext != ".txt") continue;
        const std::string text = read_file(entry.path());
        for (size_t k = 0; k < text.size(); ++k)
            if (text[k] == '\n') ASSERT_TRUE(k > 0 && text[k - 1] == '\r') << entry.path();
    }
    // Pictures: magenta transparent, no two records on one sprite id.
    int covered = 0, flagged = 0;
    for (int i = 0; i < picture_records_read; ++i) {
        EXPECT_EQ(picture_entry[i].transparent_red, 255) << picture_entry[i].name;
        EXPECT_TRUE(fs::exists(plain / picture_entry[i].name)) << picture_entry[i].name;
        covered += picture_entry[i].count;
    }
    for (uint8_t used : sprite_slot_used) flagged += used;
    EXPECT_EQ(flagged, covered);
    // Sprites the shell and the world draw by number.
    for (int id :
         {0,   40,  138, 153, 170, 189, 200, 208, 284,  315,  324,  360,  362,  365,  368,
          370, 379, 391, 395, 400, 409, 419, 424, 1500, 1501, 2017, 2032, 2037, 2038, 2040})
        EXPECT_EQ(sprite_slot_used[id], 1) << "sprite " << id;
    // The sounds and effects the world plays by name.
    std::set<std::string> sounds, effects;
    for (const sound_entry_record& s : sound_entry)
        if (s.name[0]) sounds.insert(s.name);
    for (const char* name : {"tesmo_jump", "tesmo_item", "tesmo_hit", "opendoor", "extend",
                             "warpzone", "enemyshot1", "graze", "charge6_", "kvorn"})
        EXPECT_TRUE(sounds.count(name)) << name;
    for (const effect_definition_record& e : effect_definition)
        if (e.name[0]) effects.insert(e.name);
    for (const char* name : {"white_jumpblast", "tesmo_bomb", "stun_star", "small_whitering",
                             "small_particle_white", "darkball_out", "circle1_red1"})
        EXPECT_TRUE(effects.count(name)) << name;
    // Enemy sheets hold the 20 cells of each family.
    for (int k = 0; k < enemy_type_count; ++k)
        EXPECT_EQ(sprite_slot_used[enemy_types[k].sprite_base + 19], 1) << enemy_types[k].name;
}

TEST_F(DemoData, EveryStageOfThePlayListsLoads) {
    for (int d = 0; d < playlist_dimensions; ++d) {
        for (int s = 0; s < playlist[d].count; ++s) {
            if (playlist[d].code[s] < 0) continue;
            const std::string file = playlist[d].file[s];
            SCOPED_TRACE(file);
            fake_engine::reset();
            fake_engine::set_file(file, read_file(plain / file));
            reset_world();
            players[0].flags = flag_in_use;
            dimension = d;
            stage = s;
            EXPECT_EQ(stop_of([] { load_stage(); }), "none");
            EXPECT_TRUE(blocks[0].flags & flag_in_use);
            // Names bind by name: every enemy's type is in the enemy list.
            for (const enemy& e : enemies)
                if (e.flags & flag_in_use) EXPECT_GE(e.sprite_base, 600);
        }
    }
}

TEST(DemoDataRuns, TwoRunsWriteTheSameBytes) {
    const fs::path again = fs::path(testing::TempDir()) / "demo_again";
    const std::string command = std::string(DEMO_GEN) + " " + again.string() + " > /dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    EXPECT_EQ(read_file(again / "datas.ZAV"), read_file(fs::path(DEMO_DIR) / "datas.ZAV"));
    fs::remove_all(again);
}

}  // namespace
