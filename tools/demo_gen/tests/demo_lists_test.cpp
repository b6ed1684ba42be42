// The demo data as the game reads it, on the recording fake of the engine:
// the four lists through the game's readers, every play-list stage through
// the stage loader, the names the code plays and draws (game/world/data_names.h)
// all present, and the coverage the data promises: every move pattern,
// interaction, item effect, repeat spelling and transition kind, an exit on
// every stage, item rolls that can always be met, and the ground on screen.
#include <gtest/gtest.h>
#include <iconv.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "demo_files_support.h"
#include "fake_engine_test.h"
#include "shell/data_stop.h"
#include "shell/list_files.h"
#include "shell/scenes.h"
#include "world/behaviour_tables.h"
#include "world/data_names.h"
#include "world/name_binding.h"
#include "world/pools.h"
#include "world/world_globals.h"

namespace fs = std::filesystem;
using namespace demo_check;

namespace {

constexpr int play_area_height = 536;  // the rows of a stage on screen

std::string utf8_to_cp932(const char* utf8) {
    iconv_t cd = iconv_open("CP932", "UTF-8");
    std::string out(std::strlen(utf8) * 2 + 4, '\0');
    char* in = const_cast<char*>(utf8);
    size_t in_left = std::strlen(utf8), out_left = out.size();
    char* o = out.data();
    iconv(cd, &in, &in_left, &o, &out_left);
    iconv_close(cd);
    out.resize(out.size() - out_left);
    return out;
}

bool valid_cp932(const std::string& text) {
    iconv_t cd = iconv_open("UTF-8", "CP932");
    std::string out(text.size() * 3 + 4, '\0');
    char* in = const_cast<char*>(text.data());
    size_t in_left = text.size(), out_left = out.size();
    char* o = out.data();
    const bool ok = iconv(cd, &in, &in_left, &o, &out_left) != static_cast<size_t>(-1);
    iconv_close(cd);
    return ok;
}

std::vector<std::string> columns(const std::string& line, const char* separators = ",") {
    std::vector<std::string> out;
    std::string copy = line;
    for (char* t = std::strtok(copy.data(), separators); t; t = std::strtok(nullptr, separators))
        out.push_back(t);
    return out;
}

// The row a data field binds in a behaviour table, and by which step.
template <class Handler>
std::pair<int, int> row_of(const behaviour_row<Handler>* table, const std::string& field) {
    for (int step = 1; step <= 2; ++step)
        for (int i = 0; table[i].name; ++i)
            if (field.size() >= static_cast<size_t>(step - 1) &&
                table[i].name == field.substr(step - 1))
                return {i, step};
    return {static_cast<int>(leading_integer(field)), 3};
}

// One stage file cut into what the validator looks at.
struct placement_line {
    int section;
    std::vector<std::string> cols;
};
struct stage_text {
    std::vector<int> backgrounds;
    int transition = 0, music = -1;
    std::vector<placement_line> lines;
    std::vector<std::string> directions;
};

stage_text read_stage_text(const std::string& text) {
    stage_text s;
    const std::map<std::string, int> sections = {
        {"PLACEMENT_TESMO", 1},     {"PLACEMENT_ENEMY", 2}, {"PLACEMENT_BOSSENEMY", 3},
        {"PLACEMENT_ITEMPOINT", 4}, {"PLACEMENT_ITEM", 5},  {"PLACEMENT_BLOCK", 6}};
    const std::vector<std::string> lines = crlf_lines(text);
    int section = 0;
    for (size_t k = 0; k < lines.size(); ++k) {
        const std::string& l = lines[k];
        if (l.empty() || l[0] == '#') continue;
        if (sections.count(l)) {
            section = sections.at(l);
        } else if (l == "STAGE_INFORMATION") {
            for (const std::string& b : columns(lines.at(k + 1)))
                s.backgrounds.push_back(std::atoi(b.c_str()));
            s.transition = std::atoi(lines.at(k + 7).c_str());
            s.music = std::atoi(lines.at(k + 8).c_str());
            k += 8;
        } else if (l.rfind("REPEAT_PLACEMENT", 0) == 0) {
            const size_t space = l.find(' ');
            s.directions.push_back(l.substr(space + 1, l.find(',') - space - 1));
        } else {
            s.lines.push_back({section, columns(l)});
        }
    }
    return s;
}

int enemy_type_row(const std::string& name) {
    for (int i = 0; i < enemy_type_count; ++i)
        if (name == enemy_types[i].name) return i;
    return -1;
}
int item_type_row(const std::string& name) {
    for (int i = 0; i < item_type_count; ++i)
        if (name == item_types[i].name) return i;
    return -1;
}
bool is_number(const std::string& s) {
    return !s.empty() && s.find_first_not_of("-0123456789") == std::string::npos;
}

class DemoLists : public FakeEngineTest {
  protected:
    void SetUp() override {
        FakeEngineTest::SetUp();
        ASSERT_EQ(read_all_lists(), "none");
    }
    // Every real stage of the play lists: dimension, index, file.
    struct stage_ref {
        int dimension, index;
        std::string file;
    };
    std::vector<stage_ref> stages() const {
        std::vector<stage_ref> out;
        for (int d = 0; d < playlist_dimensions; ++d)
            for (int s = 0; s < playlist[d].count; ++s)
                if (playlist[d].code[s] >= 0) out.push_back({d, s, playlist[d].file[s]});
        return out;
    }
    std::string item_effect(const std::string& type) const {
        const int row = item_type_row(type);
        if (row < 0) return "";
        return speffect_table[row_of(speffect_table, item_types[row].speffect).first].name;
    }
};

TEST_F(DemoLists, TextIsCrLfCodePage932AndFitsTheBuffers) {
    const std::map<std::string, size_t> longest = {{"filelist.list", 1022},
                                                   {"entitylist.list", 1022},
                                                   {"playlist.list", 255},
                                                   {"effect.list", 255}};
    int files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(plain_dir() / "datas")) {
        const std::string ext = entry.path().extension().string();
        if (ext != ".list" && ext != ".txt") continue;
        ++files;
        const std::string text = read_file(entry.path());
        SCOPED_TRACE(entry.path().string());
        for (size_t k = 0; k < text.size(); ++k)
            if (text[k] == '\n') {
                ASSERT_TRUE(k > 0 && text[k - 1] == '\r') << "lone LF at " << k;
            }
        EXPECT_TRUE(valid_cp932(text));
        const std::string name = entry.path().filename().string();
        const size_t limit = ext == ".txt" ? 999 : longest.at(name);
        for (const std::string& l : crlf_lines(text)) EXPECT_LE(l.size(), limit) << l;
        if (ext == ".txt") {  // the information block is read with 255 characters a line
            const auto lines = crlf_lines(text);
            for (size_t k = 0; k < lines.size(); ++k)
                if (lines[k] == "STAGE_INFORMATION") {
                    for (size_t j = k + 1; j <= k + 8 && j < lines.size(); ++j)
                        EXPECT_LE(lines[j].size(), 255u);
                }
        }
    }
    EXPECT_EQ(files, 4 + 15);
}

