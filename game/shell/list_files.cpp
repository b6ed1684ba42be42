// The readers of "filelist.list", "entitylist.list", "playlist.list" and
// "effect.list". Every file is untrusted: a missing column or a record past a
// table's end ends the game on the STOP screen with where it happened.
#include "shell/list_files.h"

#include <cstdint>
#include <cstring>
#include <string_view>

#include "shell/list_tokenizer.h"
#include "world/stop_screen.h"
#include "world/world_globals.h"

constinit picture_record picture_entry[picture_record_count] = {};
constinit int picture_records_read = 0;
constinit music_record music_entry[music_record_count] = {};
constinit int music_records_read = 0;
constinit int sound_records_read = 0;
constinit playlist_record playlist[playlist_dimensions] = {};
constinit uint8_t sprite_slot_used[3072] = {};

namespace {

constexpr int long_line_buffer = 1023;  // files 1 and 2
constexpr int short_line_buffer = 256;  // files 3 and 4

[[noreturn]] void stop_here(int32_t code, uint32_t p1, uint32_t p2, uint32_t p3, uint32_t p4) {
    stop_screen(code, p1, p2, p3, p4);
    // The STOP screen ends the process; only a test's observer comes back here.
    std::abort();
}

// The columns of one record line, each required unless asked for as optional.
class columns {
  public:
    columns(int file, int line, std::string_view text) : file_(file), line_(line), cut_(text) {}

    std::string_view required(const char* separators, uint32_t last_parameter = 0) {
        std::string_view column;
        if (!cut_.next(separators, column))
            stop_here(stop_file_corrupted, file_, line_, index_, last_parameter);
        ++index_;
        return column;
    }
    bool optional(const char* separators, std::string_view& column) {
        if (!cut_.next(separators, column)) return false;
        ++index_;
        return true;
    }
    int index() const { return index_; }

