// Reading and writing "setting.qvx". The file comes from the player's disk,
// so every number is checked: text that is no number reads as 0, a value out
// of its range (or not finite) keeps the default, and the file is replaced
// only once the new one is completely written.
#include "shell/settings.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <unistd.h>

#include "world/player.h"
#include "world/pools.h"
#include "world/world_globals.h"

constinit settings_record settings = {};
constinit double screen_scale = 1.0;
constinit int sampling_mode = 0;

namespace {

constexpr int line_limit = 509;  // characters of a line that are looked at

// The integer a line starts with; `ok` false when it does not fit a long.
// Text that is no number reads as 0, as before.
long read_integer(const char* line, bool* ok) {
    errno = 0;
    const long value = std::strtol(line, nullptr, 10);
    *ok = errno != ERANGE;
    return value;
}

// The number a line starts with; `ok` false when it is not finite.
double read_real(const char* line, bool* ok) {
    const double value = std::strtod(line, nullptr);
    *ok = std::isfinite(value);
    return value;
}

void store_line(settings_record* r, int number, const char* line) {
    bool ok = false;
    if (number == 1) {
        const long v = read_integer(line, &ok);
        if (ok && (v == 0 || v == 1)) r->full_screen = static_cast<uint8_t>(v);
    } else if (number >= 2 && number <= 4) {
        const double v = read_real(line, &ok);
        if (!ok) return;
        (number == 2 ? r->bgm_volume : number == 3 ? r->se_volume : r->screen_scale) = v;
    } else if (number == 5) {
        const long v = read_integer(line, &ok);
        r->sampling_mode = ok && (v == 0 || v == 1) ? static_cast<int32_t>(v) : 0;
    } else if (number >= 6 && number <= 21) {
        const bool key = number <= 13;
        const long v = read_integer(line, &ok);
        if (!ok || v < 0 || v >= (key ? 256 : 32)) return;
        (key ? r->key_codes[number - 6] : r->pad_buttons[number - 14]) = static_cast<int32_t>(v);
    }
}

// One line of the file into `line` (its first line_limit characters, without
// the line end); a longer line is still one line, and so is a line holding a
// NUL byte (a file partly zeroed by a crash). False at the end.
bool next_line(std::FILE* file, char (&line)[line_limit + 1]) {
    int c = std::fgetc(file);
    if (c == EOF) return false;
    std::size_t n = 0;
    for (; c != EOF && c != '\n'; c = std::fgetc(file))
        if (n < line_limit) line[n++] = static_cast<char>(c);
    line[n] = '\0';
    line[std::strcspn(line, "\r")] = '\0';
    return true;
}

}  // namespace

void default_settings(settings_record* r) {
    *r = settings_record{0,
                         0.5,
                         1.0,
                         1.0,
                         0,
                         {0xCB, 0xCD, 0xC8, 0xD0, 0x2C, 0x2D, 0x2E, 0x1C},
                         {2, 3, 4, 1, 5, 6, 0, 7}};
}

void read_settings(settings_record* r) {
    default_settings(r);
    std::FILE* file = std::fopen(settings_file_name, "rb");
    if (!file) return;
    char line[line_limit + 1];
    for (int number = 1; next_line(file, line); ++number) store_line(r, number, line);
    std::fclose(file);
    r->bgm_volume = std::clamp(r->bgm_volume, 0.0, 1.0);
    r->se_volume = std::clamp(r->se_volume, 0.0, 1.0);
    r->screen_scale = std::clamp(r->screen_scale, 0.4, 4.0);
}

void write_settings(const settings_record* r) {
    static constexpr const char* temporary = "setting.qvx.tmp";
    std::FILE* file = std::fopen(temporary, "wb");
    if (!file) return;
    // Text mode on the original platform: every line ends in CR LF on disk.
    bool ok = std::fprintf(file, "%d\r\n%.3f\r\n%.3f\r\n%.3f\r\n%d\r\n", r->full_screen ? 1 : 0,
                           bgm_volume, se_volume, r->screen_scale, r->sampling_mode) > 0;
    for (int32_t code : r->key_codes) ok = ok && std::fprintf(file, "%d\r\n", code) > 0;
    for (int32_t button : r->pad_buttons) ok = ok && std::fprintf(file, "%d\r\n", button) > 0;
    ok = std::fflush(file) == 0 && ok;
    // On the disk before the rename, so a power loss leaves one whole file.
    ok = fsync(fileno(file)) == 0 && ok;
    ok = std::fclose(file) == 0 && ok;
    if (!ok || std::rename(temporary, settings_file_name) != 0) std::remove(temporary);
}

void apply_settings(const settings_record* r) {
    bgm_volume = r->bgm_volume;
    se_volume = r->se_volume;
    screen_scale = r->screen_scale;
    sampling_mode = r->sampling_mode;
    std::memcpy(players[0].key_codes, r->key_codes, sizeof(r->key_codes));
    std::memcpy(players[0].pad_buttons, r->pad_buttons, sizeof(r->pad_buttons));
}

void collect_settings(settings_record* r) {
    r->bgm_volume = bgm_volume;
    r->se_volume = se_volume;
    r->screen_scale = screen_scale;
    r->sampling_mode = sampling_mode;
    std::memcpy(r->key_codes, players[0].key_codes, sizeof(r->key_codes));
    std::memcpy(r->pad_buttons, players[0].pad_buttons, sizeof(r->pad_buttons));
}
