// The names in a directory, for the case-insensitive path lookup. A game
// reopens its archive for every member it reads, and each reopen matches
// every component of the path against its directory; listing a large folder
// (a shared /tmp) each time costs more than the read. Listings are kept while
// the kernel reports no change to the directory (inotify), so a lookup sees
// exactly what a fresh listing would.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace platform {

using DirectoryNames = std::shared_ptr<const std::vector<std::string>>;

// The entries of dir ("" is the root), "." and ".." left out, in no
// particular order; null when the directory cannot be read.
DirectoryNames ListDirectory(const std::string& dir);

}  // namespace platform
