// The drive-letter view: parsing program paths, and resolving them
// case-insensitively against the Linux file system.
#include "paths.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "code_pages.h"
#include "directory_listings.h"
#include "win_kernel.h"

namespace platform {
namespace {

void appendPart(std::string& path, char separator, const std::string& part) {
    path += separator;
    path += part;
}

bool isSeparator(char c) {
    return c == '\\' || c == '/';
}
bool isLead(char c) {
    return CodePageIsLeadByte(932, static_cast<unsigned char>(c));
}

}  // namespace

bool PathEndsWithSeparator(std::string_view s) {
    bool last = false;
    for (size_t i = 0; i < s.size(); ++i) {
        last = isSeparator(s[i]);
        if (isLead(s[i]) && i + 1 < s.size()) {
            ++i;
            last = false;
        }
    }
    return last;
}

namespace {

// A component's characters are legal in a Windows file name.
bool validComponent(const std::string& name, PathNames names) {
    if (names == PathNames::Any) return true;
    for (size_t i = 0; i < name.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(name[i]);
        if (isLead(name[i]) && i + 1 < name.size()) {
            ++i;  // the trail byte may be any value, 0x5C and 0x7C included
            continue;
        }
        if (c < 0x20 || std::strchr("<>:\"|", c)) return false;
        if (names == PathNames::Strict && (c == '*' || c == '?')) return false;
    }
    return true;
}

// Windows drops a single trailing '.' from a component, and every trailing
// '.' and ' ' from the last one.
std::string trimComponent(std::string name, bool last) {
    if (name == "." || name == "..") return name;
    if (last) {
        while (!name.empty() && (name.back() == '.' || name.back() == ' ')) name.pop_back();
    } else if (name.size() >= 2 && name.back() == '.' && name[name.size() - 2] != '.') {
        name.pop_back();
    }
    return name;
}

// The current directory as a drive-view path whose parts carry their Linux names.
bool currentDirectory(DrivePath& out) {
    char buffer[4096];
    if (!getcwd(buffer, sizeof buffer)) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return false;
    }
    out = DrivePath{};
    std::string native = buffer;
    size_t start = 0;
    while (start < native.size()) {
        size_t end = native.find('/', start);
        if (end == std::string::npos) end = native.size();
        if (end > start) {
            std::string part = native.substr(start, end - start);
            out.parts.push_back(Utf8ToCp932(part));
            out.nativeParts.push_back(part);
        }
        start = end + 1;
    }
    return true;
}

void appendComponents(DrivePath& out, std::string_view rest) {
    std::vector<std::string> parts = PathSplit(rest);
    for (size_t i = 0; i < parts.size(); ++i) {
        std::string part = trimComponent(parts[i], i + 1 == parts.size());
        if (part.empty() || part == ".") continue;
        if (part == "..") {
            if (!out.parts.empty()) {
                out.parts.pop_back();
                if (out.nativeParts.size() > out.parts.size()) out.nativeParts.pop_back();
            }
            continue;
        }
        out.parts.push_back(part);
    }
    out.trailingSeparator = PathEndsWithSeparator(rest);
}

// The directory entry of dir whose name equals name ignoring case; the exact
// name wins, then the first match in byte order.
bool findEntryIgnoringCase(const std::string& dir, const std::string& name, std::string& found) {
    // An ASCII name can only equal an ASCII entry, in ASCII letters alone.
    const bool ascii =
        std::all_of(name.begin(), name.end(), [](char c) { return (c & 0x80) == 0; });
    std::vector<std::string> matches;
    if (ascii) {
        if (!FindDirectoryNamesIgnoringAsciiCase(dir, name, matches)) return false;
    } else {
        const std::u32string wanted = Utf8ToUtf32(name);
        auto equal = [&](const std::string& entry) {
            // Every case fold here keeps the UTF-8 length.
            return entry.size() == name.size() && PathNamesEqual(Utf8ToUtf32(entry), wanted);
        };
        if (!MatchDirectoryNames(dir, equal, matches)) return false;
    }
    if (matches.empty()) return false;
    if (std::find(matches.begin(), matches.end(), name) != matches.end()) {
        found = name;
    } else {
        found = *std::min_element(matches.begin(), matches.end());
    }
    return true;
}

}  // namespace

std::vector<std::string> PathSplit(std::string_view path) {
    std::vector<std::string> parts;
    std::string current;
    for (size_t i = 0; i < path.size(); ++i) {
        char c = path[i];
        if (isLead(c) && i + 1 < path.size()) {
            current += c;
            current += path[++i];
        } else if (isSeparator(c)) {
            if (!current.empty()) parts.push_back(std::move(current));
            current.clear();
        } else {
            current += c;
        }
    }
    if (!current.empty()) parts.push_back(std::move(current));
    return parts;
}

