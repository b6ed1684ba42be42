#include "demo_tree_edits.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace replay {

std::string read_file(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void write_file(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

std::vector<std::string> lines_of(const fs::path& file) {
    std::vector<std::string> lines;
    std::istringstream in(read_file(file));
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

void write_lines(const fs::path& file, const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& l : lines) text += l + "\n";
    write_file(file, text);
}

size_t find_line(const std::vector<std::string>& lines, const std::string& prefix,
                 const std::string& after) {
    size_t k = 0;
    if (!after.empty()) {
        while (k < lines.size() && lines[k].rfind(after, 0) != 0) ++k;
        ++k;
    }
    while (k < lines.size() && lines[k].rfind(prefix, 0) != 0) ++k;
    if (k == lines.size()) throw std::runtime_error("no line " + prefix + " in the demo data");
    return k;
}

std::string columns(const std::string& line, int n) {
    size_t end = 0;
    for (int c = 0; c < n; ++c) end = line.find(',', end) + 1;
    return line.substr(0, end - 1);
}

std::string column(const std::string& line, int c) {
    const std::string from = c ? line.substr(columns(line, c).size() + 1) : line;
    return from.substr(0, from.find_first_of(",\r"));
}

void boss_first_stage(const fs::path& d) {
    std::string name;
    for (const std::string& l : lines_of(d / "lists/entitylist.list"))
        if (l.find(",allenemy_destroy,") != std::string::npos) name = column(l, 0);
    if (name.empty()) throw std::runtime_error("no allenemy_destroy item in the demo data");
    const std::string stage = read_file(d / "stages/arena.txt") + "PLACEMENT_ITEM\r\n" + name +
                              ",320,488,1,move_pattern_default,0,nothing\r\n";
    write_file(d / "stages/replay_boss.txt", stage);
    auto list = lines_of(d / "lists/playlist.list");
    list[find_line(list, "datas/", "GAME_1")] = "datas/stages/replay_boss.txt,1\r";
    write_lines(d / "lists/playlist.list", list);
}

}  // namespace replay