TEST_F(DemoLists, PicturesCoverEverySpriteTheCodeDraws) {
    const auto lines = crlf_lines(read_file(plain_dir() / "datas/lists/filelist.list"));
    size_t keyword = 0;
    while (keyword < lines.size() && lines[keyword] != "PICTURE_LIST") ++keyword;
    ASSERT_LT(keyword + 1, lines.size());
    EXPECT_EQ(lines[keyword + 1], "BGCOLOR,255,0,255")
        << "magenta is transparent from the first picture";
    int covered = 0;
    for (int i = 0; i < picture_records_read; ++i) {
        const picture_record& p = picture_entry[i];
        EXPECT_EQ(p.transparent_red * 0x10000 + p.transparent_green * 0x100 + p.transparent_blue,
                  0xFF00FF)
            << p.name;
        EXPECT_GE(p.first_sprite, 0) << p.name;
        EXPECT_LE(p.first_sprite + p.count, 3072) << p.name;
        EXPECT_TRUE(fs::exists(plain_dir() / p.name)) << p.name;
        covered += p.count;
    }
    int flagged = 0;
    for (uint8_t used : sprite_slot_used) flagged += used;
    EXPECT_EQ(flagged, covered) << "two pictures share a sprite id";
    for (const auto& r : data_names::sprite::all)
        for (int id = r.first; id < r.first + r.count; ++id)
            EXPECT_EQ(sprite_slot_used[id], 1) << "sprite " << id;
    for (int id = 500; id <= 519; ++id) EXPECT_EQ(sprite_slot_used[id], 1) << "background " << id;
}

