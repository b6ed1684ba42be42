// The program's drive-letter view of the Linux file system. Program paths are
// code page 932 strings with either separator ("C:\data\a.png",
// "/data/a.png", "data\a.png"); "/" is "C:\". Each component is matched
// case-insensitively against the file system (an exact match first), names
// are converted to UTF-8 at this boundary, and new names keep the case given.
// Other areas (sound, fonts, archives) open files through PathResolve.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "win_types.h"

namespace platform {

// A full path in the drive view. Components are code page 932 and hold no
// "." or ".." any more.
struct DrivePath {
    char drive = 'C';   // upper-case drive letter; 0 for a \\server\share path
    std::string share;  // "\\server\share" when drive is 0
    std::vector<std::string> parts;
    // The Linux name of each leading part taken from the current directory
    // (used as it is); empty for the parts the program wrote.
    std::vector<std::string> nativeParts;
    bool trailingSeparator = false;
};

// Which characters a component may hold: none that Windows forbids in file
// names (ERROR_INVALID_NAME), those but the wildcards '*' and '?', or any
// (a full path name is only text).
enum class PathNames { Strict, Wildcards, Any };

// Parses a program path into its full drive-view form against the current
// directory. False (last error set) for a null, empty or over-long path
// (ERROR_FILENAME_EXCED_RANGE) or a name with forbidden characters.
bool PathToDriveView(const char* path, DrivePath& out, PathNames names = PathNames::Strict);

// "C:\a\b", with a trailing '\' when the input had one (or for a drive root).
std::string DriveViewString(const DrivePath& path);

// Where a drive-view path lies on the Linux file system.
struct NativePath {
    std::string path;               // absolute Linux path (UTF-8)
    size_t missing = 0;             // trailing components that do not exist (0: all exist)
    size_t components = 0;          // components in the path
    bool parentIsDirectory = true;  // false when the walk stopped at a file, not a folder

    // The folder that holds the last component exists.
    bool ParentExists() const { return missing <= 1 && parentIsDirectory; }
    // The error for a path that does not exist: the last component missing is
    // "file not found", a missing folder "path not found".
    DWORD MissingError() const {
        return ParentExists() ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
    }
};

// Maps a drive-view path onto the Linux file system. False (last error
// ERROR_PATH_NOT_FOUND, or ERROR_BAD_NETPATH for \\server paths) when the
// path names a drive other than C.
bool DriveViewResolve(const DrivePath& path, NativePath& out);

// PathToDriveView then DriveViewResolve.
bool PathResolve(const char* path, NativePath& out);

// The drive view of an absolute Linux path: "/home/x" -> "C:\home\x".
std::string NativeToDriveView(const std::string& native);

// Splits at '\' and '/', never at a 0x5C that is the second byte of a code
// page 932 double-byte character. Empty components are dropped.
std::vector<std::string> PathSplit(std::string_view path);

// The last character is '\' or '/' (not the trail byte of a double-byte one).
bool PathEndsWithSeparator(std::string_view path);

// Upper-case folding as the Windows file system compares names.
char32_t PathFoldCase(char32_t c);
bool PathNamesEqual(std::u32string_view a, std::u32string_view b);

}  // namespace platform
