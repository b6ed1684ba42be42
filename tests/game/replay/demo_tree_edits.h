// Changes to the plain tree of the demo data ("datas/..."), made in a copy
// before a game runs on it: line-wise reading and writing of its list and
// stage files, and the stages that only replays and figures play.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace replay {

std::string read_file(const std::filesystem::path& path);
void write_file(const std::filesystem::path& path, const std::string& bytes);

// The file's lines without their "\n" (a "\r" before it stays).
std::vector<std::string> lines_of(const std::filesystem::path& file);
void write_lines(const std::filesystem::path& file, const std::vector<std::string>& lines);

// The index (from 0) of the first line starting with `prefix` below the
// first line starting with `after` (a section keyword; "" for the top).
// Throws std::runtime_error when there is none.
size_t find_line(const std::vector<std::string>& lines, const std::string& prefix,
                 const std::string& after = "");

// The first `n` comma-separated columns of a line; column `c` (from 0) alone.
std::string columns(const std::string& line, int n);
std::string column(const std::string& line, int c);

// Makes the boss arena the first stage of a new game, with the item that
// knocks every enemy away on the floor right of the players (named as the
// entity list names it). `datas` is the tree's "datas" folder. Throws
// std::runtime_error when the data has no such item.
void boss_first_stage(const std::filesystem::path& datas);

}  // namespace replay
