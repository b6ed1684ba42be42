// Japanese message literals: the source is UTF-8, the engine's strings are
// code page 932. Every literal goes through Cp932Text once.
#pragma once

#include <cstddef>
#include <string>

namespace DuRud {

// The code page 932 form of a UTF-8 string literal, converted on first use
// and kept for the life of the process (the same pointer for the same text).
// Characters that code page 932 lacks become '?'.
const char* Cp932Text(const char* utf8Literal);

// Converts any UTF-8 text to code page 932 (no caching); false when the
// converter is unavailable or the input is not UTF-8.
bool ConvertUtf8ToCp932(const char* utf8, std::size_t length, std::string* out);

}  // namespace DuRud