TEST_F(DemoLists, SoundsMusicAndEffectsByTheirNames) {
    std::set<std::string> sounds,
        wanted(std::begin(data_names::sound::all), std::end(data_names::sound::all));
    for (const sound_entry_record& s : sound_entry)
        if (s.name[0]) sounds.insert(s.name);
    EXPECT_EQ(sounds, wanted) << "the sound list holds exactly the names the code plays";
    EXPECT_EQ(music_records_read, 9) << "eight slots and one record without a slot";

    std::map<std::string, int> by_name;
    int twenty = 0, hidden = 0, empty = 0;
    std::set<int> kinds, modes;
    for (int i = 0; i < effect_definition_count; ++i) {
        const effect_definition_record& e = effect_definition[i];
        if (!e.name[0]) continue;
        by_name[e.name] = i;
        kinds.insert(e.kind);
        int frames = 0, last_end = 0;
        for (int k = 0; k < effect_keyframes && e.duration[k] >= 0; ++k) {
            ++frames;
            last_end = e.end_time[k];
            if (e.sprite[k] < 0)
                ++empty;
            else
                EXPECT_EQ(sprite_slot_used[e.sprite[k]], 1) << e.name << " keyframe " << k;
            hidden += e.hidden[k] != 0;
            modes.insert(e.alpha_mode[k]);
            modes.insert(e.scale_mode[k]);
        }
        if (frames == 20)
            ++twenty;
        else
            EXPECT_LE(frames, 19) << e.name;
        if (std::string(e.name).rfind("circle1_red", 0) == 0) {
            EXPECT_GT(last_end, data_names::effect::circle_loop_frame)
                << e.name << " loops inside itself";
        }
    }
    for (const char* name : data_names::effect::all) EXPECT_TRUE(by_name.count(name)) << name;
    EXPECT_EQ(twenty, 1) << "one definition of the full twenty keyframes";
    EXPECT_EQ(kinds, (std::set<int>{0, 1}));
    EXPECT_EQ(modes, (std::set<int>{0, 1}));
    EXPECT_GT(hidden, 0);
    EXPECT_GT(empty, 0);
}

