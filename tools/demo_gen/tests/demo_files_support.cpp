#include "demo_files_support.h"

#include <fstream>
#include <sstream>

#include "shell/data_stop.h"
#include "shell/line_source.h"
#include "shell/list_files.h"

namespace demo_check {

std::filesystem::path plain_dir() {
    return std::filesystem::path(DEMO_DIR) / "plain";
}

std::string read_file(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string read_all_lists() {
    reset_list_tables();
    const struct {
        void (*reader)(line_source&);
        const char* name;
    } lists[] = {{read_file_list, "filelist.list"},
                 {read_entity_list, "entitylist.list"},
                 {read_play_list, "playlist.list"},
                 {read_effect_list, "effect.list"}};
    for (const auto& l : lists) {
        text_line_source source(read_file(plain_dir() / "datas/lists" / l.name));
        const std::string stop = stop_of([&] { l.reader(source); });
        if (stop != "none") return std::string(l.name) + ": " + stop;
    }
    return "none";
}

std::vector<std::string> crlf_lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t from = 0;
    for (size_t at; (at = text.find("\r\n", from)) != std::string::npos; from = at + 2)
        lines.push_back(text.substr(from, at - from));
    if (from < text.size()) lines.push_back(text.substr(from));
    return lines;
}

}  // namespace demo_check
