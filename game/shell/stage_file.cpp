// The stage file reader. Lines end with CR LF only; placement lines are read
// with a 1000-byte buffer, the lines of an information block with 256.
#include "shell/stage_file.h"

#include <cstdlib>
#include <cstring>
#include <string_view>

#include "shell/list_tokenizer.h"
#include "shell/stage_placement.h"
#include "world/stop_screen.h"
#include "world/world_globals.h"

constinit placement_record placement_records[placement_record_capacity] = {};
constinit int placement_record_count = 0;

namespace {

constexpr int line_buffer = 1000;
constexpr int block_line_buffer = 256;
constexpr uint32_t block_failure = 0x9999;
constexpr uint32_t repeat_outside_section = 0x1000;
constexpr uint32_t repeat_missing = 0x1001;  // + the column: direction, count, step x, step y
constexpr std::string_view repeat_keyword = "REPEAT_PLACEMENT";

enum direction_code { no_direction = -1, up = 0, left = 1, down = 2, right = 3 };

[[noreturn]] void stop_load(int32_t code, uint32_t p2, uint32_t p3, uint32_t p4) {
    stop_screen(code, stage_word(), p2, p3, p4);
    std::abort();  // the STOP screen ends the process; only a test observer comes back
}

int direction_of(std::string_view text) {
    struct name {
        std::string_view text;
        int direction;
    };
    static constexpr name names[] = {
        {"UP", up},      {"u", up},         {"0", up},      {" UP", up},      {" u", up},
        {" 0", up},      {"DOWN", down},    {"d", down},    {"2", down},      {" DOWN", down},
        {" d", down},    {" 2", down},      {"LEFT", left}, {"l", left},      {"1", left},
        {" LEFT", left}, {" l", left},      {" 1", left},   {"RIGHT", right}, {"r", right},
        {"3", right},    {" RIGHT", right}, {" r", right},  {" 3", right},
    };
    for (const name& n : names)
        if (n.text == text) return n.direction;
    return no_direction;
}

class stage_reader {
  public:
    explicit stage_reader(line_source& source) : source_(source) {}

    void run() {
        char buffer[line_buffer];
        while (source_.read_line(buffer, line_buffer) >= 0) {
            ++line_;
            handle(std::string_view(buffer));
        }
    }

  private:
    void handle(std::string_view text) {
        if (!text.empty() && text[0] == '#') return;
        static constexpr std::string_view sections[] = {
            "PLACEMENT_TESMO",     "PLACEMENT_ENEMY", "PLACEMENT_BOSSENEMY",
            "PLACEMENT_ITEMPOINT", "PLACEMENT_ITEM",  "PLACEMENT_BLOCK",
        };
        for (int k = 0; k < 6; ++k) {
            if (text == sections[k]) {
                section_ = k + 1;
                return;
            }
        }
        if (text == "STAGE_INFORMATION") return read_information_block();
        if (text.substr(0, repeat_keyword.size()) == repeat_keyword) return read_repeat(text);
        working_ = placement_record{};
        if (section_ == 0) return;
        if (section_ == 4) return read_item_point(text);
        read_placement(text);
    }

    std::string_view required(list_tokenizer& cut, const char* separators, int column) {
        std::string_view v;
        if (!cut.next(separators, v)) stop_load(stop_file_corrupted, line_, column, 0);
        return v;
    }

    void read_placement(std::string_view text) {
        list_tokenizer cut(text);
        placement_record r{};
        r.kind = section_;
        const std::string_view type = required(cut, comma, 0);
        r.type_number = column_int(type);
        copy_name(r.type_name, type);
        r.x = static_cast<float>(column_double(required(cut, comma, 1)));
        r.y = static_cast<float>(column_double(required(cut, comma, 2)));
        r.flags = column_int(required(cut, comma, 3));
        copy_name(r.move_pattern, required(cut, comma, 4));
        copy_name(r.block_interaction, required(cut, comma, 5));
        copy_name(r.own_interaction, required(cut, comma, 6));
        std::string_view v;
        r.start_tick = cut.next(comma, v) ? column_int(v) : -1;
        r.facing = cut.next(comma, v) ? column_int(v) : -1;
        r.speed_factor = cut.next(comma, v) ? column_double(v) : -1.0;
        append(r);
        working_ = r;
    }

    void read_item_point(std::string_view text) {
        list_tokenizer cut(text);
        item_point_columns c;
        c.x = column_double(required(cut, comma, 0));
        c.y = column_double(required(cut, comma, 1));
        c.category_mask = column_int(required(cut, comma, 2));
        std::string_view v;
        if (cut.next(comma_or_x, v)) c.rarity = column_int(v);
        c.has_move = cut.next(comma, c.move);
        c.has_effect = c.has_move && cut.next(comma, c.effect);
        place_item_point(c);
    }