  private:
    int file_;
    int line_;
    list_tokenizer cut_;
    int index_ = 0;
};

[[noreturn]] void table_full(int file, int line) {
    stop_here(stop_limit_exceeded, file, line, 0, 0);
}

// The position of text among a file's section keywords, or -1.
template <size_t N>
int keyword_index(std::string_view text, const std::string_view (&keywords)[N]) {
    for (size_t k = 0; k < N; ++k)
        if (text == keywords[k]) return static_cast<int>(k);
    return -1;
}

// Walks a file's lines: comments are skipped, whole-line keywords are handed
// to on_keyword (true when known), the rest to on_record with its number.
template <class Keyword, class Record>
void walk_lines(line_source& source, int buffer_size, Keyword on_keyword, Record on_record) {
    char buffer[long_line_buffer];
    int line = 0;
    while (source.read_line(buffer, buffer_size) >= 0) {
        ++line;
        if (buffer[0] == '#') continue;
        if (on_keyword(std::string_view(buffer))) continue;
        on_record(line, std::string_view(buffer));
    }
}

// --- filelist.list -------------------------------------------------------------

enum file_section { no_section, picture_section, sound_section, music_section };

void read_picture_line(int line, std::string_view text, int32_t transparent[3]) {
    columns c(list_file_files, line, text);
    const std::string_view name = c.required(comma);
    if (name == "BGCOLOR") {
        for (int k = 0; k < 3; ++k) transparent[k] = column_int(c.required(comma, 1));
        return;
    }
    if (picture_records_read >= picture_record_count) table_full(list_file_files, line);
    picture_record& r = picture_entry[picture_records_read];
    copy_name(r.name, name);
    r.count = column_int(c.required(comma));
    r.columns = column_int(c.required(comma_or_x));
    r.rows = column_int(c.required(comma));
    r.cell_width = column_int(c.required(comma_or_x));
    r.cell_height = column_int(c.required(comma));
    r.first_sprite = column_int(c.required(comma));
    r.transparent_red = transparent[0];
    r.transparent_green = transparent[1];
    r.transparent_blue = transparent[2];
    // The first id indexes the loading slots and the range must stay in the
    // sprite table.
    if (r.first_sprite < 0) stop_here(stop_file_corrupted, list_file_files, line, 6, 0);
    const int64_t last = int64_t{r.first_sprite} + (r.count > 0 ? r.count - 1 : 0);
    if (last >= sprite_table_size) stop_here(stop_limit_exceeded, list_file_files, line, 6, 0);
    for (int64_t id = r.first_sprite; id < int64_t{r.first_sprite} + r.count; ++id)
        sprite_slot_used[id] = 1;
    ++picture_records_read;
}

void read_sound_line(int line, std::string_view text) {
    columns c(list_file_files, line, text);
    const std::string_view file = c.required(comma);
    const std::string_view name = c.required(comma);
    if (sound_records_read >= sound_entry_count) table_full(list_file_files, line);
    sound_entry_record& r = sound_entry[sound_records_read++];
    copy_name(r.file, file);
    copy_name(r.name, name);
}

void read_music_line(int line, std::string_view text) {
    columns c(list_file_files, line, text);
    const std::string_view file = c.required(comma);
    const std::string_view name = c.required(comma);
    const std::string_view words = c.required(comma);
    const int loop = column_int(c.required(comma));
    std::string_view extra;
    const bool has_extra = c.optional(comma, extra);
    if (music_records_read >= music_record_count) table_full(list_file_files, line);
    music_record& r = music_entry[music_records_read++];
    copy_name(r.file, file);
    copy_name(r.name, name);
    const size_t n = words.size() < sizeof(r.text) - 1 ? words.size() : sizeof(r.text) - 1;
    std::memcpy(r.text, words.data(), n);
    r.text[n] = '\0';
    r.loop = loop;
    r.extra = has_extra ? column_int(extra) : 0;
}

// --- entitylist.list -------------------------------------------------------------

enum entity_section {
    no_entities,
    enemy_section,
    boss_section,
    item_section,
    block_section,
    bullet_section
};

void read_hitbox(columns& c, float& w, float& h, float& dx, float& dy) {
    w = static_cast<float>(column_int(c.required(comma_or_x)));
    h = static_cast<float>(column_int(c.required(comma)));
    dx = static_cast<float>(column_int(c.required(comma_or_x)));
    dy = static_cast<float>(column_int(c.required(comma)));
}

void read_enemy_line(int line, std::string_view text, enemy_type_record* table, int& count) {
    columns c(list_file_entities, line, text);
    enemy_type_record r{};
    copy_name(r.name, c.required(comma));
    r.sprite_base = column_int(c.required(comma));
    r.code = column_int(c.required(comma));
    r.health = static_cast<float>(column_int(c.required(comma)));
    read_hitbox(c, r.hit_w, r.hit_h, r.hit_dx, r.hit_dy);
    r.points = column_int(c.required(comma));
    if (count >= enemy_type_capacity) table_full(list_file_entities, line);
    table[count++] = r;
}

void read_item_line(int line, std::string_view text) {
    columns c(list_file_entities, line, text);
    item_type_record r{};
    copy_name(r.name, c.required(comma));
    r.sprite_base = column_int(c.required(comma));
    r.code = column_int(c.required(comma));
    const std::string_view effect = c.required(comma);
    copy_name(r.speffect, effect);
    r.speffect_row = column_int(effect);
    r.rarity = column_int(c.required(comma));
    r.spare = column_int(c.required(comma));
    read_hitbox(c, r.hit_w, r.hit_h, r.hit_dx, r.hit_dy);
    r.points = column_int(c.required(comma));
    if (item_type_count >= item_type_capacity) table_full(list_file_entities, line);
    item_types[item_type_count++] = r;
}

void read_block_line(int line, std::string_view text) {
    columns c(list_file_entities, line, text);
    block_type_record r{};
    copy_name(r.name, c.required(comma));
    r.sprite_base = column_int(c.required(comma));
    r.code = column_int(c.required(comma));
    read_hitbox(c, r.hit_w, r.hit_h, r.hit_dx, r.hit_dy);
    if (block_type_count >= block_type_capacity) table_full(list_file_entities, line);
    block_types[block_type_count++] = r;
}

void read_bullet_line(int line, std::string_view text) {
    columns c(list_file_entities, line, text);
    bullet_type_record r{};
    copy_name(r.name, c.required(comma));
    r.sprite_base = column_int(c.required(comma));
    r.code = column_int(c.required(comma));
    read_hitbox(c, r.hit_w, r.hit_h, r.hit_dx, r.hit_dy);
    r.extra = column_int(c.required(comma));
    if (bullet_type_count >= bullet_type_capacity) table_full(list_file_entities, line);
    bullet_types[bullet_type_count++] = r;
}

// --- effect.list -------------------------------------------------------------------

struct effect_reader {
    enum { outside, header, keyframes } state = outside;
    int keyframe_count = 0;
    int64_t running_time = 0;  // the durations read so far in the definition
    effect_definition_record* record = nullptr;
    int definitions = 0;

