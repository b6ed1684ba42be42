// The list readers on text in memory: columns, sections, records and every
// way a bad list ends on the STOP screen.
#include <gtest/gtest.h>

#include <vector>

#include "data_stop.h"
#include "fake_engine_test.h"
#include "shell/list_files.h"
#include "shell/list_tokenizer.h"
#include "world/world_globals.h"

namespace {

std::string columns_of(const char* line, const char* second_separators) {
    list_tokenizer cut(line);
    std::string out;
    std::string_view v;
    for (int k = 0; cut.next(k == 1 ? second_separators : comma, v); ++k)
        out += std::string(v) + "|";
    return out;
}

TEST(ListTokenizer, ColumnsFollowTheirOwnSeparators) {
    struct Row {
        const char *name, *line, *second, *expected;
    } rows[] = {
        {"an empty column is no column", "a,,b", comma, "a|b|"},
        {"x joins a pair", "n,32x48", comma_or_x, "n|32|48|"},
        {"star joins a pair", "n,32*48", comma_or_x, "n|32|48|"},
        {"comma joins a pair", "n,32,48", comma_or_x, "n|32|48|"},
        {"a name column is never cut at x", "boxes.png,1", comma, "boxes.png|1|"},
        {"a trailing separator adds nothing", "a,b,", comma, "a|b|"},
    };
    for (const Row& r : rows) EXPECT_EQ(columns_of(r.line, r.second), r.expected) << r.name;
}

template <class Reader>
std::string read(Reader reader, std::string text) {
    reset_list_tables();
    text_line_source source(std::move(text));
    return stop_of([&] { reader(source); });
}

TEST(ListFiles, BadListsStopWithWhereItHappened) {
    std::string many_sounds = "SOUND_LIST\r\n";
    for (int k = 0; k < 257; ++k) many_sounds += "s.wav,s\r\n";
    std::string twenty_one = "EFFECT_DEFINITION\r\nspark,0\r\n";
    for (int k = 0; k < 21; ++k) twenty_one += "1,2,p\r\n";
    struct Row {
        const char* name;
        void (*reader)(line_source&);
        std::string text, expected;
    } rows[] = {
        {"picture line ends after columns x rows", read_file_list,
         "PICTURE_LIST\r\n# pictures\r\np.png,4,2x2\r\n", "3 (1, 3, 4, 0)"},
        {"BGCOLOR without blue", read_file_list, "PICTURE_LIST\r\nBGCOLOR,255,0\r\n",
         "3 (1, 2, 3, 1)"},
        {"sound without its name", read_file_list, "SOUND_LIST\r\ns.wav\r\n", "3 (1, 2, 1, 0)"},
        {"a keyword followed by a blank is a record", read_file_list,
         "SOUND_LIST\r\nPICTURE_LIST \r\n", "3 (1, 2, 1, 0)"},
        {"music of four columns", read_file_list, "MUSIC_LIST\r\nm.ogg,m,text,100\r\n", "none"},
        {"music of three columns", read_file_list, "MUSIC_LIST\r\nm.ogg,m,text\r\n",
         "3 (1, 2, 3, 0)"},
        {"sprite range past the table", read_file_list, "PICTURE_LIST\r\np.png,2,2x1,8x8,3071\r\n",
         "5 (1, 2, 6, 0)"},
        {"negative first sprite", read_file_list, "PICTURE_LIST\r\np.png,1,1x1,8x8,-1\r\n",
         "3 (1, 2, 6, 0)"},
        {"257th sound (line 258 = 0x102)", read_file_list, many_sounds, "5 (1, 102, 0, 0)"},
        {"enemy without points", read_entity_list, "ENEMY_LIST\r\nslime,10,1,3,8x8,0x0\r\n",
         "3 (2, 2, 8, 0)"},
        {"item hitbox without height", read_entity_list, "ITEM_LIST\r\ncoin,1,1,fx,1,0,8\r\n",
         "3 (2, 2, 7, 0)"},
        {"stage without its code", read_play_list, "GAME_1\r\nstage1.txt\r\n", "3 (3, 2, 1, 0)"},
        {"kind-1 keyframe without B", read_effect_list,
         "EFFECT_DEFINITION\r\nboom,1\r\n1,2,p,255,3\r\n", "3 (4, 3, 5, 0)"},
        {"kind 2", read_effect_list, "EFFECT_DEFINITION\r\nboom,2\r\n", "3 (4, 2, FFFFFFFF, 0)"},
        {"end without keyframe", read_effect_list,
         "EFFECT_DEFINITION\r\nboom,0\r\nDEFINITION_END\r\n", "3 (4, 3, FFFFFFFF, 0)"},
        {"end outside a definition", read_effect_list, "DEFINITION_END\r\n",
         "3 (4, 1, FFFFFFFF, 0)"},
        {"21st keyframe", read_effect_list, twenty_one, "5 (0, 0, 0, 0)"},
    };
    for (const Row& r : rows) EXPECT_EQ(read(r.reader, r.text), r.expected) << r.name;
}

// Each keyframe ends at the running sum of the durations: one below zero, or
// a sum past 2147483647, is a corrupt file at that keyframe's duration.
TEST(ListFiles, EffectDurationsBelowZeroOrSummingPastTheRangeStop) {
    const std::string head = "EFFECT_DEFINITION\r\nspark,0\r\n";
    struct Row {
        const char* name;
        std::string keyframes, expected;
    } rows[] = {
        {"a negative duration", "1,5,p\r\n1,-1,p\r\n", "3 (4, 4, 1, 0)"},
        {"two of the largest", "1,2147483647,p\r\n1,2147483647,p\r\n", "3 (4, 4, 1, 0)"},
        {"a sum of just the largest", "1,2147483646,p\r\n1,1,p\r\n1,0,p\r\n", "none"},
    };
    for (const Row& r : rows)
        EXPECT_EQ(read(read_effect_list, head + r.keyframes + "DEFINITION_END\r\n"), r.expected)
            << r.name;
    EXPECT_EQ(effect_definition[0].end_time[2], 2147483647);
}

TEST(ListFiles, PictureRecordsTakeTheTransparentColourInForce) {
    ASSERT_EQ(read(read_file_list,
                   "ignored,1\r\nPICTURE_LIST\r\na.png,1,1x1,0x0,0\r\n"
                   "BGCOLOR,255,0,255\r\nb.png,0,1x1,0x0,1\r\n"
                   "c.png,2,2x1,16*16,2\r\n"),
              "none");
    ASSERT_EQ(picture_records_read, 3);
    EXPECT_EQ(picture_entry[0].transparent_blue, 0);  // black before any BGCOLOR
    EXPECT_EQ(picture_entry[1].transparent_red, 255);
    EXPECT_EQ(picture_entry[2].transparent_blue, 255);  // still in force
    EXPECT_EQ(picture_entry[2].cell_height, 16);
    // Count 0 covers no sprite id, so the grid never waits for it.
    const uint8_t used[4] = {sprite_slot_used[0], sprite_slot_used[1], sprite_slot_used[2],
                             sprite_slot_used[3]};
    EXPECT_EQ(std::vector<int>(used, used + 4), (std::vector<int>{1, 0, 1, 1}));
}

TEST(ListFiles, EffectKeyframesEndAtRunningSumsAndEntitiesFillTheirTables) {
    ASSERT_EQ(read(read_effect_list,
                   "EFFECT_DEFINITION\r\nspark,1\r\n# first\r\n"
                   "5,3,p,128,10x20,45\r\n6,4,p\r\nDEFINITION_END\r\n"),
              "none");
    const effect_definition_record& d = effect_definition[0];
    EXPECT_STREQ(d.name, "spark");
    EXPECT_EQ(std::vector<int>(d.end_time.at, d.end_time.at + 3), (std::vector<int>{3, 7, -1}));
    EXPECT_EQ(d.duration[2], -1);
    EXPECT_EQ(d.pair_b[0], 20);
    EXPECT_EQ(d.angle[0], 45.0);
    EXPECT_EQ(d.alpha[1], 255);  // a short keyframe keeps the defaults

    ASSERT_EQ(read(read_entity_list,
                   "ITEM_LIST\r\ncoin,40,1,12fx,3,0,8x8,0x4,50\r\n"
                   "ENEMY_LIST\r\nslime,10,2,3.9,20x16,2x4,100\r\n"),
              "none");
    EXPECT_EQ(item_types[0].speffect_row, 12);
    EXPECT_STREQ(item_types[0].speffect, "12fx");
    EXPECT_EQ(item_types[0].hit_dy, 4.0f);
    EXPECT_EQ(enemy_types[0].health, 3.0f);  // the column is read as an integer
    EXPECT_EQ(enemy_types[0].points, 100);
}

}  // namespace