bool PathToDriveView(const char* path, DrivePath& out, PathNames names) {
    if (!path) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    std::string_view s(path);
    if (s.empty()) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return false;
    }
    if (s.size() >= MAX_PATH) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    auto isDrive = [](std::string_view v) {
        return v.size() >= 2 && v[1] == ':' &&
               ((v[0] >= 'A' && v[0] <= 'Z') || (v[0] >= 'a' && v[0] <= 'z'));
    };
    DrivePath result;
    std::string_view rest;
    if (s.size() >= 4 && isSeparator(s[0]) && isSeparator(s[1]) && (s[2] == '?' || s[2] == '.') &&
        isSeparator(s[3]) && isDrive(s.substr(4))) {
        s.remove_prefix(4);  // "\\?\C:\..." is "C:\..."
    }
    if (s.size() >= 2 && isSeparator(s[0]) && isSeparator(s[1])) {
        // \\server\share\...: a network path, kept as written.
        std::string_view t = s.substr(2);
        auto takePart = [](std::string_view& v) {
            size_t i = 0;
            while (i < v.size() && !isSeparator(v[i]))
                i += (isLead(v[i]) && i + 1 < v.size()) ? 2 : 1;
            std::string part(v.substr(0, i));
            v.remove_prefix(i);
            while (!v.empty() && isSeparator(v[0])) v.remove_prefix(1);
            return part;
        };
        std::string server = takePart(t);
        std::string share = takePart(t);
        result.drive = 0;
        result.share = "\\\\";
        result.share += server;
        if (!share.empty()) appendPart(result.share, '\\', share);
        rest = t;
    } else if (isSeparator(s[0])) {
        if (!currentDirectory(result)) return false;
        result.parts.clear();
        result.nativeParts.clear();
        rest = s.substr(1);
    } else if (isDrive(s)) {
        char drive = static_cast<char>(s[0] & ~0x20);
        bool rooted = s.size() >= 3 && isSeparator(s[2]);
        if (!rooted && drive == 'C') {
            if (!currentDirectory(result)) return false;  // "C:name" is relative
        }
        result.drive = drive;
        if (rooted) {
            result.parts.clear();
            result.nativeParts.clear();
        }
        rest = s.substr(rooted ? 3 : 2);
    } else {
        if (!currentDirectory(result)) return false;
        rest = s;
    }
    for (const std::string& part : PathSplit(rest)) {
        if (!validComponent(part, names)) {
            SetLastError(ERROR_INVALID_NAME);
            return false;
        }
        if (part.size() > 255) {
            SetLastError(ERROR_FILENAME_EXCED_RANGE);
            return false;
        }
    }
    appendComponents(result, rest);
    if (result.drive == 0 && rest.empty()) result.trailingSeparator = false;
    if (DriveViewString(result).size() >= MAX_PATH) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    out = std::move(result);
    return true;
}

std::string DriveViewString(const DrivePath& path) {
    std::string s;
    if (path.drive == 0) {
        s = path.share;
    } else {
        s += path.drive;
        s += ':';
        if (path.parts.empty()) return s + "\\";
    }
    for (const std::string& part : path.parts) appendPart(s, '\\', part);
    if (path.trailingSeparator && !path.parts.empty()) s += "\\";
    return s;
}

bool DriveViewResolve(const DrivePath& path, NativePath& out) {
    if (path.drive == 0) {
        SetLastError(ERROR_BAD_NETPATH);
        return false;
    }
    if (path.drive != 'C') {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return false;
    }
    NativePath result;
    result.components = path.parts.size();
    std::string current;  // "" is the root
    size_t i = 0;
    for (; i < path.parts.size(); ++i) {
        if (i < path.nativeParts.size()) {
            appendPart(current, '/', path.nativeParts[i]);
            continue;
        }
        std::string name = Cp932ToUtf8(path.parts[i]);
        std::string candidate = current;
        appendPart(candidate, '/', name);
        struct stat st;
        if (lstat(candidate.c_str(), &st) == 0) {
            current = candidate;
            continue;
        }
        std::string found;
        if (!findEntryIgnoringCase(current, name, found)) {
            struct stat parent;
            result.parentIsDirectory =
                stat(current.empty() ? "/" : current.c_str(), &parent) == 0 &&
                S_ISDIR(parent.st_mode);
            break;
        }
        appendPart(current, '/', found);
    }
    result.missing = path.parts.size() - i;
    for (; i < path.parts.size(); ++i) appendPart(current, '/', Cp932ToUtf8(path.parts[i]));
    result.path = current.empty() ? "/" : current;
    out = std::move(result);
    return true;
}

bool PathResolve(const char* path, NativePath& out) {
    DrivePath drivePath;
    return PathToDriveView(path, drivePath) && DriveViewResolve(drivePath, out);
}

std::string NativeToDriveView(const std::string& native) {
    std::string view = "C:";
    size_t start = 0;
    while (start < native.size()) {
        size_t end = native.find('/', start);
        if (end == std::string::npos) end = native.size();
        if (end > start) appendPart(view, '\\', Utf8ToCp932(native.substr(start, end - start)));
        start = end + 1;
    }
    if (view.size() == 2) view += "\\";
    return view;
}

char32_t PathFoldCase(char32_t c) {
    if (c >= U'a' && c <= U'z') return c - 0x20;
    if (c < 0x80) return c;
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 0x20;  // Latin-1
    if (c == 0xFF) return 0x178;
    if (c >= 0x100 && c <= 0x17F && c != 0x130 && c != 0x131 && c != 0x138 && c != 0x149 &&
        c != 0x17F) {
        // Latin Extended-A pairs: even upper, odd lower (shifted after U+0138).
        bool shifted = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
        bool lower = shifted ? (c % 2 == 0) : (c % 2 == 1);
        return lower ? c - 1 : c;
    }
    if (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2) return c - 0x20;  // Greek
    if (c >= 0x430 && c <= 0x44F) return c - 0x20;                // Cyrillic
    if (c >= 0x450 && c <= 0x45F) return c - 0x50;
    if (c >= 0xFF41 && c <= 0xFF5A) return c - 0x20;  // full-width Latin
    return c;
}

bool PathNamesEqual(std::u32string_view a, std::u32string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (PathFoldCase(a[i]) != PathFoldCase(b[i])) return false;
    return true;
}

}  // namespace platform