    void keyword_or_line(int line, std::string_view text) {
        if (text == "EFFECT_DEFINITION") {
            if (definitions >= effect_definition_count) table_full(list_file_effects, line);
            record = &effect_definition[definitions];
            *record = effect_definition_record{};
            keyframe_count = 0;
            running_time = 0;
            state = header;
            return;
        }
        if (text == "DEFINITION_END") {
            if (state != keyframes || keyframe_count == 0)
                stop_here(stop_file_corrupted, list_file_effects, line, 0xFFFFFFFF, 0);
            close_definition();
            return;
        }
        if (state == header)
            read_header(line, text);
        else if (state == keyframes)
            read_keyframe(line, text);
    }

    void read_header(int line, std::string_view text) {
        columns c(list_file_effects, line, text);
        copy_name(record->name, c.required(comma));
        record->kind = column_int(c.required(comma));
        if (record->kind != 0 && record->kind != 1)
            stop_here(stop_file_corrupted, list_file_effects, line, 0xFFFFFFFF, 0);
        state = keyframes;
    }

    void read_keyframe(int line, std::string_view text) {
        if (keyframe_count >= effect_keyframes) stop_here(stop_limit_exceeded, 0, 0, 0, 0);
        const int k = keyframe_count++;
        effect_definition_record& d = *record;
        columns c(list_file_effects, line, text);
        d.sprite[k] = column_int(c.required(comma));
        d.duration[k] = column_int(c.required(comma));
        // The end times are the running sums: a negative duration or a sum
        // past the field's range would make the keyframes run backwards.
        running_time += d.duration[k];
        if (d.duration[k] < 0 || running_time > INT32_MAX)
            stop_here(stop_file_corrupted, list_file_effects, line, 1, 0);
        copy_name(d.picture[k], c.required(comma));
        // From here on a missing column leaves the rest at their defaults.
        std::string_view v;
        if (!c.optional(comma, v)) return;
        d.alpha[k] = column_int(v);
        if (d.kind == 0) {
            if (!c.optional(comma, v)) return;
            d.scale[k] = column_double(v);
        } else {
            if (!c.optional(comma_or_x, v)) return;
            d.pair_a[k] = column_int(v);
            d.pair_b[k] = column_int(c.required(comma));
        }
        if (!c.optional(comma, v)) return;
        d.angle[k] = column_double(v);
        keyframe_values<int32_t>* modes[] = {&d.alpha_mode, &d.scale_mode, &d.angle_mode,
                                             &d.hidden};
        for (keyframe_values<int32_t>* field : modes) {
            if (!c.optional(comma, v)) return;
            (*field)[k] = column_int(v);
        }
    }

    void close_definition() {
        effect_definition_record& d = *record;
        int32_t sum = 0;
        for (int k = 0; k < effect_keyframes; ++k) {
            if (k < keyframe_count) {
                sum += d.duration[k];
                d.end_time[k] = sum;
            } else {
                d.duration[k] = -1;
                d.end_time[k] = -1;
            }
        }
        ++definitions;
        state = outside;
        record = nullptr;
    }
};

}  // namespace

