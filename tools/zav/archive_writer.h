// The archive writer: builds a ZAV archive image from a tree of names and
// bytes, in every version the engine reads (0 to 5).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zav {

// One file or directory. Names are code page 932 bytes, one component each.
struct WriterNode {
    std::string name;
    bool directory = false;
    uint64_t creationTime = 0;  // FILETIME ticks
    uint64_t accessTime = 0;
    uint64_t writeTime = 0;
    std::vector<unsigned char> data;   // files
    std::vector<WriterNode> children;  // directories
};

enum class KeyKind {
    Own,       // the expanded key string
    None,      // no key string: the fill key
    Fallback,  // the fallback key
};

struct WriteOptions {
    int version = 5;
    KeyKind keyKind = KeyKind::None;
    std::string key;          // KeyKind::Own
    bool compress = true;     // versions 2 and later only: 0 and 1 have no packed-size field
    uint32_t codePage = 932;  // written from version 4
};

// The reader seeks with signed 32-bit offsets: no archive may pass this size.
constexpr uint64_t kLargestReadableArchive = 0x7FFFFFFF;
// The start of the reason WriteArchive gives for an archive past that size.
constexpr const char* kArchiveTooLarge = "archive larger than 2 GiB - 1 byte";

// Builds the archive of `root` (a directory; its own name is not written).
// false with a reason in *error on bad names (empty, "." or "..", a
// separator, over 1020 bytes, two equal when upper-cased), a bad version,
// a file past 32 bits, or an archive past kLargestReadableArchive.
bool WriteArchive(const WriterNode& root, const WriteOptions& options,
                  std::vector<unsigned char>* out, std::string* error);

// FILETIME ticks of POSIX seconds.
uint64_t FileTimeFromPosix(int64_t seconds);

// The name as the archive stores it for lookups: single-byte a to z
// upper-cased, double-byte characters kept.
std::string UpperCaseArchiveName(const std::string& name);

}  // namespace zav