TEST_F(DemoLists, TypeListsHoldTheNamesAndCellsTheCodeUses) {
    const int small = item_type_row(data_names::type::power_item);
    const int big = item_type_row(utf8_to_cp932(data_names::type::big_power_item));
    ASSERT_GE(small, 0);
    ASSERT_GE(big, 0);
    EXPECT_LT(small, big) << "\"[P]\" must come first: the big one's name begins with it";
    const struct {
        const char* name;
        int mask;
    } important[] = {{data_names::type::life_fragment, 0x401}, {data_names::type::medal, 0x1}};
    for (const auto& i : important) {
        const int row = item_type_row(utf8_to_cp932(i.name));
        ASSERT_GE(row, 0) << i.name;
        EXPECT_EQ(item_types[row].code, i.mask) << i.name;
    }
    EXPECT_GE(enemy_type_row(utf8_to_cp932(data_names::type::furball)), 0);
    EXPECT_EQ(boss_enemy_type_count, 1);
    for (int i = 0; i < enemy_type_count; ++i) {  // 20 cells a family, 36 for the boss
        const int cells = enemy_types[i].sprite_base == 800 ? 36 : 20;
        for (int c = 0; c < cells; ++c)
            EXPECT_EQ(sprite_slot_used[enemy_types[i].sprite_base + c], 1)
                << enemy_types[i].name << " cell " << c;
    }
    ASSERT_GE(bullet_type_count, 7);
    std::set<int> spins;
    for (int i = 0; i < 7; ++i) {
        const bullet_type_record& b = bullet_types[i];
        if (i == 2) {
            EXPECT_EQ(b.code, -1);
            continue;
        }
        EXPECT_EQ(sprite_slot_used[b.sprite_base] + sprite_slot_used[b.sprite_base + 1], 2)
            << b.name << ": both flicker cells";
        if (i >= 3) spins.insert(b.extra);
    }
    EXPECT_EQ(spins, (std::set<int>{0, 1, 2}));
    int blocks_looks = 0;
    for (int i = 0; i < block_type_count; ++i)
        blocks_looks += sprite_slot_used[block_types[i].sprite_base];
    EXPECT_GE(blocks_looks, 5);
    // Item effects: every row on some item, each bound by its name.
    std::set<int> rows;
    int prefixed = 0;
    for (int i = 0; i < item_type_count; ++i) {
        const auto [row, step] = row_of(speffect_table, item_types[i].speffect);
        EXPECT_LT(step, 3) << item_types[i].name << ": effect \"" << item_types[i].speffect
                           << "\" binds by number";
        prefixed += step == 2;
        rows.insert(row);
    }
    EXPECT_EQ(rows.size(), 28u);
    EXPECT_EQ(prefixed, 1) << "one effect bound by its name without the first character";
}

TEST_F(DemoLists, EveryPlayListStageLoadsAndStandsOnVisibleGround) {
    for (const stage_ref& s : stages()) {
        SCOPED_TRACE(s.file);
        fake_engine::reset();
        fake_engine::set_file(s.file, read_file(plain_dir() / s.file));
        reset_world();
        players[0].flags = flag_in_use;
        dimension = s.dimension;
        stage = s.index;
        ASSERT_EQ(stop_of([] { load_stage(); }), "none");
        EXPECT_EQ(stage_info.width, 800);
        EXPECT_EQ(stage_info.height, 576);
        std::set<std::pair<int, int>> spots;
        for (const block& b : blocks)
            if (b.flags & flag_in_use) {
                EXPECT_TRUE(spots.insert({int(b.x), int(b.y)}).second)
                    << "two blocks at " << b.x << ", " << b.y;
            }
        if (s.dimension == 0 && s.index == 0) continue;  // the fall through the sky
        // Under the player's start a block whose top is on screen.
        bool ground = false;
        for (const block& b : blocks) {
            if (!(b.flags & flag_in_use) || (b.flags & 0x80)) continue;
            const double top = b.y + b.hit_dy - b.hit_h / 2;
            if (std::abs(b.x - players[0].x) <= 16 && top > players[0].y && top < play_area_height)
                ground = true;
        }
        EXPECT_TRUE(ground) << "the player starts over ground that shows";
    }
}

