// Column cutting and the number rules of the game's text files.
#include "shell/list_tokenizer.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

bool list_tokenizer::next(const char* separators, std::string_view& column) {
    const size_t start = rest_.find_first_not_of(separators);
    if (start == std::string_view::npos) {
        rest_ = {};
        return false;
    }
    rest_.remove_prefix(start);
    const size_t end = rest_.find_first_of(separators);
    column = rest_.substr(0, end);
    rest_ = end == std::string_view::npos ? std::string_view{} : rest_.substr(end + 1);
    return true;
}

int column_int(std::string_view column) {
    const std::string text(column);
    errno = 0;
    const long long value = std::strtoll(text.c_str(), nullptr, 10);
    if (errno == ERANGE || value > INT_MAX || value < INT_MIN) return 0;
    return static_cast<int>(value);
}

double column_double(std::string_view column) {
    const std::string text(column);
    const double value = std::strtod(text.c_str(), nullptr);
    return std::isfinite(value) ? value : 0.0;
}

void copy_name(char* out, std::string_view column) {
    const size_t n = column.size() < 255 ? column.size() : 255;
    std::memcpy(out, column.data(), n);
    out[n] = '\0';
}