    void append(const placement_record& r) {
        if (placement_record_count >= placement_record_capacity)
            stop_load(stop_limit_exceeded, static_cast<uint32_t>(r.kind), placement_record_capacity,
                      0);
        placement_records[placement_record_count++] = r;
    }

    void read_repeat(std::string_view text) {
        if (section_ == 0) stop_load(stop_file_corrupted, line_, repeat_outside_section, 0);
        list_tokenizer cut(text);
        std::string_view keyword, direction, count, step_x, step_y;
        cut.next(" ", keyword);
        if (!cut.next(comma, direction)) stop_load(stop_file_corrupted, line_, repeat_missing, 0);
        if (!cut.next(comma, count)) stop_load(stop_file_corrupted, line_, repeat_missing + 1, 0);
        if (!cut.next(comma_or_x, step_x))
            stop_load(stop_file_corrupted, line_, repeat_missing + 2, 0);
        if (!cut.next(comma, step_y)) stop_load(stop_file_corrupted, line_, repeat_missing + 3, 0);
        const int named = direction_of(direction);
        if (named != no_direction) direction_ = named;
        // An unknown text keeps the last direction; with none yet it is as missing.
        if (direction_ == no_direction) stop_load(stop_file_corrupted, line_, repeat_missing, 0);
        const int n = column_int(count), dx = column_int(step_x), dy = column_int(step_y);
        if (section_ == 4) return repeat_item_points(direction_, n, dx, dy);
        for (int k = 0; k < n; ++k) {
            double x = working_.x, y = working_.y;
            step_position(x, y, direction_, dx, dy);
            working_.x = static_cast<float>(x);
            working_.y = static_cast<float>(y);
            append(working_);
        }
    }

    // Reads a block line; false at the end of the file.
    bool block_line(char* buffer) {
        if (source_.read_line(buffer, block_line_buffer) < 0) return false;
        ++line_;
        return true;
    }

    // Two numbers joined by ',', 'x' or '*'; a missing one stops the load.
    void read_pair(const char* text, int32_t& first, int32_t& second) {
        list_tokenizer cut(text);
        std::string_view v;
        if (!cut.next(comma_or_x, v)) stop_load(stop_file_corrupted, line_, block_failure, 0);
        first = column_int(v);
        if (!cut.next(comma, v)) stop_load(stop_file_corrupted, line_, block_failure, 1);
        second = column_int(v);
    }

    void read_information_block() {
        char buffer[block_line_buffer];
        // The first two lines must be there.
        if (!block_line(buffer)) stop_load(stop_file_corrupted, line_ + 1, block_failure, 0);
        {
            list_tokenizer cut(buffer);
            std::string_view v;
            if (!cut.next(comma, v)) stop_load(stop_file_corrupted, line_, block_failure, 1);
            int k = 0;
            do stage_info.background_list[k++] = column_int(v);
            while (k < 16 && cut.next(comma, v));
        }
        if (!block_line(buffer)) stop_load(stop_file_corrupted, line_ + 1, block_failure, 0);
        stage_info.stage_value_a = column_int(buffer);
        if (!block_line(buffer)) return;  // the file ends inside the block: the file ends there too
        read_pair(buffer, stage_info.width, stage_info.height);
        // Wrapping divides by the size and loops until a position is inside.
        if (stage_info.width <= 0) stop_load(stop_file_corrupted, line_, block_failure, 0);
        if (stage_info.height <= 0) stop_load(stop_file_corrupted, line_, block_failure, 1);
        int32_t a = 0, b = 0;
        if (!block_line(buffer)) return;  // the file ends inside the block: the file ends there too
        read_pair(buffer, a, b);
        stage_info.stage_pair_b[0] = a;
        stage_info.stage_pair_b[1] = b;
        if (!block_line(buffer)) return;  // the file ends inside the block: the file ends there too
        read_pair(buffer, a, b);
        stage_info.scroll_speed_x = a;
        stage_info.scroll_speed_y = b;
        int32_t* singles[] = {&stage_info.stage_value_c, &stage_info.transition_kind,
                              &stage_info.stage_music};
        for (int32_t* field : singles) {
            if (!block_line(buffer))
                return;  // the file ends inside the block: the file ends there too
            *field = column_int(buffer);
        }
    }

    line_source& source_;
    int line_ = 0;
    int section_ = 0;
    int direction_ = no_direction;
    placement_record working_{};
};

}  // namespace

uint32_t stage_word() {
    return 0xF0000000u + static_cast<uint32_t>(dimension) * 0x100000u +
           static_cast<uint32_t>(stage);
}

void read_stage_file(line_source& source) {
    std::memset(placement_records, 0, sizeof(placement_records));
    placement_record_count = 0;
    stage_reader(source).run();
}