TEST_F(DemoLists, StagesReachEveryBehaviourAndEveryStageHasAnExit) {
    std::set<int> patterns, interactions, transitions;
    std::set<std::string> directions;
    std::set<int> numeric_steps;
    for (const stage_ref& s : stages()) {
        SCOPED_TRACE(s.file);
        const stage_text t = read_stage_text(read_file(plain_dir() / s.file));
        transitions.insert(t.transition);
        EXPECT_GE(t.music, 0);
        EXPECT_LE(t.music, 7);
        for (int b : t.backgrounds) EXPECT_EQ(sprite_slot_used[b], 1) << "background " << b;
        for (const std::string& d : t.directions) directions.insert(d);
        bool key = false, door = false, warp = false, boss = false;
        for (const placement_line& l : t.lines) {
            ASSERT_FALSE(l.cols.empty());
            if (l.section == 4) {  // item point: x, y, mask, rarity, move, effect
                const std::vector<std::string> c = l.cols;
                if (c.size() > 4) patterns.insert(row_of(move_pattern_table, c[4]).first);
                const int mask = std::atoi(c.at(2).c_str());
                const int rarity = c.size() > 3 ? std::atoi(c[3].c_str()) : -1;
                std::vector<int> rarities = {rarity < 0 ? 1 : rarity};
                if (mask & 0x800) rarities = {1, 2, 3};
                for (int r : rarities) {
                    bool met = false;
                    for (int i = 0; i < item_type_count; ++i) {
                        const item_type_record& it = item_types[i];
                        const bool unique_ok = mask == 0x400 || !(it.code & 0x400);
                        const std::string effect =
                            speffect_table[row_of(speffect_table, it.speffect).first].name;
                        if ((it.code & mask) && it.rarity == r && unique_ok &&
                            effect != "treasure_chest_1")
                            met = true;
                    }
                    EXPECT_TRUE(met)
                        << "item point of category " << mask << " has no candidate at rarity " << r;
                }
                continue;
            }
            ASSERT_GE(l.cols.size(), 7u);
            const auto [pattern, pattern_step] = row_of(move_pattern_table, l.cols[4]);
            patterns.insert(pattern);
            numeric_steps.insert(pattern_step);
            if (pattern == 36) boss = true;
            const std::string& type = l.cols[0];
            if (l.section == 2 || l.section == 3) {
                EXPECT_TRUE(is_number(type) || enemy_type_row(type) >= 0) << type;
            } else if (l.section == 5) {
                EXPECT_TRUE(is_number(type) || item_type_row(type) >= 0) << type;
                const std::string effect = item_effect(type);
                key |= effect == "open_door";
                door |= effect == "stage_progression_normal";
                warp |= effect == "teleporter" || effect == "teleport_back" ||
                        effect == "back_to_first";
            } else if (l.section == 6) {
                bool found = is_number(type);
                for (int i = 0; i < block_type_count; ++i) found |= type == block_types[i].name;
                EXPECT_TRUE(found) << type;
                interactions.insert(row_of(interaction_table, l.cols[5]).first);
            }
        }
        if (s.dimension == 1 || s.dimension == 2) {
            EXPECT_TRUE((key && door) || warp || boss) << "no way out";
        }
    }
    patterns.insert(37);  // the boss's entrance hands over to its fight
    EXPECT_EQ(patterns.size(), 40u);
    EXPECT_EQ(*patterns.rbegin(), 39);
    EXPECT_EQ(interactions, (std::set<int>{0, 1, 2, 3, 4}));
    EXPECT_EQ(transitions, (std::set<int>{0, 1, 2}));
    EXPECT_EQ(numeric_steps, (std::set<int>{1, 2, 3})) << "names, prefixed names and numbers";
    EXPECT_EQ(directions.size(), 24u) << "every spelling of the four directions";
}

TEST_F(DemoLists, PlayListsEndTheirDimensionsAndSkipToTheArena) {
    EXPECT_EQ(playlist[0].code[2], -2);
    EXPECT_EQ(playlist[1].code[8], -1);
    EXPECT_EQ(playlist[1].code[9], 10) << "the skip lands on the arena";
    EXPECT_EQ(playlist[1].code[11], -2);
    EXPECT_EQ(playlist[2].code[5], -2);
    EXPECT_EQ(playlist[3].count, 1);
    // The teleporter of the crystal cave leads to the same index of the bonus
    // list: the vault.
    EXPECT_EQ(std::string(playlist[2].file[4]), "datas/stages/vault.txt");
}

TEST(DemoDataRuns, TwoRunsWriteTheSameBytes) {
    const fs::path again = fs::current_path() / "demo_again";
    const std::string command = std::string(DEMO_GEN) + " " + again.string() + " > /dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    EXPECT_EQ(read_file(again / "datas.ZAV"), read_file(fs::path(DEMO_DIR) / "datas.ZAV"));
    fs::remove_all(again);
}

}  // namespace
