// Between the file system and archives: a directory tree read into writer
// nodes (UTF-8 names turned into code page 932), and archive contents
// written out below a directory.
#pragma once

#include <cstdint>
#include <string>

#include "archive_writer.h"

namespace zav {

// Reads `dir` recursively. false with "<file>: <reason>" in *error.
bool ReadDirectoryTree(const std::string& dir, WriterNode* root, std::string* error);

// The bytes of every regular file below `dir`, from the file system's sizes
// (nothing is read).
uint64_t TreeDataSize(const std::string& dir);

// Code page 932 <-> UTF-8; false when a character has no mapping.
bool Utf8ToCp932(const std::string& in, std::string* out);
bool Cp932ToUtf8(const std::string& in, std::string* out);

}  // namespace zav
