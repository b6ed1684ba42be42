// The full-path builder every module that stores file names uses.
#pragma once

#include <cstddef>

namespace DuRud {

constexpr int kFullPathMaxLength = 259;  // bytes of a full path, NUL not counted
constexpr int kPathComponentMaxLength = 255;

// Builds the full path of `path` against `base` (null: the current directory
// from the table's GetDir) into out (outSize bytes of room). Drive letters,
// "\\" prefixes, "." and ".." are resolved; a final "." or ".." is kept as
// written. 0, or -1 with out "" when the result, a component or the base is
// too long or an argument is missing.
int ConvertToFullPath(const char* path, char* out, size_t outSize, const char* base);

}  // namespace DuRud
