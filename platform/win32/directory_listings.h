// The names in a directory, for the case-insensitive path lookup. A game
// reopens its archive for every member it reads, and each reopen matches
// every component of the path against its directory; listing a large folder
// (a shared /tmp) each time costs more than the read. Listings are kept and
// brought up to date from the kernel's reports of each change (inotify), so a
// lookup sees exactly what a fresh listing would.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace platform {

using NameFilter = std::function<bool(const std::string& name)>;

// The entries of dir ("" is the root) that `wanted` accepts, "." and ".."
// never offered, in no particular order. False when the directory cannot be
// read.
bool MatchDirectoryNames(const std::string& dir, const NameFilter& wanted,
                         std::vector<std::string>& matches);

// The entries of dir whose names equal name once ASCII letters are put in
// one case (every other byte as it is), in no particular order. False when
// the directory cannot be read.
bool FindDirectoryNamesIgnoringAsciiCase(const std::string& dir, const std::string& name,
                                         std::vector<std::string>& matches);

}  // namespace platform
