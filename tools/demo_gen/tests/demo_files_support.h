// What both validator programs share: the generated folder, whole-file
// reads, and the four lists read into the game's tables by its own readers.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace demo_check {

// build/<preset>/demo/plain: the generated files as the game would find them.
std::filesystem::path plain_dir();
std::string read_file(const std::filesystem::path& path);

// Reads the four lists into the game's tables (cleared first); the STOP text
// of the first one that stops, or "none".
std::string read_all_lists();

// The file's lines cut at CR LF (a lone LF stays in its line).
std::vector<std::string> crlf_lines(const std::string& text);

}  // namespace demo_check
