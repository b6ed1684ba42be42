// Cuts one line of a list or stage file into columns the way the C library's
// strtok does, but with a separator set per column and without its hidden
// state: separators before a column are skipped, a column ends at the next
// separator of its set, and that separator is consumed.
#pragma once

#include <string_view>

inline constexpr const char* comma = ",";
inline constexpr const char* comma_or_x = ",x*";  // the first number of a pair written 32x48

class list_tokenizer {
  public:
    explicit list_tokenizer(std::string_view line) : rest_(line) {}
    // The next column, ended by a byte of separators; false when none is left.
    bool next(const char* separators, std::string_view& column);
    // The unread rest of the line.
    std::string_view rest() const { return rest_; }

  private:
    std::string_view rest_;
};

// The leading integer as atoi reads it; values beyond the int range give 0
// where atoi's result would be undefined.
int column_int(std::string_view column);
// The leading decimal as atof reads it; a value that is not finite gives 0.
double column_double(std::string_view column);
// Copies at most 255 bytes of the column and a NUL into out[256].
void copy_name(char* out, std::string_view column);