void reset_list_tables() {
    for (picture_record& r : picture_entry) {
        r = picture_record{};
        r.count = r.columns = r.rows = -1;
    }
    picture_records_read = 0;
    std::memset(sprite_slot_used, 0, sizeof(sprite_slot_used));
    std::memset(music_entry, 0, sizeof(music_entry));
    music_records_read = 0;
    std::memset(sound_entry, 0, sizeof(sound_entry));
    sound_records_read = 0;
    std::memset(playlist, 0, sizeof(playlist));
    std::memset(enemy_types, 0, sizeof(enemy_types));
    std::memset(boss_enemy_types, 0, sizeof(boss_enemy_types));
    std::memset(item_types, 0, sizeof(item_types));
    std::memset(block_types, 0, sizeof(block_types));
    std::memset(bullet_types, 0, sizeof(bullet_types));
    enemy_type_count = boss_enemy_type_count = item_type_count = 0;
    block_type_count = bullet_type_count = 0;
    for (effect_definition_record& d : effect_definition) d = effect_definition_record{};
}

void read_file_list(line_source& source) {
    file_section section = no_section;
    int32_t transparent[3] = {0, 0, 0};
    walk_lines(
        source, long_line_buffer,
        [&](std::string_view text) {
            static constexpr std::string_view keywords[] = {"PICTURE_LIST", "SOUND_LIST",
                                                            "MUSIC_LIST"};
            const int k = keyword_index(text, keywords);
            if (k >= 0) section = static_cast<file_section>(picture_section + k);
            return k >= 0;
        },
        [&](int line, std::string_view text) {
            if (section == picture_section)
                read_picture_line(line, text, transparent);
            else if (section == sound_section)
                read_sound_line(line, text);
            else if (section == music_section)
                read_music_line(line, text);
        });
}

void read_entity_list(line_source& source) {
    entity_section section = no_entities;
    walk_lines(
        source, long_line_buffer,
        [&](std::string_view text) {
            static constexpr std::string_view keywords[] = {
                "ENEMY_LIST", "BOSSENEMY_LIST", "ITEM_LIST", "BLOCK_LIST", "BULLET_LIST"};
            const int k = keyword_index(text, keywords);
            if (k >= 0) section = static_cast<entity_section>(enemy_section + k);
            return k >= 0;
        },
        [&](int line, std::string_view text) {
            switch (section) {
                case enemy_section:
                    read_enemy_line(line, text, enemy_types, enemy_type_count);
                    break;
                case boss_section:
                    read_enemy_line(line, text, boss_enemy_types, boss_enemy_type_count);
                    break;
                case item_section:
                    read_item_line(line, text);
                    break;
                case block_section:
                    read_block_line(line, text);
                    break;
                case bullet_section:
                    read_bullet_line(line, text);
                    break;
                case no_entities:
                    break;
            }
        });
}

void read_play_list(line_source& source) {
    int dimension_read = -1;
    walk_lines(
        source, short_line_buffer,
        [&](std::string_view text) {
            static constexpr std::string_view keywords[] = {"GAME_1", "GAME_2", "GAME_3", "GAME_4"};
            const int k = keyword_index(text, keywords);
            if (k >= 0) dimension_read = k;
            return k >= 0;
        },
        [&](int line, std::string_view text) {
            if (dimension_read < 0) return;
            columns c(list_file_plays, line, text);
            const std::string_view file = c.required(comma);
            const int code = column_int(c.required(comma));
            playlist_record& p = playlist[dimension_read];
            if (p.count >= playlist_stages) table_full(list_file_plays, line);
            copy_name(p.file[p.count], file);
            p.code[p.count++] = code;
        });
}

void read_effect_list(line_source& source) {
    effect_reader reader;
    walk_lines(
        source, short_line_buffer, [](std::string_view) { return false; },
        [&](int line, std::string_view text) { reader.keyword_or_line(line, text); });
}
