// Japanese message literals: the source is UTF-8, the engine's strings are
// code page 932. Every literal goes through Cp932Text once.
#pragma once

#include <cstddef>
#include <string>

#include "DuRud.h"  // Cp932Text, which the game reaches too

namespace DuRud {

// Converts any UTF-8 text to code page 932 (no caching); false when the
// converter is unavailable or the input is not UTF-8.
bool ConvertUtf8ToCp932(const char* utf8, std::size_t length, std::string* out);

}  // namespace DuRud
