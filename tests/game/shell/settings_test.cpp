// The settings file: hostile lines read as sound values, the exact bytes
// written, the all-or-nothing write, the globals fed both ways, key names.
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
    char s[64];
    std::snprintf(s, sizeof(s), "%d %g %g %g %d |", r.full_screen, r.bgm_volume, r.se_volume,
                  r.screen_scale, r.sampling_mode);
    std::string out = s;
    for (int v : r.key_codes) out += " " + std::to_string(v);
    for (int v : r.pad_buttons) out += " " + std::to_string(v);
    return out;
}

std::string with_crlf(const std::string& lf) {
    std::string out;
    for (char c : lf) out += c == '\n' ? "\r\n" : std::string(1, c);
    return out;
}

TEST(Settings, HostileAndOddFilesReadAsSoundValues) {
    const std::string keys = " | 203 205 200 208 44 45 46 28 2 3 4 1 5 6 0 7";
    const std::string all =
        "1\n0.25\n0.75\n2.5\n1\n1\n2\n3\n4\n5\n6\n7\n8\n9\n10\n11\n12\n13\n14\n"
        "15\n16\nextra\n";
    const std::string all_read = "1 0.25 0.75 2.5 1 | 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16";
    const std::string long_line = "0\n0.25" + std::string(596, '0') + "\n0.75\n";
    const struct {
        const char* name;
        std::string file;  // "-": no file
        std::string expected;
    } rows[] = {
        {"no file", "-", "0 0.5 1 1 0" + keys},
        {"full screen 2 keeps windowed", "2\n", "0 0.5 1 1 0" + keys},
        {"scale 0.1 rises to 0.4", "0\n0.5\n1\n0.1\n", "0 0.5 1 0.4 0" + keys},
        {"scale 9 falls to 4, sampling 2 to 0", "0\n0.5\n1\n9\n2\n", "0 0.5 1 4 0" + keys},
        {"volumes clamp", "0\n1.5\n-0.2\n", "0 1 0 1 0" + keys},
        {"nan, inf, 1e999 keep defaults", "0\nnan\ninf\n1e999\n", "0 0.5 1 1 0" + keys},
        {"keys 256, -1, 99999999999 and pad 32 keep defaults; abc is code 0",
         "0\n0.5\n1\n1\n0\n256\n-1\n99999999999\nabc\n0\n0\n0\n0\n32\n",
         "0 0.5 1 1 0 | 203 205 200 0 0 0 0 0 2 3 4 1 5 6 0 7"},
        {"LF", all, all_read},
        {"CR LF", with_crlf(all), all_read},
        {"a 600-character line is one line", long_line, "0 0.25 0.75 1 0" + keys},
        {"short file", "1\n0.25\n", "1 0.25 1 1 0" + keys},
        {"a NUL inside a line ends neither it nor the next",
         std::string("1\0\n0.25\n0.75\n2\n", 15), "1 0.25 0.75 2 0" + keys},
    };
    for (const auto& row : rows) {
        std::remove(settings_file_name);
        if (row.file != "-") testsupport::WriteFile(settings_file_name, row.file);
        settings_record r;
        read_settings(&r);
        EXPECT_EQ(text(r), row.expected) << row.name;
    }
}

TEST(Settings, WritesCrLfLinesFromTheVolumeGlobalsAndReadsBackAlike) {
    settings_record r;
    default_settings(&r);
    write_settings(&r);
    EXPECT_EQ(testsupport::ReadFile(settings_file_name),
              with_crlf("0\n0.500\n1.000\n1.000\n0\n203\n205\n200\n208\n44\n45\n46\n28\n"
                        "2\n3\n4\n1\n5\n6\n0\n7\n"));
    testsupport::WriteFile(settings_file_name, "1\n0.25\n0.75\n2\n1\n");
    read_settings(&r);
    apply_settings(&r);
    r.bgm_volume = 0.9;  // the volumes are written from the globals
    write_settings(&r);
    r.bgm_volume = 0.25;
    EXPECT_EQ(testsupport::ReadFile(settings_file_name).substr(0, 17),
              with_crlf("1\n0.250\n0.750\n"));
    settings_record again;
    read_settings(&again);
    EXPECT_EQ(text(again), text(r));
    // A directory where the temporary file goes: the old file stays.
    ASSERT_EQ(mkdir("setting.qvx.tmp", 0755), 0);
    default_settings(&r);
    apply_settings(&r);
    write_settings(&r);
    EXPECT_EQ(text(again), (read_settings(&r), text(r)));
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
    EXPECT_EQ(players[1].key_codes[0], 77);
    se_volume = 0.125;
    players[0].key_codes[0] = 0x10;
    settings_record back;
    default_settings(&back);
    back.full_screen = 1;
    collect_settings(&back);
    EXPECT_EQ(text(back), "1 0.25 0.125 2 1 | 16 205 200 208 44 45 46 57 9 3 4 1 5 6 0 7");
}

TEST(KeyNames, HundredNamedCodesInCodePage932) {
    fill_key_names();
    int named = 0;
    for (const auto& name : key_name_table)
        named += name[0] != '\0' && std::string(name).size() < 32;
    EXPECT_EQ(named, 100);
    EXPECT_STREQ(key_name_table[0x1D],
                 "\x8D\xB6"
                 "Ctrl");
    EXPECT_STREQ(key_name_table[0x0C], "\x81\x7C");
    EXPECT_STREQ(key_name_table[0xC5], "\tPause/Break");
}

}  // namespace
