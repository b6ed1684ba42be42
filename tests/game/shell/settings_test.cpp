// The settings file: hostile lines read as sound values, the exact bytes
// written, the all-or-nothing write, and the globals fed both ways.
#include <cstdio>
#include <string>

#include <sys/stat.h>

#include "fake_engine_test.h"
#include "shell/key_names.h"
#include "shell/settings.h"
#include "test_support.h"
#include "world/pools.h"
#include "world/world_globals.h"

namespace {

std::string text(const settings_record& r) {
    char s[256];
    std::snprintf(s, sizeof(s), "%d %g %g %g %d |", r.full_screen, r.bgm_volume, r.se_volume,
                  r.screen_scale, r.sampling_mode);
    std::string out = s;
    for (int v : r.key_codes) out += " " + std::to_string(v);
    out += " |";
    for (int v : r.pad_buttons) out += " " + std::to_string(v);
    return out;
}

constexpr const char* defaults = "0 0.5 1 1 0 | 203 205 200 208 44 45 46 28 | 2 3 4 1 5 6 0 7";

struct reader_row {
    const char* name;
    const char* file;  // null: no file
    const char* expected;
};

const std::string long_line = "0.25" + std::string(596, '0') + "\n";

TEST(Settings, HostileAndOddFilesReadAsSoundValues) {
    const std::string lf =
        "1\n0.25\n0.75\n2.5\n1\n1\n2\n3\n4\n5\n6\n7\n8\n9\n10\n11\n12\n13\n14\n"
        "15\n16\nextra\n";
    std::string crlf;
    for (char c : lf) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    const std::string long_file = "0\n" + long_line + "0.75\n";
    const char* read_all = "1 0.25 0.75 2.5 1 | 1 2 3 4 5 6 7 8 | 9 10 11 12 13 14 15 16";
    const reader_row rows[] = {
        {"no file", nullptr, defaults},
        {"full screen 2 keeps windowed", "2\n", defaults},
        {"scale 0.1 rises to 0.4", "0\n0.5\n1\n0.1\n",
         "0 0.5 1 0.4 0 | 203 205 200 208 44 45 46 28 | 2 3 4 1 5 6 0 7"},
        {"scale 9 falls to 4", "0\n0.5\n1\n9\n",
         "0 0.5 1 4 0 | 203 205 200 208 44 45 46 28 | 2 3 4 1 5 6 0 7"},
        {"sampling 2 becomes 0", "0\n0.5\n1\n1\n2\n", defaults},
        {"volumes clamp", "0\n1.5\n-0.2\n",
         "0 1 0 1 0 | 203 205 200 208 44 45 46 28 | 2 3 4 1 5 6 0 7"},
        {"nan inf 1e999 keep defaults", "0\nnan\ninf\n1e999\n", defaults},
        {"key 256, -1, overflow keep; pad 32 keeps",
         "0\n0.5\n1\n1\n0\n256\n-1\n99999999999\n0\n0\n0\n0\n0\n32\n",
         "0 0.5 1 1 0 | 203 205 200 0 0 0 0 0 | 2 3 4 1 5 6 0 7"},
        {"key abc reads as code 0", "0\n0.5\n1\n1\n0\nabc\n",
         "0 0.5 1 1 0 | 0 205 200 208 44 45 46 28 | 2 3 4 1 5 6 0 7"},
        {"LF file", lf.c_str(), read_all},
        {"CR LF file", crlf.c_str(), read_all},
        {"600-character line is one line", long_file.c_str(),
         "0 0.25 0.75 1 0 | 203 205 200 208 44 45 46 28 | 2 3 4 1 5 6 0 7"},
        {"short file", "1\n0.25\n", "1 0.25 1 1 0 | 203 205 200 208 44 45 46 28 | 2 3 4 1 5 6 0 7"},
    };
    for (const reader_row& row : rows) {
        std::remove(settings_file_name);
        if (row.file) testsupport::WriteFile(settings_file_name, row.file);
        settings_record r;
        read_settings(&r);
        EXPECT_EQ(text(r), row.expected) << row.name;
    }
}

TEST(Settings, WritesCrLfLinesFromTheVolumeGlobalsAndReadsBackAlike) {
    settings_record r;
    default_settings(&r);
    bgm_volume = 0.5;
    se_volume = 1.0;
    write_settings(&r);
    EXPECT_EQ(
        testsupport::ReadFile(settings_file_name),
        "0\r\n0.500\r\n1.000\r\n1.000\r\n0\r\n203\r\n205\r\n200\r\n208\r\n44\r\n45\r\n46\r\n28\r\n"
        "2\r\n3\r\n4\r\n1\r\n5\r\n6\r\n0\r\n7\r\n");
    testsupport::WriteFile(settings_file_name, "1\n0.25\n0.75\n2\n1\n");
    read_settings(&r);
    bgm_volume = r.bgm_volume;
    se_volume = r.se_volume;
    write_settings(&r);
    EXPECT_EQ(testsupport::ReadFile(settings_file_name).substr(0, 17), "1\r\n0.250\r\n0.750\r\n");
    settings_record again;
    read_settings(&again);
    EXPECT_EQ(text(again), text(r));
}

TEST(Settings, AFailedWriteKeepsTheOldFile) {
    testsupport::WriteFile(settings_file_name, "old bytes");
    ASSERT_EQ(mkdir("setting.qvx.tmp", 0755), 0);
    settings_record r;
    default_settings(&r);
    write_settings(&r);
    EXPECT_EQ(testsupport::ReadFile(settings_file_name), "old bytes");
}

TEST(Settings, ApplyAndCollectMoveTheFirstPlayerOnly) {
    settings_record r;
    default_settings(&r);
    r.bgm_volume = 0.25;
    r.screen_scale = 2.0;
    r.sampling_mode = 1;
    r.key_codes[7] = 0x39;
    r.pad_buttons[0] = 9;
    players[1].key_codes[0] = 77;
    apply_settings(&r);
    EXPECT_EQ(bgm_volume, 0.25);
    EXPECT_EQ(screen_scale, 2.0);
    EXPECT_EQ(sampling_mode, 1);
    EXPECT_EQ(players[0].key_codes[7], 0x39);
    EXPECT_EQ(players[0].pad_buttons[0], 9);
    EXPECT_EQ(players[1].key_codes[0], 77);
    se_volume = 0.125;
    players[0].key_codes[0] = 0x10;
    settings_record back;
    default_settings(&back);
    back.full_screen = 1;
    collect_settings(&back);
    EXPECT_EQ(text(back), "1 0.25 0.125 2 1 | 16 205 200 208 44 45 46 57 | 9 3 4 1 5 6 0 7");
}

TEST(KeyNames, HundredNamedCodesInCodePage932) {
    fill_key_names();
    int named = 0;
    for (const auto& name : key_name_table) {
        named += name[0] != '\0';
        EXPECT_LT(std::string(name).size(), 32u);
    }
    EXPECT_EQ(named, 100);
    EXPECT_EQ(std::string(key_name_table[0x1D]),
              "\x8D\xB6"
              "Ctrl");
    EXPECT_EQ(std::string(key_name_table[0x0C]), "\x81\x7C");
    EXPECT_EQ(std::string(key_name_table[0xC5]), "\tPause/Break");
    EXPECT_EQ(std::string(key_name_table[0x2C]), "Z");
}

}  // namespace
